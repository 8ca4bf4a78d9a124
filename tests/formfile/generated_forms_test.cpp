// Round trips on generated forms that cover the whole grammar, in both
// writers' layouts and with every kind of line end.

#include <keyloom/formfile/document.hpp>
#include <keyloom/formfile/loader.hpp>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace keyloom::formfile {
namespace {

class TFormGenerator {
 public:
  explicit TFormGenerator(unsigned Seed) : FRandom(Seed) {
    const char* Ends[] = {"\n", "\r\n", "\r"};
    FEol = Ends[Pick(3)];
    FLazarus = Pick(2) == 0;
  }

  std::string Form() {
    std::string Out;
    if (Pick(10) == 0) Out += "\xEF\xBB\xBF";
    Object(Out, 0, Pick(2) ? "object" : "inherited");
    if (Pick(6) == 0) Out += "object Extra: TForm" + FEol + "end" + FEol;  // a second root is kept as is
    if (Pick(3) == 0) Out += FEol;
    return Out;
  }

 private:
  int Pick(int N) { return std::uniform_int_distribution<int>(0, N - 1)(FRandom); }

  std::string Indent(int Level) { return std::string(static_cast<std::size_t>(Level) * 2, ' '); }

  std::string Ident() {
    static const char* Names[] = {"Button", "Panel", "alClient", "fsBold", "clBtnFace", "Edit", "x_1", "Owner"};
    return std::string(Names[Pick(8)]) + std::to_string(Pick(5));
  }

  std::string Quoted() {
    static const char* Pieces[] = {"OK", "E&xit", "Save && Exit", "''", " ", "Caf\xC3\xA9", "Mary''s", "&File"};
    std::string Out = "'";
    for (int I = Pick(3) + 1; I > 0; --I) Out += Pieces[Pick(8)];
    return Out + "'";
  }

  std::string StringValue(int Level) {
    std::string Out;
    for (int I = Pick(3) + 1; I > 0; --I) Out += Pick(3) ? Quoted() : "#" + std::to_string(Pick(3) ? 39 : 1042 + Pick(50));
    if (Pick(4) == 0) Out += " +" + FEol + Indent(Level + 1) + Quoted();
    return Out;
  }

  std::string Scalar(int Level) {
    switch (Pick(9)) {
      case 0: return std::to_string(Pick(2000) - 1000);
      case 1: return "$" + std::string(Pick(2) ? "FF" : "0A1b");
      case 2: return Pick(2) ? "0.547337048607005300" : "1E308";
      case 3: return std::to_string(Pick(9)) + (Pick(2) ? "d" : "c");
      case 4: return Pick(2) ? "True" : "False";
      case 5: return "nil";
      case 6: return Ident() + (Pick(2) ? "." + Ident() : "");
      default: return StringValue(Level);
    }
  }

  std::string Value(int Level) {
    switch (Pick(8)) {
      case 0: {
        std::string Out = "[";
        for (int I = Pick(3); I > 0; --I) Out += Ident() + (I > 1 ? ", " : "");
        return Out + "]";
      }
      case 1: {
        if (Pick(4) == 0) return FLazarus ? "(" + Indent(Level + 1) + ")" : "()";
        std::string Out = "(" + FEol;
        for (int I = Pick(3) + 1; I > 0; --I) {
          Out += Indent(Level + 1) + Scalar(Level + 1);
          if (I > 1 || FLazarus) Out += FEol;
        }
        return Out + (FLazarus ? Indent(Level) + ")" : ")");
      }
      case 2: {
        std::string Out = "{" + FEol + Indent(Level + 1);
        for (int I = (Pick(4) + 1) * 2; I > 0; --I) Out += "0123456789ABCDEF"[Pick(16)];
        return Out + (FLazarus ? FEol + Indent(Level) + "}" : "}");
      }
      case 3: {
        if (Pick(3) == 0) return "<>";
        std::string Out = "<" + FEol;
        for (int I = Pick(2) + 1; I > 0; --I) {
          Out += Indent(Level + 1) + "item" + FEol;
          for (int J = Pick(3); J > 0; --J) Out += Indent(Level + 2) + Ident() + " = " + Scalar(Level + 2) + FEol;
          Out += Indent(Level + 1) + "end" + (I > 1 ? FEol : ">");
        }
        return Out;
      }
      default: return Scalar(Level);
    }
  }

  void Object(std::string& Out, int Level, const char* Kind) {
    Out += Indent(Level) + Kind + " ";
    if (Pick(8)) Out += Ident() + std::to_string(FCount++) + ": ";
    static const char* Classes[] = {"TForm", "TPanel", "TButton", "TLabel", "TcxButton", "TMenuItem", "TFrame1"};
    Out += Classes[Pick(7)];
    if (Level > 0 && Pick(6) == 0) Out += (FLazarus ? "[" : " [") + std::to_string(Pick(3)) + "]";
    Out += FEol;
    for (int I = Pick(5); I > 0; --I) {
      std::string Name = Ident();
      if (Pick(3) == 0) Name += ".Strings";
      Out += Indent(Level + 1) + Name + " = " + Value(Level + 1) + (Pick(12) == 0 ? "  " : "") + FEol;
    }
    if (Level < 4)
      for (int I = Pick(3); I > 0; --I) {
        const char* Kinds[] = {"object", "object", "inherited", "inline"};
        Object(Out, Level + 1, Kinds[Pick(4)]);
      }
    Out += Indent(Level) + "end" + FEol;
  }

  std::mt19937 FRandom;
  std::string FEol;
  bool FLazarus;
  int FCount = 0;
};

TEST(GeneratedForms, ReadAndWriteBackByteForByte) {
  int Strings = 0;
  for (unsigned Seed = 1; Seed <= 400; ++Seed) {
    const std::string Text = TFormGenerator(Seed).Form();
    TDocument Doc = TDocument::Parse(Text, "generated.dfm");
    EXPECT_EQ(Doc.Render(), Text) << "seed " << Seed;
    // Every string set to its own value keeps the file's bytes.
    for (TObjectNode* Node : Doc.Objects())
      for (TProperty& P : Node->FProperties)
        if (const std::string* S = P.FValue.String()) {
          const std::string Same = *S;
          Doc.SetString(P.FValue, Same);
          ++Strings;
        }
    ASSERT_EQ(Doc.Render(), Text) << "seed " << Seed << "\n" << Text;
    // And the components made from it write nothing back when nothing changed.
    auto Loaded = LoadForm(TDocument::Parse(Text, "generated.dfm"));
    EXPECT_EQ(Loaded->StoreCaptions(), 0) << "seed " << Seed;
    EXPECT_EQ(Loaded->Render(), Text);
  }
  EXPECT_GT(Strings, 400);
}

}  // namespace
}  // namespace keyloom::formfile

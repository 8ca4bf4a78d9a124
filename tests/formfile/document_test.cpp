#include "keyloom/formfile/document.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace keyloom::formfile {
namespace {

using ::testing::HasSubstr;

TDocument Parse(std::string Text, std::string FileName = "test.dfm") {
  return TDocument::Parse(std::move(Text), std::move(FileName));
}

const TValue& ValueOf(const TObjectNode& Node, std::string_view Name) {
  const TProperty* Property = Node.FindProperty(Name);
  if (Property == nullptr) throw std::runtime_error("no property " + std::string(Name));
  return Property->FValue;
}

std::string_view SpanText(const TDocument& Doc, TSpan Span) {
  return std::string_view(Doc.Source()).substr(Span.FBegin, Span.Size());
}

// ---------------------------------------------------------------------------
// Object headers

struct THeaderCase {
  const char* FText;
  TObjectKind FKind;
  const char* FName;
  const char* FClassName;
  std::optional<std::int64_t> FIndex;
};

class HeaderTest : public ::testing::TestWithParam<THeaderCase> {};

TEST_P(HeaderTest, ReadsKindNameClassAndIndex) {
  const THeaderCase& Case = GetParam();
  TDocument Doc = Parse(std::string("object Form1: TForm1\n  ") + Case.FText + "\n    Left = 1\n  end\nend\n");
  ASSERT_EQ(Doc.Root().FChildren.size(), 1u);
  const TObjectNode& Child = *Doc.Root().FChildren[0];
  EXPECT_EQ(Child.FKind, Case.FKind);
  EXPECT_EQ(Child.FName, Case.FName);
  EXPECT_EQ(Child.FClassName, Case.FClassName);
  EXPECT_EQ(Child.FIndex, Case.FIndex);
  EXPECT_EQ(Child.FParent, &Doc.Root());
  EXPECT_EQ(SpanText(Doc, Child.FHeaderSpan), Case.FText);
  EXPECT_EQ(SpanText(Doc, Child.FEndSpan), "end");
  EXPECT_EQ(Child.FPosition.FLine, 2);
  EXPECT_EQ(Child.FPosition.FColumn, 3);
  EXPECT_EQ(Child.FProperties.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Notes, HeaderTest,
    ::testing::Values(THeaderCase{"object Image2: TImage[0]", TObjectKind::Object, "Image2", "TImage", 0},
                      THeaderCase{"object splJvgSplitter1: TSplitter [0]", TObjectKind::Object, "splJvgSplitter1",
                                  "TSplitter", 0},
                      THeaderCase{"inline SpacePreviewSynEdit: TSynEdit[3]", TObjectKind::Inline,
                                  "SpacePreviewSynEdit", "TSynEdit", 3},
                      THeaderCase{"inherited lvProvider: TListView", TObjectKind::Inherited, "lvProvider", "TListView",
                                  std::nullopt},
                      THeaderCase{"object TMenuItem", TObjectKind::Object, "", "TMenuItem", std::nullopt},
                      THeaderCase{"inline TSynGutterPartList", TObjectKind::Inline, "", "TSynGutterPartList",
                                  std::nullopt},
                      THeaderCase{"OBJECT Upper: TButton", TObjectKind::Object, "Upper", "TButton", std::nullopt},
                      THeaderCase{"Inherited Mixed: TPanel [12]", TObjectKind::Inherited, "Mixed", "TPanel", 12}));

TEST(DocumentTest, ReadsNestedObjectsPropertiesAndSpans) {
  // HeidiSQL loginform.dfm, then a nested inline frame (notes, excerpts 1 and 5).
  const std::string Text =
      "object frmLogin: TfrmLogin\r\n"
      "  Left = 0\r\n"
      "  BorderStyle = bsDialog\r\n"
      "  Caption = 'Login'\r\n"
      "  inline fmeColors: TfmeJvColorProviderDsgnTree\r\n"
      "    Anchors = [akLeft, akTop, akBottom]\r\n"
      "    inherited lvProvider: TListView\r\n"
      "      Width = 245\r\n"
      "    end\r\n"
      "  end\r\n"
      "  object TMenuItem\r\n"
      "  end\r\n"
      "end\r\n";
  TDocument Doc = Parse(Text);
  const TObjectNode& Root = Doc.Root();
  EXPECT_EQ(Root.FKind, TObjectKind::Object);
  EXPECT_EQ(Root.FName, "frmLogin");
  EXPECT_EQ(Root.FClassName, "TfrmLogin");
  ASSERT_EQ(Root.FProperties.size(), 3u);
  EXPECT_EQ(Root.FProperties[1].FName, "BorderStyle");
  EXPECT_EQ(Root.FProperties[1].FValue.Ident(), "bsDialog");
  EXPECT_EQ(Root.FProperties[1].FPosition.FLine, 3);
  EXPECT_EQ(Root.FProperties[1].FPosition.FColumn, 3);
  EXPECT_EQ(Root.FProperties[1].FValue.FPosition.FColumn, 17);
  EXPECT_EQ(SpanText(Doc, Root.FProperties[2].FValue.FSpan), "'Login'");
  EXPECT_EQ(SpanText(Doc, Root.FProperties[2].FNameSpan), "Caption");
  ASSERT_EQ(Root.FChildren.size(), 2u);
  const TObjectNode& Frame = *Root.FChildren[0];
  EXPECT_EQ(Frame.FKind, TObjectKind::Inline);
  const auto& Anchors = std::get<TSet>(ValueOf(Frame, "Anchors").FData);
  EXPECT_THAT(Anchors.FNames, ::testing::ElementsAre("akLeft", "akTop", "akBottom"));
  ASSERT_EQ(Frame.FChildren.size(), 1u);
  EXPECT_EQ(Frame.FChildren[0]->FKind, TObjectKind::Inherited);
  EXPECT_EQ(Frame.FChildren[0]->FParent, &Frame);
  EXPECT_EQ(Frame.FChildren[0]->FPosition.FLine, 7);
  EXPECT_EQ(Root.FChildren[1]->FName, "");
  EXPECT_EQ(SpanText(Doc, Root.FEndSpan), "end");
  EXPECT_EQ(Doc.Trailing(), "\r\n");
  EXPECT_EQ(Doc.Objects().size(), 4u);
  EXPECT_EQ(Doc.Render(), Text);
  EXPECT_FALSE(Doc.Modified());
}

TEST(DocumentTest, FindPropertyIgnoresCase) {
  TDocument Doc = Parse("object lrTDbfData1: TlrTDbfData\n  left = 24\n  top = 8\nend\n");
  ASSERT_NE(Doc.Root().FindProperty("Left"), nullptr);
  EXPECT_EQ(std::get<std::int64_t>(Doc.Root().FindProperty("LEFT")->FValue.FData), 24);
  EXPECT_EQ(Doc.Root().FindProperty("Width"), nullptr);
}

// ---------------------------------------------------------------------------
// Scalar values

struct TScalarCase {
  const char* FText;
  TValueKind FKind;
};

class ScalarKindTest : public ::testing::TestWithParam<TScalarCase> {};

TEST_P(ScalarKindTest, ReadsKindAndSpan) {
  const TScalarCase& Case = GetParam();
  TDocument Doc = Parse(std::string("object A: TA\n  V = ") + Case.FText + "\nend\n");
  const TValue& Value = ValueOf(Doc.Root(), "V");
  EXPECT_EQ(Value.Kind(), Case.FKind);
  EXPECT_EQ(SpanText(Doc, Value.FSpan), Case.FText);
}

INSTANTIATE_TEST_SUITE_P(Notes, ScalarKindTest,
                         ::testing::Values(TScalarCase{"-11", TValueKind::Integer},
                                           TScalarCase{"$FF", TValueKind::Integer},
                                           TScalarCase{"0.547337048607005300", TValueKind::Float},
                                           TScalarCase{"0d", TValueKind::Float}, TScalarCase{"0c", TValueKind::Float},
                                           TScalarCase{"1E308", TValueKind::Float},
                                           TScalarCase{"1.5s", TValueKind::Float},
                                           TScalarCase{"clGrayText", TValueKind::Ident},
                                           TScalarCase{"MainForm.VirtualImageListMain", TValueKind::Ident},
                                           TScalarCase{"True", TValueKind::Boolean},
                                           TScalarCase{"FALSE", TValueKind::Boolean},
                                           TScalarCase{"nil", TValueKind::Nil}, TScalarCase{"[]", TValueKind::Set},
                                           TScalarCase{"'x'", TValueKind::String},
                                           TScalarCase{"#0", TValueKind::String},
                                           TScalarCase{"()", TValueKind::List}, TScalarCase{"<>", TValueKind::Collection},
                                           TScalarCase{"{}", TValueKind::Binary}));

struct TIntegerCase {
  const char* FText;
  std::int64_t FValue;
};

class IntegerTest : public ::testing::TestWithParam<TIntegerCase> {};

TEST_P(IntegerTest, ReadsInt64Range) {
  TDocument Doc = Parse(std::string("object A: TA\n  V = ") + GetParam().FText + "\nend\n");
  EXPECT_EQ(std::get<std::int64_t>(ValueOf(Doc.Root(), "V").FData), GetParam().FValue);
}

INSTANTIATE_TEST_SUITE_P(Ranges, IntegerTest,
                         ::testing::Values(TIntegerCase{"0", 0}, TIntegerCase{"-11", -11},
                                           TIntegerCase{"9223372036854775807", INT64_MAX},
                                           TIntegerCase{"-9223372036854775808", INT64_MIN},
                                           TIntegerCase{"999999999999999999", 999999999999999999},
                                           TIntegerCase{"-1000000000000000000", -1000000000000000000},
                                           TIntegerCase{"0000000000000000000042", 42},
                                           TIntegerCase{"$7FFFFFFFFFFFFFFF", INT64_MAX},
                                           TIntegerCase{"$FFFFFFFFFFFFFFFF", -1}, TIntegerCase{"$00000000000000001", 1},
                                           TIntegerCase{"$ff", 255}));

TEST(DocumentTest, ReadsFloatsWithSuffixAndText) {
  TDocument Doc = Parse(
      "object A: TA\n"
      "  Date = 40273.000000000000000000\n"
      "  Time = 0.547337048607005\n"
      "  EditValue = 0d\n"
      "  Money = 12.5c\n"
      "  MaxValue = 1E308\n"
      "  MinValue = -1E308\n"
      "  Tiny = 2.5E-3s\n"
      "  Huge = 1E4000\n"
      "end\n");
  auto FloatOf = [&](std::string_view Name) { return std::get<TFloat>(ValueOf(Doc.Root(), Name).FData); };
  EXPECT_DOUBLE_EQ(FloatOf("Date").FValue, 40273.0);
  EXPECT_EQ(FloatOf("Date").FText, "40273.000000000000000000");
  EXPECT_EQ(FloatOf("Date").FSuffix, 0);
  EXPECT_DOUBLE_EQ(FloatOf("Time").FValue, 0.547337048607005);
  EXPECT_EQ(FloatOf("EditValue").FSuffix, 'd');
  EXPECT_DOUBLE_EQ(FloatOf("EditValue").FValue, 0.0);
  EXPECT_EQ(FloatOf("Money").FSuffix, 'c');
  EXPECT_DOUBLE_EQ(FloatOf("Money").FValue, 12.5);
  EXPECT_DOUBLE_EQ(FloatOf("MaxValue").FValue, 1e308);
  EXPECT_DOUBLE_EQ(FloatOf("MinValue").FValue, -1e308);
  EXPECT_DOUBLE_EQ(FloatOf("Tiny").FValue, 0.0025);
  EXPECT_EQ(FloatOf("Tiny").FSuffix, 's');
  // Beyond a double but fine for Extended: the text is what counts.
  EXPECT_TRUE(std::isinf(FloatOf("Huge").FValue));
  EXPECT_EQ(FloatOf("Huge").FText, "1E4000");
}

// ---------------------------------------------------------------------------
// Strings

struct TStringCase {
  const char* FName;
  std::string FText;      // the value as written
  std::string FDecoded;   // expected UTF-8 / bytes
};

class StringTest : public ::testing::TestWithParam<TStringCase> {};

TEST_P(StringTest, Decodes) {
  const TStringCase& Case = GetParam();
  TDocument Doc = Parse("object A: TA\n  Caption = " + Case.FText + "\n  Tag = 1\nend\n");
  const TValue& Value = ValueOf(Doc.Root(), "Caption");
  ASSERT_EQ(Value.Kind(), TValueKind::String);
  EXPECT_EQ(*Value.String(), Case.FDecoded);
  EXPECT_EQ(SpanText(Doc, Value.FSpan), Case.FText.substr(Case.FText.find_first_not_of(" \r\n")));
}

INSTANTIATE_TEST_SUITE_P(
    Notes, StringTest,
    ::testing::Values(
        TStringCase{"Code39", "'Mary'#39's Siblings'", "Mary's Siblings"},
        TStringCase{"DoubledQuote", "''''", "'"},
        TStringCase{"Empty", "''", ""},
        TStringCase{"CodePointAboveLatin1", "#9207", "\xE2\x8F\xB7"},
        TStringCase{"RawUtf8", "'\xE2\x8F\xB7'", "\xE2\x8F\xB7"},
        TStringCase{"Cyrillic", "#1042#1099' '#1092", "\xD0\x92\xD1\x8B \xD1\x84"},
        TStringCase{"Latin1Code", "'Conex'#227'o:'", "Conex\xC3\xA3o:"},
        TStringCase{"AnsiBytesKeptVerbatim", "'\xCB\xCE\xCC\xE5'", "\xCB\xCE\xCC\xE5"},
        TStringCase{"ControlCodes", "'a'#13#10#9'b'", "a\r\n\tb"},
        TStringCase{"Nul", "#0", std::string(1, '\0')},
        TStringCase{"HexCode", "#$41#$263A", "A\xE2\x98\xBA"},
        TStringCase{"AstralCodePoint", "#128512", "\xF0\x9F\x98\x80"},
        TStringCase{"LastCodePoint", "#1114111", "\xF4\x8F\xBF\xBF"},
        TStringCase{"Ampersands", "'Resize Cols && Rows'", "Resize Cols && Rows"},
        TStringCase{"EmptyPieceBetweenCodes", "#13''#10", "\r\n"},
        TStringCase{"SplitWithPlus",
                    "\r\n      'm is the size of the hash-table. If it is small enough searching' +\r\n"
                    "      ' can be stopped.'",
                    "m is the size of the hash-table. If it is small enough searching can be stopped."},
        TStringCase{"PlusOnOneLine", "'a' + #39 + 'b'", "a'b"}),
    [](const ::testing::TestParamInfo<TStringCase>& Info) { return Info.param.FName; });

TEST(DocumentTest, SplitStringSpanStartsAtFirstPieceAndGapAtEquals) {
  const std::string Text =
      "object A: TA\r\n"
      "  Caption = \r\n"
      "    'first part ' +\r\n"
      "    'second'\r\n"
      "end\r\n";
  TDocument Doc = Parse(Text);
  const TValue& Value = ValueOf(Doc.Root(), "Caption");
  EXPECT_EQ(*Value.String(), "first part second");
  EXPECT_EQ(SpanText(Doc, Value.FSpan), "'first part ' +\r\n    'second'");
  EXPECT_EQ(Value.FGapBegin, Text.find('=') + 1);
  EXPECT_EQ(Value.FPosition.FLine, 3);
  EXPECT_EQ(Value.FPosition.FColumn, 5);
}

// ---------------------------------------------------------------------------
// Lists, sets, binary data, collections

TEST(DocumentTest, ReadsListsInBothLayouts) {
  TDocument Doc = Parse(
      "object A: TA\n"
      "  Items.Strings = (\n"
      "    'woof'\n"
      "    'quack'\n"
      "    'meow')\n"
      "  Lines.Strings = (\n"
      "    'UNDEFINED'\n"
      "  )\n"
      "  PickList.Strings = (        )\n"
      "  DesignSize = (\n"
      "    232\n"
      "    316)\n"
      "  Cells = (\n"
      "    2\n"
      "    0\n"
      "    'Product'\n"
      "    60.8541666666667\n"
      "    True\n"
      "    akLeft\n"
      "  )\n"
      "end\n");
  const TList& Items = *ValueOf(Doc.Root(), "Items.Strings").List();
  ASSERT_EQ(Items.FItems.size(), 3u);
  EXPECT_EQ(*Items.FItems[2].String(), "meow");
  EXPECT_EQ(SpanText(Doc, Items.FItems[2].FSpan), "'meow'");
  EXPECT_EQ(Items.FItems[2].FPosition.FLine, 5);
  EXPECT_EQ(SpanText(Doc, ValueOf(Doc.Root(), "Items.Strings").FSpan), "(\n    'woof'\n    'quack'\n    'meow')");
  EXPECT_EQ(ValueOf(Doc.Root(), "Lines.Strings").List()->FItems.size(), 1u);
  EXPECT_TRUE(ValueOf(Doc.Root(), "PickList.Strings").List()->FItems.empty());
  const TList& Cells = *ValueOf(Doc.Root(), "Cells").List();
  ASSERT_EQ(Cells.FItems.size(), 6u);
  EXPECT_EQ(Cells.FItems[0].Kind(), TValueKind::Integer);
  EXPECT_EQ(Cells.FItems[2].Kind(), TValueKind::String);
  EXPECT_EQ(Cells.FItems[3].Kind(), TValueKind::Float);
  EXPECT_EQ(Cells.FItems[4].Kind(), TValueKind::Boolean);
  EXPECT_EQ(Cells.FItems[5].Ident(), "akLeft");
}

TEST(DocumentTest, ReadsBinaryData) {
  TDocument Doc = Parse(
      "object A: TA\n"
      "  Data = {\n"
      "    560000009619E0BD\n"
      "    0100}\n"
      "  Picture.Data = {\n"
      "    0A0b\n"
      "  }\n"
      "end\n");
  EXPECT_EQ(std::get<TBinary>(ValueOf(Doc.Root(), "Data").FData).FBytes,
            std::string("\x56\x00\x00\x00\x96\x19\xE0\xBD\x01\x00", 10));
  EXPECT_EQ(std::get<TBinary>(ValueOf(Doc.Root(), "Picture.Data").FData).FBytes, "\x0A\x0B");
  EXPECT_EQ(SpanText(Doc, ValueOf(Doc.Root(), "Picture.Data").FSpan), "{\n    0A0b\n  }");
}

// Digits pair up across blanks and line ends, whatever the line length.
TEST(DocumentTest, BinaryDigitsPairUpAcrossBlanksAndLines) {
  const std::pair<const char*, std::string> Cases[] = {
      {"{}", ""},
      {"{0a}", "\x0A"},
      {"{0 A 0\n    B}", "\x0A\x0B"},
      {"{\r\n  F\r\n  F00\r\n}", std::string("\xFF\x00", 2)},
      {"{ABCDEF0123456789abcdef0\t1}", "\xAB\xCD\xEF\x01\x23\x45\x67\x89\xAB\xCD\xEF\x01"},
  };
  for (const auto& [Text, Bytes] : Cases) {
    SCOPED_TRACE(Text);
    TDocument Doc = Parse(std::string("object A: TA\n  Data = ") + Text + "\nend\n");
    EXPECT_EQ(std::get<TBinary>(ValueOf(Doc.Root(), "Data").FData).FBytes, Bytes);
  }
}

// Long runs of digits are taken many at a time: random blocks, with blanks,
// line ends and a stray character anywhere, against a digit-by-digit reading.
TEST(DocumentTest, BinaryBlocksReadAsDigitByDigit) {
  std::mt19937 Random(20261208);
  const std::string HexDigits = "0123456789abcdefABCDEF";
  const std::string Strays = std::string("Gg/:@`zZ.{-\x00\x7f\x80\xc1\xe6", 16);
  const char* const Blanks[] = {" ", "\t", "\n      ", "\r\n  ", "\n"};
  for (int Case = 0; Case < 3000; ++Case) {
    std::string Block;
    const int Length = static_cast<int>(Random() % 200);
    const bool Stray = Random() % 4 == 0;
    const int StrayAt = Length ? static_cast<int>(Random() % Length) : 0;
    for (int I = 0; I < Length; ++I) {
      if (Random() % 23 == 0) Block += Blanks[Random() % std::size(Blanks)];
      Block += Stray && I == StrayAt ? Strays[Random() % Strays.size()] : HexDigits[Random() % HexDigits.size()];
    }
    const std::string Head = "object A: TA\n  Data = {";
    const std::string Text = Head + Block + "}\nend\n";
    SCOPED_TRACE(Text);

    std::string Bytes;
    int Line = 2, LineStart = static_cast<int>(Head.find('\n') + 1), Digits = 0, High = 0, Bad = -1;
    for (std::size_t I = 0; I < Block.size() && Bad < 0; ++I) {
      const char C = Block[I];
      const auto At = HexDigits.find(C);
      if (At != std::string::npos) {
        const int Value = static_cast<int>(At < 16 ? At : At - 6);
        if (Digits++ % 2 == 0) High = Value;
        else Bytes += static_cast<char>(High * 16 + Value);
      } else if (C == '\n') {
        ++Line;
        LineStart = static_cast<int>(Head.size() + I + 1);
      } else if (C != ' ' && C != '\t' && C != '\r') {
        Bad = static_cast<int>(Head.size() + I);
      }
    }
    try {
      TDocument Doc = Parse(Text);
      EXPECT_EQ(Bad, -1);
      EXPECT_EQ(Digits % 2, 0);
      EXPECT_EQ(std::get<TBinary>(ValueOf(Doc.Root(), "Data").FData).FBytes, Bytes);
    } catch (const EFormFileError& Error) {
      if (Bad >= 0) {
        EXPECT_EQ(Error.Message(), "invalid character in binary data");
        EXPECT_EQ(Error.Line(), Line);
        EXPECT_EQ(Error.Column(), Bad - LineStart + 1);
      } else {
        EXPECT_EQ(Digits % 2, 1) << Error.what();
        EXPECT_EQ(Error.Message(), "odd number of hex digits in binary data");
      }
    }
  }
}

// Blanks are skipped many at a time: every property still knows its line and
// column, and a stray character after long indentation its own.
TEST(DocumentTest, PositionsHoldAfterAnyIndentation) {
  std::mt19937 Random(7);
  for (int Case = 0; Case < 200; ++Case) {
    std::string Text = "object A: TA\n";
    std::vector<std::pair<int, int>> Expected;  // line, column of each property
    const int Count = 1 + static_cast<int>(Random() % 8);
    for (int I = 0; I < Count; ++I) {
      std::string Indent(Random() % 40, ' ');
      if (Random() % 3 == 0) Indent.insert(Random() % (Indent.size() + 1), "\t");
      if (Random() % 4 == 0) Text += std::string(Random() % 50, ' ') + "\n";
      Expected.emplace_back(static_cast<int>(std::count(Text.begin(), Text.end(), '\n')) + 1,
                            static_cast<int>(Indent.size()) + 1);
      Text += Indent + "P" + std::to_string(I) + std::string(Random() % 20, ' ') + "=" +
              std::string(Random() % 20, ' ') + "1" + std::string(Random() % 20, ' ') + "\n";
    }
    SCOPED_TRACE(Text);
    const std::string Stray(Random() % 40, ' ');
    try {
      Parse(Text + Stray + "?\nend\n");
      ADD_FAILURE() << "no error";
    } catch (const EFormFileError& Error) {
      EXPECT_EQ(Error.Column(), static_cast<int>(Stray.size()) + 1);
      EXPECT_EQ(Error.Message(), "unexpected character '?'");
    }
    TDocument Doc = Parse(Text + "end\n");
    ASSERT_EQ(Doc.Root().FProperties.size(), Expected.size());
    for (std::size_t I = 0; I < Expected.size(); ++I) {
      EXPECT_EQ(Doc.Root().FProperties[I].FPosition.FLine, Expected[I].first);
      EXPECT_EQ(Doc.Root().FProperties[I].FPosition.FColumn, Expected[I].second);
      EXPECT_EQ(std::get<std::int64_t>(ValueOf(Doc.Root(), "P" + std::to_string(I)).FData), 1);
    }
  }
}

// A name ends at the first byte that cannot be part of one, whatever its
// length and wherever that byte falls in the blocks the reader scans.
TEST(DocumentTest, NamesEndAtTheFirstByteNoNameHas) {
  const std::string Parts = "aqzAQZ_09";
  auto IsPart = [](unsigned char C) { return (C < 0x80 && std::isalnum(C) != 0) || C == '_'; };
  for (int Length = 1; Length <= 40; ++Length) {
    std::string Name = "P";
    for (int I = 1; I < Length; ++I) Name += Parts[static_cast<std::size_t>(I * 7) % Parts.size()];
    for (int Byte = 1; Byte < 256; ++Byte) {
      const auto C = static_cast<unsigned char>(Byte);
      const std::string Text = "object A: TA\n  " + Name + static_cast<char>(C) + " = 1\nend\n";
      SCOPED_TRACE(testing::Message() << "length " << Length << ", byte " << Byte);
      const bool Ends = C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f';
      if (!IsPart(C) && !Ends) {
        EXPECT_THROW(Parse(Text), EFormFileError);
        continue;
      }
      const TDocument Doc = Parse(Text);
      ASSERT_EQ(Doc.Root().FProperties.size(), 1u);
      EXPECT_EQ(Doc.Root().FProperties[0].FName, IsPart(C) ? Name + static_cast<char>(C) : Name);
    }
  }
}

TEST(DocumentTest, ReadsNestedCollections) {
  // Lazarus layout: blanks after `<` and after each non-final `end`.
  TDocument Doc = Parse(
      "object A: TA\n"
      "  Columns = <    \n"
      "    item\n"
      "      Title.Caption = 'Command'\n"
      "      Width = 265\n"
      "    end    \n"
      "    item\n"
      "      SourceImages = <\n"
      "        item\n"
      "          Image.Data = {89504E47}\n"
      "        end>\n"
      "    end>\n"
      "  Empty = <>\n"
      "end\n");
  const TCollection& Columns = *ValueOf(Doc.Root(), "Columns").Collection();
  ASSERT_EQ(Columns.FItems.size(), 2u);
  ASSERT_EQ(Columns.FItems[0].FProperties.size(), 2u);
  EXPECT_EQ(Columns.FItems[0].FProperties[0].FName, "Title.Caption");
  EXPECT_EQ(*Columns.FItems[0].FProperties[0].FValue.String(), "Command");
  EXPECT_EQ(Columns.FItems[0].FPosition.FLine, 3);
  EXPECT_EQ(SpanText(Doc, Columns.FItems[0].FSpan).substr(0, 4), "item");
  const TCollection& Nested = *Columns.FItems[1].FProperties[0].FValue.Collection();
  ASSERT_EQ(Nested.FItems.size(), 1u);
  EXPECT_EQ(std::get<TBinary>(Nested.FItems[0].FProperties[0].FValue.FData).FBytes, "\x89PNG");
  EXPECT_TRUE(ValueOf(Doc.Root(), "Empty").Collection()->FItems.empty());
}

// ---------------------------------------------------------------------------
// Layout deviations found in real files: all accepted, all kept

TEST(DocumentTest, AcceptsRealWorldDeviationsAndKeepsBytes) {
  const std::string Cases[] = {
      // Whitespace-only line, trailing tab, trailing blanks after `end`, a misplaced `end`.
      "object A: TA\n  object B: TButton\n    \n    Filter = 'x'\t\n  end  \n      end\n",
      // A second root object after the first.
      "object A: TA\nend\nobject A: TA\n  Left = 765\nend\n",
      // Endings: none, CR only, stray CR, a blank line.
      "object A: TA\nend", "object A: TA\rend\r", "object A: TA\r\nend\r\n\r", "object A: TA\nend\n\n",
      // Blank line and deeper indent inside a list.
      "object A: TA\n  SQL.Strings = (\n    'a'\n\n      'b' +\n      'c'\n    'd')\nend\n",
      // UTF-8 byte order mark.
      "\xEF\xBB\xBFobject A: TA\n  Caption = 'x'\nend\n",
      // Upper-case keywords and constants.
      "OBJECT A: TA\n  Visible = TRUE\n  Obj = NIL\n  Object B: TB\n  END\nEnd\n",
  };
  for (const std::string& Text : Cases) {
    SCOPED_TRACE(Text);
    TDocument Doc = Parse(Text);
    EXPECT_EQ(Doc.Render(), Text);
  }
}

TEST(DocumentTest, KeepsTrailingBytesAfterTheFirstRoot) {
  TDocument Doc = Parse("object A: TA\nend\nobject B: TB\n  Left = 765\nend\ngarbage ;;; '\n");
  EXPECT_EQ(Doc.Root().FName, "A");
  EXPECT_EQ(Doc.Trailing(), "\nobject B: TB\n  Left = 765\nend\ngarbage ;;; '\n");
}

TEST(DocumentTest, ByteOrderMarkDoesNotShiftColumns) {
  TDocument Doc = Parse("\xEF\xBB\xBFobject A: TA\n  Caption = 'x'\nend\n");
  EXPECT_EQ(Doc.Root().FPosition.FColumn, 1);
  EXPECT_EQ(Doc.Root().FHeaderSpan.FBegin, 3u);
}

TEST(DocumentTest, CountsLinesForEveryLineBreakKind) {
  TDocument Doc = Parse("object A: TA\r\n  A = 1\n  B = 2\r  C = 3\r\nend\r\n");
  EXPECT_EQ(Doc.Root().FindProperty("A")->FPosition.FLine, 2);
  EXPECT_EQ(Doc.Root().FindProperty("B")->FPosition.FLine, 3);
  EXPECT_EQ(Doc.Root().FindProperty("C")->FPosition.FLine, 4);
}

TEST(DocumentTest, MovingTheDocumentKeepsViewsValid) {
  TDocument Doc = Parse("object A: TA\n  Name = xy\nend\n");
  TDocument Moved = std::move(Doc);
  EXPECT_EQ(Moved.Root().FName, "A");
  EXPECT_EQ(Moved.Root().FindProperty("Name")->FValue.Ident(), "xy");
}

// ---------------------------------------------------------------------------
// Errors: message, line and column

struct TErrorCase {
  const char* FName;
  std::string FText;
  int FLine;
  int FColumn;
  const char* FMessage;
};

class ErrorTest : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(ErrorTest, ReportsPosition) {
  const TErrorCase& Case = GetParam();
  try {
    Parse(Case.FText, "form.lfm");
    FAIL() << "no error";
  } catch (const EFormFileError& Error) {
    EXPECT_EQ(Error.FileName(), "form.lfm");
    EXPECT_EQ(Error.Line(), Case.FLine);
    EXPECT_EQ(Error.Column(), Case.FColumn);
    EXPECT_THAT(Error.Message(), HasSubstr(Case.FMessage));
    EXPECT_THAT(Error.what(), HasSubstr("form.lfm:" + std::to_string(Case.FLine) + ":" +
                                        std::to_string(Case.FColumn) + ": "));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, ErrorTest,
    ::testing::Values(
        TErrorCase{"UnterminatedString", "object A: TA\n  Caption = 'abc\nend\n", 2, 13, "unterminated string"},
        TErrorCase{"UnterminatedSecondPiece", "object A: TA\n  Caption = 'a'#13'b", 2, 19, "unterminated string"},
        TErrorCase{"MissingEnd", "object A: TA\n  Left = 1\n", 3, 1, "expected 'end', found end of file"},
        TErrorCase{"MissingItemEnd", "object A: TA\n  C = <\n    item\n      W = 1\n  >\nend\n", 5, 3,
                   "expected a property name or 'end', found '>'"},
        TErrorCase{"OddHex", "object A: TA\n  Data = {ABC}\nend\n", 2, 14, "odd number of hex digits in binary data"},
        TErrorCase{"NonHex", "object A: TA\n  Data = {\n    0A0G\n  }\nend\n", 3, 8, "invalid character in binary data"},
        TErrorCase{"UnterminatedBinary", "object A: TA\n  Data = {0A0B", 2, 10, "unterminated binary data"},
        TErrorCase{"IntegerTooBig", "object A: TA\n  Left = 9223372036854775808\nend\n", 2, 10, "integer out of range"},
        TErrorCase{"IntegerTooSmall", "object A: TA\n  Left = -9223372036854775809\nend\n", 2, 10,
                   "integer out of range"},
        TErrorCase{"HexTooBig", "object A: TA\n  Left = $10000000000000000\nend\n", 2, 10, "integer out of range"},
        TErrorCase{"CodeTooBig", "object A: TA\n  Caption = 'a'#1114112\nend\n", 2, 16, "character code out of range"},
        TErrorCase{"Surrogate", "object A: TA\n  Caption = #55357#56832\nend\n", 2, 13, "character code out of range"},
        TErrorCase{"HashWithoutDigits", "object A: TA\n  Caption = #\nend\n", 2, 13, "expected a character code"},
        TErrorCase{"BadNumber", "object A: TA\n  Left = 12ab\nend\n", 2, 10, "invalid number"},
        TErrorCase{"MissingEquals", "object A: TA\n  Left 1\nend\n", 2, 8, "expected '=' after property name 'Left'"},
        TErrorCase{"PropertyAfterChild", "object A: TA\n  object B: TB\n  end\n  Left = 1\nend\n", 4, 3,
                   "property 'Left' after a child object"},
        TErrorCase{"NotAnObject", "form A: TA\nend\n", 1, 1, "expected 'object', 'inherited' or 'inline', found 'form'"},
        TErrorCase{"Empty", "", 1, 1, "expected 'object', 'inherited' or 'inline', found end of file"},
        TErrorCase{"MissingClass", "object A:\nend\n", 2, 1, "expected a class name, found 'end'"},
        TErrorCase{"BadCharacter", "object A: TA\n  Left = 1;\nend\n", 2, 11, "unexpected character ';'"},
        TErrorCase{"NonAsciiOutsideString", "object A: TA\n  Caption = \xC3\xA9\nend\n", 2, 13, "unexpected byte 0xC3"},
        TErrorCase{"PlusWithoutString", "object A: TA\n  Caption = 'a' +\n    Left = 1\nend\n", 3, 5,
                   "expected a string after '+'"},
        TErrorCase{"UnclosedList", "object A: TA\n  Items = (\n    'a'\n", 4, 1, "expected ')', found end of file"},
        TErrorCase{"BadSet", "object A: TA\n  Anchors = [akLeft akTop]\nend\n", 2, 21, "expected ',' or ']'"},
        TErrorCase{"BadIndex", "object A: TA\n  object B: TB[x]\n  end\nend\n", 2, 16, "expected a child position"},
        TErrorCase{"ItemIndexNotAccepted", "object A: TA\n  C = <\n    item[0]\n    end>\nend\n", 3, 9,
                   "expected a property name or 'end', found '['"}),
    [](const ::testing::TestParamInfo<TErrorCase>& Info) { return Info.param.FName; });

TEST(DocumentTest, ErrorIsAKeyloomError) {
  try {
    Parse("object A: TA\n", "");
    FAIL() << "no error";
  } catch (const EKeyloomError& Error) {
    EXPECT_STREQ(Error.what(), "2:1: expected 'end', found end of file");
  }
}

// ---------------------------------------------------------------------------
// Deep nesting is refused cleanly, never by running out of stack

std::string NestedObjects(int Depth) {
  std::string Text;
  for (int I = 0; I < Depth; ++I) Text += "object A: TA\n";
  for (int I = 0; I < Depth; ++I) Text += "end\n";
  return Text;
}

TEST(DocumentTest, ReadsTenThousandNestedObjects) {
  TDocument Doc = Parse(NestedObjects(10000));
  EXPECT_EQ(Doc.Objects().size(), 10000u);
  EXPECT_EQ(Doc.Objects().back()->FPosition.FLine, 10000);
}

TEST(DocumentTest, RefusesDeeperObjects) {
  try {
    Parse(NestedObjects(10001));
    FAIL() << "no error";
  } catch (const EFormFileError& Error) {
    EXPECT_EQ(Error.Line(), 10001);
    EXPECT_THAT(Error.Message(), HasSubstr("nested too deeply"));
  }
}

TEST(DocumentTest, RefusesDeeplyNestedValues) {
  std::string Deep = "object A: TA\n  V = " + std::string(100000, '(') + std::string(100000, ')') + "\nend\n";
  try {
    Parse(Deep);
    FAIL() << "no error";
  } catch (const EFormFileError& Error) {
    EXPECT_EQ(Error.Line(), 2);
    EXPECT_THAT(Error.Message(), HasSubstr("nested too deeply"));
  }
  std::string Fine = "object A: TA\n  V = " + std::string(500, '(') + "1" + std::string(500, ')') + "\nend\n";
  EXPECT_EQ(Parse(Fine).Root().FindProperty("V")->FValue.Kind(), TValueKind::List);
}

TEST(DocumentTest, IsBinaryFormFile) {
  EXPECT_TRUE(IsBinaryFormFile(std::string_view("\xFF\x0A\x00TFORM1", 9)));
  EXPECT_TRUE(IsBinaryFormFile("TPF0\x06TForm1"));
  EXPECT_FALSE(IsBinaryFormFile("object A: TA\nend\n"));
  EXPECT_FALSE(IsBinaryFormFile(""));
}

// ---------------------------------------------------------------------------
// Binary forms

std::string Short(std::string_view Text) { return static_cast<char>(Text.size()) + std::string(Text); }
std::string Le32(std::uint32_t V) {
  return {static_cast<char>(V & 0xFF), static_cast<char>((V >> 8) & 0xFF), static_cast<char>((V >> 16) & 0xFF),
          static_cast<char>(V >> 24)};
}
std::string Str(std::string_view Text) { return "\x06" + Short(Text); }
std::string Wide(std::u16string_view Text) {
  std::string Out = "\x12" + Le32(static_cast<std::uint32_t>(Text.size()));
  for (char16_t C : Text) Out += {static_cast<char>(C & 0xFF), static_cast<char>(C >> 8)};
  return Out;
}
const std::string kZero(1, '\0');
std::string Resource(const std::string& Stream) {
  return std::string("\xFF\x0A\x00TFORM1\x00\x30\x10", 12) + Le32(static_cast<std::uint32_t>(Stream.size())) + Stream;
}

// The stream of
//   object Form1: TForm1
//     Left = 195 ... Items.Strings = ('One' 'Two') ... Columns = <item Width = 10 end>
//     inherited Label1: TLabel [2]
//       Caption = 'Größe' (wide)
//     end
//   end
std::string SampleStream() {
  return "TPF0" + Short("TForm1") + Short("Form1") + Short("Left") + "\x03\xC3" + kZero + Short("Caption") +
         Str("Form1") + Short("Anchors") + "\x0B" + Short("akLeft") + Short("akTop") + kZero + Short("Scaled") +
         "\x08" + Short("Align") + "\x07" + Short("alClient") + Short("Items.Strings") + "\x01" + Str("One") +
         Str("Two") + kZero + Short("Columns") + "\x0E\x01" + Short("Width") + "\x02\x0A" + kZero + kZero +
         Short("Data") + "\x0A" + Le32(2) + "\xAB\xCD" + kZero + "\xF3\x02\x02" + Short("TLabel") +
         Short("Label1") + Short("Caption") + Wide(u"Gr\u00F6\u00DFe") + kZero + kZero + kZero;
}

TEST(BinaryDocumentTest, ReadsTheTreeTheTextReaderBuildsWithByteOffsets) {
  const std::string Bytes = Resource(SampleStream());
  const TDocument Doc = Parse(Bytes);
  EXPECT_TRUE(Doc.IsBinary());
  EXPECT_EQ(Doc.Render(), Bytes);
  const TDocument Text = Parse(
      "object Form1: TForm1\n  Left = 195\n  Caption = 'Form1'\n  Anchors = [akLeft, akTop]\n  Scaled = False\n"
      "  Align = alClient\n  Items.Strings = (\n    'One'\n    'Two')\n  Columns = <\n    item\n      Width = 10\n"
      "    end>\n  Data = {\n    ABCD}\n  inherited Label1: TLabel [2]\n    Caption = 'Gr'#246#223'e'\n  end\nend\n");
  EXPECT_EQ(RenderAsText(Doc), Text.Source());
  const TObjectNode& Root = Doc.Root();
  ASSERT_EQ(Root.FChildren.size(), 1u);
  const TObjectNode& Label = *Root.FChildren[0];
  EXPECT_EQ(Label.FKind, TObjectKind::Inherited);
  EXPECT_EQ(Label.FIndex, 2);
  EXPECT_EQ(*ValueOf(Label, "Caption").String(), "Gr\u00F6\u00DFe");
  // Positions are byte offsets: the root's class name follows the 16-byte header and `TPF0`.
  EXPECT_EQ(Root.FPosition.FLine, 0);
  EXPECT_EQ(Root.FPosition.FColumn, 20);
  EXPECT_EQ(SpanText(Doc, ValueOf(Root, "Caption").FSpan), Str("Form1"));
  EXPECT_EQ(SpanText(Doc, Label.FEndSpan), kZero);
  EXPECT_EQ(Parse(SampleStream()).Render(), SampleStream());
}

TEST(BinaryDocumentTest, EditsKeepTheValueTagWhereTheTextFitsAndFixTheHeaderSize) {
  const std::string Bytes = Resource(SampleStream());
  TDocument Doc = Parse(Bytes);
  TObjectNode& Root = Doc.Root();
  TObjectNode& Label = *Root.FChildren[0];
  Doc.SetString(Root.FindProperty("Caption")->FValue, "&Form1");
  Doc.SetString(Root.FindProperty("Items.Strings")->FValue.List()->FItems[1], std::string(300, 'x'));
  Doc.SetString(Label.FindProperty("Caption")->FValue, "&Gr\u00F6\u00DFe");
  Doc.InsertProperty(Label, "Hint", TValue(std::string("Tip")));
  const std::string Out = Doc.Render();
  std::string Expected = SampleStream();
  auto Replace = [&](const std::string& Old, const std::string& New) {
    const std::size_t At = Expected.find(Old);
    ASSERT_NE(At, std::string::npos);
    Expected.replace(At, Old.size(), New);
  };
  Replace(Short("Caption") + Str("Form1"), Short("Caption") + Str("&Form1"));
  Replace(Str("Two"), "\x0C" + Le32(300) + std::string(300, 'x'));
  Replace(Wide(u"Gr\u00F6\u00DFe"), Wide(u"&Gr\u00F6\u00DFe") + Short("Hint") + Str("Tip"));
  EXPECT_EQ(Out, Resource(Expected));
  const TDocument Again = Parse(Out);
  EXPECT_EQ(*ValueOf(*Again.Root().FChildren[0], "Caption").String(), "&Gr\u00F6\u00DFe");
  EXPECT_EQ(*ValueOf(*Again.Root().FChildren[0], "Hint").String(), "Tip");
}

struct TBinaryErrorCase {
  const char* FName;
  std::string FBytes;
  std::size_t FOffset;
  const char* FMessage;
};

class BinaryErrorTest : public ::testing::TestWithParam<TBinaryErrorCase> {};

TEST_P(BinaryErrorTest, ReportsTheByteOffset) {
  const TBinaryErrorCase& Case = GetParam();
  try {
    Parse(Case.FBytes, "form.dfm");
    FAIL() << "no error";
  } catch (const EFormFileError& Error) {
    EXPECT_THAT(Error.what(), HasSubstr("form.dfm: byte " + std::to_string(Case.FOffset) + ": " + Case.FMessage));
  }
}

std::string Form(const std::string& Properties) { return "TPF0" + Short("TA") + Short("A") + Properties; }

INSTANTIATE_TEST_SUITE_P(
    Hostile, BinaryErrorTest,
    ::testing::Values(
        TBinaryErrorCase{"Truncated", SampleStream().substr(0, 40), 40, "the property list runs past the end of the form"},
        TBinaryErrorCase{"NoSignature", Resource("TPF1" + Short("TA")), 16, "expected the signature 'TPF0'"},
        TBinaryErrorCase{"BadTag", Form(Short("Left") + "\x63"), 14, "unknown value type 99"},
        TBinaryErrorCase{"StringPastTheEnd", Form(Short("Hint") + "\x0C" + Le32(0xFFFFFFF0u) + "abc"), 15,
                         "a string of 4294967280 bytes runs past the end"},
        TBinaryErrorCase{"HugeWideCount", Form(Short("Hint") + "\x12" + Le32(0x80000000u) + "ab"), 15,
                         "a string of 2147483648 characters runs past the end"},
        TBinaryErrorCase{"ResourceSizePastTheEnd", std::string("\xFF\x0A\x00X\x00\x30\x10", 7) + Le32(999) + "TPF0", 7,
                         "the resource's size (999) runs past the end of the file"},
        TBinaryErrorCase{"ItemWithoutList", Form(Short("C") + std::string("\x0E\x02\x00\x05", 4)), 14, "expected a collection item"},
        TBinaryErrorCase{"DeepValues", Form(Short("V") + std::string(5000, '\x01')), 1012, "values nested too deeply"},
        TBinaryErrorCase{"DeepObjects", Form(kZero) + [] {
          std::string Deep;
          for (int I = 0; I < 10001; ++I) Deep += Short("TB") + kZero + kZero;
          return Deep;
        }(), 10 + 9999 * 5, "objects nested too deeply"}),
    [](const ::testing::TestParamInfo<TBinaryErrorCase>& Info) { return Info.param.FName; });

}  // namespace
}  // namespace keyloom::formfile

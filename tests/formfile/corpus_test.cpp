// Every form file of the shared corpus: read, re-rendered, edited.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "formfile/document_impl.hpp"
#include "formfile/string_codec.hpp"
#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile {
namespace {

namespace fs = std::filesystem;

const char* const kMalformed = "alberteije+T2TiERP-2-Lazarus/Retaguarda/Cliente/Agenda/Tela/UAgendaCompromisso.lfm";

struct TCorpusFile {
  std::string FName;  // relative to the corpus folder
  std::string FBytes;
};

struct TCorpus {
  std::vector<TCorpusFile> FText;
  std::size_t FBinary = 0;
};

const TCorpus* LoadCorpus() {
  static const TCorpus* Corpus = [] () -> const TCorpus* {
    const fs::path Root = KEYLOOM_CORPUS_DIR;
    if (!fs::is_directory(Root)) return nullptr;
    auto* Result = new TCorpus;
    for (const auto& Entry : fs::recursive_directory_iterator(Root)) {
      if (!Entry.is_regular_file()) continue;
      std::string Extension = Entry.path().extension().string();
      std::transform(Extension.begin(), Extension.end(), Extension.begin(), [](unsigned char C) { return std::tolower(C); });
      if (Extension != ".dfm" && Extension != ".lfm") continue;
      std::ifstream Stream(Entry.path(), std::ios::binary);
      std::ostringstream Bytes;
      Bytes << Stream.rdbuf();
      std::string Data = std::move(Bytes).str();
      if (Data.compare(0, 3, std::string("\xFF\x0A\x00", 3)) == 0) {
        ++Result->FBinary;
        continue;
      }
      Result->FText.push_back({fs::relative(Entry.path(), Root).generic_string(), std::move(Data)});
    }
    std::sort(Result->FText.begin(), Result->FText.end(),
              [](const TCorpusFile& A, const TCorpusFile& B) { return A.FName < B.FName; });
    return Result;
  }();
  return Corpus;
}

// Every value in file order, with the name of the property that holds it.
void CollectValues(std::vector<TProperty>& Properties, std::vector<std::pair<std::string_view, TValue*>>& Out);

void CollectValue(std::string_view Name, TValue& Value, std::vector<std::pair<std::string_view, TValue*>>& Out) {
  Out.emplace_back(Name, &Value);
  if (TList* List = Value.List()) {
    for (TValue& Item : List->FItems) CollectValue(Name, Item, Out);
  }
  if (TCollection* Collection = Value.Collection()) {
    for (TCollectionItem& Item : Collection->FItems) CollectValues(Item.FProperties, Out);
  }
}

void CollectValues(std::vector<TProperty>& Properties, std::vector<std::pair<std::string_view, TValue*>>& Out) {
  for (TProperty& Property : Properties) CollectValue(Property.FName, Property.FValue, Out);
}

std::vector<std::pair<std::string_view, TValue*>> AllValues(TDocument& Doc) {
  std::vector<std::pair<std::string_view, TValue*>> Values;
  for (TObjectNode* Node : Doc.Objects()) CollectValues(Node->FProperties, Values);
  return Values;
}

bool IsCaption(std::string_view Name) {
  return Name == "Caption" || (Name.size() > 8 && Name.substr(Name.size() - 8) == ".Caption");
}

class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FCorpus = LoadCorpus();
    if (FCorpus == nullptr) GTEST_SKIP() << "no corpus at " << KEYLOOM_CORPUS_DIR;
  }

  const TCorpus* FCorpus = nullptr;
};

TEST_F(CorpusTest, ReadsEveryTextFileAndRendersItUnchanged) {
  std::size_t Parsed = 0;
  std::size_t Objects = 0;
  bool SawMalformed = false;
  for (const TCorpusFile& File : FCorpus->FText) {
    SCOPED_TRACE(File.FName);
    if (File.FName == kMalformed) {
      SawMalformed = true;
      try {
        TDocument::Parse(File.FBytes, File.FName);
        ADD_FAILURE() << "the malformed file was accepted";
      } catch (const EFormFileError& Error) {
        // Hex data with no property name: the data's first line reads as a
        // name, the second stands where `=` must be.
        EXPECT_EQ(Error.Line(), 91);
        EXPECT_EQ(Error.Column(), 13);
        EXPECT_NE(Error.Message().find("expected '=' after property name"), std::string::npos) << Error.what();
        std::cout << "[ corpus   ] expected error: " << Error.what() << "\n";
      }
      continue;
    }
    try {
      TDocument Doc = TDocument::Parse(File.FBytes, File.FName);
      ++Parsed;
      Objects += Doc.Objects().size();
      EXPECT_EQ(Doc.Render(), File.FBytes);
    } catch (const EFormFileError& Error) {
      ADD_FAILURE() << Error.what();
    }
  }
  EXPECT_TRUE(SawMalformed);
  EXPECT_GT(Parsed, 2000u);
  std::cout << "[ corpus   ] " << Parsed << " text files read (" << Objects << " objects), 1 malformed, "
            << FCorpus->FBinary << " binary files skipped\n";
}

// Writing a string's own value back must give the file's bytes: through the
// editor (reusing each character's spelling), and, as a check of the style
// detection, with every character encoded afresh in the chosen style.
TEST_F(CorpusTest, RewritesEveryStringWithItsOwnValue) {
  std::size_t Strings = 0;
  std::size_t FreshDifferences = 0;
  std::map<std::string, std::size_t> Reasons;
  for (const TCorpusFile& File : FCorpus->FText) {
    if (File.FName == kMalformed) continue;
    SCOPED_TRACE(File.FName);
    TDocument Doc = TDocument::Parse(File.FBytes, File.FName);
    const TDocument::TImpl& Impl = Doc.Impl();
    for (auto [Name, Value] : AllValues(Doc)) {
      if (Value->String() == nullptr) continue;
      ++Strings;
      const std::string Own = *Value->String();
      const detail::TEdit Fresh =
          detail::EncodeStringEdit(Impl.FSource, *Value, Own, Impl.FCounts, Impl.FFileName, /*ReuseOriginal=*/false);
      if (Impl.FSource.compare(Fresh.FBegin, Fresh.FEnd - Fresh.FBegin, Fresh.FText) != 0) {
        ++FreshDifferences;
        // The only known cause: splits that are not at a fixed length, made by
        // hand or by an ANSI writer that kept a double-byte character whole.
        const detail::TStringAnalysis Analysis = detail::AnalyseString(Impl.FSource, Value->FSpan);
        std::vector<std::size_t> Units(Analysis.FSegments.size(), 0);
        for (const detail::TAtom& Atom : Analysis.FAtoms) Units[Atom.FSegment] += Atom.FUnits;
        const bool Irregular =
            Units.size() >= 2 && (std::adjacent_find(Units.begin(), Units.end() - 1, std::not_equal_to<>()) !=
                                      Units.end() - 1 ||
                                  Units.back() > Units.front());
        if (Irregular) {
          ++Reasons["split at irregular places (by hand, or by an ANSI writer keeping double-byte characters whole)"];
        } else {
          ADD_FAILURE() << "line " << Value->FPosition.FLine << ": fresh encoding differs\n  was: "
                        << Impl.FSource.substr(Fresh.FBegin, Fresh.FEnd - Fresh.FBegin) << "\n  now: " << Fresh.FText;
        }
      }
      Doc.SetString(*Value, Own);
    }
    EXPECT_EQ(Doc.Render(), File.FBytes);
    EXPECT_FALSE(Doc.Modified());
  }
  std::cout << "[ corpus   ] " << Strings << " strings rewritten with their own value, all identical; "
            << FreshDifferences << " differ when encoded afresh:\n";
  for (const auto& [Reason, Count] : Reasons) std::cout << "[ corpus   ]   " << Count << " " << Reason << "\n";
  EXPECT_GT(Strings, 50000u);
}

// Bytes outside the given value regions, in order.
std::string Outside(std::string_view Source, const std::vector<TSpan>& Regions) {
  std::string Out;
  std::size_t Cursor = 0;
  for (const TSpan& Region : Regions) {
    Out.append(Source.substr(Cursor, Region.FBegin - Cursor));
    Out.push_back('\x01');
    Cursor = Region.FEnd;
  }
  Out.append(Source.substr(Cursor));
  return Out;
}

TEST_F(CorpusTest, InsertsAnAmpersandIntoEveryCaption) {
  std::size_t Captions = 0;
  std::size_t WithoutLetter = 0;
  for (const TCorpusFile& File : FCorpus->FText) {
    if (File.FName == kMalformed) continue;
    SCOPED_TRACE(File.FName);
    TDocument Doc = TDocument::Parse(File.FBytes, File.FName);
    auto Values = AllValues(Doc);
    std::vector<std::string> Expected;
    std::vector<bool> Edited;
    std::vector<TSpan> OldRegions;
    for (auto [Name, Value] : Values) {
      const std::string* Text = Value->String();
      if (Text == nullptr) continue;
      std::string New = *Text;
      bool Edit = false;
      if (IsCaption(Name)) {
        auto Letter = std::find_if(New.begin(), New.end(), [](unsigned char C) { return std::isalpha(C) != 0; });
        if (Letter == New.end()) {
          ++WithoutLetter;
        } else {
          New.insert(Letter, '&');
          Doc.SetString(*Value, New);
          OldRegions.push_back({Value->FGapBegin, Value->FSpan.FEnd});
          ++Captions;
          Edit = true;
        }
      }
      Expected.push_back(std::move(New));
      Edited.push_back(Edit);
    }
    const std::string Rendered = Doc.Render();
    TDocument Reread = [&] {
      try {
        return TDocument::Parse(Rendered, File.FName);
      } catch (const EFormFileError& Error) {
        ADD_FAILURE() << Error.what();
        return TDocument::Parse("object A: TA\nend\n");
      }
    }();
    auto NewValues = AllValues(Reread);
    ASSERT_EQ(NewValues.size(), Values.size());
    std::vector<TSpan> NewRegions;
    std::size_t StringIndex = 0;
    for (std::size_t I = 0; I < NewValues.size(); ++I) {
      auto [Name, Value] = NewValues[I];
      ASSERT_EQ(Name, Values[I].first);
      ASSERT_EQ(Value->Kind(), Values[I].second->Kind()) << "line " << Value->FPosition.FLine;
      if (Value->String() == nullptr) continue;
      EXPECT_EQ(*Value->String(), Expected[StringIndex]) << "line " << Value->FPosition.FLine;
      if (Edited[StringIndex]) NewRegions.push_back({Value->FGapBegin, Value->FSpan.FEnd});
      ++StringIndex;
    }
    // Only the edited values changed: everything around them is the same.
    ASSERT_EQ(NewRegions.size(), OldRegions.size());
    EXPECT_EQ(Outside(Rendered, NewRegions), Outside(File.FBytes, OldRegions));
  }
  std::cout << "[ corpus   ] " << Captions << " captions given an '&', re-read and compared; " << WithoutLetter
            << " without a letter left alone\n";
  EXPECT_GT(Captions, 10000u);
}

}  // namespace
}  // namespace keyloom::formfile

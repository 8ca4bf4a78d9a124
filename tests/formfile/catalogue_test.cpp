#include "keyloom/formfile/catalogue.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "keyloom/support/files.hpp"

namespace keyloom::formfile {
namespace {

const char* const Header =
    "# A translator's comment\n"
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Language: ru\\n\"\n"
    "\n";

TEST(TranslationCatalogueTest, ChangesOnlyTheStringsItWrites) {
  struct TCase {
    const char* Name;
    std::string Entry;   // after the header
    const char* Key;
    const char* NewText;
    std::string Expected;  // the entry after the edit
  };
  const TCase Cases[] = {
      {"one line", "#: tform1.button1.caption\nmsgid \"Open\"\nmsgstr \"Открыть\"\n", "TForm1.Button1.Caption",
       "&Открыть", "#: tform1.button1.caption\nmsgid \"Open\"\nmsgstr \"&Открыть\"\n"},
      {"a marker moves between the lines of a wrapped entry",
       "#: tform1.label1.caption\nmsgid \"\"\n\"Long \"\n\"text\"\nmsgstr \"\"\n\"Lan&ger \"\n\"Text \\\"x\\\"\"\n",
       "tform1.label1.caption", "Langer &Text \"x\"",
       "#: tform1.label1.caption\nmsgid \"\"\n\"Long \"\n\"text\"\nmsgstr \"\"\n\"Langer \"\n\"&Text \\\"x\\\"\"\n"},
      {"more than markers change: the first string with text takes it",
       "#: tform1.label1.caption\nmsgid \"A\"\nmsgstr \"\"\n\"B \"\n\"C\"\n", "tform1.label1.caption", "B C (&X)",
       "#: tform1.label1.caption\nmsgid \"A\"\nmsgstr \"\"\n\"B C (&X)\"\n\"\"\n"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Tail = "\n#, fuzzy\n#: tform1.x.caption\nmsgid \"X\"\nmsgstr \"Y\"\n\n#~ msgid \"old\"\n";
    TCatalogue Catalogue = TCatalogue::Parse(Header + C.Entry + Tail, "app.ru.po");
    EXPECT_EQ(Catalogue.Language(), "ru");
    const int Entry = Catalogue.Find(C.Key);
    ASSERT_GE(Entry, 0);
    EXPECT_EQ(Catalogue.Render(), Catalogue.Source());
    Catalogue.SetTranslation(Entry, C.NewText);
    EXPECT_EQ(Catalogue.Entries()[static_cast<std::size_t>(Entry)].Translation, C.NewText);
    EXPECT_EQ(Catalogue.Render(), Header + C.Expected + Tail);
    EXPECT_FALSE(Catalogue.Entries()[static_cast<std::size_t>(Catalogue.Find("tform1.x.caption"))].Translated());
  }
}

TEST(TranslationCatalogueTest, SyntaxErrorsNameLineAndColumn) {
  struct TCase {
    const char* Source;
    int Line, Column;
  };
  const TCase Cases[] = {
      {"msgid \"a\"\nmsgstr \"b\n", 2, 8},
      {"msgid \"a\"\nmsgstr \"\\q\"\n", 2, 9},
      {"msgid \"a\"\nmsgtxt \"b\"\n", 2, 1},
      {"msgstr \"b\"\n", 1, 1},
      {"msgid \"a\"\n", 1, 1},
      {"msgid \"a\" x\nmsgstr \"\"\n", 1, 11},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Source);
    try {
      (void)TCatalogue::Parse(C.Source, "x.po");
      ADD_FAILURE() << "no error";
    } catch (const ECatalogueError& E) {
      EXPECT_EQ(E.Line(), C.Line);
      EXPECT_EQ(E.Column(), C.Column);
    }
  }
}

// Every catalogue of the corpus reads, comes back byte for byte, and names form texts.
TEST(TranslationCatalogueTest, CorpusCataloguesReadAndRoundTrip) {
  const std::filesystem::path Folder = std::filesystem::path(KEYLOOM_CORPUS_DIR) / "doublecmd+doublecmd" / "language";
  if (!std::filesystem::exists(Folder)) GTEST_SKIP() << "no catalogues at " << Folder;
  int Read = 0;
  for (const auto& File : std::filesystem::directory_iterator(Folder)) {
    if (File.path().extension() != ".po") continue;
    SCOPED_TRACE(File.path().string());
    const TCatalogue Catalogue = TCatalogue::LoadFromFile(File.path().string());
    EXPECT_EQ(Catalogue.Render(), Catalogue.Source());
    EXPECT_FALSE(Catalogue.Language().empty());
    EXPECT_GE(Catalogue.Find("tfrmfinddlg.cbselectedfiles.caption"), 0);
    EXPECT_GT(Catalogue.Entries().size(), 1000u);
    ++Read;
  }
  EXPECT_EQ(Read, 8);
}

}  // namespace
}  // namespace keyloom::formfile

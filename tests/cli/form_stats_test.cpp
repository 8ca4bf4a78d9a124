// The figures of keyloom stats on small forms whose numbers are worked out by
// hand: what shows together, what clashes, what could at most be covered.

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/host.hpp>

#include <keyloom/stats.hpp>

#include <gtest/gtest.h>

#include "support/two_panels_form.hpp"

#include <random>
#include <string>
#include <vector>

namespace keyloom::stats {
namespace {

struct TExpected {
  std::size_t Eligible, Covered, Clashes, Marked, FirstLetters, Maximum;
};

void ExpectFigures(const TCaptionStats& S, const TExpected& E, const std::string& Context) {
  EXPECT_EQ(S.Eligible, E.Eligible) << Context;
  EXPECT_EQ(S.Covered, E.Covered) << Context;
  EXPECT_EQ(S.Clashes, E.Clashes) << Context;
  EXPECT_EQ(S.Marked, E.Marked) << Context;
  EXPECT_EQ(S.FirstLetters, E.FirstLetters) << Context;
  EXPECT_EQ(S.Maximum, E.Maximum) << Context;
}

// A form file: lines of "object Name: TClass" with "Caption = ..." and other
// properties, indented by two spaces a level; "end" closes.
TCaptionStats Measure(const std::string& Text, bool Run, const TKeyOptions& Options = {}) {
  auto Form = LoadFormForKeys(formfile::TDocument::Parse(Text, "form.dfm"));
  TKeySettings Settings;
  Settings.Options = Options;
  return MeasureForm(*Form, Settings, Run);
}

using keyloom::test::TwoPanels;

TEST(FormStatsTest, SiblingGroupsOnTwoPanelsClashInTheWindow) {
  // As it stands: nothing marked; both could differ (O and p, among others).
  ExpectFigures(Measure(TwoPanels, false), {2, 0, 0, 0, 0, 2}, "as is");
  // Each panel alone: both take O, which the window shows twice.
  ExpectFigures(Measure(TwoPanels, true), {2, 0, 1, 2, 2, 2}, "siblings");
  // Judged on the window, they must differ: '&Open' (fewer letters, first) and 'O&ptions'.
  TKeyOptions Window;
  Window.Scope = TKeyScope::ksWindow;
  ExpectFigures(Measure(TwoPanels, true, Window), {2, 2, 0, 2, 1, 2}, "window");
}

TEST(FormStatsTest, IneligibleCaptionsClashButAreNotCounted) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object bOK: TButton\n"
      "    Caption = '&OK'\n"
      "    Default = True\n"
      "  end\n"
      "  object bOpen: TButton\n"
      "    Caption = '&Open'\n"
      "  end\n"
      "  object bSep: TButton\n"
      "    Caption = '...'\n"
      "  end\n"
      "  object Panel1: TPanel\n"
      "    Caption = 'Panel'\n"
      "  end\n"
      "end\n";
  // OK is a default button, '...' has no letter, the panel shows its name: only Open counts.
  // Its O is also OK's, so it is not covered, though another letter would do.
  ExpectFigures(Measure(Text, false), {1, 0, 1, 1, 1, 1}, "as is");
}

TEST(FormStatsTest, AnAppendedLetterDoesNotMakeACaptionEligible) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object Button1: TButton\n"
      "    Caption = '- (&O)'\n"
      "  end\n"
      "  object Button2: TButton\n"
      "    Caption = '&Open'\n"
      "  end\n"
      "  object Button3: TButton\n"
      "    Caption = '\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB(&F)'\n"  // Файл(&F)
      "  end\n"
      "  object Button4: TButton\n"
      "    Caption = '90 (&D) '\n"
      "  end\n"
      "end\n";
  // '- (&O)' and '90 (&D) ' have no letter of their own, but the marker of
  // the first shows: it clashes with Open.
  ExpectFigures(Measure(Text, false), {2, 1, 1, 2, 1, 2}, "as is");
}

TEST(FormStatsTest, SubmenusArePrivateTheMenuBarShowsWithTheControls) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object MainMenu1: TMainMenu\n"
      "    object miFile: TMenuItem\n"
      "      Caption = '&File'\n"
      "      object miFax: TMenuItem\n"
      "        Caption = '&Fax'\n"
      "      end\n"
      "      object miPrint: TMenuItem\n"
      "        Caption = 'P&rint'\n"
      "      end\n"
      "    end\n"
      "  end\n"
      "  object bFind: TButton\n"
      "    Caption = '&Find'\n"
      "  end\n"
      "end\n";
  // File and Find share F in the window; Fax is alone with Print in its submenu.
  ExpectFigures(Measure(Text, false), {4, 2, 1, 4, 3, 4}, "as is");
}

TEST(FormStatsTest, PagesOfAPageControlNeedNotDiffer) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object PageControl1: TPageControl\n"
      "    object TabSheet1: TTabSheet\n"
      "      Caption = 'General'\n"
      "      object Button1: TButton\n"
      "        Caption = '&Open'\n"
      "      end\n"
      "    end\n"
      "    object TabSheet2: TTabSheet\n"
      "      Caption = 'Advanced'\n"
      "      object Button2: TButton\n"
      "        Caption = '&Open'\n"
      "      end\n"
      "    end\n"
      "  end\n"
      "end\n";
  ExpectFigures(Measure(Text, false), {4, 2, 0, 2, 2, 4}, "as is");
}

TEST(FormStatsTest, CaptionsInOtherAlphabetsAreEligibleAndNativeLettersRaiseTheMaximum) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object Button1: TButton\n"
      "    Caption = '\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB'\n"  // Файл
      "  end\n"
      "  object Button2: TButton\n"
      "    Caption = '&Open'\n"
      "  end\n"
      "end\n";
  TKeyOptions Options;
  ExpectFigures(Measure(Text, false, Options), {2, 1, 0, 1, 1, 1}, "skip");
  Options.NonLatin = TNonLatinMode::nlNative;
  ExpectFigures(Measure(Text, false, Options), {2, 1, 0, 1, 1, 2}, "native");
  Options.NonLatin = TNonLatinMode::nlAppend;
  ExpectFigures(Measure(Text, false, Options), {2, 1, 0, 1, 1, 2}, "append");
}

TEST(FormStatsTest, CyrillicMarkersAreReadAsLettersWhateverTheMode) {
  // '&Файл' and '&Фото': the same letter, which shares its first byte with
  // many others; '&Выход' another letter with the same first byte.
  const char* const Text =
      "object Form1: TForm\n"
      "  object Button1: TButton\n"
      "    Caption = '&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB'\n"
      "  end\n"
      "  object Button2: TButton\n"
      "    Caption = '&\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE'\n"
      "  end\n"
      "  object Button3: TButton\n"
      "    Caption = '&\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4'\n"
      "  end\n"
      "end\n";
  // Without native letters each can only keep its own marker, and two of them are the same.
  ExpectFigures(Measure(Text, false), {3, 1, 1, 3, 3, 2}, "as is");
}

TEST(FormStatsTest, ReservedLettersLowerTheMaximum) {
  const char* const Text =
      "object Form1: TForm\n"
      "  object Button1: TButton\n"
      "    Caption = 'Go'\n"
      "  end\n"
      "  object Button2: TButton\n"
      "    Caption = 'Og'\n"
      "  end\n"
      "  object Button3: TButton\n"
      "    Caption = 'Xo'\n"
      "  end\n"
      "end\n";
  TKeyOptions Options;
  ExpectFigures(Measure(Text, false, Options), {3, 0, 0, 0, 0, 3}, "none reserved");
  Options.ReservedLetters = "x";
  ExpectFigures(Measure(Text, false, Options), {3, 0, 0, 0, 0, 2}, "X reserved");
}

TEST(FormStatsTest, LettersOfAnyScript) {
  struct TCase {
    const char* Text;
    bool Expected;
  };
  for (const TCase& C : std::vector<TCase>{{"", false},
                                           {"...", false},
                                           {"- 1 2 3 -", false},
                                           {"a", true},
                                           {"1st", true},
                                           {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB", true},  // Cyrillic
                                           {"\xCE\x91\xCE\xB2", true},                  // Greek
                                           {"\xE6\x97\xA5\xE6\x9C\xAC", true},          // CJK
                                           {"\xC3\xA9", true},                          // é in UTF-8
                                           {"\xE9", true},                              // é in the Western code page
                                           {"\x97 \xD7", false},                        // dash and times there
                                           {"\xE2\x86\x92 \xE2\x82\xAC", false},        // arrow, euro sign
                                           {"\xCC\x81", false},                         // a lone combining accent
                                           {"\xF0\x9F\x98\x80", false}})                // emoji
    EXPECT_EQ(HasLetterOfAnyScript(C.Text), C.Expected) << C.Text;
}

TEST(FormStatsTest, WordStarts) {
  struct TCase {
    const char* Caption;
    bool Expected;
  };
  for (const TCase& C : std::vector<TCase>{{"&Open", true},
                                           {"O&pen", false},
                                           {"Save &As", true},
                                           {"Save&As", false},
                                           {"Save\t&As", true},
                                           {"A&&&B", false},
                                           {"&&A", false},
                                           {"Open", false},
                                           {"Open&", false},
                                           {"Tools (&T)", false}})
    EXPECT_EQ(MarksWordStart(C.Caption), C.Expected) << C.Caption;
}

TEST(FormStatsTest, TotalsAddUp) {
  TCaptionStats A{3, 2, 1, 2, 1, 3};
  const TCaptionStats B{4, 1, 0, 3, 3, 4};
  A += B;
  ExpectFigures(A, {7, 3, 1, 5, 4, 7}, "sum");
}

// Against the pairs themselves, on random regions (some never together with
// others, as pages are, some not even with themselves) and holders.
TEST(FormStatsTest, PairsShownTogetherAreCountedAsPairByPairWould) {
  std::mt19937 Random(11);
  for (int Round = 0; Round < 500; ++Round) {
    const int Regions = 1 + static_cast<int>(Random() % 6);
    std::vector<std::uint8_t> Together(static_cast<std::size_t>(Regions * Regions));
    for (int A = 0; A < Regions; ++A)
      for (int B = A; B < Regions; ++B)
        Together[static_cast<std::size_t>(A * Regions + B)] = Together[static_cast<std::size_t>(B * Regions + A)] =
            Random() % 4 != 0;
    TKeyScopeGroup Scope;
    Scope.SetRegions(Regions, Together);
    const std::size_t Nodes = 1 + Random() % 40;
    for (std::size_t I = 0; I < Nodes; ++I) Scope.Region.push_back(static_cast<int>(Random() % static_cast<unsigned>(Regions)));
    std::vector<std::size_t> Holders;
    for (std::size_t I = 0; I < Nodes; ++I)
      if (Random() % 2) Holders.push_back(I);
    std::size_t ExpectedPairs = 0;
    std::vector<bool> ExpectedShared(Nodes, false);
    for (std::size_t A = 0; A < Holders.size(); ++A)
      for (std::size_t B = A + 1; B < Holders.size(); ++B)
        if (Scope.VisibleTogether(Holders[A], Holders[B])) {
          ++ExpectedPairs;
          ExpectedShared[Holders[A]] = ExpectedShared[Holders[B]] = true;
        }
    std::vector<bool> Shared(Nodes, false);
    EXPECT_EQ(CountPairsShownTogether(Scope, Holders, Shared), ExpectedPairs) << "round " << Round;
    EXPECT_EQ(Shared, ExpectedShared) << "round " << Round;
  }
}

}  // namespace
}  // namespace keyloom::stats

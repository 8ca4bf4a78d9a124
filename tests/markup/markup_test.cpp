#include "keyloom/markup.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace keyloom {
namespace {

struct TMarkupCase {
  std::string Caption;
  std::string Stripped;
  std::string Accelerator;
  bool Marked;
  int Length;
  int UniqueLetters;
};

class MarkupTable : public ::testing::TestWithParam<TMarkupCase> {};

TEST_P(MarkupTable, ReadsStripsAndMeasures) {
  const TMarkupCase& Case = GetParam();
  EXPECT_EQ(DeleteAccelerator(Case.Caption), Case.Stripped);
  EXPECT_EQ(GetAccelerator(Case.Caption), Case.Accelerator);
  EXPECT_EQ(HasAccelerator(Case.Caption), Case.Marked);
  EXPECT_EQ(AcceleratorLength(Case.Caption), Case.Length);
  EXPECT_EQ(GetUniqueLetterCount(Case.Caption), Case.UniqueLetters);
}

INSTANTIATE_TEST_SUITE_P(Captions, MarkupTable,
                         ::testing::Values(TMarkupCase{"E&xit", "Exit", "x", true, 4, 4},
                                           TMarkupCase{"&File", "File", "F", true, 4, 4},
                                           TMarkupCase{"Exit", "Exit", "", false, 4, 4},
                                           TMarkupCase{"", "", "", false, 0, 0},
                                           TMarkupCase{"A&b&c", "Abc", "c", true, 3, 3},
                                           TMarkupCase{"Ready&", "Ready", "", true, 5, 5},
                                           TMarkupCase{"Save && Exit", "Save && Exit", "", false, 12, 7},
                                           TMarkupCase{"&Save && Exit", "Save && Exit", "S", true, 12, 7},
                                           TMarkupCase{"R&&&D", "R&&D", "D", true, 4, 2},
                                           TMarkupCase{"Aa", "Aa", "", false, 2, 1},
                                           TMarkupCase{"File 1", "File 1", "", false, 6, 4},
                                           TMarkupCase{"[Ok]", "[Ok]", "", false, 4, 4},
                                           // Runs of ampersands pair up from the left.
                                           TMarkupCase{"&&&&", "&&&&", "", false, 4, 0},
                                           TMarkupCase{"&&&", "&&", "", true, 2, 0},
                                           TMarkupCase{"&", "", "", true, 0, 0},
                                           TMarkupCase{"&&x", "&&x", "", false, 3, 1},
                                           TMarkupCase{"&1", "1", "1", true, 1, 0},
                                           // The 0x80 inside an ellipsis is no letter.
                                           TMarkupCase{"Open\xE2\x80\xA6", "Open\xE2\x80\xA6", "", false, 7, 4},
                                           // ...judged without the marker that splits it.
                                           TMarkupCase{"\xC2&\x80", "\xC2\x80", "\x80", true, 2, 0}));

TEST(Words, SplitOnlyOnTheFourSeparators) {
  const std::string Caption = " Save  as\tnew ";
  EXPECT_EQ(WordCount(Caption), 3);
  EXPECT_EQ(GetWord(Caption, 1), "Save");
  EXPECT_EQ(GetWord(Caption, 2), "as");
  EXPECT_EQ(GetWord(Caption, 3), "new");
  EXPECT_EQ(GetWord(Caption, 0), "");
  EXPECT_EQ(GetWord(Caption, 4), "");
  EXPECT_EQ(GetWord(Caption, -1), "");

  EXPECT_EQ(WordCount("   "), 0);
  EXPECT_EQ(GetWord("   ", 1), "");
  EXPECT_EQ(WordCount(""), 0);
  EXPECT_EQ(GetWord("", 1), "");

  EXPECT_EQ(GetWord("E&xit now", 1), "E&xit");
  EXPECT_EQ(GetWord("a-b c", 1), "a-b");
  EXPECT_EQ(WordCount("one\r\ntwo\nthree"), 3);
  EXPECT_EQ(GetWord("one\r\ntwo\nthree", 3), "three");
  // Other control characters are word characters.
  EXPECT_EQ(WordCount("a\vb\fc"), 1);
}

TEST(Letters, RangeIsInclusiveAt0x41And0x80) {
  EXPECT_FALSE(IsLetter('\x40'));
  EXPECT_TRUE(IsLetter('\x41'));
  EXPECT_TRUE(IsLetter('['));
  EXPECT_TRUE(IsLetter('`'));
  EXPECT_TRUE(IsLetter('~'));
  EXPECT_TRUE(IsLetter('\x7F'));
  EXPECT_TRUE(IsLetter('\x80'));
  EXPECT_FALSE(IsLetter('\x81'));
  EXPECT_FALSE(IsLetter('\xE9'));
  EXPECT_FALSE(IsLetter('&'));
  EXPECT_FALSE(IsLetter('5'));
  EXPECT_FALSE(IsLetter(' '));
}

TEST(Letters, OnlyAsciiLettersFoldCase) {
  EXPECT_TRUE(SameLetter('a', 'A'));
  EXPECT_TRUE(SameLetter('Z', 'z'));
  EXPECT_TRUE(SameLetter('[', '['));
  EXPECT_FALSE(SameLetter('a', 'b'));
  // Neighbours of the case ranges must not fold onto each other.
  EXPECT_FALSE(SameLetter('@', '`'));
  EXPECT_FALSE(SameLetter('[', '{'));
  EXPECT_FALSE(SameLetter('\xC9', '\xE9'));
  EXPECT_EQ(LetterKey('Q'), 'q');
  EXPECT_EQ(LetterKey('q'), 'q');
  EXPECT_EQ(LetterKey('\x80'), '\x80');
}

TEST(Letters, ContinuationByteOfUtf8IsNoLetter) {
  const std::string Agrave = "\xC3\x80";  // U+00C0
  EXPECT_FALSE(IsLetterAt(Agrave, 0));
  EXPECT_FALSE(IsLetterAt(Agrave, 1));

  EXPECT_TRUE(IsLetterAt("\x80", 0));
  EXPECT_TRUE(IsLetterAt("a\x80z", 1));
  EXPECT_TRUE(IsLetterAt("a\x80z", 0));
  EXPECT_FALSE(IsLetterAt("a\x80z", 3));  // past the end

  // A second continuation byte is not covered by a two-byte lead.
  EXPECT_TRUE(IsLetterAt("\xC3\x80\x80", 2));
  // Truncated or malformed sequences leave the byte alone.
  EXPECT_TRUE(IsLetterAt("\xE2\x80", 1));
  EXPECT_TRUE(IsLetterAt("\xE2\x80x", 1));
  EXPECT_TRUE(IsLetterAt("\xC0\x80", 1));      // overlong NUL
  EXPECT_TRUE(IsLetterAt("\xE0\x80\x80", 1));  // overlong
  EXPECT_TRUE(IsLetterAt("\xED\xA0\x80", 2));  // surrogate
  EXPECT_TRUE(IsLetterAt("\xF4\x90\x80\x80", 2));  // past U+10FFFF

  // Three- and four-byte characters, at every continuation position.
  const std::string ThreeByte = "x\xE2\x80\x80y";  // U+2000
  EXPECT_FALSE(IsLetterAt(ThreeByte, 2));
  EXPECT_FALSE(IsLetterAt(ThreeByte, 3));
  EXPECT_TRUE(IsLetterAt(ThreeByte, 4));
  const std::string FourByte = "\xF0\x90\x80\x80";  // U+10000
  EXPECT_FALSE(IsLetterAt(FourByte, 1));
  EXPECT_FALSE(IsLetterAt(FourByte, 2));
  EXPECT_FALSE(IsLetterAt(FourByte, 3));
  // Four continuation bytes: the last one is beyond any lead's reach.
  EXPECT_TRUE(IsLetterAt("\xF0\x90\x80\x80\x80", 4));
}

TEST(LetterSet, MembershipIgnoresCase) {
  TLetterSet Used;
  EXPECT_TRUE(Used.Empty());
  EXPECT_FALSE(Used.Contains('a'));
  Used.Add('A');
  EXPECT_TRUE(Used.Contains('a'));
  EXPECT_TRUE(Used.Contains('A'));
  EXPECT_FALSE(Used.Contains('b'));
  Used.Add('a');
  EXPECT_EQ(Used.Count(), 1);
  Used.Add('\x80');
  Used.Add('`');
  EXPECT_TRUE(Used.Contains('\x80'));
  EXPECT_FALSE(Used.Contains('@'));
  EXPECT_EQ(Used.Count(), 3);
}

std::vector<std::string> SplitOnSeparators(const std::string& Caption) {
  std::vector<std::string> Words;
  std::string Current;
  for (const char C : Caption) {
    if (C == ' ' || C == '\t' || C == '\n' || C == '\r') {
      if (!Current.empty()) Words.push_back(Current);
      Current.clear();
    } else {
      Current += C;
    }
  }
  if (!Current.empty()) Words.push_back(Current);
  return Words;
}

// A straightforward reading of the markup rules, to check the scanning
// implementation against.
std::string ReferenceStrip(const std::string& Caption) {
  std::string Result;
  for (std::size_t I = 0; I < Caption.size(); ++I) {
    if (Caption[I] != '&') {
      Result += Caption[I];
    } else if (I + 1 < Caption.size() && Caption[I + 1] == '&') {
      Result += "&&";
      ++I;
    }
  }
  return Result;
}

// Walks the positions but the last: a pair is stepped over, any other
// ampersand remembers the character after it.
std::string ReferenceAccelerator(const std::string& Caption) {
  std::string Result;
  std::size_t I = 0;
  while (I + 1 < Caption.size()) {
    if (Caption[I] == '&' && Caption[I + 1] == '&') {
      I += 2;
      continue;
    }
    if (Caption[I] == '&') Result = std::string(1, Caption[I + 1]);
    ++I;
  }
  return Result;
}

TEST(Markup, InvariantsHoldOnRandomCaptions) {
  const char Alphabet[] = {'&', 'a', 'B', ' ', '1', '\x80'};
  std::mt19937 Random(20240611u);
  std::uniform_int_distribution<int> PickLength(0, 12);
  std::uniform_int_distribution<int> PickChar(0, sizeof(Alphabet) - 1);

  for (int Round = 0; Round < 5000; ++Round) {
    std::string Caption;
    const int Length = PickLength(Random);
    for (int I = 0; I < Length; ++I) Caption += Alphabet[PickChar(Random)];
    SCOPED_TRACE("caption '" + Caption + "'");

    const std::string Stripped = DeleteAccelerator(Caption);
    EXPECT_EQ(Stripped, ReferenceStrip(Caption));
    EXPECT_EQ(HasAccelerator(Caption), !Caption.empty() && Stripped != Caption);
    EXPECT_EQ(AcceleratorLength(Caption), static_cast<int>(Stripped.size()));
    EXPECT_EQ(GetUniqueLetterCount(Caption), GetUniqueLetterCount(Stripped));
    // What remains is literal pairs and plain characters, which strip to themselves.
    EXPECT_EQ(DeleteAccelerator(Stripped), Stripped);
    EXPECT_FALSE(HasAccelerator(Stripped));

    std::set<char> Letters;
    for (const char C : Caption)
      if (IsLetter(C)) Letters.insert(LetterKey(C));
    EXPECT_EQ(GetUniqueLetterCount(Caption), static_cast<int>(Letters.size()));

    const std::string Accelerator = GetAccelerator(Caption);
    EXPECT_EQ(Accelerator, ReferenceAccelerator(Caption));
    if (!Accelerator.empty()) {
      EXPECT_TRUE(HasAccelerator(Caption));
    }

    const std::vector<std::string> Words = SplitOnSeparators(Caption);
    ASSERT_EQ(WordCount(Caption), static_cast<int>(Words.size()));
    for (std::size_t I = 0; I < Words.size(); ++I)
      EXPECT_EQ(GetWord(Caption, static_cast<int>(I) + 1), Words[I]);
    EXPECT_EQ(GetWord(Caption, static_cast<int>(Words.size()) + 1), "");
  }
}

}  // namespace
}  // namespace keyloom

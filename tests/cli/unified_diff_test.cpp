#include <keyloom/formfile/unified_diff.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace keyloom::formfile {
namespace {

std::size_t LcsLength(const std::vector<std::string_view>& A, const std::vector<std::string_view>& B) {
  std::vector<std::vector<std::size_t>> T(A.size() + 1, std::vector<std::size_t>(B.size() + 1, 0));
  for (std::size_t I = A.size(); I-- > 0;)
    for (std::size_t J = B.size(); J-- > 0;)
      T[I][J] = A[I] == B[J] ? T[I + 1][J + 1] + 1 : std::max(T[I + 1][J], T[I][J + 1]);
  return T[0][0];
}

// Replays the script: every old line is kept or deleted in order, every new
// line kept or inserted in order, and kept lines are equal.
void ExpectValidScript(const std::vector<std::string_view>& Old, const std::vector<std::string_view>& New,
                       const std::vector<TDiffEdit>& Edits) {
  std::size_t I = 0, J = 0, Changes = 0;
  for (const TDiffEdit& E : Edits) {
    switch (E.FOp) {
      case TDiffOp::Equal:
        ASSERT_EQ(E.FOld, I);
        ASSERT_EQ(E.FNew, J);
        ASSERT_EQ(Old[I], New[J]);
        ++I, ++J;
        break;
      case TDiffOp::Delete:
        ASSERT_EQ(E.FOld, I);
        ++I, ++Changes;
        break;
      case TDiffOp::Insert:
        ASSERT_EQ(E.FNew, J);
        ++J, ++Changes;
        break;
    }
  }
  EXPECT_EQ(I, Old.size());
  EXPECT_EQ(J, New.size());
  // Shortest: exactly the lines outside a longest common subsequence.
  EXPECT_EQ(Changes, Old.size() + New.size() - 2 * LcsLength(Old, New));
}

TEST(UnifiedDiffTest, SplitLinesKeepsLineEnds) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a\r\n", "b\n", "c"}));
  EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string_view>{"a\n", "\n"}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(UnifiedDiffTest, RandomScriptsAreValidAndShortest) {
  std::mt19937 Random(20240611);
  const std::vector<std::string> Alphabet = {"a\n", "b\n", "c\n", "d\n"};
  for (int Round = 0; Round < 2000; ++Round) {
    std::vector<std::string_view> Old, New;
    const int OldSize = static_cast<int>(Random() % 14);
    const int NewSize = static_cast<int>(Random() % 14);
    // Few letters make many repeats, where a diff most easily goes wrong.
    for (int I = 0; I < OldSize; ++I) Old.push_back(Alphabet[Random() % Alphabet.size()]);
    for (int I = 0; I < NewSize; ++I) New.push_back(Alphabet[Random() % Alphabet.size()]);
    SCOPED_TRACE("round " + std::to_string(Round));
    ExpectValidScript(Old, New, DiffLines(Old, New));
    if (HasFatalFailure()) return;
  }
}

TEST(UnifiedDiffTest, EqualTextsGiveNothing) { EXPECT_EQ(UnifiedDiff("a\nb\n", "a\nb\n", "a/f", "b/f"), ""); }

TEST(UnifiedDiffTest, OneChangedLineWithThreeLinesOfContext) {
  const std::string Old = "1\n2\n3\n4\n5\n6\n7\n8\n9\n";
  const std::string New = "1\n2\n3\n4\nFIVE\n6\n7\n8\n9\n";
  EXPECT_EQ(UnifiedDiff(Old, New, "a/f.dfm", "b/f.dfm"),
            "--- a/f.dfm\t\n+++ b/f.dfm\t\n"
            "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+FIVE\n 6\n 7\n 8\n");
}

TEST(UnifiedDiffTest, ChangesCloseTogetherShareAHunkAndFarOnesDoNot) {
  std::string Old;
  for (int I = 1; I <= 30; ++I) Old += std::to_string(I) + "\n";
  std::string Near = Old, Far = Old;
  // Six unchanged lines between changes still join (twice the context); seven split.
  auto Replace = [](std::string& Text, const std::string& Line, const std::string& By) {
    Text.replace(Text.find("\n" + Line + "\n") + 1, Line.size(), By);
  };
  Replace(Near, "5", "x");
  Replace(Near, "12", "y");
  Replace(Far, "5", "x");
  Replace(Far, "13", "y");
  const std::string NearDiff = UnifiedDiff(Old, Near, "a", "b");
  const std::string FarDiff = UnifiedDiff(Old, Far, "a", "b");
  EXPECT_NE(NearDiff.find("@@ -2,14 +2,14 @@\n"), std::string::npos) << NearDiff;
  EXPECT_EQ(std::count(NearDiff.begin(), NearDiff.end(), '@'), 4);
  EXPECT_NE(FarDiff.find("@@ -2,7 +2,7 @@\n"), std::string::npos) << FarDiff;
  EXPECT_NE(FarDiff.find("@@ -10,7 +10,7 @@\n"), std::string::npos) << FarDiff;
}

TEST(UnifiedDiffTest, KeepsCrLfAndMarksAMissingFinalNewline) {
  EXPECT_EQ(UnifiedDiff("a\r\nb\r\nend", "a\r\nB\r\nend", "a", "b"),
            "--- a\t\n+++ b\t\n@@ -1,3 +1,3 @@\n a\r\n-b\r\n+B\r\n end\n\\ No newline at end of file\n");
  EXPECT_EQ(UnifiedDiff("x", "x\n", "a", "b"), "--- a\t\n+++ b\t\n@@ -1 +1 @@\n-x\n\\ No newline at end of file\n+x\n");
}

TEST(UnifiedDiffTest, EmptySidesUseLineZero) {
  EXPECT_EQ(UnifiedDiff("", "a\nb\n", "a", "b"), "--- a\t\n+++ b\t\n@@ -0,0 +1,2 @@\n+a\n+b\n");
  EXPECT_EQ(UnifiedDiff("a\n", "", "a", "b"), "--- a\t\n+++ b\t\n@@ -1 +0,0 @@\n-a\n");
  EXPECT_EQ(UnifiedDiff("a\nb\n", "a\nc\nb\n", "a", "b"), "--- a\t\n+++ b\t\n@@ -1,2 +1,3 @@\n a\n+c\n b\n");
}

TEST(UnifiedDiffTest, LargeInputsWithManyChangesStayCorrect) {
  // Every line differs: the distance is as large as it gets.
  std::string Old, New;
  for (int I = 0; I < 3000; ++I) {
    Old += "old " + std::to_string(I) + "\n";
    New += "new " + std::to_string(I) + "\n";
  }
  const auto OldLines = SplitLines(Old);
  const auto NewLines = SplitLines(New);
  const auto Edits = DiffLines(OldLines, NewLines);
  EXPECT_EQ(std::count_if(Edits.begin(), Edits.end(), [](const TDiffEdit& E) { return E.FOp == TDiffOp::Equal; }), 0);
  EXPECT_EQ(Edits.size(), 6000u);
}

}  // namespace
}  // namespace keyloom::formfile

namespace keyloom::formfile {
namespace {

TEST(UnifiedDiffOrder, AChangedLineShowsWhatGoesBeforeWhatComes) {
  EXPECT_EQ(UnifiedDiff("a\nb\nc\nd\n", "a\nB\nc\nD\n", "a/f", "b/f"),
            "--- a/f\t\n+++ b/f\t\n@@ -1,4 +1,4 @@\n a\n-b\n+B\n c\n-d\n+D\n");
  EXPECT_EQ(UnifiedDiff("x\ny\n", "X\nY\n", "a/f", "b/f"), "--- a/f\t\n+++ b/f\t\n@@ -1,2 +1,2 @@\n-x\n-y\n+X\n+Y\n");
}

}  // namespace
}  // namespace keyloom::formfile

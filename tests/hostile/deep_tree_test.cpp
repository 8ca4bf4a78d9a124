// Working trees far deeper than any form file may nest: every stage walks
// them without recursion, so that no depth can exhaust the stack.

#include <keyloom/caption_check.hpp>
#include <keyloom/default_lists.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keyloom {
namespace {

constexpr int Depth = 200000;

class DeepTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CaptionClasses.Assign(std::vector<std::string>(DefaultCaptionClasses.begin(), DefaultCaptionClasses.end()));
    NoCaptionClasses.Assign(std::vector<std::string>(DefaultNoCaptionClasses.begin(), DefaultNoCaptionClasses.end()));
    // A chain of buttons, each the only child of the one above, marking the
    // letters a to t in turn; one in the middle has no letter yet.
    TTreeNode* Parent = nullptr;
    for (int I = 0; I < Depth; ++I) {
      const std::string Text = I == Depth / 2 ? "Xylophone" : "&" + std::string(1, static_cast<char>('a' + I % 20));
      Parent = Tree.GetItems().AddChildObject(Parent, Text, &Button);
    }
  }

  TForm Form{nullptr};
  TButton& Button = *new TButton(&Form);
  TTreeView Tree{nullptr};
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
};

TEST_F(DeepTreeTest, TheCheckWalksAnyDepth) {
  const std::vector<TCaptionProblem> Problems =
      CheckCaptions(Tree, CaptionClasses, NoCaptionClasses, DefaultCaptions, true);
  // Each letter recurs 20 levels further down, inherited: all but the first
  // 20 clash; the one without a letter would get the free x.
  ASSERT_EQ(Problems.size(), static_cast<std::size_t>(Depth - 20));
  const TCaptionProblem& Last = Problems.back();
  EXPECT_EQ(Last.Node->GetLevel(), Depth - 1);
  EXPECT_EQ(Last.Kind, TCaptionProblemKind::cpClash);
  EXPECT_TRUE(Last.Inherited);
  const TCaptionProblem& Missing = Problems[Depth / 2 - 20];
  EXPECT_EQ(Missing.Kind, TCaptionProblemKind::cpMissing);
  EXPECT_EQ(Missing.Suggestion, "&Xylophone");
}

TEST_F(DeepTreeTest, FindingAndSortingWalkAnyDepth) {
  SortTree(Tree, TSortMethod::smUniqueLetters);
  const TUsedLetters Used;
  Find(Tree, Used, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions);
  const TTreeNode* Node = Tree.GetItems().GetFirstNode();
  for (int I = 0; I < Depth / 2; ++I) Node = Node->getFirstChild();
  EXPECT_EQ(Node->GetText(), "&Xylophone");
  Tree.GetItems().Clear();
  EXPECT_EQ(Tree.GetItems().GetCount(), 0);
}

}  // namespace
}  // namespace keyloom

#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

namespace keyloom {
namespace {

struct OrderCase {
  const char* First;
  const char* Second;
  int Expected;
};

TEST(SortOrdersTest, CaptionComparisonIsOrdinalOnTheStrippedCaptions) {
  const OrderCase Cases[] = {
      {"E&xit", "Exit", 0},         // markup does not count
      {"&Clear", "C&lear All", -1},  // a proper prefix is smaller
      {"C&lear All", "&Clear", 1},
      {"Abc", "abc", -1},  // case counts, upper case first
      {"Zebra", "apple", -1},
      {"zz", "\xC3\xA9", -1},  // bytes compare unsigned
      {"", "a", -1},
      {"&&Co", "&Co", -1},  // the literal ampersand stays
  };
  for (const OrderCase& C : Cases)
    EXPECT_EQ(CompareCaptions(C.First, C.Second), C.Expected) << C.First << " / " << C.Second;
}

TEST(SortOrdersTest, CaptionLengthComesBeforeTheCaption) {
  const OrderCase Cases[] = {
      {"&Find", "&Clear", -1},
      {"E&xit", "&Find", -1},
      {"&Find", "E&xit", 1},
      {"Fin&d", "&Find", 0},
      {"A&&B", "ABCD", -1},  // literal pairs stay: same length, and "&" sorts before "B"
  };
  for (const OrderCase& C : Cases)
    EXPECT_EQ(CompareCaptionLengths(C.First, C.Second), C.Expected) << C.First << " / " << C.Second;
}

TEST(SortOrdersTest, FewerDifferentLettersComeFirstWhateverTheLength) {
  const OrderCase Cases[] = {
      {"Aaaaaaaaa", "Ab", -1},
      {"Ab", "Aaaaaaaaa", 1},
      {"&Exit", "&File", -1},  // four letters each: by caption
      {"OK", "Open", -1},
      {"&Open", "Ope&n", 0},
      {"Open\xE2\x80\xA6", "Opens", -1},  // no letter inside the ellipsis
  };
  for (const OrderCase& C : Cases)
    EXPECT_EQ(CompareUniqueLetters(C.First, C.Second), C.Expected) << C.First << " / " << C.Second;
}

class NodeSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& Items = Tree.GetItems();
    TTreeNode* Menu = Items.AddChild(nullptr, "Menu");
    Items.AddChild(Menu, "Open");
    Items.AddChild(Menu, "Zoom in");
    Items.AddChild(Menu, "E&xit");
    TTreeNode* Panel = Items.AddChild(nullptr, "Alpha panel");
    Items.AddChild(Panel, "&Clear all");
    Items.AddChild(Panel, "OK");
    Tree.OnCompare = [this](TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Compare) {
      CompareNodes(Method, *Node1, *Node2, Compare);
    };
  }

  TTreeView Tree{nullptr};
  TSortMethod Method = TSortMethod::smNothing;
};

TEST_F(NodeSortTest, EachOrderSortsEveryGroupByItself) {
  struct Case {
    TSortMethod Method;
    const char* Expected;
  };
  const Case Cases[] = {
      {TSortMethod::smNothing, "Menu(Open,Zoom in,E&xit),Alpha panel(&Clear all,OK)"},
      {TSortMethod::smCaption, "Alpha panel(&Clear all,OK),Menu(E&xit,Open,Zoom in)"},
      {TSortMethod::smCaptionLength, "Menu(E&xit,Open,Zoom in),Alpha panel(OK,&Clear all)"},
      {TSortMethod::smUniqueLetters, "Menu(E&xit,Open,Zoom in),Alpha panel(OK,&Clear all)"},
  };
  for (const Case& C : Cases) {
    Tree.GetItems().Clear();
    SetUp();  // fresh nodes in build order
    Method = C.Method;
    Tree.AlphaSort();
    EXPECT_EQ(test::Dump(Tree), C.Expected) << static_cast<int>(C.Method);
  }
}

TEST_F(NodeSortTest, NothingLeavesCompareUntouched) {
  const TTreeNode& A = *Tree.GetItems()[0];
  const TTreeNode& B = *Tree.GetItems()[1];
  int Compare = 42;
  CompareNodes(TSortMethod::smNothing, A, B, Compare);
  EXPECT_EQ(Compare, 42);
  CompareNodes(TSortMethod::smCaption, A, A, Compare);
  EXPECT_EQ(Compare, 0);
}

}  // namespace
}  // namespace keyloom

#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace keyloom {
namespace {

// The tree as "text(children...)" in pre-order, for compact expectations.
std::string Shape(const TTreeNodes& Nodes) {
  std::string Out;
  for (int I = 0; I < Nodes.GetCount(); ++I) {
    TTreeNode* N = Nodes[I];
    if (!Out.empty()) Out += ' ';
    Out += std::string(static_cast<std::size_t>(N->GetLevel()), '.') + N->GetText();
  }
  return Out;
}

class TreeViewTest : public ::testing::Test {
 protected:
  TTreeView View{nullptr};
  TTreeNodes& Nodes = View.GetItems();
};

TEST_F(TreeViewTest, PreOrderIndexes) {
  TTreeNode* A = Nodes.AddObject(nullptr, "A", nullptr);
  TTreeNode* B = Nodes.AddObject(nullptr, "B", nullptr);
  Nodes.AddChildObject(A, "a1", nullptr);
  TTreeNode* A2 = Nodes.AddChildObject(A, "a2", nullptr);
  Nodes.AddChildObject(A2, "x", nullptr);
  Nodes.AddObject(A2, "a3", nullptr);  // last sibling of a2
  EXPECT_EQ(Shape(Nodes), "A .a1 .a2 ..x .a3 B");
  EXPECT_EQ(Nodes.GetCount(), 6);
  EXPECT_EQ(B->GetAbsoluteIndex(), 5);
  EXPECT_EQ(Nodes[3]->GetParent(), A2);
  EXPECT_EQ(A2->getPrevSibling()->GetText(), "a1");
  EXPECT_EQ(A2->getNextSibling()->GetText(), "a3");
  EXPECT_EQ(A->getPrevSibling(), nullptr);
  EXPECT_THROW(Nodes[6], EKeyloomError);
  A2->SetText("renamed");
  EXPECT_EQ(Nodes[2], A2);
}

TEST_F(TreeViewTest, MovesKeepSubtrees) {
  TTreeNode* A = Nodes.Add(nullptr, "A");
  TTreeNode* B = Nodes.Add(nullptr, "B");
  TTreeNode* C = Nodes.Add(nullptr, "C");
  Nodes.AddChild(C, "c1");
  C->MoveTo(B, TNodeAttachMode::naInsert);
  EXPECT_EQ(Shape(Nodes), "A C .c1 B");
  C->MoveTo(A, TNodeAttachMode::naAddFirst);
  EXPECT_EQ(Shape(Nodes), "C .c1 A B");
  A->MoveTo(C, TNodeAttachMode::naAddChild);
  EXPECT_EQ(Shape(Nodes), "C .c1 .A B");
  B->MoveTo(A, TNodeAttachMode::naAdd);
  EXPECT_EQ(Shape(Nodes), "C .c1 .A .B");
  EXPECT_THROW(C->MoveTo(B, TNodeAttachMode::naAddChild), EKeyloomError);
}

TEST_F(TreeViewTest, AlphaSortSortsEachGroupByItselfAndKeepsTies) {
  TTreeNode* B = Nodes.Add(nullptr, "b");
  Nodes.Add(nullptr, "a");
  Nodes.AddChild(B, "z");
  Nodes.AddChild(B, "y1");
  Nodes.AddChild(B, "y2");
  // By length only: equal lengths keep their order.
  View.OnCompare = [](TObject*, TTreeNode* N1, TTreeNode* N2, int, int& Compare) {
    Compare = static_cast<int>(N1->GetText().size()) - static_cast<int>(N2->GetText().size());
  };
  View.AlphaSort();
  EXPECT_EQ(Shape(Nodes), "b .z .y1 .y2 a");
  // No verdict at all leaves everything in place.
  View.OnCompare = [](TObject*, TTreeNode*, TTreeNode*, int, int&) {};
  View.AlphaSort();
  EXPECT_EQ(Shape(Nodes), "b .z .y1 .y2 a");
  View.OnCompare = nullptr;
  View.AlphaSort();
  EXPECT_EQ(Shape(Nodes), "a b .y1 .y2 .z");
}

TEST_F(TreeViewTest, SelectionFollowsDeletionAndClear) {
  TTreeNode* A = Nodes.Add(nullptr, "A");
  TTreeNode* Child = Nodes.AddChild(A, "a1");
  int Changes = 0;
  View.OnChange = [&](TObject*, TTreeNode*) { ++Changes; };
  Child->SetSelected(true);
  EXPECT_TRUE(Child->GetSelected());
  EXPECT_EQ(View.GetSelection(), Child);
  A->Delete();
  EXPECT_EQ(View.GetSelection(), nullptr);
  EXPECT_EQ(Changes, 2);
  TTreeNode* B = Nodes.Add(nullptr, "B");
  B->SetSelected(true);
  Nodes.Clear();
  EXPECT_EQ(View.GetSelection(), nullptr);
  EXPECT_EQ(Nodes.GetCount(), 0);
}

TEST_F(TreeViewTest, DeepTreesIndexWithoutRecursion) {
  TTreeNode* Node = nullptr;
  for (int I = 0; I < 100000; ++I) Node = Nodes.AddChild(Node, "n");
  EXPECT_EQ(Nodes.GetCount(), 100000);
  EXPECT_EQ(Nodes[99999], Node);
}

// Large trees take their node memory in chunks of more than one size; nodes
// deleted one by one and trees cleared and rebuilt to other sizes must keep
// every node's own text, and freeing must meet each node once.
TEST_F(TreeViewTest, LargeTreesKeepTheirNodesThroughDeletionsAndRebuilds) {
  for (const int Size : {45000, 20000, 60000}) {
    std::vector<TTreeNode*> Groups;
    for (int I = 0; I < Size; ++I) {
      if (I % 100 == 0)
        Groups.push_back(Nodes.Add(nullptr, "g" + std::to_string(I)));
      else
        Nodes.AddChild(Groups.back(), std::to_string(I));
    }
    for (TTreeNode* Group : Groups)
      for (int I = Group->GetCount(); I-- > 0;)
        if (I % 7 == 3) Nodes.Delete(Group->GetItem(I));
    int Expected = 0;
    for (int I = 0; I < Size; ++I) Expected += I % 100 == 0 || (I % 100 - 1) % 7 != 3;
    ASSERT_EQ(Nodes.GetCount(), Expected);
    int At = 0;
    for (int I = 0; I < Size; ++I) {
      if (I % 100 != 0 && (I % 100 - 1) % 7 == 3) continue;
      ASSERT_EQ(Nodes[At++]->GetText(), (I % 100 == 0 ? "g" : "") + std::to_string(I));
    }
    Nodes.Clear();
  }
}

// Sibling lists grow through every size their memory comes in, and past the
// largest: each move and deletion must keep the order and the positions, and
// a rebuilt tree must not see the lists of the one before.
TEST_F(TreeViewTest, WideGroupsKeepOrderThroughMovesDeletionsAndRebuilds) {
  for (int Round = 0; Round < 3; ++Round) {
    TTreeNode* Left = Nodes.Add(nullptr, "L");
    TTreeNode* Right = Nodes.Add(nullptr, "R");
    std::vector<TTreeNode*> Model[2];
    for (int I = 0; I < 150; ++I) Model[0].push_back(Nodes.AddChild(Left, std::to_string(I)));
    // Every third child moves to the front of the other group, every fifth
    // of those left is deleted.
    for (int I = 0; I < 150; I += 3) {
      TTreeNode* Node = Model[0][static_cast<std::size_t>(I)];
      Node->MoveTo(Right, TNodeAttachMode::naAddChildFirst);
      Model[1].insert(Model[1].begin(), Node);
    }
    std::erase_if(Model[0], [Right](const TTreeNode* Node) { return Node->GetParent() == Right; });
    for (std::size_t I = Model[0].size(); I-- > 0;)
      if (I % 5 == 0) {
        Nodes.Delete(Model[0][I]);
        Model[0].erase(Model[0].begin() + static_cast<std::ptrdiff_t>(I));
      }
    // One more in the middle of the moved ones.
    Model[0].back()->MoveTo(Model[1][10], TNodeAttachMode::naInsert);
    Model[1].insert(Model[1].begin() + 10, Model[0].back());
    Model[0].pop_back();

    const TTreeNode* Parents[] = {Left, Right};
    for (int G = 0; G < 2; ++G) {
      ASSERT_EQ(Parents[G]->GetCount(), static_cast<int>(Model[G].size()));
      for (std::size_t I = 0; I < Model[G].size(); ++I) {
        EXPECT_EQ(Parents[G]->GetItem(static_cast<int>(I)), Model[G][I]);
        EXPECT_EQ(Model[G][I]->GetIndex(), static_cast<int>(I));
      }
    }
    EXPECT_THROW(Left->GetItem(Left->GetCount()), std::out_of_range);
    EXPECT_EQ(Nodes.GetCount(), 2 + static_cast<int>(Model[0].size() + Model[1].size()));
    Nodes.Clear();
    EXPECT_EQ(Nodes.GetRootCount(), 0);
  }
}

}  // namespace
}  // namespace keyloom

// The tree view keeps each node's sibling position, level, pre-order index
// and the nodes of each data object at hand; after any sequence of edits they
// must equal what a walk over the whole tree finds.

#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include "host/memory/address_table.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace keyloom {
namespace {

// Everything a walk finds, checked against what the nodes and the list say.
void ExpectConsistent(const TTreeNodes& Nodes, const std::vector<TObject*>& Datas) {
  std::vector<const TTreeNode*> Order;
  std::vector<const TTreeNode*> Pending;
  for (int I = Nodes.GetRootCount() - 1; I >= 0; --I) Pending.push_back(Nodes.GetRoot(I));
  while (!Pending.empty()) {
    const TTreeNode* Node = Pending.back();
    Pending.pop_back();
    Order.push_back(Node);
    for (int I = Node->GetCount() - 1; I >= 0; --I) Pending.push_back(Node->GetItem(I));
  }
  ASSERT_EQ(Nodes.GetCount(), static_cast<int>(Order.size()));
  for (std::size_t I = 0; I < Order.size(); ++I) {
    const TTreeNode* Node = Order[I];
    ASSERT_EQ(Nodes.GetNodeFromIndex(static_cast<int>(I)), Node);
    EXPECT_EQ(Node->GetAbsoluteIndex(), static_cast<int>(I));
    const TTreeNode* Parent = Node->GetParent();
    int Level = 0;
    for (const TTreeNode* P = Parent; P; P = P->GetParent()) ++Level;
    EXPECT_EQ(Node->GetLevel(), Level) << Node->GetText();
    const int Count = Parent ? Parent->GetCount() : Nodes.GetRootCount();
    int Position = 0;
    while ((Parent ? Parent->GetItem(Position) : Nodes.GetRoot(Position)) != Node) ++Position;
    EXPECT_EQ(Node->GetIndex(), Position) << Node->GetText();
    const TTreeNode* Prev = Position > 0 ? (Parent ? Parent->GetItem(Position - 1) : Nodes.GetRoot(Position - 1)) : nullptr;
    const TTreeNode* Next =
        Position + 1 < Count ? (Parent ? Parent->GetItem(Position + 1) : Nodes.GetRoot(Position + 1)) : nullptr;
    EXPECT_EQ(Node->getPrevSibling(), Prev);
    EXPECT_EQ(Node->getNextSibling(), Next);
  }
  bool Shared = false;
  for (std::size_t I = 0; I < Order.size(); ++I)
    for (std::size_t J = I + 1; J < Order.size(); ++J)
      Shared |= Order[I]->GetData() && Order[I]->GetData() == Order[J]->GetData();
  EXPECT_EQ(Nodes.HasSharedData(), Shared);
  for (TObject* Data : Datas) {
    if (!Data) continue;  // nodes without data are not looked up
    std::vector<TTreeNode*> Found;
    Nodes.GetNodesWithData(Data, Found);
    std::vector<const TTreeNode*> Expected;
    for (const TTreeNode* Node : Order)
      if (Node->GetData() == Data) Expected.push_back(Node);
    std::vector<const TTreeNode*> Got(Found.begin(), Found.end());
    std::sort(Got.begin(), Got.end());
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Got, Expected);
  }
}

// A node cannot move into its own subtree; random edits skip such moves.
void MoveUnlessInto(TTreeNode* Node, TTreeNode* Destination, TNodeAttachMode Mode) {
  if (!Node || !Destination) return;
  for (const TTreeNode* P = Destination; P; P = P->GetParent())
    if (P == Node) return;
  Node->MoveTo(Destination, Mode);
}

TEST(TreeNodeLinks, StayCurrentThroughRandomEdits) {
  std::vector<std::unique_ptr<TObject>> Owned;
  std::vector<TObject*> Datas{nullptr};
  for (int I = 0; I < 40; ++I) {
    Owned.push_back(std::make_unique<TObject>());
    Datas.push_back(Owned.back().get());
  }
  for (std::uint32_t Seed = 1; Seed <= 40; ++Seed) {
    SCOPED_TRACE("seed " + std::to_string(Seed));
    std::minstd_rand Random(Seed);
    auto Pick = [&](int Bound) { return static_cast<int>(Random() % static_cast<std::uint32_t>(Bound)); };
    TTreeView View(nullptr);
    View.OnCompare = [](TObject*, TTreeNode* A, TTreeNode* B, int, int& Compare) {
      Compare = A->GetText().size() < B->GetText().size() ? -1 : A->GetText().size() > B->GetText().size() ? 1 : 0;
    };
    TTreeNodes& Nodes = View.GetItems();
    for (int Step = 0; Step < 120; ++Step) {
      const int Count = Nodes.GetCount();
      TTreeNode* Some = Count ? Nodes[Pick(Count)] : nullptr;
      TTreeNode* Other = Count ? Nodes[Pick(Count)] : nullptr;
      TObject* Data = Datas[static_cast<std::size_t>(Pick(static_cast<int>(Datas.size())))];
      const std::string Text(static_cast<std::size_t>(1 + Pick(4)), static_cast<char>('a' + Step % 26));
      switch (Pick(10)) {
        case 0: case 1: case 2:
          Nodes.AddChildObject(Pick(4) ? Some : nullptr, Text, Data);
          break;
        case 3:
          Nodes.AddObject(Some, Text, Data);
          break;
        case 4:
          MoveUnlessInto(Some, Other, static_cast<TNodeAttachMode>(Pick(5)));
          break;
        case 5:
          if (Some && Pick(3) == 0) Some->Delete();
          break;
        case 6:
          if (Some) Some->SetData(Data);
          break;
        case 7:
          View.AlphaSort();
          break;
        case 8:
          if (Some) Some->SetText(Text);
          break;
        default:
          if (Pick(8) == 0) Nodes.Clear();
          break;
      }
      ExpectConsistent(Nodes, Datas);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// Many objects, many nodes: look-ups must survive the index growing and
// entries leaving from the middle of their probe runs.
TEST(TreeNodeLinks, DataIndexKeepsUpWithManyObjects) {
  std::vector<std::unique_ptr<TObject>> Owned;
  for (int I = 0; I < 600; ++I) Owned.push_back(std::make_unique<TObject>());
  std::minstd_rand Random(7);
  auto Pick = [&](std::size_t Bound) { return static_cast<std::size_t>(Random() % Bound); };
  TTreeView View(nullptr);
  TTreeNodes& Nodes = View.GetItems();
  std::vector<TTreeNode*> Live;
  for (int Round = 0; Round < 3; ++Round) {
    for (int Step = 0; Step < 3000; ++Step) {
      TObject* Data = Owned[Pick(Owned.size())].get();
      if (Live.empty() || Pick(3) != 0) {
        Live.push_back(Nodes.AddChildObject(Live.empty() || Pick(2) ? nullptr : Live[Pick(Live.size())], "n", Data));
      } else if (Pick(2)) {
        Live[Pick(Live.size())]->SetData(Pick(5) ? Data : nullptr);
      } else {
        TTreeNode* Gone = Live[Pick(Live.size())];
        Gone->Delete();
        Live.clear();
        for (int I = 0; I < Nodes.GetCount(); ++I) Live.push_back(Nodes[I]);
      }
    }
    std::vector<TObject*> Datas;
    for (const auto& Object : Owned) Datas.push_back(Object.get());
    ExpectConsistent(Nodes, Datas);
    if (::testing::Test::HasFailure()) return;
    Nodes.Clear();
    Live.clear();
  }
}

// Objects that lie alike in many stretches of memory can all claim one home
// slot; the index must go on finding them, and losing them again, once it
// gives up keeping neighbours near. The data are addresses only: nothing
// reads them.
TEST(TreeNodeLinks, DataIndexKeepsUpWhenObjectsPileOntoOneSlot) {
  constexpr std::size_t Slots = 512;  // the index's size for the 250 objects below
  for (const std::size_t Home : {5u, 77u, 300u, 511u}) {
    std::vector<TObject*> Datas;
    for (std::uintptr_t I = 0; I < 130; ++I) Datas.push_back(reinterpret_cast<TObject*>(0x900000000 + 48 * I));
    for (std::uintptr_t Key = 0x10000000 + 16 * Home; Datas.size() < 250; Key += 16 * Slots)
      if (detail::NearbyHome(Key, Slots, false) == Home) Datas.push_back(reinterpret_cast<TObject*>(Key));
    TTreeView View(nullptr);
    TTreeNodes& Nodes = View.GetItems();
    for (int Round = 0; Round < 2; ++Round) {
      std::vector<TTreeNode*> Made;
      // The spread ones first: by the time the piled ones come, the index has its final size.
      for (TObject* Data : Datas) {
        Made.push_back(Nodes.AddChildObject(Made.empty() ? nullptr : Made[0], "n", Data));
        // At once too: the index may have been rebuilt under the newcomer.
        std::vector<TTreeNode*> Found;
        Nodes.GetNodesWithData(Data, Found);
        ASSERT_EQ(Found, std::vector<TTreeNode*>{Made.back()}) << "home " << Home << ", object " << Made.size();
      }
      ExpectConsistent(Nodes, Datas);
      for (std::size_t I = 1; I < Made.size(); I += 3) Made[I]->Delete();
      ExpectConsistent(Nodes, Datas);
      if (::testing::Test::HasFailure()) return;
      // A cleared index starts over with nearby homes.
      Nodes.Clear();
    }
  }
}

// Clearing a tree, or freeing it, frees every node exactly once: also after
// nodes and subtrees were deleted or moved. Texts too long to live inside a
// node make a node freed twice abort the run, and one never freed show as
// memory that rounds of the same work keep taking.
TEST(TreeNodeLinks, ClearAndFreeingFreeEveryNodeOnce) {
#if defined(__GLIBC__)
  std::minstd_rand Random(11);
  auto Pick = [&](int Bound) { return static_cast<int>(Random() % static_cast<std::uint32_t>(Bound)); };
  auto Fill = [&](TTreeNodes& Nodes) {
    for (int Step = 0; Step < 400; ++Step) {
      const int Count = Nodes.GetCount();
      TTreeNode* Some = Count ? Nodes[Pick(Count)] : nullptr;
      TTreeNode* Other = Count ? Nodes[Pick(Count)] : nullptr;
      switch (Pick(6)) {
        case 0:
          if (Some) Some->Delete();
          break;
        case 1:
          MoveUnlessInto(Some, Other, static_cast<TNodeAttachMode>(Pick(5)));
          break;
        default:
          Nodes.AddChildObject(Pick(4) ? Some : nullptr, std::string(100 + Pick(100), 'a' + Step % 26), nullptr);
      }
    }
  };
  auto Round = [&] {
    TTreeView View(nullptr);
    Fill(View.GetItems());
    View.GetItems().Clear();
    Fill(View.GetItems());  // and this one goes with the view
  };
  Round();  // what stays allocated for good: chunks of the block pools, the index
  const std::size_t Before = mallinfo2().uordblks;
  for (int I = 0; I < 40; ++I) Round();
  // A round leaves some 200 nodes of 100 to 200 bytes of text each behind when they leak.
  EXPECT_LT(mallinfo2().uordblks, Before + 16 * 1024);
#else
  GTEST_SKIP() << "no heap statistics on this C library";
#endif
}

}  // namespace
}  // namespace keyloom

// Sorting with keys worked out once per node must give AlphaSort's order with
// the compare event, ties included; the component falls back to AlphaSort when
// its tree's compare event is no longer its own.

#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace keyloom {
namespace {

// Node texts in pre-order, with their levels and the data that tells ties apart.
std::string Order(const TTreeNodes& Nodes) {
  std::string Out;
  for (int I = 0; I < Nodes.GetCount(); ++I) {
    const TTreeNode* Node = Nodes[I];
    Out += std::to_string(Node->GetLevel()) + ":" + Node->GetText() + "#" +
           std::to_string(reinterpret_cast<std::uintptr_t>(Node->GetData()) % 1000) + " ";
  }
  return Out;
}

void FillRandom(TTreeView& View, std::uint32_t Seed) {
  static const std::vector<std::string> Texts = {"&Open", "Open", "open", "O&pen", "E&xit", "Exit", "&&Amp", "&",
                                                 "Tail &", "Größe", "\x80x", "ab", "ba", "Save &As", "",
                                                 "Clear", "&Clear All", "zz z", "A", "a",
                                                 // Alike in their first eight bytes, or told apart only by zeros.
                                                 "Preferences", "Prefer&ences", "Preferen", "Preferen&ce", "P&referenc",
                                                 std::string("ab\0", 3), std::string("ab\0c", 4), "ab&\xff",
                                                 // Alike in their first sixteen.
                                                 "Preferences and ", "Preferences and more", "Preferences and less",
                                                 std::string("Preferences and\0", 16), "Preferences &and mor",
                                                 std::string("Preferences and \0", 17)};
  std::minstd_rand Random(Seed);
  TTreeNodes& Nodes = View.GetItems();
  for (int I = 0; I < 60; ++I) {
    const int Count = Nodes.GetCount();
    TTreeNode* Parent = Count && Random() % 3 ? Nodes[static_cast<int>(Random() % static_cast<unsigned>(Count))] : nullptr;
    // Distinct data tells apart nodes that compare equal.
    Nodes.AddChildObject(Parent, Texts[Random() % Texts.size()], reinterpret_cast<TObject*>(std::uintptr_t{8} * (I + 1)));
  }
}

TEST(SortTree, GivesAlphaSortsOrderForEveryMethod) {
  for (const TSortMethod Method : {TSortMethod::smNothing, TSortMethod::smCaption, TSortMethod::smCaptionLength,
                                   TSortMethod::smUniqueLetters}) {
    for (std::uint32_t Seed = 1; Seed <= 25; ++Seed) {
      TTreeView ByEvent(nullptr);
      TTreeView ByKeys(nullptr);
      FillRandom(ByEvent, Seed);
      FillRandom(ByKeys, Seed);
      ByEvent.OnCompare = [Method](TObject*, TTreeNode* A, TTreeNode* B, int, int& Compare) {
        CompareNodes(Method, *A, *B, Compare);
      };
      ByEvent.AlphaSort();
      SortTree(ByKeys, Method);
      ASSERT_EQ(Order(ByKeys.GetItems()), Order(ByEvent.GetItems()))
          << "method " << static_cast<int>(Method) << ", seed " << Seed;
    }
  }
}

TEST(SortTree, ArrangeGroupsTakesOnlyAReorderingOfTheGroup) {
  TTreeView View(nullptr);
  TTreeNodes& Nodes = View.GetItems();
  TTreeNode* A = Nodes.Add(nullptr, "A");
  TTreeNode* B = Nodes.Add(nullptr, "B");
  TTreeNode* Child = Nodes.AddChild(A, "a1");
  View.ArrangeGroups([&](std::vector<TTreeNode*>& Group) {
    if (Group.size() == 2) std::swap(Group[0], Group[1]);
  });
  EXPECT_EQ(Nodes[0], B);
  EXPECT_EQ(A->GetIndex(), 1);
  EXPECT_EQ(Nodes[2], Child);
  // A node twice, a node of another group, a node left out: refused, nothing moves.
  for (int Fault = 0; Fault < 3; ++Fault) {
    EXPECT_THROW(View.ArrangeGroups([&](std::vector<TTreeNode*>& Group) {
      if (Group.size() != 2) return;
      if (Fault == 0) Group[1] = Group[0];
      if (Fault == 1) Group[1] = Child;
      if (Fault == 2) Group.pop_back();
    }),
                 EKeyloomError);
    EXPECT_EQ(Nodes[0], B);
    EXPECT_EQ(Nodes[1], A);
  }
}

// Arranging takes the pre-order index on its way down; an Arrange that asks
// for the index half-way must not leave that half-way index behind.
TEST(SortTree, ArrangeGroupsLeavesTheIndexOfTheArrangedTree) {
  auto Walk = [](const TTreeNodes& Nodes) {
    std::vector<const TTreeNode*> Out;
    auto Down = [&Out](auto& Self, const TTreeNode* Node) -> void {
      Out.push_back(Node);
      for (int I = 0; I < Node->GetCount(); ++I) Self(Self, Node->GetItem(I));
    };
    for (int I = 0; I < Nodes.GetRootCount(); ++I) Down(Down, Nodes.GetRoot(I));
    return Out;
  };
  for (const bool PeekAtIndex : {false, true}) {
    for (std::uint32_t Seed = 1; Seed <= 10; ++Seed) {
      TTreeView View(nullptr);
      FillRandom(View, Seed);
      TTreeNodes& Nodes = View.GetItems();
      int Peeked = 0;
      View.ArrangeGroups([&](std::vector<TTreeNode*>& Group) {
        std::reverse(Group.begin(), Group.end());
        if (PeekAtIndex) Peeked += Nodes.GetCount() + Group.back()->GetAbsoluteIndex();
      });
      const std::vector<const TTreeNode*> Expected = Walk(Nodes);
      ASSERT_EQ(Nodes.GetCount(), static_cast<int>(Expected.size()));
      for (int I = 0; I < Nodes.GetCount(); ++I) {
        ASSERT_EQ(Nodes[I], Expected[static_cast<std::size_t>(I)]) << "seed " << Seed << ", node " << I;
        ASSERT_EQ(Nodes[I]->GetAbsoluteIndex(), I) << "seed " << Seed;
      }
      EXPECT_EQ(PeekAtIndex, Peeked > 0);
    }
  }
}

TEST(SortTree, TheComponentHonoursACompareEventSetOnItsTree) {
  TForm Form(nullptr);
  auto* Panel = test::Make<TPanel>(&Form, &Form, "Panel1");
  test::Make<TButton>(&Form, Panel, "b1", "Alpha");
  test::Make<TButton>(&Form, Panel, "b2", "Beta");
  test::Make<TButton>(&Form, Panel, "b3", "Gamma");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->SetSortMethod(TSortMethod::smCaption);
  Keyloom->FindKeys();
  EXPECT_EQ(test::Dump(*Keyloom->GetTree()), "Panel1(&Alpha,&Beta,&Gamma)");
  // Reverse ordinal order, set by the application.
  Keyloom->GetTree()->OnCompare = [](TObject*, TTreeNode* A, TTreeNode* B, int, int& Compare) {
    Compare = -CompareCaptions(A->GetText(), B->GetText());
  };
  Keyloom->FindKeys();
  EXPECT_EQ(test::Dump(*Keyloom->GetTree()), "Panel1(&Gamma,&Beta,&Alpha)");
}

}  // namespace
}  // namespace keyloom

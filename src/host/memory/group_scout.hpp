#pragma once

// Sibling groups are walked a group at a time, each whole before its members'
// groups, first member first. The nodes, and the objects they stand for, lie
// in memory in no order that matches, and on a large tree every one would be
// waited for; asking ahead within a group does not help when most groups hold
// two or three nodes, as in deeply nested forms. A scout walks the groups in
// the same order some nodes ahead of the walk, and asks the memory for them
// early. It only asks: a walk that reorders a group before going on finds its
// nodes asked for in the old order, which costs time, not results.

#include <keyloom/host/tree_view.hpp>

#include "host/memory/prefetch.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace keyloom {

class TGroupScout {
 public:
  static constexpr std::size_t Ahead = 16;
  enum TScoutMode { smNodes, smNodesAndData };

  // Start: the node whose children form the first group, nil for the roots.
  // An inactive scout asks for nothing (for walks during which others may
  // remove nodes).
  TGroupScout(const TTreeNodes& Items, const TTreeNode* Start, TScoutMode Mode, bool Active = true)
      : FItems(Items), FData(Mode == smNodesAndData), FActive(Active) {
    FPending.push_back(Start);
  }

  // Called as the walk reaches its Done-th node.
  void Keep(std::size_t Done) {
    while (FActive && FScouted < Done + Ahead && Step()) {
    }
  }

 private:
  static constexpr int Near = 8;  // nodes asked for before they are read

  const TTreeNode* Member(int I) const { return FParent ? FParent->GetItem(I) : FItems.GetRoot(I); }
  int Count() const { return FParent ? FParent->GetCount() : FItems.GetRootCount(); }

  bool Step() {
    // The count is read afresh: a walk may change the group under way.
    while (FNext >= Count()) {
      for (auto It = FWithChildren.rbegin(); It != FWithChildren.rend(); ++It) FPending.push_back(*It);
      FWithChildren.clear();
      if (FPending.empty()) return false;
      FParent = FPending.back();
      FPending.pop_back();
      FNext = 0;
      for (int I = 0; I < std::min(Near, Count()); ++I) PrefetchWhole(Member(I));
    }
    if (FNext + Near < Count()) PrefetchWhole(Member(FNext + Near));
    const TTreeNode* Node = Member(FNext++);
    if (FData) PrefetchComponent(Node->GetData());
    if (Node->HasChildren()) FWithChildren.push_back(Node);
    ++FScouted;
    return true;
  }

  const TTreeNodes& FItems;
  const bool FData;
  const bool FActive;
  std::vector<const TTreeNode*> FPending;
  std::vector<const TTreeNode*> FWithChildren;
  const TTreeNode* FParent = nullptr;
  int FNext = 0;
  std::size_t FScouted = 0;
};

}  // namespace keyloom

#pragma once

// The groups below a node start with the letters of its group, unless the node
// stands for a menu item or a popup menu: a letter already marked down there
// would clash with the same letter newly given in the group above. Gathered
// bottom-up once per run, so that each group asks only about its own nodes.

#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>

#include "engine/letter_units.hpp"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace keyloom {

class TMarkedBelow {
 public:
  // The letters a new accelerator may take (a-z folded, and 0x80) as bits:
  // markers on anything else never meet a new one.
  using TMask = std::uint32_t;
  static TMask MaskOf(char Letter);

  TMarkedBelow(const TCustomTreeView& Tree, TNonLatinMode Mode);

  // What is marked in the groups that inherit from the group of Nodes.
  TMask Gather(const std::vector<TTreeNode*>& Nodes) const;
  // The same with the letters of other scripts (nlNative), as keys.
  void Gather(const std::vector<TTreeNode*>& Nodes, TKeySet& Letters) const;

 private:
  // The index of Node's entry; -1 when it has none or the tree has changed.
  int EntryOf(const TTreeNode* Node) const;

  const TTreeNodes& FItems;
  // By pre-order index; empty when nothing is marked below any node.
  std::vector<TMask> FMasks;
  std::unordered_map<int, std::vector<TLetterKey>> FNative;
};

}  // namespace keyloom

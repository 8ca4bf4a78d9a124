#pragma once

// A walk that takes a tree view's sibling groups whole, each before its
// members' groups, reading each node's text and what it stands for, meets
// the nodes and their objects in no order that matches memory. The walk
// keeps this scout informed of where it is, and the scout asks the memory
// for what lies some nodes ahead.

#include <keyloom/host/tree_view.hpp>

#include <cstddef>
#include <memory>
#include <vector>

namespace keyloom {

class TGroupScout;

class TGroupWalkScout {
 public:
  // Start: the node whose children form the first group, nil for the roots.
  // An inactive scout looks at nothing beyond the group in hand (for walks
  // during which others may remove nodes).
  TGroupWalkScout(const TTreeNodes& Items, const TTreeNode* Start, bool Active);
  TGroupWalkScout(const TGroupWalkScout&) = delete;
  TGroupWalkScout& operator=(const TGroupWalkScout&) = delete;
  ~TGroupWalkScout();

  // The walk's first look over Group, which reads the texts only, is at
  // member I. Most groups are too small to look ahead in: no call for those.
  void Glance(const std::vector<TTreeNode*>& Group, std::size_t I) const {
    if (I + kAhead < Group.size()) Ask(Group[I + kAhead]);
  }
  // The walk is at member I of Group, after Done nodes of earlier groups.
  void Reach(const std::vector<TTreeNode*>& Group, std::size_t I, std::size_t Done);

 private:
  static const std::size_t kAhead;
  static void Ask(const TTreeNode* Node);

  std::unique_ptr<TGroupScout> FScout;
};

}  // namespace keyloom

#pragma once

#include <keyloom/host/comctrls.hpp>

#include <vector>

namespace keyloom {

// The nodes of one sibling group: Parent's children, or the roots when Parent is nil.
inline void GroupNodes(const TCustomTreeView& Tree, const TTreeNode* Parent, std::vector<TTreeNode*>& Nodes) {
  Nodes.clear();
  if (Parent) {
    for (int I = 0; I < Parent->GetCount(); ++I) Nodes.push_back(Parent->GetItem(I));
    return;
  }
  const TTreeNodes& Items = Tree.GetItems();
  for (int I = 0; I < Items.GetRootCount(); ++I) Nodes.push_back(Items.GetRoot(I));
}

}  // namespace keyloom

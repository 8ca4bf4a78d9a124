#pragma once

// Writing nodes' texts back to the components they stand for goes through a
// tree view's nodes in pre-order, and so through components that lie in
// memory in no order that matches. The walk asks for what writing will read
// of the nodes a few steps ahead, so that the waits for them overlap.

#include <keyloom/host/tree_view.hpp>

#include <memory>

namespace keyloom {

class TWriteWalk {
 public:
  // RadioItems: whether nodes may stand for radio group items, whose text
  // lies three steps from the node.
  TWriteWalk(const TTreeNodes& Items, bool RadioItems);
  TWriteWalk(const TWriteWalk&) = delete;
  TWriteWalk& operator=(const TWriteWalk&) = delete;
  ~TWriteWalk();

  // The next node in pre-order, nil past the last. The count is read each
  // time: whoever writes may change the tree.
  TTreeNode* Next();

 private:
  class TAhead;
  std::unique_ptr<TAhead> FAhead;
};

}  // namespace keyloom

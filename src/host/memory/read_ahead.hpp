#pragma once

// What the host's walks ask for early of its own classes, a field or two at
// a time: on a form too large for the cache, asking for whole objects kept
// the memory busy with lines the walks never read.

#include <keyloom/host/controls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/tree_view.hpp>

#include "host/memory/node_store.hpp"
#include "host/memory/prefetch.hpp"

namespace keyloom::detail {

class TReadAhead {
 public:
  // A control's parent, for walks up long chains of parents.
  static void Parent(const TControl& Control) { PrefetchHead(&Control.FParent); }

  // A radio item's index and group, which lie side by side.
  static void Item(const TRadioGroupIndex& Proxy) {
    PrefetchHead(&Proxy.FIndex);
    PrefetchHead(reinterpret_cast<const char*>(&Proxy.FRadioGroup + 1) - 1);
  }

  // Where the nodes of Data are looked up.
  static void NodesOf(const TTreeNodes& Items, const TObject* Data) { Items.FStore->Index.Expect(Data); }

  // The nodes in pre-order, for a walk that has just made sure of the index
  // (GetCount) and changes nothing before it is done with them.
  static TTreeNode* const* PreOrder(const TTreeNodes& Items) { return Items.FPreOrder.data(); }
};

}  // namespace keyloom::detail

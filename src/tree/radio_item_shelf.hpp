#pragma once

#include <keyloom/tree.hpp>

#include <cstddef>
#include <vector>

namespace keyloom {

// The item proxies a tree view owns, kept from one build to the next. A build
// takes them in order and makes new ones only past the most that an earlier
// build needed, so the items of an unchanged form keep their proxies and,
// with them, the proxies' links to their radio groups. The surplus of a
// smaller build stays on the shelf until the tree view goes: never more than
// the largest build needed, and making them again would cost every rebuild.
class TRadioItemShelf : public TComponent, public TRadioItemKeeper {
  KEYLOOM_CLASS(TRadioItemShelf)
 public:
  explicit TRadioItemShelf(TComponent* Tree) : TComponent(Tree, false) {}
  ~TRadioItemShelf() override;

  // The tree view's shelf; nil when it has none and Make is false.
  static TRadioItemShelf* Of(TCustomTreeView& Tree, bool Make);

  // The next proxy that no node of the current build refers to, made when
  // every one is taken.
  TRadioGroupIndex& Take();
  // Whether nodes of the tree may stand for radio items.
  bool AnyTaken() const { return FTaken > 0; }
  // The tree's nodes are gone: every proxy may be taken again.
  void PutBackAll() { FTaken = 0; }
  // A proxy that is being released leaves the shelf.
  void Drop(const TRadioGroupIndex* Proxy) override;

 private:
  std::vector<TRadioGroupIndex*> FProxies;
  std::size_t FTaken = 0;
};

}  // namespace keyloom

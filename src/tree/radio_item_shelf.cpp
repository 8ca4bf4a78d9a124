#include "tree/radio_item_shelf.hpp"

namespace keyloom {

const TClassInfo& TRadioItemShelf::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioItemShelf", &TComponent::StaticClassInfo());
  return Info;
}

TRadioItemShelf::~TRadioItemShelf() {
  for (TRadioGroupIndex* Proxy : FProxies) Proxy->SetKeeper(nullptr);
}

TRadioItemShelf* TRadioItemShelf::Of(TCustomTreeView& Tree, bool Make) {
  // Put first when made: every radio group of every build asks.
  for (TComponent* Owned : Tree.Components())
    if (auto* Shelf = AsClass<TRadioItemShelf>(Owned)) return Shelf;
  if (!Make) return nullptr;
  auto* Shelf = new TRadioItemShelf(&Tree);
  Shelf->SetComponentIndex(0);
  return Shelf;
}

TRadioGroupIndex& TRadioItemShelf::Take() {
  if (FTaken == FProxies.size()) {
    // Owned by the tree view from the start: one that could not be shelved goes with it.
    auto* Proxy = new TRadioGroupIndex(GetOwner());
    FProxies.push_back(Proxy);
    Proxy->SetKeeper(this);
  }
  return *FProxies[FTaken++];
}

void TRadioItemShelf::Drop(const TRadioGroupIndex* Proxy) {
  // A tree view releases its components last first: mostly this is the last.
  for (std::size_t I = FProxies.size(); I-- > 0;) {
    if (FProxies[I] != Proxy) continue;
    FProxies.erase(FProxies.begin() + static_cast<std::ptrdiff_t>(I));
    if (I < FTaken) --FTaken;
    return;
  }
}

}  // namespace keyloom

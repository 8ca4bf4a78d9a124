#include <keyloom/host/published.hpp>
#include <keyloom/tree.hpp>

#include "host/block_pool.hpp"
#include "tree/radio_item_shelf.hpp"

namespace keyloom {

const TClassInfo& TRadioGroupIndex::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioGroupIndex", &TComponent::StaticClassInfo(), {},
                               published::Factory<TRadioGroupIndex>());
  return Info;
}

TRadioGroupIndex::~TRadioGroupIndex() {
  if (FShelf) FShelf->Drop(this);
  LeaveRadioGroup();
  BeginDestroy();
}

void* TRadioGroupIndex::operator new(std::size_t Size) { return detail::PooledNew<TRadioGroupIndex>(Size); }

void TRadioGroupIndex::operator delete(void* Memory, std::size_t Size) noexcept {
  detail::PooledDelete<TRadioGroupIndex>(Memory, Size);
}

void TRadioGroupIndex::SetRadioGroup(TRadioGroup* Value) {
  if (Value == FRadioGroup) return;
  LeaveRadioGroup();
  FRadioGroup = Value;
  if (!Value) return;
  FreeNotification(Value);
  FWatches = true;
}

void TRadioGroupIndex::ShareRadioGroupOf(TRadioGroupIndex& Other) {
  if (&Other == this) return;
  LeaveRadioGroup();
  FRadioGroup = Other.FRadioGroup;
  if (!FRadioGroup) return;
  FPrevSharing = &Other;
  FNextSharing = Other.FNextSharing;
  FNextSharing->FPrevSharing = this;
  Other.FNextSharing = this;
}

// Hands the watch on to another proxy of the ring if this one held it.
void TRadioGroupIndex::LeaveRadioGroup() {
  TRadioGroupIndex* Next = FNextSharing;
  if (Next != this) {
    FPrevSharing->FNextSharing = Next;
    Next->FPrevSharing = FPrevSharing;
    FPrevSharing = FNextSharing = this;
    if (FWatches) {
      Next->FreeNotification(FRadioGroup);
      Next->FWatches = true;
    }
  }
  if (FWatches) RemoveFreeNotification(FRadioGroup);
  FWatches = false;
  FRadioGroup = nullptr;
}

void TRadioGroupIndex::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || AComponent != FRadioGroup || !FWatches) return;
  TRadioGroupIndex* Proxy = this;
  do {
    TRadioGroupIndex* Next = Proxy->FNextSharing;
    Proxy->FRadioGroup = nullptr;
    Proxy->FWatches = false;
    Proxy->FPrevSharing = Proxy->FNextSharing = Proxy;
    Proxy = Next;
  } while (Proxy != this);
}

// ---------------------------------------------------------------- shelf

const TClassInfo& TRadioItemShelf::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioItemShelf", &TComponent::StaticClassInfo());
  return Info;
}

TRadioItemShelf::~TRadioItemShelf() {
  for (TRadioGroupIndex* Proxy : FProxies) Proxy->FShelf = nullptr;
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
    Proxy->FShelf = this;
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

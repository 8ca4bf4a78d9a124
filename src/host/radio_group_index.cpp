#include <keyloom/host/published.hpp>
#include <keyloom/host/extctrls.hpp>

#include "host/memory/block_pool.hpp"

namespace keyloom {

const TClassInfo& TRadioGroupIndex::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioGroupIndex", &TComponent::StaticClassInfo(), {},
                               published::Factory<TRadioGroupIndex>());
  return Info;
}

TRadioGroupIndex::~TRadioGroupIndex() {
  if (FKeeper) FKeeper->Drop(this);
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

}  // namespace keyloom

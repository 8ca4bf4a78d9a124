#include <keyloom/host/published.hpp>
#include <keyloom/tree.hpp>

#include "host/block_pool.hpp"

namespace keyloom {

const TClassInfo& TRadioGroupIndex::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioGroupIndex", &TComponent::StaticClassInfo(), {},
                               published::Factory<TRadioGroupIndex>());
  return Info;
}

TRadioGroupIndex::~TRadioGroupIndex() { BeginDestroy(); }

void* TRadioGroupIndex::operator new(std::size_t Size) { return detail::PooledNew<TRadioGroupIndex>(Size); }

void TRadioGroupIndex::operator delete(void* Memory, std::size_t Size) noexcept {
  detail::PooledDelete<TRadioGroupIndex>(Memory, Size);
}

void TRadioGroupIndex::SetRadioGroup(TRadioGroup* Value) {
  if (Value == FRadioGroup) return;
  if (FRadioGroup) RemoveFreeNotification(FRadioGroup);
  FRadioGroup = Value;
  if (Value) FreeNotification(Value);
}

void TRadioGroupIndex::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FRadioGroup) FRadioGroup = nullptr;
}

}  // namespace keyloom

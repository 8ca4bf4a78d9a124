#include "host/address_map.hpp"

#include "host/memory/address_table.hpp"

#include <cstdint>

namespace keyloom::detail {

struct TMapSlot {
  static constexpr bool Epochs = true;
  std::uintptr_t Address = 0;
  void* Value = nullptr;
  std::uint32_t Epoch = 0;
  bool Used(std::uint32_t Current) const { return Epoch == Current; }
  std::uintptr_t Key() const { return Address; }
};

class TAddressMapCore::TTable : public TAddressTable<TMapSlot> {};

namespace {
std::uintptr_t AddressOf(const void* Key) { return reinterpret_cast<std::uintptr_t>(Key); }
}  // namespace

TAddressMapCore::TAddressMapCore() : FTable(std::make_unique<TTable>()) {}

TAddressMapCore::~TAddressMapCore() = default;

bool TAddressMapCore::Find(const void* Key, void*& Value) const {
  if (FTable->Empty()) return false;
  const TMapSlot& Entry = (*FTable)[FTable->SlotOf(AddressOf(Key))];
  if (!Entry.Used(FTable->Epoch())) return false;
  Value = Entry.Value;
  return true;
}

void TAddressMapCore::Put(const void* Key, void* Value) {
  const std::size_t Slot = FTable->Place(AddressOf(Key));
  TMapSlot& Entry = (*FTable)[Slot];
  if (Entry.Used(FTable->Epoch()))
    Entry.Value = Value;
  else
    FTable->Fill(Slot, TMapSlot{AddressOf(Key), Value, FTable->Epoch()});
}

void TAddressMapCore::Clear() { FTable->Clear(); }

}  // namespace keyloom::detail

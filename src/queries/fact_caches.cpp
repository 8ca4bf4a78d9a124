#include "queries/fact_caches.hpp"
#include "queries/class_facts.hpp"

#include <array>
#include <string>
#include <vector>

namespace keyloom {

std::uint64_t ListContentId(const TStrings& List) {
  // A run asks about a handful of lists: a few recent contents, each with the
  // list and change stamp it was last seen as. Stamps are never handed out
  // twice, so a list and a stamp stand for one content.
  struct TSeen {
    const TStrings* List = nullptr;
    std::uint64_t Stamp = 0;
    std::uint64_t Id = 0;
    std::vector<std::string> Items;
  };
  constexpr std::size_t kSeen = 8;
  thread_local std::array<TSeen, kSeen> Seen;
  thread_local std::uint64_t LastId = 0;
  thread_local std::size_t Evict = 0;
  const std::uint64_t Stamp = List.ChangeCount();
  for (TSeen& S : Seen)
    if (S.Id && S.List == &List && S.Stamp == Stamp) return S.Id;
  const std::vector<std::string>& Items = List.Items();
  for (TSeen& S : Seen)
    if (S.Id && S.Items == Items) {
      S.List = &List;
      S.Stamp = Stamp;
      return S.Id;
    }
  TSeen& S = Seen[Evict++ % kSeen];
  S = {&List, Stamp, ++LastId, Items};
  return S.Id;
}

// A small table that forgets: forms bring new classes all the time, and a
// table that grew with them would hold memory no run gives back. Four ways a
// set, so that a few lists and a form's classes rarely push each other out.
TListFacts& ListFactsSlot(std::uint64_t ListId, const TClassInfo& Class, bool& Found) {
  constexpr std::size_t kWays = 4;
  constexpr std::size_t kSets = 128;
  thread_local std::array<TListFacts, kWays * kSets> Slots;
  thread_local std::size_t Evict = 0;
  const std::uint64_t Serial = Class.Serial();
  const std::size_t PropCount = Class.PropInfos().size();
  TListFacts* Set = &Slots[HomeOfKey(ListId * 31 + Serial, 7) % kSets * kWays];
  Found = true;
  for (std::size_t Way = 0; Way < kWays; ++Way)
    if (Set[Way].ListId == ListId && Set[Way].ClassSerial == Serial && Set[Way].PropCount == PropCount)
      return Set[Way];
  Found = false;
  TListFacts* Slot = nullptr;
  for (std::size_t Way = 0; Way < kWays && !Slot; ++Way)
    if (!Set[Way].ListId) Slot = &Set[Way];
  if (!Slot) Slot = &Set[Evict++ % kWays];
  *Slot = {};
  Slot->ListId = ListId;
  Slot->ClassSerial = Serial;
  Slot->PropCount = PropCount;
  return *Slot;
}

namespace {

// Runs after this one, on the next forms too, ask about the same classes with
// a list of the same content.
struct TSharedFacts {
  const std::type_info* Type = nullptr;
  std::uint64_t Serial = 0;
  std::size_t PropCount = 0;
  std::uint64_t ListId = 0;
  TClassFacts Facts;
};
constexpr int kSharedFactsBits = 8;

TSharedFacts& SharedFactsSlot(const std::type_info& Type, std::uint64_t Serial, std::uint64_t ListId) {
  thread_local std::array<TSharedFacts, std::size_t{1} << kSharedFactsBits> Slots;
  return Slots[HomeOfKey(reinterpret_cast<std::uintptr_t>(&Type) ^ HomeOfKey(Serial, 64) ^ (ListId << 32),
                         kSharedFactsBits)];
}

}  // namespace

const TClassFacts* RememberedClassFacts(const std::type_info& Type, const TClassInfo& Class, std::uint64_t ListId) {
  const TSharedFacts& Shared = SharedFactsSlot(Type, Class.Serial(), ListId);
  if (Shared.Type == &Type && Shared.Serial == Class.Serial() && Shared.PropCount == Class.PropInfos().size() &&
      Shared.ListId == ListId)
    return &Shared.Facts;
  return nullptr;
}

void RememberClassFacts(const std::type_info& Type, const TClassInfo& Class, std::uint64_t ListId,
                        const TClassFacts& Facts) {
  SharedFactsSlot(Type, Class.Serial(), ListId) = {&Type, Class.Serial(), Class.PropInfos().size(), ListId, Facts};
}

}  // namespace keyloom

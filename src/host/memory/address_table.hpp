#pragma once

// The host's one table keyed by addresses, and the only home of its mixing
// constants: the tree's index of nodes by data and the maps upper layers keep
// by object build on it, and the name memos take their constants from here.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/memory/prefetch.hpp"

namespace keyloom::detail {

// The golden ratio's share of 2^64: Fibonacci hashing.
inline constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
// The two steps of the split-mix finaliser.
inline constexpr std::uint64_t kMixFirst = 0xBF58476D1CE4E5B9ull;
inline constexpr std::uint64_t kMixSecond = 0x94D049BB133111EBull;
// A large odd number with well-spread bits, for keys that are spread anyway.
inline constexpr std::uint64_t kSpread = 0xC2B2AE3D27D4EB4Full;
// Where hashes that fold words in one at a time start (FNV's offset basis).
inline constexpr std::uint64_t kFnvOffset = 0xCBF29CE484222325ull;

// The home slot of an object in a table of Size (a power of two) slots keyed
// by its address. Objects close together in memory get slots close together,
// in the same order: large forms are walked much in the order their objects
// were made, and a table hashed at random turned every look-up into a wait
// once it outgrew the cache. Each stretch of memory that the table spans
// maps onto it one to one (objects are 16-byte aligned), turned by an amount
// hashed from where the stretch lies, so that stretches laid out alike
// spread over the table instead of piling up. Scattered homes are for the
// layouts that still make long runs: a table that meets one switches.
inline std::size_t NearbyHome(std::uintptr_t Key, std::size_t Size, bool Scattered) {
  if (Scattered) return static_cast<std::size_t>((Key * kGolden) >> 20) & (Size - 1);
  // Mixed through, so that stretches one after another are turned apart
  // by no rule: a product alone turns them by steps that regular layouts
  // line up with.
  std::uint64_t Turn = Key >> (4 + std::countr_zero(Size));
  Turn = (Turn ^ (Turn >> 30)) * kMixFirst;
  Turn = (Turn ^ (Turn >> 27)) * kMixSecond;
  Turn ^= Turn >> 31;
  return static_cast<std::size_t>((Key >> 4) + Turn) & (Size - 1);
}

// One of 2^Bits slots for a key whose every bit may matter: the high bits
// of its product with the golden ratio's share.
inline std::size_t GoldenSlot(std::uint64_t Key, int Bits) {
  return static_cast<std::size_t>((Key * kGolden) >> (64 - Bits));
}

// A probe run this long tells a table its keys lie badly for nearby homes.
inline constexpr std::size_t LongProbeRun = 64;

// Open addressing by nearby homes, growing at half full. A slot says itself
// whether it is in use (TSlot::Used, given the table's epoch) and what its
// key is (TSlot::Key); a table whose slots count epochs forgets everything at
// once by starting the next one.
template <class TSlot>
class TAddressTable {
 public:
  bool Empty() const { return FSlots.empty(); }
  std::size_t Size() const { return FSlots.size(); }
  std::uint32_t Epoch() const { return FEpoch; }
  TSlot& operator[](std::size_t Slot) { return FSlots[Slot]; }
  const TSlot& operator[](std::size_t Slot) const { return FSlots[Slot]; }

  // The slot that holds Key, or the free one where it would go; never full.
  // Run: how many slots past Key's home that is.
  std::size_t SlotOf(std::uintptr_t Key, std::size_t& Run) const {
    const std::size_t Mask = FSlots.size() - 1;
    std::size_t Slot = HomeOf(Key);
    for (Run = 0; FSlots[Slot].Used(FEpoch) && FSlots[Slot].Key() != Key; ++Run) Slot = (Slot + 1) & Mask;
    return Slot;
  }
  std::size_t SlotOf(std::uintptr_t Key) const {
    std::size_t Run = 0;
    return SlotOf(Key, Run);
  }

  // Where Key goes or is, with room made for one more entry first: the
  // table grows, or gives up nearby homes when Key's run has grown long.
  // Told hears of a rebuild: Resized(Size) as the entries are about to move
  // into Size slots, Moved(Entry) as each has.
  template <class TTold>
  std::size_t Place(std::uintptr_t Key, TTold&& Told) {
    if ((FCount + 1) * 2 > FSlots.size()) Rebuild(std::max<std::size_t>(64, FSlots.size() * 2), Told);
    std::size_t Run = 0;
    std::size_t Slot = SlotOf(Key, Run);
    if (!FScattered && Run >= LongProbeRun) {
      FScattered = true;
      Rebuild(FSlots.size(), Told);
      Slot = SlotOf(Key);
    }
    return Slot;
  }
  std::size_t Place(std::uintptr_t Key) { return Place(Key, TNotTold{}); }

  // Puts an entry into a free slot that Place or SlotOf gave for its key.
  void Fill(std::size_t Slot, const TSlot& Entry) {
    FSlots[Slot] = Entry;
    ++FCount;
  }

  // Empties a slot, moving later entries of its probe run back so that no
  // look-up stops short at the hole. Only for tables without epochs.
  void Erase(std::size_t Slot) {
    const std::size_t Mask = FSlots.size() - 1;
    std::size_t Hole = Slot;
    for (std::size_t Next = (Hole + 1) & Mask; FSlots[Next].Used(FEpoch); Next = (Next + 1) & Mask) {
      const std::size_t Home = HomeOf(FSlots[Next].Key());
      // The entry may fill the hole only if its home is not between the hole and it.
      const bool HomeAfterHole = ((Next - Home) & Mask) < ((Next - Hole) & Mask);
      if (HomeAfterHole) continue;
      FSlots[Hole] = FSlots[Next];
      FSlots[Next] = TSlot{};
      Hole = Next;
    }
    FSlots[Hole] = TSlot{};
    --FCount;
  }

  // Forgets every entry, keeping the slots; back to nearby homes.
  void Clear() {
    if constexpr (TSlot::Epochs) {
      ++FEpoch;
    } else {
      std::fill(FSlots.begin(), FSlots.end(), TSlot{});
    }
    FCount = 0;
    FScattered = false;
  }

  // Asks the memory early for Key's home slot.
  void Expect(std::uintptr_t Key) const {
    if (!FSlots.empty()) PrefetchHead(&FSlots[HomeOf(Key)]);
  }

 private:
  std::size_t HomeOf(std::uintptr_t Key) const { return NearbyHome(Key, FSlots.size(), FScattered); }

  struct TNotTold {
    void Resized(std::size_t /*Size*/) const {}
    void Moved(const TSlot& /*Entry*/) const {}
  };

  // A long run met on the way makes it start over with scattered homes.
  template <class TTold>
  void Rebuild(std::size_t Size, TTold& Told) {
    std::vector<TSlot> Old(Size);
    Old.swap(FSlots);
    for (bool Again = true; Again;) {
      Again = false;
      FCount = 0;
      Told.Resized(Size);
      for (const TSlot& Entry : Old) {
        if (!Entry.Used(FEpoch)) continue;
        std::size_t Run = 0;
        const std::size_t Slot = SlotOf(Entry.Key(), Run);
        if (!FScattered && Run >= LongProbeRun) {
          FScattered = Again = true;
          std::fill(FSlots.begin(), FSlots.end(), TSlot{});
          break;
        }
        Fill(Slot, Entry);
        Told.Moved(Entry);
      }
    }
  }

  std::vector<TSlot> FSlots;
  std::size_t FCount = 0;
  std::uint32_t FEpoch = 1;  // slots start in epoch 0: unused
  bool FScattered = false;
};

}  // namespace keyloom::detail

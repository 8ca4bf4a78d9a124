#pragma once

// The caches of class and list facts. A form has thousands of components
// but a few dozen classes, and every form's settings hold the same lists, so
// what the pipeline asks of a class, or of a class against a list, is worked
// out once and remembered for the thread (threads run forms side by side).
//
// The one rule that keeps them right: an entry is keyed by everything its
// answer depends on, and is never invalidated by hand.
//  - Facts of a C++ class alone are keyed by its type_info: they never go stale.
//  - Facts of a run-time class are keyed by its serial number (never its
//    address: forms free the classes they made for unknown names) and its
//    property count (a run-time class may learn properties later).
//  - Facts against a list are keyed by ListContentId, the list's content
//    rather than the list object: a list that changes gets another number.
// A key that no longer matches finds nothing, and the answer is worked out
// afresh; tables are small and forget, so memory does not grow with forms.

#include <keyloom/host/classes.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <typeinfo>
#include <unordered_map>

namespace keyloom {

// Per thread; never 0, and never the same for two contents met on a thread.
std::uint64_t ListContentId(const TStrings& List);

// Where a key lands in a table of 2^Bits slots: the caches' only hash.
inline std::size_t HomeOfKey(std::uint64_t Key, int Bits) {
  return static_cast<std::size_t>((Key * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
}

namespace detail {

template <class TFacts, TFacts (*Learn)(const TObject& Object)>
class TTypeFacts {
 public:
  static const TFacts& Of(const TObject& Object) {
    const std::type_info* Type = &typeid(Object);
    const TSlot& Slot = Recent[Home(Type)];
    if (Slot.Type == Type) return *Slot.Facts;
    return Remember(Object, Type);
  }

 private:
  struct TSlot {
    const std::type_info* Type = nullptr;
    const TFacts* Facts = nullptr;
  };

  static std::size_t Home(const std::type_info* Type) {
    return HomeOfKey(reinterpret_cast<std::uintptr_t>(Type), 6);
  }

  [[gnu::noinline]] static const TFacts& Remember(const TObject& Object, const std::type_info* Type) {
    thread_local std::unordered_map<const std::type_info*, TFacts> All;
    auto [It, Added] = All.try_emplace(Type);
    if (Added) It->second = Learn(Object);
    Recent[Home(Type)] = {Type, &It->second};
    return It->second;
  }

  static inline thread_local std::array<TSlot, 64> Recent{};
};

}  // namespace detail

}  // namespace keyloom

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

// What a class list says of one class, with the property look-ups the
// caption rule needs: worked out once per list content and class instead of
// comparing every listed name along the class chain for every node.
struct TListFacts {
  std::uint64_t ListId = 0;
  std::uint64_t ClassSerial = 0;
  std::size_t PropCount = 0;
  bool InList = false;
  bool HasFocusControl = false;
  const TPropInfo* FocusControl = nullptr;  // the exact name only, as the queries look it up
  bool HasCaption = false;
  const TPropInfo* Caption = nullptr;
};

// The thread's facts of Class against the list whose content is ListId.
// Found tells whether they were there; if not, the slot holds only its key,
// and the caller fills in the rest.
TListFacts& ListFactsSlot(std::uint64_t ListId, const TClassInfo& Class, bool& Found);

struct TClassFacts;
// The class facts the thread found for objects of the C++ type made as
// Class, with a no-caption list whose content is ListId; nil when none.
const TClassFacts* RememberedClassFacts(const std::type_info& Type, const TClassInfo& Class, std::uint64_t ListId);
void RememberClassFacts(const std::type_info& Type, const TClassInfo& Class, std::uint64_t ListId,
                        const TClassFacts& Facts);

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

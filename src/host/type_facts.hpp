#pragma once

// What follows from an object's C++ class alone, worked out once per class
// and thread: the pipeline asks for every node, of a form's few dozen classes
// in no order. A small table answers most asks without a call or a hash; the
// map behind it keeps every entry where it is, for the table to point at.

#include <keyloom/host/classes.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <typeinfo>
#include <unordered_map>

namespace keyloom::detail {

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
    return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(Type) * 0x9E3779B97F4A7C15ull) >> 58);
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

}  // namespace keyloom::detail

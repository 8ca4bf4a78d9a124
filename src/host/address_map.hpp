#pragma once

// Pointers kept by the address of an object, for walks that remember what
// they found for each object they pass. Objects made one after another get
// slots one after another, so a walk in the order a form was made stays in
// a few pages of the map however large it grows.

#include <memory>

namespace keyloom {

namespace detail {

// The untyped map behind TAddressMap.
class TAddressMapCore {
 public:
  TAddressMapCore();
  TAddressMapCore(const TAddressMapCore&) = delete;
  TAddressMapCore& operator=(const TAddressMapCore&) = delete;
  ~TAddressMapCore();

  bool Find(const void* Key, void*& Value) const;
  void Put(const void* Key, void* Value);
  void Clear();

 private:
  class TTable;
  std::unique_ptr<TTable> FTable;
};

}  // namespace detail

template <class TValue>
class TAddressMap {
 public:
  // Whether Key is kept (its value may be nil); Value is set only if so.
  bool Find(const void* Key, TValue*& Value) const {
    void* Kept = nullptr;
    if (!FCore.Find(Key, Kept)) return false;
    Value = static_cast<TValue*>(Kept);
    return true;
  }
  void Put(const void* Key, TValue* Value) { FCore.Put(Key, Value); }
  // Forgets every key at once, however many there are.
  void Clear() { FCore.Clear(); }

 private:
  detail::TAddressMapCore FCore;
};

}  // namespace keyloom

#pragma once

// Large forms are walked in an order that has nothing to do with where their
// components lie in memory; the walks ask for what they will touch a few
// steps ahead.

#include <cstddef>

namespace keyloom {

// One line. An ask is no effect to the compiler: a function made of asks
// alone would be found to do nothing, and its calls dropped with it.
inline void AskLine(const void* Address) {
  __builtin_prefetch(Address);
  asm volatile("" : : "r"(Address));
}

// All lines of an object of a known size (a tree node's data pointer lies in
// its second line).
template <class T>
inline void PrefetchWhole(const T* Object) {
  const char* Start = reinterpret_cast<const char*>(Object);
  for (std::size_t At = 0; At < sizeof(T); At += 64) AskLine(Start + At);
  AskLine(Start + sizeof(T) - 1);
}

// The whole of a component: the fields a walk reads lie anywhere in it (a
// control takes 480 bytes, a button 512), and it need not start on a line.
inline void PrefetchComponent(const void* Object) {
  if (!Object) return;
  const char* Start = static_cast<const char*>(Object);
  for (int Line = 0; Line <= 8; ++Line) AskLine(Start + 64 * Line);
}

// What says an object's class: its virtual table and its run-time class,
// its first sixteen bytes. The allocator aligns objects to sixteen, so they
// never straddle two lines.
inline void PrefetchHead(const void* Object) {
  if (Object) AskLine(Object);
}

// The first and the last byte of a field of up to a line and a half.
template <class TField>
inline void PrefetchField(const TField& Field) {
  const char* First = reinterpret_cast<const char*>(&Field);
  AskLine(First);
  AskLine(First + sizeof(TField) - 1);
}

}  // namespace keyloom

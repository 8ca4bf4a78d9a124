#pragma once

// Fixed-size blocks for objects a tree makes and frees by the ten thousand.
// Blocks come from chunks that live as long as the program and are handed
// out again from a per-thread free list, so a rebuilt tree neither pays the
// general allocator's coalescing nor scatters over the heap. A block may be
// freed on another thread than the one that took it: it joins that thread's
// list.

#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define KEYLOOM_BLOCK_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEYLOOM_BLOCK_POOL 0
#endif
#endif
#ifndef KEYLOOM_BLOCK_POOL
#define KEYLOOM_BLOCK_POOL 1
#endif

namespace keyloom::detail {

template <std::size_t Size, std::size_t Align>
class TBlockPool {
 public:
  static void* Take() {
    TFreeList& List = Local();
    if (!List.Head) Refill(List);
    TBlock* Block = List.Head;
    List.Head = Block->Next;
    return Block;
  }

  static void Give(void* Memory) noexcept {
    TFreeList& List = Local();
    auto* Block = static_cast<TBlock*>(Memory);
    Block->Next = List.Head;
    List.Head = Block;
  }

 private:
  union TBlock {
    TBlock* Next;
    alignas(Align) std::byte Bytes[Size];
  };
  struct TFreeList {
    TBlock* Head = nullptr;
  };
  static constexpr std::size_t kChunkBlocks = 512;

  static TFreeList& Local() {
    thread_local TFreeList List;
    return List;
  }

  static void Refill(TFreeList& List) {
    // Chunks are never given back: a free list of any thread may point into them.
    static std::mutex Lock;
    static std::vector<TBlock*>* Chunks = new std::vector<TBlock*>;
    auto* Chunk = static_cast<TBlock*>(::operator new(sizeof(TBlock) * kChunkBlocks, std::align_val_t{alignof(TBlock)}));
    {
      const std::lock_guard<std::mutex> Guard(Lock);
      Chunks->push_back(Chunk);
    }
    // Handed out in address order, so a tree built at once lies in one piece.
    for (std::size_t I = kChunkBlocks; I-- > 0;) {
      Chunk[I].Next = List.Head;
      List.Head = &Chunk[I];
    }
  }
};

// The allocation functions of a class whose objects come from a pool; a
// derived class of another size, and sanitizer builds (which must see every
// block come and go), use the general allocator.
template <class T>
void* PooledNew(std::size_t Size) {
  if (!KEYLOOM_BLOCK_POOL || Size != sizeof(T)) return ::operator new(Size);
  return TBlockPool<sizeof(T), alignof(T)>::Take();
}

template <class T>
void PooledDelete(void* Memory, std::size_t Size) noexcept {
  if (!KEYLOOM_BLOCK_POOL || Size != sizeof(T)) {
    ::operator delete(Memory);
    return;
  }
  TBlockPool<sizeof(T), alignof(T)>::Give(Memory);
}

}  // namespace keyloom::detail

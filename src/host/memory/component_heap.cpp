#include "host/memory/component_heap.hpp"

#include "host/memory/block_pool.hpp"
#include "host/memory/huge_chunks.hpp"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>

namespace keyloom::detail {
namespace {

constexpr std::size_t kGrain = 16;  // also the alignment every block gets
constexpr std::size_t kLargest = 1024;
constexpr std::size_t kClasses = kLargest / kGrain;
static_assert(kClasses <= 64, "the depot's stock is one bit a class");
static_assert(kGrain >= alignof(std::max_align_t));

struct TFreeBlock {
  TFreeBlock* Next;
};

// Trivially destructible: a component freed while the thread's other
// thread-local objects go must still find it.
struct TLocalHeap {
  TFreeBlock* Free[kClasses];
  std::byte* Next;
  std::byte* End;
  std::size_t Chunks;
};
constinit thread_local TLocalHeap Local{};

// The uncut rest of a chunk a thread left, kept in its own first bytes.
struct TSpare {
  TSpare* Next;
  std::byte* End;
};

// The blocks and uncut chunks of threads that ended, for the others to take:
// otherwise every thread that made a few components and ended would leave
// most of a chunk behind for good.
struct TDepot {
  std::mutex Lock;
  TFreeBlock* Free[kClasses] = {};
  std::atomic<std::uint64_t> Stocked{0};  // a bit for each class with blocks
  TSpare* Spares = nullptr;
  std::atomic<bool> HasSpares{false};
};

TDepot& Depot() {
  static auto* Instance = new TDepot;  // never destroyed: threads may end after exit began
  return *Instance;
}

// Hands the thread's kept blocks to the depot when the thread ends.
struct TDonor {
  TDonor() noexcept {}  // user-provided, so that its destructor is registered
  ~TDonor() {
    TDepot& Store = Depot();
    const std::lock_guard<std::mutex> Guard(Store.Lock);
    for (std::size_t Class = 0; Class < kClasses; ++Class) {
      TFreeBlock* Head = Local.Free[Class];
      if (!Head) continue;
      TFreeBlock* Tail = Head;
      while (Tail->Next) Tail = Tail->Next;
      Tail->Next = Store.Free[Class];
      Store.Free[Class] = Head;
      Local.Free[Class] = nullptr;
      Store.Stocked.fetch_or(std::uint64_t{1} << Class, std::memory_order_relaxed);
    }
    if (static_cast<std::size_t>(Local.End - Local.Next) >= kLargest) {
      auto* Spare = new (Local.Next) TSpare{Store.Spares, Local.End};
      Store.Spares = Spare;
      Store.HasSpares.store(true, std::memory_order_relaxed);
    }
    Local.Next = Local.End = nullptr;
  }
};

TFreeBlock* Adopt(std::size_t Class) {
  TDepot& Store = Depot();
  const std::uint64_t Bit = std::uint64_t{1} << Class;
  if (!(Store.Stocked.load(std::memory_order_relaxed) & Bit)) return nullptr;
  const std::lock_guard<std::mutex> Guard(Store.Lock);
  TFreeBlock* Head = Store.Free[Class];
  Store.Free[Class] = nullptr;
  Store.Stocked.fetch_and(~Bit, std::memory_order_relaxed);
  return Head;
}

// Once a thread keeps blocks, they must outlive it.
void EnsureDonor() { thread_local TDonor Donor; }

// The uncut rest of a chunk left by a thread that ended, if any.
bool AdoptSpare(TLocalHeap& Heap) {
  TDepot& Store = Depot();
  if (!Store.HasSpares.load(std::memory_order_relaxed)) return false;
  const std::lock_guard<std::mutex> Guard(Store.Lock);
  TSpare* Spare = Store.Spares;
  if (!Spare) return false;
  Store.Spares = Spare->Next;
  Store.HasSpares.store(Store.Spares != nullptr, std::memory_order_relaxed);
  Heap.End = Spare->End;
  Heap.Next = reinterpret_cast<std::byte*>(Spare);
  return true;
}

void NewChunk(TLocalHeap& Heap) {
  EnsureDonor();
  if (!AdoptSpare(Heap)) {
    Heap.Next = MapHugeChunk(Heap.Chunks > 0);
    Heap.End = Heap.Next + kHugeChunkBytes;
  }
  ++Heap.Chunks;
}

// Larger objects, and every object in sanitizer builds, go to the general allocator.
bool Kept(std::size_t Size) { return KEYLOOM_BLOCK_POOL && Size <= kLargest; }

std::size_t ClassOf(std::size_t Size) { return (Size - 1) / kGrain; }

}  // namespace

void* TakeComponentMemory(std::size_t Size) {
  if (!Kept(Size)) return ::operator new(Size);
  const std::size_t Class = ClassOf(Size);
  TLocalHeap& Heap = Local;
  TFreeBlock* Block = Heap.Free[Class];
  if (!Block) Block = Heap.Free[Class] = Adopt(Class);
  if (Block) {
    Heap.Free[Class] = Block->Next;
    return Block;
  }
  // Blocks are cut in the order asked for, so a form read at once lies in one piece.
  const std::size_t Bytes = (Class + 1) * kGrain;
  if (static_cast<std::size_t>(Heap.End - Heap.Next) < Bytes) NewChunk(Heap);
  void* Memory = Heap.Next;
  Heap.Next += Bytes;
  return Memory;
}

void GiveComponentMemory(void* Memory, std::size_t Size) noexcept {
  if (!Memory) return;
  if (!Kept(Size)) {
    ::operator delete(Memory);
    return;
  }
  TLocalHeap& Heap = Local;
  const std::size_t Class = ClassOf(Size);
  auto* Block = static_cast<TFreeBlock*>(Memory);
  if (!Heap.Free[Class]) EnsureDonor();
  Block->Next = Heap.Free[Class];
  Heap.Free[Class] = Block;
}

}  // namespace keyloom::detail

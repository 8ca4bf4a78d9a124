#include "host/memory/node_store.hpp"

#include "host/memory/block_pool.hpp"
#include "host/memory/huge_chunks.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

namespace keyloom {

// ---------------------------------------------------------------- node arena

// Small chunks until they make up one huge page.
bool TTreeNodes::TStore::TArena::IsHuge(std::size_t Chunk) {
  return Chunk >= detail::kHugeChunkBytes / (kChunkNodes * kNodeBytes);
}

std::size_t TTreeNodes::TStore::TArena::Capacity(std::size_t Chunk) {
  return IsHuge(Chunk) ? detail::kHugeChunkBytes / kNodeBytes : kChunkNodes;
}

void TTreeNodes::TStore::TArena::TRelease::operator()(std::byte* Chunk) const noexcept {
  if (Huge)
    detail::UnmapHugeChunk(Chunk);
  else
    delete[] Chunk;
}

void* TTreeNodes::TStore::TArena::Take() {
  if (!KEYLOOM_BLOCK_POOL) return ::operator new(sizeof(TTreeNode));
  if (FUsed == Capacity(FChunk)) {
    ++FChunk;
    FUsed = 0;
  }
  // Nodes are built in place: zeroing the chunk first would only cost time.
  if (FChunk == FChunks.size()) {
    const bool Huge = IsHuge(FChunk);
    std::byte* Memory = Huge ? detail::MapHugeChunk(true) : new std::byte[kNodeBytes * kChunkNodes];
    std::unique_ptr<std::byte[], TRelease> Chunk(Memory, TRelease{Huge});
    FChunks.push_back(std::move(Chunk));
  }
  return FChunks[FChunk].get() + kNodeBytes * FUsed++;
}

// ---------------------------------------------------------------- list pool

// Capacities are powers of two.
int TTreeNodes::TStore::TListPool::PooledSize(std::uint32_t Capacity) {
  const int Size = std::countr_zero(Capacity);
  return KEYLOOM_BLOCK_POOL && Size < kPooledSizes ? Size : -1;
}

TTreeNode** TTreeNodes::TStore::TListPool::Take(std::uint32_t Capacity) {
  const int Size = PooledSize(Capacity);
  if (Size < 0) return new TTreeNode*[Capacity];
  if (TTreeNode** Items = FFree[Size]) {
    std::memcpy(&FFree[Size], Items, sizeof Items);
    return Items;
  }
  if (FUsed + Capacity > kChunkSlots) {
    ++FChunk;
    FUsed = 0;
  }
  if (FChunk == FChunks.size()) FChunks.push_back(std::make_unique_for_overwrite<TTreeNode*[]>(kChunkSlots));
  TTreeNode** Items = FChunks[FChunk].get() + FUsed;
  FUsed += Capacity;
  return Items;
}

// A freed list keeps the next free one of its size in its first slot.
void TTreeNodes::TStore::TListPool::Give(TTreeNode** Items, std::uint32_t Capacity) noexcept {
  const int Size = PooledSize(Capacity);
  if (Size < 0) {
    delete[] Items;
    return;
  }
  std::memcpy(Items, &FFree[Size], sizeof Items);
  FFree[Size] = Items;
}

void TTreeNodes::TStore::TListPool::Reset() {
  FChunk = FUsed = 0;
  std::fill(std::begin(FFree), std::end(FFree), nullptr);
}

// ---------------------------------------------------------------- data index

void TTreeNodes::TStore::TDataIndex::Replace(const TObject* Data, TTreeNode* Node) {
  FTable[SlotOf(Data)].Head = Node;
}

void TTreeNodes::TStore::TDataIndex::Remove(const TObject* Data, const TTreeNode* Node) {
  if (FTable.Empty()) return;
  const std::size_t Slot = SlotOf(Data);
  if (FTable[Slot].Head == Node) FTable.Erase(Slot);
}

void TTreeNodes::TStore::TDataIndex::Clear() {
  FTable.Clear();
  std::fill(FSeen.begin(), FSeen.end(), 0);
}

}  // namespace keyloom

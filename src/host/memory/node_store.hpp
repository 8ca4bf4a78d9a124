#pragma once

// Where a tree view keeps its nodes, their sibling lists and its index of
// nodes by data. Trees are built and cleared by the ten thousand: memory is
// handed out in order and taken back all at once.

#include <keyloom/host/tree_view.hpp>

#include "host/memory/address_table.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace keyloom {

class TTreeNodes::TStore {
 public:
  // Node memory, handed out in order and taken back all at once by Clear, so
  // that a tree built in one go lies in one piece whatever was built before.
  // Past its first two megabytes a tree's nodes come in huge-page chunks.
  class TArena {
   public:
    void* Take();
    void Reset() { FChunk = FUsed = 0; }
    // Every block handed out since the last reset, in the order given.
    template <class TVisit>
    void ForEachTaken(TVisit&& Visit) {
      for (std::size_t Chunk = 0; Chunk <= FChunk && Chunk < FChunks.size(); ++Chunk) {
        const std::size_t Used = Chunk < FChunk ? Capacity(Chunk) : FUsed;
        for (std::size_t I = 0; I < Used; ++I) Visit(FChunks[Chunk].get() + kNodeBytes * I);
      }
    }

   private:
    struct TRelease {
      bool Huge = false;
      void operator()(std::byte* Chunk) const noexcept;
    };
    static constexpr std::size_t kNodeBytes = sizeof(TTreeNode);
    static constexpr std::size_t kChunkNodes = 256;
    // How many nodes the chunk holds: small chunks first, then huge-page ones.
    static std::size_t Capacity(std::size_t Chunk);
    static bool IsHuge(std::size_t Chunk);
    std::vector<std::unique_ptr<std::byte[], TRelease>> FChunks;
    std::size_t FChunk = 0;
    std::size_t FUsed = 0;
  };

  // Memory for the lists, handed out in order like the nodes' and taken back
  // all at once by Clear; a list outgrowing its memory leaves it to the next
  // list that grows to that size. Lists longer than the largest size pooled
  // get memory of their own.
  class TListPool {
   public:
    TTreeNode** Take(std::uint32_t Capacity);
    void Give(TTreeNode** Items, std::uint32_t Capacity) noexcept;
    // Only once no list has memory from the pool.
    void Reset();
    // Whether lists of the capacity (0 for none) are pooled.
    static bool Pooled(std::uint32_t Capacity) { return Capacity == 0 || PooledSize(Capacity) >= 0; }

   private:
    // The pooled size lists of the capacity take, or -1.
    static int PooledSize(std::uint32_t Capacity);
    static constexpr int kPooledSizes = 7;  // capacities 1 to 64
    static constexpr std::size_t kChunkSlots = 4096;
    std::vector<std::unique_ptr<TTreeNode*[]>> FChunks;
    std::size_t FChunk = 0;
    std::size_t FUsed = 0;
    TTreeNode** FFree[kPooledSizes] = {};
  };

  // The nodes that stand for each object, so that finding them needs no walk:
  // the last linked node of each object, the others chained through the
  // nodes. A hashed multimap spent an allocation and a search of equal keys
  // on every node added.
  class TDataIndex {
   public:
    // The last linked node of Data, nil for none.
    TTreeNode* Head(const TObject* Data) const;
    // Makes Node the last linked node of Data: the one it was, or nil.
    TTreeNode* Push(const TObject* Data, TTreeNode* Node);
    // Data's last linked node is now Node (not nil).
    void Replace(const TObject* Data, TTreeNode* Node);
    // Forgets Data if Node is its only node.
    void Remove(const TObject* Data, const TTreeNode* Node);
    void Clear();
    // Asks the memory early for where Data is looked up.
    void Expect(const TObject* Data) const { FTable.Expect(Key(Data)); }

   private:
    struct TSlot {
      static constexpr bool Epochs = false;
      const TObject* Data = nullptr;
      TTreeNode* Head = nullptr;
      bool Used(std::uint32_t /*Epoch*/) const { return Data != nullptr; }
      std::uintptr_t Key() const { return TDataIndex::Key(Data); }
    };
    static std::uintptr_t Key(const TObject* Data) { return reinterpret_cast<std::uintptr_t>(Data); }
    // A bit per two slots, set for every object linked since the table last
    // grew: most asks are for objects without a node, and on a large tree
    // the table is out of the cache while these bits are not.
    std::size_t SeenBitOf(const TObject* Data) const {
      return static_cast<std::size_t>((Key(Data) * detail::kSpread) >> 17) & (2 * FTable.Size() - 1);
    }
    void MarkSeen(const TObject* Data) {
      const std::size_t Bit = SeenBitOf(Data);
      FSeen[Bit / 64] |= std::uint64_t{1} << (Bit % 64);
    }
    // Keeps the bits through the table's rebuilds.
    struct TSeenKeeper {
      TDataIndex& Index;
      void Resized(std::size_t Size) { Index.FSeen.assign(2 * Size / 64, 0); }
      void Moved(const TSlot& Entry) { Index.MarkSeen(Entry.Data); }
    };
    bool MayHaveNodes(const TObject* Data) const {
      const std::size_t Bit = SeenBitOf(Data);
      return (FSeen[Bit / 64] >> (Bit % 64)) & 1u;
    }
    // Where Data is; only for data linked.
    std::size_t SlotOf(const TObject* Data) const { return FTable.SlotOf(Key(Data)); }

    detail::TAddressTable<TSlot> FTable;
    std::vector<std::uint64_t> FSeen;
  };

  TArena Arena;
  TListPool Lists;
  TDataIndex Index;
};

// Both are asked for every node added and every parent looked up: inline.
inline TTreeNode* TTreeNodes::TStore::TDataIndex::Head(const TObject* Data) const {
  if (FTable.Empty() || !MayHaveNodes(Data)) return nullptr;
  const TSlot& Entry = FTable[SlotOf(Data)];
  return Entry.Data == Data ? Entry.Head : nullptr;
}

inline TTreeNode* TTreeNodes::TStore::TDataIndex::Push(const TObject* Data, TTreeNode* Node) {
  const std::size_t Slot = FTable.Place(Key(Data), TSeenKeeper{*this});
  MarkSeen(Data);
  TSlot& Entry = FTable[Slot];
  if (Entry.Data) {
    TTreeNode* Was = Entry.Head;
    Entry.Head = Node;
    return Was;
  }
  FTable.Fill(Slot, TSlot{Data, Node});
  return nullptr;
}

}  // namespace keyloom

#include "host/memory/huge_chunks.hpp"

#include <cstdint>
#include <new>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#define KEYLOOM_MMAP 1
#else
#define KEYLOOM_MMAP 0
#endif

namespace keyloom::detail {

std::byte* MapHugeChunk(bool Huge) {
#if KEYLOOM_MMAP
  // Twice the size, then trimmed to a huge page's boundary on both sides.
  void* Mapped = mmap(nullptr, 2 * kHugeChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Mapped == MAP_FAILED) throw std::bad_alloc();
  auto* Start = static_cast<std::byte*>(Mapped);
  const std::size_t Misfit = reinterpret_cast<std::uintptr_t>(Start) % kHugeChunkBytes;
  const std::size_t Head = Misfit ? kHugeChunkBytes - Misfit : 0;
  if (Head) munmap(Start, Head);
  munmap(Start + Head + kHugeChunkBytes, kHugeChunkBytes - Head);
  std::byte* Chunk = Start + Head;
#ifdef MADV_HUGEPAGE
  if (Huge) madvise(Chunk, kHugeChunkBytes, MADV_HUGEPAGE);
#endif
  return Chunk;
#else
  (void)Huge;
  return static_cast<std::byte*>(::operator new(kHugeChunkBytes, std::align_val_t{kHugeChunkBytes}));
#endif
}

void UnmapHugeChunk(std::byte* Chunk) noexcept {
  if (!Chunk) return;
#if KEYLOOM_MMAP
  munmap(Chunk, kHugeChunkBytes);
#else
  ::operator delete(Chunk, std::align_val_t{kHugeChunkBytes});
#endif
}

}  // namespace keyloom::detail

#pragma once

// Memory in pieces of one huge page, aligned to it, that the system may back
// with a huge page: walking tens of thousands of objects in such memory does
// not wait on an address translation for nearly every one. Only worth it for
// memory that is filled: a huge page is taken whole at its first touch.

#include <cstddef>

namespace keyloom::detail {

inline constexpr std::size_t kHugeChunkBytes = std::size_t{2} << 20;

// Huge: ask for a huge page; otherwise ordinary pages. Throws std::bad_alloc.
std::byte* MapHugeChunk(bool Huge);
void UnmapHugeChunk(std::byte* Chunk) noexcept;

}  // namespace keyloom::detail

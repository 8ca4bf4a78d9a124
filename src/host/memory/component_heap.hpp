#pragma once

// Memory for components. A large form's components lie in memory that the
// system may back with huge pages, so that walking them does not wait on an
// address translation for nearly every one; a thread's first two megabytes
// stay on ordinary pages, so that small forms never pay for a huge page.
// Freed blocks are kept per thread and size for the next components; a block
// may be freed on another thread than the one that took it, and the blocks a
// thread kept and the uncut rest of its chunk go to the others when it ends.
// Memory is never given back to the system. Sanitizer builds use the general
// allocator throughout.

#include <cstddef>

namespace keyloom::detail {

void* TakeComponentMemory(std::size_t Size);
void GiveComponentMemory(void* Memory, std::size_t Size) noexcept;

}  // namespace keyloom::detail

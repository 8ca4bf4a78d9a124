#pragma once

// A number for what a string list holds, the same for two lists that hold
// the same: every form's settings make lists of their own, and what was
// worked out with one holds for the next that holds the same.

#include <keyloom/host/classes.hpp>

#include <cstdint>

namespace keyloom {

// Per thread; never 0, and never the same for two contents met on a thread.
std::uint64_t ListContentId(const TStrings& List);

}  // namespace keyloom

#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace keyloom {

using TIdentList = std::vector<std::pair<std::string, std::int64_t>>;

// The identifiers form files use for colours and cursors.
const TIdentList& ColorIdents();
const TIdentList& CursorIdents();

}  // namespace keyloom

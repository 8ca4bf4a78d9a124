#pragma once

#include <algorithm>
#include <iterator>
#include <vector>

namespace keyloom {

// Erases the one occurrence of Value, searching from the end: children and
// links are mostly undone last first, as their owners free them, and a
// search from the front made freeing a wide parent cost the square of its
// width.
template <class T, class U>
bool EraseLastOf(std::vector<T*>& List, const U* Value) {
  const auto It = std::find(List.rbegin(), List.rend(), Value);
  if (It == List.rend()) return false;
  List.erase(std::next(It).base());
  return true;
}

}  // namespace keyloom

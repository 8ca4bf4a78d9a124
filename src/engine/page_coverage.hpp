#pragma once

// The exact largest coverage of a scope with pages. A letter that only
// captions shown together want is given once in the scope; a letter that
// captions on pages apart want (contested) may serve several pages, one
// caption each, on pages pairwise apart. The search matches as if every
// contested letter served every page that wants it, which bounds what can be
// reached; where that matching gives a letter to pages shown together, it
// branches on the largest sets of pages apart that the letter may serve.

#include <keyloom/scopes.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

namespace keyloom {

struct TPageCoverage {
  std::size_t Size = 0;
  // Whether Size is the maximum: the search ended within its budget.
  bool Proven = true;
  // Whether a choice better than the known one was found; then, per
  // contested letter, the regions it serves in it (every other letter serves
  // the scope once).
  bool Improved = false;
  std::map<TLetterKey, std::vector<int>> Spread;
};

// Letters is indexed like Scope.Nodes: the keys each node may take. Known is
// a coverage already reached: only better choices are searched for. Budget
// bounds the matchings tried.
TPageCoverage ExactPageCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters,
                                std::size_t Known, std::size_t Budget);

// The right-hand vertex a node of Region takes Key through, under Spread:
// the letter's copy for that region when it is spread, else its one copy;
// -1 when the letter serves other regions only.
class TLetterCopies {
 public:
  explicit TLetterCopies(const std::map<TLetterKey, std::vector<int>>& Spread) : FSpread(Spread) {}
  int Of(TLetterKey Key, int Region);
  int Count() const { return static_cast<int>(FIds.size()); }

 private:
  const std::map<TLetterKey, std::vector<int>>& FSpread;
  std::unordered_map<std::uint64_t, int> FIds;  // letter and region (or -1 for the one copy)
};

constexpr std::size_t PageSearchBudget = 256;

}  // namespace keyloom

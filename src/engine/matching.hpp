#pragma once

// Bipartite matchings of captions to letters.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace keyloom {

// A cost compared level by level: a lower first level wins whatever the
// others say. Sums and differences are taken per level, so the costs form an
// ordered group and shortest paths with potentials work on them.
struct TMatchCost {
  static constexpr std::size_t Levels = 6;
  std::array<std::int64_t, Levels> Level{};

  friend TMatchCost operator+(TMatchCost A, const TMatchCost& B) {
    for (std::size_t I = 0; I < Levels; ++I) A.Level[I] += B.Level[I];
    return A;
  }
  friend TMatchCost operator-(TMatchCost A, const TMatchCost& B) {
    for (std::size_t I = 0; I < Levels; ++I) A.Level[I] -= B.Level[I];
    return A;
  }
  friend bool operator<(const TMatchCost& A, const TMatchCost& B) { return A.Level < B.Level; }
  friend bool operator==(const TMatchCost& A, const TMatchCost& B) { return A.Level == B.Level; }
};

struct TMatchEdge {
  int Left;
  int Right;
  TMatchCost Cost;
};

// The largest matching and, among the largest, one of least total cost; the
// same input always gives the same answer. Costs must not be negative. The
// result holds, per left vertex, the index of its edge in Edges, or -1.
std::vector<int> MinCostMaximumMatching(int LeftCount, int RightCount, const std::vector<TMatchEdge>& Edges);

// A largest matching, per right vertex the left one matched to it or -1;
// Adjacent[L] lists the right vertices of L.
std::vector<int> MaximumMatching(int RightCount, const std::vector<std::vector<int>>& Adjacent);
// The size of a largest matching.
std::size_t MaximumMatchingSize(int RightCount, const std::vector<std::vector<int>>& Adjacent);

}  // namespace keyloom

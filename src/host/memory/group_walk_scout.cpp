#include "host/group_walk_scout.hpp"

#include "host/memory/group_scout.hpp"
#include "host/memory/prefetch.hpp"

namespace keyloom {

TGroupWalkScout::TGroupWalkScout(const TTreeNodes& Items, const TTreeNode* Start, bool Active)
    : FScout(std::make_unique<TGroupScout>(Items, Start, TGroupScout::smNodesAndData, Active)) {}

TGroupWalkScout::~TGroupWalkScout() = default;

const std::size_t TGroupWalkScout::kAhead = TGroupScout::Ahead;

void TGroupWalkScout::Ask(const TTreeNode* Node) { PrefetchWhole(Node); }

void TGroupWalkScout::Reach(const std::vector<TTreeNode*>& Group, std::size_t I, std::size_t Done) {
  // The first look's nodes may have left the cache again by now.
  if (I + 2 * kAhead < Group.size()) PrefetchWhole(Group[I + 2 * kAhead]);
  FScout->Keep(Done + I);
}

}  // namespace keyloom

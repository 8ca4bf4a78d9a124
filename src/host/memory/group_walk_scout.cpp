#include "host/group_walk_scout.hpp"

#include "host/memory/group_scout.hpp"
#include "host/memory/prefetch.hpp"

namespace keyloom {

TGroupWalkScout::TGroupWalkScout(const TTreeNodes& Items, const TTreeNode* Start, bool Active)
    : FScout(std::make_unique<TGroupScout>(Items, Start, TGroupScout::smNodesAndData, Active)) {}

TGroupWalkScout::~TGroupWalkScout() = default;

void TGroupWalkScout::Glance(const std::vector<TTreeNode*>& Group, std::size_t I) const {
  if (I + TGroupScout::Ahead < Group.size()) PrefetchWhole(Group[I + TGroupScout::Ahead]);
}

void TGroupWalkScout::Reach(const std::vector<TTreeNode*>& Group, std::size_t I, std::size_t Done) {
  // The first look's nodes may have left the cache again by now.
  if (I + 2 * TGroupScout::Ahead < Group.size()) PrefetchWhole(Group[I + 2 * TGroupScout::Ahead]);
  FScout->Keep(Done + I);
}

}  // namespace keyloom

#include "host/build_scout.hpp"

#include "host/memory/prefetch.hpp"
#include "host/memory/read_ahead.hpp"

namespace keyloom {

void TBuildScout::Sweep(const std::vector<TComponent*>& All, std::size_t I) const {
  if (I + 16 < All.size()) PrefetchComponent(All[I + 16]);
}

void TBuildScout::Adding(const TObject* Data) const { detail::TReadAhead::NodesOf(FItems, Data); }

// Of the component far ahead only what its step reads, and the parent of the
// control above it, which the step reads when that control has no answer
// yet; of the near one, where its nodes are looked up.
void TBuildScout::Ask(const TStep& Far, const TStep& Near) const {
  if (Far.Component) {
    if (Far.ReadsComponent) PrefetchComponent(Far.Component);
    if (Far.Above) detail::TReadAhead::Parent(*Far.Above);
  }
  if (Near.Component) detail::TReadAhead::NodesOf(FItems, Near.Component);
}

}  // namespace keyloom

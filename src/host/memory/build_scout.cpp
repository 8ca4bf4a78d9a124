#include "host/build_scout.hpp"

#include <keyloom/host/controls.hpp>

#include "host/memory/prefetch.hpp"
#include "host/memory/read_ahead.hpp"

namespace keyloom {

void TBuildScout::Sweep(const std::vector<TComponent*>& All, std::size_t I) const {
  if (I + 16 < All.size()) PrefetchComponent(All[I + 16]);
}

void TBuildScout::Adding(const TObject* Data) const { detail::TReadAhead::NodesOf(FItems, Data); }

// Of the component only what the step reads, and for a control the parent of
// the member above it, which Near looks up.
void TBuildScout::Far(const TStep& Step) const {
  if (Step.ReadsComponent) PrefetchComponent(Step.Component);
  if (Step.Controls && Step.Up) detail::TReadAhead::Parent(*static_cast<const TControl*>(Step.Up));
}

// Where the component's nodes are looked up, and the answers for it and the
// members above it. The first child of a parent met in its pass finds no
// answer for the parent, and looks for the grandparent's. Only control
// chains: a menu item's parent lies behind a virtual call.
void TBuildScout::Near(const TStep& Step) const {
  detail::TReadAhead::NodesOf(FItems, Step.Component);
  if (!Step.Answers) return;
  const detail::TAddressMapCore& Answers = Step.Answers->FCore;
  Answers.Expect(Step.Component);
  if (!Step.Up) return;
  Answers.Expect(Step.Up);
  detail::TReadAhead::NodesOf(FItems, Step.Up);
  if (!Step.Controls) return;
  if (const TObject* Above = static_cast<const TControl*>(Step.Up)->GetParent()) Answers.Expect(Above);
}

}  // namespace keyloom

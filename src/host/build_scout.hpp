#pragma once

// Building a working tree adds a form's components level by level, each under
// the last node of the members above it: in an order that has nothing to do
// with where the components, and the index that finds their nodes, lie in
// memory. The build keeps this scout informed of where it is, and the scout
// asks the memory for what the steps a little ahead will read.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/controls.hpp>
#include <keyloom/host/tree_view.hpp>

#include <cstddef>
#include <vector>

namespace keyloom {

class TBuildScout {
 public:
  // What one step of the build reads.
  struct TStep {
    const TComponent* Component = nullptr;
    // Whether the step reads the component itself.
    bool ReadsComponent = false;
    // The control above the component, whose parent the step may look up;
    // nil for menu items and at the top.
    const TControl* Above = nullptr;
  };

  explicit TBuildScout(const TTreeNodes& Items) : FItems(Items) {}

  // The sweep that finds the components' levels is at All[I].
  void Sweep(const std::vector<TComponent*>& All, std::size_t I) const;
  // The build is at its Done-th of Count steps; StepAt(I) tells step I.
  template <class TStepAt>
  void Keep(std::size_t Done, std::size_t Count, TStepAt&& StepAt) const {
    TStep Far, Near;
    if (Done + kFar < Count) Far = StepAt(Done + kFar);
    if (Done + kNear < Count) Near = StepAt(Done + kNear);
    Ask(Far, Near);
  }
  // Nodes for Data are to be added soon.
  void Adding(const TObject* Data) const;

 private:
  static constexpr std::size_t kNear = 8;
  static constexpr std::size_t kFar = 2 * kNear;
  // Of the step far ahead and of the near one; a step without a component
  // is past the end.
  void Ask(const TStep& Far, const TStep& Near) const;

  const TTreeNodes& FItems;
};

}  // namespace keyloom

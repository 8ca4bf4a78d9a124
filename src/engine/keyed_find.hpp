#pragma once

// The engine's parts that the key settings share with the plain search.

#include <keyloom/engine.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/scopes.hpp>

#include "queries/class_facts.hpp"

#include <vector>

namespace keyloom {

// Whether a node of that component may take a new letter; Info receives the
// component's own caption, which the default captions are matched against.
bool IsEligibleComponent(const TObject* Component, const TClassFacts& Facts, const TStrings& CaptionClasses,
                         const TStrings& NoCaptionClasses, TCaptionInfo& Info);

// CollectScopes for the nodes below Parent (all nodes when nil).
std::vector<TKeyScopeGroup> CollectScopesBelow(const TCustomTreeView& Tree, TTreeNode* Parent, TKeyScope Scope);

// Find with settings that are not all defaults.
void FindWithOptions(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
                     const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
                     const TKeyOptions& Options);

}  // namespace keyloom

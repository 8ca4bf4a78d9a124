#pragma once

// The working tree: built from a form as a forest of caption nodes that
// mirrors how the form nests its controls and menu items, and its sort orders.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/forms.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace keyloom {

// ---------------------------------------------------------------- building

using TAddComponentProc = std::function<void(TObject* Component, TCustomTreeView& Tree, int Level,
                                             const TStrings& List1, const TStrings& List2)>;

// The pass in which a component is added: 1 for containers and menus, the
// depth below Form for other controls, the depth below the menu plus one for
// menu items; -1 for components that are never added.
int GetComponentLevel(const TCustomForm* Form, const TComponent* Component);

// Hands every component owned by Component that has a level to AddProc,
// level by level and within a level in component order. Form is where parent
// walks stop (nil: at the end of the chain). Does not clear the tree.
void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TAddComponentProc& AddProc, const TStrings& List1, const TStrings& List2);

// Adds the components as EnumComponents with AddComponent does, in the same
// order and with the same nodes, but remembers the parent nodes it finds
// instead of walking each component's chain of parents anew.
void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TStrings& CaptionClasses, const TStrings& NoCaptionClasses);

// Adds the component's caption node under the node of its nearest enclosing
// control or menu item already in the tree (else as a root); a radio group
// adds one node per item instead, each standing for a TRadioGroupIndex.
void AddComponent(TObject* Component, TCustomTreeView& Tree, int Level, const TStrings& CaptionClasses,
                  const TStrings& NoCaptionClasses);

// Whether Candidate is Component itself or on its parent chain (controls:
// parent controls; menu items: parent items, then the menu).
bool IsSelfOrAncestor(const TObject* Component, const TObject* Candidate);

// Removes every node. The radio-group item proxies stay with the tree view,
// which hands them to the items of its next build: repeated builds neither
// pile them up nor make them anew.
void ClearWorkingTree(TCustomTreeView& Tree);

// ---------------------------------------------------------------- sort orders

enum class TSortMethod : std::uint8_t { smNothing, smCaption, smCaptionLength, smUniqueLetters };

// Ordinal comparison of the captions without their markup: -1, 0 or 1.
int CompareCaptions(const std::string& Caption1, const std::string& Caption2);
// Shortest first (length without markup), then by caption.
int CompareCaptionLengths(const std::string& Caption1, const std::string& Caption2);
// Fewest different letters first, then by caption.
int CompareUniqueLetters(const std::string& Caption1, const std::string& Caption2);

// The compare event of both faces: writes -1, 0 or 1 into Compare by the
// nodes' texts; leaves it untouched for smNothing.
void CompareNodes(TSortMethod Method, const TTreeNode& Node1, const TTreeNode& Node2, int& Compare);

// The same order as AlphaSort with CompareNodes(Method) as the compare event
// (ties keep their order), but each node's keys are worked out once instead
// of at every comparison.
void SortTree(TCustomTreeView& Tree, TSortMethod Method);

}  // namespace keyloom

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

class TRadioItemShelf;

// Stands for one item of a radio group, so that the item can take a letter
// and be written back. Owned by the tree view whose node refers to it. Only
// its radio group concerns it, so the tree view's notifications about its
// other components (thousands of proxies in a large form) are not passed on.
class TRadioGroupIndex : public TComponent {
  KEYLOOM_CLASS(TRadioGroupIndex)
 public:
  explicit TRadioGroupIndex(TComponent* AOwner) : TComponent(AOwner, false) {}
  ~TRadioGroupIndex() override;
  // Made by the ten thousand for large forms: they come from a pool.
  static void* operator new(std::size_t Size);
  static void operator delete(void* Memory, std::size_t Size) noexcept;

  // Position of the item in the radio group's item list, from 0.
  int GetIndex() const { return FIndex; }
  void SetIndex(int Value) { FIndex = Value; }
  // The radio group of the item; nil once that group is gone.
  TRadioGroup* GetRadioGroup() const { return FRadioGroup; }
  void SetRadioGroup(TRadioGroup* Value);
  // Takes Other's radio group and shares Other's watch on it, so that the
  // items of one group cost the group one link, not one each.
  void ShareRadioGroupOf(TRadioGroupIndex& Other);
  // Asks the memory early for the index and the group, for walks that will
  // read them a few steps on.
  void PrefetchItem() const {
    __builtin_prefetch(&FIndex);
    __builtin_prefetch(reinterpret_cast<const char*>(&FRadioGroup + 1) - 1);
  }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TRadioItemShelf;
  void LeaveRadioGroup();

  int FIndex = 0;
  TRadioGroup* FRadioGroup = nullptr;
  // The proxies sharing one watch on a radio group form a ring; one of them
  // holds the link and tells the others when the group goes.
  TRadioGroupIndex* FPrevSharing = this;
  TRadioGroupIndex* FNextSharing = this;
  bool FWatches = false;
  // The shelf that hands this proxy to the builds of its tree view, if any.
  TRadioItemShelf* FShelf = nullptr;
};

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

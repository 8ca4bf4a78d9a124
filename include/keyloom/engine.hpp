#pragma once

// The key engine: choosing accelerators within each sibling group of the
// working tree, and writing the captions back into the components.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/markup.hpp>

#include <functional>
#include <string>

namespace keyloom {

// The accelerators already taken in one sibling group, compared without
// regard to case. An empty accelerator (a caption without a marker) is kept
// as well: it decides whether a default caption without a marker applies.
class TUsedLetters {
 public:
  // Takes GetAccelerator's result: one character or "".
  void Add(const std::string& Accelerator) {
    if (Accelerator.empty())
      FHasEmpty = true;
    else
      FLetters.Add(Accelerator.front());
  }
  void Add(char Letter) { FLetters.Add(Letter); }
  bool Contains(const std::string& Accelerator) const {
    return Accelerator.empty() ? FHasEmpty : FLetters.Contains(Accelerator.front());
  }
  bool Contains(char Letter) const { return FLetters.Contains(Letter); }
  bool HasEmpty() const { return FHasEmpty; }
  bool Empty() const { return FLetters.Empty() && !FHasEmpty; }

 private:
  TLetterSet FLetters;
  bool FHasEmpty = false;
};

// Gives every caption node below Parent (the roots when Parent is nil) that
// has no accelerator yet a letter that no sibling uses, then does the same
// for each node's children. Used holds the letters the caller's group took;
// it is only read. Component is what Parent stands for (nil at the top): the
// items of a menu item or popup menu start with no letters taken, every other
// group with the caller's.
void Find(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
          const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions);

// The same with the settings of TKeyOptions. With Options.IsDefault() this is
// the call above. Under ksSiblings, Used seeds the top group as above; under
// ksWindow the nodes below Parent (all nodes when nil) are the window, which
// starts with no letter taken, and Used and Component are not read.
// See keyloom/scopes.hpp for what must differ under each scope.
void Find(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
          const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
          const TKeyOptions& Options);

// Whether the node may take a new letter, whatever its text: not a default or
// cancel button, not of a no-caption class, not a node that shows a
// component's name. The same in every mode; statistics count eligible
// captions with it.
bool IsEligibleCaptionNode(const TTreeNode& Node, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses);

// Called for each caption before it is written; the handler may change it.
using TAssignEvent = std::function<void(TObject* Sender, TObject* Component, std::string& Caption)>;

// Writes the text of every node into the component it stands for: through
// its published "Caption" (only while CaptionClasses is not empty), as a group
// box's text, as a menu item's caption, or as a radio-group item. Nodes of
// no-caption classes, and nodes that show a component's name, are skipped.
void AssignKeys(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TObject* Sender, const TAssignEvent& Handler);

}  // namespace keyloom

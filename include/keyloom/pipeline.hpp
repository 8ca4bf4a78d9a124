#pragma once

// The one run over a form: the working tree is built from the form's
// components, each sibling group sorted, letters found, and the captions
// written back. TKeyloom, the command, the editor and the statistics all run
// it through here, so that every face gives a form the same letters for the
// same settings.

#include <keyloom/engine.hpp>
#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/tree.hpp>

#include <functional>
#include <string>
#include <vector>

namespace keyloom {

// The settings of one run as plain values; the lists start with their
// built-in contents.
struct TKeySettings {
  bool Active = true;
  bool OnlyUnassigned = true;
  TSortMethod SortMethod = TSortMethod::smUniqueLetters;
  std::vector<std::string> CaptionClasses;
  std::vector<std::string> NoCaptionClasses;
  std::vector<std::string> DefaultCaptions;
  // Scope, strategy, reserved letters and non-Latin captions.
  TKeyOptions Options;

  TKeySettings();
};

// The settings' lists as string lists, as the tree and the engine take them.
// What is worked out per list is remembered by the lists' content, so lists
// made afresh for every form cost no more than the first.
struct TSettingLists {
  explicit TSettingLists(const TKeySettings& Settings);
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
};

// One run as TKeyloom makes it: its lists, its settings, and who is told of
// every caption before it is written.
struct TPipelineRun {
  const TStrings& CaptionClasses;
  const TStrings& NoCaptionClasses;
  const TStrings& DefaultCaptions;
  TSortMethod SortMethod = TSortMethod::smUniqueLetters;
  // Sorts with the tree's own compare event (AlphaSort) instead: for a tree
  // whose event someone else has set.
  bool SortByEvent = false;
  bool OnlyUnassigned = true;
  TKeyOptions Options;
  TObject* Sender = nullptr;
  const TAssignEvent* OnAssign = nullptr;
};

// The steps, for the faces that show the tree between them.
// Clears the tree and adds a node for every caption of Form's components.
void BuildWorkingTree(TCustomTreeView& Tree, TComponent& Form, const TStrings& CaptionClasses,
                      const TStrings& NoCaptionClasses);
// Orders each sibling group by Method.
void SortWorkingTree(TCustomTreeView& Tree, TSortMethod Method);
// Takes every node's accelerator away, for runs that assign afresh.
void StripWorkingTree(TCustomTreeView& Tree);

// Captions a run takes as they are, never stripping their letters: those a
// window shows from files other than the one being processed.
using TKeptCaptions = std::function<bool(const TObject* Component)>;
// The same, leaving the kept captions their letters.
void StripWorkingTree(TCustomTreeView& Tree, const TKeptCaptions& Kept);
// Finds letters for the whole tree, the root level being the first group.
void FindLetters(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                 const TStrings& DefaultCaptions, const TKeyOptions& Options);

// The whole run: build, sort, strip when only unassigned captions are not
// asked for, find, and write back into the components.
void RunPipeline(TCustomTreeView& Tree, TComponent& Form, const TPipelineRun& Run);

// The same with plain settings and a tree of its own; runs nothing when the
// settings are not active.
void RunPipeline(TComponent& Form, const TKeySettings& Settings);
void RunPipeline(TComponent& Form, const TKeySettings& Settings, const TKeptCaptions& Kept);

// Build and sort with the settings, as a run does before it finds.
void BuildWorkingTree(TCustomTreeView& Tree, TComponent& Form, const TKeySettings& Settings);
// Strip when the settings ask for it, then find; only the tree's texts change.
void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings);
void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings, const TKeptCaptions& Kept);

}  // namespace keyloom

#pragma once

// Finding accelerators for a form read from its file, as a TKeyloom on that
// form would at run time: with the settings of the TKeyloom stored in the
// file, or, for a form without one, with settings given by the caller.

#include <keyloom/formfile/loader.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/tree.hpp>

#include <memory>
#include <string>
#include <vector>

namespace keyloom::formfile {

// The settings of one run; the lists start with their built-in contents.
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
  static TKeySettings Of(const TKeyloom& Component);
};

// The settings' lists as string lists. They stay the same objects from call
// to call on a thread and change only when the settings do, so that what key
// finding works out per list and class still holds for the next form. The
// lists stay as they are until the next call on the same thread.
struct TSettingLists {
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
};
const TSettingLists& SettingLists(const TKeySettings& Settings);

// Loads a form as LoadForm does, except that the TKeyloom components stored in
// it stay dormant: they keep their stored settings but do not run when the
// form has loaded, so that the captions are those of the file until RunKeys.
// Class maps to TKeyloom are honoured the same way.
std::unique_ptr<TLoadedForm> LoadFormForKeys(TDocument Document, const TLoadOptions& Options = {});

// The TKeyloom components of the form (also those inside frames), in creation order.
std::vector<TKeyloom*> StoredKeylooms(TCustomForm& Form);

// What a run on this form uses: the settings of the first TKeyloom the form
// owns, else Fallback. Stored is set when they come from the file.
TKeySettings EffectiveSettings(TLoadedForm& Form, const TKeySettings& Fallback, bool* Stored = nullptr);

// Runs the pipeline as at run time: every stored TKeyloom whose Active is
// true runs once over its owner, in creation order. A form that owns none
// itself (one inside a frame belongs to the frame) gets a TKeyloom with
// Fallback's settings dropped on it, FindKeys, and the component removed
// again, so it never reaches the file. Returns the number of runs.
int RunKeys(TLoadedForm& Form, const TKeySettings& Fallback);

// Builds the working tree of the form as a run does: cleared, enumerated with
// the settings' class lists, sorted by their order. Radio-group item proxies
// are owned by the tree.
void BuildWorkingTree(TCustomTreeView& Tree, TCustomForm& Form, const TKeySettings& Settings);

// Strips the markup when the settings ask for it, then finds letters; only
// the tree's texts change.
void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings);

// Where the caption of a tree node's object stands in the file: the published
// caption, a radio-group item, else the object's header.
TPosition CaptionPosition(const TLoadedForm& Form, const TObject* Object);

// How many captions (radio-group items included) the live form shows with an
// accelerator that the file holds without one. Call before StoreCaptions.
int CountCaptionsGivenALetter(TLoadedForm& Form);

}  // namespace keyloom::formfile

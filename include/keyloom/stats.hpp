#pragma once

// How well the accelerators of a form serve its user, judged on what shows
// together in the window whatever scope the letters were found in: how many
// captions could take a letter, how many hold one that nothing visible with
// them shares, how many pairs clash, how natural the letters are, and how many
// captions could at most hold a unique letter.

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/scopes.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom::stats {

struct TCaptionStats {
  // Caption nodes the engine may give a letter whose caption has a letter of
  // any script (an appended " (&X)" aside).
  std::size_t Eligible = 0;
  // Eligible captions with an accelerator that no caption shown with them shares.
  std::size_t Covered = 0;
  // Pairs of captions shown together that mark the same letter (any caption,
  // eligible or not: a marker shows either way).
  std::size_t Clashes = 0;
  // Eligible captions with an accelerator.
  std::size_t Marked = 0;
  // Of those, the ones marked on the first letter of a word.
  std::size_t FirstLetters = 0;
  // The most eligible captions that could hold a letter no caption shown
  // with them holds; exact where the search ended within its budget, else
  // the most it found.
  std::size_t Maximum = 0;
  // Scopes whose maximum the search could not prove.
  std::size_t Unproven = 0;
  // Controls and menu items whose caption holds a letter of any script, its
  // own or an action's, where a letter would show and work (not a label
  // without a control to focus, not a tool button of a tool bar that shows no
  // captions), and of those the ones the run sees (a radio group
  // through its items), and of those the ones that show an action's caption
  // without storing one of their own.
  std::size_t Captioned = 0;
  std::size_t TakingPart = 0;
  std::size_t FromActions = 0;

  TCaptionStats& operator+=(const TCaptionStats& Other);
};

// Whether the caption's marker stands on the first character of a word.
bool MarksWordStart(const std::string& Caption);

// The pairs among Holders (indexes into Scope.Nodes) that show together, each
// pair once; marks in Shared (indexed like Scope.Nodes) every holder in such
// a pair.
std::size_t CountPairsShownTogether(const TKeyScopeGroup& Scope, const std::vector<std::size_t>& Holders,
                                    std::vector<bool>& Shared);

// Measures a built working tree as its texts stand. The lists decide which
// nodes are eligible; Options give the reserved letters and the letters a
// caption may take (NonLatin) for the maximum. Markers are read on Greek and
// Cyrillic letters as such in every mode. The captions Fixed names cannot
// change (a run may not write them): the maximum takes them as they stand.
TCaptionStats MeasureTree(const TCustomTreeView& Tree, const TStrings& CaptionClasses,
                          const TStrings& NoCaptionClasses, const TKeyOptions& Options,
                          const TKeptCaptions& Fixed = {});

// Measures a form read for keys: after the run assign would make (captions
// change in memory only) when Run is true, else as the file holds it. The
// settings are those assign would use: the form's own TKeyloom's, else Fallback.
// The run keeps, and the maximum takes as they stand, the captions Fixed names.
TCaptionStats MeasureForm(formfile::TLoadedForm& Form, const TKeySettings& Fallback, bool Run,
                          const TKeptCaptions& Fixed = {});

}  // namespace keyloom::stats

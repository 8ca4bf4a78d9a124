#pragma once

// Checking a working tree for accelerator problems without changing it: the
// scope is the one key finding works in, a sibling group together with the
// letters it inherits from the groups above it.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace keyloom {

enum class TCaptionProblemKind : std::uint8_t {
  cpClash,    // the accelerator is already used in the group or inherited by it
  cpMissing,  // no accelerator, though finding would give one
};

struct TCaptionProblem {
  TCaptionProblemKind Kind = TCaptionProblemKind::cpClash;
  TTreeNode* Node = nullptr;       // the caption with the problem
  std::string Caption;             // its text as the tree held it
  std::string Accelerator;         // clash: the shared character (a whole UTF-8 character), as marked
  TTreeNode* Other = nullptr;      // clash: the caption that uses it first; nil for one outside the tree
  const TObject* OtherComponent = nullptr;  // clash: what shows that caption
  std::string OtherCaption;                 // clash: its text
  bool Inherited = false;          // clash: Other belongs to an enclosing group
  std::string Suggestion;          // missing: the caption finding gives it
};

// The marked character of a caption: a whole UTF-8 character where the marker
// stands before one, else one byte; "" when there is none.
std::string MarkedCharacter(const std::string& Caption);

// The problems of a built and sorted working tree, in pre-order of their
// nodes. Clashes are found on the texts as they are: per group, a caption
// whose accelerator an earlier sibling or an enclosing group already uses
// (compared without regard to case). Missing accelerators are the nodes
// without markup that a run would mark: the run is simulated (stripping first
// when OnlyUnassigned is false) with Options and the texts are put back
// afterwards. Clashes are judged per sibling group, or with Options.Scope
// ksWindow per window scope: among the captions that show together, with the
// captions the window shows outside the tree (a radio group's title) too.
std::vector<TCaptionProblem> CheckCaptions(TCustomTreeView& Tree, const TStrings& CaptionClasses,
                                           const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
                                           bool OnlyUnassigned = true, const TKeyOptions& Options = {});

}  // namespace keyloom

#pragma once

// Scopes: the sets of captions whose accelerators must differ, and the letters
// a caption may take. The engine works on these, and so can anything that
// reports on a form (how many captions could get a letter, how many did), so
// that both count the same way.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

// ---------------------------------------------------------------- letters

// A letter as the engine compares letters. A single-byte letter (0x41 to 0x80,
// the plain search's letters) is its case-folded byte, below 0x100. A letter
// of a caption's own alphabet (Greek, Cyrillic or accented Latin written as
// UTF-8, only under nlNative) is
// 0x100 plus its case-folded code point, so the two kinds never meet.
using TLetterKey = std::uint32_t;

constexpr TLetterKey NativeKeyBase = 0x100;

// Any byte's key (a marker may stand on a digit; it is reserved all the same).
TLetterKey ByteLetterKey(char C);
// Greek and Cyrillic letters: U+0370 to U+04FF without the numeral signs,
// punctuation, accents and combining marks of those blocks.
bool IsNativeLetter(char32_t CodePoint);
// Whether the text holds a letter of any script: A-Z in either case, or a
// character beyond ASCII that is not punctuation, a symbol or a space. Bytes
// that are not UTF-8 count when they are the letters of the Western code page.
bool HasLetterOfAnyScript(std::string_view Text);
// Simple case folding within those blocks and of accented Latin letters; other code points are returned as they are.
char32_t FoldNativeLetter(char32_t CodePoint);
TLetterKey NativeLetterKey(char32_t CodePoint);
inline bool IsNativeKey(TLetterKey Key) { return Key >= NativeKeyBase; }

// One letter a caption may take, and where its marker goes.
struct TLetterChoice {
  TLetterKey Key = 0;
  std::size_t Position = 0;  // where the plain search puts "&": the first occurrence (byte offset)
  std::size_t Found = 0;     // where the letter was found (byte offset): a word's start when WordStart
  bool WordStart = false;    // the letter was found as the first character of a word
  int Rank = 0;              // its place in the plain search's order, from 0
  bool KeyName = false;      // found only in a key name (KeyNamesLast)
};

// The letters an unmarked caption may take, each key once, in the plain
// search's order: the first characters of all words in word order, then all
// second characters, and so on. The marker goes before the first occurrence of
// the same character (same case) in the whole caption, as the plain search
// puts it (Position), or before the very character chosen (Found). Latin letters always; under nlNative also Greek and Cyrillic ones,
// and accented Latin ones (U+00C0 to U+017F), and positions then count
// characters instead of bytes. Only the letters of
// the caption itself: the letter nlAppend adds is not among them.
// KeyNamesLast: the letters of key names (F1 to F24; Ctrl, Alt, Shift, Del,
// Esc, Enter, Tab, PgUp and the like next to "+" or alone in parentheses; the
// key joined to them by "+"; all that follows a tab) come after every other
// letter, and a marker goes on an occurrence outside them when there is one.
std::vector<TLetterChoice> CaptionLetters(const std::string& Caption, TNonLatinMode Mode, bool KeyNamesLast = false);

// Whether a node's caption is its component's name, as a form designer
// names a new control ("Button1"): a placeholder the program replaces.
bool IsPlaceholderCaption(const TTreeNode& Node);

// Whether a component is a tool button whose toolbar shows no captions: its
// caption, even when a class list names TToolButton, is never seen.
bool IsUnshownToolCaption(const TObject* Component);

// The key of the character a caption's marker stands on; false when the
// caption marks nothing (no marker, or only a trailing "&"). Under nlNative a
// marker before a Greek, Cyrillic or accented Latin letter yields that letter's key (the marker
// stands before its whole UTF-8 sequence); otherwise the marked byte's key.
bool MarkedLetter(const std::string& Caption, TNonLatinMode Mode, TLetterKey& Key);

// The keys of a ReservedLetters string (UTF-8). Greek, Cyrillic and accented Latin letters
// yield native keys, any other character its byte's key; duplicates removed.
std::vector<TLetterKey> ReservedLetterKeys(const std::string& Letters);

// ---------------------------------------------------------------- scopes

// One set of caption nodes whose accelerators must differ.
//
// ksSiblings: one scope per sibling group of the working tree (the roots, the
// children of each node), exactly today's groups. Such a scope also starts
// with every letter its parent group ends with (Inherits), unless its parent
// stands for a menu item or a popup menu: a submenu and a popup menu start
// with no letter taken.
//
// ksWindow: one scope for the window: every caption node of the form's
// controls, at any depth, and the top-row items of its main menu; plus one
// scope per submenu and per popup menu (the items of one level), as before.
// Within the window scope the pages of a page control (tab sheets) and of a
// notebook are regions: only one page shows at a time, so nodes on different
// pages of the same page control need not differ, while both must differ from
// everything outside that page control. The tabs themselves show with the page
// control. Each main menu's top row is a region of its own, in case a form has
// several (only one shows). No window scope inherits letters.
struct TKeyScopeGroup {
  // The scope's nodes, all of them (marked, ineligible and name nodes too:
  // their markers are reserved), in the order the engine handles them: the
  // plain search's order, one sibling group after another, a group before the
  // groups of its children, each group in sibling order. Earlier nodes are the
  // sort order's favourites.
  std::vector<TTreeNode*> Nodes;
  // Per node, its region; 0 is the region outside every page.
  std::vector<int> Region;
  // The index of the scope (in CollectScopes' result, always an earlier one)
  // whose letters, as they stand when it is done, this scope starts with; -1
  // for none. Only ksSiblings scopes inherit.
  int Inherits = -1;
  // What the parent node of the group stands for (ksSiblings; nil for the
  // roots and for the window scope), and that node (nil for the roots and
  // the window scope).
  TObject* Component = nullptr;
  TTreeNode* Parent = nullptr;
  // Captions the window shows with the scope's nodes and that answer
  // Alt+letter there, but that the class lists leave out of the tree (a radio
  // group's own title, the tool buttons of a toolbar that shows captions):
  // never given a letter, while the letter each marks is taken in its region.
  // ksWindow only.
  struct TShownCaption {
    const TControl* Control;
    int Region;
  };
  std::vector<TShownCaption> Shown;

  int RegionCount() const { return FRegionCount; }
  // Whether captions of the two regions can show at the same time.
  bool RegionsTogether(int A, int B) const {
    return FTogether[static_cast<std::size_t>(A) * static_cast<std::size_t>(FRegionCount) + static_cast<std::size_t>(B)] != 0;
  }
  // Whether nodes A and B (indexes into Nodes) show together and so must differ.
  bool VisibleTogether(std::size_t A, std::size_t B) const { return RegionsTogether(Region[A], Region[B]); }
  // Whether some two nodes of the scope need not differ (the scope is not a
  // plain set of captions that must all differ).
  bool HasPages() const;

  // Regions and which of them show together; used by CollectScopes.
  void SetRegions(int Count, std::vector<std::uint8_t> Together) {
    FRegionCount = Count;
    FTogether = std::move(Together);
  }

 private:
  int FRegionCount = 1;
  std::vector<std::uint8_t> FTogether{1};
};

// The scopes of the working tree under that setting, in the order the engine
// handles them (an inherited scope comes before the scopes that inherit from
// it). Every node belongs to exactly one scope, except the nodes of a main or
// popup menu itself under ksWindow, which name the menu and never take a letter.
std::vector<TKeyScopeGroup> CollectScopes(const TCustomTreeView& Tree, TKeyScope Scope);

// Per node of Scopes[Index], the keys the engine could give it now: none for
// a node that is marked, not eligible (IsEligibleCaptionNode), a placeholder
// under plSkip, has a blank caption or shows the same action as an earlier
// node of the scope (one command, one caption); otherwise CaptionLetters, less
// the reserved letters, less the letters of the inherited scopes (the letters
// marked there now), less the letters marked on the nodes of this scope and
// on its captions outside the tree (Shown) that show together with it. Meant for
// counting after the engine ran, or before, with the same rules.
std::vector<std::vector<TLetterKey>> CandidateLetters(const std::vector<TKeyScopeGroup>& Scopes, std::size_t Index,
                                                      const TKeyOptions& Options, const TStrings& CaptionClasses,
                                                      const TStrings& NoCaptionClasses);

// The largest number of the scope's nodes that can get a letter each from
// Letters (indexed like Scope.Nodes; an empty list: the node takes none) so
// that nodes that show together get different letters. A maximum bipartite
// matching when the scope has no pages; with pages an exact search over the
// letters that pages apart both want, within a budget of matchings: past it,
// the most found, and Proven is false.
struct TCoverageMaximum {
  std::size_t Size = 0;
  bool Proven = true;
};
TCoverageMaximum ExactMaximumCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters);
std::size_t MaximumCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters);

}  // namespace keyloom

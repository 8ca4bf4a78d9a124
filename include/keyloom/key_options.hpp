#pragma once

// Settings beyond the plain letter search. With every field at its default
// the engine gives exactly the plain search's results.

#include <cstdint>
#include <string>

namespace keyloom {

// What must differ: each sibling group (inheriting its parent group's
// letters), or every caption visible together in the window.
enum class TKeyScope : std::uint8_t { ksSiblings, ksWindow };

// How letters are chosen: the first free letter of each caption in turn, or
// the largest number of captions covered, chosen as naturally as possible.
enum class TAssignStrategy : std::uint8_t { asLetterSearch, asBestCoverage };

// Captions without a usable Latin letter: left alone, given an appended
// " (&X)", or marked on a letter of their own alphabet.
enum class TNonLatinMode : std::uint8_t { nlSkip, nlAppend, nlNative };

// Captions equal to their component's name, which a form designer writes for a
// new control and the program replaces at run time: taken as any caption, or
// given no letter and not counted.
enum class TPlaceholders : std::uint8_t { plTreatAsCaption, plSkip };

struct TKeyOptions {
  TKeyScope Scope = TKeyScope::ksSiblings;
  TAssignStrategy Strategy = TAssignStrategy::asLetterSearch;
  // Never given; compared without regard to case.
  std::string ReservedLetters;
  TNonLatinMode NonLatin = TNonLatinMode::nlSkip;
  TPlaceholders Placeholders = TPlaceholders::plTreatAsCaption;

  bool operator==(const TKeyOptions&) const = default;

  bool IsDefault() const {
    return Scope == TKeyScope::ksSiblings && Strategy == TAssignStrategy::asLetterSearch && ReservedLetters.empty() &&
           NonLatin == TNonLatinMode::nlSkip && Placeholders == TPlaceholders::plTreatAsCaption;
  }
  // Letters as a user looks for them: the letters of key names ("F1",
  // "Ctrl+S", a shortcut after a tab) only when no other is left. The plain
  // search and the window search keep to the order of earlier versions.
  bool KeyNamesLast() const {
    return Strategy == TAssignStrategy::asBestCoverage || NonLatin != TNonLatinMode::nlSkip;
  }
};

}  // namespace keyloom

#pragma once

// Characters of a caption as the key settings see them, and sets of letter keys.

#include <keyloom/scopes.hpp>

#include <bitset>
#include <cstddef>
#include <string>
#include <vector>

namespace keyloom {

// The length of the well-formed multi-byte UTF-8 sequence at Pos and its code
// point; 0 for anything else (a single byte, a stray or broken sequence).
std::size_t DecodeUtf8(const std::string& S, std::size_t Pos, char32_t& CodePoint);

// One character: a byte, or under the native mode a whole UTF-8 sequence.
struct TTextUnit {
  std::size_t Position;
  std::size_t Length;
  bool Letter;  // may become an accelerator
  TLetterKey Key;
};

void SplitUnits(const std::string& Text, bool Native, std::vector<TTextUnit>& Units);

// Every key fits: bytes below 0x100, Greek and Cyrillic up to 0x100 + U+04FF.
constexpr std::size_t KeyLimit = NativeKeyBase + 0x500;

// Letters taken, and whether an empty accelerator was recorded (a caption
// without a marker): that decides whether a default caption without a marker
// applies, as in the plain search.
struct TKeySet {
  std::bitset<KeyLimit> Keys;
  bool HasEmpty = false;

  bool Contains(TLetterKey Key) const { return Key < KeyLimit && Keys.test(Key); }
  void Add(TLetterKey Key) {
    if (Key < KeyLimit) Keys.set(Key);
  }
  void Merge(const TKeySet& Other) {
    Keys |= Other.Keys;
    HasEmpty = HasEmpty || Other.HasEmpty;
  }
};

}  // namespace keyloom

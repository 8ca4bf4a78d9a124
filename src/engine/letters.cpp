#include <keyloom/markup.hpp>
#include <keyloom/scopes.hpp>

#include "engine/letter_units.hpp"

#include <algorithm>

namespace keyloom {

namespace {

bool InRange(char32_t C, char32_t Low, char32_t High) { return C >= Low && C <= High; }

// Code points outside ASCII that are no letter of any script: spaces,
// punctuation, symbols, combining marks, private use. What is left is taken
// for letters; digits of other scripts slip through, which a caption never
// consists of alone.
bool IsNonLetterBlock(char32_t C) {
  if (C < 0xC0) return C != 0xAA && C != 0xB5 && C != 0xBA;
  if (C == 0xD7 || C == 0xF7) return true;
  if (C >= 0x2B0 && C <= 0x36F) return true;  // modifier letters, combining marks
  if (C >= 0x370 && C <= 0x4FF) return !IsNativeLetter(C);
  if (C >= 0x2000 && C <= 0x2BFF) return true;  // punctuation, symbols, arrows, shapes
  if (C >= 0x2E00 && C <= 0x2E7F) return true;
  if (C >= 0x3000 && C <= 0x303F) return true;  // CJK punctuation
  if (C >= 0xE000 && C <= 0xF8FF) return true;  // private use
  if (C >= 0xFE00 && C <= 0xFE6F) return true;
  if (C >= 0xFF00 && C <= 0xFF20) return true;  // full-width punctuation and digits
  if (C >= 0xFF3B && C <= 0xFF40) return true;
  if (C >= 0xFF5B && C <= 0xFF65) return true;
  if (C >= 0xFFF0 && C <= 0xFFFF) return true;
  if (C >= 0x1F000) return true;  // emoji and other symbols
  return false;
}

// The letters of the Western single-byte code page, for bytes that are not UTF-8.
bool IsWesternLetterByte(unsigned char B) {
  if (B >= 0xC0) return B != 0xD7 && B != 0xF7;
  return B == 0x8A || B == 0x8C || B == 0x8E || B == 0x9A || B == 0x9C || B == 0x9E || B == 0x9F || B == 0xAA ||
         B == 0xB5 || B == 0xBA;
}

// Accented Latin letters of the Latin-1 block and Latin Extended-A, which
// keyboards of those languages type with a key of their own.
bool IsAccentedLatin(char32_t C) { return (C >= 0xC0 && C <= 0x17F && C != 0xD7 && C != 0xF7); }

char32_t FoldAccentedLatin(char32_t C) {
  if (InRange(C, 0xC0, 0xDE) && C != 0xD7) return C + 0x20;
  if (C == 0x178) return 0xFF;
  if (C == 0x130) return C;  // the dotted capital I and the dotless i are keys of their own
  const bool Even = (C % 2) == 0;
  if ((InRange(C, 0x100, 0x137) || InRange(C, 0x14A, 0x177)) && Even) return C + 1;
  if ((InRange(C, 0x139, 0x148) || InRange(C, 0x179, 0x17E)) && !Even) return C + 1;
  return C;
}

// The letters nlNative marks beyond those of ASCII.
bool IsOwnAlphabetLetter(char32_t C) { return IsNativeLetter(C) || IsAccentedLatin(C); }

// Key names and what follows a tab: the shortcut a caption shows, whose
// letters are no natural choice while the caption has others.
bool IsAsciiAlnum(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9'); }

bool IsFunctionKey(std::string_view Token) {
  if (Token.size() < 2 || Token.size() > 3 || (Token[0] != 'F' && Token[0] != 'f')) return false;
  int Number = 0;
  for (char C : Token.substr(1)) {
    if (C < '0' || C > '9') return false;
    Number = Number * 10 + (C - '0');
  }
  return Token[1] != '0' && Number >= 1 && Number <= 24;
}

bool IsKeyWord(std::string_view Token) {
  static constexpr std::string_view Names[] = {
      "ctrl", "control", "alt", "shift", "cmd", "win", "del", "delete", "ins", "insert", "esc", "escape", "enter",
      "return", "tab", "space", "pgup", "pgdn", "pageup", "pagedown", "home", "end", "backspace", "bksp", "up",
      "down", "left", "right", "num", "break", "pause"};
  const auto Same = [&](std::string_view Name) {
    if (Name.size() != Token.size()) return false;
    for (std::size_t I = 0; I < Name.size(); ++I)
      if (LetterKey(Token[I]) != Name[I]) return false;
    return true;
  };
  return std::any_of(std::begin(Names), std::end(Names), Same);
}

std::vector<bool> KeyNameBytes(const std::string& Text) {
  std::vector<bool> Key(Text.size(), false);
  // Most captions show no shortcut at all.
  if (Text.find_first_of("\t+(0123456789") == std::string::npos) return Key;
  struct TToken {
    std::size_t Begin, End;
  };
  std::vector<TToken> Tokens;
  std::size_t Tab = Text.find('\t');
  const std::size_t Limit = Tab == std::string::npos ? Text.size() : Tab;
  for (std::size_t Pos = Tab; Pos < Text.size(); ++Pos) Key[Pos] = true;
  for (std::size_t Pos = 0; Pos < Limit;) {
    if (!IsAsciiAlnum(Text[Pos])) {
      ++Pos;
      continue;
    }
    const std::size_t Begin = Pos;
    while (Pos < Limit && IsAsciiAlnum(Text[Pos])) ++Pos;
    Tokens.push_back({Begin, Pos});
  }
  const auto Before = [&](const TToken& T) { return T.Begin > 0 ? Text[T.Begin - 1] : ' '; };
  const auto After = [&](const TToken& T) { return T.End < Limit ? Text[T.End] : ' '; };
  bool Joined = false;  // the token before was a key name followed by "+"
  for (const TToken& T : Tokens) {
    const std::string_view Token(Text.data() + T.Begin, T.End - T.Begin);
    const bool Named = IsFunctionKey(Token) ||
                       ((After(T) == '+' || (Before(T) == '(' && After(T) == ')')) && IsKeyWord(Token));
    const bool Is = Named || (Joined && Before(T) == '+');
    if (Is)
      for (std::size_t Pos = T.Begin; Pos < T.End; ++Pos) Key[Pos] = true;
    Joined = Is && After(T) == '+';
  }
  return Key;
}

}  // namespace

std::size_t DecodeUtf8(const std::string& S, std::size_t Pos, char32_t& CodePoint) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(S[I]); };
  const unsigned char Lead = Byte(Pos);
  std::size_t Length = 0;
  unsigned char SecondMin = 0x80;
  unsigned char SecondMax = 0xBF;
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
    CodePoint = Lead & 0x1F;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    CodePoint = Lead & 0x0F;
    if (Lead == 0xE0) SecondMin = 0xA0;
    if (Lead == 0xED) SecondMax = 0x9F;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    CodePoint = Lead & 0x07;
    if (Lead == 0xF0) SecondMin = 0x90;
    if (Lead == 0xF4) SecondMax = 0x8F;
  } else {
    return 0;
  }
  if (Pos + Length > S.size()) return 0;
  if (Byte(Pos + 1) < SecondMin || Byte(Pos + 1) > SecondMax) return 0;
  for (std::size_t I = Pos + 1; I < Pos + Length; ++I) {
    if ((Byte(I) & 0xC0) != 0x80) return 0;
    CodePoint = (CodePoint << 6) | (Byte(I) & 0x3F);
  }
  return Length;
}

void SplitUnits(const std::string& Text, bool Native, std::vector<TTextUnit>& Units) {
  Units.clear();
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    char32_t CodePoint = 0;
    const std::size_t Length = Native ? DecodeUtf8(Text, Pos, CodePoint) : 0;
    if (Length > 1) {
      Units.push_back({Pos, Length, IsOwnAlphabetLetter(CodePoint), NativeLetterKey(CodePoint)});
      Pos += Length;
      continue;
    }
    Units.push_back({Pos, 1, IsChoosableAt(Text, Pos), ByteLetterKey(Text[Pos])});
    ++Pos;
  }
}

TLetterKey ByteLetterKey(char C) { return static_cast<unsigned char>(LetterKey(C)); }

bool IsNativeLetter(char32_t C) {
  if (InRange(C, 0x0370, 0x03FF)) {
    // Signs, punctuation, accents and unassigned code points of the Greek block.
    switch (C) {
      case 0x0374: case 0x0375: case 0x0378: case 0x0379: case 0x037A: case 0x037E:
      case 0x0380: case 0x0381: case 0x0382: case 0x0383: case 0x0384: case 0x0385:
      case 0x0387: case 0x038B: case 0x038D: case 0x03A2: case 0x03F6:
        return false;
      default:
        return true;
    }
  }
  if (InRange(C, 0x0400, 0x04FF)) return C != 0x0482 && !InRange(C, 0x0483, 0x0489);
  return false;
}

char32_t FoldNativeLetter(char32_t C) {
  const bool Even = (C % 2) == 0;
  // Greek.
  if (C == 0x0370 || C == 0x0372 || C == 0x0376) return C + 1;
  if (C == 0x037F) return 0x03F3;
  if (C == 0x0386) return 0x03AC;
  if (InRange(C, 0x0388, 0x038A)) return C + 0x25;
  if (C == 0x038C) return 0x03CC;
  if (C == 0x038E || C == 0x038F) return C + 0x3F;
  if (InRange(C, 0x0391, 0x03AB) && C != 0x03A2) return C + 0x20;
  if (C == 0x03C2) return 0x03C3;
  if (C == 0x03CF) return 0x03D7;
  if (C == 0x03D0) return 0x03B2;
  if (C == 0x03D1 || C == 0x03F4) return 0x03B8;
  if (C == 0x03D5) return 0x03C6;
  if (C == 0x03D6) return 0x03C0;
  if (InRange(C, 0x03D8, 0x03EF) && Even) return C + 1;
  if (C == 0x03F0) return 0x03BA;
  if (C == 0x03F1) return 0x03C1;
  if (C == 0x03F5) return 0x03B5;
  if (C == 0x03F7 || C == 0x03FA) return C + 1;
  if (C == 0x03F9) return 0x03F2;
  if (InRange(C, 0x03FD, 0x03FF)) return C - 0x82;
  // Cyrillic.
  if (InRange(C, 0x0400, 0x040F)) return C + 0x50;
  if (InRange(C, 0x0410, 0x042F)) return C + 0x20;
  if (InRange(C, 0x0460, 0x0481) && Even) return C + 1;
  if (InRange(C, 0x048A, 0x04BF) && Even) return C + 1;
  if (C == 0x04C0) return 0x04CF;
  if (InRange(C, 0x04C1, 0x04CE) && !Even) return C + 1;
  if (InRange(C, 0x04D0, 0x04FF) && Even) return C + 1;
  if (IsAccentedLatin(C)) return FoldAccentedLatin(C);
  return C;
}

TLetterKey NativeLetterKey(char32_t CodePoint) {
  return NativeKeyBase + static_cast<TLetterKey>(FoldNativeLetter(CodePoint));
}

std::vector<TLetterChoice> CaptionLetters(const std::string& Caption, TNonLatinMode Mode, bool KeyNamesLast) {
  std::vector<TLetterChoice> Choices;
  std::vector<TTextUnit> Units;
  SplitUnits(Caption, Mode == TNonLatinMode::nlNative, Units);
  std::vector<bool> KeyUnit(Units.size(), false);
  bool AnyKey = false;
  if (KeyNamesLast) {
    const std::vector<bool> KeyBytes = KeyNameBytes(Caption);
    for (std::size_t U = 0; U < Units.size(); ++U) {
      KeyUnit[U] = KeyBytes[Units[U].Position];
      AnyKey = AnyKey || KeyUnit[U];
    }
  }
  // Words as ranges of units.
  struct TWordRange {
    std::size_t First;
    std::size_t Count;
  };
  std::vector<TWordRange> Words;
  std::size_t Longest = 0;
  for (std::size_t I = 0; I < Units.size();) {
    const auto IsSeparator = [&](std::size_t U) {
      return Units[U].Length == 1 && IsWordSeparator(Caption[Units[U].Position]);
    };
    if (IsSeparator(I)) {
      ++I;
      continue;
    }
    const std::size_t First = I;
    while (I < Units.size() && !IsSeparator(I)) ++I;
    Words.push_back({First, I - First});
    Longest = std::max(Longest, I - First);
  }
  const auto SameUnit = [&](const TTextUnit& A, const TTextUnit& B) {
    return A.Length == B.Length && Caption.compare(A.Position, A.Length, Caption, B.Position, B.Length) == 0;
  };
  // Without key names one pass; with them, the letters outside them first.
  for (const bool KeyPass : {false, true}) {
    if (KeyPass && !AnyKey) break;
    for (std::size_t Position = 0; Position < Longest; ++Position) {
      for (const TWordRange& Word : Words) {
        if (Word.Count <= Position) continue;
        const std::size_t U = Word.First + Position;
        const TTextUnit& Unit = Units[U];
        if (!Unit.Letter || KeyUnit[U] != KeyPass) continue;
        if (std::any_of(Choices.begin(), Choices.end(), [&](const TLetterChoice& C) { return C.Key == Unit.Key; }))
          continue;
        // The marker goes before the first occurrence of the very same
        // character, outside key names when the letter was found there.
        std::size_t At = Unit.Position;
        for (std::size_t O = 0; O < Units.size(); ++O)
          if (Units[O].Letter && (KeyPass || !KeyUnit[O]) && SameUnit(Units[O], Unit)) {
            At = Units[O].Position;
            break;
          }
        const bool WordStart = Position == 0 && !KeyPass;
        Choices.push_back({Unit.Key, At, Unit.Position, WordStart, static_cast<int>(Choices.size()), KeyPass});
      }
    }
  }
  return Choices;
}

bool MarkedLetter(const std::string& Caption, TNonLatinMode Mode, TLetterKey& Key) {
  const std::size_t Marked = AcceleratorPosition(Caption);
  if (Marked == std::string::npos) return false;
  char32_t CodePoint = 0;
  if (Mode == TNonLatinMode::nlNative && DecodeUtf8(Caption, Marked, CodePoint) > 1 &&
      IsOwnAlphabetLetter(CodePoint)) {
    Key = NativeLetterKey(CodePoint);
    return true;
  }
  Key = ByteLetterKey(Caption[Marked]);
  return true;
}

std::vector<TLetterKey> ReservedLetterKeys(const std::string& Letters) {
  std::vector<TLetterKey> Keys;
  std::vector<TTextUnit> Units;
  SplitUnits(Letters, true, Units);
  for (const TTextUnit& Unit : Units) {
    char32_t CodePoint = 0;
    const TLetterKey Key = Unit.Length > 1 && DecodeUtf8(Letters, Unit.Position, CodePoint) > 1 &&
                                   IsOwnAlphabetLetter(CodePoint)
                               ? NativeLetterKey(CodePoint)
                               : ByteLetterKey(Letters[Unit.Position]);
    if (std::find(Keys.begin(), Keys.end(), Key) == Keys.end()) Keys.push_back(Key);
  }
  return Keys;
}

bool HasLetterOfAnyScript(std::string_view Text) {
  const std::string S(Text);
  for (std::size_t Pos = 0; Pos < Text.size();) {
    const auto Byte = static_cast<unsigned char>(Text[Pos]);
    if (Byte < 0x80) {
      if ((Byte >= 'A' && Byte <= 'Z') || (Byte >= 'a' && Byte <= 'z')) return true;
      ++Pos;
      continue;
    }
    char32_t CodePoint = 0;
    const std::size_t Length = DecodeUtf8(S, Pos, CodePoint);
    if (Length == 0) {
      if (IsWesternLetterByte(Byte)) return true;
      ++Pos;
      continue;
    }
    if (!IsNonLetterBlock(CodePoint)) return true;
    Pos += Length;
  }
  return false;
}

}  // namespace keyloom

#include "keyloom/markup.hpp"

#include <cstring>

namespace keyloom {

namespace {

// Calls OnMarkup(Pos) for every ampersand that is markup, i.e. not half of a
// literal "&&". The character after such an ampersand (if any) is examined
// by the same rules, which is how "&&&x" reads as "&&" followed by "&x".
template <typename F>
void ForEachMarkup(const std::string& Caption, F OnMarkup) {
  // Most captions hold one ampersand or none: memchr skips to it.
  const char* Data = Caption.data();
  const std::size_t Size = Caption.size();
  std::size_t Pos = 0;
  while (Pos < Size) {
    const void* Found = std::memchr(Data + Pos, '&', Size - Pos);
    if (!Found) return;
    Pos = static_cast<std::size_t>(static_cast<const char*>(Found) - Data);
    if (Pos + 1 < Size && Data[Pos + 1] == '&') {
      Pos += 2;
      continue;
    }
    if (!OnMarkup(Pos)) return;
    ++Pos;
  }
}

bool IsContinuationByte(unsigned char B) { return (B & 0xC0) == 0x80; }

// Length of the sequence a lead byte starts and the range allowed for its
// second byte (which excludes overlong forms, surrogates and code points past
// U+10FFFF); 0 when B cannot lead a multi-byte sequence.
int LeadLength(unsigned char B, unsigned char& SecondMin, unsigned char& SecondMax) {
  SecondMin = 0x80;
  SecondMax = 0xBF;
  if (B >= 0xC2 && B <= 0xDF) return 2;
  if (B >= 0xE0 && B <= 0xEF) {
    if (B == 0xE0) SecondMin = 0xA0;
    if (B == 0xED) SecondMax = 0x9F;
    return 3;
  }
  if (B >= 0xF0 && B <= 0xF4) {
    if (B == 0xF0) SecondMin = 0x90;
    if (B == 0xF4) SecondMax = 0x8F;
    return 4;
  }
  return 0;
}

}  // namespace

std::string DeleteAccelerator(const std::string& Caption) {
  std::string Result;
  std::size_t CopyFrom = 0;
  ForEachMarkup(Caption, [&](std::size_t Pos) {
    if (Result.empty()) Result.reserve(Caption.size() - 1);
    Result.append(Caption, CopyFrom, Pos - CopyFrom);
    CopyFrom = Pos + 1;
    return true;
  });
  if (CopyFrom == 0) return Caption;
  Result.append(Caption, CopyFrom, std::string::npos);
  return Result;
}

std::size_t AcceleratorPosition(const std::string& Caption) {
  std::size_t Marked = std::string::npos;
  ForEachMarkup(Caption, [&](std::size_t Pos) {
    if (Pos + 1 < Caption.size()) Marked = Pos + 1;
    return true;
  });
  return Marked;
}

std::string GetAccelerator(const std::string& Caption) {
  const std::size_t Marked = AcceleratorPosition(Caption);
  if (Marked == std::string::npos) return {};
  return std::string(1, Caption[Marked]);
}

bool HasAccelerator(const std::string& Caption) {
  bool Found = false;
  ForEachMarkup(Caption, [&](std::size_t) {
    Found = true;
    return false;
  });
  return Found;
}

int AcceleratorLength(const std::string& Caption) {
  std::size_t Removed = 0;
  ForEachMarkup(Caption, [&](std::size_t) {
    ++Removed;
    return true;
  });
  return static_cast<int>(Caption.size() - Removed);
}

namespace {

int CountUniqueLetters(const std::string& Text) {
  TLetterSet Seen;
  for (std::size_t Pos = 0; Pos < Text.size(); ++Pos)
    if (IsLetterAt(Text, Pos)) Seen.Add(Text[Pos]);
  return Seen.Count();
}

}  // namespace

int GetUniqueLetterCount(const std::string& Caption) {
  // Whether a 0x80 byte is a letter depends on its neighbours as the caption
  // shows, without its markers: marked or not, a caption counts the same.
  if (Caption.find('&') != std::string::npos && Caption.find('\x80') != std::string::npos)
    return CountUniqueLetters(DeleteAccelerator(Caption));
  return CountUniqueLetters(Caption);
}

int WordCount(const std::string& Caption) {
  int Count = 0;
  bool InWord = false;
  for (const char C : Caption) {
    if (IsWordSeparator(C)) {
      InWord = false;
    } else if (!InWord) {
      InWord = true;
      ++Count;
    }
  }
  return Count;
}

std::string GetWord(const std::string& Caption, int Index) {
  if (Index < 1) return {};
  const std::size_t Size = Caption.size();
  int Count = 0;
  std::size_t Pos = 0;
  while (Pos < Size) {
    while (Pos < Size && IsWordSeparator(Caption[Pos])) ++Pos;
    if (Pos == Size) break;
    const std::size_t Start = Pos;
    while (Pos < Size && !IsWordSeparator(Caption[Pos])) ++Pos;
    if (++Count == Index) return Caption.substr(Start, Pos - Start);
  }
  return {};
}

bool IsLetterAt(const std::string& S, std::size_t Pos) {
  if (Pos >= S.size()) return false;
  const auto Byte = static_cast<unsigned char>(S[Pos]);
  if (!IsLetter(S[Pos])) return false;
  if (Byte != 0x80) return true;

  // Only the nearest non-continuation byte before Pos can own it.
  std::size_t Lead = Pos;
  while (Lead > 0 && Pos - Lead < 3) {
    --Lead;
    if (!IsContinuationByte(static_cast<unsigned char>(S[Lead]))) break;
  }
  const auto LeadByte = static_cast<unsigned char>(S[Lead]);
  if (Lead == Pos || IsContinuationByte(LeadByte)) return true;

  unsigned char SecondMin = 0;
  unsigned char SecondMax = 0;
  const int Length = LeadLength(LeadByte, SecondMin, SecondMax);
  if (Length == 0 || Lead + Length <= Pos || Lead + Length > S.size()) return true;
  const auto Second = static_cast<unsigned char>(S[Lead + 1]);
  if (Second < SecondMin || Second > SecondMax) return true;
  for (std::size_t I = Lead + 2; I < Lead + Length; ++I)
    if (!IsContinuationByte(static_cast<unsigned char>(S[I]))) return true;
  return false;
}

bool IsChoosableAt(const std::string& S, std::size_t Pos) {
  if (Pos >= S.size()) return false;
  const char C = S[Pos];
  if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z')) return true;
  return static_cast<unsigned char>(C) == 0x80 && IsLetterAt(S, Pos);
}

}  // namespace keyloom

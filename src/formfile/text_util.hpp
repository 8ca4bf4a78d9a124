#pragma once

#include <cstddef>
#include <string_view>

namespace keyloom::formfile::detail {

// The Delphi writer breaks strings into chunks of this many characters.
constexpr std::size_t kSplitLength = 64;

inline char LowerAscii(char C) noexcept { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

inline bool EqualsNoCase(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I) {
    if (LowerAscii(A[I]) != LowerAscii(B[I])) return false;
  }
  return true;
}

inline bool IsBlank(char C) noexcept { return C == ' ' || C == '\t'; }
inline bool IsLineBreak(char C) noexcept { return C == '\n' || C == '\r'; }

// Start of the line that holds Pos.
inline std::size_t LineStart(std::string_view Text, std::size_t Pos) noexcept {
  while (Pos > 0 && !IsLineBreak(Text[Pos - 1])) --Pos;
  return Pos;
}

// Number of blanks at the start of the line that holds Pos.
inline std::size_t LineIndent(std::string_view Text, std::size_t Pos) noexcept {
  std::size_t Start = LineStart(Text, Pos);
  std::size_t End = Start;
  while (End < Text.size() && Text[End] == ' ') ++End;
  return End - Start;
}

// True if only blanks stand between the start of its line and Pos.
inline bool FirstOnLine(std::string_view Text, std::size_t Pos) noexcept {
  while (Pos > 0 && IsBlank(Text[Pos - 1])) --Pos;
  return Pos == 0 || IsLineBreak(Text[Pos - 1]);
}

// Length of the line break at Pos (0, 1 or 2).
inline std::size_t LineBreakAt(std::string_view Text, std::size_t Pos) noexcept {
  if (Pos >= Text.size()) return 0;
  if (Text[Pos] == '\r') return Pos + 1 < Text.size() && Text[Pos + 1] == '\n' ? 2 : 1;
  return Text[Pos] == '\n' ? 1 : 0;
}

// The first line break at or after Pos, or empty at the end of the text.
inline std::string_view NextLineBreak(std::string_view Text, std::size_t Pos) noexcept {
  while (Pos < Text.size() && !IsLineBreak(Text[Pos])) ++Pos;
  return Text.substr(Pos, LineBreakAt(Text, Pos));
}

}  // namespace keyloom::formfile::detail

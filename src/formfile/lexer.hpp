#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace keyloom::formfile::detail {

enum class TTokenKind : std::uint8_t { Eof, Ident, Integer, Float, String, Symbol, Binary };

struct TToken {
  TTokenKind FKind = TTokenKind::Eof;
  char FSymbol = 0;  // for Symbol
  const char* FBegin = nullptr;
  const char* FEnd = nullptr;
  int FLine = 1;
  int FColumn = 1;

  std::string_view Text() const noexcept { return {FBegin, static_cast<std::size_t>(FEnd - FBegin)}; }
  bool Is(char Symbol) const noexcept { return FKind == TTokenKind::Symbol && FSymbol == Symbol; }
};

// What the strings and layout of a file say about the writer that made it.
// Counted while reading, used when an edit has to pick a convention.
struct TStyleCounts {
  std::size_t FDoubledQuotes = 0;    // '' inside quotes
  std::size_t FCode39 = 0;           // #39
  std::size_t FHighCodes = 0;        // #n with n >= 128
  std::size_t FRawUtf8Strings = 0;   // strings with raw non-ASCII bytes that are valid UTF-8
  std::size_t FRawOtherStrings = 0;  // strings with raw bytes that are not UTF-8 (ANSI)
  std::size_t FSplitStrings = 0;     // strings continued with `+` on a new line
  std::size_t FLongLines = 0;        // strings longer than 64 characters on one line
  std::size_t FIndexSpaced = 0;      // `TClass [n]`
  std::size_t FIndexGlued = 0;       // `TClass[n]`
  std::size_t FListCloseOwnLine = 0;
  std::size_t FListCloseGlued = 0;
  std::size_t FBinaryCloseOwnLine = 0;
  std::size_t FBinaryCloseGlued = 0;
  std::size_t FCollectionOpenSpaced = 0;  // `<` followed by trailing blanks
  std::size_t FCollectionOpenClean = 0;
  std::size_t FCrLf = 0;
  std::size_t FLf = 0;
  std::size_t FCr = 0;
};

// Characters above U+FFFF count twice, as in the UTF-16 strings of the writers.
std::size_t CountUnits(std::string_view Utf8) noexcept;
// Length of the valid UTF-8 sequence at P (1..4), or 0 if it is not one.
int Utf8SequenceLength(const unsigned char* P, const unsigned char* End) noexcept;
void AppendUtf8(std::string& Out, std::uint32_t Code);

class TLexer {
 public:
  // A string, not a view: the scanning loops stop at the NUL that ends it.
  TLexer(const std::string& Source, std::size_t Start, const std::string& FileName, TStyleCounts& Counts);

  // Reads the next token into Current(). Strings are decoded into Text().
  void Next();
  const TToken& Current() const noexcept { return FToken; }
  // Decoded text of the current string token.
  const std::string& Text() const noexcept { return FText; }
  // Offset just after the token before the current one.
  std::size_t PrevEnd() const noexcept { return FPrevEnd; }
  std::size_t Offset(const char* P) const noexcept { return static_cast<std::size_t>(P - FBase); }

  // The current token is `{`: reads hex pairs up to `}` into Out and makes
  // the whole `{...}` the current token.
  void ReadBinary(std::string& Out);

  [[noreturn]] void Fail(int Line, int Column, std::string Message) const;
  [[noreturn]] void Fail(const TToken& At, std::string Message) const { Fail(At.FLine, At.FColumn, std::move(Message)); }

 private:
  void SkipBlanks();
  [[noreturn]] void FailUnexpected(char C) const;
  void ReadString();
  void ReadNumber();
  int ColumnOf(const char* P) const noexcept { return static_cast<int>(P - FLineStart) + 1; }
  void NewLine(const char* NextLineStart) noexcept {
    ++FLine;
    FLineStart = NextLineStart;
  }

  const char* FBase;
  const char* FPos;
  const char* FEnd;
  const char* FLineStart;
  int FLine = 1;
  std::size_t FPrevEnd = 0;
  TToken FToken;
  std::string FText;
  const std::string& FFileName;
  TStyleCounts& FCounts;
};

// Describes a token for error messages: `'='`, `end of file`, ...
std::string DescribeToken(const TToken& Token);

}  // namespace keyloom::formfile::detail

#include "formfile/lexer.hpp"

#include <array>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile::detail {

namespace {

constexpr std::uint8_t kIdentStart = 1;
constexpr std::uint8_t kIdentPart = 2;
constexpr std::uint8_t kDigit = 4;
constexpr std::uint8_t kHex = 8;

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> Classes{};
  for (int C = 'a'; C <= 'z'; ++C) Classes[C] = kIdentStart | kIdentPart;
  for (int C = 'A'; C <= 'Z'; ++C) Classes[C] = kIdentStart | kIdentPart;
  Classes['_'] = kIdentStart | kIdentPart;
  for (int C = '0'; C <= '9'; ++C) Classes[C] = kIdentPart | kDigit | kHex;
  for (int C = 'a'; C <= 'f'; ++C) Classes[C] |= kHex;
  for (int C = 'A'; C <= 'F'; ++C) Classes[C] |= kHex;
  return Classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

// A hex digit's value, 0xFF for anything else.
constexpr std::array<std::uint8_t, 256> MakeHexValues() {
  std::array<std::uint8_t, 256> Values{};
  Values.fill(0xFF);
  for (int C = '0'; C <= '9'; ++C) Values[C] = static_cast<std::uint8_t>(C - '0');
  for (int C = 'a'; C <= 'f'; ++C) Values[C] = static_cast<std::uint8_t>(C - 'a' + 10);
  for (int C = 'A'; C <= 'F'; ++C) Values[C] = static_cast<std::uint8_t>(C - 'A' + 10);
  return Values;
}

constexpr std::array<std::uint8_t, 256> kHexValues = MakeHexValues();

inline bool Has(char C, std::uint8_t Class) noexcept {
  return (kClasses[static_cast<unsigned char>(C)] & Class) != 0;
}

int HexValue(char C) noexcept {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return C - 'A' + 10;
}

#if defined(__SSE2__)
// Sixteen hex digits into eight bytes, or false when any of them is not a
// hex digit. Images are most of the bytes of many real forms.
inline bool DecodeSixteenHexDigits(const char* In, char* Out) noexcept {
  const __m128i Text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In));
  // Unsigned range checks: x <= n exactly when min(x, n) == x.
  const __m128i Digit = _mm_sub_epi8(Text, _mm_set1_epi8('0'));
  const __m128i IsDigit = _mm_cmpeq_epi8(_mm_min_epu8(Digit, _mm_set1_epi8(9)), Digit);
  const __m128i Letter = _mm_sub_epi8(_mm_or_si128(Text, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
  const __m128i IsLetter = _mm_cmpeq_epi8(_mm_min_epu8(Letter, _mm_set1_epi8(5)), Letter);
  if (_mm_movemask_epi8(_mm_or_si128(IsDigit, IsLetter)) != 0xFFFF) return false;
  const __m128i Nibbles = _mm_or_si128(_mm_and_si128(IsDigit, Digit),
                                       _mm_and_si128(IsLetter, _mm_add_epi8(Letter, _mm_set1_epi8(10))));
  // In each 16-bit lane the first digit is the low byte: it is the high nibble.
  const __m128i High = _mm_slli_epi16(_mm_and_si128(Nibbles, _mm_set1_epi16(0x00FF)), 4);
  const __m128i Bytes = _mm_or_si128(High, _mm_srli_epi16(Nibbles, 8));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(Out), _mm_packus_epi16(Bytes, Bytes));
  return true;
}
#endif

// Past the letters, digits and underscores from P on, sixteen bytes at a
// time while that many are left: names make up most tokens.
inline const char* SkipIdentPart(const char* P, const char* End) noexcept {
#if defined(__SSE2__)
  while (End - P >= 16) {
    const __m128i Text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    const __m128i Digit = _mm_sub_epi8(Text, _mm_set1_epi8('0'));
    const __m128i IsDigit = _mm_cmpeq_epi8(_mm_min_epu8(Digit, _mm_set1_epi8(9)), Digit);
    const __m128i Letter = _mm_sub_epi8(_mm_or_si128(Text, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i IsLetter = _mm_cmpeq_epi8(_mm_min_epu8(Letter, _mm_set1_epi8(25)), Letter);
    const __m128i IsUnderscore = _mm_cmpeq_epi8(Text, _mm_set1_epi8('_'));
    const auto Part =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(IsDigit, IsLetter), IsUnderscore)));
    if (Part != 0xFFFF) return P + __builtin_ctz(~Part);
    P += 16;
  }
#endif
  while (Has(*P, kIdentPart)) ++P;  // stops at the NUL at End
  return P;
}

std::string Abbreviate(std::string_view Text) {
  constexpr std::size_t kMax = 24;
  if (Text.size() <= kMax) return std::string(Text);
  return std::string(Text.substr(0, kMax)) + "...";
}

}  // namespace

std::size_t CountUnits(std::string_view Utf8) noexcept {
  std::size_t Units = 0;
  const auto* P = reinterpret_cast<const unsigned char*>(Utf8.data());
  const auto* End = P + Utf8.size();
  while (P < End) {
    if (*P < 0x80) {
      ++Units;
      ++P;
      continue;
    }
    int Length = Utf8SequenceLength(P, End);
    if (Length == 0) Length = 1;
    Units += Length == 4 ? 2 : 1;
    P += Length;
  }
  return Units;
}

int Utf8SequenceLength(const unsigned char* P, const unsigned char* End) noexcept {
  unsigned char B0 = P[0];
  if (B0 < 0x80) return 1;
  auto Cont = [&](int I) { return P + I < End && (P[I] & 0xC0) == 0x80; };
  if (B0 >= 0xC2 && B0 <= 0xDF) return Cont(1) ? 2 : 0;
  if (B0 >= 0xE0 && B0 <= 0xEF) {
    if (!Cont(1) || !Cont(2)) return 0;
    if (B0 == 0xE0 && P[1] < 0xA0) return 0;  // overlong
    if (B0 == 0xED && P[1] >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (B0 >= 0xF0 && B0 <= 0xF4) {
    if (!Cont(1) || !Cont(2) || !Cont(3)) return 0;
    if (B0 == 0xF0 && P[1] < 0x90) return 0;
    if (B0 == 0xF4 && P[1] >= 0x90) return 0;
    return 4;
  }
  return 0;
}

void AppendUtf8(std::string& Out, std::uint32_t Code) {
  if (Code < 0x80) {
    Out.push_back(static_cast<char>(Code));
  } else if (Code < 0x800) {
    Out.push_back(static_cast<char>(0xC0 | (Code >> 6)));
    Out.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else if (Code < 0x10000) {
    Out.push_back(static_cast<char>(0xE0 | (Code >> 12)));
    Out.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    Out.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else {
    Out.push_back(static_cast<char>(0xF0 | (Code >> 18)));
    Out.push_back(static_cast<char>(0x80 | ((Code >> 12) & 0x3F)));
    Out.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    Out.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  }
}

std::string DescribeToken(const TToken& Token) {
  switch (Token.FKind) {
    case TTokenKind::Eof:
      return "end of file";
    case TTokenKind::Ident:
      return "'" + Abbreviate(Token.Text()) + "'";
    case TTokenKind::Integer:
    case TTokenKind::Float:
      return "number " + Abbreviate(Token.Text());
    case TTokenKind::String:
      return "a string";
    case TTokenKind::Binary:
      return "binary data";
    case TTokenKind::Symbol:
      return std::string("'") + Token.FSymbol + "'";
  }
  return "a token";
}

TLexer::TLexer(const std::string& Source, std::size_t Start, const std::string& FileName, TStyleCounts& Counts)
    : FBase(Source.data()),
      FPos(Source.data() + Start),
      FEnd(Source.data() + Source.size()),
      FLineStart(Source.data() + Start),
      FFileName(FileName),
      FCounts(Counts) {
  FPrevEnd = Start;
  FToken.FBegin = FToken.FEnd = FPos;
}

void TLexer::Fail(int Line, int Column, std::string Message) const {
  throw EFormFileError(FFileName, Line, Column, std::move(Message));
}

// Inline: Next calls it for every token.
inline void TLexer::SkipBlanks() {
  // *FEnd is the string's NUL, no blank: no bound check is needed.
  const char* P = FPos;
  for (;;) {
    const char C = *P;
    // Most calls meet the token at once, and no token starts at or below a space.
    if (static_cast<unsigned char>(C) > ' ') break;
    if (C == ' ') {
      ++P;
#if defined(__SSE2__)
      // Most blanks are one space between tokens; indentation comes in runs.
      if (*P != ' ') continue;
      while (FEnd - P >= 16) {
        const __m128i Text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const unsigned Spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Text, _mm_set1_epi8(' '))));
        if (Spaces != 0xFFFF) {
          P += __builtin_ctz(~Spaces);
          break;
        }
        P += 16;
      }
#endif
    } else if (C == '\n') {
      ++FCounts.FLf;
      NewLine(++P);
    } else if (C == '\t' || C == '\v' || C == '\f') {
      ++P;
    } else if (C == '\r') {
      ++P;
      if (P < FEnd && *P == '\n') {
        ++P;
        ++FCounts.FCrLf;
      } else {
        ++FCounts.FCr;
      }
      NewLine(P);
    } else {
      break;
    }
  }
  FPos = P;
}

void TLexer::Next() {
  FPrevEnd = Offset(FToken.FEnd);
  SkipBlanks();
  FToken.FBegin = FPos;
  FToken.FLine = FLine;
  FToken.FColumn = ColumnOf(FPos);
  if (FPos >= FEnd) {
    FToken.FKind = TTokenKind::Eof;
    FToken.FEnd = FPos;
    return;
  }
  char C = *FPos;
  if (Has(C, kIdentStart)) {
    const char* P = FPos + 1;
    for (;;) {
      P = SkipIdentPart(P, FEnd);
      // A dotted name has no blanks around its dots.
      if (P + 1 < FEnd && *P == '.' && Has(P[1], kIdentStart)) {
        P += 2;
        continue;
      }
      break;
    }
    FToken.FKind = TTokenKind::Ident;
    FToken.FEnd = FPos = P;
    return;
  }
  if (C == '\'' || C == '#') {
    ReadString();
    return;
  }
  if (Has(C, kDigit) || C == '$' || C == '-') {
    ReadNumber();
    return;
  }
  switch (C) {
    case '=':
    case ':':
    case '.':
    case ',':
    case '[':
    case ']':
    case '(':
    case ')':
    case '<':
    case '>':
    case '{':
    case '}':
    case '+':
      FToken.FKind = TTokenKind::Symbol;
      FToken.FSymbol = C;
      FToken.FEnd = ++FPos;
      return;
    default:
      FailUnexpected(C);
  }
}

// Out of line: building the message would make every token pay for it.
[[gnu::noinline, gnu::cold]] void TLexer::FailUnexpected(char C) const {
  auto Byte = static_cast<unsigned char>(C);
  if (Byte >= 0x21 && Byte < 0x7F) Fail(FToken, std::string("unexpected character '") + C + "'");
  static constexpr char kDigits[] = "0123456789ABCDEF";
  Fail(FToken, std::string("unexpected byte 0x") + kDigits[Byte >> 4] + kDigits[Byte & 15]);
}

void TLexer::ReadString() {
  FText.clear();
  const char* P = FPos;
  bool RawHigh = false;
  bool RawOther = false;
  for (;;) {
    if (P < FEnd && *P == '\'') {
      const char* Open = P++;
      for (;;) {
        const char* Run = P;
        unsigned char Bits = 0;
        while (P < FEnd && *P != '\'' && *P != '\r' && *P != '\n') Bits |= static_cast<unsigned char>(*P++);
        FText.append(Run, P);
        if (Bits & 0x80) {
          RawHigh = true;
          const auto* U = reinterpret_cast<const unsigned char*>(Run);
          const auto* UEnd = reinterpret_cast<const unsigned char*>(P);
          while (U < UEnd && !RawOther) {
            int Length = Utf8SequenceLength(U, UEnd);
            if (Length == 0) RawOther = true;
            U += Length;
          }
        }
        if (P >= FEnd || *P != '\'') Fail(FLine, ColumnOf(Open), "unterminated string");
        ++P;
        if (P < FEnd && *P == '\'') {
          FText.push_back('\'');
          ++FCounts.FDoubledQuotes;
          ++P;
          continue;
        }
        break;
      }
    } else if (P < FEnd && *P == '#') {
      const char* Hash = P++;
      std::uint32_t Code = 0;
      bool Overflow = false;
      const char* Digits = P;
      if (P < FEnd && *P == '$') {
        Digits = ++P;
        for (; P < FEnd && Has(*P, kHex); ++P) {
          Code = Code * 16 + static_cast<std::uint32_t>(HexValue(*P));
          Overflow |= Code > 0x10FFFF;
        }
      } else {
        for (; P < FEnd && Has(*P, kDigit); ++P) {
          Code = Code * 10 + static_cast<std::uint32_t>(*P - '0');
          Overflow |= Code > 0x10FFFF;
        }
      }
      if (P == Digits) Fail(FLine, ColumnOf(Hash), "expected a character code after '#'");
      if (Overflow || (Code >= 0xD800 && Code <= 0xDFFF)) Fail(FLine, ColumnOf(Hash), "character code out of range");
      if (Code == 39) ++FCounts.FCode39;
      if (Code >= 128) ++FCounts.FHighCodes;
      AppendUtf8(FText, Code);
    } else {
      break;
    }
  }
  if (RawOther) {
    ++FCounts.FRawOtherStrings;
  } else if (RawHigh) {
    ++FCounts.FRawUtf8Strings;
  }
  FToken.FKind = TTokenKind::String;
  FToken.FEnd = FPos = P;
}

void TLexer::ReadNumber() {
  const char* P = FPos;
  TTokenKind Kind = TTokenKind::Integer;
  if (*P == '$') {
    ++P;
    const char* Digits = P;
    while (P < FEnd && Has(*P, kHex)) ++P;
    if (P == Digits) Fail(FToken, "expected hex digits after '$'");
  } else {
    if (*P == '-') {
      ++P;
      if (P >= FEnd || !Has(*P, kDigit)) Fail(FToken, "unexpected character '-'");
    }
    while (P < FEnd && Has(*P, kDigit)) ++P;
    if (P < FEnd && *P == '.' && P + 1 < FEnd && Has(P[1], kDigit)) {
      Kind = TTokenKind::Float;
      P += 2;
      while (P < FEnd && Has(*P, kDigit)) ++P;
    }
    if (P < FEnd && (*P == 'e' || *P == 'E')) {
      const char* Exp = P + 1;
      if (Exp < FEnd && (*Exp == '+' || *Exp == '-')) ++Exp;
      if (Exp < FEnd && Has(*Exp, kDigit)) {
        Kind = TTokenKind::Float;
        P = Exp;
        while (P < FEnd && Has(*P, kDigit)) ++P;
      }
    }
    if (P < FEnd) {
      char S = *P;
      bool Suffix = S == 's' || S == 'S' || S == 'd' || S == 'D' || S == 'c' || S == 'C';
      if (Suffix && (P + 1 >= FEnd || !Has(P[1], kIdentPart))) {
        Kind = TTokenKind::Float;
        ++P;
      }
    }
  }
  if (P < FEnd && (Has(*P, kIdentPart) || *P == '.')) {
    Fail(FToken, "invalid number '" + Abbreviate(std::string_view(FPos, static_cast<std::size_t>(P - FPos + 1))) + "'");
  }
  FToken.FKind = Kind;
  FToken.FEnd = FPos = P;
}

void TLexer::ReadBinary(std::string& Out) {
  const char* P = FPos;  // just after '{'
  // Images make up most of many real forms: whole pairs of digits are taken
  // through a table straight into room made once for the whole block.
  const auto* Close = static_cast<const char*>(std::memchr(P, '}', static_cast<std::size_t>(FEnd - P)));
  const std::size_t Start = Out.size();
  Out.resize(Start + (Close ? static_cast<std::size_t>(Close - P) / 2 : 0));
  char* Write = Out.data() + Start;
  char* const Room = Out.data() + Out.size();
  int Digits = 0;
  int High = 0;
  for (;;) {
    if (Digits % 2 == 0) {
#if defined(__SSE2__)
      while (FEnd - P >= 16 && Room - Write >= 8 && DecodeSixteenHexDigits(P, Write)) {
        P += 16;
        Write += 8;
        Digits += 16;
      }
#endif
      while (P + 1 < FEnd && Write < Room) {
        const unsigned H = kHexValues[static_cast<unsigned char>(P[0])];
        const unsigned L = kHexValues[static_cast<unsigned char>(P[1])];
        if ((H | L) > 0xF) break;
        *Write++ = static_cast<char>(H * 16 + L);
        P += 2;
        Digits += 2;
      }
    }
    if (P >= FEnd) Fail(FToken, "unterminated binary data");
    const char C = *P;
    if (Has(C, kHex)) {
      if (Digits++ % 2 == 0) {
        High = HexValue(C);
      } else {
        // No room only without a closing brace, and then the read fails anyway.
        if (Write < Room) *Write++ = static_cast<char>(High * 16 + HexValue(C));
      }
      ++P;
    } else if (C == '}') {
      break;
    } else if (C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f') {
      FPos = P;
      SkipBlanks();
      P = FPos;
    } else {
      Fail(FLine, ColumnOf(P), "invalid character in binary data");
    }
  }
  Out.resize(static_cast<std::size_t>(Write - Out.data()));
  if (Digits % 2 != 0) Fail(FLine, ColumnOf(P), "odd number of hex digits in binary data");
  FToken.FKind = TTokenKind::Binary;
  FToken.FEnd = FPos = P + 1;
}

}  // namespace keyloom::formfile::detail

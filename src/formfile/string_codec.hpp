#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formfile/lexer.hpp"
#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile::detail {

// One character of a string value as written: a quoted character (`''`
// included) or a `#n` code. Its text lies in the source or in an encoder's
// buffer.
struct TAtom {
  std::uint32_t FTextBegin = 0;
  std::uint32_t FTextEnd = 0;
  std::uint32_t FDecodedBegin = 0;  // bytes of the decoded value (original atoms only)
  std::uint32_t FDecodedEnd = 0;
  std::uint32_t FSegment = 0;       // which `+`-joined part (original atoms only)
  bool FQuoted = false;
  bool FFromSource = true;
  std::uint8_t FUnits = 1;          // UTF-16 code units, as the writers count
};

// An existing string value, taken apart.
struct TStringAnalysis {
  std::vector<TAtom> FAtoms;
  std::vector<TSpan> FSegments;
  std::string FDecoded;
  bool FDoubledQuote = false;
  bool FCode39 = false;
  bool FRawUtf8 = false;
  bool FRawOther = false;
  bool FHighCode = false;
};

TStringAnalysis AnalyseString(std::string_view Source, TSpan Span);

struct TStringStyle {
  bool FDoubledQuote = false;  // '' rather than #39
  bool FRawNonAscii = false;   // raw UTF-8 rather than #n
  bool FSplitLong = true;      // 64-character chunks joined with ` +`
};

// True if the file looks written by the Lazarus writer rather than Delphi's.
bool LazarusFlavour(const TStyleCounts& Counts, std::string_view FileName);
// The file's conventions, refined by those of one token when given.
TStringStyle ChooseStyle(const TStyleCounts& Counts, std::string_view FileName, const TStringAnalysis* Token);
// The file's prevailing line break.
std::string_view DominantLineBreak(const TStyleCounts& Counts) noexcept;

struct TEdit {
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
  std::string FText;
};

// The replacement that makes the string value Value read as Utf8. With
// ReuseOriginal, characters shared with the old value keep their spelling;
// without it every character is encoded afresh in the chosen style.
TEdit EncodeStringEdit(std::string_view Source, const TValue& Value, std::string_view Utf8, const TStyleCounts& Counts,
                       std::string_view FileName, bool ReuseOriginal = true);

// A new string value in the given style. Long strings are split onto
// continuation lines at Indent + 2 when the style asks for it.
std::string EncodeNewString(std::string_view Utf8, const TStringStyle& Style, std::size_t Indent,
                            std::string_view LineBreak);

}  // namespace keyloom::formfile::detail

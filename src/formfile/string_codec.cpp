#include "formfile/string_codec.hpp"

#include <algorithm>

#include "formfile/text_util.hpp"

namespace keyloom::formfile::detail {

namespace {

bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }
bool IsHexDigit(char C) noexcept { return IsDigit(C) || ((C | 0x20) >= 'a' && (C | 0x20) <= 'f'); }

std::uint32_t DecodeUtf8(const unsigned char* P, int Length) noexcept {
  switch (Length) {
    case 1:
      return P[0];
    case 2:
      return (std::uint32_t(P[0] & 0x1F) << 6) | (P[1] & 0x3F);
    case 3:
      return (std::uint32_t(P[0] & 0x0F) << 12) | (std::uint32_t(P[1] & 0x3F) << 6) | (P[2] & 0x3F);
    default:
      return (std::uint32_t(P[0] & 0x07) << 18) | (std::uint32_t(P[1] & 0x3F) << 12) |
             (std::uint32_t(P[2] & 0x3F) << 6) | (P[3] & 0x3F);
  }
}

// Atoms whose text lives either in the source or in Buffer.
struct TAtomText {
  std::string_view FSource;
  const std::string& FBuffer;

  std::string_view operator()(const TAtom& Atom) const noexcept {
    std::string_view Text = Atom.FFromSource ? FSource : std::string_view(FBuffer);
    return Text.substr(Atom.FTextBegin, Atom.FTextEnd - Atom.FTextBegin);
  }
};

// Writes atoms as pieces: maximal quoted runs and codes between them.
void RenderAtoms(const TAtom* Begin, const TAtom* End, const TAtomText& TextOf, std::string& Out) {
  if (Begin == End) {
    Out += "''";
    return;
  }
  bool InQuote = false;
  for (const TAtom* A = Begin; A != End; ++A) {
    if (A->FQuoted != InQuote) {
      Out.push_back('\'');
      InQuote = A->FQuoted;
    }
    Out += TextOf(*A);
  }
  if (InQuote) Out.push_back('\'');
}

// Chunks of at most Length units (a two-unit character may overshoot by one).
std::vector<std::pair<std::size_t, std::size_t>> Chunk(const std::vector<TAtom>& Atoms, std::size_t Length) {
  std::vector<std::pair<std::size_t, std::size_t>> Chunks;
  std::size_t Start = 0;
  std::size_t Units = 0;
  for (std::size_t I = 0; I < Atoms.size(); ++I) {
    Units += Atoms[I].FUnits;
    if (Units >= Length && I + 1 < Atoms.size()) {
      Chunks.emplace_back(Start, I + 1);
      Start = I + 1;
      Units = 0;
    }
  }
  Chunks.emplace_back(Start, Atoms.size());
  return Chunks;
}

std::string RenderChunks(const std::vector<TAtom>& Atoms, std::size_t Length, std::string_view Separator,
                         const TAtomText& TextOf) {
  std::string Out;
  bool First = true;
  for (auto [Begin, End] : Chunk(Atoms, Length)) {
    if (!First) Out += Separator;
    First = false;
    RenderAtoms(Atoms.data() + Begin, Atoms.data() + End, TextOf, Out);
  }
  return Out;
}

std::size_t TotalUnits(const std::vector<TAtom>& Atoms) noexcept {
  std::size_t Units = 0;
  for (const TAtom& A : Atoms) Units += A.FUnits;
  return Units;
}

void AddCode(std::uint32_t Code, std::string& Buffer, std::vector<TAtom>& Out) {
  TAtom Atom;
  Atom.FFromSource = false;
  Atom.FQuoted = false;
  Atom.FUnits = Code > 0xFFFF ? 2 : 1;
  Atom.FTextBegin = static_cast<std::uint32_t>(Buffer.size());
  Buffer.push_back('#');
  Buffer += std::to_string(Code);
  Atom.FTextEnd = static_cast<std::uint32_t>(Buffer.size());
  Out.push_back(Atom);
}

void AddQuoted(std::string_view Text, std::uint8_t Units, std::string& Buffer, std::vector<TAtom>& Out) {
  TAtom Atom;
  Atom.FFromSource = false;
  Atom.FQuoted = true;
  Atom.FUnits = Units;
  Atom.FTextBegin = static_cast<std::uint32_t>(Buffer.size());
  Buffer += Text;
  Atom.FTextEnd = static_cast<std::uint32_t>(Buffer.size());
  Out.push_back(Atom);
}

bool IsUtf8(std::string_view Text) noexcept {
  const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
  const auto* End = P + Text.size();
  while (P < End) {
    int Length = Utf8SequenceLength(P, End);
    if (Length == 0) return false;
    P += Length;
  }
  return true;
}

// Encodes every character of Utf8 in Style. Text that is not UTF-8 holds
// bytes of some ANSI code page: those are written raw, one character each.
void EncodeAtoms(std::string_view Utf8, const TStringStyle& Style, std::string& Buffer, std::vector<TAtom>& Out) {
  const auto* P = reinterpret_cast<const unsigned char*>(Utf8.data());
  const auto* End = P + Utf8.size();
  const bool Bytewise = !IsUtf8(Utf8);
  while (P < End) {
    unsigned char C = *P;
    if (C < 0x80) {
      if (C == '\'') {
        if (Style.FDoubledQuote) {
          AddQuoted("''", 1, Buffer, Out);
        } else {
          AddCode(39, Buffer, Out);
        }
      } else if (C < 32) {
        AddCode(C, Buffer, Out);
      } else {
        AddQuoted(std::string_view(reinterpret_cast<const char*>(P), 1), 1, Buffer, Out);
      }
      ++P;
      continue;
    }
    int Length = Bytewise ? 0 : Utf8SequenceLength(P, End);
    if (Length == 0) {
      AddQuoted(std::string_view(reinterpret_cast<const char*>(P), 1), 1, Buffer, Out);
      ++P;
      continue;
    }
    std::uint32_t Code = DecodeUtf8(P, Length);
    if (Style.FRawNonAscii) {
      AddQuoted(std::string_view(reinterpret_cast<const char*>(P), static_cast<std::size_t>(Length)),
                Code > 0xFFFF ? 2 : 1, Buffer, Out);
    } else {
      AddCode(Code, Buffer, Out);
    }
    P += Length;
  }
}

// Blanks and line breaks before a split value, minus the line break that
// started the split and the indent after it; a single blank if nothing remains.
std::string JoinedLead(std::string_view Lead) {
  std::size_t End = Lead.size();
  while (End > 0 && IsBlank(Lead[End - 1])) --End;
  const std::size_t Indent = Lead.size() - End;
  if (End > 0 && Lead[End - 1] == '\n') --End;
  if (End > 0 && Lead[End - 1] == '\r') --End;
  if (End == 0) return " ";
  std::string Out(Lead.substr(0, End));
  // A list item whose own line was trimmed: indent it as the writer did.
  if (IsLineBreak(Out.back())) Out.append(Indent >= 2 ? Indent - 2 : 0, ' ');
  return Out;
}

}  // namespace

namespace {

TStringAnalysis Analyse(std::string_view Source, TSpan Span, bool Bytewise) {
  TStringAnalysis Result;
  const std::size_t End = Span.FEnd;
  std::size_t P = Span.FBegin;
  auto AddAtom = [&](std::size_t TextBegin, std::size_t TextEnd, bool Quoted, std::uint8_t Units,
                     std::size_t DecodedBefore) {
    TAtom Atom;
    Atom.FTextBegin = static_cast<std::uint32_t>(TextBegin);
    Atom.FTextEnd = static_cast<std::uint32_t>(TextEnd);
    Atom.FDecodedBegin = static_cast<std::uint32_t>(DecodedBefore);
    Atom.FDecodedEnd = static_cast<std::uint32_t>(Result.FDecoded.size());
    Atom.FSegment = static_cast<std::uint32_t>(Result.FSegments.size());
    Atom.FQuoted = Quoted;
    Atom.FUnits = Units;
    Result.FAtoms.push_back(Atom);
  };
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Source.data());
  while (P < End) {
    std::size_t SegmentBegin = P;
    for (;;) {
      if (P < End && Source[P] == '\'') {
        ++P;
        for (;;) {
          if (P >= End) break;
          if (Source[P] == '\'') {
            if (P + 1 < End && Source[P + 1] == '\'') {
              std::size_t Before = Result.FDecoded.size();
              Result.FDecoded.push_back('\'');
              Result.FDoubledQuote = true;
              AddAtom(P, P + 2, true, 1, Before);
              P += 2;
              continue;
            }
            ++P;
            break;
          }
          int Length = 1;
          std::uint8_t Units = 1;
          if (Bytes[P] >= 0x80) {
            Length = Bytewise ? 0 : Utf8SequenceLength(Bytes + P, Bytes + End);
            if (Length == 0) {
              Length = 1;
              Result.FRawOther = true;
            } else {
              Result.FRawUtf8 = true;
              if (Length == 4) Units = 2;
            }
          }
          std::size_t Before = Result.FDecoded.size();
          Result.FDecoded.append(Source.substr(P, static_cast<std::size_t>(Length)));
          AddAtom(P, P + static_cast<std::size_t>(Length), true, Units, Before);
          P += static_cast<std::size_t>(Length);
        }
      } else if (P < End && Source[P] == '#') {
        std::size_t Hash = P++;
        std::uint32_t Code = 0;
        if (P < End && Source[P] == '$') {
          for (++P; P < End && IsHexDigit(Source[P]); ++P) {
            Code = Code * 16 + static_cast<std::uint32_t>(IsDigit(Source[P]) ? Source[P] - '0' : (Source[P] | 0x20) - 'a' + 10);
          }
        } else {
          for (; P < End && IsDigit(Source[P]); ++P) Code = Code * 10 + static_cast<std::uint32_t>(Source[P] - '0');
        }
        if (Code == 39) Result.FCode39 = true;
        if (Code >= 128) Result.FHighCode = true;
        std::size_t Before = Result.FDecoded.size();
        AppendUtf8(Result.FDecoded, Code);
        AddAtom(Hash, P, false, Code > 0xFFFF ? 2 : 1, Before);
      } else {
        break;
      }
    }
    Result.FSegments.push_back({SegmentBegin, P});
    while (P < End && Source[P] != '+') ++P;  // blanks, line breaks
    if (P < End) ++P;
    while (P < End && Source[P] != '\'' && Source[P] != '#') ++P;
  }
  return Result;
}

}  // namespace

TStringAnalysis AnalyseString(std::string_view Source, TSpan Span) {
  TStringAnalysis Result = Analyse(Source, Span, false);
  // Raw bytes that are not all UTF-8 are ANSI text: one byte, one character.
  if (Result.FRawOther) Result = Analyse(Source, Span, true);
  return Result;
}

bool LazarusFlavour(const TStyleCounts& C, std::string_view FileName) {
  std::size_t Lazarus = C.FIndexGlued + C.FListCloseOwnLine + C.FBinaryCloseOwnLine + C.FCollectionOpenSpaced +
                        C.FRawUtf8Strings + C.FDoubledQuotes + C.FLongLines;
  std::size_t Delphi = C.FIndexSpaced + C.FListCloseGlued + C.FBinaryCloseGlued + C.FHighCodes + C.FCode39 +
                       C.FSplitStrings;
  if (Lazarus != Delphi) return Lazarus > Delphi;
  return FileName.size() >= 4 && EqualsNoCase(FileName.substr(FileName.size() - 4), ".lfm");
}

TStringStyle ChooseStyle(const TStyleCounts& C, std::string_view FileName, const TStringAnalysis* Token) {
  const bool Lazarus = LazarusFlavour(C, FileName);
  TStringStyle Style;
  if (Token != nullptr && Token->FDoubledQuote) {
    Style.FDoubledQuote = true;
  } else if (Token != nullptr && Token->FCode39) {
    Style.FDoubledQuote = false;
  } else if (C.FDoubledQuotes != C.FCode39) {
    Style.FDoubledQuote = C.FDoubledQuotes > C.FCode39;
  } else {
    Style.FDoubledQuote = Lazarus;
  }

  if (Token != nullptr && Token->FRawOther) {
    Style.FRawNonAscii = false;  // an ANSI file: UTF-8 bytes would read as garbage
  } else if (Token != nullptr && Token->FRawUtf8) {
    Style.FRawNonAscii = true;
  } else if (Token != nullptr && Token->FHighCode) {
    Style.FRawNonAscii = false;
  } else if (C.FRawOtherStrings > 0) {
    Style.FRawNonAscii = false;
  } else if (C.FRawUtf8Strings != C.FHighCodes) {
    Style.FRawNonAscii = C.FRawUtf8Strings > C.FHighCodes;
  } else {
    Style.FRawNonAscii = Lazarus;
  }

  if (C.FSplitStrings != C.FLongLines) {
    Style.FSplitLong = C.FSplitStrings > C.FLongLines;
  } else {
    Style.FSplitLong = !Lazarus;
  }
  return Style;
}

std::string_view DominantLineBreak(const TStyleCounts& C) noexcept {
  if (C.FCrLf > C.FLf && C.FCrLf >= C.FCr) return "\r\n";
  if (C.FCr > C.FLf && C.FCr > C.FCrLf) return "\r";
  return "\n";
}

TEdit EncodeStringEdit(std::string_view Source, const TValue& Value, std::string_view Utf8, const TStyleCounts& Counts,
                       std::string_view FileName, bool ReuseOriginal) {
  const TSpan Span = Value.FSpan;
  const TStringAnalysis Old = AnalyseString(Source, Span);
  const std::vector<TAtom>& OldAtoms = Old.FAtoms;
  const std::string_view OldText = Old.FDecoded;
  const TStringStyle Style = ChooseStyle(Counts, FileName, &Old);

  // Characters shared at both ends keep their original spelling.
  std::size_t Prefix = 0;
  std::size_t Suffix = 0;
  if (ReuseOriginal) {
    const std::size_t Shorter = std::min(OldText.size(), Utf8.size());
    while (Prefix < Shorter && OldText[Prefix] == Utf8[Prefix]) ++Prefix;
    while (Suffix < Shorter - Prefix &&
           OldText[OldText.size() - 1 - Suffix] == Utf8[Utf8.size() - 1 - Suffix]) {
      ++Suffix;
    }
  }
  std::size_t PrefixAtoms = 0;
  while (PrefixAtoms < OldAtoms.size() && OldAtoms[PrefixAtoms].FDecodedEnd <= Prefix) ++PrefixAtoms;
  std::size_t SuffixStart = OldAtoms.size();
  while (SuffixStart > PrefixAtoms && OldAtoms[SuffixStart - 1].FDecodedBegin >= OldText.size() - Suffix) {
    --SuffixStart;
  }
  const std::size_t PrefixBytes = PrefixAtoms > 0 ? OldAtoms[PrefixAtoms - 1].FDecodedEnd : 0;
  const std::size_t SuffixBytes = SuffixStart < OldAtoms.size() ? OldText.size() - OldAtoms[SuffixStart].FDecodedBegin : 0;

  std::string Buffer;
  std::vector<TAtom> Middle;
  EncodeAtoms(Utf8.substr(PrefixBytes, Utf8.size() - PrefixBytes - SuffixBytes), Style, Buffer, Middle);
  const TAtomText TextOf{Source, Buffer};

  std::vector<TAtom> Atoms(OldAtoms.begin(), OldAtoms.begin() + static_cast<std::ptrdiff_t>(PrefixAtoms));
  Atoms.insert(Atoms.end(), Middle.begin(), Middle.end());
  Atoms.insert(Atoms.end(), OldAtoms.begin() + static_cast<std::ptrdiff_t>(SuffixStart), OldAtoms.end());
  const std::size_t Units = TotalUnits(Atoms);

  // How the old value was laid out.
  const std::vector<TSpan>& Segments = Old.FSegments;
  bool SplitOnLines = Segments.size() >= 2;
  for (std::size_t I = 1; I < Segments.size() && SplitOnLines; ++I) {
    std::string_view Gap = Source.substr(Segments[I - 1].FEnd, Segments[I].FBegin - Segments[I - 1].FEnd);
    SplitOnLines = Gap.find_first_of("\r\n") != std::string_view::npos;
  }
  std::size_t ChunkLength = 0;
  if (SplitOnLines) {
    std::vector<std::size_t> SegmentUnits(Segments.size(), 0);
    for (const TAtom& A : OldAtoms) SegmentUnits[A.FSegment] += A.FUnits;
    ChunkLength = SegmentUnits[0];
    bool Regular = ChunkLength > 0 && SegmentUnits.back() > 0 && SegmentUnits.back() <= ChunkLength;
    for (std::size_t I = 1; I + 1 < Segments.size() && Regular; ++I) Regular = SegmentUnits[I] == ChunkLength;
    if (!Regular) ChunkLength = 0;
  }

  TEdit Edit;
  if (ChunkLength > 0) {
    // Re-split like the writer did, as long as its output is what we would
    // have written for the old value.
    const std::string_view Separator =
        Source.substr(Segments[0].FEnd, Segments[1].FBegin - Segments[0].FEnd);
    const std::string_view Original = Source.substr(Span.FBegin, Span.Size());
    const std::string Empty;
    if (RenderChunks(OldAtoms, ChunkLength, Separator, TAtomText{Source, Empty}) == Original) {
      if (Units <= ChunkLength) {
        Edit.FBegin = Value.FGapBegin;
        Edit.FEnd = Span.FEnd;
        Edit.FText = JoinedLead(Source.substr(Value.FGapBegin, Span.FBegin - Value.FGapBegin));
        RenderAtoms(Atoms.data(), Atoms.data() + Atoms.size(), TextOf, Edit.FText);
      } else {
        Edit.FBegin = Span.FBegin;
        Edit.FEnd = Span.FEnd;
        Edit.FText = RenderChunks(Atoms, ChunkLength, Separator, TextOf);
      }
      return Edit;
    }
  }

  Edit.FBegin = Span.FBegin;
  Edit.FEnd = Span.FEnd;
  if (Segments.size() == 1 && Style.FSplitLong && Units > kSplitLength && TotalUnits(OldAtoms) <= kSplitLength) {
    // Grown past the limit in a file that splits long strings.
    std::string_view LineBreak = NextLineBreak(Source, Span.FEnd);
    if (LineBreak.empty()) LineBreak = DominantLineBreak(Counts);
    const std::string Indent(LineIndent(Source, Span.FBegin) + 2, ' ');
    const std::string Lead = std::string(LineBreak) + Indent;
    Edit.FText = Lead + RenderChunks(Atoms, kSplitLength, " +" + Lead, TextOf);
    return Edit;
  }

  if (Atoms.empty()) {
    Edit.FText = "''";
    return Edit;
  }
  // Splice: the old text up to the last shared leading character, the new
  // middle, then the old text from the first shared trailing character.
  const std::size_t CutBegin = PrefixAtoms > 0 ? OldAtoms[PrefixAtoms - 1].FTextEnd : Span.FBegin;
  const std::size_t CutEnd = SuffixStart < OldAtoms.size() ? OldAtoms[SuffixStart].FTextBegin : Span.FEnd;
  bool InQuote = PrefixAtoms > 0 && OldAtoms[PrefixAtoms - 1].FQuoted;
  const bool QuoteAtEnd = SuffixStart < OldAtoms.size() && OldAtoms[SuffixStart].FQuoted;
  Edit.FText.assign(Source.substr(Span.FBegin, CutBegin - Span.FBegin));
  for (const TAtom& A : Middle) {
    if (A.FQuoted != InQuote) {
      Edit.FText.push_back('\'');
      InQuote = A.FQuoted;
    }
    Edit.FText += TextOf(A);
  }
  if (InQuote != QuoteAtEnd) Edit.FText.push_back('\'');
  Edit.FText += Source.substr(CutEnd, Span.FEnd - CutEnd);
  return Edit;
}

std::string EncodeNewString(std::string_view Utf8, const TStringStyle& Style, std::size_t Indent,
                            std::string_view LineBreak) {
  std::string Buffer;
  std::vector<TAtom> Atoms;
  EncodeAtoms(Utf8, Style, Buffer, Atoms);
  const TAtomText TextOf{std::string_view(), Buffer};
  if (!Style.FSplitLong || TotalUnits(Atoms) <= kSplitLength) {
    std::string Out;
    RenderAtoms(Atoms.data(), Atoms.data() + Atoms.size(), TextOf, Out);
    return Out;
  }
  const std::string Lead = std::string(LineBreak) + std::string(Indent + 2, ' ');
  return Lead + RenderChunks(Atoms, kSplitLength, " +" + Lead, TextOf);
}

}  // namespace keyloom::formfile::detail

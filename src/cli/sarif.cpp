#include "sarif.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace keyloom::cli {

namespace {

struct TRuleFacts {
  const char* Id;
  const char* Name;
  const char* Level;  // clashes and double markers break a key; a missing letter only leaves one out
  const char* Description;
};

constexpr TRuleFacts Rules[] = {
    {"missing-accelerator", "MissingAccelerator", "warning",
     "A caption that could take an accelerator has none."},
    {"accelerator-clash", "AcceleratorClash", "error",
     "Two captions shown together mark the same accelerator."},
    {"lost-accelerator", "LostAccelerator", "warning",
     "A translation has lost the accelerator of its original caption."},
    {"several-accelerators", "SeveralAccelerators", "error",
     "A translated caption marks more than one accelerator."},
};

const TRuleFacts& FactsOf(TRule Rule) { return Rules[static_cast<std::size_t>(Rule)]; }

// Characters from Begin to End of one line: a valid UTF-8 sequence is one,
// any other byte (a single-byte code page) one each.
int CharactersIn(const std::string& Text, std::size_t Begin, std::size_t End) {
  int Count = 0;
  for (std::size_t Pos = Begin; Pos < End; ++Count) {
    const auto B = static_cast<unsigned char>(Text[Pos]);
    std::size_t Length = B >= 0xF0 && B <= 0xF4 ? 4 : B >= 0xE0 ? 3 : B >= 0xC2 && B < 0xE0 ? 2 : 1;
    if (B >= 0xF5) Length = 1;
    if (Pos + Length > End) Length = 1;
    for (std::size_t I = 1; I < Length; ++I)
      if ((static_cast<unsigned char>(Text[Pos + I]) & 0xC0) != 0x80) Length = 1;
    Pos += Length;
  }
  return Count;
}

// A relative reference for a path: bytes outside the unreserved set and '/' percent-encoded.
std::string UriOf(const std::string& Path) {
  std::string Out = Path.starts_with('/') ? "file://" : "";
  for (const char C : Path) {
    const auto B = static_cast<unsigned char>(C);
    if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '-' || C == '.' ||
        C == '_' || C == '~' || C == '/' || C == '+') {
      Out += C;
    } else {
      char Buffer[4];
      std::snprintf(Buffer, sizeof Buffer, "%%%02X", B);
      Out += Buffer;
    }
  }
  return Out;
}

TJson PhysicalLocation(const TSarifLocation& Where) {
  TJson Physical;
  Physical["artifactLocation"]["uri"] = UriOf(Where.File);
  const TRegion& R = Where.Region;
  TJson Region;
  if (R.Binary) {
    Region["byteOffset"] = R.ByteOffset;
    if (R.ByteLength > 0) Region["byteLength"] = R.ByteLength;
  } else if (R.StartLine > 0) {
    Region["startLine"] = R.StartLine;
    if (R.StartColumn > 0) Region["startColumn"] = R.StartColumn;
    if (R.EndLine > 0) Region["endLine"] = R.EndLine;
    if (R.EndColumn > 0) Region["endColumn"] = R.EndColumn;
  }
  if (!Region.empty()) Physical["region"] = std::move(Region);
  return Physical;
}

// Workflow command values: '%', CR and LF always; in properties ':' and ',' too.
std::string Escaped(std::string_view Text, bool Property) {
  std::string Out;
  for (const char C : Text) {
    if (C == '%')
      Out += "%25";
    else if (C == '\r')
      Out += "%0D";
    else if (C == '\n')
      Out += "%0A";
    else if (Property && C == ':')
      Out += "%3A";
    else if (Property && C == ',')
      Out += "%2C";
    else
      Out += C;
  }
  return Out;
}

}  // namespace

TRule RuleOfKind(std::string_view Kind) {
  if (Kind == "clash") return TRule::Clash;
  if (Kind == "lost") return TRule::Lost;
  if (Kind == "markers") return TRule::Markers;
  return TRule::Missing;
}

TRegion RegionOfSpan(const std::string& Source, formfile::TSpan Span, bool Binary) {
  TRegion R;
  if (Span.FEnd > Source.size() || Span.FBegin > Span.FEnd) return R;
  if (Binary) {
    R.Binary = true;
    R.ByteOffset = Span.FBegin;
    R.ByteLength = Span.Size();
    return R;
  }
  // Lines as the reader counts them: each LF ends one.
  auto LineStart = [&](std::size_t Pos) {
    const std::size_t Newline = Pos == 0 ? std::string::npos : Source.rfind('\n', Pos - 1);
    return Newline == std::string::npos ? 0 : Newline + 1;
  };
  const std::size_t StartOfLine = LineStart(Span.FBegin);
  R.StartLine = 1 + static_cast<int>(std::count(Source.begin(), Source.begin() + static_cast<std::ptrdiff_t>(StartOfLine), '\n'));
  R.StartColumn = 1 + CharactersIn(Source, StartOfLine, Span.FBegin);
  const std::size_t EndLineStart = LineStart(Span.FEnd);
  R.EndLine = R.StartLine + static_cast<int>(std::count(Source.begin() + static_cast<std::ptrdiff_t>(StartOfLine),
                                                        Source.begin() + static_cast<std::ptrdiff_t>(EndLineStart), '\n'));
  R.EndColumn = 1 + CharactersIn(Source, EndLineStart, Span.FEnd);
  return R;
}

TRegion RegionAt(formfile::TPosition Position) {
  TRegion R;
  if (Position.FLine <= 0) {
    R.Binary = Position.FColumn > 0;
    R.ByteOffset = static_cast<std::size_t>(Position.FColumn > 0 ? Position.FColumn : 0);
    return R;
  }
  R.StartLine = Position.FLine;
  R.StartColumn = Position.FColumn;
  return R;
}

TJson SarifResult(TRule Rule, const std::string& Message, const TSarifLocation& Where,
                  const std::vector<TSarifLocation>& Related) {
  const TRuleFacts& Facts = FactsOf(Rule);
  TJson Result;
  Result["ruleId"] = Facts.Id;
  Result["ruleIndex"] = static_cast<int>(Rule);
  Result["level"] = Facts.Level;
  Result["message"]["text"] = Message;
  Result["locations"] = TJson::array({TJson{{"physicalLocation", PhysicalLocation(Where)}}});
  if (!Related.empty()) {
    TJson List = TJson::array();
    int Id = 1;
    for (const TSarifLocation& Other : Related) {
      TJson Location;
      Location["id"] = Id++;
      Location["physicalLocation"] = PhysicalLocation(Other);
      if (!Other.Message.empty()) Location["message"]["text"] = Other.Message;
      List.push_back(std::move(Location));
    }
    Result["relatedLocations"] = std::move(List);
  }
  return Result;
}

std::string SarifLog(std::vector<TJson> Results, bool ExecutionSuccessful) {
  TJson RuleList = TJson::array();
  for (const TRuleFacts& Facts : Rules) {
    TJson Rule;
    Rule["id"] = Facts.Id;
    Rule["name"] = Facts.Name;
    Rule["shortDescription"]["text"] = Facts.Description;
    Rule["defaultConfiguration"]["level"] = Facts.Level;
    RuleList.push_back(std::move(Rule));
  }
  TJson Driver;
  Driver["name"] = "keyloom";
  Driver["version"] = KEYLOOM_VERSION;
  Driver["semanticVersion"] = KEYLOOM_VERSION;
  Driver["rules"] = std::move(RuleList);
  TJson Run;
  Run["tool"]["driver"] = std::move(Driver);
  Run["invocations"] = TJson::array({TJson{{"executionSuccessful", ExecutionSuccessful}}});
  Run["columnKind"] = "unicodeCodePoints";
  Run["results"] = TJson(TJson::array_t(std::make_move_iterator(Results.begin()), std::make_move_iterator(Results.end())));
  TJson Log;
  Log["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
  Log["version"] = "2.1.0";
  Log["runs"] = TJson::array({std::move(Run)});
  // A document to read, not JSON lines.
  std::string Out;
  AppendJson(Out, Log, 2);
  Out += '\n';
  return Out;
}

std::string WorkflowCommand(TRule Rule, const std::string& File, const TRegion& Region, std::string_view Message) {
  const TRuleFacts& Facts = FactsOf(Rule);
  std::string Out = "::";
  Out += Facts.Level;
  Out += " file=" + Escaped(File, true);
  if (!Region.Binary && Region.StartLine > 0) {
    Out += ",line=" + std::to_string(Region.StartLine);
    if (Region.StartColumn > 0) Out += ",col=" + std::to_string(Region.StartColumn);
    if (Region.EndLine > 0 && Region.EndLine != Region.StartLine) Out += ",endLine=" + std::to_string(Region.EndLine);
    if (Region.EndColumn > 0) Out += ",endColumn=" + std::to_string(Region.EndColumn);
  }
  Out += ",title=";
  Out += Facts.Id;
  Out += "::" + Escaped(Message, false) + '\n';
  return Out;
}

}  // namespace keyloom::cli

#pragma once

// check's findings for code scanning (SARIF 2.1.0) and for the annotations
// of CI workflows (one workflow command a finding).

#include "json_output.hpp"

#include <keyloom/formfile/document.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace keyloom::cli {

// What check finds; translations add the last two.
enum class TRule { Missing, Clash, Lost, Markers };

// The rule of a finding kind as the JSON output names it ("missing", "clash", "lost", "markers").
TRule RuleOfKind(std::string_view Kind);

// Where a finding stands. Lines and columns count from 1; columns in
// characters (UTF-8 sequences) when the line's text is known, else as the
// text output gives them. A binary form has byte offsets instead.
struct TRegion {
  int StartLine = 0, StartColumn = 0;
  int EndLine = 0, EndColumn = 0;  // just past the end; 0 when not known
  bool Binary = false;
  std::size_t ByteOffset = 0, ByteLength = 0;
};

// The region of Span in a file whose bytes are Source.
TRegion RegionOfSpan(const std::string& Source, formfile::TSpan Span, bool Binary);
// Only a start, as the text output gives it (a binary form: its byte offset).
TRegion RegionAt(formfile::TPosition Position);

struct TSarifLocation {
  std::string File;
  TRegion Region;
  std::string Message;  // for a related location: what stands there
};

TJson SarifResult(TRule Rule, const std::string& Message, const TSarifLocation& Where,
                  const std::vector<TSarifLocation>& Related = {});
// The whole log: one run of keyloom with its rules and these results.
std::string SarifLog(std::vector<TJson> Results, bool ExecutionSuccessful);

// "::error file=F,line=L,col=C,endColumn=E,title=RULE::MESSAGE" and a newline.
std::string WorkflowCommand(TRule Rule, const std::string& File, const TRegion& Region, std::string_view Message);

}  // namespace keyloom::cli

#pragma once

// A line-based unified diff, for showing what rewriting a file would change.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom::formfile {

// The lines of Text, each with its own line end ("\n" or "\r\n"); the last one
// may have none.
std::vector<std::string_view> SplitLines(std::string_view Text);

enum class TDiffOp { Equal, Delete, Insert };

struct TDiffEdit {
  TDiffOp FOp = TDiffOp::Equal;
  std::size_t FOld = 0;  // index into the old lines (Equal, Delete)
  std::size_t FNew = 0;  // index into the new lines (Equal, Insert)
};

// A shortest edit script turning Old into New (Myers, linear space).
std::vector<TDiffEdit> DiffLines(const std::vector<std::string_view>& Old, const std::vector<std::string_view>& New);

// The unified diff of two texts with `--- OldLabel<TAB>` / `+++ NewLabel<TAB>`
// headers and Context lines around each change; empty when the texts are equal.
// Lines keep their own line ends; a last line without one is followed by the
// usual "\ No newline at end of file" marker.
std::string UnifiedDiff(std::string_view Old, std::string_view New, std::string_view OldLabel,
                        std::string_view NewLabel, int Context = 3);

}  // namespace keyloom::formfile

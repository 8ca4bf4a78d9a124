#pragma once

// What the command prints besides its results: messages and the progress line
// on standard error, and the escaping of texts for the two output formats.

#include <cstddef>
#include <string>
#include <string_view>

namespace keyloom::cli {

// Writes messages to standard error, keeping a progress line (shown only on a
// terminal and only for more than one file) out of their way.
class TReporter {
 public:
  TReporter(std::size_t FileCount, bool Quiet);
  TReporter(const TReporter&) = delete;
  TReporter& operator=(const TReporter&) = delete;
  ~TReporter();

  void Progress(std::size_t Index, std::string_view File);
  // One line; a newline is added.
  void Message(std::string_view Line);
  // Notes and the summary, left out with --quiet.
  void Note(std::string_view Line);
  void ClearProgress();

 private:
  std::size_t FFileCount;
  bool FQuiet;
  bool FShowProgress;
  bool FProgressShown = false;
};

// A JSON string literal: UTF-8 passes through; a byte that is not part of
// valid UTF-8 is given as the character of the same code (\u00XX), as the
// single-byte code pages of older form files would read it.
std::string JsonString(std::string_view Text);

// A caption for a text line: control characters become \r, \n, \t or \xNN.
std::string DisplayText(std::string_view Text);

}  // namespace keyloom::cli

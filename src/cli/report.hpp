#pragma once

// What the command prints besides its results: messages and the progress line
// on standard error, and the escaping of texts for the two output formats.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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
  // Standard output. Gathered and written in large pieces unless it is a
  // terminal; anything on standard error goes after what came before it.
  void Out(std::string_view Text);
  void FlushOut();
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
  bool FOutIsTerminal;
  std::string FOut;
};

// The error of the first write to standard output that failed, or 0: results
// lost to a full disk must not end in success.
int OutputWriteError();

// What the run of one file prints, in order, kept until the files before it
// are out; then replayed as a serial run would have printed it.
class TFileLog {
 public:
  // Standard output.
  void Out(std::string Text) { FEntries.push_back({TKind::Out, std::move(Text)}); }
  // As TReporter's.
  void Message(std::string Line) { FEntries.push_back({TKind::Message, std::move(Line)}); }
  void Note(std::string Line) { FEntries.push_back({TKind::Note, std::move(Line)}); }
  void Replay(TReporter& Reporter) const;

 private:
  enum class TKind { Out, Message, Note };
  struct TEntry {
    TKind Kind;
    std::string Text;
  };
  std::vector<TEntry> FEntries;
};

// A JSON string literal: UTF-8 passes through; a byte that is not part of
// valid UTF-8 is given as the character of the same code (\u00XX), as the
// single-byte code pages of older form files would read it.
std::string JsonString(std::string_view Text);

// A caption for a text line: control characters become \r, \n, \t or \xNN.
std::string DisplayText(std::string_view Text);
void AppendDisplayText(std::string& Out, std::string_view Text);

}  // namespace keyloom::cli

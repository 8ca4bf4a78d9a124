#include "report.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <iostream>

#include <unistd.h>

namespace keyloom::cli {

namespace {
std::atomic<int> FirstOutputError{0};
}  // namespace

int OutputWriteError() { return FirstOutputError.load(); }

TReporter::TReporter(std::size_t FileCount, bool Quiet)
    : FFileCount(FileCount),
      FQuiet(Quiet),
      FShowProgress(!Quiet && FileCount > 1 && ::isatty(STDERR_FILENO) == 1),
      FOutIsTerminal(::isatty(STDOUT_FILENO) == 1) {}

TReporter::~TReporter() {
  FlushOut();
  ClearProgress();
}

void TReporter::Out(std::string_view Text) {
  // A write for every file's few lines cost as much as a small form's check.
  constexpr std::size_t Piece = std::size_t{1} << 16;
  if (FOutIsTerminal) ClearProgress();
  FOut.append(Text);
  if (FOutIsTerminal || FOut.size() >= Piece) FlushOut();
}

void TReporter::FlushOut() {
  if (FOut.empty()) return;
  // What went through the stream before goes first.
  std::cout.flush();
  std::string_view Rest = FOut;
  while (!Rest.empty()) {
    const ssize_t Wrote = ::write(STDOUT_FILENO, Rest.data(), Rest.size());
    if (Wrote < 0 && errno == EINTR) continue;
    // As the stream would, a failed write drops the rest; the run's end reports it.
    if (Wrote <= 0) {
      int None = 0;
      FirstOutputError.compare_exchange_strong(None, Wrote < 0 ? errno : EIO);
      break;
    }
    Rest.remove_prefix(static_cast<std::size_t>(Wrote));
  }
  FOut.clear();
}

void TReporter::Progress(std::size_t Index, std::string_view File) {
  if (!FShowProgress) return;
  std::cerr << "\r\x1b[K[" << Index + 1 << '/' << FFileCount << "] " << File << std::flush;
  FProgressShown = true;
}

void TReporter::ClearProgress() {
  if (!FProgressShown) return;
  std::cerr << "\r\x1b[K" << std::flush;
  FProgressShown = false;
}

void TReporter::Message(std::string_view Line) {
  FlushOut();
  ClearProgress();
  std::cerr << Line << '\n' << std::flush;
}

void TReporter::Note(std::string_view Line) {
  if (!FQuiet) Message(Line);
}

void TFileLog::Replay(TReporter& Reporter) const {
  for (const TEntry& E : FEntries) {
    switch (E.Kind) {
      case TKind::Out: Reporter.Out(E.Text); break;
      case TKind::Message: Reporter.Message(E.Text); break;
      case TKind::Note: Reporter.Note(E.Text); break;
    }
  }
}

namespace {

// Length of the valid UTF-8 sequence at Pos, or 0.
std::size_t Utf8Length(std::string_view Text, std::size_t Pos) {
  const auto B = static_cast<unsigned char>(Text[Pos]);
  if (B < 0x80) return 1;
  std::size_t Length = 0;
  // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
  unsigned char Min = 0x80, Max = 0xBF;
  if (B >= 0xC2 && B <= 0xDF) {
    Length = 2;
  } else if (B >= 0xE0 && B <= 0xEF) {
    Length = 3;
    if (B == 0xE0) Min = 0xA0;
    if (B == 0xED) Max = 0x9F;
  } else if (B >= 0xF0 && B <= 0xF4) {
    Length = 4;
    if (B == 0xF0) Min = 0x90;
    if (B == 0xF4) Max = 0x8F;
  } else {
    return 0;
  }
  if (Pos + Length > Text.size()) return 0;
  const auto Second = static_cast<unsigned char>(Text[Pos + 1]);
  if (Second < Min || Second > Max) return 0;
  for (std::size_t I = 2; I < Length; ++I)
    if ((static_cast<unsigned char>(Text[Pos + I]) & 0xC0) != 0x80) return 0;
  return Length;
}

void AppendHex(std::string& Out, const char* Prefix, unsigned Value, int Digits) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof Buffer, "%s%0*X", Prefix, Digits, Value);
  Out += Buffer;
}

}  // namespace

std::string JsonString(std::string_view Text) {
  std::string Out = "\"";
  for (std::size_t Pos = 0; Pos < Text.size();) {
    const char C = Text[Pos];
    const auto B = static_cast<unsigned char>(C);
    if (B >= 0x80) {
      const std::size_t Length = Utf8Length(Text, Pos);
      if (Length == 0) {
        AppendHex(Out, "\\u", B, 4);
        ++Pos;
      } else {
        Out.append(Text.substr(Pos, Length));
        Pos += Length;
      }
      continue;
    }
    switch (C) {
      case '"': Out += "\\\""; break;
      case '\\': Out += "\\\\"; break;
      case '\n': Out += "\\n"; break;
      case '\r': Out += "\\r"; break;
      case '\t': Out += "\\t"; break;
      default:
        if (B < 0x20 || B == 0x7F)
          AppendHex(Out, "\\u", B, 4);
        else
          Out += C;
    }
    ++Pos;
  }
  Out += '"';
  return Out;
}

std::string DisplayText(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  AppendDisplayText(Out, Text);
  return Out;
}

void AppendDisplayText(std::string& Out, std::string_view Text) {
  // Captions seldom hold control characters: the run before the first goes in whole.
  const auto Plain = std::find_if(Text.begin(), Text.end(), [](char C) {
    const auto B = static_cast<unsigned char>(C);
    return B < 0x20 || B == 0x7F;
  });
  Out.append(Text.begin(), Plain);
  for (const char C : Text.substr(static_cast<std::size_t>(Plain - Text.begin()))) {
    const auto B = static_cast<unsigned char>(C);
    switch (C) {
      case '\n': Out += "\\n"; break;
      case '\r': Out += "\\r"; break;
      case '\t': Out += "\\t"; break;
      default:
        if (B < 0x20 || B == 0x7F)
          AppendHex(Out, "\\x", B, 2);
        else
          Out += C;
    }
  }
}

}  // namespace keyloom::cli

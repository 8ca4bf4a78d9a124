// Form files: the reader never crashes; a file that parses renders back to
// the same bytes untouched; loading it and finding accelerators gives a file
// that parses again, and a second run over that file changes nothing.

#include <keyloom/formfile/document.hpp>
#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.hpp"
#include "run_once.hpp"

using namespace keyloom;
using namespace keyloom::formfile;
using keyloom::fuzz::RunOnce;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  try {
    const TDocument Document = TDocument::Parse(Bytes, "fuzz.dfm");
    FUZZ_CHECK(Document.Render() == Bytes);
  } catch (const EFormFileError& E) {
    // Binary forms have no lines: their messages give the byte offset.
    FUZZ_CHECK(IsBinaryFormFile(Bytes) ? E.Message().starts_with("byte ") : E.Line() >= 1 && E.Column() >= 1);
    return 0;
  }

  bool Loaded = false;
  const std::string First = RunOnce(Bytes, Loaded);
  if (!Loaded) return 0;
  // What was written must read back (a parse error here is a crash of ours).
  bool Again = false;
  const std::string Second = RunOnce(First, Again);
  FUZZ_CHECK(Again);
  FUZZ_CHECK(Second == First);
  return 0;
}

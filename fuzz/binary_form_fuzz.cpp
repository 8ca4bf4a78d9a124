// Binary form files: the reader never crashes and says where it stopped; a
// form that parses renders back to the same bytes untouched; a run writes a
// binary form that parses again, and a second run over it changes nothing.

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
  std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  // Mutations seldom keep the signature: make every input a binary form.
  if (!IsBinaryFormFile(Bytes)) Bytes.insert(0, "TPF0");
  try {
    const TDocument Document = TDocument::Parse(Bytes, "fuzz.dfm");
    FUZZ_CHECK(Document.IsBinary());
    FUZZ_CHECK(Document.Render() == Bytes);
    (void)RenderAsText(Document);
  } catch (const EFormFileError& E) {
    FUZZ_CHECK(E.Message().starts_with("byte "));
    return 0;
  }

  bool Loaded = false;
  const std::string First = RunOnce(Bytes, Loaded);
  if (!Loaded) return 0;
  FUZZ_CHECK(IsBinaryFormFile(First));
  bool Again = false;
  const std::string Second = RunOnce(First, Again);
  FUZZ_CHECK(Again);
  FUZZ_CHECK(Second == First);
  return 0;
}

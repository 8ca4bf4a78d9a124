// The markup functions on any bytes, with the rules that tie them together.

#include <keyloom/caption_check.hpp>
#include <keyloom/markup.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace keyloom;
  const std::string Caption(reinterpret_cast<const char*>(Data), Size);

  const std::string Stripped = DeleteAccelerator(Caption);
  FUZZ_CHECK(DeleteAccelerator(Stripped) == Stripped);
  FUZZ_CHECK(!HasAccelerator(Stripped));
  FUZZ_CHECK(GetAccelerator(Stripped).empty());
  FUZZ_CHECK(AcceleratorLength(Caption) == static_cast<int>(Stripped.size()));
  FUZZ_CHECK(GetUniqueLetterCount(Caption) == GetUniqueLetterCount(Stripped));
  FUZZ_CHECK(HasAccelerator(Caption) == (Stripped != Caption));

  const std::size_t Position = AcceleratorPosition(Caption);
  const std::string Accelerator = GetAccelerator(Caption);
  if (Position == std::string::npos) {
    FUZZ_CHECK(Accelerator.empty());
    FUZZ_CHECK(MarkedCharacter(Caption).empty());
  } else {
    FUZZ_CHECK(Position >= 1 && Position < Caption.size() && Caption[Position - 1] == '&');
    FUZZ_CHECK(HasAccelerator(Caption));
    FUZZ_CHECK(Accelerator == std::string(1, Caption[Position]));
    const std::string Marked = MarkedCharacter(Caption);
    FUZZ_CHECK(!Marked.empty() && Caption.compare(Position, Marked.size(), Marked) == 0);
  }

  // Words: exactly WordCount of them, none empty, none holding a separator.
  const int Words = WordCount(Caption);
  FUZZ_CHECK(Words >= 0 && static_cast<std::size_t>(Words) <= Caption.size());
  std::size_t Letters = 0;
  for (int I = 1; I <= Words; ++I) {
    const std::string Word = GetWord(Caption, I);
    FUZZ_CHECK(!Word.empty());
    for (char C : Word) FUZZ_CHECK(!IsWordSeparator(C));
    Letters += Word.size();
  }
  FUZZ_CHECK(GetWord(Caption, Words + 1).empty());
  FUZZ_CHECK(GetWord(Caption, 0).empty());
  FUZZ_CHECK(Letters <= Caption.size());

  // A letter by position is a letter by value; 0x80 only outside a UTF-8 character.
  for (std::size_t I = 0; I <= Caption.size(); ++I) {
    if (IsLetterAt(Caption, I)) FUZZ_CHECK(I < Caption.size() && IsLetter(Caption[I]));
  }

  // Marking a letter and stripping gives the caption back.
  if (!HasAccelerator(Caption)) {
    for (std::size_t I = 0; I < Caption.size() && I < 64; ++I) {
      if (!IsLetterAt(Caption, I)) continue;
      std::string Marked = Caption;
      Marked.insert(I, 1, '&');
      FUZZ_CHECK(DeleteAccelerator(Marked) == Caption);
      FUZZ_CHECK(AcceleratorPosition(Marked) == I + 1);
    }
  }
  return 0;
}

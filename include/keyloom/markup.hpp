#pragma once

// The "&" markup of captions, letters, and the words of a caption.
//
// "&&" is a literal ampersand, "&" before any other character marks that
// character (the rightmost marker counts), and a lone "&" at the end marks
// nothing but is still markup.

#include <bitset>
#include <cstddef>
#include <string>

namespace keyloom {

// The caption without its markup; literal "&&" pairs stay.
std::string DeleteAccelerator(const std::string& Caption);
// The marked character (one character, case as written), or "".
std::string GetAccelerator(const std::string& Caption);
// Where the accelerator stands (0-based), or npos when the caption marks none.
std::size_t AcceleratorPosition(const std::string& Caption);
// Whether the caption holds a marker or a trailing "&".
bool HasAccelerator(const std::string& Caption);
// The length of the stripped caption.
int AcceleratorLength(const std::string& Caption);
// The number of distinct letters, a and A counted once.
int GetUniqueLetterCount(const std::string& Caption);
// Words are maximal runs of non-separators; they keep their markup.
int WordCount(const std::string& Caption);
// Word number Index (from 1), or "" when there is none.
std::string GetWord(const std::string& Caption, int Index);

// Only letters can become accelerators: codes 0x41 to 0x80 inclusive.
inline bool IsLetter(char C) {
  const auto Code = static_cast<unsigned char>(C);
  return Code >= 0x41 && Code <= 0x80;
}

// The case-folded form that decides letter identity; only A-Z fold.
inline char LetterKey(char C) {
  if (C >= 'A' && C <= 'Z') return static_cast<char>(C - 'A' + 'a');
  return C;
}

inline bool SameLetter(char A, char B) { return LetterKey(A) == LetterKey(B); }

// IsLetter(S[Pos]), except that a 0x80 byte inside a well-formed multi-byte
// UTF-8 character is not a letter, so no marker ever splits such a character.
bool IsLetterAt(const std::string& S, std::size_t Pos);
// Whether a new accelerator may go on S[Pos]: a letter A-Z or a-z, or a 0x80
// that IsLetterAt allows. The punctuation between the letter ranges ("[",
// "_", "{", "~" ...) and DEL keep a marker they already have, but never get one.
bool IsChoosableAt(const std::string& S, std::size_t Pos);

inline bool IsWordSeparator(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// Letters already taken, compared without regard to case; append-only.
class TLetterSet {
 public:
  bool Contains(char C) const { return FBits.test(Slot(C)); }
  void Add(char C) { FBits.set(Slot(C)); }
  int Count() const { return static_cast<int>(FBits.count()); }
  bool Empty() const { return FBits.none(); }

 private:
  static std::size_t Slot(char C) { return static_cast<unsigned char>(LetterKey(C)); }

  std::bitset<256> FBits;
};

}  // namespace keyloom

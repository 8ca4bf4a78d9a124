#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace keyloom {

namespace {

// The bytes of a caption without its markup, one at a time, as
// DeleteAccelerator would give them, but without making the string: sorting
// compares every caption many times.
class TStrippedBytes {
 public:
  explicit TStrippedBytes(const std::string& Caption) : FCaption(Caption) {}
  bool Next(unsigned char& Byte) {
    if (FPairSecond) {
      FPairSecond = false;
      Byte = '&';
      return true;
    }
    const std::size_t Size = FCaption.size();
    while (FPos < Size) {
      const char C = FCaption[FPos];
      if (C != '&') {
        ++FPos;
        Byte = static_cast<unsigned char>(C);
        return true;
      }
      if (FPos + 1 < Size && FCaption[FPos + 1] == '&') {
        // A literal pair stays whole.
        FPos += 2;
        FPairSecond = true;
        Byte = '&';
        return true;
      }
      ++FPos;  // a marker: not part of the caption
    }
    return false;
  }

 private:
  const std::string& FCaption;
  std::size_t FPos = 0;
  bool FPairSecond = false;
};

// GetUniqueLetterCount with a word of bits: folded letters span 0x5B to 0x80.
int UniqueLetters(const std::string& Caption) {
  // A 0x80 byte next to a marker is judged as the caption shows, unmarked.
  if (Caption.find('\x80') != std::string::npos && Caption.find('&') != std::string::npos)
    return GetUniqueLetterCount(Caption);
  std::uint64_t Seen = 0;
  for (std::size_t Pos = 0; Pos < Caption.size(); ++Pos) {
    const char C = Caption[Pos];
    // Only a 0x80 byte needs its neighbours looked at.
    if (IsLetter(C) && (static_cast<unsigned char>(C) != 0x80 || IsLetterAt(Caption, Pos)))
      Seen |= std::uint64_t{1} << (static_cast<unsigned char>(LetterKey(C)) - 0x5B);
  }
  return std::popcount(Seen);
}

// The caption without its markup, as DeleteAccelerator gives it, into a
// string whose buffer is reused.
void StripMarkup(const std::string& Caption, std::string& Plain) {
  if (Caption.find('&') == std::string::npos) {
    Plain.assign(Caption);
    return;
  }
  Plain.clear();
  TStrippedBytes Bytes(Caption);
  for (unsigned char Byte = 0; Bytes.Next(Byte);) Plain.push_back(static_cast<char>(Byte));
}

// Eight bytes from From, zero-padded, as a number that orders as they do.
std::uint64_t BytesKey(const std::string& Plain, std::size_t From) {
  std::uint64_t Key = 0;
  const std::size_t Count = Plain.size() > From ? std::min<std::size_t>(Plain.size() - From, 8) : 0;
  for (std::size_t I = 0; I < Count; ++I)
    Key |= std::uint64_t{static_cast<unsigned char>(Plain[From + I])} << (56 - 8 * I);
  return Key;
}

}  // namespace

int CompareCaptions(const std::string& Caption1, const std::string& Caption2) {
  // Bytes compare as unsigned values; a proper prefix is smaller.
  TStrippedBytes A(Caption1);
  TStrippedBytes B(Caption2);
  for (;;) {
    unsigned char CA = 0;
    unsigned char CB = 0;
    const bool HasA = A.Next(CA);
    const bool HasB = B.Next(CB);
    if (!HasA || !HasB) return HasA ? 1 : HasB ? -1 : 0;
    if (CA != CB) return CA < CB ? -1 : 1;
  }
}

int CompareCaptionLengths(const std::string& Caption1, const std::string& Caption2) {
  const int Length1 = AcceleratorLength(Caption1);
  const int Length2 = AcceleratorLength(Caption2);
  if (Length1 != Length2) return Length1 < Length2 ? -1 : 1;
  return CompareCaptions(Caption1, Caption2);
}

int CompareUniqueLetters(const std::string& Caption1, const std::string& Caption2) {
  const int Count1 = UniqueLetters(Caption1);
  const int Count2 = UniqueLetters(Caption2);
  if (Count1 != Count2) return Count1 < Count2 ? -1 : 1;
  return CompareCaptions(Caption1, Caption2);
}

void CompareNodes(TSortMethod Method, const TTreeNode& Node1, const TTreeNode& Node2, int& Compare) {
  switch (Method) {
    case TSortMethod::smNothing:
      return;
    case TSortMethod::smCaption:
      Compare = CompareCaptions(Node1.GetText(), Node2.GetText());
      return;
    case TSortMethod::smCaptionLength:
      Compare = CompareCaptionLengths(Node1.GetText(), Node2.GetText());
      return;
    case TSortMethod::smUniqueLetters:
      Compare = CompareUniqueLetters(Node1.GetText(), Node2.GetText());
      return;
  }
}

void SortTree(TCustomTreeView& Tree, TSortMethod Method) {
  // Keys small enough to move cheaply: the first key, the caption's first
  // sixteen bytes without markup as two numbers and its length, which order
  // captions of up to sixteen bytes completely, and the place of the rest.
  // Ties fall to the original place, which keeps the order stable without a
  // stable sort's buffer.
  struct TKeyed {
    int First;  // letters or length; 0 when only the caption counts
    std::uint32_t At;
    std::uint64_t Head;
    std::uint64_t Next;
    std::size_t Length;
  };
  std::vector<TKeyed> Keyed;
  std::vector<std::string> Plains;  // kept across groups, so their buffers are reused
  std::vector<TTreeNode*> Nodes;
  Tree.ArrangeGroups([&](std::vector<TTreeNode*>& Group) {
    if (Method == TSortMethod::smNothing || Group.size() < 2) return;
    Keyed.clear();
    if (Plains.size() < Group.size()) Plains.resize(Group.size());
    for (std::size_t I = 0; I < Group.size(); ++I) {
      const std::string& Text = Group[I]->GetText();
      const int First = Method == TSortMethod::smUniqueLetters ? UniqueLetters(Text)
                        : Method == TSortMethod::smCaptionLength ? AcceleratorLength(Text)
                                                                   : 0;
      std::string& Plain = Plains[I];
      StripMarkup(Text, Plain);
      Keyed.push_back({First, static_cast<std::uint32_t>(I), BytesKey(Plain, 0), BytesKey(Plain, 8), Plain.size()});
    }
    // std::string compares bytes as unsigned values, a proper prefix first.
    // Zero-padded, the first sixteen bytes order the same up to equal ones;
    // then, when either caption ends within them, the shorter is a prefix of
    // the other.
    std::sort(Keyed.begin(), Keyed.end(), [&Plains](const TKeyed& A, const TKeyed& B) {
      if (A.First != B.First) return A.First < B.First;
      if (A.Head != B.Head) return A.Head < B.Head;
      if (A.Next != B.Next) return A.Next < B.Next;
      if (A.Length <= 16 || B.Length <= 16) {
        if (A.Length != B.Length) return A.Length < B.Length;
      } else if (const int Order = Plains[A.At].compare(Plains[B.At]); Order != 0) {
        return Order < 0;
      }
      return A.At < B.At;
    });
    Nodes.assign(Group.begin(), Group.end());
    for (std::size_t I = 0; I < Keyed.size(); ++I) Group[I] = Nodes[Keyed[I].At];
  });
}

}  // namespace keyloom

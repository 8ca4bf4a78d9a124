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
  std::uint64_t Seen = 0;
  for (const char C : Caption)
    if (IsLetter(C)) Seen |= std::uint64_t{1} << (static_cast<unsigned char>(LetterKey(C)) - 0x5B);
  return std::popcount(Seen);
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
  struct TKeyed {
    int First;          // letters or length; 0 when only the caption counts
    std::string Plain;  // the caption without markup
    TTreeNode* Node;
  };
  std::vector<TKeyed> Keyed;
  Tree.ArrangeGroups([&](std::vector<TTreeNode*>& Group) {
    if (Method == TSortMethod::smNothing || Group.size() < 2) return;
    Keyed.clear();
    for (TTreeNode* Node : Group) {
      const std::string& Text = Node->GetText();
      const int First = Method == TSortMethod::smUniqueLetters ? UniqueLetters(Text)
                        : Method == TSortMethod::smCaptionLength ? AcceleratorLength(Text)
                                                                   : 0;
      Keyed.push_back({First, DeleteAccelerator(Text), Node});
    }
    // std::string compares bytes as unsigned values, a proper prefix first.
    std::stable_sort(Keyed.begin(), Keyed.end(), [](const TKeyed& A, const TKeyed& B) {
      if (A.First != B.First) return A.First < B.First;
      return A.Plain < B.Plain;
    });
    for (std::size_t I = 0; I < Keyed.size(); ++I) Group[I] = Keyed[I].Node;
  });
}

}  // namespace keyloom

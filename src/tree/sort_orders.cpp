#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>

#include <algorithm>
#include <cstring>

namespace keyloom {

namespace {

int Sign(int Value) { return (Value > 0) - (Value < 0); }

}  // namespace

int CompareCaptions(const std::string& Caption1, const std::string& Caption2) {
  const std::string A = DeleteAccelerator(Caption1);
  const std::string B = DeleteAccelerator(Caption2);
  // memcmp compares bytes as unsigned values; a proper prefix is smaller.
  const int Common = std::memcmp(A.data(), B.data(), std::min(A.size(), B.size()));
  if (Common != 0) return Sign(Common);
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

int CompareCaptionLengths(const std::string& Caption1, const std::string& Caption2) {
  const int Length1 = AcceleratorLength(Caption1);
  const int Length2 = AcceleratorLength(Caption2);
  if (Length1 != Length2) return Length1 < Length2 ? -1 : 1;
  return CompareCaptions(Caption1, Caption2);
}

int CompareUniqueLetters(const std::string& Caption1, const std::string& Caption2) {
  const int Count1 = GetUniqueLetterCount(Caption1);
  const int Count2 = GetUniqueLetterCount(Caption2);
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

}  // namespace keyloom

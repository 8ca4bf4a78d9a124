#include "engine/marked_below.hpp"

#include <keyloom/markup.hpp>

#include "queries/class_facts.hpp"

#include <algorithm>

namespace keyloom {

TMarkedBelow::TMask TMarkedBelow::MaskOf(char Letter) {
  const char Key = LetterKey(Letter);
  if (Key >= 'a' && Key <= 'z') return TMask{1} << (Key - 'a');
  return static_cast<unsigned char>(Key) == 0x80 ? TMask{1} << 26 : 0;
}

TMarkedBelow::TMarkedBelow(const TCustomTreeView& Tree, TNonLatinMode Mode) : FItems(Tree.GetItems()) {
  const int Count = FItems.GetCount();
  std::vector<TMask> Masks(static_cast<std::size_t>(Count), 0);
  bool Any = false;
  // Backwards through the pre-order: every node's children come before it,
  // so what lies below a node is complete when it is handed further up.
  for (int I = Count - 1; I >= 0; --I) {
    const TTreeNode* Node = FItems.GetNodeFromIndex(I);
    const TTreeNode* Parent = Node->GetParent();
    if (!Parent) continue;
    TMask Up = Masks[static_cast<std::size_t>(I)];
    const auto Native = FNative.find(I);
    TLetterKey Key = 0;
    const std::string& Text = Node->GetText();
    const bool Marked = Text.find('&') != std::string::npos && MarkedLetter(Text, Mode, Key);
    if (Marked && !IsNativeKey(Key)) Up |= MaskOf(static_cast<char>(Key));
    const bool NativeMarked = Marked && IsNativeKey(Key);
    if (!Up && !NativeMarked && Native == FNative.end()) continue;
    const TKindFacts& Kind = KindOf(Parent->GetData());
    if (Kind.MenuItem || Kind.PopupMenu) continue;
    const int At = Parent->GetAbsoluteIndex();
    Masks[static_cast<std::size_t>(At)] |= Up;
    Any = Any || Up;
    if (NativeMarked || Native != FNative.end()) {
      std::vector<TLetterKey>& Keys = FNative[At];
      if (NativeMarked) Keys.push_back(Key);
      // Still valid: the map keeps its entries where they are as it grows.
      if (Native != FNative.end()) Keys.insert(Keys.end(), Native->second.begin(), Native->second.end());
      std::sort(Keys.begin(), Keys.end());
      Keys.erase(std::unique(Keys.begin(), Keys.end()), Keys.end());
    }
  }
  if (Any) FMasks = std::move(Masks);
}

int TMarkedBelow::EntryOf(const TTreeNode* Node) const {
  if (!Node->HasChildren() || FItems.GetCount() != static_cast<int>(FMasks.size())) return -1;
  const int At = Node->GetAbsoluteIndex();
  return FItems.GetNodeFromIndex(At) == Node ? At : -1;
}

TMarkedBelow::TMask TMarkedBelow::Gather(const std::vector<TTreeNode*>& Nodes) const {
  if (FMasks.empty()) return 0;
  TMask Mask = 0;
  for (const TTreeNode* Node : Nodes)
    if (const int At = EntryOf(Node); At >= 0) Mask |= FMasks[static_cast<std::size_t>(At)];
  return Mask;
}

void TMarkedBelow::Gather(const std::vector<TTreeNode*>& Nodes, TKeySet& Letters) const {
  const TMask Mask = Gather(Nodes);
  for (int Bit = 0; Bit < 26; ++Bit)
    if (Mask & (TMask{1} << Bit)) Letters.Add(ByteLetterKey(static_cast<char>('a' + Bit)));
  if (Mask & (TMask{1} << 26)) Letters.Add(ByteLetterKey(static_cast<char>(0x80)));
  if (FNative.empty()) return;
  for (const TTreeNode* Node : Nodes) {
    if (!Node->HasChildren()) continue;
    const auto It = FNative.find(Node->GetAbsoluteIndex());
    if (It != FNative.end())
      for (TLetterKey Key : It->second) Letters.Add(Key);
  }
}

}  // namespace keyloom

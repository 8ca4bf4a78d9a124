#include <keyloom/caption_check.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>

#include <algorithm>
#include <map>
#include <utility>

namespace keyloom {

namespace {

// The letter identity of a marked character: ASCII letters fold, the rest as is.
std::string CharacterKey(std::string Character) {
  for (char& C : Character) C = LetterKey(C);
  return Character;
}

using TTaken = std::map<std::string, TTreeNode*>;

struct TChecker {
  std::vector<TCaptionProblem>& Problems;

  void Group(const std::vector<TTreeNode*>& Nodes, const TTaken& Inherited) {
    TTaken Own;
    for (TTreeNode* Node : Nodes) {
      const std::string Marked = MarkedCharacter(Node->GetText());
      if (Marked.empty()) continue;
      const std::string Key = CharacterKey(Marked);
      TTreeNode* Other = nullptr;
      bool FromAbove = false;
      if (auto It = Own.find(Key); It != Own.end()) {
        Other = It->second;
      } else if (auto Up = Inherited.find(Key); Up != Inherited.end()) {
        Other = Up->second;
        FromAbove = true;
      }
      if (Other) {
        TCaptionProblem P;
        P.Kind = TCaptionProblemKind::cpClash;
        P.Node = Node;
        P.Caption = Node->GetText();
        P.Accelerator = Marked;
        P.Other = Other;
        P.Inherited = FromAbove;
        Problems.push_back(std::move(P));
      }
      Own.emplace(Key, Node);
    }
    // Children see what this group saw, as key finding hands its list down;
    // menu items and popup menus start afresh.
    TTaken Down = Inherited;
    for (const auto& [Key, Node] : Own) Down.emplace(Key, Node);
    for (TTreeNode* Node : Nodes) {
      if (!Node->HasChildren()) continue;
      std::vector<TTreeNode*> Children;
      for (int I = 0; I < Node->GetCount(); ++I) Children.push_back(Node->GetItem(I));
      const TObject* Component = Node->GetData();
      const bool Fresh = IsClass<TMenuItem>(Component) || IsClass<TPopupMenu>(Component);
      Group(Children, Fresh ? TTaken{} : Down);
    }
  }
};

}  // namespace

std::string MarkedCharacter(const std::string& Caption) {
  const std::size_t Size = Caption.size();
  const std::size_t Marked = AcceleratorPosition(Caption);
  if (Marked == std::string::npos) return {};
  const auto Lead = static_cast<unsigned char>(Caption[Marked]);
  std::size_t Length = 1;
  if (Lead >= 0xC2 && Lead <= 0xDF) Length = 2;
  else if (Lead >= 0xE0 && Lead <= 0xEF) Length = 3;
  else if (Lead >= 0xF0 && Lead <= 0xF4) Length = 4;
  if (Marked + Length > Size) return Caption.substr(Marked, 1);
  for (std::size_t I = 1; I < Length; ++I)
    if ((static_cast<unsigned char>(Caption[Marked + I]) & 0xC0) != 0x80) return Caption.substr(Marked, 1);
  return Caption.substr(Marked, Length);
}

std::vector<TCaptionProblem> CheckCaptions(TCustomTreeView& Tree, const TStrings& CaptionClasses,
                                           const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
                                           bool OnlyUnassigned) {
  std::vector<TCaptionProblem> Problems;
  TTreeNodes& Items = Tree.GetItems();
  std::vector<TTreeNode*> Roots;
  for (int I = 0; I < Items.GetRootCount(); ++I) Roots.push_back(Items.GetRoot(I));
  TChecker{Problems}.Group(Roots, {});

  // Simulate the run on the tree itself, then put every text back.
  const int Count = Items.GetCount();
  std::vector<std::pair<TTreeNode*, std::string>> Before;
  Before.reserve(static_cast<std::size_t>(Count));
  for (int I = 0; I < Count; ++I) {
    TTreeNode* Node = Items.GetNodeFromIndex(I);
    Before.emplace_back(Node, Node->GetText());
  }
  std::vector<std::pair<TTreeNode*, std::string>> After;
  try {
    if (!OnlyUnassigned)
      for (auto& [Node, Text] : Before) Node->SetText(DeleteAccelerator(Text));
    const TUsedLetters Used;
    Find(Tree, Used, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions);
    for (auto& [Node, Text] : Before) After.emplace_back(Node, Node->GetText());
  } catch (...) {
    for (auto& [Node, Text] : Before) Node->SetText(Text);
    throw;
  }
  for (auto& [Node, Text] : Before) Node->SetText(Text);

  for (std::size_t I = 0; I < Before.size(); ++I) {
    const std::string& Text = Before[I].second;
    const std::string& Found = After[I].second;
    if (HasAccelerator(Text) || !HasAccelerator(Found)) continue;
    TCaptionProblem P;
    P.Kind = TCaptionProblemKind::cpMissing;
    P.Node = Before[I].first;
    P.Caption = Text;
    P.Suggestion = Found;
    Problems.push_back(std::move(P));
  }

  // Pre-order of the nodes, clashes and missing ones mixed.
  std::map<const TTreeNode*, int> Order;
  for (int I = 0; I < Count; ++I) Order[Before[static_cast<std::size_t>(I)].first] = I;
  std::stable_sort(Problems.begin(), Problems.end(), [&](const TCaptionProblem& A, const TCaptionProblem& B) {
    return Order[A.Node] < Order[B.Node];
  });
  return Problems;
}

}  // namespace keyloom

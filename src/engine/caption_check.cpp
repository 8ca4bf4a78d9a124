#include <keyloom/caption_check.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/scopes.hpp>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace keyloom {

namespace {

// The letter identity of a marked character: ASCII letters fold, the rest as is.
std::string CharacterKey(std::string Character) {
  for (char& C : Character) C = LetterKey(C);
  return Character;
}

using TTaken = std::map<std::string, TTreeNode*>;

void Clash(std::vector<TCaptionProblem>& Problems, TTreeNode& Node, const std::string& Marked, TTreeNode* Other,
           bool Inherited, const TControl* Outside = nullptr) {
  TCaptionProblem& P = Problems.emplace_back();
  P.Kind = TCaptionProblemKind::cpClash;
  P.Node = &Node;
  P.Caption = Node.GetText();
  P.Accelerator = Marked;
  P.Other = Other;
  P.OtherComponent = Other ? Other->GetData() : Outside;
  P.OtherCaption = Other ? Other->GetText() : Outside->GetText();
  P.Inherited = Inherited;
}

bool SameCommand(const TTreeNode& A, const TTreeNode& B) {
  const TCustomAction* Action = CaptionActionOf(A.GetData());
  return Action && Action == CaptionActionOf(B.GetData());
}

struct TChecker {
  std::vector<TCaptionProblem>& Problems;

  // A sibling group waiting to be checked, with the letters it inherits.
  // Groups wait on a list rather than the call stack: trees nest as deep as
  // their forms do.
  struct TPending {
    std::vector<TTreeNode*> Nodes;
    std::shared_ptr<const TTaken> Inherited;
  };

  void Run(std::vector<TTreeNode*> Roots) {
    const auto None = std::make_shared<const TTaken>();
    std::vector<TPending> Pending;
    Pending.push_back({std::move(Roots), None});
    while (!Pending.empty()) {
      TPending Next = std::move(Pending.back());
      Pending.pop_back();
      Group(Next, None, Pending);
    }
  }

  void Group(const TPending& Current, const std::shared_ptr<const TTaken>& None, std::vector<TPending>& Pending) {
    const std::vector<TTreeNode*>& Nodes = Current.Nodes;
    const TTaken& Inherited = *Current.Inherited;
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
      // Controls showing one action are one command.
      if (Other && !SameCommand(*Node, *Other)) Clash(Problems, *Node, Marked, Other, FromAbove);
      Own.emplace(Key, Node);
    }
    // Children see what this group saw, as key finding hands its list down;
    // menu items and popup menus start afresh. The list is shared, not copied.
    auto Down = std::make_shared<TTaken>(Inherited);
    for (const auto& [Key, Node] : Own) Down->emplace(Key, Node);
    // Last child group first on the list, so that the first is checked next.
    for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) {
      TTreeNode* Node = *It;
      if (!Node->HasChildren()) continue;
      TPending Child;
      Child.Nodes.reserve(static_cast<std::size_t>(Node->GetCount()));
      for (int I = 0; I < Node->GetCount(); ++I) Child.Nodes.push_back(Node->GetItem(I));
      const TObject* Component = Node->GetData();
      const bool Fresh = IsClass<TMenuItem>(Component) || IsClass<TPopupMenu>(Component);
      Child.Inherited = Fresh ? None : Down;
      Pending.push_back(std::move(Child));
    }
  }
};

// Window scopes: a caption clashes with the first earlier one showing with it,
// else with a caption the window shows outside the tree.
void CheckWindow(const TCustomTreeView& Tree, std::vector<TCaptionProblem>& Problems) {
  for (const TKeyScopeGroup& Scope : CollectScopes(Tree, TKeyScope::ksWindow)) {
    std::map<std::string, std::vector<std::size_t>> Seen;
    for (std::size_t I = 0; I < Scope.Nodes.size(); ++I) {
      TTreeNode* Node = Scope.Nodes[I];
      const std::string Marked = MarkedCharacter(Node->GetText());
      if (Marked.empty()) continue;
      std::vector<std::size_t>& Earlier = Seen[CharacterKey(Marked)];
      const auto Other = std::find_if(Earlier.begin(), Earlier.end(), [&](std::size_t J) {
        return Scope.VisibleTogether(I, J) && !SameCommand(*Node, *Scope.Nodes[J]);
      });
      if (Other != Earlier.end()) {
        Clash(Problems, *Node, Marked, Scope.Nodes[*Other], false);
      } else {
        for (const TKeyScopeGroup::TShownCaption& Shown : Scope.Shown) {
          const std::string Theirs = MarkedCharacter(Shown.Control->GetText());
          if (!Theirs.empty() && CharacterKey(Theirs) == CharacterKey(Marked) &&
              Scope.RegionsTogether(Scope.Region[I], Shown.Region)) {
            Clash(Problems, *Node, Marked, nullptr, false, Shown.Control);
            break;
          }
        }
      }
      Earlier.push_back(I);
    }
  }
}

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
                                           bool OnlyUnassigned, const TKeyOptions& Options) {
  std::vector<TCaptionProblem> Problems;
  TTreeNodes& Items = Tree.GetItems();
  std::vector<TTreeNode*> Roots;
  for (int I = 0; I < Items.GetRootCount(); ++I) Roots.push_back(Items.GetRoot(I));
  if (Options.Scope == TKeyScope::ksWindow) CheckWindow(Tree, Problems);
  else TChecker{Problems}.Run(std::move(Roots));

  // Simulate the run on the tree itself, then put every text back.
  const int Count = Items.GetCount();
  std::vector<std::pair<TTreeNode*, std::string>> Before;
  Before.reserve(static_cast<std::size_t>(Count));
  for (int I = 0; I < Count; ++I) {
    TTreeNode* Node = Items.GetNodeFromIndex(I);
    Before.emplace_back(Node, Node->GetText());
  }
  try {
    if (!OnlyUnassigned)
      for (auto& [Node, Text] : Before) Node->SetText(DeleteAccelerator(Text));
    const TUsedLetters Used;
    Find(Tree, Used, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions, Options);
    Problems.reserve(Problems.size() + Before.size());
    std::set<const TCustomAction*> Reported;  // an action's caption is one caption, wherever it shows
    for (const auto& [Node, Text] : Before) {
      const std::string& Found = Node->GetText();
      if (HasAccelerator(Text) || !HasAccelerator(Found)) continue;
      if (const TCustomAction* Action = CaptionActionOf(Node->GetData()); Action && !Reported.insert(Action).second)
        continue;
      TCaptionProblem& P = Problems.emplace_back();
      P.Kind = TCaptionProblemKind::cpMissing;
      P.Node = Node;
      P.Caption = Text;
      P.Suggestion = Found;
    }
  } catch (...) {
    for (auto& [Node, Text] : Before) Node->SetText(Text);
    throw;
  }
  for (auto& [Node, Text] : Before) Node->SetText(Text);

  // Pre-order of the nodes, clashes and missing ones mixed; the tree is as it
  // was. The problems move once, into place, rather than on every comparison.
  std::vector<std::pair<int, std::size_t>> Order;
  Order.reserve(Problems.size());
  for (std::size_t I = 0; I < Problems.size(); ++I) Order.emplace_back(Problems[I].Node->GetAbsoluteIndex(), I);
  // Forms without clashes have them in order already.
  if (std::is_sorted(Order.begin(), Order.end())) return Problems;
  std::sort(Order.begin(), Order.end());
  std::vector<TCaptionProblem> Sorted;
  Sorted.reserve(Problems.size());
  for (const auto& [Index, I] : Order) Sorted.push_back(std::move(Problems[I]));
  return Sorted;
}

}  // namespace keyloom

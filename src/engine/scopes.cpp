#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/controls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/scopes.hpp>
#include <keyloom/tree.hpp>

#include "queries/class_facts.hpp"
#include "engine/keyed_find.hpp"
#include "engine/letter_units.hpp"
#include "engine/tree_groups.hpp"
#include "engine/matching.hpp"
#include "engine/page_coverage.hpp"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace keyloom {

namespace {

struct TPendingGroup {
  TObject* Component;
  TTreeNode* Parent;
  int ParentScope;  // the group that holds Parent, -1 for the top
};

// Walks the sibling groups in the plain search's order and calls Visit(group,
// nodes, index of the group holding the parent node).
template <class F>
void ForEachGroup(const TCustomTreeView& Tree, TTreeNode* Parent, F Visit) {
  std::vector<TPendingGroup> Pending{{Parent ? Parent->GetData() : nullptr, Parent, -1}};
  std::vector<TTreeNode*> Nodes;
  int Index = 0;
  while (!Pending.empty()) {
    const TPendingGroup Group = Pending.back();
    Pending.pop_back();
    GroupNodes(Tree, Group.Parent, Nodes);
    if (Nodes.empty()) continue;
    Visit(Group, Nodes);
    for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It)
      if ((*It)->HasChildren()) Pending.push_back({(*It)->GetData(), *It, Index});
    ++Index;
  }
}

// Pages show one at a time: a sheet of a page control, a page of a notebook.
class TPageFinder {
 public:
  using TChain = std::vector<std::pair<const void*, const void*>>;  // (page control, page), outermost first

  TChain ChainOf(const TObject* Object) {
    TChain Chain;
    const TControl* Control = AsClass<TControl>(Object);
    if (const auto* Proxy = AsClass<TRadioGroupIndex>(Object)) Control = Proxy->GetRadioGroup();
    if (!Control) return Chain;
    for (const TWinControl* Up = Control->GetParent(); Up; Up = Up->GetParent())
      if (IsPage(Up)) Chain.emplace_back(Up->GetParent(), Up);
    std::reverse(Chain.begin(), Chain.end());
    return Chain;
  }

 private:
  bool IsPage(const TWinControl* Control) {
    auto [It, Added] = FPages.try_emplace(Control, false);
    if (!Added) return It->second;
    const TWinControl* Holder = Control->GetParent();
    It->second = (IsClassType(Control, "TTabSheet") && IsClassType(Holder, "TPageControl")) ||
                 (IsClassType(Control, "TPage") && IsClassType(Holder, "TNotebook"));
    return It->second;
  }

  std::unordered_map<const TWinControl*, bool> FPages;
};

// Whether captions on the two chains can show together: unless some page
// control holds both, on different pages.
bool ChainsTogether(const TPageFinder::TChain& A, const TPageFinder::TChain& B) {
  for (std::size_t I = 0; I < A.size() && I < B.size(); ++I) {
    if (A[I].first != B[I].first) return true;
    if (A[I].second != B[I].second) return false;
  }
  return true;
}

void SetChainRegions(TKeyScopeGroup& Scope, const std::vector<TPageFinder::TChain>& Chains) {
  const std::size_t Count = Chains.size();
  std::vector<std::uint8_t> Together(Count * Count);
  for (std::size_t A = 0; A < Count; ++A)
    for (std::size_t B = 0; B < Count; ++B) Together[A * Count + B] = ChainsTogether(Chains[A], Chains[B]) ? 1 : 0;
  Scope.SetRegions(static_cast<int>(Count), std::move(Together));
}

std::vector<TKeyScopeGroup> SiblingScopes(const TCustomTreeView& Tree, TTreeNode* Parent) {
  std::vector<TKeyScopeGroup> Scopes;
  ForEachGroup(Tree, Parent, [&](const TPendingGroup& Group, const std::vector<TTreeNode*>& Nodes) {
    TKeyScopeGroup Scope;
    Scope.Nodes = Nodes;
    Scope.Region.assign(Nodes.size(), 0);
    Scope.Component = Group.Component;
    Scope.Parent = Group.Parent;
    const TKindFacts& Kind = KindOf(Group.Component);
    Scope.Inherits = Kind.MenuItem || Kind.PopupMenu ? -1 : Group.ParentScope;
    Scopes.push_back(std::move(Scope));
  });
  return Scopes;
}

// The captions outside the tree that show with the window's: the titles of
// radio groups whose items are nodes, the tool buttons of toolbars that are.
class TShownOutside {
 public:
  void Visit(const TObject* Data, int Region) {
    Nodes.insert(Data);
    if (const auto* Proxy = AsClass<TRadioGroupIndex>(Data)) {
      if (const TRadioGroup* Group = Proxy->GetRadioGroup()) Offer(Group, Region);
      return;
    }
    if (const auto* Bar = AsClass<TToolBar>(Data); Bar && Bar->GetShowCaptions())
      for (const TControl* Button : Bar->Controls())
        if (AsClass<TToolButton>(Button)) Offer(Button, Region);
  }
  void Into(TKeyScopeGroup& Scope) const {
    for (const TKeyScopeGroup::TShownCaption& Caption : Candidates)
      if (!Nodes.contains(Caption.Control)) Scope.Shown.push_back(Caption);
  }

 private:
  void Offer(const TControl* Control, int Region) {
    if (Offered.insert(Control).second) Candidates.push_back({Control, Region});
  }
  std::unordered_set<const void*> Nodes;
  std::unordered_set<const void*> Offered;
  std::vector<TKeyScopeGroup::TShownCaption> Candidates;
};

std::vector<TKeyScopeGroup> WindowScopes(const TCustomTreeView& Tree, TTreeNode* Parent) {
  std::vector<TKeyScopeGroup> Scopes(1);
  TShownOutside Outside;
  TPageFinder Pages;
  std::vector<TPageFinder::TChain> Chains{{}};
  std::map<TPageFinder::TChain, int> RegionOf{{{}, 0}};
  std::unordered_map<const void*, std::size_t> MenuScopes;
  // Each main menu's top row stands on a page of the window's menu bar.
  static const char MenuBar = 0;
  ForEachGroup(Tree, Parent, [&](const TPendingGroup&, const std::vector<TTreeNode*>& Nodes) {
    for (TTreeNode* Node : Nodes) {
      const TObject* Data = Node->GetData();
      const TKindFacts& Kind = KindOf(Data);
      if (Kind.MainMenu || Kind.PopupMenu) continue;
      TPageFinder::TChain Chain;
      if (Kind.MenuItem) {
        const TComponent* Above = static_cast<const TMenuItem*>(Data)->GetParentComponent();
        if (!KindOf(Above).MainMenu) {
          const void* Key = Node->GetParent() ? static_cast<const void*>(Node->GetParent()) : Above;
          auto [It, Added] = MenuScopes.try_emplace(Key, Scopes.size());
          if (Added) {
            Scopes.emplace_back();
            Scopes.back().Parent = Node->GetParent();
            Scopes.back().Component = Node->GetParent() ? Node->GetParent()->GetData() : nullptr;
          }
          Scopes[It->second].Nodes.push_back(Node);
          Scopes[It->second].Region.push_back(0);
          continue;
        }
        Chain.emplace_back(&MenuBar, Above);
      } else {
        Chain = Pages.ChainOf(Data);
      }
      auto [It, Added] = RegionOf.try_emplace(Chain, static_cast<int>(Chains.size()));
      if (Added) Chains.push_back(Chain);
      Scopes[0].Nodes.push_back(Node);
      Scopes[0].Region.push_back(It->second);
      Outside.Visit(Data, It->second);
    }
  });
  SetChainRegions(Scopes[0], Chains);
  Outside.Into(Scopes[0]);
  if (Scopes[0].Nodes.empty()) Scopes.erase(Scopes.begin());
  return Scopes;
}

}  // namespace

bool IsUnshownToolCaption(const TObject* Component) {
  const auto* Button = AsClass<TToolButton>(Component);
  if (!Button) return false;
  const auto* Bar = AsClass<TToolBar>(Button->GetParent());
  return !Bar || !Bar->GetShowCaptions();
}

bool TKeyScopeGroup::HasPages() const {
  return std::find(FTogether.begin(), FTogether.end(), 0) != FTogether.end();
}

std::vector<TKeyScopeGroup> CollectScopesBelow(const TCustomTreeView& Tree, TTreeNode* Parent, TKeyScope Scope) {
  return Scope == TKeyScope::ksWindow ? WindowScopes(Tree, Parent) : SiblingScopes(Tree, Parent);
}

std::vector<TKeyScopeGroup> CollectScopes(const TCustomTreeView& Tree, TKeyScope Scope) {
  return CollectScopesBelow(Tree, nullptr, Scope);
}

std::vector<std::vector<TLetterKey>> CandidateLetters(const std::vector<TKeyScopeGroup>& Scopes, std::size_t Index,
                                                      const TKeyOptions& Options, const TStrings& CaptionClasses,
                                                      const TStrings& NoCaptionClasses) {
  const TKeyScopeGroup& Scope = Scopes.at(Index);
  TKeySet Base;
  for (TLetterKey Key : ReservedLetterKeys(Options.ReservedLetters)) Base.Add(Key);
  for (int Up = Scope.Inherits; Up >= 0; Up = Scopes[static_cast<std::size_t>(Up)].Inherits)
    for (const TTreeNode* Node : Scopes[static_cast<std::size_t>(Up)].Nodes) {
      TLetterKey Key = 0;
      if (MarkedLetter(Node->GetText(), Options.NonLatin, Key)) Base.Add(Key);
    }
  std::vector<TKeySet> Marked(static_cast<std::size_t>(Scope.RegionCount()));
  for (const TKeyScopeGroup::TShownCaption& Shown : Scope.Shown) {
    TLetterKey Key = 0;
    if (MarkedLetter(Shown.Control->GetText(), Options.NonLatin, Key))
      Marked[static_cast<std::size_t>(Shown.Region)].Add(Key);
  }
  for (std::size_t I = 0; I < Scope.Nodes.size(); ++I) {
    TLetterKey Key = 0;
    if (MarkedLetter(Scope.Nodes[I]->GetText(), Options.NonLatin, Key))
      Marked[static_cast<std::size_t>(Scope.Region[I])].Add(Key);
  }
  TClassFactCache Facts(NoCaptionClasses);
  std::vector<std::vector<TLetterKey>> Letters(Scope.Nodes.size());
  std::vector<const TCustomAction*> Commands;  // one action shown twice in a scope is one caption
  for (std::size_t I = 0; I < Scope.Nodes.size(); ++I) {
    const TTreeNode* Node = Scope.Nodes[I];
    TCaptionInfo Info;
    if (HasAccelerator(Node->GetText()) ||
        !IsEligibleComponent(Node->GetData(), Facts.Of(Node->GetData()), CaptionClasses, NoCaptionClasses, Info) ||
        (Options.Placeholders == TPlaceholders::plSkip && IsPlaceholderCaption(*Node)))
      continue;
    if (const TCustomAction* Action = CaptionActionOf(Node->GetData())) {
      if (std::find(Commands.begin(), Commands.end(), Action) != Commands.end()) continue;
      Commands.push_back(Action);
    }
    TKeySet Taken = Base;
    for (int R = 0; R < Scope.RegionCount(); ++R)
      if (Scope.RegionsTogether(Scope.Region[I], R)) Taken.Merge(Marked[static_cast<std::size_t>(R)]);
    for (const TLetterChoice& Choice : CaptionLetters(Node->GetText(), Options.NonLatin))
      if (!Taken.Contains(Choice.Key)) Letters[I].push_back(Choice.Key);
  }
  return Letters;
}

namespace {

std::size_t CoverageOf(const std::vector<std::size_t>& Members, const std::vector<std::vector<TLetterKey>>& Letters) {
  std::map<TLetterKey, int> Ids;
  std::vector<std::vector<int>> Adjacent;
  for (std::size_t Node : Members) {
    if (Letters[Node].empty()) continue;
    std::vector<int>& Row = Adjacent.emplace_back();
    for (TLetterKey Key : Letters[Node]) Row.push_back(Ids.try_emplace(Key, static_cast<int>(Ids.size())).first->second);
  }
  return MaximumMatchingSize(static_cast<int>(Ids.size()), Adjacent);
}

}  // namespace

TCoverageMaximum ExactMaximumCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters) {
  if (!Scope.HasPages()) {
    std::vector<std::size_t> Members;
    for (std::size_t I = 0; I < Scope.Nodes.size() && I < Letters.size(); ++I) Members.push_back(I);
    return {CoverageOf(Members, Letters), true};
  }
  const TPageCoverage Exact = ExactPageCoverage(Scope, Letters, 0, PageSearchBudget);
  return {Exact.Size, Exact.Proven};
}

std::size_t MaximumCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters) {
  return ExactMaximumCoverage(Scope, Letters).Size;
}

}  // namespace keyloom

#include <keyloom/host/menus.hpp>
#include <keyloom/introspection.hpp>
#include <keyloom/tree.hpp>

#include "engine/class_facts.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace keyloom {

int GetComponentLevel(const TCustomForm* Form, const TComponent* Component) {
  const TKindFacts& Kind = KindOf(Component);
  if (Kind.MainMenu || Kind.PopupMenu) return 1;
  if (Kind.Control) {
    const auto* Control = static_cast<const TControl*>(Component);
    if (Control->AcceptsControls()) return 1;
    int Level = 0;
    for (const TControl* C = Control; C && C != Form; C = C->GetParent()) ++Level;
    return Level;
  }
  if (Kind.MenuItem) {
    int Level = 0;
    for (const TComponent* C = Component; C; C = C->GetParentComponent()) ++Level;
    return Level;
  }
  return -1;
}

void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TAddComponentProc& AddProc, const TStrings& List1, const TStrings& List2) {
  // One pass per level, each in component order. Every level present gets its
  // pass, also beyond levels that hold no component.
  std::vector<std::pair<int, TComponent*>> Passes;
  Passes.reserve(Component.Components().size());
  for (TComponent* Owned : Component.Components()) {
    const int Level = GetComponentLevel(Form, Owned);
    if (Level >= 1) Passes.emplace_back(Level, Owned);
  }
  std::stable_sort(Passes.begin(), Passes.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
  for (const auto& [Level, Owned] : Passes) AddProc(Owned, Tree, Level, List1, List2);
}

bool IsSelfOrAncestor(const TObject* Component, const TObject* Candidate) {
  if (const auto* Control = AsClass<TControl>(Component)) {
    for (const TControl* C = Control; C; C = C->GetParent())
      if (C == Candidate) return true;
    return false;
  }
  if (const auto* Item = AsClass<TMenuItem>(Component)) {
    for (const TComponent* C = Item; C; C = C->GetParentComponent())
      if (C == Candidate) return true;
    return false;
  }
  return false;
}

namespace {

// Whether A comes before B in pre-order, found from their places among their
// ancestors, so that no index over the whole tree is needed while it grows.
bool ComesBefore(const TTreeNode* A, const TTreeNode* B) {
  if (A == B) return false;
  int LevelA = A->GetLevel();
  int LevelB = B->GetLevel();
  const TTreeNode* X = A;
  const TTreeNode* Y = B;
  for (; LevelA > LevelB; --LevelA) X = X->GetParent();
  for (; LevelB > LevelA; --LevelB) Y = Y->GetParent();
  // One is the other's ancestor: the ancestor comes first.
  if (X == Y) return X == A;
  while (X->GetParent() != Y->GetParent()) {
    X = X->GetParent();
    Y = Y->GetParent();
  }
  return X->GetIndex() < Y->GetIndex();
}

// The last node in pre-order that stands for the component or something on
// its parent chain: the nodes of the chain's members are looked up directly
// instead of testing every node of the tree.
TTreeNode* FindParentNode(const TCustomTreeView& Tree, const TObject* Component) {
  const TTreeNodes& Items = Tree.GetItems();
  // With at most one node an object, a member whose node is the next
  // ancestor of the one found needs no look-up: that node comes before.
  const bool OneNodeEach = !Items.HasSharedData();
  TTreeNode* Found = nullptr;
  // Found or one of its ancestors: the chain is walked upwards, and its
  // members' nodes are mostly ancestors of the nodes of the members below.
  const TTreeNode* Above = nullptr;
  std::vector<TTreeNode*> Nodes;
  auto Consider = [&](const TObject* Member) {
    if (OneNodeEach && Above && Above->GetParent() && Above->GetParent()->GetData() == Member) {
      Above = Above->GetParent();
      return;
    }
    Nodes.clear();
    Items.GetNodesWithData(Member, Nodes);
    for (TTreeNode* Node : Nodes) {
      if (Found && Above->GetLevel() >= Node->GetLevel()) {
        while (Above->GetLevel() > Node->GetLevel()) Above = Above->GetParent();
        if (Above == Node) continue;  // an ancestor comes before
      }
      if (!Found || ComesBefore(Found, Node)) Above = Found = Node;
    }
  };
  const TKindFacts& Kind = KindOf(Component);
  if (Kind.Control) {
    for (const TControl* C = static_cast<const TControl*>(Component); C; C = C->GetParent()) Consider(C);
  } else if (Kind.MenuItem) {
    for (const TComponent* C = static_cast<const TMenuItem*>(Component); C; C = C->GetParentComponent()) Consider(C);
  }
  return Found;
}

TTreeNode* AddNode(TCustomTreeView& Tree, TTreeNode* Parent, const std::string& Text, TObject* Data, int Image) {
  TTreeNode* Node = Tree.GetItems().AddChildObject(Parent, Text, Data);
  Node->SetImageIndex(Image);
  Node->SetSelectedIndex(Image);
  return Node;
}

void AddRadioGroupItems(TCustomTreeView& Tree, TTreeNode* Parent, TRadioGroup& RadioGroup) {
  const int Image = KindOf(&RadioGroup).Image;
  const TStrings& Items = *RadioGroup.GetItems();
  for (int I = 0; I < Items.Count(); ++I) {
    auto* Proxy = new TRadioGroupIndex(&Tree);
    Proxy->SetIndex(I);
    Proxy->SetRadioGroup(&RadioGroup);
    AddNode(Tree, Parent, Items[I], Proxy, Image);
  }
}

}  // namespace

void AddComponent(TObject* Component, TCustomTreeView& Tree, int /*Level*/, const TStrings& CaptionClasses,
                  const TStrings& NoCaptionClasses) {
  const std::string Caption = GetCaption(Component, CaptionClasses, NoCaptionClasses);
  if (Caption.empty()) return;
  const TKindFacts& Kind = KindOf(Component);
  TTreeNode* Parent = FindParentNode(Tree, Component);
  if (Kind.RadioGroup) {
    AddRadioGroupItems(Tree, Parent, *static_cast<TRadioGroup*>(Component));
    return;
  }
  AddNode(Tree, Parent, Caption, Component, Kind.Image);
}

void ClearWorkingTree(TCustomTreeView& Tree) {
  // The nodes go first: they are all that refers to the proxies.
  Tree.GetItems().Clear();
  for (int I = Tree.GetComponentCount() - 1; I >= 0; --I) {
    if (I >= Tree.GetComponentCount()) continue;
    TComponent* Owned = Tree.GetComponent(I);
    if (IsClass<TRadioGroupIndex>(Owned)) TComponent::Free(Owned);
  }
}

}  // namespace keyloom

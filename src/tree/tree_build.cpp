#include <keyloom/host/menus.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include "queries/class_facts.hpp"
#include "host/address_map.hpp"
#include "host/build_scout.hpp"
#include "tree/radio_item_shelf.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace keyloom {

int GetComponentLevel(const TCustomForm* Form, const TComponent* Component) {
  const TKindFacts& Kind = KindOf(Component);
  if (Kind.MainMenu || Kind.PopupMenu) return 1;
  if (Kind.Control) {
    const auto* Control = static_cast<const TControl*>(Component);
    // One that holds controls without accepting dropped ones (a page control
    // its pages) must be in the tree before them too, or they pass it by.
    if (Control->AcceptsControls()) return 1;
    if (const auto* Window = AsClass<TWinControl>(Control); Window && Window->GetControlCount() > 0) return 1;
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

// The later of two nodes in pre-order, either possibly nil.
TTreeNode* Later(TTreeNode* A, TTreeNode* B) {
  if (!A) return B;
  if (!B) return A;
  return ComesBefore(A, B) ? B : A;
}

// The last node in pre-order among those that stand for Data.
TTreeNode* LastNodeOf(const TTreeNodes& Items, const TObject* Data, std::vector<TTreeNode*>& Scratch) {
  Scratch.clear();
  Items.GetNodesWithData(Data, Scratch);
  TTreeNode* Last = nullptr;
  for (TTreeNode* Node : Scratch) Last = Later(Last, Node);
  return Last;
}

// The next member up a chain of controls or of menu items.
const TObject* Up(const TObject* Member, bool Controls) {
  if (Controls) return static_cast<const TControl*>(Member)->GetParent();
  return static_cast<const TComponent*>(Member)->GetParentComponent();
}

// On no chain but its own: a control or menu item without children, or a
// radio group, whose nodes stand for its item proxies.
bool IsLeaf(const TObject* Component, const TKindFacts& Kind) {
  if (Kind.RadioGroup) return true;
  if (Kind.MenuItem) return static_cast<const TMenuItem*>(Component)->GetCount() == 0;
  if (Kind.Control) {
    const auto* Win = AsClass<TWinControl>(Component);
    return !Win || Win->GetControlCount() == 0;
  }
  return false;
}

// What adding a component reads of it. Read in the sweep that finds the
// levels, in the order the components lie in memory: on a form too large for
// the cache, reading it again in pass order waited on the memory for every
// component a second time.
struct TPassed {
  TComponent* Component = nullptr;
  int Level = 0;
  bool Read = false;  // the fields below are filled
  bool Leaf = false;
  const TKindFacts* Kind = nullptr;
  const TObject* Up = nullptr;
  std::string Caption;

  void ReadFrom(const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
    Read = true;
    Caption = GetCaption(Component, CaptionClasses, NoCaptionClasses);
    if (Caption.empty()) return;
    Kind = &KindOf(Component);
    if (Kind->Control || Kind->MenuItem) Up = keyloom::Up(Component, Kind->Control);
    Leaf = IsLeaf(Component, *Kind);
  }
};

// While EnumComponents adds the components itself, the answer
// for a parent chain is the answer for the chain above plus the parent's own
// nodes, and the answer for the chain above stays right until a node is added
// for a member of that chain. Remembering it per parent saves
// walking every chain to its end: in deeply nested forms that walk touched
// tens of controls, each likely not in the cache, for every control added.
class TParentMemo {
 public:
  explicit TParentMemo(const TCustomTreeView& Tree) : FTree(Tree) {}

  TTreeNode* FindParentNode(const TPassed& Pass) {
    const TTreeNodes& Items = FTree.GetItems();
    if (FStamp != Items.Stamp()) Forget();
    if (!Pass.Kind->Control && !Pass.Kind->MenuItem) return nullptr;
    TTreeNode* Own = LastNodeOf(Items, Pass.Component, FScratch);
    return Later(Own, Resolve(Pass.Up, Pass.Kind->Control));
  }

  // After Nodes nodes were added for the component to a tree that was at
  // Before. A node added as a last child leaves the order of the others as it
  // was, so only the answers for chains through the component can change. Resolve
  // remembers every member of the path it walks, so an answer for a chain
  // through the component means one for the component itself: without that, every
  // answer stands. Anything else that changed the tree meanwhile (a handler
  // told of the change) may have changed any answer.
  void Added(const TPassed& Pass, std::uint64_t Before, int Nodes) {
    if (FStamp != Before || FTree.GetItems().Stamp() != Before + static_cast<std::uint64_t>(Nodes)) return;
    if (Pass.Leaf) {
      FStamp = FTree.GetItems().Stamp();
      return;
    }
    // Controls lie on chains of controls only, everything else on chains of
    // menu items.
    TTreeNode* Ignored = nullptr;
    if (!Answers(Pass.Kind->Control).Find(Pass.Component, Ignored)) FStamp = FTree.GetItems().Stamp();
  }

 private:
  // The chains of controls and of menu items are walked differently; their
  // answers are kept apart.
  TAddressMap<TTreeNode>& Answers(bool Controls) { return Controls ? FControls : FMenuItems; }

  // Every remembered answer goes at once.
  void Forget() {
    FControls.Clear();
    FMenuItems.Clear();
    FStamp = FTree.GetItems().Stamp();
  }

  // The last node in pre-order among the nodes of Member and of everything
  // above it, nil without any.
  TTreeNode* Resolve(const TObject* Member, bool Controls) {
    TAddressMap<TTreeNode>& Known = Answers(Controls);
    FPath.clear();
    TTreeNode* Answer = nullptr;
    for (; Member; Member = Up(Member, Controls)) {
      if (Known.Find(Member, Answer)) break;
      FPath.push_back(Member);
    }
    if (!Member) Answer = nullptr;
    const TTreeNodes& Items = FTree.GetItems();
    for (auto It = FPath.rbegin(); It != FPath.rend(); ++It) {
      Answer = Later(LastNodeOf(Items, *It, FScratch), Answer);
      Known.Put(*It, Answer);
    }
    return Answer;
  }

  const TCustomTreeView& FTree;
  TAddressMap<TTreeNode> FControls;
  TAddressMap<TTreeNode> FMenuItems;
  std::uint64_t FStamp = 0;
  std::vector<const TObject*> FPath;
  std::vector<TTreeNode*> FScratch;
};

TTreeNode* AddNode(TCustomTreeView& Tree, TTreeNode* Parent, const std::string& Text, TObject* Data, int Image) {
  TTreeNode* Node = Tree.GetItems().AddChildObject(Parent, Text, Data);
  Node->SetImageIndex(Image);
  Node->SetSelectedIndex(Image);
  return Node;
}

void AddRadioGroupItems(TCustomTreeView& Tree, TTreeNode* Parent, TRadioGroup& RadioGroup, const TBuildScout& Scout) {
  const int Image = KindOf(&RadioGroup).Image;
  const TStrings& Items = *RadioGroup.GetItems();
  if (Items.Count() == 0) return;
  TRadioItemShelf& Shelf = *TRadioItemShelf::Of(Tree, true);
  // Proxies a few at a time before their nodes: where a node will be indexed
  // is known only once its proxy is known, and on a large tree each would
  // otherwise wait for its index slot.
  constexpr int Batch = 8;
  TRadioGroupIndex* Member = nullptr;  // one of this build's proxies of the group
  for (int From = 0; From < Items.Count(); From += Batch) {
    TRadioGroupIndex* Proxies[Batch];
    const int Count = std::min(Batch, Items.Count() - From);
    for (int I = 0; I < Count; ++I) {
      TRadioGroupIndex& Proxy = Shelf.Take();
      Proxy.SetIndex(From + I);
      // A proxy that stood for an item of this group before keeps its link.
      if (Proxy.GetRadioGroup() != &RadioGroup) {
        if (Member)
          Proxy.ShareRadioGroupOf(*Member);
        else
          Proxy.SetRadioGroup(&RadioGroup);
      }
      if (!Member) Member = &Proxy;
      Scout.Adding(&Proxy);
      Proxies[I] = &Proxy;
    }
    for (int I = 0; I < Count; ++I) AddNode(Tree, Parent, Items[From + I], Proxies[I], Image);
  }
}

// Adds the nodes for a component whose parent node is known: the number added.
int AddNodes(TCustomTreeView& Tree, TTreeNode* Parent, const std::string& Caption, TObject* Component,
             const TKindFacts& Kind, const TBuildScout& Scout) {
  if (!Kind.RadioGroup) {
    AddNode(Tree, Parent, Caption, Component, Kind.Image);
    return 1;
  }
  auto& RadioGroup = *static_cast<TRadioGroup*>(Component);
  const int Nodes = RadioGroup.GetItems()->Count();
  AddRadioGroupItems(Tree, Parent, RadioGroup, Scout);
  return Nodes;
}

// The components a window shows: those the component owns and, after each
// inline frame, what the frame owns (its controls show in the window too).
// Without frames, the owned list itself.
const std::vector<TComponent*>& WithFrameContents(const TComponent& Component, std::vector<TComponent*>& Out) {
  const auto& Owned = Component.Components();
  if (std::none_of(Owned.begin(), Owned.end(), [](const TComponent* C) { return C->HasState(csInline); }))
    return Owned;
  // Depth first, each frame's contents right after it.
  const auto Add = [&](const TComponent& Owner, auto& Self) -> void {
    for (TComponent* C : Owner.Components()) {
      Out.push_back(C);
      if (C->HasState(csInline)) Self(*C, Self);
    }
  };
  Add(Component, Add);
  return Out;
}

// The components that have a level, each with its pass, and the order of
// the passes: one per level, each in component order. Every level present
// gets its pass, also beyond levels that hold no component. ReadEarly: read
// what adding reads of each in the sweep that finds the levels.
struct TPlan {
  std::vector<TPassed> Leveled;
  std::vector<std::uint32_t> Passes;

  TPlan(const TCustomForm* Form, const TComponent& Component, bool ReadEarly, const TStrings& List1,
        const TStrings& List2, const TBuildScout& Scout) {
    std::vector<TComponent*> WithFrames;
    const auto& All = WithFrameContents(Component, WithFrames);
    Leveled.reserve(All.size());
    int Deepest = 0;
    for (std::size_t I = 0; I < All.size(); ++I) {
      Scout.Sweep(All, I);
      const int Level = GetComponentLevel(Form, All[I]);
      if (Level < 1) continue;
      TPassed& Pass = Leveled.emplace_back();
      Pass.Component = All[I];
      Pass.Level = Level;
      if (ReadEarly) Pass.ReadFrom(List1, List2);
      Deepest = std::max(Deepest, Level);
    }
    // Counted into place by level, in component order within each: a sort by
    // comparison cost more as forms grew.
    std::vector<std::size_t> Starts(static_cast<std::size_t>(Deepest) + 2, 0);
    for (const TPassed& Pass : Leveled) ++Starts[static_cast<std::size_t>(Pass.Level) + 1];
    for (std::size_t L = 1; L < Starts.size(); ++L) Starts[L] += Starts[L - 1];
    Passes.resize(Leveled.size());
    for (std::size_t I = 0; I < Leveled.size(); ++I)
      Passes[Starts[static_cast<std::size_t>(Leveled[I].Level)]++] = static_cast<std::uint32_t>(I);
  }
};

}  // namespace

void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TAddComponentProc& AddProc, const TStrings& List1, const TStrings& List2) {
  const TPlan Plan(Form, Component, false, List1, List2, TBuildScout(Tree.GetItems()));
  for (const std::uint32_t At : Plan.Passes)
    AddProc(Plan.Leveled[At].Component, Tree, Plan.Leveled[At].Level, List1, List2);
}

void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  // A handler told of every added node could change what later components
  // show: then each is read only as it is added.
  const bool ReadEarly = !Tree.OnNodesChanged;
  const TBuildScout Scout(Tree.GetItems());
  TPlan Plan(Form, Component, ReadEarly, CaptionClasses, NoCaptionClasses, Scout);
  // Parent answers are remembered only while nothing but this function adds
  // nodes and the form's parent chains stay as they are.
  TParentMemo Memo(Tree);
  // A step reads its component only where the sweep did not, and a radio
  // group again, for its items.
  auto StepAt = [&](std::size_t At) {
    const TPassed& Next = Plan.Leveled[Plan.Passes[At]];
    const bool Controls = Next.Kind && Next.Kind->Control;
    return TBuildScout::TStep{Next.Component, !Next.Read || (Next.Kind && Next.Kind->RadioGroup),
                              Controls ? static_cast<const TControl*>(Next.Up) : nullptr};
  };
  const TTreeNodes& Items = Tree.GetItems();
  for (std::size_t I = 0; I < Plan.Passes.size(); ++I) {
    Scout.Keep(I, Plan.Passes.size(), StepAt);
    TPassed& Pass = Plan.Leveled[Plan.Passes[I]];
    if (!Pass.Read) Pass.ReadFrom(CaptionClasses, NoCaptionClasses);
    if (Pass.Caption.empty()) continue;
    TTreeNode* Parent = Memo.FindParentNode(Pass);
    const std::uint64_t Before = Items.Stamp();
    const int Nodes = AddNodes(Tree, Parent, Pass.Caption, Pass.Component, *Pass.Kind, Scout);
    // Read late, after the handler had its say, as before.
    if (!ReadEarly) Pass.Leaf = IsLeaf(Pass.Component, *Pass.Kind);
    Memo.Added(Pass, Before, Nodes);
  }
}

void AddComponent(TObject* Component, TCustomTreeView& Tree, int /*Level*/, const TStrings& CaptionClasses,
                  const TStrings& NoCaptionClasses) {
  const std::string Caption = GetCaption(Component, CaptionClasses, NoCaptionClasses);
  if (Caption.empty()) return;
  AddNodes(Tree, FindParentNode(Tree, Component), Caption, Component, KindOf(Component), TBuildScout(Tree.GetItems()));
}

void ClearWorkingTree(TCustomTreeView& Tree) {
  Tree.GetItems().Clear();
  // The nodes were all that referred to the proxies.
  if (TRadioItemShelf* Shelf = TRadioItemShelf::Of(Tree, false)) Shelf->PutBackAll();
}

}  // namespace keyloom

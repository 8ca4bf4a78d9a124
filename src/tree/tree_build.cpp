#include <keyloom/host/menus.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include "engine/class_facts.hpp"
#include "host/prefetch.hpp"
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

  // Asks early for what remembering the answer above the component will read.
  void Prefetch(const TPassed& Pass) const {
    if (FTable.empty() || !Pass.Kind) return;
    if (!Pass.Kind->Control && !Pass.Kind->MenuItem) return;
    PrefetchSlot(KeyOf(Pass.Component, Pass.Kind->Control));
    if (!Pass.Up) return;
    PrefetchSlot(KeyOf(Pass.Up, Pass.Kind->Control));
    FTree.GetItems().PrefetchData(Pass.Up);
    // The first child of a parent met in its pass finds no answer for the
    // parent, and looks for the grandparent's. Only control chains: a menu
    // item's parent lies behind a virtual call.
    if (!Pass.Kind->Control) return;
    if (const TObject* Above = keyloom::Up(Pass.Up, true)) PrefetchSlot(KeyOf(Above, true));
  }

  // Asks for what Prefetch will read of the component's parent.
  static void PrefetchAbove(const TPassed& Pass) {
    if (Pass.Kind && Pass.Kind->Control && Pass.Up) static_cast<const TControl*>(Pass.Up)->PrefetchParent();
  }

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
    if (!Find(KeyOf(Pass.Component, Pass.Kind->Control), Ignored)) FStamp = FTree.GetItems().Stamp();
  }

 private:
  struct TEntry {
    std::uintptr_t Key = 0;
    TTreeNode* Node = nullptr;
    std::uint32_t Epoch = 0;  // 0: never used
  };

  // The chains of controls and of menu items are walked differently; their
  // answers are kept apart.
  static std::uintptr_t KeyOf(const TObject* Member, bool Controls) {
    return reinterpret_cast<std::uintptr_t>(Member) | (Controls ? 1u : 0u);
  }

  std::size_t HomeOf(std::uintptr_t Key) const {
    return detail::NearbyHome(Key, FTable.size(), FScattered);
  }

  void PrefetchSlot(std::uintptr_t Key) const { __builtin_prefetch(&FTable[HomeOf(Key)]); }

  // Every remembered answer goes at once.
  void Forget() {
    ++FEpoch;
    FLive = 0;
    FScattered = false;
    FStamp = FTree.GetItems().Stamp();
  }

  bool Find(std::uintptr_t Key, TTreeNode*& Node) const {
    if (FTable.empty()) return false;
    for (std::size_t Slot = HomeOf(Key);; Slot = (Slot + 1) & (FTable.size() - 1)) {
      const TEntry& Entry = FTable[Slot];
      if (Entry.Epoch != FEpoch) return false;
      if (Entry.Key == Key) {
        Node = Entry.Node;
        return true;
      }
    }
  }

  void Put(std::uintptr_t Key, TTreeNode* Node) {
    if (2 * (FLive + 1) > FTable.size()) Rebuild(std::max<std::size_t>(64, FTable.size() * 2));
    const std::size_t Mask = FTable.size() - 1;
    const std::size_t Home = HomeOf(Key);
    for (std::size_t Slot = Home;; Slot = (Slot + 1) & Mask) {
      TEntry& Entry = FTable[Slot];
      if (Entry.Epoch != FEpoch) {
        if (!FScattered && ((Slot - Home) & Mask) >= detail::LongProbeRun) {
          FScattered = true;
          Rebuild(FTable.size());
          Put(Key, Node);
          return;
        }
        Entry = {Key, Node, FEpoch};
        ++FLive;
        return;
      }
      if (Entry.Key == Key) {
        Entry.Node = Node;
        return;
      }
    }
  }

  void Rebuild(std::size_t Size) {
    std::vector<TEntry> Old = std::move(FTable);
    FTable.assign(Size, TEntry{});
    FLive = 0;
    for (const TEntry& Entry : Old)
      if (Entry.Epoch == FEpoch) Put(Entry.Key, Entry.Node);
  }

  // The last node in pre-order among the nodes of Member and of everything
  // above it, nil without any.
  TTreeNode* Resolve(const TObject* Member, bool Controls) {
    FPath.clear();
    TTreeNode* Answer = nullptr;
    for (; Member; Member = Up(Member, Controls)) {
      if (Find(KeyOf(Member, Controls), Answer)) break;
      FPath.push_back(Member);
    }
    if (!Member) Answer = nullptr;
    const TTreeNodes& Items = FTree.GetItems();
    for (auto It = FPath.rbegin(); It != FPath.rend(); ++It) {
      Answer = Later(LastNodeOf(Items, *It, FScratch), Answer);
      Put(KeyOf(*It, Controls), Answer);
    }
    return Answer;
  }

  const TCustomTreeView& FTree;
  std::vector<TEntry> FTable;
  std::size_t FLive = 0;
  std::uint32_t FEpoch = 1;
  bool FScattered = false;
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

void AddRadioGroupItems(TCustomTreeView& Tree, TTreeNode* Parent, TRadioGroup& RadioGroup) {
  const int Image = KindOf(&RadioGroup).Image;
  const TStrings& Items = *RadioGroup.GetItems();
  if (Items.Count() == 0) return;
  TRadioItemShelf& Shelf = *TRadioItemShelf::Of(Tree, true);
  // Proxies a few at a time before their nodes: where a node will be indexed
  // is known only once its proxy is known, and on a large tree each would
  // otherwise wait for its index slot.
  constexpr int Batch = 8;
  // The groups that follow will most often take the proxies they took before.
  Shelf.PrefetchSlots(Tree.GetItems(), static_cast<std::size_t>(std::min(Batch, Items.Count())), Batch);
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
      Tree.GetItems().PrefetchData(&Proxy);
      Proxies[I] = &Proxy;
    }
    for (int I = 0; I < Count; ++I) AddNode(Tree, Parent, Items[From + I], Proxies[I], Image);
  }
}

// Adds the nodes for a component whose parent node is known: the number added.
int AddNodes(TCustomTreeView& Tree, TTreeNode* Parent, const std::string& Caption, TObject* Component,
             const TKindFacts& Kind) {
  if (!Kind.RadioGroup) {
    AddNode(Tree, Parent, Caption, Component, Kind.Image);
    return 1;
  }
  auto& RadioGroup = *static_cast<TRadioGroup*>(Component);
  const int Nodes = RadioGroup.GetItems()->Count();
  AddRadioGroupItems(Tree, Parent, RadioGroup);
  return Nodes;
}

}  // namespace

void EnumComponents(const TCustomForm* Form, TCustomTreeView& Tree, const TComponent& Component,
                    const TAddComponentProc& AddProc, const TStrings& List1, const TStrings& List2) {
  // Parent answers are remembered only while nothing but this function adds
  // nodes and the form's parent chains stay as they are.
  using TPlainProc = void (*)(TObject*, TCustomTreeView&, int, const TStrings&, const TStrings&);
  const TPlainProc* Plain = AddProc.target<TPlainProc>();
  const bool Own = Plain && *Plain == &AddComponent;
  // A handler told of every added node could change what later components
  // show: then each is read only as it is added.
  const bool ReadEarly = Own && !Tree.OnNodesChanged;
  // One pass per level, each in component order. Every level present gets its
  // pass, also beyond levels that hold no component.
  std::vector<TPassed> Leveled;
  Leveled.reserve(Component.Components().size());
  const auto& All = Component.Components();
  int Deepest = 0;
  for (std::size_t I = 0; I < All.size(); ++I) {
    if (I + 16 < All.size()) PrefetchComponent(All[I + 16]);
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
  std::vector<std::uint32_t> Passes(Leveled.size());
  for (std::size_t I = 0; I < Leveled.size(); ++I)
    Passes[Starts[static_cast<std::size_t>(Leveled[I].Level)]++] = static_cast<std::uint32_t>(I);
  if (!Own) {
    for (const std::uint32_t At : Passes) AddProc(Leveled[At].Component, Tree, Leveled[At].Level, List1, List2);
    return;
  }
  TParentMemo Memo(Tree);
  // In pass order the index slots the components will need lie in no order
  // in memory: a large form waits on each unless asked early. Of the
  // components themselves only radio groups are read again, for their items.
  constexpr std::size_t Near = 8;
  constexpr std::size_t Far = 2 * Near;
  const TTreeNodes& Items = Tree.GetItems();
  for (std::size_t I = 0; I < Passes.size(); ++I) {
    if (I + Far < Passes.size()) {
      const TPassed& Next = Leveled[Passes[I + Far]];
      if (!Next.Read || (Next.Kind && Next.Kind->RadioGroup)) PrefetchComponent(Next.Component);
      TParentMemo::PrefetchAbove(Next);
    }
    if (I + Near < Passes.size()) {
      const TPassed& Next = Leveled[Passes[I + Near]];
      Items.PrefetchData(Next.Component);
      Memo.Prefetch(Next);
    }
    TPassed& Pass = Leveled[Passes[I]];
    if (!Pass.Read) Pass.ReadFrom(List1, List2);
    if (Pass.Caption.empty()) continue;
    TTreeNode* Parent = Memo.FindParentNode(Pass);
    const std::uint64_t Before = Items.Stamp();
    const int Nodes = AddNodes(Tree, Parent, Pass.Caption, Pass.Component, *Pass.Kind);
    // Read late, after the handler had its say, as before.
    if (!ReadEarly) Pass.Leaf = IsLeaf(Pass.Component, *Pass.Kind);
    Memo.Added(Pass, Before, Nodes);
  }
}

void AddComponent(TObject* Component, TCustomTreeView& Tree, int /*Level*/, const TStrings& CaptionClasses,
                  const TStrings& NoCaptionClasses) {
  const std::string Caption = GetCaption(Component, CaptionClasses, NoCaptionClasses);
  if (Caption.empty()) return;
  AddNodes(Tree, FindParentNode(Tree, Component), Caption, Component, KindOf(Component));
}

void ClearWorkingTree(TCustomTreeView& Tree) {
  Tree.GetItems().Clear();
  // The nodes were all that referred to the proxies.
  if (TRadioItemShelf* Shelf = TRadioItemShelf::Of(Tree, false)) Shelf->PutBackAll();
}

}  // namespace keyloom

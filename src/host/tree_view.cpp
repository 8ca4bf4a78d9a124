#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/host/tree_view.hpp>

#include "host/memory/block_pool.hpp"
#include "host/memory/group_scout.hpp"
#include "host/memory/node_store.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace keyloom {

namespace P = published;

// ---------------------------------------------------------------- tree nodes

namespace {
// Positions from From on are recomputed after a change of the list.
void Renumber(TNodeList& List, std::size_t From, int TTreeNode::*Index) {
  for (std::size_t I = From; I < List.size(); ++I) (*List[I]).*Index = static_cast<int>(I);
}
}  // namespace

void TNodeList::OutOfRange() { throw std::out_of_range("TNodeList::at"); }

TTreeNode::~TTreeNode() { FOwner->DeleteNodes(FChildren); }

namespace {
// Sanitizer builds give every node its own block, so that they see each go.
// Otherwise the block stays in the arena and says, where a node keeps its
// owner, that its node is gone or was never made: the owner's Clear must not
// run its destructor again.
void GiveBack(void* Memory) noexcept {
  if (!KEYLOOM_BLOCK_POOL) {
    ::operator delete(Memory);
    return;
  }
  TTreeNodes* const None = nullptr;
  std::memcpy(Memory, &None, sizeof None);
}
}  // namespace

void TTreeNode::operator delete(void* Memory, void* /*Place*/) noexcept { GiveBack(Memory); }

void TTreeNode::operator delete(void* Memory, std::size_t /*Size*/) noexcept { GiveBack(Memory); }

// The text is copied once, straight into place: moving a short string copies it again.
TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent, const std::string& Text, TObject* Data)
    : FOwner(Owner), FParent(Parent), FText(Text), FData(Data) {}

void TTreeNode::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  FOwner->Changed();
}

void TTreeNode::SetData(TObject* Value) {
  if (Value == FData) return;
  FOwner->Unlink(this, FData);
  FData = Value;
  FOwner->Link(this, Value);
  ++FOwner->FStamp;
}

TNodeList& TTreeNode::Siblings() const {
  return FParent ? FParent->FChildren : FOwner->FRoots;
}

TTreeNode* TTreeNode::getPrevSibling() const {
  return FIndex > 0 ? Siblings()[static_cast<std::size_t>(FIndex - 1)] : nullptr;
}

TTreeNode* TTreeNode::getNextSibling() const {
  const auto& List = Siblings();
  const auto I = static_cast<std::size_t>(FIndex) + 1;
  return I < List.size() ? List[I] : nullptr;
}

int TTreeNode::GetAbsoluteIndex() const {
  FOwner->Reindex();
  return FAbsoluteIndex;
}

bool TTreeNode::GetSelected() const { return FOwner->FOwner && FOwner->FOwner->GetSelection() == this; }

void TTreeNode::SetSelected(bool Value) {
  TCustomTreeView* View = FOwner->FOwner;
  if (!View) return;
  if (Value)
    View->SetSelection(this);
  else if (View->GetSelection() == this)
    View->SetSelection(nullptr);
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  if (!Destination || Destination == this || Destination->FOwner != FOwner) return;
  for (const TTreeNode* P = Destination; P; P = P->FParent)
    if (P == this) throw EKeyloomError("A node cannot be moved into its own subtree");
  // Room first: running out of memory must not leave the node outside the tree.
  const bool AsChild = Mode == TNodeAttachMode::naAddChild || Mode == TNodeAttachMode::naAddChildFirst;
  TTreeNode* NewParent = AsChild ? Destination : Destination->FParent;
  auto& To = NewParent ? NewParent->FChildren : FOwner->FRoots;
  FOwner->MakeRoom(To);
  auto& From = Siblings();
  const auto Was = static_cast<std::size_t>(FIndex);
  FOwner->Erase(From, Was);
  Renumber(From, Was, &TTreeNode::FIndex);
  FParent = NewParent;
  std::size_t At = 0;
  switch (Mode) {
    case TNodeAttachMode::naAdd:
    case TNodeAttachMode::naAddChild:
      At = To.size();
      break;
    case TNodeAttachMode::naAddFirst:
    case TNodeAttachMode::naAddChildFirst:
      At = 0;
      break;
    case TNodeAttachMode::naInsert:
      At = static_cast<std::size_t>(Destination->FIndex);
      break;
  }
  FOwner->Insert(To, At, this);
  Renumber(To, At, &TTreeNode::FIndex);
  // The subtree's levels follow its new place.
  const int Shift = (NewParent ? NewParent->FLevel + 1 : 0) - FLevel;
  if (Shift != 0) {
    std::vector<TTreeNode*> Pending{this};
    while (!Pending.empty()) {
      TTreeNode* Node = Pending.back();
      Pending.pop_back();
      Node->FLevel += Shift;
      Pending.insert(Pending.end(), Node->FChildren.begin(), Node->FChildren.end());
    }
  }
  FOwner->Invalidate();
  FOwner->Changed();
}

void TTreeNode::Delete() { FOwner->Delete(this); }

// ---------------------------------------------------------------- tree nodes list

TTreeNodes::TTreeNodes(TCustomTreeView* Owner) : FOwner(Owner), FStore(std::make_unique<TStore>()) {}

TTreeNodes::~TTreeNodes() { ReleaseAllNodes(); }

// In the order the arena gave the nodes out, not the tree's: on a large tree
// each node freed in tree order waited on memory.
void TTreeNodes::ReleaseAllNodes() {
  static_assert(std::is_standard_layout_v<TTreeNode> && offsetof(TTreeNode, FOwner) == 0,
                "a block's first word tells whether it holds a node");
  if (!KEYLOOM_BLOCK_POOL) {
    DeleteNodes(FRoots);
  } else {
    DropList(FRoots);
    FStore->Arena.ForEachTaken([this](std::byte* Block) {
      TTreeNodes* Owner = nullptr;
      std::memcpy(&Owner, Block, sizeof Owner);
      if (Owner != this) return;
      auto* Node = std::launder(reinterpret_cast<TTreeNode*>(Block));
      DropList(Node->FChildren);
      Node->~TTreeNode();
    });
  }
  FStore->Lists.Reset();
  FStore->Arena.Reset();
}

// Without recursing: deep trees must not exhaust the stack.
void TTreeNodes::DeleteNodes(TNodeList& List) {
  if (List.empty()) {
    FreeList(List);
    return;
  }
  std::vector<TTreeNode*> Pending(List.begin(), List.end());
  FreeList(List);
  while (!Pending.empty()) {
    TTreeNode* Node = Pending.back();
    Pending.pop_back();
    Pending.insert(Pending.end(), Node->FChildren.begin(), Node->FChildren.end());
    FreeList(Node->FChildren);
    delete Node;
  }
}

void TTreeNodes::FreeList(TNodeList& List) noexcept {
  if (List.FItems) FStore->Lists.Give(List.FItems, List.FCapacity);
  List.Forget();
}

// Pooled memory goes back with the pool's reset: giving it back one list at
// a time would touch every list once more.
void TTreeNodes::DropList(TNodeList& List) noexcept {
  if (TStore::TListPool::Pooled(List.FCapacity))
    List.Forget();
  else
    FreeList(List);
}

void TTreeNodes::MakeRoom(TNodeList& List) {
  if (List.FCount < List.FCapacity) return;
  if (List.FCapacity > std::numeric_limits<std::uint32_t>::max() / 2) throw std::length_error("TNodeList");
  const std::uint32_t Capacity = List.FCapacity ? 2 * List.FCapacity : 1;
  TTreeNode** Items = FStore->Lists.Take(Capacity);
  const std::uint32_t Count = List.FCount;
  if (Count) std::memcpy(Items, List.FItems, Count * sizeof(TTreeNode*));
  FreeList(List);
  List.FItems = Items;
  List.FCount = Count;
  List.FCapacity = Capacity;
}

void TTreeNodes::Insert(TNodeList& List, std::size_t At, TTreeNode* Node) {
  MakeRoom(List);
  std::memmove(List.FItems + At + 1, List.FItems + At, (List.FCount - At) * sizeof(TTreeNode*));
  List.FItems[At] = Node;
  ++List.FCount;
}

void TTreeNodes::Erase(TNodeList& List, std::size_t At) {
  std::memmove(List.FItems + At, List.FItems + At + 1, (List.FCount - At - 1) * sizeof(TTreeNode*));
  --List.FCount;
}

template <class TRoots, class TEnter>
void TTreeNodes::TakePreOrder(TRoots& Roots, std::vector<TTreeNode*>& Order, TEnter&& Enter) {
  Order.clear();
  // A stack instead of recursion: deep trees must not exhaust the stack.
  struct TLevel {
    const TNodeList* List;
    std::size_t Next;
  };
  std::vector<TLevel> Levels;
  Enter(Roots);
  Levels.push_back({&Roots, 0});
  while (!Levels.empty()) {
    TLevel& Level = Levels.back();
    if (Level.Next == Level.List->size()) {
      Levels.pop_back();
      continue;
    }
    TTreeNode* Node = (*Level.List)[Level.Next++];
    Node->FAbsoluteIndex = static_cast<int>(Order.size());
    Order.push_back(Node);
    if (Node->FChildren.empty()) continue;
    Enter(Node->FChildren);
    Levels.push_back({&Node->FChildren, 0});
  }
}

void TTreeNodes::Reindex() const {
  if (FIndexValid) return;
  TakePreOrder(FRoots, FPreOrder, [](const TNodeList&) {});
  FIndexValid = true;
}

void TTreeNodes::IndexOutOfBounds(int Index) {
  throw EKeyloomError("Tree view index out of bounds (" + std::to_string(Index) + ")");
}

void TTreeNodes::Clear() {
  if (FOwner) FOwner->FSelected = nullptr;
  ReleaseAllNodes();
  FStore->Index.Clear();
  FSharedData = 0;
  FPreOrder.clear();
  FIndexValid = true;
  ++FStamp;
  Changed();
}

TTreeNode* TTreeNodes::Append(TTreeNode* Parent, const std::string& S, TObject* Data) {
  auto& List = Parent ? Parent->FChildren : FRoots;
  MakeRoom(List);
  auto* Node = new (FStore->Arena.Take()) TTreeNode(this, Parent, S, Data);
  Insert(List, List.size(), Node);
  Node->FIndex = static_cast<int>(List.size()) - 1;
  Node->FLevel = Parent ? Parent->FLevel + 1 : 0;
  Link(Node, Data);
  Invalidate();
  Changed();
  return Node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, TObject* Data) {
  return Append(Sibling ? Sibling->FParent : nullptr, S, Data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, TObject* Data) {
  return Append(Parent, S, Data);
}

void TTreeNodes::Link(TTreeNode* Node, const TObject* Data) {
  if (!Data) return;
  TTreeNode* Head = FStore->Index.Push(Data, Node);
  if (!Head) return;
  Node->FNextSameData = Head;
  Head->FPrevSameData = Node;
  ++FSharedData;
}

void TTreeNodes::Unlink(const TTreeNode* Node, const TObject* Data) {
  if (!Data) return;
  auto* Self = const_cast<TTreeNode*>(Node);
  TTreeNode* Prev = Self->FPrevSameData;
  TTreeNode* Next = Self->FNextSameData;
  Self->FPrevSameData = Self->FNextSameData = nullptr;
  if (Prev || Next) {
    if (Prev) Prev->FNextSameData = Next;
    if (Next) Next->FPrevSameData = Prev;
    if (!Prev) FStore->Index.Replace(Data, Next);
    --FSharedData;
    return;
  }
  FStore->Index.Remove(Data, Node);
}

// Forgets the node and its subtree.
void TTreeNodes::Unlink(const TTreeNode* Node) {
  std::vector<const TTreeNode*> Pending{Node};
  while (!Pending.empty()) {
    const TTreeNode* N = Pending.back();
    Pending.pop_back();
    Unlink(N, N->FData);
    Pending.insert(Pending.end(), N->FChildren.begin(), N->FChildren.end());
  }
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node || Node->FOwner != this) return;
  if (FOwner) FOwner->NodeDeleting(Node);
  Unlink(Node);
  auto& List = Node->Siblings();
  const auto At = static_cast<std::size_t>(Node->FIndex);
  Erase(List, At);
  Renumber(List, At, &TTreeNode::FIndex);
  delete Node;
  Invalidate();
  Changed();
}

void TTreeNodes::GetNodesWithData(const TObject* Data, std::vector<TTreeNode*>& Nodes) const {
  if (!Data) return;
  for (TTreeNode* Node = FStore->Index.Head(Data); Node; Node = Node->FNextSameData) Nodes.push_back(Node);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TTreeNodes::Changed() {
  if (FUpdateCount > 0 || !FOwner) return;
  if (FOwner->OnNodesChanged) FOwner->OnNodesChanged(FOwner);
}

// ---------------------------------------------------------------- tree view

const TClassInfo& TCustomTreeView::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomTreeView", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TTreeView::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TTreeView", &TCustomTreeView::StaticClassInfo(),
      {P::Object<TTreeView, TCustomImageList>("Images", "TCustomImageList", &TTreeView::GetImages,
                                              &TTreeView::SetImages),
       P::Integer<TTreeView>("Indent", &TTreeView::GetIndent, &TTreeView::SetIndent),
       P::Boolean<TTreeView>("HideSelection", &TTreeView::GetHideSelection, &TTreeView::SetHideSelection, true),
       P::Boolean<TTreeView>("ToolTips", &TTreeView::GetToolTips, &TTreeView::SetToolTips, true),
       P::Boolean<TTreeView>("ReadOnly", &TTreeView::GetReadOnly, &TTreeView::SetReadOnly, false),
       P::Event<TTreeView>("OnChange", "TTVChangedEvent", &TTreeView::OnChange),
       P::Event<TTreeView>("OnCompare", "TTVCompareEvent", &TTreeView::OnCompare)},
      P::Factory<TTreeView>());
  return Info;
}

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner), FItems(this) {}

TCustomTreeView::~TCustomTreeView() {
  BeginDestroy();
  FSelected = nullptr;
  FItems.FOwner = nullptr;
}

void TCustomTreeView::SetSelection(TTreeNode* Node) {
  if (Node == FSelected) return;
  FSelected = Node;
  if (OnChange) OnChange(this, Node);
  Changed("Selection");
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node) {
  for (TTreeNode* P = FSelected; P; P = P->GetParent())
    if (P == Node) {
      SetSelection(nullptr);
      return;
    }
}

void TCustomTreeView::SetImages(TCustomImageList* Images) {
  if (Images == FImages) return;
  if (FImages) RemoveFreeNotification(FImages);
  FImages = Images;
  if (Images) FreeNotification(Images);
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) FImages = nullptr;
}

void TCustomTreeView::SortGroup(TNodeList& Group) {
  // Groups in pre-order, without recursion: deep trees must not exhaust the stack.
  std::vector<TNodeList*> Pending{&Group};
  while (!Pending.empty()) {
    auto& List = *Pending.back();
    Pending.pop_back();
    if (List.size() > 1) {
      std::stable_sort(List.begin(), List.end(), [this](TTreeNode* A, TTreeNode* B) {
        int Compare = 0;
        if (OnCompare)
          OnCompare(this, A, B, 0, Compare);
        else
          Compare = A->GetText().compare(B->GetText());
        return Compare < 0;
      });
      Renumber(List, 0, &TTreeNode::FIndex);
    }
    for (std::size_t I = List.size(); I-- > 0;)
      if (!List[I]->FChildren.empty()) Pending.push_back(&List[I]->FChildren);
  }
}

void TCustomTreeView::ArrangeGroups(const std::function<void(std::vector<TTreeNode*>& Group)>& Arrange) {
  // The walk goes down the tree node by node, arranging each group as it
  // enters it, so it meets the nodes in their new pre-order: the index is
  // taken on the way, instead of by another walk down a tree whose nodes are
  // each a wait on a large form.
  FItems.Invalidate();
  const std::uint64_t Stamp = FItems.FStamp;
  std::vector<TTreeNode*> Group;
  std::vector<bool> Seen;
  TGroupScout Scout(FItems, nullptr, TGroupScout::smNodes);
  std::size_t Walked = 0;
  auto ArrangeList = [&](TNodeList& List) {
    Scout.Keep(Walked);
    Walked += List.size();
    Group.assign(List.begin(), List.end());
    Arrange(Group);
    // Only a permutation of the same nodes is taken.
    bool Valid = Group.size() == List.size();
    Seen.assign(List.size(), false);
    for (std::size_t I = 0; Valid && I < Group.size(); ++I) {
      const TTreeNode* Node = Group[I];
      const auto At = Node ? static_cast<std::size_t>(Node->FIndex) : List.size();
      Valid = At < List.size() && List[At] == Node && !Seen[At];
      if (Valid) Seen[At] = true;
    }
    if (!Valid) throw EKeyloomError("A sibling group can only be reordered");
    std::copy(Group.begin(), Group.end(), List.begin());
    for (std::size_t I = 0; I < Group.size(); ++I) Group[I]->FIndex = static_cast<int>(I);
  };
  try {
    TTreeNodes::TakePreOrder(FItems.FRoots, FItems.FPreOrder, ArrangeList);
  } catch (...) {
    FItems.Invalidate();
    FItems.Changed();
    throw;
  }
  // An Arrange that looked at the index, or changed the tree, had it worked
  // out afresh on the way: then what the walk took is not the whole story.
  if (FItems.FStamp == Stamp && !FItems.FIndexValid)
    FItems.FIndexValid = true;
  else
    FItems.Invalidate();
  FItems.Changed();
}

void TCustomTreeView::AlphaSort() {
  SortGroup(FItems.FRoots);
  FItems.Invalidate();
  FItems.Changed();
}

}  // namespace keyloom

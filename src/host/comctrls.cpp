#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/published.hpp>

#include "host/block_pool.hpp"
#include "host/group_scout.hpp"
#include "host/huge_chunks.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace keyloom {

namespace P = published;

namespace {
template <class T>
TPropInfo Caption() {
  return P::String<T>("Caption", &TControl::GetCaption, &TControl::SetCaption);
}
}  // namespace

const TClassInfo& TCustomImageList::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TCustomImageList", &TComponent::StaticClassInfo(),
      {P::Integer<TCustomImageList>("Width", &TCustomImageList::GetWidth, &TCustomImageList::SetWidth, 16),
       P::Integer<TCustomImageList>("Height", &TCustomImageList::GetHeight, &TCustomImageList::SetHeight, 16)});
  return Info;
}

const TClassInfo& TImageList::MakeStaticClassInfo() {
  static const TClassInfo Info("TImageList", &TCustomImageList::StaticClassInfo(), {}, P::Factory<TImageList>());
  return Info;
}

const TClassInfo& TCustomTabControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomTabControl", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TTabControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TTabControl", &TCustomTabControl::StaticClassInfo(),
                               {P::Owned<TTabControl, TStrings>("Tabs", "TStrings", &TTabControl::GetTabs)},
                               P::Factory<TTabControl>());
  return Info;
}

const TClassInfo& TPageControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TPageControl", &TCustomTabControl::StaticClassInfo(),
                               {P::Object<TPageControl, TTabSheet>("ActivePage", "TTabSheet",
                                                                   &TPageControl::GetActivePage,
                                                                   &TPageControl::SetActivePage)},
                               P::Factory<TPageControl>());
  return Info;
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page == FActivePage) return;
  if (FActivePage) RemoveFreeNotification(FActivePage);
  FActivePage = Page;
  if (Page) FreeNotification(Page);
  Changed("ActivePage");
}

int TPageControl::GetPageCount() const {
  return static_cast<int>(
      std::count_if(Controls().begin(), Controls().end(), [](TControl* C) { return IsClass<TTabSheet>(C); }));
}

TTabSheet* TPageControl::GetPage(int Index) const {
  for (TControl* C : Controls())
    if (auto* Sheet = AsClass<TTabSheet>(C); Sheet && Index-- == 0) return Sheet;
  return nullptr;
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomTabControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FActivePage) FActivePage = nullptr;
}

const TClassInfo& TTabSheet::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TTabSheet", &TWinControl::StaticClassInfo(),
      {Caption<TTabSheet>(),
       P::Object<TTabSheet, TPageControl>("PageControl", "TPageControl", &TTabSheet::GetPageControl,
                                          &TTabSheet::SetPageControl),
       P::Boolean<TTabSheet>("TabVisible", &TTabSheet::GetTabVisible, &TTabSheet::SetTabVisible, true),
       P::Integer<TTabSheet>("ImageIndex", &TTabSheet::GetImageIndex, &TTabSheet::SetImageIndex, -1)},
      P::Factory<TTabSheet>());
  return Info;
}

const TClassInfo& TToolWindow::MakeStaticClassInfo() {
  static const TClassInfo Info("TToolWindow", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TToolBar::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TToolBar", &TToolWindow::StaticClassInfo(),
      {Caption<TToolBar>(),
       P::Integer<TToolBar>("ButtonHeight", &TToolBar::GetButtonHeight, &TToolBar::SetButtonHeight, 22),
       P::Integer<TToolBar>("ButtonWidth", &TToolBar::GetButtonWidth, &TToolBar::SetButtonWidth, 23),
       P::Boolean<TToolBar>("ShowCaptions", &TToolBar::GetShowCaptions, &TToolBar::SetShowCaptions, false),
       P::Boolean<TToolBar>("Flat", &TToolBar::GetFlat, &TToolBar::SetFlat, false),
       P::Boolean<TToolBar>("AutoSize", &TToolBar::GetAutoSize, &TToolBar::SetAutoSize, false),
       P::Integer<TToolBar>("Indent", &TToolBar::GetIndent, &TToolBar::SetIndent, 0),
       P::Set<TToolBar>("EdgeBorders", "TEdgeBorders", {"ebLeft", "ebTop", "ebRight", "ebBottom"},
                        &TToolBar::GetEdgeBorders, &TToolBar::SetEdgeBorders, ebTop)},
      P::Factory<TToolBar>());
  return Info;
}

const TClassInfo& TToolButton::MakeStaticClassInfo() {
  static const TClassInfo Info("TToolButton", &TGraphicControl::StaticClassInfo(), {Caption<TToolButton>()},
                               P::Factory<TToolButton>());
  return Info;
}

const TClassInfo& TStatusBar::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TStatusBar", &TWinControl::StaticClassInfo(),
      {P::Boolean<TStatusBar>("SimplePanel", &TStatusBar::GetSimplePanel, &TStatusBar::SetSimplePanel, false),
       P::String<TStatusBar>("SimpleText", &TStatusBar::GetSimpleText, &TStatusBar::SetSimpleText, "string")},
      P::Factory<TStatusBar>());
  return Info;
}

void TStatusBar::SetSimpleText(const std::string& V) {
  if (V == FSimpleText) return;
  FSimpleText = V;
  Changed("SimpleText");
}

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

// Small chunks until they make up one huge page.
bool TTreeNodes::TArena::IsHuge(std::size_t Chunk) {
  return Chunk >= detail::kHugeChunkBytes / (kChunkNodes * kNodeBytes);
}

std::size_t TTreeNodes::TArena::Capacity(std::size_t Chunk) {
  return IsHuge(Chunk) ? detail::kHugeChunkBytes / kNodeBytes : kChunkNodes;
}

void TTreeNodes::TArena::TRelease::operator()(std::byte* Chunk) const noexcept {
  if (Huge)
    detail::UnmapHugeChunk(Chunk);
  else
    delete[] Chunk;
}

void* TTreeNodes::TArena::Take() {
  if (!KEYLOOM_BLOCK_POOL) return ::operator new(sizeof(TTreeNode));
  if (FUsed == Capacity(FChunk)) {
    ++FChunk;
    FUsed = 0;
  }
  // Nodes are built in place: zeroing the chunk first would only cost time.
  if (FChunk == FChunks.size()) {
    const bool Huge = IsHuge(FChunk);
    std::byte* Memory = Huge ? detail::MapHugeChunk(true) : new std::byte[kNodeBytes * kChunkNodes];
    std::unique_ptr<std::byte[], TRelease> Chunk(Memory, TRelease{Huge});
    FChunks.push_back(std::move(Chunk));
  }
  return FChunks[FChunk].get() + kNodeBytes * FUsed++;
}

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
    FArena.ForEachTaken([this](std::byte* Block) {
      TTreeNodes* Owner = nullptr;
      std::memcpy(&Owner, Block, sizeof Owner);
      if (Owner != this) return;
      auto* Node = std::launder(reinterpret_cast<TTreeNode*>(Block));
      DropList(Node->FChildren);
      Node->~TTreeNode();
    });
  }
  FLists.Reset();
  FArena.Reset();
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
  if (List.FItems) FLists.Give(List.FItems, List.FCapacity);
  List.Forget();
}

// Pooled memory goes back with the pool's reset: giving it back one list at
// a time would touch every list once more.
void TTreeNodes::DropList(TNodeList& List) noexcept {
  if (FLists.Pooled(List.FCapacity))
    List.Forget();
  else
    FreeList(List);
}

void TTreeNodes::MakeRoom(TNodeList& List) {
  if (List.FCount < List.FCapacity) return;
  if (List.FCapacity > std::numeric_limits<std::uint32_t>::max() / 2) throw std::length_error("TNodeList");
  const std::uint32_t Capacity = List.FCapacity ? 2 * List.FCapacity : 1;
  TTreeNode** Items = FLists.Take(Capacity);
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

// Capacities are powers of two.
int TTreeNodes::TListPool::PooledSize(std::uint32_t Capacity) {
  const int Size = std::countr_zero(Capacity);
  return KEYLOOM_BLOCK_POOL && Size < kPooledSizes ? Size : -1;
}

TTreeNode** TTreeNodes::TListPool::Take(std::uint32_t Capacity) {
  const int Size = PooledSize(Capacity);
  if (Size < 0) return new TTreeNode*[Capacity];
  if (TTreeNode** Items = FFree[Size]) {
    std::memcpy(&FFree[Size], Items, sizeof Items);
    return Items;
  }
  if (FUsed + Capacity > kChunkSlots) {
    ++FChunk;
    FUsed = 0;
  }
  if (FChunk == FChunks.size()) FChunks.push_back(std::make_unique_for_overwrite<TTreeNode*[]>(kChunkSlots));
  TTreeNode** Items = FChunks[FChunk].get() + FUsed;
  FUsed += Capacity;
  return Items;
}

// A freed list keeps the next free one of its size in its first slot.
void TTreeNodes::TListPool::Give(TTreeNode** Items, std::uint32_t Capacity) noexcept {
  const int Size = PooledSize(Capacity);
  if (Size < 0) {
    delete[] Items;
    return;
  }
  std::memcpy(Items, &FFree[Size], sizeof Items);
  FFree[Size] = Items;
}

void TTreeNodes::TListPool::Reset() {
  FChunk = FUsed = 0;
  std::fill(std::begin(FFree), std::end(FFree), nullptr);
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
  std::fill(FByData.begin(), FByData.end(), TDataSlot{});
  std::fill(FSeen.begin(), FSeen.end(), 0);
  FDataCount = 0;
  FScattered = false;
  FSharedData = 0;
  FPreOrder.clear();
  FIndexValid = true;
  ++FStamp;
  Changed();
}

TTreeNode* TTreeNodes::Append(TTreeNode* Parent, const std::string& S, TObject* Data) {
  auto& List = Parent ? Parent->FChildren : FRoots;
  MakeRoom(List);
  auto* Node = new (FArena.Take()) TTreeNode(this, Parent, S, Data);
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

// The slot that holds Data, or the empty one where it would go. The table is
// never full: it grows at half.
std::size_t TTreeNodes::SlotOf(const TObject* Data) const {
  const std::size_t Mask = FByData.size() - 1;
  std::size_t Slot = HomeOf(Data);
  while (FByData[Slot].Data && FByData[Slot].Data != Data) Slot = (Slot + 1) & Mask;
  return Slot;
}

void TTreeNodes::RebuildIndex(std::size_t Size) {
  std::vector<TDataSlot> Old(Size);
  Old.swap(FByData);
  FSeen.assign(2 * FByData.size() / 64, 0);
  for (const TDataSlot& Entry : Old)
    if (Entry.Data) {
      FByData[SlotOf(Entry.Data)] = Entry;
      const std::size_t Bit = SeenBitOf(Entry.Data);
      FSeen[Bit / 64] |= std::uint64_t{1} << (Bit % 64);
    }
}

// Removes a slot's entry, moving later entries of its probe run back so that
// no look-up stops short at the hole.
void TTreeNodes::EraseSlot(std::size_t Slot) {
  const std::size_t Mask = FByData.size() - 1;
  std::size_t Hole = Slot;
  for (std::size_t Next = (Hole + 1) & Mask; FByData[Next].Data; Next = (Next + 1) & Mask) {
    const std::size_t Home = HomeOf(FByData[Next].Data);
    // The entry may fill the hole only if its home is not between the hole and it.
    const bool HomeAfterHole = ((Next - Home) & Mask) < ((Next - Hole) & Mask);
    if (HomeAfterHole) continue;
    FByData[Hole] = FByData[Next];
    FByData[Next] = TDataSlot{};
    Hole = Next;
  }
  FByData[Hole] = TDataSlot{};
  --FDataCount;
}

void TTreeNodes::Link(TTreeNode* Node, const TObject* Data) {
  if (!Data) return;
  if ((FDataCount + 1) * 2 > FByData.size()) RebuildIndex(std::max<std::size_t>(64, FByData.size() * 2));
  std::size_t Slot = SlotOf(Data);
  if (!FScattered && ((Slot - HomeOf(Data)) & (FByData.size() - 1)) >= detail::LongProbeRun) {
    FScattered = true;
    RebuildIndex(FByData.size());
    Slot = SlotOf(Data);
  }
  // After any rebuild, which sets the bits of the objects already in.
  const std::size_t Bit = SeenBitOf(Data);
  FSeen[Bit / 64] |= std::uint64_t{1} << (Bit % 64);
  TDataSlot& Entry = FByData[Slot];
  if (Entry.Data) {
    Node->FNextSameData = Entry.Head;
    Entry.Head->FPrevSameData = Node;
    Entry.Head = Node;
    ++FSharedData;
    return;
  }
  Entry = {Data, Node};
  ++FDataCount;
}

void TTreeNodes::Unlink(const TTreeNode* Node, const TObject* Data) {
  if (!Data || FByData.empty()) return;
  auto* Self = const_cast<TTreeNode*>(Node);
  TTreeNode* Prev = Self->FPrevSameData;
  TTreeNode* Next = Self->FNextSameData;
  Self->FPrevSameData = Self->FNextSameData = nullptr;
  if (Prev || Next) {
    if (Prev) Prev->FNextSameData = Next;
    if (Next) Next->FPrevSameData = Prev;
    if (!Prev) FByData[SlotOf(Data)].Head = Next;
    --FSharedData;
    return;
  }
  const std::size_t Slot = SlotOf(Data);
  if (FByData[Slot].Head == Node) EraseSlot(Slot);
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
  if (!Data || FByData.empty() || !MayHaveNodes(Data)) return;
  const TDataSlot& Entry = FByData[SlotOf(Data)];
  if (Entry.Data != Data) return;
  for (TTreeNode* Node = Entry.Head; Node; Node = Node->FNextSameData) Nodes.push_back(Node);
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

// ---------------------------------------------------------------- list view

void TListItem::SetCaption(const std::string& V) {
  FCaption = V;
  if (FOwner->OnItemsChanged) FOwner->OnItemsChanged(FOwner);
}

bool TListItem::GetSelected() const { return FOwner->GetSelected() == this; }

void TListItem::SetSelected(bool V) {
  if (V)
    FOwner->SetSelected(this);
  else if (GetSelected())
    FOwner->SetSelected(nullptr);
}

int TListItem::GetIndex() const { return FOwner->IndexOfItem(this); }

void TListItem::EditCaption() { FOwner->StartEdit(this); }

const TClassInfo& TCustomListView::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomListView", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TListView::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TListView", &TCustomListView::StaticClassInfo(),
      {P::Enumeration<TListView, TViewStyle>("ViewStyle", "TViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"},
                                             &TListView::GetViewStyle, &TListView::SetViewStyle, TViewStyle::vsIcon),
       P::Boolean<TListView>("RowSelect", &TListView::GetRowSelect, &TListView::SetRowSelect, false),
       P::Boolean<TListView>("ReadOnly", &TListView::GetReadOnly, &TListView::SetReadOnly, false),
       P::Owned<TListView, TListColumns>("Columns", "TListColumns", &TListView::GetColumns),
       P::Event<TListView>("OnEdited", "TLVEditedEvent", &TListView::OnEdited),
       P::Event<TListView>("OnKeyDown", "TKeyEvent", &TListView::OnKeyDown)},
      P::Factory<TListView>());
  return Info;
}

TListItem* TCustomListView::AddItem(const std::string& Caption) {
  FItems.push_back(std::make_unique<TListItem>(this, Caption));
  if (OnItemsChanged) OnItemsChanged(this);
  return FItems.back().get();
}

void TCustomListView::DeleteItem(TListItem* Item) {
  auto It = std::find_if(FItems.begin(), FItems.end(), [Item](const auto& I) { return I.get() == Item; });
  if (It == FItems.end()) return;
  if (FSelected == Item) FSelected = nullptr;
  if (FEditing == Item) FEditing = nullptr;
  FItems.erase(It);
  if (OnItemsChanged) OnItemsChanged(this);
}

void TCustomListView::ClearItems() {
  FSelected = nullptr;
  FEditing = nullptr;
  FItems.clear();
  if (OnItemsChanged) OnItemsChanged(this);
}

int TCustomListView::IndexOfItem(const TListItem* Item) const {
  for (std::size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].get() == Item) return static_cast<int>(I);
  return -1;
}

void TCustomListView::SetSelected(TListItem* Item) {
  if (Item == FSelected) return;
  FSelected = Item;
  if (OnItemsChanged) OnItemsChanged(this);
}

int TCustomListView::GetColumnWidth(int Index) const {
  const TListColumn& Column = *FColumns.GetItem(Index);
  if (Column.GetWidth() >= 0) return Column.GetWidth();
  // Fitted: the room left beside the other columns, at least the header's.
  int Others = 0;
  for (int I = 0; I < FColumns.Count(); ++I)
    if (I != Index && FColumns[I]->GetWidth() > 0) Others += FColumns[I]->GetWidth();
  return std::max(GetClientWidth() - Others - 4, static_cast<int>(Column.GetCaption().size()) * 7 + 12);
}

void TCustomListView::SetColumnWidth(int Index, int Width) {
  FColumns.GetItem(Index)->SetWidth(Width);
  Changed("Columns");
}

const TClassInfo& TListColumn::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TListColumn", &TCollectionItem::StaticClassInfo(),
      {P::String<TListColumn>("Caption", &TListColumn::GetCaption, &TListColumn::SetCaption),
       P::Integer<TListColumn>("Width", &TListColumn::GetWidth, &TListColumn::SetWidth, 50, "TWidth")});
  return Info;
}

const TClassInfo& TListColumns::MakeStaticClassInfo() {
  static const TClassInfo Info("TListColumns", &TCollection::StaticClassInfo());
  return Info;
}

TListColumn* TListColumns::Add() {
  FItems.push_back(std::make_unique<TListColumn>());
  return FItems.back().get();
}

void TListColumns::Assign(const TListColumns& Source) {
  if (&Source == this) return;
  FItems.clear();
  for (const auto& Column : Source.FItems) {
    TListColumn* Copy = Add();
    Copy->SetCaption(Column->GetCaption());
    Copy->SetWidth(Column->GetWidth());
  }
}

void TCustomListView::StartEdit(TListItem* Item) {
  if (FReadOnly || IndexOfItem(Item) < 0) return;
  FEditing = Item;
  Changed("Editing");
}

void TCustomListView::EndEdit(const std::string& Text, bool Confirm) {
  TListItem* Item = FEditing;
  FEditing = nullptr;
  if (!Item || !Confirm) return;
  std::string S = Text;
  if (OnEdited) OnEdited(this, Item, S);
  // The handler may have deleted the item.
  if (IndexOfItem(Item) >= 0) Item->SetCaption(S);
}

void TCustomListView::KeyDown(std::uint16_t Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

}  // namespace keyloom

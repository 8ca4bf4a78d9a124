#pragma once

// The common controls: tab and page controls, tool and status bars, image
// lists, list views and the tree view.

#include <keyloom/host/controls.hpp>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace keyloom {

class TCustomImageList : public TComponent {
  KEYLOOM_CLASS(TCustomImageList)
 public:
  using TComponent::TComponent;
  int GetWidth() const { return FWidth; }
  void SetWidth(int V) { FWidth = V; }
  int GetHeight() const { return FHeight; }
  void SetHeight(int V) { FHeight = V; }
  // Images as encoded pictures (PNG bytes), by index.
  int GetCount() const { return static_cast<int>(FImages.size()); }
  const std::string& GetImage(int Index) const { return FImages.at(static_cast<std::size_t>(Index)); }
  int Add(std::string Picture) {
    FImages.push_back(std::move(Picture));
    return GetCount() - 1;
  }
  void Clear() { FImages.clear(); }

 private:
  int FWidth = 16;
  int FHeight = 16;
  std::vector<std::string> FImages;
};

class TImageList : public TCustomImageList {
  KEYLOOM_CLASS(TImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

class TCustomTabControl : public TWinControl {
  KEYLOOM_CLASS(TCustomTabControl)
 public:
  using TWinControl::TWinControl;
};

class TTabControl : public TCustomTabControl {
  KEYLOOM_CLASS(TTabControl)
 public:
  explicit TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner) { SetControlStyle(csAcceptsControls); }
  TStrings* GetTabs() const { return const_cast<TStringList*>(&FTabs); }

 private:
  TStringList FTabs;
};

class TTabSheet;

// Pages of tab sheets; the sheets are its child controls.
class TPageControl : public TCustomTabControl {
  KEYLOOM_CLASS(TPageControl)
 public:
  using TCustomTabControl::TCustomTabControl;
  TTabSheet* GetActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Page);
  int GetPageCount() const;
  TTabSheet* GetPage(int Index) const;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TTabSheet* FActivePage = nullptr;
};

class TTabSheet : public TWinControl {
  KEYLOOM_CLASS(TTabSheet)
 public:
  explicit TTabSheet(TComponent* AOwner) : TWinControl(AOwner) { SetControlStyle(csAcceptsControls); }
  TPageControl* GetPageControl() const { return AsClass<TPageControl>(GetParent()); }
  void SetPageControl(TPageControl* Control) { SetParent(Control); }
  bool GetTabVisible() const { return FTabVisible; }
  void SetTabVisible(bool V) { FTabVisible = V; }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int V) { FImageIndex = V; }

 private:
  bool FTabVisible = true;
  int FImageIndex = -1;
};

class TToolWindow : public TWinControl {
  KEYLOOM_CLASS(TToolWindow)
 public:
  using TWinControl::TWinControl;
};

enum TEdgeBorderFlag : std::uint32_t { ebLeft = 1u << 0, ebTop = 1u << 1, ebRight = 1u << 2, ebBottom = 1u << 3 };

class TToolBar : public TToolWindow {
  KEYLOOM_CLASS(TToolBar)
 public:
  explicit TToolBar(TComponent* AOwner) : TToolWindow(AOwner) { SetControlStyle(csAcceptsControls); }
  int GetButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int V) { FButtonHeight = V; }
  int GetButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int V) { FButtonWidth = V; }
  bool GetShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool V) { FShowCaptions = V; }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool V) { FFlat = V; }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool V) { FAutoSize = V; }
  int GetIndent() const { return FIndent; }
  void SetIndent(int V) { FIndent = V; }
  std::uint32_t GetEdgeBorders() const { return FEdgeBorders; }
  void SetEdgeBorders(std::uint32_t V) { FEdgeBorders = V; }

 private:
  int FButtonHeight = 22;
  int FButtonWidth = 23;
  bool FShowCaptions = false;
  bool FFlat = false;
  bool FAutoSize = false;
  int FIndent = 0;
  std::uint32_t FEdgeBorders = ebTop;
};

class TToolButton : public TGraphicControl {
  KEYLOOM_CLASS(TToolButton)
 public:
  using TGraphicControl::TGraphicControl;
};

class TStatusBar : public TWinControl {
  KEYLOOM_CLASS(TStatusBar)
 public:
  using TWinControl::TWinControl;
  bool GetSimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool V) { FSimplePanel = V; }
  const std::string& GetSimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& V);

 private:
  bool FSimplePanel = false;
  std::string FSimpleText;
};

// ---------------------------------------------------------------- tree view

class TTreeNodes;
class TCustomTreeView;
class TTreeNode;

// A node's children, or the roots: the nodes it owns, in order. Its memory
// comes from the tree's own pool, so only the tree changes its length.
class TNodeList {
 public:
  TNodeList() = default;
  TNodeList(const TNodeList&) = delete;
  TNodeList& operator=(const TNodeList&) = delete;

  std::size_t size() const { return FCount; }
  bool empty() const { return FCount == 0; }
  TTreeNode* operator[](std::size_t Index) const { return FItems[Index]; }
  TTreeNode* at(std::size_t Index) const {
    if (Index >= FCount) OutOfRange();
    return FItems[Index];
  }
  TTreeNode* front() const { return FItems[0]; }
  TTreeNode* back() const { return FItems[FCount - 1]; }
  TTreeNode* const* begin() const { return FItems; }
  TTreeNode* const* end() const { return FItems + FCount; }
  // For reordering in place.
  TTreeNode** begin() { return FItems; }
  TTreeNode** end() { return FItems + FCount; }

 private:
  friend class TTreeNodes;
  [[noreturn]] static void OutOfRange();
  // Drops the memory without giving it back.
  void Forget() {
    FItems = nullptr;
    FCount = FCapacity = 0;
  }
  TTreeNode** FItems = nullptr;
  std::uint32_t FCount = 0;
  std::uint32_t FCapacity = 0;
};

enum class TNodeAttachMode : std::uint8_t { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;
  ~TTreeNode();
  // Nodes live in their owner's arena (trees are built and cleared by the ten
  // thousand): deleting one runs its destructor, the memory goes with the
  // arena's next reset.
  static void* operator new(std::size_t /*Size*/, void* Place) noexcept { return Place; }
  static void operator delete(void* Memory, void* Place) noexcept;
  static void operator delete(void* Memory, std::size_t Size) noexcept;

  const std::string& GetText() const { return FText; }
  void SetText(const std::string& Value);
  TObject* GetData() const { return FData; }
  void SetData(TObject* Value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  int GetSelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value) { FSelectedIndex = Value; }

  TTreeNode* GetParent() const { return FParent; }
  int GetCount() const { return static_cast<int>(FChildren.size()); }
  bool HasChildren() const { return !FChildren.empty(); }
  TTreeNode* GetItem(int Index) const { return FChildren.at(static_cast<std::size_t>(Index)); }
  TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* getPrevSibling() const;
  TTreeNode* getNextSibling() const;
  // Position among its siblings.
  int GetIndex() const { return FIndex; }
  // Position in depth-first pre-order over the whole tree.
  int GetAbsoluteIndex() const;
  int GetLevel() const { return FLevel; }
  TTreeNodes* GetOwner() const { return FOwner; }

  bool GetSelected() const;
  void SetSelected(bool Value);
  // Moves the node, with its subtree, relative to Destination.
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);
  // Removes the node and its subtree.
  void Delete();

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent, const std::string& Text, TObject* Data);
  TNodeList& Siblings() const;

  TTreeNodes* FOwner;
  TTreeNode* FParent;
  TNodeList FChildren;
  std::string FText;
  TObject* FData;
  int FImageIndex = -1;
  int FSelectedIndex = -1;
  // Kept current by every change of the sibling list, and of the parent.
  int FIndex = 0;
  int FLevel = 0;
  // Valid while the owner's pre-order is.
  mutable int FAbsoluteIndex = 0;
  // The other nodes with the same data, as the owner's index chains them.
  TTreeNode* FPrevSameData = nullptr;
  TTreeNode* FNextSameData = nullptr;
};

namespace detail {

// The home slot of an object in a table of Size (a power of two) slots keyed
// by its address. Objects close together in memory get slots close together,
// in the same order: large forms are walked much in the order their objects
// were made, and a table hashed at random turned every look-up into a wait
// once it outgrew the cache. Each stretch of memory that the table spans
// maps onto it one to one (objects are 16-byte aligned), turned by an amount
// hashed from where the stretch lies, so that stretches laid out alike
// spread over the table instead of piling up. Scattered homes are for the
// layouts that still make long runs: a table that meets one switches.
inline std::size_t NearbyHome(std::uintptr_t Key, std::size_t Size, bool Scattered) {
  constexpr std::uint64_t Golden = 0x9E3779B97F4A7C15ull;
  if (Scattered) return static_cast<std::size_t>((Key * Golden) >> 20) & (Size - 1);
  // Mixed through, so that stretches one after another are turned apart
  // by no rule: a product alone turns them by steps that regular layouts
  // line up with.
  std::uint64_t Turn = Key >> (4 + std::countr_zero(Size));
  Turn = (Turn ^ (Turn >> 30)) * 0xBF58476D1CE4E5B9ull;
  Turn = (Turn ^ (Turn >> 27)) * 0x94D049BB133111EBull;
  Turn ^= Turn >> 31;
  return static_cast<std::size_t>((Key >> 4) + Turn) & (Size - 1);
}

// A probe run this long tells a table its keys lie badly for nearby homes.
inline constexpr std::size_t LongProbeRun = 64;

}  // namespace detail

// The nodes of a tree view: a forest, reached by pre-order index.
class TTreeNodes {
 public:
  explicit TTreeNodes(TCustomTreeView* Owner) : FOwner(Owner) {}
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;
  ~TTreeNodes();

  // Both are asked for every node of every pass: the checks stay inline.
  int GetCount() const {
    if (!FIndexValid) Reindex();
    return static_cast<int>(FPreOrder.size());
  }
  TTreeNode* GetNodeFromIndex(int Index) const {
    if (!FIndexValid) Reindex();
    if (Index < 0 || Index >= static_cast<int>(FPreOrder.size())) IndexOutOfBounds(Index);
    return FPreOrder[static_cast<std::size_t>(Index)];
  }
  TTreeNode* operator[](int Index) const { return GetNodeFromIndex(Index); }
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  int GetRootCount() const { return static_cast<int>(FRoots.size()); }
  TTreeNode* GetRoot(int Index) const { return FRoots.at(static_cast<std::size_t>(Index)); }

  void Clear();
  // A new node as the last sibling of Sibling, or as the last root without one.
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, TObject* Data);
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
  // A new node as the last child of Parent (the last root without one).
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, TObject* Data);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
  void Delete(TTreeNode* Node);
  // Appends every node whose data is Data (not nil), in no particular order.
  void GetNodesWithData(const TObject* Data, std::vector<TTreeNode*>& Nodes) const;
  // Asks the memory early for where the nodes of Data are looked up, for
  // callers about to add or find them on a tree too large for the cache.
  void PrefetchData(const TObject* Data) const {
    if (!FByData.empty()) __builtin_prefetch(&FByData[HomeOf(Data)]);
  }
  // Whether some object is the data of more than one node.
  bool HasSharedData() const { return FSharedData > 0; }
  // Changes whenever a node is added, removed, moved, sorted or given other
  // data, so that what was worked out from the nodes can tell it still holds.
  std::uint64_t Stamp() const { return FStamp; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }
  TCustomTreeView* GetOwner() const { return FOwner; }

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  void Invalidate() const {
    FIndexValid = false;
    ++FStamp;
  }
  void Reindex() const;
  // Takes the pre-order of the forest into Order and the nodes' indexes,
  // handing each list (the roots first) to Enter before its nodes are taken.
  template <class TRoots, class TEnter>
  static void TakePreOrder(TRoots& Roots, std::vector<TTreeNode*>& Order, TEnter&& Enter);
  [[noreturn]] static void IndexOutOfBounds(int Index);
  void Changed();
  TTreeNode* Append(TTreeNode* Parent, const std::string& S, TObject* Data);
  void Link(TTreeNode* Node, const TObject* Data);
  void Unlink(const TTreeNode* Node);
  void Unlink(const TTreeNode* Node, const TObject* Data);
  void ReleaseAllNodes();
  // The only changes of a list's length. Room is made before a node goes in,
  // so that running out of memory leaves no node outside the tree.
  void MakeRoom(TNodeList& List);
  void Insert(TNodeList& List, std::size_t At, TTreeNode* Node);
  void Erase(TNodeList& List, std::size_t At);
  // Deletes the list's nodes with their subtrees, and gives its memory back.
  void DeleteNodes(TNodeList& List);
  void FreeList(TNodeList& List) noexcept;
  void DropList(TNodeList& List) noexcept;

  // Node memory, handed out in order and taken back all at once by Clear, so
  // that a tree built in one go lies in one piece whatever was built before.
  // Past its first two megabytes a tree's nodes come in huge-page chunks.
  class TArena {
   public:
    void* Take();
    void Reset() { FChunk = FUsed = 0; }
    // Every block handed out since the last reset, in the order given.
    template <class TVisit>
    void ForEachTaken(TVisit&& Visit) {
      for (std::size_t Chunk = 0; Chunk <= FChunk && Chunk < FChunks.size(); ++Chunk) {
        const std::size_t Used = Chunk < FChunk ? Capacity(Chunk) : FUsed;
        for (std::size_t I = 0; I < Used; ++I) Visit(FChunks[Chunk].get() + kNodeBytes * I);
      }
    }

   private:
    struct TRelease {
      bool Huge = false;
      void operator()(std::byte* Chunk) const noexcept;
    };
    static constexpr std::size_t kNodeBytes = sizeof(TTreeNode);
    static constexpr std::size_t kChunkNodes = 256;
    // How many nodes the chunk holds: small chunks first, then huge-page ones.
    static std::size_t Capacity(std::size_t Chunk);
    static bool IsHuge(std::size_t Chunk);
    std::vector<std::unique_ptr<std::byte[], TRelease>> FChunks;
    std::size_t FChunk = 0;
    std::size_t FUsed = 0;
  };

  // Memory for the lists, handed out in order like the nodes' and taken back
  // all at once by Clear; a list outgrowing its memory leaves it to the next
  // list that grows to that size. Lists longer than the largest size pooled
  // get memory of their own.
  class TListPool {
   public:
    TTreeNode** Take(std::uint32_t Capacity);
    void Give(TTreeNode** Items, std::uint32_t Capacity) noexcept;
    // Only once no list has memory from the pool.
    void Reset();
    // Whether lists of the capacity (0 for none) are pooled.
    static bool Pooled(std::uint32_t Capacity) { return Capacity == 0 || PooledSize(Capacity) >= 0; }

   private:
    // The pooled size lists of the capacity take, or -1.
    static int PooledSize(std::uint32_t Capacity);
    static constexpr int kPooledSizes = 7;  // capacities 1 to 64
    static constexpr std::size_t kChunkSlots = 4096;
    std::vector<std::unique_ptr<TTreeNode*[]>> FChunks;
    std::size_t FChunk = 0;
    std::size_t FUsed = 0;
    TTreeNode** FFree[kPooledSizes] = {};
  };

  TCustomTreeView* FOwner;
  TArena FArena;  // before the nodes: they go first
  TListPool FLists;
  TNodeList FRoots;
  mutable std::vector<TTreeNode*> FPreOrder;
  mutable bool FIndexValid = true;
  mutable std::uint64_t FStamp = 0;
  int FUpdateCount = 0;
  // The nodes that stand for each object, so that finding them needs no walk:
  // an open-addressing table from the object to its last linked node, the
  // others chained through the nodes. A hashed multimap spent an allocation
  // and a search of equal keys on every node added.
  struct TDataSlot {
    const TObject* Data = nullptr;
    TTreeNode* Head = nullptr;
  };
  std::size_t HomeOf(const TObject* Data) const {
    return detail::NearbyHome(reinterpret_cast<std::uintptr_t>(Data), FByData.size(), FScattered);
  }
  std::size_t SlotOf(const TObject* Data) const;
  // A bit per two slots, set for every object linked since the table last
  // grew: most asks are for objects without a node, and on a large tree the
  // table is out of the cache while these bits are not.
  std::size_t SeenBitOf(const TObject* Data) const {
    return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(Data) * 0xC2B2AE3D27D4EB4Full) >> 17) &
           (2 * FByData.size() - 1);
  }
  bool MayHaveNodes(const TObject* Data) const {
    const std::size_t Bit = SeenBitOf(Data);
    return (FSeen[Bit / 64] >> (Bit % 64)) & 1u;
  }
  // Rehashes into Size slots.
  void RebuildIndex(std::size_t Size);
  void EraseSlot(std::size_t Slot);
  std::vector<TDataSlot> FByData;
  std::vector<std::uint64_t> FSeen;
  std::size_t FDataCount = 0;
  bool FScattered = false;
  int FSharedData = 0;  // nodes whose data another node has too
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare)>;

class TCustomTreeView : public TWinControl {
  KEYLOOM_CLASS(TCustomTreeView)
 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  TTreeNodes& GetItems() { return FItems; }
  const TTreeNodes& GetItems() const { return FItems; }
  TTreeNode* GetSelection() const { return FSelected; }
  void SetSelection(TTreeNode* Node);
  // Sorts the roots and every node's children, each group by itself, with
  // OnCompare (by text without it). Siblings it finds equal keep their order.
  void AlphaSort();
  // Puts every sibling group (the roots, then each node's children, in
  // pre-order) in the order Arrange leaves it in. Arrange gets a group's
  // nodes in their order and may only reorder them; anything else raises
  // EKeyloomError and leaves that group as it was.
  void ArrangeGroups(const std::function<void(std::vector<TTreeNode*>& Group)>& Arrange);

  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Images);
  int GetIndent() const { return FIndent; }
  void SetIndent(int V) { FIndent = V; }
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool V) { FHideSelection = V; }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool V) { FToolTips = V; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }

  TTVChangedEvent OnChange;
  TTVCompareEvent OnCompare;
  // Told when nodes change, so that a view can redraw.
  TNotifyEvent OnNodesChanged;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TTreeNodes;
  friend class TTreeNode;
  void NodeDeleting(TTreeNode* Node);
  void SortGroup(TNodeList& Group);

  TTreeNodes FItems;
  TTreeNode* FSelected = nullptr;
  TCustomImageList* FImages = nullptr;
  int FIndent = 19;
  bool FHideSelection = true;
  bool FToolTips = true;
  bool FReadOnly = false;
};

class TTreeView : public TCustomTreeView {
  KEYLOOM_CLASS(TTreeView)
 public:
  using TCustomTreeView::TCustomTreeView;
};

// ---------------------------------------------------------------- list view

class TCustomListView;

class TListItem {
 public:
  TListItem(TCustomListView* Owner, std::string Caption) : FOwner(Owner), FCaption(std::move(Caption)) {}
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V);
  bool GetSelected() const;
  void SetSelected(bool V);
  int GetIndex() const;
  // Starts in-place editing of the caption; the edit ends later.
  void EditCaption();

 private:
  TCustomListView* FOwner;
  std::string FCaption;
};

// A column of a report-style list view. A width of -2 fits the column to its
// header and the room the other columns leave.
class TListColumn : public TCollectionItem {
  KEYLOOM_CLASS(TListColumn)
 public:
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  int GetWidth() const { return FWidth; }
  void SetWidth(int V) { FWidth = V; }

 private:
  std::string FCaption;
  int FWidth = 50;
};

class TListColumns : public TCollection {
  KEYLOOM_CLASS(TListColumns)
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  TListColumn* GetItem(int Index) const override { return FItems.at(static_cast<std::size_t>(Index)).get(); }
  TListColumn* operator[](int Index) const { return GetItem(Index); }
  TListColumn* Add() override;
  void Clear() override { FItems.clear(); }
  void Assign(const TListColumns& Source);

 private:
  std::vector<std::unique_ptr<TListColumn>> FItems;
};

enum class TViewStyle : std::uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;

class TCustomListView : public TWinControl {
  KEYLOOM_CLASS(TCustomListView)
 public:
  explicit TCustomListView(TComponent* AOwner) : TWinControl(AOwner) {}

  int GetItemCount() const { return static_cast<int>(FItems.size()); }
  TListItem* GetItem(int Index) const { return FItems.at(static_cast<std::size_t>(Index)).get(); }
  TListItem* AddItem(const std::string& Caption);
  void DeleteItem(TListItem* Item);
  void ClearItems();
  int IndexOfItem(const TListItem* Item) const;
  TListItem* GetSelected() const { return FSelected; }
  void SetSelected(TListItem* Item);

  TListColumns& Columns() { return FColumns; }
  const TListColumns& Columns() const { return FColumns; }
  TListColumns* GetColumns() const { return const_cast<TListColumns*>(&FColumns); }
  // The width the column shows; -2 asks to fit the header and the remaining width.
  int GetColumnWidth(int Index) const;
  void SetColumnWidth(int Index, int Width);
  TViewStyle GetViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle V) { FViewStyle = V; }
  bool GetRowSelect() const { return FRowSelect; }
  void SetRowSelect(bool V) { FRowSelect = V; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }

  // In-place editing: started by EditCaption, ended by the user (or a test).
  TListItem* GetEditing() const { return FEditing; }
  void StartEdit(TListItem* Item);
  // Confirms (Enter) or cancels (Escape) the edit in progress.
  void EndEdit(const std::string& Text, bool Confirm);
  void KeyDown(std::uint16_t Key, TShiftState Shift);

  TLVEditedEvent OnEdited;
  TKeyEvent OnKeyDown;
  TNotifyEvent OnItemsChanged;

 private:
  friend class TListItem;
  std::vector<std::unique_ptr<TListItem>> FItems;
  TListColumns FColumns;
  TListItem* FSelected = nullptr;
  TListItem* FEditing = nullptr;
  TViewStyle FViewStyle = TViewStyle::vsIcon;
  bool FRowSelect = false;
  bool FReadOnly = false;
};

class TListView : public TCustomListView {
  KEYLOOM_CLASS(TListView)
 public:
  using TCustomListView::TCustomListView;
};

}  // namespace keyloom

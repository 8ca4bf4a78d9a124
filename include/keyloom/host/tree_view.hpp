#pragma once

// The tree view: a forest of text nodes, each standing for an object.

#include <keyloom/host/controls.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keyloom {

class TTreeNodes;
class TCustomTreeView;
class TCustomImageList;
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
  // Nodes live in memory their owner keeps: deleting one runs its
  // destructor, the memory goes when the owner is cleared.
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

// The nodes of a tree view: a forest, reached by pre-order index.
class TTreeNodes {
 public:
  explicit TTreeNodes(TCustomTreeView* Owner);
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
  friend class detail::TReadAhead;
  // The nodes' memory and the index of nodes by data.
  class TStore;

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

  TCustomTreeView* FOwner;
  std::unique_ptr<TStore> FStore;  // before the nodes: they go first
  TNodeList FRoots;
  mutable std::vector<TTreeNode*> FPreOrder;
  mutable bool FIndexValid = true;
  mutable std::uint64_t FStamp = 0;
  int FUpdateCount = 0;
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

}  // namespace keyloom

#pragma once

// Panels, radio groups, notebooks and the simple graphic controls.

#include <keyloom/host/controls.hpp>
#include <keyloom/host/stdctrls.hpp>

namespace keyloom {

enum class TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
  KEYLOOM_CLASS(TCustomPanel)
 public:
  explicit TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetControlStyle(csAcceptsControls); }
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut V) { FBevelOuter = V; Changed("Bevel"); }
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut V) { FBevelInner = V; Changed("Bevel"); }
  int GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int V) { FBorderWidth = V; Changed("Bounds"); }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment V) { FAlignment = V; }

 private:
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  int FBorderWidth = 0;
  TAlignment FAlignment = TAlignment::taCenter;
};

class TPanel : public TCustomPanel {
  KEYLOOM_CLASS(TPanel)
 public:
  using TCustomPanel::TCustomPanel;
};

// A group box of radio buttons made from its item strings.
class TCustomRadioGroup : public TCustomGroupBox {
  KEYLOOM_CLASS(TCustomRadioGroup)
 public:
  explicit TCustomRadioGroup(TComponent* AOwner);
  TStrings* GetItems() const { return const_cast<TStringList*>(&FItems); }
  void SetItems(TStrings* Value) { if (Value) FItems.Assign(*Value); }
  int GetItemIndex() const { return FItemIndex; }
  // Out of range means none (-1); while the form is read, the index is kept
  // until Loaded, as a file may store it before the items.
  void SetItemIndex(int V);
  int GetColumns() const { return FColumns; }
  void SetColumns(int V) { FColumns = V < 1 ? 1 : V; Changed("Items"); }
  void Loaded() override;

 private:
  TStringList FItems;
  int FItemIndex = -1;
  int FColumns = 1;
};

class TRadioGroup : public TCustomRadioGroup {
  KEYLOOM_CLASS(TRadioGroup)
 public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

class TImage : public TGraphicControl {
  KEYLOOM_CLASS(TImage)
 public:
  using TGraphicControl::TGraphicControl;
};

enum class TBevelShape : std::uint8_t { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TGraphicControl {
  KEYLOOM_CLASS(TBevel)
 public:
  using TGraphicControl::TGraphicControl;
  TBevelShape GetShape() const { return FShape; }
  void SetShape(TBevelShape V) { FShape = V; }

 private:
  TBevelShape FShape = TBevelShape::bsBox;
};

class TSplitter : public TGraphicControl {
  KEYLOOM_CLASS(TSplitter)
 public:
  using TGraphicControl::TGraphicControl;
};

class TShape : public TGraphicControl {
  KEYLOOM_CLASS(TShape)
 public:
  using TGraphicControl::TGraphicControl;
};

class TPaintBox : public TGraphicControl {
  KEYLOOM_CLASS(TPaintBox)
 public:
  using TGraphicControl::TGraphicControl;
};

// One page of a notebook.
class TPage : public TCustomControl {
  KEYLOOM_CLASS(TPage)
 public:
  explicit TPage(TComponent* AOwner) : TCustomControl(AOwner) { SetControlStyle(csAcceptsControls); }
};

// Pages of which one shows at a time; its pages are its TPage children.
class TNotebook : public TCustomControl {
  KEYLOOM_CLASS(TNotebook)
 public:
  explicit TNotebook(TComponent* AOwner) : TCustomControl(AOwner) { SetControlStyle(csAcceptsControls); }
  int GetPageIndex() const { return FPageIndex; }
  void SetPageIndex(int V);
  int PageCount() const;
  TPage* GetPage(int Index) const;
  std::string GetActivePage() const;
  void SetActivePage(const std::string& Caption);

 private:
  int FPageIndex = 0;
};

class TTimer : public TComponent {
  KEYLOOM_CLASS(TTimer)
 public:
  using TComponent::TComponent;
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  int GetInterval() const { return FInterval; }
  void SetInterval(int V) { FInterval = V; }

 private:
  bool FEnabled = true;
  int FInterval = 1000;
};

class TRadioGroupIndex;

// Told when an item proxy it keeps is released.
class TRadioItemKeeper {
 public:
  virtual void Drop(const TRadioGroupIndex* Proxy) = 0;

 protected:
  ~TRadioItemKeeper() = default;
};

// Stands for one item of a radio group, so that the item can take a letter
// and be written back. Owned by the tree view whose node refers to it. Only
// its radio group concerns it, so the tree view's notifications about its
// other components (thousands of proxies in a large form) are not passed on.
class TRadioGroupIndex : public TComponent {
  KEYLOOM_CLASS(TRadioGroupIndex)
 public:
  explicit TRadioGroupIndex(TComponent* AOwner) : TComponent(AOwner, false) {}
  ~TRadioGroupIndex() override;
  // Made by the ten thousand for large forms: they come from a pool.
  static void* operator new(std::size_t Size);
  static void operator delete(void* Memory, std::size_t Size) noexcept;

  // Position of the item in the radio group's item list, from 0.
  int GetIndex() const { return FIndex; }
  void SetIndex(int Value) { FIndex = Value; }
  // The radio group of the item; nil once that group is gone.
  TRadioGroup* GetRadioGroup() const { return FRadioGroup; }
  void SetRadioGroup(TRadioGroup* Value);
  // Takes Other's radio group and shares Other's watch on it, so that the
  // items of one group cost the group one link, not one each.
  void ShareRadioGroupOf(TRadioGroupIndex& Other);

  // Who is told when the proxy goes (nil: nobody).
  void SetKeeper(TRadioItemKeeper* Keeper) { FKeeper = Keeper; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class detail::TReadAhead;
  void LeaveRadioGroup();

  int FIndex = 0;
  TRadioGroup* FRadioGroup = nullptr;
  // The proxies sharing one watch on a radio group form a ring; one of them
  // holds the link and tells the others when the group goes.
  TRadioGroupIndex* FPrevSharing = this;
  TRadioGroupIndex* FNextSharing = this;
  bool FWatches = false;
  // The shelf that hands this proxy to the builds of its tree view, if any.
  TRadioItemKeeper* FKeeper = nullptr;
};


}  // namespace keyloom

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

}  // namespace keyloom

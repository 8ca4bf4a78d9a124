#pragma once

// The common controls: tab and page controls, tool and status bars, image
// lists and list views; the tree view, which has a header of its own.

#include <keyloom/host/controls.hpp>
#include <keyloom/host/tree_view.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
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

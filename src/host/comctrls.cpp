#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/published.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

#include <keyloom/host/menus.hpp>
#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/published.hpp>

#include "host/erase_last.hpp"

#include <algorithm>

namespace keyloom {

namespace P = published;

const TClassInfo& TMenuItem::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TMenuItem", &TComponent::StaticClassInfo(),
      {P::String<TMenuItem>("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption),
       P::Boolean<TMenuItem>("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked, false),
       P::Boolean<TMenuItem>("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled, true),
       P::Boolean<TMenuItem>("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible, true),
       P::Boolean<TMenuItem>("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem, false),
       P::Boolean<TMenuItem>("AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck, false),
       P::Integer<TMenuItem>("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex, 0, "Byte"),
       P::String<TMenuItem>("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint, "string"),
       P::Integer<TMenuItem>("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut, 0, "TShortCut"),
       P::Integer<TMenuItem>("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex, -1),
       P::Object<TMenuItem, TBasicAction>("Action", "TBasicAction", &TMenuItem::GetAction, &TMenuItem::SetAction),
       P::Event<TMenuItem>("OnClick", "TNotifyEvent", &TMenuItem::OnClick)},
      P::Factory<TMenuItem>());
  return Info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  BeginDestroy();
  while (!FItems.empty()) delete FItems.back();
  if (FParent) FParent->Remove(this);
}

void TMenuItem::Changed() {
  if (OnHostChanged) OnHostChanged(*this);
}

void TMenuItem::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Changed();
}

void TMenuItem::SetAction(TBasicAction* Action) { LinkAction(*this, FAction, Action); }

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FAction) FAction = nullptr;
}

void TMenuItem::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (Value && FRadioItem && FParent)
    for (TMenuItem* Sibling : FParent->FItems)
      if (Sibling != this && Sibling->FRadioItem && Sibling->FGroupIndex == FGroupIndex && Sibling->FChecked) {
        Sibling->FChecked = false;
        Sibling->Changed();
      }
  Changed();
}

void TMenuItem::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Changed();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  for (const TMenuItem* P = this; P; P = P->FParent)
    if (P == Item) throw EComponentError("A menu item cannot be inserted below itself");
  if (Item->FParent) Item->FParent->Remove(Item);
  Index = std::clamp(Index, 0, GetCount());
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem* Item) {
  if (!EraseLastOf(FItems, Item)) return;
  Item->FParent = nullptr;
  Changed();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

TMenu* TMenuItem::GetMenu() const {
  const TMenuItem* Root = this;
  while (Root->FParent) Root = Root->FParent;
  return Root->FMenu;
}

TComponent* TMenuItem::GetParentComponent() const {
  if (!FParent) return nullptr;
  if (FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(FRadioItem ? true : !FChecked);
  if (OnClick) OnClick(this);
}

const TClassInfo& TMenu::MakeStaticClassInfo() {
  static const TClassInfo Info("TMenu", &TComponent::StaticClassInfo());
  return Info;
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) { FItems->FMenu = this; }

TMenu::~TMenu() {
  BeginDestroy();
  delete FItems;
}

const TClassInfo& TMainMenu::MakeStaticClassInfo() {
  static const TClassInfo Info("TMainMenu", &TMenu::StaticClassInfo(), {}, P::Factory<TMainMenu>());
  return Info;
}

const TClassInfo& TPopupMenu::MakeStaticClassInfo() {
  static const TClassInfo Info("TPopupMenu", &TMenu::StaticClassInfo(),
                               {P::Event<TPopupMenu>("OnPopup", "TNotifyEvent", &TPopupMenu::OnPopup)},
                               P::Factory<TPopupMenu>());
  return Info;
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  if (OnShowMenu) OnShowMenu(*this, X, Y);
}

}  // namespace keyloom

#include <keyloom/host/controls.hpp>
#include <keyloom/host/forms.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/host/actnlist.hpp>

#include "host/erase_last.hpp"
#include "host/idents.hpp"

#include <algorithm>

namespace keyloom {

namespace P = published;

const TClassInfo& TFont::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TFont", &TPersistent::StaticClassInfo(),
      {P::Integer<TFont>("Charset", &TFont::GetCharset, &TFont::SetCharset, std::nullopt, "TFontCharset"),
       [] {
         auto Color = P::Integer<TFont>("Color", &TFont::GetColor, &TFont::SetColor, std::nullopt, "TColor");
         Color.IntIdents = ColorIdents();
         return Color;
       }(),
       P::Integer<TFont>("Height", &TFont::GetHeight, &TFont::SetHeight),
       P::String<TFont>("Name", &TFont::GetName, &TFont::SetName, "TFontName"),
       P::Integer<TFont>("Size", &TFont::GetSize, &TFont::SetSize),
       P::Set<TFont>("Style", "TFontStyles", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &TFont::GetStyle,
                     &TFont::SetStyle)});
  return Info;
}

void TFont::Assign(const TFont& Source) {
  FName = Source.FName;
  FHeight = Source.FHeight;
  FStyle = Source.FStyle;
  FColor = Source.FColor;
  FCharset = Source.FCharset;
}

const TClassInfo& TControl::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TControl", &TComponent::StaticClassInfo(),
      {P::Integer<TControl>("Left", &TControl::GetLeft, &TControl::SetLeft),
       P::Integer<TControl>("Top", &TControl::GetTop, &TControl::SetTop),
       P::Integer<TControl>("Width", &TControl::GetWidth, &TControl::SetWidth),
       P::Integer<TControl>("Height", &TControl::GetHeight, &TControl::SetHeight),
       P::Enumeration<TControl, TAlign>("Align", "TAlign",
                                        {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"},
                                        &TControl::GetAlign, &TControl::SetAlign, TAlign::alNone),
       P::Boolean<TControl>("Enabled", &TControl::GetEnabled, &TControl::SetEnabled, true),
       P::Boolean<TControl>("Visible", &TControl::GetVisible, &TControl::SetVisible, true),
       P::String<TControl>("Hint", &TControl::GetHint, &TControl::SetHint, "string"),
       P::Boolean<TControl>("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint),
       [] {
         auto Color = P::Integer<TControl>("Color", &TControl::GetColor, &TControl::SetColor, std::nullopt, "TColor");
         Color.IntIdents = ColorIdents();
         return Color;
       }(),
       [] {
         auto Cursor = P::Integer<TControl>("Cursor", &TControl::GetCursor, &TControl::SetCursor, 0, "TCursor");
         Cursor.IntIdents = CursorIdents();
         return Cursor;
       }(),
       P::Owned<TControl, TFont>("Font", "TFont", &TControl::GetFont),
       P::Object<TControl, TPopupMenu>("PopupMenu", "TPopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu),
       P::Object<TControl, TBasicAction>("Action", "TBasicAction", &TControl::GetAction, &TControl::SetAction),
       P::Event<TControl>("OnClick", "TNotifyEvent", &TControl::OnClick),
       P::Event<TControl>("OnMouseMove", "TMouseMoveEvent", &TControl::OnMouseMove),
       P::Event<TControl>("OnResize", "TNotifyEvent", &TControl::OnResize)});
  return Info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(new TFont) {
  WindowProc = [this](TMessage& Message) { WndProc(Message); };
}

TControl::~TControl() {
  BeginDestroy();
  if (FParent) SetParent(nullptr);
  delete FFont;
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::NotifyControlChange(TWinControl* Parent, TControl* Control, bool Inserting) {
  TCustomForm* Form = GetParentForm(Parent);
  if (!Form && Parent && IsClass<TCustomForm>(Parent)) Form = static_cast<TCustomForm*>(Parent);
  if (!Form || Form->HasState(csDestroying)) return;
  Form->Perform(CM_CONTROLCHANGE, reinterpret_cast<std::intptr_t>(Control), Inserting ? 1 : 0);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent == this) throw EComponentError("A control cannot have itself as its parent");
  for (TWinControl* P = AParent; P; P = P->GetParent())
    if (P == this) throw EComponentError("A control cannot be placed on one of its own children");
  if (TWinControl* Old = FParent) {
    EraseLastOf(Old->FControls, this);
    FParent = nullptr;
    NotifyControlChange(Old, this, false);
  }
  if (AParent) {
    AParent->FControls.push_back(this);
    FParent = AParent;
    NotifyControlChange(AParent, this, true);
  }
  Changed("Parent");
}

void TControl::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  Changed("Text");
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  const bool Resized = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Changed("Bounds");
  if (Resized && OnResize && !HasState(csLoading)) OnResize(this);
}

void TControl::SetAlign(TAlign V) {
  if (V == FAlign) return;
  FAlign = V;
  Changed("Align");
}

void TControl::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  Changed("Visible");
}

void TControl::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  Changed("Enabled");
}

void TControl::SetHint(const std::string& V) {
  if (V == FHint) return;
  FHint = V;
  Changed("Hint");
}

void TControl::SetColor(int V) {
  if (V == FColor) return;
  FColor = V;
  Changed("Color");
}

void TControl::SetPopupMenu(TPopupMenu* Menu) {
  if (Menu == FPopupMenu) return;
  if (FPopupMenu) RemoveFreeNotification(FPopupMenu);
  FPopupMenu = Menu;
  if (Menu) FreeNotification(Menu);
}

void TControl::SetAction(TBasicAction* Action) { LinkAction(*this, FAction, Action); }

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (Operation == TOperation::opRemove && AComponent == FAction) FAction = nullptr;
}

std::intptr_t TControl::Perform(std::uint32_t Msg, std::intptr_t WParam, std::intptr_t LParam) {
  TMessage Message{Msg, WParam, LParam, 0};
  if (WindowProc)
    WindowProc(Message);
  else
    WndProc(Message);
  return Message.Result;
}

void TControl::WndProc(TMessage&) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::Changed(std::string_view Property) {
  if (OnHostChanged) OnHostChanged(*this, Property);
}

const TClassInfo& TWinControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TWinControl", &TControl::StaticClassInfo(),
                               {P::Integer<TWinControl>("TabOrder", &TWinControl::GetTabOrder,
                                                        &TWinControl::SetTabOrder, -1, "TTabOrder")});
  return Info;
}

TWinControl::~TWinControl() {
  BeginDestroy();
  // Child controls go with their parent, whoever owns them.
  while (!FControls.empty()) delete FControls.back();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* C = Control; C; C = C->GetParent())
    if (C == this) return true;
  return false;
}

void TWinControl::SetChildOrder(TControl* Child, int Order) {
  auto It = std::find(FControls.begin(), FControls.end(), Child);
  if (It == FControls.end()) return;
  FControls.erase(It);
  Order = std::clamp(Order, 0, static_cast<int>(FControls.size()));
  FControls.insert(FControls.begin() + Order, Child);
  Changed("Children");
}

const TClassInfo& TGraphicControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TGraphicControl", &TControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TCustomControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomControl", &TWinControl::StaticClassInfo());
  return Info;
}

TCustomForm* GetParentForm(const TControl* Control) {
  TCustomForm* Found = nullptr;
  for (const TControl* C = Control; C; C = C->GetParent())
    if (auto* Form = AsClass<TCustomForm>(const_cast<TControl*>(C))) Found = Form;
  return Found;
}

}  // namespace keyloom

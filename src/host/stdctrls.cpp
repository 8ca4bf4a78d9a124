#include <keyloom/host/published.hpp>
#include <keyloom/host/stdctrls.hpp>

namespace keyloom {

namespace P = published;

namespace {
template <class T>
TPropInfo Caption() {
  return P::String<T>("Caption", &TControl::GetCaption, &TControl::SetCaption);
}
}  // namespace

const TClassInfo& TButtonControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TButtonControl", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TButton::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TButton", &TButtonControl::StaticClassInfo(),
      {Caption<TButton>(), P::Boolean<TButton>("Cancel", &TButton::GetCancel, &TButton::SetCancel, false),
       P::Boolean<TButton>("Default", &TButton::GetDefault, &TButton::SetDefault, false),
       P::Integer<TButton>("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult, 0, "TModalResult")},
      P::Factory<TButton>());
  return Info;
}

const TClassInfo& TCustomCheckBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomCheckBox", &TButtonControl::StaticClassInfo());
  return Info;
}

void TCustomCheckBox::SetChecked(bool V) {
  if (V == FChecked) return;
  FChecked = V;
  Changed("Checked");
}

const TClassInfo& TCheckBox::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TCheckBox", &TCustomCheckBox::StaticClassInfo(),
      {Caption<TCheckBox>(), P::Boolean<TCheckBox>("Checked", &TCheckBox::GetChecked, &TCheckBox::SetChecked, false)},
      P::Factory<TCheckBox>());
  return Info;
}

const TClassInfo& TRadioButton::MakeStaticClassInfo() {
  static const TClassInfo Info("TRadioButton", &TButtonControl::StaticClassInfo(),
                               {Caption<TRadioButton>(),
                                P::Boolean<TRadioButton>("Checked", &TRadioButton::GetChecked,
                                                         &TRadioButton::SetChecked, false)},
                               P::Factory<TRadioButton>());
  return Info;
}

void TRadioButton::SetChecked(bool V) {
  if (V == FChecked) return;
  FChecked = V;
  Changed("Checked");
}

const TClassInfo& TCustomLabel::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomLabel", &TGraphicControl::StaticClassInfo());
  return Info;
}

void TCustomLabel::SetFocusControl(TWinControl* Control) {
  if (Control == FFocusControl) return;
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = Control;
  if (Control) FreeNotification(Control);
}

void TCustomLabel::SetAutoSize(bool V) {
  if (V == FAutoSize) return;
  FAutoSize = V;
  Changed("AutoSize");
}

void TCustomLabel::SetWordWrap(bool V) {
  if (V == FWordWrap) return;
  FWordWrap = V;
  Changed("WordWrap");
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

const TClassInfo& TLabel::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TLabel", &TCustomLabel::StaticClassInfo(),
      {Caption<TLabel>(),
       P::Object<TLabel, TWinControl>("FocusControl", "TWinControl", &TLabel::GetFocusControl,
                                      &TLabel::SetFocusControl),
       P::Boolean<TLabel>("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize, true),
       P::Boolean<TLabel>("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap, false),
       P::Boolean<TLabel>("ShowAccelChar", &TLabel::GetShowAccelChar, &TLabel::SetShowAccelChar, true),
       P::Enumeration<TLabel, TAlignment>("Alignment", "TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                          &TLabel::GetAlignment, &TLabel::SetAlignment, TAlignment::taLeftJustify)},
      P::Factory<TLabel>());
  return Info;
}

const TClassInfo& TCustomStaticText::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomStaticText", &TWinControl::StaticClassInfo());
  return Info;
}

void TCustomStaticText::SetFocusControl(TWinControl* Control) {
  if (Control == FFocusControl) return;
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = Control;
  if (Control) FreeNotification(Control);
}

void TCustomStaticText::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

const TClassInfo& TStaticText::MakeStaticClassInfo() {
  static const TClassInfo Info("TStaticText", &TCustomStaticText::StaticClassInfo(),
                               {Caption<TStaticText>(),
                                P::Object<TStaticText, TWinControl>("FocusControl", "TWinControl",
                                                                    &TStaticText::GetFocusControl,
                                                                    &TStaticText::SetFocusControl)},
                               P::Factory<TStaticText>());
  return Info;
}

const TClassInfo& TCustomGroupBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomGroupBox", &TCustomControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TGroupBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TGroupBox", &TCustomGroupBox::StaticClassInfo(), {Caption<TGroupBox>()},
                               P::Factory<TGroupBox>());
  return Info;
}

const TClassInfo& TCustomEdit::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomEdit", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TEdit::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TEdit", &TCustomEdit::StaticClassInfo(),
      {P::String<TEdit>("Text", &TControl::GetText, &TControl::SetText),
       P::Boolean<TEdit>("ReadOnly", &TEdit::GetReadOnly, &TEdit::SetReadOnly, false),
       P::Event<TEdit>("OnChange", "TNotifyEvent", &TEdit::OnChange)},
      P::Factory<TEdit>());
  return Info;
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

const TClassInfo& TCustomMemo::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomMemo", &TCustomEdit::StaticClassInfo());
  return Info;
}

const TClassInfo& TMemo::MakeStaticClassInfo() {
  static const TClassInfo Info("TMemo", &TCustomMemo::StaticClassInfo(),
                               {P::Owned<TMemo, TStrings>("Lines", "TStrings", &TMemo::GetLines),
                                P::Boolean<TMemo>("ReadOnly", &TMemo::GetReadOnly, &TMemo::SetReadOnly, false)},
                               P::Factory<TMemo>());
  return Info;
}

const TClassInfo& TCustomComboBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomComboBox", &TWinControl::StaticClassInfo());
  return Info;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  FItems.OnChange = [this](TObject*) { Changed("Items"); };
}

void TCustomComboBox::SetItemIndex(int V) {
  if (V == FItemIndex) return;
  FItemIndex = V;
  Changed("ItemIndex");
}

void TCustomComboBox::SetStyle(TComboBoxStyle V) {
  if (V == FStyle) return;
  FStyle = V;
  Changed("Style");
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

const TClassInfo& TComboBox::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TComboBox", &TCustomComboBox::StaticClassInfo(),
      {P::Owned<TComboBox, TStrings>("Items", "TStrings", &TComboBox::GetItems),
       P::Integer<TComboBox>("ItemIndex", &TComboBox::GetItemIndex, &TComboBox::SetItemIndex, -1),
       P::Enumeration<TComboBox, TComboBoxStyle>(
           "Style", "TComboBoxStyle",
           {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
           &TComboBox::GetStyle, &TComboBox::SetStyle, TComboBoxStyle::csDropDown),
       P::String<TComboBox>("Text", &TControl::GetText, &TControl::SetText),
       P::Event<TComboBox>("OnChange", "TNotifyEvent", &TComboBox::OnChange)},
      P::Factory<TComboBox>());
  return Info;
}

const TClassInfo& TCustomListBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomListBox", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TListBox::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TListBox", &TCustomListBox::StaticClassInfo(),
      {P::Owned<TListBox, TStrings>("Items", "TStrings", &TListBox::GetItems),
       P::Integer<TListBox>("ItemIndex", &TListBox::GetItemIndex, &TListBox::SetItemIndex, -1)},
      P::Factory<TListBox>());
  return Info;
}

}  // namespace keyloom

#pragma once

// The standard controls: buttons, check boxes, labels, group boxes, edits and lists.

#include <keyloom/host/controls.hpp>

namespace keyloom {

class TButtonControl : public TWinControl {
  KEYLOOM_CLASS(TButtonControl)
 public:
  using TWinControl::TWinControl;
};

class TButton : public TButtonControl {
  KEYLOOM_CLASS(TButton)
 public:
  using TButtonControl::TButtonControl;
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool V) { FCancel = V; }
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool V) { FDefault = V; }
  int GetModalResult() const { return FModalResult; }
  void SetModalResult(int V) { FModalResult = V; }

 private:
  bool FCancel = false;
  bool FDefault = false;
  int FModalResult = 0;
};

class TCustomCheckBox : public TButtonControl {
  KEYLOOM_CLASS(TCustomCheckBox)
 public:
  using TButtonControl::TButtonControl;
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool V);

 private:
  bool FChecked = false;
};

class TCheckBox : public TCustomCheckBox {
  KEYLOOM_CLASS(TCheckBox)
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

class TRadioButton : public TButtonControl {
  KEYLOOM_CLASS(TRadioButton)
 public:
  using TButtonControl::TButtonControl;
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool V);

 private:
  bool FChecked = false;
};

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Labels and static texts: a caption that may name a control to focus.
class TCustomLabel : public TGraphicControl {
  KEYLOOM_CLASS(TCustomLabel)
 public:
  using TGraphicControl::TGraphicControl;
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Control);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool V);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool V);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment V) { FAlignment = V; }
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool V) { FShowAccelChar = V; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TWinControl* FFocusControl = nullptr;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TAlignment FAlignment = TAlignment::taLeftJustify;
};

class TLabel : public TCustomLabel {
  KEYLOOM_CLASS(TLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

class TCustomStaticText : public TWinControl {
  KEYLOOM_CLASS(TCustomStaticText)
 public:
  using TWinControl::TWinControl;
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Control);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TWinControl* FFocusControl = nullptr;
};

class TStaticText : public TCustomStaticText {
  KEYLOOM_CLASS(TStaticText)
 public:
  using TCustomStaticText::TCustomStaticText;
};

class TCustomGroupBox : public TCustomControl {
  KEYLOOM_CLASS(TCustomGroupBox)
 public:
  explicit TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) { SetControlStyle(csAcceptsControls); }
};

class TGroupBox : public TCustomGroupBox {
  KEYLOOM_CLASS(TGroupBox)
 public:
  using TCustomGroupBox::TCustomGroupBox;
};

class TCustomEdit : public TWinControl {
  KEYLOOM_CLASS(TCustomEdit)
 public:
  using TWinControl::TWinControl;
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }

  // What a user does: the text was edited (SetText before). The desktop face
  // and tests call it; text set in code runs no handler.
  void Change();
  TNotifyEvent OnChange;

 private:
  bool FReadOnly = false;
};

class TEdit : public TCustomEdit {
  KEYLOOM_CLASS(TEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
  KEYLOOM_CLASS(TCustomMemo)
 public:
  using TCustomEdit::TCustomEdit;
  TStrings* GetLines() const { return const_cast<TStringList*>(&FLines); }

 private:
  TStringList FLines;
};

class TMemo : public TCustomMemo {
  KEYLOOM_CLASS(TMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

// A list to choose from only (csDropDownList), or an edit with a list of suggestions.
enum class TComboBoxStyle : std::uint8_t {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};

class TCustomComboBox : public TWinControl {
  KEYLOOM_CLASS(TCustomComboBox)
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  TStrings* GetItems() const { return const_cast<TStringList*>(&FItems); }
  int GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int V);
  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle V);

  // What a user does: another item was chosen (SetItemIndex before) or the
  // text was edited. The desktop face and tests call it; an index set in
  // code runs no handler.
  void Change();
  TNotifyEvent OnChange;

 private:
  TStringList FItems;
  int FItemIndex = -1;
  TComboBoxStyle FStyle = TComboBoxStyle::csDropDown;
};

class TComboBox : public TCustomComboBox {
  KEYLOOM_CLASS(TComboBox)
 public:
  using TCustomComboBox::TCustomComboBox;
};

class TCustomListBox : public TWinControl {
  KEYLOOM_CLASS(TCustomListBox)
 public:
  using TWinControl::TWinControl;
  TStrings* GetItems() const { return const_cast<TStringList*>(&FItems); }
  int GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int V) { FItemIndex = V; }

 private:
  TStringList FItems;
  int FItemIndex = -1;
};

class TListBox : public TCustomListBox {
  KEYLOOM_CLASS(TListBox)
 public:
  using TCustomListBox::TCustomListBox;
};

}  // namespace keyloom

#include <keyloom/host/forms.hpp>
#include <keyloom/host/published.hpp>

namespace keyloom {

namespace P = published;

const TClassInfo& TScrollingWinControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TScrollingWinControl", &TWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TScrollBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TScrollBox", &TScrollingWinControl::StaticClassInfo(), {},
                               P::Factory<TScrollBox>());
  return Info;
}

const TClassInfo& TCustomForm::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TCustomForm", &TScrollingWinControl::StaticClassInfo(),
      {P::String<TCustomForm>("Caption", &TControl::GetCaption, &TControl::SetCaption),
       P::Integer<TCustomForm>("ClientWidth", &TControl::GetClientWidth, &TControl::SetClientWidth),
       P::Integer<TCustomForm>("ClientHeight", &TControl::GetClientHeight, &TControl::SetClientHeight),
       P::Enumeration<TCustomForm, TFormBorderStyle>(
           "BorderStyle", "TFormBorderStyle",
           {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
           &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle, TFormBorderStyle::bsSizeable),
       P::Set<TCustomForm>("BorderIcons", "TBorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"},
                           &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons,
                           biSystemMenu | biMinimize | biMaximize),
       P::Event<TCustomForm>("OnCreate", "TNotifyEvent", &TCustomForm::OnCreate),
       P::Event<TCustomForm>("OnDestroy", "TNotifyEvent", &TCustomForm::OnDestroy),
       P::Event<TCustomForm>("OnShow", "TNotifyEvent", &TCustomForm::OnShow),
       P::Event<TCustomForm>("OnHide", "TNotifyEvent", &TCustomForm::OnHide)});
  return Info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner) { SetVisible(false); }

void TCustomForm::Show() {
  SetVisible(true);
  if (FShowing) return;
  FShowing = true;
  if (OnShow) OnShow(this);
}

void TCustomForm::Hide() {
  if (!FShowing) return;
  FShowing = false;
  if (OnHide) OnHide(this);
  SetVisible(false);
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

const TClassInfo& TForm::MakeStaticClassInfo() {
  static const TClassInfo Info("TForm", &TCustomForm::StaticClassInfo(), {}, P::Factory<TForm>());
  return Info;
}

const TClassInfo& TCustomFrame::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomFrame", &TScrollingWinControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TFrame::MakeStaticClassInfo() {
  static const TClassInfo Info("TFrame", &TCustomFrame::StaticClassInfo(), {}, P::Factory<TFrame>());
  return Info;
}

}  // namespace keyloom

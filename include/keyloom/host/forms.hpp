#pragma once

// Forms, frames and scroll boxes: the top-level containers.

#include <keyloom/host/controls.hpp>

namespace keyloom {

class TScrollingWinControl : public TWinControl {
  KEYLOOM_CLASS(TScrollingWinControl)
 public:
  explicit TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) { SetControlStyle(csAcceptsControls); }
};

class TScrollBox : public TScrollingWinControl {
  KEYLOOM_CLASS(TScrollBox)
 public:
  using TScrollingWinControl::TScrollingWinControl;
};

enum class TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIconFlag : std::uint32_t { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2, biHelp = 1u << 3 };

class TCustomForm : public TScrollingWinControl {
  KEYLOOM_CLASS(TCustomForm)
 public:
  explicit TCustomForm(TComponent* AOwner);

  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle V) { FBorderStyle = V; }
  std::uint32_t GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(std::uint32_t V) { FBorderIcons = V; }

  // Shows the form without waiting (the non-modal show); runs OnShow.
  void Show();
  // Hides the form; runs OnHide when it was showing.
  void Hide();
  // Closing hides the form.
  void Close() { Hide(); }
  bool Showing() const { return FShowing; }

  // Runs OnCreate; called once the form's layout has been read.
  void DoCreate();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 private:
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  std::uint32_t FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  bool FShowing = false;
};

class TForm : public TCustomForm {
  KEYLOOM_CLASS(TForm)
 public:
  using TCustomForm::TCustomForm;
};

class TCustomFrame : public TScrollingWinControl {
  KEYLOOM_CLASS(TCustomFrame)
 public:
  using TScrollingWinControl::TScrollingWinControl;
};

class TFrame : public TCustomFrame {
  KEYLOOM_CLASS(TFrame)
 public:
  using TCustomFrame::TCustomFrame;
};

}  // namespace keyloom

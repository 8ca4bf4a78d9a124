#pragma once

// Controls: the visual components, with a parent chain, bounds, text and a
// replaceable window procedure.

#include <keyloom/host/classes.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TBasicAction;
namespace detail {
class TReadAhead;
}

// The framework's notification that a form's set of controls changed.
inline constexpr std::uint32_t CM_CONTROLCHANGE = 0xB036;  // 45110

struct TMessage {
  std::uint32_t Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};
using TWndMethod = std::function<void(TMessage& Message)>;

enum TShiftFlag : std::uint32_t {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
};
using TShiftState = std::uint32_t;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;

enum class TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TControlStyleFlag : std::uint32_t {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 2,
  csSetCaption = 1u << 3,
};
using TControlStyle = std::uint32_t;

enum TFontStyleFlag : std::uint32_t { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };

class TFont : public TPersistent {
  KEYLOOM_CLASS(TFont)
 public:
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& V) { FName = V; }
  int GetHeight() const { return FHeight; }
  void SetHeight(int V) { FHeight = V; }
  int GetSize() const { return FHeight < 0 ? (-FHeight * 72 + 48) / 96 : FHeight; }
  void SetSize(int V) { FHeight = -(V * 96 + 36) / 72; }
  std::uint32_t GetStyle() const { return FStyle; }
  void SetStyle(std::uint32_t V) { FStyle = V; }
  int GetColor() const { return FColor; }
  void SetColor(int V) { FColor = V; }
  int GetCharset() const { return FCharset; }
  void SetCharset(int V) { FCharset = V; }
  void Assign(const TFont& Source);

 private:
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  std::uint32_t FStyle = 0;
  int FColor = 0;
  int FCharset = 1;
};

class TControl : public TComponent {
  KEYLOOM_CLASS(TControl)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }

  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Style) { FControlStyle = Style; }
  bool AcceptsControls() const { return (FControlStyle & csAcceptsControls) != 0; }

  // The control's text; for captioned controls, their caption.
  const std::string& GetText() const { return FText; }
  void SetText(const std::string& Value);
  const std::string& GetCaption() const { return FText; }
  void SetCaption(const std::string& Value) { SetText(Value); }

  int GetLeft() const { return FLeft; }
  int GetTop() const { return FTop; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  void SetLeft(int V) { SetBounds(V, FTop, FWidth, FHeight); }
  void SetTop(int V) { SetBounds(FLeft, V, FWidth, FHeight); }
  void SetWidth(int V) { SetBounds(FLeft, FTop, V, FHeight); }
  void SetHeight(int V) { SetBounds(FLeft, FTop, FWidth, V); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  int GetClientWidth() const { return FWidth; }
  int GetClientHeight() const { return FHeight; }
  void SetClientWidth(int V) { SetWidth(V); }
  void SetClientHeight(int V) { SetHeight(V); }

  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign V);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool V);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool V);
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& V);
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool V) { FShowHint = V; }
  int GetColor() const { return FColor; }
  void SetColor(int V);
  int GetCursor() const { return FCursor; }
  void SetCursor(int V) { FCursor = V; }
  int GetTabOrder() const { return FTabOrder; }
  void SetTabOrder(int V) { FTabOrder = V; }
  TFont* GetFont() const { return FFont; }
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Menu);
  TBasicAction* GetAction() const { return FAction; }
  void SetAction(TBasicAction* Action);

  // The window procedure: by default the control's WndProc; a hook may replace it.
  TWndMethod WindowProc;
  std::intptr_t Perform(std::uint32_t Msg, std::intptr_t WParam = 0, std::intptr_t LParam = 0);

  // What a user does; the desktop face and tests call these.
  virtual void Click();
  void MouseMove(TShiftState Shift, int X, int Y);

  TNotifyEvent OnClick;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;
  // Told of every property change that a view of the control shows.
  std::function<void(TControl& Control, std::string_view Property)> OnHostChanged;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  virtual void WndProc(TMessage& Message);
  void Changed(std::string_view Property);
  // Tells the form that holds the control that its set of controls changed.
  static void NotifyControlChange(TWinControl* Parent, TControl* Control, bool Inserting);

 private:
  friend class detail::TReadAhead;
  TWinControl* FParent = nullptr;
  TControlStyle FControlStyle = 0;
  std::string FText;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true;
  bool FEnabled = true;
  bool FShowHint = false;
  std::string FHint;
  int FColor = -16777201;  // clBtnFace
  int FCursor = 0;
  int FTabOrder = -1;
  TFont* FFont;
  TPopupMenu* FPopupMenu = nullptr;
  TBasicAction* FAction = nullptr;
};

class TWinControl : public TControl {
  KEYLOOM_CLASS(TWinControl)
 public:
  explicit TWinControl(TComponent* AOwner) : TControl(AOwner) {}
  ~TWinControl() override;

  int GetControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* GetControl(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }
  const std::vector<TControl*>& Controls() const { return FControls; }
  bool ContainsControl(const TControl* Control) const;
  // Moves a child control to position Order among the children.
  void SetChildOrder(TControl* Child, int Order);

 private:
  friend class TControl;
  std::vector<TControl*> FControls;
};

class TGraphicControl : public TControl {
  KEYLOOM_CLASS(TGraphicControl)
 public:
  using TControl::TControl;
};

class TCustomControl : public TWinControl {
  KEYLOOM_CLASS(TCustomControl)
 public:
  using TWinControl::TWinControl;
};

// The form that holds a control: the outermost form on its parent chain.
TCustomForm* GetParentForm(const TControl* Control);

}  // namespace keyloom

#pragma once

// The rendering layer: shows host forms as Qt widgets and keeps both sides in
// step. Host property changes reach the widgets through the controls'
// OnHostChanged, tree and list changes through their change events; what the
// user does reaches the host controls as the calls a test would make (Click,
// MouseMove, SetSelection, StartEdit/EndEdit, KeyDown, popup menus). No
// behaviour of a form lives here.

#include "gui/align_layout.hpp"

#include <keyloom/host.hpp>

#include <QPoint>

#include <functional>
#include <memory>

class QMenu;
class QMenuBar;
class QWidget;

namespace keyloom::gui {

struct TRenderOptions {
  TLayoutConventions Layout;
  // A designed form: drawn inside a window frame with its caption, as a
  // child of the designer's widget; hidden controls are drawn, controls take
  // neither focus nor mouse (a right-click reaches the container below), and
  // accelerators are underlined but are no shortcuts.
  bool DesignSurface = false;
  // Child coordinates inside group boxes start below the caption line, as the
  // other dialect of form files counts them.
  bool GroupChildrenBelowCaption = false;
  // The Windows code page in which a component's texts that are not UTF-8
  // are shown (see DisplayText); unset: none.
  std::function<int(const TComponent& Component)> CodePageOf;
};

class TRenderer {
 public:
  TRenderer();
  TRenderer(const TRenderer&) = delete;
  TRenderer& operator=(const TRenderer&) = delete;
  // Takes the hooks out of every host control still shown and frees the widgets.
  ~TRenderer();

  // Makes the widgets of Form. A design surface becomes a child of Parent;
  // any other form is a window of its own that shows and hides with the host
  // form. The widgets go when the form goes or on Release.
  QWidget* Render(TCustomForm& Form, const TRenderOptions& Options, QWidget* Parent = nullptr);
  void Release(TCustomForm& Form);
  bool IsRendered(const TCustomForm& Form) const;

  // The outermost widget of a rendered form: its window, or its frame on a design surface.
  QWidget* WindowOf(const TCustomForm& Form) const;
  // The widget of a control (for a form, its client area); nil when not shown.
  QWidget* WidgetOf(const TControl& Control) const;
  // The menu bar made from the form's main menu; nil when it has none.
  QMenuBar* MenuBarOf(const TCustomForm& Form) const;
  // The control that Widget, or the nearest widget above it, stands for.
  TControl* ControlAt(const QWidget* Widget) const;
  // The menu shown for the last host popup menu, while it is open.
  QMenu* OpenPopup() const;

  // Brings tree and list views up to date now; otherwise it happens as soon
  // as the event loop runs.
  void Flush();

  // Asked on a right-click, before the control's own popup menu; returns
  // true when it showed a menu of its own.
  std::function<bool(TControl& Control, const QPoint& GlobalPos)> OnContextMenu;

 private:
  class TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// Prepares the application for rendering: the style in which accelerators
// are always underlined, and a default font the size forms are drawn in.
void PrepareApplication();

}  // namespace keyloom::gui

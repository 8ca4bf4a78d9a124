#pragma once

// Alignment of child controls (alTop, alBottom, alLeft, alRight, alClient) as
// the framework's widget sets do it: the host keeps only each control's Align
// and bounds; whoever shows the controls places the aligned ones. Pages of
// notebooks and sheets of page controls fill their parent's display area.
// Nothing here needs Qt: the results are written into the host bounds, or
// wherever the caller keeps them (TBoundsStore).

#include <keyloom/host.hpp>

#include <functional>

namespace keyloom::gui {

struct TRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TRect&) const = default;
};

// The room an aligned control keeps free on each side (AlignWithMargins).
struct TMargins {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TMargins&) const = default;
};

// How a file's sizes are to be read.
struct TLayoutConventions {
  // A form's Width and Height are its client size (the other dialect of form
  // files stores the client size), not the outer size with frame and caption.
  bool FormSizeIsClient = false;
  // The frame and caption around a form's client, and the menu bar below the caption.
  int FormFrameWidth = 8;
  int FormFrameHeight = 27;
  int MenuBarHeight = 19;
  // The tab row of a page control above its sheets.
  int TabHeight = 24;
  // The margins of an aligned control; none when unset. The host does not
  // keep them: they come from the form's file.
  std::function<TMargins(const TControl&)> MarginsOf;
};

// Where a layout reads and writes the bounds of controls: the host's own when
// none is given. A design surface keeps the drawn bounds apart, so that the
// form keeps the bounds its file stores.
class TBoundsStore {
 public:
  virtual ~TBoundsStore() = default;
  virtual TRect BoundsOf(const TControl& Control) const = 0;
  virtual void SetBounds(TControl& Control, const TRect& Bounds) = 0;
};

// The host's bounds of a control.
TRect HostBounds(const TControl& Control);

// The first main menu the form owns, the one it shows as its menu bar; nil when none.
TMainMenu* MainMenuOf(const TCustomForm& Form);

// The client size of a form: its host size less the frame, caption and menu
// bar, unless the size is the client size already.
TRect FormClientRect(const TCustomForm& Form, const TLayoutConventions& Conventions);

// Where Parent places its aligned children, in Parent's coordinates.
TRect AlignArea(const TWinControl& Parent, const TLayoutConventions& Conventions, const TBoundsStore* Store = nullptr);

// Places Parent's aligned children, pages and sheets by setting their bounds.
// One level only: a child whose bounds change aligns its own children when
// its view is told (or through AlignTree).
void AlignControls(TWinControl& Parent, const TLayoutConventions& Conventions, TBoundsStore* Store = nullptr);

// AlignControls for Root and every container below it, top-down.
void AlignTree(TWinControl& Root, const TLayoutConventions& Conventions, TBoundsStore* Store = nullptr);

}  // namespace keyloom::gui

#pragma once

// The widgets that draw host controls Qt has no close match for: they paint
// straight from their host control, so a host change needs only a repaint.
// A widget whose control went away is detached and paints nothing of it.

#include <keyloom/host.hpp>

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class QTabBar;

namespace keyloom::gui {

QString ToQt(const std::string& Text);
std::string FromQt(const QString& Text);
// A form's text for display. Valid UTF-8 is taken as such; anything else is
// bytes of the Windows code page CodePage (1251, 936 ...), or, when that is
// 0 or unknown here, UTF-8 with replacement characters.
QString DisplayText(std::string_view Text, int CodePage);

// The host font on top of Base: pixel height, bold, italic, underline. Face
// names of the classic platform are not installed here; Base's family stands in.
QFont FontOf(const TFont& Font, const QFont& Base);
// A host colour (0x00BBGGRR, or a negative system colour) in terms of the palette.
QColor ColorOf(int Color, const QPalette& Palette);

// A PNG picture; a null pixmap when the bytes are no picture.
QPixmap PictureOf(const std::string& Png);
// A glyph bitmap of NumGlyphs images side by side: the first is the normal
// image, the second (when there is one) the disabled image.
QIcon GlyphIcon(const std::string& Png, int NumGlyphs);

// A caption drawn the way the control draws it: with "&x" shown as an
// underlined x, or as typed when the control shows no accelerator.
int TextFlags(bool ShowAccelerator);

class THostWidget : public QWidget {
 public:
  THostWidget(TControl* Control, QWidget* Parent);
  TControl* Host() const { return FHost; }
  // The control is going; from now on the widget draws only its background.
  void Detach() { FHost = nullptr; }
  // The code page of the control's texts that are not UTF-8 (see DisplayText).
  void SetCodePage(int CodePage) { FCodePage = CodePage; }
  // The control's caption as it is drawn.
  QString Caption() const;

 protected:
  TControl* FHost;
  int FCodePage = 0;
};

// Panels: background, outer and inner bevels, the caption centred.
class TPanelWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// Labels and static texts: the caption with its alignment, word wrap, font
// and accelerator.
class TLabelWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;
  // The size an auto-sized label takes for its caption: its text's extent,
  // or, when it wraps, the height the text needs at Width.
  static QSize AutoSize(const TControl& Label, const QFont& Font, int Width, int CodePage = 0);

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

class TBevelWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// Images show as a dashed frame: the picture data is not read.
class TImageWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// A control of a class the renderer does not know: a box labelled with its
// name, its class and its caption.
class TUnknownWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

class TStatusBarWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;
  // The text shown: the simple text of a simple status bar, else the caption.
  QString Text() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// Tool bars: the edge borders; the buttons are their own widgets.
class TToolBarWidget : public THostWidget {
 public:
  using THostWidget::THostWidget;

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// A splitter: dragging it asks OnDrag to move it by the distance dragged.
class TSplitterWidget : public THostWidget {
 public:
  TSplitterWidget(TControl* Control, QWidget* Parent);
  std::function<void(int Delta)> OnDrag;

 protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  bool Vertical() const;
  int FGrab = -1;
};

// Page controls and tab controls: a tab row and the pane below it; the
// sheets (or children) are child widgets placed by the host layout.
class TTabbedWidget : public THostWidget {
 public:
  TTabbedWidget(TControl* Control, QWidget* Parent, int TabHeight);
  QTabBar* TabBar() const { return FTabs; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  QTabBar* FTabs;
  int FTabHeight;
};

// The strip above a designed form or a screenshot of a window: the title as
// the classic platform drew it.
class TCaptionStrip : public QWidget {
 public:
  explicit TCaptionStrip(QWidget* Parent = nullptr);
  void SetTitle(const QString& Title);
  static constexpr int StripHeight = 22;
  // Paints a strip of that look into Rect.
  static void Paint(QPainter& Painter, const QRect& Rect, const QString& Title, const QFont& Font);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QString FTitle;
};

}  // namespace keyloom::gui

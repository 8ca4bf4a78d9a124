#include "gui/host_widgets.hpp"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStringDecoder>
#include <QTabBar>

#include <algorithm>

namespace keyloom::gui {

QString ToQt(const std::string& Text) { return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())); }

std::string FromQt(const QString& Text) { return Text.toUtf8().toStdString(); }

QString DisplayText(std::string_view Text, int CodePage) {
  const QByteArrayView Bytes(Text.data(), static_cast<qsizetype>(Text.size()));
  // A whole text goes one way: the trail bytes of the two-byte code pages
  // may be ASCII, so a text cannot be split into UTF-8 and the rest.
  if (CodePage != 0 && !Bytes.isValidUtf8()) {
    const QByteArray Name = "windows-" + QByteArray::number(CodePage);
    QStringDecoder Decoder(Name.constData(), QStringDecoder::Flag::Stateless);
    if (Decoder.isValid()) return Decoder.decode(Bytes);
  }
  return QString::fromUtf8(Bytes);
}

namespace {

// The faces of the classic platform are not installed here: each kind gets
// an installed face of the same widths (Arial's metrics are MS Sans Serif's
// closest kin), else the application's own.
QString FaceFor(const std::string& Name, const QString& Fallback) {
  static const char* const Sans[] = {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
                                     "Tahoma", "Arial", "Segoe UI", "Verdana", "Helvetica", "default"};
  static const char* const Mono[] = {"Courier", "Courier New", "Fixedsys", "Terminal", "Consolas", "Lucida Console"};
  static const char* const Serif[] = {"Times New Roman", "MS Serif", "Times", "Georgia"};
  const QString Wanted = ToQt(Name);
  auto In = [&Wanted](const auto& List) {
    for (const char* Face : List)
      if (Wanted.compare(QLatin1String(Face), Qt::CaseInsensitive) == 0) return true;
    return false;
  };
  auto Installed = [](const char* Face) { return QFontDatabase::hasFamily(QLatin1String(Face)); };
  if (In(Sans)) return Installed("Liberation Sans") ? QStringLiteral("Liberation Sans") : Fallback;
  if (In(Mono)) return Installed("Liberation Mono") ? QStringLiteral("Liberation Mono") : Fallback;
  if (In(Serif)) return Installed("Liberation Serif") ? QStringLiteral("Liberation Serif") : Fallback;
  return !Wanted.isEmpty() && QFontDatabase::hasFamily(Wanted) ? Wanted : Fallback;
}

}  // namespace

QFont FontOf(const TFont& Font, const QFont& Base) {
  QFont Result = Base;
  Result.setFamily(FaceFor(Font.GetName(), Base.family()));
  // A negative height is the character height in pixels; a positive one the
  // cell height, of which the characters take about four fifths.
  const int Height = Font.GetHeight();
  if (Height < 0)
    Result.setPixelSize(-Height);
  else if (Height > 0)
    Result.setPixelSize(std::max(1, Height * 4 / 5));
  const std::uint32_t Style = Font.GetStyle();
  Result.setBold((Style & fsBold) != 0);
  Result.setItalic((Style & fsItalic) != 0);
  Result.setUnderline((Style & fsUnderline) != 0);
  Result.setStrikeOut((Style & fsStrikeOut) != 0);
  return Result;
}

QColor ColorOf(int Color, const QPalette& Palette) {
  if (Color >= 0) {
    const auto C = static_cast<unsigned>(Color);
    return QColor(static_cast<int>(C & 0xFF), static_cast<int>((C >> 8) & 0xFF), static_cast<int>((C >> 16) & 0xFF));
  }
  // System colours by their index.
  switch (Color & 0xFF) {
    case 5: return Palette.color(QPalette::Base);             // clWindow
    case 8: return Palette.color(QPalette::Text);             // clWindowText
    case 13: return Palette.color(QPalette::Highlight);       // clHighlight
    case 14: return Palette.color(QPalette::HighlightedText); // clHighlightText
    case 16: return Palette.color(QPalette::Dark);            // clBtnShadow
    case 17: return Palette.color(QPalette::PlaceholderText); // clGrayText
    case 18: return Palette.color(QPalette::ButtonText);      // clBtnText
    case 20: return Palette.color(QPalette::Light);           // clBtnHighlight
    case 23: return Palette.color(QPalette::ToolTipText);     // clInfoText
    case 24: return Palette.color(QPalette::ToolTipBase);     // clInfoBk
    default: return Palette.color(QPalette::Window);          // clBtnFace and the rest
  }
}

QPixmap PictureOf(const std::string& Png) {
  QPixmap Picture;
  Picture.loadFromData(reinterpret_cast<const uchar*>(Png.data()), static_cast<uint>(Png.size()), "PNG");
  return Picture;
}

QIcon GlyphIcon(const std::string& Png, int NumGlyphs) {
  const QPixmap All = PictureOf(Png);
  if (All.isNull()) return {};
  const int Count = std::max(1, NumGlyphs);
  const int W = All.width() / Count;
  QIcon Icon;
  Icon.addPixmap(All.copy(0, 0, W, All.height()), QIcon::Normal);
  if (Count > 1) Icon.addPixmap(All.copy(W, 0, W, All.height()), QIcon::Disabled);
  return Icon;
}

int TextFlags(bool ShowAccelerator) { return ShowAccelerator ? Qt::TextShowMnemonic : 0; }

namespace {

QString CaptionOf(const TControl& Control, int CodePage) {
  QString Text = DisplayText(Control.GetCaption(), CodePage);
  Text.remove(QLatin1Char('\r'));
  return Text;
}

// One ring of a 3D edge: light on top and left when raised, dark when lowered.
void DrawEdge(QPainter& P, QRect R, bool Raised, const QPalette& Palette) {
  const QColor TopLeft = Raised ? Palette.color(QPalette::Light) : Palette.color(QPalette::Dark);
  const QColor BottomRight = Raised ? Palette.color(QPalette::Dark) : Palette.color(QPalette::Light);
  P.setPen(TopLeft);
  P.drawLine(R.topLeft(), R.topRight());
  P.drawLine(R.topLeft(), R.bottomLeft());
  P.setPen(BottomRight);
  P.drawLine(R.bottomLeft(), R.bottomRight());
  P.drawLine(R.topRight(), R.bottomRight());
}

// An etched line: dark, then light beside it.
void DrawEtched(QPainter& P, QPoint A, QPoint B, const QPalette& Palette) {
  const QPoint Step = A.y() == B.y() ? QPoint(0, 1) : QPoint(1, 0);
  P.setPen(Palette.color(QPalette::Dark));
  P.drawLine(A, B);
  P.setPen(Palette.color(QPalette::Light));
  P.drawLine(A + Step, B + Step);
}

QColor TextColor(const TControl& Control, const QWidget& Widget) {
  if (!Control.GetEnabled() && !Control.HasState(csDesigning))
    return Widget.palette().color(QPalette::Disabled, QPalette::WindowText);
  return ColorOf(Control.GetFont()->GetColor(), Widget.palette());
}

int AlignmentFlags(TAlignment Alignment) {
  switch (Alignment) {
    case TAlignment::taRightJustify: return Qt::AlignRight;
    case TAlignment::taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

}  // namespace

THostWidget::THostWidget(TControl* Control, QWidget* Parent) : QWidget(Parent), FHost(Control) {}

QString THostWidget::Caption() const { return FHost ? CaptionOf(*FHost, FCodePage) : QString(); }

void TPanelWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const auto* Panel = dynamic_cast<const TCustomPanel*>(FHost);
  if (!Panel) return;
  P.fillRect(rect(), ColorOf(Panel->GetColor(), palette()));
  QRect R = rect();
  if (Panel->GetBevelOuter() != TBevelCut::bvNone && Panel->GetBevelOuter() != TBevelCut::bvSpace) {
    DrawEdge(P, R.adjusted(0, 0, -1, -1), Panel->GetBevelOuter() == TBevelCut::bvRaised, palette());
  }
  if (Panel->GetBevelOuter() != TBevelCut::bvNone) R.adjust(1, 1, -1, -1);
  R.adjust(Panel->GetBorderWidth(), Panel->GetBorderWidth(), -Panel->GetBorderWidth(), -Panel->GetBorderWidth());
  if (Panel->GetBevelInner() != TBevelCut::bvNone && Panel->GetBevelInner() != TBevelCut::bvSpace)
    DrawEdge(P, R.adjusted(0, 0, -1, -1), Panel->GetBevelInner() == TBevelCut::bvRaised, palette());
  const QString Text = Caption();
  if (Text.isEmpty()) return;
  P.setFont(font());
  P.setPen(TextColor(*Panel, *this));
  P.drawText(rect().adjusted(2, 0, -2, 0), AlignmentFlags(Panel->GetAlignment()) | Qt::AlignVCenter | TextFlags(true),
             Text);
}

QSize TLabelWidget::AutoSize(const TControl& Label, const QFont& Font, int Width, int CodePage) {
  const auto* Custom = dynamic_cast<const TCustomLabel*>(&Label);
  const bool Wrap = Custom && Custom->GetWordWrap();
  const bool Accel = !Custom || Custom->GetShowAccelChar();
  const QFontMetrics Metrics(Font);
  const QString Text = CaptionOf(Label, CodePage);
  if (Text.isEmpty()) return {Wrap ? Width : 0, Metrics.height()};
  if (Wrap) {
    const QRect Need = Metrics.boundingRect(QRect(0, 0, std::max(1, Width), 100000),
                                            Qt::TextWordWrap | TextFlags(Accel), Text);
    return {Width, Need.height()};
  }
  const QRect Need = Metrics.boundingRect(QRect(0, 0, 100000, 100000), TextFlags(Accel), Text);
  return {Need.width(), Need.height()};
}

void TLabelWidget::paintEvent(QPaintEvent*) {
  if (!FHost) return;
  QPainter P(this);
  const auto* Label = dynamic_cast<const TCustomLabel*>(FHost);
  const bool Accel = !Label || Label->GetShowAccelChar();
  int Flags = TextFlags(Accel) | Qt::AlignTop;
  if (Label) {
    Flags |= AlignmentFlags(Label->GetAlignment());
    if (Label->GetWordWrap()) Flags |= Qt::TextWordWrap;
  } else {
    // A static text has a sunken look of its own.
    DrawEdge(P, rect().adjusted(0, 0, -1, -1), false, palette());
    Flags |= Qt::AlignLeft;
  }
  P.setFont(font());
  P.setPen(TextColor(*FHost, *this));
  P.drawText(Label ? rect() : rect().adjusted(2, 1, -2, -1), Flags, Caption());
}

void TBevelWidget::paintEvent(QPaintEvent*) {
  const auto* Bevel = dynamic_cast<const TBevel*>(FHost);
  if (!Bevel) return;
  QPainter P(this);
  const QRect R = rect().adjusted(0, 0, -1, -1);
  switch (Bevel->GetShape()) {
    case TBevelShape::bsBox: DrawEdge(P, R, false, palette()); break;
    case TBevelShape::bsFrame:
      DrawEdge(P, R.adjusted(0, 0, -1, -1), false, palette());
      DrawEdge(P, R.adjusted(1, 1, 0, 0), true, palette());
      break;
    case TBevelShape::bsTopLine: DrawEtched(P, R.topLeft(), R.topRight(), palette()); break;
    case TBevelShape::bsBottomLine: DrawEtched(P, R.bottomLeft() - QPoint(0, 1), R.bottomRight() - QPoint(0, 1), palette()); break;
    case TBevelShape::bsLeftLine: DrawEtched(P, R.topLeft(), R.bottomLeft(), palette()); break;
    case TBevelShape::bsRightLine: DrawEtched(P, R.topRight() - QPoint(1, 0), R.bottomRight() - QPoint(1, 0), palette()); break;
    case TBevelShape::bsSpacer: break;
  }
}

void TImageWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  P.setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DashLine));
  P.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TUnknownWidget::paintEvent(QPaintEvent*) {
  if (!FHost) return;
  QPainter P(this);
  P.fillRect(rect(), palette().color(QPalette::Window));
  P.setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DashLine));
  P.drawRect(rect().adjusted(0, 0, -1, -1));
  QString Text = ToQt(FHost->GetName()) + QStringLiteral(": ") + ToQt(FHost->ClassName());
  if (const QString Shown = Caption(); !Shown.isEmpty()) Text += QLatin1Char('\n') + Shown;
  P.setPen(palette().color(QPalette::WindowText));
  P.setFont(font());
  const QRect Area = rect().adjusted(3, 2, -3, -2);
  const int Flags = Qt::AlignCenter | Qt::TextWordWrap | TextFlags(true);
  // Controls placed on it would leave stray letters peeking out between
  // them: the text shows whole or not at all.
  const QRect Bounds = P.boundingRect(Area, Flags, Text);
  for (const QWidget* Child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (Child->isVisible() && Child->geometry().intersects(Bounds)) return;
  P.drawText(Area, Flags, Text);
}

QString TStatusBarWidget::Text() const {
  const auto* Bar = dynamic_cast<const TStatusBar*>(FHost);
  if (!Bar) return {};
  return DisplayText(Bar->GetSimplePanel() ? Bar->GetSimpleText() : Bar->GetCaption(), FCodePage);
}

void TStatusBarWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const QRect Panel = rect().adjusted(0, 2, -1, -1);
  DrawEdge(P, Panel, false, palette());
  P.setFont(font());
  P.setPen(palette().color(QPalette::WindowText));
  P.drawText(Panel.adjusted(3, 0, -16, 0), Qt::AlignLeft | Qt::AlignVCenter, Text());
  // The size grip's diagonal lines.
  const QPoint Corner = rect().bottomRight() - QPoint(1, 1);
  for (int I = 3; I <= 11; I += 4) {
    P.setPen(palette().color(QPalette::Light));
    P.drawLine(Corner - QPoint(I, 0), Corner - QPoint(0, I));
    P.setPen(palette().color(QPalette::Dark));
    P.drawLine(Corner - QPoint(I - 1, 0), Corner - QPoint(0, I - 1));
  }
}

void TToolBarWidget::paintEvent(QPaintEvent*) {
  const auto* Bar = dynamic_cast<const TToolBar*>(FHost);
  if (!Bar) return;
  QPainter P(this);
  const QRect R = rect().adjusted(0, 0, -1, -1);
  const std::uint32_t Edges = Bar->GetEdgeBorders();
  if (Edges & ebTop) DrawEtched(P, R.topLeft(), R.topRight(), palette());
  if (Edges & ebBottom) DrawEtched(P, R.bottomLeft() - QPoint(0, 1), R.bottomRight() - QPoint(0, 1), palette());
  if (Edges & ebLeft) DrawEtched(P, R.topLeft(), R.bottomLeft(), palette());
  if (Edges & ebRight) DrawEtched(P, R.topRight() - QPoint(1, 0), R.bottomRight() - QPoint(1, 0), palette());
}

TSplitterWidget::TSplitterWidget(TControl* Control, QWidget* Parent) : THostWidget(Control, Parent) {}

bool TSplitterWidget::Vertical() const {
  return FHost && (FHost->GetAlign() == TAlign::alLeft || FHost->GetAlign() == TAlign::alRight);
}

void TSplitterWidget::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) return;
  const QPoint At = Event->globalPosition().toPoint();
  FGrab = Vertical() ? At.x() : At.y();
}

void TSplitterWidget::mouseMoveEvent(QMouseEvent* Event) {
  if (FGrab < 0 || !OnDrag) return;
  const QPoint At = Event->globalPosition().toPoint();
  const int Now = Vertical() ? At.x() : At.y();
  const int Delta = Now - FGrab;
  FGrab = Now;
  if (Delta != 0) OnDrag(Delta);
}

void TSplitterWidget::mouseReleaseEvent(QMouseEvent*) { FGrab = -1; }

TTabbedWidget::TTabbedWidget(TControl* Control, QWidget* Parent, int TabHeight)
    : THostWidget(Control, Parent), FTabs(new QTabBar(this)), FTabHeight(TabHeight) {
  FTabs->setDrawBase(false);
  FTabs->setExpanding(false);
  FTabs->setUsesScrollButtons(true);
}

void TTabbedWidget::resizeEvent(QResizeEvent*) { FTabs->setGeometry(2, 0, std::max(0, width() - 4), FTabHeight - 1); }

void TTabbedWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  DrawEdge(P, rect().adjusted(0, FTabHeight - 2, -1, -1), true, palette());
}

TCaptionStrip::TCaptionStrip(QWidget* Parent) : QWidget(Parent) { setFixedHeight(StripHeight); }

void TCaptionStrip::SetTitle(const QString& Title) {
  FTitle = Title;
  update();
}

void TCaptionStrip::Paint(QPainter& Painter, const QRect& Rect, const QString& Title, const QFont& Font) {
  QLinearGradient Gradient(Rect.topLeft(), Rect.topRight());
  Gradient.setColorAt(0, QColor(0x00, 0x00, 0x80));
  Gradient.setColorAt(1, QColor(0x10, 0x84, 0xD0));
  Painter.fillRect(Rect, Gradient);
  QFont Bold = Font;
  Bold.setBold(true);
  Painter.setFont(Bold);
  Painter.setPen(Qt::white);
  Painter.drawText(Rect.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter, Title);
}

void TCaptionStrip::paintEvent(QPaintEvent*) {
  QPainter P(this);
  Paint(P, rect(), FTitle, font());
}

}  // namespace keyloom::gui

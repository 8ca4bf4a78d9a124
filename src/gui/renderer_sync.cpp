// Host changes reach the widgets: geometry, visibility, alignment and the
// state each kind of widget shows.

#include "gui/renderer_impl.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>

namespace keyloom::gui {

namespace {

bool CursorOf(int Cursor, Qt::CursorShape& Shape) {
  switch (Cursor) {
    case -3: Shape = Qt::CrossCursor; return true;
    case -4: Shape = Qt::IBeamCursor; return true;
    case -11: Shape = Qt::WaitCursor; return true;
    case -14: Shape = Qt::SplitHCursor; return true;
    case -15: Shape = Qt::SplitVCursor; return true;
    case -21: Shape = Qt::PointingHandCursor; return true;
    case -22: Shape = Qt::SizeAllCursor; return true;
    default: return false;
  }
}

}  // namespace

void TRenderer::TImpl::Changed(TControl& C, std::string_view Property) {
  TView* V = ViewOf(&C);
  if (!V || !V->Widget) return;
  if (Property == "Bounds") {
    // Stored bounds that change take the place of the drawn ones.
    V->Drawn.reset();
    Moved(*V);
    return;
  }
  if (Property == "Visible") {
    if (V->Kind == TKind::Form) {
      ShowForm(*V->Form);
      return;
    }
    Place(*V);
    if (C.GetParent()) Align(*C.GetParent());
    return;
  }
  if (Property == "Align") {
    if (C.GetParent()) Align(*C.GetParent());
    return;
  }
  if (Property == "Parent") {
    Reparent(*V);
    return;
  }
  if (Property == "Selection" || Property == "Editing" || Property == "Columns") {
    SyncSelectionOrMark(*V);
    return;
  }
  if (Property == "Text" || Property == "AutoSize" || Property == "WordWrap") AutoSizeLabel(*V);
  if (V->Kind == TKind::Form && Property == "Text") ApplyFormCaption(*V->Form);
  Sync(*V);
  // A sheet's caption is its tab's text.
  if (C.GetParent())
    if (TView* P = ViewOf(C.GetParent()); P && P->Kind == TKind::PageControl) Sync(*P);
}

void TRenderer::TImpl::Moved(TView& V) {
  TControl& C = *V.Control;
  if (V.Kind == TKind::Form) {
    ApplyFormSize(*V.Form);
    Align(static_cast<TWinControl&>(C));
    return;
  }
  AutoSizeLabel(V);
  Place(V);
  if (auto* Win = dynamic_cast<TWinControl*>(&C)) Align(*Win);
  // Pages and sheets are placed by their parent like aligned controls.
  const bool Placed = C.GetAlign() != TAlign::alNone || V.Kind == TKind::Page || V.Kind == TKind::Sheet;
  if (C.GetParent() && Placed) Align(*C.GetParent());
  if (V.Kind == TKind::RadioGroup) Sync(V);
}

TRect TRenderer::TImpl::BoundsOf(const TControl& Control) const {
  const TView* V = ViewOf(&Control);
  return V && V->Drawn ? *V->Drawn : HostBounds(Control);
}

void TRenderer::TImpl::SetBounds(TControl& Control, const TRect& Bounds) {
  TView* V = ViewOf(&Control);
  if (!V || !V->Form->Options.DesignSurface) {
    Control.SetBounds(Bounds.Left, Bounds.Top, Bounds.Width, Bounds.Height);
    return;
  }
  if (BoundsOf(Control) == Bounds) return;
  V->Drawn = Bounds;
  Moved(*V);
}

void TRenderer::TImpl::Align(TWinControl& Parent) {
  if (FAligning.count(&Parent)) return;
  TView* V = ViewOf(&Parent);
  if (!V) return;
  FAligning.insert(&Parent);
  try {
    AlignControls(Parent, V->Form->Options.Layout, StoreOf(*V->Form));
  } catch (...) {
    FAligning.erase(&Parent);
    throw;
  }
  FAligning.erase(&Parent);
}

bool TRenderer::TImpl::Shows(const TView& V) const {
  const TControl& C = *V.Control;
  const TWinControl* Parent = C.GetParent();
  if (auto* Book = dynamic_cast<const TNotebook*>(Parent); Book && IsClass<TPage>(&C))
    return Book->GetPage(Book->GetPageIndex()) == &C;
  if (auto* Pages = dynamic_cast<const TPageControl*>(Parent); Pages && IsClass<TTabSheet>(&C)) {
    const TTabSheet* Active = Pages->GetActivePage() ? Pages->GetActivePage() : Pages->GetPage(0);
    return Active == &C;
  }
  return C.GetVisible() || V.Form->Options.DesignSurface;
}

void TRenderer::TImpl::Place(TView& V) {
  if (V.Kind == TKind::Form || !V.Widget) return;
  const TControl& C = *V.Control;
  TView* Parent = C.GetParent() ? ViewOf(C.GetParent()) : nullptr;
  const QPoint Origin = Parent ? ChildOrigin(*Parent) : QPoint();
  const TRect B = BoundsOf(C);
  V.Widget->setGeometry(Origin.x() + B.Left, Origin.y() + B.Top, std::max(0, B.Width), std::max(0, B.Height));
  V.Widget->setVisible(Shows(V));
}

void TRenderer::TImpl::AutoSizeLabel(TView& V) {
  auto* Label = dynamic_cast<TCustomLabel*>(V.Control);
  if (!Label || !Label->GetAutoSize() || !V.Widget) return;
  const TRect B = BoundsOf(*Label);
  const QSize Size = TLabelWidget::AutoSize(*Label, V.Widget->font(), B.Width, V.CodePage);
  SetBounds(*Label, {B.Left, B.Top, Size.width(), Size.height()});
}

void TRenderer::TImpl::Reparent(TView& V) {
  TWinControl* NewParent = V.Control->GetParent();
  TView* P = NewParent ? ViewOf(NewParent) : nullptr;
  if (!P || P->Form != V.Form) {
    V.Widget->hide();
    return;
  }
  V.Widget->setParent(P->Content);
  Place(V);
  Align(*NewParent);
}

QRect TRenderer::TImpl::FormClient(const TFormView& F) const {
  const TRect R = FormClientRect(*F.Form, F.Options.Layout);
  return {R.Left, R.Top, R.Width, R.Height};
}

void TRenderer::TImpl::ApplyFormSize(TFormView& F) {
  if (!F.Client) return;
  const QRect R = FormClient(F);
  if (F.Options.DesignSurface) {
    F.Client->setFixedSize(R.size());
    return;
  }
  const int MenuHeight = F.MenuBar ? F.MenuBar->sizeHint().height() : 0;
  const QSize Want(R.width(), R.height() + MenuHeight);
  if (F.Root->size() != Want) F.Root->resize(Want);
}

void TRenderer::TImpl::ApplyFormCaption(TFormView& F) {
  const QString Title = DisplayText(F.Form->GetCaption(), CodePageOf(F, *F.Form));
  if (F.Strip) F.Strip->SetTitle(Title);
  F.Root->setWindowTitle(Title);
}

void TRenderer::TImpl::ShowForm(TFormView& F) {
  if (F.Options.DesignSurface) return;
  if (F.Form->GetVisible()) {
    F.Root->show();
    F.Root->raise();
  } else {
    F.Root->hide();
  }
}

// The user resized a window: the host form takes the size, and its
// resize handler and the alignment follow from there.
void TRenderer::TImpl::ClientResized(TFormView& F) {
  if (F.Options.DesignSurface || !F.Root->isVisible()) return;
  const QSize Now = F.Client->size();
  if (Now == FormClient(F).size()) return;
  const TLayoutConventions& L = F.Options.Layout;
  int W = Now.width();
  int H = Now.height();
  if (!L.FormSizeIsClient) {
    W += L.FormFrameWidth;
    H += L.FormFrameHeight + (F.MainMenu ? L.MenuBarHeight : 0);
  }
  F.Form->SetBounds(F.Form->GetLeft(), F.Form->GetTop(), W, H);
}

void TRenderer::TImpl::DragSplitter(TControl& Splitter, int Delta) {
  TWinControl* Parent = Splitter.GetParent();
  if (!Parent) return;
  const TAlign Align = Splitter.GetAlign();
  // The control the splitter resizes: the one aligned alike just before it.
  TControl* Target = nullptr;
  for (TControl* C : Parent->Controls()) {
    if (C == &Splitter || C->GetAlign() != Align || !C->GetVisible()) continue;
    const bool Before = (Align == TAlign::alTop && C->GetTop() + C->GetHeight() == Splitter.GetTop()) ||
                        (Align == TAlign::alBottom && C->GetTop() == Splitter.GetTop() + Splitter.GetHeight()) ||
                        (Align == TAlign::alLeft && C->GetLeft() + C->GetWidth() == Splitter.GetLeft()) ||
                        (Align == TAlign::alRight && C->GetLeft() == Splitter.GetLeft() + Splitter.GetWidth());
    if (Before) Target = C;
  }
  if (!Target) return;
  constexpr int MinSize = 30;
  switch (Align) {
    case TAlign::alTop: Target->SetHeight(std::max(MinSize, Target->GetHeight() + Delta)); break;
    case TAlign::alBottom: Target->SetHeight(std::max(MinSize, Target->GetHeight() - Delta)); break;
    case TAlign::alLeft: Target->SetWidth(std::max(MinSize, Target->GetWidth() + Delta)); break;
    case TAlign::alRight: Target->SetWidth(std::max(MinSize, Target->GetWidth() - Delta)); break;
    default: break;
  }
}

// Pushes the control's state into its widget.
void TRenderer::TImpl::Sync(TView& V) {
  TControl& C = *V.Control;
  QWidget* W = V.Widget;
  if (!W) return;
  const bool Design = V.Form->Options.DesignSurface;
  W->setEnabled(C.GetEnabled());
  const QString Hint = C.GetShowHint() ? Text(V, C.GetHint()) : QString();
  if (W->toolTip() != Hint) W->setToolTip(Hint);
  Qt::CursorShape Shape{};
  if (CursorOf(C.GetCursor(), Shape))
    W->setCursor(Shape);
  else if (V.Kind == TKind::Splitter)
    W->setCursor(C.GetAlign() == TAlign::alLeft || C.GetAlign() == TAlign::alRight ? Qt::SplitHCursor
                                                                                      : Qt::SplitVCursor);
  V.Syncing = true;
  switch (V.Kind) {
    case TKind::Button:
    case TKind::CheckBox:
    case TKind::RadioButton: {
      auto* Button = static_cast<QAbstractButton*>(W);
      SetButtonText(*Button, Text(V, C.GetCaption()), Design);
      if (auto* Box = dynamic_cast<TCustomCheckBox*>(&C)) Button->setChecked(Box->GetChecked());
      if (auto* Radio = dynamic_cast<TRadioButton*>(&C)) Button->setChecked(Radio->GetChecked());
      if (auto* Push = qobject_cast<QPushButton*>(W))
        if (auto* B = dynamic_cast<TButton*>(&C)) Push->setDefault(B->GetDefault());
      break;
    }
    case TKind::SpeedButton:
      SyncSpeedButton(static_cast<QToolButton&>(*W), V, Design);
      break;
    case TKind::GroupBox:
      static_cast<QGroupBox*>(W)->setTitle(Text(V, C.GetCaption()));
      break;
    case TKind::RadioGroup:
      SyncRadioGroup(V);
      break;
    case TKind::Edit: {
      auto* Edit = static_cast<QLineEdit*>(W);
      if (const QString Shown = Text(V, C.GetText()); Edit->text() != Shown) Edit->setText(Shown);
      Edit->setReadOnly(Design || static_cast<TCustomEdit&>(C).GetReadOnly());
      break;
    }
    case TKind::Memo: {
      auto* Memo = static_cast<QPlainTextEdit*>(W);
      // Line by line: each line is a text of its own, in UTF-8 or not.
      QString Shown;
      for (const std::string& Line : static_cast<TCustomMemo&>(C).GetLines()->Items())
        Shown += Text(V, Line) + QLatin1Char('\n');
      if (Memo->toPlainText() != Shown) Memo->setPlainText(Shown);
      Memo->setReadOnly(Design || static_cast<TCustomEdit&>(C).GetReadOnly());
      break;
    }
    case TKind::ComboBox: {
      auto* Combo = static_cast<QComboBox*>(W);
      QStringList Items;
      for (const std::string& S : static_cast<TCustomComboBox&>(C).GetItems()->Items()) Items << Text(V, S);
      QStringList Shown;
      for (int I = 0; I < Combo->count(); ++I) Shown << Combo->itemText(I);
      if (Shown != Items) {
        Combo->clear();
        Combo->addItems(Items);
      }
      auto& Box = static_cast<TCustomComboBox&>(C);
      const bool Editable = Box.GetStyle() != TComboBoxStyle::csDropDownList;
      if (Combo->isEditable() != Editable) Combo->setEditable(Editable);
      Combo->setCurrentIndex(Box.GetItemIndex() < Combo->count() ? Box.GetItemIndex() : -1);
      if (Editable) Combo->setEditText(Text(V, C.GetText()));
      break;
    }
    case TKind::ListBox: {
      auto* List = static_cast<QListWidget*>(W);
      auto& Box = static_cast<TCustomListBox&>(C);
      List->clear();
      for (const std::string& S : Box.GetItems()->Items()) List->addItem(Text(V, S));
      List->setCurrentRow(Box.GetItemIndex());
      break;
    }
    case TKind::PageControl:
    case TKind::TabControl:
      SyncTabs(V);
      break;
    case TKind::Notebook:
      for (TControl* Page : static_cast<TWinControl&>(C).Controls())
        if (TView* P = ViewOf(Page)) Place(*P);
      break;
    default:
      break;
  }
  V.Syncing = false;
  W->update();
}

void TRenderer::TImpl::SetButtonText(QAbstractButton& Button, const QString& Text, bool Design) {
  if (Button.text() != Text) Button.setText(Text);
  // On a design surface the accelerator shows but does not act.
  if (Design) Button.setShortcut(QKeySequence());
}

void TRenderer::TImpl::SyncSpeedButton(QToolButton& Button, const TView& V, bool Design) {
  TControl& C = *V.Control;
  SetButtonText(Button, Text(V, C.GetCaption()), Design);
  if (auto* Speed = dynamic_cast<TSpeedButton*>(&C)) {
    Button.setAutoRaise(Speed->GetFlat());
    const QIcon Icon = GlyphIcon(Speed->GetGlyphData(), Speed->GetNumGlyphs());
    Button.setIcon(Icon);
    if (!Icon.isNull()) Button.setIconSize(Icon.availableSizes().value(0, QSize(16, 16)));
    Qt::ToolButtonStyle Style = Qt::ToolButtonTextOnly;
    if (!Icon.isNull()) {
      const TButtonLayout Layout = Speed->GetLayout();
      Style = Layout == TButtonLayout::blGlyphTop || Layout == TButtonLayout::blGlyphBottom
                  ? Qt::ToolButtonTextUnderIcon
                  : Qt::ToolButtonTextBesideIcon;
      if (C.GetCaption().empty()) Style = Qt::ToolButtonIconOnly;
    }
    Button.setToolButtonStyle(Style);
    Button.setCheckable(Speed->GetGroupIndex() != 0);
    Button.setChecked(Speed->GetDown());
  } else {
    Button.setAutoRaise(true);
    Button.setToolButtonStyle(Qt::ToolButtonTextOnly);
  }
}

void TRenderer::TImpl::SyncRadioGroup(TView& V) {
  auto& Group = static_cast<TCustomRadioGroup&>(*V.Control);
  auto* Box = static_cast<QGroupBox*>(V.Widget.data());
  Box->setTitle(Text(V, Group.GetCaption()));
  const auto& Items = Group.GetItems()->Items();
  while (V.RadioButtons.size() > Items.size()) {
    delete V.RadioButtons.back();
    V.RadioButtons.pop_back();
  }
  while (V.RadioButtons.size() < Items.size()) {
    auto* Button = new QRadioButton(Box);
    const int Index = static_cast<int>(V.RadioButtons.size());
    if (V.Form->Options.DesignSurface) Button->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(Button, &QRadioButton::clicked, V.Form->Guard.get(), [&V, Index] {
      if (V.Syncing) return;
      static_cast<TCustomRadioGroup&>(*V.Control).SetItemIndex(Index);
      V.Control->Click();
    });
    Button->show();
    V.RadioButtons.push_back(Button);
  }
  // The buttons share the room below the caption in columns, as the framework lays them out.
  const int Count = static_cast<int>(Items.size());
  if (Count == 0) return;
  const int Columns = std::max(1, Group.GetColumns());
  const int Rows = (Count + Columns - 1) / Columns;
  const int TextHeight = QFontMetrics(Box->font()).height();
  const int Room = std::max(0, Group.GetHeight() - TextHeight - 5);
  const int ButtonHeight = Room / Rows;
  const int ButtonWidth = (Group.GetWidth() - 10) / Columns;
  const int TopMargin = TextHeight + 1 + (Room % Rows) / 2;
  for (int I = 0; I < Count; ++I) {
    QRadioButton* Button = V.RadioButtons[static_cast<std::size_t>(I)];
    Button->setText(Text(V, Items[static_cast<std::size_t>(I)]));
    if (V.Form->Options.DesignSurface) Button->setShortcut(QKeySequence());
    Button->setGeometry((I / Rows) * ButtonWidth + 8, (I % Rows) * ButtonHeight + TopMargin, ButtonWidth,
                        ButtonHeight);
    Button->setAutoExclusive(false);
    Button->setChecked(I == Group.GetItemIndex());
    Button->setAutoExclusive(true);
  }
}

void TRenderer::TImpl::SyncTabs(TView& V) {
  auto* Tabbed = static_cast<TTabbedWidget*>(V.Widget.data());
  QTabBar* Bar = Tabbed->TabBar();
  QStringList Texts;
  int Current = -1;
  if (auto* Pages = dynamic_cast<TPageControl*>(V.Control)) {
    const TTabSheet* Active = Pages->GetActivePage() ? Pages->GetActivePage() : Pages->GetPage(0);
    for (int I = 0; I < Pages->GetPageCount(); ++I) {
      const TTabSheet* Sheet = Pages->GetPage(I);
      if (!Sheet->GetTabVisible()) continue;
      if (Sheet == Active) Current = static_cast<int>(Texts.size());
      Texts << DisplayText(Sheet->GetCaption(), CodePageOf(*V.Form, *Sheet));
    }
    for (int I = 0; I < Pages->GetPageCount(); ++I)
      if (TView* S = ViewOf(Pages->GetPage(I))) Place(*S);
  } else if (auto* Tabs = dynamic_cast<TTabControl*>(V.Control)) {
    for (const std::string& S : Tabs->GetTabs()->Items()) Texts << Text(V, S);
    Current = Texts.isEmpty() ? -1 : std::max(0, Bar->currentIndex());
  }
  QStringList Shown;
  for (int I = 0; I < Bar->count(); ++I) Shown << Bar->tabText(I);
  if (Shown != Texts) {
    while (Bar->count() > 0) Bar->removeTab(Bar->count() - 1);
    for (const QString& T : Texts) Bar->addTab(T);
  }
  if (Current >= 0) Bar->setCurrentIndex(Current);
}

void TRenderer::TImpl::TabChosen(TView& V, int Index) {
  if (V.Syncing) return;
  auto* Pages = dynamic_cast<TPageControl*>(V.Control);
  if (!Pages) return;
  int Shown = 0;
  for (int I = 0; I < Pages->GetPageCount(); ++I) {
    TTabSheet* Sheet = Pages->GetPage(I);
    if (!Sheet->GetTabVisible()) continue;
    if (Shown++ == Index) {
      Pages->SetActivePage(Sheet);
      return;
    }
  }
}

}  // namespace keyloom::gui

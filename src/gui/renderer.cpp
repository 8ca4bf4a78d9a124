#include "gui/renderer_impl.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace keyloom::gui {

namespace {

// Accelerators stay underlined whatever the platform's habit.
class TStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                QStyleHintReturn* Return) const override {
    if (Hint == SH_UnderlineShortcut) return 1;
    return QProxyStyle::styleHint(Hint, Option, Widget, Return);
  }
};

// The raised window frame around a designed form.
class TFormFrame : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter P(this);
    P.fillRect(rect(), palette().color(QPalette::Window));
    const QRect R = rect().adjusted(0, 0, -1, -1);
    P.setPen(palette().color(QPalette::Light));
    P.drawLine(R.topLeft(), R.topRight());
    P.drawLine(R.topLeft(), R.bottomLeft());
    P.setPen(palette().color(QPalette::Shadow));
    P.drawLine(R.bottomLeft(), R.bottomRight());
    P.drawLine(R.topRight(), R.bottomRight());
    P.setPen(palette().color(QPalette::Dark));
    P.drawLine(R.bottomLeft() + QPoint(1, -1), R.bottomRight() - QPoint(1, 1));
    P.drawLine(R.topRight() + QPoint(-1, 1), R.bottomRight() - QPoint(1, 1));
  }
};

template <class TButtonWidget>
QWidget* MakePushable(TControl& C, QWidget* Parent, QObject* Guard) {
  auto* Button = new TButtonWidget(Parent);
  QObject::connect(Button, &TButtonWidget::clicked, Guard, [&C] { C.Click(); });
  return Button;
}

// The control takes the new state before its click handler, which may read it.
template <class TButtonWidget, class THostButton>
QWidget* MakeCheckable(TControl& C, QWidget* Parent, QObject* Guard) {
  auto* Button = new TButtonWidget(Parent);
  QObject::connect(Button, &TButtonWidget::clicked, Guard, [&C](bool Checked) {
    static_cast<THostButton&>(C).SetChecked(Checked);
    C.Click();
  });
  return Button;
}

// The control takes the edited text before its change handler, which may read it.
QWidget* MakeEdit(TControl& C, QWidget* Parent, QObject* Guard) {
  auto* Edit = new QLineEdit(Parent);
  QObject::connect(Edit, &QLineEdit::textEdited, Guard, [&C](const QString& Text) {
    C.SetText(FromQt(Text));
    static_cast<TCustomEdit&>(C).Change();
  });
  return Edit;
}

}  // namespace

TKind KindOf(const TControl& C) {
  if (IsClass<TCustomForm>(&C)) return TKind::Form;
  if (IsClass<TButton>(&C)) return TKind::Button;
  if (IsClass<TSpeedButton>(&C) || IsClass<TToolButton>(&C)) return TKind::SpeedButton;
  if (IsClass<TCustomCheckBox>(&C)) return TKind::CheckBox;
  if (IsClass<TRadioButton>(&C)) return TKind::RadioButton;
  if (IsClass<TCustomRadioGroup>(&C)) return TKind::RadioGroup;
  if (IsClass<TCustomGroupBox>(&C)) return TKind::GroupBox;
  if (IsClass<TCustomPanel>(&C)) return TKind::Panel;
  if (IsClass<TCustomLabel>(&C) || IsClass<TCustomStaticText>(&C)) return TKind::Label;
  if (IsClass<TCustomMemo>(&C)) return TKind::Memo;
  if (IsClass<TCustomEdit>(&C)) return TKind::Edit;
  if (IsClass<TCustomComboBox>(&C)) return TKind::ComboBox;
  if (IsClass<TCustomListBox>(&C)) return TKind::ListBox;
  if (IsClass<TPageControl>(&C)) return TKind::PageControl;
  if (IsClass<TTabControl>(&C)) return TKind::TabControl;
  if (IsClass<TTabSheet>(&C)) return TKind::Sheet;
  if (IsClass<TNotebook>(&C)) return TKind::Notebook;
  if (IsClass<TPage>(&C)) return TKind::Page;
  if (IsClass<TToolBar>(&C)) return TKind::ToolBar;
  if (IsClass<TStatusBar>(&C)) return TKind::StatusBar;
  if (IsClass<TCustomTreeView>(&C)) return TKind::TreeView;
  if (IsClass<TCustomListView>(&C)) return TKind::ListView;
  if (IsClass<TBevel>(&C)) return TKind::Bevel;
  if (IsClass<TImage>(&C) || IsClass<TPaintBox>(&C) || IsClass<TShape>(&C)) return TKind::Image;
  if (IsClass<TSplitter>(&C)) return TKind::Splitter;
  // Known containers that draw nothing of their own.
  if (IsClass<TScrollingWinControl>(&C) && !IsClass<TCustomForm>(&C)) return TKind::Container;
  return TKind::Unknown;
}

bool IsContainerKind(TKind Kind) {
  switch (Kind) {
    case TKind::Form: case TKind::RadioGroup: case TKind::GroupBox: case TKind::Panel: case TKind::PageControl:
    case TKind::TabControl: case TKind::Sheet: case TKind::Notebook: case TKind::Page: case TKind::ToolBar:
    case TKind::Container:
      return true;
    default:
      return false;
  }
}

void TFormWindow::closeEvent(QCloseEvent* Event) {
  if (!OnClose) return;
  OnClose();
  Event->ignore();
}

// ---------------------------------------------------------------- building

TRenderer::TImpl::~TImpl() {
  while (!FForms.empty()) TearDownForm(*FForms.back());
}

QWidget* TRenderer::TImpl::Render(TCustomForm& Form, const TRenderOptions& Options, QWidget* Parent) {
  if (TFormView* Existing = FormViewOf(&Form)) return Existing->Root;
  auto FV = std::make_unique<TFormView>();
  FV->Form = &Form;
  FV->Options = Options;
  FV->Guard = std::make_unique<QObject>();
  QVBoxLayout* Layout = nullptr;
  if (Options.DesignSurface) {
    auto* Frame = new TFormFrame(Parent);
    Layout = new QVBoxLayout(Frame);
    Layout->setContentsMargins(3, 3, 3, 3);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
    FV->Strip = new TCaptionStrip(Frame);
    Layout->addWidget(FV->Strip);
    FV->Root = Frame;
  } else {
    auto* Window = new TFormWindow;
    Window->OnClose = [this, F = &Form] {
      if (FormViewOf(F)) F->Close();
    };
    Qt::WindowFlags Flags = Qt::Window;
    if (!(Form.GetBorderIcons() & (biMinimize | biMaximize)))
      Flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    Window->setWindowFlags(Flags);
    Layout = new QVBoxLayout(Window);
    Layout->setContentsMargins(0, 0, 0, 0);
    FV->Root = Window;
  }
  Layout->setSpacing(0);
  FV->Root->setFont(FontOf(*Form.GetFont(), QApplication::font()));

  FV->MainMenu = MainMenuOf(Form);
  if (FV->MainMenu) {
    FV->MenuBar = new QMenuBar(FV->Root);
    FV->MenuBar->setNativeMenuBar(false);
    Layout->addWidget(FV->MenuBar);
    FWatcher->FreeNotification(FV->MainMenu);
  }

  auto* Client = new THostWidget(&Form, FV->Root);
  Client->setAutoFillBackground(true);
  QPalette Palette = Client->palette();
  Palette.setColor(QPalette::Window, ColorOf(Form.GetColor(), Palette));
  Client->setPalette(Palette);
  Layout->addWidget(Client, 1);
  FV->Client = Client;

  TFormView& View = *FV;
  FForms.push_back(std::move(FV));
  auto Root = std::make_unique<TView>();
  Root->Control = &Form;
  Root->Kind = TKind::Form;
  Root->Widget = Client;
  Root->Content = Client;
  Root->Form = &View;
  Root->CodePage = CodePageOf(View, Form);
  Client->SetCodePage(Root->CodePage);
  Register(std::move(Root));
  Client->installEventFilter(this);

  for (TControl* Child : Form.Controls()) Make(*Child, View);
  for (TComponent* C : Form.Components())
    if (auto* Popup = dynamic_cast<TPopupMenu*>(C)) HookPopup(*Popup, View);
  if (View.MenuBar) BuildMenuBar(View);

  // Top-down, each container through Align, so that the bounds it gives its
  // children do not set off aligning it again meanwhile.
  Align(Form);
  for (TControl* C : Descendants(Form))
    if (auto* Win = dynamic_cast<TWinControl*>(C)) Align(*Win);
  for (TControl* C : Descendants(Form))
    if (TView* V = ViewOf(C)) {
      AutoSizeLabel(*V);
      Place(*V);
    }
  ApplyFormSize(View);
  ApplyFormCaption(View);
  if (!Options.DesignSurface) {
    View.Root->move(Form.GetLeft(), Form.GetTop());
    if (Form.GetVisible()) View.Root->show();
  }
  ScheduleFlush();
  return View.Root;
}

std::vector<TControl*> TRenderer::TImpl::Descendants(TWinControl& Parent) const {
  std::vector<TControl*> All;
  std::vector<TControl*> Pending(Parent.Controls().rbegin(), Parent.Controls().rend());
  while (!Pending.empty()) {
    TControl* C = Pending.back();
    Pending.pop_back();
    All.push_back(C);
    if (auto* Win = dynamic_cast<TWinControl*>(C))
      for (auto It = Win->Controls().rbegin(); It != Win->Controls().rend(); ++It) Pending.push_back(*It);
  }
  return All;
}

void TRenderer::TImpl::Register(std::unique_ptr<TView> View) {
  TControl* C = View->Control;
  FByWidget[View->Widget.data()] = View.get();
  FViews[C] = std::move(View);
  C->OnHostChanged = [this](TControl& Control, std::string_view Property) { Changed(Control, Property); };
  FWatcher->FreeNotification(C);
}

QPoint TRenderer::TImpl::ChildOrigin(const TView& Parent) const {
  if (Parent.Form->Options.GroupChildrenBelowCaption &&
      (Parent.Kind == TKind::GroupBox || Parent.Kind == TKind::RadioGroup))
    return {2, 18};
  return {0, 0};
}

void TRenderer::TImpl::Make(TControl& C, TFormView& Form) {
  TView* ParentView = C.GetParent() ? ViewOf(C.GetParent()) : nullptr;
  if (!ParentView) return;
  auto View = std::make_unique<TView>();
  View->Control = &C;
  View->Kind = KindOf(C);
  View->Form = &Form;
  View->CodePage = CodePageOf(Form, C);
  TView& V = *View;
  QWidget* W = MakeWidget(V, ParentView->Content);
  if (auto* Host = dynamic_cast<THostWidget*>(W)) Host->SetCodePage(V.CodePage);
  V.Widget = W;
  V.Content = W;
  ApplyCommon(*W, V);
  Register(std::move(View));
  if (V.Kind == TKind::TreeView || V.Kind == TKind::ListView) HookItemViewport(V);
  Sync(V);
  Place(V);
  if (auto* Win = dynamic_cast<TWinControl*>(&C))
    for (TControl* Child : Win->Controls()) Make(*Child, Form);
}

QWidget* TRenderer::TImpl::MakeWidget(TView& V, QWidget* Parent) {
  TControl& C = *V.Control;
  QObject* Guard = V.Form->Guard.get();
  switch (V.Kind) {
    case TKind::Button:
      return MakePushable<QPushButton>(C, Parent, Guard);
    case TKind::SpeedButton:
      return MakePushable<QToolButton>(C, Parent, Guard);
    case TKind::CheckBox:
      return MakeCheckable<QCheckBox, TCustomCheckBox>(C, Parent, Guard);
    case TKind::RadioButton:
      return MakeCheckable<QRadioButton, TRadioButton>(C, Parent, Guard);
    case TKind::RadioGroup:
    case TKind::GroupBox:
      return new QGroupBox(Parent);
    case TKind::Panel:
      return new TPanelWidget(&C, Parent);
    case TKind::Label:
      return new TLabelWidget(&C, Parent);
    case TKind::Edit:
      return MakeEdit(C, Parent, Guard);
    case TKind::Memo:
      return MakeMemo(V, Parent, Guard);
    case TKind::ComboBox:
      return MakeComboBox(V, Parent, Guard);
    case TKind::ListBox:
      return MakeListBox(V, Parent, Guard);
    case TKind::PageControl:
    case TKind::TabControl:
      return MakeTabs(V, Parent, Guard);
    case TKind::Sheet:
    case TKind::Page:
    case TKind::Notebook:
    case TKind::Container:
      return new THostWidget(&C, Parent);
    case TKind::ToolBar:
      return new TToolBarWidget(&C, Parent);
    case TKind::StatusBar:
      return new TStatusBarWidget(&C, Parent);
    case TKind::TreeView:
      return MakeTreeView(V, Parent, Guard);
    case TKind::ListView:
      return MakeListView(V, Parent, Guard);
    case TKind::Bevel:
      return new TBevelWidget(&C, Parent);
    case TKind::Image:
      return new TImageWidget(&C, Parent);
    case TKind::Splitter:
      return MakeSplitter(C, Parent);
    case TKind::Form:
    case TKind::Unknown:
      break;
  }
  return new TUnknownWidget(&C, Parent);
}

// Memos, combo boxes and list boxes: what the widget changes while Sync
// fills it is no edit of the user's.
QWidget* TRenderer::TImpl::MakeMemo(TView& V, QWidget* Parent, QObject* Guard) {
  auto* Memo = new QPlainTextEdit(Parent);
  connect(Memo, &QPlainTextEdit::textChanged, Guard, [&V, Memo] {
    if (V.Syncing) return;
    static_cast<TCustomMemo&>(*V.Control).GetLines()->SetText(FromQt(Memo->toPlainText()));
  });
  return Memo;
}

QWidget* TRenderer::TImpl::MakeComboBox(TView& V, QWidget* Parent, QObject* Guard) {
  auto* Combo = new QComboBox(Parent);
  Combo->setEditable(static_cast<TCustomComboBox&>(*V.Control).GetStyle() != TComboBoxStyle::csDropDownList);
  // Connected to the widget, not the text edit, which Sync replaces when the style changes.
  connect(Combo, &QComboBox::editTextChanged, Guard, [&V](const QString& Text) {
    if (V.Syncing) return;
    V.Control->SetText(FromQt(Text));
    static_cast<TCustomComboBox&>(*V.Control).Change();
  });
  connect(Combo, &QComboBox::currentIndexChanged, Guard, [&V](int Index) {
    auto& Box = static_cast<TCustomComboBox&>(*V.Control);
    if (V.Syncing || Index == Box.GetItemIndex()) return;
    Box.SetItemIndex(Index);
    // An editable box has told of the choice already, through its new text.
    if (Box.GetStyle() == TComboBoxStyle::csDropDownList) Box.Change();
  });
  return Combo;
}

QWidget* TRenderer::TImpl::MakeListBox(TView& V, QWidget* Parent, QObject* Guard) {
  auto* List = new QListWidget(Parent);
  connect(List, &QListWidget::currentRowChanged, Guard, [&V](int Row) {
    if (!V.Syncing) static_cast<TCustomListBox&>(*V.Control).SetItemIndex(Row);
  });
  return List;
}

QWidget* TRenderer::TImpl::MakeTabs(TView& V, QWidget* Parent, QObject* Guard) {
  auto* Tabs = new TTabbedWidget(V.Control, Parent, V.Form->Options.Layout.TabHeight);
  connect(Tabs->TabBar(), &QTabBar::currentChanged, Guard, [this, &V](int Index) { TabChosen(V, Index); });
  return Tabs;
}

QWidget* TRenderer::TImpl::MakeSplitter(TControl& C, QWidget* Parent) {
  auto* Splitter = new TSplitterWidget(&C, Parent);
  Splitter->OnDrag = [this, &C](int Delta) { DragSplitter(C, Delta); };
  return Splitter;
}

void TRenderer::TImpl::ApplyCommon(QWidget& W, const TView& V) {
  W.setFont(FontOf(*V.Control->GetFont(), QApplication::font()));
  W.installEventFilter(this);
  // Moves are reported whether or not a handler is set yet. A control's
  // mouse is its own: what its widget leaves unhandled does not reach the
  // control below it (right-clicks go up the host's parent chain instead).
  W.setMouseTracking(true);
  W.setAttribute(Qt::WA_NoMousePropagation);
  if (!V.Form->Options.DesignSurface) return;
  W.setFocusPolicy(Qt::NoFocus);
  if (!IsContainerKind(V.Kind)) W.setAttribute(Qt::WA_TransparentForMouseEvents);
}

// Item views take the mouse on their viewport, not on themselves; their
// items come with the next flush.
void TRenderer::TImpl::HookItemViewport(TView& V) {
  QWidget* Viewport = static_cast<QAbstractItemView*>(V.Widget.data())->viewport();
  FByWidget[Viewport] = &V;
  Viewport->installEventFilter(this);
  Viewport->setMouseTracking(true);
  V.Stale = true;
}

void TRenderer::TImpl::Gone(TComponent* Component) {
  for (auto& F : FForms)
    if (F->Form == Component) {
      TearDownForm(*F);
      return;
    }
  if (auto It = FViews.find(Component); It != FViews.end()) {
    TView& V = *It->second;
    // What lies on it goes with it; of the control itself, in the middle of
    // its destruction, only the parts of a control are left.
    std::vector<TView*> Below;
    for (auto& [Control, View] : FViews)
      if (View.get() != &V && IsBelow(*View, V)) Below.push_back(View.get());
    for (TView* Sub : Below) Unhook(*Sub, true);
    QPointer<QWidget> Widget = V.Widget;
    Unhook(V, false);
    if (Widget) {
      Widget->hide();
      Widget->deleteLater();
    }
    return;
  }
  for (auto& F : FForms) {
    auto Popup = std::find(F->Popups.begin(), F->Popups.end(), Component);
    if (Popup != F->Popups.end()) {
      F->Popups.erase(Popup);
      if (FPopup) FPopup->close();
    }
    if (F->MainMenu == Component) {
      UnhookItems(*F);
      F->MainMenu = nullptr;
      if (F->MenuBar) F->MenuBar->clear();
    }
    auto Item = std::find(F->HookedItems.begin(), F->HookedItems.end(), Component);
    if (Item != F->HookedItems.end()) {
      F->Actions.erase(*Item);
      F->HookedItems.erase(Item);
      F->MenuStale = true;
      ScheduleFlush();
    }
  }
}

// Takes the renderer's hooks out of a control and forgets its view; the
// widget stays for its owner to delete. Whole is false for a control in the
// middle of its destruction, whose own class's parts are gone already.
void TRenderer::TImpl::Unhook(TView& V, bool Whole) {
  TControl* C = V.Control;
  C->OnHostChanged = nullptr;
  if (Whole && V.Kind == TKind::TreeView) static_cast<TCustomTreeView*>(C)->OnNodesChanged = nullptr;
  if (Whole && V.Kind == TKind::ListView) static_cast<TCustomListView*>(C)->OnItemsChanged = nullptr;
  FWatcher->RemoveFreeNotification(C);
  if (V.Widget) {
    if (auto* Host = dynamic_cast<THostWidget*>(V.Widget.data())) Host->Detach();
    // Nothing the widget or its parts still emit may reach the view.
    V.Widget->disconnect();
    for (QObject* Part : V.Widget->findChildren<QObject*>()) Part->disconnect();
  }
  for (auto It = FByWidget.begin(); It != FByWidget.end();)
    It = It->second == &V ? FByWidget.erase(It) : std::next(It);
  FViews.erase(C);
}

// Whether Sub's widget lies inside V's widget.
bool TRenderer::TImpl::IsBelow(const TView& Sub, const TView& V) {
  if (!Sub.Widget || !V.Widget) return false;
  for (const QWidget* W = Sub.Widget->parentWidget(); W; W = W->parentWidget())
    if (W == V.Widget.data()) return true;
  return false;
}

void TRenderer::TImpl::TearDownForm(TFormView& F) {
  if (FPopup) FPopup->close();
  std::vector<TView*> Views;
  for (auto& [Control, View] : FViews)
    if (View->Form == &F) Views.push_back(View.get());
  for (TView* V : Views) Unhook(*V, true);
  UnhookItems(F);
  if (F.MainMenu) FWatcher->RemoveFreeNotification(F.MainMenu);
  for (TPopupMenu* Popup : F.Popups) {
    Popup->OnShowMenu = nullptr;
    FWatcher->RemoveFreeNotification(Popup);
  }
  F.Guard.reset();
  if (auto* Window = dynamic_cast<TFormWindow*>(F.Root.data())) Window->OnClose = nullptr;
  if (F.Root) {
    F.Root->hide();
    F.Root->deleteLater();
  }
  auto It = std::find_if(FForms.begin(), FForms.end(), [&F](const auto& P) { return P.get() == &F; });
  if (It != FForms.end()) FForms.erase(It);
}

// ---------------------------------------------------------------- the public face

TRenderer::TRenderer() : FImpl(std::make_unique<TImpl>(*this)) {}

TRenderer::~TRenderer() = default;

QWidget* TRenderer::Render(TCustomForm& Form, const TRenderOptions& Options, QWidget* Parent) {
  return FImpl->Render(Form, Options, Parent);
}

void TRenderer::Release(TCustomForm& Form) {
  if (auto* F = FImpl->FormViewOf(&Form)) FImpl->TearDownForm(*F);
}

bool TRenderer::IsRendered(const TCustomForm& Form) const { return FImpl->FormViewOf(&Form) != nullptr; }

QWidget* TRenderer::WindowOf(const TCustomForm& Form) const {
  auto* F = FImpl->FormViewOf(&Form);
  return F ? F->Root.data() : nullptr;
}

QWidget* TRenderer::WidgetOf(const TControl& Control) const { return FImpl->WidgetOf(Control); }

QMenuBar* TRenderer::MenuBarOf(const TCustomForm& Form) const {
  auto* F = FImpl->FormViewOf(&Form);
  return F ? F->MenuBar.data() : nullptr;
}

TControl* TRenderer::ControlAt(const QWidget* Widget) const {
  for (const QWidget* W = Widget; W; W = W->parentWidget())
    if (auto* V = FImpl->ViewOfWidget(W)) return V->Control;
  return nullptr;
}

QMenu* TRenderer::OpenPopup() const { return FImpl->FPopup.data(); }

void TRenderer::Flush() { FImpl->Flush(); }

void PrepareApplication() {
  QApplication::setStyle(new TStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  QFont Font = QApplication::font();
  Font.setPixelSize(12);
  QApplication::setFont(Font);
}

}  // namespace keyloom::gui

#include "gui/renderer.hpp"

#include "gui/host_widgets.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <unordered_map>
#include <vector>

namespace keyloom::gui {

namespace {

// The framework's virtual key codes, as KeyDown handlers test them.
std::uint16_t VirtualKey(int Key) {
  if (Key >= Qt::Key_A && Key <= Qt::Key_Z) return static_cast<std::uint16_t>('A' + (Key - Qt::Key_A));
  if (Key >= Qt::Key_0 && Key <= Qt::Key_9) return static_cast<std::uint16_t>('0' + (Key - Qt::Key_0));
  if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24) return static_cast<std::uint16_t>(112 + (Key - Qt::Key_F1));
  switch (Key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}

TShiftState ShiftOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton) {
  TShiftState Shift = 0;
  if (Modifiers & Qt::ShiftModifier) Shift |= ssShift;
  if (Modifiers & Qt::AltModifier) Shift |= ssAlt;
  if (Modifiers & Qt::ControlModifier) Shift |= ssCtrl;
  if (Buttons & Qt::LeftButton) Shift |= ssLeft;
  if (Buttons & Qt::RightButton) Shift |= ssRight;
  if (Buttons & Qt::MiddleButton) Shift |= ssMiddle;
  return Shift;
}

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

// The window of a form that is no design surface. Closing it closes the
// host form, whose hide then hides the window.
class TFormWindow : public QWidget {
 public:
  std::function<void()> OnClose;

 protected:
  void closeEvent(QCloseEvent* Event) override {
    if (!OnClose) return;
    OnClose();
    Event->ignore();
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

// In-place editing of a list view's captions: the text goes to the host
// list view, which decides what the item shows.
class TEditDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::function<void(const QString& Text)> OnCommit;
  void setModelData(QWidget* Editor, QAbstractItemModel*, const QModelIndex&) const override {
    if (auto* Line = qobject_cast<QLineEdit*>(Editor); Line && OnCommit) OnCommit(Line->text());
  }
};

enum class TKind {
  Form, Button, SpeedButton, CheckBox, RadioButton, RadioGroup, GroupBox, Panel, Label, Edit, Memo, ComboBox,
  ListBox, PageControl, TabControl, Sheet, Notebook, Page, ToolBar, StatusBar, TreeView, ListView, Bevel, Image,
  Splitter, Container, Unknown
};

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

bool Contains(const TMenuItem* Root, const TMenuItem* Item) {
  if (!Root) return false;
  std::vector<const TMenuItem*> Pending{Root};
  while (!Pending.empty()) {
    const TMenuItem* M = Pending.back();
    Pending.pop_back();
    if (M == Item) return true;
    for (const TMenuItem* Sub : M->Items()) Pending.push_back(Sub);
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------- the implementation

class TRenderer::TImpl : public QObject {
 public:
  struct TFormView;

  struct TView {
    TControl* Control = nullptr;
    TKind Kind = TKind::Unknown;
    QPointer<QWidget> Widget;
    QWidget* Content = nullptr;  // where child controls go
    TFormView* Form = nullptr;
    // Tree and list views: the items shown stand for these host items while not stale.
    bool Stale = false;
    bool Syncing = false;
    std::unordered_map<const QTreeWidgetItem*, TTreeNode*> Nodes;
    std::unordered_map<const TTreeNode*, QTreeWidgetItem*> NodeItems;
    std::vector<QTreeWidgetItem*> Rows;
    QTreeWidgetItem* EditorRow = nullptr;
    // Radio groups: one button per item.
    std::vector<QRadioButton*> RadioButtons;
  };

  struct TFormView {
    TCustomForm* Form = nullptr;
    TRenderOptions Options;
    QPointer<QWidget> Root;
    QPointer<QWidget> Client;
    TCaptionStrip* Strip = nullptr;
    QPointer<QMenuBar> MenuBar;
    TMainMenu* MainMenu = nullptr;
    std::unordered_map<const TMenuItem*, QAction*> Actions;
    std::unordered_map<const TMenuItem*, int> ActionChildren;
    std::vector<TMenuItem*> HookedItems;
    std::vector<TPopupMenu*> Popups;
    // The context of every connection made for the form: deleting it cuts them all.
    std::unique_ptr<QObject> Guard;
    bool MenuStale = false;
  };

  // Told when a component the renderer shows goes away.
  class TWatcher : public TComponent {
   public:
    explicit TWatcher(TImpl& Impl) : TComponent(nullptr), FImpl(Impl) {}
    ~TWatcher() override { BeginDestroy(); }
    void Notification(TComponent* AComponent, TOperation Operation) override {
      TComponent::Notification(AComponent, Operation);
      if (Operation == TOperation::opRemove && AComponent) FImpl.Gone(AComponent);
    }

   private:
    TImpl& FImpl;
  };

  explicit TImpl(TRenderer& Owner) : FOwner(Owner), FWatcher(std::make_unique<TWatcher>(*this)) {}

  ~TImpl() override {
    while (!FForms.empty()) TearDownForm(*FForms.back());
  }

  // ---------------------------------------------------------------- look-ups

  TFormView* FormViewOf(const TCustomForm* Form) const {
    for (const auto& F : FForms)
      if (F->Form == Form) return F.get();
    return nullptr;
  }
  TView* ViewOf(const TControl* Control) const {
    auto It = FViews.find(Control);
    return It == FViews.end() ? nullptr : It->second.get();
  }
  TView* ViewOfWidget(const QObject* Widget) const {
    auto It = FByWidget.find(Widget);
    return It == FByWidget.end() ? nullptr : It->second;
  }

  // ---------------------------------------------------------------- building

  QWidget* Render(TCustomForm& Form, const TRenderOptions& Options, QWidget* Parent) {
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
    Register(std::move(Root));
    Client->installEventFilter(this);

    for (TControl* Child : Form.Controls()) Make(*Child, View);
    for (TComponent* C : Form.Components())
      if (auto* Popup = dynamic_cast<TPopupMenu*>(C)) HookPopup(*Popup, View);
    if (View.MenuBar) BuildMenuBar(View);

    AlignTree(Form, Options.Layout);
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

  std::vector<TControl*> Descendants(TWinControl& Parent) const {
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

  void Register(std::unique_ptr<TView> View) {
    TControl* C = View->Control;
    FByWidget[View->Widget.data()] = View.get();
    FViews[C] = std::move(View);
    C->OnHostChanged = [this](TControl& Control, std::string_view Property) { Changed(Control, Property); };
    FWatcher->FreeNotification(C);
  }

  QPoint ChildOrigin(const TView& Parent) const {
    if (Parent.Form->Options.GroupChildrenBelowCaption &&
        (Parent.Kind == TKind::GroupBox || Parent.Kind == TKind::RadioGroup))
      return {2, 18};
    return {0, 0};
  }

  void Make(TControl& C, TFormView& Form) {
    TView* ParentView = C.GetParent() ? ViewOf(C.GetParent()) : nullptr;
    if (!ParentView) return;
    auto View = std::make_unique<TView>();
    View->Control = &C;
    View->Kind = KindOf(C);
    View->Form = &Form;
    QWidget* Parent = ParentView->Content;
    QObject* Guard = Form.Guard.get();
    TView* V = View.get();
    QWidget* W = nullptr;
    switch (View->Kind) {
      case TKind::Button: {
        auto* Button = new QPushButton(Parent);
        connect(Button, &QPushButton::clicked, Guard, [&C] { C.Click(); });
        W = Button;
        break;
      }
      case TKind::SpeedButton: {
        auto* Button = new QToolButton(Parent);
        connect(Button, &QToolButton::clicked, Guard, [&C] { C.Click(); });
        W = Button;
        break;
      }
      case TKind::CheckBox: {
        auto* Box = new QCheckBox(Parent);
        connect(Box, &QCheckBox::clicked, Guard, [&C](bool Checked) {
          static_cast<TCustomCheckBox&>(C).SetChecked(Checked);
          C.Click();
        });
        W = Box;
        break;
      }
      case TKind::RadioButton: {
        auto* Button = new QRadioButton(Parent);
        connect(Button, &QRadioButton::clicked, Guard, [&C](bool Checked) {
          static_cast<TRadioButton&>(C).SetChecked(Checked);
          C.Click();
        });
        W = Button;
        break;
      }
      case TKind::RadioGroup:
      case TKind::GroupBox:
        W = new QGroupBox(Parent);
        break;
      case TKind::Panel:
        W = new TPanelWidget(&C, Parent);
        break;
      case TKind::Label:
        W = new TLabelWidget(&C, Parent);
        break;
      case TKind::Edit: {
        auto* Edit = new QLineEdit(Parent);
        connect(Edit, &QLineEdit::textEdited, Guard, [&C](const QString& Text) { C.SetText(FromQt(Text)); });
        W = Edit;
        break;
      }
      case TKind::Memo: {
        auto* Memo = new QPlainTextEdit(Parent);
        connect(Memo, &QPlainTextEdit::textChanged, Guard, [this, V, Memo] {
          if (V->Syncing) return;
          static_cast<TCustomMemo&>(*V->Control).GetLines()->SetText(FromQt(Memo->toPlainText()));
        });
        W = Memo;
        break;
      }
      case TKind::ComboBox:
        W = new QComboBox(Parent);
        static_cast<QComboBox*>(W)->setEditable(true);
        break;
      case TKind::ListBox: {
        auto* List = new QListWidget(Parent);
        connect(List, &QListWidget::currentRowChanged, Guard, [V](int Row) {
          if (!V->Syncing) static_cast<TCustomListBox&>(*V->Control).SetItemIndex(Row);
        });
        W = List;
        break;
      }
      case TKind::PageControl:
      case TKind::TabControl: {
        auto* Tabs = new TTabbedWidget(&C, Parent, Form.Options.Layout.TabHeight);
        connect(Tabs->TabBar(), &QTabBar::currentChanged, Guard, [this, V](int Index) { TabChosen(*V, Index); });
        W = Tabs;
        break;
      }
      case TKind::Sheet:
      case TKind::Page:
      case TKind::Notebook:
      case TKind::Container:
        W = new THostWidget(&C, Parent);
        break;
      case TKind::ToolBar:
        W = new TToolBarWidget(&C, Parent);
        break;
      case TKind::StatusBar:
        W = new TStatusBarWidget(&C, Parent);
        break;
      case TKind::TreeView:
        W = MakeTreeView(*V, Parent, Guard);
        break;
      case TKind::ListView:
        W = MakeListView(*V, Parent, Guard);
        break;
      case TKind::Bevel:
        W = new TBevelWidget(&C, Parent);
        break;
      case TKind::Image:
        W = new TImageWidget(&C, Parent);
        break;
      case TKind::Splitter: {
        auto* Splitter = new TSplitterWidget(&C, Parent);
        Splitter->OnDrag = [this, &C](int Delta) { DragSplitter(C, Delta); };
        W = Splitter;
        break;
      }
      case TKind::Form:
      case TKind::Unknown:
        W = new TUnknownWidget(&C, Parent);
        break;
    }
    View->Widget = W;
    View->Content = W;
    W->setFont(FontOf(*C.GetFont(), QApplication::font()));
    W->installEventFilter(this);
    // Moves are reported whether or not a handler is set yet. A control's
    // mouse is its own: what its widget leaves unhandled does not reach the
    // control below it (right-clicks go up the host's parent chain instead).
    W->setMouseTracking(true);
    W->setAttribute(Qt::WA_NoMousePropagation);
    if (Form.Options.DesignSurface) {
      W->setFocusPolicy(Qt::NoFocus);
      if (!IsContainerKind(View->Kind)) W->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    Register(std::move(View));
    if (V->Kind == TKind::TreeView || V->Kind == TKind::ListView) {
      auto* Items = static_cast<QAbstractItemView*>(W);
      FByWidget[Items->viewport()] = V;
      Items->viewport()->installEventFilter(this);
      Items->viewport()->setMouseTracking(true);
      V->Stale = true;
    }
    Sync(*V);
    Place(*V);
    if (auto* Win = dynamic_cast<TWinControl*>(&C))
      for (TControl* Child : Win->Controls()) Make(*Child, Form);
  }

  QWidget* MakeTreeView(TView& V, QWidget* Parent, QObject* Guard) {
    auto& Host = static_cast<TCustomTreeView&>(*V.Control);
    auto* Tree = new QTreeWidget(Parent);
    Tree->setHeaderHidden(true);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree->setIndentation(Host.GetIndent());
    if (Host.GetImages()) Tree->setIconSize(QSize(Host.GetImages()->GetWidth(), Host.GetImages()->GetHeight()));
    connect(Tree, &QTreeWidget::currentItemChanged, Guard, [this, &V](QTreeWidgetItem* Current) {
      if (V.Syncing || V.Stale) return;
      auto It = V.Nodes.find(Current);
      static_cast<TCustomTreeView&>(*V.Control).SetSelection(It == V.Nodes.end() ? nullptr : It->second);
    });
    Host.OnNodesChanged = [this, &V](TObject*) { MarkStale(V); };
    return Tree;
  }

  QWidget* MakeListView(TView& V, QWidget* Parent, QObject* Guard) {
    auto& Host = static_cast<TCustomListView&>(*V.Control);
    auto* List = new QTreeWidget(Parent);
    List->setRootIsDecorated(false);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setAllColumnsShowFocus(true);
    auto* Delegate = new TEditDelegate(List);
    Delegate->OnCommit = [&V](const QString& Text) {
      auto& L = static_cast<TCustomListView&>(*V.Control);
      V.EditorRow = nullptr;
      if (L.GetEditing()) L.EndEdit(FromQt(Text), true);
    };
    List->setItemDelegate(Delegate);
    connect(Delegate, &QAbstractItemDelegate::closeEditor, Guard, [this, &V] {
      V.EditorRow = nullptr;
      auto& L = static_cast<TCustomListView&>(*V.Control);
      // Closed without the text being committed: the edit was cancelled.
      if (L.GetEditing()) L.EndEdit({}, false);
      MarkStale(V);
    });
    connect(List, &QTreeWidget::currentItemChanged, Guard, [this, &V](QTreeWidgetItem* Current) {
      if (V.Syncing || V.Stale) return;
      auto& L = static_cast<TCustomListView&>(*V.Control);
      auto It = std::find(V.Rows.begin(), V.Rows.end(), Current);
      const int Index = It == V.Rows.end() ? -1 : static_cast<int>(It - V.Rows.begin());
      L.SetSelected(Index >= 0 && Index < L.GetItemCount() ? L.GetItem(Index) : nullptr);
    });
    Host.OnItemsChanged = [this, &V](TObject*) { MarkStale(V); };
    return List;
  }

  // ---------------------------------------------------------------- host to widgets

  void Changed(TControl& C, std::string_view Property) {
    TView* V = ViewOf(&C);
    if (!V || !V->Widget) return;
    if (Property == "Bounds") {
      if (V->Kind == TKind::Form) {
        ApplyFormSize(*V->Form);
        Align(static_cast<TWinControl&>(C));
        return;
      }
      AutoSizeLabel(*V);
      Place(*V);
      if (auto* Win = dynamic_cast<TWinControl*>(&C)) Align(*Win);
      if (C.GetAlign() != TAlign::alNone && C.GetParent()) Align(*C.GetParent());
      if (V->Kind == TKind::RadioGroup) Sync(*V);
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

  void Align(TWinControl& Parent) {
    if (FAligning.count(&Parent)) return;
    TView* V = ViewOf(&Parent);
    if (!V) return;
    FAligning.insert(&Parent);
    try {
      AlignControls(Parent, V->Form->Options.Layout);
    } catch (...) {
      FAligning.erase(&Parent);
      throw;
    }
    FAligning.erase(&Parent);
  }

  bool Shows(const TView& V) const {
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

  void Place(TView& V) {
    if (V.Kind == TKind::Form || !V.Widget) return;
    const TControl& C = *V.Control;
    TView* Parent = C.GetParent() ? ViewOf(C.GetParent()) : nullptr;
    const QPoint Origin = Parent ? ChildOrigin(*Parent) : QPoint();
    V.Widget->setGeometry(Origin.x() + C.GetLeft(), Origin.y() + C.GetTop(), std::max(0, C.GetWidth()),
                          std::max(0, C.GetHeight()));
    V.Widget->setVisible(Shows(V));
  }

  void AutoSizeLabel(TView& V) {
    auto* Label = dynamic_cast<TCustomLabel*>(V.Control);
    if (!Label || !Label->GetAutoSize() || !V.Widget) return;
    const QSize Size = TLabelWidget::AutoSize(*Label, V.Widget->font(), Label->GetWidth());
    Label->SetBounds(Label->GetLeft(), Label->GetTop(), Size.width(), Size.height());
  }

  void Reparent(TView& V) {
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

  QRect FormClient(const TFormView& F) const {
    const TRect R = FormClientRect(*F.Form, F.Options.Layout);
    return {R.Left, R.Top, R.Width, R.Height};
  }

  void ApplyFormSize(TFormView& F) {
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

  void ApplyFormCaption(TFormView& F) {
    const QString Title = ToQt(F.Form->GetCaption());
    if (F.Strip) F.Strip->SetTitle(Title);
    F.Root->setWindowTitle(Title);
  }

  void ShowForm(TFormView& F) {
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
  void ClientResized(TFormView& F) {
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

  void DragSplitter(TControl& Splitter, int Delta) {
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
  void Sync(TView& V) {
    TControl& C = *V.Control;
    QWidget* W = V.Widget;
    if (!W) return;
    const bool Design = V.Form->Options.DesignSurface;
    W->setEnabled(C.GetEnabled());
    const QString Hint = C.GetShowHint() ? ToQt(C.GetHint()) : QString();
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
        SetButtonText(*Button, C.GetCaption(), Design);
        if (auto* Box = dynamic_cast<TCustomCheckBox*>(&C)) Button->setChecked(Box->GetChecked());
        if (auto* Radio = dynamic_cast<TRadioButton*>(&C)) Button->setChecked(Radio->GetChecked());
        if (auto* Push = qobject_cast<QPushButton*>(W))
          if (auto* B = dynamic_cast<TButton*>(&C)) Push->setDefault(B->GetDefault());
        break;
      }
      case TKind::SpeedButton:
        SyncSpeedButton(static_cast<QToolButton&>(*W), C, Design);
        break;
      case TKind::GroupBox:
        static_cast<QGroupBox*>(W)->setTitle(ToQt(C.GetCaption()));
        break;
      case TKind::RadioGroup:
        SyncRadioGroup(V);
        break;
      case TKind::Edit: {
        auto* Edit = static_cast<QLineEdit*>(W);
        if (Edit->text() != ToQt(C.GetText())) Edit->setText(ToQt(C.GetText()));
        Edit->setReadOnly(Design || static_cast<TCustomEdit&>(C).GetReadOnly());
        break;
      }
      case TKind::Memo: {
        auto* Memo = static_cast<QPlainTextEdit*>(W);
        const QString Text = ToQt(static_cast<TCustomMemo&>(C).GetLines()->GetText());
        if (Memo->toPlainText() != Text) Memo->setPlainText(Text);
        Memo->setReadOnly(Design || static_cast<TCustomEdit&>(C).GetReadOnly());
        break;
      }
      case TKind::ComboBox: {
        auto* Combo = static_cast<QComboBox*>(W);
        QStringList Items;
        for (const std::string& S : static_cast<TCustomComboBox&>(C).GetItems()->Items()) Items << ToQt(S);
        QStringList Shown;
        for (int I = 0; I < Combo->count(); ++I) Shown << Combo->itemText(I);
        if (Shown != Items) {
          Combo->clear();
          Combo->addItems(Items);
        }
        Combo->setEditText(ToQt(C.GetText()));
        break;
      }
      case TKind::ListBox: {
        auto* List = static_cast<QListWidget*>(W);
        auto& Box = static_cast<TCustomListBox&>(C);
        List->clear();
        for (const std::string& S : Box.GetItems()->Items()) List->addItem(ToQt(S));
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

  static void SetButtonText(QAbstractButton& Button, const std::string& Caption, bool Design) {
    const QString Text = ToQt(Caption);
    if (Button.text() != Text) Button.setText(Text);
    // On a design surface the accelerator shows but does not act.
    if (Design) Button.setShortcut(QKeySequence());
  }

  void SyncSpeedButton(QToolButton& Button, TControl& C, bool Design) {
    SetButtonText(Button, C.GetCaption(), Design);
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

  void SyncRadioGroup(TView& V) {
    auto& Group = static_cast<TCustomRadioGroup&>(*V.Control);
    auto* Box = static_cast<QGroupBox*>(V.Widget.data());
    Box->setTitle(ToQt(Group.GetCaption()));
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
      Button->setText(ToQt(Items[static_cast<std::size_t>(I)]));
      if (V.Form->Options.DesignSurface) Button->setShortcut(QKeySequence());
      Button->setGeometry((I / Rows) * ButtonWidth + 8, (I % Rows) * ButtonHeight + TopMargin, ButtonWidth,
                          ButtonHeight);
      Button->setAutoExclusive(false);
      Button->setChecked(I == Group.GetItemIndex());
      Button->setAutoExclusive(true);
    }
  }

  void SyncTabs(TView& V) {
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
        Texts << ToQt(Sheet->GetCaption());
      }
      for (int I = 0; I < Pages->GetPageCount(); ++I)
        if (TView* S = ViewOf(Pages->GetPage(I))) Place(*S);
    } else if (auto* Tabs = dynamic_cast<TTabControl*>(V.Control)) {
      for (const std::string& S : Tabs->GetTabs()->Items()) Texts << ToQt(S);
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

  void TabChosen(TView& V, int Index) {
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

  // ---------------------------------------------------------------- tree and list views

  void MarkStale(TView& V) {
    V.Stale = true;
    ScheduleFlush();
  }

  void SyncSelectionOrMark(TView& V) {
    if (V.Kind == TKind::TreeView && !V.Stale) {
      auto& Host = static_cast<TCustomTreeView&>(*V.Control);
      auto* Tree = static_cast<QTreeWidget*>(V.Widget.data());
      auto It = V.NodeItems.find(Host.GetSelection());
      if (It != V.NodeItems.end() || !Host.GetSelection()) {
        V.Syncing = true;
        Tree->setCurrentItem(It == V.NodeItems.end() ? nullptr : It->second);
        if (!Host.GetSelection()) Tree->clearSelection();
        V.Syncing = false;
        return;
      }
    }
    MarkStale(V);
  }

  void ScheduleFlush() {
    if (FFlushPending) return;
    FFlushPending = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
  }

  void Flush() {
    FFlushPending = false;
    std::vector<TView*> Stale;
    for (auto& [Control, View] : FViews)
      if (View->Stale) Stale.push_back(View.get());
    for (TView* V : Stale) {
      if (!V->Widget) continue;
      if (V->Kind == TKind::TreeView) RefreshTree(*V);
      if (V->Kind == TKind::ListView) RefreshList(*V);
    }
    for (auto& F : FForms)
      if (F->MenuStale) BuildMenuBar(*F);
  }

  void RefreshTree(TView& V) {
    auto& Host = static_cast<TCustomTreeView&>(*V.Control);
    auto* Tree = static_cast<QTreeWidget*>(V.Widget.data());
    V.Syncing = true;
    Tree->clear();
    V.Nodes.clear();
    V.NodeItems.clear();
    std::unordered_map<int, QIcon> Icons;
    auto IconOf = [&](int Index) -> QIcon {
      const TCustomImageList* Images = Host.GetImages();
      if (!Images || Index < 0 || Index >= Images->GetCount()) return {};
      auto It = Icons.find(Index);
      if (It == Icons.end()) It = Icons.emplace(Index, QIcon(PictureOf(Images->GetImage(Index)))).first;
      return It->second;
    };
    const TTreeNodes& Nodes = Host.GetItems();
    std::vector<std::pair<TTreeNode*, QTreeWidgetItem*>> Pending;
    for (int I = Nodes.GetRootCount() - 1; I >= 0; --I) Pending.emplace_back(Nodes.GetRoot(I), nullptr);
    while (!Pending.empty()) {
      auto [Node, ParentItem] = Pending.back();
      Pending.pop_back();
      auto* Item = ParentItem ? new QTreeWidgetItem(ParentItem) : new QTreeWidgetItem(Tree);
      Item->setText(0, ToQt(Node->GetText()));
      Item->setIcon(0, IconOf(Node->GetImageIndex()));
      V.Nodes[Item] = Node;
      V.NodeItems[Node] = Item;
      for (int I = Node->GetCount() - 1; I >= 0; --I) Pending.emplace_back(Node->GetItem(I), Item);
    }
    Tree->expandAll();
    auto It = V.NodeItems.find(Host.GetSelection());
    if (It != V.NodeItems.end()) Tree->setCurrentItem(It->second);
    V.Stale = false;
    V.Syncing = false;
  }

  void RefreshList(TView& V) {
    auto& Host = static_cast<TCustomListView&>(*V.Control);
    auto* List = static_cast<QTreeWidget*>(V.Widget.data());
    V.Syncing = true;
    const TListColumns& Columns = Host.Columns();
    const int ColumnCount = std::max(1, Columns.Count());
    QStringList Headers;
    for (int I = 0; I < Columns.Count(); ++I) Headers << ToQt(Columns[I]->GetCaption());
    List->setColumnCount(ColumnCount);
    List->setHeaderLabels(Headers);
    List->setHeaderHidden(Host.GetViewStyle() != TViewStyle::vsReport);
    bool Stretch = Columns.Count() == 0;
    for (int I = 0; I < Columns.Count(); ++I) {
      if (Columns[I]->GetWidth() < 0 && I == Columns.Count() - 1)
        Stretch = true;
      else
        List->setColumnWidth(I, Host.GetColumnWidth(I));
    }
    List->header()->setStretchLastSection(Stretch);
    // Rebuilt only when the captions differ; the rows stand for the host's items by index.
    bool Same = List->topLevelItemCount() == Host.GetItemCount();
    for (int I = 0; Same && I < Host.GetItemCount(); ++I)
      Same = List->topLevelItem(I)->text(0) == ToQt(Host.GetItem(I)->GetCaption());
    if (!Same) {
      // Clearing releases an open editor; it is opened again below while the host still edits.
      V.EditorRow = nullptr;
      List->clear();
      for (int I = 0; I < Host.GetItemCount(); ++I) {
        auto* Row = new QTreeWidgetItem(List, QStringList{ToQt(Host.GetItem(I)->GetCaption())});
        Row->setFlags(Row->flags() | Qt::ItemIsEditable);
      }
    }
    V.Rows.clear();
    for (int I = 0; I < List->topLevelItemCount(); ++I) V.Rows.push_back(List->topLevelItem(I));
    const int Selected = Host.IndexOfItem(Host.GetSelected());
    if (Selected >= 0) {
      List->setCurrentItem(V.Rows[static_cast<std::size_t>(Selected)]);
    } else {
      List->setCurrentItem(nullptr);
      List->clearSelection();
    }
    V.Stale = false;
    V.Syncing = false;
    const int Editing = Host.IndexOfItem(Host.GetEditing());
    if (Editing >= 0 && !V.EditorRow) {
      V.EditorRow = V.Rows[static_cast<std::size_t>(Editing)];
      List->setFocus();
      List->editItem(V.EditorRow, 0);
    }
  }

  // ---------------------------------------------------------------- menus

  void FillMenu(QWidget& Into, TMenuItem& Parent, TFormView& F, const std::function<void(TMenuItem*)>& Run,
                bool Hook) {
    for (TMenuItem* Item : Parent.Items()) {
      if (!Item->GetVisible()) continue;
      if (Item->GetCaption() == "-") {
        auto* Separator = new QAction(&Into);
        Separator->setSeparator(true);
        Into.addAction(Separator);
        continue;
      }
      auto* Action = new QAction(ToQt(Item->GetCaption()), &Into);
      if (Item->GetCount() > 0) {
        auto* Sub = new QMenu(&Into);
        Sub->setFont(Into.font());
        FillMenu(*Sub, *Item, F, Run, Hook);
        Action->setMenu(Sub);
      }
      UpdateAction(*Action, *Item);
      connect(Action, &QAction::triggered, F.Guard.get(), [Run, Item] { Run(Item); });
      Into.addAction(Action);
      if (!Hook) continue;
      F.Actions[Item] = Action;
      F.ActionChildren[Item] = Item->GetCount();
      HookItem(*Item, F);
    }
  }

  static void UpdateAction(QAction& Action, const TMenuItem& Item) {
    Action.setText(ToQt(Item.GetCaption()));
    Action.setCheckable(Item.GetRadioItem() || Item.GetChecked() || Item.GetAutoCheck());
    Action.setChecked(Item.GetChecked());
    Action.setEnabled(Item.GetEnabled());
    Action.setVisible(Item.GetVisible());
  }

  void HookItem(TMenuItem& Item, TFormView& F) {
    Item.OnHostChanged = [this, &F](TMenuItem& Changed) {
      auto It = F.Actions.find(&Changed);
      if (It != F.Actions.end()) UpdateAction(*It->second, Changed);
      // Items added or removed: the menu bar is made again.
      if (It == F.Actions.end() || F.ActionChildren[&Changed] != Changed.GetCount()) {
        F.MenuStale = true;
        ScheduleFlush();
      }
    };
    F.HookedItems.push_back(&Item);
    FWatcher->FreeNotification(&Item);
  }

  void UnhookItems(TFormView& F) {
    for (TMenuItem* Item : F.HookedItems) {
      Item->OnHostChanged = nullptr;
      FWatcher->RemoveFreeNotification(Item);
    }
    F.HookedItems.clear();
    F.Actions.clear();
    F.ActionChildren.clear();
  }

  void BuildMenuBar(TFormView& F) {
    F.MenuStale = false;
    UnhookItems(F);
    if (!F.MenuBar) return;
    F.MenuBar->clear();
    if (!F.MainMenu) return;
    TMainMenu* Menu = F.MainMenu;
    TMenuItem& Root = *Menu->GetItems();
    F.MenuBar->setFont(FontOf(*F.Form->GetFont(), QApplication::font()));
    FillMenu(*F.MenuBar, Root, F,
             [this, &F, Menu](TMenuItem* Item) {
               if (F.MainMenu == Menu && Contains(Menu->GetItems(), Item)) Item->Click();
             },
             true);
    // The root item stands for the top row: a change there rebuilds it.
    Root.OnHostChanged = [this, &F](TMenuItem&) {
      F.MenuStale = true;
      ScheduleFlush();
    };
    F.HookedItems.push_back(&Root);
  }

  void HookPopup(TPopupMenu& Popup, TFormView& F) {
    Popup.OnShowMenu = [this, &F](TPopupMenu& Menu, int X, int Y) { ShowPopup(Menu, F, X, Y); };
    F.Popups.push_back(&Popup);
    FWatcher->FreeNotification(&Popup);
  }

  void ShowPopup(TPopupMenu& Popup, TFormView& F, int X, int Y) {
    if (FPopup) FPopup->close();
    QWidget* Parent = F.Root;
    if (auto* C = dynamic_cast<TControl*>(Popup.GetPopupComponent()))
      if (QWidget* W = WidgetOf(*C)) Parent = W;
    auto* Menu = new QMenu(Parent);
    Menu->setAttribute(Qt::WA_DeleteOnClose);
    Menu->setFont(FontOf(*F.Form->GetFont(), QApplication::font()));
    FillMenu(*Menu, *Popup.GetItems(), F,
             [this, &F, P = &Popup](TMenuItem* Item) {
               if (std::find(F.Popups.begin(), F.Popups.end(), P) != F.Popups.end() &&
                   Contains(P->GetItems(), Item))
                 Item->Click();
             },
             false);
    FPopup = Menu;
    Menu->popup(QPoint(X, Y));
  }

  // ---------------------------------------------------------------- widgets to host

  bool eventFilter(QObject* Object, QEvent* Event) override {
    TView* V = ViewOfWidget(Object);
    if (!V) return false;
    TControl& C = *V->Control;
    switch (Event->type()) {
      case QEvent::MouseMove: {
        if (!C.OnMouseMove) return false;
        auto* Mouse = static_cast<QMouseEvent*>(Event);
        QPoint At = Mouse->position().toPoint();
        if (Object != V->Widget.data()) At = static_cast<QWidget*>(Object)->mapTo(V->Widget, At);
        C.MouseMove(ShiftOf(Mouse->modifiers(), Mouse->buttons()), At.x(), At.y());
        return false;
      }
      case QEvent::MouseButtonRelease: {
        auto* Mouse = static_cast<QMouseEvent*>(Event);
        const bool Inside = static_cast<QWidget*>(Object)->rect().contains(Mouse->position().toPoint());
        // Buttons report their own clicks; item views only through their viewport.
        const bool Reports = V->Kind != TKind::Button && V->Kind != TKind::SpeedButton &&
                             V->Kind != TKind::CheckBox && V->Kind != TKind::RadioButton &&
                             V->Kind != TKind::RadioGroup &&
                             ((V->Kind != TKind::TreeView && V->Kind != TKind::ListView) || Object != V->Widget.data());
        if (Mouse->button() == Qt::LeftButton && Inside && Reports) C.Click();
        return false;
      }
      case QEvent::ContextMenu:
        return ContextMenu(C, V->Kind, static_cast<QContextMenuEvent&>(*Event));
      case QEvent::KeyPress: {
        if (V->Kind != TKind::ListView || Object != V->Widget.data()) return false;
        auto* Key = static_cast<QKeyEvent*>(Event);
        if (const std::uint16_t Code = VirtualKey(Key->key()))
          static_cast<TCustomListView&>(C).KeyDown(Code, ShiftOf(Key->modifiers()));
        return false;
      }
      case QEvent::Resize:
        if (V->Kind == TKind::Form && Object == V->Widget.data()) ClientResized(*V->Form);
        return false;
      default:
        return false;
    }
  }

  // A right-click shows the popup menu of the control, else of the nearest
  // control up the parent chain that has one; edits without one of their own
  // keep their native menu.
  bool ContextMenu(TControl& C, TKind Kind, QContextMenuEvent& Event) {
    const QPoint At = Event.globalPos();
    if (FOwner.OnContextMenu && FOwner.OnContextMenu(C, At)) {
      Event.accept();
      return true;
    }
    TControl* Owner = &C;
    if (!C.GetPopupMenu() && (Kind == TKind::Edit || Kind == TKind::Memo || Kind == TKind::ComboBox)) return false;
    while (Owner && !Owner->GetPopupMenu()) Owner = Owner->GetParent();
    if (!Owner) return false;
    TPopupMenu* Menu = Owner->GetPopupMenu();
    Menu->SetPopupComponent(Owner);
    Menu->Popup(At.x(), At.y());
    Event.accept();
    return true;
  }

  // ---------------------------------------------------------------- going away

  void Gone(TComponent* Component) {
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
  void Unhook(TView& V, bool Whole) {
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
  static bool IsBelow(const TView& Sub, const TView& V) {
    if (!Sub.Widget || !V.Widget) return false;
    for (const QWidget* W = Sub.Widget->parentWidget(); W; W = W->parentWidget())
      if (W == V.Widget.data()) return true;
    return false;
  }

  void TearDownForm(TFormView& F) {
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

  QWidget* WidgetOf(const TControl& C) const {
    TView* V = ViewOf(&C);
    return V ? V->Widget.data() : nullptr;
  }

  TRenderer& FOwner;
  std::unique_ptr<TWatcher> FWatcher;
  std::vector<std::unique_ptr<TFormView>> FForms;
  std::unordered_map<const TComponent*, std::unique_ptr<TView>> FViews;
  std::unordered_map<const QObject*, TView*> FByWidget;
  std::set<const TWinControl*> FAligning;
  QPointer<QMenu> FPopup;
  bool FFlushPending = false;
};

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

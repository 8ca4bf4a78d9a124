#pragma once

// The renderer's insides, shared by its source files: a view for each shown
// control and for each shown form, and the hooks that keep them in step.
// renderer.cpp builds and tears down, renderer_sync.cpp brings host changes
// to the widgets, renderer_items.cpp keeps tree and list views and menus and
// brings what the user does back to the host.

#include "gui/host_widgets.hpp"
#include "gui/renderer.hpp"

#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QAbstractButton;
class QContextMenuEvent;
class QRadioButton;
class QToolButton;
class QTreeWidgetItem;

namespace keyloom::gui {

// What a control is drawn as.
enum class TKind {
  Form, Button, SpeedButton, CheckBox, RadioButton, RadioGroup, GroupBox, Panel, Label, Edit, Memo, ComboBox,
  ListBox, PageControl, TabControl, Sheet, Notebook, Page, ToolBar, StatusBar, TreeView, ListView, Bevel, Image,
  Splitter, Container, Unknown
};

TKind KindOf(const TControl& C);
// Kinds whose widget holds the widgets of child controls.
bool IsContainerKind(TKind Kind);

// The window of a form that is no design surface. Closing it closes the
// host form, whose hide then hides the window.
class TFormWindow : public QWidget {
 public:
  std::function<void()> OnClose;

 protected:
  void closeEvent(QCloseEvent* Event) override;
};

// On a design surface the renderer keeps the bounds the drawing needs (an
// aligned panel's, an auto-sized label's) in its views: the host components
// keep the bounds their file stores, and saving them writes none of the
// drawing's layout.
class TRenderer::TImpl : public QObject, public TBoundsStore {
 public:
  struct TFormView;

  struct TView {
    TControl* Control = nullptr;
    TKind Kind = TKind::Unknown;
    QPointer<QWidget> Widget;
    QWidget* Content = nullptr;  // where child controls go
    TFormView* Form = nullptr;
    int CodePage = 0;  // of the control's texts that are not UTF-8
    // On a design surface: where the drawing placed the control, when that is
    // not where the host says.
    std::optional<TRect> Drawn;
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

  ~TImpl() override;

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

  QWidget* Render(TCustomForm& Form, const TRenderOptions& Options, QWidget* Parent);
  std::vector<TControl*> Descendants(TWinControl& Parent) const;
  void Register(std::unique_ptr<TView> View);
  QPoint ChildOrigin(const TView& Parent) const;
  void Make(TControl& C, TFormView& Form);
  // The bare widget of the view's kind, wired to bring the user's changes back to the host.
  QWidget* MakeWidget(TView& V, QWidget* Parent);
  static QWidget* MakeMemo(TView& V, QWidget* Parent, QObject* Guard);
  static QWidget* MakeComboBox(TView& V, QWidget* Parent, QObject* Guard);
  static QWidget* MakeListBox(TView& V, QWidget* Parent, QObject* Guard);
  QWidget* MakeTabs(TView& V, QWidget* Parent, QObject* Guard);
  QWidget* MakeSplitter(TControl& C, QWidget* Parent);
  QWidget* MakeTreeView(TView& V, QWidget* Parent, QObject* Guard);
  QWidget* MakeListView(TView& V, QWidget* Parent, QObject* Guard);
  void ApplyCommon(QWidget& W, const TView& V);
  void HookItemViewport(TView& V);

  // ---------------------------------------------------------------- host to widgets

  void Changed(TControl& C, std::string_view Property);
  // The control's bounds changed, in the host or in the drawing.
  void Moved(TView& V);
  TRect BoundsOf(const TControl& Control) const override;
  void SetBounds(TControl& Control, const TRect& Bounds) override;
  TBoundsStore* StoreOf(const TFormView& F) { return F.Options.DesignSurface ? this : nullptr; }
  void Align(TWinControl& Parent);
  bool Shows(const TView& V) const;
  void Place(TView& V);
  void AutoSizeLabel(TView& V);
  void Reparent(TView& V);
  QRect FormClient(const TFormView& F) const;
  void ApplyFormSize(TFormView& F);
  void ApplyFormCaption(TFormView& F);
  void ShowForm(TFormView& F);

  // The user resized a window: the host form takes the size, and its
  // resize handler and the alignment follow from there.
  void ClientResized(TFormView& F);
  void DragSplitter(TControl& Splitter, int Delta);

  // Pushes the control's state into its widget.
  void Sync(TView& V);
  static QString Text(const TView& V, const std::string& S) { return DisplayText(S, V.CodePage); }
  static int CodePageOf(const TFormView& F, const TComponent& C) {
    return F.Options.CodePageOf ? F.Options.CodePageOf(C) : 0;
  }
  static void SetButtonText(QAbstractButton& Button, const QString& Text, bool Design);
  void SyncSpeedButton(QToolButton& Button, const TView& V, bool Design);
  void SyncRadioGroup(TView& V);
  void SyncTabs(TView& V);
  void TabChosen(TView& V, int Index);

  // ---------------------------------------------------------------- tree and list views

  void MarkStale(TView& V);
  void SyncSelectionOrMark(TView& V);
  void ScheduleFlush();
  void Flush();
  void RefreshTree(TView& V);
  void RefreshList(TView& V);

  // ---------------------------------------------------------------- menus

  void FillMenu(QWidget& Into, TMenuItem& Parent, TFormView& F, const std::function<void(TMenuItem*)>& Run, bool Hook);
  static void UpdateAction(QAction& Action, const TMenuItem& Item, const TFormView& F);
  void HookItem(TMenuItem& Item, TFormView& F);
  void UnhookItems(TFormView& F);
  void BuildMenuBar(TFormView& F);
  void HookPopup(TPopupMenu& Popup, TFormView& F);
  void ShowPopup(TPopupMenu& Popup, TFormView& F, int X, int Y);

  // ---------------------------------------------------------------- widgets to host

  bool eventFilter(QObject* Object, QEvent* Event) override;

  // A right-click shows the popup menu of the control, else of the nearest
  // control up the parent chain that has one; edits without one of their own
  // keep their native menu.
  bool ContextMenu(TControl& C, TKind Kind, QContextMenuEvent& Event);

  // ---------------------------------------------------------------- going away

  void Gone(TComponent* Component);

  // Takes the renderer's hooks out of a control and forgets its view; the
  // widget stays for its owner to delete. Whole is false for a control in the
  // middle of its destruction, whose own class's parts are gone already.
  void Unhook(TView& V, bool Whole);

  // Whether Sub's widget lies inside V's widget.
  static bool IsBelow(const TView& Sub, const TView& V);
  void TearDownForm(TFormView& F);

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

}  // namespace keyloom::gui

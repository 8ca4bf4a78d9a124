// Tree and list views, menus and popup menus, and what the user does with
// the widgets, brought back to the host controls.

#include "gui/renderer_impl.hpp"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

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

QWidget* TRenderer::TImpl::MakeTreeView(TView& V, QWidget* Parent, QObject* Guard) {
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

QWidget* TRenderer::TImpl::MakeListView(TView& V, QWidget* Parent, QObject* Guard) {
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

void TRenderer::TImpl::MarkStale(TView& V) {
  V.Stale = true;
  ScheduleFlush();
}

void TRenderer::TImpl::SyncSelectionOrMark(TView& V) {
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

void TRenderer::TImpl::ScheduleFlush() {
  if (FFlushPending) return;
  FFlushPending = true;
  QTimer::singleShot(0, this, [this] { Flush(); });
}

void TRenderer::TImpl::Flush() {
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

void TRenderer::TImpl::RefreshTree(TView& V) {
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
    Item->setText(0, Text(V, Node->GetText()));
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

void TRenderer::TImpl::RefreshList(TView& V) {
  auto& Host = static_cast<TCustomListView&>(*V.Control);
  auto* List = static_cast<QTreeWidget*>(V.Widget.data());
  V.Syncing = true;
  const TListColumns& Columns = Host.Columns();
  const int ColumnCount = std::max(1, Columns.Count());
  QStringList Headers;
  for (int I = 0; I < Columns.Count(); ++I) Headers << Text(V, Columns[I]->GetCaption());
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
    Same = List->topLevelItem(I)->text(0) == Text(V, Host.GetItem(I)->GetCaption());
  if (!Same) {
    // Clearing releases an open editor; it is opened again below while the host still edits.
    V.EditorRow = nullptr;
    List->clear();
    for (int I = 0; I < Host.GetItemCount(); ++I) {
      auto* Row = new QTreeWidgetItem(List, QStringList{Text(V, Host.GetItem(I)->GetCaption())});
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
    // A row added below what shows comes into view, with the caret in it.
    List->scrollToItem(V.EditorRow);
    List->editItem(V.EditorRow, 0);
  }
}

void TRenderer::TImpl::FillMenu(QWidget& Into, TMenuItem& Parent, TFormView& F, const std::function<void(TMenuItem*)>& Run, bool Hook) {
  for (TMenuItem* Item : Parent.Items()) {
    if (!Item->GetVisible()) continue;
    if (Item->GetCaption() == "-") {
      auto* Separator = new QAction(&Into);
      Separator->setSeparator(true);
      Into.addAction(Separator);
      continue;
    }
    auto* Action = new QAction(&Into);
    if (Item->GetCount() > 0) {
      auto* Sub = new QMenu(&Into);
      Sub->setFont(Into.font());
      FillMenu(*Sub, *Item, F, Run, Hook);
      Action->setMenu(Sub);
    }
    UpdateAction(*Action, *Item, F);
    connect(Action, &QAction::triggered, F.Guard.get(), [Run, Item] { Run(Item); });
    Into.addAction(Action);
    if (!Hook) continue;
    F.Actions[Item] = Action;
    F.ActionChildren[Item] = Item->GetCount();
    HookItem(*Item, F);
  }
}

void TRenderer::TImpl::UpdateAction(QAction& Action, const TMenuItem& Item, const TFormView& F) {
  Action.setText(DisplayText(Item.GetCaption(), CodePageOf(F, Item)));
  Action.setCheckable(Item.GetRadioItem() || Item.GetChecked() || Item.GetAutoCheck());
  Action.setChecked(Item.GetChecked());
  Action.setEnabled(Item.GetEnabled());
  Action.setVisible(Item.GetVisible());
}

void TRenderer::TImpl::HookItem(TMenuItem& Item, TFormView& F) {
  Item.OnHostChanged = [this, &F](TMenuItem& Changed) {
    auto It = F.Actions.find(&Changed);
    if (It != F.Actions.end()) UpdateAction(*It->second, Changed, F);
    // Items added or removed: the menu bar is made again.
    if (It == F.Actions.end() || F.ActionChildren[&Changed] != Changed.GetCount()) {
      F.MenuStale = true;
      ScheduleFlush();
    }
  };
  F.HookedItems.push_back(&Item);
  FWatcher->FreeNotification(&Item);
}

void TRenderer::TImpl::UnhookItems(TFormView& F) {
  for (TMenuItem* Item : F.HookedItems) {
    Item->OnHostChanged = nullptr;
    FWatcher->RemoveFreeNotification(Item);
  }
  F.HookedItems.clear();
  F.Actions.clear();
  F.ActionChildren.clear();
}

void TRenderer::TImpl::BuildMenuBar(TFormView& F) {
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

void TRenderer::TImpl::HookPopup(TPopupMenu& Popup, TFormView& F) {
  Popup.OnShowMenu = [this, &F](TPopupMenu& Menu, int X, int Y) { ShowPopup(Menu, F, X, Y); };
  F.Popups.push_back(&Popup);
  FWatcher->FreeNotification(&Popup);
}

void TRenderer::TImpl::ShowPopup(TPopupMenu& Popup, TFormView& F, int X, int Y) {
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

bool TRenderer::TImpl::eventFilter(QObject* Object, QEvent* Event) {
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
    case QEvent::Leave: {
      // The pointer left a control that follows it: the control it lies on
      // hears where it went, as its next move there would tell.
      TWinControl* Parent = C.GetParent();
      TView* P = Parent ? ViewOf(Parent) : nullptr;
      if (Object != V->Widget.data() || !C.OnMouseMove || !P || !P->Widget || !Parent->OnMouseMove) return false;
      const QPoint At = P->Widget->mapFromGlobal(QCursor::pos());
      Parent->MouseMove(0, At.x(), At.y());
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
bool TRenderer::TImpl::ContextMenu(TControl& C, TKind Kind, QContextMenuEvent& Event) {
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

}  // namespace keyloom::gui

#include "gui/designer_window.hpp"

#include "gui/host_widgets.hpp"
#include "gui/stored_look.hpp"

#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/formfile/window.hpp>
#include <keyloom/design/resources.hpp>
#include <keyloom/component_queries.hpp>

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

namespace keyloom::gui {

int ShowMessageBox(QWidget* Parent, const std::string& Text, const std::string& Title, int Flags) {
  QMessageBox Box(Parent);
  Box.setWindowTitle(ToQt(Title));
  Box.setText(ToQt(Text));
  switch (Flags & 0xF0) {
    case 0x10: Box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
    case 0x30: Box.setIcon(QMessageBox::Warning); break;
    case 0x40: Box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  switch (Flags & 0x0F) {
    case MB_OKCANCEL: Box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNO: Box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: Box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (Box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return 0;
  }
}

namespace {

bool IsOtherDialect(const std::filesystem::path& Path) {
  std::string Ext = Path.extension().string();
  return SameText(Ext, ".lfm");
}

// A non-visual component as a designer shows it: a small raised square with
// its picture, where the file says it stands.
class TComponentIcon : public QWidget {
 public:
  TComponentIcon(QWidget* Parent, QPixmap Picture, const QString& Tip) : QWidget(Parent), FPicture(std::move(Picture)) {
    setFixedSize(28, 28);
    setToolTip(Tip);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter P(this);
    P.fillRect(rect(), palette().color(QPalette::Button));
    const QRect R = rect().adjusted(0, 0, -1, -1);
    P.setPen(palette().color(QPalette::Light));
    P.drawLine(R.topLeft(), R.topRight());
    P.drawLine(R.topLeft(), R.bottomLeft());
    P.setPen(palette().color(QPalette::Dark));
    P.drawLine(R.bottomLeft(), R.bottomRight());
    P.drawLine(R.topRight(), R.bottomRight());
    if (!FPicture.isNull()) P.drawPixmap((width() - FPicture.width()) / 2, (height() - FPicture.height()) / 2, FPicture);
  }

 private:
  QPixmap FPicture;
};

// The grey desk the designed form lies on. It paints its colour itself, so
// that the form inherits the platform's palette, not the desk's.
class TDesk : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0x80, 0x80, 0x80)); }
};

}  // namespace

TDesignerWindow::TDesignerWindow(QWidget* Parent) : QMainWindow(Parent), FHost(FRegistry) {
  FRegistry.LoadPackage(PackageDescription, Register);
  FHost.Services.MessageBox = [this](const std::string& Text, const std::string& Title, int Flags) {
    QWidget* Over = QApplication::activeWindow();
    return ShowMessageBox(Over ? Over : this, Text, Title, Flags);
  };
  FHost.OnModified = [this] { UpdateState(); };
  FRenderer.OnContextMenu = [this](TControl& Control, const QPoint& At) { return ShowVerbs(Control, At) != nullptr; };

  QMenu* File = menuBar()->addMenu(QStringLiteral("&File"));
  File->addAction(QStringLiteral("&Open..."), QKeySequence::Open, this, [this] { ChooseAndOpen(); });
  FSaveAction = File->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { Save(); });
  FSaveAsAction = File->addAction(QStringLiteral("Save &As..."), QKeySequence::SaveAs, this, [this] { ChooseAndSaveAs(); });
  File->addSeparator();
  // Spelt out: the platform's standard Quit key is empty without a desktop,
  // and the editor windows have the focus as often as the designer.
  FQuitAction = File->addAction(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, [this] { close(); });
  FQuitAction->setShortcutContext(Qt::ApplicationShortcut);

  FDesk = new TDesk;
  FDeskLayout = new QVBoxLayout(FDesk);
  FDeskLayout->setContentsMargins(16, 16, 16, 16);
  FDeskLayout->addStretch(1);
  FScroll = new QScrollArea(this);
  FScroll->setWidgetResizable(true);
  FScroll->setWidget(FDesk);
  setCentralWidget(FScroll);
  FStatus = new QLabel(this);
  statusBar()->addWidget(FStatus, 1);
  resize(760, 560);
  UpdateState();
}

TDesignerWindow::~TDesignerWindow() {
  FRenderer.OnContextMenu = nullptr;
  FHost.Close();
}

void TDesignerWindow::OpenFile(const std::filesystem::path& Path) {
  // The whole window is drawn: its ancestor forms and frames from the form's folder.
  const std::filesystem::path Folder = Path.parent_path();
  std::vector<std::filesystem::path> Folders{Folder.empty() ? std::filesystem::path(".") : Folder};
  Folders.insert(Folders.end(), FSearchPaths.begin(), FSearchPaths.end());
  const formfile::TWindowSources Sources(std::move(Folders));
  formfile::TLoadOptions Load;
  Load.Window = &Sources;
  FHost.Open(Path, FLanguage < 0 ? nullptr : FCatalogues[static_cast<std::size_t>(FLanguage)], Load);
  TRenderOptions Options;
  Options.DesignSurface = true;
  const formfile::TObjectNode& Root = FHost.Loaded().Document().Root();
  Options.Layout.FormSizeIsClient = Root.FindProperty("ClientWidth") || Root.FindProperty("ClientHeight");
  Options.GroupChildrenBelowCaption = IsOtherDialect(Path);
  UseStoredLook(Options, FHost.Loaded());
  QWidget* Surface = FRenderer.Render(FHost.Form(), Options, FDesk);
  FDeskLayout->insertWidget(0, Surface, 0, Qt::AlignLeft | Qt::AlignTop);
  AddComponentIcons();
  UpdateState();
}

void TDesignerWindow::SetCatalogues(const std::vector<std::string>& Files) {
  for (const std::string& File : Files)
    FCatalogues.push_back(std::make_shared<formfile::TCatalogue>(formfile::TCatalogue::LoadFromFile(File)));
  if (FCatalogues.empty()) return;
  QMenu* Menu = menuBar()->addMenu(QStringLiteral("&Language"));
  auto* Group = new QActionGroup(Menu);
  for (int I = -1; I < static_cast<int>(FCatalogues.size()); ++I) {
    QString Label = QStringLiteral("&Original");
    if (I >= 0) {
      const formfile::TCatalogue& C = *FCatalogues[static_cast<std::size_t>(I)];
      const QString Name = ToQt(std::filesystem::path(C.FileName()).filename().string());
      Label = C.Language().empty() ? Name : ToQt(C.Language()) + QStringLiteral(" (") + Name + QLatin1Char(')');
    }
    QAction* Action = Menu->addAction(Label);
    Action->setCheckable(true);
    Action->setChecked(I == FLanguage);
    Group->addAction(Action);
    connect(Action, &QAction::triggered, this, [this, I] { ShowLanguage(I); });
    FLanguageActions.push_back(Action);
  }
}

bool TDesignerWindow::ShowLanguage(int Index) {
  if (Index == FLanguage) return true;
  auto Keep = [this] {
    FLanguageActions[static_cast<std::size_t>(FLanguage + 1)]->setChecked(true);
    return false;
  };
  if (!ConfirmDiscard(QStringLiteral("switching the language"))) return Keep();
  const int Before = FLanguage;
  FLanguage = Index;
  FLanguageActions[static_cast<std::size_t>(FLanguage + 1)]->setChecked(true);
  if (!FHost.IsOpen()) return true;
  const std::filesystem::path Path = FHost.FileName();
  try {
    OpenFile(Path);
  } catch (const std::exception& Error) {
    Report(QStringLiteral("The form could not be shown in that language."), Error);
    FLanguage = Before;
    try {
      OpenFile(Path);
    } catch (const std::exception&) {
      UpdateState();
    }
    return Keep();
  }
  return true;
}

QWidget* TDesignerWindow::Surface() const {
  return FHost.IsOpen() ? FRenderer.WindowOf(FHost.Form()) : nullptr;
}

void TDesignerWindow::AddComponentIcons() {
  QWidget* Client = FRenderer.WidgetOf(FHost.Form());
  if (!Client) return;
  for (TComponent* C : FHost.Form().Components()) {
    if (IsClass<TControl>(C) || IsClass<TMenuItem>(C)) continue;
    const formfile::TObjectNode* Node = FHost.Loaded().NodeOf(C);
    if (!Node) continue;
    const std::optional<int> Left = StoredInteger(*Node, "Left");
    const std::optional<int> Top = StoredInteger(*Node, "Top");
    if (!Left || !Top) continue;
    QPixmap Picture;
    if (const auto Palette = PaletteBitmap(C->ClassType())) {
      Picture = PictureOf(std::string(*Palette));
    } else if (const int Image = GetImageIndex(C); Image >= 0) {
      char Name[16];
      std::snprintf(Name, sizeof Name, "TREE%02d", Image);
      if (const auto Tree = FindResource(Name)) Picture = PictureOf(std::string(*Tree));
    }
    auto* Icon = new TComponentIcon(Client, Picture, ToQt(C->GetName() + ": " + C->ClassName()));
    Icon->move(*Left, *Top);
    Icon->show();
  }
}

QMenu* TDesignerWindow::ShowVerbs(TControl& Control, const QPoint& GlobalPos) {
  if (!FHost.IsOpen()) return nullptr;
  TCustomForm& Form = FHost.Form();
  if (&Control != &Form && GetParentForm(&Control) != &Form) return nullptr;
  for (TControl* C = &Control; C; C = C->GetParent()) {
    std::vector<std::string> Verbs;
    try {
      Verbs = FHost.GetVerbs(C);
    } catch (const EKeyloomError&) {
      continue;
    }
    if (Verbs.empty()) continue;
    if (FVerbMenu) FVerbMenu->close();
    auto* Menu = new QMenu(this);
    Menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* Title = Menu->addAction(ToQt(C->GetName() + ": " + C->ClassName()));
    Title->setEnabled(false);
    Menu->addSeparator();
    for (int I = 0; I < static_cast<int>(Verbs.size()); ++I)
      Menu->addAction(ToQt(Verbs[static_cast<std::size_t>(I)]), this, [this, C, I] { ExecuteVerb(*C, I); });
    FVerbMenu = Menu;
    Menu->popup(GlobalPos);
    return Menu;
  }
  return nullptr;
}

void TDesignerWindow::ExecuteVerb(TComponent& Component, int Index) {
  try {
    FHost.ExecuteVerb(&Component, Index);
  } catch (const EKeyloomError& Error) {
    Report(QStringLiteral("The command failed."), Error);
    return;
  }
  // A window the verb opened is shown as a window of its own.
  TKeyloomForm* Editor = EditorWindowOf(Component);
  if (!Editor) return;
  if (!FRenderer.IsRendered(*Editor)) {
    FRenderer.Render(*Editor, TRenderOptions{});
    PrepareEditorWindow(*Editor);
  }
  if (QWidget* Window = FRenderer.WindowOf(*Editor); Window && Editor->Showing()) {
    Window->show();
    Window->raise();
    Window->activateWindow();
    // Its tree was built anew: it shows from the top, not where it was left.
    FRenderer.Flush();
    if (auto* Tree = qobject_cast<QAbstractItemView*>(FRenderer.WidgetOf(*Editor->tvControls))) Tree->scrollToTop();
  }
}

void TDesignerWindow::PrepareEditorWindow(TKeyloomForm& Editor) {
  QWidget* Window = FRenderer.WindowOf(Editor);
  if (!Window) return;
  // Escape closes it, as its Close button does.
  auto* Escape = new QShortcut(QKeySequence(Qt::Key_Escape), Window);
  connect(Escape, &QShortcut::activated, Window, [this, E = &Editor] {
    if (FRenderer.IsRendered(*E)) E->bClose->Click();
  });
  // However small it is made, its tool bar stays whole, above a few rows of the tree.
  const QWidget* Bar = FRenderer.WidgetOf(*Editor.tbKeyloom);
  const QWidget* Status = FRenderer.WidgetOf(*Editor.sbKeyloom);
  if (!Bar) return;
  const QRect Buttons = Bar->childrenRect();
  Window->setMinimumSize(Bar->x() + Buttons.right() + 1 + Buttons.left(),
                         Bar->height() + (Status ? Status->height() : 0) + 100);
}

TKeyloomForm* TDesignerWindow::EditorWindowOf(TComponent& Component) {
  if (!FHost.IsOpen()) return nullptr;
  TComponentEditor* Editor = nullptr;
  try {
    Editor = FHost.EditorOf(&Component);
  } catch (const EKeyloomError&) {
    return nullptr;
  }
  auto* Keyloom = dynamic_cast<TKeyloomEditor*>(Editor);
  return Keyloom ? Keyloom->GetEditorForm() : nullptr;
}

bool TDesignerWindow::Save() {
  if (!FHost.IsOpen()) return false;
  try {
    FHost.Save();
  } catch (const std::exception& Error) {
    Report(QStringLiteral("The form could not be saved."), Error);
    return false;
  }
  UpdateState();
  return true;
}

bool TDesignerWindow::SaveAs(const std::filesystem::path& Path) {
  if (!FHost.IsOpen()) return false;
  try {
    FHost.SaveAs(Path);
  } catch (const std::exception& Error) {
    Report(QStringLiteral("The form could not be saved."), Error);
    return false;
  }
  UpdateState();
  return true;
}

void TDesignerWindow::ChooseAndOpen() {
  if (!ConfirmDiscard(QStringLiteral("opening another form"))) return;
  const QString Path = QFileDialog::getOpenFileName(this, QStringLiteral("Open a form"), {},
                                                    QStringLiteral("Form files (*.dfm *.lfm);;All files (*)"));
  if (Path.isEmpty()) return;
  try {
    OpenFile(std::filesystem::path(Path.toStdString()));
  } catch (const std::exception& Error) {
    Report(QStringLiteral("The form could not be opened."), Error);
    UpdateState();
  }
}

void TDesignerWindow::ChooseAndSaveAs() {
  if (!FHost.IsOpen()) return;
  const QString Path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the form as"),
                                                    ToQt(FHost.FileName().string()),
                                                    QStringLiteral("Form files (*.dfm *.lfm);;All files (*)"));
  if (!Path.isEmpty()) SaveAs(std::filesystem::path(Path.toStdString()));
}

bool TDesignerWindow::ConfirmDiscard(const QString& Doing) {
  if (!FHost.IsOpen() || !FHost.IsModified()) return true;
  const QString Name = ToQt(FHost.FileName().filename().string());
  const auto Answer = QMessageBox::question(
      this, QStringLiteral("Keyloom Designer"),
      QStringLiteral("%1 has changes that are not saved. Save them before %2?").arg(Name, Doing),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (Answer == QMessageBox::Save) return Save();
  return Answer == QMessageBox::Discard;
}

void TDesignerWindow::closeEvent(QCloseEvent* Event) {
  if (!ConfirmDiscard(QStringLiteral("quitting"))) {
    Event->ignore();
    return;
  }
  // The editor windows go with the form.
  FHost.Close();
  Event->accept();
}

void TDesignerWindow::UpdateState() {
  const bool Open = FHost.IsOpen();
  FSaveAction->setEnabled(Open && FHost.IsModified());
  // A form shown in a language saves into its catalogue, not under another name.
  FSaveAsAction->setEnabled(Open && !FHost.Catalogue());
  QString Title = QStringLiteral("Keyloom Designer");
  if (Open) {
    QString Name = ToQt(FHost.FileName().filename().string());
    if (const formfile::TCatalogue* C = FHost.Catalogue())
      Name += QStringLiteral(" [") + ToQt(std::filesystem::path(C->FileName()).filename().string()) + QLatin1Char(']');
    Title = Name + (FHost.IsModified() ? QStringLiteral(" *") : QString()) + QStringLiteral(" - ") + Title;
    FStatus->setText(ToQt(FHost.FileName().string()) +
                     (FHost.IsModified() ? QStringLiteral(" (modified)") : QString()) +
                     QStringLiteral(" - right-click the form or a panel for its commands"));
  } else {
    FStatus->setText(QStringLiteral("No form is open: File > Open..."));
  }
  setWindowTitle(Title);
}

void TDesignerWindow::Report(const QString& What, const std::exception& Error) {
  QMessageBox::critical(this, QStringLiteral("Keyloom Designer"), What + QLatin1Char('\n') + QString::fromUtf8(Error.what()));
}

}  // namespace keyloom::gui

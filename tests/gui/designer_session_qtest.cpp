// A whole session in keyloom-designer, clicked through as a user would: the
// form's verb opens the editor window; Find, sort, move, Assign and Save; the
// setup lists edited with the keys and the confirmation box; About, Close,
// and quitting with changes not saved.

#include "gui/designer_window.hpp"
#include "gui/host_widgets.hpp"
#include "gui_test_support.hpp"

#include <keyloom/design/options_store.hpp>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace keyloom;
using gui::TDesignerWindow;

namespace {

QStringList Texts(QTreeWidget* Tree) {
  QStringList All;
  for (QTreeWidgetItemIterator It(Tree); *It; ++It) All << (*It)->text(0);
  return All;
}

QStringList Rows(QTreeWidget* List) {
  QStringList All;
  for (int I = 0; I < List->topLevelItemCount(); ++I) All << List->topLevelItem(I)->text(0);
  return All;
}

QTreeWidgetItem* ItemNamed(QTreeWidget* Tree, const QString& Text) {
  for (QTreeWidgetItemIterator It(Tree); *It; ++It)
    if ((*It)->text(0) == Text) return *It;
  return nullptr;
}

// Whether Saved is Original with only "&" characters put in; Inserted counts them.
bool OnlyAmpersandsInserted(const std::string& Original, const std::string& Saved, int& Inserted) {
  Inserted = 0;
  std::size_t I = 0;
  for (const char C : Saved) {
    if (I < Original.size() && Original[I] == C) {
      ++I;
    } else if (C == '&') {
      ++Inserted;
    } else {
      return false;
    }
  }
  return I == Original.size();
}

void ClickItem(QTreeWidget* Tree, QTreeWidgetItem* Item) {
  QVERIFY(Item);
  QTest::mouseClick(Tree->viewport(), Qt::LeftButton, {}, Tree->visualItemRect(Item).center());
}

}  // namespace

class DesignerSessionTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TConfigFolder> Config;
  std::unique_ptr<TDesignerWindow> Window;
  QString FormPath;
  std::vector<std::string> Opened;

  TKeyloomForm* Editor() { return Window->EditorWindowOf(Window->Host().Form()); }
  QWidget* W(const TControl* Control) { return Window->Renderer().WidgetOf(*Control); }
  QToolButton* Button(const TSpeedButton* Control) { return qobject_cast<QToolButton*>(W(Control)); }
  void Click(const TSpeedButton* Control) {
    QTest::mouseClick(Button(Control), Qt::LeftButton);
    Window->Renderer().Flush();
  }
  QString StatusText() {
    return static_cast<gui::TStatusBarWidget*>(W(Editor()->sbKeyloom))->Text();
  }

  // Right-clicks the designed form and chooses its verb.
  void OpenEditor() {
    QWidget* Client = W(&Window->Host().Form());
    test::RightClick(Client, QPoint(300, 150));
    QMenu* Verbs = Window->VerbMenu();
    QVERIFY(Verbs);
    QAction* Verb = test::ActionNamed(Verbs, QStringLiteral("&Keyloom..."));
    QVERIFY(Verb);
    Verb->trigger();
    Verbs->close();
    QVERIFY(Editor());
    QVERIFY(QTest::qWaitForWindowExposed(Window->Renderer().WindowOf(*Editor())));
    Window->Renderer().Flush();
  }

 private Q_SLOTS:
  void initTestCase() { gui::PrepareApplication(); }

  void init() {
    Config = std::make_unique<test::TConfigFolder>();
    FormPath = Config->Path(QStringLiteral("typical.dfm"));
    QVERIFY(QFile::copy(QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/typical.dfm"), FormPath));
    QFile::setPermissions(FormPath, QFile::ReadOwner | QFile::WriteOwner);
    Window = std::make_unique<TDesignerWindow>();
    Window->OpenFile(FormPath.toStdString());
    Opened.clear();
    Window->Host().Services.ShellOpen = [this](const std::string& Target) { Opened.push_back(Target); };
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
  }

  void cleanup() {
    Window.reset();
    Config.reset();
  }

  void TheVerbIsOfferedOnTheFormAndOnPanelsOnly() {
    TCustomForm& Form = Window->Host().Form();
    auto* Panel = dynamic_cast<TControl*>(Form.FindComponent("Panel1"));
    auto* Inner = dynamic_cast<TControl*>(Form.FindComponent("Button1"));
    test::RightClick(W(Panel));
    QMenu* Verbs = Window->VerbMenu();
    QVERIFY(Verbs);
    QCOMPARE(Verbs->actions()[0]->text(), QStringLiteral("Panel1: TPanel"));
    QVERIFY(test::ActionNamed(Verbs, QStringLiteral("&Keyloom...")));
    Verbs->close();
    // A button has no verbs of its own: the panel it lies on offers its verb.
    test::RightClick(W(Inner));
    QCOMPARE(Window->VerbMenu()->actions()[0]->text(), QStringLiteral("Panel1: TPanel"));
    Window->VerbMenu()->close();
    test::RightClick(W(&Form), QPoint(300, 150));
    QCOMPARE(Window->VerbMenu()->actions()[0]->text(), QStringLiteral("Form1: TForm1"));
    Window->VerbMenu()->close();
    QVERIFY(!Window->SaveAction()->isEnabled());
  }

  void AWholeSession() {
    OpenEditor();
    TKeyloomForm* E = Editor();
    QWidget* EditorWindow = Window->Renderer().WindowOf(*E);
    QCOMPARE(EditorWindow->windowTitle(), QStringLiteral("Keyloom - Form1 (Typical form)"));

    // The tool bar: nine flat buttons, glyph above caption.
    const TSpeedButton* Buttons[] = {E->bClear, E->bClearAll, E->bMoveUp, E->bMoveDown, E->bFind,
                                     E->bAssign, E->bSetup, E->bAbout, E->bClose};
    const char* Captions[] = {"&Clear", "C&lear All", "&Move Up", "Move &Down", "&Find",
                              "&Assign", "&Setup...", "A&bout...", "Cl&ose"};
    for (int I = 0; I < 9; ++I) {
      QToolButton* B = Button(Buttons[I]);
      QVERIFY(B);
      QCOMPARE(B->text(), QString::fromUtf8(Captions[I]));
      QVERIFY(B->autoRaise());
      QCOMPARE(B->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QVERIFY(!B->icon().isNull());
      QCOMPARE(B->geometry(), QRect(4 + 66 * I, 2, 66, 49));
    }
    QVERIFY(!Button(E->bClear)->isEnabled());
    QVERIFY(!Button(E->bMoveUp)->isEnabled());
    QVERIFY(!Button(E->bMoveDown)->isEnabled());

    // The tree, with its pictures, sorted by unique letters.
    auto* Tree = qobject_cast<QTreeWidget*>(W(E->tvControls));
    QVERIFY(Tree);
    QCOMPARE(Texts(Tree), (QStringList{"Panel1", "OK", "Open", "MainMenu1", "Exit", "File"}));
    int Pictured = 0;
    for (int I = 0; I < E->tvControls->GetItems().GetCount(); ++I) {
      const TTreeNode* Node = E->tvControls->GetItems()[I];
      QTreeWidgetItem* Item = ItemNamed(Tree, gui::ToQt(Node->GetText()));
      QCOMPARE(!Item->icon(0).isNull(), Node->GetImageIndex() >= 0);
      Pictured += Node->GetImageIndex() >= 0;
    }
    QVERIFY(Pictured >= 5);

    // Hints: a button's hint, nothing over the free tool bar or the tree,
    // and Close, which has no handler, leaves the text as it is.
    test::Hover(Button(E->bFind));
    QCOMPARE(StatusText(), QStringLiteral("Finds accelerator keys for controls missing one"));
    QCOMPARE(E->sbKeyloom->GetSimpleText(), std::string("Finds accelerator keys for controls missing one"));
    test::Hover(Button(E->bClose));
    QCOMPARE(StatusText(), QStringLiteral("Finds accelerator keys for controls missing one"));
    test::Hover(W(E->tbKeyloom), QPoint(640, 20));
    QCOMPARE(StatusText(), QString());
    test::Hover(Button(E->bAssign));
    QCOMPARE(StatusText(), QStringLiteral("Assign the current accelerator keys to the form"));
    // Leaving the button takes its hint away.
    QEvent Leave(QEvent::Leave);
    QApplication::sendEvent(Button(E->bAssign), &Leave);
    QCOMPARE(StatusText(), QString());
    test::Hover(Button(E->bAssign));
    test::Hover(Tree->viewport());
    QCOMPARE(StatusText(), QString());

    // Find.
    Click(E->bFind);
    QCOMPARE(Texts(Tree), (QStringList{"Panel1", "&OK", "O&pen", "MainMenu1", "E&xit", "&File"}));

    // Selecting enables Clear; under Unique Letters nothing moves.
    ClickItem(Tree, ItemNamed(Tree, QStringLiteral("&OK")));
    QCOMPARE(E->tvControls->GetSelection()->GetText(), std::string("&OK"));
    QVERIFY(Button(E->bClear)->isEnabled());
    QVERIFY(!Button(E->bMoveDown)->isEnabled());

    // The sort popup: its radio items, Unique Letters checked; Nothing lets nodes move.
    test::RightClick(Tree->viewport(), Tree->visualItemRect(ItemNamed(Tree, QStringLiteral("&OK"))).center());
    QMenu* Sort = Window->Renderer().OpenPopup();
    QVERIFY(Sort);
    QCOMPARE(Sort->actions().size(), 4);
    QVERIFY(test::ActionNamed(Sort, QStringLiteral("&Unique Letters"))->isChecked());
    test::ActionNamed(Sort, QStringLiteral("&Nothing"))->trigger();
    Sort->close();
    Window->Renderer().Flush();
    QVERIFY(E->miNothing->GetChecked());
    QVERIFY(!Button(E->bMoveUp)->isEnabled());
    QVERIFY(Button(E->bMoveDown)->isEnabled());
    Click(E->bMoveDown);
    QCOMPARE(Texts(Tree), (QStringList{"Panel1", "O&pen", "&OK", "MainMenu1", "E&xit", "&File"}));
    QVERIFY(Button(E->bMoveUp)->isEnabled());
    QVERIFY(!Button(E->bMoveDown)->isEnabled());

    // Clear takes the selected node's accelerator; Find gives it back.
    Click(E->bClear);
    QVERIFY(ItemNamed(Tree, QStringLiteral("OK")));
    Click(E->bFind);
    QVERIFY(ItemNamed(Tree, QStringLiteral("&OK")));

    // Assign writes into the designed form, which shows it and may be saved.
    Click(E->bAssign);
    TCustomForm& Form = Window->Host().Form();
    auto* OK = qobject_cast<QPushButton*>(W(dynamic_cast<TControl*>(Form.FindComponent("Button1"))));
    QCOMPARE(OK->text(), QStringLiteral("&OK"));
    QCOMPARE(qobject_cast<QPushButton*>(W(dynamic_cast<TControl*>(Form.FindComponent("Button2"))))->text(),
             QStringLiteral("O&pen"));
    Window->Renderer().Flush();
    QMenuBar* Bar = Window->Renderer().MenuBarOf(Form);
    QCOMPARE(Bar->actions()[0]->text(), QStringLiteral("&File"));
    QCOMPARE(Bar->actions()[1]->text(), QStringLiteral("E&xit"));
    QVERIFY(Window->Host().IsModified());
    QVERIFY(Window->SaveAction()->isEnabled());
    QVERIFY(Window->windowTitle().startsWith(QStringLiteral("typical.dfm *")));

    Window->SaveAction()->trigger();
    QVERIFY(!Window->SaveAction()->isEnabled());
    const std::string Saved = test::TConfigFolder::ReadText(FormPath);
    QVERIFY(Saved.find("Caption = '&OK'") != std::string::npos);
    QVERIFY(Saved.find("Caption = 'E&xit'") != std::string::npos);
    QVERIFY(Saved.find("Caption = '&File'") != std::string::npos);

    // Setup: the three lists.
    Click(E->bSetup);
    QCOMPARE(E->nbAbout->GetPageIndex(), 1);
    QVERIFY(W(E->lvNoCaptions)->isVisible());
    QVERIFY(!Tree->isVisible());
    auto* NoCaptions = qobject_cast<QTreeWidget*>(W(E->lvNoCaptions));
    QCOMPARE(Rows(NoCaptions),
             (QStringList{"TMainMenu", "TPopupMenu", "TCustomTabControl", "TPageControl", "TPanel", "TToolbar"}));
    QCOMPARE(NoCaptions->headerItem()->text(0), QStringLiteral("Classes"));

    // Its popup without a selection: New, but no Edit or Delete.
    test::RightClick(NoCaptions->viewport(), QPoint(20, NoCaptions->viewport()->height() - 5));
    QMenu* Popup = Window->Renderer().OpenPopup();
    QVERIFY(Popup);
    QCOMPARE(Popup->actions().size(), 5);
    QVERIFY(test::ActionNamed(Popup, QStringLiteral("&New"))->isEnabled());
    QVERIFY(!test::ActionNamed(Popup, QStringLiteral("&Edit"))->isEnabled());
    QVERIFY(!test::ActionNamed(Popup, QStringLiteral("&Delete"))->isEnabled());
    QVERIFY(Popup->actions()[3]->isSeparator());
    Popup->close();

    // Insert, typing and Enter append an entry, rebuild and save.
    NoCaptions->setFocus();
    QTest::keyClick(NoCaptions, Qt::Key_Insert);
    Window->Renderer().Flush();
    auto* Typing = NoCaptions->findChild<QLineEdit*>();
    QVERIFY(Typing);
    // The new row shows, with the caret in it.
    QVERIFY(Typing->isVisible());
    QVERIFY(NoCaptions->viewport()->rect().contains(Typing->geometry()));
    QCOMPARE(QApplication::focusWidget(), Typing);
    QTest::keyClicks(Typing, QStringLiteral("TBevel"));
    QTest::keyClick(Typing, Qt::Key_Return);
    QCOMPARE(E->GetNoCaptionClassList().Count(), 7);
    QTRY_COMPARE(E->GetNoCaptionClassList()[6], std::string("TBevel"));
    QVERIFY(Config->StoreText().find("TBevel") != std::string::npos);
    Window->Renderer().Flush();
    QCOMPARE(Rows(NoCaptions).last(), QStringLiteral("TBevel"));

    // Delete asks first; the answer Yes deletes from the view, the list and the store.
    ClickItem(NoCaptions, NoCaptions->topLevelItem(4));
    QCOMPARE(E->lvNoCaptions->GetSelected()->GetCaption(), std::string("TPanel"));
    QString Asked, Title;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    test::AnswerNextMessageBox(QMessageBox::Yes, [&](QMessageBox& Box) {
      Asked = Box.text();
      Title = Box.windowTitle();
      Icon = Box.icon();
    });
    QTest::keyClick(NoCaptions, Qt::Key_Delete);
    QCOMPARE(Asked, QStringLiteral("Are you sure you want to delete TPanel?"));
    QCOMPARE(Title, QStringLiteral("Confirm"));
    QCOMPARE(Icon, QMessageBox::Question);
    QCOMPARE(E->GetNoCaptionClassList().IndexOf("TPanel"), -1);
    Window->Renderer().Flush();
    QVERIFY(!Rows(NoCaptions).contains(QStringLiteral("TPanel")));
    TStringList Stored;
    QVERIFY(ReadList(NoCaptionsKey, Stored));
    QCOMPARE(Stored.IndexOf("TPanel"), -1);
    QCOMPARE(Stored.IndexOf("TBevel"), 5);

    Click(E->bSetup);
    QCOMPARE(E->nbAbout->GetPageIndex(), 0);
    QVERIFY(Tree->isVisible());

    // About, and its links go to the shell.
    Click(E->bAbout);
    QCOMPARE(E->nbAbout->GetPageIndex(), 2);
    QVERIFY(W(E->pAbout)->isVisible());
    QTest::mouseClick(W(E->lHomepage), Qt::LeftButton);
    QCOMPARE(Opened, std::vector<std::string>{"https://velquist.example.org/"});
    // Setup, then About, then About shows the tree.
    Click(E->bSetup);
    Click(E->bAbout);
    Click(E->bAbout);
    QCOMPARE(E->nbAbout->GetPageIndex(), 0);
    QVERIFY(Tree->isVisible());
    // A command on the tree shows the tree.
    Click(E->bSetup);
    Click(E->bFind);
    QCOMPARE(E->nbAbout->GetPageIndex(), 0);
    QVERIFY(Tree->isVisible());

    // However small the window is made, the tool bar stays whole.
    EditorWindow->resize(100, 100);
    QVERIFY(Button(E->bClose)->geometry().right() < W(E->tbKeyloom)->width());

    // Close hides the window; the verb shows it again.
    Click(E->bClose);
    QVERIFY(!E->Showing());
    QVERIFY(EditorWindow->isHidden());
    OpenEditor();
    QCOMPARE(Editor(), E);
    QVERIFY(EditorWindow->isVisible());
    // Escape closes it as Close does.
    EditorWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(EditorWindow));
    QTest::keyClick(EditorWindow, Qt::Key_Escape);
    QVERIFY(!E->Showing());
    QVERIFY(EditorWindow->isHidden());
  }

  // Find and Assign through the editor window, then Save: the file gains the
  // letters and nothing else, whatever layout the drawing needed (aligned
  // panels, auto-sized labels, sheets filling their page control).
  void SavingChangesOnlyTheCaptions_data() {
    QTest::addColumn<QString>("Form");
    QTest::addColumn<bool>("InCorpus");
    QTest::newRow("thirdparty.dfm") << QStringLiteral("thirdparty.dfm") << false;
    QTest::newRow("dialog.lfm") << QStringLiteral("dialog.lfm") << false;
    QTest::newRow("typical.dfm") << QStringLiteral("typical.dfm") << false;
    QTest::newRow("search and replace dialog")
        << QStringLiteral("HeidiSQL+HeidiSQL/source/searchreplace.dfm") << true;
    QTest::newRow("editor search dialog") << QStringLiteral("doublecmd+doublecmd/src/feditsearch.lfm") << true;
    QTest::newRow("page controls") << QStringLiteral("HeidiSQL+HeidiSQL/source/usermanager.dfm") << true;
  }

  void SavingChangesOnlyTheCaptions() {
    QFETCH(QString, Form);
    QFETCH(bool, InCorpus);
    const QString Source = InCorpus ? QStringLiteral(KEYLOOM_CORPUS_DIR "/") + Form
                                    : QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/") + Form;
    if (!QFile::exists(Source)) QSKIP("the corpus is absent");
    const QString Path = Config->Path(QFileInfo(Form).fileName());
    QFile::remove(Path);
    QVERIFY(QFile::copy(Source, Path));
    QFile::setPermissions(Path, QFile::ReadOwner | QFile::WriteOwner);
    const std::string Original = test::TConfigFolder::ReadText(Path);
    Window->OpenFile(Path.toStdString());
    QVERIFY(!Window->Host().IsModified());

    OpenEditor();
    // Assign before Find writes the captions the form has: nothing to save.
    Click(Editor()->bAssign);
    QVERIFY(!Window->Host().IsModified());
    QVERIFY(!Window->SaveAction()->isEnabled());
    Click(Editor()->bFind);
    Click(Editor()->bAssign);
    Click(Editor()->bClose);
    QVERIFY(Window->Host().IsModified());
    Window->SaveAction()->trigger();
    QVERIFY(!Window->Host().IsModified());

    const std::string Saved = test::TConfigFolder::ReadText(Path);
    int Inserted = 0;
    QVERIFY2(OnlyAmpersandsInserted(Original, Saved, Inserted),
             "the saved form differs from the file in more than inserted \"&\"");
    QVERIFY(Inserted > 0);
  }

  void QuittingWithChangesAsks() {
    OpenEditor();
    Click(Editor()->bClearAll);
    Click(Editor()->bFind);
    Click(Editor()->bAssign);
    QVERIFY(Window->Host().IsModified());

    // Cancel keeps the designer open.
    QString Asked;
    test::AnswerNextMessageBox(QMessageBox::Cancel, [&Asked](QMessageBox& Box) { Asked = Box.text(); });
    Window->QuitAction()->trigger();
    QVERIFY(Asked.contains(QStringLiteral("typical.dfm")));
    QVERIFY(Window->isVisible());
    QVERIFY(Window->Host().IsOpen());

    // Save saves, then quits, and the editor window goes with the form.
    QPointer<QWidget> EditorWindow = Window->Renderer().WindowOf(*Editor());
    test::AnswerNextMessageBox(QMessageBox::Save);
    Window->QuitAction()->trigger();
    QVERIFY(!Window->isVisible());
    QVERIFY(!Window->Host().IsOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(EditorWindow.isNull());
    QVERIFY(test::TConfigFolder::ReadText(FormPath).find("Caption = '&OK'") != std::string::npos);
  }

  void SaveAsWritesTheFormElsewhereAndWorksOnThere() {
    OpenEditor();
    Click(Editor()->bFind);
    Click(Editor()->bAssign);
    const std::string Original = test::TConfigFolder::ReadText(FormPath);
    const QString Copy = Config->Path(QStringLiteral("copy.dfm"));
    QVERIFY(Window->SaveAs(Copy.toStdString()));
    QVERIFY(test::TConfigFolder::ReadText(Copy).find("Caption = '&OK'") != std::string::npos);
    QCOMPARE(test::TConfigFolder::ReadText(FormPath), Original);
    QVERIFY(!Window->SaveAction()->isEnabled());
    QVERIFY(Window->windowTitle().startsWith(QStringLiteral("copy.dfm - ")));
  }

  void AFormShownInALanguageSavesIntoItsCatalogue() {
    const QString Po = Config->Path(QStringLiteral("app.de.po"));
    const std::string Catalogue =
        "msgid \"\"\nmsgstr \"Language: de\\n\"\n\n#: tform1.button1.caption\nmsgid \"OK\"\nmsgstr \"Gut\"\n"
        "\n#: tform1.button2.caption\nmsgid \"Open\"\nmsgstr \"Öffnen\"\n";
    {
      QFile File(Po);
      QVERIFY(File.open(QIODevice::WriteOnly));
      File.write(Catalogue.data(), static_cast<qint64>(Catalogue.size()));
    }
    Window->SetCatalogues({Po.toStdString()});
    QVERIFY(Window->ShowLanguage(0));
    QCOMPARE(Window->Host().Catalogue()->Language(), std::string("de"));
    QVERIFY(!Window->SaveAsAction()->isEnabled());
    const std::string Form = test::TConfigFolder::ReadText(FormPath);
    OpenEditor();
    Click(Editor()->bFind);
    Click(Editor()->bAssign);
    Click(Editor()->bClose);
    Window->SaveAction()->trigger();
    QCOMPARE(test::TConfigFolder::ReadText(FormPath), Form);
    const std::string Saved = test::TConfigFolder::ReadText(Po);
    QVERIFY(Saved.find("msgstr \"&Gut\"") != std::string::npos);
    QVERIFY(Saved.find("msgstr \"Ö&ffnen\"") != std::string::npos);
    QVERIFY(Window->ShowLanguage(-1));
    QVERIFY(!Window->Host().Catalogue());
  }

  void OpeningAFormClosesTheEditorWindowsOfTheOneBefore() {
    OpenEditor();
    QPointer<QWidget> EditorWindow = Window->Renderer().WindowOf(*Editor());
    QPointer<QWidget> Surface = Window->Surface();
    const QString Dialog = Config->Path(QStringLiteral("dialog.lfm"));
    QVERIFY(QFile::copy(QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/dialog.lfm"), Dialog));
    Window->OpenFile(Dialog.toStdString());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(EditorWindow.isNull());
    QVERIFY(Surface.isNull());
    QVERIFY(Window->Surface());
    QCOMPARE(Window->Host().Form().GetName(), std::string("OptionsDialog"));
    QVERIFY(Window->windowTitle().startsWith(QStringLiteral("dialog.lfm - ")));
    // The new form's verb opens a window for it.
    OpenEditor();
    QCOMPARE(Window->Renderer().WindowOf(*Editor())->windowTitle(), QStringLiteral("Keyloom - OptionsDialog (Options)"));
  }

  void NonVisualComponentsLieWhereTheFileSays() {
    // The main menu of the example form is stored at (224, 16).
    QWidget* Client = W(&Window->Host().Form());
    QWidget* Icon = nullptr;
    for (QWidget* Child : Client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (Child->toolTip() == QStringLiteral("MainMenu1: TMainMenu")) Icon = Child;
    QVERIFY(Icon);
    QCOMPARE(Icon->pos(), QPoint(224, 16));
  }

  void TheSetupSettingsAreTheFormsTKeyloomsAndAreSavedWithIt() {
    const QString Stored = Config->Path(QStringLiteral("stored.dfm"));
    QVERIFY(QFile::copy(QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/stored.dfm"), Stored));
    QFile::setPermissions(Stored, QFile::ReadOwner | QFile::WriteOwner);
    Window->OpenFile(Stored.toStdString());
    OpenEditor();
    TKeyloomForm* E = Editor();
    Click(E->bSetup);
    auto* Scope = qobject_cast<QComboBox*>(W(E->cbScope));
    QVERIFY(Scope && Scope->isVisible() && Scope->isEnabled() && !Scope->isEditable());
    QCOMPARE(Scope->currentText(), QStringLiteral("Sibling groups"));
    QVERIFY(!Window->Host().IsModified());

    // The user's choice reaches the host box and its change handler, which sets the component.
    QTest::keyClick(Scope, Qt::Key_Down);
    QCOMPARE(E->cbScope->GetItemIndex(), 1);
    QCOMPARE(E->GetKeyOptions().Scope, TKeyScope::ksWindow);
    QTest::keyClicks(qobject_cast<QLineEdit*>(W(E->eReservedLetters)), QStringLiteral("q"));
    QCOMPARE(E->GetKeyOptions().ReservedLetters, std::string("q"));
    QVERIFY(Window->Host().IsModified());
    Window->SaveAction()->trigger();
    const std::string Saved = test::TConfigFolder::ReadText(Stored);
    QVERIFY(Saved.find("Scope = ksWindow") != std::string::npos);
    QVERIFY(Saved.find("ReservedLetters = 'q'") != std::string::npos);

    // Back at the defaults, the file is as it was.
    QTest::keyClick(Scope, Qt::Key_Up);
    QTest::keyClick(qobject_cast<QLineEdit*>(W(E->eReservedLetters)), Qt::Key_Backspace);
    QVERIFY(E->GetKeyOptions().IsDefault());
    Window->SaveAction()->trigger();
    QCOMPARE(test::TConfigFolder::ReadText(Stored),
             test::TConfigFolder::ReadText(QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/stored.dfm")));
  }

  void QuittingWithoutChangesAsksNothing() {
    Window->QuitAction()->trigger();
    QVERIFY(!Window->isVisible());
  }
};

QTEST_MAIN(DesignerSessionTest)
#include "designer_session_qtest.moc"

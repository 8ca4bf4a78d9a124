// The rendering layer: every kind of control becomes its widget, host
// changes reach the widgets, and what the user does reaches the host.

#include "gui/host_widgets.hpp"
#include "gui/renderer.hpp"
#include "gui/stored_look.hpp"
#include "gui_test_support.hpp"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTextLayout>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

using namespace keyloom;
using gui::TRenderer;
using gui::TRenderOptions;

namespace {

const char* const EveryControl = R"(object Form1: TForm
  Width = 520
  Height = 400
  Caption = 'Every control'
  object bOK: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = '&OK'
  end
  object bbHelp: TBitBtn
    Left = 90
    Top = 8
    Width = 75
    Height = 25
    Caption = '&Help'
  end
  object sbFind: TSpeedButton
    Left = 170
    Top = 8
    Width = 60
    Height = 25
    Caption = '&Find'
    Flat = True
  end
  object cbSave: TCheckBox
    Left = 8
    Top = 40
    Width = 120
    Height = 17
    Caption = '&Save on exit'
  end
  object rbOne: TRadioButton
    Left = 8
    Top = 60
    Width = 120
    Height = 17
    Caption = 'One'
  end
  object gbLayout: TGroupBox
    Left = 240
    Top = 8
    Width = 130
    Height = 60
    Caption = '&Layout'
  end
  object rgUnits: TRadioGroup
    Left = 380
    Top = 8
    Width = 120
    Height = 80
    Caption = 'Units'
    ItemIndex = 1
    Items.Strings = (
      '&Millimetres'
      '&Inches'
      '&Points')
  end
  object lName: TLabel
    Left = 8
    Top = 90
    Caption = '&Name:'
  end
  object stNote: TStaticText
    Left = 8
    Top = 110
    Width = 80
    Height = 17
    Caption = 'Note'
  end
  object eName: TEdit
    Left = 60
    Top = 86
    Width = 120
    Height = 21
    Text = 'Joe'
  end
  object mNotes: TMemo
    Left = 190
    Top = 86
    Width = 100
    Height = 40
  end
  object cbKind: TComboBox
    Left = 300
    Top = 96
    Width = 100
    Height = 21
  end
  object lbItems: TListBox
    Left = 410
    Top = 96
    Width = 90
    Height = 40
  end
  object pcPages: TPageControl
    Left = 8
    Top = 140
    Width = 200
    Height = 100
    object tsFirst: TTabSheet
      Caption = '&First'
    end
    object tsSecond: TTabSheet
      Caption = '&Second'
    end
  end
  object Bevel1: TBevel
    Left = 220
    Top = 140
    Width = 50
    Height = 50
  end
  object Image1: TImage
    Left = 280
    Top = 140
    Width = 50
    Height = 50
  end
  object Fancy1: TFancyGauge
    Left = 340
    Top = 140
    Width = 100
    Height = 50
  end
  object Panel1: TPanel
    Left = 8
    Top = 250
    Width = 200
    Height = 60
    Caption = 'Panel'
    PopupMenu = pmPanel
    object bInner: TButton
      Left = 8
      Top = 8
      Width = 60
      Height = 25
      Caption = 'Inner'
    end
  end
  object MainMenu1: TMainMenu
    object miFile: TMenuItem
      Caption = '&File'
      object miExit: TMenuItem
        Caption = 'E&xit'
      end
    end
  end
  object pmPanel: TPopupMenu
    object miFirst: TMenuItem
      Caption = '&First'
    end
    object miBreak: TMenuItem
      Caption = '-'
    end
    object miLast: TMenuItem
      Caption = '&Last'
    end
  end
end
)";

// A window of aligned parts: a tool bar, a status bar, a notebook, and in it
// a tree, a list above a splitter, and a list filling the rest.
const char* const Aligned = R"(object Form1: TForm
  Width = 408
  Height = 327
  object Tools: TToolBar
    Height = 30
    Align = alTop
  end
  object Status: TStatusBar
    Height = 19
    Align = alBottom
    SimplePanel = True
  end
  object Book: TNotebook
    Align = alClient
    object TPage
      Caption = 'Tree'
      object Tree: TTreeView
        Align = alClient
        Indent = 27
      end
    end
    object TPage
      Caption = 'Lists'
      object Upper: TListView
        Top = 0
        Height = 100
        Align = alTop
        Columns = <
          item
            Caption = 'Classes'
            Width = -2
          end>
        ViewStyle = vsReport
      end
      object Splitter1: TSplitter
        Top = 100
        Height = 3
        Align = alTop
      end
      object Lower: TListView
        Align = alClient
        ViewStyle = vsReport
      end
    end
  end
end
)";

template <class T>
T& Get(formfile::TLoadedForm& Loaded, const char* Name) {
  auto* Found = dynamic_cast<T*>(Loaded.Form().FindComponent(Name));
  if (!Found) qFatal("no %s", Name);
  return *Found;
}

QRect BoundsOf(const TControl& C) { return {C.GetLeft(), C.GetTop(), C.GetWidth(), C.GetHeight()}; }

}  // namespace

class RendererTest : public QObject {
  Q_OBJECT

  std::unique_ptr<formfile::TLoadedForm> Loaded;
  std::unique_ptr<TRenderer> Renderer;

  QWidget* Show(const char* Text, TRenderOptions Options = {}) {
    Loaded = test::ReadForm(Text);
    Renderer = std::make_unique<TRenderer>();
    Loaded->Form().Show();
    QWidget* Window = Renderer->Render(Loaded->Form(), Options);
    if (!QTest::qWaitForWindowExposed(Window)) qWarning("window not exposed");
    Renderer->Flush();
    return Window;
  }
  QWidget* W(const char* Name) { return Renderer->WidgetOf(Get<TControl>(*Loaded, Name)); }
  template <class T>
  T* As(const char* Name) {
    return dynamic_cast<T*>(W(Name));
  }

 private Q_SLOTS:
  void initTestCase() { gui::PrepareApplication(); }

  void cleanup() {
    Renderer.reset();
    Loaded.reset();
  }

  void EveryKindOfControlBecomesItsWidget() {
    Show(EveryControl);
    QVERIFY(As<QPushButton>("bOK"));
    QVERIFY(As<QPushButton>("bbHelp"));
    QVERIFY(As<QToolButton>("sbFind") && As<QToolButton>("sbFind")->autoRaise());
    QVERIFY(As<QCheckBox>("cbSave"));
    QVERIFY(As<QRadioButton>("rbOne"));
    QVERIFY(As<QGroupBox>("gbLayout"));
    QVERIFY(As<gui::TLabelWidget>("lName"));
    QVERIFY(As<gui::TLabelWidget>("stNote"));
    QCOMPARE(As<QLineEdit>("eName")->text(), QStringLiteral("Joe"));
    QVERIFY(As<QPlainTextEdit>("mNotes"));
    QVERIFY(As<QComboBox>("cbKind"));
    QVERIFY(As<QListWidget>("lbItems"));
    QVERIFY(As<gui::TTabbedWidget>("pcPages"));
    QVERIFY(As<gui::TBevelWidget>("Bevel1"));
    QVERIFY(As<gui::TImageWidget>("Image1"));
    QVERIFY(As<gui::TUnknownWidget>("Fancy1"));
    QVERIFY(As<gui::TPanelWidget>("Panel1"));
    // Child controls sit in their parent's widget, at their bounds.
    QCOMPARE(W("bInner")->parentWidget(), W("Panel1"));
    for (const char* Name : {"bOK", "cbSave", "gbLayout", "eName", "Panel1", "bInner", "Fancy1"})
      QCOMPARE(W(Name)->geometry(), BoundsOf(Get<TControl>(*Loaded, Name)));

    auto* Units = As<QGroupBox>("rgUnits");
    const QList<QRadioButton*> Items = Units->findChildren<QRadioButton*>();
    QCOMPARE(Items.size(), 3);
    QCOMPARE(Items[1]->text(), QStringLiteral("&Inches"));
    QVERIFY(Items[1]->isChecked());

    QTabBar* Tabs = As<gui::TTabbedWidget>("pcPages")->TabBar();
    QCOMPARE(Tabs->count(), 2);
    QCOMPARE(Tabs->tabText(1), QStringLiteral("&Second"));
    QVERIFY(W("tsFirst")->isVisible());
    QVERIFY(!W("tsSecond")->isVisible());

    QMenuBar* Bar = Renderer->MenuBarOf(Loaded->Form());
    QVERIFY(Bar);
    QCOMPARE(Bar->actions().size(), 1);
    QCOMPARE(Bar->actions()[0]->text(), QStringLiteral("&File"));
    QCOMPARE(Bar->actions()[0]->menu()->actions()[0]->text(), QStringLiteral("E&xit"));
  }

  // The name of a container of an unknown class shows whole or not at all:
  // no letter of it peeks out between the controls placed on it.
  void APlaceholderLeavesNoStrayLetters() {
    const std::string Text =
        test::TConfigFolder::ReadText(QStringLiteral(KEYLOOM_SOURCE_DIR "/examples/forms/thirdparty.dfm"));
    Show(Text.c_str());
    QWidget* Panel = As<gui::TUnknownWidget>("pnlButtons");
    QVERIFY(Panel);
    const QImage Image = Panel->grab().toImage();
    const QColor Background = Panel->palette().color(QPalette::Window);
    const QRect Before = W("btnPrint")->geometry();
    const QRect After = W("btnPreview")->geometry();
    QVERIFY(After.left() > Before.right() + 1);
    for (int X = Before.right() + 1; X < After.left(); ++X)
      for (int Y = Before.top(); Y <= Before.bottom(); ++Y) QCOMPARE(Image.pixelColor(X, Y), Background);
  }

  // A button's drop-down arrow (#9207), which the default face lacks, is
  // drawn in a face that has it, not as the box of a missing character.
  void CharactersTheDefaultFaceLacksAreDrawnInAnother() {
    Show(EveryControl);
    const char32_t Arrow = 0x23F7;
    QTextLayout Layout(QString::fromUcs4(&Arrow, 1), W("bOK")->font());
    Layout.beginLayout();
    Layout.createLine();
    Layout.endLayout();
    const QList<QGlyphRun> Runs = Layout.glyphRuns();
    QCOMPARE(Runs.size(), 1);
    QVERIFY(Runs[0].rawFont().supportsCharacter(Arrow));
  }

  void AcceleratorsAreUnderlinedAndActAsShortcutsOutsideADesigner() {
    Show(EveryControl);
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut), 1);
    QCOMPARE(As<QPushButton>("bOK")->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
    QCOMPARE(As<QCheckBox>("cbSave")->shortcut(), QKeySequence(QStringLiteral("Alt+S")));
    // A label draws its accelerator underlined: "&Name:" differs from "Name:"
    // only by the underline, and shows the ampersand when it shows no accelerator.
    auto& Label = Get<TLabel>(*Loaded, "lName");
    Label.SetAutoSize(false);
    Label.SetWidth(60);
    const QImage Marked = W("lName")->grab().toImage();
    Label.SetCaption("Name:");
    const QImage Plain = W("lName")->grab().toImage();
    QVERIFY(Marked != Plain);
    Label.SetCaption("&Name:");
    Label.SetShowAccelChar(false);
    W("lName")->update();
    QVERIFY(W("lName")->grab().toImage() != Marked);

    // On a design surface the accelerators show but do not act.
    cleanup();
    TRenderOptions Design;
    Design.DesignSurface = true;
    Loaded = test::ReadForm(EveryControl);
    Renderer = std::make_unique<TRenderer>();
    QWidget Desk;
    Renderer->Render(Loaded->Form(), Design, &Desk);
    QCOMPARE(As<QPushButton>("bOK")->text(), QStringLiteral("&OK"));
    QVERIFY(As<QPushButton>("bOK")->shortcut().isEmpty());
    QVERIFY(W("bOK")->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(!W("Panel1")->testAttribute(Qt::WA_TransparentForMouseEvents));
    Renderer.reset();
  }

  void TheOtherDialectCountsGroupChildrenBelowTheCaption() {
    const char* Text =
        "object Form1: TForm\n  Width = 200\n  Height = 100\n"
        "  object gbLayout: TGroupBox\n    Left = 10\n    Top = 10\n    Width = 150\n    Height = 80\n"
        "    object cbSave: TCheckBox\n      Left = 8\n      Top = 4\n      Width = 100\n      Height = 19\n    end\n"
        "  end\nend\n";
    for (const bool Other : {false, true}) {
      TRenderOptions Options;
      Options.GroupChildrenBelowCaption = Other;
      Show(Text, Options);
      QCOMPARE(W("cbSave")->geometry(), Other ? QRect(10, 22, 100, 19) : QRect(8, 4, 100, 19));
      cleanup();
    }
  }

  void HostChangesReachTheWidgets() {
    Show(EveryControl);
    auto& OK = Get<TButton>(*Loaded, "bOK");
    OK.SetCaption("&Yes");
    QCOMPARE(As<QPushButton>("bOK")->text(), QStringLiteral("&Yes"));
    OK.SetEnabled(false);
    QVERIFY(!W("bOK")->isEnabled());
    OK.SetBounds(20, 30, 90, 28);
    QCOMPARE(W("bOK")->geometry(), QRect(20, 30, 90, 28));
    OK.SetVisible(false);
    QVERIFY(W("bOK")->isHidden());

    Get<TCheckBox>(*Loaded, "cbSave").SetChecked(true);
    QVERIFY(As<QCheckBox>("cbSave")->isChecked());
    Get<TEdit>(*Loaded, "eName").SetText("Ann");
    QCOMPARE(As<QLineEdit>("eName")->text(), QStringLiteral("Ann"));

    auto& Units = Get<TRadioGroup>(*Loaded, "rgUnits");
    Units.GetItems()->Add("&Twips");
    Units.SetItemIndex(3);
    const QList<QRadioButton*> Items = As<QGroupBox>("rgUnits")->findChildren<QRadioButton*>();
    QCOMPARE(Items.size(), 4);
    QVERIFY(Items[3]->isChecked());

    auto& Pages = Get<TPageControl>(*Loaded, "pcPages");
    Pages.SetActivePage(&Get<TTabSheet>(*Loaded, "tsSecond"));
    QCOMPARE(As<gui::TTabbedWidget>("pcPages")->TabBar()->currentIndex(), 1);
    QVERIFY(W("tsSecond")->isVisible());
    QVERIFY(!W("tsFirst")->isVisible());
    Get<TTabSheet>(*Loaded, "tsFirst").SetCaption("F&irst");
    QCOMPARE(As<gui::TTabbedWidget>("pcPages")->TabBar()->tabText(0), QStringLiteral("F&irst"));

    // Menu items change in place; a new item rebuilds the menu bar.
    auto& Exit = Get<TMenuItem>(*Loaded, "miExit");
    QMenuBar* Bar = Renderer->MenuBarOf(Loaded->Form());
    Exit.SetCaption("&Exit");
    Exit.SetEnabled(false);
    QAction* ExitAction = Bar->actions()[0]->menu()->actions()[0];
    QCOMPARE(ExitAction->text(), QStringLiteral("&Exit"));
    QVERIFY(!ExitAction->isEnabled());
    auto* Help = new TMenuItem(&Loaded->Form());
    Help->SetCaption("&Help");
    Get<TMainMenu>(*Loaded, "MainMenu1").GetItems()->Add(Help);
    Renderer->Flush();
    QCOMPARE(Bar->actions().size(), 2);
    QCOMPARE(Bar->actions()[1]->text(), QStringLiteral("&Help"));

    Loaded->Form().SetCaption("Renamed");
    QCOMPARE(Renderer->WindowOf(Loaded->Form())->windowTitle(), QStringLiteral("Renamed"));
  }

  void WhatTheUserDoesReachesTheHost() {
    Show(EveryControl);
    std::vector<std::string> Clicked;
    auto Record = [&Clicked](TObject* Sender) { Clicked.push_back(static_cast<TComponent*>(Sender)->GetName()); };
    for (const char* Name : {"bOK", "cbSave", "rgUnits", "lName", "sbFind"}) Get<TControl>(*Loaded, Name).OnClick = Record;

    QTest::mouseClick(W("bOK"), Qt::LeftButton);
    QTest::mouseClick(W("sbFind"), Qt::LeftButton);
    QTest::mouseClick(W("cbSave"), Qt::LeftButton, {}, QPoint(6, 8));
    QVERIFY(Get<TCheckBox>(*Loaded, "cbSave").GetChecked());
    QRadioButton* Points = As<QGroupBox>("rgUnits")->findChildren<QRadioButton*>()[2];
    QTest::mouseClick(Points, Qt::LeftButton, {}, QPoint(6, Points->height() / 2));
    QCOMPARE(Get<TRadioGroup>(*Loaded, "rgUnits").GetItemIndex(), 2);
    QTest::mouseClick(W("lName"), Qt::LeftButton);
    QCOMPARE(Clicked, (std::vector<std::string>{"bOK", "sbFind", "cbSave", "rgUnits", "lName"}));

    // Change handlers read what the user has just put in.
    std::vector<std::string> Changed;
    auto& Name = Get<TEdit>(*Loaded, "eName");
    Name.OnChange = [&](TObject*) { Changed.push_back(Name.GetText()); };
    QTest::keyClicks(As<QLineEdit>("eName"), QStringLiteral("x"));
    QCOMPARE(Name.GetText(), std::string("Joex"));
    auto& Kind = Get<TComboBox>(*Loaded, "cbKind");
    Kind.OnChange = [&](TObject*) { Changed.push_back(Kind.GetText()); };
    QTest::keyClicks(As<QComboBox>("cbKind")->lineEdit(), QStringLiteral("Big"));
    QCOMPARE(Kind.GetText(), std::string("Big"));
    // A list to choose from only: the choice is the item index.
    Kind.GetItems()->Add("Small");
    Kind.GetItems()->Add("Large");
    Kind.SetStyle(TComboBoxStyle::csDropDownList);
    Kind.OnChange = [&](TObject*) { Changed.push_back(std::to_string(Kind.GetItemIndex())); };
    QVERIFY(!As<QComboBox>("cbKind")->isEditable());
    QTest::keyClick(As<QComboBox>("cbKind"), Qt::Key_Down);
    QTest::keyClick(As<QComboBox>("cbKind"), Qt::Key_Down);
    QCOMPARE(Kind.GetItemIndex(), 1);
    QCOMPARE(Changed, (std::vector<std::string>{"Joex", "B", "Bi", "Big", "0", "1"}));

    As<gui::TTabbedWidget>("pcPages")->TabBar()->setCurrentIndex(1);
    QCOMPARE(Get<TPageControl>(*Loaded, "pcPages").GetActivePage(), &Get<TTabSheet>(*Loaded, "tsSecond"));

    int Moves = 0;
    Get<TControl>(*Loaded, "Panel1").OnMouseMove = [&Moves](TObject*, TShiftState, int X, int Y) {
      ++Moves;
      QCOMPARE(QPoint(X, Y), QPoint(30, 40));
    };
    test::Hover(W("Panel1"), QPoint(30, 40));
    QCOMPARE(Moves, 1);

    // The menu bar's items and a control's popup menu click the host's items.
    int Exits = 0;
    Get<TMenuItem>(*Loaded, "miExit").OnClick = [&Exits](TObject*) { ++Exits; };
    Renderer->MenuBarOf(Loaded->Form())->actions()[0]->menu()->actions()[0]->trigger();
    QCOMPARE(Exits, 1);

    auto& Popup = Get<TPopupMenu>(*Loaded, "pmPanel");
    int Popups = 0;
    Popup.OnPopup = [&Popups](TObject*) { ++Popups; };
    int Lasts = 0;
    Get<TMenuItem>(*Loaded, "miLast").OnClick = [&Lasts](TObject*) { ++Lasts; };
    // A right-click on a control without a menu of its own reaches the panel below.
    test::RightClick(W("bInner"));
    QCOMPARE(Popups, 1);
    QMenu* Menu = Renderer->OpenPopup();
    QVERIFY(Menu);
    QCOMPARE(Popup.GetPopupComponent(), &Get<TControl>(*Loaded, "Panel1"));
    QCOMPARE(Menu->actions().size(), 3);
    QVERIFY(Menu->actions()[1]->isSeparator());
    test::ActionNamed(Menu, QStringLiteral("&Last"))->trigger();
    QCOMPARE(Lasts, 1);
  }

  void AlignedPartsFollowTheWindowAndTheSplitter() {
    QWidget* Window = Show(Aligned);
    TCustomForm& Form = Loaded->Form();
    QCOMPARE(W("Tools")->geometry(), QRect(0, 0, 400, 30));
    QCOMPARE(W("Status")->geometry(), QRect(0, 281, 400, 19));
    QCOMPARE(W("Book")->geometry(), QRect(0, 30, 400, 251));
    QCOMPARE(W("Tree")->geometry(), QRect(0, 0, 400, 251));

    // The user makes the window larger: the host form takes the new size.
    Window->resize(500, 400);
    QTRY_COMPARE(Form.GetWidth(), 508);
    QCOMPARE(Form.GetHeight(), 427);
    QCOMPARE(W("Status")->geometry(), QRect(0, 381, 500, 19));
    QCOMPARE(Get<TControl>(*Loaded, "Tree").GetWidth(), 500);

    // Dragging the splitter down makes the list above it taller.
    Get<TNotebook>(*Loaded, "Book").SetPageIndex(1);
    QVERIFY(W("Upper")->isVisible());
    QVERIFY(!W("Tree")->isVisible());
    QWidget* Splitter = W("Splitter1");
    QTest::mousePress(Splitter, Qt::LeftButton, {}, QPoint(10, 1));
    QMouseEvent Drag(QEvent::MouseMove, QPoint(10, 21), Splitter->mapToGlobal(QPoint(10, 21)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Splitter, &Drag);
    QTest::mouseRelease(Splitter, Qt::LeftButton, {}, QPoint(10, 21));
    QCOMPARE(Get<TControl>(*Loaded, "Upper").GetHeight(), 120);
    QCOMPARE(Get<TControl>(*Loaded, "Splitter1").GetTop(), 120);
    QCOMPARE(W("Lower")->geometry().top(), 123);

    // A design surface draws the same layout, but the host keeps the bounds
    // the file stores: a designer that saves them writes no layout of ours.
    cleanup();
    Loaded = test::ReadForm(Aligned);
    const auto Stored = test::ReadForm(Aligned);
    Renderer = std::make_unique<TRenderer>();
    TRenderOptions Design;
    Design.DesignSurface = true;
    QWidget Desk;
    Renderer->Render(Loaded->Form(), Design, &Desk);
    QCOMPARE(W("Status")->geometry(), QRect(0, 281, 400, 19));
    QCOMPARE(W("Tree")->geometry(), QRect(0, 0, 400, 251));
    Get<TNotebook>(*Loaded, "Book").SetPageIndex(1);
    QCOMPARE(W("Lower")->geometry().top(), 103);
    for (const char* Name : {"Tools", "Status", "Book", "Tree", "Upper", "Splitter1", "Lower"})
      QCOMPARE(gui::HostBounds(Get<TControl>(*Loaded, Name)), gui::HostBounds(Get<TControl>(*Stored, Name)));
    Renderer.reset();
  }

  void LabelsSizeThemselvesToTheirText() {
    Show(EveryControl);
    auto& Label = Get<TLabel>(*Loaded, "lName");
    QVERIFY(Label.GetWidth() > 0 && Label.GetHeight() > 0);
    const int Wide = Label.GetWidth();
    Label.SetCaption("&Name of the person:");
    QVERIFY(Label.GetWidth() > Wide);
    // A wrapping label keeps its width and takes the height its text needs.
    Label.SetWordWrap(true);
    Label.SetWidth(40);
    QCOMPARE(Label.GetWidth(), 40);
    QVERIFY(Label.GetHeight() >= 3 * QFontMetrics(W("lName")->font()).height());
  }

  void TextsInALegacyCodePageAreDecodedForDisplayOnly() {
    // Raw bytes: cp1251 for the Russian label, cp1253 for the Greek panel and
    // what takes its font, else the file's own code page (GBK: the first
    // charset it names), even under a font that says ANSI_CHARSET.
    const std::string Text =
        "object Form1: TForm\n  Width = 400\n  Height = 300\n  Caption = 'Codes'\n"
        "  object lChinese: TLabel\n    Left = 8\n    Top = 8\n    Caption = '\xD6\xD0\xCE\xC4'\n"
        "    Font.Charset = GB2312_CHARSET\n    ParentFont = False\n  end\n"
        "  object lRussian: TLabel\n    Left = 8\n    Top = 30\n    Caption = '\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0'\n"
        "    Font.Charset = RUSSIAN_CHARSET\n    ParentFont = False\n  end\n"
        "  object bUtf8: TButton\n    Left = 100\n    Top = 30\n    Width = 75\n    Height = 25\n"
        "    Caption = 'Caf'#233\n    Font.Charset = RUSSIAN_CHARSET\n    ParentFont = False\n  end\n"
        "  object Greek: TPanel\n    Left = 8\n    Top = 60\n    Width = 200\n    Height = 60\n"
        "    Font.Charset = GREEK_CHARSET\n    ParentFont = False\n"
        "    object bGreek: TButton\n      Left = 8\n      Top = 8\n      Width = 75\n      Height = 25\n"
        "      Caption = '\xC1\xEB\xF6\xE1'\n    end\n"
        "    object bOwnFont: TButton\n      Left = 90\n      Top = 8\n      Width = 75\n      Height = 25\n"
        "      Caption = '\xC4\xE3\xBA\xC3'\n      ParentFont = False\n    end\n  end\n"
        "  object mChinese: TMemo\n    Left = 8\n    Top = 130\n    Width = 200\n    Height = 60\n"
        "    Font.Charset = ANSI_CHARSET\n    Lines.Strings = (\n      '\xC4\xE3\xBA\xC3'\n      #20013#25991)\n"
        "    ParentFont = False\n  end\n"
        "  object MainMenu1: TMainMenu\n    object miFile: TMenuItem\n      Caption = '\xCE\xC4\xBC\xFE'\n    end\n  end\n"
        "end\n";
    Loaded = test::ReadForm(Text);
    Renderer = std::make_unique<TRenderer>();
    TRenderOptions Options;
    gui::UseStoredLook(Options, *Loaded);
    Loaded->Form().Show();
    Renderer->Render(Loaded->Form(), Options);
    Renderer->Flush();
    QCOMPARE(As<gui::THostWidget>("lChinese")->Caption(), QString::fromUtf8("中文"));
    QCOMPARE(As<gui::THostWidget>("lRussian")->Caption(), QString::fromUtf8("Проверка"));
    QCOMPARE(As<QPushButton>("bUtf8")->text(), QString::fromUtf8("Café"));
    QCOMPARE(As<QPushButton>("bGreek")->text(), QString::fromUtf8("Αλφα"));
    QCOMPARE(As<QPushButton>("bOwnFont")->text(), QString::fromUtf8("你好"));
    const QString Memo = As<QPlainTextEdit>("mChinese")->toPlainText();
    QCOMPARE(Memo, QString::fromUtf8("你好\n中文\n"));
    QCOMPARE(Renderer->MenuBarOf(Loaded->Form())->actions().value(0)->text(), QString::fromUtf8("文件"));
    // Every character has a glyph in some installed face, not an empty box.
    QTextLayout Layout(Memo, W("mChinese")->font());
    Layout.beginLayout();
    Layout.createLine();
    Layout.endLayout();
    for (const QGlyphRun& Run : Layout.glyphRuns())
      for (const quint32 Glyph : Run.glyphIndexes()) QVERIFY2(Glyph != 0, "a character without a glyph");
    // The components and the file keep their bytes.
    QCOMPARE(Get<TControl>(*Loaded, "lRussian").GetCaption(), std::string("\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0"));
    QCOMPARE(Loaded->Render(), Text);
  }

  void TheTreeShowsTheNodesWithTheirPicturesAndSelection() {
    Show(Aligned);
    auto& Tree = Get<TTreeView>(*Loaded, "Tree");
    auto* Images = new TImageList(&Loaded->Form());
    Images->SetWidth(24);
    Images->SetHeight(24);
    QImage Picture(24, 24, QImage::Format_ARGB32);
    Picture.fill(Qt::red);
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "PNG");
    Images->Add(Png.toStdString());
    Tree.SetImages(Images);
    TTreeNode* Panel = Tree.GetItems().AddChild(nullptr, "Panel1");
    TTreeNode* OK = Tree.GetItems().AddChild(Panel, "&OK");
    OK->SetImageIndex(0);
    Tree.GetItems().AddChild(Panel, "O&pen");
    Renderer->Flush();
    auto* View = As<QTreeWidget>("Tree");
    QCOMPARE(View->topLevelItemCount(), 1);
    QTreeWidgetItem* Item = View->topLevelItem(0)->child(0);
    QCOMPARE(Item->text(0), QStringLiteral("&OK"));
    QVERIFY(!Item->icon(0).isNull());
    QVERIFY(View->topLevelItem(0)->child(1)->icon(0).isNull());

    int Clicks = 0;
    Tree.OnClick = [&Clicks](TObject*) { ++Clicks; };
    const QPoint At = View->visualItemRect(Item).center();
    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, At);
    QCOMPARE(Tree.GetSelection(), OK);
    QCOMPARE(Clicks, 1);

    Tree.SetSelection(Panel);
    QCOMPARE(View->currentItem(), View->topLevelItem(0));
    OK->SetText("&Yes");
    Renderer->Flush();
    QCOMPARE(View->topLevelItem(0)->child(0)->text(0), QStringLiteral("&Yes"));
  }

  void ListViewsEditInPlaceAndReportKeys() {
    Show(Aligned);
    Get<TNotebook>(*Loaded, "Book").SetPageIndex(1);
    auto& Upper = Get<TListView>(*Loaded, "Upper");
    Upper.AddItem("TPanel");
    Upper.AddItem("TToolbar");
    Renderer->Flush();
    auto* View = As<QTreeWidget>("Upper");
    QCOMPARE(View->topLevelItemCount(), 2);
    QCOMPARE(View->headerItem()->text(0), QStringLiteral("Classes"));
    QVERIFY(View->header()->stretchLastSection());

    std::vector<std::uint16_t> Keys;
    Upper.OnKeyDown = [&Keys](TObject*, std::uint16_t& Key, TShiftState) { Keys.push_back(Key); };
    View->setFocus();
    QTest::keyClick(View, Qt::Key_Insert);
    QTest::keyClick(View, Qt::Key_F2);
    QTest::keyClick(View, Qt::Key_Delete, Qt::ShiftModifier);
    // The shift key is a key of its own, as the framework reports it.
    QCOMPARE(Keys, (std::vector<std::uint16_t>{45, 113, 16, 46}));

    QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->visualItemRect(View->topLevelItem(1)).center());
    QCOMPARE(Upper.GetSelected(), Upper.GetItem(1));

    std::vector<std::string> Edited;
    Upper.OnEdited = [&Edited](TObject*, TListItem*, std::string& S) { Edited.push_back(S); };
    Upper.StartEdit(Upper.GetItem(1));
    Renderer->Flush();
    auto* Editor = View->findChild<QLineEdit*>();
    QVERIFY(Editor);
    Editor->selectAll();
    QTest::keyClicks(Editor, QStringLiteral("TBevel"));
    QTest::keyClick(Editor, Qt::Key_Return);
    // The item view commits an edit once the key press is done.
    QTRY_COMPARE(Edited.size(), std::size_t{1});
    QCOMPARE(Edited, std::vector<std::string>{"TBevel"});
    QCOMPARE(Upper.GetItem(1)->GetCaption(), std::string("TBevel"));
    QVERIFY(!Upper.GetEditing());
    Renderer->Flush();
    QCOMPARE(View->topLevelItem(1)->text(0), QStringLiteral("TBevel"));

    // Escape cancels: nothing is reported and the caption stays.
    Upper.StartEdit(Upper.GetItem(0));
    Renderer->Flush();
    Editor = View->findChild<QLineEdit*>();
    QVERIFY(Editor);
    QTest::keyClicks(Editor, QStringLiteral("Gone"));
    QTest::keyClick(Editor, Qt::Key_Escape);
    QVERIFY(!Upper.GetEditing());
    QCOMPARE(Edited.size(), std::size_t{1});
    QCOMPARE(Upper.GetItem(0)->GetCaption(), std::string("TPanel"));
  }

  void ClosingTheWindowHidesTheHostForm() {
    QWidget* Window = Show(Aligned);
    int Hides = 0;
    Loaded->Form().OnHide = [&Hides](TObject*) { ++Hides; };
    Window->close();
    QCOMPARE(Hides, 1);
    QVERIFY(!Loaded->Form().Showing());
    QVERIFY(Window->isHidden());
    Loaded->Form().Show();
    QVERIFY(Window->isVisible());
  }

  void WidgetsGoWithTheirControlsAndNothingIsLeftHooked() {
    Show(EveryControl);
    QPointer<QWidget> Panel = W("Panel1");
    QPointer<QWidget> Inner = W("bInner");
    auto& Button = Get<TButton>(*Loaded, "bOK");
    delete &Get<TPanel>(*Loaded, "Panel1");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Panel.isNull());
    QVERIFY(Inner.isNull());
    QVERIFY(W("bOK"));

    // Released: the host controls no longer call into the renderer.
    QPointer<QWidget> Window = Renderer->WindowOf(Loaded->Form());
    Renderer->Release(Loaded->Form());
    QVERIFY(!Button.OnHostChanged);
    QVERIFY(!Get<TMenuItem>(*Loaded, "miExit").OnHostChanged);
    QVERIFY(!Get<TPopupMenu>(*Loaded, "pmPanel").OnShowMenu);
    Button.SetCaption("After");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Window.isNull());

    // A form freed while shown takes its window along.
    Show(Aligned);
    Window = Renderer->WindowOf(Loaded->Form());
    Loaded.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(Window.isNull());
    Renderer->Flush();
  }
};

QTEST_MAIN(RendererTest)
#include "renderer_qtest.moc"

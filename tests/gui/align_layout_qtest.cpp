// The align pass: aligned children stack as the framework's widget sets
// stack them, and the editor window's stored layout comes out of it again.

#include "gui/align_layout.hpp"
#include "gui/stored_look.hpp"
#include "gui_test_support.hpp"

#include <keyloom/design/keyloom_form.hpp>

#include <QTest>

using keyloom::gui::AlignControls;
using keyloom::gui::AlignTree;
using keyloom::gui::TLayoutConventions;
using keyloom::gui::TRect;

namespace {

keyloom::TControl& Named(keyloom::TCustomForm& Form, const char* Name) {
  auto* Control = dynamic_cast<keyloom::TControl*>(Form.FindComponent(Name));
  if (!Control) qFatal("no control %s", Name);
  return *Control;
}

TRect BoundsOf(const keyloom::TControl& C) { return {C.GetLeft(), C.GetTop(), C.GetWidth(), C.GetHeight()}; }

char* Describe(const TRect& R) {
  return QTest::toString(QStringLiteral("(%1,%2 %3x%4)").arg(R.Left).arg(R.Top).arg(R.Width).arg(R.Height));
}

#define COMPARE_BOUNDS(Control, ...)                                                   \
  do {                                                                                 \
    const TRect Want{__VA_ARGS__};                                                     \
    const TRect Got = BoundsOf(Control);                                               \
    if (!(Got == Want))                                                                \
      QFAIL(qPrintable(QStringLiteral("%1 is %2, expected %3")                         \
                           .arg(QString::fromStdString((Control).GetName()),           \
                                QString::fromUtf8(Describe(Got)), QString::fromUtf8(Describe(Want))))); \
  } while (false)

const char* const Stacked =
    "object Form1: TForm\n"
    "  Width = 300\n"
    "  Height = 200\n"
    "  object Second: TPanel\n    Top = 50\n    Height = 20\n    Align = alTop\n  end\n"
    "  object First: TPanel\n    Top = 0\n    Height = 10\n    Align = alTop\n  end\n"
    "  object Bottom: TPanel\n    Height = 15\n    Align = alBottom\n  end\n"
    "  object Left: TPanel\n    Width = 30\n    Align = alLeft\n  end\n"
    "  object Right: TPanel\n    Width = 40\n    Align = alRight\n  end\n"
    "  object Client: TPanel\n    Align = alClient\n  end\n"
    "  object Free: TButton\n    Left = 7\n    Top = 9\n    Width = 11\n    Height = 13\n  end\n"
    "end\n";

}  // namespace

class AlignLayoutTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void AlignedControlsTakeTheirSidesInTurnAndTheClientTheRest() {
    auto Loaded = keyloom::test::ReadForm(Stacked);
    keyloom::TCustomForm& Form = Loaded->Form();
    TLayoutConventions Client;
    Client.FormSizeIsClient = true;
    AlignControls(Form, Client);
    COMPARE_BOUNDS(Named(Form, "First"), 0, 0, 300, 10);
    COMPARE_BOUNDS(Named(Form, "Second"), 0, 10, 300, 20);
    COMPARE_BOUNDS(Named(Form, "Bottom"), 0, 185, 300, 15);
    COMPARE_BOUNDS(Named(Form, "Left"), 0, 30, 30, 155);
    COMPARE_BOUNDS(Named(Form, "Right"), 260, 30, 40, 155);
    COMPARE_BOUNDS(Named(Form, "Client"), 30, 30, 230, 155);
    COMPARE_BOUNDS(Named(Form, "Free"), 7, 9, 11, 13);
  }

  void AFormsOuterSizeLosesItsFrameCaptionAndMenuBar() {
    auto Loaded = keyloom::test::ReadForm(
        "object Form1: TForm\n  Width = 668\n  Height = 495\n  object Client: TPanel\n    Align = alClient\n  end\nend\n");
    auto& Client = Named(Loaded->Form(), "Client");
    AlignControls(Loaded->Form(), TLayoutConventions{});
    COMPARE_BOUNDS(Client, 0, 0, 660, 468);
    new keyloom::TMainMenu(&Loaded->Form());
    AlignControls(Loaded->Form(), TLayoutConventions{});
    COMPARE_BOUNDS(Client, 0, 0, 660, 449);
    TLayoutConventions SizeIsClient;
    SizeIsClient.FormSizeIsClient = true;
    AlignControls(Loaded->Form(), SizeIsClient);
    COMPARE_BOUNDS(Client, 0, 0, 668, 495);
  }

  void AlignedControlsKeepTheirStoredMargins() {
    // Margins count only with AlignWithMargins, and are 3 where not stored;
    // the bottom margin of 40 leaves the button below the client panel free.
    auto Loaded = keyloom::test::ReadForm(
        "object Form1: TForm\n  Width = 300\n  Height = 200\n"
        "  object Top1: TPanel\n    AlignWithMargins = True\n    Height = 20\n    Align = alTop\n  end\n"
        "  object Bottom1: TPanel\n    AlignWithMargins = True\n    Height = 15\n    Align = alBottom\n  end\n"
        "  object Left1: TPanel\n    AlignWithMargins = True\n    Width = 30\n    Margins.Left = 8\n"
        "    Margins.Top = 0\n    Margins.Right = 2\n    Margins.Bottom = 40\n    Align = alLeft\n  end\n"
        "  object Right1: TPanel\n    Width = 20\n    Margins.Right = 9\n    Align = alRight\n  end\n"
        "  object Client1: TPanel\n    AlignWithMargins = True\n    Margins.Left = 0\n    Margins.Top = 8\n"
        "    Margins.Right = 8\n    Margins.Bottom = 40\n    Align = alClient\n  end\n"
        "  object Save: TButton\n    Left = 200\n    Top = 142\n    Width = 75\n    Height = 25\n  end\nend\n");
    keyloom::TCustomForm& Form = Loaded->Form();
    keyloom::gui::TRenderOptions Options;
    keyloom::gui::UseStoredLook(Options, *Loaded);
    Options.Layout.FormSizeIsClient = true;
    AlignControls(Form, Options.Layout);
    COMPARE_BOUNDS(Named(Form, "Top1"), 3, 3, 294, 20);
    COMPARE_BOUNDS(Named(Form, "Bottom1"), 3, 182, 294, 15);
    COMPARE_BOUNDS(Named(Form, "Left1"), 8, 26, 30, 113);
    COMPARE_BOUNDS(Named(Form, "Right1"), 280, 26, 20, 153);
    COMPARE_BOUNDS(Named(Form, "Client1"), 40, 34, 232, 105);
    COMPARE_BOUNDS(Named(Form, "Save"), 200, 142, 75, 25);
  }

  void HiddenControlsTakeNoRoomUnlessAFormIsDesigned() {
    auto Loaded = keyloom::test::ReadForm(
        "object Form1: TForm\n  Width = 100\n  Height = 100\n"
        "  object Hidden: TPanel\n    Height = 30\n    Align = alTop\n    Visible = False\n  end\n"
        "  object Shown: TPanel\n    Top = 40\n    Height = 20\n    Align = alTop\n  end\nend\n");
    keyloom::TCustomForm& Form = Loaded->Form();
    auto& Shown = Named(Form, "Shown");
    TLayoutConventions L;
    L.FormSizeIsClient = true;
    AlignControls(Form, L);
    COMPARE_BOUNDS(Shown, 0, 0, 100, 20);
    Form.SetDesigning(true);
    AlignControls(Form, L);
    COMPARE_BOUNDS(Shown, 0, 30, 100, 20);
  }

  void PanelsKeepTheirBorderAndBevelsFree() {
    auto Loaded = keyloom::test::ReadForm(
        "object Form1: TForm\n  Width = 200\n  Height = 100\n"
        "  object Holder: TPanel\n    Align = alClient\n    BevelOuter = bvNone\n    BorderWidth = 10\n"
        "    object Framed: TPanel\n      Align = alClient\n      BevelInner = bvLowered\n"
        "      object Inner: TPanel\n        Align = alClient\n      end\n    end\n  end\nend\n");
    TLayoutConventions L;
    L.FormSizeIsClient = true;
    AlignTree(Loaded->Form(), L);
    COMPARE_BOUNDS(Named(Loaded->Form(), "Framed"), 10, 10, 180, 80);
    // Raised outer and lowered inner bevel: one pixel each.
    COMPARE_BOUNDS(Named(Loaded->Form(), "Inner"), 2, 2, 176, 76);
  }

  void PagesAndSheetsFillTheirParentsDisplayArea() {
    auto Loaded = keyloom::test::ReadForm(
        "object Form1: TForm\n  Width = 300\n  Height = 200\n"
        "  object Book: TNotebook\n    Left = 0\n    Top = 0\n    Width = 120\n    Height = 90\n"
        "    object TPage\n      Caption = 'One'\n    end\n    object TPage\n      Caption = 'Two'\n    end\n  end\n"
        "  object Pages: TPageControl\n    Left = 130\n    Top = 0\n    Width = 160\n    Height = 100\n"
        "    object Sheet1: TTabSheet\n      Caption = 'Sheet'\n    end\n  end\nend\n");
    keyloom::TCustomForm& Form = Loaded->Form();
    AlignTree(Form, TLayoutConventions{});
    auto& Book = static_cast<keyloom::TNotebook&>(*Form.FindComponent("Book"));
    COMPARE_BOUNDS(*Book.GetPage(0), 0, 0, 120, 90);
    COMPARE_BOUNDS(*Book.GetPage(1), 0, 0, 120, 90);
    const int Tabs = TLayoutConventions{}.TabHeight;
    COMPARE_BOUNDS(Named(Form, "Sheet1"), 4, Tabs, 152, 100 - Tabs - 4);
  }

  void TheEditorWindowsStoredLayoutComesOutOfTheAlignPass() {
    keyloom::test::TConfigFolder Config;
    keyloom::TKeyloomForm Window(nullptr);
    // Everything aligned is placed anew; the stored bounds are what the
    // classic widget set computed for the same window.
    for (keyloom::TComponent* C : Window.Components())
      if (auto* Control = dynamic_cast<keyloom::TControl*>(C); Control && Control->GetAlign() != keyloom::TAlign::alNone)
        Control->SetBounds(0, Control->GetTop(), 1, Control->GetHeight());
    AlignTree(Window, TLayoutConventions{});
    COMPARE_BOUNDS(*Window.sbKeyloom, 0, 449, 660, 19);
    COMPARE_BOUNDS(*Window.tbKeyloom, 0, 0, 660, 55);
    COMPARE_BOUNDS(*Window.nbAbout, 0, 55, 660, 394);
    COMPARE_BOUNDS(*Window.tvControls, 0, 0, 660, 394);
    COMPARE_BOUNDS(*Window.lvCaptions, 0, 29, 660, 80);
    COMPARE_BOUNDS(*Window.spSetup1, 0, 109, 660, 3);
    COMPARE_BOUNDS(*Window.pDefaultCaptions, 0, 224, 660, 29);
    COMPARE_BOUNDS(*Window.lvDefaultCaptions, 0, 253, 660, 85);
    COMPARE_BOUNDS(*Window.pKeyOptions, 0, 338, 660, 56);
    COMPARE_BOUNDS(*Window.pHolder, 0, 0, 660, 394);
    COMPARE_BOUNDS(*Window.pAbout, 10, 10, 640, 374);

    // A larger window: the client parts grow, the fixed ones stay.
    Window.SetBounds(0, 0, 808, 627);
    AlignTree(Window, TLayoutConventions{});
    COMPARE_BOUNDS(*Window.sbKeyloom, 0, 581, 800, 19);
    COMPARE_BOUNDS(*Window.nbAbout, 0, 55, 800, 526);
    COMPARE_BOUNDS(*Window.lvDefaultCaptions, 0, 253, 800, 217);
    COMPARE_BOUNDS(*Window.pKeyOptions, 0, 470, 800, 56);
    COMPARE_BOUNDS(*Window.pAbout, 10, 10, 780, 506);
  }
};

QTEST_GUILESS_MAIN(AlignLayoutTest)
#include "align_layout_qtest.moc"

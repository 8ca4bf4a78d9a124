#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>
#include <keyloom/host/user_store.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>

#include "design/design_fixture.hpp"
#include "support/runtime_forms.hpp"

namespace keyloom {
namespace {

using test::Dump;
using test::Get;

// A designed form that counts the messages its own window procedure sees.
class TProbeForm : public TForm {
 public:
  using TForm::TForm;
  int ControlChanges = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == CM_CONTROLCHANGE) ++ControlChanges;
    TForm::WndProc(Message);
  }
};

class KeyloomFormTest : public test::TDesignFixture {
 protected:
  // The window, shown for the designed form with a counting designer.
  std::unique_ptr<TKeyloomForm> Open(formfile::TLoadedForm& Designed) {
    auto Window = std::make_unique<TKeyloomForm>(nullptr);
    Window->SetOwnerForm(&Designed.Form());
    Window->SetDesigner(Designer);
    Window->Services = Designer->GetServices();
    Window->Show();
    return Window;
  }
  TTreeNode* NodeNamed(TKeyloomForm& Window, const std::string& Text) {
    TTreeNodes& Items = Window.tvControls->GetItems();
    for (int I = 0; I < Items.GetCount(); ++I)
      if (DeleteAccelerator(Items[I]->GetText()) == Text) return Items[I];
    ADD_FAILURE() << "no node " << Text;
    return nullptr;
  }
  void Select(TKeyloomForm& Window, const std::string& Text) {
    Window.tvControls->SetSelection(NodeNamed(Window, Text));
    Window.tvControls->Click();
  }

  std::shared_ptr<test::TTestDesigner> Designer = std::make_shared<test::TTestDesigner>();
};

// ---------------------------------------------------------------- layout

TEST_F(KeyloomFormTest, TheLayoutHoldsTheToolbarButtonsWithTheirCaptionsHintsAndHandlers) {
  TKeyloomForm Window(nullptr);
  struct TRow {
    TSpeedButton* Button;
    const char* Caption;
    const char* Hint;
  };
  const TRow Rows[] = {
      {Window.bClear, "&Clear", "Clears the accelerator key of the selected control(s)"},
      {Window.bClearAll, "C&lear All", "Clears the accelerator key of all the controls"},
      {Window.bMoveUp, "&Move Up", "Moves the selected control up"},
      {Window.bMoveDown, "Move &Down", "Moves the selected control down"},
      {Window.bFind, "&Find", "Finds accelerator keys for controls missing one"},
      {Window.bAssign, "&Assign", "Assign the current accelerator keys to the form"},
      {Window.bSetup, "&Setup...", "Show/Hides Class setup for Keyloom"},
      {Window.bAbout, "A&bout...", "Show/Hides information about Keyloom"},
      {Window.bClose, "Cl&ose", ""},
  };
  int Left = 4;
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Caption);
    EXPECT_EQ(Row.Button->GetCaption(), Row.Caption);
    EXPECT_EQ(Row.Button->GetHint(), Row.Hint);
    EXPECT_EQ(Row.Button->GetParent(), Window.tbKeyloom);
    EXPECT_EQ(Row.Button->GetLeft(), Left);
    EXPECT_EQ(Row.Button->GetWidth(), 66);
    EXPECT_EQ(Row.Button->GetHeight(), 49);
    EXPECT_TRUE(Row.Button->GetFlat());
    EXPECT_EQ(Row.Button->GetLayout(), TButtonLayout::blGlyphTop);
    EXPECT_EQ(Row.Button->GetSpacing(), 0);
    EXPECT_EQ(Row.Button->GetNumGlyphs(), 2);
    EXPECT_TRUE(static_cast<bool>(Row.Button->OnClick));
    // Every button but Close shows its hint.
    EXPECT_EQ(static_cast<bool>(Row.Button->OnMouseMove), Row.Button != Window.bClose);
    EXPECT_EQ(Row.Button->GetGlyphData().substr(1, 3), "PNG");
    Left += 66;
  }
}

TEST_F(KeyloomFormTest, TheLayoutHoldsTheWindowTreeStatusBarAndPages) {
  TKeyloomForm Window(nullptr);
  EXPECT_EQ(Window.GetName(), "KeyloomForm");
  EXPECT_EQ(Window.GetLeft(), 276);
  EXPECT_EQ(Window.GetTop(), 122);
  EXPECT_EQ(Window.GetWidth(), 668);
  EXPECT_EQ(Window.GetHeight(), 495);
  EXPECT_EQ(Window.GetBorderStyle(), TFormBorderStyle::bsSizeToolWin);
  EXPECT_EQ(Window.GetBorderIcons(), static_cast<std::uint32_t>(biSystemMenu));
  EXPECT_EQ(Window.GetFont()->GetName(), "MS Sans Serif");
  EXPECT_EQ(Window.GetFont()->GetHeight(), -11);
  for (const auto& Event : {Window.OnCreate, Window.OnDestroy, Window.OnShow, Window.OnHide, Window.OnResize})
    EXPECT_TRUE(static_cast<bool>(Event));

  EXPECT_EQ(Window.sbKeyloom->GetAlign(), TAlign::alBottom);
  EXPECT_EQ(Window.sbKeyloom->GetHeight(), 19);
  EXPECT_TRUE(Window.sbKeyloom->GetSimplePanel());
  EXPECT_EQ(Window.tbKeyloom->GetAlign(), TAlign::alTop);
  EXPECT_EQ(Window.tbKeyloom->GetHeight(), 55);
  EXPECT_EQ(Window.tbKeyloom->GetButtonHeight(), 49);
  EXPECT_EQ(Window.tbKeyloom->GetEdgeBorders(), static_cast<std::uint32_t>(ebTop | ebBottom));
  EXPECT_EQ(Window.tbKeyloom->GetIndent(), 4);
  EXPECT_TRUE(Window.tbKeyloom->GetShowCaptions());
  EXPECT_TRUE(Window.tbKeyloom->GetAutoSize());
  EXPECT_TRUE(static_cast<bool>(Window.tbKeyloom->OnMouseMove));

  ASSERT_EQ(Window.nbAbout->PageCount(), 3);
  EXPECT_EQ(Window.nbAbout->GetPage(0)->GetCaption(), "Default");
  EXPECT_EQ(Window.nbAbout->GetPage(1)->GetCaption(), "Setup");
  EXPECT_EQ(Window.nbAbout->GetPage(2)->GetCaption(), "About");
  EXPECT_EQ(Window.tvControls->GetParent(), Window.nbAbout->GetPage(0));
  EXPECT_EQ(Window.tvControls->GetAlign(), TAlign::alClient);
  EXPECT_EQ(Window.tvControls->GetIndent(), 27);
  EXPECT_FALSE(Window.tvControls->GetHideSelection());
  EXPECT_FALSE(Window.tvControls->GetToolTips());
  EXPECT_EQ(Window.tvControls->GetImages(), Window.itComponentGraphics);
  EXPECT_EQ(Window.tvControls->GetPopupMenu(), Window.pmKeyloom);
  EXPECT_TRUE(Window.tvControls->OnChange && Window.tvControls->OnClick && Window.tvControls->OnCompare &&
              Window.tvControls->OnMouseMove);
  EXPECT_EQ(Window.itComponentGraphics->GetWidth(), 24);
  EXPECT_EQ(Window.itComponentGraphics->GetHeight(), 24);
  EXPECT_EQ(Window.itComponentGraphics->GetCount(), 13);

  const std::vector<std::pair<TMenuItem*, const char*>> Sorts = {{Window.miNothing, "&Nothing"},
                                                                 {Window.miCaption, "&Caption"},
                                                                 {Window.miCaptionLength, "Caption &Length"},
                                                                 {Window.miUniqueLetters, "&Unique Letters"}};
  for (std::size_t I = 0; I < Sorts.size(); ++I) {
    TMenuItem* Item = Sorts[I].first;
    EXPECT_EQ(Window.pmKeyloom->GetItems()->GetItem(static_cast<int>(I)), Item);
    EXPECT_EQ(Item->GetCaption(), Sorts[I].second);
    EXPECT_TRUE(Item->GetRadioItem());
    EXPECT_TRUE(static_cast<bool>(Item->OnClick));
    EXPECT_EQ(Item->GetChecked(), Item == Window.miUniqueLetters);
  }
}

TEST_F(KeyloomFormTest, TheLayoutHoldsTheSetupListsAndTheAboutPage) {
  TKeyloomForm Window(nullptr);
  struct TRow {
    TPanel* Panel;
    TLabel* Label;
    const char* Heading;
    TListView* View;
    const char* Column;
    TPopupMenu* Popup;
    const char* Prefix;
  };
  const TRow Rows[] = {
      {Window.pCaptions, Window.lCaptions, "Classes with captions:", Window.lvCaptions, "Classes", Window.pmCaptions,
       "miCaptions"},
      {Window.pNoCaptions, Window.lNoCaptions, "Classes without captions:", Window.lvNoCaptions, "Classes",
       Window.pmNoCaptions, "miNoCaptions"},
      {Window.pDefaultCaptions, Window.lDefaultCaptions, "Default Captions:", Window.lvDefaultCaptions, "Captions",
       Window.pmDefaultCaptions, "miDefaultCaptions"},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Heading);
    EXPECT_EQ(Row.Panel->GetParent(), Window.nbAbout->GetPage(1));
    EXPECT_EQ(Row.Panel->GetHeight(), 29);
    EXPECT_EQ(Row.Panel->GetBevelOuter(), TBevelCut::bvNone);
    EXPECT_EQ(Row.Label->GetParent(), Row.Panel);
    EXPECT_EQ(Row.Label->GetCaption(), Row.Heading);
    EXPECT_EQ(Row.Label->GetLeft(), 4);
    EXPECT_EQ(Row.Label->GetTop(), 8);
    ASSERT_EQ(Row.View->Columns().Count(), 1);
    EXPECT_EQ(Row.View->Columns()[0]->GetCaption(), Row.Column);
    EXPECT_EQ(Row.View->Columns()[0]->GetWidth(), -2);
    EXPECT_EQ(Row.View->GetViewStyle(), TViewStyle::vsReport);
    EXPECT_TRUE(Row.View->GetRowSelect());
    EXPECT_FALSE(Row.View->GetReadOnly());
    EXPECT_EQ(Row.View->GetPopupMenu(), Row.Popup);
    EXPECT_TRUE(Row.View->OnEdited && Row.View->OnKeyDown);
    EXPECT_TRUE(static_cast<bool>(Row.Popup->OnPopup));
    const char* Items[][2] = {{"New", "&New"},
                              {"Edit", "&Edit"},
                              {"Delete", "&Delete"},
                              {"Break", "-"},
                              {"RestoreDefaults", "&Restore Defaults"}};
    ASSERT_EQ(Row.Popup->GetItems()->GetCount(), 5);
    for (int I = 0; I < 5; ++I) {
      TMenuItem* Item = Row.Popup->GetItems()->GetItem(I);
      EXPECT_EQ(Item->GetName(), std::string(Row.Prefix) + Items[I][0]);
      EXPECT_EQ(Item->GetCaption(), Items[I][1]);
      EXPECT_EQ(static_cast<bool>(Item->OnClick), I != 3);
    }
  }
  // Each setting's label leads to its box, each box's items to its enumeration's values in order.
  const std::pair<TLabel*, TComboBox*> Settings[] = {{Window.lScope, Window.cbScope},
                                                     {Window.lStrategy, Window.cbStrategy},
                                                     {Window.lNonLatin, Window.cbNonLatin},
                                                     {Window.lPlaceholders, Window.cbPlaceholders}};
  const int Values[] = {2, 2, 3, 2};
  for (std::size_t I = 0; I < std::size(Settings); ++I) {
    const auto [Label, Box] = Settings[I];
    SCOPED_TRACE(Label->GetCaption());
    EXPECT_EQ(Label->GetParent(), Window.pKeyOptions);
    EXPECT_EQ(Label->GetFocusControl(), Box);
    EXPECT_EQ(Box->GetStyle(), TComboBoxStyle::csDropDownList);
    EXPECT_EQ(Box->GetItems()->Count(), Values[I]);
    EXPECT_TRUE(Box->OnChange && !Box->GetHint().empty());
  }
  EXPECT_EQ(Window.lReservedLetters->GetFocusControl(), Window.eReservedLetters);
  EXPECT_TRUE(static_cast<bool>(Window.eReservedLetters->OnChange));
  EXPECT_EQ(Window.pKeyOptions->GetParent(), Window.nbAbout->GetPage(1));
  EXPECT_EQ(Window.lvCaptions->GetHeight(), 80);
  EXPECT_EQ(Window.lvNoCaptions->GetHeight(), 80);
  EXPECT_EQ(Window.lvDefaultCaptions->GetAlign(), TAlign::alClient);
  EXPECT_EQ(Window.spSetup1->GetHeight(), 3);
  EXPECT_EQ(Window.spSetup2->GetHeight(), 3);

  EXPECT_EQ(Window.pHolder->GetParent(), Window.nbAbout->GetPage(2));
  EXPECT_EQ(Window.pHolder->GetBorderWidth(), 10);
  EXPECT_EQ(Window.pHolder->GetBevelOuter(), TBevelCut::bvNone);
  EXPECT_EQ(Window.pAbout->GetParent(), Window.pHolder);
  EXPECT_EQ(Window.pAbout->GetBevelInner(), TBevelCut::bvLowered);
  EXPECT_EQ(Window.lTitle->GetFont()->GetHeight(), -16);
  EXPECT_EQ(Window.lTitle->GetFont()->GetStyle(), static_cast<std::uint32_t>(fsBold));
  EXPECT_TRUE(Window.lInformation->GetWordWrap());
  EXPECT_FALSE(Window.lInformation->GetShowAccelChar());
  for (TLabel* Link : {Window.lHomepage, Window.lComponentHomepage}) {
    EXPECT_EQ(Link->GetFont()->GetColor(), 0xFF0000);  // clBlue
    EXPECT_EQ(Link->GetFont()->GetStyle(), static_cast<std::uint32_t>(fsUnderline));
    EXPECT_EQ(Link->GetCursor(), -21);  // crHandPoint
    EXPECT_TRUE(static_cast<bool>(Link->OnClick));
  }
  for (TLabel* Label : {Window.lTitle, Window.lVersion, Window.lCredits, Window.lHomepage, Window.lInformation,
                        Window.lComponentHomepage}) {
    EXPECT_EQ(Label->GetAlignment(), TAlignment::taCenter);
    EXPECT_EQ(Label->GetParent(), Window.pAbout);
    EXPECT_FALSE(Label->GetCaption().empty());
  }
}

// ---------------------------------------------------------------- showing

TEST_F(KeyloomFormTest, ShowingHooksTheFormTitlesTheWindowAndShowsTheSortedTree) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  EXPECT_EQ(Window->GetCaption(), "Keyloom - Form1 (Main)");
  EXPECT_TRUE(Window->IsHooked());
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 0);
  EXPECT_EQ(Dump(*Window->tvControls), test::DesignedTree);
  // Images as the kinds give them: a button 1, a menu item 5, a panel none.
  EXPECT_EQ(NodeNamed(*Window, "OK")->GetImageIndex(), 1);
  EXPECT_EQ(NodeNamed(*Window, "Exit")->GetSelectedIndex(), 5);
  EXPECT_EQ(NodeNamed(*Window, "Panel1")->GetImageIndex(), -1);
}

TEST_F(KeyloomFormTest, AnEmptyFormCaptionKeepsTheParentheses) {
  auto Designed = test::Design("object Form1: TForm\nend\n");
  auto Window = Open(*Designed);
  EXPECT_EQ(Window->GetCaption(), "Keyloom - Form1 ()");
  EXPECT_EQ(Window->tvControls->GetItems().GetCount(), 0);
}

TEST_F(KeyloomFormTest, ClosingAndReopeningRebuildsTheTreeAndKeepsTheSortItem) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  Window->miCaption->Click();
  Window->bSetupClick(Window->bSetup);
  Window->bClose->Click();
  EXPECT_FALSE(Window->Showing());
  EXPECT_FALSE(Window->IsHooked());
  // While hidden the form changes; the tree keeps its nodes until shown again.
  Get<TButton>(*Designed, "bLoad")->SetCaption("Reload");
  EXPECT_EQ(Dump(*Window->tvControls), "Load,MainMenu1(File(Exit)),Panel1(OK,Open,Panel2(Inner)),Save,Save As");
  Window->Show();
  EXPECT_TRUE(Window->miCaption->GetChecked());
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 0);
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(OK,Open,Panel2(Inner)),Reload,Save,Save As");
}

// ---------------------------------------------------------------- buttons

TEST_F(KeyloomFormTest, MoveButtonsFollowTheSelectionOnlyWhileNothingIsTheSortOrder) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  EXPECT_FALSE(Window->bClear->GetEnabled());
  Select(*Window, "Save");
  EXPECT_TRUE(Window->bClear->GetEnabled());
  EXPECT_FALSE(Window->bMoveUp->GetEnabled());
  EXPECT_FALSE(Window->bMoveDown->GetEnabled());

  Window->miNothing->Click();
  EXPECT_TRUE(Window->miNothing->GetChecked());
  EXPECT_FALSE(Window->miUniqueLetters->GetChecked());
  EXPECT_TRUE(Window->bMoveUp->GetEnabled());
  EXPECT_TRUE(Window->bMoveDown->GetEnabled());
  Select(*Window, "Load");
  EXPECT_FALSE(Window->bMoveUp->GetEnabled());
  EXPECT_TRUE(Window->bMoveDown->GetEnabled());
  Select(*Window, "MainMenu1");
  EXPECT_TRUE(Window->bMoveUp->GetEnabled());
  EXPECT_FALSE(Window->bMoveDown->GetEnabled());
}

TEST_F(KeyloomFormTest, MovesSwapSiblingsAndKeepTheirChildren) {
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object A: TButton\n    Caption = 'Alpha'\n  end\n"
      "  object B: TButton\n    Caption = 'Beta'\n  end\n"
      "  object P: TPanel\n"
      "    object C: TButton\n      Caption = 'Gamma'\n    end\n"
      "  end\n"
      "end\n");
  auto Window = Open(*Designed);
  Window->miNothing->Click();
  // Sorted by unique letters when shown; Nothing keeps that order.
  ASSERT_EQ(Dump(*Window->tvControls), "P(Gamma),Alpha,Beta");
  Select(*Window, "Alpha");
  Window->bMoveUp->Click();  // the second of three becomes the first
  EXPECT_EQ(Dump(*Window->tvControls), "Alpha,P(Gamma),Beta");
  Select(*Window, "Beta");
  Window->bMoveUp->Click();  // the third becomes the second
  EXPECT_EQ(Dump(*Window->tvControls), "Alpha,Beta,P(Gamma)");
  Select(*Window, "Alpha");
  Window->bMoveDown->Click();  // the first of the group moves down
  EXPECT_EQ(Dump(*Window->tvControls), "Beta,Alpha,P(Gamma)");
  Window->bMoveDown->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "Beta,P(Gamma),Alpha");
  EXPECT_FALSE(Window->bMoveDown->GetEnabled());
  // A move without the sibling it needs does nothing.
  Window->bMoveDown->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "Beta,P(Gamma),Alpha");
  EXPECT_EQ(Window->tvControls->GetSelection()->GetText(), "Alpha");
}

TEST_F(KeyloomFormTest, ClearStripsTheSelectedNodeOnlyAndNothingWithoutSelection) {
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object A: TButton\n    Caption = '&Alpha'\n  end\n"
      "  object B: TButton\n    Caption = 'B&eta'\n  end\n"
      "end\n");
  auto Window = Open(*Designed);
  Window->bClearClick(Window->bClear);
  EXPECT_EQ(Dump(*Window->tvControls), "&Alpha,B&eta");
  Select(*Window, "Beta");
  Window->bClear->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "&Alpha,Beta");
  // Only the tree changed; the form changes on Assign.
  EXPECT_EQ(Get<TButton>(*Designed, "B")->GetCaption(), "B&eta");
}

TEST_F(KeyloomFormTest, ClearAllThenAssignWritesEveryCaptionWithoutItsKeyAndMarksTheFormModified) {
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object A: TButton\n    Caption = '&Alpha'\n  end\n"
      "  object G: TGroupBox\n    Caption = '&Group'\n"
      "    object R: TRadioGroup\n      Caption = 'Sort'\n      Items.Strings = (\n        '&One'\n        'T&wo')\n    end\n"
      "  end\n"
      "end\n");
  auto Window = Open(*Designed);
  Window->bClearAll->Click();
  EXPECT_EQ(Designer->ModifiedCount, 0);
  Window->bAssign->Click();
  EXPECT_EQ(Designer->ModifiedCount, 1);
  EXPECT_EQ(Get<TButton>(*Designed, "A")->GetCaption(), "Alpha");
  EXPECT_EQ(Get<TGroupBox>(*Designed, "G")->GetCaption(), "Group");
  EXPECT_EQ(Get<TRadioGroup>(*Designed, "R")->GetItems()->Items(), (std::vector<std::string>{"One", "Two"}));
}

TEST_F(KeyloomFormTest, FindThenAssignGivesTheFormUniqueKeysWithoutADesignerToo) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  Window->SetDesigner(nullptr);
  Window->bFind->Click();
  EXPECT_EQ(Dump(*Window->tvControls),
            "&Load,&Save,Save &As,Panel1(&OK,O&pen,Panel2(&Inner)),MainMenu1(&File(E&xit))");
  EXPECT_EQ(Get<TButton>(*Designed, "bOpen")->GetCaption(), "Open");
  Window->bAssign->Click();
  EXPECT_EQ(Get<TButton>(*Designed, "bOpen")->GetCaption(), "O&pen");
  EXPECT_EQ(Get<TMenuItem>(*Designed, "miExit")->GetCaption(), "E&xit");
  EXPECT_EQ(Get<TButton>(*Designed, "bSaveAs")->GetCaption(), "Save &As");
  EXPECT_EQ(Designer->ModifiedCount, 0);
}

TEST_F(KeyloomFormTest, FindUsesTheWindowsOwnListsNotThoseOfAComponentOnTheForm) {
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object Keys: TKeyloom\n"
      "    DefaultCaptions.Strings = (\n      'Ex&it')\n"
      "  end\n"
      "  object A: TButton\n    Caption = 'Exit'\n  end\n"
      "end\n");
  auto Window = Open(*Designed);
  Window->bFind->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "E&xit");
}

TEST_F(KeyloomFormTest, TheSetupPageSetsTheComponentsScopeAndFindAndAssignFollowIt) {
  RegisterKeyloomClasses();
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object Keys: TKeyloom\n  end\n"
      "  object P1: TPanel\n    object A: TButton\n      Caption = 'Open'\n    end\n  end\n"
      "  object P2: TPanel\n    object B: TButton\n      Caption = 'Other'\n    end\n  end\n"
      "end\n");
  auto Window = Open(*Designed);
  auto* Keys = Get<TKeyloom>(*Designed, "Keys");
  ASSERT_EQ(Window->GetKeyloom(), Keys);
  EXPECT_TRUE(Window->cbScope->GetEnabled());
  EXPECT_EQ(Window->cbScope->GetItemIndex(), 0);
  Window->bFind->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "P1(&Open),P2(&Other)");

  Window->bSetup->Click();
  Window->cbScope->SetItemIndex(1);
  Window->cbScope->Change();
  EXPECT_EQ(Keys->GetScope(), TKeyScope::ksWindow);
  EXPECT_EQ(Designer->ModifiedCount, 1);
  Window->bClearAll->Click();
  Window->bFind->Click();
  Window->bAssign->Click();
  EXPECT_EQ(Get<TButton>(*Designed, "A")->GetCaption(), "&Open");
  EXPECT_EQ(Get<TButton>(*Designed, "B")->GetCaption(), "O&ther");
  EXPECT_EQ(Designer->ModifiedCount, 2);
}

TEST_F(KeyloomFormTest, TheSortItemsReorderEveryGroup) {
  auto Designed = test::Design(
      "object Form1: TForm\n"
      "  object A: TButton\n    Caption = 'Clear All'\n  end\n"
      "  object B: TButton\n    Caption = 'Find'\n  end\n"
      "  object C: TButton\n    Caption = '&Clear'\n  end\n"
      "  object D: TButton\n    Caption = 'aaaa'\n  end\n"
      "end\n");
  auto Window = Open(*Designed);
  EXPECT_EQ(Dump(*Window->tvControls), "aaaa,Find,&Clear,Clear All");
  Window->miCaption->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "&Clear,Clear All,Find,aaaa");
  Window->miCaptionLength->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "Find,aaaa,&Clear,Clear All");
  EXPECT_TRUE(Window->miCaptionLength->GetChecked());
  EXPECT_FALSE(Window->miCaption->GetChecked());
  // Nothing keeps the order as it is.
  Window->miNothing->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "Find,aaaa,&Clear,Clear All");
}

// ---------------------------------------------------------------- following the form

TEST_F(KeyloomFormTest, AControlChangeRebuildsTheTreeUnsortedAndSavesTheLists) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  std::filesystem::remove(StoreFile());
  auto* Added = new TButton(&Designed->Form());
  Added->SetCaption("Added");
  Added->SetParent(Get<TPanel>(*Designed, "Panel2"));
  // In build order: containers and menus, then controls by depth.
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2(Inner,Added),OK,Open),Save,Load,Save As");
  TStringList Saved;
  EXPECT_TRUE(ReadList(NoCaptionsKey, Saved));
  EXPECT_EQ(Saved.Items(), Window->GetNoCaptionClassList().Items());
}

TEST_F(KeyloomFormTest, TheDesignedFormStillHandlesEveryMessageItself) {
  TProbeForm Probe(nullptr);
  auto Designed = test::Design(test::DesignedForm, &Probe);
  Probe.ControlChanges = 0;  // those of the loading
  auto Window = Open(*Designed);
  Probe.Perform(CM_CONTROLCHANGE);
  Probe.Perform(CM_CONTROLCHANGE + 1);
  EXPECT_EQ(Probe.ControlChanges, 1);
  Window->Hide();
  Probe.Perform(CM_CONTROLCHANGE);
  EXPECT_EQ(Probe.ControlChanges, 2);
}

// Two windows on one form, hidden in every order: the form always gets its
// own messages, and only windows that are shown see them.
TEST_F(KeyloomFormTest, TwoWindowsOnOneFormLeaveTheChainInAnyOrder) {
  for (const bool FirstShownHidesFirst : {true, false}) {
    SCOPED_TRACE(FirstShownHidesFirst ? "first shown hides first" : "last shown hides first");
    TProbeForm Probe(nullptr);
    auto Designed = test::Design(test::DesignedForm, &Probe);
    Probe.ControlChanges = 0;
    auto First = Open(*Designed);
    auto Second = Open(*Designed);
    auto* Added = new TButton(&Probe);
    Added->SetCaption("Added");
    Added->SetParent(&Probe);
    EXPECT_EQ(Probe.ControlChanges, 1);
    EXPECT_EQ(First->tvControls->GetItems().GetCount(), 12);
    EXPECT_EQ(Second->tvControls->GetItems().GetCount(), 12);

    TKeyloomForm& Hidden = FirstShownHidesFirst ? *First : *Second;
    TKeyloomForm& Shown = FirstShownHidesFirst ? *Second : *First;
    Hidden.Hide();
    EXPECT_FALSE(Hidden.IsHooked());
    Added->SetCaption("Renamed");
    Probe.Perform(CM_CONTROLCHANGE);
    EXPECT_EQ(Probe.ControlChanges, 2);
    EXPECT_NE(Dump(*Shown.tvControls).find("Renamed"), std::string::npos);
    EXPECT_EQ(Dump(*Hidden.tvControls).find("Renamed"), std::string::npos);

    Shown.Hide();
    TProbeForm Reference(nullptr);
    Probe.Perform(CM_CONTROLCHANGE);
    EXPECT_EQ(Probe.ControlChanges, 3);
    // Nothing of the windows is left in the chain.
    EXPECT_EQ(Probe.WindowProc.target_type(), Reference.WindowProc.target_type());
  }
}

TEST_F(KeyloomFormTest, AWindowBehindSomeoneElsesHookStillLeavesTheChain) {
  TProbeForm Probe(nullptr);
  auto Designed = test::Design(test::DesignedForm, &Probe);
  Probe.ControlChanges = 0;
  auto First = Open(*Designed);
  int Foreign = 0;
  TWndMethod Below = Probe.WindowProc;
  Probe.WindowProc = [&Foreign, Below](TMessage& M) {
    ++Foreign;
    Below(M);
  };
  auto Second = Open(*Designed);
  First->Hide();
  First.reset();  // the window is gone; the foreign hook still holds what was below it
  Probe.Perform(CM_CONTROLCHANGE);
  EXPECT_EQ(Foreign, 1);
  EXPECT_EQ(Probe.ControlChanges, 1);
  Second.reset();  // destroyed while shown: it leaves the chain first
  Probe.Perform(CM_CONTROLCHANGE);
  EXPECT_EQ(Foreign, 2);
  EXPECT_EQ(Probe.ControlChanges, 2);
}

TEST_F(KeyloomFormTest, AWindowOutlivesItsDesignedForm) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  Designed.reset();
  EXPECT_EQ(Window->GetOwnerForm(), nullptr);
  EXPECT_FALSE(Window->IsHooked());
  EXPECT_EQ(Window->tvControls->GetItems().GetCount(), 0);
  Window->bFind->Click();
  Window->bAssign->Click();
  Window->Hide();
  Window->Show();
  EXPECT_EQ(Window->GetCaption(), "Keyloom");
}

TEST_F(KeyloomFormTest, AComponentFreedWithoutNoticeTakesItsNodesAlong) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  Select(*Window, "Exit");
  delete Get<TMenuItem>(*Designed, "miFile");
  EXPECT_EQ(Dump(*Window->tvControls), "Load,Save,Save As,Panel1(OK,Open,Panel2(Inner)),MainMenu1");
  EXPECT_EQ(Window->tvControls->GetSelection(), nullptr);
  EXPECT_FALSE(Window->bClear->GetEnabled());
  Window->bFind->Click();
  Window->bAssign->Click();
  EXPECT_EQ(Get<TButton>(*Designed, "bLoad")->GetCaption(), "&Load");
}

// ---------------------------------------------------------------- pages, hints, links, sizes

TEST_F(KeyloomFormTest, SetupAndAboutToggleTheirPages) {
  auto Designed = test::Design(test::DesignedForm);
  auto Window = Open(*Designed);
  Window->bSetup->Click();
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 1);
  // No TKeyloom on the form to keep the settings in.
  EXPECT_FALSE(Window->cbScope->GetEnabled());
  EXPECT_EQ(Window->lvNoCaptions->GetItemCount(), 6);
  EXPECT_EQ(Window->lvNoCaptions->GetItem(4)->GetCaption(), "TPanel");
  Window->bSetup->Click();
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 0);
  Window->bSetup->Click();
  Window->bAbout->Click();
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 2);
  Window->bAbout->Click();
  EXPECT_EQ(Window->nbAbout->GetPageIndex(), 0);
}

TEST_F(KeyloomFormTest, MovingOverControlsShowsTheirHintsInTheStatusBar) {
  TKeyloomForm Window(nullptr);
  Window.bFind->MouseMove(0, 3, 3);
  EXPECT_EQ(Window.sbKeyloom->GetSimpleText(), "Finds accelerator keys for controls missing one");
  Window.bClose->MouseMove(0, 3, 3);
  EXPECT_EQ(Window.sbKeyloom->GetSimpleText(), "Finds accelerator keys for controls missing one");
  Window.tbKeyloom->MouseMove(0, 640, 3);
  EXPECT_EQ(Window.sbKeyloom->GetSimpleText(), "");
  Window.bAssign->MouseMove(0, 3, 3);
  Window.tvControls->MouseMove(0, 30, 30);
  EXPECT_EQ(Window.sbKeyloom->GetSimpleText(), "");
}

TEST_F(KeyloomFormTest, LinkLabelsOpenTheirTextThroughTheShell) {
  TKeyloomForm Window(nullptr);
  std::vector<std::string> Opened;
  Window.Services.ShellOpen = [&Opened](const std::string& Target) { Opened.push_back(Target); };
  Window.lHomepage->Click();
  Window.lComponentHomepage->Click();
  EXPECT_EQ(Opened, (std::vector<std::string>{Window.lHomepage->GetCaption(), Window.lComponentHomepage->GetCaption()}));
  EXPECT_EQ(Opened[0].rfind("https://", 0), 0u);
}

TEST_F(KeyloomFormTest, ResizingFitsTheColumnsAgainAndLaysOutTheAboutPage) {
  TKeyloomForm Window(nullptr);
  Window.lvCaptions->SetColumnWidth(0, 120);
  Window.pAbout->SetWidth(400);
  Window.lInformation->SetHeight(70);
  Window.SetWidth(500);
  for (TListView* View : {Window.lvCaptions, Window.lvNoCaptions, Window.lvDefaultCaptions})
    EXPECT_EQ(View->Columns()[0]->GetWidth(), -2);
  EXPECT_EQ(Window.lTitle->GetWidth(), 396);
  EXPECT_EQ(Window.lInformation->GetWidth(), 396);
  EXPECT_TRUE(Window.lInformation->GetAutoSize());
  EXPECT_EQ(Window.lComponentHomepage->GetTop(), Window.lInformation->GetTop() + 70);
}

TEST_F(KeyloomFormTest, CreatingLoadsTheListsAndDestroyingSavesThem) {
  {
    TStringList Stored;
    Stored.Assign(std::vector<std::string>{"TButton", "T Odd & Name"});
    WriteList(CaptionsKey, Stored);
  }
  {
    TKeyloomForm Window(nullptr);
    EXPECT_EQ(Window.GetCaptionClassList().Items(), (std::vector<std::string>{"TButton", "T Odd & Name"}));
    EXPECT_EQ(Window.GetNoCaptionClassList().Count(), 6);
    EXPECT_EQ(Window.GetDefaultCaptionList().Items(), (std::vector<std::string>{"E&xit", "Cu&t"}));
    Window.GetDefaultCaptionList().Add("&Help");
  }
  TStringList Back;
  EXPECT_TRUE(ReadList(DefaultCaptionsKey, Back));
  EXPECT_EQ(Back.Items(), (std::vector<std::string>{"E&xit", "Cu&t", "&Help"}));
}

}  // namespace
}  // namespace keyloom

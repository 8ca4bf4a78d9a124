#include <keyloom/default_lists.hpp>
#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>

#include "design/design_fixture.hpp"
#include "support/runtime_forms.hpp"

namespace keyloom {
namespace {

using test::Dump;

std::vector<std::string> Items(const TListView& View) {
  std::vector<std::string> Out;
  for (int I = 0; I < View.GetItemCount(); ++I) Out.push_back(View.GetItem(I)->GetCaption());
  return Out;
}

std::vector<std::string> Stored(std::string_view Key) {
  TStringList List;
  EXPECT_TRUE(ReadList(Key, List));
  return List.Items();
}

std::vector<std::string> Table(std::span<const std::string_view> Entries) { return {Entries.begin(), Entries.end()}; }

// The window shown for a designed form, with its setup page open.
class SetupListsTest : public test::TDesignFixture {
 protected:
  void SetUp() override {
    TDesignFixture::SetUp();
    Designed = test::Design(test::DesignedForm);
    Window = std::make_unique<TKeyloomForm>(nullptr);
    Window->SetOwnerForm(&Designed->Form());
    Window->Services = Designer->GetServices();
    Window->Show();
    Window->bSetup->Click();
  }
  void TearDown() override {
    Window.reset();
    Designed.reset();
    TDesignFixture::TearDown();
  }
  void Select(TListView& View, const std::string& Caption) {
    for (int I = 0; I < View.GetItemCount(); ++I)
      if (View.GetItem(I)->GetCaption() == Caption) return View.SetSelected(View.GetItem(I));
    FAIL() << "no item " << Caption;
  }
  static void Press(TListView& View, std::uint16_t Key, TShiftState Shift = 0) { View.KeyDown(Key, Shift); }

  std::shared_ptr<test::TTestDesigner> Designer = std::make_shared<test::TTestDesigner>();
  std::unique_ptr<formfile::TLoadedForm> Designed;
  std::unique_ptr<TKeyloomForm> Window;
};

TEST_F(SetupListsTest, TheViewsShowTheListsEntryByEntry) {
  EXPECT_EQ(Items(*Window->lvCaptions), Table(DefaultCaptionClasses));
  EXPECT_EQ(Items(*Window->lvNoCaptions), Table(DefaultNoCaptionClasses));
  EXPECT_EQ(Items(*Window->lvDefaultCaptions), Table(DefaultDefaultCaptions));
}

TEST_F(SetupListsTest, DeletingAsksFirstAndYesRemovesTheEntryEverywhereAndRebuilds) {
  Select(*Window->lvNoCaptions, "TPanel");
  Window->miNoCaptionsDelete->Click();
  ASSERT_EQ(Designer->Asked.size(), 1u);
  EXPECT_EQ(Designer->Asked[0].Text, "Are you sure you want to delete TPanel?");
  EXPECT_EQ(Designer->Asked[0].Title, "Confirm");
  EXPECT_EQ(Designer->Asked[0].Flags, 36);
  const std::vector<std::string> Rest = {"TMainMenu", "TPopupMenu", "TCustomTabControl", "TPageControl", "TToolbar"};
  EXPECT_EQ(Items(*Window->lvNoCaptions), Rest);
  EXPECT_EQ(Window->GetNoCaptionClassList().Items(), Rest);
  EXPECT_EQ(Stored(NoCaptionsKey), Rest);
  // Rebuilt and not sorted: the tree stands in build order.
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2(Inner),OK,Open),Save,Load,Save As");
}

TEST_F(SetupListsTest, AnyAnswerButYesChangesNothing) {
  for (const int Answer : {IDNO, IDCANCEL, 0}) {
    Designer->Answer = Answer;
    Select(*Window->lvCaptions, "TTabSheet");
    Press(*Window->lvCaptions, 46);
    EXPECT_EQ(Items(*Window->lvCaptions), Table(DefaultCaptionClasses));
    EXPECT_EQ(Window->GetCaptionClassList().Items(), Table(DefaultCaptionClasses));
  }
  EXPECT_EQ(Designer->Asked.size(), 3u);
  EXPECT_EQ(Dump(*Window->tvControls), test::DesignedTree);
}

TEST_F(SetupListsTest, NewThenEscapeLeavesAnEmptyEntrySavedWithTheNextSave) {
  Window->miCaptionsNew->Click();
  ASSERT_EQ(Window->lvCaptions->GetItemCount(), 6);
  EXPECT_EQ(Window->lvCaptions->GetEditing(), Window->lvCaptions->GetItem(5));
  Window->lvCaptions->EndEdit("TBev", false);
  EXPECT_EQ(Window->lvCaptions->GetItem(5)->GetCaption(), "");
  EXPECT_EQ(Window->GetCaptionClassList().Count(), 6);
  EXPECT_EQ(Window->GetCaptionClassList()[5], "");
  // Nothing saved yet; the window's destruction saves.
  TStringList Before;
  EXPECT_FALSE(ReadList(CaptionsKey, Before));
  Window.reset();
  std::vector<std::string> Expected = Table(DefaultCaptionClasses);
  Expected.push_back("");
  EXPECT_EQ(Stored(CaptionsKey), Expected);
}

TEST_F(SetupListsTest, NewTypedAndConfirmedAppendsRebuildsAndSaves) {
  Press(*Window->lvCaptions, 45);  // Insert
  Window->lvCaptions->EndEdit("TBevel", true);
  std::vector<std::string> Expected = Table(DefaultCaptionClasses);
  Expected.push_back("TBevel");
  EXPECT_EQ(Items(*Window->lvCaptions), Expected);
  EXPECT_EQ(Window->GetCaptionClassList().Items(), Expected);
  EXPECT_EQ(Stored(CaptionsKey), Expected);
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2(Inner),OK,Open),Save,Load,Save As");
}

TEST_F(SetupListsTest, EditingStoresWhateverIsTypedEvenEmptyOrDuplicate) {
  Select(*Window->lvDefaultCaptions, "Cu&t");
  Press(*Window->lvDefaultCaptions, 113);  // F2
  ASSERT_EQ(Window->lvDefaultCaptions->GetEditing(), Window->lvDefaultCaptions->GetItem(1));
  Window->lvDefaultCaptions->EndEdit("E&xit", true);
  EXPECT_EQ(Stored(DefaultCaptionsKey), (std::vector<std::string>{"E&xit", "E&xit"}));
  Window->miDefaultCaptionsEdit->Click();
  Window->lvDefaultCaptions->EndEdit("", true);
  EXPECT_EQ(Items(*Window->lvDefaultCaptions), (std::vector<std::string>{"E&xit", ""}));
  EXPECT_EQ(Stored(DefaultCaptionsKey), (std::vector<std::string>{"E&xit", ""}));
}

TEST_F(SetupListsTest, RestoreDefaultsBringsBackOneListAndLeavesTheOthersAsLastSaved) {
  Select(*Window->lvNoCaptions, "TPanel");
  Window->miNoCaptionsDelete->Click();
  Press(*Window->lvCaptions, 45);
  Window->lvCaptions->EndEdit("TBevel", true);
  Window->miNoCaptionsRestoreDefaults->Click();
  EXPECT_EQ(Designer->Asked.size(), 1u);  // no confirmation for the restore
  EXPECT_EQ(Items(*Window->lvNoCaptions), Table(DefaultNoCaptionClasses));
  EXPECT_EQ(Stored(NoCaptionsKey), Table(DefaultNoCaptionClasses));
  std::vector<std::string> Captions = Table(DefaultCaptionClasses);
  Captions.push_back("TBevel");
  EXPECT_EQ(Items(*Window->lvCaptions), Captions);
  EXPECT_EQ(Window->GetCaptionClassList().Items(), Captions);
}

TEST_F(SetupListsTest, RestoreDefaultsDropsAnEntryNotYetSaved) {
  Window->miDefaultCaptionsNew->Click();
  Window->lvDefaultCaptions->EndEdit("", false);
  Window->miDefaultCaptionsRestoreDefaults->Click();
  EXPECT_EQ(Items(*Window->lvDefaultCaptions), Table(DefaultDefaultCaptions));
}

TEST_F(SetupListsTest, ThePopupsEnableEditAndDeleteOnlyWithASelection) {
  struct TRow {
    TListView* View;
    TPopupMenu* Popup;
    TMenuItem *New, *Edit, *Delete, *Restore;
  };
  const TRow Rows[] = {
      {Window->lvCaptions, Window->pmCaptions, Window->miCaptionsNew, Window->miCaptionsEdit, Window->miCaptionsDelete,
       Window->miCaptionsRestoreDefaults},
      {Window->lvNoCaptions, Window->pmNoCaptions, Window->miNoCaptionsNew, Window->miNoCaptionsEdit,
       Window->miNoCaptionsDelete, Window->miNoCaptionsRestoreDefaults},
      {Window->lvDefaultCaptions, Window->pmDefaultCaptions, Window->miDefaultCaptionsNew,
       Window->miDefaultCaptionsEdit, Window->miDefaultCaptionsDelete, Window->miDefaultCaptionsRestoreDefaults},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.View->GetName());
    Row.Popup->Popup(10, 10);
    EXPECT_FALSE(Row.Edit->GetEnabled());
    EXPECT_FALSE(Row.Delete->GetEnabled());
    EXPECT_TRUE(Row.New->GetEnabled());
    EXPECT_TRUE(Row.Restore->GetEnabled());
    Row.View->SetSelected(Row.View->GetItem(0));
    Row.Popup->Popup(10, 10);
    EXPECT_TRUE(Row.Edit->GetEnabled());
    EXPECT_TRUE(Row.Delete->GetEnabled());
  }
}

TEST_F(SetupListsTest, EditAndDeleteWithoutASelectionDoNothingAndAskNothing) {
  for (const std::uint16_t Key : {std::uint16_t{113}, std::uint16_t{46}}) Press(*Window->lvCaptions, Key);
  Window->miCaptionsEditClick(Window->miCaptionsEdit);
  Window->miCaptionsDeleteClick(Window->miCaptionsDelete);
  EXPECT_EQ(Window->lvCaptions->GetEditing(), nullptr);
  EXPECT_TRUE(Designer->Asked.empty());

  // An empty list view, too.
  Window->GetDefaultCaptionList().Clear();
  Window->UpdateListViews();
  Press(*Window->lvDefaultCaptions, 113);
  Press(*Window->lvDefaultCaptions, 46);
  EXPECT_EQ(Window->lvDefaultCaptions->GetItemCount(), 0);
  EXPECT_TRUE(Designer->Asked.empty());
}

TEST_F(SetupListsTest, KeysLookAtTheCodeOnly) {
  Select(*Window->lvCaptions, "TRadioGroup");
  Press(*Window->lvCaptions, 46, ssShift);  // Shift+Delete deletes too
  EXPECT_EQ(Designer->Asked.size(), 1u);
  EXPECT_EQ(Window->lvCaptions->GetItemCount(), 4);
  Press(*Window->lvCaptions, 13);  // Enter: nothing here
  Press(*Window->lvCaptions, 47);
  EXPECT_EQ(Window->lvCaptions->GetItemCount(), 4);
  EXPECT_EQ(Window->lvCaptions->GetEditing(), nullptr);
}

TEST_F(SetupListsTest, AListChangeChangesWhatTheTreeShows) {
  // Without TButtonControl, the buttons have no caption for the tree.
  Select(*Window->lvCaptions, "TButtonControl");
  Window->miCaptionsDelete->Click();
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2)");
}

}  // namespace
}  // namespace keyloom

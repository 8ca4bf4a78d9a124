#include <keyloom/caption_check.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include "support/runtime_forms.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keyloom {
namespace {

using test::AddItem;
using test::Make;

class CaptionCheckTest : public ::testing::Test {
 protected:
  std::vector<TCaptionProblem> Check(bool OnlyUnassigned = true, const TKeyOptions& Options = {}) {
    ClearWorkingTree(Tree);
    EnumComponents(Form.get(), Tree, *Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
    Tree.OnCompare = [](TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Compare) {
      CompareNodes(TSortMethod::smUniqueLetters, *Node1, *Node2, Compare);
    };
    Tree.AlphaSort();
    Before = test::Dump(Tree);
    auto Problems = CheckCaptions(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions,
                                  OnlyUnassigned, Options);
    EXPECT_EQ(test::Dump(Tree), Before) << "the check changed the tree";
    return Problems;
  }

  // "kind:caption>other" for clashes (">>" when inherited), "missing:caption->suggestion".
  static std::vector<std::string> Summaries(const std::vector<TCaptionProblem>& Problems) {
    std::vector<std::string> Out;
    for (const TCaptionProblem& P : Problems) {
      if (P.Kind == TCaptionProblemKind::cpClash)
        Out.push_back("clash:" + P.Caption + (P.Inherited ? ">>" : ">") + P.OtherCaption);
      else
        Out.push_back("missing:" + P.Caption + "->" + P.Suggestion);
    }
    return Out;
  }

  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TTreeView Tree{nullptr};
  test::TDefaultLists Lists;
  std::string Before;
};

TEST_F(CaptionCheckTest, SiblingsSharingAnAcceleratorClashWithoutRegardToCase) {
  auto* Panel = Make<TPanel>(Form.get(), Form.get(), "Panel1");
  Make<TButton>(Form.get(), Panel, "Button1", "&OK");
  Make<TButton>(Form.get(), Panel, "Button2", "&open");
  const auto Problems = Check();
  // The sort puts 'OK' (fewer letters) first; the later caption carries the clash.
  EXPECT_EQ(Summaries(Problems), (std::vector<std::string>{"clash:&open>&OK"}));
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Accelerator, "o");
  EXPECT_EQ(Problems[0].Node->GetData()->ClassName(), "TButton");
}

TEST_F(CaptionCheckTest, LettersOfEnclosingGroupsAreInheritedExceptBySubmenusAndPopupMenus) {
  Make<TCheckBox>(Form.get(), Form.get(), "CheckBox1", "&Options");
  auto* Panel = Make<TPanel>(Form.get(), Form.get(), "Panel1");
  Make<TButton>(Form.get(), Panel, "Button1", "&OK");
  auto* Menu = new TMainMenu(Form.get());
  Menu->SetName("MainMenu1");
  TMenuItem* Top = AddItem(Form.get(), Menu->GetItems(), "Top1", "T&op");
  AddItem(Form.get(), Top, "Sub1", "&Options too");
  auto* Popup = new TPopupMenu(Form.get());
  Popup->SetName("PopupMenu1");
  AddItem(Form.get(), Popup->GetItems(), "Pop1", "&Open");
  EXPECT_EQ(Summaries(Check()), (std::vector<std::string>{"clash:&OK>>&Options", "clash:T&op>>&Options"}));
}

TEST_F(CaptionCheckTest, TheWindowScopeJudgesWhatShowsTogether) {
  struct TCase {
    const char* Name;
    std::function<void(TForm&)> Build;
    std::vector<std::string> Siblings, Window;
  };
  const std::vector<TCase> Cases = {
      {"panels apart",
       [](TForm& F) {
         Make<TButton>(&F, Make<TPanel>(&F, &F, "Left"), "Button1", "&Open");
         Make<TButton>(&F, Make<TPanel>(&F, &F, "Right"), "Button2", "&Order");
       },
       {},
       {"clash:&Order>&Open"}},
      {"pages of one page control",
       [](TForm& F) {
         auto* Pages = Make<TPageControl>(&F, &F, "PageControl1");
         Make<TCheckBox>(&F, Make<TTabSheet>(&F, Pages, "ts1", "&General"), "cb1", "&Open");
         Make<TCheckBox>(&F, Make<TTabSheet>(&F, Pages, "ts2", "&Colours"), "cb2", "&Order");
         Make<TButton>(&F, &F, "Button1", "&Cancel");
       },
       {"clash:&Colours>>&Cancel"},
       {"clash:&Colours>&Cancel"}},
      {"a radio group's title outside the tree",
       [](TForm& F) {
         auto* Radio = Make<TRadioGroup>(&F, &F, "rgScope", "&Scope");
         test::Fill(*Radio->GetItems(), {"&Selection", "&Global"});
       },
       {},
       {"clash:&Selection>&Scope"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Form = std::make_unique<TForm>(nullptr);
    C.Build(*Form);
    EXPECT_EQ(Summaries(Check()), C.Siblings);
    TKeyOptions Window;
    Window.Scope = TKeyScope::ksWindow;
    EXPECT_EQ(Summaries(Check(true, Window)), C.Window);
  }
}

TEST_F(CaptionCheckTest, SubtreesOfSiblingsDoNotSeeEachOther) {
  auto* Left = Make<TPanel>(Form.get(), Form.get(), "Left");
  auto* Right = Make<TPanel>(Form.get(), Form.get(), "Right");
  Make<TButton>(Form.get(), Left, "B1", "&Save");
  Make<TButton>(Form.get(), Right, "B2", "&Save");
  EXPECT_TRUE(Check().empty());
}

TEST_F(CaptionCheckTest, MultiByteAcceleratorsCompareAsWholeCharacters) {
  // U+00E9 and U+00E8 share their first byte; they are different keys.
  Make<TButton>(Form.get(), Form.get(), "B1", "&\xC3\xA9t\xC3\xA9");
  Make<TButton>(Form.get(), Form.get(), "B2", "&\xC3\xA8re");
  EXPECT_TRUE(Check().empty());
  Make<TButton>(Form.get(), Form.get(), "B3", "&\xC3\xA9l\xC3\xA8ve");
  const auto Problems = Check();
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Accelerator, "\xC3\xA9");
}

TEST_F(CaptionCheckTest, MissingNamesWhatFindingWouldGive) {
  Make<TButton>(Form.get(), Form.get(), "B1", "&Save");
  Make<TButton>(Form.get(), Form.get(), "B2", "Save As");
  Make<TButton>(Form.get(), Form.get(), "B3", "Exit");
  auto* Cancel = Make<TButton>(Form.get(), Form.get(), "B4", "Cancel");
  Cancel->SetCancel(true);
  Make<TButton>(Form.get(), Form.get(), "B5", "Save&");  // a trailing marker is markup: left alone
  Make<TButton>(Form.get(), Form.get(), "B6", "1.5");    // no letter to give
  EXPECT_EQ(Summaries(Check()), (std::vector<std::string>{"missing:Exit->E&xit", "missing:Save As->Save &As"}));
}

TEST_F(CaptionCheckTest, ACaptionWithoutAFreeLetterIsNotMissing) {
  Make<TButton>(Form.get(), Form.get(), "B1", "&A");
  Make<TButton>(Form.get(), Form.get(), "B2", "&B");
  Make<TButton>(Form.get(), Form.get(), "B3", "ab ba");
  EXPECT_TRUE(Check().empty());
}

TEST_F(CaptionCheckTest, ReassigningReportsOnlyCaptionsWithoutMarkup) {
  Make<TButton>(Form.get(), Form.get(), "B1", "O&pen");
  Make<TButton>(Form.get(), Form.get(), "B2", "Close");
  EXPECT_EQ(Summaries(Check(false)), (std::vector<std::string>{"missing:Close->&Close"}));
}

TEST(MarkedCharacterTest, FollowsTheMarkupRules) {
  EXPECT_EQ(MarkedCharacter("E&xit"), "x");
  EXPECT_EQ(MarkedCharacter("&a &b"), "b");  // the rightmost marker counts
  EXPECT_EQ(MarkedCharacter("Fish && &Chips"), "C");
  EXPECT_EQ(MarkedCharacter("&&&x"), "x");
  EXPECT_EQ(MarkedCharacter("Save&"), "");
  EXPECT_EQ(MarkedCharacter("A && B"), "");
  EXPECT_EQ(MarkedCharacter("&\xE2\x82\xAC"), "\xE2\x82\xAC");
  EXPECT_EQ(MarkedCharacter("&\xE9t\xE9"), "\xE9");    // a single-byte code page
  EXPECT_EQ(MarkedCharacter("&\xC3"), "\xC3");         // cut short: one byte
}

}  // namespace
}  // namespace keyloom

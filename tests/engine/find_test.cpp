#include <keyloom/component_queries.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <functional>
#include <string>
#include <vector>

namespace keyloom {
namespace {

using test::Dump;
using test::Make;

class FindTest : public ::testing::Test {
 protected:
  // A node for a new button with that caption, as the last child of Parent.
  TTreeNode* AddButton(TTreeNode* Parent, const std::string& Caption) {
    auto* Button = Make<TButton>(&Form, &Form, "", Caption);
    return Tree.GetItems().AddChildObject(Parent, Caption, Button);
  }
  std::vector<std::string> Texts(const TTreeNode* Parent) const {
    std::vector<std::string> Out;
    if (!Parent) {
      for (int I = 0; I < Tree.GetItems().GetRootCount(); ++I) Out.push_back(Tree.GetItems().GetRoot(I)->GetText());
      return Out;
    }
    for (int I = 0; I < Parent->GetCount(); ++I) Out.push_back(Parent->GetItem(I)->GetText());
    return Out;
  }
  void RunFind(const TUsedLetters& Used = {}) {
    Find(Tree, Used, nullptr, nullptr, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions);
  }
  void BuildFromForm() {
    ClearWorkingTree(Tree);
    EnumComponents(&Form, Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
  }

  TForm Form{nullptr};
  TTreeView Tree{nullptr};
  test::TDefaultLists Lists;
};

struct GroupCase {
  const char* Name;
  std::vector<std::string> Captions;
  std::vector<std::string> Expected;
};

TEST_F(FindTest, OneGroupOfPlainButtons) {
  const GroupCase Cases[] = {
      {"first letters, default caption, then later letters",
       {"File", "Edit", "Exit", "Export"},
       {"&File", "&Edit", "E&xit", "Ex&port"}},
      {"marked letters are reserved first", {"Format", "&File"}, {"F&ormat", "&File"}},
      {"shared marked letters stay", {"&Save", "&Send"}, {"&Save", "&Send"}},
      {"second word's first letter", {"&Sun", "Save As"}, {"&Sun", "Save &As"}},
      {"marker before the first occurrence", {"&Lunch", "Last step"}, {"&Lunch", "La&st step"}},
      {"letters ignore case", {"Open", "open"}, {"&Open", "o&pen"}},
      {"no letter at all", {"1.5", "--"}, {"1.5", "--"}},
      {"every letter taken", {"&A", "&B", "AB BA"}, {"&A", "&B", "AB BA"}},
      {"digits are reserved but never chosen", {"&1 up", "1 up"}, {"&1 up", "1 &up"}},
      {"x taken: default caption skipped", {"Ta&x", "Exit"}, {"Ta&x", "&Exit"}},
      {"literal ampersand is no marker", {"Fish && Chips"}, {"&Fish && Chips"}},
      {"marker after a literal ampersand", {"&F", "&&&G", "F&&G"}, {"&F", "&&&G", "F&&G"}},
      {"trailing ampersand counts as markup", {"Go&", "Go"}, {"Go&", "&Go"}},
      {"punctuation and DEL are never chosen",
       {"&A", "A_B", "[ Options ]", "~", "{x}", "\x7F" "Del"},
       {"&A", "A_&B", "[ &Options ]", "~", "{&x}", "\x7F" "&Del"}},
  };
  for (const GroupCase& C : Cases) {
    ClearWorkingTree(Tree);
    for (const std::string& Caption : C.Captions) AddButton(nullptr, Caption);
    RunFind();
    EXPECT_EQ(Texts(nullptr), C.Expected) << C.Name;
  }
}

TEST_F(FindTest, WithoutDefaultCaptionsExitTakesItsSecondLetter) {
  Lists.DefaultCaptions.Clear();
  AddButton(nullptr, "Edit");
  AddButton(nullptr, "Exit");
  RunFind();
  EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"&Edit", "E&xit"}));
}

TEST_F(FindTest, LaterMatchingDefaultCaptionWins) {
  test::Fill(Lists.DefaultCaptions, {"E&xit", "Ex&it"});
  AddButton(nullptr, "Exit");
  AddButton(nullptr, "Idle");
  RunFind();
  // Both entries reserve their letter; the node keeps the last one.
  EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"Ex&it", "I&dle"}));
}

TEST_F(FindTest, DefaultCaptionsMatchTheComponentsOwnCaption) {
  // The node's text was stripped, the component still carries its markup.
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "E&xit");
  Tree.GetItems().AddChildObject(nullptr, "Exit", Button);
  RunFind();
  EXPECT_EQ(Texts(nullptr), std::vector<std::string>{"E&xit"});
}

TEST_F(FindTest, DefaultCaptionWithoutMarkerLeavesTheCaptionUnmarked) {
  test::Fill(Lists.DefaultCaptions, {"Exit"});
  AddButton(nullptr, "Exit");
  RunFind();
  EXPECT_EQ(Texts(nullptr), std::vector<std::string>{"Exit"});

  // An unmarked sibling that takes no letter puts the empty accelerator in the list.
  ClearWorkingTree(Tree);
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  Tree.GetItems().AddChildObject(nullptr, "Panel1", Panel);
  AddButton(nullptr, "Exit");
  RunFind();
  EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"Panel1", "&Exit"}));
}

TEST_F(FindTest, DefaultAndCancelButtonsGetNoLetterButKeepTheirs) {
  TTreeNode* Ok = AddButton(nullptr, "OK");
  TTreeNode* Yes = AddButton(nullptr, "&Yes");
  AddButton(nullptr, "Open");
  AddButton(nullptr, "Yellow");
  static_cast<TButton*>(Ok->GetData())->SetDefault(true);
  static_cast<TButton*>(Yes->GetData())->SetCancel(true);
  RunFind();
  EXPECT_EQ(Texts(nullptr), (std::vector<std::string>{"OK", "&Yes", "&Open", "Y&ellow"}));
}

TEST_F(FindTest, NoCaptionClassesGetNoLetterButTheirChildrenDo) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  Panel->SetCaption("Panel");
  TTreeNode* PanelNode = Tree.GetItems().AddChildObject(nullptr, "Panel", Panel);
  AddButton(PanelNode, "Apply");
  RunFind();
  EXPECT_EQ(Dump(Tree), "Panel(&Apply)");
}

TEST_F(FindTest, CallersLettersAreTakenAtTheTop) {
  AddButton(nullptr, "File");
  TUsedLetters Used;
  Used.Add(std::string("f"));
  RunFind(Used);
  EXPECT_EQ(Texts(nullptr), std::vector<std::string>{"F&ile"});
  EXPECT_TRUE(Used.Contains('F'));
  EXPECT_FALSE(Used.Contains('i'));
}

TEST_F(FindTest, SubmenuStartsEmptyTopRowInheritsTheRootGroup) {
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* File = test::AddItem(&Form, Menu->GetItems(), "miFile", "File");
  test::AddItem(&Form, Menu->GetItems(), "miFold", "Fold");
  test::AddItem(&Form, File, "miFind", "Find");
  Make<TButton>(&Form, &Form, "Button1", "Fix");
  BuildFromForm();
  ASSERT_EQ(Dump(Tree), "MainMenu1(File(Find),Fold),Fix");
  RunFind();
  EXPECT_EQ(Dump(Tree), "MainMenu1(F&ile(&Find),F&old),&Fix");
}

TEST_F(FindTest, PopupMenuItemsStartEmpty) {
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  test::AddItem(&Form, Popup->GetItems(), "miCopy", "Copy");
  Make<TButton>(&Form, &Form, "Button1", "Close");
  BuildFromForm();
  RunFind();
  EXPECT_EQ(Dump(Tree), "PopupMenu1(&Copy),&Close");
}

TEST_F(FindTest, PanelsSideBySideDoNotSeeEachOthersLetters) {
  auto* Panel1 = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Panel2 = Make<TPanel>(&Form, &Form, "Panel2");
  Make<TButton>(&Form, &Form, "Button0", "Options");
  Make<TButton>(&Form, Panel1, "Button1", "Kick");
  Make<TButton>(&Form, Panel1, "Button2", "Open");
  Make<TButton>(&Form, Panel2, "Button3", "Kick");
  Make<TButton>(&Form, Panel2, "Button4", "Peek");
  BuildFromForm();
  RunFind();
  // Both panels avoid the O of the root group; each may take K.
  EXPECT_EQ(Dump(Tree), "Panel1(&Kick,O&pen),Panel2(&Kick,&Peek),&Options");
}

TEST_F(FindTest, RadioItemsTakeLettersButNoDefaultCaption) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Action");
  test::Fill(*Radio->GetItems(), {"Exit", "Cut"});
  BuildFromForm();
  RunFind();
  EXPECT_EQ(Dump(Tree), "&Exit,&Cut");
}

TEST_F(FindTest, EmptyDefaultCaptionDoesNotWipeCaptionlessItems) {
  test::Fill(Lists.DefaultCaptions, {""});
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Action");
  test::Fill(*Radio->GetItems(), {"Exit"});
  BuildFromForm();
  RunFind();
  EXPECT_EQ(Dump(Tree), "&Exit");
}

TEST_F(FindTest, NodesShowingANameTakeNoLetterButGroupTheirChildren) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1");
  Make<TCheckBox>(&Form, Box, "CheckBox1", "Bold");
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  Make<TTabSheet>(&Form, Pages, "tsTable", "Table");
  test::Fill(Lists.CaptionClasses, {"TButtonControl"});
  BuildFromForm();
  ASSERT_EQ(Dump(Tree), "GroupBox1(Bold),PageControl1(tsTable)");
  RunFind();
  EXPECT_EQ(Dump(Tree), "GroupBox1(&Bold),PageControl1(tsTable)");
}

TEST_F(FindTest, NoMarkerInsideAMultiByteCharacter) {
  const GroupCase Cases[] = {
      {"only a two-byte character", {"\xC3\x80"}, {"\xC3\x80"}},
      {"letter after it", {"\xC3\x80 b"}, {"\xC3\x80 &b"}},
      {"a stray 0x80 is a letter", {"&x", "x\x80"}, {"&x", "x&\x80"}},
      {"the marker skips the 0x80 inside the character", {"\xC3\x80 \x80"}, {"\xC3\x80 &\x80"}},
  };
  for (const GroupCase& C : Cases) {
    ClearWorkingTree(Tree);
    for (const std::string& Caption : C.Captions) AddButton(nullptr, Caption);
    RunFind();
    EXPECT_EQ(Texts(nullptr), C.Expected) << C.Name;
  }
}

TEST_F(FindTest, EmptyTreeAndChildlessParentChangeNothing) {
  RunFind();
  EXPECT_EQ(Tree.GetItems().GetCount(), 0);
  TTreeNode* Lonely = AddButton(nullptr, "Lonely");
  Find(Tree, TUsedLetters{}, Lonely->GetData(), Lonely, Lists.CaptionClasses, Lists.NoCaptionClasses,
       Lists.DefaultCaptions);
  EXPECT_EQ(Lonely->GetText(), "Lonely");
}

TEST_F(FindTest, ChildGroupsInheritEveryLetterAbove) {
  TTreeNode* Parent = nullptr;
  for (int I = 0; I < 5; ++I) Parent = AddButton(Parent, "Node");
  RunFind();
  EXPECT_EQ(Dump(Tree), "&Node(N&ode(No&de(Nod&e(Node))))");
}

TEST(UsedLettersTest, KeepsLettersWithoutCaseAndTheEmptyEntry) {
  TUsedLetters Used;
  EXPECT_TRUE(Used.Empty());
  EXPECT_FALSE(Used.Contains(std::string()));
  Used.Add(std::string("E"));
  EXPECT_TRUE(Used.Contains('e'));
  EXPECT_TRUE(Used.Contains(std::string("E")));
  EXPECT_FALSE(Used.Contains(std::string()));
  Used.Add(std::string());
  EXPECT_TRUE(Used.Contains(std::string()));
  EXPECT_TRUE(Used.HasEmpty());
  Used.Add('1');
  EXPECT_TRUE(Used.Contains('1'));
  EXPECT_FALSE(Used.Contains('2'));
  Used.Add('\xE9');
  EXPECT_FALSE(Used.Contains('\xC9'));  // only A-Z fold
}

// Radio group item proxies skip the caption look-up; what the lists say of
// them must still be what that look-up says, whatever the lists hold.
TEST(EligibleProxyTest, AnswersAsTheCaptionLookUpWouldForEveryList) {
  TForm Form(nullptr);
  auto* Group = new TRadioGroup(&Form);
  TTreeView Tree(nullptr);
  auto* Proxy = new TRadioGroupIndex(&Tree);
  Proxy->SetName("Proxy1");
  Proxy->SetRadioGroup(Group);
  TTreeNode* Node = Tree.GetItems().AddChildObject(nullptr, "&One", Proxy);
  const std::vector<std::vector<std::string>> Lists = {
      {}, {"TRadioGroupIndex"}, {"TComponent"}, {"tradiogroupindex", "TButton"}, {"TObject"}, {"TRadioGroup"}};
  for (const auto& Captions : Lists)
    for (const auto& NoCaptions : Lists) {
      TStringList CaptionClasses;
      TStringList NoCaptionClasses;
      CaptionClasses.Assign(Captions);
      NoCaptionClasses.Assign(NoCaptions);
      const bool Expected = !IsClassInList(Proxy, NoCaptionClasses) &&
                            GetCaptionInfo(Proxy, CaptionClasses, NoCaptionClasses).Source != TCaptionSource::csName;
      EXPECT_EQ(IsEligibleCaptionNode(*Node, CaptionClasses, NoCaptionClasses), Expected)
          << Captions.size() << " caption classes, " << NoCaptions.size() << " no-caption classes";
    }
}

// Where assign used to give letters that check then reported as clashes.
TEST_F(FindTest, LeavesNoClashForTheCheck) {
  struct TCase {
    const char* Name;
    std::function<void(TForm&)> Place;
    std::string Built;
    std::string Found;
  };
  const TCase Cases[] = {
      {"a container avoids the letters marked inside it",
       [](TForm& F) { Make<TCheckBox>(&F, Make<TGroupBox>(&F, &F, "GroupBox1", "Options"), "CheckBox1", "&Overwrite"); },
       "Options(&Overwrite)", "O&ptions(&Overwrite)"},
      {"...though sibling subtrees still share letters",
       [](TForm& F) {
         Make<TCheckBox>(&F, Make<TGroupBox>(&F, &F, "GroupBox1", "Files"), "CheckBox1", "&Save");
         Make<TCheckBox>(&F, Make<TGroupBox>(&F, &F, "GroupBox2", "Print"), "CheckBox2", "Search");
       },
       "Files(&Save),Print(Search)", "&Files(&Save),&Print(&Search)"},
      {"a submenu's letters do not bind the item above it",
       [](TForm& F) {
         auto* Menu = Make<TMainMenu>(&F, nullptr, "MainMenu1");
         test::AddItem(&F, test::AddItem(&F, Menu->GetItems(), "miFile", "File"), "miFetch", "&Fetch");
       },
       "MainMenu1(File(&Fetch))", "MainMenu1(&File(&Fetch))"},
      {"a page control inside a panel holds its pages, each its own controls",
       [](TForm& F) {
         auto* Pages = Make<TPageControl>(&F, Make<TPanel>(&F, &F, "Panel1"), "PageControl1");
         Make<TCheckBox>(&F, Make<TTabSheet>(&F, Pages, "TabSheet1", "General"), "CheckBox1", "Gamma");
         Make<TCheckBox>(&F, Make<TTabSheet>(&F, Pages, "TabSheet2", "Colors"), "CheckBox2", "Cyan");
       },
       "Panel1(PageControl1(General(Gamma),Colors(Cyan)))",
       "Panel1(PageControl1(&General(G&amma),&Colors(C&yan)))"},
  };
  for (const TCase& C : Cases) {
    TForm Owner(nullptr);
    C.Place(Owner);
    ClearWorkingTree(Tree);
    EnumComponents(&Owner, Tree, Owner, Lists.CaptionClasses, Lists.NoCaptionClasses);
    EXPECT_EQ(Dump(Tree), C.Built) << C.Name;
    RunFind();
    EXPECT_EQ(Dump(Tree), C.Found) << C.Name;
    ClearWorkingTree(Tree);
  }
}

}  // namespace
}  // namespace keyloom

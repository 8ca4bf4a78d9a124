#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <vector>

namespace keyloom {
namespace {

using test::Make;

class AssignKeysTest : public ::testing::Test {
 protected:
  void Build() {
    ClearWorkingTree(Tree);
    EnumComponents(&Form, Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
  }
  TTreeNode* NodeFor(const TObject* Component) const {
    for (int I = 0; I < Tree.GetItems().GetCount(); ++I)
      if (Tree.GetItems()[I]->GetData() == Component) return Tree.GetItems()[I];
    return nullptr;
  }
  // Runs AssignKeys with a handler that records every component it is called for.
  std::vector<TObject*> Assign(const TAssignEvent& Also = {}) {
    std::vector<TObject*> Seen;
    AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, &Sender,
               [&](TObject* From, TObject* Component, std::string& Caption) {
                 EXPECT_EQ(From, &Sender);
                 Seen.push_back(Component);
                 if (Also) Also(From, Component, Caption);
               });
    return Seen;
  }

  TForm Form{nullptr};
  TTreeView Tree{nullptr};
  TComponent Sender{nullptr};
  test::TDefaultLists Lists;
};

TEST_F(AssignKeysTest, NoCaptionClassesAreSkippedEntirely) {
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  auto* Tabs = Make<TTabControl>(&Form, &Form, "TabControl1");
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1", "Panel caption");
  auto* Bar = Make<TToolBar>(&Form, &Form, "ToolBar1", "Bar caption");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "OK");
  Build();
  ASSERT_EQ(Tree.GetItems().GetCount(), 7);
  for (int I = 0; I < Tree.GetItems().GetCount(); ++I) Tree.GetItems()[I]->SetText("&X");
  EXPECT_EQ(Assign(), std::vector<TObject*>{Button});
  EXPECT_EQ(Button->GetCaption(), "&X");
  EXPECT_EQ(Panel->GetCaption(), "Panel caption");
  EXPECT_EQ(Bar->GetCaption(), "Bar caption");
  (void)Menu, (void)Popup, (void)Tabs, (void)Pages;
}

TEST_F(AssignKeysTest, MenuItemsAndGroupBoxesAreWritten) {
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Exit = test::AddItem(&Form, Menu->GetItems(), "miExit", "Exit");
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1", "Options");
  Build();
  NodeFor(Exit)->SetText("E&xit");
  NodeFor(Box)->SetText("&Options");
  std::vector<std::string> Written;
  Exit->OnHostChanged = [&](TMenuItem& Item) { Written.push_back(Item.GetCaption()); };
  Assign();
  EXPECT_EQ(Exit->GetCaption(), "E&xit");
  EXPECT_EQ(Box->GetCaption(), "&Options");
  // The published caption goes first; the item's own write finds it done.
  EXPECT_EQ(Written, std::vector<std::string>{"E&xit"});
}

TEST_F(AssignKeysTest, RadioItemsAreWrittenByIndexOnly) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"Nothing", "Caption", "Length"});
  Build();
  ASSERT_EQ(Tree.GetItems().GetCount(), 3);
  Tree.GetItems()[0]->SetText("&Nothing");
  Tree.GetItems()[2]->SetText("&Length");
  const std::vector<TObject*> Seen = Assign();
  EXPECT_EQ(Seen.size(), 3u);
  EXPECT_EQ(Radio->GetItems()->Items(), (std::vector<std::string>{"&Nothing", "Caption", "&Length"}));
  EXPECT_EQ(Radio->GetCaption(), "Method");
}

TEST_F(AssignKeysTest, StaleRadioItemsAreNotWritten) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"Nothing", "Caption"});
  Build();
  Radio->GetItems()->Delete(1);
  EXPECT_NO_THROW(Assign());
  EXPECT_EQ(Radio->GetItems()->Items(), std::vector<std::string>{"Nothing"});
  delete Radio;
  EXPECT_NO_THROW(Assign());
}

TEST_F(AssignKeysTest, HandlerChangesWhatIsWrittenNotTheNode) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Other = Make<TButton>(&Form, &Form, "Button2", "Help");
  Build();
  NodeFor(Button)->SetText("&OK");
  const std::vector<TObject*> Seen = Assign([&](TObject*, TObject* Component, std::string& Caption) {
    if (Component == Button) Caption += "!";
  });
  EXPECT_EQ(Seen, (std::vector<TObject*>{Button, Other}));  // called for the unchanged node too
  EXPECT_EQ(Button->GetCaption(), "&OK!");
  EXPECT_EQ(NodeFor(Button)->GetText(), "&OK");
  EXPECT_EQ(Other->GetCaption(), "Help");
}

TEST_F(AssignKeysTest, EmptyCaptionClassesStillWriteTheFixedKinds) {
  auto* Speed = Make<TSpeedButton>(&Form, &Form, "SpeedButton1", "Go");
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1", "Box");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Item = test::AddItem(&Form, Menu->GetItems(), "miFile", "File");
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"One"});
  Build();
  ASSERT_EQ(Tree.GetItems().GetCount(), 5);
  for (int I = 0; I < Tree.GetItems().GetCount(); ++I) {
    TTreeNode* Node = Tree.GetItems()[I];
    Node->SetText("&" + Node->GetText());
  }
  Lists.CaptionClasses.Clear();
  Assign();
  EXPECT_EQ(Speed->GetCaption(), "Go");
  EXPECT_EQ(Box->GetCaption(), "&Box");
  EXPECT_EQ(Item->GetCaption(), "&File");
  EXPECT_EQ(Radio->GetItems()->Get(0), "&One");
}

TEST_F(AssignKeysTest, SpeedButtonIsWrittenThroughItsPublishedCaption) {
  auto* Speed = Make<TSpeedButton>(&Form, &Form, "SpeedButton1", "Go");
  Build();
  NodeFor(Speed)->SetText("&Go");
  Assign();
  EXPECT_EQ(Speed->GetCaption(), "&Go");
}

TEST_F(AssignKeysTest, NodesShowingANameAreAnnouncedButNotWritten) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1");
  auto* Check = Make<TCheckBox>(&Form, Box, "CheckBox1", "Bold");
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  auto* Sheet = Make<TTabSheet>(&Form, Pages, "tsTable", "Table");
  test::Fill(Lists.CaptionClasses, {"TButtonControl"});
  Build();
  for (int I = 0; I < Tree.GetItems().GetCount(); ++I) {
    TTreeNode* Node = Tree.GetItems()[I];
    Node->SetText("&" + Node->GetText());
  }
  EXPECT_EQ(Assign(), (std::vector<TObject*>{Box, Check, Sheet}));
  EXPECT_EQ(Box->GetCaption(), "");
  EXPECT_EQ(Sheet->GetCaption(), "Table");
  EXPECT_EQ(Check->GetCaption(), "&Bold");
}

TEST_F(AssignKeysTest, HandlerErrorStopsThePass) {
  auto* First = Make<TButton>(&Form, &Form, "Button1", "One");
  auto* Second = Make<TButton>(&Form, &Form, "Button2", "Two");
  Build();
  NodeFor(First)->SetText("&One");
  NodeFor(Second)->SetText("&Two");
  EXPECT_THROW(AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, nullptr,
                          [&](TObject*, TObject* Component, std::string&) {
                            if (Component == Second) throw EKeyloomError("refused");
                          }),
               EKeyloomError);
  EXPECT_EQ(First->GetCaption(), "&One");
  EXPECT_EQ(Second->GetCaption(), "Two");
}

TEST_F(AssignKeysTest, WithoutHandlerEveryNodeIsWritten) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  Build();
  NodeFor(Button)->SetText("&OK");
  AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, nullptr, {});
  EXPECT_EQ(Button->GetCaption(), "&OK");
}

}  // namespace
}  // namespace keyloom

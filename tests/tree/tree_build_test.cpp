#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace keyloom {
namespace {

using test::Dump;
using test::Make;

class TreeBuildTest : public ::testing::Test {
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

  TForm Form{nullptr};
  TTreeView Tree{nullptr};
  test::TDefaultLists Lists;
};

TEST_F(TreeBuildTest, ButtonsOnTheFormAreRootsAndOnAPanelItsChildren) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* OnPanel = Make<TButton>(&Form, Panel, "Button1", "&OK");
  auto* OnForm = Make<TButton>(&Form, &Form, "Button2", "Help");
  Build();
  EXPECT_EQ(Dump(Tree), "Panel1(&OK),Help");
  EXPECT_EQ(GetComponentLevel(&Form, OnPanel), 2);
  EXPECT_EQ(GetComponentLevel(&Form, OnForm), 1);
  EXPECT_EQ(NodeFor(OnPanel)->GetImageIndex(), 1);
  EXPECT_EQ(NodeFor(OnPanel)->GetSelectedIndex(), 1);
  EXPECT_EQ(NodeFor(Panel)->GetImageIndex(), -1);
}

TEST_F(TreeBuildTest, LabelWithoutFocusControlAddsNoNode) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  Make<TLabel>(&Form, Panel, "Label1", "Hint");
  Build();
  EXPECT_EQ(Dump(Tree), "Panel1");
}

TEST_F(TreeBuildTest, RadioGroupAddsOneProxyNodePerItem) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1", "Sort");
  auto* Radio = Make<TRadioGroup>(&Form, Box, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"&Nothing", "&Caption"});
  Build();
  EXPECT_EQ(Dump(Tree), "Sort(&Nothing,&Caption)");
  TTreeNode* BoxNode = NodeFor(Box);
  ASSERT_NE(BoxNode, nullptr);
  ASSERT_EQ(BoxNode->GetCount(), 2);
  for (int I = 0; I < 2; ++I) {
    TTreeNode* Node = BoxNode->GetItem(I);
    auto* Proxy = dynamic_cast<TRadioGroupIndex*>(Node->GetData());
    ASSERT_NE(Proxy, nullptr);
    EXPECT_EQ(Proxy->GetIndex(), I);
    EXPECT_EQ(Proxy->GetRadioGroup(), Radio);
    EXPECT_EQ(Proxy->GetOwner(), &Tree);
    EXPECT_EQ(Node->GetImageIndex(), 12);
    EXPECT_EQ(Node->GetSelectedIndex(), 12);
  }
  EXPECT_EQ(NodeFor(Radio), nullptr);
}

TEST_F(TreeBuildTest, RadioGroupWithoutTextOrItemsAddsNothing) {
  auto* Nameless = Make<TRadioGroup>(&Form, &Form, "");
  test::Fill(*Nameless->GetItems(), {"One", "Two"});
  auto* NotContainer = Make<TRadioGroup>(&Form, &Form, "RadioGroup2");
  NotContainer->SetControlStyle(0);
  test::Fill(*NotContainer->GetItems(), {"Three"});
  Make<TRadioGroup>(&Form, &Form, "RadioGroup3", "Empty");
  Build();
  EXPECT_EQ(Dump(Tree), "");
  EXPECT_EQ(Tree.GetComponentCount(), 0);
}

TEST_F(TreeBuildTest, ControlsInsideARadioGroupHangUnderTheNextContainerWithANode) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1", "Sort");
  auto* Radio = Make<TRadioGroup>(&Form, Box, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"&Nothing", "&Caption"});
  Make<TCheckBox>(&Form, Radio, "CheckBox1", "Reverse");
  Build();
  EXPECT_EQ(Dump(Tree), "Sort(&Nothing,&Caption,Reverse)");
}

TEST_F(TreeBuildTest, ComponentsWithoutLevelAddNothing) {
  Make<TTimer>(&Form, nullptr, "Timer1");
  Make<TImageList>(&Form, nullptr, "ImageList1");
  auto* Plain = Make<TComponent>(&Form, nullptr, "Component1");
  Build();
  EXPECT_EQ(Dump(Tree), "");
  EXPECT_EQ(GetComponentLevel(&Form, Plain), -1);
  EXPECT_EQ(GetComponentLevel(&Form, nullptr), -1);
}

TEST_F(TreeBuildTest, MainMenuWithSubmenu) {
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* New = test::AddItem(&Form, Menu->GetItems(), "miNew", "&New");
  auto* Edit = test::AddItem(&Form, Menu->GetItems(), "miEdit", "&Edit");
  auto* Cut = test::AddItem(&Form, Edit, "miCut", "Cu&t");
  Build();
  EXPECT_EQ(Dump(Tree), "MainMenu1(&New,&Edit(Cu&t))");
  EXPECT_EQ(GetComponentLevel(&Form, Menu), 1);
  EXPECT_EQ(GetComponentLevel(&Form, New), 2);
  EXPECT_EQ(GetComponentLevel(&Form, Cut), 3);
  EXPECT_EQ(NodeFor(Menu)->GetImageIndex(), 5);
  EXPECT_EQ(NodeFor(Cut)->GetImageIndex(), 5);
}

TEST_F(TreeBuildTest, SubmenuItemsFindTheirParentWhateverTheComponentOrder) {
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  // The sub-item is created (and owned) before its parent item.
  auto* Sub = new TMenuItem(&Form);
  Sub->SetCaption("&Deep");
  auto* Top = test::AddItem(&Form, Popup->GetItems(), "miTop", "&Top");
  Top->Add(Sub);
  Build();
  EXPECT_EQ(Dump(Tree), "PopupMenu1(&Top(&Deep))");
}

TEST_F(TreeBuildTest, NestedPanelsInBothComponentOrders) {
  {
    // B sits on A but comes first: it finds no node of A yet.
    auto* B = Make<TPanel>(&Form, nullptr, "B");
    auto* A = Make<TPanel>(&Form, &Form, "A");
    B->SetParent(A);
    Make<TButton>(&Form, B, "Button1", "Go");
    Build();
    EXPECT_EQ(Dump(Tree), "B,A(Go)");
  }
  TForm Second(nullptr);
  auto* A = Make<TPanel>(&Second, &Second, "A");
  auto* B = Make<TPanel>(&Second, A, "B");
  Make<TButton>(&Second, B, "Button1", "Go");
  ClearWorkingTree(Tree);
  EnumComponents(&Second, Tree, Second, Lists.CaptionClasses, Lists.NoCaptionClasses);
  EXPECT_EQ(Dump(Tree), "A(B(Go))");
}

TEST_F(TreeBuildTest, ControlsComeAfterTheirContainersWhateverTheComponentOrder) {
  auto* Button = Make<TButton>(&Form, nullptr, "Button1", "Go");
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  Button->SetParent(Panel);
  Build();
  EXPECT_EQ(Dump(Tree), "Panel1(Go)");
}

TEST_F(TreeBuildTest, DeepControlIsAddedAlthoughLevelsInBetweenHoldNothing) {
  TWinControl* Parent = &Form;
  for (int I = 1; I <= 24; ++I) Parent = Make<TPanel>(&Form, Parent, "P" + std::to_string(I));
  auto* Button = Make<TButton>(&Form, Parent, "Button1", "Deep");
  EXPECT_EQ(GetComponentLevel(&Form, Button), 25);
  Build();
  TTreeNode* Node = NodeFor(Button);
  ASSERT_NE(Node, nullptr);
  EXPECT_EQ(Node->GetParent(), NodeFor(Parent));
  EXPECT_EQ(Node->GetLevel(), 24);
}

// A handler told of each added node may change components not yet added:
// the build must show them as they are when their turn comes, as a build
// that reads each component only then would.
TEST_F(TreeBuildTest, AHandlerThatChangesLaterComponentsIsSeenByTheBuild) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "Before");
  auto* Late = Make<TButton>(&Form, Panel, "Button2", "");
  Tree.OnNodesChanged = [&](TObject*) {
    if (Tree.GetItems().GetCount() != 1) return;
    Button->SetCaption("After");
    Late->SetCaption("Now shown");
  };
  Build();
  EXPECT_EQ(Dump(Tree), "Panel1(After,Now shown)");
}

TEST_F(TreeBuildTest, EnumComponentsHandsOverByLevelThenComponentOrder) {
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Item = test::AddItem(&Form, Menu->GetItems(), "miFile", "&File");
  auto* SubItem = test::AddItem(&Form, Item, "miOpen", "&Open");
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "Go");
  auto* Loose = Make<TButton>(&Form, nullptr, "Button2", "Loose");
  Make<TTimer>(&Form, nullptr, "Timer1");
  std::vector<std::pair<TObject*, int>> Seen;
  EnumComponents(&Form, Tree, Form,
                 [&](TObject* Component, TCustomTreeView& To, int Level, const TStrings& List1, const TStrings& List2) {
                   EXPECT_EQ(&To, &Tree);
                   EXPECT_EQ(&List1, &Lists.CaptionClasses);
                   EXPECT_EQ(&List2, &Lists.NoCaptionClasses);
                   Seen.emplace_back(Component, Level);
                 },
                 Lists.CaptionClasses, Lists.NoCaptionClasses);
  const std::vector<std::pair<TObject*, int>> Expected = {
      {Menu, 1}, {Panel, 1}, {Loose, 1}, {Item, 2}, {Button, 2}, {SubItem, 3}};
  EXPECT_EQ(Seen, Expected);
}

TEST_F(TreeBuildTest, LevelsCountToTheEndOfTheChainWhenTheFormIsNotOnIt) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "Go");
  EXPECT_EQ(GetComponentLevel(nullptr, Button), 3);
  EXPECT_EQ(GetComponentLevel(&Form, Button), 2);
}

TEST_F(TreeBuildTest, IsSelfOrAncestorFollowsControlsAndMenuItems) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "Go");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Item = test::AddItem(&Form, Menu->GetItems(), "miFile", "&File");
  auto* Sub = test::AddItem(&Form, Item, "miOpen", "&Open");
  EXPECT_TRUE(IsSelfOrAncestor(Button, Button));
  EXPECT_TRUE(IsSelfOrAncestor(Button, Panel));
  EXPECT_TRUE(IsSelfOrAncestor(Button, &Form));
  EXPECT_FALSE(IsSelfOrAncestor(Panel, Button));
  EXPECT_TRUE(IsSelfOrAncestor(Sub, Item));
  EXPECT_TRUE(IsSelfOrAncestor(Sub, Menu));
  EXPECT_FALSE(IsSelfOrAncestor(Item, Sub));
  EXPECT_FALSE(IsSelfOrAncestor(Menu, Menu));
  EXPECT_FALSE(IsSelfOrAncestor(nullptr, Menu));
  EXPECT_FALSE(IsSelfOrAncestor(Button, nullptr));
}

// What each node of the tree stands for: "group:index", or "-" for a proxy
// without a group.
std::string ProxiesOf(const TTreeView& Tree) {
  std::string Out;
  for (int I = 0; I < Tree.GetItems().GetCount(); ++I) {
    const auto* Proxy = dynamic_cast<const TRadioGroupIndex*>(Tree.GetItems()[I]->GetData());
    if (!Out.empty()) Out += ',';
    if (!Proxy) {
      Out += '?';
    } else if (!Proxy->GetRadioGroup()) {
      Out += '-';
    } else {
      Out += Proxy->GetRadioGroup()->GetName() + ":" + std::to_string(Proxy->GetIndex());
    }
  }
  return Out;
}

int ProxyCount(const TTreeView& Tree) {
  int Count = 0;
  for (const TComponent* Owned : Tree.Components()) Count += dynamic_cast<const TRadioGroupIndex*>(Owned) != nullptr;
  return Count;
}

TEST_F(TreeBuildTest, RebuildsTakeTheProxiesOfEarlierBuildsAgain) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "A", "Method");
  test::Fill(*Radio->GetItems(), {"&Nothing", "&Caption", "&Length"});
  auto* Kept = Make<TComponent>(&Tree, nullptr, "SomethingElse");
  Build();
  const TObject* First = Tree.GetItems()[0]->GetData();
  for (int Run = 0; Run < 4; ++Run) Build();
  EXPECT_EQ(Tree.GetItems()[0]->GetData(), First);
  EXPECT_EQ(ProxiesOf(Tree), "A:0,A:1,A:2");
  EXPECT_EQ(ProxyCount(Tree), 3);
  ClearWorkingTree(Tree);
  EXPECT_EQ(ProxyCount(Tree), 3);
  EXPECT_EQ(Tree.FindComponent("SomethingElse"), Kept);

  // No more proxies than the most items one build needed.
  test::Fill(*Radio->GetItems(), {"a", "b", "c", "d", "e"});
  Build();
  test::Fill(*Radio->GetItems(), {"a", "b"});
  Build();
  EXPECT_EQ(ProxiesOf(Tree), "A:0,A:1");
  EXPECT_EQ(ProxyCount(Tree), 5);

  // Another group's items take them over, and their watch on it works.
  delete Radio;
  auto* B = Make<TRadioGroup>(&Form, &Form, "B", "Other");
  auto* C = Make<TRadioGroup>(&Form, &Form, "C", "More");
  test::Fill(*B->GetItems(), {"1", "2", "3", "4"});
  test::Fill(*C->GetItems(), {"5", "6", "7"});
  Build();
  EXPECT_EQ(ProxiesOf(Tree), "B:0,B:1,B:2,B:3,C:0,C:1,C:2");
  EXPECT_EQ(ProxyCount(Tree), 7);
  delete B;
  EXPECT_EQ(ProxiesOf(Tree), "-,-,-,-,C:0,C:1,C:2");
  Build();
  EXPECT_EQ(ProxiesOf(Tree), "C:0,C:1,C:2");
  delete C;
  EXPECT_EQ(ProxiesOf(Tree), "-,-,-");

  // A proxy released by someone else is not handed out again.
  auto* D = Make<TRadioGroup>(&Form, &Form, "D", "Last");
  test::Fill(*D->GetItems(), {"x", "y"});
  Build();
  ClearWorkingTree(Tree);
  for (TComponent* Owned : Tree.Components())
    if (dynamic_cast<TRadioGroupIndex*>(Owned)) {
      delete Owned;
      break;
    }
  Build();
  EXPECT_EQ(ProxiesOf(Tree), "D:0,D:1");
  EXPECT_EQ(ProxyCount(Tree), 6);
}

TEST_F(TreeBuildTest, ProxyForgetsARadioGroupThatGoesAway) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Method");
  test::Fill(*Radio->GetItems(), {"&Nothing"});
  Build();
  auto* Proxy = dynamic_cast<TRadioGroupIndex*>(Tree.GetItems()[0]->GetData());
  ASSERT_NE(Proxy, nullptr);
  delete Radio;
  EXPECT_EQ(Proxy->GetRadioGroup(), nullptr);
}

// Items of one group share one watch on it; whichever proxy goes first, or
// changes group, every other must still learn when its group goes.
TEST(RadioGroupIndexTest, SharedWatchesTellEveryProxyWhoseGroupGoes) {
  std::mt19937 Random(7);
  for (int Round = 0; Round < 60; ++Round) {
    TForm Form(nullptr);
    TTreeView Tree(nullptr);
    std::vector<TRadioGroup*> Groups;
    for (int G = 0; G < 4; ++G) Groups.push_back(new TRadioGroup(&Form));
    std::vector<TRadioGroupIndex*> Proxies;
    std::map<TRadioGroupIndex*, TRadioGroup*> Expected;
    auto Pick = [&Random](auto& List) { return List[Random() % List.size()]; };
    for (int Step = 0; Step < 80; ++Step) {
      const unsigned Op = Random() % 10;
      if (Op < 3 || Proxies.empty()) {
        auto* Proxy = new TRadioGroupIndex(&Tree);
        Proxies.push_back(Proxy);
        Expected[Proxy] = nullptr;
      } else if (Op < 6) {
        TRadioGroupIndex* Proxy = Pick(Proxies);
        TRadioGroupIndex* Other = Pick(Proxies);
        Proxy->ShareRadioGroupOf(*Other);
        Expected[Proxy] = Expected[Other];
      } else if (Op < 8) {
        TRadioGroupIndex* Proxy = Pick(Proxies);
        TRadioGroup* Group = Groups.empty() || Random() % 5 == 0 ? nullptr : Pick(Groups);
        Proxy->SetRadioGroup(Group);
        Expected[Proxy] = Group;
      } else if (Op < 9) {
        const std::size_t At = Random() % Proxies.size();
        Expected.erase(Proxies[At]);
        TComponent::Free(Proxies[At]);
        Proxies.erase(Proxies.begin() + static_cast<std::ptrdiff_t>(At));
      } else if (!Groups.empty()) {
        const std::size_t At = Random() % Groups.size();
        for (auto& [Proxy, Group] : Expected)
          if (Group == Groups[At]) Group = nullptr;
        TComponent::Free(Groups[At]);
        Groups.erase(Groups.begin() + static_cast<std::ptrdiff_t>(At));
      }
      for (TRadioGroupIndex* Proxy : Proxies)
        ASSERT_EQ(Proxy->GetRadioGroup(), Expected[Proxy]) << "round " << Round << ", step " << Step;
    }
    // What is left goes in both orders: groups first, or the tree first.
    if (Round % 2 != 0) continue;
    for (TRadioGroup* Group : Groups) TComponent::Free(Group);
    for (TRadioGroupIndex* Proxy : Proxies) EXPECT_EQ(Proxy->GetRadioGroup(), nullptr);
  }
}

}  // namespace
}  // namespace keyloom

#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <vector>

namespace keyloom {
namespace {

struct ControlChangeLog {
  std::vector<std::pair<TControl*, bool>> Seen;
  void Hook(TControl& Form) {
    TWndMethod Old = Form.WindowProc;
    Form.WindowProc = [this, Old](TMessage& M) {
      if (M.Msg == CM_CONTROLCHANGE) Seen.emplace_back(reinterpret_cast<TControl*>(M.WParam), M.LParam != 0);
      Old(M);
    };
  }
};

TEST(Control, InsertingOrRemovingAControlAnywhereTellsTheForm) {
  TForm Form(nullptr);
  ControlChangeLog Log;
  Log.Hook(Form);
  auto* Panel = new TPanel(&Form);
  Panel->SetParent(&Form);
  auto* Inner = new TPanel(&Form);
  Inner->SetParent(Panel);
  auto* Button = new TButton(&Form);
  Button->SetParent(Inner);
  ASSERT_EQ(Log.Seen.size(), 3u);
  EXPECT_EQ(Log.Seen[2].first, Button);
  EXPECT_TRUE(Log.Seen[2].second);
  delete Button;
  ASSERT_EQ(Log.Seen.size(), 4u);
  EXPECT_EQ(Log.Seen[3].first, Button);
  EXPECT_FALSE(Log.Seen[3].second);
  // A control that is only owned, not placed, changes nothing.
  new TButton(&Form);
  EXPECT_EQ(Log.Seen.size(), 4u);
}

TEST(Control, ParentChainAndForm) {
  TForm Form(nullptr);
  auto* Panel = new TPanel(&Form);
  Panel->SetParent(&Form);
  auto* Button = new TButton(&Form);
  Button->SetParent(Panel);
  EXPECT_EQ(Button->GetParent(), Panel);
  EXPECT_EQ(Button->GetParentComponent(), Panel);
  EXPECT_EQ(GetParentForm(Button), &Form);
  EXPECT_TRUE(Form.ContainsControl(Button));
  EXPECT_THROW(Panel->SetParent(Panel), EComponentError);
  auto* Inner = new TPanel(&Form);
  Inner->SetParent(Panel);
  EXPECT_THROW(Panel->SetParent(Inner), EComponentError);
  Button->SetParent(&Form);
  EXPECT_EQ(Panel->GetControlCount(), 1);
  EXPECT_EQ(Form.GetControl(1), Button);
  Form.SetChildOrder(Button, 0);
  EXPECT_EQ(Form.GetControl(0), Button);
}

TEST(Control, ReleasingAContainerReleasesItsChildControls) {
  TForm Form(nullptr);
  auto* Panel = new TPanel(&Form);
  Panel->SetParent(&Form);
  auto* Button = new TButton(&Form);
  Button->SetParent(Panel);
  auto* Label = new TLabel(&Form);
  Label->SetParent(&Form);
  Label->SetFocusControl(Button);
  delete Panel;
  EXPECT_EQ(Form.GetComponentCount(), 1);
  EXPECT_EQ(Form.GetControlCount(), 1);
  EXPECT_EQ(Label->GetFocusControl(), nullptr);
}

// Children leave a parent from anywhere in its list, by moving, by being
// freed or by being removed; those that stay keep their order.
TEST(Control, ChildrenLeavingFromAnyPlaceKeepTheOthersInOrder) {
  enum class TWay { Move, Free };
  const struct {
    std::vector<int> Leaving;
    TWay Way;
  } Cases[] = {
      {{5, 4, 3}, TWay::Free}, {{0, 1}, TWay::Free}, {{2, 0, 5}, TWay::Free},
      {{5, 4, 3}, TWay::Move}, {{0, 1}, TWay::Move}, {{2, 0, 5}, TWay::Move},
  };
  for (const auto& Case : Cases) {
    TForm Form(nullptr);
    auto* Panel = new TPanel(&Form);
    Panel->SetParent(&Form);
    auto* Menu = new TMainMenu(&Form);
    std::vector<TControl*> Controls;
    std::vector<TMenuItem*> Items;
    for (int I = 0; I < 6; ++I) {
      Controls.push_back(new TButton(&Form));
      Controls.back()->SetParent(Panel);
      Items.push_back(new TMenuItem(&Form));
      Menu->GetItems()->Add(Items.back());
    }
    std::vector<TControl*> StayingControls = Controls;
    std::vector<TMenuItem*> StayingItems = Items;
    for (const int I : Case.Leaving) {
      std::erase(StayingControls, Controls[static_cast<std::size_t>(I)]);
      std::erase(StayingItems, Items[static_cast<std::size_t>(I)]);
      if (Case.Way == TWay::Free) {
        delete Controls[static_cast<std::size_t>(I)];
        delete Items[static_cast<std::size_t>(I)];
      } else {
        Controls[static_cast<std::size_t>(I)]->SetParent(&Form);
        Menu->GetItems()->Remove(Items[static_cast<std::size_t>(I)]);
        EXPECT_EQ(Items[static_cast<std::size_t>(I)]->GetParent(), nullptr);
      }
    }
    std::vector<TControl*> Left;
    for (int I = 0; I < Panel->GetControlCount(); ++I) Left.push_back(Panel->GetControl(I));
    EXPECT_EQ(Left, StayingControls);
    EXPECT_EQ(Menu->GetItems()->Items(), StayingItems);
  }
}

TEST(Control, WindowProcedureHooksChainAndUnhook) {
  TForm Form(nullptr);
  std::vector<int> Order;
  TWndMethod Saved = Form.WindowProc;
  Form.WindowProc = [&](TMessage& M) {
    Order.push_back(1);
    Saved(M);
  };
  Form.Perform(CM_CONTROLCHANGE);
  Form.WindowProc = Saved;
  Form.Perform(CM_CONTROLCHANGE);
  EXPECT_EQ(Order, std::vector<int>{1});
}

TEST(Control, TextBoundsAndChangeObserver) {
  TForm Form(nullptr);
  auto* Button = new TButton(&Form);
  std::vector<std::string> Changes;
  Button->OnHostChanged = [&](TControl&, std::string_view What) { Changes.emplace_back(What); };
  Button->SetCaption("&OK");
  Button->SetCaption("&OK");
  Button->SetBounds(1, 2, 75, 25);
  EXPECT_EQ(Button->GetText(), "&OK");
  EXPECT_EQ(Button->GetWidth(), 75);
  EXPECT_EQ(Changes, (std::vector<std::string>{"Text", "Bounds"}));
}

TEST(Form, ShowAndHideRunTheirEventsOnce) {
  TForm Form(nullptr);
  int Shows = 0, Hides = 0;
  Form.OnShow = [&](TObject*) { ++Shows; };
  Form.OnHide = [&](TObject*) { ++Hides; };
  Form.Show();
  Form.Show();
  Form.Close();
  Form.Hide();
  EXPECT_EQ(Shows, 1);
  EXPECT_EQ(Hides, 1);
  EXPECT_FALSE(Form.GetVisible());
}

TEST(Menu, ParentComponentsFollowTheMenuStructure) {
  TForm Form(nullptr);
  auto* Menu = new TMainMenu(&Form);
  auto* Edit = new TMenuItem(&Form);
  auto* Cut = new TMenuItem(&Form);
  Menu->GetItems()->Add(Edit);
  Edit->Add(Cut);
  EXPECT_EQ(Cut->GetParentComponent(), Edit);
  EXPECT_EQ(Edit->GetParentComponent(), Menu);
  EXPECT_EQ(Menu->GetParentComponent(), nullptr);
  EXPECT_EQ(Cut->GetMenu(), Menu);
  EXPECT_THROW(Cut->Add(Edit), EComponentError);
  delete Edit;  // takes its submenu along
  EXPECT_EQ(Form.GetComponentCount(), 1);
  EXPECT_EQ(Menu->GetItems()->GetCount(), 0);
}

TEST(Menu, RadioItemsOfOneGroupCheckOneAtATime) {
  TPopupMenu Menu(nullptr);
  std::vector<TMenuItem*> Items;
  for (int I = 0; I < 3; ++I) {
    auto* Item = new TMenuItem(&Menu);
    Item->SetRadioItem(true);
    Item->SetAutoCheck(true);
    Menu.GetItems()->Add(Item);
    Items.push_back(Item);
  }
  Items[0]->SetChecked(true);
  Items[2]->Click();
  EXPECT_FALSE(Items[0]->GetChecked());
  EXPECT_TRUE(Items[2]->GetChecked());
  int Popups = 0;
  Menu.OnPopup = [&](TObject*) { ++Popups; };
  Menu.Popup(0, 0);
  EXPECT_EQ(Popups, 1);
}

TEST(Notebook, PagesShowOneAtATime) {
  TForm Form(nullptr);
  auto* Book = new TNotebook(&Form);
  Book->SetParent(&Form);
  for (const char* Caption : {"Default", "Setup", "About"}) {
    auto* Page = new TPage(&Form);
    Page->SetCaption(Caption);
    Page->SetParent(Book);
  }
  Book->SetPageIndex(2);
  EXPECT_EQ(Book->GetActivePage(), "About");
  EXPECT_FALSE(Book->GetPage(0)->GetVisible());
  Book->SetActivePage("setup");
  EXPECT_EQ(Book->GetPageIndex(), 1);
}

}  // namespace
}  // namespace keyloom

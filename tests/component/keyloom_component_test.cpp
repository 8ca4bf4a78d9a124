#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <algorithm>
#include <any>
#include <string>
#include <vector>

namespace keyloom {
namespace {

using test::Dump;
using test::Make;

class KeyloomComponentTest : public ::testing::Test {
 protected:
  // A keyloom that counts its runs: one OnAssign call per run for a form with one captioned button.
  TKeyloom* MakeCounting() {
    auto* Keyloom = new TKeyloom(&Form);
    Keyloom->SetName("Keyloom1");
    Keyloom->OnAssign = [this](TObject* Sender, TObject*, std::string&) {
      EXPECT_TRUE(IsClass<TKeyloom>(Sender));
      ++Calls;
    };
    return Keyloom;
  }

  TForm Form{nullptr};
  int Calls = 0;
};

TEST_F(KeyloomComponentTest, TypicalRunAfterLoading) {
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->BeginLoading();
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* File = test::AddItem(&Form, Menu->GetItems(), "miFile", "File");
  auto* Exit = test::AddItem(&Form, Menu->GetItems(), "miExit", "Exit");
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Ok = Make<TButton>(&Form, Panel, "bOK", "OK");
  auto* Open = Make<TButton>(&Form, Panel, "bOpen", "Open");
  EXPECT_EQ(Ok->GetCaption(), "OK");
  Keyloom->Loaded();
  EXPECT_EQ(File->GetCaption(), "&File");
  EXPECT_EQ(Exit->GetCaption(), "E&xit");
  EXPECT_EQ(Ok->GetCaption(), "&OK");
  EXPECT_EQ(Open->GetCaption(), "O&pen");
  EXPECT_EQ(Panel->GetCaption(), "");
  // Roots are ordered too: Panel1 has fewer different letters than MainMenu1.
  EXPECT_EQ(Dump(*Keyloom->GetTree()), "Panel1(&OK,O&pen),MainMenu1(E&xit,&File)");
}

TEST_F(KeyloomComponentTest, ConstructingRunsNothing) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Keyloom = new TKeyloom(&Form);
  EXPECT_EQ(Button->GetCaption(), "OK");
  ASSERT_NE(Keyloom->GetTree(), nullptr);
  EXPECT_EQ(Keyloom->GetTree()->GetItems().GetCount(), 0);
}

TEST_F(KeyloomComponentTest, SettingsAfterConstruction) {
  auto* Keyloom = new TKeyloom(&Form);
  EXPECT_TRUE(Keyloom->GetActive());
  EXPECT_FALSE(Keyloom->GetActiveInDesign());
  EXPECT_TRUE(Keyloom->GetOnlyUnassigned());
  EXPECT_EQ(Keyloom->GetSortMethod(), TSortMethod::smUniqueLetters);
  EXPECT_EQ(Keyloom->GetCaptionClasses()->Items(),
            (std::vector<std::string>{"TButtonControl", "TCustomLabel", "TCustomStaticText", "TTabSheet",
                                      "TRadioGroup"}));
  EXPECT_EQ(Keyloom->GetNoCaptionClasses()->Items(),
            (std::vector<std::string>{"TMainMenu", "TPopupMenu", "TCustomTabControl", "TPageControl", "TPanel",
                                      "TToolbar"}));
  EXPECT_EQ(Keyloom->GetDefaultCaptions()->Items(), (std::vector<std::string>{"E&xit", "Cu&t"}));
  EXPECT_FALSE(static_cast<bool>(Keyloom->OnAssign));
  // A hidden control: owned by the component, out of sight on its form.
  EXPECT_EQ(Keyloom->GetTree()->GetOwner(), Keyloom);
  EXPECT_EQ(Keyloom->GetTree()->GetParent(), &Form);
  EXPECT_EQ(Keyloom->GetTree()->GetLeft(), -2);
  EXPECT_EQ(Keyloom->GetTree()->GetTop(), -2);
  EXPECT_EQ(Keyloom->GetTree()->GetWidth(), 0);
  EXPECT_EQ(Keyloom->GetTree()->GetHeight(), 0);
  EXPECT_FALSE(Keyloom->GetTree()->GetVisible());
}

TEST_F(KeyloomComponentTest, InsertionRunsRemovalDoesNot) {
  MakeCounting();
  auto* Button = new TButton(nullptr);
  Button->SetCaption("OK");
  Button->SetParent(&Form);
  Form.InsertComponent(Button);
  EXPECT_EQ(Button->GetCaption(), "&OK");
  EXPECT_EQ(Calls, 1);
  Form.RemoveComponent(Button);
  EXPECT_EQ(Calls, 1);
  Form.InsertComponent(Button);
  EXPECT_EQ(Calls, 2);
}

TEST_F(KeyloomComponentTest, SettersRunOnlyWhenTheValueChanges) {
  Make<TButton>(&Form, &Form, "Button1", "OK");
  TKeyloom* Keyloom = MakeCounting();
  struct Step {
    const char* Name;
    std::function<void()> Set;
    int Runs;
  };
  const std::vector<Step> Steps = {
      {"Active same", [&] { Keyloom->SetActive(true); }, 0},
      {"ActiveInDesign same", [&] { Keyloom->SetActiveInDesign(false); }, 0},
      {"OnlyUnassigned same", [&] { Keyloom->SetOnlyUnassigned(true); }, 0},
      {"SortMethod same", [&] { Keyloom->SetSortMethod(TSortMethod::smUniqueLetters); }, 0},
      {"SortMethod new", [&] { Keyloom->SetSortMethod(TSortMethod::smCaption); }, 1},
      {"OnlyUnassigned new", [&] { Keyloom->SetOnlyUnassigned(false); }, 1},
      {"ActiveInDesign new", [&] { Keyloom->SetActiveInDesign(true); }, 1},
      {"Active off", [&] { Keyloom->SetActive(false); }, 0},
      {"SortMethod while inactive", [&] { Keyloom->SetSortMethod(TSortMethod::smNothing); }, 0},
      {"Active on", [&] { Keyloom->SetActive(true); }, 1},
  };
  for (const Step& S : Steps) {
    Calls = 0;
    S.Set();
    EXPECT_EQ(Calls, S.Runs) << S.Name;
  }
}

TEST_F(KeyloomComponentTest, InactiveKeepsTheCaptionsLastWritten) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  ASSERT_EQ(Button->GetCaption(), "&OK");
  Keyloom->SetActive(false);
  auto* Other = Make<TButton>(&Form, &Form, "Button2", "Open");
  Keyloom->SetSortMethod(TSortMethod::smCaption);
  EXPECT_FALSE(Keyloom->GetActive());
  EXPECT_EQ(Button->GetCaption(), "&OK");
  EXPECT_EQ(Other->GetCaption(), "Open");
}

TEST_F(KeyloomComponentTest, FindKeysRunsOnceWhateverActiveAndLeavesItAsItWas) {
  Make<TButton>(&Form, &Form, "Button1", "OK");
  TKeyloom* Keyloom = MakeCounting();
  for (const bool Active : {false, true}) {
    Keyloom->SetActive(Active);
    Calls = 0;
    Keyloom->FindKeys();
    EXPECT_EQ(Calls, 1) << Active;
    EXPECT_EQ(Keyloom->GetActive(), Active);
  }
}

TEST_F(KeyloomComponentTest, InTheDesignerOnlyWithActiveInDesign) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  TKeyloom* Keyloom = MakeCounting();
  Form.SetDesigning(true);
  Keyloom->FindKeys();
  Make<TButton>(&Form, &Form, "Button2", "Help");
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Button->GetCaption(), "OK");
  Keyloom->SetActiveInDesign(true);  // runs at once
  EXPECT_EQ(Calls, 2);
  EXPECT_EQ(Button->GetCaption(), "&OK");
}

TEST_F(KeyloomComponentTest, LoadingFormGetsExactlyOneRun) {
  TKeyloom* Keyloom = MakeCounting();
  Keyloom->BeginLoading();
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Button = Make<TButton>(&Form, Panel, "Button1", "OK");
  Keyloom->SetSortMethod(TSortMethod::smCaption);
  Keyloom->SetOnlyUnassigned(false);
  Keyloom->FindKeys();
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Button->GetCaption(), "OK");
  Keyloom->Loaded();
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(Button->GetCaption(), "&OK");
}

TEST_F(KeyloomComponentTest, ListSettersCopyAndRunNothing) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  TKeyloom* Keyloom = MakeCounting();
  TStringList Given;
  test::Fill(Given, {"TLabel"});
  Keyloom->SetCaptionClasses(Given);
  Keyloom->SetNoCaptionClasses(Given);
  Keyloom->SetDefaultCaptions(Given);
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(Button->GetCaption(), "OK");
  Given.Add("TButton");
  EXPECT_EQ(Keyloom->GetCaptionClasses()->Items(), std::vector<std::string>{"TLabel"});
  EXPECT_NE(Keyloom->GetCaptionClasses(), &Given);
  // The copied list takes effect at the next run: buttons are no caption class any more.
  Keyloom->FindKeys();
  EXPECT_EQ(Button->GetCaption(), "OK");
}

TEST_F(KeyloomComponentTest, OnlyUnassignedKeepsLettersUntilSwitchedOff) {
  auto* Open = Make<TButton>(&Form, &Form, "Button1", "Op&en");
  auto* Over = Make<TButton>(&Form, &Form, "Button2", "Over");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Open->GetCaption(), "Op&en");
  EXPECT_EQ(Over->GetCaption(), "&Over");
  Keyloom->SetSortMethod(TSortMethod::smCaptionLength);
  EXPECT_EQ(Open->GetCaption(), "Op&en");
  EXPECT_EQ(Over->GetCaption(), "&Over");
  Keyloom->SetOnlyUnassigned(false);
  EXPECT_EQ(Open->GetCaption(), "&Open");
  EXPECT_EQ(Over->GetCaption(), "O&ver");
}

TEST_F(KeyloomComponentTest, SortMethodDecidesWhoPicksFirst) {
  auto* Pen = Make<TButton>(&Form, &Form, "Button1", "Pen");
  auto* Pa = Make<TButton>(&Form, &Form, "Button2", "Pa");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->SetOnlyUnassigned(false);
  Keyloom->SetSortMethod(TSortMethod::smNothing);
  EXPECT_EQ(Pen->GetCaption(), "&Pen");
  EXPECT_EQ(Pa->GetCaption(), "P&a");
  Keyloom->SetSortMethod(TSortMethod::smCaptionLength);
  EXPECT_EQ(Pa->GetCaption(), "&Pa");
  EXPECT_EQ(Pen->GetCaption(), "P&en");
}

TEST_F(KeyloomComponentTest, OnAssignChangesTheWrittenCaption) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Keyloom = new TKeyloom(&Form);
  std::vector<TObject*> Seen;
  Keyloom->OnAssign = [&](TObject* Sender, TObject* Component, std::string& Caption) {
    EXPECT_EQ(Sender, Keyloom);
    Seen.push_back(Component);
    Caption += "!";
  };
  Keyloom->FindKeys();
  EXPECT_EQ(Button->GetCaption(), "&OK!");
  EXPECT_EQ(Seen, std::vector<TObject*>{Button});
  EXPECT_EQ(Keyloom->GetTree()->GetItems()[0]->GetText(), "&OK");
}

TEST_F(KeyloomComponentTest, PopupMenuItemsStartFromNoLetters) {
  auto* Close = Make<TButton>(&Form, &Form, "Button1", "Close");
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  auto* Copy = test::AddItem(&Form, Popup->GetItems(), "miCopy", "Copy");
  auto* Cut = test::AddItem(&Form, Popup->GetItems(), "miCut", "Cut");
  auto* Paste = test::AddItem(&Form, Popup->GetItems(), "miPaste", "Paste");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Close->GetCaption(), "&Close");
  EXPECT_EQ(Cut->GetCaption(), "Cu&t");
  EXPECT_EQ(Copy->GetCaption(), "&Copy");
  EXPECT_EQ(Paste->GetCaption(), "&Paste");
}

TEST_F(KeyloomComponentTest, LabelsTakePartOnlyWithAControlToFocus) {
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  auto* Named = Make<TLabel>(&Form, &Form, "Label1", "Name");
  Named->SetFocusControl(Edit);
  auto* Plain = Make<TLabel>(&Form, &Form, "Label2", "Notes");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Named->GetCaption(), "&Name");
  EXPECT_EQ(Plain->GetCaption(), "Notes");
}

TEST_F(KeyloomComponentTest, RadioGroupItemsGetLetters) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Sort");
  test::Fill(*Radio->GetItems(), {"Nothing", "Caption", "Unique letters"});
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Radio->GetItems()->Items(), (std::vector<std::string>{"&Nothing", "&Caption", "&Unique letters"}));
  EXPECT_EQ(Radio->GetCaption(), "Sort");
}

TEST_F(KeyloomComponentTest, DeeplyNestedControlGetsALetter) {
  TWinControl* Parent = &Form;
  for (int I = 1; I <= 24; ++I) Parent = Make<TPanel>(&Form, Parent, "P" + std::to_string(I));
  auto* Button = Make<TButton>(&Form, Parent, "Button1", "OK");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Button->GetCaption(), "&OK");
}

TEST_F(KeyloomComponentTest, ComponentsShownByNameKeepTheirCaptions) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1");
  auto* Check = Make<TCheckBox>(&Form, Box, "CheckBox1", "Bold");
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  auto* Sheet = Make<TTabSheet>(&Form, Pages, "tsTable", "Table");
  auto* Keyloom = new TKeyloom(&Form);
  TStringList Classes;
  test::Fill(Classes, {"TButtonControl"});
  Keyloom->SetCaptionClasses(Classes);
  Keyloom->FindKeys();
  EXPECT_EQ(Box->GetCaption(), "");
  EXPECT_EQ(Sheet->GetCaption(), "Table");
  EXPECT_EQ(Check->GetCaption(), "&Bold");
}

TEST_F(KeyloomComponentTest, RunsStartedFromOnAssignAreRefused) {
  Make<TButton>(&Form, &Form, "Button1", "OK");
  Make<TButton>(&Form, &Form, "Button2", "Help");
  auto* Keyloom = new TKeyloom(&Form);
  int Inserted = 0;
  Keyloom->OnAssign = [&](TObject*, TObject*, std::string&) {
    ++Calls;
    ++Inserted;
    Make<TButton>(&Form, &Form, "Late" + std::to_string(Inserted), "Late");
    Keyloom->SetSortMethod(Keyloom->GetSortMethod() == TSortMethod::smCaption ? TSortMethod::smNothing
                                                                               : TSortMethod::smCaption);
    Keyloom->FindKeys();
  };
  Keyloom->FindKeys();
  EXPECT_EQ(Calls, 2);
  EXPECT_EQ(static_cast<TButton*>(Form.FindComponent("Button1"))->GetCaption(), "&OK");
  EXPECT_EQ(static_cast<TButton*>(Form.FindComponent("Button2"))->GetCaption(), "&Help");
  EXPECT_EQ(static_cast<TButton*>(Form.FindComponent("Late1"))->GetCaption(), "Late");
  // The next run sees everything, and is allowed again.
  Keyloom->OnAssign = {};
  Keyloom->FindKeys();
  EXPECT_EQ(static_cast<TButton*>(Form.FindComponent("Late1"))->GetCaption(), "&Late");
}

TEST_F(KeyloomComponentTest, RepeatedRunsDoNotPileUpRadioItemProxies) {
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Sort");
  test::Fill(*Radio->GetItems(), {"Nothing", "Caption"});
  auto* Keyloom = new TKeyloom(&Form);
  for (int Run = 0; Run < 5; ++Run) {
    Keyloom->FindKeys();
    EXPECT_EQ(Radio->GetItems()->Items(), (std::vector<std::string>{"&Nothing", "&Caption"}));
    test::Fill(*Radio->GetItems(), {"Nothing", "Caption"});
  }
  const auto& Owned = Keyloom->GetTree()->Components();
  EXPECT_EQ(std::count_if(Owned.begin(), Owned.end(), [](const TComponent* C) { return IsClass<TRadioGroupIndex>(C); }),
            2);
}

TEST_F(KeyloomComponentTest, NoMarkerSplitsAMultiByteCharacter) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "\xC3\x80 propos");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->FindKeys();
  EXPECT_EQ(Button->GetCaption(), "\xC3\x80 &propos");
}

TEST_F(KeyloomComponentTest, HandlerErrorReachesTheCallerAndTheNextRunWorks) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->SetActive(false);
  Keyloom->OnAssign = [](TObject*, TObject*, std::string&) { throw EKeyloomError("no"); };
  EXPECT_THROW(Keyloom->FindKeys(), EKeyloomError);
  EXPECT_FALSE(Keyloom->GetActive());
  EXPECT_EQ(Button->GetCaption(), "OK");
  Keyloom->OnAssign = {};
  Keyloom->FindKeys();
  EXPECT_EQ(Button->GetCaption(), "&OK");
}

TEST_F(KeyloomComponentTest, DestroyingTheFormRunsNothing) {
  auto* Owner = new TForm(nullptr);
  Make<TButton>(Owner, Owner, "Button1", "OK");
  auto* Keyloom = new TKeyloom(Owner);
  int Runs = 0;
  Keyloom->OnAssign = [&](TObject*, TObject*, std::string&) { ++Runs; };
  delete Owner;
  EXPECT_EQ(Runs, 0);
}

TEST_F(KeyloomComponentTest, WithoutOwnerNothingRuns) {
  TKeyloom Keyloom(nullptr);
  EXPECT_NO_THROW(Keyloom.FindKeys());
  EXPECT_EQ(Keyloom.GetTree()->GetItems().GetCount(), 0);
}

TEST(KeyloomClassTest, PublishedPropertiesAndRegistration) {
  RegisterKeyloomClasses();
  RegisterKeyloomClasses();
  const TClassInfo* Info = FindClass("TKeyloom");
  ASSERT_NE(Info, nullptr);
  ASSERT_NE(FindClass("TRadioGroupIndex"), nullptr);
  std::vector<std::string> Names;
  for (const TPropInfo& Prop : Info->OwnProps()) Names.push_back(Prop.Name);
  EXPECT_EQ(Names, (std::vector<std::string>{"Active", "ActiveInDesign", "CaptionClasses", "DefaultCaptions",
                                             "NoCaptionClasses", "NonLatin", "OnlyUnassigned", "Placeholders",
                                             "ReservedLetters", "Scope", "SortMethod", "Strategy", "OnAssign"}));

  TForm Form(nullptr);
  Make<TButton>(&Form, &Form, "Button1", "OK");
  TComponent* Made = Info->Factory()(&Form);
  auto* Keyloom = dynamic_cast<TKeyloom*>(Made);
  ASSERT_NE(Keyloom, nullptr);

  // Values equal to their defaults are not stored; the lists always are.
  for (const char* Name : {"Active", "ActiveInDesign", "OnlyUnassigned", "Placeholders", "SortMethod"})
    EXPECT_FALSE(IsStoredProp(*Keyloom, *Info->FindProp(Name))) << Name;
  for (const char* Name : {"CaptionClasses", "DefaultCaptions", "NoCaptionClasses"}) {
    EXPECT_TRUE(IsStoredProp(*Keyloom, *Info->FindProp(Name))) << Name;
    EXPECT_EQ(Info->FindProp(Name)->Kind, TTypeKind::tkClass) << Name;
  }

  const TPropInfo& Sort = *Info->FindProp("SortMethod");
  EXPECT_EQ(Sort.TypeName, "TSortMethod");
  EXPECT_EQ(GetEnumName(Sort, 2), "smCaptionLength");
  EXPECT_EQ(GetEnumValue(Sort, "smNothing"), 0);

  int Runs = 0;
  const TPropInfo& OnAssign = *Info->FindProp("OnAssign");
  OnAssign.SetMethod(*Keyloom, std::any(TAssignEvent([&](TObject*, TObject*, std::string&) { ++Runs; })));
  EXPECT_TRUE(OnAssign.HasMethod(*Keyloom));

  SetOrdProp(*Keyloom, Sort, GetEnumValue(Sort, "smCaption"));
  EXPECT_EQ(Keyloom->GetSortMethod(), TSortMethod::smCaption);
  EXPECT_EQ(Runs, 1);
  EXPECT_TRUE(IsStoredProp(*Keyloom, Sort));

  TStringList Given;
  test::Fill(Given, {"Cl&ose"});
  SetObjectProp(*Keyloom, *Info->FindProp("DefaultCaptions"), &Given);
  EXPECT_EQ(Keyloom->GetDefaultCaptions()->Items(), std::vector<std::string>{"Cl&ose"});
  EXPECT_EQ(Runs, 1);
  SetOrdProp(*Keyloom, *Info->FindProp("Active"), 0);
  EXPECT_FALSE(Keyloom->GetActive());
}

}  // namespace
}  // namespace keyloom

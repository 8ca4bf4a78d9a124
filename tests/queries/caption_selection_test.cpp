#include <keyloom/host.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include <new>

#include "support/runtime_forms.hpp"

namespace keyloom {
namespace {

using test::Make;

class CaptionSelectionTest : public ::testing::Test {
 protected:
  TCaptionInfo Info(const TObject* Component) const {
    return GetCaptionInfo(Component, Lists.CaptionClasses, Lists.NoCaptionClasses);
  }
  std::string Caption(const TObject* Component) const {
    return GetCaption(Component, Lists.CaptionClasses, Lists.NoCaptionClasses);
  }

  TForm Form{nullptr};
  test::TDefaultLists Lists;
};

TEST_F(CaptionSelectionTest, LabelWithoutFocusControlHasNoCaptionUnlessListedAsNoCaptionClass) {
  auto* Label = Make<TLabel>(&Form, &Form, "Label1", "&Hint");
  EXPECT_EQ(Info(Label).Source, TCaptionSource::csNone);
  EXPECT_EQ(Caption(Label), "");
  Lists.NoCaptionClasses.Add("TLabel");
  EXPECT_EQ(Caption(Label), "Label1");
  EXPECT_EQ(Info(Label).Source, TCaptionSource::csName);
}

TEST_F(CaptionSelectionTest, LabelWithFocusControlShowsItsCaptionWithMarkup) {
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  auto* Label = Make<TLabel>(&Form, &Form, "Label1", "&Name");
  Label->SetFocusControl(Edit);
  EXPECT_EQ(Caption(Label), "&Name");
  EXPECT_EQ(Info(Label).Source, TCaptionSource::csCaption);
  auto* Static = Make<TStaticText>(&Form, &Form, "StaticText1", "&Street");
  EXPECT_EQ(Caption(Static), "");
  Static->SetFocusControl(Edit);
  EXPECT_EQ(Caption(Static), "&Street");
}

TEST_F(CaptionSelectionTest, TypicalComponentsWithTheDefaultLists) {
  auto* Panel = Make<TPanel>(&Form, &Form, "pCaptions", "Some text");
  auto* EmptyBox = Make<TGroupBox>(&Form, &Form, "GroupBox1");
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox2", "&Options");
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  auto* Sheet = Make<TTabSheet>(&Form, Pages, "tsTable", "Table");
  auto* EmptySheet = Make<TTabSheet>(&Form, Pages, "tsEmpty");
  auto* Speed = Make<TSpeedButton>(&Form, Panel, "SpeedButton1", "&Go");
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "Sort");
  auto* Check = Make<TCheckBox>(&Form, &Form, "CheckBox1", "Wrap");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  auto* Separator = test::AddItem(&Form, Menu->GetItems(), "N1", "-");
  auto* Timer = Make<TTimer>(&Form, nullptr, "Timer1");
  auto* Images = Make<TImageList>(&Form, nullptr, "ImageList1");
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  TRadioGroupIndex Proxy(nullptr);

  struct Case {
    const TObject* Component;
    std::string Text;
    TCaptionSource Source;
  };
  const Case Cases[] = {
      {Panel, "pCaptions", TCaptionSource::csName},     {EmptyBox, "GroupBox1", TCaptionSource::csName},
      {Box, "&Options", TCaptionSource::csCaption},     {Pages, "PageControl1", TCaptionSource::csName},
      {Sheet, "Table", TCaptionSource::csCaption},      {EmptySheet, "tsEmpty", TCaptionSource::csName},
      {Speed, "&Go", TCaptionSource::csCaption},        {Radio, "Sort", TCaptionSource::csCaption},
      {Check, "Wrap", TCaptionSource::csCaption},       {Menu, "MainMenu1", TCaptionSource::csName},
      {Popup, "PopupMenu1", TCaptionSource::csName},    {Separator, "-", TCaptionSource::csCaption},
      {Timer, "", TCaptionSource::csNone},              {Images, "", TCaptionSource::csNone},
      {Edit, "", TCaptionSource::csNone},               {&Proxy, "", TCaptionSource::csNone},
      {nullptr, "", TCaptionSource::csNone},
  };
  for (const Case& C : Cases) {
    const TCaptionInfo Got = Info(C.Component);
    EXPECT_EQ(Got.Text, C.Text) << C.Text;
    EXPECT_EQ(Got.Source, C.Source) << C.Text;
  }
}

TEST_F(CaptionSelectionTest, GroupBoxWithoutCaptionShowsItsNameAlsoWhenListedAsCaptionClass) {
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1");
  Lists.CaptionClasses.Add("TGroupBox");
  EXPECT_EQ(Caption(Box), "GroupBox1");
  EXPECT_EQ(Info(Box).Source, TCaptionSource::csName);
}

TEST_F(CaptionSelectionTest, ContainerWithoutNameOrCaptionHasNoText) {
  auto* Panel = Make<TPanel>(&Form, &Form, "");
  EXPECT_EQ(Info(Panel).Source, TCaptionSource::csNone);
  EXPECT_EQ(Caption(Panel), "");
}

TEST_F(CaptionSelectionTest, ClassInBothListsShowsItsCaption) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "&OK");
  Lists.NoCaptionClasses.Add("TButton");
  EXPECT_EQ(Caption(Button), "&OK");
}

TEST_F(CaptionSelectionTest, UnlistedTabSheetFallsBackToItsName) {
  auto* Pages = Make<TPageControl>(&Form, &Form, "PageControl1");
  auto* Sheet = Make<TTabSheet>(&Form, Pages, "tsTable", "Table");
  test::Fill(Lists.CaptionClasses, {"TButtonControl"});
  EXPECT_EQ(Info(Sheet).Text, "tsTable");
  EXPECT_EQ(Info(Sheet).Source, TCaptionSource::csName);
}

// What a list says of a class is remembered: a list freed and another made in
// its place must not be taken for it.
TEST_F(CaptionSelectionTest, ANewListInTheSamePlaceIsAskedAfresh) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "&OK");
  alignas(TStringList) unsigned char Storage[sizeof(TStringList)];
  auto* First = new (Storage) TStringList;
  First->Add("TButton");
  EXPECT_EQ(GetCaption(Button, *First, Lists.NoCaptionClasses), "&OK");
  First->~TStringList();
  auto* Second = new (Storage) TStringList;
  Second->Add("TLabel");
  EXPECT_EQ(GetCaption(Button, *Second, Lists.NoCaptionClasses), "");
  Second->Put(0, "TButtonControl");
  EXPECT_EQ(GetCaption(Button, *Second, Lists.NoCaptionClasses), "&OK");
  Second->~TStringList();
}

// Forms free the classes they made for unknown names; another made in the
// same place is another class.
TEST_F(CaptionSelectionTest, ANewClassInThePlaceOfAFreedOneIsAskedAfresh) {
  TStringList Listed;
  Listed.Add("TFancyButton");
  alignas(TClassInfo) unsigned char Storage[sizeof(TClassInfo)];
  auto* Fancy = new (Storage) TClassInfo("TFancyButton", &TButton::StaticClassInfo());
  auto* First = Make<TButton>(&Form, &Form, "Button1", "&OK");
  First->SetRuntimeClass(Fancy);
  EXPECT_EQ(GetCaption(First, Listed, Lists.NoCaptionClasses), "&OK");
  TComponent::Free(First);
  Fancy->~TClassInfo();
  auto* Plain = new (Storage) TClassInfo("TPlainButton", &TButton::StaticClassInfo());
  auto* Second = Make<TButton>(&Form, &Form, "Button2", "&Go");
  Second->SetRuntimeClass(Plain);
  EXPECT_EQ(GetCaption(Second, Listed, Lists.NoCaptionClasses), "");
  TComponent::Free(Second);
  Plain->~TClassInfo();
}

TEST_F(CaptionSelectionTest, EmptyCaptionClassesLeaveOnlyTheFixedKinds) {
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "&OK");
  auto* Label = Make<TLabel>(&Form, &Form, "Label1", "&Name");
  Label->SetFocusControl(Edit);
  auto* Box = Make<TGroupBox>(&Form, &Form, "GroupBox1", "&Box");
  auto* Speed = Make<TSpeedButton>(&Form, &Form, "SpeedButton1", "&Go");
  auto* Radio = Make<TRadioGroup>(&Form, &Form, "RadioGroup1", "&Sort");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Item = test::AddItem(&Form, Menu->GetItems(), "miFile", "&File");
  Lists.CaptionClasses.Clear();
  EXPECT_EQ(Caption(Button), "");
  EXPECT_EQ(Caption(Label), "");
  EXPECT_EQ(Caption(Box), "&Box");
  EXPECT_EQ(Caption(Speed), "&Go");
  EXPECT_EQ(Caption(Radio), "&Sort");
  EXPECT_EQ(Caption(Item), "&File");
}

TEST_F(CaptionSelectionTest, ImageIndexByClassFirstMatchWins) {
  TCustomLabel CustomLabel(nullptr);
  TMainMenu Menu(nullptr);
  TPopupMenu Popup(nullptr);
  TMenuItem Item(nullptr);
  TBitBtn BitBtn(nullptr);
  TButton Button(nullptr);
  TCheckBox Check(nullptr);
  TGroupBox Box(nullptr);
  TLabel Label(nullptr);
  TRadioButton RadioButton(nullptr);
  TSpeedButton Speed(nullptr);
  TStaticText Static(nullptr);
  TTabSheet Sheet(nullptr);
  TPageControl Pages(nullptr);
  TRadioGroup Radio(nullptr);
  TPanel Panel(nullptr);
  struct Case {
    const TObject* Component;
    int Expected;
  };
  const Case Cases[] = {{&BitBtn, 0},  {&Button, 1},  {&Check, 2},  {&Box, 3},          {&Label, 4},
                        {&Menu, 5},    {&Item, 5},    {&Popup, 6},  {&RadioButton, 7},  {&Speed, 8},
                        {&Static, 9},  {&Sheet, 10},  {&Pages, 11}, {&Radio, 12},       {&Panel, -1},
                        {&Form, -1},   {&CustomLabel, -1},          {nullptr, -1}};
  for (const Case& C : Cases)
    EXPECT_EQ(GetImageIndex(C.Component), C.Expected) << (C.Component ? C.Component->ClassName() : "nil");
}

}  // namespace
}  // namespace keyloom

#include <keyloom/host.hpp>
#include <keyloom/component_queries.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

namespace keyloom {
namespace {

using test::Make;

class PropertyQueriesTest : public ::testing::Test {
 protected:
  TForm Form{nullptr};
};

TEST_F(PropertyQueriesTest, IsClassTypeMatchesTheClassAndItsAncestorsIgnoringCase) {
  auto* BitBtn = Make<TBitBtn>(&Form, &Form, "BitBtn1", "OK");
  struct Case {
    const char* Name;
    bool Expected;
  };
  for (const Case& C : {Case{"tbutton", true}, Case{"TButtonControl", true}, Case{"TBitBtn", true},
                        Case{"TWINCONTROL", true}, Case{"TObject", true}, Case{"TLabel", false},
                        Case{"TBitBtn2", false}, Case{"", false}})
    EXPECT_EQ(IsClassType(BitBtn, C.Name), C.Expected) << C.Name;
  EXPECT_FALSE(IsClassType(nullptr, "TObject"));
}

TEST_F(PropertyQueriesTest, IsClassTypeSeesRuntimeClassesByTheirOwnName) {
  const TClassInfo& Runtime = RegisterRuntimeClass("TQueriesFancyButton", TButton::StaticClassInfo());
  auto* Button = Make<TButton>(&Form, &Form, "Button1");
  Button->SetRuntimeClass(&Runtime);
  EXPECT_TRUE(IsClassType(Button, "tqueriesfancybutton"));
  EXPECT_TRUE(IsClassType(Button, "TButtonControl"));
  EXPECT_FALSE(IsClassType(Button, "TBitBtn"));
}

TEST_F(PropertyQueriesTest, IsClassInListMatchesAnyEntry) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  TStringList List;
  test::Fill(List, {"TMainMenu", "tcustompanel"});
  EXPECT_TRUE(IsClassInList(Panel, List));
  test::Fill(List, {"TMainMenu", "TGroupBox"});
  EXPECT_FALSE(IsClassInList(Panel, List));
  EXPECT_FALSE(IsClassInList(nullptr, List));
}

TEST_F(PropertyQueriesTest, HasPropertyIgnoresCaseButGettersDoNot) {
  auto* Label = Make<TLabel>(&Form, &Form, "Label1", "&Name");
  EXPECT_TRUE(HasProperty(Label, "caption", TTypeKind::tkLString));
  EXPECT_EQ(GetPropertyLongString(Label, "caption"), "");
  EXPECT_EQ(GetPropertyLongString(Label, "Caption"), "&Name");
}

TEST_F(PropertyQueriesTest, KindMustMatchAsWellAsTheName) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  Button->SetDefault(true);
  EXPECT_FALSE(HasProperty(Button, "Caption", TTypeKind::tkClass));
  EXPECT_FALSE(HasProperty(Button, "Default", TTypeKind::tkLString));
  EXPECT_TRUE(HasProperty(Button, "Default", TTypeKind::tkEnumeration));
  EXPECT_FALSE(GetPropertyBoolean(Button, "Caption"));
  EXPECT_EQ(GetPropertyObject(Button, "Caption"), nullptr);
  EXPECT_EQ(GetPropertyLongString(Button, "Default"), "");
  EXPECT_FALSE(HasProperty(nullptr, "Caption", TTypeKind::tkLString));
}

TEST_F(PropertyQueriesTest, GetterOfAMissingPropertyYieldsEmptyEvenAfterAHit) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  Edit->SetText("typed");
  ASSERT_EQ(GetPropertyLongString(Button, "Caption"), "OK");
  EXPECT_EQ(GetPropertyLongString(Edit, "Caption"), "");
  EXPECT_EQ(GetPropertyLongString(nullptr, "Caption"), "");
  EXPECT_EQ(GetPropertyLongString(Edit, "Text"), "typed");
}

TEST_F(PropertyQueriesTest, GetPropertyBooleanKeepsTheLowByteAndCallsOnlyOneTrue) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  EXPECT_FALSE(GetPropertyBoolean(Button, "Cancel"));
  Button->SetCancel(true);
  EXPECT_TRUE(GetPropertyBoolean(Button, "Cancel"));
  EXPECT_FALSE(GetPropertyBoolean(Button, "cancel"));
  // Enumerations that are not Booleans: only the ordinal 1 reads as true.
  auto* Label = Make<TLabel>(&Form, &Form, "Label1");
  Label->SetAlignment(TAlignment::taRightJustify);
  EXPECT_TRUE(GetPropertyBoolean(Label, "Alignment"));
  Label->SetAlignment(TAlignment::taCenter);
  EXPECT_FALSE(GetPropertyBoolean(Label, "Alignment"));
  EXPECT_FALSE(GetPropertyBoolean(nullptr, "Cancel"));
}

TEST_F(PropertyQueriesTest, GetPropertyObjectIsNilWithoutFocusControlOrWithoutTheProperty) {
  auto* Label = Make<TLabel>(&Form, &Form, "Label1", "&Name");
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  auto* Edit = Make<TEdit>(&Form, &Form, "Edit1");
  EXPECT_EQ(GetPropertyObject(Label, "FocusControl"), nullptr);
  EXPECT_EQ(GetPropertyObject(Button, "FocusControl"), nullptr);
  Label->SetFocusControl(Edit);
  EXPECT_EQ(GetPropertyObject(Label, "FocusControl"), Edit);
  EXPECT_EQ(GetPropertyObject(Label, "focuscontrol"), nullptr);
}

TEST_F(PropertyQueriesTest, SetPropertyLongStringWritesOnlyTheExactName) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  SetPropertyLongString(Button, "caption", "changed");
  EXPECT_EQ(Button->GetCaption(), "OK");
  SetPropertyLongString(Button, "Caption", "&OK");
  EXPECT_EQ(Button->GetCaption(), "&OK");
  auto* Timer = Make<TTimer>(&Form, nullptr, "Timer1");
  SetPropertyLongString(Timer, "Caption", "x");  // no such property: nothing happens
  SetPropertyLongString(nullptr, "Caption", "x");
  EXPECT_EQ(Timer->GetName(), "Timer1");
}

TEST_F(PropertyQueriesTest, CallPropertyProcCallsOnceForTheExactMatch) {
  auto* Button = Make<TButton>(&Form, &Form, "Button1", "OK");
  std::vector<std::string> Seen;
  auto Record = [&](TObject& Obj, const TPropInfo& Prop) {
    EXPECT_EQ(&Obj, Button);
    Seen.push_back(Prop.Name);
  };
  CallPropertyProc(Button, "Caption", TTypeKind::tkLString, Record);
  CallPropertyProc(Button, "CAPTION", TTypeKind::tkLString, Record);
  CallPropertyProc(Button, "Caption", TTypeKind::tkEnumeration, Record);
  CallPropertyProc(nullptr, "Caption", TTypeKind::tkLString, Record);
  EXPECT_EQ(Seen, std::vector<std::string>{"Caption"});
}

TEST_F(PropertyQueriesTest, AccessorErrorsPassThrough) {
  TClassInfo& Info = RegisterRuntimeClass("TQueriesFailingThing", TComponent::StaticClassInfo());
  if (Info.OwnProps().empty()) {
    TPropInfo Caption;
    Caption.Name = "Caption";
    Caption.Kind = TTypeKind::tkLString;
    Caption.GetStr = [](const TObject&) -> std::string { throw EKeyloomError("no caption today"); };
    Caption.SetStr = [](TObject&, const std::string&) { throw EKeyloomError("read only"); };
    Info.AddProp(std::move(Caption));
  }
  auto* Thing = Make<TComponent>(&Form, nullptr, "Thing1");
  Thing->SetRuntimeClass(&Info);
  EXPECT_TRUE(HasProperty(Thing, "Caption", TTypeKind::tkLString));
  EXPECT_THROW(GetPropertyLongString(Thing, "Caption"), EKeyloomError);
  EXPECT_THROW(SetPropertyLongString(Thing, "Caption", "x"), EKeyloomError);
}

TEST(AddUniqueTest, ComparesWithoutRegardToCase) {
  TStringList List;
  AddUnique(List, "E&xit");
  EXPECT_EQ(List.Items(), std::vector<std::string>{"E&xit"});
  test::Fill(List, {"e&XIT"});
  AddUnique(List, "E&xit");
  EXPECT_EQ(List.Items(), std::vector<std::string>{"e&XIT"});
  AddUnique(List, "Cu&t");
  EXPECT_EQ(List.Items(), (std::vector<std::string>{"e&XIT", "Cu&t"}));
}

}  // namespace
}  // namespace keyloom

#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <new>
#include <string>

namespace keyloom {
namespace {

// The ancestry the default class lists rely on.
TEST(TypInfo, AncestryOfTheStandardClasses) {
  const struct {
    const char* Class;
    std::vector<const char*> Ancestors;
  } Cases[] = {
      {"TBitBtn", {"TButton", "TButtonControl", "TWinControl", "TControl", "TComponent", "TPersistent", "TObject"}},
      {"TCheckBox", {"TCustomCheckBox", "TButtonControl"}},
      {"TRadioButton", {"TButtonControl"}},
      {"TLabel", {"TCustomLabel", "TGraphicControl", "TControl"}},
      {"TStaticText", {"TCustomStaticText", "TWinControl"}},
      {"TSpeedButton", {"TGraphicControl"}},
      {"TRadioGroup", {"TCustomRadioGroup", "TCustomGroupBox", "TCustomControl"}},
      {"TPageControl", {"TCustomTabControl", "TWinControl"}},
      {"TTabControl", {"TCustomTabControl"}},
      {"TToolBar", {"TToolWindow", "TWinControl"}},
      {"TForm", {"TCustomForm", "TScrollingWinControl", "TWinControl"}},
      {"TFrame", {"TCustomFrame", "TScrollingWinControl"}},
      {"TPanel", {"TCustomPanel", "TCustomControl"}},
      {"TMainMenu", {"TMenu", "TComponent"}},
      {"TPopupMenu", {"TMenu"}},
      {"TMenuItem", {"TComponent"}},
      {"TImageList", {"TCustomImageList", "TComponent"}},
      {"TTreeView", {"TCustomTreeView", "TWinControl"}},
      {"TMemo", {"TCustomMemo", "TCustomEdit"}},
  };
  for (const auto& Case : Cases) {
    const TClassInfo* Info = FindClass(Case.Class);
    ASSERT_NE(Info, nullptr) << Case.Class;
    for (const char* Ancestor : Case.Ancestors) EXPECT_TRUE(Info->InheritsFrom(Ancestor)) << Case.Class << " " << Ancestor;
  }
  const struct {
    const char* Class;
    const char* NotAncestor;
  } Negative[] = {{"TRadioGroup", "TGroupBox"},   {"TSpeedButton", "TButtonControl"}, {"TLabel", "TWinControl"},
                  {"TPageControl", "TTabControl"}, {"TMenuItem", "TControl"},          {"TBitBtn", "TCheckBox"}};
  for (const auto& Case : Negative) EXPECT_FALSE(FindClass(Case.Class)->InheritsFrom(Case.NotAncestor)) << Case.Class;
}

TEST(TypInfo, FindClassIgnoresCaseAndKnowsNothingElse) {
  EXPECT_EQ(FindClass("tbutton"), &TButton::StaticClassInfo());
  EXPECT_EQ(FindClass("TcxButton"), nullptr);
  EXPECT_EQ(FindClass(""), nullptr);
}

// Found classes are remembered per thread: a class registered again under
// its name, in any case, replaces the one found before.
TEST(TypInfo, FindClassFollowsRegistering) {
  static const TClassInfo First("TRegisteredTwice", &TButton::StaticClassInfo(), {}, nullptr);
  static const TClassInfo Second("TREGISTEREDTWICE", &TLabel::StaticClassInfo(), {}, nullptr);
  RegisterClass(First);
  EXPECT_EQ(FindClass("TRegisteredTwice"), &First);
  EXPECT_EQ(FindClass("tregisteredtwice"), &First);
  RegisterClass(Second);
  EXPECT_EQ(FindClass("TRegisteredTwice"), &Second);
  EXPECT_EQ(FindClass("tregisteredtwice"), &Second);
  RegisterClass(First);
  EXPECT_EQ(FindClass("TRegisteredTwice"), &First);
}

TEST(TypInfo, ContainerStyleAndPublishedCaption) {
  TForm Form(nullptr);
  const struct {
    const char* Class;
    bool Container;
    bool Caption;
  } Cases[] = {
      {"TPanel", true, true},       {"TGroupBox", true, true},      {"TRadioGroup", true, true},
      {"TTabSheet", true, true},    {"TTabControl", true, false},   {"TToolBar", true, true},
      {"TNotebook", true, false},   {"TScrollBox", true, false},    {"TFrame", true, false},
      {"TPageControl", false, false}, {"TStatusBar", false, false}, {"TButton", false, true},
      {"TBitBtn", false, true},     {"TCheckBox", false, true},     {"TRadioButton", false, true},
      {"TLabel", false, true},      {"TStaticText", false, true},   {"TSpeedButton", false, true},
      {"TEdit", false, false},      {"TMemo", false, false},        {"TComboBox", false, false},
      {"TListBox", false, false},   {"TImage", false, false},       {"TBevel", false, false},
      {"TSplitter", false, false},  {"TTreeView", false, false},    {"TListView", false, false},
      {"TToolButton", false, true},
  };
  for (const auto& Case : Cases) {
    TComponent* C = FindClass(Case.Class)->Factory()(&Form);
    auto* Control = dynamic_cast<TControl*>(C);
    ASSERT_NE(Control, nullptr) << Case.Class;
    EXPECT_EQ(Control->AcceptsControls(), Case.Container) << Case.Class;
    const TPropInfo* Caption = GetPropInfo(C, "Caption");
    EXPECT_EQ(Caption != nullptr && Caption->Kind == TTypeKind::tkLString, Case.Caption) << Case.Class;
  }
  EXPECT_EQ(GetPropInfo(&Form, "Caption")->Kind, TTypeKind::tkLString);
  TMainMenu Menu(nullptr);
  EXPECT_EQ(GetPropInfo(&Menu, "Caption"), nullptr);
}

TEST(TypInfo, PropertyKindsOfTheNamedProperties) {
  TForm Form(nullptr);
  auto* Label = new TLabel(&Form);
  auto* Button = new TBitBtn(&Form);
  auto* Group = new TRadioGroup(&Form);
  EXPECT_EQ(GetPropInfo(Label, "FocusControl")->Kind, TTypeKind::tkClass);
  EXPECT_EQ(GetPropInfo(Button, "Cancel")->Kind, TTypeKind::tkEnumeration);
  EXPECT_EQ(GetPropInfo(Button, "Default")->Kind, TTypeKind::tkEnumeration);
  EXPECT_EQ(GetPropInfo(Group, "Items")->Kind, TTypeKind::tkClass);
  EXPECT_EQ(GetPropInfo(Label, "caption"), GetPropInfo(Label, "Caption"));
}

TEST(TypInfo, PropInfosListAncestorsFirstAndEachNameOnce) {
  TForm Form(nullptr);
  TButton Button(&Form);
  auto Infos = GetPropInfos(&Button);
  ASSERT_GE(Infos.size(), 3u);
  EXPECT_EQ(Infos[0]->Name, "Name");
  EXPECT_EQ(Infos[1]->Name, "Tag");
  int Captions = 0;
  for (const TPropInfo* Info : Infos) Captions += Info->Name == "Caption";
  EXPECT_EQ(Captions, 1);
  EXPECT_EQ(static_cast<int>(Infos.size()), Button.ClassType().PropCount());
}

// Every property is found under its name in any case, and a name learnt
// later is found too, also one that needs the table to grow.
TEST(TypInfo, FindPropFindsEveryNameInAnyCase) {
  for (const char* Name : {"TForm", "TButton", "TBitBtn", "TLabel", "TRadioGroup", "TMenuItem", "TTreeView",
                           "TPageControl", "TPanel"}) {
    SCOPED_TRACE(Name);
    const TClassInfo* Class = FindClass(Name);
    ASSERT_NE(Class, nullptr);
    for (const TPropInfo* Prop : Class->PropInfos()) {
      std::string Upper = Prop->Name, Lower = Prop->Name;
      for (char& C : Upper) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
      for (char& C : Lower) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
      EXPECT_EQ(Class->FindProp(Upper), Prop) << Prop->Name;
      EXPECT_EQ(Class->FindProp(Lower), Prop) << Prop->Name;
    }
    EXPECT_EQ(Class->FindProp("NoSuchProperty"), nullptr);
    EXPECT_EQ(Class->FindProp(""), nullptr);
  }
  TClassInfo Learner("TLearner", &TButton::StaticClassInfo(), {}, nullptr);
  const int Inherited = Learner.PropCount();
  for (int I = 0; I < 40; ++I) {
    TPropInfo Prop;
    Prop.Name = "Learnt" + std::to_string(I);
    Learner.AddProp(std::move(Prop));
    ASSERT_NE(Learner.FindProp("LEARNT" + std::to_string(I)), nullptr) << I;
  }
  EXPECT_EQ(Learner.PropCount(), Inherited + 40);
  EXPECT_EQ(Learner.FindProp("learnt0")->Name, "Learnt0");
  EXPECT_EQ(Learner.FindProp("caption"), TButton::StaticClassInfo().FindProp("Caption"));
  // A redeclared name takes the inherited one's place.
  TPropInfo Caption;
  Caption.Name = "CAPTION";
  Learner.AddProp(std::move(Caption));
  EXPECT_EQ(Learner.FindProp("caption")->Name, "CAPTION");
  EXPECT_EQ(Learner.PropCount(), Inherited + 40);
}

// Look-ups are remembered per thread: what is remembered must stand only for
// the very name and the very class, and a miss must not hide a name learnt later.
TEST(TypInfo, RememberedLookUpsStandForTheirNameAndClassOnly) {
  // Names of every length, and each one byte away from them at every place.
  TClassInfo Class("TNames", nullptr, {}, nullptr);
  for (std::size_t Size = 1; Size <= 20; ++Size) {
    TPropInfo Prop;
    Prop.Name = std::string(Size, 'q');
    Class.AddProp(std::move(Prop));
  }
  for (std::size_t Size = 1; Size <= 20; ++Size) {
    const std::string Name(Size, 'q');
    const TPropInfo* Prop = Class.FindProp(Name);
    ASSERT_NE(Prop, nullptr) << Size;
    ASSERT_EQ(Prop->Name, Name);
    for (std::size_t At = 0; At < Size; ++At) {
      std::string Other = Name;
      Other[At] = 'r';
      EXPECT_EQ(Class.FindProp(Other), nullptr) << Other;
      Other[At] = 'Q';
      EXPECT_EQ(Class.FindProp(Other), Prop) << Other;
    }
  }
  // A name the class learns after a look-up found nothing is found then.
  TClassInfo Learner("TLearner", &TButton::StaticClassInfo(), {}, nullptr);
  EXPECT_EQ(Learner.FindProp("Later"), nullptr);
  TPropInfo Later;
  Later.Name = "Later";
  Learner.AddProp(std::move(Later));
  ASSERT_NE(Learner.FindProp("Later"), nullptr);
  EXPECT_EQ(Learner.FindProp("Later")->Name, "Later");
  // A class made where a freed one was does not inherit what it published.
  alignas(TClassInfo) unsigned char Storage[sizeof(TClassInfo)];
  TPropInfo Tagged;
  Tagged.Name = "Tagged";
  auto* First = new (Storage) TClassInfo("TFirst", nullptr, {Tagged}, nullptr);
  ASSERT_NE(First->FindProp("Tagged"), nullptr);
  First->~TClassInfo();
  auto* Second = new (Storage) TClassInfo("TSecond", nullptr, {}, nullptr);
  EXPECT_EQ(Second->FindProp("Tagged"), nullptr);
  Second->~TClassInfo();
}

TEST(TypInfo, AccessorsReadAndWrite) {
  TForm Form(nullptr);
  auto* Button = new TButton(&Form);
  auto* Label = new TLabel(&Form);
  SetStrProp(*Button, *GetPropInfo(Button, "Caption"), "&OK");
  EXPECT_EQ(Button->GetCaption(), "&OK");
  SetOrdProp(*Button, *GetPropInfo(Button, "Default"), 1);
  EXPECT_TRUE(Button->GetDefault());
  EXPECT_EQ(GetOrdProp(*Button, *GetPropInfo(Button, "Default")), 1);
  SetObjectProp(*Label, *GetPropInfo(Label, "FocusControl"), Button);
  EXPECT_EQ(Label->GetFocusControl(), Button);
  // A reference of the wrong class is refused, not stored.
  TTimer Timer(nullptr);
  EXPECT_THROW(SetObjectProp(*Label, *GetPropInfo(Label, "FocusControl"), &Timer), EKeyloomError);
  EXPECT_EQ(Label->GetFocusControl(), Button);
  const TPropInfo* Align = GetPropInfo(Button, "Align");
  EXPECT_EQ(GetEnumValue(*Align, "alclient"), 5);
  EXPECT_EQ(GetEnumName(*Align, 1), "alTop");
  EXPECT_THROW(SetOrdProp(*Button, *Align, 99), EKeyloomError);
  // A string property cannot be read as an object.
  EXPECT_THROW(GetObjectProp(*Button, *GetPropInfo(Button, "Caption")), EKeyloomError);
}

TEST(TypInfo, StoredOnlyWhenNotDefault) {
  TForm Form(nullptr);
  auto* Button = new TButton(&Form);
  const TPropInfo& Cancel = *GetPropInfo(Button, "Cancel");
  EXPECT_FALSE(IsStoredProp(*Button, Cancel));
  Button->SetCancel(true);
  EXPECT_TRUE(IsStoredProp(*Button, Cancel));
  EXPECT_TRUE(IsStoredProp(*Button, *GetPropInfo(Button, "Caption")));
}

TEST(TypInfo, RuntimeClassesDescendFromKnownOnes) {
  const TClassInfo& Mapped = RegisterRuntimeClass("TMyButton", TButton::StaticClassInfo());
  EXPECT_EQ(&RegisterRuntimeClass("tmybutton", TButton::StaticClassInfo()), &Mapped);
  TForm Form(nullptr);
  TComponent* C = Mapped.Factory()(&Form);
  C->SetRuntimeClass(&Mapped);
  EXPECT_EQ(C->ClassName(), "TMyButton");
  EXPECT_TRUE(C->ClassType().InheritsFrom("TButtonControl"));
  EXPECT_TRUE(IsClass<TButton>(C));
  // A class must not claim to be something its object is not.
  TLabel Label(nullptr);
  EXPECT_THROW(Label.SetRuntimeClass(&Mapped), EKeyloomError);
}

// The "is" test and the property accessors follow the C++ classes, whatever
// class an object stands for.
TEST(TypInfo, ClassTestsAndAccessorsFollowTheObjectsOwnClass) {
  TForm Form(nullptr);
  auto* Bit = new TBitBtn(&Form);
  auto* Label = new TLabel(&Form);
  EXPECT_TRUE(IsClass<TButton>(Bit));
  EXPECT_TRUE(IsClass<TControl>(Label));
  EXPECT_FALSE(IsClass<TWinControl>(Label));
  EXPECT_FALSE(IsClass<TMenuItem>(Bit));
  EXPECT_FALSE(IsClass<TButton>(nullptr));
  EXPECT_EQ(AsClass<TButton>(Bit), Bit);
  EXPECT_EQ(AsClass<TButton>(static_cast<const TObject*>(Label)), nullptr);
  // A property used on an object of another class is refused, not applied.
  const TPropInfo& Cancel = *GetPropInfo(Bit, "Cancel");
  EXPECT_THROW(SetOrdProp(*Label, Cancel, 1), EKeyloomError);
  SetOrdProp(*Bit, Cancel, 1);
  EXPECT_TRUE(Bit->GetCancel());
}

}  // namespace
}  // namespace keyloom

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <string>

namespace keyloom::formfile {
namespace {

constexpr const char* StoredForm =
    "object Form1: TForm1\n"
    "  Caption = 'Form'\n"
    "  object Keyloom1: TKeyloom\n"
    "    SortMethod = smNothing\n"
    "    DefaultCaptions.Strings = (\n"
    "      'Op&en')\n"
    "  end\n"
    "  object Button1: TButton\n"
    "    Caption = 'Open'\n"
    "  end\n"
    "  object Button2: TButton\n"
    "    Caption = 'Options'\n"
    "  end\n"
    "end\n";

constexpr const char* PlainForm =
    "object Form1: TForm1\n"
    "  object Button1: TButton\n"
    "    Caption = 'Open'\n"
    "  end\n"
    "  object RadioGroup1: TRadioGroup\n"
    "    Caption = 'Units'\n"
    "    Items.Strings = (\n"
    "      'Metres'\n"
    "      '&Feet')\n"
    "  end\n"
    "end\n";

std::unique_ptr<TLoadedForm> Load(const char* Source, const TLoadOptions& Options = {}) {
  return LoadFormForKeys(TDocument::Parse(Source, "test.dfm"), Options);
}

std::string CaptionOf(TLoadedForm& Form, const char* Name) {
  const TComponent* C = Form.Form().FindComponent(Name);
  return C ? GetStrProp(*C, *GetPropInfo(C, "Caption")) : "<none>";
}

TEST(FormKeysTest, AStoredComponentWaitsAndThenRunsWithItsOwnSettings) {
  auto Form = Load(StoredForm);
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "Open");  // not run while loading
  ASSERT_EQ(StoredKeylooms(Form->Form()).size(), 1u);
  EXPECT_EQ(StoredKeylooms(Form->Form())[0]->ClassName(), "TKeyloom");

  bool Stored = false;
  TKeySettings Fallback;
  Fallback.SortMethod = TSortMethod::smCaption;
  const TKeySettings Effective = EffectiveSettings(*Form, Fallback, &Stored);
  EXPECT_TRUE(Stored);
  EXPECT_EQ(Effective.SortMethod, TSortMethod::smNothing);
  EXPECT_EQ(Effective.DefaultCaptions, std::vector<std::string>{"Op&en"});

  EXPECT_EQ(RunKeys(*Form, Fallback), 1);
  // File order (smNothing) and the stored default caption decide.
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "Op&en");
  EXPECT_EQ(CaptionOf(*Form, "Button2"), "&Options");
  EXPECT_EQ(CountCaptionsGivenALetter(*Form), 2);
  EXPECT_EQ(Form->StoreCaptions(), 2);
  const std::string Rendered = Form->Render();
  EXPECT_NE(Rendered.find("    SortMethod = smNothing\n"), std::string::npos);
  EXPECT_NE(Rendered.find("Caption = 'Op&en'"), std::string::npos);
}

TEST(FormKeysTest, AnInactiveStoredComponentChangesNothing) {
  std::string Source = StoredForm;
  Source.replace(Source.find("    SortMethod"), 0, "    Active = False\n");
  auto Form = Load(Source.c_str());
  TKeySettings Fallback;
  EXPECT_EQ(RunKeys(*Form, Fallback), 0);
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "Open");
  EXPECT_EQ(Form->StoreCaptions(), 0);
  EXPECT_EQ(Form->Render(), Source);
  bool Stored = false;
  EXPECT_FALSE(EffectiveSettings(*Form, Fallback, &Stored).Active);
  EXPECT_TRUE(Stored);
}

TEST(FormKeysTest, WithoutAStoredComponentTheFallbackRunsAndLeavesNoTrace) {
  auto Form = Load(PlainForm);
  TKeySettings Settings;
  Settings.DefaultCaptions = {"O&pen"};
  EXPECT_EQ(RunKeys(*Form, Settings), 1);
  EXPECT_TRUE(StoredKeylooms(Form->Form()).empty());
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "O&pen");
  EXPECT_EQ(CountCaptionsGivenALetter(*Form), 2);  // the button and the item 'Metres'
  Form->StoreCaptions();
  const std::string Rendered = Form->Render();
  EXPECT_EQ(Rendered.find("TKeyloom"), std::string::npos);
  EXPECT_NE(Rendered.find("'&Metres'"), std::string::npos) << Rendered;
}

TEST(FormKeysTest, AClassMappedToTKeyloomStaysDormantToo) {
  std::string Source = StoredForm;
  Source.replace(Source.find("TKeyloom"), 8, "TMyKeyloom");
  TLoadOptions Options;
  Options.ClassMap = {{"TMyKeyloom", "TKeyloom"}};
  auto Form = Load(Source.c_str(), Options);
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "Open");
  ASSERT_EQ(StoredKeylooms(Form->Form()).size(), 1u);
  EXPECT_EQ(StoredKeylooms(Form->Form())[0]->ClassName(), "TMyKeyloom");
  EXPECT_EQ(RunKeys(*Form, TKeySettings{}), 1);
  EXPECT_EQ(CaptionOf(*Form, "Button1"), "Op&en");
}

TEST(FormKeysTest, CaptionPositionsPointAtTheValues) {
  auto Form = Load(PlainForm);
  TTreeView Tree(nullptr);
  BuildWorkingTree(Tree, Form->Form(), TKeySettings{});
  std::vector<std::string> Seen;
  for (int I = 0; I < Tree.GetItems().GetCount(); ++I) {
    const TTreeNode* Node = Tree.GetItems()[I];
    const TPosition P = CaptionPosition(*Form, Node->GetData());
    Seen.push_back(Node->GetText() + "@" + std::to_string(P.FLine) + ":" + std::to_string(P.FColumn));
  }
  std::sort(Seen.begin(), Seen.end());
  EXPECT_EQ(Seen, (std::vector<std::string>{"&Feet@9:7", "Metres@8:7", "Open@3:15"}));
}

}  // namespace
}  // namespace keyloom::formfile

#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

namespace keyloom {
namespace {

TRadioGroup& ReadGroup(formfile::TLoadedForm& Loaded) {
  auto* Group = dynamic_cast<TRadioGroup*>(Loaded.Form().FindComponent("rgUnits"));
  EXPECT_NE(Group, nullptr);
  return *Group;
}

std::unique_ptr<formfile::TLoadedForm> Load(const std::string& Index) {
  // Files store the index before the items.
  const std::string Text =
      "object Form1: TForm\n"
      "  object rgUnits: TRadioGroup\n"
      "    ItemIndex = " + Index + "\n"
      "    Items.Strings = (\n"
      "      'Millimetres'\n"
      "      'Inches')\n"
      "  end\n"
      "end\n";
  return formfile::LoadForm(formfile::TDocument::Parse(Text, "form.dfm"));
}

TEST(RadioGroup, AnIndexReadBeforeTheItemsHoldsOnceTheFormIsLoaded) {
  struct TCase {
    const char* Stored;
    int Expected;
  };
  for (const TCase& Case : {TCase{"1", 1}, TCase{"0", 0}, TCase{"2", -1}, TCase{"-5", -1}}) {
    SCOPED_TRACE(Case.Stored);
    auto Loaded = Load(Case.Stored);
    EXPECT_EQ(ReadGroup(*Loaded).GetItemIndex(), Case.Expected);
  }
}

TEST(RadioGroup, OutsideLoadingAnIndexOutOfRangeMeansNone) {
  TForm Form(nullptr);
  auto* Group = new TRadioGroup(&Form);
  Group->GetItems()->Add("One");
  Group->SetItemIndex(0);
  EXPECT_EQ(Group->GetItemIndex(), 0);
  Group->SetItemIndex(1);
  EXPECT_EQ(Group->GetItemIndex(), -1);
}

}  // namespace
}  // namespace keyloom

// Inputs the fuzzers found, reduced, and the faults behind them.

#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace keyloom {
namespace {

// A name clash when a component changes owner used to leave it with no
// owner at all, so that nothing ever freed it.
TEST(FuzzFindingsTest, AnOwnerChangeThatClashesKeepsTheOldOwner) {
  auto First = std::make_unique<TForm>(nullptr);
  auto Second = std::make_unique<TForm>(nullptr);
  auto* Moving = new TButton(First.get());
  Moving->SetName("Button1");
  auto* Resident = new TButton(Second.get());
  Resident->SetName("Button1");
  EXPECT_THROW(Second->InsertComponent(Moving), EComponentError);
  EXPECT_EQ(Moving->GetOwner(), First.get());
  EXPECT_EQ(First->FindComponent("Button1"), Moving);
  EXPECT_EQ(Second->FindComponent("Button1"), Resident);
}

// The same through a form file: an object read inside an inline frame moves
// to the frame when the form names another object alike, and the frame
// already holds one of that name.
TEST(FuzzFindingsTest, AClashWhenAnObjectMovesToItsFrameIsAnErrorWithItsPlace) {
  const std::string Text =
      "inherited Main: TForm\n"
      "  inline Frame1: TFrame1\n"
      "    object Holder: TPanel\n"
      "      object mExit: TMenuItem\n"
      "      end\n"
      "    end\n"
      "    object mExit: TButton\n"
      "    end\n"
      "  end\n"
      "  object mExit: TLabel\n"
      "  end\n"
      "end\n";
  try {
    formfile::LoadForm(formfile::TDocument::Parse(Text, "main.dfm"));
    FAIL() << "loaded";
  } catch (const formfile::EFormFileError& E) {
    EXPECT_EQ(E.Line(), 10);
    EXPECT_EQ(E.Column(), 3);
    EXPECT_NE(E.Message().find("mExit"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace keyloom

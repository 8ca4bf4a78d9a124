#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

namespace keyloom {
namespace {

std::unique_ptr<formfile::TLoadedForm> Load(const std::string& Text) {
  return formfile::LoadForm(formfile::TDocument::Parse(Text, "columns.dfm"));
}

const char* const Form =
    "object Form1: TForm\n"
    "  object lv: TListView\n"
    "    Width = 300\n"
    "    Columns = <\n"
    "      item\n"
    "        Caption = 'Classes'\n"
    "        Width = -2\n"
    "      end\n"
    "      item\n"
    "        Caption = 'Count'\n"
    "        Alignment = taRightJustify\n"
    "        Font.Style = [fsBold]\n"
    "      end\n"
    "      item\n"
    "      end>\n"
    "    ViewStyle = vsReport\n"
    "  end\n"
    "  object b: TSpeedButton\n"
    "    Layout = blGlyphTop\n"
    "  end\n"
    "end\n";

TEST(ListColumns, AreReadFromTheFilesCollectionItemByItem) {
  auto Loaded = Load(Form);
  auto* View = dynamic_cast<TListView*>(Loaded->Form().FindComponent("lv"));
  ASSERT_NE(View, nullptr);
  ASSERT_EQ(View->Columns().Count(), 3);
  EXPECT_EQ(View->Columns()[0]->GetCaption(), "Classes");
  EXPECT_EQ(View->Columns()[0]->GetWidth(), -2);
  // Properties the item does not publish are passed over.
  EXPECT_EQ(View->Columns()[1]->GetCaption(), "Count");
  EXPECT_EQ(View->Columns()[1]->GetWidth(), 50);
  EXPECT_EQ(View->Columns()[2]->GetCaption(), "");
  EXPECT_EQ(View->GetViewStyle(), TViewStyle::vsReport);
  EXPECT_EQ(dynamic_cast<TSpeedButton*>(Loaded->Form().FindComponent("b"))->GetLayout(), TButtonLayout::blGlyphTop);
}

TEST(ListColumns, AFittedColumnTakesTheRoomTheOthersLeave) {
  TListView View(nullptr);
  View.SetWidth(300);
  View.Columns().Add()->SetWidth(-2);
  View.Columns().Add()->SetWidth(100);
  EXPECT_EQ(View.GetColumnWidth(0), 196);
  View.Columns()[1]->SetWidth(290);
  View.Columns()[0]->SetCaption("Classes");
  EXPECT_EQ(View.GetColumnWidth(0), 7 * 7 + 12);  // never narrower than its header
  TListView Copy(nullptr);
  Copy.Columns().Assign(View.Columns());
  ASSERT_EQ(Copy.Columns().Count(), 2);
  EXPECT_EQ(Copy.Columns()[1]->GetWidth(), 290);
  EXPECT_EQ(Copy.Columns()[0]->GetCaption(), "Classes");
}

}  // namespace
}  // namespace keyloom

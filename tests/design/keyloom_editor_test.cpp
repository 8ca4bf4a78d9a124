#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/design/resources.hpp>
#include <keyloom/keyloom_component.hpp>

#include "design/design_fixture.hpp"

namespace keyloom {
namespace {

using test::Get;

class KeyloomEditorTest : public test::TDesignFixture {
 protected:
  std::shared_ptr<test::TTestDesigner> Designer = std::make_shared<test::TTestDesigner>();
};

TEST(Registration, RegisterAttachesTheEditorToFormsAndPanelsAndPutsTheComponentOnItsPage) {
  TDesignRegistry Registry;
  Registry.LoadPackage(PackageDescription, Register);
  ASSERT_EQ(Registry.Packages().size(), 1u);
  EXPECT_EQ(Registry.Packages()[0].Description, "Velquist Keyloom");
  ASSERT_EQ(Registry.PalettePages().size(), 1u);
  EXPECT_EQ(Registry.PalettePages()[0].Name, "Velquist");
  EXPECT_EQ(Registry.PalettePages()[0].Classes, (std::vector<const TClassInfo*>{&TKeyloom::StaticClassInfo()}));
  EXPECT_EQ(FindClass("TKeyloom"), &TKeyloom::StaticClassInfo());

  EXPECT_NE(Registry.FindComponentEditor(TForm::StaticClassInfo()), nullptr);
  EXPECT_NE(Registry.FindComponentEditor(TPanel::StaticClassInfo()), nullptr);
  // Descendants share their ancestor's editor; others get none.
  EXPECT_NE(Registry.FindComponentEditor(RegisterRuntimeClass("TMyPanel", TPanel::StaticClassInfo())), nullptr);
  EXPECT_NE(Registry.FindComponentEditor(TKeyloomForm::StaticClassInfo()), nullptr);
  EXPECT_EQ(Registry.FindComponentEditor(TKeyloom::StaticClassInfo()), nullptr);
  EXPECT_EQ(Registry.FindComponentEditor(TCustomPanel::StaticClassInfo()), nullptr);
  EXPECT_EQ(Registry.FindComponentEditor(TCustomForm::StaticClassInfo()), nullptr);
  EXPECT_EQ(Registry.FindComponentEditor(TGroupBox::StaticClassInfo()), nullptr);
}

TEST(Registration, RegisteringOutsideAPackageLoadIsRefused) {
  EXPECT_THROW(Register(), EDesignerError);
  EXPECT_THROW(RegisterComponents("Velquist", {&TKeyloom::StaticClassInfo()}), EDesignerError);
}

TEST(Registration, TheLastEditorRegisteredForAClassWins) {
  struct TOther : TComponentEditor {
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 2; }
  };
  TDesignRegistry Registry;
  Registry.LoadPackage(PackageDescription, Register);
  Registry.LoadPackage("Other", [] { RegisterComponentEditor(TPanel::StaticClassInfo(), EditorFactory<TOther>()); });
  TPanel Panel(nullptr);
  EXPECT_EQ((*Registry.FindComponentEditor(TPanel::StaticClassInfo()))(&Panel, nullptr)->GetVerbCount(), 2);
  EXPECT_EQ((*Registry.FindComponentEditor(TForm::StaticClassInfo()))(&Panel, nullptr)->GetVerbCount(), 1);
}

TEST(Registration, ThePalettePictureIsATwentyFourPixelSquareNamedAfterTheClass) {
  ASSERT_TRUE(PaletteBitmap(TKeyloom::StaticClassInfo()).has_value());
  EXPECT_FALSE(PaletteBitmap(TPanel::StaticClassInfo()).has_value());
  const std::string_view Png = *PaletteBitmap(TKeyloom::StaticClassInfo());
  ASSERT_GE(Png.size(), 33u);
  EXPECT_EQ(Png.substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(Png.substr(16, 8), std::string_view("\0\0\0\x18\0\0\0\x18", 8));
}

TEST_F(KeyloomEditorTest, OneVerbWhateverTheIndexAndOnlyIndexZeroRunsIt) {
  auto Designed = test::Design(test::DesignedForm);
  TKeyloomEditor Editor(&Designed->Form(), Designer);
  EXPECT_EQ(Editor.GetVerbCount(), 1);
  EXPECT_EQ(Editor.GetVerb(0), "&Keyloom...");
  EXPECT_EQ(Editor.GetVerb(5), "&Keyloom...");
  Editor.ExecuteVerb(1);
  Editor.ExecuteVerb(-1);
  EXPECT_EQ(Editor.GetEditorForm(), nullptr);
  Editor.ExecuteVerb(0);
  ASSERT_NE(Editor.GetEditorForm(), nullptr);
  EXPECT_TRUE(Editor.GetEditorForm()->Showing());
  EXPECT_EQ(Editor.GetEditorForm()->GetOwnerForm(), &Designed->Form());
  EXPECT_EQ(Editor.GetEditorForm()->GetDesigner(), Designer);
}

TEST_F(KeyloomEditorTest, APanelInsideAPanelOpensTheWindowForItsForm) {
  auto Designed = test::Design(test::DesignedForm);
  TKeyloomEditor Editor(Get<TPanel>(*Designed, "Panel2"), Designer);
  Editor.Edit();
  ASSERT_NE(Editor.GetEditorForm(), nullptr);
  EXPECT_EQ(Editor.GetEditorForm()->GetOwnerForm(), &Designed->Form());
  EXPECT_EQ(Editor.GetEditorForm()->GetCaption(), "Keyloom - Form1 (Main)");
}

TEST_F(KeyloomEditorTest, ASecondEditReusesTheWindowAndRefreshesItsReferences) {
  auto Designed = test::Design(test::DesignedForm);
  TKeyloomEditor Editor(&Designed->Form(), Designer);
  Editor.Edit();
  TKeyloomForm* Window = Editor.GetEditorForm();
  Window->Close();
  Window->SetDesigner(nullptr);
  Editor.Edit();
  EXPECT_EQ(Editor.GetEditorForm(), Window);
  EXPECT_TRUE(Window->Showing());
  EXPECT_EQ(Window->GetDesigner(), Designer);
  // The designer's services reach the window: its message boxes are the designer's.
  Window->bSetup->Click();
  Window->lvCaptions->SetSelected(Window->lvCaptions->GetItem(0));
  Designer->Answer = IDNO;
  Window->miCaptionsDelete->Click();
  EXPECT_EQ(Designer->Asked.size(), 1u);
}

TEST_F(KeyloomEditorTest, DestroyingAnEditorThatNeverEditedSavesNothing) {
  auto Designed = test::Design(test::DesignedForm);
  { TKeyloomEditor Editor(&Designed->Form(), Designer); }
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));
}

TEST_F(KeyloomEditorTest, DestroyingAnEditorWhileItsWindowShowsUnhooksAndSaves) {
  auto Designed = test::Design(test::DesignedForm);
  TCustomForm& Form = Designed->Form();
  const auto Original = Form.WindowProc.target_type().name();
  {
    TKeyloomEditor Editor(&Form, Designer);
    Editor.Edit();
    EXPECT_NE(std::string(Form.WindowProc.target_type().name()), Original);
  }
  EXPECT_EQ(std::string(Form.WindowProc.target_type().name()), Original);
  EXPECT_TRUE(std::filesystem::exists(StoreFile()));
  Form.Perform(CM_CONTROLCHANGE);  // reaches no window
}

TEST_F(KeyloomEditorTest, AComponentOnNoFormOpensNothing) {
  TPanel Loose(nullptr);
  TPanel Inner(nullptr);
  Inner.SetParent(&Loose);
  TKeyloomEditor Editor(&Inner, Designer);
  Editor.Edit();
  EXPECT_EQ(Editor.GetEditorForm(), nullptr);
}

}  // namespace
}  // namespace keyloom

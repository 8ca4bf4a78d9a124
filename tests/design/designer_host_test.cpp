#include <keyloom/design/designer_host.hpp>
#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/keyloom_component.hpp>

#include "design/design_fixture.hpp"
#include "support/runtime_forms.hpp"

#include <sys/stat.h>

namespace keyloom {
namespace {

using test::Dump;

// The lines of a text that differ from those of another of the same length.
std::vector<std::pair<std::string, std::string>> ChangedLines(const std::string& Before, const std::string& After) {
  auto Split = [](const std::string& S) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    for (std::size_t End; (End = S.find('\n', Start)) != std::string::npos; Start = End + 1)
      Lines.push_back(S.substr(Start, End - Start));
    Lines.push_back(S.substr(Start));
    return Lines;
  };
  const auto A = Split(Before), B = Split(After);
  EXPECT_EQ(A.size(), B.size());
  std::vector<std::pair<std::string, std::string>> Changed;
  for (std::size_t I = 0; I < std::min(A.size(), B.size()); ++I)
    if (A[I] != B[I]) Changed.emplace_back(A[I], B[I]);
  return Changed;
}

class DesignerHostTest : public test::TDesignFixture {
 protected:
  void SetUp() override {
    TDesignFixture::SetUp();
    Registry.LoadPackage(PackageDescription, Register);
    Host = std::make_unique<TDesignerHost>(Registry);
    Host->Services.MessageBox = [](const std::string&, const std::string&, int) { return IDYES; };
    Host->Services.ShellOpen = [](const std::string&) {};
  }
  void TearDown() override {
    Host.reset();
    TDesignFixture::TearDown();
  }
  TComponent* C(const char* Name) {
    TCustomForm& Form = Host->Form();
    return Form.GetName() == Name ? &Form : Form.FindComponent(Name);
  }
  TKeyloomForm* OpenWindowOn(const char* Name) {
    Host->ExecuteVerb(C(Name), 0);
    auto* Editor = dynamic_cast<TKeyloomEditor*>(Host->EditorOf(C(Name)));
    return Editor ? Editor->GetEditorForm() : nullptr;
  }

  TDesignRegistry Registry;
  std::unique_ptr<TDesignerHost> Host;
};

TEST_F(DesignerHostTest, FindAndAssignFromAPanelVerbThenSaveChangesOnlyCaptions) {
  const std::string Original = test::DesignedForm;
  const auto Path = Write("main.dfm", Original);
  Host->Open(Path);
  EXPECT_TRUE(Host->Form().HasState(csDesigning));
  EXPECT_TRUE(C("bOK")->HasState(csDesigning));
  EXPECT_EQ(Host->GetVerbs(C("Panel1")), std::vector<std::string>{"&Keyloom..."});

  TKeyloomForm* Window = OpenWindowOn("Panel1");
  ASSERT_NE(Window, nullptr);
  EXPECT_TRUE(Window->Showing());
  EXPECT_EQ(Window->GetOwnerForm(), &Host->Form());
  EXPECT_EQ(Window->GetDesigner(), Host->GetDesigner());
  Window->bFind->Click();
  EXPECT_FALSE(Host->IsModified());
  Window->bAssign->Click();
  EXPECT_TRUE(Host->IsModified());

  Host->Save();
  EXPECT_FALSE(Host->IsModified());
  const std::string Saved = Read(Path);
  const std::vector<std::pair<std::string, std::string>> Expected = {
      {"      Caption = 'File'", "      Caption = '&File'"},
      {"        Caption = 'Exit'", "        Caption = 'E&xit'"},
      {"      Caption = 'OK'", "      Caption = '&OK'"},
      {"      Caption = 'Open'", "      Caption = 'O&pen'"},
      {"        Caption = 'Inner'", "        Caption = '&Inner'"},
      {"    Caption = 'Save'", "    Caption = '&Save'"},
      {"    Caption = 'Load'", "    Caption = '&Load'"},
      {"    Caption = 'Save As'", "    Caption = 'Save &As'"},
  };
  EXPECT_EQ(ChangedLines(Original, Saved), Expected);
}

TEST_F(DesignerHostTest, SavingAnActionsLetterWritesOnlyTheActionsCaption) {
  const std::string Original =
      "object Form1: TForm1\n"
      "  object btnSave: TButton\n"
      "    Action = actSave\n"
      "  end\n"
      "  object MainMenu1: TMainMenu\n"
      "    object Save1: TMenuItem\n"
      "      Action = actSave\n"
      "    end\n"
      "  end\n"
      "  object ActionList1: TActionList\n"
      "    object actSave: TAction\n"
      "      Caption = 'Save'\n"
      "    end\n"
      "  end\n"
      "end\n";
  const auto Path = Write("actions.dfm", Original);
  Host->Open(Path);
  TKeyloomForm* Window = OpenWindowOn("Form1");
  ASSERT_NE(Window, nullptr);
  Window->bFind->Click();
  Window->bAssign->Click();
  EXPECT_EQ(static_cast<TButton*>(C("btnSave"))->GetCaption(), "&Save");
  EXPECT_EQ(static_cast<TMenuItem*>(C("Save1"))->GetCaption(), "&Save");
  Host->Save();
  const std::vector<std::pair<std::string, std::string>> Expected = {
      {"      Caption = 'Save'", "      Caption = '&Save'"}};
  EXPECT_EQ(ChangedLines(Original, Read(Path)), Expected);
}

TEST_F(DesignerHostTest, SavingKeepsTheFilesPermissionsAndLeavesNoTemporaryFile) {
  const auto Path = Write("main.dfm", test::DesignedForm);
  ::chmod(Path.c_str(), 0640);
  Host->Open(Path);
  OpenWindowOn("Form1")->bAssign->Click();
  Host->Save();
  struct stat Info {};
  ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
  int Files = 0;
  for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator(Dir))
    if (Entry.is_regular_file()) ++Files;
  EXPECT_EQ(Files, 1);
}

TEST_F(DesignerHostTest, OnlyFormsAndPanelsOfferTheVerb) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  EXPECT_EQ(Host->GetVerbs(&Host->Form()), std::vector<std::string>{"&Keyloom..."});
  EXPECT_TRUE(Host->GetVerbs(C("bOK")).empty());
  EXPECT_TRUE(Host->GetVerbs(C("MainMenu1")).empty());
  EXPECT_THROW(Host->ExecuteVerb(C("bOK"), 0), EDesignerError);
  EXPECT_THROW(Host->ExecuteVerb(C("Panel1"), 1), EDesignerError);
  TPanel Elsewhere(nullptr);
  EXPECT_THROW(Host->GetVerbs(&Elsewhere), EDesignerError);
}

TEST_F(DesignerHostTest, OneEditorPerComponentAndItKeepsItsWindow) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  TKeyloomForm* First = OpenWindowOn("Panel2");
  First->Close();
  EXPECT_EQ(OpenWindowOn("Panel2"), First);
  EXPECT_TRUE(First->Showing());
  // The form's own editor has a window of its own on the same form.
  TKeyloomForm* Second = OpenWindowOn("Form1");
  EXPECT_NE(Second, First);
  EXPECT_TRUE(First->IsHooked() && Second->IsHooked());
}

TEST_F(DesignerHostTest, InsertingAControlRebuildsTheOpenWindowsAndMarksTheForm) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  TKeyloomForm* Window = OpenWindowOn("Form1");
  TComponent* Added = Host->InsertComponent(TButton::StaticClassInfo(), C("Panel2"));
  EXPECT_EQ(Added->GetName(), "Button1");
  EXPECT_TRUE(Added->HasState(csDesigning));
  EXPECT_TRUE(Host->IsModified());
  // Built order; a button without a caption has no node.
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2(Inner),OK,Open),Save,Load,Save As");
  static_cast<TButton*>(Added)->SetCaption("Added");
  // Not a control, yet the form is told all the same: the tree now shows the caption set since.
  TComponent* Item = Host->InsertComponent(TMenuItem::StaticClassInfo(), C("MainMenu1"), "miHelp");
  EXPECT_EQ(static_cast<TMenuItem*>(Item)->GetParent(), static_cast<TMainMenu*>(C("MainMenu1"))->GetItems());
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Panel1(Panel2(Inner,Added),OK,Open),Save,Load,Save As");
  EXPECT_THROW(Host->InsertComponent(TButton::StaticClassInfo(), C("bOK")), EDesignerError);
  EXPECT_THROW(Host->InsertComponent(TButton::StaticClassInfo(), nullptr, "bOK"), EComponentError);
}

TEST_F(DesignerHostTest, InsertedComponentsAreSavedInTheirParentsBlock) {
  const auto Path = Write("main.dfm", test::DesignedForm);
  Host->Open(Path);
  auto* Button = static_cast<TButton*>(Host->InsertComponent(TButton::StaticClassInfo(), C("Panel2")));
  Button->SetCaption("Added");
  Host->InsertComponent(TMenuItem::StaticClassInfo(), C("miFile"), "miHelp");
  Host->Save();
  const std::string Saved = Read(Path);
  EXPECT_NE(Saved.find("      object bInner: TButton\n"
                       "        Caption = 'Inner'\n"
                       "      end\n"
                       "      object Button1: TButton\n"),
            std::string::npos)
      << Saved;
  EXPECT_NE(Saved.find("        Caption = 'Added'\n"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("        Caption = 'Exit'\n"
                       "      end\n"
                       "      object miHelp: TMenuItem\n"
                       "      end\n"
                       "    end\n"),
            std::string::npos)
      << Saved;
  // Read again, the components are where the designer put them.
  auto Again = formfile::LoadFormFile(Path);
  auto* Read = dynamic_cast<TButton*>(Again->Form().FindComponent("Button1"));
  ASSERT_NE(Read, nullptr);
  EXPECT_EQ(Read->GetParent(), Again->Form().FindComponent("Panel2"));
  EXPECT_EQ(Read->GetCaption(), "Added");
  auto* Help = dynamic_cast<TMenuItem*>(Again->Form().FindComponent("miHelp"));
  ASSERT_NE(Help, nullptr);
  EXPECT_EQ(Help->GetParent(), Again->Form().FindComponent("miFile"));
  // Once they are deleted again, the file is as it was.
  Host->DeleteComponent(C("Button1"));
  Host->DeleteComponent(C("miHelp"));
  Host->Save();
  EXPECT_EQ(this->Read(Path), test::DesignedForm);
}

TEST_F(DesignerHostTest, DeletingAPanelTakesItsControlsFromTheTreeAndTheFile) {
  const auto Path = Write("main.dfm", test::DesignedForm);
  Host->Open(Path);
  TKeyloomForm* Window = OpenWindowOn("Form1");
  TKeyloomForm* PanelWindow = OpenWindowOn("Panel2");
  Host->DeleteComponent(C("Panel1"));
  EXPECT_EQ(C("bOK"), nullptr);
  EXPECT_EQ(C("Panel2"), nullptr);
  EXPECT_EQ(Host->EditorOf(&Host->Form())->GetComponent(), &Host->Form());
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File(Exit)),Save,Load,Save As");
  (void)PanelWindow;  // freed with its editor
  Window->bFind->Click();
  Window->bAssign->Click();
  Host->Save();
  const std::string Saved = Read(Path);
  EXPECT_EQ(Saved.find("Panel"), std::string::npos);
  EXPECT_EQ(Saved.find("Inner"), std::string::npos);
  EXPECT_NE(Saved.find("Caption = '&Save'"), std::string::npos);
  EXPECT_NE(Saved.find("Caption = 'E&xit'"), std::string::npos);
}

// The same edits saved into a binary form and into its text make the same form.
TEST_F(DesignerHostTest, ABinaryFormOpensAndSavesAsBinaryWithTheEditsOfItsText) {
  const std::string Binary = formfile::RenderAsBinary(formfile::TDocument::Parse(test::DesignedForm, "main.dfm"));
  auto Edit = [&](const std::filesystem::path& Path) {
    Host->Open(Path);
    auto* Button = static_cast<TButton*>(Host->InsertComponent(TButton::StaticClassInfo(), C("Panel2")));
    Button->SetCaption("Added");
    Host->DeleteComponent(C("miExit"));
    TKeyloomForm* Window = OpenWindowOn("Form1");
    Window->bFind->Click();
    Window->bAssign->Click();
    Host->Save();
    Host->Close();
    return Read(Path);
  };
  const std::string FromText = Edit(Write("text.dfm", test::DesignedForm));
  const std::string FromBinary = Edit(Write("binary.dfm", Binary));
  ASSERT_TRUE(formfile::IsBinaryFormFile(FromBinary));
  EXPECT_NE(FromText, test::DesignedForm);
  EXPECT_EQ(formfile::RenderAsText(formfile::TDocument::Parse(FromBinary, "binary.dfm")),
            formfile::RenderAsText(formfile::TDocument::Parse(FromText, "text.dfm")));
}

TEST_F(DesignerHostTest, DeletingAMenuItemTellsTheFormSoThatWindowsRebuild) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  TKeyloomForm* Window = OpenWindowOn("Form1");
  Host->DeleteComponent(C("miExit"));
  EXPECT_EQ(Dump(*Window->tvControls), "MainMenu1(File),Panel1(Panel2(Inner),OK,Open),Save,Load,Save As");
  EXPECT_THROW(Host->DeleteComponent(&Host->Form()), EDesignerError);
}

TEST_F(DesignerHostTest, ClosingTheFormFreesTheWindowsFirst) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  OpenWindowOn("Panel1");
  std::shared_ptr<IDesigner> Kept = Host->GetDesigner();
  Host->Close();
  EXPECT_FALSE(Host->IsOpen());
  EXPECT_EQ(Kept->GetRoot(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(StoreFile()));  // the window saved its lists
  Host.reset();
  Kept->Modified();  // a designer that outlives its host reports to no one
}

TEST_F(DesignerHostTest, AFileThatCannotBeReadLeavesTheHostClosed) {
  Host->Open(Write("main.dfm", test::DesignedForm));
  EXPECT_THROW(Host->Open(Write("broken.dfm", "object Form1: TForm\n  Caption = 'Main\n")), formfile::EFormFileError);
  EXPECT_FALSE(Host->IsOpen());
  EXPECT_THROW(Host->Form(), EDesignerError);
}

}  // namespace
}  // namespace keyloom

// Whole windows: the ancestor scan, the index of form files, and forms read
// with their ancestors and frames.

#include <keyloom/formfile/captions.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/formfile/window.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <unistd.h>

namespace keyloom::formfile {
namespace {

namespace fs = std::filesystem;

struct TScanCase {
  const char* Source;
  const char* Class;
  const char* Ancestor;
};

TEST(ScanAncestorClass, FindsTheDeclarationPastCommentsAndStrings) {
  const TScanCase Cases[] = {
      {"type\n  TForm2 = class(TForm1)\n  end;", "TForm2", "TForm1"},
      {"type tform2=CLASS ( tform1 ) end;", "TForm2", "tform1"},
      {"TForm2 = class(Unit1.TBase)", "TForm2", "TBase"},
      {"{ TForm2 = class(TOld) }\nTForm2 = class(TNew)", "TForm2", "TNew"},
      {"(* TForm2 = class(TOld) *) TForm2 = class(TNew)", "TForm2", "TNew"},
      {"// TForm2 = class(TOld)\nTForm2 = class(TNew)", "TForm2", "TNew"},
      {"S = 'TForm2 = class(TOld)'; TForm2 = class(TNew)", "TForm2", "TNew"},
      {"TForm2 = class;\nTForm3 = class(TForm2)\nTForm2 = class(TForm)", "TForm2", "TForm"},
      {"TFrame2 = class(TFrame1)", "TForm2", ""},
      {"TForm2 = class(", "TForm2", ""},
  };
  for (const TScanCase& C : Cases) EXPECT_EQ(ScanAncestorClass(C.Source, C.Class), C.Ancestor) << C.Source;
}

// A folder of form files and units, removed afterwards.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Template = (fs::temp_directory_path() / "keyloom-window-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FRoot = fs::canonical(Template);
  }
  void TearDown() override { fs::remove_all(FRoot); }

  void Write(const std::string& Name, const std::string& Text) const {
    fs::create_directories((FRoot / Name).parent_path());
    std::ofstream(FRoot / Name, std::ios::binary) << Text;
  }
  // A form file and the unit that says which class it inherits from.
  void Inherited(const std::string& Base, const std::string& Class, const std::string& Ancestor,
                 const std::string& Text) const {
    Write(Base + ".lfm", Text);
    Write(Base + ".pas", "unit " + fs::path(Base).filename().string() + ";\ninterface\ntype\n  " + Class + " = class(" +
                             Ancestor + ")\n  end;\nimplementation\nend.\n");
  }

  std::unique_ptr<TLoadedForm> Open(const std::string& Name) const {
    const TWindowSources Sources({FRoot});
    TLoadOptions Options;
    Options.Window = &Sources;
    return LoadFormFile(FRoot / Name, Options);
  }

  fs::path FRoot;
};

const char* const Base =
    "object FormA: TFormA\n"
    "  object Panel1: TPanel\n"
    "    object Button1: TButton\n"
    "      Caption = 'S&ave'\n"
    "    end\n"
    "    object Button9: TButton\n"
    "      Caption = 'Close'\n"
    "    end\n"
    "  end\n"
    "  inline Frame1: TFrameX\n"
    "    inherited Edit1: TEdit\n"
    "      Text = 'from the base'\n"
    "    end\n"
    "    object Label1: TLabel\n"
    "      Caption = 'Na&me'\n"
    "    end\n"
    "  end\n"
    "  object Label1: TLabel\n"
    "    Caption = 'Other'\n"
    "  end\n"
    "end\n";

const char* const Frame =
    "object FrameX: TFrameX\n"
    "  Width = 300\n"
    "  object Label1: TLabel\n"
    "    Caption = '&Name'\n"
    "    FocusControl = Edit1\n"
    "  end\n"
    "  object Edit1: TEdit\n"
    "  end\n"
    "  object Label2: TLabel\n"
    "    Caption = 'File mask'\n"
    "    FocusControl = cmbMask\n"
    "  end\n"
    "  object cmbMask: TThirdPartyCombo\n"
    "  end\n"
    "end\n";

TEST_F(WindowTest, AChainOfThreeWithAFrameInTheFirstLoadsAsTheRunningWindow) {
  Write("base/ubase.lfm", Base);
  Write("frames/uframe.lfm", Frame);
  Inherited("mid/umid", "TFormB", "ubase.TFormA",
            "inherited FormB: TFormB\n"
            "  inherited Panel1: TPanel\n"
            "    object Button2: TButton [0]\n"
            "      Caption = 'Print'\n"
            "    end\n"
            "    inherited Button1: TButton\n"
            "      Caption = 'Store'\n"
            "    end\n"
            "  end\n"
            "end\n");
  Inherited("top/utop", "TFormC", "TFormB",
            "inherited FormC: TFormC\n"
            "  inherited Panel1: TPanel\n"
            "    inherited Button9: TButton\n"
            "      Left = 40\n"
            "    end\n"
            "  end\n"
            "  object Label3: TLabel\n"
            "    Caption = 'Search'\n"
            "    FocusControl = Frame1.Edit1\n"
            "  end\n"
            "end\n");
  auto L = Open("top/utop.lfm");
  TCustomForm& Form = L->Form();
  EXPECT_EQ(Form.GetName(), "FormC");
  EXPECT_TRUE(L->Window().Missing.empty()) << L->Window().Missing.front();
  EXPECT_EQ(L->Window().Files.size(), 3u);
  EXPECT_EQ(L->Window().Unmatched, 0);

  auto* Panel = dynamic_cast<TPanel*>(Form.FindComponent("Panel1"));
  ASSERT_NE(Panel, nullptr);
  ASSERT_EQ(Panel->GetControlCount(), 3);
  EXPECT_EQ(Panel->GetControl(0)->GetName(), "Button2");  // [0] among the ancestor's buttons
  auto* Button1 = dynamic_cast<TButton*>(Form.FindComponent("Button1"));
  ASSERT_NE(Button1, nullptr);
  EXPECT_EQ(Button1->GetCaption(), "Store");
  EXPECT_EQ(dynamic_cast<TButton*>(Form.FindComponent("Button9"))->GetLeft(), 40);

  // The frame's controls belong to the frame, with the base's override applied.
  TComponent* Frame1 = Form.FindComponent("Frame1");
  ASSERT_NE(Frame1, nullptr);
  auto* Edit1 = dynamic_cast<TEdit*>(Frame1->FindComponent("Edit1"));
  ASSERT_NE(Edit1, nullptr);
  EXPECT_EQ(Edit1->GetText(), "from the base");
  EXPECT_EQ(Form.FindComponent("Edit1"), nullptr);
  EXPECT_EQ(dynamic_cast<TWinControl*>(Frame1)->GetWidth(), 300);
  // Written as `object` in the inline block, as older files do: the frame's own, beside the form's namesake.
  EXPECT_EQ(dynamic_cast<TLabel*>(Frame1->FindComponent("Label1"))->GetCaption(), "Na&me");
  EXPECT_EQ(dynamic_cast<TLabel*>(Form.FindComponent("Label1"))->GetCaption(), "Other");

  // A dotted reference into the frame, and a control of an unknown class, can be focused.
  EXPECT_EQ(dynamic_cast<TLabel*>(Form.FindComponent("Label3"))->GetFocusControl(), Edit1);
  EXPECT_NE(dynamic_cast<TLabel*>(Frame1->FindComponent("Label2"))->GetFocusControl(), nullptr);

  // Whose each caption is: this file's, or another's with its place there.
  EXPECT_FALSE(CaptionFromOtherFile(*L, Form.FindComponent("Label3")));
  EXPECT_TRUE(CaptionFromOtherFile(*L, Button1));
  const TWindowPlace Place = CaptionPlace(*L, Button1);
  ASSERT_NE(Place.File, nullptr);
  EXPECT_EQ(fs::path(*Place.File).filename(), "umid.lfm");
  EXPECT_EQ(Place.Position.FLine, 7);
}

TEST_F(WindowTest, OnlyTheFormsOwnCaptionsAreWrittenAndNoOverrideIsAdded) {
  Write("ubase.lfm", Base);
  Write("uframe.lfm", Frame);
  Inherited("uform", "TFormB", "TFormA",
            "inherited FormB: TFormB\n"
            "  inherited Panel1: TPanel\n"
            "    inherited Button9: TButton\n"
            "      Left = 40\n"
            "    end\n"
            "    object Button2: TButton\n"
            "      Caption = 'Save as'\n"
            "    end\n"
            "  end\n"
            "end\n");
  auto L = Open("uform.lfm");
  for (const char* Name : {"Button1", "Button2", "Button9"}) {
    auto* B = dynamic_cast<TButton*>(L->Form().FindComponent(Name));
    ASSERT_NE(B, nullptr) << Name;
    B->SetCaption(B->GetCaption() == "Save as" ? "Save &as" : "&" + DeleteAccelerator(B->GetCaption()));
  }
  EXPECT_EQ(L->StoreCaptions(), 1);
  EXPECT_NE(L->Render().find("Caption = 'Save &as'"), std::string::npos);
  EXPECT_EQ(L->Render().find("Close"), std::string::npos);
}

struct TBrokenCase {
  const char* Name;
  std::map<std::string, std::string> Files;  // base name -> "Class Ancestor" (a unit and an inherited form)
  const char* Load;
  const char* Error;    // expected in the error, else empty
  const char* Missing;  // expected in the warning, else empty
};

TEST_F(WindowTest, CyclesFailAndAMissingAncestorLeavesTheFormsOwnObjects) {
  const TBrokenCase Cases[] = {
      {"cycle", {{"ua", "TFormA TFormB"}, {"ub", "TFormB TFormA"}}, "ua.lfm", "cycle", ""},
      {"self", {{"ua", "TFormA TFormA"}}, "ua.lfm", "cycle", ""},
      {"missing", {{"ua", "TFormA TFormGone"}}, "ua.lfm", "", "TFormGone"},
      {"no unit line", {{"ua", "TFormA"}}, "ua.lfm", "", "ua.pas"},
  };
  for (const TBrokenCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    fs::remove_all(FRoot);
    fs::create_directory(FRoot);
    for (const auto& [File, Classes] : C.Files) {
      const std::string Class = Classes.substr(0, Classes.find(' '));
      const std::string Ancestor = Classes.find(' ') == std::string::npos ? "" : Classes.substr(Classes.find(' ') + 1);
      const std::string Form = "inherited " + Class.substr(1) + ": " + Class +
                               "\n  object Own" + Class + ": TButton\n    Caption = 'Own'\n  end\nend\n";
      if (Ancestor.empty())
        Write(File + ".lfm", Form);
      else
        Inherited(File, Class, Ancestor, Form);
    }
    if (*C.Error) {
      try {
        Open(C.Load);
        ADD_FAILURE() << "no error";
      } catch (const EFormFileError& E) {
        EXPECT_NE(std::string(E.what()).find(C.Error), std::string::npos) << E.what();
        for (const auto& [File, Classes] : C.Files)
          EXPECT_NE(std::string(E.what()).find(File + ".lfm"), std::string::npos) << E.what();
      }
      continue;
    }
    auto L = Open(C.Load);
    ASSERT_EQ(L->Window().Missing.size(), 1u);
    EXPECT_NE(L->Window().Missing[0].find(C.Missing), std::string::npos) << L->Window().Missing[0];
    EXPECT_NE(L->Form().FindComponent("OwnTFormA"), nullptr);
  }
}

// Owned by the form or by one of its components (a grid's sub-objects).
bool Holds(TComponent& Owner, std::string_view Name) {
  if (Owner.FindComponent(Name)) return true;
  for (TComponent* C : Owner.Components())
    if (Holds(*C, Name)) return true;
  return false;
}

TEST(WindowCorpus, EveryInheritedFormWhoseAncestorIsThereHoldsTheAncestorsComponents) {
  const fs::path Corpus = KEYLOOM_CORPUS_DIR;
  if (!fs::exists(Corpus)) GTEST_SKIP() << "no corpus at " << Corpus;
  int Full = 0, Partial = 0, None = 0, WithAncestor = 0;
  for (const auto& Project : fs::directory_iterator(Corpus)) {
    if (!Project.is_directory()) continue;
    const TWindowSources Sources({Project.path()});
    for (const auto& Entry : fs::recursive_directory_iterator(Project.path())) {
      const std::string Ext = LowerCase(Entry.path().extension().string());
      if (!Entry.is_regular_file() || (Ext != ".dfm" && Ext != ".lfm")) continue;
      std::ifstream In(Entry.path(), std::ios::binary);
      std::string Head(256, '\0');
      In.read(Head.data(), static_cast<std::streamsize>(Head.size()));
      Head.resize(static_cast<std::size_t>(In.gcount()));
      const auto Header = ReadRootHeader(Head);
      if (!Header || Header->Kind != TObjectKind::Inherited) continue;
      const TWindowSources::TAncestor Ancestor = Sources.AncestorOf(Entry.path(), Header->ClassName);
      const bool Present = !Ancestor.ClassName.empty() && Sources.FormOf(Ancestor.ClassName, Entry.path(), {});
      TLoadOptions Options;
      Options.Window = &Sources;
      Options.KeepState = Options.KeepCaptions = false;
      std::unique_ptr<TLoadedForm> L;
      try {
        L = LoadFormFile(Entry.path(), Options);
      } catch (const EFormFileError& E) {
        EXPECT_EQ(Entry.path().filename(), "UAgendaCompromisso.lfm") << E.what();
        continue;
      }
      const TWindowReport& Window = L->Window();
      if (Window.Files.empty())
        ++None;
      else if (Window.Missing.empty() && Window.Unmatched == 0)
        ++Full;
      else
        ++Partial;
      if (!Present) continue;
      ++WithAncestor;
      ASSERT_FALSE(Window.Files.empty()) << Entry.path();
      // Every component the ancestor file makes directly is on the form.
      const auto Document = Sources.Document(Sources.FormOf(Ancestor.ClassName, Entry.path(),
                                                            InheritedNames(L->Document().Root()))->File);
      std::vector<const TObjectNode*> Pending(Document->Root().FChildren.begin(), Document->Root().FChildren.end());
      while (!Pending.empty()) {
        const TObjectNode* Node = Pending.back();
        Pending.pop_back();
        if (Node->FKind == TObjectKind::Object && !Node->FName.empty() && !Holds(L->Form(), Node->FName))
          ADD_FAILURE() << Entry.path() << ": " << Node->FName << " of the ancestor is missing";
        if (Node->FKind != TObjectKind::Inline)
          for (const TObjectNode* Child : Node->FChildren) Pending.push_back(Child);
      }
    }
  }
  EXPECT_GT(WithAncestor, 300);
  std::cout << "[ corpus   ] " << Full + Partial + None << " inherited forms: " << Full << " resolved fully, " << Partial
            << " partly, " << None << " not at all; " << WithAncestor << " with their ancestor in the corpus\n";
}

}  // namespace
}  // namespace keyloom::formfile

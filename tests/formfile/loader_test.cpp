#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

namespace keyloom::formfile {
namespace {

std::unique_ptr<TLoadedForm> Load(const std::string& Text, const TLoadOptions& Options = {}) {
  return LoadForm(TDocument::Parse(Text, "test.dfm"), Options);
}

template <class T>
T* Find(TLoadedForm& L, const char* Name) {
  return dynamic_cast<T*>(L.Form().FindComponent(Name));
}

const char* const Typical =
    "object Form1: TForm1\n"
    "  Caption = 'Main'\n"
    "  object Label1: TLabel\n"
    "    Caption = '&Name'\n"
    "    FocusControl = Edit1\n"
    "  end\n"
    "  object Panel1: TPanel\n"
    "    Left = 8\n"
    "    Font.Style = [fsBold]\n"
    "    Align = alTop\n"
    "    object Button1: TButton\n"
    "      Caption = 'OK'\n"
    "      Default = True\n"
    "    end\n"
    "    object Edit1: TEdit\n"
    "    end\n"
    "  end\n"
    "  object RadioGroup1: TRadioGroup\n"
    "    Caption = 'Sort'\n"
    "    Items.Strings = (\n"
    "      'Nothing'\n"
    "      'Caption')\n"
    "  end\n"
    "  object MainMenu1: TMainMenu\n"
    "    object File1: TMenuItem\n"
    "      Caption = 'File'\n"
    "      object Exit1: TMenuItem\n"
    "        Caption = 'Exit'\n"
    "      end\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST(Loader, BuildsTheFormAsTheFrameworkStreamsIt) {
  auto L = Load(Typical);
  TCustomForm& Form = L->Form();
  EXPECT_EQ(Form.GetName(), "Form1");
  EXPECT_EQ(Form.ClassName(), "TForm1");
  EXPECT_TRUE(Form.ClassType().InheritsFrom("TCustomForm"));
  EXPECT_EQ(Form.GetCaption(), "Main");
  // Every object is owned by the form, in file order.
  ASSERT_EQ(Form.GetComponentCount(), 8);
  EXPECT_EQ(Form.GetComponent(1)->GetName(), "Panel1");
  auto* Panel = Find<TPanel>(*L, "Panel1");
  auto* Button = Find<TButton>(*L, "Button1");
  auto* Label = Find<TLabel>(*L, "Label1");
  ASSERT_TRUE(Panel && Button && Label);
  EXPECT_EQ(Button->GetParent(), Panel);
  EXPECT_EQ(Panel->GetParent(), &Form);
  EXPECT_EQ(Panel->GetLeft(), 8);
  EXPECT_EQ(Panel->GetAlign(), TAlign::alTop);
  EXPECT_EQ(Panel->GetFont()->GetStyle(), static_cast<std::uint32_t>(fsBold));
  EXPECT_TRUE(Button->GetDefault());
  // A reference to an object further down the file is resolved at the end.
  EXPECT_EQ(Label->GetFocusControl(), Find<TEdit>(*L, "Edit1"));
  auto* Group = Find<TRadioGroup>(*L, "RadioGroup1");
  EXPECT_EQ(Group->GetItems()->Items(), (std::vector<std::string>{"Nothing", "Caption"}));
  auto* Exit = Find<TMenuItem>(*L, "Exit1");
  EXPECT_EQ(Exit->GetParentComponent(), Find<TMenuItem>(*L, "File1"));
  EXPECT_EQ(Find<TMenuItem>(*L, "File1")->GetParentComponent(), Find<TMainMenu>(*L, "MainMenu1"));
  for (TComponent* C : Form.Components()) EXPECT_FALSE(C->HasState(csLoading)) << C->GetName();
  EXPECT_TRUE(L->UnknownClasses().empty());
}

// Counts the runs a component would make: insertions while loading, then Loaded.
class TLoadProbe : public TComponent {
 public:
  explicit TLoadProbe(TComponent* AOwner) : TComponent(AOwner) { HearInsertions(); }
  static const TClassInfo& Info() {
    static const TClassInfo I("TLoadProbe", &TComponent::StaticClassInfo(), {},
                              [](TComponent* Owner) -> TComponent* { return new TLoadProbe(Owner); });
    return I;
  }
  const TClassInfo& StaticType() const override { return Info(); }
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (C != this && Op == TOperation::opInsert && !HasState(csLoading)) ++Runs;
  }
  void Loaded() override {
    TComponent::Loaded();
    ++Runs;
  }
  int Runs = 0;
};

TEST(Loader, ComponentsAreLoadingUntilTheWholeFileIsRead) {
  RegisterClass(TLoadProbe::Info());
  auto L = Load(
      "object F: TForm\n  object P: TLoadProbe\n  end\n"
      "  object A: TButton\n  end\n  object B: TButton\n  end\nend\n");
  EXPECT_EQ(Find<TLoadProbe>(*L, "P")->Runs, 1);
}

TEST(Loader, UnknownClassesBecomeGenericControlsThatKeepTheirValues) {
  auto L = Load(
      "object F: TForm\n"
      "  object Box: TcxGroupBox\n"
      "    Caption = 'Options'\n"
      "    object Ok: TcxButton\n"
      "      Caption = 'OK'\n"
      "      Cancel = True\n"
      "      Colors.Default = 5\n"
      "    end\n"
      "  end\n"
      "  object Plain: TcxButton\n"
      "  end\n"
      "end\n");
  auto* Box = dynamic_cast<TControl*>(L->Form().FindComponent("Box"));
  auto* Ok = dynamic_cast<TControl*>(L->Form().FindComponent("Ok"));
  ASSERT_TRUE(Box && Ok);
  EXPECT_TRUE(Box->AcceptsControls());
  EXPECT_FALSE(Ok->AcceptsControls());
  EXPECT_EQ(Ok->GetParent(), Box);
  EXPECT_EQ(Ok->ClassName(), "TcxButton");
  const TPropInfo* Caption = GetPropInfo(Ok, "Caption");
  ASSERT_NE(Caption, nullptr);
  EXPECT_EQ(Caption->Kind, TTypeKind::tkLString);
  EXPECT_EQ(GetStrProp(*Ok, *Caption), "OK");
  const TPropInfo* Cancel = GetPropInfo(Ok, "Cancel");
  ASSERT_NE(Cancel, nullptr);
  EXPECT_EQ(GetOrdProp(*Ok, *Cancel), 1);
  // The same class learnt the property once; another object of it reads empty.
  auto* Plain = L->Form().FindComponent("Plain");
  EXPECT_EQ(GetStrProp(*Plain, *GetPropInfo(Plain, "Caption")), "");
  EXPECT_EQ(L->UnknownClasses(), (std::vector<std::string>{"TcxGroupBox", "TcxButton"}));
  EXPECT_EQ(L->UnknownObjectCount(), 3);
}

TEST(Loader, ClassMapMakesAnObjectBehaveAsTheKnownClass) {
  TLoadOptions Options;
  Options.ClassMap = {{"TMyButton", "TButton"}};
  auto L = Load("object F: TForm\n  object B: TMyButton\n    Caption = 'Go'\n    Cancel = True\n  end\nend\n", Options);
  auto* B = Find<TButton>(*L, "B");
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(B->ClassName(), "TMyButton");
  EXPECT_TRUE(B->GetCancel());
  EXPECT_TRUE(L->UnknownClasses().empty());
  Options.ClassMap = {{"TMyButton", "TNoSuchClass"}};
  EXPECT_THROW(Load("object F: TForm\n  object B: TMyButton\n  end\nend\n", Options), EFormFileError);
}

TEST(Loader, InlineFramesOwnTheirInheritedEntries) {
  auto L = Load(
      "object F: TForm\n"
      "  inline Frame1: TMyFrame\n"
      "    inherited lvProvider: TListView\n"
      "      Width = 245\n"
      "    end\n"
      "    object Extra: TButton\n"
      "    end\n"
      "  end\n"
      "end\n");
  TComponent* Frame = L->Form().FindComponent("Frame1");
  ASSERT_NE(Frame, nullptr);
  EXPECT_TRUE(Frame->HasState(csInline));
  TComponent* Provider = Frame->FindComponent("lvProvider");
  ASSERT_NE(Provider, nullptr);
  EXPECT_EQ(dynamic_cast<TControl*>(Provider)->GetParent(), Frame);
  EXPECT_EQ(L->Form().FindComponent("Extra")->GetOwner(), &L->Form());
}

TEST(Loader, ChildPositionsReorderTheParentsChildren) {
  auto L = Load("object F: TForm\n  object A: TButton\n  end\n  object B: TButton [0]\n  end\nend\n");
  EXPECT_EQ(L->Form().GetControl(0)->GetName(), "B");
}

TEST(Loader, DuplicateNamesAreReportedWithTheirPosition) {
  const std::pair<const char*, int> Cases[] = {
      {"object F: TForm\n  object A: TButton\n  end\n  object A: TButton\n  end\nend\n", 4},
      // A name taken by the form and by the enclosing component's own sub-objects.
      {"object F: TForm\n  object A: TPanel\n  end\n"
       "  object H: TGrid\n    object A: TPanel\n    end\n    object A: TPanel\n    end\n  end\nend\n",
       7},
  };
  for (const auto& [Text, Line] : Cases) {
    try {
      Load(Text);
      ADD_FAILURE() << "expected an error: " << Text;
    } catch (const EFormFileError& E) {
      EXPECT_EQ(E.Line(), Line);
      EXPECT_NE(std::string(E.what()).find("A"), std::string::npos);
    }
  }
}

TEST(Loader, ASubObjectNamedAsAnotherOnesBelongsToItsEnclosingComponent) {
  const std::string Text =
      "object F: TForm\n"
      "  object Grid1: TDBGridEh\n"
      "    object RowDetailData: TRowDetailPanelControlEh\n"
      "    end\n"
      "  end\n"
      "  object Grid2: TDBGridEh\n"
      "    object RowDetailData: TRowDetailPanelControlEh\n"
      "      object Label1: TLabel\n"
      "        Caption = 'Notes'\n"
      "      end\n"
      "    end\n"
      "  end\n"
      "end\n";
  auto L = Load(Text);
  TComponent* Grid2 = L->Form().FindComponent("Grid2");
  ASSERT_NE(Grid2, nullptr);
  TComponent* Second = Grid2->FindComponent("RowDetailData");
  ASSERT_NE(Second, nullptr);
  EXPECT_NE(Second, L->Form().FindComponent("RowDetailData"));
  EXPECT_EQ(L->Form().FindComponent("Label1")->GetOwner(), &L->Form());
  EXPECT_EQ(L->Render(), Text);
}

// Also from a form loaded without its state, which cannot store components.
class LoaderStateTest : public testing::TestWithParam<bool> {};

TEST_P(LoaderStateTest, StoreCaptionsWritesOnlyWhatChanged) {
  const std::string Text =
      "object F: TForm\r\n"
      "  object B: TButton\r\n"
      "    Caption = 'OK'\r\n"
      "    Left = 1\r\n"
      "  end\r\n"
      "  object C: TCheckBox\r\n"
      "    Left = 2\r\n"
      "  end\r\n"
      "  object R: TRadioGroup\r\n"
      "    Items.Strings = (\r\n"
      "      'One'\r\n"
      "      'Two')\r\n"
      "  end\r\n"
      "end\r\n";
  TLoadOptions Options;
  Options.KeepState = GetParam();
  auto L = Load(Text, Options);
  EXPECT_EQ(L->StoreCaptions(), 0);
  EXPECT_EQ(L->Render(), Text);
  Find<TButton>(*L, "B")->SetCaption("&OK");
  Find<TCheckBox>(*L, "C")->SetCaption("&Check");
  Find<TRadioGroup>(*L, "R")->GetItems()->Put(1, "&Two");
  EXPECT_EQ(L->StoreCaptions(), 3);
  const std::string Out = L->Render();
  EXPECT_NE(Out.find("    Caption = '&OK'\r\n"), std::string::npos);
  EXPECT_NE(Out.find("    Caption = '&Check'\r\n"), std::string::npos);
  EXPECT_NE(Out.find("      '&Two')\r\n"), std::string::npos);
  // What was written reads back the same.
  auto Again = LoadForm(TDocument::Parse(Out, "test.dfm"));
  EXPECT_EQ(Find<TCheckBox>(*Again, "C")->GetCaption(), "&Check");
  EXPECT_EQ(Find<TRadioGroup>(*Again, "R")->GetItems()->Get(1), "&Two");
  EXPECT_EQ(L->PositionOf(Find<TButton>(*L, "B"), "Caption").FLine, 3);
  if (GetParam())
    EXPECT_EQ(L->StoreComponents(), 0);
  else
    EXPECT_THROW(L->StoreComponents(), std::logic_error);
  EXPECT_EQ(L->Render(), Out);
}

INSTANTIATE_TEST_SUITE_P(KeptOrNot, LoaderStateTest, testing::Bool());

// A form only read keeps no captions: it still knows where they stand, but
// storing them would write every caption or none, so it refuses.
TEST(Loader, FormLoadedWithoutCaptionsRefusesToStoreThem) {
  const std::string Text = "object F: TForm\n  object B: TButton\n    Caption = 'OK'\n  end\nend\n";
  TLoadOptions Options;
  Options.KeepState = false;
  Options.KeepCaptions = false;
  auto L = Load(Text, Options);
  Find<TButton>(*L, "B")->SetCaption("&OK");
  EXPECT_THROW(L->StoreCaptions(), std::logic_error);
  EXPECT_EQ(L->Render(), Text);
  EXPECT_EQ(L->PositionOf(Find<TButton>(*L, "B"), "Caption").FLine, 3);
}

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

// Every real form loads; the pipeline's host sees them as the framework would.
TEST(LoaderCorpus, EveryTextFormLoads) {
  const std::filesystem::path Corpus = KEYLOOM_CORPUS_DIR;
  if (!std::filesystem::exists(Corpus)) GTEST_SKIP() << "no corpus at " << Corpus;
  int Loaded = 0, Unknown = 0, Failed = 0;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Corpus)) {
    if (!Entry.is_regular_file()) continue;
    const auto Ext = LowerCase(Entry.path().extension().string());
    if (Ext != ".dfm" && Ext != ".lfm") continue;
    std::string Bytes = ReadFile(Entry.path());
    if (IsBinaryFormFile(Bytes)) continue;
    try {
      auto L = LoadForm(TDocument::Parse(std::move(Bytes), Entry.path().string()));
      Unknown += L->UnknownObjectCount();
      EXPECT_EQ(L->StoreCaptions(), 0) << Entry.path();
      // Nothing changed since reading, so nothing is written.
      EXPECT_EQ(L->StoreComponents(), 0) << Entry.path();
      EXPECT_FALSE(L->Document().Modified()) << Entry.path();
      ++Loaded;
    } catch (const EFormFileError& E) {
      const bool Malformed = Entry.path().filename() == "UAgendaCompromisso.lfm";
      EXPECT_TRUE(Malformed) << E.what();
      ++Failed;
    }
  }
  EXPECT_GT(Loaded, 2500);
  EXPECT_EQ(Failed, 1);
  RecordProperty("loaded", Loaded);
  RecordProperty("unknown_objects", Unknown);
  std::cout << "corpus: " << Loaded << " forms loaded, " << Unknown << " objects of unknown classes\n";
}

}  // namespace
}  // namespace keyloom::formfile

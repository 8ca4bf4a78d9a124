// A TKeyloom dropped from the palette in the designer host, set up, saved and
// read back by the form reader, the designer and the keyloom command.

#include <keyloom/default_lists.hpp>
#include <keyloom/design/designer_host.hpp>
#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/keyloom_component.hpp>

#include "design/design_fixture.hpp"

#include <sys/wait.h>

#include <algorithm>
#include <any>
#include <cstdlib>
#include <map>

namespace keyloom {
namespace {

namespace fs = std::filesystem;

struct TFileStyle {
  const char* FileName;
  const char* Eol;
  bool Lazarus;  // list `)` on its own line, empty list `(` indent `)`
};

std::string WithEol(const std::string& Text, const char* Eol) {
  std::string Out;
  for (char C : Text) {
    if (C == '\n')
      Out += Eol;
    else
      Out += C;
  }
  return Out;
}

const char* const StoreForm =
    "object Form1: TForm\n"
    "  Left = 100\n"
    "  Top = 80\n"
    "  Caption = 'Main'\n"
    "  object MainMenu1: TMainMenu\n"
    "    object miFile: TMenuItem\n"
    "      Caption = 'File'\n"
    "      object miSave: TMenuItem\n"
    "        Caption = 'Save'\n"
    "      end\n"
    "      object miExit: TMenuItem\n"
    "        Caption = 'Exit'\n"
    "      end\n"
    "    end\n"
    "  end\n"
    "  object Panel1: TPanel\n"
    "    Caption = 'Options'\n"
    "    object bOK: TButton\n"
    "      Caption = 'O&K'\n"
    "    end\n"
    "    object bOpen: TButton\n"
    "      Caption = 'Open'\n"
    "    end\n"
    "    object lName: TLabel\n"
    "      Caption = 'Name'\n"
    "    end\n"
    "  end\n"
    "  object bSave: TButton\n"
    "    Caption = 'Save'\n"
    "  end\n"
    "  object bSaveAs: TButton\n"
    "    Caption = 'Save As'\n"
    "  end\n"
    "end\n";

// Every setting of a TKeyloom, and the handler name of OnAssign.
struct TSettings {
  bool Active = true;
  bool ActiveInDesign = false;
  bool OnlyUnassigned = true;
  TSortMethod SortMethod = TSortMethod::smUniqueLetters;
  std::vector<std::string> CaptionClasses{DefaultCaptionClasses.begin(), DefaultCaptionClasses.end()};
  std::vector<std::string> NoCaptionClasses{DefaultNoCaptionClasses.begin(), DefaultNoCaptionClasses.end()};
  std::vector<std::string> DefaultCaptions{DefaultDefaultCaptions.begin(), DefaultDefaultCaptions.end()};
  std::string OnAssign;
};

// Not one setting at its default.
TSettings Changed() {
  TSettings S;
  S.Active = false;
  S.ActiveInDesign = true;
  S.OnlyUnassigned = false;
  S.SortMethod = TSortMethod::smCaption;
  S.CaptionClasses = {"TButtonControl", "TCustomLabel"};
  S.NoCaptionClasses = {"TMainMenu"};
  S.DefaultCaptions = {"Sa&ve", "E&xit"};
  S.OnAssign = "KeyloomAssign";
  return S;
}

const char* SortName(TSortMethod Method) {
  static const char* const Names[] = {"smNothing", "smCaption", "smCaptionLength", "smUniqueLetters"};
  return Names[static_cast<int>(Method)];
}

// The block the framework's rules give for the settings, in the file's style.
std::string Block(const std::string& Name, const TSettings& S, const TFileStyle& Style) {
  std::string Out = "  object " + Name + ": TKeyloom\n";
  auto List = [&](const char* Property, const std::vector<std::string>& Items) {
    Out += std::string("    ") + Property + ".Strings = (";
    if (Items.empty()) {
      Out += Style.Lazarus ? "    )\n" : ")\n";
      return;
    }
    for (std::size_t I = 0; I < Items.size(); ++I) {
      Out += "\n      '" + Items[I] + "'";
      if (I + 1 == Items.size()) Out += Style.Lazarus ? "\n    )" : ")";
    }
    Out += "\n";
  };
  if (!S.Active) Out += "    Active = False\n";
  if (S.ActiveInDesign) Out += "    ActiveInDesign = True\n";
  List("CaptionClasses", S.CaptionClasses);
  List("DefaultCaptions", S.DefaultCaptions);
  List("NoCaptionClasses", S.NoCaptionClasses);
  if (!S.OnlyUnassigned) Out += "    OnlyUnassigned = False\n";
  if (S.SortMethod != TSortMethod::smUniqueLetters) Out += std::string("    SortMethod = ") + SortName(S.SortMethod) + "\n";
  if (!S.OnAssign.empty()) Out += "    OnAssign = " + S.OnAssign + "\n";
  Out += "  end\n";
  return WithEol(Out, Style.Eol);
}

// The file with a block added as the root's last child.
std::string WithBlock(const std::string& File, const std::string& Block) {
  std::string Out = File;
  Out.insert(Out.rfind("end"), Block);
  return Out;
}

std::string SetupArgs(const TSettings& S) {
  auto Join = [](const std::vector<std::string>& Items) {
    std::string Out;
    for (const std::string& Item : Items) Out += (Out.empty() ? "" : ",") + Item;
    return "'" + Out + "'";
  };
  static const char* const Sorts[] = {"nothing", "caption", "length", "unique"};
  std::string Args = std::string("--sort ") + Sorts[static_cast<int>(S.SortMethod)] +
                     " --caption-classes " + Join(S.CaptionClasses) + " --no-caption-classes " +
                     Join(S.NoCaptionClasses) + " --default-captions " + Join(S.DefaultCaptions);
  if (!S.OnlyUnassigned) Args += " --reassign";
  return Args;
}

void Apply(TDesignerHost& Host, TKeyloom& K, const TSettings& S) {
  // In this order no setter starts a run at design time.
  K.SetActiveInDesign(false);
  K.SetActive(S.Active);
  K.SetActiveInDesign(S.ActiveInDesign);
  K.SetOnlyUnassigned(S.OnlyUnassigned);
  K.SetSortMethod(S.SortMethod);
  K.GetCaptionClasses()->Assign(S.CaptionClasses);
  K.GetNoCaptionClasses()->Assign(S.NoCaptionClasses);
  K.GetDefaultCaptions()->Assign(S.DefaultCaptions);
  Host.SetEventHandler(&K, "OnAssign", S.OnAssign);
}

void ExpectSettings(const TKeyloom& K, const TSettings& S) {
  EXPECT_EQ(K.GetActive(), S.Active);
  EXPECT_EQ(K.GetActiveInDesign(), S.ActiveInDesign);
  EXPECT_EQ(K.GetOnlyUnassigned(), S.OnlyUnassigned);
  EXPECT_EQ(K.GetSortMethod(), S.SortMethod);
  EXPECT_EQ(K.GetCaptionClasses()->Items(), S.CaptionClasses);
  EXPECT_EQ(K.GetNoCaptionClasses()->Items(), S.NoCaptionClasses);
  EXPECT_EQ(K.GetDefaultCaptions()->Items(), S.DefaultCaptions);
  EXPECT_EQ(static_cast<bool>(K.OnAssign), !S.OnAssign.empty());
}

// Binds every handler name to a handler that counts its calls.
formfile::TLoadOptions Binding(std::vector<std::string>& Asked) {
  formfile::TLoadOptions Options;
  Options.FindMethod = [&Asked](std::string_view Name, const TPropInfo&) -> std::any {
    Asked.emplace_back(Name);
    return TAssignEvent([](TObject*, TObject*, std::string&) {});
  };
  return Options;
}

class KeyloomStoreTest : public test::TDesignFixture, public ::testing::WithParamInterface<TFileStyle> {
 protected:
  void SetUp() override {
    TDesignFixture::SetUp();
    Registry.LoadPackage(PackageDescription, Register);
    Host = std::make_unique<TDesignerHost>(Registry);
    Host->Services.MessageBox = [](const std::string&, const std::string&, int) { return IDYES; };
    Host->Services.ShellOpen = [](const std::string&) {};
    Original = WithEol(StoreForm, GetParam().Eol);
    Path = Write(GetParam().FileName, Original);
    Copy = Write(std::string("copy-") + GetParam().FileName, Original);
  }
  void TearDown() override {
    Host.reset();
    TDesignFixture::TearDown();
  }

  // Drops the palette's component on the form, as the designer does.
  TKeyloom* Drop() {
    const TDesignRegistry::TPalettePage* Page = Registry.FindPalettePage(PalettePageName);
    EXPECT_NE(Page, nullptr);
    if (!Page || Page->Classes.empty()) return nullptr;
    return dynamic_cast<TKeyloom*>(Host->InsertComponent(*Page->Classes.front()));
  }

  struct TReadBack {
    std::unique_ptr<formfile::TLoadedForm> Loaded;
    TKeyloom* Component = nullptr;
  };
  TReadBack ReadBack(std::vector<std::string>& Asked) const {
    TReadBack R;
    R.Loaded = formfile::LoadFormFile(Path, Binding(Asked));
    R.Component = dynamic_cast<TKeyloom*>(R.Loaded->Form().FindComponent("Keyloom1"));
    EXPECT_NE(R.Component, nullptr);
    return R;
  }

  TDesignRegistry Registry;
  std::unique_ptr<TDesignerHost> Host;
  std::string Original;
  fs::path Path;
  fs::path Copy;  // the original, for the command run with options instead
};

TEST_P(KeyloomStoreTest, DroppedSetSavedReadBackResetAndRemoved) {
  const TFileStyle& Style = GetParam();
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  EXPECT_EQ(K->GetName(), "Keyloom1");

  const TSettings Set = Changed();
  Apply(*Host, *K, Set);
  Host->Save();
  EXPECT_FALSE(Host->IsModified());
  EXPECT_EQ(Read(Path), WithBlock(Original, Block("Keyloom1", Set, Style)));

  // The form reader: every setting, and the handler asked for by its name.
  {
    std::vector<std::string> Asked;
    TReadBack R = ReadBack(Asked);
    ASSERT_NE(R.Component, nullptr);
    ExpectSettings(*R.Component, Set);
    EXPECT_EQ(Asked, std::vector<std::string>{"KeyloomAssign"});
    EXPECT_EQ(R.Loaded->HandlerName(R.Component, "OnAssign"), "KeyloomAssign");
  }
  // The designer, reopening the file.
  {
    TDesignerHost Other(Registry);
    Other.Open(Path);
    auto* Again = dynamic_cast<TKeyloom*>(Other.Form().FindComponent("Keyloom1"));
    ASSERT_NE(Again, nullptr);
    EXPECT_EQ(Other.GetEventHandler(Again, "OnAssign"), "KeyloomAssign");
    EXPECT_EQ(Again->GetSortMethod(), Set.SortMethod);
    EXPECT_EQ(Again->GetDefaultCaptions()->Items(), Set.DefaultCaptions);
  }

  // Back to the defaults: only the lists stay, as they have no default.
  Apply(*Host, *K, TSettings());
  Host->Save();
  EXPECT_EQ(Read(Path), WithBlock(Original, Block("Keyloom1", TSettings(), Style)));
  {
    std::vector<std::string> Asked;
    TReadBack R = ReadBack(Asked);
    ASSERT_NE(R.Component, nullptr);
    ExpectSettings(*R.Component, TSettings());
    EXPECT_TRUE(Asked.empty());
  }

  Host->DeleteComponent(K);
  Host->Save();
  EXPECT_EQ(Read(Path), Original);
}

TEST_P(KeyloomStoreTest, EachChangeRewritesOnlyItsOwnLines) {
  const TFileStyle& Style = GetParam();
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  Host->Save();
  const std::string Saved = Read(Path);
  EXPECT_EQ(Saved, WithBlock(Original, Block("Keyloom1", TSettings(), Style)));

  // A change of one setting adds its line after the block's last property.
  K->SetSortMethod(TSortMethod::smCaptionLength);
  Host->Save();
  const std::string Lists = Block("Keyloom1", TSettings(), Style);
  const std::string Sorted = WithEol("    SortMethod = smCaptionLength\n", Style.Eol);
  std::string Expected = WithBlock(Original, Lists);
  Expected.insert(Expected.rfind(WithEol("  end\nend", Style.Eol)), Sorted);
  EXPECT_EQ(Read(Path), Expected);

  // Another value rewrites the line in place; the default removes it.
  K->SetSortMethod(TSortMethod::smNothing);
  Host->Save();
  std::string Nothing = Expected;
  Nothing.replace(Nothing.find("smCaptionLength"), 15, "smNothing");
  EXPECT_EQ(Read(Path), Nothing);
  K->SetSortMethod(TSortMethod::smUniqueLetters);
  Host->Save();
  EXPECT_EQ(Read(Path), Saved);

  // One item of a list changes alone.
  K->GetDefaultCaptions()->Put(1, "Cu&t it");
  Host->Save();
  std::string OneItem = Saved;
  OneItem.replace(OneItem.find("'Cu&t'"), 6, "'Cu&t it'");
  EXPECT_EQ(Read(Path), OneItem);
}

// An emptied list is stored as an empty list: read again it stays empty
// instead of taking the constructor's defaults.
TEST_P(KeyloomStoreTest, AnEmptiedListStaysEmpty) {
  const TFileStyle& Style = GetParam();
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  K->GetCaptionClasses()->Clear();
  K->GetDefaultCaptions()->Clear();
  Host->Save();
  TSettings Emptied;
  Emptied.CaptionClasses.clear();
  Emptied.DefaultCaptions.clear();
  const std::string Saved = Read(Path);
  EXPECT_EQ(Saved, WithBlock(Original, Block("Keyloom1", Emptied, Style)));
  EXPECT_NE(Saved.find(Style.Lazarus ? "CaptionClasses.Strings = (    )" : "CaptionClasses.Strings = ()"),
            std::string::npos);

  std::vector<std::string> Asked;
  TReadBack R = ReadBack(Asked);
  ASSERT_NE(R.Component, nullptr);
  ExpectSettings(*R.Component, Emptied);

  // Filled again, the list replaces the empty one in place.
  K->GetCaptionClasses()->Add("TButtonControl");
  Host->Save();
  TSettings One = Emptied;
  One.CaptionClasses = {"TButtonControl"};
  EXPECT_EQ(Read(Path), WithBlock(Original, Block("Keyloom1", One, Style)));
}

TEST_P(KeyloomStoreTest, NewComponentsGetTheNextFreeName) {
  Host->Open(Path);
  EXPECT_EQ(Drop()->GetName(), "Keyloom1");
  EXPECT_EQ(Drop()->GetName(), "Keyloom2");
  Host->Save();
  Host->Open(Path);
  Host->DeleteComponent(Host->Form().FindComponent("Keyloom1"));
  // The first free number, as the designer names a component.
  EXPECT_EQ(Drop()->GetName(), "Keyloom1");
  EXPECT_EQ(Drop()->GetName(), "Keyloom3");
  Host->Save();
  auto L = formfile::LoadFormFile(Path);
  std::vector<std::string> Names;
  for (TComponent* C : L->Form().Components())
    if (dynamic_cast<TKeyloom*>(C)) Names.push_back(C->GetName());
  EXPECT_EQ(Names, (std::vector<std::string>{"Keyloom2", "Keyloom1", "Keyloom3"}));
}

TEST_P(KeyloomStoreTest, EventsAreBoundByNameOnly) {
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  EXPECT_THROW(Host->SetEventHandler(K, "OnClick", "X"), EDesignerError);
  EXPECT_THROW(Host->SetEventHandler(K, "OnAssign", "1st handler"), EDesignerError);
  // A handler bound in code has no name the file could hold: nothing is written.
  K->OnAssign = [](TObject*, TObject*, std::string&) {};
  Host->Save();
  EXPECT_EQ(Read(Path).find("OnAssign"), std::string::npos);
  Host->SetEventHandler(K, "onassign", "KeyloomAssign");
  EXPECT_FALSE(K->OnAssign);  // the host was opened without a way to find handlers
  Host->Save();
  EXPECT_NE(Read(Path).find(WithEol("    OnAssign = KeyloomAssign\n  end", GetParam().Eol)), std::string::npos);
}

#ifdef KEYLOOM_CLI_PATH

struct TRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

class KeyloomStoreCliTest : public KeyloomStoreTest {
 protected:
  TRun Run(const std::string& Args) const {
    const std::string Command = "cd '" + Dir.string() + "' && '" KEYLOOM_CLI_PATH "' " + Args + " >'" +
                                (Dir / "out").string() + "' 2>'" + (Dir / "err").string() + "'";
    const int Status = std::system(Command.c_str());
    TRun R;
    R.Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    R.Out = Read(Dir / "out");
    R.Err = Read(Dir / "err");
    return R;
  }
  std::string Quoted(const fs::path& File) const { return "'" + File.filename().string() + "'"; }

  // Caption by object name, of a form file's text.
  static std::map<std::string, std::string> Captions(const std::string& Text) {
    std::map<std::string, std::string> Out;
    formfile::TDocument Doc = formfile::TDocument::Parse(Text, "captions.dfm");
    for (formfile::TObjectNode* Node : Doc.Objects())
      if (const formfile::TProperty* P = Node->FindProperty("Caption"); P && P->FValue.String())
        Out[std::string(Node->FName)] = *P->FValue.String();
    return Out;
  }
};

TEST_P(KeyloomStoreCliTest, TheCommandHonoursTheStoredSettings) {
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  TSettings Set = Changed();
  Apply(*Host, *K, Set);
  Host->Save();

  // The tree is built and sorted with the stored lists and order, as with
  // the same settings given as options; the built-in ones give another.
  const TRun Stored = Run("tree " + Quoted(Path));
  const TRun Given = Run("tree " + SetupArgs(Set) + " " + Quoted(Copy));
  const TRun Builtin = Run("tree " + Quoted(Copy));
  ASSERT_EQ(Stored.Code, 0) << Stored.Err;
  ASSERT_EQ(Given.Code, 0) << Given.Err;
  EXPECT_EQ(Stored.Out, Given.Out);
  EXPECT_NE(Stored.Out, Builtin.Out);

  // Not active: the command leaves the file alone.
  const TRun Inactive = Run("assign " + Quoted(Path));
  EXPECT_EQ(Inactive.Code, 0) << Inactive.Err;
  EXPECT_NE(Inactive.Err.find("not active"), std::string::npos) << Inactive.Err;
  EXPECT_EQ(Read(Path), WithBlock(Original, Block("Keyloom1", Set, GetParam())));

  // Active (and off in design, so that the designer does not assign first):
  // the captions are those the same settings give as options.
  Set.ActiveInDesign = false;
  Set.Active = true;
  Apply(*Host, *K, Set);
  Host->Save();
  const TRun Assigned = Run("assign --stdout " + Quoted(Path));
  const TRun AssignedGiven = Run("assign --stdout " + SetupArgs(Set) + " " + Quoted(Copy));
  const TRun AssignedBuiltin = Run("assign --stdout " + Quoted(Copy));
  ASSERT_EQ(Assigned.Code, 0) << Assigned.Err;
  ASSERT_EQ(AssignedGiven.Code, 0) << AssignedGiven.Err;
  EXPECT_EQ(Captions(Assigned.Out), Captions(AssignedGiven.Out));
  // Reassigned, and a caption of the stored list keeps its letter.
  EXPECT_EQ(Captions(Assigned.Out)["bOK"], "&OK");
  EXPECT_EQ(Captions(Assigned.Out)["bSave"], "Sa&ve");
  EXPECT_EQ(Captions(AssignedBuiltin.Out)["bOK"], "O&K");
  EXPECT_EQ(Captions(AssignedBuiltin.Out)["bSave"], "&Save");
}

TEST_P(KeyloomStoreCliTest, AnEmptiedListIsEmptyForTheCommandToo) {
  Host->Open(Path);
  TKeyloom* K = Drop();
  ASSERT_NE(K, nullptr);
  K->GetNoCaptionClasses()->Clear();
  Host->Save();
  const TRun Stored = Run("tree " + Quoted(Path));
  const TRun Given = Run("tree --no-caption-classes '' " + Quoted(Copy));
  const TRun Builtin = Run("tree " + Quoted(Copy));
  ASSERT_EQ(Stored.Code, 0) << Stored.Err;
  EXPECT_EQ(Stored.Out, Given.Out);
  EXPECT_NE(Stored.Out, Builtin.Out);
}

INSTANTIATE_TEST_SUITE_P(Styles, KeyloomStoreCliTest,
                         ::testing::Values(TFileStyle{"main.dfm", "\r\n", false}, TFileStyle{"main.lfm", "\n", true}),
                         [](const auto& Info) { return std::string(Info.param.Lazarus ? "Lfm" : "Dfm"); });

#endif

INSTANTIATE_TEST_SUITE_P(Styles, KeyloomStoreTest,
                         ::testing::Values(TFileStyle{"main.dfm", "\r\n", false}, TFileStyle{"main.lfm", "\n", true}),
                         [](const auto& Info) { return std::string(Info.param.Lazarus ? "Lfm" : "Dfm"); });

}  // namespace
}  // namespace keyloom

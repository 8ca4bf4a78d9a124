// End-to-end tests: the built keyloom command on copies of the example forms.

#include <gtest/gtest.h>

#include "support/command_folder.hpp"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef KEYLOOM_CLI_PATH

namespace {

namespace fs = std::filesystem;

using keyloom::test::ReadFile;
using keyloom::test::TRun;

void WriteFile(const fs::path& Path, const std::string& Bytes) { std::ofstream(Path, std::ios::binary) << Bytes; }

std::string Replaced(std::string Text, const std::vector<std::pair<std::string, std::string>>& Edits) {
  for (const auto& [From, To] : Edits) {
    const std::size_t At = Text.find(From);
    EXPECT_NE(At, std::string::npos) << From;
    if (At != std::string::npos) Text.replace(At, From.size(), To);
  }
  return Text;
}

std::size_t CountLines(const std::string& Text) { return static_cast<std::size_t>(std::count(Text.begin(), Text.end(), '\n')); }

class KeyloomCliTest : public keyloom::test::TCommandFolderTest {
 protected:
  void SetUp() override {
    TCommandFolderTest::SetUp();
    for (const char* Name : {"typical.dfm", "dialog.lfm", "stored.dfm", "inactive.dfm", "thirdparty.dfm"})
      fs::copy_file(Examples() / Name, FWork / Name);
  }

  static fs::path Examples() { return fs::path(KEYLOOM_SOURCE_DIR) / "examples" / "forms"; }

  static std::string Example(const char* Name) { return ReadFile(Examples() / Name); }

  // Sets a file's modification time far into the past, so that any write shows.
  void Age(const char* Name) const {
    fs::last_write_time(FWork / Name, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
  }
  fs::file_time_type MTime(const char* Name) const { return fs::last_write_time(FWork / Name); }

  static std::string TypicalAssigned() {
    return Replaced(Example("typical.dfm"), {{"Caption = 'OK'\r\n", "Caption = '&OK'\r\n"},
                                             {"Caption = 'Open'\r\n", "Caption = 'O&pen'\r\n"},
                                             {"Caption = 'File'\r\n", "Caption = '&File'\r\n"},
                                             {"Caption = 'Exit'\r\n", "Caption = 'E&xit'\r\n"}});
  }
};

TEST_F(KeyloomCliTest, AssignChangesOnlyCaptionBytesAndASecondRunTouchesNothing) {
  Age("typical.dfm");
  const auto Before = MTime("typical.dfm");
  const TRun First = Run("assign typical.dfm");
  ASSERT_EQ(First.Code, 0) << First.Err;
  EXPECT_EQ(Work("typical.dfm"), TypicalAssigned());
  EXPECT_NE(MTime("typical.dfm"), Before);
  EXPECT_NE(First.Err.find("1 file read, 1 changed, 4 captions given a letter, 0 errors"), std::string::npos)
      << First.Err;
  EXPECT_EQ(First.Out, "");

  Age("typical.dfm");
  const auto Aged = MTime("typical.dfm");
  const TRun Second = Run("assign typical.dfm");
  ASSERT_EQ(Second.Code, 0) << Second.Err;
  EXPECT_EQ(MTime("typical.dfm"), Aged);
  EXPECT_EQ(Work("typical.dfm"), TypicalAssigned());
  EXPECT_NE(Second.Err.find("0 changed"), std::string::npos);
}

TEST_F(KeyloomCliTest, DryRunPrintsAUnifiedDiffAndWritesNothing) {
  Age("typical.dfm");
  const auto Before = MTime("typical.dfm");
  const TRun R = Run("assign --dry-run typical.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out.rfind("--- a/typical.dfm\t\n+++ b/typical.dfm\t\n@@ -18,7 +18,7 @@\n", 0), 0u) << R.Out;
  EXPECT_NE(R.Out.find("\n-      Caption = 'OK'\r\n+      Caption = '&OK'\r\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("\n-      Caption = 'Exit'\r\n+      Caption = 'E&xit'\r\n"), std::string::npos);
  EXPECT_EQ(Work("typical.dfm"), Example("typical.dfm"));
  EXPECT_EQ(MTime("typical.dfm"), Before);
  // Nothing to change: no diff at all.
  Run("assign typical.dfm");
  EXPECT_EQ(Run("assign --dry-run typical.dfm").Out, "");
}

TEST_F(KeyloomCliTest, StdoutWritesTheResultAndLeavesTheFile) {
  const TRun R = Run("assign --stdout typical.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out, TypicalAssigned());
  EXPECT_EQ(Work("typical.dfm"), Example("typical.dfm"));
  EXPECT_EQ(Run("assign --stdout typical.dfm dialog.lfm").Code, 2);
  EXPECT_EQ(Run("assign --stdout --dry-run typical.dfm").Code, 2);
}

TEST_F(KeyloomCliTest, CheckExitsWithOneOnProblemsAndZeroWhenClean) {
  const TRun Text = Run("check typical.dfm");
  EXPECT_EQ(Text.Code, 1);
  EXPECT_EQ(Text.Out,
            "typical.dfm:21:17: 'OK' (TButton Button1) has no accelerator; assign would make it '&OK'\n"
            "typical.dfm:29:17: 'Open' (TButton Button2) has no accelerator; assign would make it 'O&pen'\n"
            "typical.dfm:37:17: 'File' (TMenuItem File1) has no accelerator; assign would make it '&File'\n"
            "typical.dfm:40:17: 'Exit' (TMenuItem Exit1) has no accelerator; assign would make it 'E&xit'\n");

  const TRun Json = Run("check --format json typical.dfm");
  EXPECT_EQ(Json.Code, 1);
  ASSERT_EQ(CountLines(Json.Out), 4u) << Json.Out;
  EXPECT_EQ(Json.Out.substr(0, Json.Out.find('\n')),
            R"({"file":"typical.dfm","line":21,"column":17,"kind":"missing","caption":"OK","class":"TButton",)"
            R"("name":"Button1","suggestion":"&OK","message":"'OK' (TButton Button1) has no accelerator; )"
            R"(assign would make it '&OK'"})");

  ASSERT_EQ(Run("assign typical.dfm").Code, 0);
  const TRun Clean = Run("check typical.dfm");
  EXPECT_EQ(Clean.Code, 0) << Clean.Out;
  EXPECT_EQ(Clean.Out, "");
}

TEST_F(KeyloomCliTest, CheckReportsClashesThatAssignCannotMend) {
  ASSERT_EQ(Run("assign dialog.lfm").Code, 0);
  const TRun R = Run("check dialog.lfm");
  EXPECT_EQ(R.Code, 1);
  EXPECT_EQ(R.Out,
            "dialog.lfm:51:17: accelerator 's' of 'Show &status bar' (TCheckBox cbStatus) is also used by "
            "'&Save on exit' (TCheckBox cbSave)\n");
  const TRun Json = Run("check --format json dialog.lfm");
  EXPECT_NE(Json.Out.find(R"("kind":"clash")"), std::string::npos);
  EXPECT_NE(Json.Out.find(R"("accelerator":"s","inherited":false,"other":{"caption":"&Save on exit",)"
                          R"("class":"TCheckBox","name":"cbSave","line":59,"column":17})"),
            std::string::npos)
      << Json.Out;
  // As CI shows it: the caption's whole span, the other caption as the related location.
  const TRun Github = Run("check --format github dialog.lfm");
  EXPECT_EQ(Github.Code, 1);
  EXPECT_EQ(Github.Out,
            "::error file=dialog.lfm,line=51,col=17,endColumn=35,title=accelerator-clash::accelerator 's' of "
            "'Show &status bar' (TCheckBox cbStatus) is also used by '&Save on exit' (TCheckBox cbSave)\n");
  const TRun Sarif = Run("check --format sarif dialog.lfm");
  EXPECT_EQ(Sarif.Code, 1);
  const auto Log = nlohmann::json::parse(Sarif.Out);
  EXPECT_EQ(Log["version"], "2.1.0");
  ASSERT_EQ(Log["runs"].size(), 1u);
  const auto& Results = Log["runs"][0]["results"];
  ASSERT_EQ(Results.size(), 1u) << Sarif.Out;
  EXPECT_EQ(Results[0]["ruleId"], "accelerator-clash");
  EXPECT_EQ(Log["runs"][0]["tool"]["driver"]["rules"][Results[0]["ruleIndex"].get<std::size_t>()]["id"],
            "accelerator-clash");
  EXPECT_EQ(Results[0]["locations"][0]["physicalLocation"]["region"],
            nlohmann::json::parse(R"({"startLine":51,"startColumn":17,"endLine":51,"endColumn":35})"));
  EXPECT_EQ(Results[0]["relatedLocations"][0]["physicalLocation"]["artifactLocation"]["uri"], "dialog.lfm");
  EXPECT_EQ(Results[0]["relatedLocations"][0]["physicalLocation"]["region"],
            nlohmann::json::parse(R"({"startLine":59,"startColumn":17,"endLine":59,"endColumn":32})"));
}

TEST_F(KeyloomCliTest, AnInheritedFormRunsInItsWholeWindowAndOnlyItsOwnFileIsWritten) {
  fs::create_directories(FWork / "base");
  fs::create_directories(FWork / "app");
  WriteFile(FWork / "base/ubase.lfm",
            "object FormBase: TFormBase\n  object Panel1: TPanel\n    object Button1: TButton\n"
            "      Caption = 'Save'\n    end\n  end\nend\n");
  const std::string Derived = "inherited FormFoo: TFormFoo\n  inherited Panel1: TPanel\n    object Button3: TButton\n"
                              "      Caption = 'Search'\n    end\n  end\nend\n";
  WriteFile(FWork / "app/ufoo.lfm", Derived);
  WriteFile(FWork / "app/ufoo.pas", "unit ufoo;\ninterface\ntype\n  TFormFoo = class(TFormBase) end;\nend.\n");

  // Without the base folder the ancestor is not found: a warning, or with --strict an error.
  TRun Alone = Run("check app/ufoo.lfm");
  EXPECT_EQ(Alone.Code, 1);
  EXPECT_NE(Alone.Err.find("app/ufoo.lfm: warning: no form file declares TFormBase, the ancestor of TFormFoo (looked in app)"),
            std::string::npos)
      << Alone.Err;
  EXPECT_EQ(Run("check --strict app/ufoo.lfm").Code, 2);

  // Named first, the derived form still runs after its ancestor and avoids the ancestor's letter.
  ASSERT_EQ(Run("assign -j 2 --search-path base app/ufoo.lfm base/ubase.lfm").Code, 0);
  EXPECT_NE(Work("base/ubase.lfm").find("Caption = '&Save'"), std::string::npos);
  EXPECT_EQ(Work("app/ufoo.lfm"), Replaced(Derived, {{"'Search'", "'S&earch'"}}));
  EXPECT_EQ(Run("tree --search-path base app/ufoo.lfm").Out,
            "Panel1 (TPanel Panel1) [from base/ubase.lfm]\n  &Save (TButton Button1) [from base/ubase.lfm]\n"
            "  S&earch (TButton Button3)\n");

  WriteFile(FWork / "app/ufoo.lfm", Replaced(Derived, {{"'Search'", "'&Search'"}}));
  const TRun Clash = Run("check --search-path base app/ufoo.lfm");
  EXPECT_EQ(Clash.Code, 1);
  EXPECT_EQ(Clash.Out,
            "app/ufoo.lfm:4:17: accelerator 'S' of '&Search' (TButton Button3) clashes with '&Save' (TButton Button1) "
            "inherited from base/ubase.lfm:4:17\n");

  // A frame's controls show in the window: the window scope sees them.
  WriteFile(FWork / "base/uframe.lfm", "object FrameX: TFrameX\n  object btnFind: TButton\n    Caption = '&Find'\n  end\nend\n");
  WriteFile(FWork / "app/ubar.lfm", "object FormBar: TFormBar\n  object btnFile: TButton\n    Caption = '&File'\n  end\n"
                                    "  inline Frame1: TFrameX\n  end\nend\n");
  EXPECT_EQ(Run("check --scope window --search-path base app/ubar.lfm").Out,
            "app/ubar.lfm:3:15: accelerator 'F' of '&File' (TButton btnFile) clashes with '&Find' (TButton btnFind) "
            "inherited from base/uframe.lfm:3:15\n");
}

TEST_F(KeyloomCliTest, TreeShowsTheCaptionTreeBeforeAndAfterFinding) {
  const TRun Plain = Run("tree typical.dfm");
  ASSERT_EQ(Plain.Code, 0) << Plain.Err;
  EXPECT_EQ(Plain.Out,
            "Panel1 (TPanel Panel1)\n"
            "  OK (TButton Button1)\n"
            "  Open (TButton Button2)\n"
            "MainMenu1 (TMainMenu MainMenu1)\n"
            "  Exit (TMenuItem Exit1)\n"
            "  File (TMenuItem File1)\n");
  const TRun Found = Run("tree --find typical.dfm");
  EXPECT_EQ(Found.Out,
            "Panel1 (TPanel Panel1)\n"
            "  &OK (TButton Button1)\n"
            "  O&pen (TButton Button2)\n"
            "MainMenu1 (TMainMenu MainMenu1)\n"
            "  E&xit (TMenuItem Exit1)\n"
            "  &File (TMenuItem File1)\n");
  EXPECT_EQ(Work("typical.dfm"), Example("typical.dfm"));

  const TRun Json = Run("tree --find --format json dialog.lfm");
  ASSERT_EQ(Json.Code, 0) << Json.Err;
  EXPECT_EQ(Json.Out.rfind(R"({"file":"dialog.lfm","settings":"options","found":true,"nodes":[)", 0), 0u);
  EXPECT_NE(Json.Out.find(R"({"text":"Recent &files","class":"TMenuItem","name":"miRecent","line":116,)"
                          R"("column":17,"children":[{"text":"&Copy",)"),
            std::string::npos)
      << Json.Out;
  EXPECT_NE(Json.Out.find(R"({"text":"&Inches","class":"TRadioGroup","name":"rgUnits","item":1,"line":76,)"),
            std::string::npos);
  // Balanced nesting, one line.
  EXPECT_EQ(std::count(Json.Out.begin(), Json.Out.end(), '{'), std::count(Json.Out.begin(), Json.Out.end(), '}'));
  EXPECT_EQ(std::count(Json.Out.begin(), Json.Out.end(), '['), std::count(Json.Out.begin(), Json.Out.end(), ']'));
  EXPECT_EQ(CountLines(Json.Out), 1u);
  EXPECT_EQ(Run("tree typical.dfm dialog.lfm").Code, 2);
}

TEST_F(KeyloomCliTest, AFileThatCannotBeParsedIsReportedAndTheOthersAreStillWritten) {
  const std::string Broken = "object Form1: TForm\r\n  object Button1: TButton\r\n    Caption = 'Open\r\n  end\r\nend\r\n";
  WriteFile(FWork / "broken.dfm", Broken);
  const TRun R = Run("assign broken.dfm typical.dfm missing.dfm");
  EXPECT_EQ(R.Code, 2);
  EXPECT_NE(R.Err.find("broken.dfm:3:15: error: "), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("missing.dfm: error: cannot read: "), std::string::npos) << R.Err;
  EXPECT_EQ(ReadFile(FWork / "broken.dfm"), Broken);
  EXPECT_EQ(Work("typical.dfm"), TypicalAssigned());
  EXPECT_NE(R.Err.find("1 file read, 1 changed, 4 captions given a letter, 2 errors"), std::string::npos) << R.Err;
}

// Results are written in large pieces; a message on standard error still
// comes after the results of the files before it and before those after it.
TEST_F(KeyloomCliTest, MessagesKeepTheirPlaceAmongTheResultsWhenBothGoToOneFile) {
  WriteFile(FWork / "broken.dfm", "object Form1: TForm\r\n  Caption = 'Open\r\nend\r\n");
  for (const char* Jobs : {"1", "2"}) {
    SCOPED_TRACE(Jobs);
    const std::string Merged =
        Run(std::string("check -j ") + Jobs + " typical.dfm broken.dfm dialog.lfm 2>&1 | cat").Out;
    const std::size_t LastTypical = Merged.rfind("typical.dfm:");
    const std::size_t Error = Merged.find("broken.dfm:2:");
    const std::size_t FirstDialog = Merged.find("dialog.lfm:");
    const std::size_t Summary = Merged.find("keyloom check: 3 files read");
    ASSERT_NE(LastTypical, std::string::npos) << Merged;
    ASSERT_NE(Error, std::string::npos) << Merged;
    ASSERT_NE(FirstDialog, std::string::npos) << Merged;
    EXPECT_LT(LastTypical, Error) << Merged;
    EXPECT_LT(Error, FirstDialog) << Merged;
    EXPECT_LT(Merged.rfind("dialog.lfm:"), Summary) << Merged;
  }
}

// Results lost to a full disk end in failure, whichever way the command prints them.
TEST_F(KeyloomCliTest, OutputThatCannotBeWrittenIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  for (const char* Args : {"check typical.dfm", "check --format json -j 2 typical.dfm dialog.lfm",
                           "check --format sarif typical.dfm",
                           "assign --stdout typical.dfm", "tree --find typical.dfm", "stats typical.dfm"}) {
    SCOPED_TRACE(Args);
    const TRun Full = RunOutTo("/dev/full", Args);
    EXPECT_EQ(Full.Code, 2);
    EXPECT_NE(Full.Err.find("keyloom: error: cannot write standard output"), std::string::npos) << Full.Err;
  }
  EXPECT_EQ(Work("typical.dfm"), Example("typical.dfm"));
}

TEST_F(KeyloomCliTest, BinaryFormsAreAssignedAsBinaryAndBrokenOnesLeftAlone) {
  // object Form1: TForm1 / object B: TButton / Caption = 'OK' / end / end, behind a resource header.
  const auto Form = [](std::string_view Caption) {
    const std::string Stream = std::string("TPF0\x06TForm1\x05" "Form1\x00\x07TButton\x01" "B\x07" "Caption\x06", 37) +
                               static_cast<char>(Caption.size()) + std::string(Caption) + std::string(3, '\0');
    return std::string("\xFF\x0A\x00TFORM1\x00\x30\x10", 12) + static_cast<char>(Stream.size()) +
           std::string(3, '\0') + Stream;
  };
  WriteFile(FWork / "binary.dfm", Form("OK"));
  const TRun Tree = Run("tree binary.dfm");
  EXPECT_EQ(Tree.Out, "OK (TButton B)\n");
  const TRun Check = Run("check binary.dfm");
  EXPECT_EQ(Check.Code, 1);
  EXPECT_NE(Check.Out.find("binary.dfm:byte 52: 'OK' (TButton B) has no accelerator"), std::string::npos) << Check.Out;
  const TRun Dry = Run("assign --dry-run binary.dfm");
  EXPECT_NE(Dry.Out.find("--- a/binary.dfm (text rendering of a binary form)"), std::string::npos) << Dry.Out;
  EXPECT_NE(Dry.Out.find("\n-    Caption = 'OK'\n+    Caption = '&OK'\n"), std::string::npos) << Dry.Out;
  EXPECT_EQ(Run("assign binary.dfm").Code, 0);
  EXPECT_EQ(ReadFile(FWork / "binary.dfm"), Form("&OK"));
  EXPECT_EQ(Run("convert --to text binary.dfm").Code, 0);
  EXPECT_EQ(ReadFile(FWork / "binary.dfm"), "object Form1: TForm1\n  object B: TButton\n    Caption = '&OK'\n  end\nend\n");
  EXPECT_EQ(Run("convert --to binary binary.dfm").Code, 0);
  EXPECT_EQ(ReadFile(FWork / "binary.dfm"), Form("&OK"));

  const std::string Truncated = Form("OK").substr(0, 40);
  WriteFile(FWork / "binary.dfm", Truncated);
  for (const char* Command : {"assign binary.dfm", "check binary.dfm", "tree binary.dfm"}) {
    const TRun R = Run(Command);
    EXPECT_EQ(R.Code, 2) << Command;
    EXPECT_NE(R.Err.find("binary.dfm: error: byte 12: the resource's size"), std::string::npos) << R.Err;
  }
  EXPECT_EQ(ReadFile(FWork / "binary.dfm"), Truncated);
}

TEST_F(KeyloomCliTest, AssignKeepsPermissionsAndWritesThroughSymbolicLinks) {
  ASSERT_EQ(::chmod((FWork / "typical.dfm").c_str(), 0604), 0);
  fs::create_symlink("dialog.lfm", FWork / "link.lfm");
  const TRun R = Run("assign typical.dfm link.lfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  struct stat Info {};
  ASSERT_EQ(::stat((FWork / "typical.dfm").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0604u);
  EXPECT_TRUE(fs::is_symlink(FWork / "link.lfm"));
  EXPECT_NE(Work("dialog.lfm"), Example("dialog.lfm"));
  EXPECT_EQ(Work("dialog.lfm").find("\r"), std::string::npos);  // LF stays LF
}

TEST_F(KeyloomCliTest, StoredComponentSettingsWinAndAnInactiveOneChangesNothing) {
  Age("inactive.dfm");
  const auto Before = MTime("inactive.dfm");
  const TRun Inactive = Run("assign inactive.dfm");
  EXPECT_EQ(Inactive.Code, 0) << Inactive.Err;
  EXPECT_EQ(Work("inactive.dfm"), Example("inactive.dfm"));
  EXPECT_EQ(MTime("inactive.dfm"), Before);
  EXPECT_NE(Inactive.Err.find("inactive.dfm: note: the form's TKeyloom is not active"), std::string::npos);
  // Only the clash counts there: nothing is missing on a form that never gets letters.
  const TRun Check = Run("check inactive.dfm");
  EXPECT_EQ(Check.Code, 1);
  EXPECT_EQ(CountLines(Check.Out), 1u) << Check.Out;
  EXPECT_NE(Check.Out.find("inactive.dfm:27:15: accelerator 'S' of '&Stop'"), std::string::npos) << Check.Out;

  // The stored sort (by caption) and default captions ('&Close') apply, whatever the command line says.
  const TRun Stored = Run("assign --sort nothing --default-captions '' stored.dfm");
  ASSERT_EQ(Stored.Code, 0) << Stored.Err;
  EXPECT_NE(Stored.Err.find("stored.dfm: note: the form holds its own TKeyloom"), std::string::npos);
  EXPECT_EQ(Work("stored.dfm"), Replaced(Example("stored.dfm"), {{"'File'", "'F&ile'"},
                                                                  {"'New'", "'&New'"},
                                                                  {"'Close'", "'&Close'"},
                                                                  {"'Exit'", "'E&xit'"},
                                                                  {"'Edit'", "'&Edit'"},
                                                                  {"'Find'", "'&Find'"},
                                                                  {"'Find and replace'", "'Find &and replace'"}}));
}

TEST_F(KeyloomCliTest, ClassMapMakesAnUnknownClassTakePart) {
  const TRun Without = Run("assign --stdout thirdparty.dfm");
  EXPECT_NE(Without.Out.find("Caption = 'Print'"), std::string::npos);
  EXPECT_NE(Without.Err.find("3 objects of unknown classes (TMyButton, TMyPanel, TcxButton)"), std::string::npos)
      << Without.Err;
  const TRun With = Run("assign --stdout --class-map TMyButton=TButton thirdparty.dfm");
  ASSERT_EQ(With.Code, 0) << With.Err;
  EXPECT_NE(With.Out.find("Caption = '&Print'"), std::string::npos) << With.Out;
  EXPECT_NE(With.Out.find("Caption = 'P&review'"), std::string::npos);
  EXPECT_NE(With.Out.find("Caption = 'Save'"), std::string::npos);
  const TRun One = Run("assign --stdout --class-map TMyButton=TButton --class-map TMyPanel=TPanel thirdparty.dfm");
  EXPECT_NE(One.Err.find(", 1 object of an unknown class (TcxButton)"), std::string::npos) << One.Err;

  EXPECT_EQ(Run("assign --class-map TMyButton thirdparty.dfm").Code, 2);
  const TRun Unknown = Run("assign --class-map TMyButton=TNoSuchClass thirdparty.dfm");
  EXPECT_EQ(Unknown.Code, 2);
  EXPECT_NE(Unknown.Err.find("TNoSuchClass"), std::string::npos);
  EXPECT_EQ(Work("thirdparty.dfm"), Example("thirdparty.dfm"));
}

TEST_F(KeyloomCliTest, ShippedClassMapUserMapsAndTheHint) {
  WriteFile(FWork / "jv.dfm",
            "object Form1: TForm1\n"
            "  object Popup1: TJvPopupMenu\n"
            "    object Find1: TMenuItem\n"
            "      Caption = 'Find'\n"
            "    end\n"
            "  end\n"
            "  object Box1: TCheckBox\n"
            "    Caption = 'Find'\n"
            "  end\n"
            "  object Box2: TJvCheckBox\n"
            "    Caption = 'Zoom'\n"
            "  end\n"
            "  object Total1: TQRLabel\n"
            "    Caption = 'Total'\n"
            "  end\n"
            "end\n");
  WriteFile(FWork / "maps.txt", "# ours\nTJvPopupMenu = TMainMenu   # top row beside the form's captions\n");
  WriteFile(FWork / "bad.txt", "TJvLabel=TLabel\nTJvX\n");
  const auto Count = [](const std::string& Text, const std::string& What) {
    std::size_t N = 0;
    for (std::size_t At = Text.find(What); At != std::string::npos; At = Text.find(What, At + 1)) ++N;
    return N;
  };
  const struct {
    const char* Options;
    std::size_t FirstLetter;  // captions 'Find' that get '&Find'
    bool ZoomTakesPart;
  } Cases[] = {
      {"", 2, true},  // the popup menu's items start afresh
      {"--no-builtin-class-map", 1, false},
      {"--class-map-file maps.txt", 1, true},
      {"--class-map TJvPopupMenu=TPopupMenu --class-map-file maps.txt", 2, true},
  };
  for (const auto& C : Cases) {
    const TRun R = Run(std::string("assign --stdout ") + C.Options + " jv.dfm");
    ASSERT_EQ(R.Code, 0) << C.Options << R.Err;
    EXPECT_EQ(Count(R.Out, "'&Find'"), C.FirstLetter) << C.Options << R.Out;
    EXPECT_EQ(R.Out.find("'&Zoom'") != std::string::npos, C.ZoomTakesPart) << C.Options;
  }
  const TRun Hinted = Run("check --no-builtin-class-map jv.dfm");
  EXPECT_NE(Hinted.Err.find("hint: 3 objects of unknown classes show captions or hold menu items that take no part "
                            "(TJvCheckBox 1, TJvPopupMenu 1, TQRLabel 1); map each class"),
            std::string::npos)
      << Hinted.Err;
  EXPECT_EQ(Run("check jv.dfm").Err.find("hint:"), std::string::npos);
  // A report's label prints; it shows in no window and is not counted.
  EXPECT_NE(Run("stats --participation jv.dfm").Out.find("participation: 3 of 3 captions take part"), std::string::npos);
  const TRun Bad = Run("check --class-map-file bad.txt jv.dfm");
  EXPECT_EQ(Bad.Code, 2);
  EXPECT_NE(Bad.Err.find("bad.txt:2: expected FROM=TO"), std::string::npos) << Bad.Err;
}

TEST_F(KeyloomCliTest, ActionsGiveTheirCaptionAndTakeTheLetterOnce) {
  const std::string Form =
      "object Form1: TForm1\n"
      "  object Panel1: TPanel\n"
      "    object btnSave: TButton\n"
      "      Action = actSave\n"
      "    end\n"
      "    object btnSaveToo: TButton\n"
      "      Action = actSave\n"
      "    end\n"
      "    object btnOpen: TButton\n"
      "      Action = actOpen\n"
      "      Caption = 'Load'\n"
      "    end\n"
      "  end\n"
      "  object MainMenu1: TMainMenu\n"
      "    object File1: TMenuItem\n"
      "      Caption = 'File'\n"
      "      object Save1: TMenuItem\n"
      "        Action = actSave\n"
      "      end\n"
      "      object Settings1: TMenuItem\n"
      "        Caption = 'Settings'\n"
      "      end\n"
      "      object Other1: TMenuItem\n"
      "        Action = DataModule1.actOther\n"
      "      end\n"
      "    end\n"
      "  end\n"
      "  object ActionList1: TJvActionList\n"
      "    object actSave: TAction\n"
      "      Caption = 'Save'\n"
      "    end\n"
      "    object actOpen: TJvAction\n"
      "      Caption = 'Open'\n"
      "    end\n"
      "  end\n"
      "end\n";
  WriteFile(FWork / "actions.dfm", Form);
  const auto Count = [](const std::string& Text, const std::string& What) {
    std::size_t N = 0;
    for (std::size_t At = Text.find(What); At != std::string::npos; At = Text.find(What, At + 1)) ++N;
    return N;
  };
  for (const char* Options : {"", "--scope window --strategy best", "--reassign --sort nothing"}) {
    const TRun R = Run(std::string("assign --stdout ") + Options + " actions.dfm");
    ASSERT_EQ(R.Code, 0) << Options << R.Err;
    // Three controls show actSave: its caption takes one letter, written once, in the action.
    EXPECT_EQ(Count(R.Out, "Caption = "), Count(Form, "Caption = ")) << Options << R.Out;
    EXPECT_EQ(Count(R.Out, "'&Save'"), 1u) << Options << R.Out;
    EXPECT_NE(R.Out.find("      Caption = '&Save'\n    end\n    object actOpen"), std::string::npos) << Options;
    // The submenu finds S taken where the action got it first.
    EXPECT_EQ(R.Out.find("'&Settings'"), std::string::npos) << Options << R.Out;
    // A control that stores its own caption shows that one; the action's is shown nowhere.
    EXPECT_NE(R.Out.find("'&Load'"), std::string::npos) << Options << R.Out;
    EXPECT_NE(R.Out.find("Caption = 'Open'"), std::string::npos) << Options << R.Out;
  }
  const TRun Tree = Run("tree actions.dfm");
  EXPECT_NE(Tree.Out.find("  Save (TButton btnSave, from action actSave)\n"), std::string::npos) << Tree.Out;
  EXPECT_NE(Tree.Out.find("  Load (TButton btnOpen)\n"), std::string::npos) << Tree.Out;
  const TRun Check = Run("check actions.dfm");
  EXPECT_EQ(Check.Code, 1);
  EXPECT_EQ(Count(Check.Out, "from action actSave"), 1u) << Check.Out;
  EXPECT_NE(Check.Out.find("actions.dfm:30:17: 'Save' (TButton btnSave, from action actSave) has no accelerator"),
            std::string::npos)
      << Check.Out;
  EXPECT_EQ(Check.Out.find("clash"), std::string::npos) << Check.Out;
  // A letter appended to a caption without Latin letters is shared all the same.
  const std::string Cyrillic = Replaced(Form, {{"Caption = 'Save'", "Caption = '\xD0\xA1\xD0\xBE\xD1\x85\xD1\x80'"}});
  WriteFile(FWork / "cyrillic.dfm", Cyrillic);
  const TRun Appended = Run("assign --stdout --non-latin append cyrillic.dfm");
  ASSERT_EQ(Appended.Code, 0) << Appended.Err;
  EXPECT_EQ(Count(Appended.Out, "Caption = "), Count(Form, "Caption = ")) << Appended.Out;
  EXPECT_EQ(Count(Appended.Out, " (&"), 1u) << Appended.Out;
  const TRun Stats = Run("stats --participation actions.dfm");
  EXPECT_NE(Stats.Out.find("participation: 6 of 6 captions take part (100.0%), 3 of them through an action"),
            std::string::npos)
      << Stats.Out;
  EXPECT_EQ(Work("actions.dfm"), Form);
  // Where the window has no letter left for an action, a submenu showing it
  // gives it none either: the letter would clash in the window.
  WriteFile(FWork / "twins.dfm",
            "object Form1: TForm1\n  object Panel1: TPanel\n"
            "  object cbRun: TCheckBox\n    Caption = '&Run'\n  end\n"
            "  object cbEdit: TCheckBox\n    Caption = '&Edit'\n  end\n"
            "  object cbStop: TCheckBox\n    Caption = '&Stop'\n  end\n"
            "  object cbTab: TCheckBox\n    Caption = '&Tab'\n  end\n  end\n"
            "  object btnReset: TButton\n    Action = actReset\n  end\n"
            "  object MainMenu1: TMainMenu\n    object miActions: TMenuItem\n      Caption = '&Actions'\n"
            "      object miReset: TMenuItem\n        Action = actReset\n      end\n    end\n  end\n"
            "  object ActionList1: TActionList\n    object actReset: TAction\n      Caption = 'Reset'\n"
            "    end\n  end\n"
            "end\n");
  ASSERT_EQ(Run("assign --scope window --strategy best twins.dfm").Code, 0);
  EXPECT_NE(Work("twins.dfm").find("Caption = 'Reset'"), std::string::npos) << Work("twins.dfm");
  EXPECT_EQ(Run("check --scope window twins.dfm").Out.find("also used"), std::string::npos);
}

TEST_F(KeyloomCliTest, ListOptionsReplaceTheirListAndAnEmptyValueEmptiesIt) {
  // Without caption classes the buttons have no place in the tree; menu items still do.
  const TRun R = Run("assign --stdout --caption-classes '' typical.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  EXPECT_NE(R.Out.find("Caption = 'OK'"), std::string::npos);
  EXPECT_NE(R.Out.find("Caption = '&File'"), std::string::npos);
  // The main menu is no longer a no-caption class: it has no node, and its items join the top group.
  const TRun Tree = Run("tree --find --no-caption-classes TPanel typical.dfm");
  EXPECT_EQ(Tree.Out,
            "E&xit (TMenuItem Exit1)\n&File (TMenuItem File1)\nPanel1 (TPanel Panel1)\n  &OK (TButton Button1)\n"
            "  O&pen (TButton Button2)\n");
  const TRun Defaults = Run("tree --find --default-captions 'Ex&it, &OK' typical.dfm");
  EXPECT_NE(Defaults.Out.find("  Ex&it (TMenuItem Exit1)"), std::string::npos) << Defaults.Out;
}

TEST_F(KeyloomCliTest, UserOptionsTakeTheListsTheEditorWindowKeeps) {
  const fs::path Store = FRoot / "config" / "keyloom" / "user.reg";
  fs::create_directories(Store.parent_path());
  // Buttons are no caption class for this user: they have no place in the tree.
  WriteFile(Store,
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Velquist\\Keyloom\\Captions]\r\n"
            "\"Count\"=dword:00000001\r\n\"String0\"=\"TCustomLabel\"\r\n\r\n");
  const std::string Env = "XDG_CONFIG_HOME='" + (FRoot / "config").string() + "' ";
  const TRun R = RunWith(Env, "tree --find --user-options typical.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  EXPECT_EQ(R.Out,
            "Panel1 (TPanel Panel1)\nMainMenu1 (TMainMenu MainMenu1)\n"
            "  E&xit (TMenuItem Exit1)\n  &File (TMenuItem File1)\n");
  // A damaged store reads as the defaults, is kept aside and is reported once.
  WriteFile(Store, "garbage\n");
  const TRun Damaged = RunWith(Env, "tree --find --user-options typical.dfm");
  ASSERT_EQ(Damaged.Code, 0) << Damaged.Err;
  EXPECT_NE(Damaged.Out.find("  &OK (TButton Button1)"), std::string::npos) << Damaged.Out;
  EXPECT_NE(Damaged.Err.find("could not be read"), std::string::npos) << Damaged.Err;
  const TRun Again = RunWith(Env, "tree --user-options typical.dfm");
  EXPECT_EQ(Again.Err.find("could not be read"), std::string::npos) << Again.Err;
}

TEST_F(KeyloomCliTest, ReassignAndSortChangeTheResult) {
  WriteFile(FWork / "marked.lfm",
            "object F: TForm\n  object B1: TButton\n    Caption = 'O&pen'\n  end\n"
            "  object B2: TButton\n    Caption = 'Options'\n  end\nend\n");
  EXPECT_NE(Run("tree --find marked.lfm").Out.find("&Options"), std::string::npos);
  const TRun Reassigned = Run("tree --find --reassign marked.lfm");
  EXPECT_NE(Reassigned.Out.find("&Open (TButton B1)"), std::string::npos) << Reassigned.Out;
  EXPECT_NE(Reassigned.Out.find("O&ptions (TButton B2)"), std::string::npos) << Reassigned.Out;
  const TRun ByLength = Run("tree --find --reassign --sort length marked.lfm");
  EXPECT_EQ(ByLength.Out, "&Open (TButton B1)\nO&ptions (TButton B2)\n");
  const TRun AsBuilt = Run("tree --sort nothing marked.lfm");
  EXPECT_EQ(AsBuilt.Out, "O&pen (TButton B1)\nOptions (TButton B2)\n");
}

TEST_F(KeyloomCliTest, OutputEscapesControlCharactersAndBytesThatAreNotUtf8) {
  // A single-byte code page caption (0xE9) with a tab and a quote in it.
  WriteFile(FWork / "bytes.dfm",
            "object F: TForm\r\n  object B1: TButton\r\n    Caption = 'Caf\xE9'#9'\"x'\r\n  end\r\nend\r\n");
  const TRun Json = Run("check --format json bytes.dfm");
  EXPECT_EQ(Json.Code, 1);
  EXPECT_NE(Json.Out.find(R"("caption":"Caf\u00E9\t\"x","class":"TButton")"), std::string::npos) << Json.Out;
  EXPECT_NE(Json.Out.find(R"("suggestion":"&Caf\u00E9\t\"x")"), std::string::npos) << Json.Out;
  const TRun Text = Run("tree bytes.dfm");
  EXPECT_EQ(Text.Out, "Caf\xE9\\t\"x (TButton B1)\n");
  const TRun Check = Run("check bytes.dfm");
  EXPECT_EQ(Check.Out, "bytes.dfm:3:15: 'Caf\xE9\\t\"x' (TButton B1) has no accelerator; assign would make it "
                       "'&Caf\xE9\\t\"x'\n");
}

TEST_F(KeyloomCliTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run("check --sort sideways typical.dfm").Code, 2);
  EXPECT_EQ(Run("check --format xml typical.dfm").Code, 2);
  EXPECT_EQ(Run("").Code, 2);
  EXPECT_EQ(Run("assign").Code, 2);
  EXPECT_EQ(Work("typical.dfm"), Example("typical.dfm"));
  const TRun Help = Run("check --help");
  EXPECT_EQ(Help.Code, 0);
  EXPECT_NE(Help.Out.find("EXIT STATUS"), std::string::npos);
}

TEST_F(KeyloomCliTest, QuietLeavesStandardErrorEmptyOnSuccess) {
  const TRun R = Run("assign -q typical.dfm stored.dfm");
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(R.Err, "");
}

// A window as shown in Russian and in Japanese: letters of the translation's
// own alphabet, the appended form for Japanese, a fuzzy entry left alone, and
// the catalogue otherwise kept byte for byte.
TEST_F(KeyloomCliTest, TranslatedWindowsAreCheckedAndAssignedInTheirCatalogues) {
  WriteFile(FWork / "win.lfm",
            "object Form1: TForm1\n  Caption = 'Files'\n  object btnOpen: TButton\n    Caption = '&Open'\n  end\n"
            "  object btnCancel: TButton\n    Caption = 'Cancel'\n  end\n  object btnHelp: TButton\n"
            "    Caption = '&Help'\n  end\nend\n");
  auto Catalogue = [](const char* Language, const char* Open, const char* Cancel) {
    return std::string("msgid \"\"\nmsgstr \"Language: ") + Language + "\\n\"\n\n#: tform1.btnopen.caption\n" +
           "msgid \"&Open\"\nmsgstr \"" + Open + "\"\n\n#: tform1.btncancel.caption\nmsgid \"Cancel\"\nmsgstr \"" +
           Cancel + "\"\n\n#, fuzzy\n#: tform1.btnhelp.caption\nmsgid \"&Help\"\nmsgstr \"Спр&авка\"\n";
  };
  struct TCase {
    const char* Language;
    const char* Open;
    const char* Cancel;
    const char* OpenAfter;
    const char* CancelAfter;
  };
  const TCase Cases[] = {{"ru", "Открыть", "Отмена", "&Открыть", "О&тмена"},
                         {"ja", "開く", "キャンセル", "開く (&B)", "キャンセル (&A)"}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Language);
    const std::string Po = std::string("app.") + C.Language + ".po";
    WriteFile(FWork / Po, Catalogue(C.Language, C.Open, C.Cancel));
    const TRun Check = Run("check --po " + Po + " win.lfm");
    EXPECT_EQ(Check.Code, 1);
    EXPECT_EQ(Check.Out, Po + ":6: '" + C.Open + "' (TForm1.btnOpen) has lost the accelerator of '&Open'; " +
                             "assign would make it '" + C.OpenAfter + "'\n" + Po + ":10: '" + C.Cancel +
                             "' (TForm1.btnCancel) has no accelerator; assign would make it '" + C.CancelAfter + "'\n");
    ASSERT_EQ(Run("assign --po " + Po + " win.lfm").Code, 0);
    EXPECT_EQ(ReadFile(FWork / Po), Catalogue(C.Language, C.OpenAfter, C.CancelAfter));
    EXPECT_EQ(Run("check --po " + Po + " win.lfm").Code, 0);
  }
  EXPECT_EQ(ReadFile(FWork / "win.lfm").find("'Cancel'") != std::string::npos, true);
  // An ancestor's captions show in the language too, by the ancestor's own entries.
  WriteFile(FWork / "base.lfm", "object Base: TBase\n  object btnClose: TButton\n    Caption = 'Close'\n  end\nend\n");
  WriteFile(FWork / "base.pas", "unit base;\ninterface\ntype\n  TBase = class(TForm)\n  end;\nend.\n");
  WriteFile(FWork / "derived.lfm",
            "inherited Derived: TDerived\n  object btnSend: TButton\n    Caption = 'Send'\n  end\nend\n");
  WriteFile(FWork / "derived.pas", "unit derived;\ninterface\ntype\n  TDerived = class(TBase)\n  end;\nend.\n");
  WriteFile(FWork / "base.de.po", "#: tbase.btnclose.caption\nmsgid \"Close\"\nmsgstr \"Schlie\xC3\x9F" "en\"\n\n"
                                  "#: tderived.btnsend.caption\nmsgid \"Send\"\nmsgstr \"Senden\"\n");
  const TRun Tree = Run("tree --po base.de.po derived.lfm");
  EXPECT_NE(Tree.Out.find("Schlie\xC3\x9F" "en (TButton btnClose) [from base.lfm]"), std::string::npos) << Tree.Out << Tree.Err;
  // The ancestor gets its letter first, whatever order the files are named in.
  ASSERT_EQ(Run("assign --po base.de.po derived.lfm base.lfm").Code, 0);
  EXPECT_NE(ReadFile(FWork / "base.de.po").find("msgstr \"&Schlie"), std::string::npos) << ReadFile(FWork / "base.de.po");
  EXPECT_EQ(Run("check --po base.de.po derived.lfm").Out.find("clashes"), std::string::npos);
}

}  // namespace

#endif  // KEYLOOM_CLI_PATH

// The command's key options and keyloom stats, end to end on forms written
// into a temporary folder.

#include <gtest/gtest.h>

#include "support/two_panels_form.hpp"

#include "support/command_folder.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifdef KEYLOOM_CLI_PATH

namespace {

namespace fs = std::filesystem;

using keyloom::test::ReadFile;
using keyloom::test::TRun;

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Out;
  std::istringstream In(Text);
  for (std::string Line; std::getline(In, Line);) Out.push_back(Line);
  return Out;
}

using keyloom::test::TwoPanels;

const char* const Marked =
    "object Form1: TForm\n"
    "  object Button1: TButton\n"
    "    Caption = '&Save'\n"
    "  end\n"
    "  object Button2: TButton\n"
    "    Caption = 'Sa&ve \"as\"'\n"
    "  end\n"
    "  object Button3: TButton\n"
    "    Caption = '...'\n"
    "  end\n"
    "end\n";

class KeyloomStatsCliTest : public keyloom::test::TCommandFolderTest {
 protected:
  void SetUp() override {
    TCommandFolderTest::SetUp();
    Write("panels.dfm", TwoPanels);
    Write("marked.dfm", Marked);
    Write("broken.dfm", "object Form1: TForm\n  object\n");
  }

  void Write(const char* Name, const std::string& Bytes) const {
    std::ofstream(FWork / Name, std::ios::binary) << Bytes;
  }
};

TEST_F(KeyloomStatsCliTest, BadOptionValuesExitWithTwoAndSaySo) {
  struct TCase {
    const char* Args;
    const char* Says;
  };
  for (const TCase& C : std::vector<TCase>{{"assign --scope galaxy panels.dfm", "--scope"},
                                           {"check --strategy fastest panels.dfm", "--strategy"},
                                           {"tree --non-latin maybe panels.dfm", "--non-latin"},
                                           {"stats --scope '' panels.dfm", "--scope"},
                                           {"assign --reserve Q1 panels.dfm", "not '1'"},
                                           {"assign --reserve 'Q Z' panels.dfm", "A-Z"},
                                           {"stats --reserve '&' panels.dfm", "not '&'"},
                                           {"assign --reserve \"$(printf '\\303\\251')\" panels.dfm", "not '\303\251'"},
                                           {"check --reserve \"Q$(printf '\\377')\" panels.dfm", "not byte 0xFF"},
                                           {"stats --json --format text panels.dfm", "--format"}}) {
    const TRun R = Run(C.Args);
    EXPECT_EQ(R.Code, 2) << C.Args;
    EXPECT_NE(R.Err.find(C.Says), std::string::npos) << C.Args << ": " << R.Err;
  }
  EXPECT_EQ(Work("panels.dfm"), TwoPanels);
}

TEST_F(KeyloomStatsCliTest, EveryPipelineCommandTakesTheOptions) {
  const std::string All = " --scope window --strategy best --reserve qZ --non-latin native ";
  EXPECT_EQ(Run("tree --find" + All + "panels.dfm").Code, 0);
  EXPECT_EQ(Run("check" + All + "marked.dfm").Code, 0);
  EXPECT_EQ(Run("stats" + All + "panels.dfm").Code, 0);
  const TRun Assign = Run("assign --dry-run" + All + "panels.dfm");
  EXPECT_EQ(Assign.Code, 0) << Assign.Err;
  EXPECT_EQ(Work("panels.dfm"), TwoPanels);
  const TRun Help = Run("assign --help");
  for (const char* Option : {"--scope", "--strategy", "--reserve", "--non-latin"})
    EXPECT_NE(Help.Out.find(Option), std::string::npos) << Option;
}

TEST_F(KeyloomStatsCliTest, OptionsReachTheRunOfEachCommand) {
  const TRun Plain = Run("assign --stdout panels.dfm");
  EXPECT_NE(Plain.Out.find("'&Options'"), std::string::npos) << Plain.Out;
  const TRun Window = Run("assign --stdout --scope window panels.dfm");
  EXPECT_NE(Window.Out.find("'&Open'"), std::string::npos) << Window.Out;
  EXPECT_NE(Window.Out.find("'O&ptions'"), std::string::npos) << Window.Out;
  const TRun Reserved = Run("assign --stdout --reserve O panels.dfm");
  EXPECT_NE(Reserved.Out.find("'O&pen'"), std::string::npos) << Reserved.Out;
  EXPECT_NE(Reserved.Out.find("'O&ptions'"), std::string::npos) << Reserved.Out;

  const TRun Tree = Run("tree --find --reserve o panels.dfm");
  EXPECT_NE(Tree.Out.find("O&pen (TButton Button1)"), std::string::npos) << Tree.Out;
  const TRun Check = Run("check --reserve o panels.dfm");
  EXPECT_EQ(Check.Code, 1);
  EXPECT_NE(Check.Out.find("'Open' (TButton Button1) has no accelerator; assign would make it 'O&pen'"),
            std::string::npos)
      << Check.Out;
}

TEST_F(KeyloomStatsCliTest, StoredComponentOptionsWinOverTheCommandLine) {
  Write("stored.dfm",
        "object Form1: TForm\n"
        "  object Keyloom1: TKeyloom\n"
        "    Scope = ksWindow\n"
        "  end\n"
        "end\n");
  const TRun R = Run("stats --json --scope siblings stored.dfm");
  EXPECT_EQ(R.Code, 0) << R.Err;
  EXPECT_NE(R.Err.find("stored.dfm: note: the form holds its own TKeyloom"), std::string::npos) << R.Err;
  EXPECT_NE(R.Out.find("\"settings\":\"stored\""), std::string::npos) << R.Out;

  // The panels with a stored window scope: assign ignores --scope siblings.
  std::string Panels = TwoPanels;
  Panels.replace(Panels.rfind("end\n"), 4, "  object Keyloom1: TKeyloom\n    Scope = ksWindow\n  end\nend\n");
  Write("panels.dfm", Panels);
  const TRun Assign = Run("assign --stdout --scope siblings panels.dfm");
  EXPECT_NE(Assign.Out.find("'O&ptions'"), std::string::npos) << Assign.Out;
  EXPECT_NE(Assign.Out.find("Scope = ksWindow"), std::string::npos) << Assign.Out;
}

TEST_F(KeyloomStatsCliTest, JsonLinesOneObjectAFileThenTheTotal) {
  const TRun R = Run("stats --format json --as-is marked.dfm panels.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  const std::vector<std::string> Out = Lines(R.Out);
  ASSERT_EQ(Out.size(), 3u) << R.Out;
  // Save and Sa&ve "as" share no letter; '...' has none. First letter: one of two.
  EXPECT_EQ(Out[0],
            "{\"kind\":\"file\",\"file\":\"marked.dfm\",\"settings\":\"options\",\"eligible\":2,\"covered\":2,"
            "\"coverage\":1.0000,\"clashes\":0,\"marked\":2,\"first_letters\":1,\"first_letter_share\":0.5000,"
            "\"maximum\":2,\"maximum_coverage\":1.0000,\"unproven\":0}");
  EXPECT_EQ(Out[1],
            "{\"kind\":\"file\",\"file\":\"panels.dfm\",\"settings\":\"options\",\"eligible\":2,\"covered\":0,"
            "\"coverage\":0.0000,\"clashes\":0,\"marked\":0,\"first_letters\":0,\"first_letter_share\":null,"
            "\"maximum\":2,\"maximum_coverage\":1.0000,\"unproven\":0}");
  EXPECT_EQ(Out[2],
            "{\"kind\":\"total\",\"files\":2,\"errors\":0,\"eligible\":4,\"covered\":2,\"coverage\":0.5000,"
            "\"clashes\":0,\"marked\":2,\"first_letters\":1,\"first_letter_share\":0.5000,\"maximum\":4,"
            "\"maximum_coverage\":1.0000,\"unproven\":0}");
}

TEST_F(KeyloomStatsCliTest, TheRunIsMeasuredButNothingIsWritten) {
  const TRun R = Run("stats --json panels.dfm");
  ASSERT_EQ(R.Code, 0) << R.Err;
  // Each panel on its own gives both captions O, which the window shows twice.
  EXPECT_NE(R.Out.find("\"eligible\":2,\"covered\":0,\"coverage\":0.0000,\"clashes\":1,\"marked\":2"),
            std::string::npos)
      << R.Out;
  EXPECT_EQ(Work("panels.dfm"), TwoPanels);
}

TEST_F(KeyloomStatsCliTest, FileNamesAreEscapedInJson) {
  Write("we\"ird\\name.dfm", Marked);
  const TRun R = Run("stats --json --as-is 'we\"ird\\name.dfm'");
  ASSERT_EQ(R.Code, 0) << R.Err;
  EXPECT_NE(R.Out.find("\"file\":\"we\\\"ird\\\\name.dfm\""), std::string::npos) << R.Out;
}

TEST_F(KeyloomStatsCliTest, TextTableAndFailuresThatAreSkipped) {
  const TRun R = Run("stats --as-is marked.dfm broken.dfm missing.dfm");
  EXPECT_EQ(R.Code, 0) << R.Err;
  const std::vector<std::string> Out = Lines(R.Out);
  ASSERT_EQ(Out.size(), 3u) << R.Out;
  EXPECT_EQ(Out[0], " eligible  covered coverage  clashes   marked first-letter  maximum max-coverage  file");
  EXPECT_EQ(Out[1], "        2        2   100.0%        0        2        50.0%        2       100.0%  marked.dfm");
  EXPECT_EQ(Out[2],
            "        2        2   100.0%        0        2        50.0%        2       100.0%  total (1 file, 2 errors)");
  EXPECT_NE(R.Err.find("broken.dfm:"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("missing.dfm: error: cannot read"), std::string::npos) << R.Err;

  // Nothing measured at all is a failure.
  const TRun None = Run("stats --json broken.dfm missing.dfm");
  EXPECT_EQ(None.Code, 2);
  EXPECT_EQ(Lines(None.Out).back(),
            "{\"kind\":\"total\",\"files\":0,\"errors\":2,\"eligible\":0,\"covered\":0,\"coverage\":null,"
            "\"clashes\":0,\"marked\":0,\"first_letters\":0,\"first_letter_share\":null,\"maximum\":0,"
            "\"maximum_coverage\":null,\"unproven\":0}");
}

}  // namespace

#endif  // KEYLOOM_CLI_PATH

// The command on many files: whatever the number of threads, it prints,
// writes and exits exactly as on one.

#include <gtest/gtest.h>

#include "support/command_folder.hpp"
#include "support/corpus_forms.hpp"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifdef KEYLOOM_CLI_PATH

namespace {

namespace fs = std::filesystem;

using keyloom::test::ReadFile;
using keyloom::test::TRun;

// A form of its own for each I: clashes, missing letters, classes the host
// does not know (one a container), a menu, and a stored TKeyloom now and then.
std::string GeneratedForm(int I) {
  static const char* const Words[] = {"Save", "Send", "Open", "Options", "Print", "Preview", "Close", "Copy", "Cut"};
  auto Word = [&](int K) { return std::string(Words[(I * 5 + K * 3) % 9]); };
  std::ostringstream S;
  S << "object Form" << I << ": TForm" << I % 6 << "\n  Caption = 'Window " << I << "'\n";
  if (I % 7 == 3)
    S << "  object Keys: TKeyloom\n    SortMethod = smCaption\n" << (I % 2 ? "    Active = False\n" : "") << "  end\n";
  for (int K = 0; K < 3 + I % 4; ++K) {
    const std::string Caption = (K == 0 && I % 3 == 0) ? "&" + Word(K) : Word(K);
    S << "  object Button" << K << ": TButton\n    Caption = '" << Caption << "'\n  end\n";
  }
  if (I % 2 == 0)
    S << "  object Box" << I << ": TFancyBox" << I % 4 << "\n    Caption = '&" << Word(1) << " box'\n"
      << "    Flat = " << (I % 4 ? "True" : "'flat'") << "\n"
      << "    object Inner" << I << ": TFancyButton\n      Caption = 'Go " << Word(2) << "'\n      Default = True\n"
      << "    end\n  end\n";
  S << "  object Menu1: TMainMenu\n    object File1: TMenuItem\n      Caption = '" << Word(4) << "'\n"
    << "      object Exit1: TMenuItem\n        Caption = 'Exit'\n      end\n    end\n  end\nend\n";
  return S.str();
}

class KeyloomJobsCliTest : public keyloom::test::TCommandFolderTest {
 protected:
  static constexpr int Generated = 60;

  void SetUp() override {
    TCommandFolderTest::SetUp();
    WriteForms();
  }

  // The generated forms, two malformed ones and one that cannot be read.
  void WriteForms() const {
    for (int I = 0; I < Generated; ++I) Write("form" + std::to_string(I) + ".dfm", GeneratedForm(I));
    Write("broken.dfm", "object Form1: TForm\n  object\n");
    Write("cut.lfm", GeneratedForm(5).substr(0, 120));
    fs::create_directories(FWork / "folder.dfm");
  }

  void Write(const std::string& Name, const std::string& Bytes) const {
    std::ofstream(FWork / Name, std::ios::binary) << Bytes;
  }

  // Local names, with the bad ones among them and a name that does not exist.
  static std::string LocalFiles() {
    std::string Files;
    for (int I = 0; I < Generated; ++I) {
      Files += " form" + std::to_string(I) + ".dfm";
      if (I == 10) Files += " broken.dfm missing.dfm";
      if (I == 30) Files += " folder.dfm cut.lfm";
    }
    return Files;
  }

  // Corpus files read where they are, every 25th.
  static std::string CorpusFiles() {
    std::string Files;
    for (const fs::path& Path : keyloom::test::CorpusForms(25)) {
      std::string Quoted = "'";
      for (const char C : Path.string()) Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
      Files += " " + Quoted + "'";
    }
    return Files;
  }

  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> Files;
    for (const auto& Entry : fs::directory_iterator(FWork))
      if (Entry.is_regular_file()) Files[Entry.path().filename().string()] = ReadFile(Entry.path());
    return Files;
  }

  // The same command on one thread and on four, with at least Lines lines to say.
  void ExpectSameOutput(const std::string& Command, const std::string& Files, std::ptrdiff_t Lines) const {
    SCOPED_TRACE(Command);
    const TRun One = Run(Command + " --jobs 1" + Files);
    const TRun Four = Run(Command + " --jobs 4" + Files);
    EXPECT_EQ(Four.Code, One.Code);
    EXPECT_EQ(Four.Out, One.Out);
    EXPECT_EQ(Four.Err, One.Err);
    // Many files with something to say, and errors among them.
    EXPECT_GE(std::count(One.Out.begin(), One.Out.end(), '\n'), Lines);
    EXPECT_NE(One.Err.find("error:"), std::string::npos);
  }
};

constexpr const char* PrintingCommands[] = {"check",
                                            "check --format json",
                                            "check --format sarif",
                                            "check --format github",
                                            "check --sort caption --scope window",
                                            "stats",
                                            "stats --format json --as-is",
                                            "assign --dry-run",
                                            "assign --dry-run --strategy best"};

TEST_F(KeyloomJobsCliTest, CheckAndStatsPrintTheSameOnFourThreadsAsOnOne) {
  for (const char* Command : PrintingCommands) ExpectSameOutput(Command, LocalFiles(), Generated);
}

TEST_F(KeyloomJobsCliTest, CheckAndStatsPrintTheSameOnFourThreadsAsOnOneWithTheCorpus) {
  const std::string Corpus = CorpusFiles();
  if (Corpus.empty()) GTEST_SKIP() << "no corpus at " << KEYLOOM_CORPUS_DIR;
  for (const char* Command : PrintingCommands) ExpectSameOutput(Command, LocalFiles() + Corpus, 100);
}

TEST_F(KeyloomJobsCliTest, AssignInPlaceWritesTheSameFilesOnFourThreadsAsOnOne) {
  const std::string Files = LocalFiles();
  const TRun One = Run("assign --jobs 1" + Files);
  const auto AfterOne = Contents();
  WriteForms();
  ASSERT_NE(Contents(), AfterOne);
  const TRun Four = Run("assign --jobs 4" + Files);
  EXPECT_EQ(Four.Code, One.Code);
  EXPECT_EQ(Four.Out, One.Out);
  EXPECT_EQ(Four.Err, One.Err);
  EXPECT_EQ(Contents(), AfterOne);
  EXPECT_EQ(One.Code, 2);
  EXPECT_NE(One.Err.find("error"), std::string::npos);
}

TEST_F(KeyloomJobsCliTest, AFileNamedTwiceIsRewrittenOnceAfterTheOther) {
  fs::create_symlink("form2.dfm", FWork / "link.dfm");
  const std::string Files = " form1.dfm form2.dfm form5.dfm ./form2.dfm link.dfm form4.dfm";
  const TRun One = Run("assign --jobs 1" + Files);
  const auto AfterOne = Contents();
  WriteForms();
  const TRun Four = Run("assign --jobs 4" + Files);
  EXPECT_EQ(Four.Err, One.Err);
  EXPECT_EQ(Contents(), AfterOne);
  // The later names find the file already given its letters.
  EXPECT_NE(One.Err.find("6 files read, 4 changed"), std::string::npos) << One.Err;
}

TEST_F(KeyloomJobsCliTest, JobsMustBeAPositiveNumber) {
  for (const char* Jobs : {"0", "-2", "many", "5000"}) {
    const TRun R = Run(std::string("check --jobs ") + Jobs + " form1.dfm");
    EXPECT_EQ(R.Code, 2) << Jobs;
    EXPECT_EQ(R.Out, "") << Jobs;
  }
  EXPECT_EQ(Run("check -j 3 form1.dfm").Code, Run("check form1.dfm").Code);
}

}  // namespace

#endif  // KEYLOOM_CLI_PATH

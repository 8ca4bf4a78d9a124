// Replacing a file when the process dies or fails at any point: the file is
// always the whole old or the whole new content, keeps its permissions, and
// a file or folder that is read-only is never written.

#include <keyloom/support/files.hpp>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keyloom::formfile {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

void Write(const fs::path& Path, const std::string& Bytes) { std::ofstream(Path, std::ios::binary) << Bytes; }

mode_t Mode(const fs::path& Path) {
  struct stat Info {};
  EXPECT_EQ(::stat(Path.c_str(), &Info), 0);
  return Info.st_mode & 07777;
}

int ExitCode(pid_t Child) {
  int Status = 0;
  EXPECT_EQ(::waitpid(Child, &Status, 0), Child);
  if (WIFSIGNALED(Status)) return 128 + WTERMSIG(Status);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

class CrashSafeWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Template = (fs::temp_directory_path() / "keyloom-crash-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FDir = Template;
    FFile = FDir / "form.dfm";
  }
  void TearDown() override {
    std::error_code Ignored;
    fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add, Ignored);
    fs::remove_all(FDir, Ignored);
  }

  // Entries of the folder other than the file: temporary files a dead writer left.
  std::vector<fs::path> Leftovers() const {
    std::vector<fs::path> Found;
    for (const auto& Entry : fs::directory_iterator(FDir))
      if (Entry.path() != FFile) Found.push_back(Entry.path());
    return Found;
  }

  fs::path FDir;
  fs::path FFile;
};

TEST_F(CrashSafeWriteTest, DyingBeforeEachStepLeavesTheOldOrTheWholeNewFile) {
  const std::string Old = "object Old: TForm\r\nend\r\n";
  const std::string New = "object New: TForm\r\n" + std::string(200000, ' ') + "\r\nend\r\n";
  struct TCase {
    TWriteStep Step;
    bool NewInPlace;
  };
  for (const TCase& Case : {TCase{TWriteStep::Create, false}, TCase{TWriteStep::Write, false},
                            TCase{TWriteStep::Sync, false}, TCase{TWriteStep::Rename, false},
                            TCase{TWriteStep::SyncFolder, true}}) {
    SCOPED_TRACE(static_cast<int>(Case.Step));
    for (const fs::path& P : Leftovers()) fs::remove(P);
    Write(FFile, Old);
    ASSERT_EQ(::chmod(FFile.c_str(), 0640), 0);
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
      try {
        WriteFileAtomically(FFile, New, [&](TWriteStep Step) {
          if (Step == Case.Step) ::_exit(9);
        });
      } catch (...) {
        ::_exit(3);
      }
      ::_exit(0);
    }
    ASSERT_EQ(ExitCode(Child), 9);
    EXPECT_EQ(Read(FFile), Case.NewInPlace ? New : Old);
    EXPECT_EQ(Mode(FFile), 0640u);
    // A writer that dies keeps no lock and leaves at most its hidden temporary
    // file, which holds nothing but (part of) the new content.
    for (const fs::path& P : Leftovers()) {
      EXPECT_TRUE(P.filename().string().starts_with(".form.dfm.keyloom-")) << P;
      EXPECT_EQ(New.compare(0, Read(P).size(), Read(P)), 0) << P;
    }
    // The next write is not hindered by what the dead one left.
    WriteFileAtomically(FFile, Old);
    EXPECT_EQ(Read(FFile), Old);
  }
}

TEST_F(CrashSafeWriteTest, KilledAtAnyMomentTheFileIsOneWholeVersion) {
  // Two versions of different lengths, each recognisable throughout.
  const std::string A(1 << 20, 'a');
  const std::string B((1 << 20) + 4096, 'b');
  Write(FFile, A);
  std::minstd_rand Random(12345);
  for (int Round = 0; Round < 25; ++Round) {
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
      for (int I = 0;; ++I) WriteFileAtomically(FFile, I % 2 ? A : B);
    }
    ::usleep(static_cast<useconds_t>(Random() % 20000));
    ::kill(Child, SIGKILL);
    ASSERT_EQ(ExitCode(Child), 128 + SIGKILL);
    const std::string Now = Read(FFile);
    EXPECT_TRUE(Now == A || Now == B) << "round " << Round << ": " << Now.size() << " bytes, mixed";
  }
}

TEST_F(CrashSafeWriteTest, AFailureAtAnyStepIsReportedAndLosesNothing) {
  struct TStop {};
  for (TWriteStep Stop : {TWriteStep::Create, TWriteStep::Write, TWriteStep::Sync, TWriteStep::Rename}) {
    Write(FFile, "original");
    EXPECT_THROW(WriteFileAtomically(FFile, "replacement", [&](TWriteStep Step) {
                   if (Step == Stop) throw TStop{};
                 }),
                 TStop);
    EXPECT_EQ(Read(FFile), "original");
    EXPECT_TRUE(Leftovers().empty());
  }
}

TEST_F(CrashSafeWriteTest, AReadOnlyFolderIsAnErrorEvenForTheSuperuser) {
  Write(FFile, "keep me");
  ASSERT_EQ(::chmod(FDir.c_str(), 0555), 0);
  try {
    WriteFileAtomically(FFile, "lost");
    ADD_FAILURE() << "the read-only folder was written";
  } catch (const EFileWriteError& E) {
    EXPECT_NE(E.Message().find("is read-only"), std::string::npos) << E.Message();
  }
  ASSERT_EQ(::chmod(FDir.c_str(), 0755), 0);
  EXPECT_EQ(Read(FFile), "keep me");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(CrashSafeWriteTest, ALinkIsWrittenThroughKeepingTheTargetsPermissions) {
  fs::create_directory(FDir / "real");
  const fs::path Target = FDir / "real" / "target.dfm";
  Write(Target, "old");
  ASSERT_EQ(::chmod(Target.c_str(), 0604), 0);
  fs::create_symlink("real/target.dfm", FFile);
  WriteFileAtomically(FFile, "new");
  EXPECT_TRUE(fs::is_symlink(FFile));
  EXPECT_EQ(fs::read_symlink(FFile), "real/target.dfm");
  EXPECT_EQ(Read(Target), "new");
  EXPECT_EQ(Mode(Target), 0604u);
  // A link to a read-only file refuses like the file does.
  ASSERT_EQ(::chmod(Target.c_str(), 0444), 0);
  EXPECT_THROW(WriteFileAtomically(FFile, "lost"), EFileWriteError);
  EXPECT_EQ(Read(Target), "new");
}

#ifdef KEYLOOM_CLI_PATH

std::string RunAssign(const fs::path& Dir, int& Code) {
  const std::string Command =
      "cd '" + Dir.string() + "' && '" KEYLOOM_CLI_PATH "' assign -q form.dfm 2>&1";
  std::string Out;
  FILE* Pipe = ::popen(Command.c_str(), "r");
  if (!Pipe) return Out;
  char Buffer[512];
  while (std::size_t N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) Out.append(Buffer, N);
  const int Status = ::pclose(Pipe);
  Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Out;
}

TEST_F(CrashSafeWriteTest, TheCommandRefusesReadOnlyFilesAndFoldersAndLosesNothing) {
  const std::string Form = "object Form1: TForm\r\n  object B: TButton\r\n    Caption = 'Open'\r\n  end\r\nend\r\n";
  Write(FFile, Form);
  ASSERT_EQ(::chmod(FFile.c_str(), 0444), 0);
  int Code = -1;
  std::string Err = RunAssign(FDir, Code);
  EXPECT_EQ(Code, 2);
  EXPECT_EQ(Err, "form.dfm: error: the file is read-only\n");
  EXPECT_EQ(Read(FFile), Form);

  ASSERT_EQ(::chmod(FFile.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(FDir.c_str(), 0555), 0);
  Err = RunAssign(FDir, Code);
  ASSERT_EQ(::chmod(FDir.c_str(), 0755), 0);
  EXPECT_EQ(Code, 2);
  EXPECT_EQ(Err, "form.dfm: error: its folder is read-only\n");
  EXPECT_EQ(Read(FFile), Form);
  EXPECT_TRUE(Leftovers().empty());
}

#endif  // KEYLOOM_CLI_PATH

}  // namespace
}  // namespace keyloom::formfile

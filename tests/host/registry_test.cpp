#include <keyloom/host/user_store.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace keyloom {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void Spill(const fs::path& P, const std::string& Text) {
  fs::create_directories(P.parent_path());
  std::ofstream(P, std::ios::binary) << Text;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("keyloom-reg-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    File = Dir / "keyloom" / "user.reg";
  }
  void TearDown() override {
    TRegistry::BeforeRenameHook = nullptr;
    fs::remove_all(Dir);
  }
  fs::path Dir, File;
};

TEST_F(RegistryTest, WritesTheExportFormatAndReadsItBack) {
  {
    TRegistry R(File);
    ASSERT_TRUE(R.OpenKey("Software\\Velquist\\Keyloom\\Captions", true));
    R.WriteInteger("Count", 2);
    R.WriteString("String0", "TButtonControl");
    R.WriteString("String1", "Quote \" and \\ back");
    R.CloseKey();
  }
  const std::string Text = Slurp(File);
  EXPECT_EQ(Text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
  EXPECT_NE(Text.find("[HKEY_CURRENT_USER\\Software\\Velquist]\r\n"), std::string::npos);
  EXPECT_NE(Text.find("[HKEY_CURRENT_USER\\Software\\Velquist\\Keyloom\\Captions]\r\n\"Count\"=dword:00000002\r\n"),
            std::string::npos);
  EXPECT_NE(Text.find("\"String1\"=\"Quote \\\" and \\\\ back\"\r\n"), std::string::npos);
  TRegistry R(File);
  ASSERT_TRUE(R.OpenKey("software\\velquist\\keyloom\\captions", false));
  EXPECT_EQ(R.ReadInteger("count"), 2);
  EXPECT_EQ(R.ReadString("String1"), "Quote \" and \\ back");
  EXPECT_THROW(R.ReadInteger("String0"), ERegistryException);
  EXPECT_THROW(R.ReadString("String2"), ERegistryException);
  EXPECT_FALSE(R.OpenKey("Software\\Nothing", false));
}

TEST_F(RegistryTest, OtherKeysAndValueKindsAreKeptAsTheyAre) {
  const std::string Theirs =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "@=\"default\"\r\n"
      "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
      "\"Path\"=hex(2):25,00\r\n\r\n";
  Spill(File, Theirs);
  {
    TRegistry R(File);
    R.OpenKey("Software\\Velquist\\Keyloom\\Captions", true);
    R.WriteInteger("Count", 0);
  }
  const std::string Text = Slurp(File);
  EXPECT_EQ(Text.rfind(Theirs, 0), 0u) << Text;
}

TEST_F(RegistryTest, DeleteKeyTakesItsSubkeysButNotItsParents) {
  TRegistry R(File);
  R.OpenKey("Software\\Velquist\\Keyloom\\Captions", true);
  R.WriteInteger("Count", 1);
  R.OpenKey("Software\\Velquist\\Keyloom\\Captions\\Deeper", true);
  EXPECT_TRUE(R.DeleteKey("Software\\Velquist\\Keyloom\\Captions"));
  EXPECT_FALSE(R.KeyExists("Software\\Velquist\\Keyloom\\Captions\\Deeper"));
  EXPECT_TRUE(R.KeyExists("Software\\Velquist\\Keyloom"));
  EXPECT_FALSE(R.DeleteKey("Software\\Velquist\\Keyloom\\Captions"));
}

TEST_F(RegistryTest, ADamagedFileReadsEmptyAndIsKeptAsideWhenReplaced) {
  Spill(File, "this is not a registry file\n");
  {
    TRegistry R(File);
    EXPECT_TRUE(R.FoundDamaged());
    EXPECT_FALSE(R.OpenKey("Software", false));
    R.OpenKey("Software\\Velquist", true);
    R.WriteInteger("Count", 1);
    R.Flush();
    ASSERT_FALSE(R.KeptAside().empty());
    EXPECT_EQ(Slurp(R.KeptAside()), "this is not a registry file\n");
  }
  TRegistry Again(File);
  EXPECT_FALSE(Again.FoundDamaged());
  EXPECT_TRUE(Again.KeyExists("Software\\Velquist"));
}

TEST_F(RegistryTest, ParserRejectsMalformedFilesWithTheLine) {
  const char* Bad[] = {
      "",
      "Windows Registry Editor Version 5.00\n\"Count\"=dword:00000001\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"Count\"=dword:1\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"S\"=\"open\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"S\"=\"a\"\n\"s\"=\"b\"\n",
  };
  for (const char* Text : Bad) EXPECT_THROW(TRegistryData::Parse(Text), ERegistryException) << Text;
}

TEST_F(RegistryTest, ACrashBeforeTheRenameLeavesTheOldFile) {
  {
    TRegistry R(File);
    R.OpenKey("Software\\Velquist", true);
    R.WriteString("State", "old");
  }
  const std::string Old = Slurp(File);
  const pid_t Child = ::fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    TRegistry::BeforeRenameHook = [] { ::_exit(7); };
    TRegistry R(File);
    R.OpenKey("Software\\Velquist", true);
    R.WriteString("State", "new");
    R.Flush();
    ::_exit(0);
  }
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 7);
  EXPECT_EQ(Slurp(File), Old);
  TRegistry R(File);
  R.OpenKey("Software\\Velquist", false);
  EXPECT_EQ(R.ReadString("State"), "old");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int Writers = 4;
  constexpr int Rounds = 60;
  std::vector<pid_t> Children;
  for (int W = 0; W < Writers; ++W) {
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
      for (int I = 0; I < Rounds; ++I) {
        TRegistry R(File);
        R.OpenKey("Software\\Writer" + std::to_string(W), true);
        R.WriteInteger("Round", I);
      }
      ::_exit(0);
    }
    Children.push_back(Child);
  }
  for (pid_t Child : Children) {
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  }
  TRegistry R(File);
  EXPECT_FALSE(R.FoundDamaged());
  for (int W = 0; W < Writers; ++W) {
    ASSERT_TRUE(R.OpenKey("Software\\Writer" + std::to_string(W), false)) << W;
    EXPECT_EQ(R.ReadInteger("Round"), Rounds - 1);
  }
}

}  // namespace
}  // namespace keyloom

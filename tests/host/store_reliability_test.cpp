// The per-user store under stress: many processes saving at once, a file
// damaged between saves, a writer killed mid-save, and values the file
// format cannot hold. KEYLOOM_STORE_ROUNDS sets the saves per process
// (default 1000); the store lives in /dev/shm when there is one, so that the
// flushes to disk do not dominate.

#include <keyloom/host/user_store.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

int Rounds() {
  const char* Value = std::getenv("KEYLOOM_STORE_ROUNDS");
  return Value && *Value ? std::max(1, std::atoi(Value)) : 1000;
}

constexpr const char* StateKey = "Software\\Velquist\\Keyloom\\State";

// One complete state: which writer saved it in which round, three ways.
void SaveState(const fs::path& File, int Writer, int Round) {
  TRegistry R(File);
  R.OpenKey(StateKey, true);
  R.WriteInteger("Writer", Writer);
  R.WriteInteger("Round", Round);
  R.WriteString("Check", std::to_string(Writer) + "/" + std::to_string(Round));
  R.OpenKey("Software\\Velquist\\Keyloom\\Writer" + std::to_string(Writer), true);
  R.WriteInteger("Round", Round);
}

// Empty when the file holds a consistent saved state, else what is wrong.
std::string CheckState(const fs::path& File, int Writers, int RoundLimit) {
  TRegistryData Data;
  try {
    Data = TRegistryData::Parse(Slurp(File));
  } catch (const ERegistryException& E) {
    return std::string("unreadable: ") + E.what();
  }
  const TRegistryData::TKey* Key = Data.FindKey(std::string("HKEY_CURRENT_USER\\") + StateKey);
  if (!Key) return "no state";
  auto Value = [&](const char* Name) { return TRegistryData::FindValue(const_cast<TRegistryData::TKey&>(*Key), Name); };
  const auto* Writer = Value("Writer");
  const auto* Round = Value("Round");
  const auto* Check = Value("Check");
  if (!Writer || !Round || !Check) return "incomplete state";
  if (static_cast<int>(Writer->Dword) >= Writers || static_cast<int>(Round->Dword) >= RoundLimit) return "unknown state";
  if (Check->String != std::to_string(Writer->Dword) + "/" + std::to_string(Round->Dword))
    return "torn state: " + Check->String;
  return {};
}

class StoreReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path Base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string Template = (Base / "keyloom-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FDir = Template;
    FFile = FDir / "keyloom" / "user.reg";
  }
  void TearDown() override {
    TRegistry::BeforeRenameHook = nullptr;
    fs::remove_all(FDir);
  }

  std::vector<fs::path> KeptAside() const {
    std::vector<fs::path> Found;
    for (const auto& Entry : fs::directory_iterator(FFile.parent_path()))
      if (Entry.path().filename().string().starts_with("user.reg.damaged-")) Found.push_back(Entry.path());
    return Found;
  }

  // Starts Writers processes that each save Rounds states; returns their ids.
  static std::vector<pid_t> StartWriters(const fs::path& File, int Writers, int Rounds) {
    std::vector<pid_t> Children;
    for (int W = 0; W < Writers; ++W) {
      const pid_t Child = ::fork();
      if (Child == 0) {
        int Code = 0;
        try {
          for (int I = 0; I < Rounds; ++I) SaveState(File, W, I);
        } catch (...) {
          Code = 3;
        }
        ::_exit(Code);
      }
      Children.push_back(Child);
    }
    return Children;
  }

  static void ExpectClean(int Status) { EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << Status; }

  static void Join(const std::vector<pid_t>& Children) {
    for (pid_t Child : Children) {
      int Status = 0;
      ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
      ExpectClean(Status);
    }
  }

  fs::path FDir;
  fs::path FFile;
};

TEST_F(StoreReliabilityTest, ProcessesSavingAtOnceLeaveOneSavedStateAndLoseNothing) {
  constexpr int Writers = 3;
  const int Count = Rounds();
  SaveState(FFile, 0, 0);
  std::vector<pid_t> Running = StartWriters(FFile, Writers, Count);
  // Meanwhile every read finds a whole file with a whole state.
  int Reads = 0;
  std::string Problem;
  while (!Running.empty()) {
    std::erase_if(Running, [](pid_t Child) {
      int Status = 0;
      if (::waitpid(Child, &Status, WNOHANG) != Child) return false;
      ExpectClean(Status);
      return true;
    });
    if (Problem.empty()) Problem = CheckState(FFile, Writers, Count);
    ++Reads;
  }
  EXPECT_EQ(Problem, "") << "after " << Reads << " reads";
  EXPECT_EQ(CheckState(FFile, Writers, Count), "");
  // Each writer's last save is there: no save was lost to another.
  TRegistry R(FFile);
  EXPECT_FALSE(R.FoundDamaged());
  for (int W = 0; W < Writers; ++W) {
    ASSERT_TRUE(R.OpenKey("Software\\Velquist\\Keyloom\\Writer" + std::to_string(W), false)) << W;
    EXPECT_EQ(R.ReadInteger("Round"), Count - 1) << W;
  }
  ASSERT_TRUE(R.OpenKey(StateKey, false));
  EXPECT_EQ(R.ReadInteger("Round"), Count - 1);  // the last save of whichever writer finished last
  EXPECT_TRUE(KeptAside().empty());
}

TEST_F(StoreReliabilityTest, ADamagedFileIsKeptAsideOnceWhileOthersSave) {
  SaveState(FFile, 0, 0);
  const std::string Garbage = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Torn\r\n\"Half";
  std::ofstream(FFile, std::ios::binary | std::ios::trunc) << Garbage;
  constexpr int Writers = 3;
  const int Count = std::max(1, Rounds() / 10);
  Join(StartWriters(FFile, Writers, Count));
  EXPECT_EQ(CheckState(FFile, Writers, Count), "");
  const std::vector<fs::path> Aside = KeptAside();
  ASSERT_EQ(Aside.size(), 1u);
  EXPECT_EQ(Slurp(Aside.front()), Garbage);
}

TEST_F(StoreReliabilityTest, AWriterKilledWhileSavingLeavesTheOthersAReadableFile) {
  constexpr int Writers = 2;
  const int Count = std::max(10, Rounds() / 10);
  SaveState(FFile, 0, 0);
  // One more process dies in the middle of each of its saves, lock held.
  for (int Victim = 0; Victim < 5; ++Victim) {
    const std::vector<pid_t> Children = StartWriters(FFile, Writers, Count);
    const pid_t Dying = ::fork();
    ASSERT_GE(Dying, 0);
    if (Dying == 0) {
      TRegistry::BeforeRenameHook = [] { ::_exit(9); };
      SaveState(FFile, 7, 7);
      ::_exit(0);
    }
    int Status = 0;
    ASSERT_EQ(::waitpid(Dying, &Status, 0), Dying);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 9);
    Join(Children);
    EXPECT_EQ(CheckState(FFile, Writers, Count), "") << Victim;
  }
  TRegistry R(FFile);
  EXPECT_FALSE(R.FoundDamaged());
  EXPECT_FALSE(R.KeyExists("Software\\Velquist\\Keyloom\\Writer7"));  // never renamed into place
}

TEST_F(StoreReliabilityTest, LineBreaksAreRefusedAndTheFileStaysReadable) {
  {
    TRegistry R(FFile);
    R.OpenKey("Software\\Velquist\\Keyloom\\Defaults", true);
    R.WriteString("String0", "E&xit");
    EXPECT_THROW(R.WriteString("String1", "two\nlines"), ERegistryException);
    EXPECT_THROW(R.WriteString("Bad\nName", "x"), ERegistryException);
    EXPECT_THROW(R.WriteInteger("Bad\nName", 1), ERegistryException);
    EXPECT_THROW(R.OpenKey("Software\\Two\nLines", true), ERegistryException);
    R.WriteString("String2", "carriage\rreturn and \"quotes\" \\ kept");
  }
  TRegistry R(FFile);
  EXPECT_FALSE(R.FoundDamaged());
  ASSERT_TRUE(R.OpenKey("Software\\Velquist\\Keyloom\\Defaults", false));
  EXPECT_EQ(R.ReadString("String0"), "E&xit");
  EXPECT_EQ(R.ReadString("String2"), "carriage\rreturn and \"quotes\" \\ kept");
  EXPECT_FALSE(R.ValueExists("String1"));

  // Data made without the access class is refused as a whole, not written torn.
  TRegistryData Data;
  Data.CreateKey("HKEY_CURRENT_USER\\A").Values.push_back({"S", TRegistryData::TValue::TKind::String, 0, "a\nb", {}});
  EXPECT_THROW(Data.Format(), ERegistryException);
}

TEST_F(StoreReliabilityTest, ALinkIsWrittenThroughStaysALinkAndKeepsThePermissions) {
  const fs::path Real = FDir / "dotfiles" / "keyloom.reg";
  fs::create_directories(Real.parent_path());
  fs::create_directories(FFile.parent_path());
  SaveState(Real, 0, 0);
  ASSERT_EQ(::chmod(Real.c_str(), 0640), 0);
  fs::create_symlink(Real, FFile);
  SaveState(FFile, 1, 5);
  EXPECT_TRUE(fs::is_symlink(FFile));
  EXPECT_EQ(CheckState(Real, 2, 6), "");
  TRegistry R(Real);
  ASSERT_TRUE(R.OpenKey(StateKey, false));
  EXPECT_EQ(R.ReadInteger("Round"), 5);
  struct stat Info {};
  ASSERT_EQ(::stat(Real.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0640u);

  // Damaged behind the link: the file it names is kept aside, the link stays.
  std::ofstream(Real, std::ios::binary | std::ios::trunc) << "damaged";
  SaveState(FFile, 1, 6);
  EXPECT_TRUE(fs::is_symlink(FFile));
  EXPECT_EQ(CheckState(Real, 2, 7), "");
  std::size_t Aside = 0;
  for (const auto& Entry : fs::directory_iterator(Real.parent_path()))
    Aside += Entry.path().filename().string().starts_with("keyloom.reg.damaged-") && Slurp(Entry.path()) == "damaged";
  EXPECT_EQ(Aside, 1u);
}

TEST_F(StoreReliabilityTest, AFileThatCannotBeReadIsLeftAlone) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  SaveState(FFile, 0, 0);
  const std::string Before = Slurp(FFile);
  ASSERT_EQ(::chmod(FFile.c_str(), 0), 0);
  {
    TRegistry R(FFile);
    R.OpenKey(StateKey, true);
    R.WriteInteger("Round", 9);
    EXPECT_THROW(R.Flush(), ERegistryException);
  }
  ASSERT_EQ(::chmod(FFile.c_str(), 0600), 0);
  EXPECT_EQ(Slurp(FFile), Before);
}

// Found by fuzzing: a foreign value whose last line ends in a backslash took
// the blank line after its key as a continuation when read back.
TEST_F(StoreReliabilityTest, ForeignValuesReadBackAsTheyWereSaved) {
  const std::string Text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Other]\r\n"
      "\"Blob\"=hex:01,02,\\\r\n  03,\\";
  const TRegistryData Data = TRegistryData::Parse(Text);
  ASSERT_EQ(Data.Keys.size(), 1u);
  ASSERT_EQ(Data.Keys[0].Values.size(), 1u);
  EXPECT_EQ(Data.Keys[0].Values[0].Raw, "hex:01,02,\\\n  03,\\");
  const std::string Saved = Data.Format();
  const TRegistryData Again = TRegistryData::Parse(Saved);
  ASSERT_EQ(Again.Keys.size(), 1u);
  EXPECT_EQ(Again.Keys[0].Values[0].Raw, Data.Keys[0].Values[0].Raw);
  EXPECT_EQ(Again.Format(), Saved);
}

// Found by fuzzing: a blank line ends such a value when read, so the value
// that followed it in the file came back as part of it once saved.
TEST_F(StoreReliabilityTest, AValueAfterOneEndingInABackslashStaysItsOwn) {
  const std::string Text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Other]\r\n"
      "\"Blob\"=hex:01,\\\r\n"
      "\r\n"
      "\"Next\"=dword:00000002\r\n";
  const TRegistryData Data = TRegistryData::Parse(Text);
  ASSERT_EQ(Data.Keys.size(), 1u);
  ASSERT_EQ(Data.Keys[0].Values.size(), 2u);
  const TRegistryData Again = TRegistryData::Parse(Data.Format());
  ASSERT_EQ(Again.Keys.size(), 1u);
  ASSERT_EQ(Again.Keys[0].Values.size(), 2u);
  EXPECT_EQ(Again.Keys[0].Values[0].Raw, "hex:01,\\");
  EXPECT_EQ(Again.Keys[0].Values[1].Name, "Next");
  EXPECT_EQ(Again.Keys[0].Values[1].Dword, 2u);
  EXPECT_EQ(Again.Format(), Data.Format());
}

}  // namespace
}  // namespace keyloom

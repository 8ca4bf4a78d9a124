#include <keyloom/support/files.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace keyloom::formfile {
namespace {

namespace fs = std::filesystem;

class AtomicWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Template = (fs::temp_directory_path() / "keyloom-atomic-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FDir = Template;
  }
  void TearDown() override {
    std::error_code Ignored;
    fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add, Ignored);
    fs::remove_all(FDir, Ignored);
  }

  static std::string Read(const fs::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }
  static void Write(const fs::path& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary) << Bytes;
  }
  static mode_t Mode(const fs::path& Path) {
    struct stat Info {};
    EXPECT_EQ(::stat(Path.c_str(), &Info), 0);
    return Info.st_mode & 07777;
  }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()));
  }

  fs::path FDir;
};

TEST_F(AtomicWriteTest, ReplacesContentAndKeepsPermissions) {
  const fs::path File = FDir / "form.dfm";
  Write(File, "old content that is longer than the new one");
  ASSERT_EQ(::chmod(File.c_str(), 0640), 0);
  WriteFileAtomically(File, "new\r\n");
  EXPECT_EQ(Read(File), "new\r\n");
  EXPECT_EQ(Mode(File), 0640u);
  EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(AtomicWriteTest, CreatesAMissingFileWithTheUsualPermissions) {
  const fs::path File = FDir / "new.lfm";
  const mode_t Mask = ::umask(022);
  WriteFileAtomically(File, "x");
  ::umask(Mask);
  EXPECT_EQ(Read(File), "x");
  EXPECT_EQ(Mode(File), 0644u);
}

TEST_F(AtomicWriteTest, WritesThroughASymbolicLinkThatStaysALink) {
  fs::create_directory(FDir / "real");
  const fs::path Target = FDir / "real" / "form.dfm";
  Write(Target, "old");
  ASSERT_EQ(::chmod(Target.c_str(), 0600), 0);
  fs::create_symlink("real/form.dfm", FDir / "link.dfm");
  fs::create_symlink("link.dfm", FDir / "link2.dfm");  // a chain of two
  WriteFileAtomically(FDir / "link2.dfm", "new");
  EXPECT_TRUE(fs::is_symlink(FDir / "link.dfm"));
  EXPECT_TRUE(fs::is_symlink(FDir / "link2.dfm"));
  EXPECT_EQ(Read(Target), "new");
  EXPECT_EQ(Mode(Target), 0600u);
  EXPECT_EQ(ResolveSymlinks(FDir / "link2.dfm"), FDir / "real" / "form.dfm");
}

TEST_F(AtomicWriteTest, SymbolicLinkLoopIsAnError) {
  fs::create_symlink("b", FDir / "a");
  fs::create_symlink("a", FDir / "b");
  EXPECT_THROW(WriteFileAtomically(FDir / "a", "x"), EFileWriteError);
}

TEST_F(AtomicWriteTest, RefusesReadOnlyFilesAndNonFiles) {
  const fs::path File = FDir / "locked.dfm";
  Write(File, "keep me");
  ASSERT_EQ(::chmod(File.c_str(), 0444), 0);
  EXPECT_THROW(WriteFileAtomically(File, "lost"), EFileWriteError);
  EXPECT_EQ(Read(File), "keep me");
  fs::create_directory(FDir / "folder");
  EXPECT_THROW(WriteFileAtomically(FDir / "folder", "x"), EFileWriteError);
  EXPECT_THROW(WriteFileAtomically(FDir / "missing" / "f.dfm", "x"), EFileWriteError);
  EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(AtomicWriteTest, AStopAtAnyStepLeavesTheOriginalAndNoTemporaryFile) {
  const fs::path File = FDir / "form.dfm";
  for (TWriteStep Stop : {TWriteStep::Create, TWriteStep::Write, TWriteStep::Sync, TWriteStep::Rename}) {
    Write(File, "original");
    struct TStop {};
    EXPECT_THROW(WriteFileAtomically(File, "replacement",
                                     [&](TWriteStep Step) {
                                       if (Step == Stop) throw TStop{};
                                     }),
                 TStop);
    EXPECT_EQ(Read(File), "original") << static_cast<int>(Stop);
    EXPECT_EQ(EntryCount(), 1u) << static_cast<int>(Stop);
  }
}

TEST_F(AtomicWriteTest, ErrorNamesTheFile) {
  try {
    WriteFileAtomically(FDir / "missing" / "f.dfm", "x");
    FAIL() << "no error";
  } catch (const EFileWriteError& E) {
    EXPECT_EQ(E.Path(), FDir / "missing" / "f.dfm");
    EXPECT_NE(std::string(E.what()).find("f.dfm: cannot create a temporary file"), std::string::npos) << E.what();
  }
}

}  // namespace
}  // namespace keyloom::formfile

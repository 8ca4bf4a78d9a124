#pragma once

// A fixture that runs the built keyloom command in a temporary work folder
// and keeps what it printed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#ifdef KEYLOOM_CLI_PATH

namespace keyloom::test {

struct TRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

inline std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class TCommandFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Template = (std::filesystem::temp_directory_path() / "keyloom-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FRoot = Template;
    FWork = FRoot / "work";
    std::filesystem::create_directory(FWork);
  }
  void TearDown() override { std::filesystem::remove_all(FRoot); }

  // Runs the command in the work folder; Args are passed to the shell as written.
  TRun Run(const std::string& Args) const { return RunWith("", Args); }
  // The same with environment assignments (NAME='value' ...) before the command.
  TRun RunWith(const std::string& Env, const std::string& Args) const { return Execute(Env, Args, FRoot / "out"); }
  // The same with standard output sent to Target (a device, say); Out stays empty.
  TRun RunOutTo(const std::filesystem::path& Target, const std::string& Args) const { return Execute("", Args, Target); }

  std::string Work(const char* Name) const { return ReadFile(FWork / Name); }

  std::filesystem::path FRoot;
  std::filesystem::path FWork;

 private:
  TRun Execute(const std::string& Env, const std::string& Args, const std::filesystem::path& Out) const {
    const std::string Command = "cd '" + FWork.string() + "' && " + Env + "'" KEYLOOM_CLI_PATH "' " + Args + " >'" +
                                Out.string() + "' 2>'" + (FRoot / "err").string() + "'";
    const int Status = std::system(Command.c_str());
    TRun R;
    R.Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    if (Out == FRoot / "out") R.Out = ReadFile(Out);
    R.Err = ReadFile(FRoot / "err");
    return R;
  }
};

}  // namespace keyloom::test

#endif  // KEYLOOM_CLI_PATH

#pragma once

// What the design-time tests share: a per-test folder that is also the user's
// configuration folder (so that the editor window's lists are stored there
// and nowhere else), designed forms read from text, and a designer that counts.

#include <keyloom/design/designer.hpp>
#include <keyloom/formfile/loader.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace keyloom::test {

// A form of ten components: a main menu, nested panels, buttons on the form.
inline const char* const DesignedForm =
    "object Form1: TForm\n"
    "  Left = 100\n"
    "  Top = 80\n"
    "  Caption = 'Main'\n"
    "  object MainMenu1: TMainMenu\n"
    "    object miFile: TMenuItem\n"
    "      Caption = 'File'\n"
    "      object miExit: TMenuItem\n"
    "        Caption = 'Exit'\n"
    "      end\n"
    "    end\n"
    "  end\n"
    "  object Panel1: TPanel\n"
    "    Left = 8\n"
    "    Top = 8\n"
    "    Width = 200\n"
    "    Height = 100\n"
    "    object bOK: TButton\n"
    "      Caption = 'OK'\n"
    "    end\n"
    "    object bOpen: TButton\n"
    "      Caption = 'Open'\n"
    "    end\n"
    "    object Panel2: TPanel\n"
    "      object bInner: TButton\n"
    "        Caption = 'Inner'\n"
    "      end\n"
    "    end\n"
    "  end\n"
    "  object bSave: TButton\n"
    "    Caption = 'Save'\n"
    "  end\n"
    "  object bLoad: TButton\n"
    "    Caption = 'Load'\n"
    "  end\n"
    "  object bSaveAs: TButton\n"
    "    Caption = 'Save As'\n"
    "  end\n"
    "end\n";

// The tree of DesignedForm as the window first shows it (sorted by unique letters).
inline const char* const DesignedTree = "Load,Save,Save As,Panel1(OK,Open,Panel2(Inner)),MainMenu1(File(Exit))";

// A designed form read from text, every component in the designing state.
inline std::unique_ptr<formfile::TLoadedForm> Design(const std::string& Text, TCustomForm* Root = nullptr) {
  formfile::TLoadOptions Options;
  Options.Designing = true;
  Options.Root = Root;
  return formfile::LoadForm(formfile::TDocument::Parse(Text, "designed.dfm"), Options);
}

template <class T>
T* Get(formfile::TLoadedForm& Loaded, const char* Name) {
  T* Found = dynamic_cast<T*>(Loaded.Form().FindComponent(Name));
  EXPECT_NE(Found, nullptr) << Name;
  return Found;
}

// A designer that counts the modifications it is told about and answers
// message boxes as the test says, remembering what was asked.
class TTestDesigner : public IDesigner {
 public:
  struct TAsked {
    std::string Text, Title;
    int Flags;
  };
  explicit TTestDesigner(TCustomForm* Root = nullptr) : FRoot(Root) {
    FServices.MessageBox = [this](const std::string& Text, const std::string& Title, int Flags) {
      Asked.push_back({Text, Title, Flags});
      return Answer;
    };
    FServices.ShellOpen = [this](const std::string& Target) { Opened.push_back(Target); };
  }
  void Modified() override { ++ModifiedCount; }
  TCustomForm* GetRoot() const override { return FRoot; }
  const TDesignServices& GetServices() const override { return FServices; }

  int ModifiedCount = 0;
  int Answer = IDYES;
  std::vector<TAsked> Asked;
  std::vector<std::string> Opened;

 private:
  TCustomForm* FRoot;
  TDesignServices FServices;
};

class TDesignFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = std::filesystem::temp_directory_path() /
          ("keyloom-design-" + std::to_string(::getpid()) + "-" + Info->test_suite_name() + "-" + Info->name());
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
    if (const char* Old = std::getenv("XDG_CONFIG_HOME")) SavedConfig = Old;
    ::setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
  }
  void TearDown() override {
    if (SavedConfig)
      ::setenv("XDG_CONFIG_HOME", SavedConfig->c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(Dir);
  }

  std::filesystem::path Write(const std::string& Name, const std::string& Text) const {
    const std::filesystem::path Path = Dir / Name;
    std::ofstream(Path, std::ios::binary) << Text;
    return Path;
  }
  static std::string Read(const std::filesystem::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }
  std::filesystem::path StoreFile() const { return Dir / "config" / "keyloom" / "user.reg"; }

  std::filesystem::path Dir;
  std::optional<std::string> SavedConfig;
};

}  // namespace keyloom::test

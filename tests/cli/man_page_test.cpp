// The manual page is made from --help at build time; it must still name every
// option the parser knows, each in the section of its command.

#include <gtest/gtest.h>
#include <keyloom/support/files.hpp>

#include "command_line.hpp"

#include <cctype>
#include <filesystem>
#include <string>
#include <utility>

#ifdef KEYLOOM_MAN_DIR

namespace {

namespace fs = std::filesystem;

// The page's text with the escapes help2man and our sections write undone.
std::string PageText(const fs::path& Path) {
  std::string Text = keyloom::ReadWholeFile(Path);
  const std::pair<std::string, std::string> Escapes[] = {
      {"\\-", "-"}, {"\\fB", ""}, {"\\fI", ""}, {"\\fR", ""}, {"\\fP", ""}, {"\\&", ""}, {"\\e", "\\"}};
  for (const auto& [From, To] : Escapes)
    for (std::size_t At = Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
      Text.replace(At, From.size(), To);
  return Text;
}

// Whether a line of Section lists the option Name ("--name" or "-n"), as
// --help lists options: first on its line, or after the short name ("-j,--jobs").
bool ListsOption(const std::string& Section, const std::string& Name) {
  std::istringstream Lines(Section);
  for (std::string Line; std::getline(Lines, Line);) {
    std::size_t At = Line.find_first_not_of(' ');
    if (At == std::string::npos) continue;
    for (int Names = 0; Names < 2; ++Names) {
      const std::size_t End = At + Name.size();
      if (Line.compare(At, Name.size(), Name) == 0 &&
          (End == Line.size() || !(std::isalnum(static_cast<unsigned char>(Line[End])) || Line[End] == '-')))
        return true;
      // "-j,--jobs": past the short name to the long one.
      if (Line.size() > At + 3 && Line[At] == '-' && Line[At + 1] != '-' && Line[At + 2] == ',')
        At += 3;
      else
        break;
    }
  }
  return false;
}

void ExpectOptionsIn(const CLI::App& App, const std::string& Section, const std::string& Where) {
  std::size_t Named = 0;
  for (const CLI::Option* Option : App.get_options()) {
    for (const std::string& Long : Option->get_lnames()) {
      EXPECT_TRUE(ListsOption(Section, "--" + Long)) << Where << " lacks --" << Long;
      ++Named;
    }
    for (const std::string& Short : Option->get_snames()) {
      EXPECT_TRUE(ListsOption(Section, "-" + Short)) << Where << " lacks -" << Short;
      ++Named;
    }
  }
  EXPECT_GT(Named, 0u) << Where;
}

TEST(ManPage, NamesEveryOptionOfEveryCommandInItsSection) {
  const fs::path Path = fs::path(KEYLOOM_MAN_DIR) / "keyloom.1";
  if (!fs::exists(Path)) GTEST_SKIP() << "no manual page was made (help2man is missing)";
  const std::string Page = PageText(Path);
  keyloom::cli::TCommandLine Line;
  const std::size_t Commands = Page.find("\n.SH COMMANDS");
  ASSERT_NE(Commands, std::string::npos) << Page;
  ExpectOptionsIn(Line.App, Page.substr(0, Commands), "the page's options");
  const auto Subcommands = Line.App.get_subcommands([](const CLI::App*) { return true; });
  ASSERT_GE(Subcommands.size(), 5u);
  for (const CLI::App* Command : Subcommands) {
    const std::string Heading = "\n.SS \"keyloom " + Command->get_name() + "\"\n";
    const std::size_t Start = Page.find(Heading);
    ASSERT_NE(Start, std::string::npos) << "no section for " << Command->get_name();
    const std::size_t End = Page.find("\n.S", Start + Heading.size());
    ExpectOptionsIn(*Command, Page.substr(Start, End - Start), "keyloom " + Command->get_name());
  }
}

}  // namespace

#endif  // KEYLOOM_MAN_DIR

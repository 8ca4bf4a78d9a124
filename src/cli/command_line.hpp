#pragma once

// The keyloom command's parser: its commands, their options and the manual
// text --help prints (from which the manual page is made as well).

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace keyloom::cli {

struct TRawOptions {
  std::vector<std::string> Files;
  std::string Sort = "letters";
  bool Reassign = false;
  std::string CaptionClasses;
  std::string NoCaptionClasses;
  std::string DefaultCaptions;
  bool UserOptions = false;
  std::vector<std::string> ClassMap;
  std::vector<std::string> ClassMapFiles;
  bool NoBuiltinClassMap = false;
  std::string Scope = "siblings";
  std::string Strategy = "search";
  std::string Reserve;
  std::string NonLatin = "skip";
  std::string Placeholders = "caption";
  std::string Format = "text";
  bool ToStdout = false;
  bool DryRun = false;
  bool Find = false;
  bool AsIs = false;
  bool Participation = false;
  bool Json = false;
  bool Quiet = false;
  unsigned Jobs = 0;
  std::string ConvertTo;
  std::vector<std::string> SearchPaths;
  bool Strict = false;
  bool Verbose = false;
  bool NoWindow = false;
  std::vector<std::string> Catalogues;
};

// The parser, its commands and where the options go. Neither copied nor
// moved: the options hold pointers into Raw.
struct TCommandLine {
  TCommandLine();
  TCommandLine(const TCommandLine&) = delete;
  TCommandLine& operator=(const TCommandLine&) = delete;

  CLI::App App;
  TRawOptions Raw;
  CLI::App* Assign = nullptr;
  CLI::App* Convert = nullptr;
  CLI::App* Check = nullptr;
  CLI::App* Tree = nullptr;
  CLI::App* Stats = nullptr;
};

}  // namespace keyloom::cli

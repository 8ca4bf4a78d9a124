#pragma once

// The three subcommands, on options already parsed.

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>

#include <string>
#include <utility>
#include <vector>

namespace keyloom::cli {

// Exit codes.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitProblems = 1;
inline constexpr int ExitFailure = 2;

// Sarif and Github only for check: a SARIF 2.1.0 log, or CI workflow commands.
enum class TOutputFormat { Text, Json, Sarif, Github };

// data/class-map.txt as shipped: FROM=TO lines, comments after '#'.
extern const char* const ShippedClassMap;

struct TCommonOptions {
  std::vector<std::string> Files;
  // For forms without a TKeyloom of their own.
  TKeySettings Settings;
  // Whether any setting was given on the command line (forms with their own
  // TKeyloom ignore them, and we say so).
  bool SettingsGiven = false;
  std::vector<std::pair<std::string, std::string>> ClassMap;
  TOutputFormat Format = TOutputFormat::Text;
  bool Quiet = false;
  // Files processed at once; 0: one a core. Output is the same whatever it is.
  unsigned Jobs = 0;
  // Whole windows: ancestors and frames read from the files that declare them.
  bool Window = true;
  std::vector<std::string> SearchPaths;
  bool Strict = false;   // a missing ancestor or frame fails the file
  bool Verbose = false;  // notes on which file was taken among several
  // Translation catalogues (.po): the forms are run as shown in each language.
  std::vector<std::string> Catalogues;
  // Whether --non-latin was given (else each catalogue's own alphabet decides).
  bool NonLatinGiven = false;
};

struct TAssignOptions : TCommonOptions {
  bool ToStdout = false;
  bool DryRun = false;
};

struct TTreeOptions : TCommonOptions {
  bool Find = false;
};

struct TStatsOptions : TCommonOptions {
  // Measure the files as they stand instead of after the run assign would make.
  bool AsIs = false;
  // Also how many captioned controls and menu items take part.
  bool Participation = false;
};

struct TConvertOptions : TCommonOptions {
  bool ToBinary = false;
  bool ToStdout = false;
};

int RunAssign(const TAssignOptions& Options);
// The same four run on the forms as shown in the languages of Options.Catalogues.
int RunAssignTranslated(const TAssignOptions& Options);
int RunCheckTranslated(const TCommonOptions& Options);
int RunTreeTranslated(const TTreeOptions& Options);
int RunStatsTranslated(const TStatsOptions& Options);
// Rewrites each form in the other encoding (text or binary); forms already in it are left alone.
int RunConvert(const TConvertOptions& Options);
int RunCheck(const TCommonOptions& Options);
int RunTree(const TTreeOptions& Options);
// Exit status 2 only when no file could be measured.
int RunStats(const TStatsOptions& Options);

}  // namespace keyloom::cli

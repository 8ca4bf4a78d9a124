// keyloom: gives the captions of text form files unique accelerators.

#include "command_line.hpp"
#include "commands.hpp"
#include "report.hpp"

#include <keyloom/design/options_store.hpp>
#include <keyloom/host/user_store.hpp>
#include <keyloom/support/files.hpp>

#include <filesystem>

#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using namespace keyloom;
using namespace keyloom::cli;

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

TOutputFormat FormatNamed(const std::string& Name) {
  if (Name == "json") return TOutputFormat::Json;
  if (Name == "sarif") return TOutputFormat::Sarif;
  if (Name == "github") return TOutputFormat::Github;
  return TOutputFormat::Text;
}

std::vector<std::string> SplitList(const std::string& Value) {
  std::vector<std::string> Items;
  std::size_t Start = 0;
  while (Start <= Value.size()) {
    std::size_t Comma = Value.find(',', Start);
    if (Comma == std::string::npos) Comma = Value.size();
    std::string Item = Value.substr(Start, Comma - Start);
    const std::size_t First = Item.find_first_not_of(" \t");
    const std::size_t Last = Item.find_last_not_of(" \t");
    if (First != std::string::npos) Items.push_back(Item.substr(First, Last - First + 1));
    Start = Comma + 1;
  }
  return Items;
}

TSortMethod SortMethodOf(const std::string& Name) {
  if (Name == "nothing") return TSortMethod::smNothing;
  if (Name == "caption") return TSortMethod::smCaption;
  if (Name == "length") return TSortMethod::smCaptionLength;
  return TSortMethod::smUniqueLetters;
}

TKeyOptions KeyOptionsOf(const TRawOptions& Raw) {
  TKeyOptions O;
  O.Scope = Raw.Scope == "window" ? TKeyScope::ksWindow : TKeyScope::ksSiblings;
  O.Strategy = Raw.Strategy == "best" ? TAssignStrategy::asBestCoverage : TAssignStrategy::asLetterSearch;
  O.ReservedLetters = Raw.Reserve;
  if (Raw.NonLatin == "append")
    O.NonLatin = TNonLatinMode::nlAppend;
  else if (Raw.NonLatin == "native")
    O.NonLatin = TNonLatinMode::nlNative;
  else
    O.NonLatin = TNonLatinMode::nlSkip;
  O.Placeholders = Raw.Placeholders == "skip" ? TPlaceholders::plSkip : TPlaceholders::plTreatAsCaption;
  return O;
}

// Where names the entry's source in messages: "--class-map", or a file and line.
std::pair<std::string, std::string> ParseClassMap(const std::string& Entry, const std::string& Where = "--class-map") {
  const std::size_t Equals = Entry.find('=');
  if (Equals == std::string::npos) throw EUsage(Where + ": expected FROM=TO, got '" + Entry + "'");
  std::string From = Entry.substr(0, Equals);
  std::string To = Entry.substr(Equals + 1);
  if (From.empty() || !IsValidIdent(From)) throw EUsage(Where + ": '" + From + "' is not a class name");
  if (To.empty() || !IsValidIdent(To)) throw EUsage(Where + ": '" + To + "' is not a class name");
  const TClassInfo* Known = FindClass(To);
  if (!Known || !Known->Factory()) throw EUsage(Where + ": '" + To + "' is not a class this program knows");
  return {std::move(From), std::move(To)};
}

// A class map file: one FROM=TO a line; blank lines and what follows '#' are ignored.
void ParseClassMapText(const std::string& Text, const std::string& Source,
                       std::vector<std::pair<std::string, std::string>>& Map) {
  std::size_t Start = 0;
  for (int Line = 1; Start <= Text.size(); ++Line) {
    std::size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    std::string Entry = Text.substr(Start, End - Start);
    Start = End + 1;
    if (const std::size_t Hash = Entry.find('#'); Hash != std::string::npos) Entry.erase(Hash);
    std::erase_if(Entry, [](char C) { return C == ' ' || C == '\t' || C == '\r'; });
    if (!Entry.empty()) Map.push_back(ParseClassMap(Entry, Source + ":" + std::to_string(Line)));
  }
}

// The lists as the editor window keeps them for this user. A damaged store
// reads as defaults and is kept aside; say so once.
void LoadUserOptions(TKeySettings& S, bool Quiet) {
  const std::filesystem::path Store = UserRegistryPath();
  const bool Damaged = TRegistry(Store).FoundDamaged();
  TClassLists Lists;
  LoadClassLists(Lists, Store);
  S.CaptionClasses = Lists.CaptionClasses.Items();
  S.NoCaptionClasses = Lists.NoCaptionClasses.Items();
  S.DefaultCaptions = Lists.DefaultCaptions.Items();
  if (Damaged && !Quiet)
    std::cerr << "keyloom: warning: the per-user store " << Store.string()
              << " could not be read; the built-in lists apply and the damaged file was kept aside\n";
}

void FillCommon(TCommonOptions& Options, const TRawOptions& Raw, const CLI::App& Sub) {
  Options.Files = Raw.Files;
  Options.Quiet = Raw.Quiet;
  Options.Jobs = Raw.Jobs;
  Options.Format = FormatNamed(Raw.Format);
  Options.SearchPaths = Raw.SearchPaths;
  Options.Strict = Raw.Strict;
  Options.Verbose = Raw.Verbose;
  Options.Window = !Raw.NoWindow;
  for (const std::string& Dir : Raw.SearchPaths)
    if (!std::filesystem::is_directory(Dir)) throw EUsage("--search-path: " + Dir + " is not a folder");
  Options.Catalogues = Raw.Catalogues;
  Options.NonLatinGiven = Sub.count("--non-latin") > 0;
  TKeySettings& S = Options.Settings;
  S.SortMethod = SortMethodOf(Raw.Sort);
  S.OnlyUnassigned = !Raw.Reassign;
  S.Options = KeyOptionsOf(Raw);
  if (Raw.UserOptions) LoadUserOptions(S, Raw.Quiet);
  if (Sub.count("--caption-classes")) S.CaptionClasses = SplitList(Raw.CaptionClasses);
  if (Sub.count("--no-caption-classes")) S.NoCaptionClasses = SplitList(Raw.NoCaptionClasses);
  if (Sub.count("--default-captions")) S.DefaultCaptions = SplitList(Raw.DefaultCaptions);
  Options.SettingsGiven = Sub.count("--sort") || Raw.Reassign || Raw.UserOptions || Sub.count("--caption-classes") ||
                          Sub.count("--no-caption-classes") || Sub.count("--default-captions") ||
                          Sub.count("--scope") || Sub.count("--strategy") || Sub.count("--reserve") ||
                          Sub.count("--non-latin") || Sub.count("--placeholders");
  RegisterKeyloomClasses();
  // The first entry for a class wins: the command line, then the user's files, then ours.
  for (const std::string& Entry : Raw.ClassMap) Options.ClassMap.push_back(ParseClassMap(Entry));
  for (const std::string& File : Raw.ClassMapFiles) {
    std::string Text;
    try {
      Text = ReadWholeFile(File);
    } catch (const EFileReadError& E) {
      throw EUsage("--class-map-file: " + E.Message());
    }
    ParseClassMapText(Text, File, Options.ClassMap);
  }
  if (!Raw.NoBuiltinClassMap) ParseClassMapText(ShippedClassMap, "shipped class map", Options.ClassMap);
}

int Run(int argc, char** argv) {
  TCommandLine Line;
  CLI::App& App = Line.App;
  TRawOptions& Raw = Line.Raw;
  CLI::App* const Assign = Line.Assign;
  CLI::App* const Convert = Line.Convert;
  CLI::App* const Check = Line.Check;
  CLI::App* const Tree = Line.Tree;
  CLI::App* const Stats = Line.Stats;

  try {
    App.parse(argc, argv);
  } catch (const CLI::ParseError& E) {
    const int Code = App.exit(E);
    return Code == 0 ? ExitSuccess : ExitFailure;
  }

  try {
    if (Assign->parsed()) {
      TAssignOptions Options;
      FillCommon(Options, Raw, *Assign);
      Options.ToStdout = Raw.ToStdout;
      Options.DryRun = Raw.DryRun;
      if (Options.ToStdout && Options.Catalogues.size() > 1) throw EUsage("--stdout: give exactly one catalogue");
      if (Options.ToStdout && Options.Catalogues.empty() && Options.Files.size() != 1)
        throw EUsage("--stdout: give exactly one file");
      return RunAssign(Options);
    }
    if (Convert->parsed()) {
      TConvertOptions Options;
      Options.Files = Raw.Files;
      Options.Quiet = Raw.Quiet;
      Options.Jobs = Raw.Jobs;
      Options.ToBinary = Raw.ConvertTo == "binary";
      Options.ToStdout = Raw.ToStdout;
      if (Options.ToStdout && Options.Files.size() != 1) throw EUsage("--stdout: give exactly one file");
      return RunConvert(Options);
    }
    if (Check->parsed()) {
      TCommonOptions Options;
      FillCommon(Options, Raw, *Check);
      return RunCheck(Options);
    }
    if (Stats->parsed()) {
      TStatsOptions Options;
      FillCommon(Options, Raw, *Stats);
      Options.AsIs = Raw.AsIs;
      Options.Participation = Raw.Participation;
      if (Raw.Json) Options.Format = TOutputFormat::Json;
      return RunStats(Options);
    }
    TTreeOptions Options;
    FillCommon(Options, Raw, *Tree);
    Options.Find = Raw.Find;
    return RunTree(Options);
  } catch (const EUsage& E) {
    std::cerr << "keyloom: " << E.what() << '\n';
    return ExitFailure;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int Code = ExitFailure;
  try {
    Code = Run(argc, argv);
  } catch (const std::exception& E) {
    std::cerr << "keyloom: " << E.what() << '\n';
  }
  // Results that never reached their file (a full disk, say) are no success.
  std::cout.flush();
  if (const int Error = keyloom::cli::OutputWriteError(); Error != 0 || !std::cout) {
    std::cerr << "keyloom: error: cannot write standard output"
              << (Error != 0 ? ": " + std::generic_category().message(Error) : std::string()) << '\n';
    return ExitFailure;
  }
  return Code;
}

#include "commands.hpp"

#include "json_output.hpp"
#include "ordered_pool.hpp"
#include "report.hpp"
#include "sarif.hpp"


#include <keyloom/caption_check.hpp>
#include <keyloom/stats.hpp>
#include <keyloom/support/files.hpp>
#include <keyloom/formfile/catalogue.hpp>
#include <keyloom/formfile/unified_diff.hpp>
#include <keyloom/formfile/window.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>
#include <tuple>

#include <sys/stat.h>

namespace keyloom::cli {

using formfile::TLoadedForm;

namespace {

// A file that could not be processed: the message names the file (and the
// place in it when there is one).
struct TFileFailure {
  std::string Message;
};

// "a/dir/form.dfm" for relative and absolute paths alike.
std::string DiffLabel(const char* Side, const std::string& File) {
  return std::string(Side) + (File.starts_with('/') ? "" : "/") + File;
}

[[noreturn]] void FailFile(const std::string& File, const std::string& Message) {
  throw TFileFailure{File + ": error: " + Message};
}

// A message with the paths below the working folder shown relative to it.
std::string ShownPaths(std::string Message) {
  std::error_code Error;
  const std::string Here = std::filesystem::current_path(Error).string() + "/";
  if (Error || Here.size() < 2) return Message;
  for (std::size_t At; (At = Message.find(Here)) != std::string::npos;) Message.erase(At, Here.size());
  return Message;
}

// Where the command finds ancestors and frames: below the given files' folders and the search paths.
std::unique_ptr<formfile::TWindowSources> MakeSources(const TCommonOptions& Options) {
  if (!Options.Window) return nullptr;
  std::vector<std::filesystem::path> Folders;
  for (const std::string& File : Options.Files) {
    std::filesystem::path Folder = std::filesystem::path(File).parent_path();
    Folders.push_back(Folder.empty() ? std::filesystem::path(".") : Folder);
  }
  for (const std::string& Dir : Options.SearchPaths) Folders.emplace_back(Dir);
  return std::make_unique<formfile::TWindowSources>(std::move(Folders));
}

// The other files of windows in a catalogue's language, one set per
// catalogue for the whole command.
const formfile::TTranslatedFiles& TranslatedFilesOf(const formfile::TCatalogue& Catalogue) {
  static std::mutex Mutex;
  static std::map<const formfile::TCatalogue*, std::unique_ptr<formfile::TTranslatedFiles>> Files;
  std::lock_guard Lock(Mutex);
  auto& Slot = Files[&Catalogue];
  if (!Slot) Slot = std::make_unique<formfile::TTranslatedFiles>(Catalogue);
  return *Slot;
}

// Only assign writes, and then captions only, never whole components.
// With a catalogue, the form is read as shown in its language; Texts gets what it matched.
std::unique_ptr<TLoadedForm> OpenForm(const std::string& File, const TCommonOptions& Options,
                                      const formfile::TWindowSources* Sources, TFileLog& Log, bool Writes = false,
                                      const formfile::TCatalogue* Catalogue = nullptr,
                                      std::vector<formfile::TTranslatedText>* Texts = nullptr) {
  std::string Bytes;
  try {
    Bytes = ReadWholeFile(File);
  } catch (const EFileReadError& E) {
    FailFile(File, E.Message());
  }
  formfile::TLoadOptions Load;
  Load.ClassMap = Options.ClassMap;
  Load.KeepState = false;
  Load.KeepCaptions = Writes;
  Load.Window = Sources;
  if (Catalogue)
    Load.OtherFile = [&Files = TranslatedFilesOf(*Catalogue)](const std::shared_ptr<formfile::TDocument>& Document) {
      return Files(Document);
    };
  try {
    formfile::TDocument Document = formfile::TDocument::Parse(std::move(Bytes), File);
    if (Catalogue) Document = formfile::TranslatedDocument(std::move(Document), *Catalogue, *Texts);
    auto Form = LoadFormForKeys(std::move(Document), Load);
    const formfile::TWindowReport& Window = Form->Window();
    if (!Window.Missing.empty()) {
      std::string Missing = ShownPaths(Window.Missing.front());
      if (Window.Missing.size() > 1) Missing += " (and " + std::to_string(Window.Missing.size() - 1) + " more)";
      if (Options.Strict) FailFile(File, Missing);
      Log.Message(File + ": warning: " + Missing);
    }
    if (Options.Verbose)
      for (const std::string& Note : Window.Notes) Log.Note(File + ": note: " + ShownPaths(Note));
    return Form;
  } catch (const formfile::EFormFileError& E) {
    const std::string Name = E.FileName().empty() ? File : E.FileName();
    if (E.Line() <= 0) throw TFileFailure{Name + ": error: " + E.Message()};
    throw TFileFailure{Name + ":" + std::to_string(E.Line()) + ":" + std::to_string(E.Column()) +
                       ": error: " + E.Message()};
  }
}

void AppendPosition(std::string& Out, const std::string& File, formfile::TPosition P) {
  Out += File;
  if (P.FLine <= 0) {
    if (P.FColumn > 0) Out += ":byte " + std::to_string(P.FColumn);  // a binary form
    return;
  }
  Out += ':';
  Out += std::to_string(P.FLine);
  Out += ':';
  Out += std::to_string(P.FColumn);
}

// Class and name of what a node stands for: a component, or one item of a radio group.
struct TSubject {
  std::string_view ClassName;
  std::string_view Name;
  int Item = -1;
  std::string_view Action;  // the action whose caption it shows
};

TSubject SubjectOf(const TObject* Object) {
  TSubject S;
  if (const auto* Proxy = AsClass<TRadioGroupIndex>(Object)) {
    if (const TRadioGroup* Group = Proxy->GetRadioGroup()) {
      S.ClassName = Group->ClassName();
      S.Name = Group->GetName();
    }
    S.Item = Proxy->GetIndex();
    return S;
  }
  if (!Object) return S;
  S.ClassName = Object->ClassName();
  if (const auto* C = AsClass<TComponent>(Object)) S.Name = C->GetName();
  if (const TCustomAction* Action = CaptionActionOf(Object)) S.Action = Action->GetName();
  return S;
}

void AppendDescription(std::string& Out, const TObject* Object) {
  const TSubject S = SubjectOf(Object);
  Out += S.ClassName;
  if (!S.Name.empty()) {
    Out += ' ';
    Out += S.Name;
  }
  if (S.Item >= 0) {
    Out += ", item ";
    Out += std::to_string(S.Item);
  }
  if (!S.Action.empty()) {
    Out += ", from action ";
    Out += S.Action;
  }
}

std::string Describe(const TObject* Object) {
  std::string Out;
  AppendDescription(Out, Object);
  return Out;
}

void AppendQuoted(std::string& Out, std::string_view Caption) {
  Out += '\'';
  AppendDisplayText(Out, Caption);
  Out += '\'';
}

void AddSubject(TJson& Out, const TObject* Object) {
  const TSubject S = SubjectOf(Object);
  Out["class"] = S.ClassName;
  Out["name"] = S.Name;
  if (S.Item >= 0) Out["item"] = S.Item;
  if (!S.Action.empty()) Out["action"] = S.Action;
}

void AddPosition(TJson& Out, formfile::TPosition P) {
  if (P.FLine <= 0 && P.FColumn > 0) {  // a binary form
    Out["offset"] = P.FColumn;
    return;
  }
  Out["line"] = P.FLine;
  Out["column"] = P.FColumn;
}

// Runs Work(File, Log, Tally) on every file, on Jobs threads, each file on
// one; what a file printed and counted is handed on in the files' order, so
// that the run prints and counts as one on a single thread would. Failures are
// reported and counted, the other files go on; what a failed file counted
// before it failed still counts.
template <class TTally, class TWork>
int ForEachFile(const std::vector<std::string>& Files, unsigned Jobs, TReporter& Reporter, TTally& Total, TWork Work,
                std::size_t Done = 0) {
  struct TOutcome {
    TFileLog Log;
    TTally Tally;
    bool Failed = false;
  };
  const unsigned Threads = ThreadsFor(Files.size(), Jobs);
  // A few files a thread ahead of the printing keeps both busy and memory small.
  std::vector<TOutcome> Slots(std::min<std::size_t>(Files.size(), std::size_t{16} * Threads));
  int Failed = 0;
  RunOrdered(
      Files.size(), Threads, Slots.size(),
      [&](std::size_t I) {
        const std::string& File = Files[I];
        TOutcome& Outcome = Slots[I % Slots.size()];
        auto Fail = [&](const std::string& Message) {
          Outcome.Log.Message(Message);
          Outcome.Failed = true;
        };
        try {
          Work(File, Outcome.Log, Outcome.Tally);
        } catch (const TFileFailure& E) {
          Fail(E.Message);
        } catch (const EFileWriteError& E) {
          Fail(File + ": error: " + E.Message());
        } catch (const std::exception& E) {
          Fail(File + ": error: " + E.what());
        }
      },
      [&](std::size_t I) {
        TOutcome& Outcome = Slots[I % Slots.size()];
        Reporter.Progress(Done + I, Files[I]);
        Outcome.Log.Replay(Reporter);
        Total += Outcome.Tally;
        if (Outcome.Failed) ++Failed;
        Outcome = TOutcome{};
      });
  Reporter.FlushOut();
  Reporter.ClearProgress();
  return Failed;
}

TKeySettings SettingsFor(TLoadedForm& Form, const std::string& File, const TCommonOptions& Options, TFileLog& Log,
                         bool* StoredOut = nullptr) {
  bool Stored = false;
  TKeySettings Settings = EffectiveSettings(Form, Options.Settings, &Stored);
  if (StoredOut) *StoredOut = Stored;
  if (Stored && Options.SettingsGiven)
    Log.Note(File + ": note: the form holds its own TKeyloom; its stored settings are used");
  if (Stored && !Settings.Active) Log.Note(File + ": note: the form's TKeyloom is not active; nothing changes");
  return Settings;
}

// Whether two of the files are one (the same name twice, a link to another):
// rewriting it on two threads at once would lose one of the runs.
bool NamesAFileTwice(const std::vector<std::string>& Files) {
  std::set<std::pair<dev_t, ino_t>> Seen;
  for (const std::string& File : Files) {
    struct stat Info {};
    if (::stat(File.c_str(), &Info) != 0) continue;
    if (!Seen.insert({Info.st_dev, Info.st_ino}).second) return true;
  }
  return false;
}

// The files in the order their windows need them: every form after the
// ancestors and frames among the files that it takes (through other files
// too), each level in the order given; a level's files need none of each other.
std::vector<std::vector<std::string>> DependencyLevels(const std::vector<std::string>& Files,
                                                       const formfile::TWindowSources* Sources) {
  namespace fs = std::filesystem;
  if (!Sources || Files.size() < 2) return {Files};
  auto Canonical = [](const std::string& File) {
    std::error_code Error;
    fs::path Path = fs::weakly_canonical(File, Error);
    return Error ? fs::absolute(File).lexically_normal() : Path;
  };
  std::set<fs::path> Given;
  for (const std::string& File : Files) Given.insert(Canonical(File));
  std::map<fs::path, std::vector<fs::path>> Uses;
  auto UsesOf = [&](const fs::path& Path) -> const std::vector<fs::path>& {
    auto [It, Added] = Uses.try_emplace(Path);
    if (!Added) return It->second;
    try {
      It->second = Sources->FilesUsedBy(formfile::TDocument::Parse(ReadWholeFile(Path), Path.string()));
    } catch (const std::exception&) {
      // A file that cannot be read fails in its own turn, or as the ancestor it is.
    }
    return It->second;
  };
  std::map<fs::path, int> Levels;
  std::set<fs::path> Visiting;
  // The level of a given file: one past the highest it reaches; -1 for none.
  std::function<int(const fs::path&)> LevelOf = [&](const fs::path& Path) -> int {
    if (auto Found = Levels.find(Path); Found != Levels.end()) return Found->second;
    // A cycle is cut here; loading reports it.
    if (!Visiting.insert(Path).second) return -1;
    int Highest = -1;
    for (const fs::path& Used : UsesOf(Path)) Highest = std::max(Highest, LevelOf(Used));
    Visiting.erase(Path);
    return Levels[Path] = Given.count(Path) ? Highest + 1 : Highest;
  };
  std::vector<std::vector<std::string>> Out;
  for (const std::string& File : Files) {
    const auto Level = static_cast<std::size_t>(std::max(0, LevelOf(Canonical(File))));
    if (Out.size() <= Level) Out.resize(Level + 1);
    Out[Level].push_back(File);
  }
  std::erase_if(Out, [](const std::vector<std::string>& Level) { return Level.empty(); });
  return Out;
}

struct TUnknownTally {
  int Objects = 0;
  std::set<std::string> Classes;
  std::map<std::string, int> WithCaptions;

  void Add(const TLoadedForm& Form) {
    Objects += Form.UnknownObjectCount();
    Classes.insert(Form.UnknownClasses().begin(), Form.UnknownClasses().end());
    for (const auto& [Name, Count] : Form.UnknownWithCaptions()) WithCaptions[Name] += Count;
  }
  TUnknownTally& operator+=(const TUnknownTally& Other) {
    Objects += Other.Objects;
    Classes.insert(Other.Classes.begin(), Other.Classes.end());
    for (const auto& [Name, Count] : Other.WithCaptions) WithCaptions[Name] += Count;
    return *this;
  }
  // One line on what mapping would bring in, the classes with the most first.
  std::string Hint() const {
    if (WithCaptions.empty()) return {};
    std::vector<std::pair<std::string, int>> Order(WithCaptions.begin(), WithCaptions.end());
    std::stable_sort(Order.begin(), Order.end(), [](const auto& A, const auto& B) { return A.second > B.second; });
    int Objects = 0;
    std::string Classes;
    for (std::size_t I = 0; I < Order.size(); ++I) {
      Objects += Order[I].second;
      if (I < 8) Classes += (I ? ", " : "") + Order[I].first + " " + std::to_string(Order[I].second);
    }
    if (Order.size() > 8) Classes += ", ...";
    return "keyloom check: hint: " + std::to_string(Objects) + (Objects == 1 ? " object" : " objects") +
           " of unknown classes show captions or hold menu items that take no part (" + Classes +
           "); map each class to the known class it behaves as with --class-map FROM=TO or --class-map-file FILE";
  }
  std::string Text() const {
    if (Objects == 0) return {};
    std::string Out = ", " + std::to_string(Objects) + (Objects == 1 ? " object" : " objects") +
                      (Classes.size() == 1 ? " of an unknown class (" : " of unknown classes (");
    int Shown = 0;
    for (const std::string& Name : Classes) {
      if (Shown == 5) {
        Out += ", ...";
        break;
      }
      Out += (Shown++ ? ", " : "") + Name;
    }
    return Out + ")";
  }
};

std::string Plural(std::size_t Count, const std::string& One, const std::string& Many) {
  return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

}  // namespace

namespace {

struct TAssignTally {
  std::size_t Read = 0, Changed = 0;
  int Given = 0;
  TUnknownTally Unknown;

  TAssignTally& operator+=(const TAssignTally& Other) {
    Read += Other.Read;
    Changed += Other.Changed;
    Given += Other.Given;
    Unknown += Other.Unknown;
    return *this;
  }
};

}  // namespace

int RunAssign(const TAssignOptions& Options) {
  if (!Options.Catalogues.empty()) return RunAssignTranslated(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  TAssignTally Total;
  const bool InPlace = !Options.DryRun && !Options.ToStdout;
  const unsigned Jobs = InPlace && NamesAFileTwice(Options.Files) ? 1 : Options.Jobs;
  const auto Sources = MakeSources(Options);
  int Failed = 0;
  std::size_t Done = 0;
  for (const std::vector<std::string>& Level : DependencyLevels(Options.Files, Sources.get())) {
  Failed += ForEachFile(Level, Jobs, Reporter, Total, [&](const std::string& File, TFileLog& Log,
                                                                     TAssignTally& Tally) {
    auto Form = OpenForm(File, Options, Sources.get(), Log, true);
    Tally.Unknown.Add(*Form);
    SettingsFor(*Form, File, Options, Log);
    RunKeys(*Form, Options.Settings);
    const int FileGiven = formfile::CountCaptionsGivenALetter(*Form);
    Form->StoreCaptions();
    std::string After = Form->Render();
    const std::string& Before = Form->Document().Source();
    ++Tally.Read;
    const bool Changes = After != Before;
    if (Options.ToStdout) {
      Log.Out(std::move(After));
    } else if (Changes) {
      if (Options.DryRun && Form->Document().IsBinary())
        // Bytes make no readable diff: the text the designer would show for each.
        Log.Out(formfile::UnifiedDiff(formfile::RenderAsText(formfile::TDocument::Parse(Before, File)),
                                      formfile::RenderAsText(formfile::TDocument::Parse(After, File)),
                                      DiffLabel("a", File) + " (text rendering of a binary form)",
                                      DiffLabel("b", File) + " (text rendering of a binary form)"));
      else if (Options.DryRun)
        Log.Out(formfile::UnifiedDiff(Before, After, DiffLabel("a", File), DiffLabel("b", File)));
      else {
        WriteFileAtomically(File, After);
        // Forms read later take this one as it now stands.
        if (Sources) Sources->Forget(File);
      }
    }
    // A file that could not be written has not changed.
    if (Changes) {
      ++Tally.Changed;
      Tally.Given += FileGiven;
    }
  }, Done);
  Done += Level.size();
  }
  const auto& [Read, Changed, Given, Unknown] = Total;
  const bool WouldOnly = Options.DryRun || Options.ToStdout;
  Reporter.Note("keyloom assign: " + Plural(Read, "file", "files") + " read, " + std::to_string(Changed) +
                (WouldOnly ? " would change, " : " changed, ") +
                Plural(static_cast<std::size_t>(Given), "caption", "captions") +
                (WouldOnly ? " would get a letter, " : " given a letter, ") +
                Plural(static_cast<std::size_t>(Failed), "error", "errors") + Unknown.Text());
  return Failed ? ExitFailure : ExitSuccess;
}

namespace {

struct TConvertTally {
  std::size_t Read = 0, Converted = 0;

  TConvertTally& operator+=(const TConvertTally& Other) {
    Read += Other.Read;
    Converted += Other.Converted;
    return *this;
  }
};

}  // namespace

int RunConvert(const TConvertOptions& Options) {
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  TConvertTally Total;
  const unsigned Jobs = NamesAFileTwice(Options.Files) ? 1 : Options.Jobs;
  const int Failed = ForEachFile(Options.Files, Jobs, Reporter, Total, [&](const std::string& File, TFileLog& Log,
                                                                      TConvertTally& Tally) {
    std::string Bytes;
    try {
      Bytes = ReadWholeFile(File);
    } catch (const EFileReadError& E) {
      FailFile(File, E.Message());
    }
    std::optional<formfile::TDocument> Document;
    try {
      Document.emplace(formfile::TDocument::Parse(std::move(Bytes), File));
    } catch (const formfile::EFormFileError& E) {
      if (E.Line() <= 0) FailFile(File, E.Message());
      throw TFileFailure{File + ":" + std::to_string(E.Line()) + ":" + std::to_string(E.Column()) +
                         ": error: " + E.Message()};
    }
    ++Tally.Read;
    const bool Already = Document->IsBinary() == Options.ToBinary;
    std::string Out = Already ? Document->Source()
                              : Options.ToBinary ? formfile::RenderAsBinary(*Document) : formfile::RenderAsText(*Document);
    if (Options.ToStdout) {
      Log.Out(std::move(Out));
    } else if (!Already) {
      WriteFileAtomically(File, Out);
    }
    if (!Already) ++Tally.Converted;
  });
  Reporter.Note("keyloom convert: " + Plural(Total.Read, "file", "files") + " read, " + std::to_string(Total.Converted) +
                (Options.ToBinary ? " converted to binary, " : " converted to text, ") +
                Plural(static_cast<std::size_t>(Failed), "error", "errors"));
  return Failed ? ExitFailure : ExitSuccess;
}

namespace {

struct TCheckTally {
  std::size_t Read = 0, Clashes = 0, Missing = 0;
  TUnknownTally Unknown;
  std::vector<TJson> Results;  // SARIF: one log for the whole run

  TCheckTally& operator+=(const TCheckTally& Other) {
    Read += Other.Read;
    Clashes += Other.Clashes;
    Missing += Other.Missing;
    Unknown += Other.Unknown;
    Results.insert(Results.end(), Other.Results.begin(), Other.Results.end());
    return *this;
  }
};

// A form's problems, in the order they stand in its file.
struct TPlaced {
  formfile::TPosition Where;
  const TCaptionProblem* Problem;
  // A clash with a caption another file of the window gives: Here is this
  // file's caption (the problem's Other when Swapped), There the other's place.
  bool Swapped = false;
  formfile::TWindowPlace There;
};

// A file of the window as the user would name it: relative to where the command runs when below it.
std::string ShownPath(const std::string& Path) {
  std::error_code Error;
  const std::filesystem::path Relative = std::filesystem::proximate(Path, Error);
  return Error || Relative.empty() ? Path : Relative.string();
}

std::vector<TCaptionProblem> FindProblems(TCustomTreeView& Tree, TLoadedForm& Form, const TKeySettings& Settings) {
  BuildWorkingTree(Tree, Form.Form(), Settings);
  const TSettingLists Lists(Settings);
  std::vector<TCaptionProblem> Problems = CheckCaptions(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses,
                                                        Lists.DefaultCaptions, Settings.OnlyUnassigned, Settings.Options);
  // A form whose TKeyloom is switched off never gets letters: nothing is missing there.
  if (!Settings.Active)
    std::erase_if(Problems, [](const TCaptionProblem& P) { return P.Kind == TCaptionProblemKind::cpMissing; });
  return Problems;
}

// In a window, captions another file gives are that file's problems, unless
// they clash with one of this file's.
std::vector<TPlaced> InFileOrder(const TLoadedForm& Form, const std::vector<TCaptionProblem>& Problems) {
  std::vector<TPlaced> Placed;
  const bool Window = !Form.Window().Files.empty();
  for (const TCaptionProblem& P : Problems) {
    if (!Window) {
      Placed.push_back({formfile::CaptionPosition(Form, P.Node->GetData()), &P, false, {}});
      continue;
    }
    const bool Mine = !formfile::CaptionFromOtherFile(Form, P.Node->GetData());
    if (P.Kind != TCaptionProblemKind::cpClash) {
      if (Mine) Placed.push_back({formfile::CaptionPosition(Form, P.Node->GetData()), &P, false, {}});
      continue;
    }
    const bool OtherMine = !formfile::CaptionFromOtherFile(Form, P.OtherComponent);
    if (!Mine && !OtherMine) continue;
    TPlaced Entry{formfile::CaptionPosition(Form, Mine ? P.Node->GetData() : P.OtherComponent), &P, !Mine, {}};
    if (!Mine || !OtherMine) Entry.There = formfile::CaptionPlace(Form, Mine ? P.OtherComponent : P.Node->GetData());
    Placed.push_back(Entry);
  }
  std::stable_sort(Placed.begin(), Placed.end(), [](const TPlaced& A, const TPlaced& B) {
    return std::pair(A.Where.FLine, A.Where.FColumn) < std::pair(B.Where.FLine, B.Where.FColumn);
  });
  return Placed;
}

std::string ProblemMessage(const TPlaced& Placed) {
  const TCaptionProblem& P = *Placed.Problem;
  std::string Message;
  if (P.Kind == TCaptionProblemKind::cpClash && Placed.There.File) {
    Message += "accelerator '";
    AppendDisplayText(Message, P.Accelerator);
    Message += "' of ";
    AppendQuoted(Message, Placed.Swapped ? P.OtherCaption : P.Caption);
    Message += " (";
    AppendDescription(Message, Placed.Swapped ? P.OtherComponent : P.Node->GetData());
    Message += ") clashes with ";
    AppendQuoted(Message, Placed.Swapped ? P.Caption : P.OtherCaption);
    Message += " (";
    AppendDescription(Message, Placed.Swapped ? P.Node->GetData() : P.OtherComponent);
    Message += ") inherited from ";
    AppendPosition(Message, ShownPath(*Placed.There.File), Placed.There.Position);
    return Message;
  }
  if (P.Kind == TCaptionProblemKind::cpClash) {
    Message += "accelerator '";
    AppendDisplayText(Message, P.Accelerator);
    Message += "' of ";
    AppendQuoted(Message, P.Caption);
    Message += " (";
    AppendDescription(Message, P.Node->GetData());
    Message += P.Inherited ? ") is already used by " : ") is also used by ";
    AppendQuoted(Message, P.OtherCaption);
    Message += " (";
    AppendDescription(Message, P.OtherComponent);
    Message += P.Inherited ? ") in an enclosing group" : ")";
    return Message;
  }
  AppendQuoted(Message, P.Caption);
  Message += " (";
  AppendDescription(Message, P.Node->GetData());
  Message += ") has no accelerator; assign would make it ";
  AppendQuoted(Message, P.Suggestion);
  return Message;
}

void AppendProblemText(std::string& Out, const std::string& File, const TPlaced& Placed, const std::string& Message) {
  AppendPosition(Out, File, Placed.Where);
  Out += ": ";
  Out += Message;
  Out += '\n';
}

void AppendProblemJson(std::string& Out, const std::string& File, const TLoadedForm& Form, const TPlaced& Placed,
                       const std::string& Message) {
  const TCaptionProblem& P = *Placed.Problem;
  const bool Clash = P.Kind == TCaptionProblemKind::cpClash;
  const TObject* Here = Placed.Swapped ? P.OtherComponent : P.Node->GetData();
  const TObject* There = Placed.Swapped ? P.Node->GetData() : P.OtherComponent;
  TJson Line;
  Line["file"] = File;
  AddPosition(Line, Placed.Where);
  Line["kind"] = Clash ? "clash" : "missing";
  Line["caption"] = Placed.Swapped ? P.OtherCaption : P.Caption;
  AddSubject(Line, Here);
  if (Clash) {
    Line["accelerator"] = P.Accelerator;
    Line["inherited"] = P.Inherited;
    TJson Other;
    Other["caption"] = Placed.Swapped ? P.Caption : P.OtherCaption;
    AddSubject(Other, There);
    if (Placed.There.File) {
      Other["file"] = ShownPath(*Placed.There.File);
      AddPosition(Other, Placed.There.Position);
    } else {
      AddPosition(Other, formfile::CaptionPosition(Form, There));
    }
    Line["other"] = std::move(Other);
  } else {
    Line["suggestion"] = P.Suggestion;
  }
  Line["message"] = Message;
  AppendJson(Out, Line);
  Out += '\n';
}

// The span of an object's caption in this form's file, else where the text output places it.
TRegion CaptionRegion(const TLoadedForm& Form, const TObject* Object, formfile::TPosition Where) {
  if (const formfile::TValue* Value = formfile::CaptionValue(Form, Object))
    return RegionOfSpan(Form.Document().Source(), Value->FSpan, Where.FLine <= 0);
  return RegionAt(Where);
}

TJson ProblemSarif(const std::string& File, const TLoadedForm& Form, const TPlaced& Placed, const std::string& Message) {
  const TCaptionProblem& P = *Placed.Problem;
  const TObject* Here = Placed.Swapped ? P.OtherComponent : P.Node->GetData();
  const TObject* There = Placed.Swapped ? P.Node->GetData() : P.OtherComponent;
  const TSarifLocation Where{File, CaptionRegion(Form, Here, Placed.Where), {}};
  if (P.Kind != TCaptionProblemKind::cpClash) return SarifResult(TRule::Missing, Message, Where);
  TSarifLocation Other;
  AppendQuoted(Other.Message, Placed.Swapped ? P.Caption : P.OtherCaption);
  Other.Message += " (";
  AppendDescription(Other.Message, There);
  Other.Message += ')';
  if (Placed.There.File) {
    Other.File = ShownPath(*Placed.There.File);
    Other.Region = RegionAt(Placed.There.Position);
  } else {
    Other.File = File;
    Other.Region = CaptionRegion(Form, There, formfile::CaptionPosition(Form, There));
  }
  return SarifResult(TRule::Clash, Message, Where, {Other});
}

std::string ProblemWorkflowCommand(const std::string& File, const TLoadedForm& Form, const TPlaced& Placed,
                                   const std::string& Message) {
  const TCaptionProblem& P = *Placed.Problem;
  const TObject* Here = Placed.Swapped ? P.OtherComponent : P.Node->GetData();
  return WorkflowCommand(P.Kind == TCaptionProblemKind::cpClash ? TRule::Clash : TRule::Missing, File,
                         CaptionRegion(Form, Here, Placed.Where), Message);
}

void CheckFile(const std::string& File, const TCommonOptions& Options, const formfile::TWindowSources* Sources,
               TFileLog& Log, TCheckTally& Tally) {
  auto Form = OpenForm(File, Options, Sources, Log);
  Tally.Unknown.Add(*Form);
  const TKeySettings Settings = SettingsFor(*Form, File, Options, Log);
  TTreeView Tree(nullptr);
  const std::vector<TCaptionProblem> Problems = FindProblems(Tree, *Form, Settings);
  std::string Text;
  for (const TPlaced& Placed : InFileOrder(*Form, Problems)) {
    const std::string Message = ProblemMessage(Placed);
    if (Placed.Problem->Kind == TCaptionProblemKind::cpClash)
      ++Tally.Clashes;
    else
      ++Tally.Missing;
    switch (Options.Format) {
      case TOutputFormat::Text: AppendProblemText(Text, File, Placed, Message); break;
      case TOutputFormat::Json: AppendProblemJson(Text, File, *Form, Placed, Message); break;
      case TOutputFormat::Sarif: Tally.Results.push_back(ProblemSarif(File, *Form, Placed, Message)); break;
      case TOutputFormat::Github: Text += ProblemWorkflowCommand(File, *Form, Placed, Message); break;
    }
  }
  ++Tally.Read;
  Log.Out(std::move(Text));
}

}  // namespace

int RunCheck(const TCommonOptions& Options) {
  if (!Options.Catalogues.empty()) return RunCheckTranslated(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  TCheckTally Total;
  const auto Sources = MakeSources(Options);
  const int Failed = ForEachFile(Options.Files, Options.Jobs, Reporter, Total,
                                 [&](const std::string& File, TFileLog& Log, TCheckTally& Tally) {
                                   CheckFile(File, Options, Sources.get(), Log, Tally);
                                 });
  if (Options.Format == TOutputFormat::Sarif)
    std::cout << SarifLog(std::move(Total.Results), Failed == 0) << std::flush;
  const auto& [Read, Clashes, Missing, Unknown] = std::tie(Total.Read, Total.Clashes, Total.Missing, Total.Unknown);
  Reporter.Note("keyloom check: " + Plural(Read, "file", "files") + " read, " +
                Plural(Clashes + Missing, "problem", "problems") + " (" + Plural(Clashes, "clash", "clashes") + ", " +
                Plural(Missing, "missing accelerator", "missing accelerators") + "), " +
                Plural(static_cast<std::size_t>(Failed), "error", "errors") + Unknown.Text());
  if (const std::string Hint = Unknown.Hint(); !Hint.empty()) Reporter.Note(Hint);
  if (Failed) return ExitFailure;
  return Clashes + Missing > 0 ? ExitProblems : ExitSuccess;
}

namespace {

// The file a node's caption comes from when it is not this one, else empty.
std::string OtherFileOf(const TLoadedForm& Form, const TTreeNode& Node) {
  if (!formfile::CaptionFromOtherFile(Form, Node.GetData())) return {};
  const formfile::TWindowPlace Place = formfile::CaptionPlace(Form, Node.GetData());
  return Place.File ? ShownPath(*Place.File) : std::string();
}

void PrintTreeText(const TLoadedForm& Form, TCustomTreeView& Tree, std::ostream& Out) {
  const TTreeNodes& Items = Tree.GetItems();
  const int Count = Items.GetCount();
  for (int I = 0; I < Count; ++I) {
    const TTreeNode* Node = Items.GetNodeFromIndex(I);
    Out << std::string(static_cast<std::size_t>(Node->GetLevel()) * 2, ' ') << DisplayText(Node->GetText()) << " ("
        << Describe(Node->GetData()) << ")";
    if (const std::string From = OtherFileOf(Form, *Node); !From.empty()) Out << " [from " << DisplayText(From) << "]";
    Out << '\n';
  }
}

// Nested objects without recursion: a form nests as deep as its file does.
void PrintTreeJson(const TLoadedForm& Form, TCustomTreeView& Tree, const std::string& File, bool Stored, bool Found,
                   std::ostream& Out) {
  TJson Root;
  Root["file"] = File;
  Root["settings"] = Stored ? "stored" : "options";
  Root["found"] = Found;
  Root["nodes"] = TJson::array();
  // The children lists open down to the last node; a node a level deeper
  // than the last opens that node's list.
  std::vector<TJson*> Open{&Root["nodes"]};
  const TTreeNodes& Items = Tree.GetItems();
  const int Count = Items.GetCount();
  for (int I = 0; I < Count; ++I) {
    const TTreeNode* Node = Items.GetNodeFromIndex(I);
    const auto Level = static_cast<std::size_t>(Node->GetLevel());
    if (Level + 1 > Open.size()) {
      TJson& Parent = Open.back()->back();
      Parent["children"] = TJson::array();
      Open.push_back(&Parent["children"]);
    }
    Open.resize(Level + 1);
    TJson Entry;
    Entry["text"] = Node->GetText();
    AddSubject(Entry, Node->GetData());
    AddPosition(Entry, formfile::CaptionPosition(Form, Node->GetData()));
    if (std::string From = OtherFileOf(Form, *Node); !From.empty()) Entry["from"] = std::move(From);
    Open.back()->push_back(std::move(Entry));
  }
  std::string Text;
  AppendJson(Text, Root);
  Out << Text << '\n';
}

}  // namespace

namespace {

struct TNoTally {
  TNoTally& operator+=(const TNoTally&) { return *this; }
};

}  // namespace

int RunTree(const TTreeOptions& Options) {
  if (!Options.Catalogues.empty()) return RunTreeTranslated(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  TNoTally None;
  const auto Sources = MakeSources(Options);
  const int Failed = ForEachFile(Options.Files, Options.Jobs, Reporter, None, [&](const std::string& File, TFileLog& Log,
                                                                            TNoTally&) {
    auto Form = OpenForm(File, Options, Sources.get(), Log);
    bool Stored = false;
    const TKeySettings Settings = SettingsFor(*Form, File, Options, Log, &Stored);
    TTreeView Tree(nullptr);
    BuildWorkingTree(Tree, Form->Form(), Settings);
    const bool Found = Options.Find && Settings.Active;
    if (Found)
      FindInWorkingTree(Tree, Settings, [&Form](const TObject* Component) {
        return formfile::CaptionFromOtherFile(*Form, Component);
      });
    std::ostringstream Out;
    if (Options.Format == TOutputFormat::Json)
      PrintTreeJson(*Form, Tree, File, Stored, Found, Out);
    else
      PrintTreeText(*Form, Tree, Out);
    Log.Out(std::move(Out).str());
  });
  return Failed ? ExitFailure : ExitSuccess;
}

namespace {

// A share with one decimal, "-" when there is nothing to share.
std::string Percent(std::size_t Part, std::size_t Whole) {
  if (Whole == 0) return "-";
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%.1f%%", 100.0 * static_cast<double>(Part) / static_cast<double>(Whole));
  return Buffer;
}

void AddParticipation(TJson& Out, const stats::TCaptionStats& S) {
  Out["captioned"] = S.Captioned;
  Out["taking_part"] = S.TakingPart;
  Out["participation"] = JsonRatio(S.TakingPart, S.Captioned);
  Out["from_actions"] = S.FromActions;
}

std::string TextParticipation(const stats::TCaptionStats& S) {
  return "participation: " + std::to_string(S.TakingPart) + " of " + std::to_string(S.Captioned) +
         " captions take part (" + Percent(S.TakingPart, S.Captioned) + "), " + std::to_string(S.FromActions) +
         " of them through an action";
}

void AddFigures(TJson& Out, const stats::TCaptionStats& S) {
  Out["eligible"] = S.Eligible;
  Out["covered"] = S.Covered;
  Out["coverage"] = JsonRatio(S.Covered, S.Eligible);
  Out["clashes"] = S.Clashes;
  Out["marked"] = S.Marked;
  Out["first_letters"] = S.FirstLetters;
  Out["first_letter_share"] = JsonRatio(S.FirstLetters, S.Marked);
  Out["maximum"] = S.Maximum;
  Out["maximum_coverage"] = JsonRatio(S.Maximum, S.Eligible);
  Out["unproven"] = S.Unproven;
}

constexpr const char* StatsHeader =
    " eligible  covered coverage  clashes   marked first-letter  maximum max-coverage  file";

std::string TextFigures(const stats::TCaptionStats& S, const std::string& Label) {
  char Buffer[160];
  std::snprintf(Buffer, sizeof Buffer, "%9zu %8zu %8s %8zu %8zu %12s %8zu %12s  ", S.Eligible, S.Covered,
                Percent(S.Covered, S.Eligible).c_str(), S.Clashes, S.Marked,
                Percent(S.FirstLetters, S.Marked).c_str(), S.Maximum, Percent(S.Maximum, S.Eligible).c_str());
  return Buffer + DisplayText(Label);
}

}  // namespace

namespace {

struct TStatsTally {
  stats::TCaptionStats Figures;
  std::size_t Measured = 0;

  TStatsTally& operator+=(const TStatsTally& Other) {
    Figures += Other.Figures;
    Measured += Other.Measured;
    return *this;
  }
};

}  // namespace

int RunStats(const TStatsOptions& Options) {
  if (!Options.Catalogues.empty()) return RunStatsTranslated(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  const bool Json = Options.Format == TOutputFormat::Json;
  TStatsTally Tallied;
  if (!Json) std::cout << StatsHeader << '\n' << std::flush;
  const auto Sources = MakeSources(Options);
  const int Failed = ForEachFile(Options.Files, Options.Jobs, Reporter, Tallied, [&](const std::string& File, TFileLog& Log,
                                                                               TStatsTally& Tally) {
    auto Form = OpenForm(File, Options, Sources.get(), Log);
    bool Stored = false;
    SettingsFor(*Form, File, Options, Log, &Stored);
    const stats::TCaptionStats S = stats::MeasureForm(*Form, Options.Settings, !Options.AsIs);
    Tally.Figures += S;
    ++Tally.Measured;
    if (Json) {
      TJson Line;
      Line["kind"] = "file";
      Line["file"] = File;
      Line["settings"] = Stored ? "stored" : "options";
      AddFigures(Line, S);
      if (Options.Participation) AddParticipation(Line, S);
      Log.Out(JsonLine(Line));
    } else {
      Log.Out(TextFigures(S, File) + '\n');
    }
  });
  const stats::TCaptionStats& Total = Tallied.Figures;
  const std::size_t Measured = Tallied.Measured;
  const std::string Files = Plural(Measured, "file", "files");
  if (Json) {
    TJson Line;
    Line["kind"] = "total";
    Line["files"] = Measured;
    Line["errors"] = Failed;
    AddFigures(Line, Total);
    if (Options.Participation) AddParticipation(Line, Total);
    std::cout << JsonLine(Line);
  } else {
    std::cout << TextFigures(Total, "total (" + Files + ", " +
                                        Plural(static_cast<std::size_t>(Failed), "error", "errors") + ")")
              << '\n';
  }
  if (!Json && Total.Unproven > 0)
    std::cout << "maximum not proven in " << Plural(Total.Unproven, "scope", "scopes")
              << " (the most found is counted)\n";
  if (!Json && Options.Participation) std::cout << TextParticipation(Total) << '\n';
  std::cout << std::flush;
  return Measured == 0 && Failed > 0 ? ExitFailure : ExitSuccess;
}

// ---- Forms as shown in the languages of translation catalogues ----

namespace {

using formfile::TCatalogue;
using formfile::TTranslatedText;

TCatalogue OpenCatalogue(const std::string& File) {
  std::string Bytes;
  try {
    Bytes = ReadWholeFile(File);
  } catch (const EFileReadError& E) {
    FailFile(File, E.Message());
  }
  try {
    return TCatalogue::Parse(std::move(Bytes), File);
  } catch (const formfile::ECatalogueError& E) {
    throw TFileFailure{File + ":" + std::to_string(E.Line()) + ":" + std::to_string(E.Column()) +
                       ": error: " + E.Message()};
  }
}

// Every catalogue named, or none: a broken one is reported and the command fails before any run.
std::vector<TCatalogue> OpenCatalogues(const TCommonOptions& Options, TReporter& Reporter) {
  std::vector<TCatalogue> Catalogues;
  bool Failed = false;
  for (const std::string& File : Options.Catalogues) {
    try {
      Catalogues.push_back(OpenCatalogue(File));
    } catch (const TFileFailure& E) {
      Reporter.Note(E.Message);
      Failed = true;
    }
  }
  if (Failed) Catalogues.clear();
  return Catalogues;
}

// A translation's own alphabet gives its letters; Chinese, Japanese and Korean
// windows append "(&X)". What --non-latin says wins.
TKeySettings LanguageSettings(TKeySettings Settings, const TCatalogue& Catalogue, const TCommonOptions& Options) {
  if (Options.NonLatinGiven) return Settings;
  const std::string& L = Catalogue.Language();
  const bool Ideographic = L.starts_with("zh") || L.starts_with("ja") || L.starts_with("ko");
  Settings.Options.NonLatin = Ideographic ? TNonLatinMode::nlAppend : TNonLatinMode::nlNative;
  return Settings;
}

std::string LowerAscii(std::string_view Text) {
  std::string Out(Text);
  for (char& C : Out)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Out;
}

// Markers in a caption ("&&" is a literal ampersand, no marker).
int MarkerCount(std::string_view Caption) {
  int Count = 0;
  for (std::size_t I = 0; I + 1 < Caption.size(); ++I) {
    if (Caption[I] != '&') continue;
    if (Caption[I + 1] != '&') ++Count;
    ++I;
  }
  return Count;
}

// A form read in one language, and which of its captions the catalogue gives.
struct TTranslatedForm {
  std::vector<TTranslatedText> Texts;  // before Form: opening the form fills it
  std::unique_ptr<TLoadedForm> Form;
  std::string ClassName;
  std::map<std::string, int> ShownCaption;  // lower-case component name -> entry

  TTranslatedForm(const std::string& File, const TCommonOptions& Options, const formfile::TWindowSources* Sources,
                  TFileLog& Log, const TCatalogue& Catalogue, bool Writes)
      : Form(OpenForm(File, Options, Sources, Log, Writes, &Catalogue, &Texts)),
        ClassName(Form->Document().Root().FClassName) {
    const std::string Root = LowerAscii(Form->Document().Root().FName);
    for (const TTranslatedText& T : Texts)
      if (T.Shown && LowerAscii(T.Property) == "caption")
        ShownCaption.emplace(T.Object.empty() ? Root : LowerAscii(T.Object), T.Entry);
  }

  // The entry that gives a node's caption, or -1 (radio items and untranslated captions).
  int EntryOf(const TObject* Object) const {
    const TSubject S = SubjectOf(Object);
    if (S.Item >= 0) return -1;
    const auto It = ShownCaption.find(LowerAscii(S.Name));
    return It == ShownCaption.end() ? -1 : It->second;
  }

  std::string Describe(const TObject* Object) const {
    const TSubject S = SubjectOf(Object);
    std::string Out = ClassName + "." + std::string(S.Name);
    if (S.Item >= 0) Out += ", item " + std::to_string(S.Item);
    return Out;
  }
};

// What a catalogue covered, over the forms run in its language.
struct TCoverage {
  std::size_t Covered = 0, Uncovered = 0;
  std::set<int> Matched;
  std::vector<std::string> UncoveredForms;

  TCoverage& operator+=(const TCoverage& Other) {
    Covered += Other.Covered;
    Uncovered += Other.Uncovered;
    Matched.insert(Other.Matched.begin(), Other.Matched.end());
    UncoveredForms.insert(UncoveredForms.end(), Other.UncoveredForms.begin(), Other.UncoveredForms.end());
    return *this;
  }
  // Whether the form is one the catalogue translates; counts it either way.
  bool Count(const std::string& File, const TTranslatedForm& Form) {
    for (const TTranslatedText& T : Form.Texts) Matched.insert(T.Entry);
    if (Form.Texts.empty()) {
      ++Uncovered;
      UncoveredForms.push_back(File);
      return false;
    }
    ++Covered;
    return true;
  }
  // Entries of form texts (`class.component.caption`) that no form holds.
  std::vector<int> Unmatched(const TCatalogue& Catalogue) const {
    std::vector<int> Out;
    const auto& Entries = Catalogue.Entries();
    const std::vector<int> Others = TranslatedFilesOf(Catalogue).Matched();
    const std::set<int> InOtherFiles(Others.begin(), Others.end());
    for (std::size_t I = 0; I < Entries.size(); ++I) {
      if (Matched.count(static_cast<int>(I)) || InOtherFiles.count(static_cast<int>(I))) continue;
      for (const std::string& R : Entries[I].References) {
        const std::string L = LowerAscii(R);
        if (L.ends_with(".caption") && std::count(L.begin(), L.end(), '.') >= 2) {
          Out.push_back(static_cast<int>(I));
          break;
        }
      }
    }
    return Out;
  }
  // With --verbose: the forms left out and the entries that found no form, one note each.
  void List(const TCatalogue& Catalogue, TReporter& Reporter) const {
    for (const std::string& File : UncoveredForms)
      Reporter.Note(File + ": note: " + Catalogue.FileName() + " translates no caption of this form");
    for (const int I : Unmatched(Catalogue)) {
      const formfile::TCatalogueEntry& E = Catalogue.Entries()[static_cast<std::size_t>(I)];
      Reporter.Note(Catalogue.FileName() + ":" + std::to_string(E.IdLine) + ": note: " + E.References.front() +
                    " names no caption of the forms given");
    }
  }
  std::string Text(const TCatalogue& Catalogue) const {
    return Plural(Covered, "form", "forms") + " translated, " + Plural(Uncovered, "form", "forms") +
           " not covered, " + Plural(Unmatched(Catalogue).size(), "entry", "entries") + " naming no caption of these forms";
  }
};

std::string LanguageLabel(const TCatalogue& Catalogue) {
  return Catalogue.FileName() + (Catalogue.Language().empty() ? "" : " (" + Catalogue.Language() + ")");
}

struct TTranslatedCheckTally {
  std::size_t Clashes = 0, Missing = 0, Lost = 0, Markers = 0;
  TCoverage Coverage;
  std::vector<TJson> Results;

  TTranslatedCheckTally& operator+=(const TTranslatedCheckTally& Other) {
    Clashes += Other.Clashes;
    Missing += Other.Missing;
    Lost += Other.Lost;
    Markers += Other.Markers;
    Coverage += Other.Coverage;
    Results.insert(Results.end(), Other.Results.begin(), Other.Results.end());
    return *this;
  }
  std::size_t Problems() const { return Clashes + Missing + Lost + Markers; }
};

void CheckTranslatedFile(const std::string& File, const TCommonOptions& Options,
                         const formfile::TWindowSources* Sources, const TCatalogue& Catalogue, TFileLog& Log,
                         TTranslatedCheckTally& Tally) {
  TTranslatedForm T(File, Options, Sources, Log, Catalogue, false);
  if (!Tally.Coverage.Count(File, T)) return;
  const TKeySettings Settings = LanguageSettings(SettingsFor(*T.Form, File, Options, Log), Catalogue, Options);
  TTreeView Tree(nullptr);
  const std::vector<TCaptionProblem> Problems = FindProblems(Tree, *T.Form, Settings);
  const auto& Entries = Catalogue.Entries();
  // Problems of the language: what a translated caption takes part in. The
  // form's own are check's without a catalogue.
  struct TLine {
    int Entry;
    std::string Kind, Message, Caption;
  };
  std::vector<TLine> Lines;
  std::map<int, std::string> Suggestions;  // of the missing ones, by entry
  auto Where = [&](const TObject* Object) {
    std::string Out;
    if (const int E = T.EntryOf(Object); E >= 0)
      Out = Catalogue.FileName() + ":" + std::to_string(Entries[static_cast<std::size_t>(E)].Line);
    else
      AppendPosition(Out, File, formfile::CaptionPosition(*T.Form, Object));
    return Out;
  };
  for (const TCaptionProblem& P : Problems) {
    const TObject* Object = P.Node->GetData();
    const int Entry = T.EntryOf(Object);
    std::string Message;
    AppendQuoted(Message, P.Caption);
    Message += " (" + T.Describe(Object) + ")";
    if (P.Kind == TCaptionProblemKind::cpClash) {
      const TObject* Other = P.OtherComponent;
      if (Entry < 0 && T.EntryOf(Other) < 0) continue;
      Message += " clashes with ";
      AppendQuoted(Message, P.OtherCaption);
      Message += " (" + T.Describe(Other) + ", " + Where(Other) + ") on '";
      AppendDisplayText(Message, P.Accelerator);
      Message += "'";
      ++Tally.Clashes;
      Lines.push_back({Entry, "clash", std::move(Message), P.Caption});
    } else {
      if (Entry < 0) continue;
      Suggestions[Entry] = P.Suggestion;
      Message += " has no accelerator; assign would make it ";
      AppendQuoted(Message, P.Suggestion);
      Lines.push_back({Entry, "missing", std::move(Message), P.Caption});
    }
  }
  for (const TTranslatedText& Text : T.Texts) {
    if (!Text.Shown) continue;
    const formfile::TCatalogueEntry& E = Entries[static_cast<std::size_t>(Text.Entry)];
    std::string Message;
    AppendQuoted(Message, E.Translation);
    Message += " (" + T.ClassName + (Text.Object.empty() ? "" : "." + Text.Object) +
               (LowerAscii(Text.Property) == "caption" ? "" : "." + Text.Property) + ")";
    if (MarkerCount(E.Translation) > 1) {
      ++Tally.Markers;
      Lines.push_back({Text.Entry, "markers", Message + " marks more than one accelerator", E.Translation});
    } else if (MarkerCount(E.Id) > 0 && MarkerCount(E.Translation) == 0) {
      ++Tally.Lost;
      std::string Lost = Message + " has lost the accelerator of ";
      AppendQuoted(Lost, E.Id);
      // One line for both: the loss says more than the missing letter.
      if (const auto It = Suggestions.find(Text.Entry); It != Suggestions.end()) {
        Lost += "; assign would make it ";
        AppendQuoted(Lost, It->second);
        std::erase_if(Lines, [&](const TLine& L) { return L.Entry == Text.Entry && L.Kind == "missing"; });
      }
      Lines.push_back({Text.Entry, "lost", std::move(Lost), E.Translation});
    }
  }
  Tally.Missing += static_cast<std::size_t>(
      std::count_if(Lines.begin(), Lines.end(), [](const TLine& L) { return L.Kind == "missing"; }));
  std::stable_sort(Lines.begin(), Lines.end(), [&](const TLine& A, const TLine& B) {
    auto Key = [&](const TLine& L) { return L.Entry < 0 ? 0x7fffffff : Entries[static_cast<std::size_t>(L.Entry)].Line; };
    return Key(A) < Key(B);
  });
  std::string Out;
  for (const TLine& L : Lines) {
    const std::string Place =
        L.Entry >= 0 ? Catalogue.FileName() + ":" + std::to_string(Entries[static_cast<std::size_t>(L.Entry)].Line)
                     : File;
    // A catalogue entry has a line; a form's own finding names the form only.
    const TRegion Region = L.Entry >= 0 ? RegionAt({Entries[static_cast<std::size_t>(L.Entry)].Line, 0}) : TRegion{};
    const std::string& Located = L.Entry >= 0 ? Catalogue.FileName() : File;
    if (Options.Format == TOutputFormat::Text) {
      Out += Place + ": " + L.Message + "\n";
    } else if (Options.Format == TOutputFormat::Sarif) {
      Tally.Results.push_back(SarifResult(RuleOfKind(L.Kind), L.Message, {Located, Region, {}}));
    } else if (Options.Format == TOutputFormat::Github) {
      Out += WorkflowCommand(RuleOfKind(L.Kind), Located, Region, L.Message);
    } else {
      TJson Line;
      Line["file"] = L.Entry >= 0 ? Catalogue.FileName() : File;
      if (L.Entry >= 0) Line["line"] = Entries[static_cast<std::size_t>(L.Entry)].Line;
      Line["form"] = File;
      Line["language"] = Catalogue.Language();
      Line["kind"] = L.Kind;
      Line["caption"] = L.Caption;
      Line["message"] = L.Message;
      AppendJson(Out, Line);
      Out += '\n';
    }
  }
  Log.Out(std::move(Out));
}

}  // namespace

int RunCheckTranslated(const TCommonOptions& Options) {
  const auto Sources = MakeSources(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  const std::vector<TCatalogue> Catalogues = OpenCatalogues(Options, Reporter);
  if (Catalogues.empty()) return ExitFailure;
  std::size_t Problems = 0;
  int Failed = 0;
  std::vector<TJson> Results;
  for (const TCatalogue& Catalogue : Catalogues) {
    TTranslatedCheckTally Total;
    Failed += ForEachFile(Options.Files, Options.Jobs, Reporter, Total,
                          [&](const std::string& File, TFileLog& Log, TTranslatedCheckTally& Tally) {
                            CheckTranslatedFile(File, Options, Sources.get(), Catalogue, Log, Tally);
                          });
    Problems += Total.Problems();
    std::move(Total.Results.begin(), Total.Results.end(), std::back_inserter(Results));
    Reporter.Note("keyloom check: " + LanguageLabel(Catalogue) + ": " +
                  Plural(Total.Problems(), "problem", "problems") + " (" + Plural(Total.Clashes, "clash", "clashes") +
                  ", " + Plural(Total.Missing, "missing accelerator", "missing accelerators") + ", " +
                  Plural(Total.Lost, "lost accelerator", "lost accelerators") + ", " +
                  Plural(Total.Markers, "caption", "captions") + " with several markers); " +
                  Total.Coverage.Text(Catalogue));
    if (Options.Verbose) Total.Coverage.List(Catalogue, Reporter);
  }
  if (Options.Format == TOutputFormat::Sarif) std::cout << SarifLog(std::move(Results), Failed == 0) << std::flush;
  if (Failed) return ExitFailure;
  return Problems > 0 ? ExitProblems : ExitSuccess;
}

namespace {

struct TTranslatedAssignTally {
  std::vector<std::pair<int, std::string>> Edits;  // entry, new msgstr; in the forms' order
  TCoverage Coverage;

  TTranslatedAssignTally& operator+=(const TTranslatedAssignTally& Other) {
    Edits.insert(Edits.end(), Other.Edits.begin(), Other.Edits.end());
    Coverage += Other.Coverage;
    return *this;
  }
};

}  // namespace

int RunAssignTranslated(const TAssignOptions& Options) {
  const auto Sources = MakeSources(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  std::vector<TCatalogue> Catalogues = OpenCatalogues(Options, Reporter);
  if (Catalogues.empty()) return ExitFailure;
  int Failed = 0;
  const std::vector<std::vector<std::string>> Levels = DependencyLevels(Options.Files, Sources.get());
  for (TCatalogue& Catalogue : Catalogues) {
    TTranslatedAssignTally Total;
    int FailedHere = 0;
    // Two forms of one class share their entries: the first named decides.
    std::set<int> Done;
    std::size_t Given = 0;
    std::size_t Applied = 0;
    std::size_t Read = 0;
    // Ancestors and frames first: the forms that take them see their new letters.
    for (const std::vector<std::string>& Level : Levels) {
      FailedHere += ForEachFile(Level, Options.Jobs, Reporter, Total,
                                [&](const std::string& File, TFileLog& Log, TTranslatedAssignTally& Tally) {
                                  TTranslatedForm T(File, Options, Sources.get(), Log, Catalogue, true);
                                  if (!Tally.Coverage.Count(File, T)) return;
                                  // Only the translations shown are this run's to write.
                                  RunKeys(*T.Form,
                                          LanguageSettings(SettingsFor(*T.Form, File, Options, Log), Catalogue, Options),
                                          [&T](const TObject* Object) { return T.EntryOf(Object) < 0; });
                                  T.Form->StoreCaptions();
                                  for (auto& Edit : formfile::ChangedTranslations(
                                           formfile::TDocument::Parse(T.Form->Render(), File), T.Texts))
                                    Tally.Edits.push_back(std::move(Edit));
                                },
                                Read);
      Read += Level.size();
      for (; Applied < Total.Edits.size(); ++Applied) {
        const auto& [Entry, Text] = Total.Edits[Applied];
        if (!Done.insert(Entry).second) continue;
        if (HasAccelerator(Text) && !HasAccelerator(Catalogue.Entries()[static_cast<std::size_t>(Entry)].Translation))
          ++Given;
        Catalogue.SetTranslation(Entry, Text);
      }
      TranslatedFilesOf(Catalogue).Forget();
    }
    Failed += FailedHere;
    const std::string File = Catalogue.FileName();
    if (FailedHere == 0 && Catalogue.Modified()) {
      try {
        const std::string After = Catalogue.Render();
        if (Options.ToStdout)
          std::cout << After;
        else if (Options.DryRun)
          std::cout << formfile::UnifiedDiff(Catalogue.Source(), After, DiffLabel("a", File), DiffLabel("b", File));
        else
          WriteFileAtomically(File, After);
      } catch (const EFileWriteError& E) {
        Reporter.Note(File + ": error: " + E.Message());
        ++Failed;
      }
    } else if (Options.ToStdout) {
      std::cout << Catalogue.Source();
    }
    std::cout << std::flush;
    const bool WouldOnly = Options.DryRun || Options.ToStdout;
    Reporter.Note("keyloom assign: " + LanguageLabel(Catalogue) + ": " +
                  Plural(Done.size(), "translation", "translations") + (WouldOnly ? " would change, " : " changed, ") +
                  Plural(Given, "caption", "captions") + (WouldOnly ? " would get a letter; " : " given a letter; ") +
                  Total.Coverage.Text(Catalogue) +
                  (FailedHere && Catalogue.Modified() ? "; not written: a form failed" : ""));
    if (Options.Verbose) Total.Coverage.List(Catalogue, Reporter);
  }
  return Failed ? ExitFailure : ExitSuccess;
}

int RunTreeTranslated(const TTreeOptions& Options) {
  const auto Sources = MakeSources(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  const std::vector<TCatalogue> Catalogues = OpenCatalogues(Options, Reporter);
  if (Catalogues.empty()) return ExitFailure;
  int Failed = 0;
  TNoTally None;
  for (const TCatalogue& Catalogue : Catalogues) {
    Failed += ForEachFile(Options.Files, Options.Jobs, Reporter, None, [&](const std::string& File, TFileLog& Log,
                                                                     TNoTally&) {
      TTranslatedForm T(File, Options, Sources.get(), Log, Catalogue, false);
      bool Stored = false;
      const TKeySettings Settings =
          LanguageSettings(SettingsFor(*T.Form, File, Options, Log, &Stored), Catalogue, Options);
      TTreeView Tree(nullptr);
      BuildWorkingTree(Tree, T.Form->Form(), Settings);
      const bool Found = Options.Find && Settings.Active;
      if (Found) FindInWorkingTree(Tree, Settings);
      std::ostringstream Out;
      if (Options.Format == TOutputFormat::Json) {
        PrintTreeJson(*T.Form, Tree, File, Stored, Found, Out);
      } else {
        if (Catalogues.size() > 1) Out << "# " << LanguageLabel(Catalogue) << '\n';
        PrintTreeText(*T.Form, Tree, Out);
      }
      Log.Out(std::move(Out).str());
    });
  }
  return Failed ? ExitFailure : ExitSuccess;
}

namespace {

struct TTranslatedStatsTally {
  stats::TCaptionStats Figures;
  TCoverage Coverage;

  TTranslatedStatsTally& operator+=(const TTranslatedStatsTally& Other) {
    Figures += Other.Figures;
    Coverage += Other.Coverage;
    return *this;
  }
};

}  // namespace

int RunStatsTranslated(const TStatsOptions& Options) {
  const auto Sources = MakeSources(Options);
  TReporter Reporter(Options.Files.size(), Options.Quiet);
  const std::vector<TCatalogue> Catalogues = OpenCatalogues(Options, Reporter);
  if (Catalogues.empty()) return ExitFailure;
  const bool Json = Options.Format == TOutputFormat::Json;
  if (!Json) std::cout << StatsHeader << '\n' << std::flush;
  std::size_t Measured = 0;
  int Failed = 0;
  for (const TCatalogue& Catalogue : Catalogues) {
    TTranslatedStatsTally Total;
    Failed += ForEachFile(Options.Files, Options.Jobs, Reporter, Total,
                          [&](const std::string& File, TFileLog& Log, TTranslatedStatsTally& Tally) {
                            TTranslatedForm T(File, Options, Sources.get(), Log, Catalogue, false);
                            if (!Tally.Coverage.Count(File, T)) return;
                            TKeySettings Settings = LanguageSettings(Options.Settings, Catalogue, Options);
                            SettingsFor(*T.Form, File, Options, Log);
                            // What the catalogue cannot hold stays as the form shows it.
                            Tally.Figures += stats::MeasureForm(*T.Form, Settings, !Options.AsIs,
                                                                [&T](const TObject* Object) { return T.EntryOf(Object) < 0; });
                          });
    Measured += Total.Coverage.Covered;
    if (Json) {
      TJson Line;
      Line["kind"] = "language";
      Line["catalogue"] = Catalogue.FileName();
      Line["language"] = Catalogue.Language();
      Line["forms"] = Total.Coverage.Covered;
      AddFigures(Line, Total.Figures);
      std::cout << JsonLine(Line);
    } else {
      std::cout << TextFigures(Total.Figures, LanguageLabel(Catalogue) + ", " +
                                                  Plural(Total.Coverage.Covered, "form", "forms"))
                << '\n';
    }
    std::cout << std::flush;
    if (Options.Verbose) Total.Coverage.List(Catalogue, Reporter);
  }
  return Measured == 0 && Failed > 0 ? ExitFailure : ExitSuccess;
}

}  // namespace keyloom::cli

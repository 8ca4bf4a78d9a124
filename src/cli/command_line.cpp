#include "command_line.hpp"

#include <string_view>

namespace keyloom::cli {

namespace {

constexpr const char* SettingsHelp = R"(
SETTINGS
  A form that holds a TKeyloom object runs with that object's stored settings,
  as it would when the application loads it: Active = False means nothing
  changes, and --sort, --reassign, --scope, --strategy, --reserve, --non-latin,
  --placeholders and the list options do not apply to it (a note says so); its
  stored Scope, Strategy, ReservedLetters, NonLatin and Placeholders do. A form without one is handled as
  if a TKeyloom with the settings of the command line were dropped on it and
  FindKeys called; the component never reaches the file.

  Without --scope, --strategy, --reserve, --non-latin and --placeholders every setting is the
  plain search of earlier versions: each sibling group on its own (inheriting
  the letters of the groups above it), the first free letter of each caption
  in turn, no letter kept back, captions without a Latin letter left alone.
  --scope window makes every caption visible together in the window differ,
  not only siblings. --strategy best gives letters to as many captions as
  possible, as naturally as possible. --reserve QZ keeps those letters free
  for the application. --non-latin append gives a caption without any Latin
  letter an appended ' (&X)'; native marks a letter of its own alphabet,
  accented Latin ones too. Under best and the non-Latin modes the letters of
  key names ('Help (F1)', 'Zoom (Ctrl+2)', what follows a tab) come last.
  --placeholders skip gives no letter to a caption equal to its component's
  name ('Button1'), which a form designer writes for a new control.

  Lists are comma-separated; the options replace the whole list, and an empty
  value (--caption-classes '') gives an empty list. Built-in lists:
    caption classes     TButtonControl,TCustomLabel,TCustomStaticText,TTabSheet,TRadioGroup
    no-caption classes  TMainMenu,TPopupMenu,TCustomTabControl,TPageControl,TPanel,TToolbar
    default captions    E&xit,Cu&t

  Objects of classes the program does not know keep all their properties. One
  that holds other objects groups their captions; one without takes part only
  when its class is named in a list or mapped with --class-map.

WHOLE WINDOWS
  A form whose root is 'inherited' is read with its ancestor forms first, as
  the application builds the window: the ancestor class comes from the unit
  beside the form (same name, .pas or .pp), its form from the form file that
  declares it. An 'inline' frame is read with its own form file. Form files
  are looked for below the folders of the given files and below each
  --search-path DIR. Only the given file is written; captions that another
  file gives keep their letters there. A missing ancestor or frame is a
  warning (--strict: an error); --no-window reads each file alone.

FILES
  Text form files (.dfm, .lfm), in UTF-8 or a single-byte code page, and
  binary form files (the object stream, bare or behind a resource header),
  whatever their extension. A binary form is written back as binary; errors
  in one name the byte offset (FILE: error: byte N: MESSAGE), and so do the
  places in its captions (FILE:byte N).
)";

constexpr const char* ExitHelp = R"(
EXIT STATUS
  0  success
  1  check: problems were found
  2  bad usage, or a file could not be read, parsed or written; that file is
     not written, the other files still are. Errors name the place as
     FILE:LINE:COLUMN: error: MESSAGE. Also when standard output could not
     be written (a full disk).
)";

constexpr const char* AssignFooter = R"(
DESCRIPTION
  Finds accelerators for the captions of each form and rewrites the file in
  place. Only caption values change, written in the file's own conventions;
  every other byte stays. A file whose content does not change is not touched
  (its modification time stays). Writes are atomic: the new content goes to a
  temporary file in the same folder, is flushed to disk and renamed over the
  original, whose permissions are kept; a symbolic link is written through to
  its target. (Other hard links to a rewritten file keep the old content.)
  A read-only file is an error and stays as it is.

  With more than one file and a terminal on standard error, a progress line is
  shown; a summary (files read and changed, captions given a letter, errors,
  objects of unknown classes) ends the run on standard error (not with -q).

EXAMPLES
  keyloom assign --dry-run forms/*.dfm
  keyloom assign --sort caption --reassign MainForm.lfm
  keyloom assign --class-map TMyButton=TButton --caption-classes TButtonControl,TcxButton *.dfm
)";

constexpr const char* ConvertFooter = R"(
DESCRIPTION
  Rewrites each form in the other encoding, in place (atomically, as assign
  writes) or on standard output with --stdout (one file). Text is written as
  the form designer writes it: two-space indent, characters outside printable
  ASCII as #n codes, strings over 64 characters split with ' +', LF line ends.
  Binary is the object stream behind the 16-bit resource header, as the
  designer's binary .dfm files hold it. Bytes after the form's final 'end' are
  not carried over. A file already in the requested encoding is left alone.

EXAMPLES
  keyloom convert --to text old/*.dfm
  keyloom convert --to binary --stdout Main.dfm > Main.bin.dfm
)";

constexpr const char* CheckFooter = R"(
DESCRIPTION
  Reports, without changing anything, the captions that could get an
  accelerator and have none, and the accelerators that clash in the scope key
  finding works in: a sibling group (the controls of one container, the items
  of one menu) together with the letters it inherits from the groups above it
  (none for the items of a menu item or popup menu). Two captions clash when
  they mark the same character, compared without regard to case.

  The tree is built and sorted as a run builds it; 'missing' names a caption
  that assign would give a letter with the same settings. Clashes are judged
  in sibling groups whatever --scope says; keyloom stats counts the clashes of
  captions shown together in the window. For a form whose TKeyloom is not active
  only clashes are reported.

OUTPUT
  text  one line a finding, FILE:LINE:COLUMN: MESSAGE, in file order; the
        position is that of the caption in the file.
  json  JSON lines: one object a finding, with the members file, line, column,
        kind ("clash" or "missing"), caption, class, name (item for a
        radio-group item), message; a clash adds accelerator, inherited and
        other (the caption it clashes with: caption, class, name, line,
        column), a missing accelerator adds suggestion. Strings are UTF-8; a
        byte that is not valid UTF-8 is given as \u00XX.
  sarif  one SARIF 2.1.0 log for the whole run, for code scanning: the rules
        missing-accelerator (a warning), accelerator-clash (an error) and, with
        --po, lost-accelerator and several-accelerators; one result a finding,
        placed on the caption's span (line and column to end line and end
        column, in characters; a binary form: byte offset and length), a clash
        with the other caption as its related location.
  github  one workflow command a finding, which CI services that read them show
        on the line: ::error (a clash) or ::warning (a missing accelerator)
        file=FILE,line=LINE,col=COLUMN,endColumn=END,title=RULE::MESSAGE.

EXAMPLES
  keyloom check src/**/*.dfm
  keyloom check --format json MainForm.lfm | jq .message
  keyloom check --format sarif forms/*.dfm > keyloom.sarif
)";

constexpr const char* TreeFooter = R"(
DESCRIPTION
  Prints the caption tree of one form as a run builds and sorts it: one node a
  line, indented by two spaces a level, the node text, then the class and name
  of the component it stands for (for a radio-group item, the radio group and
  the item's index). Containers without a caption show their name. With
  --find, the texts are those after finding accelerators (nothing is written).

OUTPUT
  text  NODE TEXT (CLASS NAME); control characters are shown as \r, \n, \t, \xNN.
  json  one object: {"file", "settings": "stored" or "options", "found",
        "nodes": [{"text", "class", "name", "line", "column", "children": [...]}]}.

EXAMPLES
  keyloom tree --find examples/forms/typical.dfm
)";

constexpr const char* StatsFooter = R"(
DESCRIPTION
  Measures how well the accelerators of each form serve its user, after the
  run assign would make with the same options (nothing is written), or with
  --as-is as the file stands. Every figure is judged on what shows together in
  the window, whatever --scope the letters were found with: the controls of
  the form at any depth with the top row of its main menu (pages of a page
  control or notebook show one at a time), and each submenu and popup menu.

  eligible      captions that may take a letter (not a default or cancel
                button, not of a no-caption class, not a name) and hold a
                letter of any script, so that captions in other alphabets count
  covered       eligible captions whose accelerator no caption shown with them
                shares; coverage is their share of the eligible ones
  clashes       pairs of captions shown together that mark the same letter
                (compared without regard to case; Greek and Cyrillic letters
                are read as such)
  marked        eligible captions with an accelerator; first-letter is the
                share of them marked on the first letter of a word
  maximum       the most eligible captions that could hold a letter nothing
                shown with them holds, with the letters of their own captions
                (under --non-latin append any Latin letter for one without),
                less --reserve; max-coverage is its share of the eligible ones.
                For a window with pages an exact search finds it within a
                budget; past the budget the most it found counts, and the
                scopes left unproven are counted (unproven).

  With --participation, a last line (JSON: "captioned", "taking_part",
  "participation", "from_actions") says how many controls and menu items
  whose caption, their own or their action's, holds a letter of any script
  the run sees, and how many of those show an action's caption they do not
  store themselves. Captions on which a letter would neither show nor work
  are left out: labels without a control to focus, tool buttons of a tool
  bar that shows no captions, and pages of a notebook. With --scope window
  the run also sees the captions it keeps outside the tree (radio group
  titles, tool buttons of a tool bar that shows captions).

OUTPUT
  text  a table: one row a file, then the total.
  json  JSON lines: one object a file, {"kind": "file", "file", "settings":
        "stored" or "options", "eligible", "covered", "coverage", "clashes",
        "marked", "first_letters", "first_letter_share", "maximum",
        "maximum_coverage", "unproven"}, then {"kind": "total", "files", "errors", and the
        same figures summed}. Shares are numbers from 0 to 1, null when there
        is nothing to share.

EXAMPLES
  keyloom stats forms/*.dfm
  keyloom stats --as-is forms/*.dfm        (before)
  keyloom stats --scope window --strategy best --format json forms/*.dfm
)";

constexpr const char* JobsHelp = R"(
THREADS
  The files are read and processed on as many threads as the machine has
  processor cores (--jobs sets how many), each file on one thread. What is
  printed, to standard output and standard error alike, comes in the order the
  files were given and is the same as with --jobs 1; so are the files written
  and the exit status. A file named twice (or through a link) is rewritten by
  one thread at a time.
)";

// A measurement over many files is still one when a few cannot be read.
constexpr const char* StatsExitHelp = R"(
EXIT STATUS
  0  at least one file was measured; files that could not be read or parsed
     are reported on standard error as FILE:LINE:COLUMN: error: MESSAGE,
     skipped and counted in the total's errors
  2  bad usage, or no file could be measured, or standard output could not
     be written
)";

// The character that starts Rest as the user typed it: quoted when it is
// printable or a whole UTF-8 sequence, else the byte's code.
std::string ShownCharacter(std::string_view Rest) {
  const auto Lead = static_cast<unsigned char>(Rest.front());
  std::size_t Length = 0;
  if (Lead >= 0x20 && Lead < 0x7F)
    Length = 1;
  else if (Lead >= 0xC2 && Lead < 0xE0)
    Length = 2;
  else if (Lead >= 0xE0 && Lead < 0xF0)
    Length = 3;
  else if (Lead >= 0xF0 && Lead < 0xF5)
    Length = 4;
  bool Whole = Length != 0 && Length <= Rest.size();
  for (std::size_t I = 1; Whole && I < Length; ++I) Whole = (static_cast<unsigned char>(Rest[I]) & 0xC0) == 0x80;
  if (Whole) return "'" + std::string(Rest.substr(0, Length)) + "'";
  static constexpr char Hex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + Hex[Lead >> 4] + Hex[Lead & 0x0F];
}

// Only Latin letters can be accelerators that a reservation keeps free.
CLI::Validator ReservedLettersValidator() {
  return CLI::Validator(
      [](std::string& Value) -> std::string {
        for (std::size_t I = 0; I < Value.size(); ++I) {
          const char C = Value[I];
          if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z')) continue;
          return "only the letters A-Z (either case) can be reserved, not " +
                 ShownCharacter(std::string_view(Value).substr(I));
        }
        return {};
      },
      "LETTERS", "Latin letters");
}

void AddSettings(CLI::App& Sub, TRawOptions& Raw) {
  Sub.add_option("--sort", Raw.Sort,
                 "Sibling order: nothing (as built), caption, length (shortest first),\n"
                 "letters (fewest different letters first)")
      ->check(CLI::IsMember({"nothing", "caption", "length", "letters"}))
      ->default_str("letters");
  Sub.add_flag("--reassign", Raw.Reassign, "Strip existing accelerators first (OnlyUnassigned false)");
  Sub.add_option("--caption-classes", Raw.CaptionClasses, "Classes whose caption takes part");
  Sub.add_option("--no-caption-classes", Raw.NoCaptionClasses,
                 "Classes that only group captions, shown by name");
  Sub.add_option("--default-captions", Raw.DefaultCaptions,
                 "Captions whose marker is preferred");
  Sub.add_flag("--user-options", Raw.UserOptions,
               "Take the three lists from the per-user store, as the editor window does\n"
               "(a list option given as well still replaces its list)");
  Sub.add_option("--class-map", Raw.ClassMap, "Treat class FROM as the known class TO (repeatable)")
      ->type_name("FROM=TO")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  Sub.add_option("--class-map-file", Raw.ClassMapFiles,
                 "Take FROM=TO lines from FILE ('#' starts a comment), before the shipped map\n"
                 "(repeatable; --class-map comes before both)")
      ->type_name("FILE")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  Sub.add_flag("--no-builtin-class-map", Raw.NoBuiltinClassMap,
               "Leave out the shipped map of third-party classes to known ones");
  Sub.add_option("--scope", Raw.Scope,
                 "What must differ: siblings (each sibling group, with the letters of the\n"
                 "groups above it), window (every caption visible together)")
      ->check(CLI::IsMember({"siblings", "window"}))
      ->default_str("siblings");
  Sub.add_option("--strategy", Raw.Strategy,
                 "How letters are chosen: search (the first free letter of each caption in\n"
                 "turn), best (as many captions covered as possible, as natural as possible)")
      ->check(CLI::IsMember({"search", "best"}))
      ->default_str("search");
  Sub.add_option("--reserve", Raw.Reserve, "Letters never given (A-Z, either case), e.g. --reserve QZ")
      ->type_name("LETTERS")
      ->check(ReservedLettersValidator());
  Sub.add_option("--non-latin", Raw.NonLatin,
                 "Captions without a usable Latin letter: skip (left alone), append\n"
                 "(' (&X)' appended), native (a letter of their own alphabet)")
      ->check(CLI::IsMember({"skip", "append", "native"}))
      ->default_str("skip");
  Sub.add_option("--placeholders", Raw.Placeholders,
                 "Captions equal to their component's name ('Button1'): caption (taken as\n"
                 "any caption), skip (given no letter and not counted)")
      ->check(CLI::IsMember({"caption", "skip"}))
      ->default_str("caption");
  Sub.add_flag("-q,--quiet", Raw.Quiet, "No summary and no notes on standard error");
  Sub.add_option("--search-path", Raw.SearchPaths, "Also look for ancestor and frame form files below DIR (repeatable)")
      ->type_name("DIR")
      ->allow_extra_args(false);
  Sub.add_flag("--strict", Raw.Strict, "A missing ancestor or frame is an error, not a warning");
  Sub.add_flag("--verbose", Raw.Verbose, "Say which file was taken where several declare a class; with --po, list the\nforms and catalogue entries that do not meet");
  Sub.add_flag("--no-window", Raw.NoWindow, "Read each file alone: no ancestors, no frames");
}

void AddCatalogues(CLI::App& Sub, TRawOptions& Raw) {
  Sub.add_option("--po", Raw.Catalogues,
                 "Run the forms as shown in the language of this gettext catalogue (repeatable);\n"
                 "assign then writes the catalogue's msgstr entries, not the forms")
      ->type_name("CATALOGUE")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void AddJobs(CLI::App& Sub, TRawOptions& Raw) {
  Sub.add_option("-j,--jobs", Raw.Jobs,
                 "Files processed at once, each on a thread of its own (default: one a\n"
                 "processor core; 1: one after another). The output is the same either way")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u));
}

void AddFormat(CLI::App& Sub, TRawOptions& Raw) {
  Sub.add_option("--format", Raw.Format, "Output format: text or json")
      ->check(CLI::IsMember({"text", "json"}))
      ->default_str("text");
}

// check's findings also go where CI shows them.
void AddCheckFormat(CLI::App& Sub, TRawOptions& Raw) {
  Sub.add_option("--format", Raw.Format,
                 "Output format: text, json, sarif (a SARIF 2.1.0 log for code scanning) or\n"
                 "github (workflow commands that annotate a CI run)")
      ->check(CLI::IsMember({"text", "json", "sarif", "github"}))
      ->default_str("text");
}

}  // namespace

TCommandLine::TCommandLine()
    : App("keyloom - gives the captions of form files (.dfm, .lfm) unique keyboard accelerators.\n"
          "Run 'keyloom COMMAND --help' for the manual of a command.",
          "keyloom") {
  App.require_subcommand(1);
  App.set_version_flag("--version", std::string("keyloom ") + KEYLOOM_VERSION);
  App.footer(std::string(ExitHelp));

  Assign = App.add_subcommand("assign", "Give captions accelerators; rewrite each form in place");
  Assign->add_option("FILE", Raw.Files, "Form files")->required();
  Assign->add_flag("--stdout", Raw.ToStdout, "Write the result to standard output (one file) instead of in place");
  Assign->add_flag("--dry-run", Raw.DryRun, "Print a unified diff of what would change; write nothing")
      ->excludes("--stdout");
  AddSettings(*Assign, Raw);
  AddCatalogues(*Assign, Raw);
  AddJobs(*Assign, Raw);
  Assign->footer(std::string(AssignFooter) + SettingsHelp + JobsHelp + ExitHelp);

  Convert = App.add_subcommand("convert", "Rewrite forms as text or as binary form files");
  Convert->add_option("FILE", Raw.Files, "Form files")->required();
  Convert->add_option("--to", Raw.ConvertTo, "text or binary")->required()->check(CLI::IsMember({"text", "binary"}));
  Convert->add_flag("--stdout", Raw.ToStdout, "Write the result to standard output (one file) instead of in place");
  Convert->add_flag("-q,--quiet", Raw.Quiet, "No summary on standard error");
  AddJobs(*Convert, Raw);
  Convert->footer(std::string(ConvertFooter) + JobsHelp + ExitHelp);

  Check = App.add_subcommand("check", "Report missing and clashing accelerators (exit 1)");
  Check->add_option("FILE", Raw.Files, "Form files")->required();
  AddCheckFormat(*Check, Raw);
  AddSettings(*Check, Raw);
  AddCatalogues(*Check, Raw);
  AddJobs(*Check, Raw);
  Check->footer(std::string(CheckFooter) + SettingsHelp + JobsHelp + ExitHelp);

  Tree = App.add_subcommand("tree", "Print the caption tree of a form");
  Tree->add_option("FILE", Raw.Files, "Form file")->required()->expected(1);
  Tree->add_flag("--find", Raw.Find, "Show the tree after finding accelerators");
  AddFormat(*Tree, Raw);
  AddSettings(*Tree, Raw);
  AddCatalogues(*Tree, Raw);
  Tree->footer(std::string(TreeFooter) + SettingsHelp + ExitHelp);

  Stats = App.add_subcommand("stats", "Measure coverage, clashes and letters of forms; write nothing");
  Stats->add_option("FILE", Raw.Files, "Form files")->required();
  Stats->add_flag("--as-is", Raw.AsIs, "Measure the files as they stand, without the run");
  Stats->add_flag("--participation", Raw.Participation, "Also count the captioned controls and menu items that take part");
  AddFormat(*Stats, Raw);
  Stats->add_flag("--json", Raw.Json, "The same as --format json")->excludes("--format");
  AddSettings(*Stats, Raw);
  AddCatalogues(*Stats, Raw);
  AddJobs(*Stats, Raw);
  Stats->footer(std::string(StatsFooter) + SettingsHelp + JobsHelp + StatsExitHelp);
}

}  // namespace keyloom::cli

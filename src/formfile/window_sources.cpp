#include <keyloom/formfile/window.hpp>
#include <keyloom/host/typinfo.hpp>
#include <keyloom/support/files.hpp>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <tuple>

namespace keyloom::formfile {

namespace {

namespace fs = std::filesystem;

bool IsIdentStart(char C) { return std::isalpha(static_cast<unsigned char>(C)) || C == '_'; }
bool IsIdentChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_'; }

// Pascal source as a run of tokens: identifiers (dotted names joined),
// single punctuation characters; comments and strings dropped.
class TPascalTokens {
 public:
  explicit TPascalTokens(std::string_view Source) : S(Source) {}

  // The next token, empty at the end.
  std::string_view Next() {
    SkipBlank();
    if (P >= S.size()) return {};
    const std::size_t Start = P;
    if (IsIdentStart(S[P]) || S[P] == '&') {
      ++P;
      // A qualified name (Unit1.TForm1) is one token; spaces around the dot are allowed by the language but rare.
      while (P < S.size() && (IsIdentChar(S[P]) || (S[P] == '.' && P + 1 < S.size() && IsIdentStart(S[P + 1])))) ++P;
      return S.substr(Start, P - Start);
    }
    ++P;
    return S.substr(Start, 1);
  }

 private:
  void SkipBlank() {
    while (P < S.size()) {
      const char C = S[P];
      if (std::isspace(static_cast<unsigned char>(C))) {
        ++P;
      } else if (C == '{') {
        const std::size_t End = S.find('}', P + 1);
        P = End == std::string_view::npos ? S.size() : End + 1;
      } else if (C == '(' && P + 1 < S.size() && S[P + 1] == '*') {
        const std::size_t End = S.find("*)", P + 2);
        P = End == std::string_view::npos ? S.size() : End + 2;
      } else if (C == '/' && P + 1 < S.size() && S[P + 1] == '/') {
        const std::size_t End = S.find('\n', P + 2);
        P = End == std::string_view::npos ? S.size() : End + 1;
      } else if (C == '\'') {
        // 'it''s' is two strings back to back; a string never spans lines.
        ++P;
        while (P < S.size() && S[P] != '\'' && S[P] != '\n') ++P;
        if (P < S.size()) ++P;
      } else if (C == '#') {
        ++P;
        while (P < S.size() && (std::isalnum(static_cast<unsigned char>(S[P])) || S[P] == '$')) ++P;
      } else {
        return;
      }
    }
  }

  std::string_view S;
  std::size_t P = 0;
};

std::string_view Unqualified(std::string_view Name) {
  const std::size_t Dot = Name.rfind('.');
  return Dot == std::string_view::npos ? Name : Name.substr(Dot + 1);
}

bool IsFormFileName(const fs::path& File) {
  const std::string Ext = LowerCase(File.extension().string());
  return Ext == ".dfm" || Ext == ".lfm" || Ext == ".xfm" || Ext == ".fmx";
}

std::size_t CommonPrefix(const fs::path& A, const fs::path& B) {
  std::size_t Count = 0;
  for (auto I = A.begin(), J = B.begin(); I != A.end() && J != B.end() && *I == *J; ++I, ++J) ++Count;
  return Count;
}

fs::path Canonical(const fs::path& File) {
  std::error_code Error;
  fs::path Path = fs::weakly_canonical(File, Error);
  return Error ? fs::absolute(File).lexically_normal() : Path;
}

void CollectNames(const TObjectNode& Node, std::set<std::string>& Out) {
  std::vector<const TObjectNode*> Pending{&Node};
  while (!Pending.empty()) {
    const TObjectNode* N = Pending.back();
    Pending.pop_back();
    if (!N->FName.empty()) Out.insert(LowerCase(N->FName));
    for (const TObjectNode* Child : N->FChildren) Pending.push_back(Child);
  }
}

}  // namespace

std::string ScanAncestorClass(std::string_view Source, std::string_view ClassName) {
  TPascalTokens Tokens(Source);
  // Looks for: Name = [packed] class ( Ancestor
  std::string_view Window[4];
  for (std::string_view Token = Tokens.Next(); !Token.empty(); Token = Tokens.Next()) {
    Window[0] = Window[1];
    Window[1] = Window[2];
    Window[2] = Window[3];
    Window[3] = Token;
    if (Window[3] != "(" || !SameText(Window[2], "class")) continue;
    if (Window[1] != "=" || !SameText(Unqualified(Window[0]), ClassName)) continue;
    const std::string_view Ancestor = Tokens.Next();
    if (Ancestor.empty() || !IsIdentStart(Ancestor.front())) return {};
    return std::string(Unqualified(Ancestor));
  }
  return {};
}

std::optional<TRootHeader> ReadRootHeader(std::string_view Bytes) {
  if (IsBinaryFormFile(Bytes)) {
    try {
      const TDocument Doc = TDocument::Parse(std::string(Bytes));
      return TRootHeader{Doc.Root().FKind, std::string(Doc.Root().FName), std::string(Doc.Root().FClassName)};
    } catch (const EKeyloomError&) {
      return std::nullopt;
    }
  }
  if (Bytes.starts_with("\xEF\xBB\xBF")) Bytes.remove_prefix(3);
  std::size_t P = 0;
  auto Skip = [&] {
    while (P < Bytes.size() && std::isspace(static_cast<unsigned char>(Bytes[P]))) ++P;
  };
  auto Word = [&] {
    Skip();
    const std::size_t Start = P;
    while (P < Bytes.size() && IsIdentChar(Bytes[P])) ++P;
    return Bytes.substr(Start, P - Start);
  };
  TRootHeader Header;
  const std::string_view Keyword = Word();
  if (SameText(Keyword, "inherited"))
    Header.Kind = TObjectKind::Inherited;
  else if (SameText(Keyword, "inline"))
    Header.Kind = TObjectKind::Inline;
  else if (!SameText(Keyword, "object"))
    return std::nullopt;
  const std::string_view First = Word();
  Skip();
  if (P < Bytes.size() && Bytes[P] == ':') {
    ++P;
    Header.Name = std::string(First);
    Header.ClassName = std::string(Word());
  } else {
    Header.ClassName = std::string(First);
  }
  if (Header.ClassName.empty()) return std::nullopt;
  return Header;
}

void TFormIndex::AddFolder(const fs::path& Folder) {
  const fs::path Root = Canonical(Folder);
  if (!FFolderSet.insert(Root).second) return;
  FFolders.push_back(Root);
  // A folder inside one already walked holds nothing new.
  for (const fs::path& Walked : FWalked)
    if (CommonPrefix(Walked, Root) == static_cast<std::size_t>(std::distance(Walked.begin(), Walked.end()))) return;
  FWalked.push_back(Root);
  std::error_code Error;
  for (fs::recursive_directory_iterator It(Root, fs::directory_options::skip_permission_denied, Error), End;
       !Error && It != End; It.increment(Error)) {
    if (IsFormFileName(It->path()) && It->is_regular_file(Error)) Index(It->path());
  }
}

void TFormIndex::AddFile(const fs::path& File) { Index(Canonical(File)); }

void TFormIndex::Index(const fs::path& Path) {
  if (!FFiles.insert(Path).second) return;
  // The root's header stands in the first bytes of a text form; a binary one is read whole.
  std::string Bytes(512, '\0');
  {
    std::ifstream In(Path, std::ios::binary);
    if (!In) return;
    In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    Bytes.resize(static_cast<std::size_t>(In.gcount()));
  }
  if (IsBinaryFormFile(Bytes)) {
    try {
      Bytes = ReadWholeFile(Path);
    } catch (const EKeyloomError&) {
      return;
    }
  }
  const std::optional<TRootHeader> Header = ReadRootHeader(Bytes);
  if (!Header) return;
  FByClass[LowerCase(Header->ClassName)].push_back(Path);
}

const std::vector<fs::path>& TFormIndex::Declaring(std::string_view ClassName) const {
  static const std::vector<fs::path> None;
  auto Found = FByClass.find(LowerCase(ClassName));
  return Found == FByClass.end() ? None : Found->second;
}

TWindowSources::TAncestor TWindowSources::AncestorOf(const fs::path& FormFile, std::string_view ClassName) const {
  const std::string Key = FormFile.string() + '\n' + LowerCase(ClassName);
  {
    std::lock_guard Lock(FMutex);
    if (auto Found = FAncestors.find(Key); Found != FAncestors.end()) return Found->second;
  }
  TAncestor Result = ScanUnit(FormFile, ClassName);
  std::lock_guard Lock(FMutex);
  FAncestors.try_emplace(Key, Result);
  return Result;
}

TWindowSources::TAncestor TWindowSources::ScanUnit(const fs::path& FormFile, std::string_view ClassName) {
  TAncestor Result;
  for (const char* Ext : {".pas", ".pp"}) {
    fs::path Unit = FormFile;
    Unit.replace_extension(Ext);
    std::string Source;
    try {
      Source = ReadWholeFile(Unit);
    } catch (const EKeyloomError&) {
      // Case differs on some projects: look for the same name in any case.
      std::error_code Error;
      bool Found = false;
      for (fs::directory_iterator It(Unit.parent_path().empty() ? fs::path(".") : Unit.parent_path(), Error), End;
           !Error && It != End; It.increment(Error)) {
        if (!SameText(It->path().filename().string(), Unit.filename().string())) continue;
        try {
          Source = ReadWholeFile(It->path());
          Unit = It->path();
          Found = true;
        } catch (const EKeyloomError&) {
        }
        break;
      }
      if (!Found) {
        Result.Looked += (Result.Looked.empty() ? "" : ", ") + Unit.string();
        continue;
      }
    }
    Result.Looked += (Result.Looked.empty() ? "" : ", ") + Unit.string();
    Result.ClassName = ScanAncestorClass(Source, ClassName);
    if (!Result.ClassName.empty()) return Result;
  }
  return Result;
}

std::optional<TWindowSources::TChoice> TWindowSources::FormOf(std::string_view ClassName, const fs::path& Near,
                                                              const std::vector<std::string>& Needed) const {
  const std::vector<fs::path>& Files = Index().Declaring(ClassName);
  if (Files.empty()) return std::nullopt;
  if (Files.size() == 1) return TChoice{Files.front(), {}};
  // Forms of one folder that look up the same names choose alike.
  std::string Key = LowerCase(ClassName) + '\n' + Near.parent_path().string();
  for (const std::string& Name : Needed) Key += '\n' + LowerCase(Name);
  {
    std::lock_guard Lock(FMutex);
    if (auto Found = FChoices.find(Key); Found != FChoices.end()) return Found->second;
  }
  TChoice Choice = Choose(Files, Near, Needed, ClassName);
  std::lock_guard Lock(FMutex);
  return FChoices.try_emplace(Key, std::move(Choice)).first->second;
}

TWindowSources::TChoice TWindowSources::Choose(const std::vector<fs::path>& Files, const fs::path& Near,
                                               const std::vector<std::string>& Needed,
                                               std::string_view ClassName) const {
  const fs::path Home = Canonical(Near).parent_path();
  // The names each candidate holds, itself and its own ancestors aside.
  auto Holds = [&](const fs::path& File) {
    std::set<std::string> Names;
    {
      std::lock_guard Lock(FMutex);
      if (auto Found = FNames.find(File); Found != FNames.end()) Names = Found->second;
    }
    if (Names.empty()) {
      try {
        CollectNames(Document(File)->Root(), Names);
      } catch (const EKeyloomError&) {
        return false;
      }
      std::lock_guard Lock(FMutex);
      FNames[File] = Names;
    }
    return std::all_of(Needed.begin(), Needed.end(), [&](const std::string& N) { return Names.count(LowerCase(N)); });
  };
  // Equally near, a copy with its unit beside it is the source; one without is a build folder's stale copy.
  auto HasUnit = [](const fs::path& File) {
    std::error_code Error;
    for (const char* Ext : {".pas", ".pp"})
      if (fs::exists(fs::path(File).replace_extension(Ext), Error)) return true;
    return false;
  };
  const fs::path* Best = nullptr;
  bool BestHolds = false, BestUnit = false;
  std::size_t BestPrefix = 0;
  for (const fs::path& File : Files) {
    const bool All = Holds(File);
    const std::size_t Prefix = CommonPrefix(File.parent_path(), Home);
    const bool Unit = HasUnit(File);
    if (!Best || std::tuple(All, Prefix, Unit) > std::tuple(BestHolds, BestPrefix, BestUnit)) {
      Best = &File;
      BestHolds = All;
      BestPrefix = Prefix;
      BestUnit = Unit;
    }
  }
  std::string Note = std::to_string(Files.size()) + " files declare " + std::string(ClassName) + "; took " +
                     Best->string() + (BestHolds ? " (holds every inherited name, nearest" : " (nearest") +
                     (BestUnit ? ", with its unit)" : ")");
  return TChoice{*Best, std::move(Note)};
}

std::shared_ptr<TDocument> TWindowSources::Document(const fs::path& File) const {
  {
    std::lock_guard Lock(FMutex);
    if (auto Found = FDocuments.find(File); Found != FDocuments.end()) return Found->second;
  }
  // Parsed outside the lock: two threads may parse one file, the first kept.
  auto Doc = std::make_shared<TDocument>(TDocument::Parse(ReadWholeFile(File), File.string()));
  std::lock_guard Lock(FMutex);
  return FDocuments.try_emplace(File, std::move(Doc)).first->second;
}

void TWindowSources::Forget(const fs::path& File) const {
  const fs::path Path = Canonical(File);
  std::lock_guard Lock(FMutex);
  FDocuments.erase(Path);
  FNames.erase(Path);
}

std::string TWindowSources::SearchedFolders() const {
  const std::vector<fs::path>& Folders = Index().Folders();
  if (Folders.empty()) return "no folder";
  std::string Out;
  constexpr std::size_t Shown = 3;
  for (std::size_t I = 0; I < Folders.size() && I < Shown; ++I) Out += (I ? ", " : "") + Folders[I].string();
  if (Folders.size() > Shown) Out += " and " + std::to_string(Folders.size() - Shown) + " more folders";
  return Out;
}

const TFormIndex& TWindowSources::Index() const {
  std::call_once(FIndexBuilt, [this] {
    // Outer folders first, so that those inside them are not walked again.
    std::vector<fs::path> Folders;
    for (const fs::path& Folder : FFolders) Folders.push_back(Canonical(Folder));
    std::sort(Folders.begin(), Folders.end());
    for (const fs::path& Folder : Folders) FIndex.AddFolder(Folder);
  });
  return FIndex;
}

std::vector<fs::path> TWindowSources::FilesUsedBy(const TDocument& Document) const {
  std::vector<fs::path> Files;
  const TObjectNode& Root = Document.Root();
  if (Root.FKind == TObjectKind::Inherited && !Document.FileName().empty()) {
    const TAncestor Ancestor = AncestorOf(Document.FileName(), Root.FClassName);
    if (!Ancestor.ClassName.empty())
      if (auto Choice = FormOf(Ancestor.ClassName, Document.FileName(), InheritedNames(Root))) Files.push_back(Choice->File);
  }
  std::vector<const TObjectNode*> Pending(Root.FChildren.begin(), Root.FChildren.end());
  while (!Pending.empty()) {
    const TObjectNode* Node = Pending.back();
    Pending.pop_back();
    if (Node->FKind == TObjectKind::Inline)
      if (auto Choice = FormOf(Node->FClassName, Document.FileName(), InheritedNames(*Node)))
        Files.push_back(Choice->File);
    for (const TObjectNode* Child : Node->FChildren) Pending.push_back(Child);
  }
  return Files;
}

std::vector<std::string> InheritedNames(const TObjectNode& Root) {
  std::vector<std::string> Names;
  std::vector<const TObjectNode*> Pending(Root.FChildren.rbegin(), Root.FChildren.rend());
  while (!Pending.empty()) {
    const TObjectNode* N = Pending.back();
    Pending.pop_back();
    // Names inside an inline frame are the frame's, not the ancestor's.
    if (N->FKind == TObjectKind::Inline) continue;
    if (N->FKind == TObjectKind::Inherited && !N->FName.empty()) Names.emplace_back(N->FName);
    for (auto It = N->FChildren.rbegin(); It != N->FChildren.rend(); ++It) Pending.push_back(*It);
  }
  return Names;
}

}  // namespace keyloom::formfile

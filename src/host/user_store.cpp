#include <keyloom/host/user_store.hpp>
#include <keyloom/host/typinfo.hpp>
#include <keyloom/support/files.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace keyloom {

namespace {

constexpr std::string_view Header = "Windows Registry Editor Version 5.00";

[[noreturn]] void Bad(int Line, const std::string& What) {
  throw ERegistryException("line " + std::to_string(Line) + ": " + What);
}

// A quoted string starting at Pos; returns the decoded text and moves Pos past the quote.
std::string ParseQuoted(std::string_view Line, std::size_t& Pos, int LineNo) {
  if (Pos >= Line.size() || Line[Pos] != '"') Bad(LineNo, "expected '\"'");
  std::string Out;
  for (++Pos; Pos < Line.size(); ++Pos) {
    char C = Line[Pos];
    if (C == '"') {
      ++Pos;
      return Out;
    }
    if (C == '\\') {
      if (++Pos >= Line.size()) break;
      C = Line[Pos];
      if (C != '\\' && C != '"') Bad(LineNo, "unknown escape in string");
    }
    Out += C;
  }
  Bad(LineNo, "unterminated string");
}

std::string Quote(std::string_view S) {
  std::string Out = "\"";
  for (char C : S) {
    if (C == '\\' || C == '"') Out += '\\';
    Out += C;
  }
  return Out + '"';
}

// The format is line-based: a line break inside a key path, value name or
// string would split its line and make the whole file unreadable.
void CheckStorable(std::string_view Text, const char* What) {
  if (Text.find('\n') != std::string_view::npos)
    throw ERegistryException(std::string(What) + " cannot hold a line break: " + std::string(Text.substr(0, Text.find('\n'))) + "...");
}

void CheckKeyPath(std::string_view Path) {
  CheckStorable(Path, "a key path");
  if (Path.empty() || Path.front() == '-') throw ERegistryException("invalid key path '" + std::string(Path) + "'");
}

bool IsBelow(std::string_view Path, std::string_view Key) {
  return Path.size() > Key.size() && Path[Key.size()] == '\\' && SameText(Path.substr(0, Key.size()), Key);
}

// Nothing when there is no file; a file that is there but cannot be read
// counts as none too, unless Strict: then it throws, so that it is not replaced.
std::optional<std::string> ReadStoreFile(const std::filesystem::path& Path, bool Strict = false) {
  try {
    return ReadWholeFile(Path);
  } catch (const EFileReadError& E) {
    if (Strict && !E.Missing()) throw ERegistryException("cannot read " + Path.string() + "; it is left as it is");
    return std::nullopt;
  }
}

// Holds an exclusive lock on the store's lock file for its lifetime.
class TFileLock {
 public:
  explicit TFileLock(const std::filesystem::path& Path) {
    FFd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (FFd < 0) throw ERegistryException("cannot open " + Path.string() + ": " + std::generic_category().message(errno));
    while (::flock(FFd, LOCK_EX) != 0)
      if (errno != EINTR) {
        ::close(FFd);
        throw ERegistryException("cannot lock " + Path.string() + ": " + std::generic_category().message(errno));
      }
  }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  ~TFileLock() {
    ::flock(FFd, LOCK_UN);
    ::close(FFd);
  }

 private:
  int FFd;
};

}  // namespace

// ---------------------------------------------------------------- data

TRegistryData TRegistryData::Parse(std::string_view Text) {
  if (Text.substr(0, 3) == "\xEF\xBB\xBF") Text.remove_prefix(3);
  TRegistryData Data;
  TKey* Current = nullptr;
  bool SawHeader = false;
  int LineNo = 0;
  std::size_t Start = 0;
  auto NextLine = [&](std::string_view& Line) {
    if (Start >= Text.size()) return false;
    std::size_t End = Text.find('\n', Start);
    if (End == std::string_view::npos) End = Text.size();
    Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
    Start = End + 1;
    ++LineNo;
    return true;
  };
  std::string_view Line;
  while (NextLine(Line)) {
    if (!SawHeader) {
      if (Line.empty()) continue;
      if (Line != Header) Bad(LineNo, "not a registry file (expected \"" + std::string(Header) + "\")");
      SawHeader = true;
      continue;
    }
    if (Line.empty() || Line[0] == ';') continue;
    if (Line[0] == '[') {
      if (Line.back() != ']' || Line.size() < 3 || Line[1] == '-') Bad(LineNo, "malformed key line");
      Data.Keys.push_back({std::string(Line.substr(1, Line.size() - 2)), {}});
      Current = &Data.Keys.back();
      continue;
    }
    if (!Current) Bad(LineNo, "value outside of a key");
    TValue V;
    std::size_t Pos = 0;
    if (Line[0] == '@') {
      Pos = 1;
    } else {
      V.Name = ParseQuoted(Line, Pos, LineNo);
    }
    if (Pos >= Line.size() || Line[Pos] != '=') Bad(LineNo, "expected '='");
    std::string_view Rest = Line.substr(Pos + 1);
    if (!Rest.empty() && Rest[0] == '"') {
      std::size_t P = 0;
      V.Kind = TValue::TKind::String;
      V.String = ParseQuoted(Rest, P, LineNo);
      if (P != Rest.size()) Bad(LineNo, "text after string value");
    } else if (Rest.substr(0, 6) == "dword:") {
      const std::string_view Hex = Rest.substr(6);
      if (Hex.size() != 8 || Hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        Bad(LineNo, "malformed dword value");
      V.Kind = TValue::TKind::Dword;
      V.Dword = static_cast<std::uint32_t>(std::strtoul(std::string(Hex).c_str(), nullptr, 16));
    } else {
      V.Kind = TValue::TKind::Raw;
      V.Raw = std::string(Rest);
      // Continuation lines are indented; a blank line ends the value whatever
      // it ends with, as it does in what Format writes.
      while (!V.Raw.empty() && V.Raw.back() == '\\') {
        const std::size_t LineStart = Start;
        const int LineNumber = LineNo;
        if (!NextLine(Line)) break;
        if (Line.empty()) {
          Start = LineStart;
          LineNo = LineNumber;
          break;
        }
        V.Raw += "\n" + std::string(Line);
      }
    }
    if (FindValue(*Current, V.Name)) Bad(LineNo, "value named twice");
    Current->Values.push_back(std::move(V));
  }
  if (!SawHeader) Bad(LineNo, "empty registry file");
  return Data;
}

std::string TRegistryData::Format() const {
  std::string Out(Header);
  Out += "\r\n\r\n";
  for (const TKey& Key : Keys) {
    CheckKeyPath(Key.Path);
    Out += "[" + Key.Path + "]\r\n";
    for (const TValue& V : Key.Values) {
      CheckStorable(V.Name, "a value name");
      if (V.Kind == TValue::TKind::String) CheckStorable(V.String, "a string value");
      Out += V.Name.empty() ? std::string("@") : Quote(V.Name);
      Out += '=';
      switch (V.Kind) {
        case TValue::TKind::Dword: {
          char Hex[16];
          std::snprintf(Hex, sizeof Hex, "%08x", V.Dword);
          Out += std::string("dword:") + Hex;
          break;
        }
        case TValue::TKind::String:
          Out += Quote(V.String);
          break;
        case TValue::TKind::Raw:
          for (char C : V.Raw) Out += C == '\n' ? std::string("\r\n") : std::string(1, C);
          break;
      }
      Out += "\r\n";
      // Otherwise the next value would read as a continuation of this one.
      if (V.Kind == TValue::TKind::Raw && !V.Raw.empty() && V.Raw.back() == '\\') Out += "\r\n";
    }
    Out += "\r\n";
  }
  return Out;
}

TRegistryData::TKey* TRegistryData::FindKey(std::string_view Path) {
  for (TKey& Key : Keys)
    if (SameText(Key.Path, Path)) return &Key;
  return nullptr;
}

const TRegistryData::TKey* TRegistryData::FindKey(std::string_view Path) const {
  return const_cast<TRegistryData*>(this)->FindKey(Path);
}

TRegistryData::TKey& TRegistryData::CreateKey(std::string_view Path) {
  // Parents first, from the first key below the hive.
  std::size_t Pos = Path.find('\\');
  while (Pos != std::string_view::npos) {
    Pos = Path.find('\\', Pos + 1);
    const std::string_view Prefix = Path.substr(0, Pos);
    if (!FindKey(Prefix)) Keys.push_back({std::string(Prefix), {}});
  }
  if (TKey* Key = FindKey(Path)) return *Key;
  Keys.push_back({std::string(Path), {}});
  return Keys.back();
}

bool TRegistryData::DeleteKey(std::string_view Path) {
  const std::size_t Before = Keys.size();
  std::erase_if(Keys, [&](const TKey& K) { return SameText(K.Path, Path) || IsBelow(K.Path, Path); });
  return Keys.size() != Before;
}

TRegistryData::TValue* TRegistryData::FindValue(TKey& Key, std::string_view Name) {
  for (TValue& V : Key.Values)
    if (SameText(V.Name, Name)) return &V;
  return nullptr;
}

// ---------------------------------------------------------------- access class

std::function<void()> TRegistry::BeforeRenameHook;

std::filesystem::path UserRegistryPath() {
  std::filesystem::path Base;
  if (const char* Xdg = std::getenv("XDG_CONFIG_HOME"); Xdg && *Xdg)
    Base = Xdg;
  else if (const char* Home = std::getenv("HOME"); Home && *Home)
    Base = std::filesystem::path(Home) / ".config";
  else
    Base = ".config";
  return Base / "keyloom" / "user.reg";
}

TRegistry::TRegistry(std::filesystem::path File) : FFile(std::move(File)) { Load(); }

TRegistry::~TRegistry() {
  try {
    Flush();
  } catch (const EKeyloomError&) {
    // A store that cannot be written keeps what it had; destructors do not throw.
  }
}

void TRegistry::Load() {
  const std::optional<std::string> Text = ReadStoreFile(FFile);
  if (!Text) return;
  try {
    FData = TRegistryData::Parse(*Text);
  } catch (const ERegistryException&) {
    FDamaged = true;
    FData = {};
  }
}

std::string TRegistry::FullPath(std::string_view Key) const {
  while (!Key.empty() && Key.front() == '\\') Key.remove_prefix(1);
  while (!Key.empty() && Key.back() == '\\') Key.remove_suffix(1);
  std::string Full(RootKey);
  if (!Key.empty()) Full += "\\" + std::string(Key);
  return Full;
}

void TRegistry::Apply(TEdit Edit) {
  Edit(FData);
  FJournal.push_back(std::move(Edit));
}

bool TRegistry::OpenKey(std::string_view Key, bool CanCreate) {
  const std::string Full = FullPath(Key);
  CheckKeyPath(Full);
  if (!FData.FindKey(Full)) {
    if (!CanCreate) return false;
    Apply([Full](TRegistryData& D) { D.CreateKey(Full); });
  }
  FCurrentKey = Full;
  return true;
}

void TRegistry::CloseKey() {
  FCurrentKey.reset();
  Flush();
}

bool TRegistry::DeleteKey(std::string_view Key) {
  const std::string Full = FullPath(Key);
  if (!FData.FindKey(Full)) return false;
  Apply([Full](TRegistryData& D) { D.DeleteKey(Full); });
  return true;
}

bool TRegistry::KeyExists(std::string_view Key) { return FData.FindKey(FullPath(Key)) != nullptr; }

bool TRegistry::ValueExists(std::string_view Name) const {
  if (!FCurrentKey) return false;
  auto* Key = const_cast<TRegistryData&>(FData).FindKey(*FCurrentKey);
  return Key && TRegistryData::FindValue(*Key, Name);
}

std::int32_t TRegistry::ReadInteger(std::string_view Name) const {
  auto* Key = FCurrentKey ? const_cast<TRegistryData&>(FData).FindKey(*FCurrentKey) : nullptr;
  const TRegistryData::TValue* V = Key ? TRegistryData::FindValue(*Key, Name) : nullptr;
  if (!V || V->Kind != TRegistryData::TValue::TKind::Dword)
    throw ERegistryException("Invalid data type for '" + std::string(Name) + "'");
  return static_cast<std::int32_t>(V->Dword);
}

std::string TRegistry::ReadString(std::string_view Name) const {
  auto* Key = FCurrentKey ? const_cast<TRegistryData&>(FData).FindKey(*FCurrentKey) : nullptr;
  const TRegistryData::TValue* V = Key ? TRegistryData::FindValue(*Key, Name) : nullptr;
  if (!V || V->Kind != TRegistryData::TValue::TKind::String)
    throw ERegistryException("Invalid data type for '" + std::string(Name) + "'");
  return V->String;
}

void TRegistry::WriteInteger(std::string_view Name, std::int32_t Value) {
  if (!FCurrentKey) throw ERegistryException("no key is open");
  CheckStorable(Name, "a value name");
  Apply([Key = *FCurrentKey, N = std::string(Name), Value](TRegistryData& D) {
    TRegistryData::TKey& K = D.CreateKey(Key);
    TRegistryData::TValue* V = TRegistryData::FindValue(K, N);
    if (!V) V = &K.Values.emplace_back();
    *V = {N, TRegistryData::TValue::TKind::Dword, static_cast<std::uint32_t>(Value), {}, {}};
  });
}

void TRegistry::WriteString(std::string_view Name, std::string_view Value) {
  if (!FCurrentKey) throw ERegistryException("no key is open");
  CheckStorable(Name, "a value name");
  CheckStorable(Value, "a string value");
  Apply([Key = *FCurrentKey, N = std::string(Name), S = std::string(Value)](TRegistryData& D) {
    TRegistryData::TKey& K = D.CreateKey(Key);
    TRegistryData::TValue* V = TRegistryData::FindValue(K, N);
    if (!V) V = &K.Values.emplace_back();
    *V = {N, TRegistryData::TValue::TKind::String, 0, S, {}};
  });
}

void TRegistry::Flush() {
  if (FJournal.empty()) return;
  std::error_code Ec;
  // A link (a settings file kept with the user's other dotfiles) is written
  // through and stays a link; everything below works on the file it names.
  std::filesystem::path File;
  try {
    File = ResolveSymlinks(FFile);
  } catch (const EFileWriteError& E) {
    throw ERegistryException(E.what());
  }
  std::filesystem::create_directories(File.parent_path(), Ec);
  TFileLock Lock(File.string() + ".lock");

  // What others saved since we read it, with our changes on top.
  const std::optional<std::string> Text = ReadStoreFile(File, true);
  TRegistryData Fresh;
  if (Text) {
    try {
      Fresh = TRegistryData::Parse(*Text);
    } catch (const ERegistryException&) {
      FDamaged = true;
      char Stamp[32];
      const std::time_t Now = std::time(nullptr);
      std::strftime(Stamp, sizeof Stamp, "%Y%m%d-%H%M%S", std::gmtime(&Now));
      FKeptAside = File.string() + ".damaged-" + Stamp + "-" + std::to_string(::getpid());
      std::filesystem::rename(File, FKeptAside, Ec);
      if (Ec) throw ERegistryException("cannot keep the damaged " + File.string() + " aside: " + Ec.message());
    }
  }
  for (const TEdit& Edit : FJournal) Edit(Fresh);
  const std::string Out = Fresh.Format();

  try {
    WriteFileAtomically(File, Out, TPrivateFile{}, [](TWriteStep Step) {
      if (Step == TWriteStep::Rename && BeforeRenameHook) BeforeRenameHook();
    });
  } catch (const EFileWriteError& E) {
    throw ERegistryException(E.what());
  }
  FData = std::move(Fresh);
  FJournal.clear();
}

}  // namespace keyloom

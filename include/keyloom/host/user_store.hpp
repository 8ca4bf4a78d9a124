#pragma once

// The per-user key-value store: a registry of keys holding integer and string
// values, kept in a file in the registry's text export format
// ($XDG_CONFIG_HOME/keyloom/user.reg, else ~/.config/keyloom/user.reg).

#include <keyloom/errors.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

class ERegistryException : public EKeyloomError {
 public:
  using EKeyloomError::EKeyloomError;
};

// The store file's contents: keys in file order, each with its values in file
// order. Values of kinds we do not use keep their text as it was.
class TRegistryData {
 public:
  struct TValue {
    std::string Name;  // "" is the key's default value
    enum class TKind { Dword, String, Raw } Kind = TKind::String;
    std::uint32_t Dword = 0;
    std::string String;
    std::string Raw;  // everything after '=' for other kinds, continuation lines included
  };
  struct TKey {
    std::string Path;  // full path, hive included: HKEY_CURRENT_USER\Software\...
    std::vector<TValue> Values;
  };

  // Throws ERegistryException with the line number when the text is not a store file.
  static TRegistryData Parse(std::string_view Text);
  std::string Format() const;

  TKey* FindKey(std::string_view Path);
  const TKey* FindKey(std::string_view Path) const;
  // Makes the key and every missing parent key.
  TKey& CreateKey(std::string_view Path);
  // Removes the key and every key below it; false when there was none.
  bool DeleteKey(std::string_view Path);
  static TValue* FindValue(TKey& Key, std::string_view Name);

  std::vector<TKey> Keys;
};

// Where the store file lives for this user.
std::filesystem::path UserRegistryPath();

// The host's registry access class, rooted at the current user. Changes are
// kept as a journal and written when the key is closed or the object goes:
// under a lock, the file is read again, the journal applied and the result
// renamed over the file, so that concurrent writers lose nothing and a crash
// leaves the old or the new file. A file that cannot be parsed reads as empty
// and is kept aside under another name when it would be replaced.
class TRegistry {
 public:
  static constexpr std::string_view RootKey = "HKEY_CURRENT_USER";

  explicit TRegistry(std::filesystem::path File = UserRegistryPath());
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  ~TRegistry();

  // Opens Key (relative to the root); with CanCreate, makes it and its parents when missing.
  bool OpenKey(std::string_view Key, bool CanCreate);
  void CloseKey();
  bool DeleteKey(std::string_view Key);
  bool KeyExists(std::string_view Key);
  bool ValueExists(std::string_view Name) const;

  // Reading a missing value, or one of another kind, raises ERegistryException.
  std::int32_t ReadInteger(std::string_view Name) const;
  std::string ReadString(std::string_view Name) const;
  void WriteInteger(std::string_view Name, std::int32_t Value);
  void WriteString(std::string_view Name, std::string_view Value);

  // Writes the journal now. Errors writing the file raise ERegistryException.
  void Flush();

  // Whether the file was found damaged (and, after a write, kept aside) by this object.
  bool FoundDamaged() const { return FDamaged; }
  const std::filesystem::path& KeptAside() const { return FKeptAside; }

  // For tests: runs between writing the new file and renaming it over the old one.
  static std::function<void()> BeforeRenameHook;

 private:
  using TEdit = std::function<void(TRegistryData&)>;
  void Load();
  std::string FullPath(std::string_view Key) const;
  void Apply(TEdit Edit);

  std::filesystem::path FFile;
  TRegistryData FData;
  std::vector<TEdit> FJournal;
  std::optional<std::string> FCurrentKey;
  bool FDamaged = false;
  std::filesystem::path FKeptAside;
};

}  // namespace keyloom

#pragma once

// Where the files a running window is made of are found: the ancestor a
// unit's source declares for a form class, and the form files that declare a
// class (ancestor forms, frames). The loader composes the window from them
// (TLoadOptions::Window).

#include <keyloom/formfile/document.hpp>

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keyloom::formfile {

// The class that `ClassName = class(Ancestor)` names in Pascal source, without
// a unit qualifier; empty when the source declares no such class. Comments
// and strings are skipped, names compared without regard to case.
std::string ScanAncestorClass(std::string_view Source, std::string_view ClassName);

// A form file's root object as its first bytes declare it, text or binary.
struct TRootHeader {
  TObjectKind Kind = TObjectKind::Object;
  std::string Name;
  std::string ClassName;
};
std::optional<TRootHeader> ReadRootHeader(std::string_view Bytes);

// Form files by the class their root declares, gathered from folders.
class TFormIndex {
 public:
  // Every form file (.dfm, .lfm, .xfm, .fmx) under Folder, at any depth.
  void AddFolder(const std::filesystem::path& Folder);
  // One file; a file already indexed (by its canonical path) is left out.
  void AddFile(const std::filesystem::path& File);

  // The files whose root declares ClassName, in the order they were found.
  const std::vector<std::filesystem::path>& Declaring(std::string_view ClassName) const;
  const std::vector<std::filesystem::path>& Folders() const { return FFolders; }
  std::size_t Size() const { return FFiles.size(); }

 private:
  void Index(const std::filesystem::path& Path);

  std::unordered_map<std::string, std::vector<std::filesystem::path>> FByClass;  // lower-case class
  std::set<std::filesystem::path> FFiles;
  std::vector<std::filesystem::path> FWalked;
  std::set<std::filesystem::path> FFolderSet;
  std::vector<std::filesystem::path> FFolders;
};

// What the loader asks while composing a window. Documents are parsed once and
// shared between the forms (and threads) of one command; they are only read.
class TWindowSources {
 public:
  // The index covers these folders (at any depth); it is built when first
  // asked, so that forms that need no other file never pay for it.
  explicit TWindowSources(std::vector<std::filesystem::path> Folders) : FFolders(std::move(Folders)) {}

  struct TAncestor {
    std::string ClassName;  // empty when the unit does not say
    std::string Looked;     // the unit files looked at, for a warning
  };
  // The ancestor class of ClassName as the unit beside FormFile declares it.
  TAncestor AncestorOf(const std::filesystem::path& FormFile, std::string_view ClassName) const;

  struct TChoice {
    std::filesystem::path File;
    std::string Note;  // set when several files declare the class: which was taken and why
  };
  // The form file declaring ClassName: among several, one holding every name
  // in Needed, then the one nearest to Near (longest common folder prefix).
  std::optional<TChoice> FormOf(std::string_view ClassName, const std::filesystem::path& Near,
                                const std::vector<std::string>& Needed) const;

  // Throws EFormFileError (or the read error) when the file cannot be read or parsed.
  std::shared_ptr<TDocument> Document(const std::filesystem::path& File) const;
  // Drops a file's parsed document: it was rewritten.
  void Forget(const std::filesystem::path& File) const;

  // Where form files were looked for, for a warning.
  std::string SearchedFolders() const;

  // The files a form's window takes besides its own: its ancestor form and
  // the frames it holds (not theirs in turn).
  std::vector<std::filesystem::path> FilesUsedBy(const TDocument& Document) const;

 private:
  const TFormIndex& Index() const;
  static TAncestor ScanUnit(const std::filesystem::path& FormFile, std::string_view ClassName);
  TChoice Choose(const std::vector<std::filesystem::path>& Files, const std::filesystem::path& Near,
                 const std::vector<std::string>& Needed, std::string_view ClassName) const;

  std::vector<std::filesystem::path> FFolders;
  mutable std::once_flag FIndexBuilt;
  mutable TFormIndex FIndex;
  mutable std::mutex FMutex;
  mutable std::map<std::filesystem::path, std::shared_ptr<TDocument>> FDocuments;
  mutable std::map<std::filesystem::path, std::set<std::string>> FNames;  // lower-case component names per file
  mutable std::unordered_map<std::string, TAncestor> FAncestors;
  mutable std::unordered_map<std::string, TChoice> FChoices;  // "class\nfolder\nnames..." -> the file taken         // "file\nclass" -> what its unit says
};

// The object names a document's `inherited` blocks look up below its root.
std::vector<std::string> InheritedNames(const TObjectNode& Root);

}  // namespace keyloom::formfile

#pragma once

// GNU gettext catalogues (.po) of form texts: read, looked up by the form text
// an entry translates, and written back with only the changed strings touched.
//
// Entries name the form text in their reference comment, in lower case:
// `#: tfrmfinddlg.cbselectedfiles.caption` is the `Caption` of
// `cbSelectedFiles` on the form class `TfrmFindDlg`.

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile {

// A syntax error in a catalogue, with its 1-based line and byte column.
class ECatalogueError : public EFormFileError {
 public:
  using EFormFileError::EFormFileError;
};

struct TCatalogueEntry {
  std::vector<std::string> References;  // as written after `#:`
  std::string Context;                  // msgctxt, decoded
  std::string Id;                       // msgid, decoded
  std::string Translation;              // msgstr (or msgstr[0]), decoded
  bool Fuzzy = false;
  bool Plural = false;
  int Line = 0;       // of `msgstr`
  int IdLine = 0;     // of `msgid`
  // Whether the application shows Translation rather than Id.
  bool Translated() const noexcept { return !Fuzzy && !Plural && !Translation.empty() && !Id.empty(); }
};

class TCatalogue {
 public:
  static TCatalogue Parse(std::string Source, std::string FileName = {});
  static TCatalogue LoadFromFile(const std::string& Path);

  TCatalogue(TCatalogue&&) noexcept;
  TCatalogue& operator=(TCatalogue&&) noexcept;
  ~TCatalogue();

  const std::string& FileName() const noexcept;
  const std::string& Source() const noexcept;
  // From the header's `Language:` field, else from a `name.LANG.po` file name; may be empty.
  const std::string& Language() const noexcept;
  const std::vector<TCatalogueEntry>& Entries() const noexcept;

  // The entry whose reference is Key (`class.component.property`, any case), or -1.
  int Find(std::string_view Key) const;

  // Replaces an entry's msgstr. Strings the edit does not reach keep their bytes,
  // and a string written over several lines stays so.
  void SetTranslation(int Entry, std::string_view Utf8);
  bool Modified() const noexcept;
  std::string Render() const;

 private:
  struct TImpl;
  explicit TCatalogue(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> FImpl;
};

// What a catalogue changes in one form: the texts it translates, by the
// object they belong to.
struct TTranslatedText {
  std::string Object;         // component name as the form writes it; empty for the form itself
  std::string Property;       // `Caption`, `EditLabel.Caption`
  int Entry = -1;             // in the catalogue
  // The translation shows (else the original does). Only these are a run's to
  // write: an entry left empty or fuzzy still tells translators it needs them.
  bool Shown = false;
  std::string Before;         // the text shown before any run
};

// Sets every caption of the form that the catalogue translates to its
// translation; returns what it matched, translated or not. Keys are built
// from the root's class name, as the catalogue's tools write them.
std::vector<TTranslatedText> TranslateCaptions(TDocument& Document, const TCatalogue& Catalogue);

// The other files of windows (ancestors, frames) as shown in the catalogue's
// language, each translated once, with its own class's entries, and shared
// by every window that takes it. Safe to use from several threads.
class TTranslatedFiles {
 public:
  explicit TTranslatedFiles(const TCatalogue& Catalogue) : FCatalogue(Catalogue) {}
  std::shared_ptr<TDocument> operator()(const std::shared_ptr<TDocument>& Original) const;
  // The entries these files matched.
  std::vector<int> Matched() const;
  // Drops the translated files: the catalogue's translations changed.
  void Forget() const;

 private:
  const TCatalogue& FCatalogue;
  mutable std::mutex FMutex;
  // Each original is held too, so that its address names no other document later.
  mutable std::map<const TDocument*, std::pair<std::shared_ptr<TDocument>, std::shared_ptr<TDocument>>> FFiles;
  mutable std::vector<int> FMatched;
};

// The document as shown in the catalogue's language: its translated captions
// are edits of the document, so that what a run writes over them replaces them.
TDocument TranslatedDocument(TDocument Document, const TCatalogue& Catalogue, std::vector<TTranslatedText>& Texts);

// The shown translations that After (the translated form as it now stands)
// changes: entry and new text.
std::vector<std::pair<int, std::string>> ChangedTranslations(const TDocument& After,
                                                             const std::vector<TTranslatedText>& Texts);

}  // namespace keyloom::formfile

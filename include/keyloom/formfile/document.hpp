#pragma once

// Text form files (.dfm / .lfm): a lossless syntax tree and in-place edits.
//
// The document keeps the original bytes. The tree describes them as parsed;
// edits are recorded as replacements of byte ranges and applied by Render(),
// so everything that was not edited comes back byte for byte.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "keyloom/errors.hpp"

namespace keyloom::formfile {

// A syntax error (with its 1-based line and byte column), or an edit that the
// document cannot apply.
class EFormFileError : public EKeyloomError {
 public:
  EFormFileError(std::string FileName, int Line, int Column, std::string Message);

  const std::string& FileName() const noexcept { return FFileName; }
  int Line() const noexcept { return FLine; }
  int Column() const noexcept { return FColumn; }
  const std::string& Message() const noexcept { return FMessage; }

 private:
  std::string FFileName;
  int FLine;
  int FColumn;
  std::string FMessage;
};
using FormFileError = EFormFileError;

// Half-open byte range [FBegin, FEnd) in the original source.
struct TSpan {
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
  std::size_t Size() const noexcept { return FEnd - FBegin; }
};

// 1-based line; 1-based column counted in bytes. In a binary form there are
// no lines: FLine is 0 and FColumn the byte offset.
struct TPosition {
  int FLine = 0;
  int FColumn = 0;
};

struct TFloat {
  double FValue = 0;
  char FSuffix = 0;        // 0, or 's' (single), 'd' (date), 'c' (currency), as written
  std::string_view FText;  // the number as written, suffix included
};

// An identifier or a dotted reference (`alClient`, `MainForm.ImageList1`).
struct TIdent {
  std::string_view FName;
};

struct TNil {};

struct TSet {
  std::vector<std::string_view> FNames;
};

struct TValue;
struct TProperty;

struct TList {
  std::vector<TValue> FItems;
};

struct TBinary {
  std::string FBytes;
};

struct TCollectionItem {
  std::vector<TProperty> FProperties;
  TSpan FSpan;  // from `item` to its `end`
  TPosition FPosition;
};

struct TCollection {
  std::vector<TCollectionItem> FItems;
};

// Same order as the alternatives of TValue::TData.
enum class TValueKind { Integer, Float, String, Ident, Boolean, Nil, Set, List, Binary, Collection };

struct TValue {
  // A string is decoded to UTF-8 (`#n` is code point n); quoted bytes are kept
  // verbatim even when they are not valid UTF-8.
  using TData = std::variant<std::int64_t, TFloat, std::string, TIdent, bool, TNil, TSet, TList, TBinary,
                             TCollection>;

  TValue() = default;
  // Defined below TProperty: clang needs it complete to move a collection.
  explicit TValue(TData Data);

  TData FData;
  TSpan FSpan;                 // the value's own tokens, `+` joins included
  std::size_t FGapBegin = 0;   // end of the token before the value (`=`, `(` or the previous item)
  TPosition FPosition;

  TValueKind Kind() const noexcept { return static_cast<TValueKind>(FData.index()); }
  const std::string* String() const noexcept { return std::get_if<std::string>(&FData); }
  const TList* List() const noexcept { return std::get_if<TList>(&FData); }
  TList* List() noexcept { return std::get_if<TList>(&FData); }
  const TCollection* Collection() const noexcept { return std::get_if<TCollection>(&FData); }
  TCollection* Collection() noexcept { return std::get_if<TCollection>(&FData); }
  // The name of an identifier value, else empty.
  std::string_view Ident() const noexcept;
};

struct TProperty {
  std::string_view FName;  // dotted, case as written
  TValue FValue;
  TSpan FNameSpan;
  TPosition FPosition;
  bool FRemoved = false;   // set by TDocument::RemoveProperty
};

inline TValue::TValue(TData Data) : FData(std::move(Data)) {}

enum class TObjectKind { Object, Inherited, Inline };

struct TObjectNode {
  TObjectKind FKind = TObjectKind::Object;
  std::string_view FName;  // empty for an anonymous object
  std::string_view FClassName;
  std::optional<std::int64_t> FIndex;  // `[n]` child position
  std::vector<TProperty> FProperties;
  std::vector<TObjectNode*> FChildren;
  TObjectNode* FParent = nullptr;
  TSpan FHeaderSpan;  // from the keyword to the class name or `]`
  TSpan FEndSpan;     // the `end` keyword
  TPosition FPosition;
  bool FRemoved = false;  // set by TDocument::RemoveObject

  // Case-insensitive, like the format's readers; skips removed properties.
  TProperty* FindProperty(std::string_view Name) noexcept;
  const TProperty* FindProperty(std::string_view Name) const noexcept;
};

// A block for TDocument::InsertObject. Values are formatted in the file's style.
struct TNewObject {
  TObjectKind FKind = TObjectKind::Object;
  std::string FName;
  std::string FClassName;
  std::optional<std::int64_t> FIndex;
  std::vector<std::pair<std::string, TValue>> FProperties;
  std::vector<TNewObject> FChildren;
};

// True for the binary forms (resource-wrapped `FF 0A 00` or a bare `TPF0` stream).
bool IsBinaryFormFile(std::string_view Bytes) noexcept;

class TDocument {
 public:
  // Text or binary, told apart by the first bytes. Throws EFormFileError on a
  // syntax error (a binary form's message starts with the byte offset);
  // FileName only labels errors and breaks style ties (.lfm / .dfm).
  static TDocument Parse(std::string Source, std::string FileName = {});
  static TDocument LoadFromFile(const std::filesystem::path& Path);

  TDocument(TDocument&&) noexcept;
  TDocument& operator=(TDocument&&) noexcept;
  TDocument(const TDocument&) = delete;
  TDocument& operator=(const TDocument&) = delete;
  ~TDocument();

  const std::string& Source() const noexcept;
  // A binary form: edits are written in its encoding, and Render keeps its resource header's size right.
  bool IsBinary() const noexcept;
  const std::string& FileName() const noexcept;
  TObjectNode& Root() noexcept;
  const TObjectNode& Root() const noexcept;
  // Bytes after the root's `end` (readers ignore them; Render keeps them).
  std::string_view Trailing() const noexcept;
  // Every object as parsed, in file order (pre-order), the root first;
  // removed ones are flagged, inserted ones appear only after a re-parse.
  std::vector<TObjectNode*> Objects();

  // Edits. Each value passed in must belong to this document's tree. The new
  // text is encoded in the conventions of the original token and of the file.
  void SetString(TValue& Value, std::string_view Utf8);
  void SetIdent(TValue& Value, std::string_view Name);  // also True/False/nil
  void SetBoolean(TValue& Value, bool NewValue);
  void SetInteger(TValue& Value, std::int64_t NewValue);
  // Replaces a property's value with one of any kind, written in the file's
  // style where the old one stood (strings and scalars as above). Values
  // inside the new value cannot be edited one by one until the document is
  // parsed again.
  void SetValue(TProperty& Property, const TValue& NewValue);
  // Adds `Name = Value` after the object's last property (before its children).
  void InsertProperty(TObjectNode& Object, std::string_view Name, const TValue& Value);
  void RemoveProperty(TProperty& Property);
  // Adds the block after the last child of Parent (after its properties if it has none).
  void InsertObject(TObjectNode& Parent, const TNewObject& Object);
  void RemoveObject(TObjectNode& Object);

  bool Modified() const noexcept;
  // The source with every edit applied.
  std::string Render() const;

  // Internals, for the library's own units and tests.
  struct TImpl;
  TImpl& Impl() noexcept { return *FImpl; }
  const TImpl& Impl() const noexcept { return *FImpl; }

 private:
  explicit TDocument(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> FImpl;
};

// The document's tree in the form designer's own encodings, as parsed (edits
// show in a document parsed from Render()); bytes after the root are left out.
// Text: two-space indent, `#n` codes, long strings split, LF line ends.
std::string RenderAsText(const TDocument& Document);
// Binary: the object stream behind a resource header.
std::string RenderAsBinary(const TDocument& Document);

}  // namespace keyloom::formfile

#include "keyloom/formfile/document.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>

#include "formfile/binary.hpp"
#include "formfile/document_impl.hpp"
#include "formfile/string_codec.hpp"
#include "formfile/text_util.hpp"

namespace keyloom::formfile {

namespace {

std::string ErrorText(const std::string& FileName, int Line, int Column, const std::string& Message) {
  std::string Text;
  if (!FileName.empty()) Text += FileName + ":";
  if (Line > 0) Text += std::to_string(Line) + ":" + std::to_string(Column) + ":";
  if (!Text.empty()) Text += " ";
  return Text + Message;
}

bool IsIdentStart(char C) noexcept { return (C | 0x20) >= 'a' && (C | 0x20) <= 'z' ? true : C == '_'; }
bool IsIdentPart(char C) noexcept { return IsIdentStart(C) || (C >= '0' && C <= '9'); }

// `Name` or `Name.Sub.Sub`, with no blanks.
bool IsDottedName(std::string_view Name) noexcept {
  bool AtStart = true;
  for (char C : Name) {
    if (AtStart) {
      if (!IsIdentStart(C)) return false;
      AtStart = false;
    } else if (C == '.') {
      AtStart = true;
    } else if (!IsIdentPart(C)) {
      return false;
    }
  }
  return !AtStart;
}

}  // namespace

EFormFileError::EFormFileError(std::string FileName, int Line, int Column, std::string Message)
    : EKeyloomError(ErrorText(FileName, Line, Column, Message)),
      FFileName(std::move(FileName)),
      FLine(Line),
      FColumn(Column),
      FMessage(std::move(Message)) {}

std::string_view TValue::Ident() const noexcept {
  const auto* Name = std::get_if<TIdent>(&FData);
  return Name != nullptr ? Name->FName : std::string_view();
}

TProperty* TObjectNode::FindProperty(std::string_view Name) noexcept {
  for (TProperty& Property : FProperties) {
    if (!Property.FRemoved && detail::EqualsNoCase(Property.FName, Name)) return &Property;
  }
  return nullptr;
}

const TProperty* TObjectNode::FindProperty(std::string_view Name) const noexcept {
  return const_cast<TObjectNode*>(this)->FindProperty(Name);
}

bool IsBinaryFormFile(std::string_view Bytes) noexcept {
  return Bytes.substr(0, 3) == std::string_view("\xFF\x0A\x00", 3) || Bytes.substr(0, 4) == "TPF0";
}

// ---------------------------------------------------------------------------
// Loading

TDocument::TDocument(std::unique_ptr<TImpl> Impl) : FImpl(std::move(Impl)) {}
TDocument::TDocument(TDocument&&) noexcept = default;
TDocument& TDocument::operator=(TDocument&&) noexcept = default;
TDocument::~TDocument() = default;

TDocument TDocument::Parse(std::string Source, std::string FileName) {
  auto Impl = std::make_unique<TImpl>();
  Impl->FSource = std::move(Source);
  Impl->FFileName = std::move(FileName);
  if (IsBinaryFormFile(Impl->FSource)) {
    detail::ParseBinaryInto(*Impl);
    return TDocument(std::move(Impl));
  }
  if (Impl->FSource.compare(0, 3, "\xEF\xBB\xBF") == 0) Impl->FContentStart = 3;
  detail::ParseInto(*Impl);
  return TDocument(std::move(Impl));
}

TDocument TDocument::LoadFromFile(const std::filesystem::path& Path) {
  std::ifstream Stream(Path, std::ios::binary);
  std::ostringstream Bytes;
  if (Stream) Bytes << Stream.rdbuf();
  if (!Stream || Stream.bad()) throw EFormFileError(Path.string(), 0, 0, "cannot read the file");
  return Parse(std::move(Bytes).str(), Path.string());
}

const std::string& TDocument::Source() const noexcept { return FImpl->FSource; }
const std::string& TDocument::FileName() const noexcept { return FImpl->FFileName; }
bool TDocument::IsBinary() const noexcept { return FImpl->FBinary; }
TObjectNode& TDocument::Root() noexcept { return FImpl->FObjects.front(); }
const TObjectNode& TDocument::Root() const noexcept { return FImpl->FObjects.front(); }

std::string_view TDocument::Trailing() const noexcept {
  return std::string_view(FImpl->FSource).substr(FImpl->FTrailingStart);
}

std::vector<TObjectNode*> TDocument::Objects() {
  std::vector<TObjectNode*> Result;
  Result.reserve(FImpl->FObjects.size());
  for (TObjectNode& Node : FImpl->FObjects) Result.push_back(&Node);
  return Result;
}

// ---------------------------------------------------------------------------
// Formatting new values in the file's style

namespace {

using detail::TPatch;
using detail::TPatchKind;

class TFormatter {
 public:
  explicit TFormatter(const TDocument::TImpl& Impl)
      : FImpl(Impl), FLazarus(detail::LazarusFlavour(Impl.FCounts, Impl.FFileName)) {}

  std::string Value(const TValue& Value, std::size_t Indent, std::string_view Eol) const;
  std::string Object(const TNewObject& Object, std::size_t Indent, std::string_view Eol) const;

 private:
  bool Prefer(std::size_t LazarusCount, std::size_t DelphiCount) const noexcept {
    return LazarusCount != DelphiCount ? LazarusCount > DelphiCount : FLazarus;
  }

  const TDocument::TImpl& FImpl;
  bool FLazarus;
};

void CheckName(const TDocument::TImpl& Impl, std::string_view Name, const char* What) {
  if (!IsDottedName(Name)) {
    throw EFormFileError(Impl.FFileName, 0, 0, std::string("invalid ") + What + " '" + std::string(Name) + "'");
  }
}

std::string TFormatter::Value(const TValue& Value, std::size_t Indent, std::string_view Eol) const {
  const auto& C = FImpl.FCounts;
  switch (Value.Kind()) {
    case TValueKind::Integer:
      return std::to_string(std::get<std::int64_t>(Value.FData));
    case TValueKind::Float: {
      const TFloat& Float = std::get<TFloat>(Value.FData);
      if (!Float.FText.empty()) return std::string(Float.FText);
      char Buffer[64];
      auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Float.FValue);
      std::string Text(Buffer, Result.ptr);
      for (char& Ch : Text) Ch = Ch == 'e' ? 'E' : Ch;
      if (Text.find_first_of(".E") == std::string::npos && Float.FSuffix == 0) Text += ".0";
      if (Float.FSuffix != 0) Text.push_back(Float.FSuffix);
      return Text;
    }
    case TValueKind::String:
      return detail::EncodeNewString(*Value.String(), detail::ChooseStyle(C, FImpl.FFileName, nullptr), Indent, Eol);
    case TValueKind::Ident:
      CheckName(FImpl, Value.Ident(), "identifier");
      return std::string(Value.Ident());
    case TValueKind::Boolean:
      return std::get<bool>(Value.FData) ? "True" : "False";
    case TValueKind::Nil:
      return "nil";
    case TValueKind::Set: {
      std::string Text = "[";
      for (std::string_view Name : std::get<TSet>(Value.FData).FNames) {
        CheckName(FImpl, Name, "set element");
        if (Text.size() > 1) Text += ", ";
        Text += Name;
      }
      return Text + "]";
    }
    case TValueKind::List: {
      const TList& List = *Value.List();
      const bool OwnLine = Prefer(C.FListCloseOwnLine, C.FListCloseGlued);
      if (List.FItems.empty()) return OwnLine ? "(" + std::string(Indent, ' ') + ")" : "()";
      const std::string ItemLead = std::string(Eol) + std::string(Indent + 2, ' ');
      std::string Text = "(";
      for (const TValue& Item : List.FItems) Text += ItemLead + this->Value(Item, Indent + 2, Eol);
      if (OwnLine) Text += std::string(Eol) + std::string(Indent, ' ');
      return Text + ")";
    }
    case TValueKind::Binary: {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const std::string& Bytes = std::get<TBinary>(Value.FData).FBytes;
      if (Bytes.empty()) return "{}";
      std::string Text = "{";
      for (std::size_t I = 0; I < Bytes.size(); ++I) {
        if (I % 32 == 0) Text += std::string(Eol) + std::string(Indent + 2, ' ');
        auto Byte = static_cast<unsigned char>(Bytes[I]);
        Text.push_back(kHex[Byte >> 4]);
        Text.push_back(kHex[Byte & 15]);
      }
      if (Prefer(C.FBinaryCloseOwnLine, C.FBinaryCloseGlued)) Text += std::string(Eol) + std::string(Indent, ' ');
      return Text + "}";
    }
    case TValueKind::Collection: {
      const TCollection& Collection = *Value.Collection();
      if (Collection.FItems.empty()) return "<>";
      const bool Spaced = Prefer(C.FCollectionOpenSpaced, C.FCollectionOpenClean);
      const std::string Trail = Spaced ? std::string(Indent, ' ') : std::string();
      const std::string ItemIndent(Indent + 2, ' ');
      std::string Text = "<" + Trail;
      for (std::size_t I = 0; I < Collection.FItems.size(); ++I) {
        Text += std::string(Eol) + ItemIndent + "item";
        for (const TProperty& Property : Collection.FItems[I].FProperties) {
          CheckName(FImpl, Property.FName, "property name");
          Text += std::string(Eol) + std::string(Indent + 4, ' ') + std::string(Property.FName) + " = " +
                  this->Value(Property.FValue, Indent + 4, Eol);
        }
        Text += std::string(Eol) + ItemIndent + "end";
        if (I + 1 < Collection.FItems.size()) Text += Trail;
      }
      return Text + ">";
    }
  }
  return {};
}

std::string TFormatter::Object(const TNewObject& Object, std::size_t Indent, std::string_view Eol) const {
  static constexpr const char* kKeywords[] = {"object", "inherited", "inline"};
  CheckName(FImpl, Object.FClassName, "class name");
  std::string Text = kKeywords[static_cast<int>(Object.FKind)];
  Text += ' ';
  if (!Object.FName.empty()) {
    CheckName(FImpl, Object.FName, "object name");
    Text += Object.FName + ": ";
  }
  Text += Object.FClassName;
  if (Object.FIndex) {
    const auto& C = FImpl.FCounts;
    if (!Prefer(C.FIndexGlued, C.FIndexSpaced)) Text += ' ';
    Text += "[" + std::to_string(*Object.FIndex) + "]";
  }
  const std::string Inner(Indent + 2, ' ');
  for (const auto& [Name, Value] : Object.FProperties) {
    CheckName(FImpl, Name, "property name");
    Text += std::string(Eol) + Inner + Name + " = " + this->Value(Value, Indent + 2, Eol);
  }
  for (const TNewObject& Child : Object.FChildren) Text += std::string(Eol) + Inner + this->Object(Child, Indent + 2, Eol);
  return Text + std::string(Eol) + std::string(Indent, ' ') + "end";
}

}  // namespace

// ---------------------------------------------------------------------------
// Edits

namespace {

[[noreturn]] void EditError(const TDocument::TImpl& Impl, TPosition At, const std::string& Message) {
  throw EFormFileError(Impl.FFileName, At.FLine, At.FColumn, Message);
}

bool InsideRemoved(const TDocument::TImpl& Impl, std::size_t Begin, std::size_t End) noexcept {
  for (const std::size_t Index : Impl.FRemovals) {
    const TPatch& Patch = Impl.FPatches[Index];
    if (Begin == End ? Patch.FBegin < Begin && Begin < Patch.FEnd : Patch.FBegin <= Begin && End <= Patch.FEnd) {
      return true;
    }
  }
  return false;
}

void CheckValue(const TDocument::TImpl& Impl, const TValue& Value) {
  if (Value.FSpan.FEnd > Impl.FSource.size() || Value.FSpan.FBegin >= Value.FSpan.FEnd) {
    throw EFormFileError(Impl.FFileName, 0, 0, "the value does not belong to this document");
  }
  if (InsideRemoved(Impl, Value.FSpan.FBegin, Value.FSpan.FEnd)) {
    EditError(Impl, Value.FPosition, "the value lies in a removed block");
  }
}

std::uint32_t NextSequence(const TDocument::TImpl& Impl) { return static_cast<std::uint32_t>(Impl.FPatches.size()); }

void AddRemoval(TDocument::TImpl& Impl, TSpan Span) {
  Impl.FRemovals.push_back(Impl.FPatches.size());
  Impl.FPatches.push_back({Span.FBegin, Span.FEnd, std::string(), TPatchKind::Remove, NextSequence(Impl)});
}

void SetValuePatch(TDocument::TImpl& Impl, const TValue& Value, std::size_t Begin, std::size_t End, std::string Text) {
  auto Found = Impl.FValuePatches.find(Value.FSpan.FBegin);
  if (Found != Impl.FValuePatches.end()) {
    TPatch& Patch = Impl.FPatches[Found->second];
    Patch.FBegin = Begin;
    Patch.FEnd = End;
    Patch.FText = std::move(Text);
    return;
  }
  Impl.FValuePatches.emplace(Value.FSpan.FBegin, Impl.FPatches.size());
  Impl.FPatches.push_back({Begin, End, std::move(Text), TPatchKind::Value, NextSequence(Impl)});
}

// Inserts Content as a line of its own after the line that ends at Anchor.
void InsertLine(TDocument::TImpl& Impl, std::size_t Anchor, std::size_t Indent, std::string_view Eol,
                const std::string& Content) {
  std::string_view Source = Impl.FSource;
  std::size_t P = Anchor;
  while (P < Source.size() && detail::IsBlank(Source[P])) ++P;
  std::size_t Break = detail::LineBreakAt(Source, P);
  TPatch Patch;
  Patch.FKind = TPatchKind::Insert;
  Patch.FSequence = NextSequence(Impl);
  if (Break > 0) {
    Patch.FBegin = Patch.FEnd = P + Break;
    Patch.FText = std::string(Indent, ' ') + Content + std::string(Eol);
  } else {
    // Something else follows on the same line: start a new one.
    Patch.FBegin = Patch.FEnd = Anchor;
    Patch.FText = std::string(Eol) + std::string(Indent, ' ') + Content;
  }
  Impl.FPatches.push_back(std::move(Patch));
}

std::string_view LineBreakAfter(const TDocument::TImpl& Impl, std::size_t Pos) {
  std::string_view Break = detail::NextLineBreak(Impl.FSource, Pos);
  return Break.empty() ? detail::DominantLineBreak(Impl.FCounts) : Break;
}

// [Begin, End) widened to whole lines when nothing else stands on them.
TSpan WholeLines(std::string_view Source, std::size_t Begin, std::size_t End) {
  if (!detail::FirstOnLine(Source, Begin)) return {Begin, End};
  std::size_t P = End;
  while (P < Source.size() && detail::IsBlank(Source[P])) ++P;
  std::size_t Break = detail::LineBreakAt(Source, P);
  if (Break == 0 && P < Source.size()) return {Begin, End};
  return {detail::LineStart(Source, Begin), P + Break};
}

// Identifiers, numbers and constants can replace one another in place.
void CheckScalar(const TDocument::TImpl& Impl, const TValue& Value) {
  CheckValue(Impl, Value);
  switch (Value.Kind()) {
    case TValueKind::Integer:
    case TValueKind::Float:
    case TValueKind::Ident:
    case TValueKind::Boolean:
    case TValueKind::Nil:
      return;
    default:
      EditError(Impl, Value.FPosition, "only an identifier, number or constant can be replaced this way");
  }
}

void CheckObject(const TDocument::TImpl& Impl, const TObjectNode& Object) {
  if (Object.FRemoved || InsideRemoved(Impl, Object.FHeaderSpan.FBegin, Object.FEndSpan.FEnd)) {
    EditError(Impl, Object.FPosition, "the object was removed");
  }
}

}  // namespace

void TDocument::SetString(TValue& Value, std::string_view Utf8) {
  CheckValue(*FImpl, Value);
  if (Value.Kind() != TValueKind::String) EditError(*FImpl, Value.FPosition, "the value is not a string");
  if (FImpl->FBinary) {
    const auto Tag = static_cast<unsigned char>(FImpl->FSource[Value.FSpan.FBegin]);
    SetValuePatch(*FImpl, Value, Value.FSpan.FBegin, Value.FSpan.FEnd, detail::EncodeBinaryString(Tag, Utf8));
    Value.FData = std::string(Utf8);
    return;
  }
  detail::TEdit Edit = detail::EncodeStringEdit(FImpl->FSource, Value, Utf8, FImpl->FCounts, FImpl->FFileName);
  SetValuePatch(*FImpl, Value, Edit.FBegin, Edit.FEnd, std::move(Edit.FText));
  Value.FData = std::string(Utf8);
}

void TDocument::SetIdent(TValue& Value, std::string_view Name) {
  CheckScalar(*FImpl, Value);
  CheckName(*FImpl, Name, "identifier");
  std::string Text(Name);
  if (FImpl->FBinary) {
    TValue New;
    if (detail::EqualsNoCase(Name, "True") || detail::EqualsNoCase(Name, "False")) {
      New.FData = detail::EqualsNoCase(Name, "True");
    } else if (detail::EqualsNoCase(Name, "nil")) {
      New.FData = TNil{};
    } else {
      New.FData = TIdent{Name};
    }
    Text = detail::EncodeBinaryValue(New, FImpl->FFileName);
  }
  SetValuePatch(*FImpl, Value, Value.FSpan.FBegin, Value.FSpan.FEnd, std::move(Text));
  if (detail::EqualsNoCase(Name, "True")) {
    Value.FData = true;
  } else if (detail::EqualsNoCase(Name, "False")) {
    Value.FData = false;
  } else if (detail::EqualsNoCase(Name, "nil")) {
    Value.FData = TNil{};
  } else {
    Value.FData = TIdent{FImpl->FNames.emplace_back(Name)};
  }
}

void TDocument::SetBoolean(TValue& Value, bool NewValue) { SetIdent(Value, NewValue ? "True" : "False"); }

void TDocument::SetInteger(TValue& Value, std::int64_t NewValue) {
  CheckScalar(*FImpl, Value);
  std::string Text = std::to_string(NewValue);
  if (FImpl->FBinary) Text = detail::EncodeBinaryValue(TValue(NewValue), FImpl->FFileName);
  SetValuePatch(*FImpl, Value, Value.FSpan.FBegin, Value.FSpan.FEnd, std::move(Text));
  Value.FData = NewValue;
}

namespace {

bool IsScalar(TValueKind Kind) noexcept {
  return Kind == TValueKind::Integer || Kind == TValueKind::Ident || Kind == TValueKind::Boolean ||
         Kind == TValueKind::Nil;
}

// The names inside a value given by a caller may not outlive the call: the
// tree keeps copies of its own. Inner values have no place in the source.
void Intern(TDocument::TImpl& Impl, TValue& Value, bool Inner) {
  if (Inner) {
    Value.FSpan = {};
    Value.FGapBegin = 0;
    Value.FPosition = {};
  }
  auto Keep = [&](std::string_view Text) -> std::string_view { return Impl.FNames.emplace_back(Text); };
  if (auto* Name = std::get_if<TIdent>(&Value.FData)) {
    Name->FName = Keep(Name->FName);
  } else if (auto* Set = std::get_if<TSet>(&Value.FData)) {
    for (std::string_view& Element : Set->FNames) Element = Keep(Element);
  } else if (auto* Float = std::get_if<TFloat>(&Value.FData)) {
    Float->FText = Keep(Float->FText);
  } else if (TList* List = Value.List()) {
    for (TValue& Item : List->FItems) Intern(Impl, Item, true);
  } else if (TCollection* Collection = Value.Collection()) {
    for (TCollectionItem& Item : Collection->FItems) {
      Item.FSpan = {};
      Item.FPosition = {};
      for (TProperty& Property : Item.FProperties) {
        Property.FName = Keep(Property.FName);
        Property.FNameSpan = {};
        Property.FPosition = {};
        Intern(Impl, Property.FValue, true);
      }
    }
  }
}

}  // namespace

void TDocument::SetValue(TProperty& Property, const TValue& NewValue) {
  if (Property.FRemoved) EditError(*FImpl, Property.FPosition, "the property was removed");
  TValue& Value = Property.FValue;
  CheckValue(*FImpl, Value);
  const TValueKind Old = Value.Kind();
  const TValueKind New = NewValue.Kind();
  if (Old == TValueKind::String && New == TValueKind::String) return SetString(Value, *NewValue.String());
  if (IsScalar(Old) || Old == TValueKind::Float) {
    if (New == TValueKind::Integer) return SetInteger(Value, std::get<std::int64_t>(NewValue.FData));
    if (New == TValueKind::Boolean) return SetBoolean(Value, std::get<bool>(NewValue.FData));
    if (New == TValueKind::Nil) return SetIdent(Value, "nil");
    if (New == TValueKind::Ident) return SetIdent(Value, NewValue.Ident());
  }
  std::string Text;
  if (FImpl->FBinary) {
    Text = detail::EncodeBinaryValue(NewValue, FImpl->FFileName);
  } else {
    std::string_view Source = FImpl->FSource;
    const std::size_t Indent = detail::LineIndent(Source, Property.FNameSpan.FBegin);
    std::string_view Eol = LineBreakAfter(*FImpl, Value.FSpan.FBegin);
    Text = TFormatter(*FImpl).Value(NewValue, Indent, Eol);
  }
  SetValuePatch(*FImpl, Value, Value.FSpan.FBegin, Value.FSpan.FEnd, std::move(Text));
  Value.FData = NewValue.FData;
  Intern(*FImpl, Value, false);
}

void TDocument::InsertProperty(TObjectNode& Object, std::string_view Name, const TValue& Value) {
  CheckObject(*FImpl, Object);
  CheckName(*FImpl, Name, "property name");
  if (Object.FindProperty(Name) != nullptr) {
    EditError(*FImpl, Object.FPosition, "property '" + std::string(Name) + "' already exists");
  }
  std::string_view Source = FImpl->FSource;
  std::size_t Anchor = Object.FHeaderSpan.FEnd;
  for (const TProperty& Property : Object.FProperties) {
    if (!Property.FRemoved) Anchor = Property.FValue.FSpan.FEnd;
  }
  if (FImpl->FBinary) {
    // Before the zero that ends the property list.
    FImpl->FPatches.push_back({Anchor, Anchor, detail::EncodeBinaryProperty(Name, Value, FImpl->FFileName),
                               TPatchKind::Insert, NextSequence(*FImpl)});
    return;
  }
  std::size_t Indent = Object.FProperties.empty() ? detail::LineIndent(Source, Object.FHeaderSpan.FBegin) + 2
                                                  : detail::LineIndent(Source, Object.FProperties.front().FNameSpan.FBegin);
  std::string_view Eol = LineBreakAfter(*FImpl, Anchor);
  std::string Content = std::string(Name) + " = " + TFormatter(*FImpl).Value(Value, Indent, Eol);
  InsertLine(*FImpl, Anchor, Indent, Eol, Content);
}

void TDocument::RemoveProperty(TProperty& Property) {
  if (Property.FRemoved) EditError(*FImpl, Property.FPosition, "the property was already removed");
  CheckValue(*FImpl, Property.FValue);
  TSpan Span = FImpl->FBinary ? TSpan{Property.FNameSpan.FBegin, Property.FValue.FSpan.FEnd}
                              : WholeLines(FImpl->FSource, Property.FNameSpan.FBegin, Property.FValue.FSpan.FEnd);
  AddRemoval(*FImpl, Span);
  Property.FRemoved = true;
}

void TDocument::InsertObject(TObjectNode& Parent, const TNewObject& Object) {
  CheckObject(*FImpl, Parent);
  std::string_view Source = FImpl->FSource;
  std::size_t Anchor = Parent.FHeaderSpan.FEnd;
  for (const TProperty& Property : Parent.FProperties) {
    if (!Property.FRemoved) Anchor = Property.FValue.FSpan.FEnd;
  }
  if (FImpl->FBinary) {
    // After the zero that ends the property list, or after the last child.
    Anchor = Parent.FProperties.empty() ? Parent.FHeaderSpan.FEnd + 1 : Parent.FProperties.back().FValue.FSpan.FEnd + 1;
  }
  for (const TObjectNode* Child : Parent.FChildren) {
    if (!Child->FRemoved) Anchor = Child->FEndSpan.FEnd;
  }
  if (FImpl->FBinary) {
    FImpl->FPatches.push_back({Anchor, Anchor, detail::EncodeBinaryObject(Object, FImpl->FFileName),
                               TPatchKind::Insert, NextSequence(*FImpl)});
    return;
  }
  std::size_t Indent = Parent.FChildren.empty() ? detail::LineIndent(Source, Parent.FHeaderSpan.FBegin) + 2
                                                : detail::LineIndent(Source, Parent.FChildren.front()->FHeaderSpan.FBegin);
  std::string_view Eol = LineBreakAfter(*FImpl, Anchor);
  InsertLine(*FImpl, Anchor, Indent, Eol, TFormatter(*FImpl).Object(Object, Indent, Eol));
}

void TDocument::RemoveObject(TObjectNode& Object) {
  if (Object.FParent == nullptr) EditError(*FImpl, Object.FPosition, "the root object cannot be removed");
  CheckObject(*FImpl, Object);
  TSpan Span = FImpl->FBinary ? TSpan{Object.FHeaderSpan.FBegin, Object.FEndSpan.FEnd}
                              : WholeLines(FImpl->FSource, Object.FHeaderSpan.FBegin, Object.FEndSpan.FEnd);
  AddRemoval(*FImpl, Span);
  std::vector<TObjectNode*> Pending{&Object};
  while (!Pending.empty()) {
    TObjectNode* Node = Pending.back();
    Pending.pop_back();
    Node->FRemoved = true;
    Pending.insert(Pending.end(), Node->FChildren.begin(), Node->FChildren.end());
  }
}

bool TDocument::Modified() const noexcept {
  std::string_view Source = FImpl->FSource;
  return std::any_of(FImpl->FPatches.begin(), FImpl->FPatches.end(), [&](const TPatch& Patch) {
    return Source.substr(Patch.FBegin, Patch.FEnd - Patch.FBegin) != Patch.FText;
  });
}

std::string TDocument::Render() const {
  const std::vector<TPatch>& Patches = FImpl->FPatches;
  std::vector<std::size_t> Order(Patches.size());
  std::iota(Order.begin(), Order.end(), std::size_t{0});
  // At one offset, insertions go before the replacement that starts there.
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    const TPatch& X = Patches[A];
    const TPatch& Y = Patches[B];
    bool XReplaces = X.FEnd > X.FBegin;
    bool YReplaces = Y.FEnd > Y.FBegin;
    if (X.FBegin != Y.FBegin) return X.FBegin < Y.FBegin;
    if (XReplaces != YReplaces) return !XReplaces;
    return X.FSequence < Y.FSequence;
  });
  std::string_view Source = FImpl->FSource;
  std::string Out;
  Out.reserve(Source.size() + 256);
  std::size_t Cursor = 0;
  for (std::size_t Index : Order) {
    const TPatch& Patch = Patches[Index];
    if (Patch.FBegin < Cursor) continue;  // inside a removed block
    Out.append(Source.substr(Cursor, Patch.FBegin - Cursor));
    Out += Patch.FText;
    Cursor = Patch.FEnd;
  }
  Out.append(Source.substr(Cursor));
  if (FImpl->FSizeField != std::string::npos && Out.size() != Source.size()) {
    // The resource header counts the bytes after it.
    std::uint64_t Size = 0;
    for (int I = 3; I >= 0; --I) Size = (Size << 8) | static_cast<unsigned char>(Source[FImpl->FSizeField + I]);
    Size += Out.size() - Source.size();  // unsigned wrap-around makes a shrink right too
    for (int I = 0; I < 4; ++I) Out[FImpl->FSizeField + I] = static_cast<char>((Size >> (8 * I)) & 0xFF);
  }
  return Out;
}

}  // namespace keyloom::formfile

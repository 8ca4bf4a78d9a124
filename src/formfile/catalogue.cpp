#include "keyloom/formfile/catalogue.hpp"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <utility>

#include "keyloom/support/files.hpp"

namespace keyloom::formfile {

namespace {

std::string Lower(std::string_view Text) {
  std::string Out(Text);
  for (char& C : Out) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Out;
}

// One quoted string of a msgstr: its bytes between the quotes, and what they say.
struct TSegment {
  TSpan Raw;
  std::string Text;
};

std::string Escape(std::string_view Text) {
  std::string Out;
  for (char C : Text) {
    switch (C) {
      case '\\': Out += "\\\\"; break;
      case '"': Out += "\\\""; break;
      case '\n': Out += "\\n"; break;
      case '\t': Out += "\\t"; break;
      case '\r': Out += "\\r"; break;
      default: Out += C;
    }
  }
  return Out;
}

// Per segment, the new text when the change only adds or removes '&' marks:
// each mark goes with the character it stands before, so line breaks stay where
// the catalogue put them. Empty when the change is more than that.
std::vector<std::string> SpreadMarks(const std::vector<TSegment>& Segments, std::string_view New) {
  std::vector<std::size_t> SegmentOf;  // for each character of the old text
  for (std::size_t S = 0; S < Segments.size(); ++S) SegmentOf.insert(SegmentOf.end(), Segments[S].Text.size(), S);
  std::string Old;
  for (const TSegment& S : Segments) Old += S.Text;
  std::vector<std::string> Out(Segments.size());
  std::size_t I = 0, J = 0;
  while (I < Old.size() || J < New.size()) {
    if (I < Old.size() && J < New.size() && Old[I] == New[J]) {
      Out[SegmentOf[I]] += New[J];
      ++I, ++J;
    } else if (J < New.size() && New[J] == '&') {
      Out[I < Old.size() ? SegmentOf[I] : Segments.size() - 1] += '&';
      ++J;
    } else if (I < Old.size() && Old[I] == '&') {
      ++I;
    } else {
      return {};
    }
  }
  return Out;
}

}  // namespace

struct TCatalogue::TImpl {
  std::string FileName;
  std::string Source;
  std::string Language;
  std::vector<TCatalogueEntry> Entries;
  std::vector<std::vector<TSegment>> Segments;  // of each entry's msgstr
  std::unordered_map<std::string, int> ByReference;
  std::map<std::size_t, std::pair<std::size_t, std::string>> Edits;  // begin -> (end, bytes)
};

namespace {

class TPoParser {
 public:
  TPoParser(const std::string& Source, const std::string& FileName) : FSource(Source), FFileName(FileName) {}

  void Run(std::vector<TCatalogueEntry>& Entries, std::vector<std::vector<TSegment>>& Segments) {
    std::size_t Pos = 0;
    while (Pos < FSource.size()) {
      std::size_t End = FSource.find('\n', Pos);
      if (End == std::string::npos) End = FSource.size();
      ++FLine;
      Line(Pos, End);
      Pos = End + 1;
    }
    Finish();
    Entries = std::move(FEntries);
    Segments = std::move(FSegments);
  }

 private:
  enum class TField { None, Context, Id, IdPlural, Str, StrOther };

  [[noreturn]] void Fail(std::size_t At, std::size_t LineBegin, const std::string& Message) const {
    throw ECatalogueError(FFileName, FLine, static_cast<int>(At - LineBegin) + 1, Message);
  }

  void Finish() {
    if (FState == TField::None && !FHasId) {
      FCurrent = {};
      return;
    }
    if (!FHasStr) throw ECatalogueError(FFileName, FLine, 1, "entry without msgstr");
    FEntries.push_back(std::move(FCurrent));
    FSegments.push_back(std::move(FCurrentSegments));
    FCurrent = {};
    FCurrentSegments.clear();
    FHasId = FHasStr = false;
    FState = TField::None;
  }

  void Line(std::size_t Begin, std::size_t End) {
    std::size_t P = Begin;
    while (P < End && (FSource[P] == ' ' || FSource[P] == '\t' || FSource[P] == '\r')) ++P;
    if (P == End) {
      if (FHasStr) Finish();
      return;
    }
    const std::string_view Text(FSource.data() + P, End - P);
    if (Text[0] == '#') {
      if (FHasStr) Finish();
      if (Text.starts_with("#:")) {
        std::size_t I = 2;
        while (I < Text.size()) {
          while (I < Text.size() && std::isspace(static_cast<unsigned char>(Text[I]))) ++I;
          std::size_t J = I;
          while (J < Text.size() && !std::isspace(static_cast<unsigned char>(Text[J]))) ++J;
          if (J > I) FCurrent.References.emplace_back(Text.substr(I, J - I));
          I = J;
        }
      } else if (Text.starts_with("#,")) {
        std::string_view Flags = Text.substr(2);
        while (!Flags.empty()) {
          const std::size_t Comma = Flags.find(',');
          std::string_view Flag = Flags.substr(0, Comma);
          while (!Flag.empty() && std::isspace(static_cast<unsigned char>(Flag.front()))) Flag.remove_prefix(1);
          while (!Flag.empty() && std::isspace(static_cast<unsigned char>(Flag.back()))) Flag.remove_suffix(1);
          if (Flag == "fuzzy") FCurrent.Fuzzy = true;
          if (Comma == std::string_view::npos) break;
          Flags.remove_prefix(Comma + 1);
        }
      }
      return;
    }
    if (Text[0] == '"') {
      if (FState == TField::None) Fail(P, Begin, "string without a keyword before it");
      String(P, End, Begin);
      return;
    }
    std::size_t K = P;
    while (K < End && (std::isalnum(static_cast<unsigned char>(FSource[K])) || FSource[K] == '_' ||
                       FSource[K] == '[' || FSource[K] == ']'))
      ++K;
    const std::string_view Keyword(FSource.data() + P, K - P);
    if (Keyword == "msgctxt" || Keyword == "msgid") {
      if (FHasStr) Finish();
      if (Keyword == "msgid") {
        FHasId = true;
        FCurrent.IdLine = FLine;
      }
      FState = Keyword == "msgid" ? TField::Id : TField::Context;
    } else if (Keyword == "msgid_plural") {
      if (!FHasId) Fail(P, Begin, "msgid_plural without msgid");
      FCurrent.Plural = true;
      FState = TField::IdPlural;
    } else if (Keyword == "msgstr" || Keyword == "msgstr[0]") {
      if (!FHasId) Fail(P, Begin, "msgstr without msgid");
      FHasStr = true;
      FCurrent.Line = FLine;
      FState = TField::Str;
    } else if (Keyword.starts_with("msgstr[")) {
      if (!FHasStr) Fail(P, Begin, "msgstr[n] without msgstr[0]");
      FState = TField::StrOther;
    } else {
      Fail(P, Begin, "unknown keyword");
    }
    while (K < End && (FSource[K] == ' ' || FSource[K] == '\t')) ++K;
    if (K == End || FSource[K] != '"') Fail(K, Begin, "expected a quoted string");
    String(K, End, Begin);
  }

  // The quoted string at Open, decoded into the field being read.
  void String(std::size_t Open, std::size_t End, std::size_t LineBegin) {
    std::string Text;
    std::size_t P = Open + 1;
    for (;; ++P) {
      if (P >= End) Fail(Open, LineBegin, "unterminated string");
      const char C = FSource[P];
      if (C == '"') break;
      if (C != '\\') {
        Text += C;
        continue;
      }
      if (++P >= End) Fail(Open, LineBegin, "unterminated string");
      switch (FSource[P]) {
        case 'n': Text += '\n'; break;
        case 't': Text += '\t'; break;
        case 'r': Text += '\r'; break;
        case 'a': Text += '\a'; break;
        case 'b': Text += '\b'; break;
        case 'f': Text += '\f'; break;
        case 'v': Text += '\v'; break;
        case '\\': case '"': case '\'': case '?': Text += FSource[P]; break;
        case 'x': {
          int Value = 0, Digits = 0;
          while (P + 1 < End && std::isxdigit(static_cast<unsigned char>(FSource[P + 1])) && Digits < 2) {
            const char D = static_cast<char>(std::tolower(static_cast<unsigned char>(FSource[++P])));
            Value = Value * 16 + (D <= '9' ? D - '0' : D - 'a' + 10);
            ++Digits;
          }
          if (!Digits) Fail(P, LineBegin, "\\x without hexadecimal digits");
          Text += static_cast<char>(Value);
          break;
        }
        default:
          if (FSource[P] >= '0' && FSource[P] <= '7') {
            int Value = 0, Digits = 0;
            --P;
            while (P + 1 < End && FSource[P + 1] >= '0' && FSource[P + 1] <= '7' && Digits < 3) {
              Value = Value * 8 + (FSource[++P] - '0');
              ++Digits;
            }
            Text += static_cast<char>(Value);
            break;
          }
          Fail(P - 1, LineBegin, "unknown escape sequence");
      }
    }
    for (std::size_t Q = P + 1; Q < End; ++Q)
      if (FSource[Q] != ' ' && FSource[Q] != '\t' && FSource[Q] != '\r') Fail(Q, LineBegin, "text after a string");
    switch (FState) {
      case TField::Context: FCurrent.Context += Text; break;
      case TField::Id: FCurrent.Id += Text; break;
      case TField::Str:
        FCurrent.Translation += Text;
        FCurrentSegments.push_back({TSpan{Open + 1, P}, std::move(Text)});
        break;
      default: break;
    }
  }

  const std::string& FSource;
  const std::string& FFileName;
  int FLine = 0;
  TField FState = TField::None;
  bool FHasId = false, FHasStr = false;
  TCatalogueEntry FCurrent;
  std::vector<TSegment> FCurrentSegments;
  std::vector<TCatalogueEntry> FEntries;
  std::vector<std::vector<TSegment>> FSegments;
};

std::string LanguageOf(const std::vector<TCatalogueEntry>& Entries, const std::string& FileName) {
  if (!Entries.empty() && Entries.front().Id.empty()) {
    const std::string& Header = Entries.front().Translation;
    for (std::size_t P = 0; P < Header.size();) {
      std::size_t End = Header.find('\n', P);
      if (End == std::string::npos) End = Header.size();
      std::string_view Field(Header.data() + P, End - P);
      if (Field.starts_with("Language:")) {
        Field.remove_prefix(9);
        while (!Field.empty() && Field.front() == ' ') Field.remove_prefix(1);
        while (!Field.empty() && Field.back() == ' ') Field.remove_suffix(1);
        if (!Field.empty()) return std::string(Field);
      }
      P = End + 1;
    }
  }
  std::string Name = FileName.substr(FileName.find_last_of('/') + 1);
  if (Name.size() > 3 && Lower(Name.substr(Name.size() - 3)) == ".po") Name.resize(Name.size() - 3);
  const std::size_t Dot = Name.find_last_of('.');
  return Dot == std::string::npos ? std::string() : Name.substr(Dot + 1);
}

// `unit.pas:12` style references carry a line; form texts do not.
std::string_view WithoutLine(std::string_view Reference) {
  const std::size_t Colon = Reference.rfind(':');
  if (Colon == std::string_view::npos || Colon + 1 == Reference.size()) return Reference;
  for (std::size_t I = Colon + 1; I < Reference.size(); ++I)
    if (!std::isdigit(static_cast<unsigned char>(Reference[I]))) return Reference;
  return Reference.substr(0, Colon);
}

}  // namespace

TCatalogue::TCatalogue(std::unique_ptr<TImpl> Impl) : FImpl(std::move(Impl)) {}
TCatalogue::TCatalogue(TCatalogue&&) noexcept = default;
TCatalogue& TCatalogue::operator=(TCatalogue&&) noexcept = default;
TCatalogue::~TCatalogue() = default;

TCatalogue TCatalogue::Parse(std::string Source, std::string FileName) {
  auto Impl = std::make_unique<TImpl>();
  Impl->FileName = std::move(FileName);
  Impl->Source = std::move(Source);
  TPoParser(Impl->Source, Impl->FileName).Run(Impl->Entries, Impl->Segments);
  Impl->Language = LanguageOf(Impl->Entries, Impl->FileName);
  for (std::size_t I = 0; I < Impl->Entries.size(); ++I)
    for (const std::string& Reference : Impl->Entries[I].References)
      Impl->ByReference.emplace(Lower(WithoutLine(Reference)), static_cast<int>(I));
  return TCatalogue(std::move(Impl));
}

TCatalogue TCatalogue::LoadFromFile(const std::string& Path) { return Parse(ReadWholeFile(Path), Path); }

const std::string& TCatalogue::FileName() const noexcept { return FImpl->FileName; }
const std::string& TCatalogue::Source() const noexcept { return FImpl->Source; }
const std::string& TCatalogue::Language() const noexcept { return FImpl->Language; }
const std::vector<TCatalogueEntry>& TCatalogue::Entries() const noexcept { return FImpl->Entries; }

int TCatalogue::Find(std::string_view Key) const {
  const auto It = FImpl->ByReference.find(Lower(Key));
  return It == FImpl->ByReference.end() ? -1 : It->second;
}

void TCatalogue::SetTranslation(int Entry, std::string_view Utf8) {
  TCatalogueEntry& E = FImpl->Entries.at(static_cast<std::size_t>(Entry));
  if (E.Translation == Utf8) return;
  std::vector<TSegment>& Segments = FImpl->Segments[static_cast<std::size_t>(Entry)];
  std::vector<std::string> Texts = SpreadMarks(Segments, Utf8);
  if (Texts.empty()) {
    // More than marks changed: the first string that holds text takes it all.
    Texts.assign(Segments.size(), std::string());
    std::size_t First = 0;
    while (First + 1 < Segments.size() && Segments[First].Text.empty()) ++First;
    Texts[First] = Utf8;
  }
  for (std::size_t S = 0; S < Segments.size(); ++S) {
    if (Texts[S] == Segments[S].Text) continue;
    Segments[S].Text = Texts[S];
    FImpl->Edits[Segments[S].Raw.FBegin] = {Segments[S].Raw.FEnd, Escape(Texts[S])};
  }
  E.Translation = Utf8;
}

bool TCatalogue::Modified() const noexcept { return !FImpl->Edits.empty(); }

std::string TCatalogue::Render() const {
  std::string Out;
  Out.reserve(FImpl->Source.size() + 64);
  std::size_t Pos = 0;
  for (const auto& [Begin, Edit] : FImpl->Edits) {
    Out.append(FImpl->Source, Pos, Begin - Pos);
    Out += Edit.second;
    Pos = Edit.first;
  }
  Out.append(FImpl->Source, Pos);
  return Out;
}

namespace {

// `Caption` or `X.Caption`, in any case.
bool IsCaptionProperty(std::string_view Name) {
  constexpr std::string_view Caption = "caption";
  if (Name.size() < Caption.size()) return false;
  const std::string_view End = Name.substr(Name.size() - Caption.size());
  for (std::size_t I = 0; I < Caption.size(); ++I)
    if (std::tolower(static_cast<unsigned char>(End[I])) != Caption[I]) return false;
  return Name.size() == Caption.size() || Name[Name.size() - Caption.size() - 1] == '.';
}

}  // namespace

std::vector<TTranslatedText> TranslateCaptions(TDocument& Document, const TCatalogue& Catalogue) {
  std::vector<TTranslatedText> Out;
  const std::string Class = Lower(Document.Root().FClassName);
  for (TObjectNode* Object : Document.Objects()) {
    if (Object->FRemoved) continue;
    const bool IsRoot = Object == &Document.Root();
    if (!IsRoot && Object->FName.empty()) continue;
    std::string Prefix;  // made for the first caption: most objects have none
    for (TProperty& Property : Object->FProperties) {
      if (Property.FRemoved || !Property.FValue.String() || !IsCaptionProperty(Property.FName)) continue;
      if (Prefix.empty()) Prefix = IsRoot ? Class + "." : Class + "." + Lower(Object->FName) + ".";
      const std::string Name = Lower(Property.FName);
      const int Entry = Catalogue.Find(Prefix + Name);
      if (Entry < 0) continue;
      const TCatalogueEntry& E = Catalogue.Entries()[static_cast<std::size_t>(Entry)];
      TTranslatedText T{IsRoot ? std::string() : std::string(Object->FName), std::string(Property.FName), Entry,
                        E.Translated(), E.Translated() ? E.Translation : *Property.FValue.String()};
      if (T.Shown) Document.SetString(Property.FValue, E.Translation);
      Out.push_back(std::move(T));
    }
  }
  return Out;
}

TDocument TranslatedDocument(TDocument Document, const TCatalogue& Catalogue, std::vector<TTranslatedText>& Texts) {
  // Setting a value also sets what the loader reads: no need to read the text again.
  Texts = TranslateCaptions(Document, Catalogue);
  return Document;
}

std::shared_ptr<TDocument> TTranslatedFiles::operator()(const std::shared_ptr<TDocument>& Original) const {
  {
    std::lock_guard Lock(FMutex);
    if (auto Found = FFiles.find(Original.get()); Found != FFiles.end()) return Found->second.second;
  }
  // The original stays as the window sources cache it, for other languages.
  auto Copy = std::make_shared<TDocument>(TDocument::Parse(Original->Source(), Original->FileName()));
  const std::vector<TTranslatedText> Texts = TranslateCaptions(*Copy, FCatalogue);
  std::lock_guard Lock(FMutex);
  auto [It, Added] = FFiles.try_emplace(Original.get(), Original, std::move(Copy));
  if (Added)
    for (const TTranslatedText& T : Texts) FMatched.push_back(T.Entry);
  return It->second.second;
}

void TTranslatedFiles::Forget() const {
  std::lock_guard Lock(FMutex);
  FFiles.clear();
}

std::vector<int> TTranslatedFiles::Matched() const {
  std::lock_guard Lock(FMutex);
  return FMatched;
}

std::vector<std::pair<int, std::string>> ChangedTranslations(const TDocument& After,
                                                             const std::vector<TTranslatedText>& Texts) {
  std::unordered_map<std::string, const TObjectNode*> ByName;
  ByName.emplace(std::string(), &After.Root());
  std::vector<const TObjectNode*> Pending{&After.Root()};
  while (!Pending.empty()) {
    const TObjectNode* Object = Pending.back();
    Pending.pop_back();
    if (Object != &After.Root() && !Object->FName.empty()) ByName.emplace(Lower(Object->FName), Object);
    Pending.insert(Pending.end(), Object->FChildren.begin(), Object->FChildren.end());
  }
  std::vector<std::pair<int, std::string>> Out;
  for (const TTranslatedText& Text : Texts) {
    if (!Text.Shown) continue;
    const auto It = ByName.find(Lower(Text.Object));
    if (It == ByName.end()) continue;
    const TProperty* Property = It->second->FindProperty(Text.Property);
    const std::string* Now = Property ? Property->FValue.String() : nullptr;
    if (Now && *Now != Text.Before) Out.emplace_back(Text.Entry, *Now);
  }
  return Out;
}

}  // namespace keyloom::formfile

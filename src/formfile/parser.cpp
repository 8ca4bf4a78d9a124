#include <charconv>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "formfile/document_impl.hpp"
#include "formfile/lexer.hpp"
#include "formfile/text_util.hpp"

namespace keyloom::formfile::detail {

namespace {

// Objects are read without recursion, so this only bounds memory and the
// work of later tree walks. Values recurse, hence their smaller bound.
constexpr std::size_t kMaxObjectDepth = 10000;
constexpr int kMaxValueDepth = 1000;

class TParser {
 public:
  explicit TParser(TDocument::TImpl& Impl)
      : FImpl(Impl), FLexer(Impl.FSource, Impl.FContentStart, Impl.FFileName, Impl.FCounts) {}

  void Run();

 private:
  const TToken& Tok() const noexcept { return FLexer.Current(); }
  void Advance() { FLexer.Next(); }
  bool IsKeyword(std::string_view Word) const noexcept {
    return Tok().FKind == TTokenKind::Ident && EqualsNoCase(Tok().Text(), Word);
  }
  bool IsObjectKeyword(TObjectKind& Kind) const noexcept;
  // Reserved words cannot name a component or a class.
  bool IsHeaderName() const noexcept {
    return Tok().FKind == TTokenKind::Ident && !IsKeyword("end") && !IsKeyword("object") && !IsKeyword("inherited");
  }
  std::size_t Offset(const char* P) const noexcept { return FLexer.Offset(P); }
  TPosition Position() const noexcept { return {Tok().FLine, Tok().FColumn}; }

  [[noreturn]] void Expected(std::string_view What) const {
    FLexer.Fail(Tok(), "expected " + std::string(What) + ", found " + DescribeToken(Tok()));
  }

  void CheckTrailing();
  TObjectNode& ReadHeader(TObjectKind Kind, TObjectNode* Parent);
  void ReadProperty(std::vector<TProperty>& Into, int Depth);
  void ReadValue(TValue& Value, int Depth);
  void ReadStringValue(TValue& Value);
  void ReadSet(TValue& Value);
  void ReadList(TValue& Value, int Depth);
  void ReadCollection(TValue& Value, int Depth);
  void ReadBinary(TValue& Value);
  std::int64_t IntegerValue(const TToken& Token) const;
  TFloat FloatValue(const TToken& Token) const;
  bool GapHasLineBreak(std::size_t Begin, std::size_t End) const noexcept;

  // An object's properties are gathered here and moved into it once they are
  // all read: one allocation of the right size instead of a growing vector's
  // four or five, which were a fifth of the time of reading a large form.
  void TakePending(TObjectNode& Node);

  TDocument::TImpl& FImpl;
  TLexer FLexer;
  std::vector<TProperty> FPending;
};

bool TParser::IsObjectKeyword(TObjectKind& Kind) const noexcept {
  if (Tok().FKind != TTokenKind::Ident) return false;
  std::string_view Word = Tok().Text();
  if (EqualsNoCase(Word, "object")) {
    Kind = TObjectKind::Object;
  } else if (EqualsNoCase(Word, "inherited")) {
    Kind = TObjectKind::Inherited;
  } else if (EqualsNoCase(Word, "inline")) {
    Kind = TObjectKind::Inline;
  } else {
    return false;
  }
  return true;
}

bool TParser::GapHasLineBreak(std::size_t Begin, std::size_t End) const noexcept {
  for (std::size_t I = Begin; I < End; ++I) {
    char C = FImpl.FSource[I];
    if (C == '\n' || C == '\r') return true;
  }
  return false;
}

void TParser::Run() {
  const std::string_view Start = std::string_view(FImpl.FSource).substr(FImpl.FContentStart, 2);
  if (Start == "\xFF\xFE" || Start == "\xFE\xFF" || (Start.size() == 2 && Start.find('\0') != std::string_view::npos)) {
    FLexer.Fail(1, 1, "the file is in UTF-16; only UTF-8 and single-byte code pages can be read");
  }
  Advance();
  TObjectKind Kind;
  if (!IsObjectKeyword(Kind)) Expected("'object', 'inherited' or 'inline'");
  std::vector<TObjectNode*> Stack;
  Stack.push_back(&ReadHeader(Kind, nullptr));
  while (!Stack.empty()) {
    TObjectNode& Node = *Stack.back();
    if (Tok().FKind != TTokenKind::Ident) {
      if (Tok().FKind == TTokenKind::Eof) Expected("'end'");
      Expected("a property name, an object or 'end'");
    }
    if (IsKeyword("end")) {
      TakePending(Node);
      Node.FEndSpan = {Offset(Tok().FBegin), Offset(Tok().FEnd)};
      Stack.pop_back();
      if (Stack.empty()) {
        FImpl.FTrailingStart = Node.FEndSpan.FEnd;
        CheckTrailing();
        break;
      }
      Advance();
      continue;
    }
    if (IsObjectKeyword(Kind)) {
      if (Stack.size() >= kMaxObjectDepth) {
        FLexer.Fail(Tok(), "objects nested too deeply (more than " + std::to_string(kMaxObjectDepth) + " levels)");
      }
      TakePending(Node);
      TObjectNode& Child = ReadHeader(Kind, &Node);
      Node.FChildren.push_back(&Child);
      Stack.push_back(&Child);
      continue;
    }
    if (!Node.FChildren.empty()) {
      FLexer.Fail(Tok(), "property '" + std::string(Tok().Text()) + "' after a child object (expected 'end')");
    }
    ReadProperty(FPending, 0);
  }
}

void TParser::TakePending(TObjectNode& Node) {
  if (FPending.empty()) return;
  Node.FProperties.assign(std::make_move_iterator(FPending.begin()), std::make_move_iterator(FPending.end()));
  FPending.clear();
}

// After the root: blanks, or more root objects (readers take the first; the
// rest is kept as it is). Anything else, such as one `end` too many, is what
// a bad merge or hand edit leaves, and rewriting such a file would hide it.
void TParser::CheckTrailing() {
  const std::string_view Rest = std::string_view(FImpl.FSource).substr(FImpl.FTrailingStart);
  if (Rest.find_first_not_of(" \t\r\n\v\f\x1A") == std::string_view::npos) return;  // ^Z: an old end-of-file mark
  Advance();
  TObjectKind Kind;
  if (Tok().FKind == TTokenKind::Eof || IsObjectKeyword(Kind)) return;
  if (IsKeyword("end")) FLexer.Fail(Tok(), "'end' without an object to close (one 'end' too many)");
  FLexer.Fail(Tok(), "unexpected " + DescribeToken(Tok()) + " after the form's final 'end'");
}

TObjectNode& TParser::ReadHeader(TObjectKind Kind, TObjectNode* Parent) {
  TObjectNode& Node = FImpl.FObjects.emplace_back();
  Node.FKind = Kind;
  Node.FParent = Parent;
  Node.FPosition = Position();
  Node.FHeaderSpan.FBegin = Offset(Tok().FBegin);
  Advance();
  if (!IsHeaderName()) Expected("a class name");
  std::string_view First = Tok().Text();
  Advance();
  if (Tok().Is(':')) {
    Advance();
    if (!IsHeaderName()) Expected("a class name");
    Node.FName = First;
    Node.FClassName = Tok().Text();
    Advance();
  } else {
    Node.FClassName = First;
  }
  if (Tok().Is('[')) {
    bool Spaced = Offset(Tok().FBegin) > FLexer.PrevEnd();
    ++(Spaced ? FImpl.FCounts.FIndexSpaced : FImpl.FCounts.FIndexGlued);
    Advance();
    if (Tok().FKind != TTokenKind::Integer) Expected("a child position");
    Node.FIndex = IntegerValue(Tok());
    Advance();
    if (!Tok().Is(']')) Expected("']'");
    Advance();
  }
  Node.FHeaderSpan.FEnd = FLexer.PrevEnd();
  return Node;
}

void TParser::ReadProperty(std::vector<TProperty>& Into, int Depth) {
  if (Tok().FKind != TTokenKind::Ident) Expected("a property name");
  TProperty& Property = Into.emplace_back();
  Property.FName = Tok().Text();
  Property.FNameSpan = {Offset(Tok().FBegin), Offset(Tok().FEnd)};
  Property.FPosition = Position();
  Advance();
  if (!Tok().Is('=')) {
    FLexer.Fail(Tok(), "expected '=' after property name '" + std::string(Property.FName.substr(0, 24)) +
                           (Property.FName.size() > 24 ? "...'" : "'") + ", found " + DescribeToken(Tok()));
  }
  Advance();
  ReadValue(Property.FValue, Depth);
}

void TParser::ReadValue(TValue& Value, int Depth) {
  if (Depth > kMaxValueDepth) {
    FLexer.Fail(Tok(), "values nested too deeply (more than " + std::to_string(kMaxValueDepth) + " levels)");
  }
  Value.FGapBegin = FLexer.PrevEnd();
  Value.FPosition = Position();
  Value.FSpan.FBegin = Offset(Tok().FBegin);
  switch (Tok().FKind) {
    case TTokenKind::Integer:
      Value.FData = IntegerValue(Tok());
      Advance();
      break;
    case TTokenKind::Float:
      Value.FData = FloatValue(Tok());
      Advance();
      break;
    case TTokenKind::String:
      ReadStringValue(Value);
      break;
    case TTokenKind::Ident: {
      std::string_view Name = Tok().Text();
      if (EqualsNoCase(Name, "True")) {
        Value.FData = true;
      } else if (EqualsNoCase(Name, "False")) {
        Value.FData = false;
      } else if (EqualsNoCase(Name, "nil")) {
        Value.FData = TNil{};
      } else {
        Value.FData = TIdent{Name};
      }
      Advance();
      break;
    }
    case TTokenKind::Symbol:
      switch (Tok().FSymbol) {
        case '[':
          ReadSet(Value);
          break;
        case '(':
          ReadList(Value, Depth);
          break;
        case '<':
          ReadCollection(Value, Depth);
          break;
        case '{':
          ReadBinary(Value);
          break;
        default:
          Expected("a value");
      }
      break;
    default:
      Expected("a value");
  }
  Value.FSpan.FEnd = FLexer.PrevEnd();
}

void TParser::ReadStringValue(TValue& Value) {
  std::string Text = FLexer.Text();
  Advance();
  bool Split = false;
  while (Tok().Is('+')) {
    std::size_t GapBegin = FLexer.PrevEnd();
    Advance();
    if (Tok().FKind != TTokenKind::String) Expected("a string after '+'");
    Split = Split || GapHasLineBreak(GapBegin, Offset(Tok().FBegin));
    Text += FLexer.Text();
    Advance();
  }
  if (Split) {
    ++FImpl.FCounts.FSplitStrings;
  } else if (Text.size() > kSplitLength && CountUnits(Text) > kSplitLength) {
    ++FImpl.FCounts.FLongLines;
  }
  Value.FData = std::move(Text);
}

void TParser::ReadSet(TValue& Value) {
  TSet Set;
  Advance();
  if (!Tok().Is(']')) {
    for (;;) {
      if (Tok().FKind != TTokenKind::Ident) Expected("a set element");
      Set.FNames.push_back(Tok().Text());
      Advance();
      if (Tok().Is(']')) break;
      if (!Tok().Is(',')) Expected("',' or ']'");
      Advance();
    }
  }
  Advance();
  Value.FData = std::move(Set);
}

void TParser::ReadList(TValue& Value, int Depth) {
  TList& List = Value.FData.emplace<TList>();
  Advance();
  while (!Tok().Is(')')) {
    if (Tok().FKind == TTokenKind::Eof) Expected("')'");
    ReadValue(List.FItems.emplace_back(), Depth + 1);
  }
  if (!List.FItems.empty()) {
    bool OwnLine = GapHasLineBreak(FLexer.PrevEnd(), Offset(Tok().FBegin));
    ++(OwnLine ? FImpl.FCounts.FListCloseOwnLine : FImpl.FCounts.FListCloseGlued);
  }
  Advance();
}

void TParser::ReadCollection(TValue& Value, int Depth) {
  TCollection& Collection = Value.FData.emplace<TCollection>();
  const char* AfterOpen = Tok().FEnd;
  Advance();
  if (!Tok().Is('>')) {
    const char* P = AfterOpen;
    while (*P == ' ' || *P == '\t') ++P;
    if (*P == '\r' || *P == '\n') ++(P > AfterOpen ? FImpl.FCounts.FCollectionOpenSpaced : FImpl.FCounts.FCollectionOpenClean);
  }
  while (!Tok().Is('>')) {
    if (!IsKeyword("item")) Expected("'item' or '>'");
    TCollectionItem& Item = Collection.FItems.emplace_back();
    Item.FPosition = Position();
    Item.FSpan.FBegin = Offset(Tok().FBegin);
    Advance();
    while (!IsKeyword("end")) {
      if (Tok().FKind == TTokenKind::Eof) Expected("'end'");
      if (Tok().FKind != TTokenKind::Ident) Expected("a property name or 'end'");
      ReadProperty(Item.FProperties, Depth + 1);
    }
    Item.FSpan.FEnd = Offset(Tok().FEnd);
    Advance();
  }
  Advance();
}

void TParser::ReadBinary(TValue& Value) {
  TBinary& Binary = Value.FData.emplace<TBinary>();
  FLexer.ReadBinary(Binary.FBytes);
  if (!Binary.FBytes.empty()) {
    const char* Close = Tok().FEnd - 1;
    const char* P = Close;
    while (P[-1] == ' ' || P[-1] == '\t') --P;
    bool OwnLine = P[-1] == '\n' || P[-1] == '\r';
    ++(OwnLine ? FImpl.FCounts.FBinaryCloseOwnLine : FImpl.FCounts.FBinaryCloseGlued);
  }
  Advance();
}

std::int64_t TParser::IntegerValue(const TToken& Token) const {
  std::string_view Text = Token.Text();
  if (Text[0] == '$') {
    std::uint64_t Bits = 0;
    std::size_t Significant = 0;
    for (char C : Text.substr(1)) {
      int Digit = C <= '9' ? C - '0' : (C | 0x20) - 'a' + 10;
      if (Significant > 0 || Digit != 0) ++Significant;
      Bits = Bits * 16 + static_cast<std::uint64_t>(Digit);
    }
    if (Significant > 16) FLexer.Fail(Token, "integer out of range");
    return static_cast<std::int64_t>(Bits);
  }
  bool Negative = Text[0] == '-';
  if (Negative) Text.remove_prefix(1);
  const std::uint64_t Limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (Negative ? 1 : 0);
  std::uint64_t Magnitude = 0;
  // Eighteen digits cannot overflow; only longer numbers are checked digit by digit.
  if (Text.size() <= 18) {
    for (char C : Text) Magnitude = Magnitude * 10 + static_cast<std::uint64_t>(C - '0');
  } else {
    for (char C : Text) {
      auto Digit = static_cast<std::uint64_t>(C - '0');
      if (Magnitude > (Limit - Digit) / 10) FLexer.Fail(Token, "integer out of range");
      Magnitude = Magnitude * 10 + Digit;
    }
  }
  if (!Negative) return static_cast<std::int64_t>(Magnitude);
  return Magnitude == Limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(Magnitude);
}

TFloat TParser::FloatValue(const TToken& Token) const {
  TFloat Float;
  Float.FText = Token.Text();
  std::string_view Number = Float.FText;
  char Last = Number.back();
  if (Last > '9') {
    Float.FSuffix = Last;
    Number.remove_suffix(1);
  }
  auto [End, Error] = std::from_chars(Number.data(), Number.data() + Number.size(), Float.FValue);
  (void)End;
  if (Error == std::errc::result_out_of_range) {
    // Extended holds more than a double; keep the text, saturate the value.
    std::size_t Exp = Number.find_first_of("eE");
    bool Tiny = Exp != std::string_view::npos && Exp + 1 < Number.size() && Number[Exp + 1] == '-';
    double Magnitude = Tiny ? 0.0 : std::numeric_limits<double>::infinity();
    Float.FValue = Number[0] == '-' ? -Magnitude : Magnitude;
  }
  return Float;
}

}  // namespace

void ParseInto(TDocument::TImpl& Impl) {
  TParser Parser(Impl);
  Parser.Run();
}

}  // namespace keyloom::formfile::detail

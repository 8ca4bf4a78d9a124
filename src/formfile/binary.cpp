#include "formfile/binary.hpp"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "formfile/document_impl.hpp"
#include "formfile/lexer.hpp"
#include "formfile/string_codec.hpp"

namespace keyloom::formfile {

namespace detail {

namespace {

enum TTag : unsigned char {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaUString = 21,
  vaQWord = 22,
  vaDouble = 23,
};

// Same bounds as the text reader: objects are read without recursion, values recurse.
constexpr std::size_t kMaxObjectDepth = 10000;
constexpr int kMaxValueDepth = 1000;

std::uint64_t LoadLE(const unsigned char* P, int Size) noexcept {
  std::uint64_t V = 0;
  for (int I = Size - 1; I >= 0; --I) V = (V << 8) | P[I];
  return V;
}

void StoreLE(std::string& Out, std::uint64_t V, int Size) {
  for (int I = 0; I < Size; ++I) Out.push_back(static_cast<char>((V >> (8 * I)) & 0xFF));
}

double ExtendedToDouble(const unsigned char* P) noexcept {
  const std::uint64_t Mantissa = LoadLE(P, 8);
  const unsigned SignExp = static_cast<unsigned>(LoadLE(P + 8, 2));
  const int Exponent = static_cast<int>(SignExp & 0x7FFF);
  const double Sign = (SignExp & 0x8000) != 0 ? -1.0 : 1.0;
  if (Exponent == 0x7FFF) {
    return (Mantissa << 1) == 0 ? Sign * std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::quiet_NaN();
  }
  return Sign * std::ldexp(static_cast<double>(Mantissa), Exponent - 16383 - 63);
}

void AppendExtended(std::string& Out, double V) {
  std::uint64_t Mantissa = 0;
  unsigned SignExp = std::signbit(V) ? 0x8000 : 0;
  if (std::isnan(V)) {
    Mantissa = 0xC000000000000000ULL;
    SignExp |= 0x7FFF;
  } else if (std::isinf(V)) {
    Mantissa = 0x8000000000000000ULL;
    SignExp |= 0x7FFF;
  } else if (V != 0) {
    int Exp = 0;
    const double M = std::frexp(std::fabs(V), &Exp);  // [0.5, 1)
    Mantissa = static_cast<std::uint64_t>(std::ldexp(M, 64));
    SignExp |= static_cast<unsigned>(Exp - 1 + 16383) & 0x7FFF;
  }
  StoreLE(Out, Mantissa, 8);
  StoreLE(Out, SignExp, 2);
}

// Fifteen significant digits, as the designer's text writer prints extended
// numbers (`58.2083333333333`, `1E308`, `1.5E-5`).
std::string ShortestText(double V) {
  if (std::isnan(V)) return "Nan";
  if (std::isinf(V)) return V > 0 ? "Inf" : "-Inf";
  char Buffer[64];
  const int Length = std::snprintf(Buffer, sizeof Buffer, "%.15G", V);
  std::string Text(Buffer, static_cast<std::size_t>(Length > 0 ? Length : 0));
  const std::size_t E = Text.find('E');
  if (E != std::string::npos) {
    std::size_t Digits = E + 1;
    if (Text[Digits] == '+') {
      Text.erase(Digits, 1);
    } else if (Text[Digits] == '-') {
      ++Digits;
    }
    while (Digits + 1 < Text.size() && Text[Digits] == '0') Text.erase(Digits, 1);
  }
  return Text;
}

void AppendUtf16AsUtf8(std::string& Out, const unsigned char* P, std::size_t Units) {
  for (std::size_t I = 0; I < Units; ++I) {
    std::uint32_t Code = static_cast<std::uint32_t>(LoadLE(P + 2 * I, 2));
    if (Code >= 0xD800 && Code <= 0xDBFF && I + 1 < Units) {
      const auto Low = static_cast<std::uint32_t>(LoadLE(P + 2 * I + 2, 2));
      if (Low >= 0xDC00 && Low <= 0xDFFF) {
        Code = 0x10000 + ((Code - 0xD800) << 10) + (Low - 0xDC00);
        ++I;
      }
    }
    AppendUtf8(Out, Code);  // a lone surrogate comes out as its own three bytes
  }
}

// UTF-16 code units of Utf8; bytes that are not UTF-8 stand for themselves.
std::vector<std::uint16_t> Utf16Of(std::string_view Utf8) {
  std::vector<std::uint16_t> Units;
  const auto* P = reinterpret_cast<const unsigned char*>(Utf8.data());
  const auto* End = P + Utf8.size();
  while (P < End) {
    int Length = Utf8SequenceLength(P, End);
    std::uint32_t Code = 0;
    if (Length == 0 && P[0] == 0xED && End - P >= 3 && (P[1] & 0xE0) == 0xA0 && (P[2] & 0xC0) == 0x80) {
      Length = 3;  // a lone surrogate, as the reader wrote it
      Code = 0xD000u | ((P[1] & 0x3Fu) << 6) | (P[2] & 0x3Fu);
    } else if (Length <= 1) {
      Length = 1;
      Code = P[0];
    } else if (Length == 2) {
      Code = ((P[0] & 0x1Fu) << 6) | (P[1] & 0x3Fu);
    } else if (Length == 3) {
      Code = ((P[0] & 0x0Fu) << 12) | ((P[1] & 0x3Fu) << 6) | (P[2] & 0x3Fu);
    } else {
      Code = ((P[0] & 0x07u) << 18) | ((P[1] & 0x3Fu) << 12) | ((P[2] & 0x3Fu) << 6) | (P[3] & 0x3Fu);
    }
    P += Length;
    if (Code >= 0x10000) {
      Code -= 0x10000;
      Units.push_back(static_cast<std::uint16_t>(0xD800 + (Code >> 10)));
      Units.push_back(static_cast<std::uint16_t>(0xDC00 + (Code & 0x3FF)));
    } else {
      Units.push_back(static_cast<std::uint16_t>(Code));
    }
  }
  return Units;
}

// 8-bit strings read as the text reader reads `#n`: byte n is code point n.
std::string Latin1AsUtf8(std::string_view Bytes) {
  std::string Out;
  Out.reserve(Bytes.size());
  for (char C : Bytes) AppendUtf8(Out, static_cast<unsigned char>(C));
  return Out;
}

// The 8-bit bytes of Utf8, or false when a character lies above 255. Bytes
// that are not UTF-8 (raw code-page text from a text form) stand for themselves.
bool Utf8AsLatin1(std::string_view Utf8, std::string& Out) {
  for (std::uint16_t Unit : Utf16Of(Utf8)) {
    if (Unit > 0xFF) return false;
    Out.push_back(static_cast<char>(Unit));
  }
  return true;
}

class TBinaryReader {
 public:
  explicit TBinaryReader(TDocument::TImpl& Impl)
      : FImpl(Impl), FData(reinterpret_cast<const unsigned char*>(Impl.FSource.data())), FEnd(Impl.FSource.size()) {}

  void Run();

 private:
  [[noreturn]] void Fail(std::size_t At, const std::string& Message) const {
    throw EFormFileError(FImpl.FFileName, 0, 0, "byte " + std::to_string(At) + ": " + Message);
  }
  void Need(std::size_t Count, const char* What) const {
    if (FEnd - FPos < Count) Fail(FPos, std::string(What) + " runs past the end of the form");
  }
  unsigned char Byte(const char* What) {
    Need(1, What);
    return FData[FPos++];
  }
  std::uint64_t Fixed(int Size, const char* What) {
    Need(static_cast<std::size_t>(Size), What);
    const std::uint64_t V = LoadLE(FData + FPos, Size);
    FPos += static_cast<std::size_t>(Size);
    return V;
  }
  std::string_view ShortString(const char* What) {
    const std::size_t Length = Byte(What);
    Need(Length, What);
    std::string_view Text(FImpl.FSource.data() + FPos, Length);
    FPos += Length;
    return Text;
  }
  TPosition At(std::size_t Offset) const noexcept { return {0, static_cast<int>(Offset)}; }
  std::string_view Keep(std::string Text) { return FImpl.FNames.emplace_back(std::move(Text)); }

  void ReadHeader();
  TObjectNode& ReadObjectHeader(TObjectNode* Parent);
  void ReadProperties(std::vector<TProperty>& Into, int Depth);
  void ReadValue(TValue& Value, int Depth);
  std::int64_t ReadInteger(const char* What);
  std::size_t Length32(std::size_t UnitSize, const char* What);

  TDocument::TImpl& FImpl;
  const unsigned char* FData;
  std::size_t FEnd;
  std::size_t FPos = 0;
};

void TBinaryReader::ReadHeader() {
  if (FImpl.FSource.compare(0, 3, std::string_view("\xFF\x0A\x00", 3)) != 0) return;
  FPos = 3;
  if (FPos < FEnd && FData[FPos] == 0xFF) {
    FPos += 1;
    Fixed(2, "the resource's number");
  } else {
    while (Byte("the resource's name") != 0) {
    }
  }
  Fixed(2, "the resource's flags");
  FImpl.FSizeField = FPos;
  const std::uint64_t Size = Fixed(4, "the resource's size");
  if (Size > FEnd - FPos) Fail(FImpl.FSizeField, "the resource's size (" + std::to_string(Size) + ") runs past the end of the file");
  FEnd = FPos + static_cast<std::size_t>(Size);
}

std::int64_t TBinaryReader::ReadInteger(const char* What) {
  const std::size_t Start = FPos;
  switch (Byte(What)) {
    case vaInt8: return static_cast<std::int8_t>(Fixed(1, What));
    case vaInt16: return static_cast<std::int16_t>(Fixed(2, What));
    case vaInt32: return static_cast<std::int32_t>(Fixed(4, What));
    case vaInt64: return static_cast<std::int64_t>(Fixed(8, What));
    default: Fail(Start, std::string("expected an integer for ") + What);
  }
}

std::size_t TBinaryReader::Length32(std::size_t UnitSize, const char* What) {
  const std::size_t At = FPos;
  const std::uint64_t Count = Fixed(4, What);
  if (Count > (FEnd - FPos) / UnitSize) Fail(At, std::string(What) + " of " + std::to_string(Count) + (UnitSize == 1 ? " bytes" : " characters") + " runs past the end of the form");
  return static_cast<std::size_t>(Count);
}

TObjectNode& TBinaryReader::ReadObjectHeader(TObjectNode* Parent) {
  TObjectNode& Node = FImpl.FObjects.emplace_back();
  Node.FParent = Parent;
  Node.FPosition = At(FPos);
  Node.FHeaderSpan.FBegin = FPos;
  Need(1, "an object");
  if ((FData[FPos] & 0xF0) == 0xF0) {
    const unsigned Flags = FData[FPos++];
    if ((Flags & 0x08) != 0) Fail(FPos - 1, "unknown object flags");
    if ((Flags & 1) != 0) Node.FKind = TObjectKind::Inherited;
    if ((Flags & 4) != 0) Node.FKind = TObjectKind::Inline;
    if ((Flags & 1) != 0 && (Flags & 4) != 0) Fail(FPos - 1, "an object cannot be both inherited and inline");
    if ((Flags & 2) != 0) Node.FIndex = ReadInteger("the child position");
  }
  const std::size_t ClassAt = FPos;
  Node.FClassName = ShortString("the class name");
  if (Node.FClassName.empty()) Fail(ClassAt, "empty class name");
  Node.FName = ShortString("the object name");
  Node.FHeaderSpan.FEnd = FPos;
  return Node;
}

void TBinaryReader::ReadProperties(std::vector<TProperty>& Into, int Depth) {
  for (;;) {
    Need(1, "the property list");
    if (FData[FPos] == 0) {
      ++FPos;
      return;
    }
    TProperty& Property = Into.emplace_back();
    Property.FPosition = At(FPos);
    Property.FNameSpan.FBegin = FPos;
    Property.FName = ShortString("a property name");
    Property.FNameSpan.FEnd = FPos;
    ReadValue(Property.FValue, Depth);
  }
}

void TBinaryReader::ReadValue(TValue& Value, int Depth) {
  if (Depth > kMaxValueDepth) Fail(FPos, "values nested too deeply (more than " + std::to_string(kMaxValueDepth) + " levels)");
  const std::size_t Start = FPos;
  Value.FGapBegin = Start;
  Value.FPosition = At(Start);
  const unsigned char Tag = Byte("a value");
  switch (Tag) {
    case vaInt8: Value.FData = std::int64_t{static_cast<std::int8_t>(Fixed(1, "an integer"))}; break;
    case vaInt16: Value.FData = std::int64_t{static_cast<std::int16_t>(Fixed(2, "an integer"))}; break;
    case vaInt32: Value.FData = std::int64_t{static_cast<std::int32_t>(Fixed(4, "an integer"))}; break;
    case vaInt64:
    case vaQWord: Value.FData = static_cast<std::int64_t>(Fixed(8, "an integer")); break;
    case vaExtended: {
      Need(10, "a number");
      const double V = ExtendedToDouble(FData + FPos);
      FPos += 10;
      Value.FData = TFloat{V, 0, Keep(ShortestText(V))};
      break;
    }
    case vaDouble:
    case vaDate: {
      const std::uint64_t Bits = Fixed(8, "a number");
      double V = 0;
      std::memcpy(&V, &Bits, sizeof V);
      const char Suffix = Tag == vaDate ? 'd' : 0;
      Value.FData = TFloat{V, Suffix, Keep(ShortestText(V) + (Suffix ? std::string(1, Suffix) : std::string()))};
      break;
    }
    case vaSingle: {
      const auto Bits = static_cast<std::uint32_t>(Fixed(4, "a number"));
      float F = 0;
      std::memcpy(&F, &Bits, sizeof F);
      Value.FData = TFloat{F, 's', Keep(ShortestText(F) + "s")};
      break;
    }
    case vaCurrency: {
      const auto Units = static_cast<std::int64_t>(Fixed(8, "a number"));
      const double V = static_cast<double>(Units) / 10000.0;
      Value.FData = TFloat{V, 'c', Keep(ShortestText(V) + "c")};
      break;
    }
    case vaString: Value.FData = Latin1AsUtf8(ShortString("a string")); break;
    case vaLString:
    case vaUTF8String: {
      const std::size_t Length = Length32(1, "a string");
      const std::string_view Bytes(FImpl.FSource.data() + FPos, Length);
      Value.FData = Tag == vaLString ? Latin1AsUtf8(Bytes) : std::string(Bytes);
      FPos += Length;
      break;
    }
    case vaWString:
    case vaUString: {
      const std::size_t Units = Length32(2, "a string");
      std::string Text;
      AppendUtf16AsUtf8(Text, FData + FPos, Units);
      FPos += 2 * Units;
      Value.FData = std::move(Text);
      break;
    }
    case vaIdent: {
      const std::size_t NameAt = FPos;
      const std::string_view Name = ShortString("an identifier");
      if (Name.empty()) Fail(NameAt, "empty identifier");
      Value.FData = TIdent{Name};
      break;
    }
    case vaFalse: Value.FData = false; break;
    case vaTrue: Value.FData = true; break;
    case vaNil: Value.FData = TNil{}; break;
    case vaBinary: {
      const std::size_t Length = Length32(1, "binary data");
      Value.FData = TBinary{std::string(FImpl.FSource.data() + FPos, Length)};
      FPos += Length;
      break;
    }
    case vaSet: {
      TSet Set;
      for (;;) {
        const std::string_view Name = ShortString("a set");
        if (Name.empty()) break;
        Set.FNames.push_back(Name);
      }
      Value.FData = std::move(Set);
      break;
    }
    case vaList: {
      TList List;
      for (;;) {
        Need(1, "a list");
        if (FData[FPos] == 0) {
          ++FPos;
          break;
        }
        ReadValue(List.FItems.emplace_back(), Depth + 1);
      }
      Value.FData = std::move(List);
      break;
    }
    case vaCollection: {
      TCollection Collection;
      for (;;) {
        Need(1, "a collection");
        if (FData[FPos] == 0) {
          ++FPos;
          break;
        }
        TCollectionItem& Item = Collection.FItems.emplace_back();
        Item.FSpan.FBegin = FPos;
        Item.FPosition = At(FPos);
        const unsigned char ItemTag = FData[FPos];
        if (ItemTag == vaInt8 || ItemTag == vaInt16 || ItemTag == vaInt32) ReadInteger("a collection item's index");
        const std::size_t ListAt = FPos;
        if (Byte("a collection item") != vaList) Fail(ListAt, "expected a collection item");
        ReadProperties(Item.FProperties, Depth + 1);
        Item.FSpan.FEnd = FPos;
      }
      Value.FData = std::move(Collection);
      break;
    }
    default:
      Fail(Start, "unknown value type " + std::to_string(Tag));
  }
  Value.FSpan = {Start, FPos};
}

void TBinaryReader::Run() {
  ReadHeader();
  Need(4, "the signature");
  if (std::memcmp(FData + FPos, "TPF0", 4) != 0) Fail(FPos, "expected the signature 'TPF0'");
  FPos += 4;
  std::vector<TObjectNode*> Stack;
  Stack.push_back(&ReadObjectHeader(nullptr));
  ReadProperties(Stack.back()->FProperties, 0);
  while (!Stack.empty()) {
    TObjectNode& Node = *Stack.back();
    Need(1, "an object's children");
    if (FData[FPos] == 0) {
      Node.FEndSpan = {FPos, FPos + 1};
      ++FPos;
      Stack.pop_back();
      continue;
    }
    if (Stack.size() >= kMaxObjectDepth) {
      Fail(FPos, "objects nested too deeply (more than " + std::to_string(kMaxObjectDepth) + " levels)");
    }
    TObjectNode& Child = ReadObjectHeader(&Node);
    Node.FChildren.push_back(&Child);
    ReadProperties(Child.FProperties, 0);
    Stack.push_back(&Child);
  }
  FImpl.FTrailingStart = FPos;
}

// ---------------------------------------------------------------------------
// Writing

void AppendShortString(std::string& Out, std::string_view Text, const std::string& FileName, const char* What) {
  if (Text.size() > 255) {
    throw EFormFileError(FileName, 0, 0, std::string(What) + " is longer than 255 bytes: '" + std::string(Text.substr(0, 40)) + "...'");
  }
  Out.push_back(static_cast<char>(Text.size()));
  Out += Text;
}

void AppendInteger(std::string& Out, std::int64_t V) {
  if (V >= -128 && V <= 127) {
    Out.push_back(static_cast<char>(vaInt8));
    StoreLE(Out, static_cast<std::uint64_t>(V), 1);
  } else if (V >= -32768 && V <= 32767) {
    Out.push_back(static_cast<char>(vaInt16));
    StoreLE(Out, static_cast<std::uint64_t>(V), 2);
  } else if (V >= std::numeric_limits<std::int32_t>::min() && V <= std::numeric_limits<std::int32_t>::max()) {
    Out.push_back(static_cast<char>(vaInt32));
    StoreLE(Out, static_cast<std::uint64_t>(V), 4);
  } else {
    Out.push_back(static_cast<char>(vaInt64));
    StoreLE(Out, static_cast<std::uint64_t>(V), 8);
  }
}

void AppendString(std::string& Out, unsigned char Tag, std::string_view Utf8) {
  std::string Bytes;
  if ((Tag == vaString || Tag == vaLString) && !Utf8AsLatin1(Utf8, Bytes)) Tag = vaWString;
  if (Tag == vaWString || Tag == vaUString) {
    const std::vector<std::uint16_t> Units = Utf16Of(Utf8);
    Out.push_back(static_cast<char>(Tag));
    StoreLE(Out, Units.size(), 4);
    for (std::uint16_t Unit : Units) StoreLE(Out, Unit, 2);
    return;
  }
  if (Tag == vaUTF8String) Bytes = Utf8;
  if (Tag == vaString && Bytes.size() > 255) Tag = vaLString;
  Out.push_back(static_cast<char>(Tag));
  if (Tag == vaString) {
    Out.push_back(static_cast<char>(Bytes.size()));
  } else {
    StoreLE(Out, Bytes.size(), 4);
  }
  Out += Bytes;
}

void AppendProperties(std::string& Out, const std::vector<std::pair<std::string_view, const TValue*>>& Properties,
                      const std::string& FileName);

void AppendValue(std::string& Out, const TValue& Value, const std::string& FileName) {
  switch (Value.Kind()) {
    case TValueKind::Integer:
      AppendInteger(Out, std::get<std::int64_t>(Value.FData));
      return;
    case TValueKind::Float: {
      const TFloat& Float = std::get<TFloat>(Value.FData);
      if (Float.FSuffix == 's') {
        Out.push_back(static_cast<char>(vaSingle));
        const auto F = static_cast<float>(Float.FValue);
        std::uint32_t Bits = 0;
        std::memcpy(&Bits, &F, sizeof Bits);
        StoreLE(Out, Bits, 4);
      } else if (Float.FSuffix == 'd') {
        Out.push_back(static_cast<char>(vaDate));
        std::uint64_t Bits = 0;
        std::memcpy(&Bits, &Float.FValue, sizeof Bits);
        StoreLE(Out, Bits, 8);
      } else if (Float.FSuffix == 'c') {
        Out.push_back(static_cast<char>(vaCurrency));
        StoreLE(Out, static_cast<std::uint64_t>(std::llround(Float.FValue * 10000.0)), 8);
      } else {
        Out.push_back(static_cast<char>(vaExtended));
        AppendExtended(Out, Float.FValue);
      }
      return;
    }
    case TValueKind::String: {
      const std::string& Text = *Value.String();
      AppendString(Out, vaString, Text);  // wide when it does not fit 8 bits
      return;
    }
    case TValueKind::Ident:
      Out.push_back(static_cast<char>(vaIdent));
      AppendShortString(Out, Value.Ident(), FileName, "an identifier");
      return;
    case TValueKind::Boolean:
      Out.push_back(static_cast<char>(std::get<bool>(Value.FData) ? vaTrue : vaFalse));
      return;
    case TValueKind::Nil:
      Out.push_back(static_cast<char>(vaNil));
      return;
    case TValueKind::Set:
      Out.push_back(static_cast<char>(vaSet));
      for (std::string_view Name : std::get<TSet>(Value.FData).FNames) {
        if (Name.empty()) throw EFormFileError(FileName, 0, 0, "empty set element");
        AppendShortString(Out, Name, FileName, "a set element");
      }
      Out.push_back('\0');
      return;
    case TValueKind::List:
      Out.push_back(static_cast<char>(vaList));
      for (const TValue& Item : Value.List()->FItems) AppendValue(Out, Item, FileName);
      Out.push_back('\0');
      return;
    case TValueKind::Binary: {
      const std::string& Bytes = std::get<TBinary>(Value.FData).FBytes;
      Out.push_back(static_cast<char>(vaBinary));
      StoreLE(Out, Bytes.size(), 4);
      Out += Bytes;
      return;
    }
    case TValueKind::Collection:
      Out.push_back(static_cast<char>(vaCollection));
      for (const TCollectionItem& Item : Value.Collection()->FItems) {
        Out.push_back(static_cast<char>(vaList));
        std::vector<std::pair<std::string_view, const TValue*>> Properties;
        for (const TProperty& P : Item.FProperties) Properties.emplace_back(P.FName, &P.FValue);
        AppendProperties(Out, Properties, FileName);
      }
      Out.push_back('\0');
      return;
  }
}

void AppendProperties(std::string& Out, const std::vector<std::pair<std::string_view, const TValue*>>& Properties,
                      const std::string& FileName) {
  for (const auto& [Name, Value] : Properties) {
    if (Name.empty()) throw EFormFileError(FileName, 0, 0, "empty property name");
    AppendShortString(Out, Name, FileName, "a property name");
    AppendValue(Out, *Value, FileName);
  }
  Out.push_back('\0');
}

void AppendObject(std::string& Out, const TNewObject& Object, const std::string& FileName) {
  if (Object.FKind != TObjectKind::Object || Object.FIndex) {
    unsigned Flags = 0xF0;
    if (Object.FKind == TObjectKind::Inherited) Flags |= 1;
    if (Object.FKind == TObjectKind::Inline) Flags |= 4;
    if (Object.FIndex) Flags |= 2;
    Out.push_back(static_cast<char>(Flags));
    if (Object.FIndex) AppendInteger(Out, *Object.FIndex);
  }
  if (Object.FClassName.empty()) throw EFormFileError(FileName, 0, 0, "empty class name");
  AppendShortString(Out, Object.FClassName, FileName, "a class name");
  AppendShortString(Out, Object.FName, FileName, "an object name");
  std::vector<std::pair<std::string_view, const TValue*>> Properties;
  for (const auto& [Name, Value] : Object.FProperties) Properties.emplace_back(Name, &Value);
  AppendProperties(Out, Properties, FileName);
  for (const TNewObject& Child : Object.FChildren) AppendObject(Out, Child, FileName);
  Out.push_back('\0');
}

// A parsed object with what stands below it, iteratively: files nest deeper than the stack would.
void AppendNode(std::string& Out, const TObjectNode& Root, const std::string& FileName) {
  std::vector<std::pair<const TObjectNode*, std::size_t>> Stack{{&Root, 0}};
  while (!Stack.empty()) {
    auto& [Node, Next] = Stack.back();
    if (Next == 0) {
      if (Node->FKind != TObjectKind::Object || Node->FIndex) {
        unsigned Flags = 0xF0;
        if (Node->FKind == TObjectKind::Inherited) Flags |= 1;
        if (Node->FKind == TObjectKind::Inline) Flags |= 4;
        if (Node->FIndex) Flags |= 2;
        Out.push_back(static_cast<char>(Flags));
        if (Node->FIndex) AppendInteger(Out, *Node->FIndex);
      }
      AppendShortString(Out, Node->FClassName, FileName, "a class name");
      AppendShortString(Out, Node->FName, FileName, "an object name");
      std::vector<std::pair<std::string_view, const TValue*>> Properties;
      for (const TProperty& P : Node->FProperties)
        if (!P.FRemoved) Properties.emplace_back(P.FName, &P.FValue);
      AppendProperties(Out, Properties, FileName);
    }
    while (Next < Node->FChildren.size() && Node->FChildren[Next]->FRemoved) ++Next;
    if (Next == Node->FChildren.size()) {
      Out.push_back('\0');
      Stack.pop_back();
      continue;
    }
    const TObjectNode* Child = Node->FChildren[Next++];
    Stack.emplace_back(Child, 0);
  }
}

}  // namespace

std::string EncodeBinaryForm(const TDocument& Document) {
  std::string Stream = "TPF0";
  AppendNode(Stream, Document.Root(), Document.FileName());
  // The resource header the designer writes: RCDATA named after the class, upper-cased.
  std::string Out("\xFF\x0A\x00", 3);
  for (char C : Document.Root().FClassName) Out.push_back(C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C);
  Out.push_back('\0');
  Out += "\x30\x10";
  StoreLE(Out, Stream.size(), 4);
  return Out + Stream;
}

void ParseBinaryInto(TDocument::TImpl& Impl) {
  Impl.FBinary = true;
  TBinaryReader(Impl).Run();
}

std::string EncodeBinaryValue(const TValue& Value, const std::string& FileName) {
  std::string Out;
  AppendValue(Out, Value, FileName);
  return Out;
}

std::string EncodeBinaryObject(const TNewObject& Object, const std::string& FileName) {
  std::string Out;
  AppendObject(Out, Object, FileName);
  return Out;
}

std::string EncodeBinaryProperty(std::string_view Name, const TValue& Value, const std::string& FileName) {
  std::string Out;
  if (Name.empty()) throw EFormFileError(FileName, 0, 0, "empty property name");
  AppendShortString(Out, Name, FileName, "a property name");
  AppendValue(Out, Value, FileName);
  return Out;
}

std::string EncodeBinaryString(unsigned char OldTag, std::string_view Utf8) {
  // A value that was no string before this run's edits gets the designer's choice.
  if (OldTag != vaString && OldTag != vaLString && OldTag != vaWString && OldTag != vaUTF8String && OldTag != vaUString)
    OldTag = vaString;
  std::string Out;
  AppendString(Out, OldTag, Utf8);
  return Out;
}

}  // namespace detail

// ---------------------------------------------------------------------------
// Text rendering, in the designer's layout

namespace {

class TTextRenderer {
 public:
  std::string Run(const TObjectNode& Root) {
    Object(Root, 0);
    return std::move(FOut);
  }

 private:
  void Line(std::size_t Indent) {
    if (!FOut.empty()) FOut += '\n';
    FOut.append(Indent, ' ');
  }
  void Object(const TObjectNode& Node, std::size_t Indent);
  void Value(const TValue& Value, std::size_t Indent);

  std::string FOut;
};

void TTextRenderer::Object(const TObjectNode& Node, std::size_t Indent) {
  static constexpr const char* kKeywords[] = {"object", "inherited", "inline"};
  Line(Indent);
  FOut += kKeywords[static_cast<int>(Node.FKind)];
  FOut += ' ';
  if (!Node.FName.empty()) {
    FOut += Node.FName;
    FOut += ": ";
  }
  FOut += Node.FClassName;
  if (Node.FIndex) FOut += " [" + std::to_string(*Node.FIndex) + "]";
  for (const TProperty& P : Node.FProperties) {
    Line(Indent + 2);
    FOut += P.FName;
    FOut += " = ";
    Value(P.FValue, Indent + 2);
  }
  for (const TObjectNode* Child : Node.FChildren) Object(*Child, Indent + 2);
  Line(Indent);
  FOut += "end";
}

void TTextRenderer::Value(const TValue& V, std::size_t Indent) {
  switch (V.Kind()) {
    case TValueKind::Integer:
      FOut += std::to_string(std::get<std::int64_t>(V.FData));
      return;
    case TValueKind::Float:
      FOut += std::get<TFloat>(V.FData).FText;
      return;
    case TValueKind::String: {
      // A long string goes on below `Name = `, split, as the designer writes it.
      const detail::TStringStyle Style{false, false, true};
      FOut += detail::EncodeNewString(*V.String(), Style, Indent, "\n");
      return;
    }
    case TValueKind::Ident:
      FOut += V.Ident();
      return;
    case TValueKind::Boolean:
      FOut += std::get<bool>(V.FData) ? "True" : "False";
      return;
    case TValueKind::Nil:
      FOut += "nil";
      return;
    case TValueKind::Set: {
      FOut += '[';
      bool First = true;
      for (std::string_view Name : std::get<TSet>(V.FData).FNames) {
        if (!First) FOut += ", ";
        FOut += Name;
        First = false;
      }
      FOut += ']';
      return;
    }
    case TValueKind::List:
      FOut += '(';
      for (const TValue& Item : V.List()->FItems) {
        Line(Indent + 2);
        Value(Item, Indent + 2);
      }
      FOut += ')';
      return;
    case TValueKind::Binary: {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const std::string& Bytes = std::get<TBinary>(V.FData).FBytes;
      FOut += '{';
      for (std::size_t I = 0; I < Bytes.size(); ++I) {
        if (I % 32 == 0) Line(Indent + 2);
        const auto Byte = static_cast<unsigned char>(Bytes[I]);
        FOut += kHex[Byte >> 4];
        FOut += kHex[Byte & 15];
      }
      FOut += '}';
      return;
    }
    case TValueKind::Collection: {
      FOut += '<';
      for (const TCollectionItem& Item : V.Collection()->FItems) {
        Line(Indent + 2);
        FOut += "item";
        for (const TProperty& P : Item.FProperties) {
          Line(Indent + 4);
          FOut += P.FName;
          FOut += " = ";
          Value(P.FValue, Indent + 4);
        }
        Line(Indent + 2);
        FOut += "end";
      }
      FOut += '>';
      return;
    }
  }
}

}  // namespace

std::string RenderAsText(const TDocument& Document) {
  return TTextRenderer().Run(Document.Root()) + "\n";
}

std::string RenderAsBinary(const TDocument& Document) { return detail::EncodeBinaryForm(Document); }

}  // namespace keyloom::formfile

// The per-user store file: parsing never crashes; what parses formats to a
// file that parses to the same data. The first byte picks a second mode that
// builds data through the API from the input and checks that the file it
// saves reads back as that data.

#include <keyloom/host/user_store.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"

namespace {

using keyloom::ERegistryException;
using keyloom::TRegistryData;

bool SameData(const TRegistryData& A, const TRegistryData& B) {
  if (A.Keys.size() != B.Keys.size()) return false;
  for (std::size_t K = 0; K < A.Keys.size(); ++K) {
    const TRegistryData::TKey& X = A.Keys[K];
    const TRegistryData::TKey& Y = B.Keys[K];
    if (X.Path != Y.Path || X.Values.size() != Y.Values.size()) return false;
    for (std::size_t V = 0; V < X.Values.size(); ++V) {
      const TRegistryData::TValue& P = X.Values[V];
      const TRegistryData::TValue& Q = Y.Values[V];
      if (P.Name != Q.Name || P.Kind != Q.Kind || P.Dword != Q.Dword || P.String != Q.String || P.Raw != Q.Raw)
        return false;
    }
  }
  return true;
}

class TReader {
 public:
  TReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool Done() const { return FPos >= FSize; }
  std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  // A length-prefixed piece of the input.
  std::string Text() {
    const std::size_t Length = Byte() % 24;
    std::string Out;
    while (Out.size() < Length && !Done()) Out.push_back(static_cast<char>(Byte()));
    return Out;
  }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

// Values and keys as the access class makes them: any name, any string.
void BuildAndSave(const std::uint8_t* Data, std::size_t Size) {
  TReader In(Data, Size);
  TRegistryData Built;
  while (!In.Done()) {
    std::string Path = "HKEY_CURRENT_USER\\Software\\" + In.Text();
    while (!Path.empty() && Path.back() == '\\') Path.pop_back();
    TRegistryData::TKey& Key = Built.CreateKey(Path);
    const int Values = In.Byte() % 4;
    for (int I = 0; I < Values; ++I) {
      std::string Name = In.Text();
      TRegistryData::TValue* Value = TRegistryData::FindValue(Key, Name);
      if (!Value) Value = &Key.Values.emplace_back();
      Value->Name = Name;
      if (In.Byte() % 2) {
        Value->Kind = TRegistryData::TValue::TKind::Dword;
        Value->Dword = In.Byte() * 0x01010101u;
      } else {
        Value->Kind = TRegistryData::TValue::TKind::String;
        Value->String = In.Text();
      }
    }
  }
  std::string Saved;
  try {
    Saved = Built.Format();
  } catch (const ERegistryException&) {
    return;  // refused (a line break in a name or string): nothing is written
  }
  TRegistryData Read;
  try {
    Read = TRegistryData::Parse(Saved);
  } catch (const ERegistryException& E) {
    std::fprintf(stderr, "saved store does not read back: %s\n", E.what());
    std::abort();
  }
  FUZZ_CHECK(Read.Format() == Saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > 0 && Data[0] == 0xFF) {
    BuildAndSave(Data + 1, Size - 1);
    return 0;
  }
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  TRegistryData Parsed;
  try {
    Parsed = TRegistryData::Parse(Text);
  } catch (const ERegistryException&) {
    return 0;
  }
  const std::string Formatted = Parsed.Format();
  TRegistryData Again;
  try {
    Again = TRegistryData::Parse(Formatted);
  } catch (const ERegistryException& E) {
    std::fprintf(stderr, "formatted store does not read back: %s\n", E.what());
    std::abort();
  }
  FUZZ_CHECK(SameData(Parsed, Again));
  FUZZ_CHECK(Again.Format() == Formatted);
  return 0;
}

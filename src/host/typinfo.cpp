#include <keyloom/host/classes.hpp>
#include <keyloom/host/typinfo.hpp>

#include "host/host_classes.hpp"
#include "host/memory/address_table.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace keyloom {

namespace {

char LowerAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

// Every object read looks its class up by name.
struct HashText {
  using is_transparent = void;
  std::size_t operator()(std::string_view Text) const { return TextHash(Text); }
};
struct EqualText {
  using is_transparent = void;
  bool operator()(std::string_view A, std::string_view B) const { return SameText(A, B); }
};
template <class T>
using TByText = std::unordered_map<std::string, T, HashText, EqualText>;

// Forms are read on several threads at once; classes are registered rarely
// (and mostly again), so readers share the lock and writers take it only for a change.
struct Registry {
  Registry() {
    for (const TClassInfo* Info : HostClasses()) Classes[Info->ClassName()] = Info;
  }
  std::shared_mutex Lock;
  TByText<const TClassInfo*> Classes;
  std::deque<TClassInfo> Runtime;  // stable addresses
  TByText<TClassInfo*> RuntimeByName;
};

Registry& TheRegistry() {
  static Registry R;
  return R;
}

// An open-addressing table of the properties by name, at most half full.
std::vector<const TPropInfo*> IndexByName(const std::vector<const TPropInfo*>& All) {
  std::size_t Size = 8;
  while (Size < 2 * All.size()) Size *= 2;
  std::vector<const TPropInfo*> ByName(Size, nullptr);
  for (const TPropInfo* P : All) {
    std::size_t Slot = TextHash(P->Name) & (Size - 1);
    while (ByName[Slot]) Slot = (Slot + 1) & (Size - 1);
    ByName[Slot] = P;
  }
  return ByName;
}

// Publishes the lists that PropInfos builds; building happens outside it.
std::mutex& PropListLock() {
  static std::mutex Lock;
  return Lock;
}

}  // namespace

namespace {

// Names are short: reading them eight bytes at a time, folded to lower case
// in one step, keeps hashing and comparing them off the profile.
std::uint64_t LoadWord(const char* Data) {
  std::uint64_t Word;
  std::memcpy(&Word, Data, 8);
  return Word;
}

// The last 1 to 7 bytes in one word, some read twice; a copy of unknown
// length would be a call.
std::uint64_t LoadTail(const char* Data, std::size_t Size) {
  if (Size >= 4) {
    std::uint32_t Low, High;
    std::memcpy(&Low, Data, 4);
    std::memcpy(&High, Data + Size - 4, 4);
    return Low | (std::uint64_t{High} << 32);
  }
  const auto Byte = [&](std::size_t I) { return std::uint64_t{static_cast<unsigned char>(Data[I])}; };
  return Byte(0) | (Byte(Size / 2) << 8) | (Byte(Size - 1) << 16);
}

std::uint64_t LowerAsciiWord(std::uint64_t Word) {
  constexpr std::uint64_t Ones = 0x0101010101010101ull;
  const std::uint64_t Low7 = Word & (0x7f * Ones);
  // High bit of each byte: at least 'A', above 'Z'; no byte carries into the next.
  const std::uint64_t FromA = Low7 + (0x80 - 'A') * Ones;
  const std::uint64_t AfterZ = Low7 + (0x80 - 'Z' - 1) * Ones;
  const std::uint64_t Upper = FromA & ~AfterZ & ~Word & (0x80 * Ones);
  return Word | (Upper >> 2);
}

}  // namespace

bool SameText(std::string_view A, std::string_view B) {
  const std::size_t Size = A.size();
  if (Size != B.size()) return false;
  // Names are mostly written alike: folding is needed only where they differ.
  auto Same = [](std::uint64_t X, std::uint64_t Y) { return X == Y || LowerAsciiWord(X) == LowerAsciiWord(Y); };
  std::size_t I = 0;
  for (; I + 8 <= Size; I += 8)
    if (!Same(LoadWord(A.data() + I), LoadWord(B.data() + I))) return false;
  return I == Size || Same(LoadTail(A.data() + I, Size - I), LoadTail(B.data() + I, Size - I));
}

// Eight bytes at a time in lower case, each multiplied in; the last step folds
// the high bits in, as tables keep only the low ones.
std::size_t TextHash(std::string_view Text) {
  constexpr std::uint64_t Factor = detail::kGolden;
  const std::size_t Size = Text.size();
  std::uint64_t Hash = detail::kFnvOffset ^ Size;
  std::size_t I = 0;
  for (; I + 8 <= Size; I += 8) {
    Hash = (Hash ^ LowerAsciiWord(LoadWord(Text.data() + I))) * Factor;
    Hash ^= Hash >> 32;
  }
  if (I < Size) {
    Hash = (Hash ^ LowerAsciiWord(LoadTail(Text.data() + I, Size - I))) * Factor;
    Hash ^= Hash >> 32;
  }
  return static_cast<std::size_t>(Hash ^ (Hash >> 29));
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = LowerAscii(C);
  return R;
}

TClassInfo::TClassInfo(std::string ClassName, const TClassInfo* Parent, std::vector<TPropInfo> Props,
                       TFactory Factory)
    : FClassName(std::move(ClassName)),
      FParent(Parent),
      FProps(std::make_move_iterator(Props.begin()), std::make_move_iterator(Props.end())),
      FFactory(std::move(Factory)) {
  static std::atomic<std::uint64_t> Last{0};
  FSerial = Last.fetch_add(1, std::memory_order_relaxed) + 1;
}

const std::vector<const TPropInfo*>& TClassInfo::BuildLists() const {
  std::vector<const TPropInfo*> All;
  if (FParent) All = FParent->PropInfos();
  for (const TPropInfo& P : FProps) {
    auto Same = std::find_if(All.begin(), All.end(), [&](const TPropInfo* Q) { return SameText(Q->Name, P.Name); });
    if (Same != All.end())
      *Same = &P;
    else
      All.push_back(&P);
  }
  // Run-time classes start with none of their own: the parent's index serves as it is.
  std::vector<const TPropInfo*> ByName = FParent && FProps.empty() ? FParent->FByName : IndexByName(All);
  // Another thread may have got here first; the lists it published are the same.
  const std::lock_guard Guard(PropListLock());
  if (!FAllValid.load(std::memory_order_relaxed)) {
    FAll = std::move(All);
    FByName = std::move(ByName);
    FAllValid.store(true, std::memory_order_release);
  }
  return FAll;
}

namespace {

// Words that hold every byte of a name of 1 to 16 bytes, so that equal words
// mean equal names; false for other lengths. NameSlot spreads them, with
// what else a table keys on, over a table of 2^Bits entries.
bool NameWords(std::string_view Name, std::uint64_t& First, std::uint64_t& Last) {
  const std::size_t Size = Name.size();
  if (Size >= 8 && Size <= 16) {
    First = LoadWord(Name.data());
    Last = LoadWord(Name.data() + Size - 8);
    return true;
  }
  if (Size == 0 || Size > 16) return false;
  First = LoadTail(Name.data(), Size);
  Last = 0;
  return true;
}

std::size_t NameSlot(std::uint64_t First, std::uint64_t Last, std::size_t Size, std::uint64_t Other, int Bits) {
  const std::uint64_t Mixed = (First ^ (Last * detail::kGolden) ^ (Other << 20) ^ Size) * detail::kSpread;
  return static_cast<std::size_t>(Mixed >> (64 - Bits));
}

// Forms name the same few properties of the same few classes over and over,
// and many a property a class does not publish. Each thread remembers what a
// look-up by a name's exact bytes found, nothing included: a hit compares
// words instead of folding, hashing and probing the name. Entries hold the
// class's serial, not its address, which a class made after a freed one can
// take, and how many properties the class had been given since it was made.
struct TPropMemoEntry {
  std::uint64_t Serial;         // 0: empty
  std::uint64_t SizeAndChanges;  // the name's length in the low byte
  std::uint64_t First;
  std::uint64_t Last;
  const TPropInfo* Prop;
};
constexpr int kPropMemoBits = 9;
thread_local TPropMemoEntry PropMemo[std::size_t{1} << kPropMemoBits];  // zeroed: no guard on access

}  // namespace

const TPropInfo* TClassInfo::FindProp(std::string_view Name) const {
  std::uint64_t First = 0, Last = 0;
  if (!NameWords(Name, First, Last)) return LookUpProp(Name);
  TPropMemoEntry& Entry = PropMemo[NameSlot(First, Last, Name.size(), FSerial, kPropMemoBits)];
  const std::uint64_t SizeAndChanges =
      Name.size() | (std::uint64_t{FChanges.load(std::memory_order_acquire)} << 8);
  if (Entry.Serial == FSerial && Entry.SizeAndChanges == SizeAndChanges && Entry.First == First &&
      Entry.Last == Last)
    return Entry.Prop;
  const TPropInfo* Prop = LookUpProp(Name);
  Entry = {FSerial, SizeAndChanges, First, Last, Prop};
  return Prop;
}

const TPropInfo* TClassInfo::LookUpProp(std::string_view Name) const {
  PropInfos();
  const std::size_t Mask = FByName.size() - 1;
  for (std::size_t Slot = TextHash(Name) & Mask;; Slot = (Slot + 1) & Mask) {
    const TPropInfo* P = FByName[Slot];
    // Most names met on the way differ in length: no call for those.
    if (!P || (P->Name.size() == Name.size() && SameText(P->Name, Name))) return P;
  }
}

bool TClassInfo::InheritsFrom(std::string_view AncestorName) const {
  for (const TClassInfo* C = this; C; C = C->FParent)
    if (SameText(C->FClassName, AncestorName)) return true;
  return false;
}

void TClassInfo::AddProp(TPropInfo Prop) {
  FProps.push_back(std::move(Prop));
  Publish(&FProps.back());
  // What look-ups of this class found before, nothing included, is stale now.
  FChanges.fetch_add(1, std::memory_order_release);
}

void TClassInfo::Publish(const TPropInfo* Added) {
  // Descendants cache their lists too; run-time classes, the ones that learn,
  // have none. A class learns a property a line, so the lists grow in place.
  if (!FAllValid.load(std::memory_order_acquire)) return;
  const std::lock_guard Guard(PropListLock());
  const std::size_t Mask = FByName.size() - 1;
  for (std::size_t Slot = TextHash(Added->Name) & Mask;; Slot = (Slot + 1) & Mask) {
    const TPropInfo*& Entry = FByName[Slot];
    if (!Entry) {
      FAll.push_back(Added);
      if (2 * FAll.size() > FByName.size())
        FByName = IndexByName(FAll);
      else
        Entry = Added;
      return;
    }
    if (SameText(Entry->Name, Added->Name)) {
      *std::find(FAll.begin(), FAll.end(), Entry) = Added;
      Entry = Added;
      return;
    }
  }
}

namespace {

// Every object read looks its class up. Each thread remembers the classes
// found by their names' exact bytes, which spares the shared lock and the
// case-blind hash, until a class is registered under a name again.
struct TClassMemoEntry {
  std::uint64_t Size;  // 0: empty
  std::uint64_t First;
  std::uint64_t Last;
  std::uint64_t Generation;
  const TClassInfo* Class;
};
constexpr int kClassMemoBits = 7;
thread_local TClassMemoEntry ClassMemo[std::size_t{1} << kClassMemoBits];
std::atomic<std::uint64_t> ClassMemoGeneration{0};

}  // namespace

void RegisterClass(const TClassInfo& Info) {
  Registry& R = TheRegistry();
  {
    const std::shared_lock Read(R.Lock);
    auto It = R.Classes.find(Info.ClassName());
    if (It != R.Classes.end() && It->second == &Info) return;
  }
  const std::unique_lock Write(R.Lock);
  R.Classes[Info.ClassName()] = &Info;
  ClassMemoGeneration.fetch_add(1, std::memory_order_acq_rel);
}

const TClassInfo* FindClass(std::string_view ClassName) {
  std::uint64_t First = 0, Last = 0;
  TClassMemoEntry* Entry = nullptr;
  const std::uint64_t Generation = ClassMemoGeneration.load(std::memory_order_acquire);
  if (NameWords(ClassName, First, Last)) {
    Entry = &ClassMemo[NameSlot(First, Last, ClassName.size(), 0, kClassMemoBits)];
    if (Entry->Size == ClassName.size() && Entry->First == First && Entry->Last == Last &&
        Entry->Generation == Generation)
      return Entry->Class;
  }
  Registry& R = TheRegistry();
  const std::shared_lock Read(R.Lock);
  auto It = R.Classes.find(ClassName);
  if (It == R.Classes.end()) return nullptr;
  if (Entry) *Entry = {ClassName.size(), First, Last, Generation, It->second};
  return It->second;
}

TClassInfo& RegisterRuntimeClass(std::string_view ClassName, const TClassInfo& Parent) {
  Registry& R = TheRegistry();
  // One class may be a container in one file and a plain control in another.
  std::string Key = Parent.ClassName() + ':' + std::string(ClassName);
  {
    const std::shared_lock Read(R.Lock);
    if (auto It = R.RuntimeByName.find(Key); It != R.RuntimeByName.end()) return *It->second;
  }
  const std::unique_lock Write(R.Lock);
  if (auto It = R.RuntimeByName.find(Key); It != R.RuntimeByName.end()) return *It->second;
  TClassInfo& Info = R.Runtime.emplace_back(std::string(ClassName), &Parent, std::vector<TPropInfo>{},
                                            Parent.Factory());
  R.RuntimeByName[Key] = &Info;
  return Info;
}

const TClassInfo* ClassInfo(const TObject* Obj) { return Obj ? &Obj->ClassType() : nullptr; }

const TPropInfo* GetPropInfo(const TObject* Obj, std::string_view Name) {
  return Obj ? Obj->ClassType().FindProp(Name) : nullptr;
}

std::vector<const TPropInfo*> GetPropInfos(const TObject* Obj) {
  if (!Obj) return {};
  return Obj->ClassType().PropInfos();
}

namespace {
[[noreturn]] void NoAccess(const TPropInfo& Prop, const char* What) {
  throw EKeyloomError("Property " + Prop.Name + " cannot be " + What);
}
}  // namespace

std::string GetStrProp(const TObject& Obj, const TPropInfo& Prop) {
  if (!Prop.GetStr) NoAccess(Prop, "read as a string");
  return Prop.GetStr(Obj);
}

void SetStrProp(TObject& Obj, const TPropInfo& Prop, const std::string& Value) {
  if (!Prop.SetStr) NoAccess(Prop, "written as a string");
  Prop.SetStr(Obj, Value);
}

std::int64_t GetOrdProp(const TObject& Obj, const TPropInfo& Prop) {
  if (Prop.GetOrd) return Prop.GetOrd(Obj);
  if (Prop.GetObj) return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(Prop.GetObj(Obj)));
  NoAccess(Prop, "read as an ordinal");
}

void SetOrdProp(TObject& Obj, const TPropInfo& Prop, std::int64_t Value) {
  if (!Prop.SetOrd) NoAccess(Prop, "written as an ordinal");
  Prop.SetOrd(Obj, Value);
}

TObject* GetObjectProp(const TObject& Obj, const TPropInfo& Prop) {
  if (!Prop.GetObj) NoAccess(Prop, "read as an object");
  return Prop.GetObj(Obj);
}

void SetObjectProp(TObject& Obj, const TPropInfo& Prop, TObject* Value) {
  if (!Prop.SetObj) NoAccess(Prop, "written as an object");
  Prop.SetObj(Obj, Value);
}

double GetFloatProp(const TObject& Obj, const TPropInfo& Prop) {
  if (!Prop.GetFloat) NoAccess(Prop, "read as a number");
  return Prop.GetFloat(Obj);
}

void SetFloatProp(TObject& Obj, const TPropInfo& Prop, double Value) {
  if (!Prop.SetFloat) NoAccess(Prop, "written as a number");
  Prop.SetFloat(Obj, Value);
}

std::string GetEnumName(const TPropInfo& Prop, std::int64_t Value) {
  if (Value < 0 || Value >= static_cast<std::int64_t>(Prop.EnumNames.size())) return std::to_string(Value);
  return Prop.EnumNames[static_cast<std::size_t>(Value)];
}

std::int64_t GetEnumValue(const TPropInfo& Prop, std::string_view Name) {
  for (std::size_t I = 0; I < Prop.EnumNames.size(); ++I)
    if (SameText(Prop.EnumNames[I], Name)) return static_cast<std::int64_t>(I);
  return -1;
}

bool IsStoredProp(const TObject& Obj, const TPropInfo& Prop) {
  if (Prop.IsStored && !Prop.IsStored(Obj)) return false;
  if (Prop.Default && Prop.GetOrd) return Prop.GetOrd(Obj) != *Prop.Default;
  return true;
}

}  // namespace keyloom

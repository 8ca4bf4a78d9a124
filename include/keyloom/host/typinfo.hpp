#pragma once

// Run-time type information of the host framework: classes known by name,
// their ancestry and their published properties with typed accessors.

#include <any>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keyloom {

class TObject;
class TComponent;

enum class TTypeKind : std::uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,  // Booleans are enumerations
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
};

// One published property. Accessors that do not apply to the kind are empty.
struct TPropInfo {
  std::string Name;
  TTypeKind Kind = TTypeKind::tkUnknown;
  std::string TypeName;                // "Boolean", "TCaption", "TStrings", ...
  std::vector<std::string> EnumNames;  // enumerations by ordinal; sets: element names by bit
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<std::int64_t(const TObject&)> GetOrd;  // integers, enumerations, sets
  std::function<void(TObject&, std::int64_t)> SetOrd;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<TObject*(const TObject&)> GetObj;  // class references
  std::function<void(TObject&, TObject*)> SetObj;
  // Events: the handler as a std::any holding the event's std::function type.
  std::function<void(TObject&, const std::any&)> SetMethod;
  std::function<bool(const TObject&)> HasMethod;
  // Integers that the form file may write as identifiers (clBlue, crHandPoint).
  std::vector<std::pair<std::string, std::int64_t>> IntIdents;
  std::optional<std::int64_t> Default;  // ordinal default; values equal to it are not stored
  std::function<bool(const TObject&)> IsStored;  // empty: always stored
};

// The type information of one class. Infos of compiled classes live as long
// as the program; classes unknown at compile time (read from form files) get
// infos made at run time. Any number of threads may read an info at once;
// AddProp only while no other thread uses it.
class TClassInfo {
 public:
  using TFactory = std::function<TComponent*(TComponent* Owner)>;

  TClassInfo(std::string ClassName, const TClassInfo* Parent, std::vector<TPropInfo> Props = {},
             TFactory Factory = {});

  const std::string& ClassName() const { return FClassName; }
  const TClassInfo* Parent() const { return FParent; }
  // Published properties declared by this class itself.
  const std::deque<TPropInfo>& OwnProps() const { return FProps; }
  // Every published property, ancestors' first; a redeclared name keeps the
  // ancestor's position and takes the descendant's accessors.
  const std::vector<const TPropInfo*>& PropInfos() const {
    return FAllValid.load(std::memory_order_acquire) ? FAll : BuildLists();
  }
  int PropCount() const { return static_cast<int>(PropInfos().size()); }
  // By name without regard to case, as the framework's look-up does.
  const TPropInfo* FindProp(std::string_view Name) const;
  bool InheritsFrom(const TClassInfo* Ancestor) const {
    for (const TClassInfo* C = this; C; C = C->FParent)
      if (C == Ancestor) return true;
    return false;
  }
  bool InheritsFrom(std::string_view AncestorName) const;
  const TFactory& Factory() const { return FFactory; }
  // Never the same for two infos, not even for one made where a freed one
  // was: what is remembered of a class can be known to be still its own.
  std::uint64_t Serial() const { return FSerial; }

  // Adds a property after construction (run-time classes learn theirs as they are read).
  void AddProp(TPropInfo Prop);

 private:
  const std::vector<const TPropInfo*>& BuildLists() const;
  const TPropInfo* LookUpProp(std::string_view Name) const;
  void Publish(const TPropInfo* Added);

  std::string FClassName;
  const TClassInfo* FParent;
  // A deque: a property learnt later leaves the others where the lists point.
  std::deque<TPropInfo> FProps;
  TFactory FFactory;
  std::uint64_t FSerial;
  // Built on first use; readers on other threads see it whole once the flag is set.
  mutable std::vector<const TPropInfo*> FAll;
  // FAll by a hash of the lower-case name, open addressing: a form reader asks
  // for a property by name for every line it reads.
  mutable std::vector<const TPropInfo*> FByName;
  mutable std::atomic<bool> FAllValid = false;
  // Properties added since the class was made: what was found by name before may be stale.
  std::atomic<std::uint32_t> FChanges = 0;
};

// Class registry: by name, without regard to case. Safe to use from several
// threads; registering a class that is registered already changes nothing.
void RegisterClass(const TClassInfo& Info);
const TClassInfo* FindClass(std::string_view ClassName);
// Makes (once per name and parent) a run-time class derived from Parent, kept
// for the whole program and shared by every caller. It is mutable so that it
// can learn properties (not while another thread reads it); it is not found by
// FindClass. The form file loader makes its own per form instead.
TClassInfo& RegisterRuntimeClass(std::string_view ClassName, const TClassInfo& Parent);

// The framework's accessors, by object and property.
const TClassInfo* ClassInfo(const TObject* Obj);
const TPropInfo* GetPropInfo(const TObject* Obj, std::string_view Name);
std::vector<const TPropInfo*> GetPropInfos(const TObject* Obj);
std::string GetStrProp(const TObject& Obj, const TPropInfo& Prop);
void SetStrProp(TObject& Obj, const TPropInfo& Prop, const std::string& Value);
std::int64_t GetOrdProp(const TObject& Obj, const TPropInfo& Prop);
void SetOrdProp(TObject& Obj, const TPropInfo& Prop, std::int64_t Value);
TObject* GetObjectProp(const TObject& Obj, const TPropInfo& Prop);
void SetObjectProp(TObject& Obj, const TPropInfo& Prop, TObject* Value);
double GetFloatProp(const TObject& Obj, const TPropInfo& Prop);
void SetFloatProp(TObject& Obj, const TPropInfo& Prop, double Value);
// Enumeration names: "smCaption" <-> 1; -1 when the name is unknown.
std::string GetEnumName(const TPropInfo& Prop, std::int64_t Value);
std::int64_t GetEnumValue(const TPropInfo& Prop, std::string_view Name);
// Whether the framework would store the property's current value with the form.
bool IsStoredProp(const TObject& Obj, const TPropInfo& Prop);

// ASCII-only case folding, as the framework's name comparisons use.
bool SameText(std::string_view A, std::string_view B);
// A hash that agrees with SameText: names equal but for case hash alike.
std::size_t TextHash(std::string_view Text);
std::string LowerCase(std::string_view S);

}  // namespace keyloom

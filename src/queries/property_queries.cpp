#include <keyloom/component_queries.hpp>

namespace keyloom {

// The lookup of the getters and setters: kind and exact name must both match.
// A class publishes one property per name, case aside: the class's own
// look-up finds the only candidate.
const TPropInfo* FindExactProperty(const TObject* Obj, std::string_view Name, TTypeKind Kind) {
  if (!Obj) return nullptr;
  const TPropInfo* Prop = Obj->ClassType().FindProp(Name);
  return Prop && Prop->Kind == Kind && Prop->Name == Name ? Prop : nullptr;
}

bool IsClassType(const TObject* Obj, std::string_view ClassName) {
  if (!Obj) return false;
  for (const TClassInfo* Info = &Obj->ClassType(); Info; Info = Info->Parent())
    if (SameText(Info->ClassName(), ClassName)) return true;
  return false;
}

bool IsClassInList(const TObject* Obj, const TStrings& ClassNames) {
  for (const std::string& ClassName : ClassNames.Items())
    if (IsClassType(Obj, ClassName)) return true;
  return false;
}

bool HasProperty(const TObject* Obj, std::string_view Name, TTypeKind Kind) {
  if (!Obj) return false;
  const TPropInfo* Prop = Obj->ClassType().FindProp(Name);
  return Prop && Prop->Kind == Kind;
}

void CallPropertyProc(TObject* Obj, std::string_view Name, TTypeKind Kind, const TPropertyProc& Proc) {
  const TPropInfo* Prop = FindExactProperty(Obj, Name, Kind);
  if (!Prop || !Proc) return;
  Proc(*Obj, *Prop);
}

std::string GetPropertyLongString(const TObject* Obj, std::string_view Name) {
  const TPropInfo* Prop = FindExactProperty(Obj, Name, TTypeKind::tkLString);
  if (!Prop) return {};
  return GetStrProp(*Obj, *Prop);
}

void SetPropertyLongString(TObject* Obj, std::string_view Name, const std::string& Value) {
  const TPropInfo* Prop = FindExactProperty(Obj, Name, TTypeKind::tkLString);
  if (!Prop) return;
  SetStrProp(*Obj, *Prop, Value);
}

bool GetPropertyBoolean(const TObject* Obj, std::string_view Name) {
  const TPropInfo* Prop = FindExactProperty(Obj, Name, TTypeKind::tkEnumeration);
  if (!Prop) return false;
  // Only the low byte is kept; an enumeration value other than 1 there is not true.
  return (GetOrdProp(*Obj, *Prop) & 0xFF) == 1;
}

TObject* GetPropertyObject(const TObject* Obj, std::string_view Name) {
  const TPropInfo* Prop = FindExactProperty(Obj, Name, TTypeKind::tkClass);
  if (!Prop) return nullptr;
  return GetObjectProp(*Obj, *Prop);
}

}  // namespace keyloom

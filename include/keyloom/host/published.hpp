#pragma once

// Builders for published properties, used by classes to describe themselves.

#include <keyloom/host/classes.hpp>

#include <any>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace keyloom::published {

// The object a property of T is read from or written to. Properties are
// looked up on the object's own class, so this only guards against misuse.
template <class T>
T& As(TObject& Obj) {
  T* Typed = AsClass<T>(&Obj);
  if (!Typed) throw EKeyloomError("Property of " + T::StaticClassInfo().ClassName() + " used on " + Obj.ClassName());
  return *Typed;
}
template <class T>
const T& As(const TObject& Obj) {
  return As<T>(const_cast<TObject&>(Obj));
}

template <class T>
TClassInfo::TFactory Factory() {
  return [](TComponent* Owner) -> TComponent* { return new T(Owner); };
}

template <class T, class G, class S>
TPropInfo String(std::string Name, G Get, S Set, std::string TypeName = "TCaption") {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkLString;
  P.TypeName = std::move(TypeName);
  P.GetStr = [Get](const TObject& O) { return std::string(std::invoke(Get, As<T>(O))); };
  P.SetStr = [Set](TObject& O, const std::string& V) { std::invoke(Set, As<T>(O), V); };
  return P;
}

template <class T, class G, class S>
TPropInfo Integer(std::string Name, G Get, S Set, std::optional<std::int64_t> Default = std::nullopt,
                  std::string TypeName = "Integer") {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkInteger;
  P.TypeName = std::move(TypeName);
  P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, As<T>(O))); };
  P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, As<T>(O), static_cast<int>(V)); };
  P.Default = Default;
  return P;
}

template <class T, class G, class S>
TPropInfo Boolean(std::string Name, G Get, S Set, std::optional<bool> Default = std::nullopt) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkEnumeration;
  P.TypeName = "Boolean";
  P.EnumNames = {"False", "True"};
  P.GetOrd = [Get](const TObject& O) { return std::invoke(Get, As<T>(O)) ? std::int64_t{1} : std::int64_t{0}; };
  P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, As<T>(O), V != 0); };
  if (Default) P.Default = *Default ? 1 : 0;
  return P;
}

template <class T, class E, class G, class S>
TPropInfo Enumeration(std::string Name, std::string TypeName, std::vector<std::string> Names, G Get, S Set,
                      std::optional<E> Default = std::nullopt) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkEnumeration;
  P.TypeName = std::move(TypeName);
  P.EnumNames = std::move(Names);
  const auto Count = static_cast<std::int64_t>(P.EnumNames.size());
  P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, As<T>(O))); };
  P.SetOrd = [Set, Count](TObject& O, std::int64_t V) {
    if (V < 0 || V >= Count) throw EKeyloomError("Invalid property value");
    std::invoke(Set, As<T>(O), static_cast<E>(V));
  };
  if (Default) P.Default = static_cast<std::int64_t>(*Default);
  return P;
}

// A set, held as a bit mask with bit i for EnumNames[i].
template <class T, class G, class S>
TPropInfo Set(std::string Name, std::string TypeName, std::vector<std::string> Names, G Get, S Set,
              std::optional<std::int64_t> Default = std::nullopt) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkSet;
  P.TypeName = std::move(TypeName);
  P.EnumNames = std::move(Names);
  P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, As<T>(O))); };
  P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, As<T>(O), static_cast<std::uint32_t>(V)); };
  P.Default = Default;
  return P;
}

// A reference to another object of class R (or nil).
template <class T, class R, class G, class S>
TPropInfo Object(std::string Name, std::string TypeName, G Get, S Set) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkClass;
  P.TypeName = std::move(TypeName);
  P.GetObj = [Get](const TObject& O) -> TObject* { return std::invoke(Get, As<T>(O)); };
  P.SetObj = [Set](TObject& O, TObject* V) {
    R* Typed = AsClass<R>(V);
    if (V && !Typed) throw EKeyloomError("Invalid property value: " + V->ClassName());
    std::invoke(Set, As<T>(O), Typed);
  };
  return P;
}

// A persistent sub-object owned by T (a font, a string list): read through
// its own properties; setting it copies.
template <class T, class R, class G>
TPropInfo Owned(std::string Name, std::string TypeName, G Get) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkClass;
  P.TypeName = std::move(TypeName);
  P.GetObj = [Get](const TObject& O) -> TObject* { return std::invoke(Get, As<T>(O)); };
  P.SetObj = [Get](TObject& O, TObject* V) {
    R* Target = std::invoke(Get, As<T>(O));
    const R* Source = AsClass<R>(V);
    if (!Target || !Source) throw EKeyloomError("Invalid property value");
    Target->Assign(*Source);
  };
  return P;
}

// An event: a member std::function of T, bound by a handler held in a std::any.
template <class T, class F, class B>
TPropInfo Event(std::string Name, std::string TypeName, F B::*Member) {
  TPropInfo P;
  P.Name = std::move(Name);
  P.Kind = TTypeKind::tkMethod;
  P.TypeName = std::move(TypeName);
  P.SetMethod = [Member](TObject& O, const std::any& Handler) {
    const F* Typed = std::any_cast<F>(&Handler);
    if (Handler.has_value() && !Typed) throw EKeyloomError("Event handler of the wrong type");
    As<T>(O).*Member = Typed ? *Typed : F{};
  };
  P.HasMethod = [Member](const TObject& O) { return static_cast<bool>(As<T>(O).*Member); };
  return P;
}

}  // namespace keyloom::published

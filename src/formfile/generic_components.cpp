#include "formfile/generic_components.hpp"

#include <keyloom/host/published.hpp>

namespace keyloom::formfile {

namespace P = published;

const TClassInfo& TGenericControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TGenericControl", &TControl::StaticClassInfo(), {}, P::Factory<TGenericControl>());
  return Info;
}

const TClassInfo& TGenericContainer::MakeStaticClassInfo() {
  static const TClassInfo Info("TGenericContainer", &TCustomControl::StaticClassInfo(), {},
                               P::Factory<TGenericContainer>());
  return Info;
}

const TClassInfo& TGenericWinControl::MakeStaticClassInfo() {
  static const TClassInfo Info("TGenericWinControl", &TWinControl::StaticClassInfo(), {},
                               P::Factory<TGenericWinControl>());
  return Info;
}

TPropertyBag* BagOf(TObject& Object) {
  if (auto* C = AsClass<TGenericControl>(&Object)) return &C->Bag;
  if (auto* C = AsClass<TGenericContainer>(&Object)) return &C->Bag;
  if (auto* C = AsClass<TGenericWinControl>(&Object)) return &C->Bag;
  return nullptr;
}

void LearnStringProperty(TClassInfo& Class, const std::string& Name) {
  if (Class.FindProp(Name)) return;
  TPropInfo Prop;
  Prop.Name = Name;
  Prop.Kind = TTypeKind::tkLString;
  Prop.TypeName = "string";
  if (SameText(Name, "Caption") || SameText(Name, "Text")) {
    Prop.GetStr = [](const TObject& O) { return P::As<TControl>(O).GetText(); };
    Prop.SetStr = [](TObject& O, const std::string& V) { P::As<TControl>(O).SetText(V); };
  } else {
    Prop.GetStr = [Name](const TObject& O) {
      TPropertyBag* Bag = BagOf(const_cast<TObject&>(O));
      if (!Bag) return std::string();
      auto It = Bag->Strings.find(Name);
      return It == Bag->Strings.end() ? std::string() : It->second;
    };
    Prop.SetStr = [Name](TObject& O, const std::string& V) {
      if (TPropertyBag* Bag = BagOf(O)) Bag->Strings[Name] = V;
    };
  }
  Class.AddProp(std::move(Prop));
}

void LearnBooleanProperty(TClassInfo& Class, const std::string& Name) {
  if (Class.FindProp(Name)) return;
  TPropInfo Prop;
  Prop.Name = Name;
  Prop.Kind = TTypeKind::tkEnumeration;
  Prop.TypeName = "Boolean";
  Prop.EnumNames = {"False", "True"};
  Prop.GetOrd = [Name](const TObject& O) -> std::int64_t {
    TPropertyBag* Bag = BagOf(const_cast<TObject&>(O));
    if (!Bag) return 0;
    auto It = Bag->Booleans.find(Name);
    return It != Bag->Booleans.end() && It->second ? 1 : 0;
  };
  Prop.SetOrd = [Name](TObject& O, std::int64_t V) {
    if (TPropertyBag* Bag = BagOf(O)) Bag->Booleans[Name] = V != 0;
  };
  Class.AddProp(std::move(Prop));
}

}  // namespace keyloom::formfile

#include "formfile/component_store.hpp"

#include <keyloom/host/classes.hpp>

#include <charconv>

namespace keyloom::formfile::detail {

namespace {

// Length-prefixed, so that no item text can mimic a separator.
void AppendPiece(std::string& Out, std::string_view Piece) {
  Out += std::to_string(Piece.size());
  Out += ':';
  Out += Piece;
}

std::string FloatText(double Value) {
  char Buffer[64];
  auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  return std::string(Buffer, Result.ptr);
}

}  // namespace

struct TComponentWriter::TWalk {
  const TComponent* Component = nullptr;  // whose events are written; nil inside collection items
  bool WithValues = false;
  std::vector<TPublishedValue>* Out = nullptr;
  TSnapshot* Snap = nullptr;  // instead of Out: canons only
};

struct TComponentWriter::TVisit {
  TWalk& W;
  const TObject& Object;
  const TObject* Fresh;  // the same object of a newly made component, or nil
  const TPropInfo& P;
  const std::string& Prefix;
  bool Allowed;  // the property's own stored test passes

  // Snapshots, taken of every component read, want the canon alone; the
  // path and value are made only when asked for.
  template <class TMakeValue>
  void Add(std::string_view Suffix, std::string Canon, bool Stored, TMakeValue&& MakeValue) const {
    if (W.Snap) {
      W.Snap->Props.push_back(&P);
      W.Snap->Canons.push_back(std::move(Canon));
      return;
    }
    TPublishedValue& V = W.Out->emplace_back();
    V.Prop = &P;
    V.Canon = std::move(Canon);
    if (!W.WithValues) return;
    V.Path = Prefix + P.Name;
    V.Path += Suffix;
    V.Stored = Stored;
    if (Stored) V.Value = MakeValue();
  }
};

TComponentWriter::TComponentWriter(const TComponent& Root, THandlerNameFunc HandlerName)
    : FRoot(Root), FHandlerName(std::move(HandlerName)) {}

TComponentWriter::~TComponentWriter() = default;

std::string_view TComponentWriter::Keep(std::string Text) { return FPool.emplace_back(std::move(Text)); }

const TComponent* TComponentWriter::FreshOf(const TComponent& Component) {
  const TClassInfo* Class = &Component.StaticType();
  auto Found = FFresh.find(Class);
  if (Found != FFresh.end()) return Found->second.get();
  std::unique_ptr<TComponent> Made;
  try {
    if (Class->Factory()) Made.reset(Class->Factory()(nullptr));
  } catch (const std::exception&) {
    // A class that cannot be made on its own gives no construction values.
  }
  return (FFresh[Class] = std::move(Made)).get();
}

std::string TComponentWriter::ReferenceName(const TComponent* Target) const {
  if (!Target) return {};
  if (Target == &FRoot) return FRoot.GetName();
  if (Target->GetName().empty()) return {};
  const TComponent* Owner = Target->GetOwner();
  if (Owner == &FRoot) return Target->GetName();
  // A frame's component, or one of another form.
  if (Owner && !Owner->GetName().empty()) return Owner->GetName() + "." + Target->GetName();
  return {};
}

std::vector<TPublishedValue> TComponentWriter::Values(const TComponent& Component, bool WithValues) {
  std::vector<TPublishedValue> Out;
  Out.reserve(Component.ClassType().PropInfos().size() + 8);
  TWalk W{&Component, WithValues, &Out, nullptr};
  Walk(W, Component, WithValues ? FreshOf(Component) : nullptr, {});
  return Out;
}

TSnapshot TComponentWriter::Snapshot(const TComponent& Component) {
  TSnapshot Result;
  const std::size_t Expected = Component.ClassType().PropInfos().size() + 8;  // sub-objects add a few
  Result.Props.reserve(Expected);
  Result.Canons.reserve(Expected);
  TWalk W{&Component, false, nullptr, &Result};
  Walk(W, Component, nullptr, {});
  return Result;
}

void TComponentWriter::WalkCollectionItem(const TObject& Item, std::vector<TProperty>& Out, const std::string& Prefix) {
  std::vector<TPublishedValue> Values;
  TWalk W{nullptr, true, &Values, nullptr};
  Walk(W, Item, nullptr, Prefix);
  for (TPublishedValue& V : Values) {
    if (!V.Stored) continue;
    TProperty P;
    P.FName = Keep(std::move(V.Path));
    P.FValue = std::move(V.Value);
    Out.push_back(std::move(P));
  }
}

// The framework's rules: an ordinal with a default is stored when it differs
// from it, one without a default always; a string, list or collection when it
// is not empty, and also when it is empty while a newly made component's is
// not (so that it reads back empty instead of taking the constructor's value);
// a float likewise when not zero; a reference when it names a component; an
// event when its handler has a name; sub-objects property by property.
void TComponentWriter::Walk(TWalk& W, const TObject& Object, const TObject* Fresh, const std::string& Prefix) {
  const bool Top = Prefix.empty() && &Object == W.Component;
  for (const TPropInfo* P : Object.ClassType().PropInfos()) {
    if (Top && SameText(P->Name, "Name")) continue;  // the object's header carries it
    const bool Allowed = !P->IsStored || P->IsStored(Object);
    WalkProperty(TVisit{W, Object, Fresh, *P, Prefix, Allowed});
  }
}

void TComponentWriter::WalkProperty(const TVisit& V) {
  switch (V.P.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
      AddInteger(V);
      break;
    case TTypeKind::tkEnumeration:
      AddEnumeration(V);
      break;
    case TTypeKind::tkSet:
      AddSet(V);
      break;
    case TTypeKind::tkFloat:
      AddFloat(V);
      break;
    case TTypeKind::tkString:
    case TTypeKind::tkLString:
    case TTypeKind::tkWString:
      AddString(V);
      break;
    case TTypeKind::tkClass:
      AddObject(V);
      break;
    case TTypeKind::tkMethod:
      if (!V.W.Component || !FHandlerName) break;
      AddName(V, "m:", FHandlerName(*V.W.Component, V.P.Name));
      break;
    default:
      break;
  }
}

void TComponentWriter::AddInteger(const TVisit& V) {
  if (!V.P.GetOrd) return;
  const std::int64_t N = V.P.GetOrd(V.Object);
  V.Add({}, "i:" + std::to_string(N), IsStoredProp(V.Object, V.P), [&] {
    for (const auto& [Name, Value] : V.P.IntIdents)
      if (Value == N) return TValue(TIdent{Keep(Name)});
    return TValue(N);
  });
}

void TComponentWriter::AddEnumeration(const TVisit& V) {
  if (!V.P.GetOrd) return;
  const std::int64_t N = V.P.GetOrd(V.Object);
  V.Add({}, "e:" + std::to_string(N), IsStoredProp(V.Object, V.P), [&] {
    if (V.P.TypeName == "Boolean") return TValue(N != 0);
    if (N >= 0 && static_cast<std::size_t>(N) < V.P.EnumNames.size())
      return TValue(TIdent{Keep(V.P.EnumNames[static_cast<std::size_t>(N)])});
    return TValue(N);
  });
}

void TComponentWriter::AddSet(const TVisit& V) {
  if (!V.P.GetOrd) return;
  const std::int64_t Mask = V.P.GetOrd(V.Object);
  V.Add({}, "s:" + std::to_string(Mask), IsStoredProp(V.Object, V.P), [&] {
    TSet Set;
    for (std::size_t Bit = 0; Bit < V.P.EnumNames.size() && Bit < 63; ++Bit)
      if (Mask & (std::int64_t{1} << Bit)) Set.FNames.push_back(Keep(V.P.EnumNames[Bit]));
    return TValue(std::move(Set));
  });
}

void TComponentWriter::AddFloat(const TVisit& V) {
  if (!V.P.GetFloat) return;
  const double Value = V.P.GetFloat(V.Object);
  const bool Stored = V.Allowed && (Value != 0 || (V.Fresh && V.P.GetFloat(*V.Fresh) != 0));
  V.Add({}, "f:" + FloatText(Value), Stored, [&] { return TValue(TFloat{Value, 0, {}}); });
}

void TComponentWriter::AddString(const TVisit& V) {
  if (!V.P.GetStr) return;
  std::string Value = V.P.GetStr(V.Object);
  bool Stored = V.Allowed && !Value.empty();
  if (V.Allowed && Value.empty() && V.W.WithValues && V.Fresh) Stored = !V.P.GetStr(*V.Fresh).empty();
  V.Add({}, "t:" + Value, Stored, [&] { return TValue(std::move(Value)); });
}

void TComponentWriter::AddObject(const TVisit& V) {
  if (!V.P.GetObj) return;
  const TObject* Sub = V.P.GetObj(V.Object);
  const TObject* FreshSub = V.Fresh ? V.P.GetObj(*V.Fresh) : nullptr;
  if (const auto* Strings = AsClass<TStrings>(Sub)) {
    AddStrings(V, *Strings, AsClass<TStrings>(FreshSub));
  } else if (const auto* Items = AsClass<keyloom::TCollection>(Sub)) {
    AddCollection(V, *Items, AsClass<keyloom::TCollection>(FreshSub));
  } else if (Sub && !AsClass<TComponent>(Sub)) {
    WalkSubObject(V, *Sub, FreshSub);
  } else {
    AddName(V, "r:", ReferenceName(AsClass<TComponent>(Sub)));
  }
}

void TComponentWriter::AddStrings(const TVisit& V, const TStrings& Strings, const TStrings* FreshStrings) {
  std::string Canon = "l:";
  for (const std::string& Item : Strings.Items()) AppendPiece(Canon, Item);
  const bool Stored = V.Allowed && (Strings.Count() > 0 || (FreshStrings && FreshStrings->Count() > 0));
  V.Add(".Strings", std::move(Canon), Stored, [&] {
    TList List;
    for (const std::string& Item : Strings.Items()) List.FItems.emplace_back(Item);
    return TValue(std::move(List));
  });
}

void TComponentWriter::AddCollection(const TVisit& V, const keyloom::TCollection& Items,
                                     const keyloom::TCollection* FreshItems) {
  std::string Canon = "c:";
  std::vector<std::vector<TProperty>> Entries;
  for (int I = 0; I < Items.Count(); ++I) {
    if (V.W.WithValues) {
      Entries.emplace_back();
      WalkCollectionItem(*Items.GetItem(I), Entries.back(), {});
    }
    AppendPiece(Canon, ItemCanon(*Items.GetItem(I)));
  }
  const bool Stored = V.Allowed && (Items.Count() > 0 || (FreshItems && FreshItems->Count() > 0));
  V.Add({}, std::move(Canon), Stored, [&] {
    TCollection Collection;
    for (std::vector<TProperty>& Properties : Entries) {
      TCollectionItem Item;
      Item.FProperties = std::move(Properties);
      Collection.FItems.push_back(std::move(Item));
    }
    return TValue(std::move(Collection));
  });
}

std::string TComponentWriter::ItemCanon(const TObject& Item) {
  TSnapshot Inner;
  TWalk Canons{nullptr, false, nullptr, &Inner};
  Walk(Canons, Item, nullptr, {});
  std::string Canon;
  for (std::size_t K = 0; K < Inner.Props.size(); ++K) {
    AppendPiece(Canon, Inner.Props[K]->Name);
    AppendPiece(Canon, Inner.Canons[K]);
  }
  return Canon;
}

// An owned sub-object (a font): its own properties, under its name.
void TComponentWriter::WalkSubObject(const TVisit& V, const TObject& Sub, const TObject* FreshSub) {
  const std::size_t First = V.W.Out ? V.W.Out->size() : 0;
  Walk(V.W, Sub, FreshSub, V.Prefix + V.P.Name + ".");
  if (V.Allowed || !V.W.Out) return;
  for (std::size_t I = First; I < V.W.Out->size(); ++I) (*V.W.Out)[I].Stored = false;
}

// References and event handlers: stored when they name something.
void TComponentWriter::AddName(const TVisit& V, std::string_view Tag, std::string Name) {
  const bool Stored = V.Allowed && !Name.empty();
  V.Add({}, std::string(Tag) + Name, Stored, [&] { return TValue(TIdent{Keep(Name)}); });
}

bool SameData(const TValue& A, const TValue& B) {
  if (A.Kind() != B.Kind()) return false;
  switch (A.Kind()) {
    case TValueKind::Integer:
      return std::get<std::int64_t>(A.FData) == std::get<std::int64_t>(B.FData);
    case TValueKind::Float: {
      const TFloat& X = std::get<TFloat>(A.FData);
      const TFloat& Y = std::get<TFloat>(B.FData);
      return X.FValue == Y.FValue && X.FSuffix == Y.FSuffix;
    }
    case TValueKind::String:
      return *A.String() == *B.String();
    case TValueKind::Ident:
      return SameText(A.Ident(), B.Ident());
    case TValueKind::Boolean:
      return std::get<bool>(A.FData) == std::get<bool>(B.FData);
    case TValueKind::Nil:
      return true;
    case TValueKind::Set: {
      const auto& X = std::get<TSet>(A.FData).FNames;
      const auto& Y = std::get<TSet>(B.FData).FNames;
      if (X.size() != Y.size()) return false;
      for (std::size_t I = 0; I < X.size(); ++I)
        if (!SameText(X[I], Y[I])) return false;
      return true;
    }
    case TValueKind::List: {
      const auto& X = A.List()->FItems;
      const auto& Y = B.List()->FItems;
      if (X.size() != Y.size()) return false;
      for (std::size_t I = 0; I < X.size(); ++I)
        if (!SameData(X[I], Y[I])) return false;
      return true;
    }
    case TValueKind::Binary:
      return std::get<TBinary>(A.FData).FBytes == std::get<TBinary>(B.FData).FBytes;
    case TValueKind::Collection: {
      const auto& X = A.Collection()->FItems;
      const auto& Y = B.Collection()->FItems;
      if (X.size() != Y.size()) return false;
      for (std::size_t I = 0; I < X.size(); ++I) {
        const auto& PX = X[I].FProperties;
        const auto& PY = Y[I].FProperties;
        if (PX.size() != PY.size()) return false;
        for (std::size_t J = 0; J < PX.size(); ++J)
          if (!SameText(PX[J].FName, PY[J].FName) || !SameData(PX[J].FValue, PY[J].FValue)) return false;
      }
      return true;
    }
  }
  return false;
}

}  // namespace keyloom::formfile::detail

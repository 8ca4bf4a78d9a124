#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include "formfile/generic_components.hpp"

#include <map>
#include <set>

namespace keyloom::formfile {

namespace {

std::vector<std::string_view> SplitDotted(std::string_view Name) {
  std::vector<std::string_view> Parts;
  std::size_t Start = 0;
  while (true) {
    std::size_t Dot = Name.find('.', Start);
    Parts.push_back(Name.substr(Start, Dot == std::string_view::npos ? std::string_view::npos : Dot - Start));
    if (Dot == std::string_view::npos) return Parts;
    Start = Dot + 1;
  }
}

struct TFixup {
  TObject* Target;
  const TPropInfo* Prop;
  std::string Reference;
  TComponent* LookupRoot;
};

}  // namespace

// Streams the objects of a document into host components.
class TFormReader {
 public:
  TFormReader(TLoadedForm& Loaded, const TLoadOptions& Options) : F(Loaded), O(Options) {}

  void Read() {
    TObjectNode& Root = F.FDocument.Root();
    FindContainerClasses(Root);
    TCustomForm& Form = *F.FForm;
    Form.BeginLoading();
    if (O.Designing) Form.SetDesigning(true);
    if (!O.Root && !SameText(Root.FClassName, "TForm")) {
      // The root is a form whatever its class; it keeps its class's name.
      Form.SetRuntimeClass(&RegisterRuntimeClass(Root.FClassName, TForm::StaticClassInfo()));
    }
    SetName(Form, Root);
    Created.push_back(&Form);
    Record(Form, Root);
    ApplyProperties(Form, Root);
    for (TObjectNode* Child : Root.FChildren) ReadObject(*Child, &Form, &Form);
    ResolveFixups();
    for (TComponent* C : Created) RecordCaptions(*C);
    for (TComponent* C : Created) C->Loaded();
  }

 private:
  [[noreturn]] void Fail(const TObjectNode& Node, const std::string& Message) {
    throw EFormFileError(F.FDocument.FileName(), Node.FPosition.FLine, Node.FPosition.FColumn, Message);
  }

  void FindContainerClasses(const TObjectNode& Root) {
    std::vector<const TObjectNode*> Pending{&Root};
    while (!Pending.empty()) {
      const TObjectNode* Node = Pending.back();
      Pending.pop_back();
      if (!Node->FChildren.empty()) ContainerClasses.insert(LowerCase(Node->FClassName));
      for (const TObjectNode* Child : Node->FChildren) Pending.push_back(Child);
    }
  }

  // The class an object is made as, and the run-time class it stands for (or nil).
  std::pair<const TClassInfo*, const TClassInfo*> ResolveClass(const TObjectNode& Node) {
    const std::string_view Name = Node.FClassName;
    for (const auto& [From, To] : O.ClassMap) {
      if (!SameText(From, Name)) continue;
      const TClassInfo* Target = FindClass(To);
      if (!Target || !Target->Factory()) Fail(Node, "class map names unknown class " + To);
      if (SameText(To, Name)) return {Target, nullptr};
      return {Target, &RegisterRuntimeClass(Name, *Target)};
    }
    if (const TClassInfo* Known = FindClass(Name); Known && Known->Factory()) return {Known, nullptr};
    ++F.FUnknownObjects;
    if (SeenUnknown.insert(LowerCase(Name)).second) F.FUnknownClasses.emplace_back(Name);
    const TClassInfo& Generic = ContainerClasses.count(LowerCase(Name)) ? TGenericContainer::StaticClassInfo()
                                                                        : TGenericControl::StaticClassInfo();
    return {&Generic, &RegisterRuntimeClass(Name, Generic)};
  }

  void SetName(TComponent& C, const TObjectNode& Node) {
    if (Node.FName.empty()) return;
    try {
      C.SetName(std::string(Node.FName));
    } catch (const EComponentError& E) {
      Fail(Node, E.what());
    }
  }

  void Record(TComponent& C, TObjectNode& Node) {
    F.FOrigins[&C].Node = &Node;
    F.FOrder.push_back(&C);
  }

  static void PlaceInParent(TComponent& C, TComponent* Enclosing) {
    if (auto* Control = dynamic_cast<TControl*>(&C)) {
      for (TComponent* P = Enclosing; P; P = P->GetParentComponent())
        if (auto* Parent = dynamic_cast<TWinControl*>(P)) {
          Control->SetParent(Parent);
          return;
        }
      return;
    }
    if (auto* Item = dynamic_cast<TMenuItem*>(&C)) {
      if (auto* Menu = dynamic_cast<TMenu*>(Enclosing))
        Menu->GetItems()->Add(Item);
      else if (auto* ParentItem = dynamic_cast<TMenuItem*>(Enclosing))
        ParentItem->Add(Item);
    }
  }

  void ReadObject(TObjectNode& Node, TComponent* Enclosing, TComponent* LookupRoot) {
    auto [Made, Runtime] = ResolveClass(Node);
    // Objects belong to the form; the entries an inline frame overrides belong
    // to the frame. Some inline components own their nested objects too (an
    // editor's gutter parts, named alike in every editor of a form): an object
    // whose name the form already has goes to its inline component.
    TComponent* Owner = F.FForm;
    TComponent* Taken = Node.FName.empty() ? nullptr : F.FForm->FindComponent(Node.FName);
    if (Node.FKind == TObjectKind::Inherited || (LookupRoot != F.FForm && Taken)) {
      Owner = LookupRoot;
    } else if (Taken && InlineHome.count(Taken)) {
      // The earlier one was read inside an inline block: it belongs there.
      InlineHome[Taken]->InsertComponent(Taken);
    }
    TComponent* C = Made->Factory()(Owner);
    if (Runtime) C->SetRuntimeClass(Runtime);
    if (LookupRoot != F.FForm && Owner == F.FForm) InlineHome[C] = LookupRoot;
    C->BeginLoading();
    Created.push_back(C);
    Record(*C, Node);
    try {
      PlaceInParent(*C, Enclosing);
    } catch (const EComponentError& E) {
      Fail(Node, E.what());
    }
    SetName(*C, Node);
    if (Node.FKind == TObjectKind::Inline) C->SetInline(true);
    ApplyProperties(*C, Node);
    TComponent* ChildRoot = Node.FKind == TObjectKind::Inline ? C : LookupRoot;
    for (TObjectNode* Child : Node.FChildren) ReadObject(*Child, C, ChildRoot);
    if (Node.FIndex)
      if (auto* Control = dynamic_cast<TControl*>(C); Control && Control->GetParent())
        Control->GetParent()->SetChildOrder(Control, static_cast<int>(*Node.FIndex));
  }

  void ApplyProperties(TComponent& C, TObjectNode& Node) {
    for (TProperty& P : Node.FProperties) {
      if (P.FRemoved) continue;
      try {
        ApplyProperty(C, P, LookupRootOf(C));
      } catch (const EFormFileError&) {
        throw;
      } catch (const EKeyloomError&) {
        // A value the host refuses stays in the file as it is; the pipeline never fails on content.
      }
    }
  }

  TComponent* LookupRootOf(TComponent& C) {
    TComponent* Owner = C.GetOwner();
    return Owner ? Owner : &C;
  }

  void ApplyProperty(TComponent& C, const TProperty& P, TComponent* LookupRoot) {
    const auto Path = SplitDotted(P.FName);
    TObject* Target = &C;
    for (std::size_t I = 0; I + 1 < Path.size(); ++I) {
      const TPropInfo* Info = GetPropInfo(Target, Path[I]);
      if (!Info || Info->Kind != TTypeKind::tkClass || !Info->GetObj) return;
      Target = GetObjectProp(*Target, *Info);
      if (!Target) return;
    }
    const std::string_view Last = Path.back();
    const TValue& V = P.FValue;
    if (auto* Strings = dynamic_cast<TStrings*>(Target); Strings && SameText(Last, "Strings")) {
      if (const TList* L = V.List()) {
        std::vector<std::string> Items;
        for (const TValue& Item : L->FItems)
          if (const std::string* S = Item.String()) Items.push_back(*S);
        Strings->Assign(Items);
      }
      return;
    }
    const TPropInfo* Info = GetPropInfo(Target, Last);
    if (!Info && Target == &C) Info = Learn(C, Last, V);
    if (!Info) return;
    SetValue(*Target, *Info, V, LookupRoot);
  }

  // A generic component publishes what its file stores for it.
  const TPropInfo* Learn(TComponent& C, std::string_view Name, const TValue& V) {
    if (!BagOf(C)) return nullptr;
    auto& Class = const_cast<TClassInfo&>(C.ClassType());
    if (V.String())
      LearnStringProperty(Class, std::string(Name));
    else if (V.Kind() == TValueKind::Boolean)
      LearnBooleanProperty(Class, std::string(Name));
    else
      return nullptr;
    return Class.FindProp(Name);
  }

  void SetValue(TObject& Target, const TPropInfo& Info, const TValue& V, TComponent* LookupRoot) {
    switch (Info.Kind) {
      case TTypeKind::tkLString:
      case TTypeKind::tkString:
      case TTypeKind::tkWString:
        if (const std::string* S = V.String()) SetStrProp(Target, Info, *S);
        return;
      case TTypeKind::tkInteger:
      case TTypeKind::tkInt64:
        if (const auto* I = std::get_if<std::int64_t>(&V.FData)) {
          SetOrdProp(Target, Info, *I);
        } else if (V.Kind() == TValueKind::Ident) {
          for (const auto& [Name, Value] : Info.IntIdents)
            if (SameText(Name, V.Ident())) SetOrdProp(Target, Info, Value);
        }
        return;
      case TTypeKind::tkEnumeration:
        if (const bool* B = std::get_if<bool>(&V.FData)) {
          SetOrdProp(Target, Info, *B ? 1 : 0);
        } else if (V.Kind() == TValueKind::Ident) {
          const std::int64_t Value = GetEnumValue(Info, V.Ident());
          if (Value >= 0) SetOrdProp(Target, Info, Value);
        }
        return;
      case TTypeKind::tkSet:
        if (const auto* S = std::get_if<TSet>(&V.FData)) {
          std::int64_t Mask = 0;
          for (std::string_view Name : S->FNames) {
            const std::int64_t Bit = GetEnumValue(Info, Name);
            if (Bit >= 0) Mask |= std::int64_t{1} << Bit;
          }
          SetOrdProp(Target, Info, Mask);
        }
        return;
      case TTypeKind::tkFloat:
        if (const auto* Fl = std::get_if<TFloat>(&V.FData))
          SetFloatProp(Target, Info, Fl->FValue);
        else if (const auto* I = std::get_if<std::int64_t>(&V.FData))
          SetFloatProp(Target, Info, static_cast<double>(*I));
        return;
      case TTypeKind::tkClass:
        if (const TCollection* Items = V.Collection()) {
          if (!Info.GetObj) return;
          if (auto* Collection = dynamic_cast<keyloom::TCollection*>(GetObjectProp(Target, Info)))
            ReadCollection(*Collection, *Items, LookupRoot);
        } else if (V.Kind() == TValueKind::Nil && Info.SetObj)
          SetObjectProp(Target, Info, nullptr);
        else if (V.Kind() == TValueKind::Ident && Info.SetObj)
          Fixups.push_back({&Target, &Info, std::string(V.Ident()), LookupRoot});
        return;
      case TTypeKind::tkMethod:
        if (V.Kind() == TValueKind::Ident && O.FindMethod && Info.SetMethod) {
          std::any Handler = O.FindMethod(V.Ident(), Info);
          if (Handler.has_value()) Info.SetMethod(Target, Handler);
        }
        return;
      default:
        return;
    }
  }

  // As the framework reads a collection: emptied, then one item per entry.
  void ReadCollection(keyloom::TCollection& Collection, const TCollection& Items, TComponent* LookupRoot) {
    Collection.Clear();
    for (const TCollectionItem& Entry : Items.FItems) {
      TObject* Item = Collection.Add();
      for (const TProperty& P : Entry.FProperties) {
        const auto Path = SplitDotted(P.FName);
        TObject* Target = Item;
        for (std::size_t I = 0; Target && I + 1 < Path.size(); ++I) {
          const TPropInfo* Info = GetPropInfo(Target, Path[I]);
          Target = Info && Info->Kind == TTypeKind::tkClass && Info->GetObj ? GetObjectProp(*Target, *Info) : nullptr;
        }
        const TPropInfo* Info = Target ? GetPropInfo(Target, Path.back()) : nullptr;
        if (!Info) continue;
        try {
          SetValue(*Target, *Info, P.FValue, LookupRoot);
        } catch (const EKeyloomError&) {
          // As for components: a value the item refuses is left as the file has it.
        }
      }
    }
  }

  TComponent* FindReference(std::string_view Reference, TComponent* LookupRoot) const {
    TComponent* Root = F.FForm;
    const auto Path = SplitDotted(Reference);
    if (Path.size() == 1) {
      if (SameText(Path[0], "Owner")) return LookupRoot;
      if (TComponent* Found = LookupRoot->FindComponent(Path[0])) return Found;
      if (SameText(Path[0], Root->GetName())) return Root;
      return Root->FindComponent(Path[0]);
    }
    // Form.Component: resolvable only for this form.
    if (Path.size() == 2 && SameText(Path[0], Root->GetName())) return Root->FindComponent(Path[1]);
    return nullptr;
  }

  void ResolveFixups() {
    for (const TFixup& Fix : Fixups) {
      TComponent* Found = FindReference(Fix.Reference, Fix.LookupRoot);
      if (!Found) continue;
      try {
        SetObjectProp(*Fix.Target, *Fix.Prop, Found);
      } catch (const EKeyloomError&) {
        // A reference to a component of another kind is left as the file has it.
      }
    }
  }

  void RecordCaptions(TComponent& C) {
    TLoadedForm::TOrigin& Origin = F.FOrigins[&C];
    if (const TPropInfo* Caption = GetPropInfo(&C, "Caption");
        Caption && Caption->Kind == TTypeKind::tkLString && Caption->GetStr) {
      Origin.HasCaption = true;
      Origin.Caption = GetStrProp(C, *Caption);
    }
    if (auto* Group = dynamic_cast<TCustomRadioGroup*>(&C)) Origin.Items = Group->GetItems()->Items();
  }

  TLoadedForm& F;
  const TLoadOptions& O;
  std::vector<TComponent*> Created;
  std::vector<TFixup> Fixups;
  std::set<std::string> ContainerClasses;
  std::set<std::string> SeenUnknown;
  std::map<TComponent*, TComponent*> InlineHome;  // form-owned objects read inside an inline block
};

TLoadedForm::TLoadedForm(TDocument Document, std::unique_ptr<TCustomForm> OwnedForm, TCustomForm* Form)
    : FDocument(std::move(Document)), FOwnedForm(std::move(OwnedForm)), FForm(Form) {}

TLoadedForm::~TLoadedForm() = default;

TObjectNode* TLoadedForm::NodeOf(const TComponent* Component) const {
  auto It = FOrigins.find(Component);
  return It == FOrigins.end() ? nullptr : It->second.Node;
}

TPosition TLoadedForm::PositionOf(const TComponent* Component, std::string_view Property) const {
  TObjectNode* Node = NodeOf(Component);
  if (!Node) return {};
  if (!Property.empty())
    if (const TProperty* P = Node->FindProperty(Property)) return P->FValue.FPosition;
  return Node->FPosition;
}

int TLoadedForm::StoreCaptions() {
  int Written = 0;
  for (const TComponent* C : FOrder) {
    TOrigin& Origin = FOrigins[C];
    if (!Origin.Node || Origin.Node->FRemoved) continue;
    if (Origin.HasCaption) {
      const std::string Now = GetStrProp(*C, *GetPropInfo(C, "Caption"));
      if (Now != Origin.Caption) {
        TProperty* P = Origin.Node->FindProperty("Caption");
        if (P && P->FValue.String()) {
          FDocument.SetString(P->FValue, Now);
        } else if (!P) {
          TValue V;
          V.FData = Now;
          FDocument.InsertProperty(*Origin.Node, "Caption", V);
        } else {
          continue;  // a caption the file writes in a form we do not rewrite
        }
        Origin.Caption = Now;
        ++Written;
      }
    }
    if (auto* Group = dynamic_cast<const TCustomRadioGroup*>(C)) {
      const auto& Now = Group->GetItems()->Items();
      if (Now == Origin.Items) continue;
      TProperty* P = Origin.Node->FindProperty("Items.Strings");
      TList* L = P ? P->FValue.List() : nullptr;
      if (!L) continue;
      std::size_t Index = 0;
      for (TValue& Item : L->FItems) {
        if (!Item.String()) continue;
        if (Index < Now.size() && Index < Origin.Items.size() && Now[Index] != Origin.Items[Index]) {
          FDocument.SetString(Item, Now[Index]);
          Origin.Items[Index] = Now[Index];
          ++Written;
        }
        ++Index;
      }
    }
  }
  return Written;
}

std::unique_ptr<TLoadedForm> LoadForm(TDocument Document, const TLoadOptions& Options) {
  RegisterKeyloomClasses();
  std::unique_ptr<TCustomForm> Owned;
  TCustomForm* Form = Options.Root;
  if (!Form) {
    Owned = std::make_unique<TForm>(nullptr);
    Form = Owned.get();
  }
  auto Loaded = std::make_unique<TLoadedForm>(std::move(Document), std::move(Owned), Form);
  TFormReader Reader(*Loaded, Options);
  Reader.Read();
  return Loaded;
}

std::unique_ptr<TLoadedForm> LoadFormFile(const std::filesystem::path& Path, const TLoadOptions& Options) {
  return LoadForm(TDocument::LoadFromFile(Path), Options);
}

}  // namespace keyloom::formfile

#include <keyloom/formfile/loader.hpp>
#include <keyloom/formfile/window.hpp>
#include <keyloom/host.hpp>
#include <keyloom/support/files.hpp>

#include "formfile/component_store.hpp"
#include "formfile/generic_components.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <unordered_set>

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

// The object a dotted property name ends on ("Font.Style": the font), or nil
// when a step is no object property; Name is left as the last part.
TObject* WalkDotted(TObject* Target, std::string_view& Name) {
  for (std::size_t Dot; Target && (Dot = Name.find('.')) != std::string_view::npos; Name.remove_prefix(Dot + 1)) {
    const TPropInfo* Info = GetPropInfo(Target, Name.substr(0, Dot));
    Target = Info && Info->Kind == TTypeKind::tkClass && Info->GetObj ? GetObjectProp(*Target, *Info) : nullptr;
  }
  return Target;
}

detail::TComponentWriter WriterFor(const TLoadedForm& Loaded, const TComponent& Root) {
  return detail::TComponentWriter(Root, [&Loaded](const TComponent& C, std::string_view Event) {
    return Loaded.HandlerName(&C, Event);
  });
}

struct TFixup {
  TObject* Target;
  const TPropInfo* Prop;
  std::string Reference;
  TComponent* LookupRoot;
};

// Past this many files in one chain of ancestors and frames the window is taken to be broken.
constexpr std::size_t MaxWindowDepth = 64;

// The last part of every `FocusControl = X` value: the objects labels focus.
void CollectFocusTargets(const TObjectNode& Root, std::unordered_set<std::string>& Out) {
  std::vector<const TObjectNode*> Pending{&Root};
  while (!Pending.empty()) {
    const TObjectNode* Node = Pending.back();
    Pending.pop_back();
    for (const TProperty& P : Node->FProperties) {
      if (!SameText(P.FName, "FocusControl")) continue;
      std::string_view Target = P.FValue.Ident();
      if (const std::size_t Dot = Target.rfind('.'); Dot != std::string_view::npos) Target.remove_prefix(Dot + 1);
      if (!Target.empty()) Out.insert(LowerCase(Target));
    }
    for (const TObjectNode* Child : Node->FChildren) Pending.push_back(Child);
  }
}

}  // namespace

// Streams the objects of a document into host components.
class TFormReader {
 public:
  TFormReader(TLoadedForm& Loaded, const TLoadOptions& Options) : F(Loaded), O(Options), StreamRoot(Loaded.FForm) {}

  void Read() {
    TObjectNode& Root = F.FDocument.Root();
    FindContainerClasses(Root);
    CollectFocusTargets(Root, FocusTargets);
    TCustomForm& Form = *F.FForm;
    Form.BeginLoading();
    if (O.Designing) Form.SetDesigning(true);
    if (!O.Root && !SameText(Root.FClassName, "TForm")) {
      // The root is a form whatever its class; it keeps its class's name.
      Form.SetRuntimeClass(RuntimeClass(Root.FClassName, TForm::StaticClassInfo()));
    }
    SetName(Form, Root);
    Created.push_back(&Form);
    Record(Form, Root);
    if (O.Window && !F.FDocument.FileName().empty()) {
      // As the index names files; a form reached through a link is caught by the depth limit instead.
      Chain.push_back(std::filesystem::absolute(F.FDocument.FileName()).lexically_normal());
      ComposeAncestors(Form, Root);
    }
    ApplyProperties(Form, Root);
    for (TObjectNode* Child : Root.FChildren) ReadObject(*Child, &Form, &Form);
    ResolveFixups();
    F.FKeepState = O.KeepState;
    F.FKeepCaptions = O.KeepCaptions;
    if (O.KeepState || O.KeepCaptions) {
      detail::TComponentWriter Writer = WriterFor(F, *F.FForm);
      for (TComponent* C : Created)
        if (F.FOrigins.count(C)) F.RecordState(*C, O.KeepState ? &Writer : nullptr);
    }
    for (TComponent* C : Created) C->Loaded();
  }

 private:
  [[noreturn]] void Fail(const TObjectNode& Node, const std::string& Message) {
    throw EFormFileError(CurrentFile(), Node.FPosition.FLine, Node.FPosition.FColumn, Message);
  }

  const std::string& CurrentFile() const { return Foreign ? Foreign->FileName() : F.FDocument.FileName(); }
  // "in FILE: " while streaming another file than the form's own.
  std::string InOtherFile() const { return Foreign ? "in " + Foreign->FileName() + ": " : std::string(); }

  // The ancestors of the form or frame Root, whose block Node (the root of
  // the file being streamed) says `inherited`: streamed into Root, the most
  // distant first.
  void ComposeAncestors(TComponent& Root, const TObjectNode& Node) {
    if (Node.FKind != TObjectKind::Inherited) return;
    const std::filesystem::path File = CurrentFile();
    const TWindowSources::TAncestor Ancestor = O.Window->AncestorOf(File, Node.FClassName);
    if (Ancestor.ClassName.empty()) {
      F.FWindow.Missing.push_back(InOtherFile() + "the ancestor of " + std::string(Node.FClassName) +
                                  " is not declared (looked in " + Ancestor.Looked + ")");
      return;
    }
    // A class of the framework itself (TForm, TFrame) streams nothing.
    if (FindClass(Ancestor.ClassName)) return;
    const auto Choice = O.Window->FormOf(Ancestor.ClassName, File, InheritedNames(Node));
    if (!Choice) {
      F.FWindow.Missing.push_back(InOtherFile() + "no form file declares " + Ancestor.ClassName + ", the ancestor of " +
                                  std::string(Node.FClassName) + " (looked in " + O.Window->SearchedFolders() + ")");
      return;
    }
    if (!Choice->Note.empty()) F.FWindow.Notes.push_back(InOtherFile() + Choice->Note);
    StreamFile(Root, Choice->File);
  }

  // The frame file an inline block loads, if the window has one.
  std::optional<TWindowSources::TChoice> FrameFile(const TObjectNode& Node) {
    if (!O.Window || Node.FKind != TObjectKind::Inline) return std::nullopt;
    for (const auto& [From, To] : O.ClassMap)
      if (SameText(From, Node.FClassName)) return std::nullopt;
    if (FindClass(Node.FClassName)) return std::nullopt;
    auto Choice = O.Window->FormOf(Node.FClassName, CurrentFile(), InheritedNames(Node));
    if (Choice && !Choice->Note.empty()) F.FWindow.Notes.push_back(InOtherFile() + Choice->Note);
    return Choice;
  }

  // Streams another file of the window into Root (the form, or a frame
  // component): its ancestors, its root's properties, its objects.
  void StreamFile(TComponent& Root, const std::filesystem::path& File) {
    const bool Cycle = std::find(Chain.begin(), Chain.end(), File) != Chain.end();
    if (Cycle || Chain.size() >= MaxWindowDepth) {
      std::string Path;
      for (const auto& Step : Chain) Path += Step.string() + " -> ";
      throw EFormFileError(Chain.front().string(), 0, 0,
                           (Cycle ? "ancestors and frames form a cycle: " : "ancestors and frames nest too deep: ") +
                               Path + File.string());
    }
    std::shared_ptr<TDocument> Document;
    try {
      Document = O.Window->Document(File);
      if (O.OtherFile) Document = O.OtherFile(Document);
    } catch (const EFileReadError& E) {
      F.FWindow.Missing.push_back(File.string() + ": " + E.Message());
      return;
    }
    F.FWindowDocuments.push_back(Document);
    F.FWindow.Files.push_back(File.string());
    TObjectNode& DocRoot = Document->Root();
    FindContainerClasses(DocRoot, false);
    CollectFocusTargets(DocRoot, FocusTargets);
    const TDocument* SavedForeign = Foreign;
    TComponent* SavedRoot = StreamRoot;
    Chain.push_back(File);
    Foreign = Document.get();
    StreamRoot = &Root;
    ComposeAncestors(Root, DocRoot);
    Foreign = Document.get();
    StreamRoot = &Root;
    Composed.insert(&Root);
    Record(Root, DocRoot);
    ApplyProperties(Root, DocRoot);
    for (TObjectNode* Child : DocRoot.FChildren) ReadObject(*Child, &Root, &Root);
    Foreign = SavedForeign;
    StreamRoot = SavedRoot;
    Chain.pop_back();
  }

  // An `inherited` block on a component an ancestor or frame made: its
  // properties change, its children are read into it, it may move.
  void Modify(TComponent& C, TObjectNode& Node, TComponent* LookupRoot) {
    Record(C, Node);
    if (!Foreign) F.FOrigins[&C].Inherited = true;
    ApplyProperties(C, Node);
    TComponent* ChildRoot = C.HasState(csInline) ? &C : LookupRoot;
    for (TObjectNode* Child : Node.FChildren) ReadObject(*Child, &C, ChildRoot);
    if (Node.FIndex)
      if (auto* Control = AsClass<TControl>(&C); Control && Control->GetParent())
        Control->GetParent()->SetChildOrder(Control, static_cast<int>(*Node.FIndex));
  }

  // Also makes room for every object in the form's tables: they would
  // otherwise grow a step at a time, every step rehashing all before it.
  void FindContainerClasses(const TObjectNode& Root, bool Reserve = true) {
    std::vector<const TObjectNode*> Pending{&Root};
    std::size_t Objects = 0;
    while (!Pending.empty()) {
      const TObjectNode* Node = Pending.back();
      Pending.pop_back();
      ++Objects;
      if (!Node->FChildren.empty()) ContainerClasses.insert(LowerCase(Node->FClassName));
      for (const TObjectNode* Child : Node->FChildren) Pending.push_back(Child);
    }
    if (!Reserve) return;
    F.FOrigins.reserve(F.FOrigins.size() + Objects);
    F.FOrder.reserve(F.FOrder.size() + Objects);
    Created.reserve(Objects);
  }

  // A class of this form's own: what it learns from this file stays with this
  // form's objects, whatever other forms (on other threads too) read.
  std::shared_ptr<TClassInfo> RuntimeClass(std::string_view Name, const TClassInfo& Parent) {
    // One class may be a container in one file and a plain control in another.
    auto [It, Added] = RuntimeClasses.try_emplace({&Parent, LowerCase(Name)});
    if (Added) It->second = std::make_shared<TClassInfo>(std::string(Name), &Parent, std::vector<TPropInfo>{},
                                                         Parent.Factory());
    return It->second;
  }

  // The class an object is made as, and the run-time class it stands for (or nil).
  std::pair<const TClassInfo*, std::shared_ptr<TClassInfo>> ResolveClass(const TObjectNode& Node) {
    const std::string_view Name = Node.FClassName;
    for (const auto& [From, To] : O.ClassMap) {
      if (!SameText(From, Name)) continue;
      const TClassInfo* Target = FindClass(To);
      if (!Target || !Target->Factory()) Fail(Node, "class map names unknown class " + To);
      if (SameText(To, Name)) return {Target, nullptr};
      return {Target, RuntimeClass(Name, *Target)};
    }
    if (const TClassInfo* Known = FindClass(Name); Known && Known->Factory()) return {Known, nullptr};
    // Commands of a project's own classes: listed in an action list with a caption.
    if (InActionList && StoresCaption(Node)) return {&TAction::StaticClassInfo(), RuntimeClass(Name, TAction::StaticClassInfo())};
    ++F.FUnknownObjects;
    if (SeenUnknown.insert(LowerCase(Name)).second) F.FUnknownClasses.emplace_back(Name);
    if (ShowsCaptions(Node) && !InActionList) ++F.FUnknownWithCaptions[F.FUnknownClasses[UnknownIndex(Name)]];
    const TClassInfo& Generic = ContainerClasses.count(LowerCase(Name))               ? TGenericContainer::StaticClassInfo()
                                : FocusTargets.count(LowerCase(Node.FName)) ? TGenericWinControl::StaticClassInfo()
                                                                            : TGenericControl::StaticClassInfo();
    return {&Generic, RuntimeClass(Name, Generic)};
  }

  static bool EndsWithText(std::string_view Text, std::string_view End) {
    return Text.size() >= End.size() && SameText(Text.substr(Text.size() - End.size()), End);
  }

  static bool StoresCaption(const TObjectNode& Node) {
    for (const TProperty& P : Node.FProperties)
      if (SameText(P.FName, "Caption") && P.FValue.String() && !P.FValue.String()->empty()) return true;
    return false;
  }

  static bool ShowsCaptions(const TObjectNode& Node) {
    if (StoresCaption(Node)) return true;
    for (const TObjectNode* Child : Node.FChildren)
      if (SameText(Child->FClassName, "TMenuItem")) return true;
    return false;
  }

  // Where the class's first spelling stands among the unknown classes.
  std::size_t UnknownIndex(std::string_view Name) const {
    for (std::size_t I = 0; I < F.FUnknownClasses.size(); ++I)
      if (SameText(F.FUnknownClasses[I], Name)) return I;
    return 0;
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
    if (Foreign)
      F.FForeign[&C].push_back({Foreign, &Node});
    else
      F.Record(C, &Node);
  }

  static void PlaceInParent(TComponent& C, TComponent* Enclosing) {
    if (auto* Control = AsClass<TControl>(&C)) {
      for (TComponent* P = Enclosing; P; P = P->GetParentComponent())
        if (auto* Parent = AsClass<TWinControl>(P)) {
          Control->SetParent(Parent);
          return;
        }
      return;
    }
    if (auto* Item = AsClass<TMenuItem>(&C)) {
      if (auto* Menu = AsClass<TMenu>(Enclosing))
        Menu->GetItems()->Add(Item);
      else if (auto* ParentItem = AsClass<TMenuItem>(Enclosing))
        ParentItem->Add(Item);
    }
  }

  void ReadObject(TObjectNode& Node, TComponent* Enclosing, TComponent* LookupRoot) {
    // Older files write a frame's own components inside its inline block as
    // `object`: where the frame's file made one of that name, it is that one.
    const bool FramesOwn = Node.FKind == TObjectKind::Object && LookupRoot != StreamRoot && !Node.FName.empty() &&
                           Composed.count(LookupRoot) && LookupRoot->FindComponent(Node.FName);
    if (FramesOwn) {
      Modify(*LookupRoot->FindComponent(Node.FName), Node, LookupRoot);
      return;
    }
    if (Node.FKind == TObjectKind::Inherited && Composed.count(LookupRoot)) {
      if (TComponent* Existing = Node.FName.empty() ? nullptr : LookupRoot->FindComponent(Node.FName)) {
        Modify(*Existing, Node, LookupRoot);
        return;
      }
      // The ancestor read does not hold it: made here, as when read alone.
      ++F.FWindow.Unmatched;
    }
    const auto Frame = FrameFile(Node);
    auto [Made, Runtime] = Frame ? std::pair(&TFrame::StaticClassInfo(), RuntimeClass(Node.FClassName, TFrame::StaticClassInfo()))
                                 : ResolveClass(Node);
    // Objects belong to the form; the entries an inline frame overrides belong
    // to the frame. Some inline components own their nested objects too (an
    // editor's gutter parts, named alike in every editor of a form): an object
    // whose name the form already has goes to its inline component.
    TComponent* Owner = StreamRoot;
    TComponent* Taken = Node.FName.empty() ? nullptr : StreamRoot->FindComponent(Node.FName);
    if (Node.FKind == TObjectKind::Inherited || (LookupRoot != StreamRoot && Taken)) {
      Owner = LookupRoot;
    } else if (Taken && InlineHome.count(Taken)) {
      // The earlier one was read inside an inline block: it belongs there.
      try {
        InlineHome[Taken]->InsertComponent(Taken);
      } catch (const EComponentError& E) {
        Fail(Node, E.what());
      }
    } else if (Taken && Enclosing != StreamRoot && !Enclosing->FindComponent(Node.FName)) {
      // A sub-object of the enclosing component, named alike in each of them
      // (a grid's row details): it belongs to that component, not the form.
      Owner = Enclosing;
    }
    TComponent* C = Made->Factory()(Owner);
    if (Runtime) C->SetRuntimeClass(std::move(Runtime));
    if (LookupRoot != StreamRoot && Owner == StreamRoot) InlineHome[C] = LookupRoot;
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
    if (Frame) StreamFile(*C, Frame->File);
    ApplyProperties(*C, Node);
    TComponent* ChildRoot = Node.FKind == TObjectKind::Inline ? C : LookupRoot;
    // Actions are commands, not controls: no class map makes them take part.
    const bool WasInActionList = InActionList;
    InActionList = EndsWithText(Node.FClassName, "ActionList") || EndsWithText(Node.FClassName, "ActionManager");
    for (TObjectNode* Child : Node.FChildren) ReadObject(*Child, C, ChildRoot);
    InActionList = WasInActionList;
    if (Node.FIndex)
      if (auto* Control = AsClass<TControl>(C); Control && Control->GetParent())
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
    std::string_view Last = P.FName;
    TObject* Target = WalkDotted(&C, Last);
    if (!Target) return;
    const TValue& V = P.FValue;
    // The name first: it rules out nearly every property without a class test.
    if (auto* Strings = SameText(Last, "Strings") ? AsClass<TStrings>(Target) : nullptr) {
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
    // The file names the handler whether or not the caller can bind it.
    if (Info->Kind == TTypeKind::tkMethod && Target == &C && V.Kind() == TValueKind::Ident)
      F.FHandlers[&C][LowerCase(Info->Name)] = std::string(V.Ident());
    SetValue(*Target, *Info, V, LookupRoot);
  }

  // A generic component publishes what its file stores for it.
  const TPropInfo* Learn(TComponent& C, std::string_view Name, const TValue& V) {
    if (!BagOf(C)) return nullptr;
    // Only a class of this form's own may learn: others are shared.
    const auto Own = std::find_if(RuntimeClasses.begin(), RuntimeClasses.end(),
                                  [&](const auto& Entry) { return Entry.second.get() == &C.ClassType(); });
    if (Own == RuntimeClasses.end()) return nullptr;
    TClassInfo& Class = *Own->second;
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
          if (auto* Collection = AsClass<keyloom::TCollection>(GetObjectProp(Target, Info)))
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
        std::string_view Last = P.FName;
        TObject* Target = WalkDotted(Item, Last);
        const TPropInfo* Info = Target ? GetPropInfo(Target, Last) : nullptr;
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
    // Frame1.Edit1: a component of a frame, or of a frame within it.
    TComponent* Found = LookupRoot->FindComponent(Path[0]);
    if (!Found) Found = Root->FindComponent(Path[0]);
    for (std::size_t I = 1; Found && I < Path.size(); ++I) Found = Found->FindComponent(Path[I]);
    return Found;
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

  TLoadedForm& F;
  const TLoadOptions& O;
  std::vector<TComponent*> Created;
  std::vector<TFixup> Fixups;
  std::set<std::string> ContainerClasses;
  std::set<std::string> SeenUnknown;
  bool InActionList = false;  // reading the objects of an action list
  // Composing a window: the file being streamed when it is not the form's own,
  // the form or frame its objects belong to, the files streamed into each
  // other, and the forms and frames an ancestor or frame file was streamed into.
  const TDocument* Foreign = nullptr;
  TComponent* StreamRoot;
  std::vector<std::filesystem::path> Chain;
  std::unordered_set<const TComponent*> Composed;
  std::unordered_set<std::string> FocusTargets;
  std::map<TComponent*, TComponent*> InlineHome;  // form-owned objects read inside an inline block
  std::map<std::pair<const TClassInfo*, std::string>, std::shared_ptr<TClassInfo>> RuntimeClasses;
};

// Told when a watched component goes, whoever frees it.
class TLoadedForm::TObserver : public TComponent {
 public:
  static constexpr int Capacity = 16;

  explicit TObserver(TLoadedForm& Form) : TComponent(nullptr), FForm(Form) {}
  ~TObserver() override { BeginDestroy(); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent) FForm.Forget(AComponent);
  }
  int Watched = 0;

 private:
  TLoadedForm& FForm;
};

TLoadedForm::TLoadedForm(TDocument Document, std::unique_ptr<TCustomForm> OwnedForm, TCustomForm* Form)
    : FDocument(std::move(Document)), FOwnedForm(std::move(OwnedForm)), FForm(Form) {}

TLoadedForm::~TLoadedForm() = default;

TObjectNode* TLoadedForm::NodeOf(const TComponent* Component) const {
  auto It = FOrigins.find(Component);
  return It == FOrigins.end() ? nullptr : It->second.Node;
}

const TObjectNode* TLoadedForm::BlockGiving(const TComponent* Component, std::string_view Property,
                                           const std::string** File) const {
  *File = nullptr;
  auto Own = FOrigins.find(Component);
  const TObjectNode* Node = Own == FOrigins.end() ? nullptr : Own->second.Node;
  if (Node && (Property.empty() || Node->FindProperty(Property))) return Node;
  auto Other = FForeign.find(Component);
  if (Other == FForeign.end() || Other->second.empty()) return Node;
  if (!Property.empty())
    for (auto It = Other->second.rbegin(); It != Other->second.rend(); ++It)
      if (It->Node->FindProperty(Property)) {
        *File = &It->Document->FileName();
        return It->Node;
      }
  // Not stored anywhere: the file that made the component gives it.
  if (Node && !Own->second.Inherited) return Node;
  *File = &Other->second.back().Document->FileName();
  return Other->second.back().Node;
}

bool TLoadedForm::FromOtherFile(const TComponent* Component, std::string_view Property) const {
  if (FForeign.empty()) return false;
  const std::string* File = nullptr;
  BlockGiving(Component, Property, &File);
  return File != nullptr;
}

TWindowPlace TLoadedForm::PlaceOf(const TComponent* Component, std::string_view Property) const {
  TWindowPlace Place;
  const TObjectNode* Node = BlockGiving(Component, Property, &Place.File);
  if (!Node) return Place;
  const TProperty* P = Property.empty() ? nullptr : Node->FindProperty(Property);
  Place.Position = P ? P->FValue.FPosition : Node->FPosition;
  return Place;
}

TPosition TLoadedForm::PositionOf(const TComponent* Component, std::string_view Property) const {
  TObjectNode* Node = NodeOf(Component);
  if (!Node) return {};
  if (!Property.empty())
    if (const TProperty* P = Node->FindProperty(Property)) return P->FValue.FPosition;
  return Node->FPosition;
}

int TLoadedForm::StoreCaptions() {
  if (!FKeepCaptions) throw std::logic_error("StoreCaptions on a form loaded without its captions");
  // A caption line added by an earlier call is not in the tree until it is parsed again.
  if (FDocument.Modified()) Reparse({});
  int Written = 0;
  for (const TComponent* C : FOrder) {
    auto Found = FOrigins.find(C);
    if (Found == FOrigins.end()) continue;  // freed since
    TOrigin& Origin = Found->second;
    if (!Origin.Node || Origin.Node->FRemoved) continue;
    if (Origin.HasCaption) {
      const std::string Now = GetStrProp(*C, *GetPropInfo(C, "Caption"));
      if (Now != Origin.Caption) {
        TProperty* P = Origin.Node->FindProperty("Caption");
        if (P && P->FValue.String()) {
          FDocument.SetString(P->FValue, Now);
        } else if (!P && CaptionActionOf(C)) {
          continue;  // its action's caption, which the action's block stores
        } else if (!P && !Origin.Inherited) {
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
    if (auto* Group = AsClass<TCustomRadioGroup>(C)) {
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

// ---------------------------------------------------------------------------
// Storing components

namespace {

using detail::TComponentWriter;
using detail::TPublishedValue;

bool IsStringList(const TValue& Value) {
  const TList* List = Value.List();
  if (!List) return false;
  for (const TValue& Item : List->FItems)
    if (!Item.String()) return false;
  return true;
}

}  // namespace

void TLoadedForm::Watch(TComponent& Component) {
  auto Found = FOrigins.find(&Component);
  Watch(Component, Found == FOrigins.end() ? nullptr : &Found->second);
}

// A component read from the file says in its origin that it is watched; only
// the others are kept in a set, which a form mostly has none of.
void TLoadedForm::Watch(TComponent& Component, TOrigin* Origin) {
  if (Origin && Origin->Watched) return;
  const bool Known = FWatched.count(&Component) != 0;
  if (Origin)
    Origin->Watched = true;
  else if (!Known)
    FWatched.insert(&Component);
  if (Known) return;
  if (FObservers.empty() || FObservers.back()->Watched >= TObserver::Capacity)
    FObservers.push_back(std::make_unique<TObserver>(*this));
  FObservers.back()->FreeNotification(&Component);
  ++FObservers.back()->Watched;
}

void TLoadedForm::Forget(const TComponent* Component) {
  FWatched.erase(Component);
  FHandlers.erase(Component);
  FForeign.erase(Component);
  auto Found = FOrigins.find(Component);
  if (Found == FOrigins.end()) return;
  if (Found->second.Node) FGoneNodes.push_back(Found->second.Node);
  FOrigins.erase(Found);
}

void TLoadedForm::Record(TComponent& Component, TObjectNode* Node) {
  TOrigin& Origin = FOrigins[&Component];
  Origin.Node = Node;
  FOrder.push_back(&Component);
  Watch(Component, &Origin);
}

void TLoadedForm::RecordState(TComponent& Component, detail::TComponentWriter* Writer) {
  TOrigin& Origin = FOrigins[&Component];
  Origin.HasCaption = false;
  if (const TPropInfo* Caption = GetPropInfo(&Component, "Caption");
      Caption && Caption->Kind == TTypeKind::tkLString && Caption->GetStr) {
    Origin.HasCaption = true;
    Origin.Caption = GetStrProp(Component, *Caption);
  }
  if (auto* Group = AsClass<TCustomRadioGroup>(&Component)) Origin.Items = Group->GetItems()->Items();
  if (!Writer) return;
  detail::TSnapshot Taken = Writer->Snapshot(Component);
  Origin.SnapshotProps = std::move(Taken.Props);
  Origin.Snapshot = std::move(Taken.Canons);
}

bool TLoadedForm::OnForm(const TComponent* Component) const {
  for (const TComponent* C = Component; C; C = C->GetOwner())
    if (C == FForm) return true;
  return false;
}

std::string TLoadedForm::HandlerName(const TComponent* Component, std::string_view Event) const {
  auto Found = FHandlers.find(Component);
  if (Found == FHandlers.end()) return {};
  auto Handler = Found->second.find(LowerCase(Event));
  return Handler == Found->second.end() ? std::string() : Handler->second;
}

void TLoadedForm::SetHandlerName(TComponent* Component, std::string_view Event, const std::string& Name) {
  if (!Component) return;
  if (Name.empty()) {
    if (auto Found = FHandlers.find(Component); Found != FHandlers.end()) Found->second.erase(LowerCase(Event));
    return;
  }
  // Dotted only as the file may write it; whatever is set here is written.
  bool Valid = true;
  std::size_t Start = 0;
  while (Valid) {
    const std::size_t Dot = Name.find('.', Start);
    Valid = IsValidIdent(std::string_view(Name).substr(Start, Dot == std::string::npos ? Dot : Dot - Start));
    if (Dot == std::string::npos) break;
    Start = Dot + 1;
  }
  if (!Valid) throw EFormFileError(FDocument.FileName(), 0, 0, "invalid handler name '" + Name + "'");
  FHandlers[Component][LowerCase(Event)] = Name;
  Watch(*Component);
}

int TLoadedForm::StoreComponents() {
  if (!FKeepState) throw std::logic_error("StoreComponents on a form loaded without its state");
  // Edits made since the last parse (captions, removed blocks) join the tree first.
  if (FDocument.Modified()) Reparse({});
  TComponentWriter Writer = WriterFor(*this, *FForm);

  // Where new components go, settled before anything is written.
  std::vector<TComponent*> New;
  for (TComponent* C : FForm->Components()) {
    auto Found = FOrigins.find(C);
    if ((Found == FOrigins.end() || !Found->second.Node) && !FForeign.count(C)) New.push_back(C);
  }
  const std::unordered_set<const TComponent*> NewSet(New.begin(), New.end());
  std::unordered_map<const TComponent*, std::vector<TComponent*>> NewChildren;
  std::vector<std::pair<TObjectNode*, TComponent*>> Tops;
  for (TComponent* C : New) {
    TComponent* Parent = C->GetParentComponent();
    if (Parent && Parent != FForm && NewSet.count(Parent)) {
      NewChildren[Parent].push_back(C);
      continue;
    }
    TObjectNode* Node = &FDocument.Root();
    if (Parent && Parent != FForm) {
      auto Found = FOrigins.find(Parent);
      Node = Found != FOrigins.end() && OnForm(Parent) ? Found->second.Node : nullptr;
      if (!Node)
        throw EFormFileError(FDocument.FileName(), 0, 0,
                             "cannot store " + C->GetName() + ": its parent " + Parent->GetName() +
                                 " has no place in the file");
    }
    Tops.emplace_back(Node, C);
  }

  int Edits = 0;
  for (TObjectNode* Node : FGoneNodes) {
    if (Node->FRemoved) continue;
    FDocument.RemoveObject(*Node);
    ++Edits;
  }
  FGoneNodes.clear();

  for (const TComponent* C : FOrder) {
    auto Found = FOrigins.find(C);
    if (Found == FOrigins.end()) continue;
    TOrigin& Origin = Found->second;
    if (!Origin.Node || Origin.Node->FRemoved) continue;
    if (!OnForm(C)) {
      FDocument.RemoveObject(*Origin.Node);
      ++Edits;
      continue;
    }
    std::vector<TPublishedValue> Values = Writer.Values(*C, true);
    for (std::size_t I = 0; I < Values.size(); ++I) {
      TPublishedValue& V = Values[I];
      // Values the form was read without (a class that learnt a property since) are left alone.
      if (I >= Origin.Snapshot.size() || Origin.SnapshotProps[I] != V.Prop || Origin.Snapshot[I] == V.Canon) continue;
      TProperty* P = Origin.Node->FindProperty(V.Path);
      // A caption another file of the window gives is that file's: no override is added here.
      if (!P && Origin.Inherited && (SameText(V.Path, "Caption") || SameText(V.Path, "Items.Strings")) &&
          FromOtherFile(C, V.Path))
        continue;
      // A caption shown from an action is stored with the action, as the framework's action link keeps it.
      if (!P && V.Path == "Caption" && CaptionActionOf(C)) continue;
      if (!V.Stored) {
        if (!P) continue;
        FDocument.RemoveProperty(*P);
      } else if (!P) {
        FDocument.InsertProperty(*Origin.Node, V.Path, V.Value);
      } else if (detail::SameData(P->FValue, V.Value)) {
        continue;
      } else if (IsStringList(P->FValue) && IsStringList(V.Value) &&
                 P->FValue.List()->FItems.size() == V.Value.List()->FItems.size()) {
        // Only the items that changed, each keeping the spelling of the rest.
        auto& Items = P->FValue.List()->FItems;
        for (std::size_t K = 0; K < Items.size(); ++K) {
          const std::string& Now = *V.Value.List()->FItems[K].String();
          if (*Items[K].String() != Now) FDocument.SetString(Items[K], Now);
        }
      } else {
        FDocument.SetValue(*P, V.Value);
      }
      ++Edits;
    }
  }

  std::map<const TObjectNode*, std::vector<TInserted>> Inserted;
  // A block and the blocks of the new components placed on it, as the framework nests them.
  std::function<TNewObject(TComponent*, TInserted&)> Build = [&](TComponent* C, TInserted& Record) {
    TNewObject Object;
    Object.FName = C->GetName();
    Object.FClassName = C->ClassName();
    for (TPublishedValue& V : Writer.Values(*C, true))
      if (V.Stored) Object.FProperties.emplace_back(std::move(V.Path), std::move(V.Value));
    Record.Component = C;
    for (TComponent* Child : NewChildren[C]) {
      Record.Children.emplace_back();
      Object.FChildren.push_back(Build(Child, Record.Children.back()));
    }
    return Object;
  };
  for (auto& [Node, C] : Tops) {
    TInserted Record;
    FDocument.InsertObject(*Node, Build(C, Record));
    Inserted[Node].push_back(std::move(Record));
    ++Edits;
  }

  if (!FDocument.Modified() && Inserted.empty()) return Edits;
  Reparse(Inserted);
  for (const TComponent* C : FOrder) RecordState(*const_cast<TComponent*>(C), &Writer);
  return Edits;
}

void TLoadedForm::Reparse(const std::map<const TObjectNode*, std::vector<TInserted>>& Inserted) {
  TDocument New = TDocument::Parse(FDocument.Render(), FDocument.FileName());
  auto Fail = [&] {
    throw EFormFileError(FDocument.FileName(), 0, 0, "internal error: the written form does not read back as written");
  };
  auto Matches = [](const TObjectNode& A, const TObjectNode& B) {
    return SameText(A.FName, B.FName) && SameText(A.FClassName, B.FClassName) && A.FKind == B.FKind;
  };
  // Kept blocks come first among their parent's children, in their order;
  // blocks added here come last (after any that others added).
  std::unordered_map<const TObjectNode*, TObjectNode*> Map;
  std::vector<std::pair<TComponent*, TObjectNode*>> Added;
  std::vector<std::pair<const TObjectNode*, TObjectNode*>> Pending{{&FDocument.Root(), &New.Root()}};
  std::vector<std::pair<const TInserted*, TObjectNode*>> PendingNew;
  while (!Pending.empty()) {
    auto [Old, Now] = Pending.back();
    Pending.pop_back();
    Map[Old] = Now;
    std::vector<const TObjectNode*> Kept;
    for (const TObjectNode* Child : Old->FChildren)
      if (!Child->FRemoved) Kept.push_back(Child);
    auto Found = Inserted.find(Old);
    const std::size_t Extra = Found == Inserted.end() ? 0 : Found->second.size();
    if (Now->FChildren.size() < Kept.size() + Extra) Fail();
    for (std::size_t I = 0; I < Kept.size(); ++I) {
      if (!Matches(*Kept[I], *Now->FChildren[I])) Fail();
      Pending.emplace_back(Kept[I], Now->FChildren[I]);
    }
    const std::size_t Base = Now->FChildren.size() - Extra;
    for (std::size_t I = 0; I < Extra; ++I) PendingNew.emplace_back(&Found->second[I], Now->FChildren[Base + I]);
  }
  while (!PendingNew.empty()) {
    auto [Record, Now] = PendingNew.back();
    PendingNew.pop_back();
    if (!SameText(Now->FName, Record->Component->GetName()) || Now->FChildren.size() != Record->Children.size()) Fail();
    Added.emplace_back(Record->Component, Now);
    for (std::size_t I = 0; I < Record->Children.size(); ++I)
      PendingNew.emplace_back(&Record->Children[I], Now->FChildren[I]);
  }

  FDocument = std::move(New);
  for (auto& [C, Origin] : FOrigins) {
    if (!Origin.Node) continue;
    auto Found = Map.find(Origin.Node);
    Origin.Node = Found == Map.end() ? nullptr : Found->second;
  }
  std::vector<TObjectNode*> Gone;
  for (TObjectNode* Node : FGoneNodes)
    if (auto Found = Map.find(Node); Found != Map.end()) Gone.push_back(Found->second);
  FGoneNodes = std::move(Gone);
  for (auto& [C, Node] : Added) {
    TOrigin& Origin = FOrigins[C];
    Origin.Node = Node;
    Watch(*C, &Origin);
  }
  std::unordered_map<const TObjectNode*, const TComponent*> ComponentOf;
  for (const auto& [C, Origin] : FOrigins)
    if (Origin.Node) ComponentOf[Origin.Node] = C;
  FOrder.clear();
  for (TObjectNode* Node : FDocument.Objects())
    if (auto Found = ComponentOf.find(Node); Found != ComponentOf.end()) FOrder.push_back(Found->second);
}

std::unique_ptr<TLoadedForm> LoadForm(TDocument Document, const TLoadOptions& Options) {
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

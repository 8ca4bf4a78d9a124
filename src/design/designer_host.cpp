#include <keyloom/design/designer_host.hpp>
#include <keyloom/support/files.hpp>
#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include <algorithm>
#include <cctype>

namespace keyloom {

// The designer interface of the host; it outlives the host when a window
// still holds it, and then reports to no one.
class TDesignerHost::TDesigner : public IDesigner {
 public:
  explicit TDesigner(TDesignerHost* Host) : FHost(Host) {}
  void Modified() override {
    if (FHost) FHost->MarkModified();
  }
  TCustomForm* GetRoot() const override { return FHost && FHost->IsOpen() ? &FHost->Form() : nullptr; }
  const TDesignServices& GetServices() const override { return FHost ? FHost->Services : FDetached; }
  void Detach() { FHost = nullptr; }

 private:
  TDesignerHost* FHost;
  TDesignServices FDetached = TDesignServices::Defaults();
};

// Told when a component it watches goes away, whoever frees it.
class TDesignerHost::TObserver : public TComponent {
 public:
  explicit TObserver(TDesignerHost& Host) : TComponent(nullptr), FHost(Host) {}
  ~TObserver() override { BeginDestroy(); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent) FHost.Forget(AComponent);
  }

 private:
  TDesignerHost& FHost;
};

TDesignerHost::TDesignerHost(const TDesignRegistry& Registry)
    : FRegistry(Registry), FDesigner(std::make_shared<TDesigner>(this)), FObserver(std::make_unique<TObserver>(*this)) {}

TDesignerHost::~TDesignerHost() {
  Close();
  static_cast<TDesigner&>(*FDesigner).Detach();
}

void TDesignerHost::Open(const std::filesystem::path& Path, formfile::TLoadOptions Options) {
  Open(Path, nullptr, std::move(Options));
}

void TDesignerHost::Open(const std::filesystem::path& Path, std::shared_ptr<formfile::TCatalogue> Catalogue,
                         formfile::TLoadOptions Options) {
  Close();
  Options.Designing = true;
  Options.Root = nullptr;
  // A form's own TKeyloom is edited as one, not as an unknown component.
  RegisterKeyloomClasses();
  if (Catalogue) {
    // The ancestors and frames show in the language too, by their own entries.
    const formfile::TTranslatedFiles OtherFiles(*Catalogue);
    if (Options.Window)
      Options.OtherFile = [&OtherFiles](const std::shared_ptr<formfile::TDocument>& Document) {
        return OtherFiles(Document);
      };
    FLoaded = formfile::LoadForm(
        formfile::TranslatedDocument(formfile::TDocument::LoadFromFile(Path), *Catalogue, FTexts), Options);
    Options.OtherFile = nullptr;
  } else
    FLoaded = formfile::LoadFormFile(Path, Options);
  FCatalogue = std::move(Catalogue);
  // The window's other files were read; they are not the host's to keep.
  Options.Window = nullptr;
  FFileName = Path;
  FOptions = std::move(Options);
  FModified = false;
}

void TDesignerHost::Close() {
  // Editors first: their windows leave the form's message chain while it exists.
  while (!FEditors.empty()) {
    auto Node = FEditors.extract(FEditors.begin());
    FObserver->RemoveFreeNotification(Node.key());
  }
  for (TComponent* C : FInserted) FObserver->RemoveFreeNotification(C);
  FInserted.clear();
  FLoaded.reset();
  FCatalogue.reset();
  FTexts.clear();
  FFileName.clear();
  FOptions = {};
  FModified = false;
}

TCustomForm& TDesignerHost::Form() const { return Loaded().Form(); }

formfile::TLoadedForm& TDesignerHost::Loaded() const {
  if (!FLoaded) throw EDesignerError("No form is open in the designer");
  return *FLoaded;
}

void TDesignerHost::MarkModified() {
  FModified = true;
  if (OnModified) OnModified();
}

void TDesignerHost::CheckOwned(TComponent* Component) const {
  TCustomForm& Root = Form();
  if (Component == &Root) return;
  if (!Component || Component->GetOwner() != &Root)
    throw EDesignerError("The component does not belong to the designed form");
}

void TDesignerHost::Forget(TComponent* Component) {
  FInserted.erase(Component);
  // The editor (and its window) of a component that went away cannot be used.
  if (auto It = FEditors.find(Component); It != FEditors.end()) {
    std::unique_ptr<TComponentEditor> Editor = std::move(It->second);
    FEditors.erase(It);
    Editor.reset();
  }
}

TComponentEditor* TDesignerHost::EditorOf(TComponent* Component) {
  CheckOwned(Component);
  if (auto It = FEditors.find(Component); It != FEditors.end()) return It->second.get();
  const TComponentEditorFactory* Factory = FRegistry.FindComponentEditor(Component->ClassType());
  if (!Factory) return nullptr;
  std::unique_ptr<TComponentEditor> Editor = (*Factory)(Component, FDesigner);
  if (!Editor) return nullptr;
  FObserver->FreeNotification(Component);
  return (FEditors[Component] = std::move(Editor)).get();
}

std::vector<std::string> TDesignerHost::GetVerbs(TComponent* Component) {
  std::vector<std::string> Verbs;
  TComponentEditor* Editor = EditorOf(Component);
  if (!Editor) return Verbs;
  const int Count = Editor->GetVerbCount();
  for (int I = 0; I < Count; ++I) Verbs.push_back(Editor->GetVerb(I));
  return Verbs;
}

void TDesignerHost::ExecuteVerb(TComponent* Component, int Index) {
  TComponentEditor* Editor = EditorOf(Component);
  if (!Editor || Index < 0 || Index >= Editor->GetVerbCount()) throw EDesignerError("No such verb");
  Editor->ExecuteVerb(Index);
}

std::string TDesignerHost::UniqueName(const TClassInfo& Class) const {
  std::string Base = Class.ClassName();
  if (Base.size() > 1 && (Base[0] == 'T' || Base[0] == 't')) Base.erase(0, 1);
  for (int N = 1;; ++N) {
    std::string Name = Base + std::to_string(N);
    if (!Form().FindComponent(Name) && !SameText(Form().GetName(), Name)) return Name;
  }
}

TComponent* TDesignerHost::InsertComponent(const TClassInfo& Class, TComponent* Parent, const std::string& Name) {
  TCustomForm& Root = Form();
  if (!Class.Factory()) throw EDesignerError("Class " + Class.ClassName() + " cannot be made");
  if (Parent) CheckOwned(Parent);
  std::unique_ptr<TComponent> Made(Class.Factory()(nullptr));
  if (!Made) throw EDesignerError("Class " + Class.ClassName() + " cannot be made");
  Made->SetName(Name.empty() ? UniqueName(Class) : Name);
  auto* Control = AsClass<TControl>(Made.get());
  auto* Item = AsClass<TMenuItem>(Made.get());
  TWinControl* ParentControl = nullptr;
  TMenuItem* ParentItem = nullptr;
  if (Control) {
    ParentControl = Parent ? AsClass<TWinControl>(Parent) : &Root;
    if (!ParentControl || !ParentControl->AcceptsControls())
      throw EDesignerError("A control can be placed only on a form or a container");
  } else if (Item) {
    if (auto* Menu = AsClass<TMenu>(Parent))
      ParentItem = Menu->GetItems();
    else
      ParentItem = AsClass<TMenuItem>(Parent);
    if (!ParentItem) throw EDesignerError("A menu item belongs below a menu or another item");
  }
  // Owned by the form (which names it and sets the designing state), then placed.
  Root.InsertComponent(Made.get());
  TComponent* Inserted = Made.release();
  FInserted.insert(Inserted);
  FObserver->FreeNotification(Inserted);
  if (Control)
    Control->SetParent(ParentControl);  // the form receives 45110
  else {
    if (Item) ParentItem->Add(Item);
    Root.Perform(CM_CONTROLCHANGE, reinterpret_cast<std::intptr_t>(Inserted), 1);
  }
  MarkModified();
  return Inserted;
}

namespace {

// The component and everything that goes with it when it is freed.
void CollectDependents(TComponent* Component, std::vector<TComponent*>& Out) {
  Out.push_back(Component);
  if (auto* Win = AsClass<TWinControl>(Component))
    for (TControl* Child : Win->Controls()) CollectDependents(Child, Out);
  if (auto* Item = AsClass<TMenuItem>(Component))
    for (TMenuItem* Sub : Item->Items()) CollectDependents(Sub, Out);
  if (auto* Menu = AsClass<TMenu>(Component))
    for (TMenuItem* Sub : Menu->GetItems()->Items()) CollectDependents(Sub, Out);
}

}  // namespace

void TDesignerHost::FreeEditors(const std::set<TComponent*>& Components) {
  for (TComponent* C : Components) {
    FObserver->RemoveFreeNotification(C);
    Forget(C);
  }
}

void TDesignerHost::DeleteComponent(TComponent* Component) {
  TCustomForm& Root = Form();
  if (Component == &Root) throw EDesignerError("The designed form itself cannot be deleted");
  CheckOwned(Component);
  std::vector<TComponent*> Going;
  CollectDependents(Component, Going);
  FreeEditors(std::set<TComponent*>(Going.begin(), Going.end()));
  // Out of the form's component list first, so that the rebuild that 45110
  // starts sees none of them.
  for (TComponent* C : Going)
    if (TComponent* Owner = C->GetOwner()) Owner->RemoveComponent(C);
  if (auto* Control = AsClass<TControl>(Component))
    Control->SetParent(nullptr);
  else
    Root.Perform(CM_CONTROLCHANGE, reinterpret_cast<std::intptr_t>(Component), 0);
  formfile::TLoadedForm& L = Loaded();
  for (TComponent* C : Going)
    if (formfile::TObjectNode* Node = L.NodeOf(C); Node && !Node->FRemoved) L.Document().RemoveObject(*Node);
  delete Component;
  MarkModified();
}

void TDesignerHost::SetEventHandler(TComponent* Component, std::string_view Event, const std::string& HandlerName) {
  formfile::TLoadedForm& L = Loaded();
  CheckOwned(Component);
  const TPropInfo* Info = GetPropInfo(Component, Event);
  if (!Info || Info->Kind != TTypeKind::tkMethod || !Info->SetMethod)
    throw EDesignerError(Component->ClassName() + " has no event " + std::string(Event));
  if (!HandlerName.empty() && !IsValidIdent(HandlerName))
    throw EDesignerError("'" + HandlerName + "' is not a valid handler name");
  std::any Handler;
  if (!HandlerName.empty() && FOptions.FindMethod) Handler = FOptions.FindMethod(HandlerName, *Info);
  Info->SetMethod(*Component, Handler);
  L.SetHandlerName(Component, Info->Name, HandlerName);
  MarkModified();
}

std::string TDesignerHost::GetEventHandler(TComponent* Component, std::string_view Event) const {
  CheckOwned(Component);
  return Loaded().HandlerName(Component, Event);
}

void TDesignerHost::Save() { SaveAs(FFileName); }

void TDesignerHost::SaveAs(const std::filesystem::path& Path) {
  formfile::TLoadedForm& L = Loaded();
  L.StoreComponents();
  if (FCatalogue) {
    if (Path != FFileName) throw EDesignerError("A form shown in a language is saved into its catalogue only");
    const formfile::TDocument After = formfile::TDocument::Parse(L.Render(), FFileName.string());
    for (const auto& [Entry, Text] : formfile::ChangedTranslations(After, FTexts))
      FCatalogue->SetTranslation(Entry, Text);
    WriteFileAtomically(FCatalogue->FileName(), FCatalogue->Render());
    FModified = false;
    return;
  }
  WriteFileAtomically(Path, L.Render());
  FFileName = Path;
  FModified = false;
}

}  // namespace keyloom

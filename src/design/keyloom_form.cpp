#include <keyloom/component_queries.hpp>
#include <keyloom/default_lists.hpp>
#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>
#include <keyloom/design/resources.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/pipeline.hpp>
#include <keyloom/tree.hpp>

#include <algorithm>
#include <any>
#include <cstdio>
#include <string>
#include <vector>

namespace keyloom {

const TClassInfo& TKeyloomForm::MakeStaticClassInfo() {
  static const TClassInfo Info("TKeyloomForm", &TForm::StaticClassInfo());
  return Info;
}

// ---------------------------------------------------------------- the hook chain

struct TKeyloomForm::THook {
  TKeyloomForm* Window = nullptr;  // nil once the window has left the chain
  TWndMethod Saved;                // the procedure this hook replaced
};

namespace {

// What the designed form's WindowProc holds while a window hooks it. A
// distinct type, so that the chain can be walked through std::function::target.
struct THookProc {
  std::shared_ptr<TKeyloomForm::THook> Hook;

  void operator()(TMessage& Message) const {
    // The hook may be taken out of the chain while the message is handled.
    std::shared_ptr<TKeyloomForm::THook> Self = Hook;
    if (Self->Window) {
      Self->Window->OwnerWndProc(Message);
    } else if (Self->Saved) {
      TWndMethod Next = Self->Saved;
      Next(Message);
    }
  }
};

// Takes every hook whose window has left out of the chain that starts at
// Slot, as far as the chain is made of such hooks. A hook of someone else
// ends the walk; the hooks behind it stay, forwarding and reaching no window.
void PruneChain(TWndMethod& Slot) {
  TWndMethod* Cursor = &Slot;
  while (const auto* Proc = Cursor->target<THookProc>()) {
    if (Proc->Hook->Window) {
      Cursor = &Proc->Hook->Saved;
      continue;
    }
    TWndMethod Next = Proc->Hook->Saved;
    *Cursor = std::move(Next);
  }
}

}  // namespace

void TKeyloomForm::Hook() {
  Unhook();
  if (!FOwnerForm) return;
  auto Link = std::make_shared<THook>();
  Link->Window = this;
  Link->Saved = FOwnerForm->WindowProc;
  FOwnerForm->WindowProc = THookProc{Link};
  FOwnerWndProc = std::move(Link);
}

void TKeyloomForm::Unhook() {
  if (!FOwnerWndProc) return;
  FOwnerWndProc->Window = nullptr;
  FOwnerWndProc.reset();
  if (FOwnerForm) PruneChain(FOwnerForm->WindowProc);
}

void TKeyloomForm::OwnerWndProc(TMessage& Message) {
  const std::shared_ptr<THook> Link = FOwnerWndProc;
  if (Message.Msg == CM_CONTROLCHANGE) UpdateKeyloom();
  if (Link && Link->Saved) {
    TWndMethod Next = Link->Saved;
    Next(Message);
  }
}

// ---------------------------------------------------------------- reading the layout

namespace {

struct THandler {
  const char* Name;
  const char* TypeName;
  std::any Handler;
};

}  // namespace

void TKeyloomForm::ReadLayout() {
  using M = void (TKeyloomForm::*)(TObject*);
  auto Notify = [this](const char* Name, M Method) {
    return THandler{Name, "TNotifyEvent", TNotifyEvent([this, Method](TObject* Sender) { (this->*Method)(Sender); })};
  };
  using E = void (TKeyloomForm::*)(TObject*, TListItem*, std::string&);
  auto Edited = [this](const char* Name, E Method) {
    return THandler{Name, "TLVEditedEvent", TLVEditedEvent([this, Method](TObject* S, TListItem* I, std::string& T) {
                      (this->*Method)(S, I, T);
                    })};
  };
  using K = void (TKeyloomForm::*)(TObject*, std::uint16_t&, TShiftState);
  auto Key = [this](const char* Name, K Method) {
    return THandler{Name, "TKeyEvent", TKeyEvent([this, Method](TObject* S, std::uint16_t& Code, TShiftState Shift) {
                      (this->*Method)(S, Code, Shift);
                    })};
  };
  const std::vector<THandler> Handlers = {
      Notify("FormCreate", &TKeyloomForm::FormCreate),
      Notify("FormDestroy", &TKeyloomForm::FormDestroy),
      Notify("FormShow", &TKeyloomForm::FormShow),
      Notify("FormHide", &TKeyloomForm::FormHide),
      Notify("FormResize", &TKeyloomForm::FormResize),
      Notify("tvControlsClick", &TKeyloomForm::tvControlsClick),
      Notify("SortBy", &TKeyloomForm::SortBy),
      Notify("bClearClick", &TKeyloomForm::bClearClick),
      Notify("bClearAllClick", &TKeyloomForm::bClearAllClick),
      Notify("bMoveUpClick", &TKeyloomForm::bMoveUpClick),
      Notify("bMoveDownClick", &TKeyloomForm::bMoveDownClick),
      Notify("bFindClick", &TKeyloomForm::bFindClick),
      Notify("bAssignClick", &TKeyloomForm::bAssignClick),
      Notify("bSetupClick", &TKeyloomForm::bSetupClick),
      Notify("bAboutClick", &TKeyloomForm::bAboutClick),
      Notify("bCloseClick", &TKeyloomForm::bCloseClick),
      Notify("lHomepageClick", &TKeyloomForm::lHomepageClick),
      Notify("KeyOptionsChange", &TKeyloomForm::KeyOptionsChange),
      Notify("pmCaptionsPopup", &TKeyloomForm::pmCaptionsPopup),
      Notify("pmNoCaptionsPopup", &TKeyloomForm::pmNoCaptionsPopup),
      Notify("pmDefaultCaptionsPopup", &TKeyloomForm::pmDefaultCaptionsPopup),
      Notify("miCaptionsNewClick", &TKeyloomForm::miCaptionsNewClick),
      Notify("miNoCaptionsNewClick", &TKeyloomForm::miNoCaptionsNewClick),
      Notify("miDefaultCaptionsNewClick", &TKeyloomForm::miDefaultCaptionsNewClick),
      Notify("miCaptionsEditClick", &TKeyloomForm::miCaptionsEditClick),
      Notify("miNoCaptionsEditClick", &TKeyloomForm::miNoCaptionsEditClick),
      Notify("miDefaultCaptionsEditClick", &TKeyloomForm::miDefaultCaptionsEditClick),
      Notify("miCaptionsDeleteClick", &TKeyloomForm::miCaptionsDeleteClick),
      Notify("miNoCaptionsDeleteClick", &TKeyloomForm::miNoCaptionsDeleteClick),
      Notify("miDefaultCaptionsDeleteClick", &TKeyloomForm::miDefaultCaptionsDeleteClick),
      Notify("miCaptionsRestoreDefaultsClick", &TKeyloomForm::miCaptionsRestoreDefaultsClick),
      Notify("miNoCaptionsRestoreDefaultsClick", &TKeyloomForm::miNoCaptionsRestoreDefaultsClick),
      Notify("miDefaultCaptionsRestoreDefaultsClick", &TKeyloomForm::miDefaultCaptionsRestoreDefaultsClick),
      Edited("lvCaptionsEdited", &TKeyloomForm::lvCaptionsEdited),
      Edited("lvNoCaptionsEdited", &TKeyloomForm::lvNoCaptionsEdited),
      Edited("lvDefaultCaptionsEdited", &TKeyloomForm::lvDefaultCaptionsEdited),
      Key("lvCaptionsKeyDown", &TKeyloomForm::lvCaptionsKeyDown),
      Key("lvNoCaptionsKeyDown", &TKeyloomForm::lvNoCaptionsKeyDown),
      Key("lvDefaultCaptionsKeyDown", &TKeyloomForm::lvDefaultCaptionsKeyDown),
      {"ShowHint", "TMouseMoveEvent",
       TMouseMoveEvent([this](TObject* S, TShiftState Shift, int X, int Y) { ShowHint(S, Shift, X, Y); })},
      {"tvControlsChange", "TTVChangedEvent",
       TTVChangedEvent([this](TObject* S, TTreeNode* Node) { tvControlsChange(S, Node); })},
      {"tvControlsCompare", "TTVCompareEvent",
       TTVCompareEvent([this](TObject* S, TTreeNode* N1, TTreeNode* N2, int Data, int& Compare) {
         tvControlsCompare(S, N1, N2, Data, Compare);
       })},
  };

  std::vector<std::string> Unbound;
  formfile::TLoadOptions Options;
  Options.Root = this;
  Options.FindMethod = [&](std::string_view Name, const TPropInfo& Event) -> std::any {
    for (const THandler& H : Handlers)
      if (SameText(H.Name, Name) && Event.TypeName == H.TypeName) return H.Handler;
    Unbound.push_back(std::string(Name) + " for " + Event.Name);
    return {};
  };
  formfile::LoadForm(formfile::TDocument::Parse(std::string(LoadResource("TKEYLOOMFORM")), "TKEYLOOMFORM"), Options);
  if (!Unbound.empty()) throw EKeyloomError("The window's layout names a handler it lacks: " + Unbound.front());

  auto Bind = [this](auto*& Field, const char* Name) {
    using T = std::remove_pointer_t<std::remove_reference_t<decltype(Field)>>;
    Field = dynamic_cast<T*>(FindComponent(Name));
    if (!Field) throw EKeyloomError(std::string("The window's layout lacks ") + Name);
  };
#define KEYLOOM_BIND(Field) Bind(Field, #Field)
  KEYLOOM_BIND(sbKeyloom);
  KEYLOOM_BIND(tbKeyloom);
  KEYLOOM_BIND(bClear);
  KEYLOOM_BIND(bClearAll);
  KEYLOOM_BIND(bMoveUp);
  KEYLOOM_BIND(bMoveDown);
  KEYLOOM_BIND(bFind);
  KEYLOOM_BIND(bAssign);
  KEYLOOM_BIND(bSetup);
  KEYLOOM_BIND(bAbout);
  KEYLOOM_BIND(bClose);
  KEYLOOM_BIND(nbAbout);
  KEYLOOM_BIND(tvControls);
  KEYLOOM_BIND(itComponentGraphics);
  KEYLOOM_BIND(pmKeyloom);
  KEYLOOM_BIND(miNothing);
  KEYLOOM_BIND(miCaption);
  KEYLOOM_BIND(miCaptionLength);
  KEYLOOM_BIND(miUniqueLetters);
  KEYLOOM_BIND(pCaptions);
  KEYLOOM_BIND(lCaptions);
  KEYLOOM_BIND(lvCaptions);
  KEYLOOM_BIND(spSetup1);
  KEYLOOM_BIND(pNoCaptions);
  KEYLOOM_BIND(lNoCaptions);
  KEYLOOM_BIND(lvNoCaptions);
  KEYLOOM_BIND(spSetup2);
  KEYLOOM_BIND(pDefaultCaptions);
  KEYLOOM_BIND(lDefaultCaptions);
  KEYLOOM_BIND(lvDefaultCaptions);
  KEYLOOM_BIND(pKeyOptions);
  KEYLOOM_BIND(lScope);
  KEYLOOM_BIND(cbScope);
  KEYLOOM_BIND(lStrategy);
  KEYLOOM_BIND(cbStrategy);
  KEYLOOM_BIND(lReservedLetters);
  KEYLOOM_BIND(eReservedLetters);
  KEYLOOM_BIND(lNonLatin);
  KEYLOOM_BIND(cbNonLatin);
  KEYLOOM_BIND(lPlaceholders);
  KEYLOOM_BIND(cbPlaceholders);
  KEYLOOM_BIND(pmCaptions);
  KEYLOOM_BIND(miCaptionsNew);
  KEYLOOM_BIND(miCaptionsEdit);
  KEYLOOM_BIND(miCaptionsDelete);
  KEYLOOM_BIND(miCaptionsBreak);
  KEYLOOM_BIND(miCaptionsRestoreDefaults);
  KEYLOOM_BIND(pmNoCaptions);
  KEYLOOM_BIND(miNoCaptionsNew);
  KEYLOOM_BIND(miNoCaptionsEdit);
  KEYLOOM_BIND(miNoCaptionsDelete);
  KEYLOOM_BIND(miNoCaptionsBreak);
  KEYLOOM_BIND(miNoCaptionsRestoreDefaults);
  KEYLOOM_BIND(pmDefaultCaptions);
  KEYLOOM_BIND(miDefaultCaptionsNew);
  KEYLOOM_BIND(miDefaultCaptionsEdit);
  KEYLOOM_BIND(miDefaultCaptionsDelete);
  KEYLOOM_BIND(miDefaultCaptionsBreak);
  KEYLOOM_BIND(miDefaultCaptionsRestoreDefaults);
  KEYLOOM_BIND(pHolder);
  KEYLOOM_BIND(pAbout);
  KEYLOOM_BIND(lTitle);
  KEYLOOM_BIND(lVersion);
  KEYLOOM_BIND(lCredits);
  KEYLOOM_BIND(lHomepage);
  KEYLOOM_BIND(lInformation);
  KEYLOOM_BIND(lComponentHomepage);
#undef KEYLOOM_BIND
}

void TKeyloomForm::LoadPictures() {
  // Each button's glyph pair is the resource named after the button.
  for (TSpeedButton* Button : {bClear, bClearAll, bMoveUp, bMoveDown, bFind, bAssign, bSetup, bAbout, bClose}) {
    std::string Name = Button->GetName();
    std::transform(Name.begin(), Name.end(), Name.begin(), [](unsigned char C) { return static_cast<char>(std::toupper(C)); });
    Button->SetGlyphData(std::string(LoadResource(Name)));
  }
  itComponentGraphics->Clear();
  for (int Index = 0; Index <= 12; ++Index) {
    char Name[8];
    std::snprintf(Name, sizeof Name, "TREE%02d", Index);
    itComponentGraphics->Add(std::string(LoadResource(Name)));
  }
}

// ---------------------------------------------------------------- life cycle

TKeyloomForm::TKeyloomForm(TComponent* AOwner) : TForm(AOwner) {
  ReadLayout();
  LoadPictures();
  DoCreate();
}

TKeyloomForm::~TKeyloomForm() {
  try {
    // Out of the designed form's chain before anything of the window goes.
    if (Showing()) Hide();
    Unhook();
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    // A destructor cannot pass errors on; the lists are lost, nothing else.
  }
  for (TComponent* C : FWatched) RemoveFreeNotification(C);
  FWatched.clear();
  if (FKeyloom) RemoveFreeNotification(FKeyloom);
  FKeyloom = nullptr;
  if (FOwnerForm) RemoveFreeNotification(FOwnerForm);
  FOwnerForm = nullptr;
}

void TKeyloomForm::SetOwnerForm(TCustomForm* Form) {
  if (Form == FOwnerForm) return;
  // The window follows one form at a time: it leaves the old one's chain first.
  if (Showing()) Hide();
  Unhook();
  ClearTree();
  SetKeyloom(nullptr);
  if (FOwnerForm) RemoveFreeNotification(FOwnerForm);
  FOwnerForm = Form;
  if (Form) FreeNotification(Form);
}

void TKeyloomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || !AComponent || HasState(csDestroying)) return;
  if (AComponent == FOwnerForm) {
    // The form and its message chain are going: drop every reference to them.
    if (FOwnerWndProc) FOwnerWndProc->Window = nullptr;
    FOwnerWndProc.reset();
    FOwnerForm = nullptr;
    FKeyloom = nullptr;
    ClearTree();
    return;
  }
  if (AComponent == FKeyloom) {
    FKeyloom = nullptr;
    for (TControl* Control : pKeyOptions->Controls()) Control->SetEnabled(false);
  }
  ForgetComponent(AComponent);
}

void TKeyloomForm::FormCreate(TObject*) {
  Unhook();
  FDesigner.reset();
  FNoCaptionClassList.Clear();
  FCaptionClassList.Clear();
  FDefaultCaptionList.Clear();
  LoadOptions();
  UpdateKeyOptions();
}

void TKeyloomForm::FormDestroy(TObject*) { SaveOptions(); }

void TKeyloomForm::LoadOptions() {
  LoadList(NoCaptionsKey, FNoCaptionClassList, DefaultNoCaptionClasses);
  LoadList(CaptionsKey, FCaptionClassList, DefaultCaptionClasses);
  LoadList(DefaultCaptionsKey, FDefaultCaptionList, DefaultDefaultCaptions);
}

void TKeyloomForm::SaveOptions() {
  WriteList(NoCaptionsKey, FNoCaptionClassList);
  WriteList(CaptionsKey, FCaptionClassList);
  WriteList(DefaultCaptionsKey, FDefaultCaptionList);
}

void TKeyloomForm::FormShow(TObject*) {
  Hook();
  nbAbout->SetPageIndex(0);
  if (FOwnerForm)
    SetCaption("Keyloom - " + FOwnerForm->GetName() + " (" + FOwnerForm->GetCaption() + ")");
  else
    SetCaption("Keyloom");
  UpdateKeyOptions();
  BuildTree();
  UpdateButtons();
  SortBy(nullptr);
}

void TKeyloomForm::FormHide(TObject*) { Unhook(); }

// ---------------------------------------------------------------- the tree

void TKeyloomForm::ClearTree() {
  for (TComponent* C : FWatched)
    if (C != FOwnerForm) RemoveFreeNotification(C);
  FWatched.clear();
  if (tvControls) ClearWorkingTree(*tvControls);
  if (bClear) UpdateButtons();
}

void TKeyloomForm::BuildTree() {
  ClearTree();
  if (!FOwnerForm) return;
  BuildWorkingTree(*tvControls, *FOwnerForm, FCaptionClassList, FNoCaptionClassList);
  WatchTreeComponents();
}

void TKeyloomForm::WatchTreeComponents() {
  const TTreeNodes& Items = tvControls->GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    TObject* Data = Items.GetNodeFromIndex(I)->GetData();
    TComponent* Watched = AsClass<TComponent>(Data);
    if (auto* Proxy = AsClass<TRadioGroupIndex>(Data)) Watched = Proxy->GetRadioGroup();
    if (!Watched || Watched == FOwnerForm) continue;
    if (std::find(FWatched.begin(), FWatched.end(), Watched) != FWatched.end()) continue;
    FreeNotification(Watched);
    FWatched.push_back(Watched);
  }
}

void TKeyloomForm::ForgetComponent(TComponent* Component) {
  auto It = std::find(FWatched.begin(), FWatched.end(), Component);
  if (It == FWatched.end()) return;
  FWatched.erase(It);
  // Its nodes go (with whatever hangs below them) until the next rebuild.
  auto StandsFor = [Component](const TTreeNode* Node) {
    TObject* Data = Node->GetData();
    if (Data == Component) return true;
    const auto* Proxy = AsClass<TRadioGroupIndex>(Data);
    return Proxy && (Proxy->GetRadioGroup() == Component || !Proxy->GetRadioGroup());
  };
  TTreeNodes& Items = tvControls->GetItems();
  for (bool Found = true; Found;) {
    Found = false;
    for (int I = 0; I < Items.GetCount(); ++I) {
      TTreeNode* Node = Items.GetNodeFromIndex(I);
      if (!StandsFor(Node)) continue;
      Node->Delete();
      Found = true;
      break;
    }
  }
  UpdateButtons();
}

void TKeyloomForm::UpdateKeyloom() {
  BuildTree();
  SaveOptions();
}

void TKeyloomForm::UpdateButtons() {
  TTreeNode* Selected = tvControls->GetSelection();
  bClear->SetEnabled(Selected != nullptr);
  bMoveUp->SetEnabled(false);
  bMoveDown->SetEnabled(false);
  if (miNothing->GetChecked() && Selected) {
    bMoveUp->SetEnabled(Selected->getPrevSibling() != nullptr);
    bMoveDown->SetEnabled(Selected->getNextSibling() != nullptr);
  }
}

void TKeyloomForm::tvControlsChange(TObject*, TTreeNode*) { UpdateButtons(); }

void TKeyloomForm::tvControlsClick(TObject*) { UpdateButtons(); }

void TKeyloomForm::tvControlsCompare(TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Compare) {
  if (!Node1 || !Node2) return;
  if (miCaption->GetChecked()) CompareNodes(TSortMethod::smCaption, *Node1, *Node2, Compare);
  if (miCaptionLength->GetChecked()) CompareNodes(TSortMethod::smCaptionLength, *Node1, *Node2, Compare);
  if (miUniqueLetters->GetChecked()) CompareNodes(TSortMethod::smUniqueLetters, *Node1, *Node2, Compare);
}

void TKeyloomForm::SortBy(TObject* Sender) {
  if (auto* Item = AsClass<TMenuItem>(Sender)) Item->SetChecked(true);
  tvControls->AlphaSort();
  UpdateButtons();
}

// The commands on the tree show it: from the setup or about page the user
// would not see what they did.
void TKeyloomForm::bClearClick(TObject*) {
  nbAbout->SetPageIndex(0);
  TTreeNodes& Items = tvControls->GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    TTreeNode* Node = Items.GetNodeFromIndex(I);
    if (Node->GetSelected()) Node->SetText(DeleteAccelerator(Node->GetText()));
  }
}

void TKeyloomForm::bClearAllClick(TObject*) {
  nbAbout->SetPageIndex(0);
  StripWorkingTree(*tvControls);
}

namespace {

// Holds back the tree's redraw while nodes move, on every path.
class TUpdateScope {
 public:
  explicit TUpdateScope(TTreeNodes& Items) : FItems(Items) { FItems.BeginUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;
  ~TUpdateScope() { FItems.EndUpdate(); }

 private:
  TTreeNodes& FItems;
};

}  // namespace

void TKeyloomForm::bMoveUpClick(TObject*) {
  TTreeNode* Selected = tvControls->GetSelection();
  TTreeNode* Previous = Selected ? Selected->getPrevSibling() : nullptr;
  if (!Previous) return;
  {
    TUpdateScope Scope(tvControls->GetItems());
    if (Previous->getPrevSibling())
      Selected->MoveTo(Previous, TNodeAttachMode::naInsert);
    else
      Selected->MoveTo(Previous, TNodeAttachMode::naAddFirst);
  }
  UpdateButtons();
}

void TKeyloomForm::bMoveDownClick(TObject*) {
  TTreeNode* Selected = tvControls->GetSelection();
  TTreeNode* Next = Selected ? Selected->getNextSibling() : nullptr;
  if (!Next) return;
  {
    TUpdateScope Scope(tvControls->GetItems());
    if (Selected->getPrevSibling())
      Next->MoveTo(Selected, TNodeAttachMode::naInsert);
    else
      Next->MoveTo(Selected, TNodeAttachMode::naAddFirst);
  }
  UpdateButtons();
}

void TKeyloomForm::bFindClick(TObject*) {
  nbAbout->SetPageIndex(0);
  FindLetters(*tvControls, FCaptionClassList, FNoCaptionClassList, FDefaultCaptionList, GetKeyOptions());
}

namespace {

// What Assign may write into the objects of the tree's nodes: an Assign that
// writes the captions they have already leaves the form unmodified.
std::vector<std::string> WrittenCaptions(const TCustomTreeView& Tree) {
  std::vector<std::string> Captions;
  const TTreeNodes& Items = Tree.GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    const TObject* Object = Items.GetNodeFromIndex(I)->GetData();
    if (const auto* Proxy = AsClass<TRadioGroupIndex>(Object)) {
      const TRadioGroup* Group = Proxy->GetRadioGroup();
      const auto* Texts = Group ? &Group->GetItems()->Items() : nullptr;
      const auto Index = static_cast<std::size_t>(Proxy->GetIndex());
      Captions.push_back(Texts && Proxy->GetIndex() >= 0 && Index < Texts->size() ? (*Texts)[Index] : std::string());
    } else if (const auto* Item = AsClass<TMenuItem>(Object)) {
      Captions.push_back(Item->GetCaption());
    } else if (const auto* Control = AsClass<TControl>(Object)) {
      Captions.push_back(Control->GetText());
    } else {
      Captions.push_back(HasProperty(Object, "Caption", TTypeKind::tkLString) ? GetPropertyLongString(Object, "Caption")
                                                                              : std::string());
    }
  }
  return Captions;
}

}  // namespace

void TKeyloomForm::bAssignClick(TObject*) {
  nbAbout->SetPageIndex(0);
  const std::vector<std::string> Before = WrittenCaptions(*tvControls);
  AssignKeys(*tvControls, FCaptionClassList, FNoCaptionClassList, nullptr, {});
  if (FDesigner && WrittenCaptions(*tvControls) != Before) FDesigner->Modified();
}

void TKeyloomForm::bSetupClick(TObject*) {
  if (nbAbout->GetPageIndex() == 1) {
    nbAbout->SetPageIndex(0);
    return;
  }
  nbAbout->SetPageIndex(1);
  UpdateListViews();
  UpdateKeyOptions();
}

void TKeyloomForm::bAboutClick(TObject*) {
  ResizeAbout();
  nbAbout->SetPageIndex(nbAbout->GetPageIndex() == 2 ? 0 : 2);
}

void TKeyloomForm::bCloseClick(TObject*) { Close(); }

void TKeyloomForm::ShowHint(TObject* Sender, TShiftState, int, int) {
  if (const auto* Control = AsClass<TControl>(Sender)) sbKeyloom->SetSimpleText(Control->GetHint());
}

void TKeyloomForm::lHomepageClick(TObject* Sender) {
  const auto* Label = AsClass<TControl>(Sender);
  if (Label && Services.ShellOpen) Services.ShellOpen(Label->GetCaption());
}

// ---------------------------------------------------------------- sizes

void TKeyloomForm::FormResize(TObject*) {
  for (TListView* View : {lvCaptions, lvNoCaptions, lvDefaultCaptions}) {
    if (View->Columns().Count() == 0) continue;
    // Assigning the shown width first makes -2 a change, so the column is fitted again.
    View->SetColumnWidth(0, View->GetColumnWidth(0));
    View->SetColumnWidth(0, -2);
  }
  ResizeAbout();
}

void TKeyloomForm::ResizeAbout() {
  const int W = pAbout->GetWidth() - 4;
  for (TLabel* Label : {lTitle, lVersion, lCredits, lHomepage, lInformation, lComponentHomepage}) Label->SetWidth(W);
  // Fixed size while the width changes, then automatic again: the text is
  // wrapped for the new width and the label takes the height it needs.
  lInformation->SetAutoSize(false);
  lInformation->SetWidth(W);
  lInformation->SetAutoSize(true);
  lInformation->SetWidth(W);
  lComponentHomepage->SetTop(lInformation->GetTop() + lInformation->GetHeight());
  lComponentHomepage->SetWidth(W);
}

}  // namespace keyloom

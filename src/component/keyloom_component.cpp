#include <keyloom/default_lists.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/pipeline.hpp>

namespace keyloom {

namespace P = published;

namespace {

// The working tree's compare event: a type of its own, so that a run can tell
// whether the event is still this one.
struct TControlsCompare {
  const TKeyloom* Keyloom;
  void (TKeyloom::*Compare)(TTreeNode*, TTreeNode*, int&) const;
  void operator()(TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Result) const {
    (Keyloom->*Compare)(Node1, Node2, Result);
  }
};

}  // namespace

const TClassInfo& TKeyloom::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TKeyloom", &TComponent::StaticClassInfo(),
      {P::Boolean<TKeyloom>("Active", &TKeyloom::GetActive, &TKeyloom::SetActive, true),
       P::Boolean<TKeyloom>("ActiveInDesign", &TKeyloom::GetActiveInDesign, &TKeyloom::SetActiveInDesign, false),
       P::Owned<TKeyloom, TStrings>("CaptionClasses", "TStrings", &TKeyloom::GetCaptionClasses),
       P::Owned<TKeyloom, TStrings>("DefaultCaptions", "TStrings", &TKeyloom::GetDefaultCaptions),
       P::Owned<TKeyloom, TStrings>("NoCaptionClasses", "TStrings", &TKeyloom::GetNoCaptionClasses),
       P::Enumeration<TKeyloom, TNonLatinMode>("NonLatin", "TNonLatinMode", {"nlSkip", "nlAppend", "nlNative"},
                                               &TKeyloom::GetNonLatin, &TKeyloom::SetNonLatin,
                                               TNonLatinMode::nlSkip),
       P::Boolean<TKeyloom>("OnlyUnassigned", &TKeyloom::GetOnlyUnassigned, &TKeyloom::SetOnlyUnassigned, true),
       P::Enumeration<TKeyloom, TPlaceholders>("Placeholders", "TPlaceholders", {"plTreatAsCaption", "plSkip"},
                                               &TKeyloom::GetPlaceholders, &TKeyloom::SetPlaceholders,
                                               TPlaceholders::plTreatAsCaption),
       P::String<TKeyloom>("ReservedLetters", &TKeyloom::GetReservedLetters, &TKeyloom::SetReservedLetters,
                           "string"),
       P::Enumeration<TKeyloom, TKeyScope>("Scope", "TKeyScope", {"ksSiblings", "ksWindow"}, &TKeyloom::GetScope,
                                           &TKeyloom::SetScope, TKeyScope::ksSiblings),
       P::Enumeration<TKeyloom, TSortMethod>("SortMethod", "TSortMethod",
                                             {"smNothing", "smCaption", "smCaptionLength", "smUniqueLetters"},
                                             &TKeyloom::GetSortMethod, &TKeyloom::SetSortMethod,
                                             TSortMethod::smUniqueLetters),
       P::Enumeration<TKeyloom, TAssignStrategy>("Strategy", "TAssignStrategy", {"asLetterSearch", "asBestCoverage"},
                                                 &TKeyloom::GetStrategy, &TKeyloom::SetStrategy,
                                                 TAssignStrategy::asLetterSearch),
       P::Event<TKeyloom>("OnAssign", "TAssignEvent", &TKeyloom::OnAssign)},
      P::Factory<TKeyloom>());
  return Info;
}

TKeyloom::TKeyloom(TComponent* AOwner) : TComponent(AOwner) {
  // A component dropped on the form later triggers a run.
  HearInsertions();
  // Creating the tree tells us of an insertion; with no tree stored yet, that runs nothing.
  auto* Tree = new TTreeView(this);
  Tree->OnCompare = TControlsCompare{this, &TKeyloom::ControlsCompare};
  // Out of sight on the form it works for; an owner that is no window holds no controls.
  Tree->SetBounds(-2, -2, 0, 0);
  if (auto* Window = AsClass<TWinControl>(AOwner)) Tree->SetParent(Window);
  Tree->SetVisible(false);
  FTree = Tree;
  AddDefaults(FCaptionClasses, DefaultCaptionClasses);
  AddDefaults(FNoCaptionClasses, DefaultNoCaptionClasses);
  AddDefaults(FDefaultCaptions, DefaultDefaultCaptions);
}

TKeyloom::~TKeyloom() { BeginDestroy(); }

void TKeyloom::Loaded() {
  TComponent::Loaded();
  InternalFindKeys();
}

void TKeyloom::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FTree) FTree = nullptr;
  if (Operation == TOperation::opInsert && AComponent != this) InternalFindKeys();
}

void TKeyloom::FindKeys() {
  // The field, not the setter: the setter would start a run of its own.
  const bool WasActive = FActive;
  FActive = true;
  try {
    InternalFindKeys();
  } catch (...) {
    FActive = WasActive;
    throw;
  }
  FActive = WasActive;
}

void TKeyloom::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  InternalFindKeys();
}

void TKeyloom::SetActiveInDesign(bool Value) {
  if (Value == FActiveInDesign) return;
  FActiveInDesign = Value;
  InternalFindKeys();
}

void TKeyloom::SetOnlyUnassigned(bool Value) {
  if (Value == FOnlyUnassigned) return;
  FOnlyUnassigned = Value;
  InternalFindKeys();
}

void TKeyloom::SetSortMethod(TSortMethod Value) {
  if (Value == FSortMethod) return;
  FSortMethod = Value;
  InternalFindKeys();
}

void TKeyloom::SetScope(TKeyScope Value) {
  if (Value == FOptions.Scope) return;
  FOptions.Scope = Value;
  InternalFindKeys();
}

void TKeyloom::SetStrategy(TAssignStrategy Value) {
  if (Value == FOptions.Strategy) return;
  FOptions.Strategy = Value;
  InternalFindKeys();
}

// Changes what a run gives as much as the enumerations do, so it runs as they do.
void TKeyloom::SetReservedLetters(const std::string& Value) {
  if (Value == FOptions.ReservedLetters) return;
  FOptions.ReservedLetters = Value;
  InternalFindKeys();
}

void TKeyloom::SetNonLatin(TNonLatinMode Value) {
  if (Value == FOptions.NonLatin) return;
  FOptions.NonLatin = Value;
  InternalFindKeys();
}

void TKeyloom::SetPlaceholders(TPlaceholders Value) {
  if (Value == FOptions.Placeholders) return;
  FOptions.Placeholders = Value;
  InternalFindKeys();
}

void TKeyloom::ControlsCompare(TTreeNode* Node1, TTreeNode* Node2, int& Compare) const {
  CompareNodes(FSortMethod, *Node1, *Node2, Compare);
}

namespace {

// Marks a run in progress for as long as it lasts, errors included.
class TRunScope {
 public:
  explicit TRunScope(bool& Running) : FRunning(Running) { FRunning = true; }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;
  ~TRunScope() { FRunning = false; }

 private:
  bool& FRunning;
};

}  // namespace

void TKeyloom::InternalFindKeys() {
  if (HasState(csLoading) || HasState(csDestroying)) return;
  if (!FTree || !FActive) return;
  if (HasState(csDesigning) && !FActiveInDesign) return;
  // A run started by an OnAssign handler would clear the tree the outer run is writing from.
  if (FRunning) return;
  TComponent* Form = GetOwner();
  if (!Form) return;

  TRunScope Scope(FRunning);
  // Our compare event gives the order the pipeline sorts in, each caption's
  // keys worked out once; an event set by someone else is left to AlphaSort.
  const auto* Ours = FTree->OnCompare.target<TControlsCompare>();
  RunPipeline(*FTree, *Form,
              {.CaptionClasses = FCaptionClasses,
               .NoCaptionClasses = FNoCaptionClasses,
               .DefaultCaptions = FDefaultCaptions,
               .SortMethod = FSortMethod,
               .SortByEvent = !Ours || Ours->Keyloom != this,
               .OnlyUnassigned = FOnlyUnassigned,
               .Options = FOptions,
               .Sender = this,
               .OnAssign = &OnAssign});
}

void RegisterKeyloomClasses() {
  RegisterClass(TKeyloom::StaticClassInfo());
  RegisterClass(TRadioGroupIndex::StaticClassInfo());
}

}  // namespace keyloom

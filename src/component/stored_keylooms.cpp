#include <keyloom/formfile/captions.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/stored_keylooms.hpp>

namespace keyloom {

namespace {

// A TKeyloom that does not run when its form has loaded: the form's stored
// components are made as this class, so that the caller decides when to run.
class TDormantKeyloom : public TKeyloom {
  KEYLOOM_CLASS(TDormantKeyloom)
 public:
  using TKeyloom::TKeyloom;
  void Loaded() override { TComponent::Loaded(); }
};

constexpr std::string_view DormantClassName = "TDormantKeyloom";

void CollectKeylooms(TComponent& Owner, std::vector<TKeyloom*>& Out) {
  for (TComponent* C : Owner.Components()) {
    if (auto* K = AsClass<TKeyloom>(C)) Out.push_back(K);
    CollectKeylooms(*C, Out);
  }
}

}  // namespace

const TClassInfo& TDormantKeyloom::MakeStaticClassInfo() {
  static const TClassInfo Info(std::string(DormantClassName), &TKeyloom::StaticClassInfo(), {},
                               published::Factory<TDormantKeyloom>());
  return Info;
}

TKeySettings KeySettingsOf(const TKeyloom& Component) {
  TKeySettings S;
  S.Active = Component.GetActive();
  S.OnlyUnassigned = Component.GetOnlyUnassigned();
  S.SortMethod = Component.GetSortMethod();
  S.CaptionClasses = Component.GetCaptionClasses()->Items();
  S.NoCaptionClasses = Component.GetNoCaptionClasses()->Items();
  S.DefaultCaptions = Component.GetDefaultCaptions()->Items();
  S.Options = Component.GetKeyOptions();
  return S;
}

std::unique_ptr<formfile::TLoadedForm> LoadFormForKeys(formfile::TDocument Document,
                                                       const formfile::TLoadOptions& Options) {
  RegisterKeyloomClasses();
  RegisterClass(TDormantKeyloom::StaticClassInfo());
  formfile::TLoadOptions Dormant = Options;
  for (auto& [From, To] : Dormant.ClassMap)
    if (SameText(To, "TKeyloom")) To = DormantClassName;
  Dormant.ClassMap.emplace_back("TKeyloom", DormantClassName);
  return formfile::LoadForm(std::move(Document), Dormant);
}

std::vector<TKeyloom*> StoredKeylooms(TCustomForm& Form) {
  std::vector<TKeyloom*> Found;
  CollectKeylooms(Form, Found);
  return Found;
}

TKeySettings EffectiveSettings(formfile::TLoadedForm& Form, const TKeySettings& Fallback, bool* Stored) {
  for (TComponent* C : Form.Form().Components()) {
    if (auto* K = AsClass<TKeyloom>(C)) {
      if (Stored) *Stored = true;
      return KeySettingsOf(*K);
    }
  }
  if (Stored) *Stored = false;
  return Fallback;
}

int RunKeys(formfile::TLoadedForm& Form, const TKeySettings& Fallback) { return RunKeys(Form, Fallback, nullptr); }

int RunKeys(formfile::TLoadedForm& Form, const TKeySettings& Fallback, const TKeptCaptions& AlsoKept) {
  int Runs = 0;
  bool FormHasOne = false;
  for (TKeyloom* K : StoredKeylooms(Form.Form())) {
    if (K->GetOwner() == &Form.Form()) FormHasOne = true;
    if (!K->GetActive()) continue;
    K->FindKeys();
    ++Runs;
  }
  if (FormHasOne || !Fallback.Active) return Runs;
  // Captions another file of the window gives keep their letters; this file cannot write them.
  TKeptCaptions Kept = AlsoKept;
  if (!Form.Window().Files.empty())
    Kept = [&Form, &AlsoKept](const TObject* Component) {
      return formfile::CaptionFromOtherFile(Form, Component) || (AlsoKept && AlsoKept(Component));
    };
  RunPipeline(Form.Form(), Fallback, Kept);
  return Runs + 1;
}

}  // namespace keyloom

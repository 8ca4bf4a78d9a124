#include <keyloom/default_lists.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/formfile/form_keys.hpp>
#include <keyloom/host.hpp>
#include <keyloom/host/published.hpp>
#include <keyloom/markup.hpp>

#include "component/find_letters.hpp"

#include <functional>

namespace keyloom::formfile {

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

std::vector<std::string> ToVector(std::span<const std::string_view> Table) {
  return {Table.begin(), Table.end()};
}

void FillList(TStringList& List, const std::vector<std::string>& Items) { List.Assign(Items); }

void CollectKeylooms(TComponent& Owner, std::vector<TKeyloom*>& Out) {
  for (TComponent* C : Owner.Components()) {
    if (auto* K = AsClass<TKeyloom>(C)) Out.push_back(K);
    CollectKeylooms(*C, Out);
  }
}

void ForEachComponent(TComponent& Owner, const std::function<void(TComponent&)>& Visit) {
  for (TComponent* C : Owner.Components()) {
    Visit(*C);
    ForEachComponent(*C, Visit);
  }
}

const std::string* FileString(const TObjectNode* Node, std::string_view Property) {
  if (!Node) return nullptr;
  const TProperty* P = Node->FindProperty(Property);
  return P ? P->FValue.String() : nullptr;
}

// The string items of a radio group's stored item list, in order.
std::vector<const TValue*> FileItems(const TObjectNode* Node) {
  std::vector<const TValue*> Items;
  if (!Node) return Items;
  const TProperty* P = Node->FindProperty("Items.Strings");
  const TList* L = P ? P->FValue.List() : nullptr;
  if (!L) return Items;
  for (const TValue& V : L->FItems)
    if (V.String()) Items.push_back(&V);
  return Items;
}

}  // namespace

const TClassInfo& TDormantKeyloom::MakeStaticClassInfo() {
  static const TClassInfo Info(std::string(DormantClassName), &TKeyloom::StaticClassInfo(), {},
                               published::Factory<TDormantKeyloom>());
  return Info;
}

TKeySettings::TKeySettings()
    : CaptionClasses(ToVector(DefaultCaptionClasses)),
      NoCaptionClasses(ToVector(DefaultNoCaptionClasses)),
      DefaultCaptions(ToVector(DefaultDefaultCaptions)) {}

TKeySettings TKeySettings::Of(const TKeyloom& Component) {
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

std::unique_ptr<TLoadedForm> LoadFormForKeys(TDocument Document, const TLoadOptions& Options) {
  RegisterKeyloomClasses();
  RegisterClass(TDormantKeyloom::StaticClassInfo());
  TLoadOptions Dormant = Options;
  for (auto& [From, To] : Dormant.ClassMap)
    if (SameText(To, "TKeyloom")) To = DormantClassName;
  Dormant.ClassMap.emplace_back("TKeyloom", DormantClassName);
  return LoadForm(std::move(Document), Dormant);
}

std::vector<TKeyloom*> StoredKeylooms(TCustomForm& Form) {
  std::vector<TKeyloom*> Found;
  CollectKeylooms(Form, Found);
  return Found;
}

TKeySettings EffectiveSettings(TLoadedForm& Form, const TKeySettings& Fallback, bool* Stored) {
  for (TComponent* C : Form.Form().Components()) {
    if (auto* K = AsClass<TKeyloom>(C)) {
      if (Stored) *Stored = true;
      return TKeySettings::Of(*K);
    }
  }
  if (Stored) *Stored = false;
  return Fallback;
}

int RunKeys(TLoadedForm& Form, const TKeySettings& Fallback) {
  int Runs = 0;
  bool FormHasOne = false;
  for (TKeyloom* K : StoredKeylooms(Form.Form())) {
    if (K->GetOwner() == &Form.Form()) FormHasOne = true;
    if (!K->GetActive()) continue;
    K->FindKeys();
    ++Runs;
  }
  if (FormHasOne || !Fallback.Active) return Runs;

  // Dropped on the form only for this run. It starts inactive so that the
  // setters below (each of which would run the pipeline) run nothing.
  std::unique_ptr<TKeyloom> K(new TKeyloom(&Form.Form()));
  K->SetActive(false);
  K->SetOnlyUnassigned(Fallback.OnlyUnassigned);
  K->SetSortMethod(Fallback.SortMethod);
  K->SetScope(Fallback.Options.Scope);
  K->SetStrategy(Fallback.Options.Strategy);
  K->SetReservedLetters(Fallback.Options.ReservedLetters);
  K->SetNonLatin(Fallback.Options.NonLatin);
  FillList(*K->GetCaptionClasses(), Fallback.CaptionClasses);
  FillList(*K->GetNoCaptionClasses(), Fallback.NoCaptionClasses);
  FillList(*K->GetDefaultCaptions(), Fallback.DefaultCaptions);
  K->FindKeys();
  return Runs + 1;
}

const TSettingLists& SettingLists(const TKeySettings& Settings) {
  thread_local TSettingLists Lists;
  auto Refill = [](TStringList& List, const std::vector<std::string>& Items) {
    if (List.Items() != Items) List.Assign(Items);
  };
  Refill(Lists.CaptionClasses, Settings.CaptionClasses);
  Refill(Lists.NoCaptionClasses, Settings.NoCaptionClasses);
  Refill(Lists.DefaultCaptions, Settings.DefaultCaptions);
  return Lists;
}

void BuildWorkingTree(TCustomTreeView& Tree, TCustomForm& Form, const TKeySettings& Settings) {
  const TSettingLists& Lists = SettingLists(Settings);
  ClearWorkingTree(Tree);
  EnumComponents(&Form, Tree, Form, AddComponent, Lists.CaptionClasses, Lists.NoCaptionClasses);
  const TSortMethod Method = Settings.SortMethod;
  Tree.OnCompare = [Method](TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Compare) {
    CompareNodes(Method, *Node1, *Node2, Compare);
  };
  // The order AlphaSort gives with that event, each caption's keys worked out once.
  keyloom::SortTree(Tree, Method);
}

void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings) {
  if (!Settings.OnlyUnassigned) {
    const TTreeNodes& Items = Tree.GetItems();
    const int Count = Items.GetCount();
    for (int I = 0; I < Count; ++I) {
      TTreeNode* Node = Items.GetNodeFromIndex(I);
      Node->SetText(DeleteAccelerator(Node->GetText()));
    }
  }
  const TSettingLists& Lists = SettingLists(Settings);
  keyloom::detail::FindLetters(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions,
                               Settings.Options);
}

TPosition CaptionPosition(const TLoadedForm& Form, const TObject* Object) {
  if (const auto* Item = AsClass<TRadioGroupIndex>(Object)) {
    const TRadioGroup* Group = Item->GetRadioGroup();
    if (!Group) return {};
    const std::vector<const TValue*> Items = FileItems(Form.NodeOf(Group));
    const auto Index = static_cast<std::size_t>(Item->GetIndex());
    if (Item->GetIndex() >= 0 && Index < Items.size()) return Items[Index]->FPosition;
    return Form.PositionOf(Group, "Items.Strings");
  }
  const auto* Component = AsClass<TComponent>(Object);
  if (!Component) return {};
  return Form.PositionOf(Component, "Caption");
}

int CountCaptionsGivenALetter(TLoadedForm& Form) {
  int Count = 0;
  auto Given = [](const std::string* Before, const std::string& Now) {
    return !(Before && HasAccelerator(*Before)) && HasAccelerator(Now);
  };
  auto Visit = [&](TComponent& C) {
    const TObjectNode* Node = Form.NodeOf(&C);
    if (!Node) return;
    if (const TPropInfo* Caption = GetPropInfo(&C, "Caption");
        Caption && Caption->Kind == TTypeKind::tkLString && Caption->GetStr) {
      if (Given(FileString(Node, "Caption"), GetStrProp(C, *Caption))) ++Count;
    }
    if (auto* Group = AsClass<TCustomRadioGroup>(&C)) {
      const std::vector<const TValue*> Before = FileItems(Node);
      const auto& Now = Group->GetItems()->Items();
      for (std::size_t I = 0; I < Now.size() && I < Before.size(); ++I)
        if (Given(Before[I]->String(), Now[I])) ++Count;
    }
  };
  Visit(Form.Form());
  ForEachComponent(Form.Form(), Visit);
  return Count;
}

}  // namespace keyloom::formfile

#include <keyloom/formfile/captions.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>

#include <functional>

namespace keyloom::formfile {

namespace {

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

bool CaptionFromOtherFile(const TLoadedForm& Form, const TObject* Object) {
  if (Form.Window().Files.empty()) return false;
  if (const auto* Item = AsClass<TRadioGroupIndex>(Object)) {
    const TRadioGroup* Group = Item->GetRadioGroup();
    return Group && Form.FromOtherFile(Group, "Items.Strings");
  }
  const auto* Component = AsClass<TComponent>(Object);
  return Component && Form.FromOtherFile(Component, "Caption");
}

TWindowPlace CaptionPlace(const TLoadedForm& Form, const TObject* Object) {
  if (!CaptionFromOtherFile(Form, Object)) return {nullptr, CaptionPosition(Form, Object)};
  TWindowPlace Place;
  if (const auto* Item = AsClass<TRadioGroupIndex>(Object)) {
    const TRadioGroup* Group = Item->GetRadioGroup();
    const TObjectNode* Node = Form.BlockGiving(Group, "Items.Strings", &Place.File);
    const std::vector<const TValue*> Items = FileItems(Node);
    const auto Index = static_cast<std::size_t>(Item->GetIndex());
    if (Item->GetIndex() >= 0 && Index < Items.size()) {
      Place.Position = Items[Index]->FPosition;
      return Place;
    }
    return Form.PlaceOf(Group, "Items.Strings");
  }
  return Form.PlaceOf(static_cast<const TComponent*>(Object), "Caption");
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
  if (const TCustomAction* Action = CaptionActionOf(Component); Action && !FileString(Form.NodeOf(Component), "Caption"))
    return Form.PositionOf(Action, "Caption");
  return Form.PositionOf(Component, "Caption");
}

const TValue* CaptionValue(const TLoadedForm& Form, const TObject* Object) {
  if (CaptionFromOtherFile(Form, Object)) return nullptr;
  if (const auto* Item = AsClass<TRadioGroupIndex>(Object)) {
    const TRadioGroup* Group = Item->GetRadioGroup();
    if (!Group) return nullptr;
    const std::vector<const TValue*> Items = FileItems(Form.NodeOf(Group));
    const auto Index = static_cast<std::size_t>(Item->GetIndex());
    return Item->GetIndex() >= 0 && Index < Items.size() ? Items[Index] : nullptr;
  }
  const auto* Component = AsClass<TComponent>(Object);
  if (!Component) return nullptr;
  const TObjectNode* Node = Form.NodeOf(Component);
  if (const TCustomAction* Action = CaptionActionOf(Component); Action && !FileString(Node, "Caption"))
    Node = Form.NodeOf(Action);
  const TProperty* Caption = Node ? Node->FindProperty("Caption") : nullptr;
  return Caption && Caption->FValue.String() ? &Caption->FValue : nullptr;
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
        Caption && Caption->Kind == TTypeKind::tkLString && Caption->GetStr && !Form.FromOtherFile(&C, "Caption")) {
      // A caption shown from an action counts once, with the action; one the
      // file stores apart from its action's counts on its own.
      const std::string* Before = FileString(Node, "Caption");
      const TCustomAction* Action = CaptionActionOf(&C);
      const std::string* ActionBefore = Action ? FileString(Form.NodeOf(Action), "Caption") : nullptr;
      const bool FromAction = Action && (!Before || (ActionBefore && *ActionBefore == *Before));
      if (!FromAction && Given(Before, GetStrProp(C, *Caption))) ++Count;
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

// The setup page's settings beyond the plain letter search. They are the
// TKeyloom's properties, not the user's, so that the form file carries them
// to every face that runs the form.

#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/keyloom_component.hpp>

namespace keyloom {

namespace {

// A designed form owns every component put on it, frames' contents aside.
TKeyloom* KeyloomOf(const TComponent* Form) {
  if (!Form) return nullptr;
  for (TComponent* Component : Form->Components())
    if (auto* Keyloom = AsClass<TKeyloom>(Component)) return Keyloom;
  return nullptr;
}

// The boxes list their enumeration's values in order.
template <class E>
E Choice(const TComboBox& Box, E Current) {
  const int Index = Box.GetItemIndex();
  return Index >= 0 && Index < Box.GetItems()->Count() ? static_cast<E>(Index) : Current;
}

}  // namespace

TKeyOptions TKeyloomForm::GetKeyOptions() const { return FKeyloom ? FKeyloom->GetKeyOptions() : TKeyOptions{}; }

void TKeyloomForm::SetKeyloom(TKeyloom* Keyloom) {
  if (Keyloom == FKeyloom) return;
  if (FKeyloom) RemoveFreeNotification(FKeyloom);
  FKeyloom = Keyloom;
  if (Keyloom) FreeNotification(Keyloom);
}

void TKeyloomForm::UpdateKeyOptions() {
  SetKeyloom(KeyloomOf(FOwnerForm));
  const TKeyOptions Options = GetKeyOptions();
  cbScope->SetItemIndex(static_cast<int>(Options.Scope));
  cbStrategy->SetItemIndex(static_cast<int>(Options.Strategy));
  cbNonLatin->SetItemIndex(static_cast<int>(Options.NonLatin));
  cbPlaceholders->SetItemIndex(static_cast<int>(Options.Placeholders));
  eReservedLetters->SetText(Options.ReservedLetters);
  // Without a component there is nowhere to keep them: the defaults are shown.
  for (TControl* Control : pKeyOptions->Controls()) Control->SetEnabled(FKeyloom != nullptr);
}

void TKeyloomForm::KeyOptionsChange(TObject*) {
  if (!FKeyloom) return;
  const TKeyOptions Before = FKeyloom->GetKeyOptions();
  FKeyloom->SetScope(Choice(*cbScope, Before.Scope));
  FKeyloom->SetStrategy(Choice(*cbStrategy, Before.Strategy));
  FKeyloom->SetNonLatin(Choice(*cbNonLatin, Before.NonLatin));
  FKeyloom->SetPlaceholders(Choice(*cbPlaceholders, Before.Placeholders));
  FKeyloom->SetReservedLetters(eReservedLetters->GetText());
  if (FDesigner && !(FKeyloom->GetKeyOptions() == Before)) FDesigner->Modified();
}

}  // namespace keyloom

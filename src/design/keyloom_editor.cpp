#include <keyloom/design/keyloom_editor.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/keyloom_component.hpp>

namespace keyloom {

void Register() {
  RegisterComponentEditor(TForm::StaticClassInfo(), EditorFactory<TKeyloomEditor>());
  RegisterComponentEditor(TPanel::StaticClassInfo(), EditorFactory<TKeyloomEditor>());
  RegisterComponents(PalettePageName, {&TKeyloom::StaticClassInfo()});
}

TKeyloomEditor::TKeyloomEditor(TComponent* AComponent, std::shared_ptr<IDesigner> ADesigner)
    : TComponentEditor(AComponent, std::move(ADesigner)) {}

TKeyloomEditor::~TKeyloomEditor() = default;

namespace {

// The first form on the component's control parent chain: the form itself,
// or the form that holds a panel through any number of containers.
TCustomForm* DesignedFormOf(TComponent* Component) {
  if (auto* Form = AsClass<TCustomForm>(Component)) return Form;
  auto* Control = AsClass<TControl>(Component);
  for (TWinControl* Parent = Control ? Control->GetParent() : nullptr; Parent; Parent = Parent->GetParent())
    if (auto* Form = AsClass<TCustomForm>(Parent)) return Form;
  return nullptr;
}

}  // namespace

void TKeyloomEditor::Edit() {
  // A component on no form (not placed on a designed form) has nothing to show.
  TCustomForm* Form = DesignedFormOf(GetComponent());
  if (!Form) return;
  if (!FEditorForm) FEditorForm = std::make_unique<TKeyloomForm>(nullptr);
  std::shared_ptr<IDesigner> Designer = GetDesigner();
  FEditorForm->SetOwnerForm(Form);
  if (Designer) FEditorForm->Services = Designer->GetServices();
  FEditorForm->SetDesigner(std::move(Designer));
  FEditorForm->Show();
}

void TKeyloomEditor::ExecuteVerb(int Index) {
  if (Index == 0) Edit();
}

std::string TKeyloomEditor::GetVerb(int) { return std::string(KeyloomVerb); }

int TKeyloomEditor::GetVerbCount() { return 1; }

}  // namespace keyloom

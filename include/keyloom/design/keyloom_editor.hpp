#pragma once

// The package's entry into the form designer: Register puts TKeyloom on the
// palette and attaches TKeyloomEditor to forms and panels, whose one verb
// opens the editor window for the form that holds the clicked control.

#include <keyloom/design/designer.hpp>
#include <keyloom/design/keyloom_form.hpp>

#include <memory>
#include <string>
#include <string_view>

namespace keyloom {

// The text the designer shows in its list of packages.
inline constexpr std::string_view PackageDescription = "Velquist Keyloom";
// The palette page of TKeyloom.
inline constexpr std::string_view PalettePageName = "Velquist";
// The one verb of the component editor.
inline constexpr std::string_view KeyloomVerb = "&Keyloom...";

// Registers the component editor for TForm and TPanel, then TKeyloom on the
// palette page "Velquist". Call it while a registry loads the package:
// Registry.LoadPackage(PackageDescription, Register).
void Register();

class TKeyloomEditor : public TComponentEditor {
 public:
  TKeyloomEditor(TComponent* AComponent, std::shared_ptr<IDesigner> ADesigner);
  // Frees the window (which leaves the designed form's message chain and saves its lists).
  ~TKeyloomEditor() override;

  // Opens the window modelessly for the form that holds the component,
  // making it on first use.
  void Edit() override;
  // Index 0 runs Edit; any other index does nothing.
  void ExecuteVerb(int Index) override;
  // "&Keyloom..." whatever the index.
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

  // The window; nil until the first Edit.
  TKeyloomForm* GetEditorForm() const { return FEditorForm.get(); }

 private:
  std::unique_ptr<TKeyloomForm> FEditorForm;
};

}  // namespace keyloom

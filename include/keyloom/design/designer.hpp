#pragma once

// The form designer's side of a design-time package: the designer interface,
// component editors and their verbs, registration on the component palette,
// and the services (message box, shell) a design-time window calls.

#include <keyloom/errors.hpp>
#include <keyloom/host/classes.hpp>
#include <keyloom/host/forms.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

class EDesignerError : public EKeyloomError {
 public:
  using EKeyloomError::EKeyloomError;
};

// ---------------------------------------------------------------- services

// Message box flags and answers, as the framework's message box has them.
inline constexpr int MB_OK = 0x00;
inline constexpr int MB_OKCANCEL = 0x01;
inline constexpr int MB_YESNO = 0x04;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// What a design-time window asks of its surroundings. A desktop face puts up
// real dialogs; tests answer them.
struct TDesignServices {
  // Shows a modal message box; returns the button chosen, 0 when none could be shown.
  std::function<int(const std::string& Text, const std::string& Title, int Flags)> MessageBox;
  // Asks the shell to open a document or link; the result is not reported.
  std::function<void(const std::string& Target)> ShellOpen;

  // Headless defaults: no message box can be shown (answer 0); links open
  // through the desktop's opener when they are web or mail addresses.
  static TDesignServices Defaults();
};

// Starts the desktop's opener on Target without a shell in between. Only
// http, https and mailto addresses are opened; anything else is refused
// (false), so that a label's text can never start a program.
bool OpenWithDesktop(const std::string& Target);

// ---------------------------------------------------------------- designer interface

// The designer of one form, as a package sees it. Held through shared_ptr:
// whoever keeps it keeps a counted reference.
class IDesigner {
 public:
  virtual ~IDesigner() = default;
  // Tells the designer that the designed form changed and needs saving.
  virtual void Modified() = 0;
  // The designed form (nil once it is gone).
  virtual TCustomForm* GetRoot() const = 0;
  // The dialogs and the shell of the host.
  virtual const TDesignServices& GetServices() const = 0;
};

// ---------------------------------------------------------------- component editors

// The base of component editors: the designer makes one for a component whose
// class (or an ancestor) has an editor registered, shows its verbs in the
// component's context menu and runs the one chosen.
class TComponentEditor {
 public:
  TComponentEditor(TComponent* AComponent, std::shared_ptr<IDesigner> ADesigner);
  TComponentEditor(const TComponentEditor&) = delete;
  TComponentEditor& operator=(const TComponentEditor&) = delete;
  virtual ~TComponentEditor();

  // Runs on a double click; the default runs the first verb when there is one.
  virtual void Edit();
  virtual void ExecuteVerb(int Index);
  virtual std::string GetVerb(int Index);
  virtual int GetVerbCount();
  // Copies the component to the clipboard in a form of its own; nothing by default.
  virtual void Copy();

  TComponent* GetComponent() const { return FComponent; }
  std::shared_ptr<IDesigner> GetDesigner() const { return FDesigner; }

 private:
  TComponent* FComponent;
  std::shared_ptr<IDesigner> FDesigner;
};

using TComponentEditorFactory =
    std::function<std::unique_ptr<TComponentEditor>(TComponent* Component, std::shared_ptr<IDesigner> Designer)>;

// A factory for editor class E.
template <class E>
TComponentEditorFactory EditorFactory() {
  return [](TComponent* Component, std::shared_ptr<IDesigner> Designer) -> std::unique_ptr<TComponentEditor> {
    return std::make_unique<E>(Component, std::move(Designer));
  };
}

// ---------------------------------------------------------------- registration

// What packages registered: component editors by class and the palette pages.
class TDesignRegistry {
 public:
  struct TPackage {
    std::string Description;
  };
  struct TPalettePage {
    std::string Name;
    std::vector<const TClassInfo*> Classes;
  };

  void RegisterComponentEditor(const TClassInfo& ComponentClass, TComponentEditorFactory Factory);
  // Adds the classes to the palette page (made when missing); also makes them known by name.
  void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes);

  // Loads a package: its Register procedure runs with this registry receiving
  // the registration calls. An error in Register leaves what it registered so far.
  void LoadPackage(std::string_view Description, const std::function<void()>& Register);

  // The factory of the editor registered last for the class nearest to
  // ComponentClass on its ancestor chain; nil when none.
  const TComponentEditorFactory* FindComponentEditor(const TClassInfo& ComponentClass) const;
  const std::vector<TPalettePage>& PalettePages() const { return FPages; }
  const TPalettePage* FindPalettePage(std::string_view Name) const;
  const std::vector<TPackage>& Packages() const { return FPackages; }

 private:
  struct TEditorEntry {
    const TClassInfo* Class;
    TComponentEditorFactory Factory;
  };
  std::vector<TEditorEntry> FEditors;
  std::vector<TPalettePage> FPages;
  std::vector<TPackage> FPackages;
};

// The palette picture of a component class: the resource named after the
// class in capitals ("TKEYLOOM"); nothing when the package has none.
std::optional<std::string_view> PaletteBitmap(const TClassInfo& ComponentClass);

// The registration calls a package's Register makes. They reach the registry
// that is loading the package; outside a package load they raise EDesignerError.
void RegisterComponentEditor(const TClassInfo& ComponentClass, TComponentEditorFactory Factory);
void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes);

}  // namespace keyloom

#pragma once

// A form designer of our own: opens a form file as the designed form, offers
// the verbs of the registered component editors, inserts and removes
// components, tracks modification and saves the form back losslessly.

#include <keyloom/design/designer.hpp>
#include <keyloom/formfile/catalogue.hpp>
#include <keyloom/formfile/loader.hpp>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

class TDesignerHost {
 public:
  // The registry must outlive the host.
  explicit TDesignerHost(const TDesignRegistry& Registry);
  TDesignerHost(const TDesignerHost&) = delete;
  TDesignerHost& operator=(const TDesignerHost&) = delete;
  ~TDesignerHost();

  // Reads the file as the designed form (every component in the designing
  // state), after closing the form open before. Raises formfile::EFormFileError.
  void Open(const std::filesystem::path& Path, formfile::TLoadOptions Options = {});
  // The form as shown in the catalogue's language; Save then writes the
  // changed translations into the catalogue, and the form file stays as it is.
  void Open(const std::filesystem::path& Path, std::shared_ptr<formfile::TCatalogue> Catalogue,
            formfile::TLoadOptions Options = {});
  // The catalogue of the language the form is shown in; nil for the original.
  const formfile::TCatalogue* Catalogue() const { return FCatalogue.get(); }
  // Frees the component editors (and so their windows), then the form.
  void Close();
  bool IsOpen() const { return FLoaded != nullptr; }
  // The designed form; raises EDesignerError when none is open.
  TCustomForm& Form() const;
  formfile::TLoadedForm& Loaded() const;
  const std::filesystem::path& FileName() const { return FFileName; }
  // The designer interface handed to component editors.
  std::shared_ptr<IDesigner> GetDesigner() const { return FDesigner; }

  bool IsModified() const { return FModified; }
  // Runs whenever the form is marked modified.
  std::function<void()> OnModified;

  // The context menu of a component of the designed form (the form itself
  // included): the verbs of the editor registered for its class or nearest
  // ancestor; none without an editor.
  std::vector<std::string> GetVerbs(TComponent* Component);
  void ExecuteVerb(TComponent* Component, int Index);
  // The component's editor, made on first use and kept until the component
  // goes or the form closes; nil when no editor is registered for it.
  TComponentEditor* EditorOf(TComponent* Component);

  // Makes a component of a registered class owned by the form, named Name
  // (a fresh name such as Button3 when empty). A control is placed on Parent
  // (the form when nil), a menu item below Parent (a menu or an item). The
  // form receives message 45110 and is marked modified.
  TComponent* InsertComponent(const TClassInfo& Class, TComponent* Parent = nullptr, const std::string& Name = {});
  // Removes the component and everything on it (child controls, sub-items):
  // their editors go first, then the form is told (45110) while nothing of
  // them is in its component list any more, then they are freed.
  void DeleteComponent(TComponent* Component);

  // Binds an event of a component to the handler of that name, as a designer
  // binds an event to a method of the form: the name is what the file
  // stores; the handler is what the open options' FindMethod gives for it
  // (nothing bound when it gives nothing). An empty name unbinds. Raises
  // EDesignerError for an unknown event or a name that is no identifier.
  void SetEventHandler(TComponent* Component, std::string_view Event, const std::string& HandlerName);
  std::string GetEventHandler(TComponent* Component, std::string_view Event) const;

  // Writes the form into the file it was read from, replacing it atomically:
  // the published properties changed since opening (or the last save), the
  // components inserted (new blocks) and those deleted (blocks gone); the
  // rest of the file stays byte for byte. A component whose parent has no
  // block raises formfile::EFormFileError, and the file is left alone.
  void Save();
  void SaveAs(const std::filesystem::path& Path);

  // The dialogs and the shell that windows opened from this designer use.
  TDesignServices Services = TDesignServices::Defaults();

 private:
  class TDesigner;
  class TObserver;
  void MarkModified();
  void Forget(TComponent* Component);
  void CheckOwned(TComponent* Component) const;
  void FreeEditors(const std::set<TComponent*>& Components);
  std::string UniqueName(const TClassInfo& Class) const;

  const TDesignRegistry& FRegistry;
  std::shared_ptr<IDesigner> FDesigner;  // a TDesigner
  // Told when a component with an editor, or one inserted here, goes away.
  std::unique_ptr<TObserver> FObserver;
  std::unique_ptr<formfile::TLoadedForm> FLoaded;
  std::filesystem::path FFileName;
  formfile::TLoadOptions FOptions;  // as the form was opened
  std::map<TComponent*, std::unique_ptr<TComponentEditor>> FEditors;
  std::set<TComponent*> FInserted;
  bool FModified = false;
  std::shared_ptr<formfile::TCatalogue> FCatalogue;
  std::vector<formfile::TTranslatedText> FTexts;
};

}  // namespace keyloom

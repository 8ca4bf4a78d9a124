#pragma once

// Reading a form file into host components, as the framework streams a form,
// and writing the captions the pipeline changed back into the file.

#include <keyloom/formfile/document.hpp>
#include <keyloom/host/forms.hpp>

#include <any>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace keyloom::formfile {

struct TLoadOptions {
  // FROM -> TO: objects of class FROM are made as the known class TO and
  // behave exactly as it does.
  std::vector<std::pair<std::string, std::string>> ClassMap;
  // Binds event properties (`OnClick = bClearClick`) by handler name; without
  // it, or when it yields nothing, the event stays unbound (the file keeps it).
  std::function<std::any(std::string_view HandlerName, const TPropInfo& Event)> FindMethod;
  // Puts every component into the designing state (a designer host opening a form).
  bool Designing = false;
  // Loads into this existing form instead of making one (not owned).
  TCustomForm* Root = nullptr;
};

// A form read from its file: the document, the components made from it, and
// which object of the file each component came from.
class TLoadedForm {
 public:
  TLoadedForm(TDocument Document, std::unique_ptr<TCustomForm> OwnedForm, TCustomForm* Form);
  TLoadedForm(const TLoadedForm&) = delete;
  TLoadedForm& operator=(const TLoadedForm&) = delete;
  ~TLoadedForm();

  TDocument& Document() { return FDocument; }
  const TDocument& Document() const { return FDocument; }
  TCustomForm& Form() { return *FForm; }

  // The file object a component was read from; nil for components made later.
  TObjectNode* NodeOf(const TComponent* Component) const;
  // Where a component's property stands in the file, else its object header.
  TPosition PositionOf(const TComponent* Component, std::string_view Property = {}) const;
  // Objects whose class the host did not know (class names, once each, in file order).
  const std::vector<std::string>& UnknownClasses() const { return FUnknownClasses; }
  int UnknownObjectCount() const { return FUnknownObjects; }

  // Writes every caption that differs from what was read (published "Caption"
  // properties and radio-group items) into the document, in the file's own
  // conventions. Returns the number of values written.
  int StoreCaptions();
  // The file's bytes with every edit applied.
  std::string Render() const { return FDocument.Render(); }

 private:
  friend class TFormReader;
  struct TOrigin {
    TObjectNode* Node = nullptr;
    std::string Caption;              // the caption as read ("" when none)
    bool HasCaption = false;          // the class publishes a long-string "Caption"
    std::vector<std::string> Items;   // radio-group items as read
  };

  TDocument FDocument;
  std::unique_ptr<TCustomForm> FOwnedForm;
  TCustomForm* FForm;
  std::unordered_map<const TComponent*, TOrigin> FOrigins;
  std::vector<const TComponent*> FOrder;  // components in file order
  std::vector<std::string> FUnknownClasses;
  int FUnknownObjects = 0;
};

// Throws EFormFileError (file, line, column) when the file cannot be parsed
// or its objects cannot be made.
std::unique_ptr<TLoadedForm> LoadForm(TDocument Document, const TLoadOptions& Options = {});
std::unique_ptr<TLoadedForm> LoadFormFile(const std::filesystem::path& Path, const TLoadOptions& Options = {});

}  // namespace keyloom::formfile

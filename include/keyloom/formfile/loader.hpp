#pragma once

// Reading a form file into host components, as the framework streams a form,
// and writing the captions the pipeline changed back into the file.

#include <keyloom/formfile/document.hpp>
#include <keyloom/host/forms.hpp>

#include <any>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace keyloom::formfile {

namespace detail {
class TComponentWriter;
}
class TWindowSources;

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
  // Keeps what each component's stored properties were after loading, so
  // that StoreComponents writes only what changed. A form that is only read
  // does without and takes a third less memory; StoreComponents then refuses.
  bool KeepState = true;
  // Keeps each caption and radio-group item as read, so that StoreCaptions
  // writes only what changed. A form that is only read does without;
  // StoreCaptions then refuses.
  bool KeepCaptions = true;
  // Composes the whole window as it runs: the ancestor forms of an inherited
  // form first, the form files of inline frames as their content (not owned).
  // Without it the file is read alone.
  const TWindowSources* Window = nullptr;
  // The document of another file of the window as the run should see it (in
  // a catalogue's language, say); without it, as the file holds it.
  std::function<std::shared_ptr<TDocument>(const std::shared_ptr<TDocument>&)> OtherFile;
};

// What composing a window found and missed.
struct TWindowReport {
  // One line each: an ancestor or frame class that no file gave, and where it was looked for.
  std::vector<std::string> Missing;
  // Which file was taken where several declare a class.
  std::vector<std::string> Notes;
  // The other files streamed, in order.
  std::vector<std::string> Files;
  // `inherited` blocks whose component the composed ancestor or frame does not hold.
  int Unmatched = 0;
};

// Where a value of a loaded window stands: in the form's own file (File nil) or another.
struct TWindowPlace {
  const std::string* File = nullptr;
  TPosition Position;
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
  // The window composed around the form (empty when read alone).
  const TWindowReport& Window() const { return FWindow; }
  // Whether the component's property has its value from another file of the
  // window: a component of an ancestor or a frame that this file does not
  // override there. Such values are not this file's to write.
  bool FromOtherFile(const TComponent* Component, std::string_view Property) const;
  // Where the value of the component's property was last given, else its object's header.
  TWindowPlace PlaceOf(const TComponent* Component, std::string_view Property) const;
  // The block that gives it, and its file (nil: this form's file); nil when none.
  const TObjectNode* BlockGiving(const TComponent* Component, std::string_view Property,
                                 const std::string** File) const;

  // Objects whose class the host did not know (class names, once each, in file order).
  const std::vector<std::string>& UnknownClasses() const { return FUnknownClasses; }
  int UnknownObjectCount() const { return FUnknownObjects; }
  // Of those, the objects that store a caption or hold menu items, which would
  // take part if their class were mapped to a known one: class name -> count.
  const std::map<std::string, int>& UnknownWithCaptions() const { return FUnknownWithCaptions; }

  // Writes every caption that differs from what was read (published "Caption"
  // properties and radio-group items) into the document, in the file's own
  // conventions. Returns the number of values written.
  int StoreCaptions();
  // Brings the file in line with the form and the components it owns, as the
  // framework stores published properties (defaults left out, string lists as
  // `Name.Strings`, events by handler name, references by component name):
  // - a property that changed since the form was read or last stored is
  //   rewritten in place, added after the object's last property, or removed
  //   when it is no longer stored (back at its default);
  // - a component of the form that the file does not hold gets a new block
  //   below its parent's (its parent control, menu or menu item; the form for
  //   components without a parent), after the last child;
  // - a component freed or taken off the form loses its block.
  // Everything else stays byte for byte. The document is then parsed again,
  // so that what was added can be edited by the next call. Returns the number
  // of properties and blocks written or removed. Raises EFormFileError when a
  // new component's parent has no block to go into.
  int StoreComponents();

  // The handler an event property is bound to, by the name the form's code
  // gives it: read from the file, or set by a designer. Empty when none. A
  // bound handler without a name is not stored.
  std::string HandlerName(const TComponent* Component, std::string_view Event) const;
  void SetHandlerName(TComponent* Component, std::string_view Event, const std::string& Name);

  // The file's bytes with every edit applied.
  std::string Render() const { return FDocument.Render(); }

 private:
  friend class TFormReader;
  class TObserver;
  struct TOrigin {
    TObjectNode* Node = nullptr;
    std::string Caption;              // the caption as read ("" when none)
    bool HasCaption = false;          // the class publishes a long-string "Caption"
    std::vector<std::string> Items;   // radio-group items as read
    // Published values as read or last stored, in the order the writer walks them.
    std::vector<const TPropInfo*> SnapshotProps;
    std::vector<std::string> Snapshot;
    bool Watched = false;  // an observer is told when the component goes
    bool Inherited = false;  // an `inherited` block on a component made by another file
  };
  struct TForeign {
    const TDocument* Document = nullptr;
    const TObjectNode* Node = nullptr;
  };
  struct TInserted {
    TComponent* Component = nullptr;
    std::vector<TInserted> Children;
  };

  void Record(TComponent& Component, TObjectNode* Node);
  // Without a writer only the caption and the items are kept.
  void RecordState(TComponent& Component, detail::TComponentWriter* Writer);
  void Watch(TComponent& Component);
  void Watch(TComponent& Component, TOrigin* Origin);
  void Forget(const TComponent* Component);
  bool OnForm(const TComponent* Component) const;
  void Reparse(const std::map<const TObjectNode*, std::vector<TInserted>>& Inserted);

  TDocument FDocument;
  bool FKeepState = true;
  bool FKeepCaptions = true;
  std::unique_ptr<TCustomForm> FOwnedForm;
  TCustomForm* FForm;
  std::unordered_map<const TComponent*, TOrigin> FOrigins;
  std::vector<const TComponent*> FOrder;  // components in file order
  std::vector<std::string> FUnknownClasses;
  int FUnknownObjects = 0;
  std::map<std::string, int> FUnknownWithCaptions;
  // Lower-case event name -> handler name, per component.
  std::unordered_map<const TComponent*, std::map<std::string, std::string>> FHandlers;
  std::vector<TObjectNode*> FGoneNodes;  // blocks of components freed since the last store
  // Watched components without an origin (see TOrigin::Watched).
  std::unordered_set<const TComponent*> FWatched;
  // Window composition: the blocks of other files each component was read
  // from, in streaming order, and those files' documents, kept for their nodes.
  std::unordered_map<const TComponent*, std::vector<TForeign>> FForeign;
  std::vector<std::shared_ptr<TDocument>> FWindowDocuments;
  TWindowReport FWindow;
  // Told when a component goes; each watches a bounded number, so that
  // watching stays linear. Last, so that they go before the form.
  std::vector<std::unique_ptr<TObserver>> FObservers;
};

// Throws EFormFileError (file, line, column) when the file cannot be parsed
// or its objects cannot be made.
std::unique_ptr<TLoadedForm> LoadForm(TDocument Document, const TLoadOptions& Options = {});
std::unique_ptr<TLoadedForm> LoadFormFile(const std::filesystem::path& Path, const TLoadOptions& Options = {});

}  // namespace keyloom::formfile

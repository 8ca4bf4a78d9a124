#pragma once

// What the framework streams for a component: its published values by path
// in the file (`Active`, `Font.Name`, `CaptionClasses.Strings`), whether each
// is stored, and the value to write.

#include <keyloom/formfile/document.hpp>
#include <keyloom/host/classes.hpp>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom::formfile::detail {

struct TPublishedValue {
  const TPropInfo* Prop = nullptr;
  std::string Path;  // only when values are asked for
  // The current value, comparable with an earlier one; filled whether stored or not.
  std::string Canon;
  bool Stored = false;  // only when values are asked for
  TValue Value;         // only when values are asked for and the value is stored
};

// The canonical values of a component in walk order, as taken when it was
// read or last stored. The walk of a class is always the same, so a value is
// known by its index; the property infos confirm it.
struct TSnapshot {
  std::vector<const TPropInfo*> Props;
  std::vector<std::string> Canons;
};

// The name an event of a component is bound to, or empty.
using THandlerNameFunc = std::function<std::string(const TComponent& Component, std::string_view Event)>;

class TComponentWriter {
 public:
  // References are written relative to Root (the form being stored).
  TComponentWriter(const TComponent& Root, THandlerNameFunc HandlerName);
  TComponentWriter(const TComponentWriter&) = delete;
  TComponentWriter& operator=(const TComponentWriter&) = delete;
  ~TComponentWriter();

  // Every published value of the component in published order, sub-objects
  // expanded in place. With WithValues, also whether the framework stores it
  // and what it writes; names in the values live as long as this writer.
  std::vector<TPublishedValue> Values(const TComponent& Component, bool WithValues);
  // The canons of Values, cheaper.
  TSnapshot Snapshot(const TComponent& Component);

 private:
  struct TWalk;
  // The walk at one property of an object.
  struct TVisit;
  void Walk(TWalk& W, const TObject& Object, const TObject* Fresh, const std::string& Prefix);
  void WalkProperty(const TVisit& V);
  void AddInteger(const TVisit& V);
  void AddEnumeration(const TVisit& V);
  void AddSet(const TVisit& V);
  static void AddFloat(const TVisit& V);
  static void AddString(const TVisit& V);
  void AddObject(const TVisit& V);
  static void AddStrings(const TVisit& V, const TStrings& Strings, const TStrings* FreshStrings);
  void AddCollection(const TVisit& V, const keyloom::TCollection& Items, const keyloom::TCollection* FreshItems);
  std::string ItemCanon(const TObject& Item);
  void WalkSubObject(const TVisit& V, const TObject& Sub, const TObject* FreshSub);
  void AddName(const TVisit& V, std::string_view Tag, std::string Name);
  void WalkCollectionItem(const TObject& Item, std::vector<TProperty>& Out, const std::string& Prefix);
  const TComponent* FreshOf(const TComponent& Component);
  std::string_view Keep(std::string Text);
  std::string ReferenceName(const TComponent* Target) const;

  const TComponent& FRoot;
  THandlerNameFunc FHandlerName;
  std::deque<std::string> FPool;
  std::map<const TClassInfo*, std::unique_ptr<TComponent>> FFresh;
};

// Whether a value in a file reads as the given one (places and spellings aside).
bool SameData(const TValue& A, const TValue& B);

}  // namespace keyloom::formfile::detail

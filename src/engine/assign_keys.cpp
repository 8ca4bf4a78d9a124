#include <keyloom/engine.hpp>
#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include "queries/class_facts.hpp"
#include "host/write_walk.hpp"
#include "tree/radio_item_shelf.hpp"

namespace keyloom {

namespace {

void WriteRadioGroupItem(const TRadioGroupIndex& Proxy, const std::string& Caption) {
  TRadioGroup* RadioGroup = Proxy.GetRadioGroup();
  if (!RadioGroup) return;
  TStrings& Items = *RadioGroup->GetItems();
  if (Proxy.GetIndex() < 0 || Proxy.GetIndex() >= Items.Count()) return;
  Items.Put(Proxy.GetIndex(), Caption);
}

TBasicAction* ActionOf(const TObject* Component, const TClassFacts& Facts) {
  if (Facts.Kind.Control) return static_cast<const TControl*>(Component)->GetAction();
  if (Facts.Kind.MenuItem) return static_cast<const TMenuItem*>(Component)->GetAction();
  return nullptr;
}

// Every write that applies gets the same caption.
void WriteCaption(TObject* Component, const TClassFacts& Facts, const std::string& Caption, bool WritePublished) {
  // A caption shown from an action is the action's: written there, it reaches every control showing it.
  if ((Facts.Kind.MenuItem || (Facts.Kind.Control && WritePublished && Facts.PublishesCaption)) &&
      ActionOf(Component, Facts))
    if (TCustomAction* Action = CaptionActionOf(Component)) Action->SetCaption(Caption);
  if (WritePublished && Facts.PublishesCaption && Facts.CaptionProp) SetStrProp(*Component, *Facts.CaptionProp, Caption);
  if (Facts.Kind.GroupBox) static_cast<TGroupBox*>(Component)->SetText(Caption);
  if (Facts.Kind.MenuItem) static_cast<TMenuItem*>(Component)->SetCaption(Caption);
  if (Facts.Kind.RadioGroupIndex) WriteRadioGroupItem(*static_cast<const TRadioGroupIndex*>(Component), Caption);
}

}  // namespace

void AssignKeys(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TObject* Sender, const TAssignEvent& Handler) {
  const TTreeNodes& Items = Tree.GetItems();
  TClassFactCache Facts(NoCaptionClasses);
  const TRadioItemShelf* Shelf = TRadioItemShelf::Of(Tree, false);
  const bool RadioItems = Shelf && Shelf->AnyTaken();
  // A handler may change the tree: the walk reads the count each time.
  TWriteWalk Walk(Items, RadioItems);
  while (const TTreeNode* Node = Walk.Next()) {
    TObject* Component = Node->GetData();
    // A node that shows a component's name, or stands for a no-caption class, has nothing to write.
    const TClassFacts& Class = Facts.Of(Component);
    if (Class.NoCaption) continue;
    // Outside the no-caption list only containers stand under their name:
    // the others need not have their caption worked out again. The name is
    // no caption to store, but the application still hears of the node.
    const bool ShowsName = Class.Kind.Control && static_cast<const TControl*>(Component)->AcceptsControls() &&
                           !HasNoOwnCaption(Class) &&
                           GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Source == TCaptionSource::csName;
    std::string Caption = Node->GetText();
    if (Handler) Handler(Sender, Component, Caption);
    if (!ShowsName) WriteCaption(Component, Facts.Of(Component), Caption, CaptionClasses.Count() > 0);
  }
}

}  // namespace keyloom

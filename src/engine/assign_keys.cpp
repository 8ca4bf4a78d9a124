#include <keyloom/engine.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include "engine/class_facts.hpp"
#include "host/prefetch.hpp"

namespace keyloom {

namespace {

void WriteRadioGroupItem(const TRadioGroupIndex& Proxy, const std::string& Caption) {
  TRadioGroup* RadioGroup = Proxy.GetRadioGroup();
  if (!RadioGroup) return;
  TStrings& Items = *RadioGroup->GetItems();
  if (Proxy.GetIndex() < 0 || Proxy.GetIndex() >= Items.Count()) return;
  Items.Put(Proxy.GetIndex(), Caption);
}

// Every write that applies gets the same caption.
void WriteCaption(TObject* Component, const TClassFacts& Facts, const std::string& Caption, bool WritePublished) {
  if (WritePublished && Facts.PublishesCaption && Facts.CaptionProp) SetStrProp(*Component, *Facts.CaptionProp, Caption);
  if (Facts.Kind.GroupBox) static_cast<TGroupBox*>(Component)->SetText(Caption);
  if (Facts.Kind.MenuItem) static_cast<TMenuItem*>(Component)->SetCaption(Caption);
  if (Facts.Kind.RadioGroupIndex) WriteRadioGroupItem(*static_cast<const TRadioGroupIndex*>(Component), Caption);
}

// Sorting leaves the nodes, and the components behind them, in no order in
// memory: on a large form every step would wait for both. Asking early for
// the ones a few steps ahead lets those waits overlap.
void Prefetch(const TTreeNodes& Items, int I) {
  constexpr int Near = 8;
  constexpr int Far = 2 * Near;
  const int Count = Items.GetCount();
  if (I + Far < Count) PrefetchWhole(Items.GetNodeFromIndex(I + Far));
  if (I + Near < Count) {
    PrefetchComponent(Items.GetNodeFromIndex(I + Near)->GetData());
  }
}

}  // namespace

void AssignKeys(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TObject* Sender, const TAssignEvent& Handler) {
  const TTreeNodes& Items = Tree.GetItems();
  TClassFactCache Facts(NoCaptionClasses);
  // The count is read each time: a handler may have changed the tree.
  for (int I = 0; I < Items.GetCount(); ++I) {
    Prefetch(Items, I);
    const TTreeNode* Node = Items.GetNodeFromIndex(I);
    TObject* Component = Node->GetData();
    // A node that shows a component's name, or stands for a no-caption class, has nothing to write.
    const TClassFacts& Class = Facts.Of(Component);
    if (Class.NoCaption) continue;
    // Outside the no-caption list only containers stand under their name:
    // the others need not have their caption worked out again.
    if (Class.Kind.Control && static_cast<const TControl*>(Component)->AcceptsControls() &&
        !HasNoOwnCaption(Class) &&
        GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Source == TCaptionSource::csName)
      continue;
    std::string Caption = Node->GetText();
    if (Handler) Handler(Sender, Component, Caption);
    WriteCaption(Component, Facts.Of(Component), Caption, CaptionClasses.Count() > 0);
  }
}

}  // namespace keyloom

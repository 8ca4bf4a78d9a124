#include <keyloom/engine.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/tree.hpp>

#include "engine/class_facts.hpp"
#include "host/prefetch.hpp"
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

// Every write that applies gets the same caption.
void WriteCaption(TObject* Component, const TClassFacts& Facts, const std::string& Caption, bool WritePublished) {
  if (WritePublished && Facts.PublishesCaption && Facts.CaptionProp) SetStrProp(*Component, *Facts.CaptionProp, Caption);
  if (Facts.Kind.GroupBox) static_cast<TGroupBox*>(Component)->SetText(Caption);
  if (Facts.Kind.MenuItem) static_cast<TMenuItem*>(Component)->SetCaption(Caption);
  if (Facts.Kind.RadioGroupIndex) WriteRadioGroupItem(*static_cast<const TRadioGroupIndex*>(Component), Caption);
}

// A radio item's text lies three steps from its proxy: the proxy names the
// group, the group holds the list, the list holds the text. Each step is
// asked for once the one before it has had time to arrive.
const TRadioGroupIndex* ProxyAt(const TTreeNodes& Items, int I) {
  const TObject* Data = Items.GetNodeFromIndex(I)->GetData();
  return Data && KindOf(Data).RadioGroupIndex ? static_cast<const TRadioGroupIndex*>(Data) : nullptr;
}

void PrefetchGroupOf(const TRadioGroupIndex& Proxy) {
  const TRadioGroup* Group = Proxy.GetRadioGroup();
  if (!Group) return;
  PrefetchField(Group->OnHostChanged);
  PrefetchWhole(Group->GetItems());
}

void PrefetchItemOf(const TRadioGroupIndex& Proxy) {
  const TRadioGroup* Group = Proxy.GetRadioGroup();
  if (!Group) return;
  const auto& Texts = Group->GetItems()->Items();
  const auto Index = static_cast<std::size_t>(Proxy.GetIndex());
  if (Index < Texts.size()) PrefetchField(Texts[Index]);
}

// What writing reads of a control or menu item beyond its first line: its
// caption and who hears of its changes (of a radio item, its group's). The
// whole object is nine lines, five of which writing never reads: on a form
// too large for the cache, asking for them kept the memory busy.
void PrefetchWritten(const TObject* Component) {
  const TKindFacts& Kind = KindOf(Component);
  if (Kind.Control) {
    const auto* Control = static_cast<const TControl*>(Component);
    // The event lies just before the text: three asks cover both.
    const char* From = reinterpret_cast<const char*>(&Control->OnHostChanged);
    const char* To = reinterpret_cast<const char*>(&Control->GetText() + 1) - 1;
    __builtin_prefetch(From);
    __builtin_prefetch(From + (To - From) / 2);
    __builtin_prefetch(To);
  } else if (Kind.MenuItem) {
    const auto* Item = static_cast<const TMenuItem*>(Component);
    PrefetchField(Item->GetCaption());
    PrefetchField(Item->OnHostChanged);
  } else if (Kind.RadioGroupIndex) {
    PrefetchGroupOf(*static_cast<const TRadioGroupIndex*>(Component));
  } else {
    PrefetchComponent(Component);
  }
}

// Sorting leaves the nodes, and the components behind them, in no order in
// memory: on a large form every step would wait for both. Asking early for
// the ones a few steps ahead lets those waits overlap: first the node, then
// the component's first line (its class), then what its class says writing
// reads.
void Prefetch(const TTreeNodes& Items, int I, bool RadioItems) {
  constexpr int Near = 4;
  constexpr int Mid = 2 * Near;
  constexpr int Far = 2 * Mid;
  const int Count = Items.GetCount();
  if (I + Far < Count) PrefetchWhole(Items.GetNodeFromIndex(I + Far));
  if (I + Mid < Count) {
    PrefetchHead(Items.GetNodeFromIndex(I + Mid)->GetData());
  }
  if (RadioItems && I + Mid - 2 < Count) {
    if (const TRadioGroupIndex* Proxy = ProxyAt(Items, I + Mid - 2)) Proxy->PrefetchItem();
  }
  if (I + Near < Count) {
    if (const TObject* Next = Items.GetNodeFromIndex(I + Near)->GetData()) PrefetchWritten(Next);
  }
  if (RadioItems && I + Near / 2 < Count) {
    if (const TRadioGroupIndex* Proxy = ProxyAt(Items, I + Near / 2)) PrefetchItemOf(*Proxy);
  }
}

}  // namespace

void AssignKeys(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TObject* Sender, const TAssignEvent& Handler) {
  const TTreeNodes& Items = Tree.GetItems();
  TClassFactCache Facts(NoCaptionClasses);
  const TRadioItemShelf* Shelf = TRadioItemShelf::Of(Tree, false);
  const bool RadioItems = Shelf && Shelf->AnyTaken();
  // The count is read each time: a handler may have changed the tree.
  for (int I = 0; I < Items.GetCount(); ++I) {
    Prefetch(Items, I, RadioItems);
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

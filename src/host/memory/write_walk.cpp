#include "host/write_walk.hpp"

#include <keyloom/host/controls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>

#include "host/memory/address_table.hpp"
#include "host/memory/prefetch.hpp"
#include "host/memory/read_ahead.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace keyloom {

class TWriteWalk::TAhead {
 public:
  TAhead(const TTreeNodes& Items, bool RadioItems) : FItems(Items), FRadioItems(RadioItems) {}

  TTreeNode* Next() {
    const int Count = FItems.GetCount();
    if (FNext >= Count) return nullptr;
    TTreeNode* const* Order = detail::TReadAhead::PreOrder(FItems);
    Ask(Order, Count, FNext);
    return Order[FNext++];
  }

 private:
  enum class TKind : std::uint8_t { Other, Control, MenuItem, RadioItem };

  // The kind of each class met, by its C++ class: a form has thousands of
  // components but only a few dozen classes.
  TKind KindOf(const TObject& Object) {
    const std::type_info* Type = &typeid(Object);
    TKindSlot& Slot = FKinds[detail::GoldenSlot(reinterpret_cast<std::uintptr_t>(Type), kKindBits)];
    if (Slot.Type != Type) Slot = {Type, Learn(Object)};
    return Slot.Kind;
  }

  static TKind Learn(const TObject& Object) {
    if (IsClass<TControl>(&Object)) return TKind::Control;
    if (IsClass<TMenuItem>(&Object)) return TKind::MenuItem;
    if (IsClass<TRadioGroupIndex>(&Object)) return TKind::RadioItem;
    return TKind::Other;
  }

  const TRadioGroupIndex* ProxyAt(const TTreeNode* Node) {
    const TObject* Data = Node->GetData();
    return Data && KindOf(*Data) == TKind::RadioItem ? static_cast<const TRadioGroupIndex*>(Data) : nullptr;
  }

  // A radio item's text lies three steps from its proxy: the proxy names the
  // group, the group holds the list, the list holds the text. Each step is
  // asked for once the one before it has had time to arrive.
  static void AskGroupOf(const TRadioGroupIndex& Proxy) {
    const TRadioGroup* Group = Proxy.GetRadioGroup();
    if (!Group) return;
    PrefetchField(Group->OnHostChanged);
    PrefetchWhole(Group->GetItems());
  }

  static void AskItemOf(const TRadioGroupIndex& Proxy) {
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
  void AskWritten(const TObject& Component) {
    switch (KindOf(Component)) {
      case TKind::Control: {
        const auto& Control = static_cast<const TControl&>(Component);
        // The event lies just before the text: three asks cover both.
        const char* From = reinterpret_cast<const char*>(&Control.OnHostChanged);
        const char* To = reinterpret_cast<const char*>(&Control.GetText() + 1) - 1;
        PrefetchHead(From);
        PrefetchHead(From + (To - From) / 2);
        PrefetchHead(To);
        break;
      }
      case TKind::MenuItem: {
        const auto& Item = static_cast<const TMenuItem&>(Component);
        PrefetchField(Item.GetCaption());
        PrefetchField(Item.OnHostChanged);
        break;
      }
      case TKind::RadioItem:
        AskGroupOf(static_cast<const TRadioGroupIndex&>(Component));
        break;
      case TKind::Other:
        PrefetchComponent(&Component);
        break;
    }
  }

  // The nodes, and the components behind them, lie in no order in memory:
  // first the node is asked for, then the component's first line (its
  // class), then what its class says writing reads. Inline: it runs for
  // every node, and writing a node takes little more.
  [[gnu::always_inline]] void Ask(TTreeNode* const* Order, int Count, int I) {
    constexpr int Near = 4;
    constexpr int Mid = 2 * Near;
    constexpr int Far = 2 * Mid;
    if (I + Far < Count) PrefetchWhole(Order[I + Far]);
    if (I + Mid < Count) PrefetchHead(Order[I + Mid]->GetData());
    if (FRadioItems && I + Mid - 2 < Count) {
      if (const TRadioGroupIndex* Proxy = ProxyAt(Order[I + Mid - 2])) detail::TReadAhead::Item(*Proxy);
    }
    if (I + Near < Count) {
      if (const TObject* Next = Order[I + Near]->GetData()) AskWritten(*Next);
    }
    if (FRadioItems && I + Near / 2 < Count) {
      if (const TRadioGroupIndex* Proxy = ProxyAt(Order[I + Near / 2])) AskItemOf(*Proxy);
    }
  }

  struct TKindSlot {
    const std::type_info* Type = nullptr;
    TKind Kind = TKind::Other;
  };
  static constexpr int kKindBits = 6;

  const TTreeNodes& FItems;
  const bool FRadioItems;
  int FNext = 0;
  std::array<TKindSlot, std::size_t{1} << kKindBits> FKinds{};
};

TWriteWalk::TWriteWalk(const TTreeNodes& Items, bool RadioItems)
    : FAhead(std::make_unique<TAhead>(Items, RadioItems)) {}

TWriteWalk::~TWriteWalk() = default;

TTreeNode* TWriteWalk::Next() { return FAhead->Next(); }

}  // namespace keyloom

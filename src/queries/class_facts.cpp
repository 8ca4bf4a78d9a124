#include "queries/class_facts.hpp"

#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/component_queries.hpp>

#include "queries/fact_caches.hpp"

#include <array>
#include <cstdint>

namespace keyloom {

namespace {

// Runs after this one, on the next forms too, ask about the same classes with
// a list of the same content: each thread keeps the facts it found, by the
// C++ type, the class's serial (never its address: forms free the classes
// they made) and property count (a run-time class may learn more), and the
// list's content.
struct TSharedFacts {
  const std::type_info* Type = nullptr;
  std::uint64_t Serial = 0;
  std::size_t PropCount = 0;
  std::uint64_t ListId = 0;
  TClassFacts Facts;
};
constexpr int kSharedFactsBits = 8;

TSharedFacts& SharedFactsSlot(const std::type_info* Type, std::uint64_t Serial, std::uint64_t ListId) {
  thread_local std::array<TSharedFacts, std::size_t{1} << kSharedFactsBits> Slots;
  return Slots[HomeOfKey(reinterpret_cast<std::uintptr_t>(Type) ^ HomeOfKey(Serial, 64) ^ (ListId << 32),
                         kSharedFactsBits)];
}

}  // namespace

const TClassFacts& TClassFactCache::Of(const TObject* Object) {
  static const TClassFacts None;
  if (!Object) return None;
  if (FNoCaptionClasses.ChangeCount() != FListChanges) {
    FEntries.clear();
    FIndex.clear();
    FLast = nullptr;
    FListChanges = FNoCaptionClasses.ChangeCount();
    FListId = ListContentId(FNoCaptionClasses);
  }
  const std::type_info* Type = &typeid(*Object);
  const TClassInfo* Class = &Object->ClassType();
  if (FLast && FLast->Type == Type && FLast->Class == Class) return FLast->Facts;
  constexpr std::size_t ShortList = 16;
  const std::pair<const void*, const void*> Key{Type, Class};
  if (FEntries.size() <= ShortList) {
    for (TEntry& Entry : FEntries)
      if (Entry.Type == Type && Entry.Class == Class) {
        FLast = &Entry;
        return Entry.Facts;
      }
  } else if (auto It = FIndex.find(Key); It != FIndex.end()) {
    FLast = It->second;
    return FLast->Facts;
  }
  FLast = &FEntries.emplace_back(TEntry{Type, Class, {}});
  if (FEntries.size() > ShortList) {
    if (FIndex.empty())
      for (TEntry& Entry : FEntries) FIndex.emplace(std::pair<const void*, const void*>{Entry.Type, Entry.Class}, &Entry);
    FIndex.emplace(Key, FLast);
  }
  TClassFacts& Facts = FLast->Facts;
  const std::size_t PropCount = Class->PropInfos().size();
  TSharedFacts& Shared = SharedFactsSlot(Type, Class->Serial(), FListId);
  if (Shared.Type == Type && Shared.Serial == Class->Serial() && Shared.PropCount == PropCount &&
      Shared.ListId == FListId) {
    Facts = Shared.Facts;
    return Facts;
  }
  Facts.ButtonControl = IsClassType(Object, "TButtonControl");
  Facts.PublishesCancel = HasProperty(Object, "Cancel", TTypeKind::tkEnumeration);
  Facts.PublishesDefault = HasProperty(Object, "Default", TTypeKind::tkEnumeration);
  Facts.PublishesCaption = HasProperty(Object, "Caption", TTypeKind::tkLString);
  Facts.NoCaption = IsClassInList(Object, FNoCaptionClasses);
  Facts.Kind = KindOf(Object);
  Facts.CaptionProp = FindExactProperty(Object, "Caption", TTypeKind::tkLString);
  Shared = {Type, Class->Serial(), PropCount, FListId, Facts};
  return Facts;
}

const TKindFacts& detail::NoKind() {
  static const TKindFacts None{false, false, false, false, false, false, false, GetImageIndex(nullptr)};
  return None;
}

TKindFacts detail::LearnKind(const TObject& Object) {
  TKindFacts Kind;
  Kind.MainMenu = IsClass<TMainMenu>(&Object);
  Kind.PopupMenu = IsClass<TPopupMenu>(&Object);
  Kind.MenuItem = IsClass<TMenuItem>(&Object);
  Kind.Control = IsClass<TControl>(&Object);
  Kind.GroupBox = IsClass<TGroupBox>(&Object);
  Kind.RadioGroup = IsClass<TRadioGroup>(&Object);
  Kind.RadioGroupIndex = IsClass<TRadioGroupIndex>(&Object);
  Kind.Image = GetImageIndex(&Object);
  return Kind;
}

}  // namespace keyloom

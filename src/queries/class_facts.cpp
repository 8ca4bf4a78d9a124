#include "queries/class_facts.hpp"

#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/component_queries.hpp>

#include "queries/fact_caches.hpp"

#include <cstdint>

namespace keyloom {

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
  if (const TClassFacts* Known = RememberedClassFacts(*Type, *Class, FListId)) {
    Facts = *Known;
    return Facts;
  }
  Facts.ButtonControl = IsClassType(Object, "TButtonControl");
  Facts.PublishesCancel = HasProperty(Object, "Cancel", TTypeKind::tkEnumeration);
  Facts.PublishesDefault = HasProperty(Object, "Default", TTypeKind::tkEnumeration);
  Facts.PublishesCaption = HasProperty(Object, "Caption", TTypeKind::tkLString);
  Facts.NoCaption = IsClassInList(Object, FNoCaptionClasses);
  Facts.Kind = KindOf(Object);
  Facts.CaptionProp = FindExactProperty(Object, "Caption", TTypeKind::tkLString);
  RememberClassFacts(*Type, *Class, FListId, Facts);
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

#pragma once

// What the pipeline asks of a component's class (class tests by name or by
// the class itself, published properties, membership of the no-caption list),
// found once per class instead of once per node: a form has thousands of
// components but only a few dozen classes.

#include <keyloom/host/classes.hpp>

#include "queries/fact_caches.hpp"

#include <cstdint>
#include <deque>
#include <functional>
#include <typeinfo>
#include <unordered_map>
#include <utility>

namespace keyloom {

// The host's class tests of an object (by its C++ class, descendants
// included) and the image of its kind; they depend on that class alone.
struct TKindFacts {
  bool MainMenu = false;
  bool PopupMenu = false;
  bool MenuItem = false;
  bool Control = false;
  bool GroupBox = false;
  bool RadioGroup = false;
  bool RadioGroupIndex = false;
  int Image = -1;  // GetImageIndex
};

namespace detail {
TKindFacts LearnKind(const TObject& Object);
const TKindFacts& NoKind();
}  // namespace detail

// Remembered per class for the thread: a form has thousands of components
// but only a few dozen classes. Nil has no kind.
inline const TKindFacts& KindOf(const TObject* Object) {
  return Object ? detail::TTypeFacts<TKindFacts, detail::LearnKind>::Of(*Object) : detail::NoKind();
}

struct TClassFacts {
  bool ButtonControl = false;     // of "TButtonControl" by name, ancestors included
  bool PublishesCancel = false;   // a published enumeration "Cancel"
  bool PublishesDefault = false;  // a published enumeration "Default"
  bool PublishesCaption = false;  // a published long string "Caption"
  bool NoCaption = false;         // of a class named in the no-caption list
  TKindFacts Kind;
  // The long string property named exactly "Caption", which writing sets; nil without one.
  const TPropInfo* CaptionProp = nullptr;
};

// A radio group item's proxy shows its item's text and has no caption of its
// own: unless its class publishes one, GetCaptionInfo of it is empty (once
// the no-caption list has been asked), and the lists need not be asked.
inline bool HasNoOwnCaption(const TClassFacts& Facts) {
  return Facts.Kind.RadioGroupIndex && !Facts.PublishesCaption && !Facts.NoCaption;
}

// Facts keyed by the object's own class and the class it stands for (they
// differ for objects made as a known class on behalf of an unknown one).
// Forgets them when the no-caption list changes, which an assign handler may
// do in the middle of a run.
class TClassFactCache {
 public:
  explicit TClassFactCache(const TStrings& NoCaptionClasses) : FNoCaptionClasses(NoCaptionClasses) {}

  // Nil has no class: every fact is false. The facts stay where they are
  // until the list changes.
  const TClassFacts& Of(const TObject* Object);

 private:
  struct TEntry {
    const std::type_info* Type;
    const TClassInfo* Class;
    TClassFacts Facts;
  };

  struct TKeyHash {
    std::size_t operator()(const std::pair<const void*, const void*>& Key) const noexcept {
      return std::hash<const void*>()(Key.first) ^ (std::hash<const void*>()(Key.second) << 1);
    }
  };

  const TStrings& FNoCaptionClasses;
  std::uint64_t FListChanges = 0;
  std::uint64_t FListId = 0;  // the list's content, for what other runs found
  // Forms use few classes: a short list, the last one found tried first; the
  // rare form with many more gets an index beyond the first few.
  std::deque<TEntry> FEntries;
  TEntry* FLast = nullptr;
  std::unordered_map<std::pair<const void*, const void*>, TEntry*, TKeyHash> FIndex;
};

}  // namespace keyloom

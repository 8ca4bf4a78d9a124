#include <keyloom/host/buttons.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/component_queries.hpp>

#include "queries/fact_caches.hpp"

#include <cstdint>
#include <utility>

namespace keyloom {

namespace {

const TListFacts& ListFactsOf(const TObject* Component, const TStrings& List) {
  const TClassInfo& Class = Component->ClassType();
  bool Found = false;
  TListFacts& Facts = ListFactsSlot(ListContentId(List), Class, Found);
  if (Found) return Facts;
  Facts.InList = IsClassInList(Component, List);
  Facts.HasFocusControl = HasProperty(Component, "FocusControl", TTypeKind::tkClass);
  Facts.HasCaption = HasProperty(Component, "Caption", TTypeKind::tkLString);
  for (const TPropInfo* Prop : Class.PropInfos()) {
    if (Prop->Kind == TTypeKind::tkClass && Prop->Name == "FocusControl" && !Facts.FocusControl)
      Facts.FocusControl = Prop;
    if (Prop->Kind == TTypeKind::tkLString && Prop->Name == "Caption" && !Facts.Caption) Facts.Caption = Prop;
  }
  return Facts;
}

// The caption-classes rule: the first listed class the component belongs to
// decides. A label-like component without a control to focus gets nothing.
// Every listed class the component belongs to asks the same of the same
// properties, so whether any is listed is all that matters.
std::string CaptionFromClassList(const TObject* Component, const TStrings& CaptionClasses) {
  const TListFacts& Facts = ListFactsOf(Component, CaptionClasses);
  if (!Facts.InList) return {};
  if (Facts.HasFocusControl && (!Facts.FocusControl || !GetObjectProp(*Component, *Facts.FocusControl))) return {};
  if (Facts.HasCaption && Facts.Caption) return GetStrProp(*Component, *Facts.Caption);
  return {};
}

// Which of the kinds below an object's class is: a dynamic_cast that fails
// compares type names, and the pipeline asks three times for every node.
struct TCaptionKinds {
  bool GroupBox;
  bool SpeedButton;
  bool MenuItem;
  bool RadioGroup;
  bool Component;
  bool Control;
};

TCaptionKinds LearnCaptionKinds(const TObject& Object) {
  return {AsClass<TGroupBox>(&Object) != nullptr, AsClass<TSpeedButton>(&Object) != nullptr,
          AsClass<TMenuItem>(&Object) != nullptr,  AsClass<TRadioGroup>(&Object) != nullptr,
          AsClass<TComponent>(&Object) != nullptr, AsClass<TControl>(&Object) != nullptr};
}

const TCaptionKinds& CaptionKindsOf(const TObject* Object) {
  return detail::TTypeFacts<TCaptionKinds, LearnCaptionKinds>::Of(*Object);
}

}  // namespace

TCaptionInfo GetCaptionInfo(const TObject* Component, const TStrings& CaptionClasses,
                            const TStrings& NoCaptionClasses) {
  if (!Component) return {};
  // These kinds show their caption whatever the lists say: for them the
  // lists are not asked.
  const TCaptionKinds& Kinds = CaptionKindsOf(Component);
  const bool OwnCaption = Kinds.GroupBox || Kinds.SpeedButton || Kinds.MenuItem || Kinds.RadioGroup;
  std::string Text = OwnCaption ? std::string() : CaptionFromClassList(Component, CaptionClasses);
  if (Kinds.GroupBox) Text = static_cast<const TGroupBox*>(Component)->GetText();
  if (Kinds.SpeedButton) Text = static_cast<const TSpeedButton*>(Component)->GetText();
  if (Kinds.MenuItem) Text = static_cast<const TMenuItem*>(Component)->GetCaption();
  if (Kinds.RadioGroup) Text = static_cast<const TRadioGroup*>(Component)->GetText();
  if (!Text.empty()) return {std::move(Text), TCaptionSource::csCaption};

  // Groupings without a caption of their own stand in the tree under their name.
  if (!Kinds.Component) return {};
  const auto* AsComponent = static_cast<const TComponent*>(Component);
  const auto* Control = Kinds.Control ? static_cast<const TControl*>(Component) : nullptr;
  const bool Named = (Control && Control->AcceptsControls()) || ListFactsOf(Component, NoCaptionClasses).InList;
  if (!Named || AsComponent->GetName().empty()) return {};
  return {AsComponent->GetName(), TCaptionSource::csName};
}

std::string GetCaption(const TObject* Component, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  return GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Text;
}

int GetImageIndex(const TObject* Component) {
  // First match wins: descendants come before their ancestors.
  if (IsClass<TRadioGroup>(Component)) return 12;
  if (IsClass<TPageControl>(Component)) return 11;
  if (IsClass<TTabSheet>(Component)) return 10;
  if (IsClass<TStaticText>(Component)) return 9;
  if (IsClass<TSpeedButton>(Component)) return 8;
  if (IsClass<TRadioButton>(Component)) return 7;
  if (IsClass<TPopupMenu>(Component)) return 6;
  if (IsClass<TMenuItem>(Component)) return 5;
  if (IsClass<TMainMenu>(Component)) return 5;
  if (IsClass<TLabel>(Component)) return 4;
  if (IsClass<TGroupBox>(Component)) return 3;
  if (IsClass<TCheckBox>(Component)) return 2;
  if (IsClass<TBitBtn>(Component)) return 0;
  if (IsClass<TButton>(Component)) return 1;
  return -1;
}

}  // namespace keyloom

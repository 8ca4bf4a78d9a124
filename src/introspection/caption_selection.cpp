#include <keyloom/host/buttons.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/introspection.hpp>

namespace keyloom {

namespace {

// The caption-classes rule: the first listed class the component belongs to
// decides. A label-like component without a control to focus gets nothing.
std::string CaptionFromClassList(const TObject* Component, const TStrings& CaptionClasses) {
  for (const std::string& ClassName : CaptionClasses.Items()) {
    if (!IsClassType(Component, ClassName)) continue;
    if (HasProperty(Component, "FocusControl", TTypeKind::tkClass) &&
        GetPropertyObject(Component, "FocusControl") == nullptr)
      return {};
    if (HasProperty(Component, "Caption", TTypeKind::tkLString)) return GetPropertyLongString(Component, "Caption");
  }
  return {};
}

}  // namespace

TCaptionInfo GetCaptionInfo(const TObject* Component, const TStrings& CaptionClasses,
                            const TStrings& NoCaptionClasses) {
  if (!Component) return {};
  std::string Text = CaptionFromClassList(Component, CaptionClasses);

  // These kinds show their caption whatever the lists say.
  if (const auto* GroupBox = dynamic_cast<const TGroupBox*>(Component)) Text = GroupBox->GetText();
  if (const auto* SpeedButton = dynamic_cast<const TSpeedButton*>(Component)) Text = SpeedButton->GetText();
  if (const auto* Item = dynamic_cast<const TMenuItem*>(Component)) Text = Item->GetCaption();
  if (const auto* RadioGroup = dynamic_cast<const TRadioGroup*>(Component)) Text = RadioGroup->GetText();
  if (!Text.empty()) return {std::move(Text), TCaptionSource::csCaption};

  // Groupings without a caption of their own stand in the tree under their name.
  const auto* AsComponent = dynamic_cast<const TComponent*>(Component);
  if (!AsComponent) return {};
  const auto* Control = dynamic_cast<const TControl*>(Component);
  const bool Named = (Control && Control->AcceptsControls()) || IsClassInList(Component, NoCaptionClasses);
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

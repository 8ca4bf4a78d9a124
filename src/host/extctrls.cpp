#include <keyloom/host/buttons.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/published.hpp>

namespace keyloom {

namespace P = published;

namespace {
template <class T>
TPropInfo Caption() {
  return P::String<T>("Caption", &TControl::GetCaption, &TControl::SetCaption);
}
const std::vector<std::string> BevelCuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
}  // namespace

const TClassInfo& TCustomPanel::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomPanel", &TCustomControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TPanel::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TPanel", &TCustomPanel::StaticClassInfo(),
      {Caption<TPanel>(),
       P::Enumeration<TPanel, TBevelCut>("BevelOuter", "TPanelBevel", BevelCuts, &TPanel::GetBevelOuter,
                                         &TPanel::SetBevelOuter, TBevelCut::bvRaised),
       P::Enumeration<TPanel, TBevelCut>("BevelInner", "TPanelBevel", BevelCuts, &TPanel::GetBevelInner,
                                         &TPanel::SetBevelInner, TBevelCut::bvNone),
       P::Integer<TPanel>("BorderWidth", &TPanel::GetBorderWidth, &TPanel::SetBorderWidth, 0),
       P::Enumeration<TPanel, TAlignment>("Alignment", "TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                          &TPanel::GetAlignment, &TPanel::SetAlignment, TAlignment::taCenter)},
      P::Factory<TPanel>());
  return Info;
}

const TClassInfo& TCustomRadioGroup::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomRadioGroup", &TCustomGroupBox::StaticClassInfo());
  return Info;
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner) {
  FItems.OnChange = [this](TObject*) { Changed("Items"); };
}

void TCustomRadioGroup::SetItemIndex(int V) {
  if (HasState(csLoading)) {
    FItemIndex = V;
    return;
  }
  if (V < -1 || V >= FItems.Count()) V = -1;
  if (V == FItemIndex) return;
  FItemIndex = V;
  Changed("ItemIndex");
}

void TCustomRadioGroup::Loaded() {
  TCustomGroupBox::Loaded();
  const int Stored = FItemIndex;
  FItemIndex = -1;
  SetItemIndex(Stored);
}

const TClassInfo& TRadioGroup::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TRadioGroup", &TCustomRadioGroup::StaticClassInfo(),
      {Caption<TRadioGroup>(), P::Owned<TRadioGroup, TStrings>("Items", "TStrings", &TRadioGroup::GetItems),
       P::Integer<TRadioGroup>("ItemIndex", &TRadioGroup::GetItemIndex, &TRadioGroup::SetItemIndex, -1),
       P::Integer<TRadioGroup>("Columns", &TRadioGroup::GetColumns, &TRadioGroup::SetColumns, 1)},
      P::Factory<TRadioGroup>());
  return Info;
}

const TClassInfo& TImage::MakeStaticClassInfo() {
  static const TClassInfo Info("TImage", &TGraphicControl::StaticClassInfo(), {}, P::Factory<TImage>());
  return Info;
}

const TClassInfo& TBevel::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TBevel", &TGraphicControl::StaticClassInfo(),
      {P::Enumeration<TBevel, TBevelShape>(
          "Shape", "TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"},
          &TBevel::GetShape, &TBevel::SetShape, TBevelShape::bsBox)},
      P::Factory<TBevel>());
  return Info;
}

const TClassInfo& TSplitter::MakeStaticClassInfo() {
  static const TClassInfo Info("TSplitter", &TGraphicControl::StaticClassInfo(), {}, P::Factory<TSplitter>());
  return Info;
}

const TClassInfo& TShape::MakeStaticClassInfo() {
  static const TClassInfo Info("TShape", &TGraphicControl::StaticClassInfo(), {}, P::Factory<TShape>());
  return Info;
}

const TClassInfo& TPaintBox::MakeStaticClassInfo() {
  static const TClassInfo Info("TPaintBox", &TGraphicControl::StaticClassInfo(), {}, P::Factory<TPaintBox>());
  return Info;
}

const TClassInfo& TPage::MakeStaticClassInfo() {
  static const TClassInfo Info("TPage", &TCustomControl::StaticClassInfo(), {Caption<TPage>()}, P::Factory<TPage>());
  return Info;
}

const TClassInfo& TNotebook::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TNotebook", &TCustomControl::StaticClassInfo(),
      {P::Integer<TNotebook>("PageIndex", &TNotebook::GetPageIndex, &TNotebook::SetPageIndex, 0),
       P::String<TNotebook>("ActivePage", &TNotebook::GetActivePage, &TNotebook::SetActivePage, "string")},
      P::Factory<TNotebook>());
  return Info;
}

int TNotebook::PageCount() const {
  int N = 0;
  for (TControl* C : Controls())
    if (IsClass<TPage>(C)) ++N;
  return N;
}

TPage* TNotebook::GetPage(int Index) const {
  for (TControl* C : Controls())
    if (auto* Page = AsClass<TPage>(C); Page && Index-- == 0) return Page;
  return nullptr;
}

void TNotebook::SetPageIndex(int V) {
  if (V == FPageIndex) return;
  FPageIndex = V;
  for (int I = 0; I < PageCount(); ++I) GetPage(I)->SetVisible(I == V);
  Changed("PageIndex");
}

std::string TNotebook::GetActivePage() const {
  TPage* Page = GetPage(FPageIndex);
  return Page ? Page->GetCaption() : std::string();
}

void TNotebook::SetActivePage(const std::string& Caption) {
  for (int I = 0; I < PageCount(); ++I)
    if (SameText(GetPage(I)->GetCaption(), Caption)) SetPageIndex(I);
}

const TClassInfo& TTimer::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TTimer", &TComponent::StaticClassInfo(),
      {P::Boolean<TTimer>("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled, true),
       P::Integer<TTimer>("Interval", &TTimer::GetInterval, &TTimer::SetInterval, 1000, "Cardinal")},
      P::Factory<TTimer>());
  return Info;
}

const TClassInfo& TBitBtn::MakeStaticClassInfo() {
  static const TClassInfo Info("TBitBtn", &TButton::StaticClassInfo(), {}, P::Factory<TBitBtn>());
  return Info;
}

const TClassInfo& TSpeedButton::MakeStaticClassInfo() {
  static const TClassInfo Info(
      "TSpeedButton", &TGraphicControl::StaticClassInfo(),
      {Caption<TSpeedButton>(),
       P::Boolean<TSpeedButton>("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat, false),
       P::Integer<TSpeedButton>("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex, 0),
       P::Boolean<TSpeedButton>("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown, false),
       P::Integer<TSpeedButton>("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs, 1,
                                "TNumGlyphs"),
       P::Integer<TSpeedButton>("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing, 4),
       P::Enumeration<TSpeedButton, TButtonLayout>(
           "Layout", "TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
           &TSpeedButton::GetLayout, &TSpeedButton::SetLayout, TButtonLayout::blGlyphLeft)},
      P::Factory<TSpeedButton>());
  return Info;
}

}  // namespace keyloom

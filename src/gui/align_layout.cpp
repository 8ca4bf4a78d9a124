#include "gui/align_layout.hpp"

#include <algorithm>
#include <vector>

namespace keyloom::gui {

namespace {

// A control takes part in the layout when it shows; on a design surface
// hidden controls show too, as a designer draws them.
bool TakesPart(const TControl& Control) {
  return Control.GetVisible() || Control.HasState(csDesigning);
}

int BevelWidth(TBevelCut Cut) { return Cut == TBevelCut::bvNone ? 0 : 1; }

TRect Inset(TRect R, int Left, int Top, int Right, int Bottom) {
  R.Left += Left;
  R.Top += Top;
  R.Width = std::max(0, R.Width - Left - Right);
  R.Height = std::max(0, R.Height - Top - Bottom);
  return R;
}

TRect BoundsOf(const TControl& Control, const TBoundsStore* Store) {
  return Store ? Store->BoundsOf(Control) : HostBounds(Control);
}

void Place(TControl& Control, const TRect& R, TBoundsStore* Store) {
  const TRect Bounds{R.Left, R.Top, std::max(0, R.Width), std::max(0, R.Height)};
  if (Store)
    Store->SetBounds(Control, Bounds);
  else
    Control.SetBounds(Bounds.Left, Bounds.Top, Bounds.Width, Bounds.Height);
}

}  // namespace

TRect HostBounds(const TControl& Control) {
  return {Control.GetLeft(), Control.GetTop(), Control.GetWidth(), Control.GetHeight()};
}

TMainMenu* MainMenuOf(const TCustomForm& Form) {
  for (TComponent* C : Form.Components())
    if (auto* Menu = dynamic_cast<TMainMenu*>(C)) return Menu;
  return nullptr;
}

TRect FormClientRect(const TCustomForm& Form, const TLayoutConventions& Conventions) {
  TRect R{0, 0, Form.GetWidth(), Form.GetHeight()};
  if (Conventions.FormSizeIsClient) return R;
  const int Menu = MainMenuOf(Form) ? Conventions.MenuBarHeight : 0;
  return Inset(R, 0, 0, Conventions.FormFrameWidth, Conventions.FormFrameHeight + Menu);
}

TRect AlignArea(const TWinControl& Parent, const TLayoutConventions& Conventions, const TBoundsStore* Store) {
  if (const auto* Form = dynamic_cast<const TCustomForm*>(&Parent)) return FormClientRect(*Form, Conventions);
  const TRect Own = BoundsOf(Parent, Store);
  const TRect Whole{0, 0, Own.Width, Own.Height};
  if (const auto* Panel = dynamic_cast<const TCustomPanel*>(&Parent)) {
    const int Edge =
        Panel->GetBorderWidth() + BevelWidth(Panel->GetBevelOuter()) + BevelWidth(Panel->GetBevelInner());
    return Inset(Whole, Edge, Edge, Edge, Edge);
  }
  // The caption line of a group box (radio groups included).
  if (IsClass<TCustomGroupBox>(&Parent)) return Inset(Whole, 2, 15, 2, 2);
  if (IsClass<TPageControl>(&Parent)) return Inset(Whole, 4, Conventions.TabHeight, 4, 4);
  if (IsClass<TToolBar>(&Parent)) {
    const std::uint32_t Edges = static_cast<const TToolBar&>(Parent).GetEdgeBorders();
    return Inset(Whole, Edges & ebLeft ? 2 : 0, Edges & ebTop ? 2 : 0, Edges & ebRight ? 2 : 0,
                 Edges & ebBottom ? 2 : 0);
  }
  return Whole;
}

void AlignControls(TWinControl& Parent, const TLayoutConventions& Conventions, TBoundsStore* Store) {
  TRect Area = AlignArea(Parent, Conventions, Store);
  // Pages and sheets fill the display area whatever their own bounds say.
  const bool Paged = IsClass<TNotebook>(&Parent) || IsClass<TPageControl>(&Parent);
  std::vector<TControl*> Children = Parent.Controls();
  if (Paged)
    for (TControl* Child : Children)
      if (IsClass<TPage>(Child) || IsClass<TTabSheet>(Child)) Place(*Child, Area, Store);

  auto Aligned = [&](TAlign Align) {
    std::vector<TControl*> List;
    for (TControl* Child : Children)
      if (Child->GetAlign() == Align && TakesPart(*Child) && !(Paged && (IsClass<TPage>(Child) || IsClass<TTabSheet>(Child))))
        List.push_back(Child);
    // Controls aligned alike stack in the order of their positions; equal
    // positions keep the order of the children.
    auto Key = [Align, Store](const TControl* C) {
      const TRect B = BoundsOf(*C, Store);
      switch (Align) {
        case TAlign::alTop: return B.Top;
        case TAlign::alBottom: return -(B.Top + B.Height);
        case TAlign::alLeft: return B.Left;
        case TAlign::alRight: return -(B.Left + B.Width);
        default: return 0;
      }
    };
    std::stable_sort(List.begin(), List.end(), [&](const TControl* A, const TControl* B) { return Key(A) < Key(B); });
    return List;
  };

  // A control with margins keeps them free inside the area it takes, and
  // the next control aligned alike starts beyond them.
  auto MarginsOf = [&Conventions](const TControl& C) {
    return Conventions.MarginsOf ? Conventions.MarginsOf(C) : TMargins{};
  };
  for (TControl* C : Aligned(TAlign::alTop)) {
    const TMargins M = MarginsOf(*C);
    const int Height = BoundsOf(*C, Store).Height;
    const int H = std::min(M.Top + Height + M.Bottom, Area.Height);
    Place(*C, {Area.Left + M.Left, Area.Top + M.Top, Area.Width - M.Left - M.Right, Height}, Store);
    Area = Inset(Area, 0, H, 0, 0);
  }
  for (TControl* C : Aligned(TAlign::alBottom)) {
    const TMargins M = MarginsOf(*C);
    const int Height = BoundsOf(*C, Store).Height;
    const int H = std::min(M.Top + Height + M.Bottom, Area.Height);
    Place(*C, {Area.Left + M.Left, Area.Top + Area.Height - M.Bottom - Height, Area.Width - M.Left - M.Right, Height},
          Store);
    Area = Inset(Area, 0, 0, 0, H);
  }
  for (TControl* C : Aligned(TAlign::alLeft)) {
    const TMargins M = MarginsOf(*C);
    const int Width = BoundsOf(*C, Store).Width;
    const int W = std::min(M.Left + Width + M.Right, Area.Width);
    Place(*C, {Area.Left + M.Left, Area.Top + M.Top, Width, Area.Height - M.Top - M.Bottom}, Store);
    Area = Inset(Area, W, 0, 0, 0);
  }
  for (TControl* C : Aligned(TAlign::alRight)) {
    const TMargins M = MarginsOf(*C);
    const int Width = BoundsOf(*C, Store).Width;
    const int W = std::min(M.Left + Width + M.Right, Area.Width);
    Place(*C, {Area.Left + Area.Width - M.Right - Width, Area.Top + M.Top, Width, Area.Height - M.Top - M.Bottom},
          Store);
    Area = Inset(Area, 0, 0, W, 0);
  }
  for (TControl* C : Aligned(TAlign::alClient)) {
    const TMargins M = MarginsOf(*C);
    Place(*C, Inset(Area, M.Left, M.Top, M.Right, M.Bottom), Store);
  }
}

void AlignTree(TWinControl& Root, const TLayoutConventions& Conventions, TBoundsStore* Store) {
  std::vector<TWinControl*> Pending{&Root};
  while (!Pending.empty()) {
    TWinControl* Parent = Pending.back();
    Pending.pop_back();
    AlignControls(*Parent, Conventions, Store);
    for (TControl* Child : Parent->Controls())
      if (auto* Win = dynamic_cast<TWinControl*>(Child)) Pending.push_back(Win);
  }
}

}  // namespace keyloom::gui

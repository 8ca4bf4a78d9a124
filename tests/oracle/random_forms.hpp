#pragma once

// Random forms for the differential test: a plan drawn from a seed, which can
// be made into live components as often as needed, always the same way.

#include <keyloom/default_lists.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace keyloom::oracle {

enum class TKind : std::uint8_t {
  Panel, GroupBox, RadioGroup, PageControl, TabSheet, ToolBar,  // containers
  Button, BitBtn, CheckBox, RadioButton, Label, StaticText, SpeedButton, Edit,
  Timer, MainMenu, PopupMenu, MenuItem,
};

struct TPlanObject {
  TKind Kind = TKind::Button;
  std::string Name;
  std::string Caption;
  int Parent = -1;  // an earlier object; -1: the form (controls) or nothing (menu items)
  bool NoParent = false;  // a control placed on nothing
  std::vector<std::string> Items;
  bool Cancel = false;
  bool Default = false;
  int FocusControl = -1;
};

struct TRunPlan {
  TSortMethod SortMethod = TSortMethod::smUniqueLetters;
  bool OnlyUnassigned = true;
};

struct TPlan {
  std::vector<TPlanObject> Objects;
  std::vector<int> CreationOrder;  // the component order of the form
  std::vector<std::string> CaptionClasses;
  std::vector<std::string> NoCaptionClasses;
  std::vector<std::string> DefaultCaptions;
  bool Handler = false;  // an OnAssign that records, and changes some captions
  std::vector<TRunPlan> Runs;
};

inline bool IsContainer(TKind Kind) { return Kind <= TKind::ToolBar; }
inline bool IsMenuKind(TKind Kind) { return Kind == TKind::MainMenu || Kind == TKind::PopupMenu; }

class TPlanner {
 public:
  explicit TPlanner(std::uint32_t Seed) : FRandom(Seed) {}

  TPlan Make() {
    TPlan Plan;
    const int Size = Chance(10) ? Pick(150) : Pick(40);
    for (int I = 0; I < Size; ++I) AddObject(Plan);
    if (Chance(8)) AddDeepChain(Plan);
    Plan.CreationOrder.resize(Plan.Objects.size());
    for (std::size_t I = 0; I < Plan.Objects.size(); ++I) Plan.CreationOrder[I] = static_cast<int>(I);
    if (!Chance(4)) std::shuffle(Plan.CreationOrder.begin(), Plan.CreationOrder.end(), FRandom);
    MakeLists(Plan);
    Plan.Handler = Chance(2);
    const int Runs = 1 + Pick(2);
    for (int R = 0; R < Runs; ++R)
      Plan.Runs.push_back({static_cast<TSortMethod>(Pick(4)), Chance(2)});
    return Plan;
  }

 private:
  int Pick(int Bound) { return Bound <= 0 ? 0 : static_cast<int>(FRandom() % static_cast<std::uint32_t>(Bound)); }
  bool Chance(int OneIn) { return Pick(OneIn) == 0; }
  template <class T>
  const T& PickOf(const std::vector<T>& List) { return List[static_cast<std::size_t>(Pick(static_cast<int>(List.size())))]; }

  std::string RandomWord() {
    static const std::string Letters = "aAbBeEoOxXsStTzZ{|}~_^";
    std::string Word;
    const int Length = 1 + Pick(6);
    for (int I = 0; I < Length; ++I) Word += Letters[static_cast<std::size_t>(Pick(static_cast<int>(Letters.size())))];
    return Word;
  }

  std::string Caption() {
    static const std::vector<std::string> Vocabulary = {
        "File", "Edit", "Exit", "E&xit", "Export", "&File", "Format", "Open", "open", "Save As", "Last step",
        "1.5", "", "", "Cut", "Cu&t", "&&Literal", "Tail &", "Ok", "OK", "&OK", "Cancel", "Gr\xC3\xB6\xC3\x9F" "e",
        "\xC4\x80pfel \xD0\x80" "a", "\x80" "bc", "a\x80", "Z\xE2\x82\xAC" "x", "&Clear", "C&lear All", "Help",
        "A B C", "aa bb", "Exit ", " Exit", "x\ty", "Panel1", "&", "&&", "a&&b&c", "Fil&e", "Save &As"};
    if (Chance(3)) {
      std::string Text = RandomWord();
      if (Chance(2)) Text += ' ' + RandomWord();
      if (Chance(4)) Text.insert(static_cast<std::size_t>(Pick(static_cast<int>(Text.size()) + 1)), "&");
      return Text;
    }
    return PickOf(Vocabulary);
  }

  std::string Name(TPlan& Plan) { return "C" + std::to_string(Plan.Objects.size()); }

  // An earlier object of one of the given sorts, or -1.
  template <class F>
  int Earlier(const TPlan& Plan, F Accept) {
    std::vector<int> Found;
    for (std::size_t I = 0; I < Plan.Objects.size(); ++I)
      if (Accept(Plan.Objects[I].Kind)) Found.push_back(static_cast<int>(I));
    return Found.empty() ? -1 : PickOf(Found);
  }

  void AddObject(TPlan& Plan) {
    static const std::vector<TKind> Kinds = {
        TKind::Panel,  TKind::Panel,      TKind::GroupBox,  TKind::RadioGroup,  TKind::PageControl, TKind::TabSheet,
        TKind::ToolBar, TKind::Button,    TKind::Button,    TKind::Button,      TKind::BitBtn,      TKind::CheckBox,
        TKind::RadioButton, TKind::Label, TKind::StaticText, TKind::SpeedButton, TKind::Edit,       TKind::Timer,
        TKind::MainMenu, TKind::PopupMenu, TKind::MenuItem, TKind::MenuItem,    TKind::MenuItem,    TKind::MenuItem};
    TPlanObject O;
    O.Kind = PickOf(Kinds);
    O.Name = Chance(IsContainer(O.Kind) || IsMenuKind(O.Kind) ? 6 : 10) ? std::string() : Name(Plan);
    O.Caption = Caption();
    if (O.Kind == TKind::MenuItem) {
      O.Parent = Chance(12) ? -1 : Earlier(Plan, [](TKind K) { return IsMenuKind(K) || K == TKind::MenuItem; });
    } else if (!IsMenuKind(O.Kind) && O.Kind != TKind::Timer) {
      O.NoParent = Chance(25);
      if (!O.NoParent && !Chance(4)) O.Parent = Earlier(Plan, IsContainer);
      if (O.Kind == TKind::TabSheet && !Chance(3))
        O.Parent = Earlier(Plan, [](TKind K) { return K == TKind::PageControl; });
    }
    if (O.Kind == TKind::RadioGroup) {
      const int Items = Chance(5) ? 0 : 1 + Pick(5);
      for (int I = 0; I < Items; ++I) O.Items.push_back(Caption());
    }
    if (O.Kind == TKind::Button || O.Kind == TKind::BitBtn) {
      O.Cancel = Chance(8);
      O.Default = Chance(8);
    }
    if ((O.Kind == TKind::Label || O.Kind == TKind::StaticText) && !Chance(3))
      O.FocusControl = Earlier(Plan, [](TKind K) { return K != TKind::Timer && !IsMenuKind(K) && K != TKind::MenuItem &&
                                                          K != TKind::Label && K != TKind::SpeedButton; });
    Plan.Objects.push_back(std::move(O));
  }

  // Deeper than the first nineteen levels, with some links of the chain unnamed.
  void AddDeepChain(TPlan& Plan) {
    int Parent = -1;
    const int Depth = 18 + Pick(10);
    for (int D = 0; D < Depth; ++D) {
      TPlanObject Panel;
      Panel.Kind = TKind::Panel;
      Panel.Name = Chance(5) ? std::string() : Name(Plan);
      Panel.Parent = Parent;
      Plan.Objects.push_back(Panel);
      Parent = static_cast<int>(Plan.Objects.size()) - 1;
      if (Chance(4)) {
        TPlanObject Button;
        Button.Kind = TKind::Button;
        Button.Name = Name(Plan);
        Button.Caption = Caption();
        Button.Parent = Parent;
        Plan.Objects.push_back(Button);
      }
    }
  }

  void MakeLists(TPlan& Plan) {
    auto Subset = [this](const std::vector<std::string>& From) {
      std::vector<std::string> List;
      for (const std::string& S : From)
        if (Chance(2)) List.push_back(S);
      std::shuffle(List.begin(), List.end(), FRandom);
      return List;
    };
    Plan.CaptionClasses = {DefaultCaptionClasses.begin(), DefaultCaptionClasses.end()};
    Plan.NoCaptionClasses = {DefaultNoCaptionClasses.begin(), DefaultNoCaptionClasses.end()};
    Plan.DefaultCaptions = {DefaultDefaultCaptions.begin(), DefaultDefaultCaptions.end()};
    if (Chance(3))
      Plan.CaptionClasses = Subset({"TButtonControl", "TCustomLabel", "TCustomStaticText", "TTabSheet", "TRadioGroup",
                                    "TSpeedButton", "tbutton", "TComponent", "TGroupBox", "TMenuItem"});
    if (Chance(3))
      Plan.NoCaptionClasses = Subset({"TMainMenu", "TPopupMenu", "TCustomTabControl", "TPageControl", "TPanel",
                                      "TToolbar", "TGroupBox", "TRadioGroupIndex", "TMenuItem", "tpanel", "TButton"});
    if (Chance(2))
      Plan.DefaultCaptions = Subset({"E&xit", "Cu&t", "Exit", "&Open", "O&pen", "", "&File", "Fil&e", "Save &As",
                                     "&&Literal", "E&xit", "e&Xit", "Ok", "&OK"});
  }

  std::minstd_rand FRandom;
};

// The plan made into components owned by a new form.
struct TMadeForm {
  std::unique_ptr<TForm> Form;
  std::vector<TComponent*> Made;                  // by plan index
  std::map<const TObject*, std::string> Identity;  // component -> plan name ("#index")
};

inline TComponent* MakeObject(const TPlanObject& O, TForm& Form) {
  switch (O.Kind) {
    case TKind::Panel: return new TPanel(&Form);
    case TKind::GroupBox: return new TGroupBox(&Form);
    case TKind::RadioGroup: return new TRadioGroup(&Form);
    case TKind::PageControl: return new TPageControl(&Form);
    case TKind::TabSheet: return new TTabSheet(&Form);
    case TKind::ToolBar: return new TToolBar(&Form);
    case TKind::Button: return new TButton(&Form);
    case TKind::BitBtn: return new TBitBtn(&Form);
    case TKind::CheckBox: return new TCheckBox(&Form);
    case TKind::RadioButton: return new TRadioButton(&Form);
    case TKind::Label: return new TLabel(&Form);
    case TKind::StaticText: return new TStaticText(&Form);
    case TKind::SpeedButton: return new TSpeedButton(&Form);
    case TKind::Edit: return new TEdit(&Form);
    case TKind::Timer: return new TTimer(&Form);
    case TKind::MainMenu: return new TMainMenu(&Form);
    case TKind::PopupMenu: return new TPopupMenu(&Form);
    case TKind::MenuItem: return new TMenuItem(&Form);
  }
  return nullptr;
}

inline TMadeForm MakeForm(const TPlan& Plan) {
  TMadeForm Result;
  Result.Form = std::make_unique<TForm>(nullptr);
  Result.Form->SetName("RandomForm");
  Result.Made.resize(Plan.Objects.size());
  for (int Index : Plan.CreationOrder) {
    const TPlanObject& O = Plan.Objects[static_cast<std::size_t>(Index)];
    TComponent* C = MakeObject(O, *Result.Form);
    C->SetName(O.Name);
    Result.Made[static_cast<std::size_t>(Index)] = C;
    Result.Identity[C] = "#" + std::to_string(Index);
  }
  // Placing follows the structure, whatever the component order.
  for (std::size_t I = 0; I < Plan.Objects.size(); ++I) {
    const TPlanObject& O = Plan.Objects[I];
    TComponent* C = Result.Made[I];
    TComponent* Parent = O.Parent >= 0 ? Result.Made[static_cast<std::size_t>(O.Parent)] : nullptr;
    if (auto* Item = dynamic_cast<TMenuItem*>(C)) {
      Item->SetCaption(O.Caption);
      if (auto* Menu = dynamic_cast<TMenu*>(Parent))
        Menu->GetItems()->Add(Item);
      else if (auto* ParentItem = dynamic_cast<TMenuItem*>(Parent))
        ParentItem->Add(Item);
      continue;
    }
    auto* Control = dynamic_cast<TControl*>(C);
    if (!Control) continue;
    Control->SetCaption(O.Caption);
    if (!O.NoParent) Control->SetParent(Parent ? static_cast<TWinControl*>(Parent) : Result.Form.get());
    if (auto* Group = dynamic_cast<TRadioGroup*>(C)) Group->GetItems()->Assign(O.Items);
    if (auto* Button = dynamic_cast<TButton*>(C)) {
      Button->SetCancel(O.Cancel);
      Button->SetDefault(O.Default);
    }
    auto* Focus = O.FocusControl >= 0 ? dynamic_cast<TWinControl*>(Result.Made[static_cast<std::size_t>(O.FocusControl)])
                                      : nullptr;
    if (auto* Label = dynamic_cast<TCustomLabel*>(C)) Label->SetFocusControl(Focus);
    if (auto* Static = dynamic_cast<TCustomStaticText*>(C)) Static->SetFocusControl(Focus);
  }
  return Result;
}

// What a node or an assign call refers to, the same on both forms.
inline std::string IdentityOf(const TMadeForm& Form, const TObject* Object) {
  if (const auto* Proxy = dynamic_cast<const TRadioGroupIndex*>(Object)) {
    auto It = Form.Identity.find(Proxy->GetRadioGroup());
    return (It == Form.Identity.end() ? std::string("?") : It->second) + "[" + std::to_string(Proxy->GetIndex()) + "]";
  }
  auto It = Form.Identity.find(Object);
  return It == Form.Identity.end() ? std::string("?") : It->second;
}

// Every caption the form shows: controls, menu items, radio-group items.
inline std::string Captions(const TMadeForm& Form) {
  std::string Out;
  for (std::size_t I = 0; I < Form.Made.size(); ++I) {
    const TComponent* C = Form.Made[I];
    Out += "#" + std::to_string(I) + "=";
    if (const auto* Item = dynamic_cast<const TMenuItem*>(C)) Out += Item->GetCaption();
    if (const auto* Control = dynamic_cast<const TControl*>(C)) Out += Control->GetText();
    if (const auto* Group = dynamic_cast<const TRadioGroup*>(C))
      for (const std::string& S : Group->GetItems()->Items()) Out += "|" + S;
    Out += '\n';
  }
  return Out;
}

}  // namespace keyloom::oracle

// The whole pipeline on forms decoded from the input: panels, group boxes,
// radio groups, page controls, buttons, labels, menus and their items, with
// captions from a small alphabet that includes markup and UTF-8. With
// OnlyUnassigned, a run must never remove or move existing markup, must only
// add a marker to captions without one, must not give a letter that its
// sibling group (with what it inherits) already uses, and a second run must
// change nothing. The same form then runs again under the settings the last
// byte picks (scope, strategy, reserved letters, non-Latin captions): markers
// stay where they were, and a second run changes nothing there either.

#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.hpp"

namespace {

using namespace keyloom;

enum class TKind : std::uint8_t {
  Panel, GroupBox, RadioGroup, PageControl, TabSheet,  // containers
  Button, CheckBox, RadioButton, Label, StaticText, SpeedButton, BitBtn, Edit,
  MainMenu, PopupMenu, MenuItem, Count
};

class TReader {
 public:
  TReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool Done() const { return FPos >= FSize; }
  std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }

  std::string Caption() {
    static const char* const Words[] = {"File", "Exit", "E&xit", "&File", "Edit", "Cut", "Cu&t", "Open", "open",
                                        "OK", "&OK", "Cancel", "Save As", "&&Literal", "Tail &", "&", "&&",
                                        "a&&b&c", "", "Help", "Gr\xC3\xB6\xC3\x9F" "e", "\x80" "bc", "Z\xE2\x82\xAC" "x"};
    static const char* const Pieces[] = {"a", "A", "b", "B", "e", "E", "x", "X", "s", " ", "&", "&&",
                                         "\xC3\xA4", "\x80", "\xE2\x82\x80", "1", "\t", "z", "\xC3", "Q"};
    const std::uint8_t Choice = Byte();
    if (Choice < 128) return Words[Choice % (sizeof Words / sizeof *Words)];
    std::string Text;
    for (int I = Choice % 9; I > 0; --I) Text += Pieces[Byte() % (sizeof Pieces / sizeof *Pieces)];
    return Text;
  }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

struct TMade {
  TKind Kind;
  TComponent* Component;
};

bool IsContainer(TKind Kind) { return Kind <= TKind::TabSheet; }

TComponent* Make(TKind Kind, TForm& Form) {
  switch (Kind) {
    case TKind::Panel: return new TPanel(&Form);
    case TKind::GroupBox: return new TGroupBox(&Form);
    case TKind::RadioGroup: return new TRadioGroup(&Form);
    case TKind::PageControl: return new TPageControl(&Form);
    case TKind::TabSheet: return new TTabSheet(&Form);
    case TKind::Button: return new TButton(&Form);
    case TKind::CheckBox: return new TCheckBox(&Form);
    case TKind::RadioButton: return new TRadioButton(&Form);
    case TKind::Label: return new TLabel(&Form);
    case TKind::StaticText: return new TStaticText(&Form);
    case TKind::SpeedButton: return new TSpeedButton(&Form);
    case TKind::BitBtn: return new TBitBtn(&Form);
    case TKind::Edit: return new TEdit(&Form);
    case TKind::MainMenu: return new TMainMenu(&Form);
    case TKind::PopupMenu: return new TPopupMenu(&Form);
    case TKind::MenuItem:
    case TKind::Count: break;
  }
  return new TMenuItem(&Form);
}

// An earlier object accepted by Accept, picked by Selector; nil for none or when Selector says so.
template <class F>
TMade* Earlier(std::vector<TMade>& Made, std::uint8_t Selector, F Accept) {
  std::vector<TMade*> Found;
  for (TMade& M : Made)
    if (Accept(M.Kind)) Found.push_back(&M);
  if (Found.empty() || Selector % 5 == 0) return nullptr;
  return Found[Selector % Found.size()];
}

struct TForm1 {
  std::unique_ptr<TForm> Form;
  std::vector<TMade> Made;
};

TForm1 Decode(TReader& In) {
  TForm1 Result;
  Result.Form = std::make_unique<TForm>(nullptr);
  Result.Form->SetName("FuzzForm");
  const int Count = In.Byte() % 48;
  for (int I = 0; I < Count && !In.Done(); ++I) {
    const auto Kind = static_cast<TKind>(In.Byte() % static_cast<int>(TKind::Count));
    TComponent* C = Make(Kind, *Result.Form);
    const std::uint8_t Selector = In.Byte();
    const std::string Caption = In.Caption();
    if (auto* Item = dynamic_cast<TMenuItem*>(C)) {
      Item->SetCaption(Caption);
      TMade* Parent = Earlier(Result.Made, Selector, [](TKind K) {
        return K == TKind::MainMenu || K == TKind::PopupMenu || K == TKind::MenuItem;
      });
      if (Parent) {
        if (auto* Menu = dynamic_cast<TMenu*>(Parent->Component))
          Menu->GetItems()->Add(Item);
        else
          static_cast<TMenuItem*>(Parent->Component)->Add(Item);
      }
    } else if (auto* Control = dynamic_cast<TControl*>(C)) {
      Control->SetCaption(Caption);
      TMade* Parent = Kind == TKind::TabSheet
                          ? Earlier(Result.Made, Selector, [](TKind K) { return K == TKind::PageControl; })
                          : Earlier(Result.Made, Selector, IsContainer);
      Control->SetParent(Parent ? static_cast<TWinControl*>(Parent->Component) : Result.Form.get());
      if (auto* Group = dynamic_cast<TRadioGroup*>(C)) {
        std::vector<std::string> Items;
        for (int Item = Selector % 4; Item > 0; --Item) Items.push_back(In.Caption());
        Group->GetItems()->Assign(Items);
      }
      if (auto* Button = dynamic_cast<TButton*>(C)) {
        Button->SetCancel(Selector % 11 == 1);
        Button->SetDefault(Selector % 13 == 1);
      }
    }
    Result.Made.push_back({Kind, C});
  }
  return Result;
}

// Every caption of the form, radio-group items included, by the object that shows it.
struct TSnapshot {
  std::map<const TObject*, std::string> Captions;
  std::map<const TObject*, std::vector<std::string>> Items;

  bool operator==(const TSnapshot& Other) const { return Captions == Other.Captions && Items == Other.Items; }
};

TSnapshot Snap(const TForm1& F) {
  TSnapshot S;
  for (const TMade& M : F.Made) {
    if (const auto* Item = dynamic_cast<const TMenuItem*>(M.Component)) S.Captions[Item] = Item->GetCaption();
    if (const auto* Control = dynamic_cast<const TControl*>(M.Component)) S.Captions[Control] = Control->GetText();
    if (const auto* Group = dynamic_cast<const TRadioGroup*>(M.Component)) S.Items[Group] = Group->GetItems()->Items();
  }
  return S;
}

// What the caption of a node's object was before the run.
const std::string* BeforeOf(const TSnapshot& Before, const TObject* Data) {
  if (const auto* Proxy = dynamic_cast<const TRadioGroupIndex*>(Data)) {
    auto It = Before.Items.find(Proxy->GetRadioGroup());
    if (It == Before.Items.end() || Proxy->GetIndex() < 0 ||
        static_cast<std::size_t>(Proxy->GetIndex()) >= It->second.size())
      return nullptr;
    return &It->second[static_cast<std::size_t>(Proxy->GetIndex())];
  }
  auto It = Before.Captions.find(Data);
  return It == Before.Captions.end() ? nullptr : &It->second;
}

// Captions that had markup are unchanged; the others only gained a marker.
void CheckCaptions(const TSnapshot& Before, const TSnapshot& After) {
  auto Check = [](const std::string& Old, const std::string& New) {
    if (HasAccelerator(Old))
      FUZZ_CHECK(New == Old);
    else
      FUZZ_CHECK(DeleteAccelerator(New) == Old);
  };
  for (const auto& [Object, Old] : Before.Captions) Check(Old, After.Captions.at(Object));
  for (const auto& [Object, Old] : Before.Items) {
    const std::vector<std::string>& New = After.Items.at(Object);
    FUZZ_CHECK(New.size() == Old.size());
    for (std::size_t I = 0; I < Old.size(); ++I) Check(Old[I], New[I]);
  }
}

// A letter given in a group is used nowhere else in the group, nor in the
// letters it inherits (the items of a menu item or popup menu inherit none).
void CheckGroups(const TTreeNodes& Nodes, const TSnapshot& Before) {
  struct TGroup {
    std::vector<TTreeNode*> Nodes;
    const TObject* Component;
    TLetterSet Inherited;
  };
  std::vector<TGroup> Pending(1);
  for (int I = 0; I < Nodes.GetRootCount(); ++I) Pending[0].Nodes.push_back(Nodes.GetRoot(I));
  Pending[0].Component = nullptr;
  while (!Pending.empty()) {
    TGroup Group = std::move(Pending.back());
    Pending.pop_back();
    TLetterSet Letters;
    const bool Fresh = dynamic_cast<const TMenuItem*>(Group.Component) || dynamic_cast<const TPopupMenu*>(Group.Component);
    if (!Fresh) Letters = Group.Inherited;
    std::map<char, int> Uses;
    for (const TTreeNode* Node : Group.Nodes) {
      const std::string Letter = GetAccelerator(Node->GetText());
      if (!Letter.empty()) ++Uses[LetterKey(Letter[0])];
    }
    for (const TTreeNode* Node : Group.Nodes) {
      const std::string Letter = GetAccelerator(Node->GetText());
      const std::string* Old = BeforeOf(Before, Node->GetData());
      FUZZ_CHECK(Old != nullptr);
      if (Letter.empty() || HasAccelerator(*Old)) continue;
      FUZZ_CHECK(IsLetter(Letter[0]));
      FUZZ_CHECK(!Letters.Contains(Letter[0]));
      FUZZ_CHECK(Uses[LetterKey(Letter[0])] == 1);
    }
    TLetterSet Down = Letters;
    for (const auto& [Key, Count] : Uses) Down.Add(Key);
    for (TTreeNode* Node : Group.Nodes) {
      if (!Node->HasChildren()) continue;
      TGroup Child;
      for (int I = 0; I < Node->GetCount(); ++I) Child.Nodes.push_back(Node->GetItem(I));
      Child.Component = Node->GetData();
      Child.Inherited = Down;
      Pending.push_back(std::move(Child));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const bool Registered = (RegisterKeyloomClasses(), true);
  (void)Registered;
  TReader In(Data, Size);
  const std::uint8_t Settings = In.Byte();
  TForm1 F = Decode(In);

  auto* Keyloom = new TKeyloom(F.Form.get());
  Keyloom->SetActive(false);  // settings below must not start runs of their own
  Keyloom->SetSortMethod(static_cast<TSortMethod>(Settings % 4));
  Keyloom->SetOnlyUnassigned(true);
  if (Settings & 0x10) {
    TStringList Defaults;
    Defaults.Assign(std::vector<std::string>{"E&xit", "Cu&t", "&Open", "Fil&e", "Exit", "&&Literal"});
    Keyloom->SetDefaultCaptions(Defaults);
  }
  if (Settings & 0x20) {
    TStringList Classes;
    Classes.Assign(std::vector<std::string>{"TButtonControl", "TCustomLabel", "TGroupBox", "TMenuItem", "TPanel"});
    Keyloom->SetCaptionClasses(Classes);
  }

  const TSnapshot Before = Snap(F);
  Keyloom->FindKeys();
  const TSnapshot After = Snap(F);
  CheckCaptions(Before, After);
  FUZZ_CHECK(Keyloom->GetTree() != nullptr);
  CheckGroups(Keyloom->GetTree()->GetItems(), Before);

  Keyloom->FindKeys();
  FUZZ_CHECK(Snap(F) == After);

  const std::uint8_t Extra = In.Byte();
  if (Extra == 0) return 0;
  TReader Again(Data, Size);
  Again.Byte();
  TForm1 G = Decode(Again);
  auto* Other = new TKeyloom(G.Form.get());
  Other->SetActive(false);
  Other->SetSortMethod(static_cast<TSortMethod>(Settings % 4));
  Other->SetScope(Extra & 1 ? TKeyScope::ksWindow : TKeyScope::ksSiblings);
  Other->SetStrategy(Extra & 2 ? TAssignStrategy::asBestCoverage : TAssignStrategy::asLetterSearch);
  Other->SetNonLatin(static_cast<TNonLatinMode>((Extra >> 2) % 3));
  if (Extra & 0x10) Other->SetReservedLetters("EOx");
  const TSnapshot OtherBefore = Snap(G);
  Other->FindKeys();
  const TSnapshot OtherAfter = Snap(G);
  for (const auto& [Object, Old] : OtherBefore.Captions)
    if (HasAccelerator(Old)) FUZZ_CHECK(OtherAfter.Captions.at(Object) == Old);
  Other->FindKeys();
  FUZZ_CHECK(Snap(G) == OtherAfter);
  return 0;
}

#include "form_sketch.hpp"

#include <algorithm>
#include <cmath>
#include <random>
#include <string_view>

namespace keyloom::bench {

namespace {

constexpr const char* Words[] = {
    "Open",    "Save",    "As",      "Close",   "Print",   "Preview", "Exit",    "Cut",     "Copy",    "Paste",
    "Delete",  "Find",    "Next",    "Replace", "Select",  "All",     "Undo",    "Redo",    "Options", "Help",
    "About",   "New",     "Window",  "Tile",    "Cascade", "Arrange", "Icons",   "Insert",  "Row",     "Column",
    "Format",  "Font",    "Color",   "Size",    "Zoom",    "In",      "Out",     "Refresh", "Import",  "Export",
    "Send",    "To",      "Mail",    "Recipient", "Properties", "Settings", "Apply", "Cancel", "OK",   "Yes",
    "No",      "Retry",   "Ignore",  "Browse",  "Add",     "Remove",  "Move",    "Up",      "Down",    "Clear",
    "Größe",   "Öffnen",  "Schließen", "Ansicht", "Fenster", "Einfügen", "Naïve", "Café",  "1.5",     "...",
};
constexpr int WordCount = static_cast<int>(sizeof(Words) / sizeof(Words[0]));

class TCaptions {
 public:
  explicit TCaptions(std::uint32_t Seed) : FRandom(Seed) {}

  // One to three words; now and then one already marked, or "Exit"/"Cut".
  std::string Next() {
    const int Count = 1 + Pick(10) / 6;  // mostly one word, some two
    std::string Caption;
    for (int I = 0; I < Count; ++I) {
      if (I) Caption += ' ';
      Caption += Words[Pick(WordCount)];
    }
    if (Pick(100) < 3) Caption += " ...";
    if (Pick(100) < 10) {
      // Mark a character: the markup real forms already carry.
      const auto At = static_cast<std::size_t>(Pick(static_cast<int>(Caption.size())));
      if (static_cast<unsigned char>(Caption[At]) < 0x80 && Caption[At] != ' ') Caption.insert(At, 1, '&');
    }
    return Caption;
  }
  int Pick(int Bound) { return static_cast<int>(FRandom() % static_cast<std::uint32_t>(Bound)); }
  bool Chance(int Percent) { return Pick(100) < Percent; }
  // Log-normally spread around Median: the shape of real forms' sizes.
  double Spread(double Median, double Sigma) {
    constexpr double Range = static_cast<double>(std::minstd_rand::max()) + 1;
    const double U1 = (static_cast<double>(FRandom()) + 0.5) / Range;
    const double U2 = static_cast<double>(FRandom()) / Range;
    const double Z = std::sqrt(-2 * std::log(U1)) * std::cos(2 * 3.141592653589793 * U2);
    return Median * std::exp(Sigma * Z);
  }

 private:
  std::minstd_rand FRandom;
};

class TSketcher {
 public:
  TSketcher(TSketch& Sketch, std::uint32_t Seed) : FSketch(Sketch), FCaptions(Seed) {}

  int Add(const char* Class, int Parent, bool Captioned = true) {
    TSketchObject Object;
    Object.Class = Class;
    Object.Name = std::string(Class + 1) + std::to_string(++FCounter);
    if (Captioned) Object.Caption = FCaptions.Next();
    Object.Parent = Parent;
    FSketch.Objects.push_back(std::move(Object));
    return static_cast<int>(FSketch.Objects.size()) - 1;
  }
  int AddControl(int Parent) {
    const int Kind = FCaptions.Pick(10);
    const int Index = Add(Kind < 7 ? "TButton" : Kind < 9 ? "TCheckBox" : "TRadioButton", Parent);
    if (Kind == 0 && FCaptions.Pick(4) == 0) FSketch.Objects[static_cast<std::size_t>(Index)].Default = true;
    return Index;
  }
  int AddRadioGroup(int Parent, int Items) {
    const int Index = Add("TRadioGroup", Parent);
    for (int I = 0; I < Items; ++I) FSketch.Objects[static_cast<std::size_t>(Index)].Items.push_back(FCaptions.Next());
    return Index;
  }
  int Count() const { return static_cast<int>(FSketch.Objects.size()); }
  int Pick(int Bound) { return FCaptions.Pick(Bound); }
  bool Chance(int Percent) { return FCaptions.Chance(Percent); }
  double Spread(double Median, double Sigma) { return FCaptions.Spread(Median, Sigma); }
  std::string Caption() { return FCaptions.Next(); }
  TSketchObject& At(int Index) { return FSketch.Objects[static_cast<std::size_t>(Index)]; }
  TSketch& Sketch() { return FSketch; }

 private:
  TSketch& FSketch;
  TCaptions FCaptions;
  int FCounter = 0;
};

void SketchDialog(TSketcher& S) {
  const int Menu = S.Add("TMainMenu", -1, false);
  const int Tops = 3 + S.Pick(3);
  for (int T = 0; T < Tops; ++T) {
    const int Top = S.Add("TMenuItem", Menu);
    const int Subs = 3 + S.Pick(6);
    for (int I = 0; I < Subs; ++I) {
      const int Sub = S.Add("TMenuItem", Top);
      if (S.Pick(6) == 0)
        for (int J = 0; J < 3; ++J) S.Add("TMenuItem", Sub);
    }
  }
  const int Panels = 2 + S.Pick(3);
  for (int P = 0; P < Panels; ++P) {
    const int Panel = S.Add("TPanel", -1, false);
    const int Buttons = 2 + S.Pick(5);
    for (int B = 0; B < Buttons; ++B) S.AddControl(Panel);
  }
  const int Box = S.Add("TGroupBox", -1);
  for (int B = 0; B < 3; ++B) S.Add("TCheckBox", Box);
  S.AddRadioGroup(-1, 2 + S.Pick(4));
  for (int L = 0; L < 3; ++L) S.Add("TLabel", -1);
  S.Add("TEdit", -1, false);
  S.AddControl(-1);
  S.AddControl(-1);
}

// Hex digits of an image of about Median digits: glyphs are small, some
// pictures are large.
std::string ImageData(TSketcher& S, double Median) {
  const auto Digits = static_cast<std::size_t>(std::clamp(S.Spread(Median, 1.5), 256.0, 262144.0)) / 2 * 2;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string Data = "{";
  Data.reserve(Digits + 2);
  for (std::size_t I = 0; I < Digits; ++I) Data += kHex[S.Pick(16)];
  return Data + "}";
}

using TExtra = std::vector<std::pair<std::string, std::string>>;

void AddFont(TSketcher& S, TExtra& Extra) {
  Extra.insert(Extra.end(), {{"Font.Charset", "DEFAULT_CHARSET"},
                             {"Font.Color", "clWindowText"},
                             {"Font.Height", std::to_string(-11 - S.Pick(4))},
                             {"Font.Name", "'MS Sans Serif'"},
                             {"Font.Style", S.Chance(50) ? "[fsBold]" : "[]"}});
}

void Quote(std::string& Out, const std::string& S) {
  Out += '\'';
  for (char C : S) {
    if (C == '\'') Out += '\'';
    Out += C;
  }
  Out += '\'';
}

std::string Quoted(const std::string& Text) {
  std::string Out;
  Quote(Out, Text);
  return Out;
}

// Classes in the proportions the corpus has them (per ten thousand).
struct TClassShare {
  const char* Class;
  int Share;
  bool Captioned, Focused, Container;
};
constexpr TClassShare kControls[] = {
    {"TLabel", 2526, true, false, false},      {"TButton", 1434, true, true, false},
    {"TPanel", 1222, false, true, true},       {"TCheckBox", 1095, true, true, false},
    {"TSpeedButton", 707, true, false, false}, {"TEdit", 629, false, true, false},
    {"TGroupBox", 505, true, true, true},      {"TComboBox", 418, false, true, false},
    {"TBitBtn", 306, true, true, false},       {"TBevel", 262, false, false, false},
    {"TImage", 233, false, false, false},      {"TMemo", 212, false, true, false},
    {"TRadioButton", 197, true, true, false},  {"TListBox", 143, false, true, false},
    {"TRadioGroup", 111, true, true, false},
};

const TClassShare& PickClass(TSketcher& S) {
  int Total = 0;
  for (const TClassShare& C : kControls) Total += C.Share;
  int Roll = S.Pick(Total);
  for (const TClassShare& C : kControls) {
    if (Roll < C.Share) return C;
    Roll -= C.Share;
  }
  return kControls[0];
}

// Real names say what an object is for ("ButtonSaveAs12", not "Button12"):
// the caption's ASCII letters go between the class's name and the number.
void NameAfterCaption(TSketchObject& O) {
  std::string Words;
  bool Start = true;
  for (char C : O.Caption) {
    const bool Letter = (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
    if (Letter) Words += Start && C >= 'a' ? static_cast<char>(C - 'a' + 'A') : C;
    Start = !Letter && C != '&';
  }
  O.Name.insert(O.Class.size() - 1, Words);
}

void SketchTypical(TSketcher& S, int Median) {
  // The generator's first numbers after a small seed are small too.
  for (int I = 0; I < 4; ++I) S.Pick(2);
  const int Objects = std::clamp(static_cast<int>(S.Spread(Median, 0.9) + 0.5), 1, 40 * Median);
  TExtra& Form = S.Sketch().FormExtra;
  Form = {{"ClientHeight", std::to_string(300 + S.Pick(300))},
          {"ClientWidth", std::to_string(400 + S.Pick(400))},
          {"Color", "clBtnFace"}};
  AddFont(S, Form);
  Form.insert(Form.end(), {{"OldCreateOrder", "False"}, {"Position", "poScreenCenter"}});
  if (S.Chance(45)) Form.emplace_back("OnCreate", "FormCreate");
  if (S.Chance(10)) Form.emplace_back("Icon.Data", ImageData(S, 2000));
  // A menu in a quarter of the forms, with about a fifth of their objects.
  int Left = Objects;
  if (Objects >= 6 && S.Chance(25)) {
    const int Menu = S.Add(S.Chance(70) ? "TMainMenu" : "TPopupMenu", -1, false);
    int Items = std::max(2, Objects / 5);
    Left -= Items + 1;
    std::vector<int> Tops;
    while (Items > 0) {
      const bool Top = Tops.empty() || S.Chance(25);
      const int Item = S.Add("TMenuItem", Top ? Menu : Tops[static_cast<std::size_t>(S.Pick(static_cast<int>(Tops.size())))]);
      NameAfterCaption(S.At(Item));
      if (Top) Tops.push_back(Item);
      TExtra& Extra = S.At(Item).Extra;
      if (!Top && S.Chance(30)) Extra.emplace_back("ShortCut", std::to_string(16384 + 65 + S.Pick(26)));
      if (!Top && S.Chance(70)) Extra.emplace_back("OnClick", S.At(Item).Name + "Click");
      --Items;
    }
  }
  std::vector<int> Containers;
  std::vector<int> TabOrders(1, 0);  // per container, the form's first
  for (int I = 0; I < Left; ++I) {
    const TClassShare& Kind = PickClass(S);
    // Most objects sit in a panel or a box, often the latest one.
    const int Slot = Containers.empty() || S.Chance(30) ? -1
                     : S.Chance(50)                     ? static_cast<int>(Containers.size()) - 1
                                                        : S.Pick(static_cast<int>(Containers.size()));
    const int Parent = Slot < 0 ? -1 : Containers[static_cast<std::size_t>(Slot)];
    const int Index = S.Add(Kind.Class, Parent, Kind.Captioned);
    TSketchObject& O = S.At(Index);
    if (!O.Caption.empty() && S.Chance(40)) O.Caption += ' ' + S.Caption();
    NameAfterCaption(O);
    TExtra& Extra = O.Extra;
    std::string Class = Kind.Class;
    if (Class == "TRadioGroup")
      for (int Item = 2 + S.Pick(3); Item > 0; --Item) O.Items.push_back(S.Caption());
    if (Class == "TButton" && S.Chance(10)) O.Default = true;
    if (Class == "TPanel" && S.Chance(50)) Extra.emplace_back("Align", S.Chance(50) ? "alTop" : "alClient");
    if (Class == "TEdit" || Class == "TComboBox") Extra.emplace_back("Text", Quoted(S.Chance(70) ? "" : S.Caption()));
    if (Class == "TComboBox" || Class == "TListBox") Extra.emplace_back("ItemHeight", "13");
    if (Class == "TMemo") Extra.emplace_back("Lines.Strings", "('" + O.Name + "')");
    if (Class == "TBevel") Extra.emplace_back("Shape", "bsTopLine");
    if (Class == "TPanel" && S.Chance(50)) Extra.emplace_back("BevelOuter", "bvNone");
    if (Class == "TLabel" && S.Chance(15)) Extra.emplace_back("Alignment", "taRightJustify");
    if ((Class == "TEdit" || Class == "TMemo") && S.Chance(20)) Extra.emplace_back("ReadOnly", "True");
    if (S.Chance(10)) Extra.emplace_back("AutoSize", "False");
    if (S.Chance(10)) Extra.emplace_back("Color", "clWindow");
    if (S.Chance(5)) Extra.emplace_back("Visible", "False");
    if (S.Chance(15)) Extra.emplace_back("Anchors", "[akTop, akRight]");
    if (Kind.Captioned && S.Chance(12)) Extra.emplace_back("ImageIndex", std::to_string(S.Pick(24)));
    if (S.Chance(9)) {
      AddFont(S, Extra);
      Extra.emplace_back("ParentFont", "False");
    }
    if (S.Chance(8)) {
      Extra.emplace_back("Hint", Quoted(S.Caption()));
      Extra.emplace_back("ShowHint", "True");
    }
    if (S.Chance(8)) Extra.emplace_back("Enabled", "False");
    if (Class == "TLabel" && S.Chance(40)) Extra.emplace_back("ParentColor", "False");
    if (Class == "TLabel" && I > 0 && S.Chance(20)) Extra.emplace_back("FocusControl", S.At(Index - 1).Name);
    if (I > 0 && S.Chance(25))
      Extra.insert(Extra.end(), {{"AnchorSideLeft.Control", S.At(Index - 1).Name},
                                 {"AnchorSideTop.Control", S.At(Index - 1).Name},
                                 {"AnchorSideTop.Side", "asrBottom"},
                                 {"BorderSpacing.Top", "6"},
                                 {"BorderSpacing.Around", "4"}});
    if (Kind.Focused) {
      const auto Order = static_cast<std::size_t>(Slot + 1);
      Extra.emplace_back("TabOrder", std::to_string(TabOrders[Order]++));
    }
    if ((Class == "TButton" || Class == "TBitBtn" || Class == "TSpeedButton" || Class == "TCheckBox") && S.Chance(70))
      Extra.emplace_back("OnClick", O.Name + "Click");
    if (Class == "TEdit" && S.Chance(20)) Extra.emplace_back("OnChange", O.Name + "Change");
    if ((Class == "TSpeedButton" || Class == "TBitBtn") && S.Chance(25))
      Extra.emplace_back("Glyph.Data", ImageData(S, 1300));
    if (Class == "TImage" && S.Chance(50)) Extra.emplace_back("Picture.Data", ImageData(S, 5000));
    if (Kind.Container) {
      Containers.push_back(Index);
      TabOrders.push_back(0);
    }
  }
}

}  // namespace

const char* ShapeName(TShape Shape) {
  switch (Shape) {
    case TShape::shFlat: return "flat";
    case TShape::shDeep: return "deep";
    case TShape::shPanels: return "panels";
    case TShape::shMenu: return "menu";
    case TShape::shRadioGroups: return "radiogroups";
    case TShape::shDialog: return "dialog";
    case TShape::shTypical: return "typical";
  }
  return "?";
}

TSketch MakeSketch(TShape Shape, int Components, std::uint32_t Seed) {
  TSketch Sketch;
  Sketch.Objects.reserve(static_cast<std::size_t>(Components) + 64);
  TSketcher S(Sketch, Seed);
  switch (Shape) {
    case TShape::shFlat: {
      const int Panel = S.Add("TPanel", -1, false);
      while (S.Count() < Components) S.AddControl(Panel);
      break;
    }
    case TShape::shDeep:
      while (S.Count() < Components) {
        int Parent = -1;
        for (int Depth = 0; Depth < 24 && S.Count() < Components; ++Depth) {
          Parent = S.Add("TPanel", Parent, false);
          S.AddControl(Parent);
        }
      }
      break;
    case TShape::shPanels:
      while (S.Count() < Components) {
        const int Panel = S.Add("TPanel", -1, false);
        for (int B = 0; B < 10; ++B) S.AddControl(Panel);
      }
      break;
    case TShape::shMenu: {
      const int Menu = S.Add("TMainMenu", -1, false);
      while (S.Count() < Components) {
        const int Top = S.Add("TMenuItem", Menu);
        for (int I = 0; I < 50 && S.Count() < Components; ++I) S.Add("TMenuItem", Top);
      }
      break;
    }
    case TShape::shRadioGroups:
      while (S.Count() < Components) {
        const int Panel = S.Add("TPanel", -1, false);
        for (int R = 0; R < 10; ++R) S.AddRadioGroup(Panel, 4);
      }
      break;
    case TShape::shDialog:
      SketchDialog(S);
      break;
    case TShape::shTypical:
      SketchTypical(S, Components);
      break;
  }
  return Sketch;
}

namespace {

bool IsMenuPart(const std::string& Class) {
  return Class == "TMainMenu" || Class == "TPopupMenu" || Class == "TMenuItem";
}

bool HasExtra(const TSketchObject& O, const char* Name) {
  return std::any_of(O.Extra.begin(), O.Extra.end(), [&](const auto& P) { return P.first == Name; });
}

void WriteExtra(std::string& Out, const std::vector<std::pair<std::string, std::string>>& Extra,
                const std::string& Inner) {
  for (const auto& [Name, Value] : Extra) {
    Out += Inner + Name + " = ";
    if (Value.empty() || Value[0] != '{') {
      Out += Value + '\n';
      continue;
    }
    const std::string_view Digits(Value.data() + 1, Value.size() - 2);
    Out += '{';
    for (std::size_t At = 0; At < Digits.size(); At += 64) {
      Out += '\n' + Inner + "  ";
      Out += Digits.substr(At, 64);
    }
    Out += "}\n";
  }
}

}  // namespace

std::string WriteFormText(const TSketch& Sketch, const std::string& FormName) {
  const auto Count = Sketch.Objects.size();
  std::vector<std::vector<int>> Children(Count + 1);
  for (std::size_t I = 0; I < Count; ++I) {
    const int Parent = Sketch.Objects[I].Parent;
    Children[Parent < 0 ? Count : static_cast<std::size_t>(Parent)].push_back(static_cast<int>(I));
  }
  std::string Out;
  Out.reserve(Count * 120 + 256);
  Out += "object " + FormName + ": TForm\n  Left = 192\n  Top = 107\n  Width = 640\n  Height = 480\n"
         "  Caption = 'Generated form'\n  PixelsPerInch = 96\n  TextHeight = 13\n";
  WriteExtra(Out, Sketch.FormExtra, "  ");
  // Objects close in reverse: a stack of (object, next child) pairs.
  std::vector<std::pair<std::size_t, std::size_t>> Stack{{Count, 0}};
  while (!Stack.empty()) {
    auto& [Node, Next] = Stack.back();
    const auto& Kids = Children[Node];
    if (Next == Kids.size()) {
      Out.append(2 * (Stack.size() - 1), ' ');
      Out += "end\n";
      Stack.pop_back();
      continue;
    }
    const auto Child = static_cast<std::size_t>(Kids[Next++]);
    const TSketchObject& O = Sketch.Objects[Child];
    const std::string Indent(2 * Stack.size(), ' ');
    Out += Indent + "object " + O.Name + ": " + O.Class + '\n';
    const std::string Inner = Indent + "  ";
    if (!IsMenuPart(O.Class)) {
      const int Index = static_cast<int>(Next);
      Out += Inner + "Left = " + std::to_string(8 + (Index % 8) * 80) + '\n';
      Out += Inner + "Top = " + std::to_string(8 + (Index / 8) * 30) + '\n';
      Out += Inner + "Width = 75\n" + Inner + "Height = 25\n";
    }
    if (!O.Caption.empty()) {
      Out += Inner + "Caption = ";
      Quote(Out, O.Caption);
      Out += '\n';
    }
    if (O.Default) Out += Inner + "Default = True\n";
    if (!O.Items.empty()) {
      Out += Inner + "Items.Strings = (";
      for (const std::string& Item : O.Items) {
        Out += '\n' + Inner + "  ";
        Quote(Out, Item);
      }
      Out += ")\n";
    }
    if ((O.Class == "TButton" || O.Class == "TCheckBox" || O.Class == "TEdit") && !HasExtra(O, "TabOrder"))
      Out += Inner + "TabOrder = " + std::to_string(Next - 1) + '\n';
    WriteExtra(Out, O.Extra, Inner);
    Stack.emplace_back(Child, 0);
  }
  return Out;
}

namespace {

TComponent* MakeComponent(const TSketchObject& O, TForm& Form, const std::vector<TComponent*>& Made) {
  TComponent* Parent = O.Parent < 0 ? &Form : Made[static_cast<std::size_t>(O.Parent)];
  TComponent* C = nullptr;
  if (O.Class == "TMainMenu") {
    C = new TMainMenu(&Form);
  } else if (O.Class == "TMenuItem") {
    auto* Item = new TMenuItem(&Form);
    Item->SetCaption(O.Caption);
    if (auto* Menu = dynamic_cast<TMenu*>(Parent))
      Menu->GetItems()->Add(Item);
    else
      static_cast<TMenuItem*>(Parent)->Add(Item);
    C = Item;
  } else {
    TControl* Control = nullptr;
    if (O.Class == "TPanel") {
      Control = new TPanel(&Form);
    } else if (O.Class == "TButton") {
      auto* Button = new TButton(&Form);
      Button->SetDefault(O.Default);
      Control = Button;
    } else if (O.Class == "TCheckBox") {
      Control = new TCheckBox(&Form);
    } else if (O.Class == "TRadioButton") {
      Control = new TRadioButton(&Form);
    } else if (O.Class == "TGroupBox") {
      Control = new TGroupBox(&Form);
    } else if (O.Class == "TRadioGroup") {
      auto* Group = new TRadioGroup(&Form);
      Group->GetItems()->Assign(O.Items);
      Control = Group;
    } else if (O.Class == "TLabel") {
      Control = new TLabel(&Form);
    } else {
      Control = new TEdit(&Form);
    }
    Control->SetCaption(O.Caption);
    Control->SetParent(static_cast<TWinControl*>(Parent));
    C = Control;
  }
  C->SetName(O.Name);
  return C;
}

}  // namespace

std::unique_ptr<TForm> BuildForm(const TSketch& Sketch, std::vector<TComponent*>* Made) {
  auto Form = std::make_unique<TForm>(nullptr);
  Form->SetName("Form1");
  std::vector<TComponent*> Local;
  std::vector<TComponent*>& Out = Made ? *Made : Local;
  Out.clear();
  Out.reserve(Sketch.Objects.size());
  for (const TSketchObject& O : Sketch.Objects) Out.push_back(MakeComponent(O, *Form, Out));
  return Form;
}

void RestoreCaptions(const TSketch& Sketch, const std::vector<TComponent*>& Made) {
  for (std::size_t I = 0; I < Sketch.Objects.size(); ++I) {
    const TSketchObject& O = Sketch.Objects[I];
    if (auto* Item = dynamic_cast<TMenuItem*>(Made[I])) {
      Item->SetCaption(O.Caption);
    } else if (auto* Control = dynamic_cast<TControl*>(Made[I])) {
      Control->SetCaption(O.Caption);
      if (auto* Group = dynamic_cast<TRadioGroup*>(Control)) Group->GetItems()->Assign(O.Items);
    }
  }
}

}  // namespace keyloom::bench

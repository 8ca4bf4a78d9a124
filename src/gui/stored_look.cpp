#include "gui/stored_look.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace keyloom::gui {

std::optional<int> StoredInteger(const formfile::TObjectNode& Node, std::string_view Name) {
  const formfile::TProperty* Prop = Node.FindProperty(Name);
  if (!Prop) return std::nullopt;
  if (const auto* Value = std::get_if<std::int64_t>(&Prop->FValue.FData)) return static_cast<int>(*Value);
  return std::nullopt;
}

namespace {

std::optional<bool> StoredBool(const formfile::TObjectNode& Node, std::string_view Name) {
  const formfile::TProperty* Prop = Node.FindProperty(Name);
  if (!Prop) return std::nullopt;
  if (const auto* Value = std::get_if<bool>(&Prop->FValue.FData)) return *Value;
  return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, int>, 19> Charsets{{
    {"ANSI_CHARSET", 0},         {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},     {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},   {"HANGEUL_CHARSET", 129},    {"HANGUL_CHARSET", 129},   {"JOHAB_CHARSET", 130},
    {"GB2312_CHARSET", 134},     {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},
    {"VIETNAMESE_CHARSET", 163}, {"HEBREW_CHARSET", 177},     {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204},    {"THAI_CHARSET", 222},       {"EASTEUROPE_CHARSET", 238},
}};

// AlignWithMargins = True: Margins.Left, Top, Right and Bottom, 3 each unless
// stored; otherwise none.
TMargins StoredMargins(const formfile::TObjectNode& Node) {
  if (!StoredBool(Node, "AlignWithMargins").value_or(false)) return {};
  return {StoredInteger(Node, "Margins.Left").value_or(3), StoredInteger(Node, "Margins.Top").value_or(3),
          StoredInteger(Node, "Margins.Right").value_or(3), StoredInteger(Node, "Margins.Bottom").value_or(3)};
}

// A stored font charset: an identifier (RUSSIAN_CHARSET) or its number.
std::optional<int> StoredCharset(const formfile::TValue& Value) {
  if (const auto* Number = std::get_if<std::int64_t>(&Value.FData)) return static_cast<int>(*Number);
  const std::string_view Ident = Value.Ident();
  for (const auto& [Name, Charset] : Charsets)
    if (SameText(Ident, Name)) return Charset;
  return std::nullopt;
}

// The Windows code page of a charset; 0 for DEFAULT_CHARSET and those of no
// code page of their own (symbol, OEM, Mac).
int CharsetCodePage(int Charset) {
  switch (Charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

// The code page of bytes nothing in the file attributes: the first code page
// other than the Western one that any font of the file names, since the file
// was most likely written on a system of that code page; else the Western.
int CodePageOfFile(const formfile::TObjectNode& Root) {
  std::vector<const formfile::TObjectNode*> Pending{&Root};
  while (!Pending.empty()) {
    const formfile::TObjectNode* Node = Pending.back();
    Pending.pop_back();
    for (const formfile::TProperty& P : Node->FProperties) {
      const std::string_view Name = P.FName;
      constexpr std::string_view Suffix = "Charset";
      if (P.FRemoved || Name.size() < Suffix.size() || !SameText(Name.substr(Name.size() - Suffix.size()), Suffix))
        continue;
      if (const std::optional<int> Charset = StoredCharset(P.FValue)) {
        const int CodePage = CharsetCodePage(*Charset);
        if (CodePage != 0 && CodePage != 1252) return CodePage;
      }
    }
    for (auto It = Node->FChildren.rbegin(); It != Node->FChildren.rend(); ++It) Pending.push_back(*It);
  }
  return 1252;
}

// The code page of a component's font: its own charset, else its parent's
// while it takes the parent's font. Old forms say ANSI_CHARSET (or leave the
// default) over bytes of their system's code page, so those two mean the file's.
int ComponentCodePage(const formfile::TLoadedForm& Loaded, const TComponent& Component, int FileCodePage) {
  for (const TComponent* C = &Component; C;) {
    if (const formfile::TObjectNode* Node = Loaded.NodeOf(C)) {
      const std::optional<bool> ParentFont = StoredBool(*Node, "ParentFont");
      if (!ParentFont.value_or(false)) {
        const formfile::TProperty* Charset = Node->FindProperty("Font.Charset");
        if (const std::optional<int> Value = Charset ? StoredCharset(Charset->FValue) : std::nullopt) {
          const int CodePage = CharsetCodePage(*Value);
          return CodePage != 0 && CodePage != 1252 ? CodePage : FileCodePage;
        }
        if (ParentFont.has_value()) return FileCodePage;
      }
    }
    const auto* Control = dynamic_cast<const TControl*>(C);
    C = Control && Control->GetParent() ? Control->GetParent() : C->GetOwner();
  }
  return FileCodePage;
}

void Collect(TComponent& Owner, std::vector<TComponent*>& All) {
  All.push_back(&Owner);
  for (TComponent* C : Owner.Components()) Collect(*C, All);
}

}  // namespace

void UseStoredLook(TRenderOptions& Options, formfile::TLoadedForm& Loaded) {
  // Taken now, so that the drawing never reads the file again (nor needs it
  // to outlive the components).
  auto Margins = std::make_shared<std::unordered_map<const TControl*, TMargins>>();
  auto CodePages = std::make_shared<std::unordered_map<const TComponent*, int>>();
  const int FileCodePage = CodePageOfFile(Loaded.Document().Root());
  std::vector<TComponent*> All;
  Collect(Loaded.Form(), All);
  for (TComponent* C : All) {
    (*CodePages)[C] = ComponentCodePage(Loaded, *C, FileCodePage);
    const auto* Control = dynamic_cast<const TControl*>(C);
    const formfile::TObjectNode* Node = Control ? Loaded.NodeOf(C) : nullptr;
    if (Node)
      if (const TMargins M = StoredMargins(*Node); M != TMargins{}) (*Margins)[Control] = M;
  }
  Options.Layout.MarginsOf = [Margins](const TControl& C) {
    const auto It = Margins->find(&C);
    return It == Margins->end() ? TMargins{} : It->second;
  };
  Options.CodePageOf = [CodePages, FileCodePage](const TComponent& C) {
    const auto It = CodePages->find(&C);
    return It == CodePages->end() ? FileCodePage : It->second;
  };
}

}  // namespace keyloom::gui

#pragma once

// Forms built in code for the tests of the run-time pipeline.

#include <keyloom/default_lists.hpp>
#include <keyloom/host.hpp>

#include <initializer_list>
#include <type_traits>
#include <string>

namespace keyloom::test {

// A component owned by Owner, placed on Parent (controls only), named and captioned.
template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const std::string& Name, const std::string& Caption = {}) {
  auto* Made = new T(Owner);
  if (!Name.empty()) Made->SetName(Name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (!Caption.empty()) Made->SetCaption(Caption);
    if (Parent) Made->SetParent(Parent);
  }
  return Made;
}

// A menu item owned by Owner, added below Parent (a menu's root item or another item).
inline TMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const std::string& Name, const std::string& Caption) {
  auto* Item = new TMenuItem(Owner);
  if (!Name.empty()) Item->SetName(Name);
  Item->SetCaption(Caption);
  Parent->Add(Item);
  return Item;
}

inline void Fill(TStrings& List, std::initializer_list<const char*> Strings) {
  List.Clear();
  for (const char* S : Strings) List.Add(S);
}

// The three class lists with their built-in contents.
struct TDefaultLists {
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
  TDefaultLists() {
    AddDefaults(CaptionClasses, DefaultCaptionClasses);
    AddDefaults(NoCaptionClasses, DefaultNoCaptionClasses);
    AddDefaults(DefaultCaptions, DefaultDefaultCaptions);
  }
};

// The tree as text: siblings separated by ",", children in parentheses.
inline std::string DumpNodes(const TTreeNode* First) {
  std::string Out;
  for (const TTreeNode* Node = First; Node; Node = Node->getNextSibling()) {
    if (!Out.empty()) Out += ',';
    Out += Node->GetText();
    if (Node->HasChildren()) Out += '(' + DumpNodes(Node->getFirstChild()) + ')';
  }
  return Out;
}

inline std::string Dump(const TCustomTreeView& Tree) { return DumpNodes(Tree.GetItems().GetFirstNode()); }

}  // namespace keyloom::test

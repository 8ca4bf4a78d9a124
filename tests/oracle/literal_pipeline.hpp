#pragma once

// A deliberately naive run of the pipeline, kept as the reference the
// optimized one must agree with exactly. It follows the algorithms step by
// step: passes by level over all owned components, a parent search over the
// whole tree by pre-order index, sibling groups picked by scanning every node
// and comparing parents, used letters in a string list looked up without
// regard to case. Speed does not matter here; only plainness does.
//
// It makes the same choices as the product where the described behaviour is
// mended: every level present gets its pass, nodes that show a component's
// name take no letter and are not written, proxies of earlier builds are
// released, no marker splits a multi-byte UTF-8 character, an empty
// component caption never matches a default caption, and the three mends
// marked below: a control holding others comes in with the containers, a
// group avoids the letters marked in the groups that inherit from it, and
// punctuation never becomes an accelerator.

#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/tree.hpp>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keyloom::oracle {

struct TNode {
  std::string Text;
  TObject* Data = nullptr;
  int Image = -1;
  TNode* Parent = nullptr;
  std::vector<std::unique_ptr<TNode>> Children;
};

// The working tree as a plain forest reached by pre-order index.
class TTree {
 public:
  void Clear() {
    FRoots.clear();
    FOrder.clear();
  }
  int GetCount() {
    Reindex();
    return static_cast<int>(FOrder.size());
  }
  TNode* GetNodeFromIndex(int Index) {
    Reindex();
    return FOrder.at(static_cast<std::size_t>(Index));
  }
  // A new node as the last child of Parent, or as the last root without one.
  TNode* AddChildObject(TNode* Parent, const std::string& Text, TObject* Data) {
    auto& List = Parent ? Parent->Children : FRoots;
    List.push_back(std::make_unique<TNode>());
    TNode* Node = List.back().get();
    Node->Text = Text;
    Node->Data = Data;
    Node->Parent = Parent;
    FOrder.clear();
    return Node;
  }
  // Every group ordered by Compare; nodes it finds equal keep their order.
  void AlphaSort(const std::function<int(const TNode&, const TNode&)>& Compare) {
    SortGroup(FRoots, Compare);
    FOrder.clear();
  }

 private:
  static void SortGroup(std::vector<std::unique_ptr<TNode>>& Group,
                        const std::function<int(const TNode&, const TNode&)>& Compare) {
    // Insertion sort: plain and stable.
    for (std::size_t I = 1; I < Group.size(); ++I)
      for (std::size_t J = I; J > 0 && Compare(*Group[J], *Group[J - 1]) < 0; --J) std::swap(Group[J], Group[J - 1]);
    for (auto& Node : Group) SortGroup(Node->Children, Compare);
  }
  void Reindex() {
    if (!FOrder.empty()) return;
    for (auto& Root : FRoots) Visit(Root.get());
  }
  void Visit(TNode* Node) {
    FOrder.push_back(Node);
    for (auto& Child : Node->Children) Visit(Child.get());
  }

  std::vector<std::unique_ptr<TNode>> FRoots;
  std::vector<TNode*> FOrder;
};

struct TSettings {
  TSortMethod SortMethod = TSortMethod::smUniqueLetters;
  bool OnlyUnassigned = true;
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
};

// ---------------------------------------------------------------- building

inline int GetComponentLevel(const TCustomForm* Form, const TComponent* Component) {
  if (IsClass<TMainMenu>(Component) || IsClass<TPopupMenu>(Component)) return 1;
  if (const auto* Control = dynamic_cast<const TControl*>(Component)) {
    if (Control->AcceptsControls()) return 1;
    // Mended: a control holding others (a page control its pages) comes in
    // with the containers, so that they hang under it.
    if (const auto* Window = dynamic_cast<const TWinControl*>(Control); Window && Window->GetControlCount() > 0)
      return 1;
    int Count = 0;
    const TControl* C = Control;
    while (C != nullptr && C != Form) {
      ++Count;
      C = C->GetParent();
    }
    return Count;
  }
  if (IsClass<TMenuItem>(Component)) {
    int Count = 0;
    const TComponent* C = Component;
    while (C != nullptr) {
      ++Count;
      C = C->GetParentComponent();
    }
    return Count;
  }
  return -1;
}

inline bool IsSelfOrAncestor(const TObject* Component, const TObject* Candidate) {
  if (Component == nullptr) return false;
  if (const auto* Control = dynamic_cast<const TControl*>(Component)) {
    const TControl* C = Control;
    while (C != nullptr) {
      if (C == Candidate) return true;
      C = C->GetParent();
    }
    return false;
  }
  if (const auto* Item = dynamic_cast<const TMenuItem*>(Component)) {
    const TComponent* C = Item;
    while (C != nullptr) {
      if (C == Candidate) return true;
      C = C->GetParentComponent();
    }
    return false;
  }
  return false;
}

inline void AddComponent(TComponent* Component, TTree& Tree, TComponent& ProxyOwner, const TStrings& CaptionClasses,
                         const TStrings& NoCaptionClasses) {
  const std::string Caption = GetCaption(Component, CaptionClasses, NoCaptionClasses);
  const int Image = GetImageIndex(Component);
  if (Caption.empty()) return;
  TNode* Parent = nullptr;
  for (int I = 0; I < Tree.GetCount(); ++I) {
    TNode* Node = Tree.GetNodeFromIndex(I);
    if (oracle::IsSelfOrAncestor(Component, Node->Data)) Parent = Node;
  }
  if (auto* RadioGroup = dynamic_cast<TRadioGroup*>(Component)) {
    const TStrings& Items = *RadioGroup->GetItems();
    for (int I = 0; I < Items.Count(); ++I) {
      auto* Proxy = new TRadioGroupIndex(&ProxyOwner);
      Proxy->SetIndex(I);
      Proxy->SetRadioGroup(RadioGroup);
      TNode* Node = Tree.AddChildObject(Parent, Items[I], Proxy);
      Node->Image = GetImageIndex(RadioGroup);
    }
    return;
  }
  TNode* Node = Tree.AddChildObject(Parent, Caption, Component);
  Node->Image = Image;
}

inline void EnumComponents(const TCustomForm* Form, TTree& Tree, TComponent& Component, TComponent& ProxyOwner,
                           const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  int Level = 1;
  for (;;) {
    bool Found = false;
    for (int I = 0; I < Component.GetComponentCount(); ++I) {
      TComponent* Owned = Component.GetComponent(I);
      if (oracle::GetComponentLevel(Form, Owned) == Level) {
        Found = true;
        AddComponent(Owned, Tree, ProxyOwner, CaptionClasses, NoCaptionClasses);
      }
    }
    (void)Found;
    ++Level;
    if (Level < 20) continue;
    // Every deeper level that holds a component still gets its pass.
    bool Deeper = false;
    for (int I = 0; I < Component.GetComponentCount(); ++I)
      if (oracle::GetComponentLevel(Form, Component.GetComponent(I)) >= Level) Deeper = true;
    if (!Deeper) break;
  }
}

// ---------------------------------------------------------------- sorting

inline int CaptionComparison(const std::string& Text1, const std::string& Text2) {
  const std::string A = DeleteAccelerator(Text1);
  const std::string B = DeleteAccelerator(Text2);
  for (std::size_t I = 0; I < A.size() && I < B.size(); ++I) {
    const auto CA = static_cast<unsigned char>(A[I]);
    const auto CB = static_cast<unsigned char>(B[I]);
    if (CA < CB) return -1;
    if (CA > CB) return 1;
  }
  if (A.size() < B.size()) return -1;
  if (A.size() > B.size()) return 1;
  return 0;
}

inline int CompareBy(TSortMethod Method, const TNode& Node1, const TNode& Node2) {
  int Compare = 0;  // no verdict reads as equal
  switch (Method) {
    case TSortMethod::smNothing:
      break;
    case TSortMethod::smCaption:
      Compare = CaptionComparison(Node1.Text, Node2.Text);
      break;
    case TSortMethod::smCaptionLength: {
      const int A = AcceleratorLength(Node1.Text);
      const int B = AcceleratorLength(Node2.Text);
      Compare = A < B ? -1 : A > B ? 1 : CaptionComparison(Node1.Text, Node2.Text);
      break;
    }
    case TSortMethod::smUniqueLetters: {
      const int A = GetUniqueLetterCount(Node1.Text);
      const int B = GetUniqueLetterCount(Node2.Text);
      Compare = A < B ? -1 : A > B ? 1 : CaptionComparison(Node1.Text, Node2.Text);
      break;
    }
  }
  return Compare;
}

// ---------------------------------------------------------------- finding

inline bool IsEligible(const TObject* Component, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  if (IsClassType(Component, "TButtonControl")) {
    if (HasProperty(Component, "Cancel", TTypeKind::tkEnumeration) && GetPropertyBoolean(Component, "Cancel"))
      return false;
    if (HasProperty(Component, "Default", TTypeKind::tkEnumeration) && GetPropertyBoolean(Component, "Default"))
      return false;
  }
  if (IsClassInList(Component, NoCaptionClasses)) return false;
  return GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Source != TCaptionSource::csName;
}

// Start of word number Index (from 1) in Text.
inline std::size_t WordStart(const std::string& Text, int Index) {
  int Count = 0;
  bool InWord = false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (IsWordSeparator(Text[I])) {
      InWord = false;
    } else if (!InWord) {
      InWord = true;
      if (++Count == Index) return I;
    }
  }
  return std::string::npos;
}

// Mended: the letters marked in the groups that will start with this group's
// letters (below its nodes, not below a menu item or popup menu), which the
// group must not give, though it does not hand them down.
inline void AddMarkedBelow(const TNode& Node, TStringList& Below) {
  if (IsClass<TMenuItem>(Node.Data) || IsClass<TPopupMenu>(Node.Data)) return;
  for (const auto& Child : Node.Children) {
    if (HasAccelerator(Child->Text)) Below.Add(GetAccelerator(Child->Text));
    AddMarkedBelow(*Child, Below);
  }
}

// Mended: only A-Z, a-z and 0x80 become new accelerators, never the
// punctuation between them or DEL.
inline bool IsNewLetter(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || static_cast<unsigned char>(C) == 0x80;
}

inline void Find(TTree& Tree, const TStringList& CallerUsed, TObject* Component, TNode* Parent,
                 const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions) {
  TStringList Used;
  if (!IsClass<TMenuItem>(Component) && !IsClass<TPopupMenu>(Component))
    for (int I = 0; I < CallerUsed.Count(); ++I) Used.Add(CallerUsed[I]);

  std::vector<TNode*> Group;
  for (int I = 0; I < Tree.GetCount(); ++I)
    if (Tree.GetNodeFromIndex(I)->Parent == Parent) Group.push_back(Tree.GetNodeFromIndex(I));

  for (TNode* Node : Group)
    if (HasAccelerator(Node->Text)) Used.Add(GetAccelerator(Node->Text));
  TStringList Below;
  for (TNode* Node : Group) AddMarkedBelow(*Node, Below);
  const auto Free = [&](const std::string& Letter) {
    if (Used.IndexOf(Letter) >= 0) return false;
    return Letter.empty() || Below.IndexOf(Letter) < 0;
  };

  for (TNode* Node : Group) {
    std::string Text = Node->Text;
    if (HasAccelerator(Text) || !IsEligible(Node->Data, CaptionClasses, NoCaptionClasses)) {
      Used.Add(GetAccelerator(Text));
      continue;
    }
    std::size_t Longest = 0;
    for (int W = 1; W <= WordCount(Text); ++W) Longest = std::max(Longest, GetWord(Text, W).size());

    bool Assigned = false;
    bool ByDefault = false;
    const std::string Caption = GetCaption(Node->Data, CaptionClasses, NoCaptionClasses);
    if (!Caption.empty()) {
      for (int I = 0; I < DefaultCaptions.Count(); ++I) {
        const std::string& Entry = DefaultCaptions[I];
        if (DeleteAccelerator(Caption) == DeleteAccelerator(Entry) && Free(GetAccelerator(Entry))) {
          Used.Add(GetAccelerator(Entry));
          Text = Entry;
          Assigned = true;
          ByDefault = true;
        }
      }
    }
    if (!ByDefault && Longest >= 1) {
      const std::string Original = Text;
      for (std::size_t P = 1; P <= Longest && !Assigned; ++P) {
        for (int W = 1; W <= WordCount(Original) && !Assigned; ++W) {
          const std::string Word = GetWord(Original, W);
          if (Word.size() < P) continue;
          const char C = Word[P - 1];
          const std::size_t At = WordStart(Original, W) + P - 1;
          if (!IsNewLetter(C) || !IsLetterAt(Original, At)) continue;
          if (!Free(std::string(1, C))) continue;
          std::size_t First = 0;
          while (!(Original[First] == C && IsLetterAt(Original, First))) ++First;
          Text = Original;
          Text.insert(First, "&");
          Used.Add(std::string(1, C));
          Assigned = true;
        }
      }
    }
    if (Assigned) Node->Text = Text;
  }

  if (Group.empty()) return;
  for (TNode* Node : Group) Find(Tree, Used, Node->Data, Node, CaptionClasses, NoCaptionClasses, DefaultCaptions);
}

// ---------------------------------------------------------------- writing

inline void AssignKeys(TTree& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, TObject* Sender,
                       const TAssignEvent& Handler) {
  for (int I = 0; I < Tree.GetCount(); ++I) {
    TNode* Node = Tree.GetNodeFromIndex(I);
    TObject* Component = Node->Data;
    if (IsClassInList(Component, NoCaptionClasses)) continue;
    std::string Caption = Node->Text;
    if (Handler) Handler(Sender, Component, Caption);
    if (GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Source == TCaptionSource::csName) continue;
    if (CaptionClasses.Count() > 0 && HasProperty(Component, "Caption", TTypeKind::tkLString))
      SetPropertyLongString(Component, "Caption", Caption);
    if (auto* GroupBox = dynamic_cast<TGroupBox*>(Component)) GroupBox->SetText(Caption);
    if (auto* Item = dynamic_cast<TMenuItem*>(Component)) Item->SetCaption(Caption);
    if (auto* Proxy = dynamic_cast<TRadioGroupIndex*>(Component)) {
      TRadioGroup* Group = Proxy->GetRadioGroup();
      if (Group && Proxy->GetIndex() >= 0 && Proxy->GetIndex() < Group->GetItems()->Count())
        Group->GetItems()->Put(Proxy->GetIndex(), Caption);
    }
  }
}

// ---------------------------------------------------------------- a whole run

// One run over Form as the run-time component makes it; Sender is what the
// handler receives as its sender.
class TRun {
 public:
  void Run(TCustomForm& Form, const TSettings& Settings, TObject* Sender, const TAssignEvent& Handler) {
    Tree.Clear();
    FProxies = std::make_unique<TComponent>(nullptr);
    EnumComponents(&Form, Tree, Form, *FProxies, Settings.CaptionClasses, Settings.NoCaptionClasses);
    Tree.AlphaSort([&](const TNode& A, const TNode& B) { return CompareBy(Settings.SortMethod, A, B); });
    if (!Settings.OnlyUnassigned) {
      const int Count = Tree.GetCount();
      for (int I = 0; I < Count; ++I) Tree.GetNodeFromIndex(I)->Text = DeleteAccelerator(Tree.GetNodeFromIndex(I)->Text);
    }
    TStringList Used;
    Find(Tree, Used, nullptr, nullptr, Settings.CaptionClasses, Settings.NoCaptionClasses, Settings.DefaultCaptions);
    AssignKeys(Tree, Settings.CaptionClasses, Settings.NoCaptionClasses, Sender, Handler);
  }

  TTree Tree;

 private:
  std::unique_ptr<TComponent> FProxies;
};

}  // namespace keyloom::oracle

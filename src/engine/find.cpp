#include <keyloom/engine.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/introspection.hpp>
#include <keyloom/markup.hpp>

#include <algorithm>
#include <vector>

namespace keyloom {

namespace {

std::vector<TTreeNode*> GroupNodes(const TCustomTreeView& Tree, const TTreeNode* Parent) {
  std::vector<TTreeNode*> Nodes;
  if (Parent) {
    Nodes.reserve(static_cast<std::size_t>(Parent->GetCount()));
    for (int I = 0; I < Parent->GetCount(); ++I) Nodes.push_back(Parent->GetItem(I));
    return Nodes;
  }
  const TTreeNodes& Items = Tree.GetItems();
  Nodes.reserve(static_cast<std::size_t>(Items.GetRootCount()));
  for (int I = 0; I < Items.GetRootCount(); ++I) Nodes.push_back(Items.GetRoot(I));
  return Nodes;
}

bool IsTrueProperty(const TObject* Component, const char* Name) {
  return HasProperty(Component, Name, TTypeKind::tkEnumeration) && GetPropertyBoolean(Component, Name);
}

// Whether the node may take a new letter. Info receives the component's own
// caption, which the default captions are matched against.
bool IsEligible(const TObject* Component, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TCaptionInfo& Info) {
  // Default and Cancel buttons answer to Enter and Escape already.
  if (IsClassType(Component, "TButtonControl") &&
      (IsTrueProperty(Component, "Cancel") || IsTrueProperty(Component, "Default")))
    return false;
  if (IsClassInList(Component, NoCaptionClasses)) return false;
  Info = GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses);
  // A node that shows the component's name has no caption to mark.
  return Info.Source != TCaptionSource::csName;
}

// A later matching entry whose letter is still free replaces an earlier one.
bool ApplyDefaultCaptions(const std::string& ComponentCaption, const TStrings& DefaultCaptions, TUsedLetters& Used,
                          std::string& Text) {
  // An empty entry would otherwise match every captionless item and wipe its text.
  if (ComponentCaption.empty()) return false;
  const std::string Plain = DeleteAccelerator(ComponentCaption);
  bool Applied = false;
  for (const std::string& Entry : DefaultCaptions.Items()) {
    if (DeleteAccelerator(Entry) != Plain) continue;
    const std::string Letter = GetAccelerator(Entry);
    if (Used.Contains(Letter)) continue;
    Used.Add(Letter);
    Text = Entry;
    Applied = true;
  }
  return Applied;
}

struct TWord {
  std::size_t Start;
  std::size_t Length;
};

std::vector<TWord> SplitWords(const std::string& Text) {
  std::vector<TWord> Words;
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    while (Pos < Text.size() && IsWordSeparator(Text[Pos])) ++Pos;
    if (Pos == Text.size()) break;
    const std::size_t Start = Pos;
    while (Pos < Text.size() && !IsWordSeparator(Text[Pos])) ++Pos;
    Words.push_back({Start, Pos - Start});
  }
  return Words;
}

// Tries the first letters of all words, then all second letters, and so on;
// marks the first occurrence of the chosen letter in the whole text.
bool SearchLetter(std::string& Text, TUsedLetters& Used) {
  const std::vector<TWord> Words = SplitWords(Text);
  std::size_t Longest = 0;
  for (const TWord& Word : Words) Longest = std::max(Longest, Word.Length);
  for (std::size_t Position = 0; Position < Longest; ++Position) {
    for (const TWord& Word : Words) {
      if (Word.Length <= Position) continue;
      const std::size_t At = Word.Start + Position;
      const char Letter = Text[At];
      if (!IsLetterAt(Text, At) || Used.Contains(Letter)) continue;
      std::size_t First = 0;
      while (Text[First] != Letter || !IsLetterAt(Text, First)) ++First;
      Text.insert(First, 1, '&');
      Used.Add(Letter);
      return true;
    }
  }
  return false;
}

// One sibling group; Used starts as the group's inherited list and ends as
// the list its children inherit.
void HandleGroup(const std::vector<TTreeNode*>& Nodes, TUsedLetters& Used, const TStrings& CaptionClasses,
                 const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions) {
  // Letters already marked are reserved before anyone chooses.
  for (const TTreeNode* Node : Nodes)
    if (HasAccelerator(Node->GetText())) Used.Add(GetAccelerator(Node->GetText()));

  for (TTreeNode* Node : Nodes) {
    std::string Text = Node->GetText();
    TCaptionInfo Info;
    const bool Eligible = IsEligible(Node->GetData(), CaptionClasses, NoCaptionClasses, Info);
    if (HasAccelerator(Text) || !Eligible) {
      Used.Add(GetAccelerator(Text));
      continue;
    }
    const bool Assigned =
        ApplyDefaultCaptions(Info.Text, DefaultCaptions, Used, Text) || SearchLetter(Text, Used);
    if (Assigned) Node->SetText(Text);
  }
}

struct TPendingGroup {
  TObject* Component;
  TTreeNode* Parent;
  TUsedLetters Inherited;
};

}  // namespace

void Find(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
          const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions) {
  // Groups in pre-order, one whole group before its children's groups; a
  // stack instead of recursion keeps deep trees off the call stack.
  std::vector<TPendingGroup> Pending{{Component, Parent, Used}};
  while (!Pending.empty()) {
    TPendingGroup Group = std::move(Pending.back());
    Pending.pop_back();
    const std::vector<TTreeNode*> Nodes = GroupNodes(Tree, Group.Parent);
    if (Nodes.empty()) continue;
    // Submenus and popup menus are separate from the rest of the form.
    TUsedLetters Letters;
    if (!IsClass<TMenuItem>(Group.Component) && !IsClass<TPopupMenu>(Group.Component)) Letters = Group.Inherited;
    HandleGroup(Nodes, Letters, CaptionClasses, NoCaptionClasses, DefaultCaptions);
    for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) Pending.push_back({(*It)->GetData(), *It, Letters});
  }
}

}  // namespace keyloom

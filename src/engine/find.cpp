#include <keyloom/engine.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/component_queries.hpp>
#include <keyloom/markup.hpp>

#include "queries/class_facts.hpp"
#include "engine/tree_groups.hpp"
#include "engine/action_twins.hpp"
#include "engine/keyed_find.hpp"
#include "engine/marked_below.hpp"
#include "host/group_walk_scout.hpp"

#include <algorithm>
#include <vector>

namespace keyloom {

namespace {

bool IsTrueProperty(const TObject* Component, bool Published, const char* Name) {
  return Published && GetPropertyBoolean(Component, Name);
}

}  // namespace

bool IsEligibleComponent(const TObject* Component, const TClassFacts& Facts, const TStrings& CaptionClasses,
                         const TStrings& NoCaptionClasses, TCaptionInfo& Info) {
  // Default and Cancel buttons answer to Enter and Escape already.
  if (Facts.ButtonControl && (IsTrueProperty(Component, Facts.PublishesCancel, "Cancel") ||
                              IsTrueProperty(Component, Facts.PublishesDefault, "Default")))
    return false;
  if (Facts.NoCaption) return false;
  if (HasNoOwnCaption(Facts)) {
    Info = {};
    return true;
  }
  Info = GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses);
  // A node that shows the component's name has no caption to mark.
  return Info.Source != TCaptionSource::csName;
}

bool IsPlaceholderCaption(const TTreeNode& Node) {
  const auto* Component = AsClass<TComponent>(Node.GetData());
  if (!Component || Component->GetName().empty()) return false;
  const std::string& Text = Node.GetText();
  if (Text.size() != Component->GetName().size() && Text.size() != Component->GetName().size() + 1) return false;
  return DeleteAccelerator(Text) == Component->GetName();
}

namespace {

// A default caption with what is compared and reserved, worked out once per run.
struct TDefaultCaption {
  const std::string* Entry;
  std::string Plain;
  std::string Letter;
};

std::vector<TDefaultCaption> PrepareDefaults(const TStrings& DefaultCaptions) {
  std::vector<TDefaultCaption> Defaults;
  Defaults.reserve(DefaultCaptions.Items().size());
  for (const std::string& Entry : DefaultCaptions.Items())
    Defaults.push_back({&Entry, DeleteAccelerator(Entry), GetAccelerator(Entry)});
  return Defaults;
}

// Letters the group may not give beyond those it holds: those marked below it.
bool Avoids(TMarkedBelow::TMask Below, char Letter) { return (Below & TMarkedBelow::MaskOf(Letter)) != 0; }

// A later matching entry whose letter is still free replaces an earlier one.
bool ApplyDefaultCaptions(const std::string& ComponentCaption, const std::vector<TDefaultCaption>& Defaults,
                          TUsedLetters& Used, TMarkedBelow::TMask Below, std::string& Text) {
  // An empty entry would otherwise match every captionless item and wipe its text.
  if (ComponentCaption.empty() || Defaults.empty()) return false;
  const std::string Plain = DeleteAccelerator(ComponentCaption);
  bool Applied = false;
  for (const TDefaultCaption& Default : Defaults) {
    if (Default.Plain != Plain || Used.Contains(Default.Letter)) continue;
    if (!Default.Letter.empty() && Avoids(Below, Default.Letter.front())) continue;
    Used.Add(Default.Letter);
    Text = *Default.Entry;
    Applied = true;
  }
  return Applied;
}

struct TWord {
  std::size_t Start;
  std::size_t Length;
};

void SplitWords(const std::string& Text, std::vector<TWord>& Words) {
  Words.clear();
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    while (Pos < Text.size() && IsWordSeparator(Text[Pos])) ++Pos;
    if (Pos == Text.size()) break;
    const std::size_t Start = Pos;
    while (Pos < Text.size() && !IsWordSeparator(Text[Pos])) ++Pos;
    Words.push_back({Start, Pos - Start});
  }
}

// Tries the first letters of all words, then all second letters, and so on;
// marks the first occurrence of the chosen letter in the whole text. Words is
// scratch space, kept by the caller so that no node allocates it anew.
bool SearchLetter(std::string& Text, TUsedLetters& Used, TMarkedBelow::TMask Below, std::vector<TWord>& Words) {
  SplitWords(Text, Words);
  std::size_t Longest = 0;
  for (const TWord& Word : Words) Longest = std::max(Longest, Word.Length);
  for (std::size_t Position = 0; Position < Longest; ++Position) {
    for (const TWord& Word : Words) {
      if (Word.Length <= Position) continue;
      const std::size_t At = Word.Start + Position;
      const char Letter = Text[At];
      if (!IsChoosableAt(Text, At) || Used.Contains(Letter) || Avoids(Below, Letter)) continue;
      std::size_t First = 0;
      while (Text[First] != Letter || !IsLetterAt(Text, First)) ++First;
      Text.insert(First, 1, '&');
      Used.Add(Letter);
      return true;
    }
  }
  return false;
}

// What every group of one run shares.
struct TRun {
  const TStrings& CaptionClasses;
  const TStrings& NoCaptionClasses;
  std::vector<TDefaultCaption> Defaults;
  TClassFactCache Facts;
  std::vector<TWord> Words;
  std::string Text;
};

// One sibling group; Used starts as the group's inherited list and ends as
// the list its children inherit. Done counts the nodes handled before it.
void HandleGroup(const TTreeNodes& Items, const std::vector<TTreeNode*>& Nodes, TUsedLetters& Used,
                 const TMarkedBelow& Marked, TRun& Run, TGroupWalkScout& Scout, std::size_t Done) {
  const std::size_t Count = Nodes.size();
  // Letters already marked are reserved before anyone chooses.
  for (std::size_t I = 0; I < Count; ++I) {
    Scout.Glance(Nodes, I);
    const TTreeNode* Node = Nodes[I];
    if (HasAccelerator(Node->GetText())) Used.Add(GetAccelerator(Node->GetText()));
  }

  // So are those marked in the groups that will start with this group's.
  const TMarkedBelow::TMask Below = Marked.Gather(Nodes);

  for (std::size_t I = 0; I < Count; ++I) {
    Scout.Reach(Nodes, I, Done);
    TTreeNode* Node = Nodes[I];
    const std::string& Current = Node->GetText();
    TObject* Component = Node->GetData();
    TCaptionInfo Info;
    if (HasAccelerator(Current) ||
        !IsEligibleComponent(Component, Run.Facts.Of(Component), Run.CaptionClasses, Run.NoCaptionClasses, Info)) {
      Used.Add(GetAccelerator(Current));
      continue;
    }
    Run.Text = Current;
    TMarkedBelow::TMask Avoid = Below;
    for (const std::string& Letter : TwinNeighbourLetters(Items, *Node))
      if (!Letter.empty()) Avoid |= TMarkedBelow::MaskOf(Letter.front());
    const bool Assigned =
        ApplyDefaultCaptions(Info.Text, Run.Defaults, Used, Avoid, Run.Text) ||
        SearchLetter(Run.Text, Used, Avoid, Run.Words);
    if (!Assigned) continue;
    GiveTwins(Items, *Node, Run.Text);
    Node->SetText(Run.Text);
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
  TRun Run{CaptionClasses, NoCaptionClasses, PrepareDefaults(DefaultCaptions), TClassFactCache(NoCaptionClasses), {}, {}};
  // Groups in pre-order, one whole group before its children's groups; a
  // stack instead of recursion keeps deep trees off the call stack.
  std::vector<TPendingGroup> Pending{{Component, Parent, Used}};
  std::vector<TTreeNode*> Nodes;
  // A handler told of caption changes might remove nodes the scout holds.
  TGroupWalkScout Scout(Tree.GetItems(), Parent, !Tree.OnNodesChanged);
  const TMarkedBelow Marked(Tree, TNonLatinMode::nlSkip);
  std::size_t Done = 0;
  while (!Pending.empty()) {
    TPendingGroup Group = std::move(Pending.back());
    Pending.pop_back();
    GroupNodes(Tree, Group.Parent, Nodes);
    if (Nodes.empty()) continue;
    // Submenus and popup menus are separate from the rest of the form.
    const TClassFacts& Facts = Run.Facts.Of(Group.Component);
    TUsedLetters Letters;
    if (!Facts.Kind.MenuItem && !Facts.Kind.PopupMenu) Letters = Group.Inherited;
    HandleGroup(Tree.GetItems(), Nodes, Letters, Marked, Run, Scout, Done);
    Done += Nodes.size();
    for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It)
      if ((*It)->HasChildren()) Pending.push_back({(*It)->GetData(), *It, Letters});
  }
}

void Find(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
          const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
          const TKeyOptions& Options) {
  if (Options.IsDefault()) {
    Find(Tree, Used, Component, Parent, CaptionClasses, NoCaptionClasses, DefaultCaptions);
    return;
  }
  FindWithOptions(Tree, Used, Component, Parent, CaptionClasses, NoCaptionClasses, DefaultCaptions, Options);
}

bool IsEligibleCaptionNode(const TTreeNode& Node, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  TClassFactCache Facts(NoCaptionClasses);
  TCaptionInfo Info;
  return IsEligibleComponent(Node.GetData(), Facts.Of(Node.GetData()), CaptionClasses, NoCaptionClasses, Info);
}

}  // namespace keyloom

#include <keyloom/stats.hpp>

#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/scopes.hpp>

#include <algorithm>
#include <map>
#include <unordered_set>
#include <vector>

namespace keyloom::stats {

namespace {

struct TNodeFacts {
  bool Eligible = false;
  bool Marked = false;
  TLetterKey Key = 0;
};

// The caption without an appended " (&X)": a letter given that way says
// nothing about whether the caption itself has one.
std::string_view WithoutAppendedLetter(std::string_view Text) {
  // It goes before trailing blanks.
  while (!Text.empty() && IsWordSeparator(Text.back())) Text.remove_suffix(1);
  if (Text.size() < 4 || !Text.ends_with(')')) return Text;
  const std::size_t Open = Text.size() - 4;
  if (Text[Open] != '(' || Text[Open + 1] != '&' || !IsLetter(Text[Open + 2])) return Text;
  Text.remove_suffix(4);
  if (Text.ends_with(' ')) Text.remove_suffix(1);
  return Text;
}

TNodeFacts FactsOf(const TTreeNode& Node, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                   const TKeyOptions& Options) {
  TNodeFacts F;
  const std::string& Text = Node.GetText();
  F.Marked = MarkedLetter(Text, TNonLatinMode::nlNative, F.Key);
  F.Eligible = IsEligibleCaptionNode(Node, CaptionClasses, NoCaptionClasses) &&
               HasLetterOfAnyScript(DeleteAccelerator(std::string(WithoutAppendedLetter(Text)))) &&
               !(Options.Placeholders == TPlaceholders::plSkip && IsPlaceholderCaption(Node)) &&
               !IsUnshownToolCaption(Node.GetData());
  return F;
}

// The letters an eligible caption could hold under the options: its own, or
// under nlAppend any Latin letter when it has none, less the reserved ones;
// always the letter it holds, which a run keeps.
std::vector<TLetterKey> PossibleLetters(const std::string& Text, const TNodeFacts& Facts, const TKeyOptions& Options,
                                        const std::vector<TLetterKey>& Reserved) {
  std::vector<TLetterKey> Keys;
  for (const TLetterChoice& Choice : CaptionLetters(DeleteAccelerator(Text), Options.NonLatin))
    Keys.push_back(Choice.Key);
  if (Keys.empty() && Options.NonLatin == TNonLatinMode::nlAppend)
    for (char C = 'A'; C <= 'Z'; ++C) Keys.push_back(ByteLetterKey(C));
  std::erase_if(Keys, [&](TLetterKey K) { return std::find(Reserved.begin(), Reserved.end(), K) != Reserved.end(); });
  if (Facts.Marked && std::find(Keys.begin(), Keys.end(), Facts.Key) == Keys.end()) Keys.push_back(Facts.Key);
  return Keys;
}

void CountCaption(TCaptionStats& S, const TNodeFacts& Facts, const std::string& Text) {
  if (!Facts.Eligible) return;
  ++S.Eligible;
  if (!Facts.Marked) return;
  ++S.Marked;
  if (MarksWordStart(Text)) ++S.FirstLetters;
}

}  // namespace

TCaptionStats& TCaptionStats::operator+=(const TCaptionStats& Other) {
  Eligible += Other.Eligible;
  Covered += Other.Covered;
  Clashes += Other.Clashes;
  Marked += Other.Marked;
  FirstLetters += Other.FirstLetters;
  Maximum += Other.Maximum;
  Unproven += Other.Unproven;
  Captioned += Other.Captioned;
  TakingPart += Other.TakingPart;
  FromActions += Other.FromActions;
  return *this;
}

bool MarksWordStart(const std::string& Caption) {
  const std::size_t Pos = AcceleratorPosition(Caption);
  if (Pos == std::string::npos || Pos == 0) return false;
  // Caption[Pos - 1] is the marker itself.
  return Pos == 1 || IsWordSeparator(Caption[Pos - 2]);
}

// Counted by region rather than by pair of holders: on a large form one letter
// has thousands of holders, and their pairs were the whole cost.
std::size_t CountPairsShownTogether(const TKeyScopeGroup& Scope, const std::vector<std::size_t>& Holders,
                                    std::vector<bool>& Shared) {
  std::vector<std::pair<int, std::size_t>> ByRegion;
  ByRegion.reserve(Holders.size());
  for (const std::size_t Holder : Holders) ByRegion.emplace_back(Scope.Region[Holder], Holder);
  std::sort(ByRegion.begin(), ByRegion.end());
  struct TRun {
    int Region;
    std::size_t Begin, End;
    bool Shared;
  };
  std::vector<TRun> Runs;
  for (std::size_t I = 0; I < ByRegion.size(); ++I) {
    if (Runs.empty() || Runs.back().Region != ByRegion[I].first)
      Runs.push_back({ByRegion[I].first, I, I + 1, false});
    else
      Runs.back().End = I + 1;
  }
  std::size_t Pairs = 0;
  for (std::size_t A = 0; A < Runs.size(); ++A) {
    const std::size_t InA = Runs[A].End - Runs[A].Begin;
    if (InA > 1 && Scope.RegionsTogether(Runs[A].Region, Runs[A].Region)) {
      Pairs += InA * (InA - 1) / 2;
      Runs[A].Shared = true;
    }
    for (std::size_t B = A + 1; B < Runs.size(); ++B) {
      if (!Scope.RegionsTogether(Runs[A].Region, Runs[B].Region)) continue;
      Pairs += InA * (Runs[B].End - Runs[B].Begin);
      Runs[A].Shared = Runs[B].Shared = true;
    }
  }
  for (const TRun& Run : Runs)
    if (Run.Shared)
      for (std::size_t I = Run.Begin; I < Run.End; ++I) Shared[ByRegion[I].second] = true;
  return Pairs;
}

TCaptionStats MeasureTree(const TCustomTreeView& Tree, const TStrings& CaptionClasses,
                          const TStrings& NoCaptionClasses, const TKeyOptions& Options, const TKeptCaptions& Fixed) {
  TCaptionStats S;
  const std::vector<TLetterKey> Reserved = ReservedLetterKeys(Options.ReservedLetters);
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  std::unordered_set<const TTreeNode*> InAScope;

  for (const TKeyScopeGroup& Scope : Scopes) {
    const std::size_t Count = Scope.Nodes.size();
    std::vector<TNodeFacts> Facts(Count);
    std::vector<std::vector<TLetterKey>> Letters(Count);
    std::map<TLetterKey, std::vector<std::size_t>> ByKey;
    std::unordered_set<const TCustomAction*> Actions;  // controls showing one action in a scope are one command
    for (std::size_t I = 0; I < Count; ++I) {
      const TTreeNode& Node = *Scope.Nodes[I];
      InAScope.insert(&Node);
      if (const TCustomAction* Action = CaptionActionOf(Node.GetData()); Action && !Actions.insert(Action).second)
        continue;
      Facts[I] = FactsOf(Node, CaptionClasses, NoCaptionClasses, Options);
      CountCaption(S, Facts[I], Node.GetText());
      if (Facts[I].Marked) ByKey[Facts[I].Key].push_back(I);
      if (Facts[I].Eligible) Letters[I] = PossibleLetters(Node.GetText(), Facts[I], Options, Reserved);
    }
    std::vector<bool> Shared(Count, false);
    for (const auto& [Key, Holders] : ByKey) S.Clashes += CountPairsShownTogether(Scope, Holders, Shared);
    // A caption that cannot change keeps its letter, or stays without one.
    std::size_t FixedCovered = 0;
    if (Fixed)
      for (std::size_t I = 0; I < Count; ++I) {
        if (!Facts[I].Eligible || !Fixed(Scope.Nodes[I]->GetData())) continue;
        Letters[I].clear();
        if (!Facts[I].Marked) continue;
        if (!Shared[I]) ++FixedCovered;
        for (std::size_t J = 0; J < Count; ++J)
          if (J != I && Scope.VisibleTogether(I, J)) std::erase(Letters[J], Facts[I].Key);
      }
    // A caption outside the tree clashes with the captions shown with it; it
    // is counted no further, and its letter is no caption's to take.
    for (const TKeyScopeGroup::TShownCaption& Shown : Scope.Shown) {
      TLetterKey Key = 0;
      if (!MarkedLetter(Shown.Control->GetText(), TNonLatinMode::nlNative, Key)) continue;
      if (const auto It = ByKey.find(Key); It != ByKey.end())
        for (const std::size_t Holder : It->second)
          if (Scope.RegionsTogether(Shown.Region, Scope.Region[Holder])) {
            ++S.Clashes;
            Shared[Holder] = true;
          }
      for (std::size_t I = 0; I < Count; ++I)
        if (Scope.RegionsTogether(Shown.Region, Scope.Region[I]))
          std::erase(Letters[I], Key);
    }
    for (std::size_t I = 0; I < Count; ++I)
      if (Facts[I].Eligible && Facts[I].Marked && !Shared[I]) ++S.Covered;
    const TCoverageMaximum Most = ExactMaximumCoverage(Scope, Letters);
    S.Maximum += Most.Size + FixedCovered;
    if (!Most.Proven) ++S.Unproven;
  }

  // Nodes in no scope (those that name a menu) show with nothing that must differ from them.
  const TTreeNodes& Items = Tree.GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    const TTreeNode& Node = *Items.GetNodeFromIndex(I);
    if (InAScope.contains(&Node)) continue;
    const TNodeFacts Facts = FactsOf(Node, CaptionClasses, NoCaptionClasses, Options);
    CountCaption(S, Facts, Node.GetText());
    if (!Facts.Eligible) continue;
    if (Facts.Marked) ++S.Covered;
    if (!PossibleLetters(Node.GetText(), Facts, Options, Reserved).empty()) ++S.Maximum;
  }
  return S;
}

// Whether a letter on the component's caption would show and work: not on a
// label with no control to focus, nor on a tool button of a tool bar that
// shows no captions, nor on a notebook's page, which has no tab to show it.
bool CanShowALetter(formfile::TLoadedForm& Form, const TComponent& C) {
  if (AsClass<TPage>(&C) && AsClass<TNotebook>(static_cast<const TControl&>(C).GetParent())) return false;
  if (const TPropInfo* Focus = GetPropInfo(&C, "FocusControl");
      Focus && Focus->Kind == TTypeKind::tkClass && Focus->GetObj && !GetObjectProp(C, *Focus))
    return false;
  if (!AsClass<TToolButton>(&C)) return true;
  const TWinControl* Bar = static_cast<const TControl&>(C).GetParent();
  const formfile::TObjectNode* Node = Bar ? Form.NodeOf(Bar) : nullptr;
  const formfile::TProperty* Shows = Node ? Node->FindProperty("ShowCaptions") : nullptr;
  const bool* Value = Shows ? std::get_if<bool>(&Shows->FValue.FData) : nullptr;
  return Value && *Value;
}

void CountParticipation(formfile::TLoadedForm& Form, const TCustomTreeView& Tree, const TKeyOptions& Options,
                        TCaptionStats& S) {
  const TComponent& Owner = Form.Form();
  std::unordered_set<const TObject*> Seen;
  const TTreeNodes& Items = Tree.GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    const TObject* Data = Items.GetNodeFromIndex(I)->GetData();
    if (const auto* Item = AsClass<TRadioGroupIndex>(Data)) Data = Item->GetRadioGroup();
    Seen.insert(Data);
  }
  // The window scope also sees captions outside the tree: their letters are kept and checked.
  if (Options.Scope == TKeyScope::ksWindow)
    for (const TKeyScopeGroup& Scope : CollectScopes(Tree, TKeyScope::ksWindow))
      for (const TKeyScopeGroup::TShownCaption& Shown : Scope.Shown) Seen.insert(Shown.Control);
  std::vector<const TComponent*> Pending(Owner.Components().begin(), Owner.Components().end());
  while (!Pending.empty()) {
    const TComponent* C = Pending.back();
    Pending.pop_back();
    Pending.insert(Pending.end(), C->Components().begin(), C->Components().end());
    if (!AsClass<TControl>(C) && !AsClass<TMenuItem>(C)) continue;
    const TCustomAction* Action = CaptionActionOf(C);
    const TPropInfo* Caption = GetPropInfo(C, "Caption");
    const bool Own = Caption && Caption->Kind == TTypeKind::tkLString && Caption->GetStr &&
                     HasLetterOfAnyScript(DeleteAccelerator(GetStrProp(*C, *Caption)));
    if (!Own && !(Action && HasLetterOfAnyScript(DeleteAccelerator(Action->GetCaption())))) continue;
    if (!CanShowALetter(Form, *C)) continue;
    ++S.Captioned;
    if (!Seen.contains(C)) continue;
    ++S.TakingPart;
    const formfile::TObjectNode* Node = Form.NodeOf(C);
    if (Action && !(Node && Node->FindProperty("Caption"))) ++S.FromActions;
  }
}

TCaptionStats MeasureForm(formfile::TLoadedForm& Form, const TKeySettings& Fallback, bool Run,
                          const TKeptCaptions& Fixed) {
  if (Run) RunKeys(Form, Fallback, Fixed);
  const TKeySettings Settings = EffectiveSettings(Form, Fallback);
  TTreeView Tree(nullptr);
  BuildWorkingTree(Tree, Form.Form(), Settings);
  const TSettingLists Lists(Settings);
  TCaptionStats S = MeasureTree(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, Settings.Options, Fixed);
  CountParticipation(Form, Tree, Settings.Options, S);
  return S;
}

}  // namespace keyloom::stats

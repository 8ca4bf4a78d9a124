#include "engine/keyed_find.hpp"

#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/forms.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/actnlist.hpp>
#include <keyloom/markup.hpp>

#include "engine/action_twins.hpp"
#include "engine/letter_units.hpp"
#include "engine/marked_below.hpp"
#include "engine/matching.hpp"
#include "engine/page_coverage.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace keyloom {

namespace {

struct TDefault {
  const std::string* Entry;
  std::string Plain;
  bool HasLetter;
  TLetterKey Key;
};

// A letter a node could get, as the text it would then show.
struct TOption {
  TLetterKey Key;
  TMatchCost Cost;
  const std::string* DefaultEntry;  // nil: a marker at Position
  std::size_t Position;
};

// What one scope of one run needs.
struct TScopeRun {
  const TKeyScopeGroup& Scope;
  TKeySet Base;                 // reserved and inherited: never given in this scope
  TKeySet Below;                // marked in the groups that inherit from this one: not given here either
  std::vector<TKeySet> Given;   // per region: the letters its nodes hold
  std::vector<TCaptionInfo> Info;
  std::vector<bool> Open;       // eligible and unmarked: may take a letter
  // The nodes in the order they are served: the scope's, or with hidden
  // captions after the visible ones; and each node's place in it.
  std::vector<std::size_t> Order;
  std::vector<std::size_t> Place;
  std::vector<bool> Hidden;

  explicit TScopeRun(const TKeyScopeGroup& S) : Scope(S), Given(static_cast<std::size_t>(S.RegionCount())) {}

  std::size_t RegionOf(std::size_t Node) const { return static_cast<std::size_t>(Scope.Region[Node]); }

  // Every letter a node of that region may not take.
  TKeySet Taken(std::size_t Region, const std::vector<TKeySet>& Sets) const {
    TKeySet Result = Base;
    Result.Merge(Below);
    for (std::size_t R = 0; R < Sets.size(); ++R)
      if (Scope.RegionsTogether(static_cast<int>(Region), static_cast<int>(R))) Result.Merge(Sets[R]);
    return Result;
  }
};

// Whether the caption is out of sight until the program shows it: its
// control or one holding it is not visible, or its tab is not. A page's own
// Visible says only which page is in front, a form's when it is open.
bool IsHiddenCaption(const TObject* Object) {
  if (const auto* Item = AsClass<TMenuItem>(Object)) {
    for (const TMenuItem* Up = Item; Up; Up = Up->GetParent())
      if (!Up->GetVisible()) return true;
    return false;
  }
  const TControl* Control = AsClass<TControl>(Object);
  if (const auto* Proxy = AsClass<TRadioGroupIndex>(Object)) Control = Proxy->GetRadioGroup();
  // A form shows when the program opens it, whatever it stores.
  for (const TControl* Up = Control; Up && !AsClass<TCustomForm>(Up); Up = Up->GetParent()) {
    if (const auto* Sheet = AsClass<TTabSheet>(Up)) {
      if (!Sheet->GetTabVisible()) return true;
      continue;
    }
    if (!Up->GetVisible()) return true;
  }
  return false;
}

// " (&X)" goes before a trailing ellipsis, colon or ">>", which must stay last.
std::string AppendLetter(const std::string& Text, char Letter) {
  static const std::string_view Tails[] = {"...", "\xE2\x80\xA6", ">>", ":"};
  std::string_view Body = Text;
  std::string_view Tail;
  for (std::string_view Candidate : Tails)
    if (Body.size() >= Candidate.size() && Body.substr(Body.size() - Candidate.size()) == Candidate) {
      Tail = Body.substr(Body.size() - Candidate.size());
      Body.remove_suffix(Candidate.size());
      break;
    }
  std::size_t End = Body.size();
  while (End > 0 && (Body[End - 1] == ' ' || Body[End - 1] == '\t')) --End;
  // Separators ("-"), numbers and symbols are no words to give a letter to.
  if (!HasLetterOfAnyScript(Body.substr(0, End))) return {};
  std::string Result(Body.substr(0, End));
  Result += " (&";
  Result += Letter;
  Result += ')';
  Result += Body.substr(End);
  Result += Tail;
  return Result;
}

class TKeyedRun {
 public:
  TKeyedRun(const TTreeNodes& Items, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
            const TStrings& DefaultCaptions, const TKeyOptions& Options)
      : FItems(Items), FCaptionClasses(CaptionClasses), FNoCaptionClasses(NoCaptionClasses), FOptions(Options),
        FFacts(NoCaptionClasses) {
    for (const std::string& Entry : DefaultCaptions.Items()) {
      TDefault Default{&Entry, DeleteAccelerator(Entry), false, 0};
      Default.HasLetter = MarkedLetter(Entry, Options.NonLatin, Default.Key);
      FDefaults.push_back(std::move(Default));
    }
    for (TLetterKey Key : ReservedLetterKeys(Options.ReservedLetters)) FReserved.Add(Key);
  }

  // Where each node stands, so that a letter for an action shown in several
  // scopes is checked in all of them.
  void Know(const std::vector<TKeyScopeGroup>& Scopes) {
    if (FOptions.Scope == TKeyScope::ksSiblings) return;
    FScopes = &Scopes;
    for (std::size_t S = 0; S < Scopes.size(); ++S) {
      for (std::size_t I = 0; I < Scopes[S].Nodes.size(); ++I) {
        FPlaces.emplace(Scopes[S].Nodes[I], TPlace{S, I});
        if (const TCustomAction* Action = CaptionActionOf(Scopes[S].Nodes[I]->GetData())) FNodeActions.insert(Action);
      }
      for (std::size_t I = 0; I < Scopes[S].Shown.size(); ++I)
        if (const TCustomAction* Action = CaptionActionOf(Scopes[S].Shown[I].Control))
          FShownActions.emplace(Action, TPlace{S, I});
    }
  }

  // Works the scope and returns the letters its nodes hold, with the base it
  // started from (what a ksSiblings child group inherits).
  TKeySet Handle(const TKeyScopeGroup& Scope, const TKeySet& Start, const TMarkedBelow* Marked) {
    TScopeRun Run(Scope);
    Run.Base = Start;
    Run.Base.Merge(FReserved);
    if (Marked) Marked->Gather(Scope.Nodes, Run.Below);
    Prepare(Run);
    if (FOptions.Strategy == TAssignStrategy::asBestCoverage)
      BestCoverage(Run);
    else
      LetterSearch(Run);
    TKeySet End = Run.Base;
    for (const TKeySet& Set : Run.Given) End.Merge(Set);
    return End;
  }

 private:
  void Give(TTreeNode& Node, const std::string& Text) const {
    GiveTwins(FItems, Node, Text);
    Node.SetText(Text);
  }

  // Marked letters are reserved before anyone chooses; a node without a
  // marker that takes no letter records the empty accelerator, as in the plain search.
  void Prepare(TScopeRun& Run) {
    const std::size_t Count = Run.Scope.Nodes.size();
    Run.Info.assign(Count, {});
    Run.Open.assign(Count, false);
    for (const TKeyScopeGroup::TShownCaption& Shown : Run.Scope.Shown) {
      if (FollowsNode(Shown.Control)) continue;
      TLetterKey Key = 0;
      if (MarkedLetter(Shown.Control->GetText(), FOptions.NonLatin, Key))
        Run.Given[static_cast<std::size_t>(Shown.Region)].Add(Key);
    }
    for (std::size_t I = 0; I < Count; ++I) {
      const std::string& Text = Run.Scope.Nodes[I]->GetText();
      TLetterKey Key = 0;
      if (MarkedLetter(Text, FOptions.NonLatin, Key))
        Run.Given[Run.RegionOf(I)].Add(Key);
      else if (HasAccelerator(Text))
        Run.Given[Run.RegionOf(I)].HasEmpty = true;
    }
    Run.Hidden.assign(Count, false);
    Run.Order.clear();
    // Hidden captions give way to visible ones in the window and in the best coverage.
    const bool HiddenLast =
        FOptions.Scope == TKeyScope::ksWindow || FOptions.Strategy == TAssignStrategy::asBestCoverage;
    for (std::size_t I = 0; I < Count; ++I) {
      Run.Hidden[I] = HiddenLast && IsHiddenCaption(Run.Scope.Nodes[I]->GetData());
      if (!Run.Hidden[I]) Run.Order.push_back(I);
    }
    for (std::size_t I = 0; I < Count; ++I)
      if (Run.Hidden[I]) Run.Order.push_back(I);
    Run.Place.assign(Count, 0);
    for (std::size_t P = 0; P < Count; ++P) Run.Place[Run.Order[P]] = P;
    std::vector<const TCustomAction*> Commands;  // one action shown twice in a scope is one caption
    for (std::size_t I = 0; I < Count; ++I) {
      const TTreeNode* Node = Run.Scope.Nodes[I];
      if (HasAccelerator(Node->GetText())) continue;
      TObject* Component = Node->GetData();
      Run.Open[I] =
          IsEligibleComponent(Component, FFacts.Of(Component), FCaptionClasses, FNoCaptionClasses, Run.Info[I]) &&
          !(FOptions.Placeholders == TPlaceholders::plSkip && IsPlaceholderCaption(*Node)) &&
          !IsUnshownToolCaption(Component);
      if (const TCustomAction* Action = Run.Open[I] ? CaptionActionOf(Component) : nullptr) {
        Run.Open[I] = std::find(Commands.begin(), Commands.end(), Action) == Commands.end();
        Commands.push_back(Action);
      }
    }
  }

  // The plain search on the scope: each node in turn takes a matching default
  // caption, else the first free letter of its words.
  void LetterSearch(TScopeRun& Run) {
    std::vector<std::size_t> Unlettered;
    for (const std::size_t I : Run.Order) {
      TKeySet& Own = Run.Given[Run.RegionOf(I)];
      if (!Run.Open[I]) {
        if (!HasAccelerator(Run.Scope.Nodes[I]->GetText())) Own.HasEmpty = true;
        continue;
      }
      std::string Text = Run.Scope.Nodes[I]->GetText();
      if (TLetterKey Shared = 0; MarkedLetter(Text, FOptions.NonLatin, Shared)) {
        Own.Add(Shared);  // given with a node that shows the same action
        continue;
      }
      TKeySet Taken = Run.Taken(Run.RegionOf(I), Run.Given);
      Taken.Merge(TwinsTaken(*Run.Scope.Nodes[I]));
      bool Assigned = ApplyDefaults(Run.Info[I].Text, Taken, Own, Text);
      if (!Assigned)
        for (const TLetterChoice& Choice : CaptionLetters(Text, FOptions.NonLatin, FOptions.KeyNamesLast())) {
          if (Taken.Contains(Choice.Key)) continue;
          Text.insert(Choice.Position, 1, '&');
          Own.Add(Choice.Key);
          Assigned = true;
          break;
        }
      if (Assigned)
        Give(*Run.Scope.Nodes[I], Text);
      else
        Unlettered.push_back(I);
    }
    Append(Run, Unlettered, Run.Given);
  }

  bool ApplyDefaults(const std::string& OwnCaption, TKeySet& Taken, TKeySet& Own, std::string& Text) const {
    if (OwnCaption.empty() || FDefaults.empty()) return false;
    const std::string Plain = DeleteAccelerator(OwnCaption);
    bool Applied = false;
    for (const TDefault& Default : FDefaults) {
      if (Default.Plain != Plain) continue;
      if (Default.HasLetter ? Taken.Contains(Default.Key) : Taken.HasEmpty) continue;
      if (Default.HasLetter) {
        Taken.Add(Default.Key);
        Own.Add(Default.Key);
      } else {
        Taken.HasEmpty = Own.HasEmpty = true;
      }
      Text = *Default.Entry;
      Applied = true;
    }
    return Applied;
  }

  // Captions without a Latin letter get a free one appended; one whose
  // letters are all taken is left as it is.
  void Append(TScopeRun& Run, const std::vector<std::size_t>& Nodes, std::vector<TKeySet>& Given) const {
    if (FOptions.NonLatin != TNonLatinMode::nlAppend) return;
    for (std::size_t I : Nodes) {
      const std::string& Caption = Run.Scope.Nodes[I]->GetText();
      if (std::any_of(Caption.begin(), Caption.end(), [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); }))
        continue;
      const TKeySet Taken = Run.Taken(Run.RegionOf(I), Given);
      for (char Letter = 'A'; Letter <= 'Z'; ++Letter) {
        const TLetterKey Key = ByteLetterKey(Letter);
        if (Taken.Contains(Key)) continue;
        if (HasAccelerator(Run.Scope.Nodes[I]->GetText())) break;
        const std::string Text = AppendLetter(Run.Scope.Nodes[I]->GetText(), Letter);
        if (Text.empty()) break;
        Give(*Run.Scope.Nodes[I], Text);
        Given[Run.RegionOf(I)].Add(Key);
        break;
      }
    }
  }

  // A hidden caption's letter weighs more than one that a later page wants,
  // which the sparing match adds on the same level.
  static constexpr std::int64_t HiddenCost = 2;

  // Per open node, its best way to each letter: visible captions before
  // hidden ones (among matchings that cover as many, those that leave a
  // hidden caption out rather than a visible one), default captions first (a
  // later matching entry before an earlier one, as the plain search ends up
  // with it), then first letters of words, then earlier letters; for equal
  // letters, earlier nodes, the sort order's favourites, get the better ones,
  // and of equally good choices the one that covers earlier nodes wins.
  std::vector<std::vector<TOption>> Options(const TScopeRun& Run) const {
    const std::size_t Count = Run.Scope.Nodes.size();
    std::vector<std::vector<TOption>> Result(Count);
    for (std::size_t I = 0; I < Count; ++I) {
      if (!Run.Open[I]) continue;
      std::map<TLetterKey, TOption> Best;
      const auto Offer = [&](const TOption& Option) {
        auto [It, Added] = Best.try_emplace(Option.Key, Option);
        if (!Added && Option.Cost < It->second.Cost) It->second = Option;
      };
      const std::string& Own = Run.Info[I].Text;
      if (!Own.empty()) {
        const std::string Plain = DeleteAccelerator(Own);
        for (std::size_t D = 0; D < FDefaults.size(); ++D) {
          // An entry without a marker gives no letter to match.
          if (FDefaults[D].Plain != Plain || !FDefaults[D].HasLetter) continue;
          TMatchCost Cost;
          Cost.Level[0] = Run.Hidden[I] ? HiddenCost : 0;
          Cost.Level[3] = static_cast<std::int64_t>(FDefaults.size() - 1 - D);
          Cost.Level[5] = static_cast<std::int64_t>(Run.Place[I]);
          Offer({FDefaults[D].Key, Cost, FDefaults[D].Entry, 0});
        }
      }
      const auto Weight = static_cast<std::int64_t>(Count - Run.Place[I]);
      for (const TLetterChoice& Choice :
           CaptionLetters(Run.Scope.Nodes[I]->GetText(), FOptions.NonLatin, FOptions.KeyNamesLast())) {
        TMatchCost Cost;
        Cost.Level[0] = Run.Hidden[I] ? HiddenCost : 0;
        Cost.Level[1] = Choice.KeyName ? 2 : 1;
        Cost.Level[2] = Choice.WordStart ? 0 : 1;
        Cost.Level[3] = Choice.Rank;
        Cost.Level[4] = Choice.Rank * Weight;
        Cost.Level[5] = static_cast<std::int64_t>(Run.Place[I]);
        // The marker goes where the letter was chosen, a word's start say.
        Offer({Choice.Key, Cost, nullptr, Choice.Found});
      }
      const TKeySet Twins = TwinsTaken(*Run.Scope.Nodes[I]);
      for (const auto& [Key, Option] : Best)
        if (!Twins.Contains(Key)) Result[I].push_back(Option);
    }
    return Result;
  }

  // The largest number of captions get a letter; among those choices the
  // most natural. Scopes with pages: the regions one after another, outer
  // ones first, each matched with what is left.
  void BestCoverage(TScopeRun& Run) {
    const std::vector<std::vector<TOption>> Choices = Options(Run);
    const std::size_t Count = Run.Scope.Nodes.size();
    std::vector<std::size_t> Order(static_cast<std::size_t>(Run.Scope.RegionCount()));
    for (std::size_t R = 0; R < Order.size(); ++R) Order[R] = R;
    const auto TogetherCount = [&](std::size_t R) {
      int N = 0;
      for (int S = 0; S < Run.Scope.RegionCount(); ++S) N += Run.Scope.RegionsTogether(static_cast<int>(R), S) ? 1 : 0;
      return N;
    };
    std::stable_sort(Order.begin(), Order.end(),
                     [&](std::size_t A, std::size_t B) { return TogetherCount(A) > TogetherCount(B); });
    const bool Pages = Run.Scope.HasPages();

    std::vector<const TOption*> Chosen;
    std::vector<TKeySet> Given;
    std::size_t Covered = MatchRegions(Run, Choices, Order, Pages, false, Chosen, Given);
    if (Pages) {
      // Sparing the letters that later pages want may cover more captions.
      std::vector<const TOption*> SparingChosen;
      std::vector<TKeySet> SparingGiven;
      if (const std::size_t Spared = MatchRegions(Run, Choices, Order, true, true, SparingChosen, SparingGiven);
          Spared > Covered) {
        Chosen.swap(SparingChosen);
        Given.swap(SparingGiven);
        Covered = Spared;
      }
      ExactPages(Run, Choices, Covered, Chosen, Given);
    }
    std::vector<std::size_t> Unlettered;
    for (std::size_t I = 0; I < Count; ++I) {
      if (!Run.Open[I]) continue;
      const TOption* Option = Chosen[I];
      if (!Option) {
        Unlettered.push_back(I);
        continue;
      }
      std::string Text = Run.Scope.Nodes[I]->GetText();
      if (HasAccelerator(Text)) continue;  // given with a node that shows the same action
      if (Option->DefaultEntry)
        Text = *Option->DefaultEntry;
      else
        Text.insert(Option->Position, 1, '&');
      Give(*Run.Scope.Nodes[I], Text);
    }
    Append(Run, Unlettered, Given);
    Run.Given = std::move(Given);
  }

  // Where matching the pages one after another falls short of the maximum,
  // the exact search says which pages each contested letter serves, and one
  // matching of least cost over those letters chooses.
  void ExactPages(const TScopeRun& Run, const std::vector<std::vector<TOption>>& Choices, std::size_t Covered,
                  std::vector<const TOption*>& Chosen, std::vector<TKeySet>& Given) const {
    const std::size_t Count = Run.Scope.Nodes.size();
    std::vector<TKeySet> TakenIn;
    for (int R = 0; R < Run.Scope.RegionCount(); ++R) TakenIn.push_back(Run.Taken(static_cast<std::size_t>(R), Run.Given));
    std::vector<std::vector<TLetterKey>> Letters(Count);
    for (std::size_t I = 0; I < Count; ++I)
      for (const TOption& Option : Choices[I])
        if (!TakenIn[Run.RegionOf(I)].Contains(Option.Key)) Letters[I].push_back(Option.Key);
    // Nothing to gain where every caption that could take a letter has one.
    const auto Wanting = static_cast<std::size_t>(
        std::count_if(Letters.begin(), Letters.end(), [](const std::vector<TLetterKey>& Keys) { return !Keys.empty(); }));
    if (Covered >= Wanting) return;
    const TPageCoverage Exact = ExactPageCoverage(Run.Scope, Letters, Covered, PageSearchBudget);
    if (!Exact.Improved) return;
    TLetterCopies Copies(Exact.Spread);
    std::vector<std::size_t> Members;
    std::vector<TMatchEdge> Edges;
    std::vector<const TOption*> EdgeOption;
    for (std::size_t I = 0; I < Count; ++I) {
      if (Letters[I].empty()) continue;
      const int Member = static_cast<int>(Members.size());
      Members.push_back(I);
      for (const TOption& Option : Choices[I]) {
        if (TakenIn[Run.RegionOf(I)].Contains(Option.Key)) continue;
        const int Copy = Copies.Of(Option.Key, Run.Scope.Region[I]);
        if (Copy < 0) continue;
        Edges.push_back({Member, Copy, Option.Cost});
        EdgeOption.push_back(&Option);
      }
    }
    const std::vector<int> Match = MinCostMaximumMatching(static_cast<int>(Members.size()), Copies.Count(), Edges);
    Chosen.assign(Count, nullptr);
    Given = Run.Given;
    for (std::size_t M = 0; M < Members.size(); ++M) {
      if (Match[M] < 0) continue;
      const TOption* Option = EdgeOption[static_cast<std::size_t>(Match[M])];
      Chosen[Members[M]] = Option;
      Given[Run.RegionOf(Members[M])].Add(Option->Key);
    }
  }

  std::size_t MatchRegions(const TScopeRun& Run, const std::vector<std::vector<TOption>>& Choices,
                           const std::vector<std::size_t>& Order, bool Pages, bool Spare,
                           std::vector<const TOption*>& Chosen, std::vector<TKeySet>& Given) const {
    const std::size_t Count = Run.Scope.Nodes.size();
    Chosen.assign(Count, nullptr);
    Given = Run.Given;
    std::size_t Covered = 0;
    std::vector<bool> Done(Order.size(), false);
    const std::size_t Rounds = Pages ? Order.size() : 1;
    for (std::size_t Round = 0; Round < Rounds; ++Round) {
      const std::size_t Region = Order[Round];
      std::vector<std::size_t> Members;
      for (std::size_t I = 0; I < Count; ++I)
        if (!Choices[I].empty() && (!Pages || Run.RegionOf(I) == Region)) Members.push_back(I);
      // Without pages every node shows with every other: one set of taken letters.
      const TKeySet Taken = Pages ? Run.Taken(Region, Given) : Run.Taken(0, Given);
      TKeySet Wanted;
      if (Spare)
        for (std::size_t I = 0; I < Count; ++I) {
          const std::size_t Other = Run.RegionOf(I);
          if (Done[Other] || Other == Region || !Run.Scope.RegionsTogether(static_cast<int>(Region), static_cast<int>(Other)))
            continue;
          for (const TOption& Option : Choices[I]) Wanted.Add(Option.Key);
        }
      Done[Region] = true;

      std::map<TLetterKey, int> Letters;
      std::vector<TMatchEdge> Edges;
      std::vector<const TOption*> EdgeOption;
      for (std::size_t M = 0; M < Members.size(); ++M)
        for (const TOption& Option : Choices[Members[M]]) {
          if (Taken.Contains(Option.Key)) continue;
          const int Letter = Letters.try_emplace(Option.Key, static_cast<int>(Letters.size())).first->second;
          TMatchCost Cost = Option.Cost;
          Cost.Level[0] += Spare && Wanted.Contains(Option.Key) ? 1 : 0;
          Edges.push_back({static_cast<int>(M), Letter, Cost});
          EdgeOption.push_back(&Option);
        }
      const std::vector<int> Match =
          MinCostMaximumMatching(static_cast<int>(Members.size()), static_cast<int>(Letters.size()), Edges);
      for (std::size_t M = 0; M < Members.size(); ++M) {
        if (Match[M] < 0) continue;
        const TOption* Option = EdgeOption[static_cast<std::size_t>(Match[M])];
        Chosen[Members[M]] = Option;
        Given[Run.RegionOf(Members[M])].Add(Option->Key);
        ++Covered;
      }
    }
    return Covered;
  }

  // The letters the node's text may not take where the controls that show
  // the same action stand: beside them, or in the window, whatever shows with them.
  TKeySet TwinsTaken(const TTreeNode& Node) const {
    TKeySet Taken;
    if (FOptions.Scope == TKeyScope::ksSiblings || !FScopes) {
      for (const std::string& Letter : TwinNeighbourLetters(FItems, Node))
        if (!Letter.empty()) Taken.Add(ByteLetterKey(Letter.front()));
      return Taken;
    }
    const auto Add = [&](const std::string& Text) {
      if (TLetterKey Key = 0; MarkedLetter(Text, FOptions.NonLatin, Key)) Taken.Add(Key);
    };
    for (const TTreeNode* Twin : TwinsReadingAlike(FItems, Node)) {
      const auto It = FPlaces.find(Twin);
      if (It == FPlaces.end()) continue;
      const TKeyScopeGroup& Scope = (*FScopes)[It->second.Scope];
      const std::size_t J = It->second.Index;
      for (std::size_t K = 0; K < Scope.Nodes.size(); ++K)
        if (K != J && Scope.VisibleTogether(J, K)) Add(Scope.Nodes[K]->GetText());
      AddShownWith(Scope, Scope.Region[J], Add);
    }
    // A caption outside the tree that shows the action (a tool button) reads
    // whatever the action is given.
    const auto [First, Last] = FShownActions.equal_range(CaptionActionOf(Node.GetData()));
    for (auto It = First; It != Last; ++It) {
      const TKeyScopeGroup& Scope = (*FScopes)[It->second.Scope];
      const int Region = Scope.Shown[It->second.Index].Region;
      for (std::size_t K = 0; K < Scope.Nodes.size(); ++K)
        if (Scope.Nodes[K] != &Node && Scope.RegionsTogether(Region, Scope.Region[K])) Add(Scope.Nodes[K]->GetText());
      AddShownWith(Scope, Region, Add);
    }
    return Taken;
  }

  // A caption outside the tree that shows an action a node shows reads what
  // the node is given, not what it read before.
  bool FollowsNode(const TControl* Control) const {
    const TCustomAction* Action = CaptionActionOf(Control);
    return Action && FNodeActions.contains(Action);
  }

  template <class F>
  void AddShownWith(const TKeyScopeGroup& Scope, int Region, const F& Add) const {
    for (const TKeyScopeGroup::TShownCaption& Shown : Scope.Shown)
      if (Scope.RegionsTogether(Region, Shown.Region) && !FollowsNode(Shown.Control)) Add(Shown.Control->GetText());
  }

  struct TPlace {
    std::size_t Scope, Index;
  };
  const std::vector<TKeyScopeGroup>* FScopes = nullptr;
  std::unordered_map<const TTreeNode*, TPlace> FPlaces;
  std::unordered_multimap<const TCustomAction*, TPlace> FShownActions;  // index into the scope's Shown
  std::unordered_set<const TCustomAction*> FNodeActions;

  const TTreeNodes& FItems;
  const TStrings& FCaptionClasses;
  const TStrings& FNoCaptionClasses;
  const TKeyOptions& FOptions;
  TClassFactCache FFacts;
  std::vector<TDefault> FDefaults;
  TKeySet FReserved;
};

}  // namespace

void FindWithOptions(TCustomTreeView& Tree, const TUsedLetters& Used, TObject* Component, TTreeNode* Parent,
                     const TStrings& CaptionClasses, const TStrings& NoCaptionClasses, const TStrings& DefaultCaptions,
                     const TKeyOptions& Options) {
  const std::vector<TKeyScopeGroup> Scopes = CollectScopesBelow(Tree, Parent, Options.Scope);
  TKeyedRun Run(Tree.GetItems(), CaptionClasses, NoCaptionClasses, DefaultCaptions, Options);
  Run.Know(Scopes);
  // Only sibling groups hand their letters down; a window scope holds what lies below it.
  std::optional<TMarkedBelow> Marked;
  if (Options.Scope == TKeyScope::ksSiblings) Marked.emplace(Tree, Options.NonLatin);
  std::vector<TKeySet> Ends(Scopes.size());
  for (std::size_t S = 0; S < Scopes.size(); ++S) {
    const TKeyScopeGroup& Scope = Scopes[S];
    TKeySet Start;
    if (Scope.Inherits >= 0) {
      Start = Ends[static_cast<std::size_t>(Scope.Inherits)];
    } else if (S == 0 && Options.Scope == TKeyScope::ksSiblings && Scope.Parent == Parent) {
      // The caller's letters, unless the top group is a submenu or a popup menu.
      const TKindFacts& Kind = KindOf(Component);
      if (!Kind.MenuItem && !Kind.PopupMenu) {
        for (int C = 0; C < 256; ++C)
          if (Used.Contains(static_cast<char>(C))) Start.Add(ByteLetterKey(static_cast<char>(C)));
        Start.HasEmpty = Used.HasEmpty();
      }
    }
    Ends[S] = Run.Handle(Scope, Start, Marked ? &*Marked : nullptr);
  }
}

}  // namespace keyloom

#include "engine/page_coverage.hpp"
#include "engine/matching.hpp"

#include <algorithm>
#include <set>

namespace keyloom {

int TLetterCopies::Of(TLetterKey Key, int Region) {
  int Slot = -1;
  if (const auto It = FSpread.find(Key); It != FSpread.end()) {
    if (std::find(It->second.begin(), It->second.end(), Region) == It->second.end()) return -1;
    Slot = Region;
  }
  const std::uint64_t Id = (std::uint64_t{Key} << 32) | static_cast<std::uint32_t>(Slot);
  return FIds.try_emplace(Id, static_cast<int>(FIds.size())).first->second;
}

namespace {

class TPageSearch {
 public:
  TPageSearch(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters, std::size_t Budget)
      : FScope(Scope), FLetters(Letters), FBudget(Budget) {
    std::map<TLetterKey, std::set<int>> Wanting;
    for (std::size_t I = 0; I < Letters.size() && I < Scope.Nodes.size(); ++I)
      for (TLetterKey Key : Letters[I]) Wanting[Key].insert(Scope.Region[I]);
    for (const auto& [Key, Regions] : Wanting) {
      const std::vector<int> All(Regions.begin(), Regions.end());
      if (!AnyApart(All)) continue;
      FContested.push_back(Key);
      FWanting.push_back(All);
      FChoices.push_back(MaximalApartSets(All));
      // Ways left out make the search no proof.
      if (FChoices.back().size() >= MaxWays) FOverBudget = true;
    }
  }

  TPageCoverage Run(std::size_t Known) {
    TPageCoverage Result;
    FBest = Known;
    for (std::size_t C = 0; C < FContested.size(); ++C) FSpread[FContested[C]] = FWanting[C];
    FDecided.assign(FContested.size(), false);
    for (const std::vector<TLetterKey>& Keys : FLetters) FCeiling += Keys.empty() ? 0 : 1;
    Search(Result);
    Result.Size = std::max(FBest, Known);
    Result.Proven = !FOverBudget;
    return Result;
  }

 private:
  bool AnyApart(const std::vector<int>& Regions) const {
    for (std::size_t A = 0; A < Regions.size(); ++A)
      for (std::size_t B = A + 1; B < Regions.size(); ++B)
        if (!FScope.RegionsTogether(Regions[A], Regions[B])) return true;
    return false;
  }

  // The largest sets of regions pairwise apart: the ways one letter can
  // serve them, in a fixed order.
  std::vector<std::vector<int>> MaximalApartSets(const std::vector<int>& Regions) const {
    std::vector<std::vector<int>> Sets;
    std::vector<int> Current;
    Extend(Regions, 0, Current, Sets);
    return Sets;
  }

  void Extend(const std::vector<int>& Regions, std::size_t From, std::vector<int>& Current,
              std::vector<std::vector<int>>& Sets) const {
    if (Sets.size() >= MaxWays) return;
    bool Grew = false;
    for (std::size_t I = From; I < Regions.size(); ++I) {
      if (!ApartFromAll(Regions[I], Current)) continue;
      Grew = true;
      Current.push_back(Regions[I]);
      Extend(Regions, I + 1, Current, Sets);
      Current.pop_back();
    }
    if (Grew) return;
    // Keep only sets no region could join.
    for (int Region : Regions)
      if (std::find(Current.begin(), Current.end(), Region) == Current.end() && ApartFromAll(Region, Current)) return;
    Sets.push_back(Current);
  }

  bool ApartFromAll(int Region, const std::vector<int>& Set) const {
    return std::all_of(Set.begin(), Set.end(), [&](int Other) { return !FScope.RegionsTogether(Region, Other); });
  }

  // A largest matching under the letters' spread as it stands: undecided
  // letters serve every region that wants them, which bounds what the
  // subtree can reach. Per node, the region each matched letter serves.
  std::size_t Matching(std::map<TLetterKey, std::vector<int>>& Used) {
    ++FTried;
    TLetterCopies Copies(FSpread);
    std::vector<std::vector<int>> Adjacent;
    std::vector<std::vector<TLetterKey>> KeyOf;
    std::vector<int> RegionOfRow;
    for (std::size_t I = 0; I < FLetters.size() && I < FScope.Nodes.size(); ++I) {
      if (FLetters[I].empty()) continue;
      std::vector<int>& Row = Adjacent.emplace_back();
      std::vector<TLetterKey>& Keys = KeyOf.emplace_back();
      RegionOfRow.push_back(FScope.Region[I]);
      for (TLetterKey Key : FLetters[I])
        if (const int Id = Copies.Of(Key, FScope.Region[I]); Id >= 0) {
          Row.push_back(Id);
          Keys.push_back(Key);
        }
    }
    const std::vector<int> MatchOfRight = MaximumMatching(Copies.Count(), Adjacent);
    const auto Size = static_cast<std::size_t>(
        std::count_if(MatchOfRight.begin(), MatchOfRight.end(), [](int Row) { return Row >= 0; }));
    Used.clear();
    for (std::size_t R = 0; R < MatchOfRight.size(); ++R) {
      const int Row = MatchOfRight[R];
      if (Row < 0) continue;
      const auto& Ids = Adjacent[static_cast<std::size_t>(Row)];
      const std::size_t At = static_cast<std::size_t>(std::find(Ids.begin(), Ids.end(), static_cast<int>(R)) - Ids.begin());
      Used[KeyOf[static_cast<std::size_t>(Row)][At]].push_back(RegionOfRow[static_cast<std::size_t>(Row)]);
    }
    return Size;
  }

  // The first undecided contested letter the matching gives to regions that
  // show together; -1 when the matching is a valid choice as it stands.
  int Conflict(const std::map<TLetterKey, std::vector<int>>& Used) const {
    for (std::size_t C = 0; C < FContested.size(); ++C) {
      if (FDecided[C]) continue;
      const auto It = Used.find(FContested[C]);
      if (It != Used.end() && !AllApart(It->second)) return static_cast<int>(C);
    }
    return -1;
  }

  bool AllApart(const std::vector<int>& Regions) const {
    for (std::size_t A = 0; A < Regions.size(); ++A)
      for (std::size_t B = A + 1; B < Regions.size(); ++B)
        if (FScope.RegionsTogether(Regions[A], Regions[B])) return false;
    return true;
  }

  void Search(TPageCoverage& Result) {
    if (FBest >= FCeiling) return;
    if (FTried >= FBudget) {
      FOverBudget = FExhausted = true;
      return;
    }
    std::map<TLetterKey, std::vector<int>> Used;
    const std::size_t Bound = Matching(Used);
    if (Bound <= FBest) return;
    const int Split = Conflict(Used);
    if (Split < 0) {
      // Valid as it stands: each letter serves where the matching uses it.
      FBest = Bound;
      Result.Improved = true;
      Result.Spread.clear();
      // An undecided letter serves where the matching uses it and wherever
      // else it may: the choice among equal coverages has the more room.
      for (std::size_t C = 0; C < FContested.size(); ++C) {
        if (FDecided[C]) {
          Result.Spread[FContested[C]] = FSpread[FContested[C]];
          continue;
        }
        const auto It = Used.find(FContested[C]);
        std::vector<int> Set = It != Used.end() ? It->second : std::vector<int>{};
        for (int Region : FWanting[C])
          if (std::find(Set.begin(), Set.end(), Region) == Set.end() && ApartFromAll(Region, Set)) Set.push_back(Region);
        Result.Spread[FContested[C]] = std::move(Set);
      }
      return;
    }
    const auto C = static_cast<std::size_t>(Split);
    FDecided[C] = true;
    for (const std::vector<int>& Set : FChoices[C]) {
      FSpread[FContested[C]] = Set;
      Search(Result);
      if (FExhausted || FBest >= FCeiling) break;
    }
    FSpread[FContested[C]] = FWanting[C];
    FDecided[C] = false;
  }

  static constexpr std::size_t MaxWays = 64;

  const TKeyScopeGroup& FScope;
  const std::vector<std::vector<TLetterKey>>& FLetters;
  const std::size_t FBudget;
  std::vector<TLetterKey> FContested;
  std::vector<std::vector<int>> FWanting;
  std::vector<std::vector<std::vector<int>>> FChoices;
  std::map<TLetterKey, std::vector<int>> FSpread;
  std::vector<bool> FDecided;
  std::size_t FBest = 0;
  std::size_t FCeiling = 0;  // every node that wants a letter
  std::size_t FTried = 0;
  bool FOverBudget = false;  // the search proves nothing
  bool FExhausted = false;   // no more matchings may be tried
};

}  // namespace

TPageCoverage ExactPageCoverage(const TKeyScopeGroup& Scope, const std::vector<std::vector<TLetterKey>>& Letters,
                                std::size_t Known, std::size_t Budget) {
  return TPageSearch(Scope, Letters, Budget).Run(Known);
}

}  // namespace keyloom

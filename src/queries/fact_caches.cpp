#include "queries/fact_caches.hpp"

#include <array>
#include <string>
#include <vector>

namespace keyloom {

std::uint64_t ListContentId(const TStrings& List) {
  // A run asks about a handful of lists: a few recent contents, each with the
  // list and change stamp it was last seen as. Stamps are never handed out
  // twice, so a list and a stamp stand for one content.
  struct TSeen {
    const TStrings* List = nullptr;
    std::uint64_t Stamp = 0;
    std::uint64_t Id = 0;
    std::vector<std::string> Items;
  };
  constexpr std::size_t kSeen = 8;
  thread_local std::array<TSeen, kSeen> Seen;
  thread_local std::uint64_t LastId = 0;
  thread_local std::size_t Evict = 0;
  const std::uint64_t Stamp = List.ChangeCount();
  for (TSeen& S : Seen)
    if (S.Id && S.List == &List && S.Stamp == Stamp) return S.Id;
  const std::vector<std::string>& Items = List.Items();
  for (TSeen& S : Seen)
    if (S.Id && S.Items == Items) {
      S.List = &List;
      S.Stamp = Stamp;
      return S.Id;
    }
  TSeen& S = Seen[Evict++ % kSeen];
  S = {&List, Stamp, ++LastId, Items};
  return S.Id;
}

}  // namespace keyloom

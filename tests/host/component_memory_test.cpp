// Components come from memory kept for them: blocks of every size must stay
// apart and aligned, and freed blocks must serve later components, also when
// they were freed on another thread or by a thread that has ended.

#include <keyloom/host.hpp>

#include "host/memory/block_pool.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace keyloom {
namespace {

// A component of a chosen size, filled with a mark it can check.
template <std::size_t Extra>
class TPadded : public TComponent {
 public:
  explicit TPadded(TComponent* Owner, unsigned char Mark) : TComponent(Owner), FMark(Mark) {
    std::memset(FPad, Mark, sizeof FPad);
  }
  bool Intact() const {
    return std::all_of(std::begin(FPad), std::end(FPad), [&](unsigned char C) { return C == FMark; });
  }

 private:
  unsigned char FMark;
  unsigned char FPad[Extra];
};

// Sizes on both sides of the size steps, and one beyond the largest kept.
using TMaker = std::function<TComponent*(TComponent*, unsigned char)>;
using TChecker = std::function<bool(const TComponent*)>;
template <std::size_t Extra>
std::pair<TMaker, TChecker> Kind() {
  return {[](TComponent* Owner, unsigned char Mark) -> TComponent* { return new TPadded<Extra>(Owner, Mark); },
          [](const TComponent* C) { return static_cast<const TPadded<Extra>*>(C)->Intact(); }};
}

TEST(ComponentMemory, BlocksOfEverySizeStayApartAndAlignedThroughFreeingAndReuse) {
  const std::vector<std::pair<TMaker, TChecker>> Kinds = {Kind<1>(),   Kind<7>(),   Kind<15>(),  Kind<23>(),
                                                          Kind<300>(), Kind<831>(), Kind<839>(), Kind<840>(),
                                                          Kind<847>(), Kind<4000>()};
  struct TMade {
    TComponent* Component;
    std::size_t Kind;
  };
  std::vector<TMade> Made;
  unsigned char Mark = 0;
  auto MakeRound = [&](int PerKind) {
    for (int I = 0; I < PerKind; ++I)
      for (std::size_t K = 0; K < Kinds.size(); ++K) Made.push_back({Kinds[K].first(nullptr, ++Mark), K});
  };
  auto ExpectSound = [&] {
    for (const TMade& M : Made) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(M.Component) % alignof(std::max_align_t), 0u);
      EXPECT_TRUE(Kinds[M.Kind].second(M.Component)) << "kind " << M.Kind;
    }
  };
  MakeRound(40);
  ExpectSound();
  // Every other one goes, then more come: they take the freed blocks and new ones.
  std::vector<TMade> Kept;
  for (std::size_t I = 0; I < Made.size(); ++I) {
    if (I % 2)
      delete Made[I].Component;
    else
      Kept.push_back(Made[I]);
  }
  Made = Kept;
  MakeRound(60);
  ExpectSound();
  for (const TMade& M : Made) delete M.Component;
}

TEST(ComponentMemory, AFormMadeAgainTakesTheMemoryOfTheOneFreed) {
  if (!KEYLOOM_BLOCK_POOL) GTEST_SKIP() << "sanitizer builds use the general allocator";
  auto MakeForm = [](std::set<const void*>* Addresses) {
    auto Form = std::make_unique<TForm>(nullptr);
    for (int I = 0; I < 300; ++I) {
      auto* Button = new TButton(Form.get());
      Button->SetParent(Form.get());
      if (Addresses) Addresses->insert(Button);
    }
    return Form;
  };
  std::set<const void*> First;
  MakeForm(&First).reset();
  std::set<const void*> Second;
  auto Again = MakeForm(&Second);
  EXPECT_TRUE(std::includes(First.begin(), First.end(), Second.begin(), Second.end()));
}

TEST(ComponentMemory, BlocksFreedOnAnotherThreadOrLeftByAnEndedThreadAreUsedAgain) {
  if (!KEYLOOM_BLOCK_POOL) GTEST_SKIP() << "sanitizer builds use the general allocator";
  constexpr int Count = 200;
  // Made on one thread, freed on this one: this thread takes them next.
  std::vector<TComponent*> Made;
  std::thread([&] {
    for (int I = 0; I < Count; ++I) Made.push_back(new TPadded<40>(nullptr, 1));
  }).join();
  const std::set<const void*> FromOther(Made.begin(), Made.end());
  for (TComponent* C : Made) delete C;
  for (int I = 0; I < Count; ++I) {
    auto* C = new TPadded<40>(nullptr, 2);
    EXPECT_TRUE(FromOther.count(C)) << I;
    Made[static_cast<std::size_t>(I)] = C;
  }

  // Freed by a thread that then ends: the next thread takes them.
  std::set<const void*> Left;
  std::thread([&] {
    for (TComponent* C : Made) {
      Left.insert(C);
      delete C;
    }
  }).join();
  std::thread([&] {
    std::vector<std::unique_ptr<TComponent>> Again;
    for (int I = 0; I < Count; ++I) {
      Again.emplace_back(new TPadded<40>(nullptr, 3));
      EXPECT_TRUE(Left.count(Again.back().get())) << I;
    }
  }).join();
}

// Threads that each make a component and end must not each leave a chunk
// behind: the next thread goes on cutting where the last one stopped.
TEST(ComponentMemory, ShortLivedThreadsShareTheirChunks) {
  if (!KEYLOOM_BLOCK_POOL) GTEST_SKIP() << "sanitizer builds use the general allocator";
  std::vector<std::unique_ptr<TComponent>> Made(200);
  for (auto& Slot : Made) std::thread([&Slot] { Slot.reset(new TPadded<72>(nullptr, 4)); }).join();
  std::set<std::uintptr_t> Chunks;
  for (const auto& C : Made) Chunks.insert(reinterpret_cast<std::uintptr_t>(C.get()) >> 21);
  EXPECT_LE(Chunks.size(), 2u);
}

}  // namespace
}  // namespace keyloom

// The pool that spreads the command's files over threads and hands their
// results back in order.

#include <gtest/gtest.h>

#include "cli/ordered_pool.hpp"

#include <atomic>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace keyloom::cli {
namespace {

// Uneven work, so that later items often finish before earlier ones.
void Busy(std::size_t I) {
  const std::size_t Rounds = (I * 7919) % 13 * 50;
  for (std::size_t R = 0; R < Rounds; ++R) std::this_thread::yield();
}

TEST(OrderedPoolTest, EveryItemIsEmittedOnceInOrderWithItsOwnResult) {
  struct TCase {
    std::size_t Count;
    unsigned Threads;
    std::size_t Window;
  };
  for (const TCase& C : {TCase{0, 4, 8}, TCase{1, 4, 8}, TCase{2, 2, 1}, TCase{7, 1, 4}, TCase{100, 2, 3},
                         TCase{100, 4, 16}, TCase{257, 8, 5}}) {
    SCOPED_TRACE(std::to_string(C.Count) + " items, " + std::to_string(C.Threads) + " threads, window " +
                 std::to_string(C.Window));
    std::vector<std::string> Slots(std::max<std::size_t>(C.Window, 1));
    std::vector<std::string> Emitted;
    std::atomic<std::size_t> Worked = 0;
    RunOrdered(
        C.Count, C.Threads, C.Window,
        [&](std::size_t I) {
          Busy(I);
          Slots[I % Slots.size()] = "item " + std::to_string(I);
          ++Worked;
        },
        [&](std::size_t I) {
          Emitted.push_back(Slots[I % Slots.size()]);
          EXPECT_EQ(Emitted.back(), "item " + std::to_string(I));
        });
    EXPECT_EQ(Worked.load(), C.Count);
    ASSERT_EQ(Emitted.size(), C.Count);
  }
}

TEST(OrderedPoolTest, WorkersStayWithinTheWindowOfTheLastEmittedItem) {
  constexpr std::size_t Window = 6;
  std::atomic<std::size_t> EmittedCount = 0;
  std::atomic<std::size_t> Beyond = 0;
  std::atomic<std::size_t> Running = 0, MostRunning = 0;
  RunOrdered(
      500, 4, Window,
      [&](std::size_t I) {
        const std::size_t Now = ++Running;
        for (std::size_t Seen = MostRunning; Now > Seen && !MostRunning.compare_exchange_weak(Seen, Now);) {
        }
        if (I >= EmittedCount + Window) ++Beyond;
        Busy(I);
        --Running;
      },
      [&](std::size_t) {
        Busy(3);
        ++EmittedCount;
      });
  EXPECT_EQ(EmittedCount.load(), 500u);
  EXPECT_EQ(Beyond.load(), 0u);
  EXPECT_LE(MostRunning.load(), 4u);
}

TEST(OrderedPoolTest, AnErrorInTheWorkStopsTheRunAndComesOutAfterTheThreadsEnd) {
  for (unsigned Threads : {1u, 3u}) {
    SCOPED_TRACE(Threads);
    std::vector<std::size_t> Emitted;
    std::atomic<std::size_t> Failing = 0;
    EXPECT_THROW(RunOrdered(
                     200, Threads, 8,
                     [&](std::size_t I) {
                       Busy(I);
                       if (I == 37) {
                         ++Failing;
                         throw std::runtime_error("item 37");
                       }
                     },
                     [&](std::size_t I) { Emitted.push_back(I); }),
                 std::runtime_error);
    EXPECT_EQ(Failing.load(), 1u);
    // What came out is the items before the failed one, in order, perhaps not all of them.
    ASSERT_LE(Emitted.size(), 37u);
    for (std::size_t I = 0; I < Emitted.size(); ++I) EXPECT_EQ(Emitted[I], I);
  }
}

TEST(OrderedPoolTest, AnErrorInEmittingEndsTheThreadsBeforeItLeaves) {
  std::atomic<std::size_t> Worked = 0;
  EXPECT_THROW(RunOrdered(
                   1000, 4, 8, [&](std::size_t) { ++Worked; },
                   [&](std::size_t I) {
                     if (I == 10) throw std::runtime_error("output failed");
                   }),
               std::runtime_error);
  // The workers were stopped within the window, not left running through the list.
  EXPECT_LE(Worked.load(), 10u + 8u);
}

TEST(OrderedPoolTest, ThreadsAreThoseAskedForButNoMoreThanTheItems) {
  EXPECT_EQ(ThreadsFor(100, 3), 3u);
  EXPECT_EQ(ThreadsFor(2, 8), 2u);
  EXPECT_EQ(ThreadsFor(0, 8), 1u);
  EXPECT_EQ(ThreadsFor(5, 1), 1u);
  const unsigned Cores = std::max(1u, std::thread::hardware_concurrency());
  EXPECT_EQ(ThreadsFor(1000, 0), Cores);
}

}  // namespace
}  // namespace keyloom::cli

#pragma once

// Work on many independent items spread over threads, results handed back in
// the items' order.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace keyloom::cli {

// Threads to use for Count items when Jobs were asked for (0: one a core).
inline unsigned ThreadsFor(std::size_t Count, unsigned Jobs) {
  if (Jobs == 0) Jobs = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(Jobs, Count)));
}

// Calls Work(I) for every I in [0, Count) on up to Threads threads, and
// Emit(I) on the calling thread in the order of I, once item I and every item
// before it are done; when it has to wait, the calling thread waits for half a
// window of items (or the rest), not for each one. At most Window items are taken and not yet
// emitted, so a caller can keep each item's result in slot I % Window and
// memory stays bounded whatever Count is. With one thread, Work and Emit
// alternate on the calling thread. An exception from Work stops the run and
// is thrown again here once the threads have ended; items after it are not
// emitted.
template <class TWork, class TEmit>
void RunOrdered(std::size_t Count, unsigned Threads, std::size_t Window, TWork&& Work, TEmit&& Emit) {
  if (Threads <= 1 || Count <= 1) {
    for (std::size_t I = 0; I < Count; ++I) {
      Work(I);
      Emit(I);
    }
    return;
  }
  Window = std::max<std::size_t>(Window, 1);
  std::mutex Lock;
  // Each side is woken only when the other has something for it: a wake-up
  // per item costs as much as a small form's work.
  std::condition_variable ItemDone, SlotFree;
  std::size_t NextTake = 0, NextEmit = 0;
  std::vector<char> Done(Window, 0);
  bool Stop = false;
  // The printer sleeps until this many items in a row from NextEmit are done
  // (0: it is not asleep): woken for every item, it would sleep again at once.
  std::size_t EmitterWaitsFor = 0;
  const std::size_t Batch = std::max<std::size_t>(1, Window / 2);
  auto ReadyInARow = [&](std::size_t Want) {
    std::size_t Ready = 0;
    while (Ready < Want && Done[(NextEmit + Ready) % Window] != 0) ++Ready;
    return Ready;
  };
  unsigned WorkersWaiting = 0;
  std::exception_ptr Error;
  auto StopAll = [&] {
    Stop = true;
    ItemDone.notify_all();
    SlotFree.notify_all();
  };

  auto Worker = [&] {
    for (;;) {
      std::size_t I = 0;
      {
        std::unique_lock Guard(Lock);
        while (!(Stop || NextTake >= Count || NextTake < NextEmit + Window)) {
          ++WorkersWaiting;
          SlotFree.wait(Guard);
          --WorkersWaiting;
        }
        if (Stop || NextTake >= Count) return;
        I = NextTake++;
      }
      try {
        Work(I);
      } catch (...) {
        const std::lock_guard Guard(Lock);
        if (!Error) Error = std::current_exception();
        StopAll();
        return;
      }
      bool Wake = false;
      {
        const std::lock_guard Guard(Lock);
        Done[I % Window] = 1;
        Wake = EmitterWaitsFor > 0 && ReadyInARow(EmitterWaitsFor) == EmitterWaitsFor;
      }
      if (Wake) ItemDone.notify_one();
    }
  };

  std::vector<std::thread> Pool;
  // Whatever way this function is left, the threads are told and waited for.
  struct TJoin {
    std::vector<std::thread>& Pool;
    std::mutex& Lock;
    decltype(StopAll)& Stop;
    ~TJoin() {
      {
        const std::lock_guard Guard(Lock);
        Stop();
      }
      for (std::thread& T : Pool) T.join();
    }
  } Join{Pool, Lock, StopAll};
  for (unsigned T = 0; T < Threads; ++T) {
    try {
      Pool.emplace_back(Worker);
    } catch (const std::system_error&) {
      break;  // as many as the system gives
    }
  }
  if (Pool.empty()) {
    for (std::size_t I = 0; I < Count; ++I) {
      Work(I);
      Emit(I);
    }
    return;
  }

  for (std::size_t I = 0; I < Count; ++I) {
    {
      std::unique_lock Guard(Lock);
      if (!Stop && Done[I % Window] == 0) {
        const std::size_t Want = std::min(Batch, Count - I);
        while (!Stop && ReadyInARow(Want) < Want) {
          EmitterWaitsFor = Want;
          ItemDone.wait(Guard);
          EmitterWaitsFor = 0;
        }
      }
      if (Done[I % Window] == 0) break;  // stopped by an error
    }
    Emit(I);
    bool Wake = false;
    {
      const std::lock_guard Guard(Lock);
      Done[I % Window] = 0;
      ++NextEmit;
      Wake = WorkersWaiting > 0;
    }
    if (Wake) SlotFree.notify_one();
  }
  {
    const std::lock_guard Guard(Lock);
    StopAll();
  }
  for (std::thread& T : Pool) T.join();
  Pool.clear();
  if (Error) std::rethrow_exception(Error);
}

}  // namespace keyloom::cli

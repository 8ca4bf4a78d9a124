// The caption markup functions over a batch of typical captions.

#include <keyloom/markup.hpp>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace keyloom::bench {
namespace {

const std::vector<std::string>& Captions() {
  static const std::vector<std::string> List = {
      "E&xit",       "&File",          "Save &As...",     "Print Preview", "&&Literal",      "Tail &",
      "Open",        "Find && Replace", "Größe &ändern",  "Select All",    "&Clear All",     "1.5",
      "Close Window", "Send To Mail &Recipient", "Cu&t", "About Keyloom", "Arrange &Icons", "Options..."};
  return List;
}

template <typename F>
void RunOverCaptions(benchmark::State& State, F Function) {
  const auto& List = Captions();
  for (auto _ : State)
    for (const std::string& Caption : List) benchmark::DoNotOptimize(Function(Caption));
  State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(List.size()));
}

void BM_DeleteAccelerator(benchmark::State& State) { RunOverCaptions(State, DeleteAccelerator); }
void BM_GetAccelerator(benchmark::State& State) { RunOverCaptions(State, GetAccelerator); }
void BM_HasAccelerator(benchmark::State& State) { RunOverCaptions(State, HasAccelerator); }
void BM_AcceleratorLength(benchmark::State& State) { RunOverCaptions(State, AcceleratorLength); }
void BM_GetUniqueLetterCount(benchmark::State& State) { RunOverCaptions(State, GetUniqueLetterCount); }
void BM_WordCount(benchmark::State& State) { RunOverCaptions(State, WordCount); }
void BM_GetWord(benchmark::State& State) {
  RunOverCaptions(State, [](const std::string& Caption) { return GetWord(Caption, 2); });
}

BENCHMARK(BM_DeleteAccelerator);
BENCHMARK(BM_GetAccelerator);
BENCHMARK(BM_HasAccelerator);
BENCHMARK(BM_AcceleratorLength);
BENCHMARK(BM_GetUniqueLetterCount);
BENCHMARK(BM_WordCount);
BENCHMARK(BM_GetWord);

}  // namespace
}  // namespace keyloom::bench

// Reading and writing text form files, in bytes per second: a large generated
// form and the example forms.

#include "form_sketch.hpp"

#include <keyloom/formfile/document.hpp>
#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/formfile/loader.hpp>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace keyloom::bench {
namespace {

using formfile::TDocument;

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

// Google Benchmark's bytes_per_second counts its M as 2^20 bytes; MB is the
// same rate in millions of bytes (shown as MB=.../s).
void SetBytes(benchmark::State& State, const std::string& Text) {
  const auto Bytes = static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Text.size());
  State.SetBytesProcessed(Bytes);
  State.counters["MB"] = benchmark::Counter(static_cast<double>(Bytes) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Parse(benchmark::State& State, const std::string* Text) {
  // The command moves the bytes it read into the document: copying a large
  // file is no part of reading it. A small one costs less to copy than to
  // pause the clock for.
  const bool Large = Text->size() > (1u << 20);
  for (auto _ : State) {
    if (Large) State.PauseTiming();
    std::string Bytes = *Text;
    if (Large) State.ResumeTiming();
    TDocument Document = TDocument::Parse(std::move(Bytes), "bench.dfm");
    benchmark::DoNotOptimize(Document.Root().FChildren.size());
  }
  SetBytes(State, *Text);
}

// Parsing and making the components, as the command line reads a form.
void BM_Load(benchmark::State& State, const std::string* Text) {
  for (auto _ : State) {
    auto Form = LoadFormForKeys(TDocument::Parse(*Text, "bench.dfm"));
    benchmark::DoNotOptimize(Form->Form().GetComponentCount());
  }
  SetBytes(State, *Text);
}

// The file's bytes with the captions a run changed written back.
void BM_Write(benchmark::State& State, const std::string* Text) {
  auto Form = LoadFormForKeys(TDocument::Parse(*Text, "bench.dfm"));
  RunKeys(*Form, TKeySettings());
  Form->StoreCaptions();
  for (auto _ : State) benchmark::DoNotOptimize(Form->Render().size());
  SetBytes(State, *Text);
}

const int Registered = [] {
  std::vector<std::pair<std::string, const std::string*>> Files;
  Files.emplace_back("generated-panels-100000",
                     new std::string(WriteFormText(MakeSketch(TShape::shPanels, 100000))));
  Files.emplace_back("generated-menu-100000", new std::string(WriteFormText(MakeSketch(TShape::shMenu, 100000))));
  // The same forms in the binary format: the objects are the same, so times compare per object.
  for (std::size_t I = 0, Generated = Files.size(); I < Generated; ++I)
    Files.emplace_back(Files[I].first + "-binary",
                       new std::string(formfile::RenderAsBinary(TDocument::Parse(*Files[I].second, "bench.dfm"))));
  std::vector<std::filesystem::path> Examples;
  for (const auto& Entry : std::filesystem::directory_iterator(KEYLOOM_EXAMPLE_FORMS)) Examples.push_back(Entry.path());
  std::sort(Examples.begin(), Examples.end());
  for (const auto& Path : Examples) Files.emplace_back(Path.filename().string(), new std::string(ReadFile(Path)));
  for (const auto& [Name, Text] : Files) {
    benchmark::RegisterBenchmark(("FormFileParse/" + Name).c_str(), BM_Parse, Text)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("FormFileLoad/" + Name).c_str(), BM_Load, Text)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("FormFileWrite/" + Name).c_str(), BM_Write, Text)->Unit(benchmark::kMicrosecond);
  }
  return 0;
}();

}  // namespace
}  // namespace keyloom::bench

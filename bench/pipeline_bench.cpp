// Building, sorting, finding and writing on generated forms of several shapes
// and sizes; the time per component should stay flat as the form grows.

#include "form_sketch.hpp"

#include <keyloom/default_lists.hpp>
#include <keyloom/engine.hpp>
#include <keyloom/tree.hpp>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace keyloom::bench {
namespace {

struct TBenchForm {
  TSketch Sketch;
  std::unique_ptr<TForm> Form;
  std::vector<TComponent*> Made;
};

// Forms are made once per shape and size and kept to the end of the run
// (deliberately never released: only the measured work matters here).
TBenchForm& FormOf(TShape Shape, int Size) {
  static auto* Cache = new std::map<std::pair<TShape, int>, TBenchForm*>;
  auto& Slot = (*Cache)[{Shape, Size}];
  if (!Slot) {
    Slot = new TBenchForm;
    Slot->Sketch = MakeSketch(Shape, Size);
    Slot->Form = BuildForm(Slot->Sketch, &Slot->Made);
  }
  return *Slot;
}

struct TLists {
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
  TStringList DefaultCaptions;
  TLists() {
    AddDefaults(CaptionClasses, DefaultCaptionClasses);
    AddDefaults(NoCaptionClasses, DefaultNoCaptionClasses);
    AddDefaults(DefaultCaptions, DefaultDefaultCaptions);
  }
};

class TPipeline {
 public:
  explicit TPipeline(TBenchForm& Form) : FForm(Form), FTree(nullptr) {}
  void Build() {
    ClearWorkingTree(FTree);
    EnumComponents(FForm.Form.get(), FTree, *FForm.Form, FLists.CaptionClasses, FLists.NoCaptionClasses);
  }
  // As the component sorts its tree.
  void Sort() { SortTree(FTree, TSortMethod::smUniqueLetters); }
  void Find() {
    const TUsedLetters Used;
    keyloom::Find(FTree, Used, nullptr, nullptr, FLists.CaptionClasses, FLists.NoCaptionClasses,
                  FLists.DefaultCaptions);
  }
  void Write() { AssignKeys(FTree, FLists.CaptionClasses, FLists.NoCaptionClasses, nullptr, nullptr); }
  void Restore() { RestoreCaptions(FForm.Sketch, FForm.Made); }
  int NodeCount() const { return FTree.GetItems().GetCount(); }

 private:
  TBenchForm& FForm;
  TLists FLists;
  TTreeView FTree;
};

void CountComponents(benchmark::State& State, const TBenchForm& Form) {
  State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations()) *
                          static_cast<std::int64_t>(Form.Sketch.Objects.size()));
}

void Finish(benchmark::State& State, const TBenchForm& Form, const TPipeline& Pipeline) {
  CountComponents(State, Form);
  State.counters["nodes"] = Pipeline.NodeCount();
}

void BM_Build(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  TPipeline Pipeline(Form);
  Pipeline.Restore();
  for (auto _ : State) Pipeline.Build();
  Finish(State, Form, Pipeline);
}

void BM_Sort(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  TPipeline Pipeline(Form);
  Pipeline.Restore();
  for (auto _ : State) {
    State.PauseTiming();
    Pipeline.Build();
    State.ResumeTiming();
    Pipeline.Sort();
  }
  Finish(State, Form, Pipeline);
}

void BM_Find(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  TPipeline Pipeline(Form);
  Pipeline.Restore();
  for (auto _ : State) {
    State.PauseTiming();
    Pipeline.Build();
    Pipeline.Sort();
    State.ResumeTiming();
    Pipeline.Find();
  }
  Finish(State, Form, Pipeline);
}

void BM_Write(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  TPipeline Pipeline(Form);
  Pipeline.Restore();
  Pipeline.Build();
  Pipeline.Sort();
  Pipeline.Find();
  for (auto _ : State) {
    State.PauseTiming();
    Pipeline.Restore();
    State.ResumeTiming();
    Pipeline.Write();
  }
  Finish(State, Form, Pipeline);
}

// The whole run of the component: build, sort, find, write.
void BM_Pipeline(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  TPipeline Pipeline(Form);
  for (auto _ : State) {
    State.PauseTiming();
    Pipeline.Restore();
    State.ResumeTiming();
    Pipeline.Build();
    Pipeline.Sort();
    Pipeline.Find();
    Pipeline.Write();
  }
  Finish(State, Form, Pipeline);
}

// Freeing the form: a parent that searched its whole list for each child
// leaving made this cost the square of the widest container.
void BM_Free(benchmark::State& State, TShape Shape, int Size) {
  TBenchForm& Form = FormOf(Shape, Size);
  for (auto _ : State) {
    State.PauseTiming();
    std::unique_ptr<TForm> Copy = BuildForm(Form.Sketch);
    State.ResumeTiming();
    Copy.reset();
  }
  CountComponents(State, Form);
}

const int Registered = [] {
  using TStage = void (*)(benchmark::State&, TShape, int);
  const std::pair<const char*, TStage> Stages[] = {
      {"Build", BM_Build}, {"Sort", BM_Sort}, {"Find", BM_Find}, {"Write", BM_Write}, {"Pipeline", BM_Pipeline},
      {"Free", BM_Free}};
  const TShape Shapes[] = {TShape::shFlat, TShape::shDeep, TShape::shPanels, TShape::shMenu,
                           TShape::shRadioGroups};
  for (const TShape Shape : Shapes)
    for (const auto& [Name, Stage] : Stages)
      for (const int Size : {100, 1000, 10000, 100000}) {
        const std::string Label = std::string(Name) + "/" + ShapeName(Shape) + "/" + std::to_string(Size);
        benchmark::RegisterBenchmark(Label.c_str(), Stage, Shape, Size)->Unit(benchmark::kMicrosecond);
      }
  return 0;
}();

}  // namespace
}  // namespace keyloom::bench

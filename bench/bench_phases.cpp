// What listing the principal phases costs. Goal: the two centuries 1901-2100 (about 9900
// phases) well under a second. Counters: phases a second, and evaluations per phase (compare
// time/evaluations with BM_EvaluateElongationAt of bench_engine).
#include <benchmark/benchmark.h>

#include <vector>

#include "astro/phase_events.h"

namespace selvane {
namespace {

void BM_PhasesOfYears(benchmark::State& state) {
  const int first = static_cast<int>(state.range(0));
  const int last = static_cast<int>(state.range(1));
  std::vector<PhaseEvent> events;
  long phases = 0;
  long evaluations = 0;
  for (auto _ : state) {
    PhaseFinder finder;
    events.clear();
    finder.ListYears(first, last, events);
    phases += static_cast<long>(events.size());
    evaluations += finder.Evaluations();
    benchmark::DoNotOptimize(events.data());
  }
  state.counters["phases"] =
      benchmark::Counter(static_cast<double>(phases), benchmark::Counter::kAvgIterations);
  state.counters["phases/s"] =
      benchmark::Counter(static_cast<double>(phases), benchmark::Counter::kIsRate);
  state.counters["evals/phase"] = static_cast<double>(evaluations) / static_cast<double>(phases);
}
BENCHMARK(BM_PhasesOfYears)->Args({1901, 2100})->Args({2027, 2027})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace selvane
BENCHMARK_MAIN();

// Costs of the engine's paths. Goals on a 2-core machine: one evaluation under 2 us; a full
// search at most 1.5 times the cost of the evaluations it makes (the counter "evals" gives how
// many; compare time/evals with BM_EvaluateElongationAt).
#include <benchmark/benchmark.h>

#include "app/headless_session.h"

namespace selvane {
namespace {

void BM_EvaluateElongationAt(benchmark::State& state) {
  HeadlessSession s;
  s.EnterFields({"2024", "1", "1", "12", "0", "0"});
  for (auto _ : state) {
    s.engine.EvaluateElongationAt();
    benchmark::DoNotOptimize(s.state.Elongation);
  }
}
BENCHMARK(BM_EvaluateElongationAt);

void BM_UpdateMoonPhaseNoSearch(benchmark::State& state) {
  HeadlessSession s;
  s.state.ShadowStep = 1;
  s.EnterFields({"2024", "1", "1", "12", "0", "0"});
  s.engine.UpdateMoonPhase();  // finds the lunation start once
  for (auto _ : state) {
    s.engine.UpdateMoonPhase();
    benchmark::DoNotOptimize(s.ageText.data());
  }
}
BENCHMARK(BM_UpdateMoonPhaseNoSearch);

// A full search from a fresh state: the lunation start is 0, as right after start-up.
void BM_FindLunationStartFresh(benchmark::State& state) {
  HeadlessSession s;
  s.state.ShadowStep = 1;
  s.EnterFields({"2024", "1", "1", "12", "0", "0"});
  long evals = 0;
  for (auto _ : state) {
    s.state.LunationStartJD = 0;
    const long before = s.engine.Evaluations();
    s.engine.UpdateMoonPhase();
    evals += s.engine.Evaluations() - before;
  }
  state.counters["evals"] =
      benchmark::Counter(static_cast<double>(evals), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FindLunationStartFresh);

// 2023-12-31 23:59:59 -> 2024-1-1 0:0:0 and back again: the longest chains of the rules.
void BM_SecondsRollOverChain(benchmark::State& state) {
  HeadlessSession s;
  s.EnterFields({"2023", "12", "31", "23", "59", "59"});
  for (auto _ : state) {
    s.fields.WriteField(6, "60");
    s.fields.WriteField(6, "-1");
  }
  state.counters["chains"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SecondsRollOverChain);

}  // namespace
}  // namespace selvane

BENCHMARK_MAIN();

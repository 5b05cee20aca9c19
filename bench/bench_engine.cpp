// Costs of the engine's paths. Goals on a 2-core machine: one evaluation under 2 us; a full
// search at most 1.3 times (aim 1.15) the cost of the evaluations it makes, as the "ratio" of
// BM_LunationSearchOverBareEvaluations gives it.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <string_view>
#include <vector>

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

// Processor time of this thread, so that other processes on a busy machine do not count.
double ThreadCpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// What a search costs beyond its evaluations: for instants spread over lunations, years and
// month ends, one evaluation with a full search against as many bare evaluations as the search
// made, timed alternately. "ratio" is the first over the second (goal at most 1.3, aim 1.15).
void BM_LunationSearchOverBareEvaluations(benchmark::State& state) {
  static constexpr std::string_view kInstants[][6] = {
      {"2024", "1", "1", "12", "0", "0"},   {"2024", "3", "1", "0", "0", "0"},
      {"2025", "2", "10", "12", "0", "0"},  {"2000", "1", "1", "21", "0", "0"},
      {"1993", "8", "18", "4", "28", "40"}, {"2031", "12", "31", "23", "59", "59"},
      {"1969", "7", "20", "5", "17", "0"},  {"2050", "6", "15", "8", "30", "30"},
  };
  std::vector<std::unique_ptr<HeadlessSession>> sessions;
  for (const auto& texts : kInstants) {
    sessions.push_back(std::make_unique<HeadlessSession>());
    sessions.back()->state.ShadowStep = 1;
    sessions.back()->EnterFields(texts);
  }
  double searchNs = 0, bareNs = 0;
  long evals = 0, searches = 0;
  std::vector<long> made(sessions.size());
  for (auto _ : state) {
    const double t0 = ThreadCpuNanoseconds();
    for (std::size_t i = 0; i < sessions.size(); ++i) {
      HeadlessSession& s = *sessions[i];
      s.state.LunationStartJD = 0;
      const long before = s.engine.Evaluations();
      s.engine.UpdateMoonPhase();
      made[i] = s.engine.Evaluations() - before;
    }
    const double t1 = ThreadCpuNanoseconds();
    for (std::size_t i = 0; i < sessions.size(); ++i) {
      for (long n = 0; n < made[i]; ++n) sessions[i]->engine.EvaluateElongationAt();
      benchmark::DoNotOptimize(sessions[i]->state.Elongation);
    }
    const double t2 = ThreadCpuNanoseconds();
    searchNs += t1 - t0;
    bareNs += t2 - t1;
    for (long n : made) evals += n;
    searches += static_cast<long>(sessions.size());
  }
  state.counters["evals"] = static_cast<double>(evals) / static_cast<double>(searches);
  state.counters["search_us"] = searchNs / static_cast<double>(searches) / 1000;
  state.counters["ratio"] = searchNs / bareNs;
}
BENCHMARK(BM_LunationSearchOverBareEvaluations);

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

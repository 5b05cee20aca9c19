// The CPU cost of one real-time tick of the control panel: the fill of the six fields from the
// clock, the phase evaluation and the drawing of the shadow (onto a canvas that discards the
// lines). Goal: under 200 us a tick, so that ten ticks a second cost well under 1 % of a core.
#include <benchmark/benchmark.h>

#include "app/headless_session.h"
#include "control/clock.h"
#include "control/control_panel.h"

namespace selvane {
namespace {

// A clock that stays on one reading until the benchmark moves it on by a second. It runs
// round one hour of one day, so that the lunation found at start-up stays valid.
class SteppedClock : public Clock {
 public:
  ClockReading Now() override {
    return ClockReading{2024, 5, 17, 12, (seconds_ / 60) % 60, seconds_ % 60};
  }
  void Advance(bool skipSecondOne) {
    ++seconds_;
    if (skipSecondOne && seconds_ % 60 == 1) ++seconds_;
  }

 private:
  int seconds_ = 2;
};

struct RealTimeRig {
  explicit RealTimeRig(Clock& clock)
      : evaluator(session.engine), panel(session.state, session.fields, checks, evaluator, clock) {
    session.state.ShadowStep = 1;
    panel.StartUp();  // finds the lunation start once
    panel.TimerTick();
  }
  HeadlessSession session;
  MenuChecks checks;
  EngineEvaluator evaluator;
  ControlPanel panel;
};

// The common tick: nine in ten fall within the second the fields show already.
void BM_RealTimeTickSameSecond(benchmark::State& state) {
  SteppedClock clock;
  RealTimeRig rig(clock);
  for (auto _ : state) {
    rig.panel.TimerTick();
    benchmark::DoNotOptimize(rig.session.ageText.data());
  }
}
BENCHMARK(BM_RealTimeTickSameSecond);

// A tick that brings a new second (and at each full minute the carry into the minute).
void BM_RealTimeTickNewSecond(benchmark::State& state) {
  SteppedClock clock;
  RealTimeRig rig(clock);
  for (auto _ : state) {
    clock.Advance(true);
    rig.panel.TimerTick();
    benchmark::DoNotOptimize(rig.session.ageText.data());
  }
}
BENCHMARK(BM_RealTimeTickNewSecond);

// The tick that turns the seconds to 1 plays the 24-frame phase-cycle animation, once a
// minute; its cost spread over the 600 ticks of a minute is what real-time mode pays.
void BM_RealTimeTickWithPhaseCycle(benchmark::State& state) {
  SteppedClock clock;
  RealTimeRig rig(clock);
  for (auto _ : state) {
    state.PauseTiming();
    while (clock.Now().second != 0) clock.Advance(false);
    rig.panel.TimerTick();
    clock.Advance(false);
    state.ResumeTiming();
    rig.panel.TimerTick();
    benchmark::DoNotOptimize(rig.session.nullCanvas.refreshes);
  }
}
BENCHMARK(BM_RealTimeTickWithPhaseCycle);

// The real computer clock: six readings of the local time a tick.
void BM_RealTimeTickSystemClock(benchmark::State& state) {
  SystemClock clock;
  RealTimeRig rig(clock);
  const int before = rig.session.busyPointerCount;
  for (auto _ : state) {
    rig.panel.TimerTick();
    benchmark::DoNotOptimize(rig.session.ageText.data());
  }
  // Lunation searches during the run (a new moon passing by); normally 0.
  state.counters["searches"] = static_cast<double>(rig.session.busyPointerCount - before);
}
BENCHMARK(BM_RealTimeTickSystemClock);

}  // namespace
}  // namespace selvane

BENCHMARK_MAIN();

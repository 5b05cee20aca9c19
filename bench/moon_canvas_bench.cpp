// What drawing the shadow onto the moon picture costs: one DrawMoonShadow, the 24 frames of
// the phase cycle without the hold between them, and a whole real-time tick.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "app/headless_session.h"
#include "control/clock.h"
#include "control/entry_fields.h"
#include "view/moon_canvas.h"
#include "view/shadow_geometry.h"

namespace selvane {
namespace {

struct Scene {
  Scene() {
    fields.WriteField(7, "1");
    const char* texts[6] = {"2024", "2", "17", "21", "0", "0"};
    for (int i = 0; i < 6; ++i) fields.WriteField(i + 1, texts[i]);
  }
  MoonCanvas canvas;
  EphemerisState state;
  EntryFields fields;
  ShadowPainter painter{state, fields, canvas};
};

void BM_DrawMoonShadowOntoPicture(benchmark::State& st) {
  Scene s;
  s.state.ShadowStep = static_cast<int>(st.range(0));
  double e = 0;
  for (auto _ : st) {
    e = e >= 345 ? 0 : e + 15;  // a different picture every time
    s.state.Elongation = e;
    s.painter.DrawMoonShadow();
    benchmark::DoNotOptimize(s.canvas.Image().constBits());
  }
}
BENCHMARK(BM_DrawMoonShadowOntoPicture)->Arg(1)->Arg(2);

void BM_PhaseCycleWithoutHold(benchmark::State& st) {
  Scene s;
  s.state.ShadowStep = 1;
  s.state.RealTimeMode = 1;
  s.state.Elongation = 100.5;
  long refreshes = 0;
  s.canvas.SetRefreshHook([&] { ++refreshes; });
  for (auto _ : st) s.painter.AnimatePhaseCycle();
  st.counters["frames"] = static_cast<double>(refreshes) / static_cast<double>(st.iterations());
}
BENCHMARK(BM_PhaseCycleWithoutHold);

// One real-time tick as the program runs it, drawn onto the real picture: the fields filled
// from the computer's clock, the evaluation, the shadow drawing and the age text (goal: under
// 200 us, so that ten ticks a second stay well under 1 % of a core).
// The argument is the screen's device pixel ratio (2: the 2x picture).
void BM_RealTimeTickOntoPicture(benchmark::State& st) {
  MoonCanvas canvas(static_cast<double>(st.range(0)));
  HeadlessSession s(&canvas);
  s.state.ShadowStep = 1;
  s.state.RealTimeMode = 1;
  SystemClock clock;
  s.fields.WriteField(7, "1");
  FillFieldsFromClock(s.fields, clock);
  s.engine.UpdateMoonPhase();  // the first evaluation finds the lunation start
  for (auto _ : st) {
    FillFieldsFromClock(s.fields, clock);
    s.engine.UpdateMoonPhase();
    benchmark::DoNotOptimize(canvas.Image().constBits());
  }
}
BENCHMARK(BM_RealTimeTickOntoPicture)->Arg(1)->Arg(2);

}  // namespace
}  // namespace selvane

int main(int argc, char** argv) {
  int qargc = 3;
  char arg0[] = "view_bench", arg1[] = "-platform", arg2[] = "offscreen";
  char* qargv[] = {arg0, arg1, arg2, nullptr};
  QGuiApplication app(qargc, qargv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

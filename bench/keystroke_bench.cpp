// The pause a user sees on one keystroke in a field of the real control window: the key goes
// through the text box, the field's rules and the texts shown back. The worst keystroke is
// one whose text the rules cannot settle ("23.5" in the hour field): it runs the rules to
// their step limit and is undone (goal: under 50 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/desktop_app.h"
#include "tray/settings_store.h"

namespace selvane {
namespace {

DesktopApp& App() {
  static MemorySettingsStore settings;
  static DesktopApp app(&settings);
  return app;
}

// Types one character at the end of the field and counts the rule steps it took.
void TypeAtEnd(benchmark::State& st, int field, const char* before, char key) {
  DesktopApp& app = App();
  const char* six[6] = {"2024", "2", "17", "21", "30", "0"};
  app.Fields().WriteField(7, "1");
  for (int i = 0; i < 6; ++i) app.Fields().WriteField(i + 1, six[i]);
  app.Fields().WriteField(field, before);
  QLineEdit* text = app.Form1().Text(field);
  double steps = 0;
  for (auto _ : st) {
    text->setCursorPosition(static_cast<int>(text->text().size()));
    QTest::keyClick(text, key);
    steps += static_cast<double>(app.Fields().LastRuleSteps());
    // A text that settles is typed again from the same start.
    if (text->text() != QLatin1String(before)) app.Fields().WriteField(field, before);
  }
  st.counters["rule_steps"] = steps / static_cast<double>(st.iterations());
}

void BM_KeystrokeUnsettledHour(benchmark::State& st) {
  TypeAtEnd(st, 4, "23.", '5');
}
BENCHMARK(BM_KeystrokeUnsettledHour)->Unit(benchmark::kMillisecond);

void BM_KeystrokeSettledMinute(benchmark::State& st) {
  TypeAtEnd(st, 5, "3", '0');
}
BENCHMARK(BM_KeystrokeSettledMinute)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace selvane

int main(int argc, char** argv) {
  int qargc = 3;
  char arg0[] = "keystroke_bench", arg1[] = "-platform", arg2[] = "offscreen";
  char* qargv[] = {arg0, arg1, arg2, nullptr};
  QApplication app(qargc, qargv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

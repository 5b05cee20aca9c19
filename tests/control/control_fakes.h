// Recording stand-ins for everything the control panel and the keypad reach outside
// themselves: the fields (as the panel writes them), the evaluation, the clock, the timer, the
// two windows, the beep and the menu's check marks. Every call lands in one ordered log with a
// snapshot of the mode fields, so that tests can check what happened and in which order.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/headless_session.h"
#include "control/clock.h"
#include "control/control_panel.h"
#include "control/control_ports.h"
#include "control/keypad_model.h"
#include "tray/menu_checks.h"

namespace selvane::control_test {

using Six = std::array<std::string, 6>;

struct Snapshot {
  int stepUnit;
  int savedInterval;
  int realTimeMode;
  bool operator==(const Snapshot&) const = default;
};

class CallLog {
 public:
  explicit CallLog(const EphemerisState& state) : state_(state) {}
  void Add(std::string call) {
    calls.push_back(std::move(call));
    snapshots.push_back({state_.StepUnit, state_.SavedInterval, state_.RealTimeMode});
  }
  void Clear() {
    calls.clear();
    snapshots.clear();
  }
  int Count(std::string_view call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  std::vector<std::string> calls;
  std::vector<Snapshot> snapshots;

 private:
  const EphemerisState& state_;
};

// The panel's own writes, logged, then passed on to the real fields and their rules.
class RecordingFields : public FieldStore {
 public:
  RecordingFields(EntryFields& inner, CallLog& log) : inner_(inner), log_(log) {}
  const std::string& Text(int field) const override { return inner_.Text(field); }
  bool WriteField(int field, std::string_view text) override {
    log_.Add("WriteField(" + std::to_string(field) + ", \"" + std::string(text) + "\")");
    return inner_.WriteField(field, text);
  }

 private:
  EntryFields& inner_;
  CallLog& log_;
};

// The real engine, with the fields as they stood at every call.
class RecordingEvaluator : public PhaseEvaluator {
 public:
  RecordingEvaluator(Ephemeris& engine, const FieldStore& fields, CallLog& log)
      : engine_(engine), fields_(fields), log_(log) {}
  void UpdateMoonPhase() override {
    ++count;
    log_.Add("UpdateMoonPhase");
    Six six;
    for (int i = 0; i < 6; ++i) six[i] = fields_.Text(i + 1);
    fieldsAtCall.push_back(six);
    if (during) during();
    engine_.UpdateMoonPhase();
  }

  int count = 0;
  std::vector<Six> fieldsAtCall;
  std::function<void()> during;

 private:
  Ephemeris& engine_;
  const FieldStore& fields_;
  CallLog& log_;
};

// A clock that reads what the test put there; each read may advance it.
class FakeClock : public Clock {
 public:
  ClockReading Now() override {
    ++reads;
    if (next) return next(reads);
    return reading;
  }
  ClockReading reading{2024, 5, 17, 21, 30, 15};
  // Given the number of the read (1, 2, ...), when set.
  std::function<ClockReading(int)> next;
  int reads = 0;
};

class RecordingTimer : public TimerPort {
 public:
  explicit RecordingTimer(CallLog& log) : log_(log) {}
  void SetInterval(int milliseconds) override {
    log_.Add("timer.SetInterval(" + std::to_string(milliseconds) + ")");
    interval = milliseconds;
  }
  int Interval() const override { return interval; }
  int interval = 0;

 private:
  CallLog& log_;
};

class RecordingControlWindow : public ControlWindowPort {
 public:
  explicit RecordingControlWindow(CallLog& log) : log_(log) {}
  void SetCaption(std::string_view text) override {
    caption.assign(text);
    log_.Add("window.SetCaption(\"" + caption + "\")");
  }
  void ShowCheck1(bool on) override {
    check1 = on;
    log_.Add(on ? "window.ShowCheck1(on)" : "window.ShowCheck1(off)");
  }
  void ShowSelectedOption(int n) override {
    option = n;
    log_.Add("window.ShowSelectedOption(" + std::to_string(n) + ")");
  }
  void ShowWindow() override {
    shown = true;
    log_.Add("window.Show");
  }
  void HideWindow() override {
    shown = false;
    log_.Add("window.Hide");
  }
  void SetTopmost(bool on) override {
    shown = true;
    topmost = on;
    log_.Add(on ? "window.SetTopmost(on)" : "window.SetTopmost(off)");
  }

  std::string caption;
  bool check1 = false;
  int option = 0;
  bool shown = false;
  bool topmost = false;

 private:
  CallLog& log_;
};

class RecordingMoonWindow : public MoonWindowPort {
 public:
  explicit RecordingMoonWindow(CallLog& log) : log_(log) {}
  void Show() override {
    hidden = false;
    log_.Add("moon.Show");
  }
  void Hide() override {
    hidden = true;
    log_.Add("moon.Hide");
  }
  bool IsHidden() const override { return hidden; }
  void SetTopmost(bool on) override {
    hidden = false;
    topmost = on;
    log_.Add(on ? "moon.SetTopmost(on)" : "moon.SetTopmost(off)");
  }
  bool hidden = true;
  bool topmost = false;

 private:
  CallLog& log_;
};

class CountingBeeper : public Beeper {
 public:
  explicit CountingBeeper(CallLog& log) : log_(log) {}
  void Beep() override {
    ++beeps;
    log_.Add("Beep");
  }
  int beeps = 0;

 private:
  CallLog& log_;
};

class RecordingKeypadWindow : public KeypadWindowPort {
 public:
  explicit RecordingKeypadWindow(CallLog& log) : log_(log) {}
  void Create() override {
    ++creations;
    log_.Add("keypad.Create");
  }
  void SetLeft(double twips) override {
    left = twips;
    log_.Add("keypad.SetLeft");
  }
  void SetTop(double twips) override {
    top = twips;
    log_.Add("keypad.SetTop");
  }
  void SetCaption(std::string_view text) override {
    caption.assign(text);
    log_.Add("keypad.SetCaption");
  }
  void SetDisplay(std::string_view text) override { display.assign(text); }
  void Show() override {
    shown = true;
    log_.Add("keypad.Show");
  }
  void Hide() override {
    shown = false;
    log_.Add("keypad.Hide");
  }
  int creations = 0;
  double left = -1, top = -1;
  std::string caption, display;
  bool shown = false;

 private:
  CallLog& log_;
};

// The panel and the keypad with recording stand-ins around the real fields and engine.
struct PanelRig {
  PanelRig() {
    session.state.ShadowStep = 1;
    checks.SetChangedHook([this](MenuItem item, bool on) {
      static const char* const kNames[] = {"About", "Ers", "Crc", "Moon", "Sade", "Real", "Top"};
      log.Add(std::string("check ") + kNames[static_cast<int>(item)] + (on ? " on" : " off"));
    });
    panel.AttachTimer(&timer);
    panel.AttachWindow(&window);
    panel.AttachMoonWindow(&moon);
    keypad.AttachWindow(&keypadWindow);
  }
  PanelRig(const PanelRig&) = delete;

  // Fields as start-up leaves them: step amount first, then year .. second. Not logged.
  void SetFields(const Six& six, std::string_view stepAmount = "1") {
    session.fields.WriteField(7, stepAmount);
    for (int i = 0; i < 6; ++i) session.fields.WriteField(i + 1, six[i]);
  }
  // Forgets what was logged and evaluated so far.
  void Reset() {
    log.Clear();
    evaluator.count = 0;
    evaluator.fieldsAtCall.clear();
  }
  // Evaluates the fields as they stand, outside the log, so that the lunation start is current
  // and the next evaluation needs no search (which steps and rewrites the fields).
  void Settle() { session.engine.UpdateMoonPhase(); }
  Six Fields() const {
    Six six;
    for (int i = 0; i < 6; ++i) six[i] = session.fields.Text(i + 1);
    return six;
  }
  const std::string& StepAmount() const { return session.fields.Text(7); }

  HeadlessSession session;
  CallLog log{session.state};
  MenuChecks checks;
  FakeClock clock;
  RecordingFields fields{session.fields, log};
  RecordingEvaluator evaluator{session.engine, session.fields, log};
  RecordingTimer timer{log};
  RecordingControlWindow window{log};
  RecordingMoonWindow moon{log};
  CountingBeeper beeper{log};
  RecordingKeypadWindow keypadWindow{log};
  ControlPanel panel{session.state, fields, checks, evaluator, clock};
  KeypadModel keypad{session.state, fields, panel, evaluator, beeper};
  // Phase-cycle animations played so far: each presents its 24 frames.
  long PhaseCycles() const { return session.nullCanvas.refreshes / 24; }
};

}  // namespace selvane::control_test

// The control window's behaviour without the window: the one timer's three states (stopped,
// animating, following the clock), its tick, the stepping buttons, the unit radio buttons, the
// fast check box, "Now", "Go / Stop", start-up and the close request.
//
// The panel keeps the window's own state (caption, the selected radio button, Check1) and
// reaches the window, the timer and the moon window through the ports of control_ports.h. The
// window forwards every user action to the matching method here and mirrors what the panel
// tells it through its port. Every action that moves the entered instant ends in exactly one
// UpdateMoonPhase.
#pragma once

#include <string>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"
#include "control/clock.h"
#include "control/control_ports.h"
#include "tray/menu_checks.h"

namespace selvane {

class ControlPanel {
 public:
  static constexpr const char* kCaption = "Selvane";
  static constexpr const char* kRealTimeCaption = "Selvane - Now -";
  static constexpr int kRealTimeInterval = 100;
  static constexpr int kAnimationInterval = 500;
  static constexpr int kFastInterval = 50;
  // The step amount an animation tick accepts, after rounding to whole.
  static constexpr double kMinStepAmount = -32768;
  static constexpr double kMaxStepAmount = 32767;

  enum class Mode { Stopped, Animating, RealTime };

  // Push buttons of the window, by their number (Command1 .. Command17).
  enum Button {
    kYearUp = 1,
    kYearDown,
    kMonthUp,
    kMonthDown,
    kDayUp,
    kDayDown,
    kHourUp,
    kHourDown,
    kMinuteUp,
    kMinuteDown,
    kSecondUp,
    kSecondDown,
    kStepAmountUp,
    kStepAmountDown,
    kAdjust,  // "ADJ"
    kNow,     // "Now"
    kGoStop,  // "Go / Stop"
  };

  ControlPanel(EphemerisState& state, FieldStore& fields, MenuChecks& checks,
               PhaseEvaluator& evaluator, Clock& clock);
  ControlPanel(const ControlPanel&) = delete;
  ControlPanel& operator=(const ControlPanel&) = delete;

  // The ports; until one is attached (or after attaching nullptr) the panel works alone: it
  // keeps the timer interval itself and shows nothing.
  void AttachTimer(TimerPort* timer);
  void AttachWindow(ControlWindowPort* window);
  void AttachMoonWindow(MoonWindowPort* moon);

  // The control window's load handling: fills the fields from the clock, evaluates, enters
  // real-time mode and finally shows the control window. The moon window must be attached.
  void StartUp();

  // One tick of Timer1. A tick that falls due while another tick still runs (through a nested
  // event loop) is dropped: ticks merge, they never queue up.
  void TimerTick();

  // Leaves real-time mode: caption, RealTimeMode, the real-time check mark, and the timer goes
  // on animating at SavedInterval. Does nothing outside real-time mode.
  void StopRealTime();

  // Command1 .. Command17; other numbers do nothing.
  void PressButton(int command);
  // Selecting Option1 .. Option6 (by a click or by the program).
  void SelectOption(int option);
  // Check1 set on or off; its handling runs only when the value changes.
  void SetCheck1(bool on);
  // "Now" (Command16).
  void Now();
  // "Go / Stop" (Command17).
  void GoStop();
  // The Enter key in field 1..7: evaluates; returns the field that takes the focus next.
  int EnterKey(int field);
  // A request to close the control window. True: let it close (the program is quitting);
  // false: the window was hidden instead and the timer keeps running.
  bool CloseRequest();

  // The tray menu's real-time item: turned on it has the effects of "Now"; turned off the
  // timer stops after leaving real-time mode.
  void EnterRealTime() { Now(); }
  void StopTimer();

  // The window's state as the panel keeps it.
  const std::string& Caption() const { return caption_; }
  int SelectedOption() const { return selectedOption_; }
  bool Check1() const { return check1_; }
  int TimerInterval() const { return timer_->Interval(); }
  Mode CurrentMode() const;

 private:
  class StoredTimer : public TimerPort {
   public:
    void SetInterval(int milliseconds) override { interval_ = milliseconds; }
    int Interval() const override { return interval_; }

   private:
    int interval_ = 0;
  };

  void SetCaption(const char* caption);
  void FillFromClock();
  // "▲" / "▼" of a date or time field: one unit, then one evaluation.
  void StepField(int field, int delta);
  void StepAmountUp();
  void StepAmountDown();
  void Adjust();
  // Advances the field by the step amount, as an animation tick does; skipped when either
  // text is not a number as a whole or the amount is out of range.
  void AdvanceByStepAmount(int field);
  void ShowMoon();

  EphemerisState& s_;
  FieldStore& fields_;
  MenuChecks& checks_;
  PhaseEvaluator& evaluator_;
  Clock& clock_;
  StoredTimer storedTimer_;
  TimerPort* timer_ = &storedTimer_;
  ControlWindowPort* window_ = nullptr;
  MoonWindowPort* moon_ = nullptr;
  std::string caption_ = kCaption;
  std::string number_;
  int selectedOption_ = 3;  // as the window is designed
  bool check1_ = false;
  bool inTick_ = false;
};

}  // namespace selvane

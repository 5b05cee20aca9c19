// What the control panel needs from outside: the window's timer, the beep, the phase
// evaluation, the control window itself and the moon window. The windows implement these; the
// tests put recording fakes in their place, so that every handler runs without a screen.
#pragma once

#include <string_view>

#include "astro/ephemeris.h"

namespace selvane {

// Timer1 of the control window: one periodic timer, interval in milliseconds, 0 = no ticks.
class TimerPort {
 public:
  virtual ~TimerPort() = default;
  // Setting the interval it already has keeps the running countdown; a new interval restarts it.
  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
};

// The system beep.
class Beeper {
 public:
  virtual ~Beeper() = default;
  virtual void Beep() = 0;
};

// The one evaluation that every action moving the entered instant ends in.
class PhaseEvaluator {
 public:
  virtual ~PhaseEvaluator() = default;
  virtual void UpdateMoonPhase() = 0;
};

// The engine as the control panel calls it.
class EngineEvaluator : public PhaseEvaluator {
 public:
  explicit EngineEvaluator(Ephemeris& engine) : engine_(engine) {}
  void UpdateMoonPhase() override { engine_.UpdateMoonPhase(); }

 private:
  Ephemeris& engine_;
};

// The control window (Form1) as its handlers drive it. The widget mirrors are called after the
// panel's own record has changed; they only show the new state and run no handling.
class ControlWindowPort {
 public:
  virtual ~ControlWindowPort() = default;
  virtual void SetCaption(std::string_view caption) = 0;
  // Shows Check1 on or off.
  virtual void ShowCheck1(bool on) = 0;
  // Shows Option1..Option6 with option n selected.
  virtual void ShowSelectedOption(int option) = 0;
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  // Joins (true) or leaves the always-on-top band; either way the window is shown.
  virtual void SetTopmost(bool on) = 0;
};

// The moon window (Form2) as the control panel uses it.
class MoonWindowPort {
 public:
  virtual ~MoonWindowPort() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsHidden() const = 0;
  // Joins (true) or leaves the always-on-top band; either way the window is shown.
  virtual void SetTopmost(bool on) = 0;
};

}  // namespace selvane

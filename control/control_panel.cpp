#include "control/control_panel.h"

#include "astro/field_text.h"

namespace selvane {

namespace {
constexpr int kStepAmountField = 7;
constexpr int kMinuteField = 5;
constexpr int kSecondField = 6;
}  // namespace

ControlPanel::ControlPanel(EphemerisState& state, FieldStore& fields, MenuChecks& checks,
                           PhaseEvaluator& evaluator, Clock& clock)
    : s_(state), fields_(fields), checks_(checks), evaluator_(evaluator), clock_(clock) {
  number_.reserve(32);
}

void ControlPanel::AttachTimer(TimerPort* timer) {
  const int interval = timer_->Interval();
  timer_ = timer ? timer : &storedTimer_;
  // The new timer carries on where the old one was.
  if (timer_->Interval() != interval) timer_->SetInterval(interval);
}

void ControlPanel::AttachWindow(ControlWindowPort* window) {
  window_ = window;
  if (window_) {
    window_->SetCaption(caption_);
    window_->ShowSelectedOption(selectedOption_);
    window_->ShowCheck1(check1_);
  }
}

void ControlPanel::AttachMoonWindow(MoonWindowPort* moon) {
  moon_ = moon;
}

ControlPanel::Mode ControlPanel::CurrentMode() const {
  if (timer_->Interval() == 0) return Mode::Stopped;
  return s_.RealTimeMode == 1 ? Mode::RealTime : Mode::Animating;
}

void ControlPanel::SetCaption(const char* caption) {
  caption_ = caption;
  if (window_) window_->SetCaption(caption_);
}

void ControlPanel::ShowMoon() {
  if (moon_) moon_->Show();
}

void ControlPanel::FillFromClock() {
  FillFieldsFromClock(fields_, clock_);
}

void ControlPanel::StartUp() {
  s_.StepUnit = 3;
  fields_.WriteField(kStepAmountField, "1");
  s_.SavedInterval = kAnimationInterval;
  FillFromClock();
  evaluator_.UpdateMoonPhase();
  FillFromClock();
  evaluator_.UpdateMoonPhase();
  // From here on start-up enters real-time mode exactly as "Now" does.
  Now();
  ShowMoon();
  checks_.SetChecked(MenuItem::About, true);
  if (window_) window_->ShowWindow();
}

void ControlPanel::StopRealTime() {
  if (s_.RealTimeMode != 1) return;
  SetCaption(kCaption);
  s_.RealTimeMode = 0;
  checks_.SetChecked(MenuItem::Real, false);
  timer_->SetInterval(s_.SavedInterval);
}

void ControlPanel::AdvanceByStepAmount(int field) {
  const auto amount = StrictNumber(fields_.Text(kStepAmountField));
  if (!amount) return;
  const double whole = RoundHalfEven(*amount);
  if (!(whole >= kMinStepAmount && whole <= kMaxStepAmount)) return;
  const auto value = StrictNumber(fields_.Text(field));
  if (!value) return;
  FormatFieldNumber(*value + whole, number_);
  fields_.WriteField(field, number_);
}

void ControlPanel::TimerTick() {
  if (inTick_) return;
  inTick_ = true;
  if (s_.StepUnit >= 1 && s_.StepUnit <= 5) {
    AdvanceByStepAmount(s_.StepUnit);
  } else if (s_.StepUnit == 6) {
    if (s_.RealTimeMode != 0) {
      FillFromClock();
    } else {
      AdvanceByStepAmount(kSecondField);
    }
  }
  evaluator_.UpdateMoonPhase();
  inTick_ = false;
}

void ControlPanel::StepField(int field, int delta) {
  StopRealTime();
  if (const auto value = StrictNumber(fields_.Text(field))) {
    FormatFieldNumber(*value + delta, number_);
    fields_.WriteField(field, number_);
  }
  evaluator_.UpdateMoonPhase();
}

void ControlPanel::StepAmountUp() {
  StopRealTime();
  if (const auto amount = StrictNumber(fields_.Text(kStepAmountField))) {
    FormatFieldNumber(*amount + 1, number_);
    fields_.WriteField(kStepAmountField, number_);
  }
}

void ControlPanel::StepAmountDown() {
  StopRealTime();
  const auto amount = StrictNumber(fields_.Text(kStepAmountField));
  if (!amount) return;
  FormatFieldNumber(*amount - 1, number_);
  fields_.WriteField(kStepAmountField, number_);
  const auto after = StrictNumber(fields_.Text(kStepAmountField));
  if (after && *after < 1) fields_.WriteField(kStepAmountField, "1");
}

void ControlPanel::Adjust() {
  StopRealTime();
  fields_.WriteField(kMinuteField, "0");
  fields_.WriteField(kSecondField, "0");
  evaluator_.UpdateMoonPhase();
}

void ControlPanel::PressButton(int command) {
  if (command >= kYearUp && command <= kSecondDown) {
    // Odd numbers are "▲", even numbers "▼"; two buttons per field.
    StepField((command + 1) / 2, command % 2 == 1 ? 1 : -1);
    return;
  }
  switch (command) {
    case kStepAmountUp:
      StepAmountUp();
      break;
    case kStepAmountDown:
      StepAmountDown();
      break;
    case kAdjust:
      Adjust();
      break;
    case kNow:
      Now();
      break;
    case kGoStop:
      GoStop();
      break;
    default:
      break;
  }
}

void ControlPanel::SelectOption(int option) {
  if (option < 1 || option > 6) return;
  selectedOption_ = option;
  if (window_) window_->ShowSelectedOption(option);
  s_.StepUnit = option;
  if (option != 6) StopRealTime();
}

void ControlPanel::SetCheck1(bool on) {
  if (check1_ == on) return;
  check1_ = on;
  if (window_) window_->ShowCheck1(on);
  if (s_.SavedInterval == kAnimationInterval) {
    s_.SavedInterval = kFastInterval;
    checks_.SetChecked(MenuItem::Real, false);
    if (s_.RealTimeMode == 1) {
      s_.RealTimeMode = 0;
      SetCaption(kCaption);
    }
  } else {
    s_.SavedInterval = kAnimationInterval;
  }
  if (timer_->Interval() > 0) timer_->SetInterval(s_.SavedInterval);
}

void ControlPanel::Now() {
  fields_.WriteField(kStepAmountField, "1");
  SetCheck1(false);
  SelectOption(6);
  checks_.SetChecked(MenuItem::Real, true);
  s_.RealTimeMode = 1;
  SetCaption(kRealTimeCaption);
  ShowMoon();
  timer_->SetInterval(kRealTimeInterval);
}

void ControlPanel::GoStop() {
  StopRealTime();
  if (timer_->Interval() != 0) {
    timer_->SetInterval(0);
    checks_.SetChecked(MenuItem::Real, false);
  } else {
    timer_->SetInterval(s_.SavedInterval);
    ShowMoon();
  }
}

void ControlPanel::StopTimer() {
  StopRealTime();
  timer_->SetInterval(0);
}

int ControlPanel::EnterKey(int field) {
  evaluator_.UpdateMoonPhase();
  if (field < 1 || field > 7) return 1;
  return field % 7 + 1;
}

bool ControlPanel::CloseRequest() {
  const bool moonWasHidden = moon_ ? moon_->IsHidden() : true;
  if (s_.QuitRequested != 0) {
    timer_->SetInterval(0);
    return true;
  }
  if (checks_.Checked(MenuItem::Top)) {
    if (window_) window_->SetTopmost(false);
    if (moon_) moon_->SetTopmost(true);
  }
  if (window_) window_->HideWindow();
  if (moonWasHidden && moon_) moon_->Hide();
  checks_.SetChecked(MenuItem::About, false);
  return false;
}

}  // namespace selvane

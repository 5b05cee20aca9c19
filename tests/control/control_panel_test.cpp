// The control panel without a window: the three timer states and every event between them,
// start-up's steps in their order, the stepping buttons with their carries, the animation, the
// fast check box, "Now", "Go / Stop", the close request, and the texts that are not numbers.
#include "control/control_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_fakes.h"

namespace selvane::control_test {
namespace {

using Mode = ControlPanel::Mode;

const Six kYearEnd{"2023", "12", "31", "23", "59", "59"};
const Six kNewYear{"2024", "1", "1", "0", "0", "0"};

enum class From { RealTime, Animating, Stopped };
const From kAllStates[] = {From::RealTime, From::Animating, From::Stopped};

const char* Name(From f) {
  switch (f) {
    case From::RealTime:
      return "real time";
    case From::Animating:
      return "animating";
    default:
      return "stopped";
  }
}

// Start-up, then "Go / Stop" once (stopped) or twice (animating). The log starts empty.
void Enter(PanelRig& r, From state) {
  r.panel.StartUp();
  if (state != From::RealTime) r.panel.GoStop();
  if (state == From::Animating) r.panel.GoStop();
  r.Reset();
}

// The rows of the state table, with the invariants of real-time mode.
void ExpectRealTime(const PanelRig& r) {
  EXPECT_EQ(r.panel.CurrentMode(), Mode::RealTime);
  EXPECT_EQ(r.timer.interval, 100);
  EXPECT_EQ(r.session.state.RealTimeMode, 1);
  EXPECT_EQ(r.panel.Caption(), "Selvane - Now -");
  EXPECT_EQ(r.window.caption, "Selvane - Now -");
  EXPECT_TRUE(r.checks.Checked(MenuItem::Real));
  EXPECT_FALSE(r.panel.Check1());
  EXPECT_EQ(r.session.state.SavedInterval, 500);
  EXPECT_EQ(r.session.state.StepUnit, 6);
  EXPECT_EQ(r.panel.SelectedOption(), 6);
}

void ExpectAnimating(const PanelRig& r, int interval) {
  EXPECT_EQ(r.panel.CurrentMode(), Mode::Animating);
  EXPECT_EQ(r.timer.interval, interval);
  EXPECT_EQ(r.session.state.SavedInterval, interval);
  EXPECT_EQ(r.panel.Check1(), interval == 50);
  EXPECT_EQ(r.session.state.RealTimeMode, 0);
  EXPECT_EQ(r.panel.Caption(), "Selvane");
  EXPECT_EQ(r.window.caption, "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
}

void ExpectStopped(const PanelRig& r) {
  EXPECT_EQ(r.panel.CurrentMode(), Mode::Stopped);
  EXPECT_EQ(r.timer.interval, 0);
  EXPECT_EQ(r.session.state.RealTimeMode, 0);
  EXPECT_EQ(r.panel.Caption(), "Selvane");
  EXPECT_EQ(r.window.caption, "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
}

void ExpectState(const PanelRig& r, From state, int interval = 500) {
  switch (state) {
    case From::RealTime:
      ExpectRealTime(r);
      break;
    case From::Animating:
      ExpectAnimating(r, interval);
      break;
    case From::Stopped:
      ExpectStopped(r);
      break;
  }
}

// --- The event table -----------------------------------------------------------------------

TEST(ControlPanelEvents, StartUpEntersRealTime) {
  PanelRig r;
  EXPECT_EQ(r.panel.CurrentMode(), Mode::Stopped);
  r.panel.StartUp();
  ExpectRealTime(r);
  EXPECT_TRUE(r.checks.Checked(MenuItem::About));
  EXPECT_EQ(r.StepAmount(), "1");
  EXPECT_FALSE(r.moon.hidden);
  EXPECT_TRUE(r.window.shown);
}

TEST(ControlPanelEvents, NowAndTheTrayRealTimeItemEnterRealTimeFromAnyState) {
  const std::pair<const char*, void (*)(ControlPanel&)> events[] = {
      {"Now", [](ControlPanel& p) { p.Now(); }},
      {"Command16", [](ControlPanel& p) { p.PressButton(ControlPanel::kNow); }},
      {"tray real-time on", [](ControlPanel& p) { p.EnterRealTime(); }},
  };
  for (const auto& [name, event] : events) {
    for (From from : kAllStates) {
      SCOPED_TRACE(std::string(name) + " from " + Name(from));
      PanelRig r;
      Enter(r, from);
      r.SetFields(kYearEnd, "7");
      r.moon.Hide();
      event(r.panel);
      ExpectRealTime(r);
      EXPECT_EQ(r.StepAmount(), "1");
      EXPECT_FALSE(r.moon.hidden);
      // Neither fills the fields nor evaluates: the first tick does both.
      EXPECT_EQ(r.Fields(), kYearEnd);
      EXPECT_EQ(r.evaluator.count, 0);
    }
  }
}

// Every control of the stepping row and the unit radio buttons except "秒", and the keypad's
// "OK": real time becomes an animation at the saved interval; the other states stay.
TEST(ControlPanelEvents, SteppingControlsLeaveRealTimeOnly) {
  struct Event {
    std::string name;
    std::function<void(PanelRig&)> run;
  };
  std::vector<Event> events;
  for (int c = 1; c <= 15; ++c)
    events.push_back({"Command" + std::to_string(c), [c](PanelRig& r) { r.panel.PressButton(c); }});
  for (int o = 1; o <= 5; ++o)
    events.push_back({"Option" + std::to_string(o), [o](PanelRig& r) { r.panel.SelectOption(o); }});
  events.push_back({"keypad OK", [](PanelRig& r) {
                      r.keypad.Open(4, 0, 0);
                      r.keypad.Digit(5);
                      r.keypad.Ok();
                    }});

  for (const auto& event : events) {
    for (From from : kAllStates) {
      SCOPED_TRACE(event.name + " from " + Name(from));
      PanelRig r;
      Enter(r, from);
      event.run(r);
      ExpectState(r, from == From::RealTime ? From::Animating : from);
    }
  }
}

TEST(ControlPanelEvents, SelectingTheSecondKeepsEveryState) {
  for (From from : kAllStates) {
    SCOPED_TRACE(Name(from));
    PanelRig r;
    Enter(r, from);
    r.panel.SelectOption(3);
    if (from == From::RealTime) ExpectAnimating(r, 500);
    r.panel.Now();
    Enter(r, from);
    r.panel.SelectOption(6);
    ExpectState(r, from);
    EXPECT_EQ(r.session.state.StepUnit, 6);
  }
}

TEST(ControlPanelEvents, GoStopStopsARunningTimerAndStartsAStoppedOne) {
  const std::pair<From, From> rows[] = {
      {From::RealTime, From::Stopped},
      {From::Animating, From::Stopped},
      {From::Stopped, From::Animating},
  };
  for (const auto& [from, to] : rows) {
    SCOPED_TRACE(Name(from));
    PanelRig r;
    Enter(r, from);
    r.moon.Hide();
    r.panel.PressButton(ControlPanel::kGoStop);
    ExpectState(r, to);
    // Only starting shows the moon window.
    EXPECT_EQ(r.moon.hidden, to == From::Stopped);
  }
}

TEST(ControlPanelEvents, FastCheckBox) {
  {
    SCOPED_TRACE("turned on in real time: animation at 50 ms");
    PanelRig r;
    Enter(r, From::RealTime);
    r.panel.SetCheck1(true);
    ExpectAnimating(r, 50);
    EXPECT_TRUE(r.window.check1);
  }
  {
    SCOPED_TRACE("turned on and off while animating");
    PanelRig r;
    Enter(r, From::Animating);
    r.panel.SetCheck1(true);
    ExpectAnimating(r, 50);
    r.panel.SetCheck1(false);
    ExpectAnimating(r, 500);
    EXPECT_FALSE(r.window.check1);
  }
  {
    SCOPED_TRACE("turned on while stopped: the next Go uses 50 ms");
    PanelRig r;
    Enter(r, From::Stopped);
    r.panel.SetCheck1(true);
    ExpectStopped(r);
    EXPECT_EQ(r.session.state.SavedInterval, 50);
    r.panel.GoStop();
    ExpectAnimating(r, 50);
  }
  {
    SCOPED_TRACE("setting the value it has runs nothing");
    PanelRig r;
    Enter(r, From::Animating);
    r.panel.SetCheck1(false);
    EXPECT_TRUE(r.log.calls.empty());
    ExpectAnimating(r, 500);
  }
}

TEST(ControlPanelEvents, TrayRealTimeOffStopsFromAnyState) {
  for (From from : kAllStates) {
    SCOPED_TRACE(Name(from));
    PanelRig r;
    Enter(r, from);
    r.panel.StopTimer();
    ExpectStopped(r);
  }
}

TEST(ControlPanelEvents, CloseRequestHidesAndKeepsTheState) {
  for (From from : kAllStates) {
    SCOPED_TRACE(Name(from));
    PanelRig r;
    Enter(r, from);
    EXPECT_FALSE(r.panel.CloseRequest());
    ExpectState(r, from);
    EXPECT_FALSE(r.window.shown);
    EXPECT_FALSE(r.checks.Checked(MenuItem::About));
    EXPECT_FALSE(r.moon.hidden);
  }
}

TEST(ControlPanelEvents, CloseRequestWhileQuittingStopsTheTimerAndCloses) {
  for (From from : kAllStates) {
    SCOPED_TRACE(Name(from));
    PanelRig r;
    Enter(r, from);
    r.session.state.QuitRequested = 1;
    EXPECT_TRUE(r.panel.CloseRequest());
    EXPECT_EQ(r.timer.interval, 0);
    EXPECT_EQ(r.log.calls, std::vector<std::string>{"timer.SetInterval(0)"});
  }
}

// --- Start-up --------------------------------------------------------------------------------

TEST(ControlPanelStartUp, FifteenStepsInOrder) {
  PanelRig r;
  r.Reset();
  r.clock.next = [](int read) {
    return read <= 6 ? ClockReading{2024, 5, 17, 21, 30, 15} : ClockReading{2024, 5, 17, 21, 31, 2};
  };
  r.panel.StartUp();

  const std::vector<std::pair<std::string, Snapshot>> expected = {
      {"WriteField(7, \"1\")", {3, 0, 0}},       // 1, 2
      {"WriteField(1, \"2024\")", {3, 500, 0}},  // 3, 4: the first fill
      {"WriteField(2, \"5\")", {3, 500, 0}},
      {"WriteField(3, \"17\")", {3, 500, 0}},
      {"WriteField(4, \"21\")", {3, 500, 0}},
      {"WriteField(5, \"30\")", {3, 500, 0}},
      {"WriteField(6, \"15\")", {3, 500, 0}},
      {"UpdateMoonPhase", {3, 500, 0}},
      {"WriteField(1, \"2024\")", {3, 500, 0}},  // 5: the second fill
      {"WriteField(2, \"5\")", {3, 500, 0}},
      {"WriteField(3, \"17\")", {3, 500, 0}},
      {"WriteField(4, \"21\")", {3, 500, 0}},
      {"WriteField(5, \"31\")", {3, 500, 0}},
      {"WriteField(6, \"2\")", {3, 500, 0}},
      {"UpdateMoonPhase", {3, 500, 0}},
      {"WriteField(7, \"1\")", {3, 500, 0}},          // 6; 7 (Check1 off already) does nothing
      {"window.ShowSelectedOption(6)", {3, 500, 0}},  // 8: the button, then its handling
      {"check Real on", {6, 500, 0}},                 // 9
      {"window.SetCaption(\"Selvane - Now -\")", {6, 500, 1}},  // 10, 11
      {"moon.Show", {6, 500, 1}},                               // 12
      {"timer.SetInterval(100)", {6, 500, 1}},                  // 13
      {"moon.Show", {6, 500, 1}},                               // 14
      {"check About on", {6, 500, 1}},                          // 15
      {"window.Show", {6, 500, 1}},                             // then the control window is shown
  };
  ASSERT_EQ(r.log.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.log.calls[i], expected[i].first);
    EXPECT_EQ(r.log.snapshots[i], expected[i].second);
  }
  // Each evaluation saw its own fill.
  ASSERT_EQ(r.evaluator.fieldsAtCall.size(), 2u);
  EXPECT_EQ(r.evaluator.fieldsAtCall[0], (Six{"2024", "5", "17", "21", "30", "15"}));
  EXPECT_EQ(r.evaluator.fieldsAtCall[1], (Six{"2024", "5", "17", "21", "31", "2"}));
  EXPECT_EQ(r.session.state.SavedInterval, 500);
  EXPECT_FALSE(r.panel.Check1());
  // The first evaluation found the lunation: the moon window shows an age and a caption.
  EXPECT_GT(r.session.state.LunationStartJD, 0);
  EXPECT_EQ(r.session.nullCanvas.caption, "Moon  2024/5/17 21:31:2");
  EXPECT_FALSE(r.session.ageText.empty());
}

TEST(ControlPanelStartUp, TheFieldsThenFollowTheClockEveryTick) {
  PanelRig r;
  r.panel.StartUp();
  r.Reset();
  r.clock.reading = {2024, 5, 17, 21, 32, 0};
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "21", "32", "0"}));
  EXPECT_EQ(r.evaluator.count, 1);
  // Within the same second the fields stay and the phase is evaluated all the same.
  r.panel.TimerTick();
  EXPECT_EQ(r.evaluator.count, 2);
  EXPECT_EQ(r.evaluator.fieldsAtCall[0], r.evaluator.fieldsAtCall[1]);
  // The seconds turning to 1 in real time plays the phase-cycle animation, once.
  EXPECT_EQ(r.PhaseCycles(), 0);
  r.clock.reading = {2024, 5, 17, 21, 32, 1};
  r.panel.TimerTick();
  r.panel.TimerTick();
  EXPECT_EQ(r.PhaseCycles(), 1);
  EXPECT_EQ(r.session.nullCanvas.caption, "Moon  2024/5/17 21:32:1");
}

// --- The stepping buttons ----------------------------------------------------------------------

struct StepCase {
  int command;
  Six before;
  Six after;
  // The evaluation's lunation search restores the fields through their rules afterwards.
  bool searchRewrites = false;
};

TEST(ControlPanelStepping, EveryFieldRollsOverAndEvaluatesOnceAfterTheChain) {
  const StepCase cases[] = {
      {1, kYearEnd, {"2024", "12", "31", "23", "59", "59"}},
      {3, kYearEnd, {"2024", "1", "31", "23", "59", "59"}},
      {5, kYearEnd, {"2024", "1", "1", "23", "59", "59"}},
      {7, kYearEnd, {"2024", "1", "1", "0", "59", "59"}},
      {9, kYearEnd, {"2024", "1", "1", "0", "0", "59"}},
      {11, kYearEnd, kNewYear},
      {2, kNewYear, {"2023", "1", "1", "0", "0", "0"}},
      {4, kNewYear, {"2023", "12", "1", "0", "0", "0"}},
      {6, kNewYear, {"2023", "12", "31", "0", "0", "0"}},
      {8, kNewYear, {"2023", "12", "31", "23", "0", "0"}},
      {10, kNewYear, {"2023", "12", "31", "23", "59", "0"}},
      {12, kNewYear, kYearEnd},
      {6, {"2024", "3", "1", "12", "0", "0"}, {"2024", "2", "29", "12", "0", "0"}},
      {6, {"2023", "3", "1", "12", "0", "0"}, {"2023", "2", "28", "12", "0", "0"}},
      // The month's rules do not revisit the day.
      {3, {"2024", "1", "31", "12", "0", "0"}, {"2024", "2", "31", "12", "0", "0"}, true},
      {7, {"2024", "6", "30", "23", "0", "0"}, {"2024", "7", "1", "0", "0", "0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("Command" + std::to_string(c.command) + " from " + c.before[0] + "-" +
                 c.before[1] + "-" + c.before[2]);
    PanelRig r;
    Enter(r, From::Stopped);
    r.SetFields(c.before);
    r.Settle();
    r.panel.PressButton(c.command);
    ASSERT_EQ(r.evaluator.count, 1);
    EXPECT_EQ(r.evaluator.fieldsAtCall[0], c.after);
    if (!c.searchRewrites) {
      EXPECT_EQ(r.Fields(), c.after);
    }
    EXPECT_EQ(r.log.calls.back(), "UpdateMoonPhase");
    ExpectStopped(r);
  }
}

TEST(ControlPanelStepping, StepAmountButtons) {
  struct Case {
    int command;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {14, "1", "1"}, {14, "0.5", "1"},   {13, "1", "2"},   {13, "-5", "-4"},   {14, "-5", "1"},
      {14, "3", "2"}, {13, "0.5", "1.5"}, {13, " 7 ", "8"}, {14, "1e3", "999"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("Command" + std::to_string(c.command) + " on \"" + c.before + "\"");
    PanelRig r;
    Enter(r, From::Stopped);
    r.SetFields(kYearEnd, c.before);
    r.panel.PressButton(c.command);
    EXPECT_EQ(r.StepAmount(), c.after);
    EXPECT_EQ(r.Fields(), kYearEnd);
    EXPECT_EQ(r.evaluator.count, 0);  // the instant did not move
  }
}

TEST(ControlPanelStepping, AdjustGoesBackToTheStartOfTheHour) {
  PanelRig r;
  r.panel.StartUp();
  r.clock.reading = {2024, 5, 17, 14, 37, 12};
  r.panel.TimerTick();
  r.Reset();
  const long cycles = r.PhaseCycles();
  r.panel.PressButton(ControlPanel::kAdjust);
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "14", "0", "0"}));
  EXPECT_EQ(r.evaluator.count, 1);
  EXPECT_EQ(r.PhaseCycles(), cycles);  // "0" seconds start no phase-cycle animation
  ExpectAnimating(r, 500);
}

TEST(ControlPanelStepping, AStepInRealTimeAppliesToTheClockValuesShown) {
  PanelRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  r.log.Clear();
  r.panel.PressButton(ControlPanel::kHourUp);
  ExpectAnimating(r, 500);
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "22", "30", "15"}));
  // StopRealTime comes first, in its order: caption, mode, check mark, interval.
  const std::vector<std::string> expected = {"window.SetCaption(\"Selvane\")", "check Real off",
                                             "timer.SetInterval(500)", "WriteField(4, \"22\")",
                                             "UpdateMoonPhase"};
  EXPECT_EQ(r.log.calls, expected);
  EXPECT_EQ(r.log.snapshots[0].realTimeMode, 1);
  EXPECT_EQ(r.log.snapshots[1].realTimeMode, 0);
  // From then on the timer animates the second (StepUnit 6) from the fields.
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "22", "30", "16"}));
}

TEST(ControlPanelStepping, StopRealTimeOutsideRealTimeChangesNothing) {
  for (From from : {From::Animating, From::Stopped}) {
    PanelRig r;
    Enter(r, from);
    r.panel.StopRealTime();
    EXPECT_TRUE(r.log.calls.empty());
    ExpectState(r, from);
  }
}

TEST(ControlPanelStepping, UnitRadioButtons) {
  PanelRig r;
  Enter(r, From::RealTime);
  r.panel.SelectOption(6);
  ExpectRealTime(r);
  r.panel.SelectOption(3);
  EXPECT_EQ(r.session.state.StepUnit, 3);
  EXPECT_EQ(r.window.option, 3);
  ExpectAnimating(r, 500);
  // The day advances every tick from the clock values shown.
  const Six before = r.Fields();
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields()[2], std::to_string(std::stoi(before[2]) + 1));
  // Numbers outside 1..6 select nothing.
  r.panel.SelectOption(0);
  r.panel.SelectOption(7);
  EXPECT_EQ(r.session.state.StepUnit, 3);
  EXPECT_EQ(r.panel.SelectedOption(), 3);
}

// --- The animation -----------------------------------------------------------------------------

TEST(ControlPanelAnimation, DayAcrossTheLeapDay) {
  PanelRig r;
  Enter(r, From::Stopped);
  r.SetFields({"2024", "2", "28", "12", "0", "0"});
  r.panel.SelectOption(3);
  r.panel.GoStop();
  ExpectAnimating(r, 500);
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "2", "29", "12", "0", "0"}));
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "3", "1", "12", "0", "0"}));
  EXPECT_EQ(r.evaluator.count, 2);
}

TEST(ControlPanelAnimation, StopThenGoAnimatesOneSecondPerTick) {
  PanelRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  r.panel.GoStop();
  ExpectStopped(r);
  r.clock.reading = {2024, 5, 17, 21, 45, 0};  // the clock goes on; the fields stay frozen
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "21", "30", "15"}));
  r.panel.GoStop();
  ExpectAnimating(r, 500);
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "21", "30", "16"}));
}

TEST(ControlPanelAnimation, StepAmountSignAndSize) {
  struct Case {
    int unit;
    const char* amount;
    Six before;
    Six after;
  };
  const Case cases[] = {
      {6, "-1", {"2024", "1", "1", "0", "0", "1"}, {"2024", "1", "1", "0", "0", "0"}},
      {6, "-1", kNewYear, kYearEnd},
      {6, "0", kYearEnd, kYearEnd},
      {6, "-5", {"2024", "3", "1", "0", "0", "3"}, {"2024", "2", "29", "23", "59", "58"}},
      // Rounded to whole, halves to even.
      {6, "0.5", kYearEnd, kYearEnd},
      {6, "1.5", {"2024", "1", "1", "0", "0", "0"}, {"2024", "1", "1", "0", "0", "2"}},
      {6, "2.5", {"2024", "1", "1", "0", "0", "0"}, {"2024", "1", "1", "0", "0", "2"}},
      {1, "3", kYearEnd, {"2026", "12", "31", "23", "59", "59"}},
      {2, "1", kYearEnd, {"2024", "1", "31", "23", "59", "59"}},
      {4, "25", kYearEnd, {"2024", "1", "2", "0", "59", "59"}},
      {5, "-60", kNewYear, {"2023", "12", "31", "23", "0", "0"}},
      // The whole range of the step amount.
      {5, "32767", kNewYear, {"2024", "1", "23", "18", "7", "0"}},
      {5, "-32768", kNewYear, {"2023", "12", "9", "5", "52", "0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("unit ") + std::to_string(c.unit) + " amount " + c.amount);
    PanelRig r;
    Enter(r, From::Stopped);
    r.SetFields(c.before, c.amount);
    r.panel.SelectOption(c.unit);
    r.panel.GoStop();
    r.panel.TimerTick();
    EXPECT_EQ(r.Fields(), c.after);
    EXPECT_EQ(r.evaluator.count, 1);
  }
}

TEST(ControlPanelAnimation, FastCheckBoxInRealTimeAnimatesTheSecondsAt50Ms) {
  PanelRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  r.panel.SetCheck1(true);
  ExpectAnimating(r, 50);
  EXPECT_EQ(r.session.state.StepUnit, 6);
  r.panel.TimerTick();
  r.panel.TimerTick();
  EXPECT_EQ(r.Fields(), (Six{"2024", "5", "17", "21", "30", "17"}));
}

TEST(ControlPanelAnimation, FastCheckBoxThenNow) {
  PanelRig r;
  r.panel.StartUp();
  r.panel.SetCheck1(true);
  r.log.Clear();
  r.panel.Now();
  ExpectRealTime(r);
  EXPECT_FALSE(r.window.check1);
  // The check box's own handling ran inside "Now": 500 ms first, then real time's 100 ms.
  const std::vector<std::string> expected = {"WriteField(7, \"1\")",
                                             "window.ShowCheck1(off)",
                                             "timer.SetInterval(500)",
                                             "window.ShowSelectedOption(6)",
                                             "check Real on",
                                             "window.SetCaption(\"Selvane - Now -\")",
                                             "moon.Show",
                                             "timer.SetInterval(100)"};
  EXPECT_EQ(r.log.calls, expected);
}

// A tick that falls due while a tick still runs (a nested event loop inside the evaluation)
// is merged into the running one, never run on top of it.
TEST(ControlPanelAnimation, NestedTicksAreMerged) {
  PanelRig r;
  Enter(r, From::Animating);
  r.SetFields(kNewYear);
  int nested = 0;
  r.evaluator.during = [&] {
    if (nested++ < 3) r.panel.TimerTick();
  };
  r.panel.TimerTick();
  EXPECT_EQ(r.evaluator.count, 1);
  EXPECT_EQ(r.Fields(), (Six{"2024", "1", "1", "0", "0", "1"}));
  r.evaluator.during = nullptr;
  r.panel.TimerTick();  // and the next tick runs normally
  EXPECT_EQ(r.Fields(), (Six{"2024", "1", "1", "0", "0", "2"}));
}

// --- Texts that are not numbers ----------------------------------------------------------------

TEST(ControlPanelOddTexts, AStepOnATextThatIsNotANumberIsSkippedButEvaluates) {
  struct Case {
    int command;
    int field;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, ""}, {2, 1, "abc"}, {3, 2, "12a"}, {6, 3, "1 2"}, {8, 4, "--1"}, {11, 6, "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("Command" + std::to_string(c.command) + " on \"" + c.text + "\"");
    PanelRig r;
    Enter(r, From::RealTime);
    r.SetFields(kYearEnd);
    r.session.fields.WriteField(c.field, c.text);
    const Six before = r.Fields();
    r.panel.PressButton(c.command);
    // The evaluation saw the fields untouched (its own lunation search may tidy them later).
    ASSERT_EQ(r.evaluator.count, 1);
    EXPECT_EQ(r.evaluator.fieldsAtCall[0], before);
    ExpectAnimating(r, 500);  // it still left real time, as every step button does
  }
}

TEST(ControlPanelOddTexts, StepAmountButtonsOnATextThatIsNotANumberDoNothing) {
  for (const char* text : {"", "x", "1x", "+"}) {
    for (int command : {13, 14}) {
      SCOPED_TRACE(std::string("\"") + text + "\" Command" + std::to_string(command));
      PanelRig r;
      Enter(r, From::Stopped);
      r.SetFields(kYearEnd, text);
      r.panel.PressButton(command);
      EXPECT_EQ(r.StepAmount(), text);
      EXPECT_EQ(r.evaluator.count, 0);
    }
  }
}

TEST(ControlPanelOddTexts, AnimationTickSkipsTheChangeButEvaluates) {
  struct Case {
    const char* why;
    int unit;
    const char* amount;
    int field;
    const char* fieldText;
  };
  const Case cases[] = {
      {"empty step amount", 6, "", 0, nullptr},
      {"step amount with letters", 3, "2x", 0, nullptr},
      {"step amount above the range", 6, "32768", 0, nullptr},
      {"step amount rounding above the range", 6, "32767.5", 0, nullptr},
      {"step amount below the range", 5, "-32769", 0, nullptr},
      {"huge step amount", 1, "1e300", 0, nullptr},
      {"emptied year", 1, "1", 1, ""},
      {"day with letters", 3, "1", 3, "12a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    PanelRig r;
    Enter(r, From::Stopped);
    r.SetFields(kYearEnd, c.amount);
    if (c.field) r.session.fields.WriteField(c.field, c.fieldText);
    r.panel.SelectOption(c.unit);
    r.panel.GoStop();
    const Six before = r.Fields();
    r.panel.TimerTick();
    ASSERT_EQ(r.evaluator.count, 1);
    EXPECT_EQ(r.evaluator.fieldsAtCall[0], before);
    ExpectAnimating(r, 500);
  }
}

// --- The Enter key and the close request -------------------------------------------------------

TEST(ControlPanelKeys, EnterEvaluatesOnceAndNamesTheNextFieldOfTheCycle) {
  PanelRig r;
  Enter(r, From::RealTime);
  for (int field = 1; field <= 7; ++field) {
    SCOPED_TRACE(field);
    const Six before = r.Fields();
    const int count = r.evaluator.count;
    EXPECT_EQ(r.panel.EnterKey(field), field == 7 ? 1 : field + 1);
    EXPECT_EQ(r.evaluator.count, count + 1);
    EXPECT_EQ(r.Fields(), before);
  }
  ExpectRealTime(r);  // Enter does not leave real time
}

TEST(ControlPanelClose, TopmostMoonWindowStaysOnTopAndAHiddenOneStaysHidden) {
  struct Case {
    bool top;
    bool moonHidden;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {false, false, {"window.Hide", "check About off"}},
      {false, true, {"window.Hide", "moon.Hide", "check About off"}},
      {true,
       false,
       {"window.SetTopmost(off)", "moon.SetTopmost(on)", "window.Hide", "check About off"}},
      {true,
       true,
       {"window.SetTopmost(off)", "moon.SetTopmost(on)", "window.Hide", "moon.Hide",
        "check About off"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.top ? "topmost" : "not topmost") +
                 (c.moonHidden ? ", moon hidden" : ", moon shown"));
    PanelRig r;
    Enter(r, From::RealTime);
    r.checks.SetChecked(MenuItem::Top, c.top);
    if (c.moonHidden) r.moon.Hide();
    r.log.Clear();
    EXPECT_FALSE(r.panel.CloseRequest());
    EXPECT_EQ(r.log.calls, c.calls);
    EXPECT_EQ(r.moon.hidden, c.moonHidden);
    EXPECT_FALSE(r.window.shown);
    // The timer keeps running: the moon window goes on following the clock.
    ExpectRealTime(r);
    r.clock.reading = {2030, 1, 2, 3, 4, 5};
    r.panel.TimerTick();
    EXPECT_EQ(r.session.nullCanvas.caption, "Moon  2030/1/2 3:4:5");
  }
}

TEST(ControlPanelPorts, WorksWithoutWindowsAndHandsTheIntervalOver) {
  HeadlessSession session;
  MenuChecks checks;
  FakeClock clock;
  EngineEvaluator evaluator(session.engine);
  ControlPanel panel(session.state, session.fields, checks, evaluator, clock);
  panel.StartUp();
  EXPECT_EQ(panel.TimerInterval(), 100);
  EXPECT_EQ(panel.CurrentMode(), Mode::RealTime);
  EXPECT_FALSE(panel.CloseRequest());

  CallLog log(session.state);
  RecordingTimer timer(log);
  RecordingControlWindow window(log);
  panel.AttachTimer(&timer);
  panel.AttachWindow(&window);
  EXPECT_EQ(timer.interval, 100);
  EXPECT_EQ(window.caption, "Selvane - Now -");
  EXPECT_EQ(window.option, 6);
  panel.GoStop();
  panel.AttachTimer(nullptr);
  EXPECT_EQ(panel.TimerInterval(), 0);
  EXPECT_EQ(panel.CurrentMode(), Mode::Stopped);
}

}  // namespace
}  // namespace selvane::control_test

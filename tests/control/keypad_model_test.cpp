// The keypad dialog without a window: the display and its buttons, the upper limits, the
// beeps, "OK" writing through the field rules, creation and placement, retargeting.
#include "control/keypad_model.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "control/control_layout.h"
#include "control_fakes.h"

namespace selvane::control_test {
namespace {

const Six kDate{"2024", "3", "15", "14", "37", "12"};

// Start-up, then stopped, fields at kDate, the keypad open for the field.
struct KeypadRig : PanelRig {
  explicit KeypadRig(int field = 1) {
    panel.StartUp();
    panel.GoStop();
    SetFields(kDate);
    Settle();
    keypad.Open(field, 1500, 1200);
    Reset();
  }
  void Press(const char* keys) {
    for (const char* k = keys; *k; ++k) keypad.Digit(*k - '0');
  }
};

TEST(KeypadDisplay, DigitsReplaceALoneZero) {
  KeypadRig r;
  EXPECT_EQ(r.keypad.Display(), "0");
  EXPECT_EQ(r.keypadWindow.display, "0");
  r.keypad.Digit(5);
  EXPECT_EQ(r.keypad.Display(), "5");
  r.keypad.Digit(0);
  EXPECT_EQ(r.keypad.Display(), "50");
  EXPECT_EQ(r.keypadWindow.display, "50");
  r.Press("123456789012345678901234567890");  // no limit on the number of digits
  EXPECT_EQ(r.keypad.Display().size(), 32u);
}

TEST(KeypadDisplay, AllClearThenDigits) {
  KeypadRig r;
  r.Press("42");
  r.keypad.AllClear();
  EXPECT_EQ(r.keypad.Display(), "");
  EXPECT_EQ(r.keypadWindow.display, "");
  r.keypad.Digit(0);
  EXPECT_EQ(r.keypad.Display(), "0");
  r.keypad.Digit(0);
  EXPECT_EQ(r.keypad.Display(), "0");  // leading zeros never build up
  r.keypad.Digit(7);
  EXPECT_EQ(r.keypad.Display(), "7");
}

TEST(KeypadDisplay, BackSpaceRemovesOneCharacterAndBeepsWhenEmpty) {
  KeypadRig r;
  r.Press("123");
  const std::vector<std::string> after = {"12", "1", "", "", ""};
  for (std::size_t i = 0; i < after.size(); ++i) {
    r.keypad.BackSpace();
    EXPECT_EQ(r.keypad.Display(), after[i]);
    EXPECT_EQ(r.keypadWindow.display, after[i]);
  }
  EXPECT_EQ(r.beeper.beeps, 2);
  // A character typed into the display goes as a whole, however many bytes it takes.
  r.keypad.DisplayEdited("1２");
  r.keypad.BackSpace();
  EXPECT_EQ(r.keypad.Display(), "1");
  EXPECT_EQ(r.beeper.beeps, 2);
}

struct LimitCase {
  int field;
  const char* caption;
  const char* highest;
  const char* refused;
};

TEST(KeypadOk, UpperLimitsOfEveryField) {
  const LimitCase cases[] = {
      {1, "年を入力", "9999", "10000"}, {2, "月を入力", "12", "13"}, {3, "日を入力", "31", "32"},
      {4, "時を入力", "23", "24"},      {5, "分を入力", "59", "60"}, {6, "秒を入力", "59", "60"},
      {7, "変化分", "9999", "10000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    {
      KeypadRig r(c.field);
      EXPECT_EQ(r.keypadWindow.caption, c.caption);
      EXPECT_EQ(r.session.state.KeypadTarget, c.field);
      r.Press(c.refused);
      r.keypad.Ok();
      // Refused: one beep, the dialog stays open with the digits, nothing written or evaluated.
      EXPECT_EQ(r.beeper.beeps, 1);
      EXPECT_TRUE(r.keypadWindow.shown);
      EXPECT_EQ(r.keypad.Display(), c.refused);
      EXPECT_EQ(r.Fields(), kDate);
      EXPECT_EQ(r.evaluator.count, 0);
      EXPECT_EQ(r.log.calls, std::vector<std::string>{"Beep"});
    }
    {
      KeypadRig r(c.field);
      r.Press(c.highest);
      r.keypad.Ok();
      EXPECT_EQ(r.session.fields.Text(c.field), c.highest);
      EXPECT_EQ(r.beeper.beeps, 1);
      EXPECT_FALSE(r.keypadWindow.shown);
      EXPECT_EQ(r.keypad.Display(), "0");
    }
  }
}

TEST(KeypadOk, AcceptedEntryWritesLeavesRealTimeEvaluatesBeepsAndHides) {
  KeypadRig r(3);
  r.panel.Now();
  r.log.Clear();
  r.Press("20");
  r.keypad.Ok();
  EXPECT_EQ(r.session.fields.Text(3), "20");
  const std::vector<std::string> expected = {"WriteField(3, \"20\")",
                                             "window.SetCaption(\"Selvane\")",
                                             "check Real off",
                                             "timer.SetInterval(500)",
                                             "UpdateMoonPhase",
                                             "Beep",
                                             "keypad.Hide"};
  EXPECT_EQ(r.log.calls, expected);
  EXPECT_EQ(r.evaluator.fieldsAtCall[0][2], "20");
  EXPECT_EQ(r.keypadWindow.display, "0");
  EXPECT_EQ(r.session.state.RealTimeMode, 0);
  // Hidden, not destroyed: the next opening creates nothing.
  r.keypad.Open(3, 1500, 1200);
  EXPECT_EQ(r.keypadWindow.creations, 1);
  EXPECT_EQ(r.keypad.Display(), "0");
}

TEST(KeypadOk, TheFieldRulesApplyToWhatIsWritten) {
  struct Case {
    int field;
    const char* keys;  // nullptr: AC, the empty display
    Six after;
  };
  const Case cases[] = {
      {4, nullptr, {"2024", "3", "15", "0", "37", "12"}},  // empty: value 0, then "0"
      {6, nullptr, {"2024", "3", "15", "14", "37", "0"}},
      {2, "0", {"2023", "12", "15", "14", "37", "12"}},  // month 0: December before
      {3, "0", {"2024", "2", "29", "14", "37", "12"}},   // day 0: the last day before
      {3, "31", {"2024", "3", "31", "14", "37", "12"}},
      {1, "2023", {"2023", "3", "15", "14", "37", "12"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.field) + (c.keys ? c.keys : " AC"));
    KeypadRig r(c.field);
    r.keypad.AllClear();
    if (c.keys) r.Press(c.keys);
    r.keypad.Ok();
    EXPECT_EQ(r.Fields(), c.after);
    EXPECT_EQ(r.evaluator.count, 1);
  }
  {
    SCOPED_TRACE("step amount 0 is accepted");
    KeypadRig r(7);
    r.keypad.Ok();
    EXPECT_EQ(r.StepAmount(), "0");
    EXPECT_EQ(r.beeper.beeps, 1);
  }
  {
    SCOPED_TRACE("the empty step amount is written as it is");
    KeypadRig r(7);
    r.keypad.AllClear();
    r.keypad.Ok();
    EXPECT_EQ(r.StepAmount(), "");
  }
}

TEST(KeypadOk, TypedInTextsAreReadLeniently) {
  {
    KeypadRig r(5);
    r.keypad.DisplayEdited("7x");  // reads as 7: accepted, written as typed
    r.keypad.Ok();
    EXPECT_EQ(r.session.fields.Text(5), "7x");
  }
  {
    KeypadRig r(4);
    r.keypad.DisplayEdited("23.5");  // above 23
    r.keypad.Ok();
    EXPECT_EQ(r.beeper.beeps, 1);
    EXPECT_TRUE(r.keypadWindow.shown);
  }
  // A month or a day in the gap below 1 never settles: refused like a
  // value above the limit, with the refusal's one beep (wired as the program wires it), in
  // real time as well.
  for (auto [field, text] : {std::pair{2, "0.5"}, std::pair{3, "0.5"}}) {
    SCOPED_TRACE(field);
    KeypadRig r(field);
    r.session.fields.SetRefusedHook([&] { r.beeper.Beep(); });
    r.panel.Now();
    r.Reset();
    r.keypad.DisplayEdited(text);
    r.keypad.Ok();
    EXPECT_EQ(r.beeper.beeps, 1);
    EXPECT_TRUE(r.keypadWindow.shown);
    EXPECT_EQ(r.keypad.Display(), text);
    EXPECT_EQ(r.session.state.RealTimeMode, 1);
    EXPECT_EQ(r.evaluator.count, 0);
    const std::vector<std::string> calls = {
        "WriteField(" + std::to_string(field) + ", \"" + text + "\")", "Beep"};
    EXPECT_EQ(r.log.calls, calls);
  }
}

TEST(KeypadPlacement, CreationFixesTheLeftEdgeAndEveryOpeningSetsTheTop) {
  PanelRig r;
  r.panel.StartUp();
  // Left: control window + Frame1 (60) + Text1's left (720) and width (672) + 2 x 40.
  // Top: control window + Frame1 (60) + the field's top in the frame - 1.5 x 40.
  const double fieldTops[7] = {180, 600, 1020, 1440, 1860, 2280, 2700};
  for (int field = 1; field <= 7; ++field) {
    SCOPED_TRACE(field);
    r.keypad.Open(field, 3000, 2000);
    EXPECT_EQ(r.keypadWindow.left, 3000 + 1532);
    EXPECT_EQ(r.keypadWindow.top, 2000 + fieldTops[field - 1]);
    EXPECT_EQ(r.keypad.Top(), 2000 + fieldTops[field - 1]);
    EXPECT_EQ(layout::KeypadTop(2000, field), 2000 + fieldTops[field - 1]);
  }
  EXPECT_EQ(r.keypadWindow.creations, 1);
  EXPECT_EQ(layout::KeypadLeft(-450), -450 + 1532);
}

TEST(KeypadPlacement, OpeningOrderCreationFirst) {
  PanelRig r;
  r.panel.StartUp();
  r.log.Clear();
  r.keypad.Open(2, 100, 100);
  const std::vector<std::string> first = {"keypad.Create", "keypad.SetLeft", "keypad.SetTop",
                                          "keypad.SetCaption", "keypad.Show"};
  EXPECT_EQ(r.log.calls, first);
  r.log.Clear();
  r.keypad.Open(2, 100, 100);
  const std::vector<std::string> again = {"keypad.SetTop", "keypad.SetCaption", "keypad.Show"};
  EXPECT_EQ(r.log.calls, again);
  // Numbers outside 1..7 open nothing.
  r.log.Clear();
  r.keypad.Open(0, 100, 100);
  r.keypad.Open(8, 100, 100);
  EXPECT_TRUE(r.log.calls.empty());
  EXPECT_EQ(r.session.state.KeypadTarget, 2);
}

TEST(KeypadPlacement, MovingTheControlWindowMovesOnlyTheTopUntilTheDialogIsClosed) {
  KeypadRig r(1);  // opened with the control window at (1500, 1200)
  EXPECT_EQ(r.keypadWindow.left, 1500 + 1532);
  r.keypad.Open(1, 4000, 3000);
  EXPECT_EQ(r.keypadWindow.left, 1500 + 1532);
  EXPECT_EQ(r.keypadWindow.top, 3000 + 180);
  // The close box destroys it; the next opening creates it anew from the window's new place.
  r.Press("77");
  r.keypad.Destroyed();
  EXPECT_FALSE(r.keypad.Exists());
  r.keypad.Open(1, 4000, 3000);
  EXPECT_EQ(r.keypadWindow.creations, 2);
  EXPECT_EQ(r.keypadWindow.left, 4000 + 1532);
  EXPECT_EQ(r.keypad.Display(), "0");
}

TEST(KeypadPlacement, RetargetingWhileOpenKeepsTheDisplay) {
  KeypadRig r(1);
  r.Press("25");
  r.keypad.Open(6, 1500, 1200);
  EXPECT_EQ(r.keypadWindow.caption, "秒を入力");
  EXPECT_EQ(r.session.state.KeypadTarget, 6);
  EXPECT_EQ(r.keypadWindow.top, 1200 + 2280);
  EXPECT_EQ(r.keypadWindow.left, 1500 + 1532);
  EXPECT_EQ(r.keypad.Display(), "25");
  EXPECT_TRUE(r.keypadWindow.shown);
  // "OK" now goes to the new target: the seconds, not the year.
  r.keypad.Ok();
  EXPECT_EQ(r.Fields(), (Six{"2024", "3", "15", "14", "37", "25"}));
}

TEST(KeypadPlacement, ADoubleClickOpensTwiceWithTheSameResult) {
  KeypadRig one(4), two(4);
  two.keypad.Open(4, 1500, 1200);
  EXPECT_EQ(one.keypadWindow.top, two.keypadWindow.top);
  EXPECT_EQ(one.keypadWindow.left, two.keypadWindow.left);
  EXPECT_EQ(one.keypadWindow.caption, two.keypadWindow.caption);
  EXPECT_EQ(one.keypad.Display(), two.keypad.Display());
  EXPECT_EQ(two.keypadWindow.creations, 1);
}

TEST(KeypadOk, WithoutAnOpeningDoesNothing) {
  PanelRig r;
  r.Reset();
  r.keypad.Ok();
  EXPECT_TRUE(r.log.calls.empty());
  EXPECT_EQ(r.evaluator.count, 0);
}

}  // namespace
}  // namespace selvane::control_test

// What a screen reader is told after an action of the control window changed something that
// the focus is not on: the field a step moved, the state the timer went into. Plain Japanese
// text, the numbers as the fields show them. No Qt here.
#pragma once

#include <string>

#include "astro/ephemeris.h"
#include "control/control_panel.h"

namespace selvane {

// What each row of the control window is called: its unit, and the step amount.
inline constexpr const char* kRowNames[7] = {"年", "月", "日", "時", "分", "秒", "変化分"};

// The timer's state in words: following the clock, stopped or animating.
const char* ModeText(ControlPanel::Mode mode);

// The result of Command1 .. Command17 (or of Up and Down in a field, which press the field's
// "▲" and "▼"), from the fields as they stand after it and the timer's state before and after:
// a step gives the field's new value ("2027年", "変化分 2"), "ADJ" the two fields it cleared,
// "Now" and "Go / Stop" the state they left the timer in; a step or "ADJ" that ended real-time
// following says so too. Empty for other numbers.
std::string ButtonResult(int command, const FieldStore& fields, ControlPanel::Mode before,
                         ControlPanel::Mode after);

}  // namespace selvane

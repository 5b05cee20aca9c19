// The design of the control window (Form1) and of the keypad dialog (Form4) in twips, and the
// placement of the keypad beside the field it edits. Plain numbers: the windows convert them
// to pixels, the keypad model does its arithmetic with them.
#pragma once

namespace selvane::layout {

struct TwipsRect {
  double left, top, width, height;
};

// Gap used around the moon picture; the keypad is placed with it too.
inline constexpr double kPictureMargin = 40;

// Form1: client area and controls. Controls inside Frame1 are relative to the frame.
inline constexpr double kControlClientWidth = 2412;
inline constexpr double kControlClientHeight = 3792;
inline constexpr TwipsRect kFrame1{60, 60, 2292, 3132};
// Option1..Option6 ("年" .. "秒").
inline constexpr TwipsRect kOption[6] = {{120, 180, 672, 312},  {120, 600, 672, 312},
                                         {120, 1020, 612, 312}, {120, 1440, 612, 312},
                                         {120, 1860, 612, 312}, {120, 2340, 612, 252}};
// Text1..Text7 (year .. second, step amount).
inline constexpr TwipsRect kText[7] = {
    {720, 180, 672, 312},  {720, 600, 672, 312},  {720, 1020, 672, 312}, {720, 1440, 672, 312},
    {720, 1860, 672, 312}, {720, 2280, 672, 312}, {900, 2700, 492, 312}};
// The "▲" (left 1500) and "▼" (left 1860) of each row; the row's top is that of its field.
inline constexpr double kUpLeft = 1500;
inline constexpr double kDownLeft = 1860;
inline constexpr double kArrowSize = 312;
inline constexpr TwipsRect kLabel1{360, 2760, 552, 252};
// Check1 belongs to the window, not to the frame.
inline constexpr TwipsRect kCheck1{180, 2760, 192, 312};
inline constexpr TwipsRect kCommand15{60, 3300, 672, 432};    // "ADJ"
inline constexpr TwipsRect kCommand16{840, 3300, 672, 432};   // "Now"
inline constexpr TwipsRect kCommand17{1620, 3300, 732, 432};  // "Go / Stop"

// Form4: client area and controls.
inline constexpr double kKeypadClientWidth = 1752;
inline constexpr double kKeypadClientHeight = 2112;
inline constexpr TwipsRect kKeypadDisplay{60, 60, 1632, 312};
// Command1 index 0..9: the digit buttons.
inline constexpr TwipsRect kKeypadDigit[10] = {
    {60, 1680, 792, 372}, {60, 1260, 372, 372}, {480, 1260, 372, 372}, {900, 1260, 372, 372},
    {60, 840, 372, 372},  {480, 840, 372, 372}, {900, 840, 372, 372},  {60, 420, 372, 372},
    {480, 420, 372, 372}, {900, 420, 372, 372}};
inline constexpr TwipsRect kKeypadOk{900, 1680, 792, 372};   // Command2
inline constexpr TwipsRect kKeypadAc{1320, 420, 372, 552};   // Command3
inline constexpr TwipsRect kKeypadBs{1320, 1080, 372, 552};  // Command4

// The keypad's left edge: right of the year field (all seven fields end there) plus two
// margins, from the control window's left edge at the moment the dialog is created.
constexpr double KeypadLeft(double controlWindowLeft) {
  return controlWindowLeft + kFrame1.left + kText[0].left + kText[0].width + 2 * kPictureMargin;
}

// The keypad's top edge for field 1..7: level with that field, from the control window's top.
constexpr double KeypadTop(double controlWindowTop, int field) {
  return controlWindowTop + kFrame1.top + kText[field - 1].top - 1.5 * kPictureMargin;
}

}  // namespace selvane::layout

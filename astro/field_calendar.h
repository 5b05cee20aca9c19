// The calendar of the date fields: month lengths and the leap-year rule their change rules
// use. Kept beside the engine so that the lunation search can step a private copy of the date
// by the same rules as the fields.
#pragma once

namespace selvane {

// Days of a month (whole numbers 1 to 12 only, else 0); leap adds one to February.
int DaysInMonth(double month, bool leap);
// The year rounded to whole, halves to even, divisible by 4 (no century exception).
bool IsLeapYear(double year);

}  // namespace selvane

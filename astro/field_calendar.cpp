#include "astro/field_calendar.h"

#include <cmath>

#include "astro/field_text.h"

namespace selvane {

bool IsLeapYear(double year) {
  // fmod keeps the test exact for any magnitude and false for infinities.
  return std::fmod(RoundHalfEven(year), 4.0) == 0;
}

int DaysInMonth(double month, bool leap) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) {
    if (month == m) return kDays[m - 1] + (m == 2 && leap ? 1 : 0);
  }
  return 0;
}

}  // namespace selvane

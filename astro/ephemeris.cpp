#include "astro/ephemeris.h"

#include <climits>
#include <cmath>

#include "astro/field_calendar.h"
#include "astro/field_text.h"
#include "astro/series_tables.h"

namespace selvane {
namespace {

// pi / 180 written to 15 significant digits; the series were fitted with this factor, so the
// full-precision value would move every result in the last digits.
constexpr double kDegToRad = 0.017453292519943;

// The fixed Japan Standard Time offset, hours ahead of UT.
constexpr double kJstOffsetHours = 9;

// Reduces an angle to [0, 360), keeping the scratch value where the record expects it.
double Wrap360(double degrees, double& scratch) {
  scratch = degrees / 360;
  scratch = (scratch - std::trunc(scratch)) + 1;
  return (scratch - std::trunc(scratch)) * 360;
}

int SaturatingInt(double value) {
  if (!(value > INT_MIN)) return INT_MIN;
  if (!(value < INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}

// The smallest double that shows as 0.00000000001 with 11 decimals: the literal 5e-12 lies
// just below the decimal half-way point and still rounds to zero.
constexpr double kLitShowsAsNonZeroFrom = 0x1.5fd7fe1796496p-38;  // 5.0000000000000005e-12

}  // namespace

// True when the lit fraction shows as zero with 11 decimals (formatted, rounded, and read
// back as a number): the search's stopping test. A text that is no number reads as zero, so
// NaN and infinities count as zero too.
bool LitShowsAsZero(double litFraction) {
  if (std::isinf(litFraction)) return true;
  return !(std::fabs(litFraction) >= kLitShowsAsNonZeroFrom);
}

double CosDeg(double degrees) {
  return std::cos(degrees * kDegToRad);
}

void FormatAge(double days, std::string& out) {
  // A leading blank where a positive number's sign would stand, then 16 decimals.
  char buf[64];
  buf[0] = ' ';
  const std::size_t len = FormatFixed(days, 16, buf + 1, sizeof buf - 1);
  out.assign(buf, len + 1);
}

Ephemeris::Ephemeris(EphemerisState& state, FieldStore& fields, PhaseDisplay& display)
    : s_(state), fields_(fields), display_(display) {
  ageScratch_.reserve(64);
  writeScratch_.reserve(64);
}

double Ephemeris::Value(int field) const {
  return FieldNumber(fields_.Text(field));
}

void Ephemeris::ReadInputTime() {
  TakeInputTime({Value(1), Value(2), Value(3), Value(4), Value(5), Value(6)});
}

void Ephemeris::TakeInputTime(const std::array<double, 6>& values) {
  s_.InYear = values[0];
  s_.InMonth = values[1];
  s_.InDay = values[2];
  s_.InHour = values[3];
  s_.InMinute = values[4];
  s_.InSecond = values[5];
  // Delta-T grows by one second a year from 1934; earlier years keep the last value read.
  const double year = values[0];
  if (year > 1934) s_.DeltaT = SaturatingInt(RoundHalfEven(year - 1934));
  if (s_.InYear > 1582 && s_.InMonth > 0 && s_.InDay > 0) ComputeJulianDay();
}

void Ephemeris::ComputeJulianDay() {
  if (s_.InMonth <= 2) {
    s_.InYear = s_.InYear - 1;
    s_.InMonth = s_.InMonth + 12;
  }
  double a = std::floor(s_.InYear / 100);
  double b = 2 - a + std::floor(a / 4);
  s_.YearDays = std::floor(365.25 * s_.InYear);
  s_.JulianDay = 1720994.5 + std::floor(30.6001 * (s_.InMonth + 1)) + b + s_.YearDays + s_.InDay;
  s_.DayFraction =
      (s_.InHour + (s_.InMinute + (s_.InSecond + s_.DeltaT) / 60) / 60 - kJstOffsetHours) / 24;
  s_.InstantJD = s_.JulianDay + s_.DayFraction;
}

void Ephemeris::ComputeJulianCenturies() {
  s_.DateCenturies = (s_.JulianDay - 2451545.0) / 36525;
  s_.DayFraction =
      (s_.InHour + (s_.InMinute + (s_.InSecond + s_.DeltaT) / 60) / 60 - kJstOffsetHours) / 24 /
      36525;
  s_.JulianCenturies = s_.DateCenturies + s_.DayFraction;
}

void Ephemeris::ComputeSunPosition() {
  const double t = s_.JulianCenturies;
  double lon = 280.4659 + 36000.7695 * t;
  lon = lon + 1.9147 * CosDeg(35999.05 * t + 267.52);
  lon = lon - (0.0048 * t) * CosDeg(35999.05 * t + 267.52);
  for (const series::Term& term : series::kSunTerms) {
    lon = lon + term.amplitude * CosDeg(term.rate * t + term.phase);
  }
  s_.SunLongitude = Wrap360(lon, s_.WrapScratch);
}

void Ephemeris::ComputeMoonPosition() {
  const double t = s_.JulianCenturies;
  double lon = s_.MoonLongitude;
  for (const series::Term& term : series::kMoonTerms) {
    lon = lon + term.amplitude * CosDeg(term.rate * t + term.phase);
  }
  s_.MoonLongitude = Wrap360(lon, s_.WrapScratch);
}

void Ephemeris::EvaluateElongationAt() {
  ++evaluations_;
  ReadInputTime();
  FinishEvaluation();
}

void Ephemeris::EvaluateTrial() {
  if (!privateDate_) {
    EvaluateElongationAt();
    return;
  }
  ++evaluations_;
  TakeInputTime(date_);
  FinishEvaluation();
}

void Ephemeris::FinishEvaluation() {
  ComputeJulianCenturies();
  ComputeSunPosition();
  s_.MoonLongitude = 218.316 + 481267.8809 * s_.JulianCenturies;
  ComputeMoonPosition();
  double d = s_.MoonLongitude - s_.SunLongitude;
  if (d > 0) {
    s_.Elongation = d;
  } else {
    s_.Elongation = (s_.MoonLongitude + 360) - s_.SunLongitude;
  }
  s_.LitFraction = (1 - CosDeg(s_.Elongation)) / 2;
}

void Ephemeris::UpdateMoonPhase() {
  EvaluateElongationAt();
  display_.DrawMoonShadow();
  FormatAge(s_.InstantJD - s_.LunationStartJD, ageScratch_);
  display_.SetAgeText(ageScratch_);

  // A stale lunation start shows as an age past the next conjunction (more than 29 days with
  // a small elongation, or more than any lunation lasts) or as a negative age.
  double age = FieldNumber(display_.AgeText());
  if ((s_.Elongation < 350 && age > 29) || age > 30) FindLunationStart();
  age = FieldNumber(display_.AgeText());
  if (age < 0) FindLunationStart();
}

bool Ephemeris::TakePrivateDate() {
  // In real-time mode a seconds field that becomes 1 plays the phase-cycle animation: that
  // search steps the fields themselves.
  if (s_.RealTimeMode != 0) return false;
  for (int i = 0; i < 6; ++i) {
    const std::string& text = fields_.Text(i + 1);
    const double value = FieldNumber(text);
    if (value != std::trunc(value)) return false;
    // Only texts in the rules' own form, which read back to exactly these values.
    FormatFieldNumber(value, writeScratch_);
    if (writeScratch_ != text) return false;
    date_[i] = value;
  }
  // A valid date well inside the calendar the evaluation converts: the rules then do nothing
  // but carry and borrow one unit at a time.
  const auto& d = date_;
  return d[0] >= 1584 && d[0] <= 99999 && d[1] >= 1 && d[1] <= 12 && d[2] >= 1 &&
         d[2] <= DaysInMonth(d[1], IsLeapYear(d[0])) && d[3] >= 0 && d[3] <= 23 && d[4] >= 0 &&
         d[4] <= 59 && d[5] >= 0 && d[5] <= 59;
}

// The fields' change rules for a step of one unit on a valid date, as they work out: second,
// minute and hour carry into or borrow from the next unit; a day past the month's end carries
// into the month (and a 13th month into the year), a day 0 borrows the previous month's
// length, with the leap flag of the year before the step as the day rule keeps it. The year
// rule (29 February of a common year) cannot fire: a carry into the year leaves January, a
// borrow from it December.
void Ephemeris::StepPrivateDate(int field, double delta) {
  static constexpr double kUnits[6] = {0, 12, 0, 24, 60, 60};
  auto& d = date_;
  int i = field - 1;
  d[i] += delta;
  for (; i >= 3; --i) {
    if (d[i] >= kUnits[i]) {
      d[i] -= kUnits[i];
      d[i - 1] += 1;
    } else if (d[i] < 0) {
      d[i] += kUnits[i];
      d[i - 1] -= 1;
    } else {
      return;
    }
  }
  const bool leap = IsLeapYear(d[0]);
  const int days = DaysInMonth(d[1], leap);
  if (d[2] > days) {
    d[1] += 1;
    if (d[1] > 12) {
      d[1] -= 12;
      d[0] += 1;
    }
    d[2] -= days;
  } else if (d[2] < 1) {
    d[1] -= 1;
    if (d[1] < 1) {
      d[1] += 12;
      d[0] -= 1;
    }
    d[2] += DaysInMonth(d[1], leap);
  }
}

bool Ephemeris::Step(int field, double delta) {
  if (privateDate_) {
    StepPrivateDate(field, delta);
    return true;
  }
  FormatFieldNumber(Value(field) + delta, writeScratch_);
  return fields_.WriteField(field, writeScratch_);
}

// Walks one unit (hour or minute) until the conjunction lies less than one unit behind.
bool Ephemeris::WalkCoarse(int field, int& direction, int maxSteps) {
  double previous = s_.Elongation;
  if (!Step(field, direction)) return false;
  EvaluateTrial();
  if (s_.Elongation > previous) direction = -direction;
  for (int steps = 1;; ++steps) {
    previous = s_.Elongation;
    if (!Step(field, direction)) return false;
    EvaluateTrial();
    if (previous < s_.Elongation) break;
    if (steps >= maxSteps) return false;
  }
  if (!Step(field, -direction)) return false;
  EvaluateTrial();
  return true;
}

bool Ephemeris::WalkSeconds(int& direction) {
  double previousLit = s_.LitFraction;
  if (!Step(6, direction)) return false;
  EvaluateTrial();
  if (s_.LitFraction > previousLit) direction = -direction;
  if (!Step(6, -direction)) return false;
  EvaluateTrial();
  for (int steps = 1;; ++steps) {
    if (!Step(6, direction)) return false;
    EvaluateTrial();
    if (LitShowsAsZero(s_.LitFraction)) return true;
    if (steps >= kMaxSecondSteps) return false;
  }
}

void Ephemeris::RestoreFields() {
  for (int i = 0; i < 6; ++i) {
    FormatFieldNumber(saved_[i], writeScratch_);
    fields_.WriteField(i + 1, writeScratch_);
  }
}

void Ephemeris::FindLunationStart() {
  // The inner evaluation at the end of a search sees a fresh start and never searches again;
  // the guard keeps odd field contents from nesting searches all the same.
  if (searching_) return;
  searching_ = true;
  display_.SetBusyPointer(true);

  if (s_.LitFraction == 0) {
    // Exactly at a conjunction: this instant starts the lunation.
    display_.Beep();
    s_.LunationStartJD = s_.InstantJD;
    lunationDeltaT_ = s_.DeltaT;
    UpdateMoonPhase();
    display_.SetBusyPointer(false);
    searching_ = false;
    return;
  }

  // The date as entered (not the January/February shift of the conversion), so that the
  // restore writes back exactly the date that was shown.
  for (int i = 0; i < 6; ++i) saved_[i] = RoundHalfEven(Value(i + 1));
  // A plain date is searched on a private copy: the trial dates never reach the fields (or
  // whatever mirrors them), and neither formatting nor the text rules run for each step. The
  // fields' rules give the same trial dates, so the second found and the fields afterwards
  // are the same.
  privateDate_ = TakePrivateDate();

  int direction = -1;
  bool found = false;
  do {
    // Back a day at a time until the elongation jumps up: that step crossed the conjunction.
    bool crossed = false;
    for (int steps = 1; steps <= kMaxDaySteps; ++steps) {
      double previous = s_.Elongation;
      if (!Step(3, direction)) break;
      EvaluateTrial();
      if (previous < s_.Elongation) {
        crossed = true;
        break;
      }
    }
    if (!crossed) break;
    if (!Step(3, 1)) break;
    EvaluateTrial();
    if (!WalkCoarse(4, direction, kMaxHourSteps)) break;
    if (!WalkCoarse(5, direction, kMaxMinuteSteps)) break;
    if (!WalkSeconds(direction)) break;
    found = true;
  } while (false);
  privateDate_ = false;

  if (found) {
    s_.LunationStartJD = s_.InstantJD;
    lunationDeltaT_ = s_.DeltaT;
    RestoreFields();
    UpdateMoonPhase();
  } else {
    // The fields stopped converting or would not move: give the date back, keep the old
    // lunation start, and let the beep say that the age could not be found.
    RestoreFields();
    EvaluateElongationAt();
    display_.Beep();
  }
  display_.SetBusyPointer(false);
  searching_ = false;
}

}  // namespace selvane

#include "astro/phase_events.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace selvane {
namespace {

// The mean motion of the elongation, degrees a second: one mean synodic month for 360.
constexpr double kMeanRate = 360.0 / (29.530588853 * 86400.0);

// After this many interpolations a bracket is halved instead, so every search ends; no search
// takes more rounds than the last bound (the motion never stalls), which only guards the loop.
constexpr int kInterpolations = 12;
constexpr int kMaxRounds = 200;

// A one-sided step never exceeds a mean synodic month: the crossing nearest to the guess lies
// within about ten days, and a longer step only passes further crossings.
constexpr double kMaxStepSeconds = 29.530588853 * 86400.0;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1970-01-01 of a proleptic Gregorian date (years counted from March).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Elongation on [0, 360): equal longitudes (360 in the record) count as 0, reached.
double Around(double elongation) {
  return elongation >= 360 ? elongation - 360 : elongation;
}

}  // namespace

std::int64_t JstSecondsFromCivil(const CivilTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime CivilFromJstSeconds(std::int64_t seconds) {
  const std::int64_t days = FloorDiv(seconds, 86400);
  // Not seconds - days * 86400, which overflows for the earliest seconds.
  const std::int64_t sod = seconds % 86400 + (seconds % 86400 < 0 ? 86400 : 0);
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(sod / 3600);
  t.minute = static_cast<int>(sod / 60 % 60);
  t.second = static_cast<int>(sod % 60);
  return t;
}

const char* PhaseName(MoonPhase phase) {
  switch (phase) {
    case MoonPhase::New:
      return "new";
    case MoonPhase::FirstQuarter:
      return "first-quarter";
    case MoonPhase::Full:
      return "full";
    case MoonPhase::LastQuarter:
      return "last-quarter";
  }
  return "";
}

PhaseFinder::Fields::Fields() {
  for (std::string& t : texts_) t.reserve(16);
  texts_[6] = "1";
}

const std::string& PhaseFinder::Fields::Text(int field) const {
  return texts_[field >= 1 && field <= 7 ? field - 1 : 6];
}

bool PhaseFinder::Fields::WriteField(int field, std::string_view text) {
  if (field < 1 || field > 7) return false;
  texts_[field - 1].assign(text);
  return true;
}

void PhaseFinder::Fields::Set(const CivilTime& t) {
  const int values[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  for (int i = 0; i < 6; ++i) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, values[i]);
    texts_[i].assign(buf, r.ptr);
  }
}

PhaseFinder::PhaseFinder() : engine_(state_, fields_, display_) {}

double PhaseFinder::ElongationAt(std::int64_t jstSeconds) {
  fields_.Set(CivilFromJstSeconds(jstSeconds));
  // A fresh record: years up to 1934 read with delta-T 0, later ones with their own.
  state_.DeltaT = 0;
  engine_.EvaluateElongationAt();
  return state_.Elongation;
}

double PhaseFinder::Past(std::int64_t jstSeconds, double angle) {
  double d = Around(ElongationAt(jstSeconds)) - angle;
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

std::int64_t PhaseFinder::FirstSecondOf(MoonPhase phase, std::int64_t guess) {
  const double angle = 90.0 * static_cast<int>(phase);
  // Every probe stays within the years the time base converts, so a guess far outside them
  // still ends the search with a second of that range, and no step can overflow.
  const std::int64_t first = JstSecondsFromCivil({kFirstPhaseYear, 1, 1, 0, 0, 0});
  const std::int64_t last = JstSecondsFromCivil({kLastSearchYear, 12, 31, 23, 59, 59});
  guess = std::clamp(guess, first, last);
  // before: the latest second known short of the angle; after: the earliest known past it.
  std::int64_t before = 0, after = 0;
  double shortBy = 0, pastBy = 0;
  bool haveBefore = false, haveAfter = false;
  auto probe = [&](std::int64_t s) {
    const double d = Past(s, angle);
    if (d >= 0) {
      if (!haveAfter || s < after) after = s, pastBy = d, haveAfter = true;
    } else if (!haveBefore || s > before) {
      before = s, shortBy = -d, haveBefore = true;
    }
  };
  probe(guess);
  for (int round = 0; !(haveBefore && haveAfter && after - before <= 1) && round < kMaxRounds;
       ++round) {
    std::int64_t next;
    if (haveBefore && haveAfter) {
      if (round < kInterpolations) {
        // The elongation is nearly linear over a bracket: the first second at or after the
        // interpolated crossing, kept strictly inside the bracket.
        const double at = static_cast<double>(before) +
                          static_cast<double>(after - before) * (shortBy / (shortBy + pastBy));
        next = static_cast<std::int64_t>(std::ceil(at));
        if (next >= after) next = after - 1;
        if (next <= before) next = before + 1;
      } else {
        next = before + (after - before) / 2;
      }
    } else {
      // One side only: step by the mean motion; the true motion (about 10.8 to 14.4 degrees a
      // day) is within a fifth of it, so the steps close in on the crossing or pass it.
      // Where the steps have not got there after eight rounds, each round doubles them.
      const double gap = haveBefore ? shortBy : pastBy;
      double step = std::ceil(gap / kMeanRate) * std::exp2(std::max(round - 8, 0));
      if (!(step >= 1)) step = 1;
      if (step > kMaxStepSeconds) step = kMaxStepSeconds;
      const auto whole = static_cast<std::int64_t>(step);
      next = haveBefore ? std::min(before + whole, last) : std::max(after - whole, first);
    }
    probe(next);
  }
  // No second past the angle up to the range's end: the search stopped there.
  return haveAfter ? after : last;
}

void PhaseFinder::ListYears(int first, int last, std::vector<PhaseEvent>& out) {
  const std::int64_t start = JstSecondsFromCivil({first, 1, 1, 0, 0, 0});
  const std::int64_t end = JstSecondsFromCivil({last, 12, 31, 23, 59, 59});
  // From the second before the range (the first second of 1583 when the range starts there:
  // the time base converts no earlier date).
  ListAfter(first > kFirstPhaseYear ? start - 1 : start, end, SIZE_MAX, out);
}

void PhaseFinder::ListAfter(std::int64_t from, std::int64_t until, std::size_t count,
                            std::vector<PhaseEvent>& out) {
  // The next angle the elongation has not reached at from.
  const double around = Around(ElongationAt(from));
  int next = static_cast<int>(std::floor(around / 90)) + 1;
  std::int64_t guess = from + static_cast<std::int64_t>((90.0 * next - around) / kMeanRate);
  for (std::size_t found = 0; found < count;) {
    const auto phase = static_cast<MoonPhase>(next % 4);
    const std::int64_t at = FirstSecondOf(phase, guess);
    if (at > until) break;
    if (at > from) {
      out.push_back({at, phase});
      ++found;
    }
    next = next % 4 + 1;
    guess = at + static_cast<std::int64_t>(90.0 / kMeanRate);
  }
}

const char* PhaseFinder::DayPhaseName(std::int64_t jstSeconds) {
  const std::int64_t dayStart = FloorDiv(jstSeconds, 86400) * 86400;
  // As the listing does, from the first second of 1583 at the earliest: the time base
  // converts no earlier date.
  const std::int64_t from =
      std::max(dayStart - 1, JstSecondsFromCivil({kFirstPhaseYear, 1, 1, 0, 0, 0}));
  std::vector<PhaseEvent> first;
  ListAfter(from, LastPhaseSecond(), 1, first);
  if (first.empty()) return nullptr;
  if (first[0].jstSeconds < dayStart + 86400) return PhaseName(first[0].phase);
  // A day between two principal phases: named by the one it leads to.
  switch (first[0].phase) {
    case MoonPhase::FirstQuarter:
      return "waxing-crescent";
    case MoonPhase::Full:
      return "waxing-gibbous";
    case MoonPhase::LastQuarter:
      return "waning-gibbous";
    case MoonPhase::New:
      return "waning-crescent";
  }
  return nullptr;
}

std::int64_t LastPhaseSecond() {
  return JstSecondsFromCivil({kLastPhaseYear, 12, 31, 23, 59, 59});
}

std::int64_t LunationNumber(std::int64_t jstSeconds, MoonPhase phase) {
  // The mean new moon of 2000-01-06 14:20:37 UT began lunation 953; a quarter of the mean
  // synodic month separates the principal phases.
  constexpr double kMeanNewMoon2000 = 947168437 + kJstOffsetSeconds;
  constexpr double kSynodicMonth = 29.530588861 * 86400;
  const double lunations = (static_cast<double>(jstSeconds) - kMeanNewMoon2000) / kSynodicMonth -
                           static_cast<int>(phase) / 4.0;
  return static_cast<std::int64_t>(std::nearbyint(lunations)) + 953;
}

}  // namespace selvane

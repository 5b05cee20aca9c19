// The Moon's principal phases (new moon, first quarter, full moon, last quarter) as instants on
// the Japan Standard Time clock, found with the same evaluation and time base as the phase the
// desktop program shows: an instant is the first whole second of the JST clock at which the
// elongation has reached 90, 180 or 270 degrees, or has come round past 0 for the new moon.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"

namespace selvane {

enum class MoonPhase { New = 0, FirstQuarter = 1, Full = 2, LastQuarter = 3 };

// A civil date and time on the JST clock.
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Japan Standard Time is universal time + 9 h the year round.
inline constexpr std::int64_t kJstOffsetSeconds = 9 * 3600;

// Whole seconds of the JST clock counted from 1970-01-01 00:00:00 JST (proleptic Gregorian).
std::int64_t JstSecondsFromCivil(const CivilTime& t);
CivilTime CivilFromJstSeconds(std::int64_t seconds);

struct PhaseEvent {
  std::int64_t jstSeconds = 0;
  MoonPhase phase = MoonPhase::New;
};

// The first and last year a listing can cover: the time base converts no date before 1583.
inline constexpr int kFirstPhaseYear = 1583;
inline constexpr int kLastPhaseYear = 9999;
// The last year a phase search looks into: a listing's last phase may lie just past its range.
inline constexpr int kLastSearchYear = kLastPhaseYear + 1;

class PhaseFinder {
 public:
  PhaseFinder();
  PhaseFinder(const PhaseFinder&) = delete;
  PhaseFinder& operator=(const PhaseFinder&) = delete;

  // Evaluates the instant as the six date and time fields would show it, each time from the
  // delta-T of its own year, as a fresh evaluation of those fields does. Returns Elongation.
  double ElongationAt(std::int64_t jstSeconds);
  // The record after the latest ElongationAt.
  const EphemerisState& State() const { return state_; }

  // The first second at which the elongation has reached the phase's angle, for the crossing
  // nearest to guess (within about ten days of it). The search stays within the years
  // kFirstPhaseYear..kLastSearchYear: a guess outside counts as the nearer end, and where no
  // crossing lies between that end and the guess, the answer is that end.
  std::int64_t FirstSecondOf(MoonPhase phase, std::int64_t guess);

  // Appends, in time order, every phase whose instant lies in the years first..last
  // (kFirstPhaseYear <= first <= last <= kLastPhaseYear).
  void ListYears(int first, int last, std::vector<PhaseEvent>& out);
  // Appends, in time order, the first count phases whose instant lies after the second from
  // and not after the second until; fewer when until comes first.
  void ListAfter(std::int64_t from, std::int64_t until, std::size_t count,
                 std::vector<PhaseEvent>& out);

  // The name of the phase on the JST day that holds the second: a principal phase's name (see
  // PhaseName) on the day of its listed instant, on other days the name between the principal
  // phases before and after it: "waxing-crescent", "waxing-gibbous", "waning-gibbous" or
  // "waning-crescent". Null after the last phase of kLastPhaseYear.
  const char* DayPhaseName(std::int64_t jstSeconds);

  // Evaluations made so far: what a listing costs.
  long Evaluations() const { return engine_.Evaluations(); }

 private:
  class Fields : public FieldStore {
   public:
    Fields();
    const std::string& Text(int field) const override;
    bool WriteField(int field, std::string_view text) override;
    void Set(const CivilTime& t);

   private:
    std::string texts_[7];
  };
  class NoDisplay : public PhaseDisplay {
   public:
    void DrawMoonShadow() override {}
    void SetAgeText(std::string_view) override {}
    std::string_view AgeText() const override { return {}; }
    void SetBusyPointer(bool) override {}
    void Beep() override {}
  };

  // Degrees past the phase's angle, in (-180, 180].
  double Past(std::int64_t jstSeconds, double angle);

  EphemerisState state_;
  Fields fields_;
  NoDisplay display_;
  Ephemeris engine_;
};

const char* PhaseName(MoonPhase phase);  // "new", "first-quarter", "full", "last-quarter"

// The last second of kLastPhaseYear on the JST clock.
std::int64_t LastPhaseSecond();

// The Brown lunation number of the lunation a phase belongs to: lunation 1 began with the new
// moon of 1923-01-17, and a quarter or a full moon belongs to the lunation of the new moon
// before it. Read from the mean synodic month, so an instant that moves by hours, or by a day,
// keeps its number.
std::int64_t LunationNumber(std::int64_t jstSeconds, MoonPhase phase);

}  // namespace selvane

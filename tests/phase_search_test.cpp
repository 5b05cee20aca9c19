// The phase evaluation and the search for the start of the lunation: when it runs, what it
// finds, what the fields show afterwards, and how it ends on fields that stop converting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "astro/field_text.h"

namespace selvane {
namespace {

constexpr double kSecond = 1.0 / 86400;
constexpr double kMinute = 60 * kSecond;

using Six = std::string_view[6];

double Age(const HeadlessSession& s) {
  return FieldNumber(s.ageText);
}

std::string Fields(const HeadlessSession& s) {
  std::string out;
  for (int i = 1; i <= 6; ++i) out += s.fields.Text(i) + (i < 6 ? "," : "");
  return out;
}

// A fresh session evaluated once, as the batch mode does.
void Enter(HeadlessSession& s, const Six& texts) {
  s.EnterFields(texts);
  s.engine.UpdateMoonPhase();
}

// The instant of a conjunction (LitFraction exactly 0 there) from the expected results.
constexpr Six kAtConjunction = {"1993", "8", "18", "4", "28", "34"};

TEST(AgeText, SixteenDecimalsAfterABlank) {
  std::string s;
  FormatAge(12.5, s);
  EXPECT_EQ(s, " 12.5000000000000000");
  FormatAge(-0.5, s);
  EXPECT_EQ(s, " -0.5000000000000000");
  FormatAge(0, s);
  EXPECT_EQ(s, " 0.0000000000000000");
}

TEST(LunationSearch, FirstEvaluationFindsTheTrueAge) {
  HeadlessSession s;
  Enter(s, {"2024", "1", "1", "12", "0", "0"});
  // New Moon 2023-12-12 23:32 UT = 2023-12-13 08:32 JST.
  EXPECT_NEAR(Age(s), 19.14, 0.01);
  EXPECT_EQ(Fields(s), "2024,1,1,12,0,0");
  EXPECT_EQ(s.beeps, 0);
  EXPECT_EQ(s.busyPointerCount, 1);
  EXPECT_FALSE(s.busyPointer);
}

TEST(LunationSearch, SteppingWithinALunationDoesNotSearch) {
  HeadlessSession s;
  Enter(s, {"2024", "1", "1", "12", "0", "0"});
  const double start = s.state.LunationStartJD;
  const std::string before = s.ageText;
  s.fields.WriteField(4, "13");
  s.engine.UpdateMoonPhase();
  EXPECT_EQ(s.busyPointerCount, 1);
  EXPECT_EQ(s.state.LunationStartJD, start);
  // Julian days near 2.46 million resolve about 5e-10 days.
  EXPECT_NEAR(Age(s) - FieldNumber(before), 0.0416666666666667, 1e-9);
}

TEST(LunationSearch, SteppingBackAcrossTheConjunctionSearchesAgain) {
  HeadlessSession s;
  Enter(s, {"2024", "1", "1", "12", "0", "0"});
  const double start = s.state.LunationStartJD;
  s.fields.WriteField(3, "-20");  // 2023-12-11: before the stored conjunction
  EXPECT_EQ(Fields(s), "2023,12,11,12,0,0");
  s.engine.UpdateMoonPhase();
  EXPECT_EQ(s.busyPointerCount, 2);
  EXPECT_LT(s.state.LunationStartJD, start - 29);
  // The conjunction before was 2023-11-13 18:27 JST.
  EXPECT_NEAR(Age(s), 27.73, 0.01);
}

TEST(LunationSearch, SteppingPastTheNextConjunctionSearchesAgain) {
  HeadlessSession s;
  Enter(s, {"2024", "1", "1", "12", "0", "0"});
  const double start = s.state.LunationStartJD;
  s.fields.WriteField(3, "14");  // past the new Moon of 2024-01-11
  s.engine.UpdateMoonPhase();
  EXPECT_NEAR(s.state.LunationStartJD - start, 29.5, 0.5);
  EXPECT_NEAR(Age(s), 2.6, 0.2);
}

struct AroundConjunction {
  const char* name;
  double offsetSeconds;  // from the conjunction second of kAtConjunction
  double minAge, maxAge;
};

TEST(LunationSearch, InstantsAroundAConjunction) {
  HeadlessSession base;
  Enter(base, kAtConjunction);
  const double conjunction = base.state.InstantJD;
  const AroundConjunction cases[] = {
      {"seconds before: a whole lunation back", -5, 29.0, 30.0},
      {"within the first minute after", 30, 0, 1 * kMinute},
      {"a few hours after", 4 * 3600, 0.1, 0.2},
      {"less than a day after", 20 * 3600, 0.8, 1.0},
  };
  for (const auto& c : cases) {
    HeadlessSession s;
    const std::string secText = FormatFieldNumber(34 + c.offsetSeconds);
    Enter(s, {kAtConjunction[0], kAtConjunction[1], kAtConjunction[2], kAtConjunction[3],
              kAtConjunction[4], secText});
    EXPECT_GT(Age(s), c.minAge) << c.name;
    EXPECT_LT(Age(s), c.maxAge) << c.name;
    EXPECT_LE(s.state.LunationStartJD, s.state.InstantJD) << c.name;
    if (c.offsetSeconds > 0) {
      // The found second lies within two seconds of the conjunction.
      EXPECT_NEAR(s.state.LunationStartJD, conjunction, 2.5 * kSecond) << c.name;
    }
    EXPECT_EQ(s.beeps, 0) << c.name;
  }
}

TEST(LunationSearch, JanuaryAndFebruaryDatesComeBackAsEntered) {
  // After the conjunction of 2025-01-29: the walk crosses into January and back.
  const Six cases[] = {
      {"2025", "2", "10", "12", "0", "0"},   {"2025", "1", "31", "0", "0", "0"},
      {"2024", "2", "29", "23", "59", "59"}, {"2025", "2", "28", "3", "0", "0"},
      {"2025", "1", "1", "0", "0", "1"},
  };
  for (const auto& c : cases) {
    HeadlessSession s;
    Enter(s, c);
    std::string want;
    for (int i = 0; i < 6; ++i) want += std::string(c[i]) + (i < 5 ? "," : "");
    EXPECT_EQ(Fields(s), want);
    EXPECT_GE(Age(s), 0);
    EXPECT_LT(Age(s), 30);
  }
}

TEST(LunationSearch, ExactlyAtAConjunctionTheAgeIsZero) {
  HeadlessSession s;
  Enter(s, kAtConjunction);
  EXPECT_EQ(s.state.LitFraction, 0);
  EXPECT_EQ(s.beeps, 1);
  EXPECT_EQ(s.state.LunationStartJD, s.state.InstantJD);
  EXPECT_EQ(s.ageText, " 0.0000000000000000");
  EXPECT_FALSE(s.busyPointer);
}

TEST(LunationSearch, LastDayOfALunationAtStartUpIsNotStale) {
  // Two hours before the new Moon of 2025-01-29 21:36 JST: elongation above 350 degrees.
  HeadlessSession s;
  Enter(s, {"2025", "1", "29", "19", "30", "0"});
  EXPECT_GT(s.state.Elongation, 350);
  EXPECT_GT(Age(s), 29);
  EXPECT_LT(Age(s), 30);
}

TEST(LunationSearch, RealTimeAnimationDuringTheSearchChangesNothing) {
  const Six entered = {"2024", "1", "1", "12", "0", "1"};
  HeadlessSession still;
  Enter(still, entered);
  HeadlessSession live;
  live.state.RealTimeMode = 1;
  Enter(live, entered);
  EXPECT_EQ(live.state.LunationStartJD, still.state.LunationStartJD);
  EXPECT_EQ(live.ageText, still.ageText);
  EXPECT_EQ(Fields(live), Fields(still));
  // The search's second phase and the restore wrote "1" into the seconds: each played the
  // 24 frames of the cycle.
  EXPECT_GE(live.nullCanvas.refreshes, 24);
  EXPECT_EQ(live.nullCanvas.refreshes % 24, 0);
  EXPECT_EQ(still.nullCanvas.refreshes, 0);
}

TEST(LunationSearch, FieldsThatStopConvertingEndTheSearchWithOneBeep) {
  // The day walk from 1583-01-01 steps into 1582, where dates no longer convert.
  HeadlessSession s;
  Enter(s, {"1583", "1", "1", "12", "0", "0"});
  EXPECT_EQ(Fields(s), "1583,1,1,12,0,0");
  EXPECT_EQ(s.state.LunationStartJD, 0);  // kept
  EXPECT_EQ(s.beeps, 1);
  EXPECT_FALSE(s.busyPointer);
  // The engine shows the restored instant again.
  HeadlessSession check;
  check.EnterFields({"1583", "1", "1", "12", "0", "0"});
  check.engine.EvaluateElongationAt();
  EXPECT_EQ(s.state.InstantJD, check.state.InstantJD);
  EXPECT_EQ(s.state.Elongation, check.state.Elongation);
}

TEST(LunationSearch, AnEmptiedYearDoesNotHang) {
  HeadlessSession s;
  Enter(s, {"2024", "1", "1", "12", "0", "0"});
  s.fields.WriteField(1, "");
  s.fields.WriteField(3, "-40");  // borrows into the emptied year: year -1, no longer converted
  s.fields.WriteField(1, "");
  const std::string before = Fields(s);
  const double instant = s.state.InstantJD;
  s.engine.UpdateMoonPhase();
  // The date no longer converts: the last converted instant stays, the fields are untouched.
  EXPECT_EQ(Fields(s), before);
  EXPECT_EQ(s.state.InstantJD, instant);
  EXPECT_FALSE(s.busyPointer);
}

TEST(LunationSearch, AFractionalSecondInTheGapEndsTheSearch) {
  HeadlessSession s;
  // The search walks the seconds field to -0.5, whose rules never settle; the walk stops
  // there instead of repeating the refused write.
  Enter(s, {"2024", "1", "11", "20", "57", "0.5"});
  // The search saves the entered values rounded to whole numbers, halves to even.
  EXPECT_EQ(Fields(s), "2024,1,11,20,57,0");
  EXPECT_FALSE(s.busyPointer);
}

// The stopping test of the seconds walk is the lit fraction shown with 11 decimals and read
// back; the engine decides it without formatting. Both agree around the rounding boundary.
TEST(LunationSearch, LitShowsAsZeroAgreesWithTheFormattedReading) {
  const double boundary = 5e-12;
  const double values[] = {0,
                           -0.0,
                           1e-300,
                           4.9e-12,
                           std::nextafter(boundary, 0.0),
                           boundary,
                           std::nextafter(boundary, 1.0),
                           std::nextafter(std::nextafter(boundary, 1.0), 1.0),
                           1e-11,
                           0.5,
                           -boundary,
                           -std::nextafter(boundary, 1.0),
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()};
  for (double v : values) {
    char buf[400];
    std::snprintf(buf, sizeof buf, " %.11f", v);
    EXPECT_EQ(LitShowsAsZero(v), FieldNumber(buf) == 0) << buf;
  }
}

// A search outside real-time mode steps a private copy of the date; in real-time mode it steps
// the fields themselves (where the seconds rule plays the phase-cycle animation). For many
// instants both give the same second, the same fields and the same record to the bit.
TEST(LunationSearch, PrivateDateGivesWhatTheFieldsGive) {
  std::vector<std::array<std::string, 6>> instants = {
      {"2024", "1", "1", "0", "0", "0"},      {"2024", "3", "1", "0", "0", "0"},
      {"2100", "3", "1", "12", "0", "0"},     {"2023", "3", "1", "0", "0", "1"},
      {"1935", "1", "5", "0", "0", "0"},      {"1584", "1", "10", "0", "0", "0"},
      {"1993", "8", "18", "4", "28", "35"},   {"1993", "8", "18", "4", "28", "33"},
      {"1999", "12", "31", "23", "59", "59"}, {"2024", "2", "29", "23", "59", "59"},
  };
  std::mt19937 random(20261207);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  while (instants.size() < 1200) {
    const int year = pick(1585, 2600), month = pick(1, 12);
    const int day = pick(1, DaysInMonth(month, IsLeapYear(year)));
    instants.push_back({std::to_string(year), std::to_string(month), std::to_string(day),
                        std::to_string(pick(0, 23)), std::to_string(pick(0, 59)),
                        std::to_string(pick(0, 59))});
  }
  for (const auto& in : instants) {
    const Six texts = {in[0], in[1], in[2], in[3], in[4], in[5]};
    HeadlessSession onCopy;
    Enter(onCopy, texts);
    HeadlessSession onFields;
    onFields.state.RealTimeMode = 1;
    Enter(onFields, texts);
    const std::string what = Fields(onFields);
    ASSERT_EQ(Fields(onCopy), what);
    EXPECT_EQ(onCopy.state.LunationStartJD, onFields.state.LunationStartJD) << what;
    EXPECT_EQ(onCopy.engine.LunationStartDeltaT(), onFields.engine.LunationStartDeltaT()) << what;
    EXPECT_EQ(onCopy.engine.Evaluations(), onFields.engine.Evaluations()) << what;
    EXPECT_EQ(onCopy.ageText, onFields.ageText) << what;
    EXPECT_EQ(onCopy.beeps, onFields.beeps) << what;
    const EphemerisState& a = onCopy.state;
    const EphemerisState& b = onFields.state;
    for (auto field :
         {&EphemerisState::Elongation, &EphemerisState::LitFraction, &EphemerisState::InYear,
          &EphemerisState::InMonth, &EphemerisState::InDay, &EphemerisState::JulianDay,
          &EphemerisState::JulianCenturies, &EphemerisState::DateCenturies,
          &EphemerisState::DayFraction, &EphemerisState::YearDays, &EphemerisState::InstantJD,
          &EphemerisState::SunLongitude, &EphemerisState::WrapScratch,
          &EphemerisState::MoonLongitude}) {
      EXPECT_EQ(a.*field, b.*field) << what;
    }
    EXPECT_EQ(a.DeltaT, b.DeltaT) << what;
  }
}

}  // namespace
}  // namespace selvane

// The time base and the two longitude series, on the worked examples.
#include <gtest/gtest.h>

#include <cmath>

#include "app/headless_session.h"
#include "astro/ephemeris.h"

namespace selvane {
namespace {

constexpr double kDay = 1.0;
constexpr double kSecond = kDay / 86400;

// Fields entered as the batch modes do, then the numeric evaluation only.
struct Evaluated {
  HeadlessSession s;
  explicit Evaluated(const std::string_view (&texts)[6]) {
    s.EnterFields(texts);
    s.engine.EvaluateElongationAt();
  }
};

TEST(TimeBase, WorkedExampleNewYearEvening2000) {
  Evaluated e({"2000", "1", "1", "21", "0", "0"});
  const EphemerisState& st = e.s.state;
  EXPECT_EQ(st.DeltaT, 66);
  EXPECT_EQ(st.InYear, 1999);  // January is counted as month 13 of the year before
  EXPECT_EQ(st.InMonth, 13);
  EXPECT_EQ(st.YearDays, 730134);
  EXPECT_EQ(st.JulianDay, 2451544.5);
  EXPECT_NEAR(st.InstantJD, 2451545.0 + 66 * kSecond, 1e-9);
  EXPECT_DOUBLE_EQ(st.DateCenturies, -0.5 / 36525);
  EXPECT_NEAR(st.JulianCenturies, 2.0914e-8, 0.0001e-8);
  EXPECT_EQ(st.DayFraction, (21 + (0 + (0 + 66.0) / 60) / 60 - 9) / 24 / 36525);
}

TEST(TimeBase, DeltaTAndTheJstOffset) {
  {
    Evaluated e({"1999", "12", "31", "9", "0", "0"});
    EXPECT_EQ(e.s.state.DeltaT, 65);
    EXPECT_NEAR(e.s.state.InstantJD - 2451543.5, 65 * kSecond, 1e-9);
  }
  {
    // Before 09:00 JST the fraction of the day is negative.
    Evaluated e({"2000", "1", "2", "0", "0", "0"});
    EXPECT_NEAR(e.s.state.InstantJD, 2451545.125 + 66 * kSecond, 1e-9);
  }
  {
    // The first date ever read in 1934 or earlier has no delta-T.
    Evaluated e({"1900", "3", "1", "9", "0", "0"});
    EXPECT_EQ(e.s.state.DeltaT, 0);
  }
}

TEST(TimeBase, EarlyYearsKeepTheLastDeltaT) {
  Evaluated e({"2000", "6", "1", "9", "0", "0"});
  e.s.fields.WriteField(1, "1900");
  e.s.engine.EvaluateElongationAt();
  EXPECT_EQ(e.s.state.DeltaT, 66);
}

TEST(TimeBase, UnconvertibleDatesKeepTheDayButFollowTheClock) {
  Evaluated e({"2000", "6", "15", "12", "0", "0"});
  const double jd = e.s.state.JulianDay, instant = e.s.state.InstantJD;
  const double t = e.s.state.JulianCenturies;
  for (const char* year : {"1582", "1000", ""}) {
    e.s.fields.WriteField(1, year);
    e.s.engine.EvaluateElongationAt();
    EXPECT_EQ(e.s.state.JulianDay, jd) << year;
    EXPECT_EQ(e.s.state.InstantJD, instant) << year;
  }
  e.s.fields.WriteField(1, "2000");
  e.s.fields.WriteField(3, "15");
  e.s.fields.WriteField(4, "18");
  e.s.engine.EvaluateElongationAt();
  const double t18 = e.s.state.JulianCenturies;
  EXPECT_NEAR(t18 - t, 0.25 / 36525, 1e-15);
  // An empty day: the date stays, six hours later still moves T.
  e.s.fields.WriteField(4, "12");
  e.s.engine.EvaluateElongationAt();
  EXPECT_NEAR(e.s.state.JulianCenturies, t, 1e-15);
}

TEST(Series, CosDegUsesTheShortDegreeFactor) {
  EXPECT_EQ(CosDeg(60), 0.5000000000000153);
  EXPECT_NEAR(CosDeg(90), 2.6e-14, 0.1e-14);
  EXPECT_EQ(CosDeg(360), 1.0);
  EXPECT_EQ(CosDeg(180), -1.0);
}

struct LongitudeCase {
  const char* name;
  double t;
  double sun, moon;
};

TEST(Series, LongitudesAtWorkedInstants) {
  const LongitudeCase cases[] = {
      {"J2000.0", 0, 280.377362, 223.313727},
      {"2000-01-06 18:14 UT + 64 s", 0.000144023627, 285.740810, 285.735093},
  };
  for (const auto& c : cases) {
    HeadlessSession s;
    s.state.JulianCenturies = c.t;
    s.engine.ComputeSunPosition();
    s.state.MoonLongitude = 218.316 + 481267.8809 * c.t;
    s.engine.ComputeMoonPosition();
    EXPECT_NEAR(s.state.SunLongitude, c.sun, 1e-6) << c.name;
    EXPECT_NEAR(s.state.MoonLongitude, c.moon, 1e-6) << c.name;
  }
}

TEST(Series, FarPastStillWrapsIntoRange) {
  for (double t : {-40.0, -1000.0, -12345.678, 55.5}) {
    HeadlessSession s;
    s.state.JulianCenturies = t;
    s.engine.ComputeSunPosition();
    s.state.MoonLongitude = 218.316 + 481267.8809 * t;
    s.engine.ComputeMoonPosition();
    EXPECT_GE(s.state.SunLongitude, 0) << t;
    EXPECT_LT(s.state.SunLongitude, 360) << t;
    EXPECT_GE(s.state.MoonLongitude, 0) << t;
    EXPECT_LT(s.state.MoonLongitude, 360) << t;
  }
}

TEST(Evaluation, NewYearEvening2000) {
  Evaluated e({"2000", "1", "1", "21", "0", "0"});
  const EphemerisState& st = e.s.state;
  EXPECT_NEAR(st.SunLongitude, 280.378141, 1e-6);
  EXPECT_NEAR(st.MoonLongitude, 223.322910, 1e-6);
  EXPECT_NEAR(st.Elongation, 302.944768, 1e-6);
  EXPECT_NEAR(st.LitFraction, 0.228085, 1e-6);
}

TEST(Evaluation, ElongationNearConjunctionOf2000January) {
  // 2000-01-06 18:14 UT + 64 s is 2000-01-07 03:14:00 JST with delta-T 66 s: 2 s later.
  Evaluated e({"2000", "1", "7", "3", "13", "58"});
  EXPECT_NEAR(e.s.state.JulianCenturies, 0.000144023627, 1e-11);
  EXPECT_NEAR(e.s.state.Elongation, 359.99428, 1e-4);
}

}  // namespace
}  // namespace selvane

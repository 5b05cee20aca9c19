// The principal phases: each listed second checked against the definition through the six
// fields of a fresh session, the listing's order and coverage over ranges of years, the
// lunation search agreeing with the listed new moons, and the answers to wrong arguments.
#include "astro/phase_events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "app/phase_listing.h"
#include "astro/field_text.h"

namespace selvane {
namespace {

constexpr double kSecond = 1.0 / 86400;
constexpr std::int64_t kDay = 86400;

// The record after a fresh session has evaluated the JST second as six field texts.
EphemerisState EvaluateAsFields(std::int64_t jstSeconds) {
  const CivilTime t = CivilFromJstSeconds(jstSeconds);
  const std::string texts[6] = {std::to_string(t.year),   std::to_string(t.month),
                                std::to_string(t.day),    std::to_string(t.hour),
                                std::to_string(t.minute), std::to_string(t.second)};
  HeadlessSession s;
  s.EnterFields({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]});
  s.engine.EvaluateElongationAt();
  return s.state;
}

double Around(double elongation) {
  return elongation >= 360 ? elongation - 360 : elongation;
}

// The six fields show the phase's angle reached at the second, and not yet the second before.
void ExpectFirstSecondAtAngle(const PhaseEvent& e) {
  const double before = Around(EvaluateAsFields(e.jstSeconds - 1).Elongation);
  const double at = Around(EvaluateAsFields(e.jstSeconds).Elongation);
  const double angle = 90.0 * static_cast<int>(e.phase);
  if (e.phase == MoonPhase::New) {
    EXPECT_TRUE(before > 359 && at < 1) << e.jstSeconds << ": " << before << " " << at;
  } else {
    EXPECT_TRUE(before < angle && at >= angle) << e.jstSeconds << ": " << before << " " << at;
  }
}

TEST(CivilSeconds, RoundTripAndKnownDays) {
  EXPECT_EQ(JstSecondsFromCivil({1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(JstSecondsFromCivil({2000, 1, 1, 0, 0, 0}), 10957 * kDay);
  EXPECT_EQ(
      JstSecondsFromCivil({2000, 3, 1, 0, 0, 0}) - JstSecondsFromCivil({2000, 2, 28, 0, 0, 0}),
      2 * kDay);  // 2000 is a leap year
  EXPECT_EQ(
      JstSecondsFromCivil({1900, 3, 1, 0, 0, 0}) - JstSecondsFromCivil({1900, 2, 28, 0, 0, 0}),
      kDay);  // 1900 is not
  const std::int64_t first = JstSecondsFromCivil({1583, 1, 1, 0, 0, 0});
  const std::int64_t last = JstSecondsFromCivil({10000, 1, 1, 0, 0, 0});
  for (std::int64_t s = first; s < last; s += 7919 * 61 + 13) {
    const CivilTime t = CivilFromJstSeconds(s);
    ASSERT_EQ(JstSecondsFromCivil(t), s);
    ASSERT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 &&
                t.minute < 60 && t.second < 60);
  }
  // The ends of the integer range still get their time of day: -2^63 and 2^63 - 1 seconds
  // fall 30592 s (08:29:52) and 55807 s (15:30:07) into their days.
  const CivilTime earliest = CivilFromJstSeconds(INT64_MIN);
  const CivilTime latest = CivilFromJstSeconds(INT64_MAX);
  EXPECT_EQ(earliest.hour * 3600 + earliest.minute * 60 + earliest.second, 30592);
  EXPECT_EQ(latest.hour * 3600 + latest.minute * 60 + latest.second, 55807);
}

struct YearRange {
  int first, last;
};

// Every listed second is the first at which the six fields show the angle reached, in order,
// the four phases in turn, about a week apart, and the first and last close to the range's ends.
TEST(PhaseListing, EachSecondIsTheFirstAtTheAngleInOrderOverRanges) {
  const YearRange ranges[] = {{1583, 1584}, {1933, 1936}, {2023, 2026}, {9998, 9999}};
  for (const YearRange& r : ranges) {
    PhaseFinder finder;
    std::vector<PhaseEvent> events;
    finder.ListYears(r.first, r.last, events);
    const std::int64_t start = JstSecondsFromCivil({r.first, 1, 1, 0, 0, 0});
    const std::int64_t end = JstSecondsFromCivil({r.last + 1, 1, 1, 0, 0, 0});
    ASSERT_GE(events.size(), 49u * (r.last - r.first + 1)) << r.first;
    EXPECT_LT(events.front().jstSeconds - start, 9 * kDay) << r.first;
    EXPECT_LT(end - events.back().jstSeconds, 9 * kDay) << r.last;
    for (std::size_t i = 0; i < events.size(); ++i) {
      const PhaseEvent& e = events[i];
      ASSERT_GE(e.jstSeconds, start);
      ASSERT_LT(e.jstSeconds, end);
      if (i > 0) {
        const PhaseEvent& p = events[i - 1];
        EXPECT_EQ(static_cast<int>(e.phase), (static_cast<int>(p.phase) + 1) % 4);
        const std::int64_t gap = e.jstSeconds - p.jstSeconds;
        EXPECT_TRUE(gap > 5 * kDay && gap < 9 * kDay) << gap;
      }
      ExpectFirstSecondAtAngle(e);
    }
  }
}

// Guesses outside the years the time base converts, up to the ends of the integer range: the
// search stays within those years (no step overflows) and ends with one of their seconds, the
// first at the angle unless it is the range's end.
TEST(PhaseListing, SearchesFromGuessesFarOutsideTheYearsEndWithinThem) {
  const std::int64_t first = JstSecondsFromCivil({kFirstPhaseYear, 1, 1, 0, 0, 0});
  const std::int64_t last = JstSecondsFromCivil({kLastSearchYear, 12, 31, 23, 59, 59});
  const std::int64_t guesses[] = {
      INT64_MIN, JstSecondsFromCivil({1000, 6, 1, 0, 0, 0}),  first,
      last,      JstSecondsFromCivil({60000, 6, 1, 0, 0, 0}), INT64_MAX};
  for (std::int64_t guess : guesses) {
    for (int p = 0; p < 4; ++p) {
      PhaseFinder finder;
      const PhaseEvent e{finder.FirstSecondOf(static_cast<MoonPhase>(p), guess),
                         static_cast<MoonPhase>(p)};
      EXPECT_TRUE(e.jstSeconds >= first && e.jstSeconds <= last) << guess << " " << p;
      if (e.jstSeconds > first && e.jstSeconds < last) ExpectFirstSecondAtAngle(e);
    }
  }
}

// The lunation numbers of the calendars' UIDs: each new moon one more than the one before, the
// quarters and the full moon with the new moon before them, the same for an instant hours away,
// and Brown's numbering (lunation 1 began on 1923-01-17).
TEST(PhaseListing, LunationNumbersCountNewMoonsAndStandInstantsMovedByHours) {
  const YearRange ranges[] = {{1583, 1584}, {1922, 1923}, {2026, 2027}, {9998, 9999}};
  for (const YearRange& r : ranges) {
    PhaseFinder finder;
    std::vector<PhaseEvent> events;
    finder.ListYears(r.first, r.last, events);
    for (std::size_t i = 1; i < events.size(); ++i) {
      const PhaseEvent& e = events[i];
      const std::int64_t n = LunationNumber(e.jstSeconds, e.phase);
      EXPECT_EQ(n, LunationNumber(events[i - 1].jstSeconds, events[i - 1].phase) +
                       (e.phase == MoonPhase::New))
          << r.first << " event " << i;
      for (std::int64_t shift : {-6 * 3600, -2, 2, 6 * 3600})
        EXPECT_EQ(LunationNumber(e.jstSeconds + shift, e.phase), n) << shift;
    }
  }
  EXPECT_EQ(LunationNumber(JstSecondsFromCivil({1923, 1, 17, 11, 41, 0}), MoonPhase::New), 1);
  EXPECT_EQ(LunationNumber(JstSecondsFromCivil({2027, 1, 8, 5, 24, 6}), MoonPhase::New), 1287);
}

// The phase named for a day: the principal phase on the JST day of its listed instant, from the
// day's first second to its last, the name between on the days around it.
TEST(PhaseListing, DayPhaseNamesFollowTheListedInstants) {
  struct Case {
    CivilTime at;
    const char* name;
  };
  // 2027-01-08 05:24:06 new, 01-16 05:34:28 first quarter, 01-22 21:17:07 full, 01-29
  // 19:55:18 last quarter; 9999-12-31 01:56:35 new, the last listed phase; 1583-01-01
  // 20:37:16 first quarter, the first.
  const Case cases[] = {
      {{2027, 1, 7, 23, 59, 59}, "waning-crescent"},
      {{2027, 1, 8, 0, 0, 0}, "new"},
      {{2027, 1, 8, 23, 59, 59}, "new"},
      {{2027, 1, 9, 0, 0, 0}, "waxing-crescent"},
      {{2027, 1, 16, 0, 0, 0}, "first-quarter"},
      {{2027, 1, 17, 0, 0, 0}, "waxing-gibbous"},
      {{2027, 1, 22, 23, 59, 59}, "full"},
      {{2027, 1, 23, 0, 0, 0}, "waning-gibbous"},
      {{2027, 1, 29, 12, 0, 0}, "last-quarter"},
      {{2027, 1, 30, 0, 0, 0}, "waning-crescent"},
      {{9999, 12, 31, 23, 59, 59}, "new"},
      {{1583, 1, 1, 0, 0, 0}, "first-quarter"},
      {{1583, 1, 2, 0, 0, 0}, "waxing-gibbous"},
  };
  PhaseFinder finder;
  for (const Case& c : cases) {
    const char* name = finder.DayPhaseName(JstSecondsFromCivil(c.at));
    ASSERT_NE(name, nullptr) << c.at.year << "-" << c.at.month << "-" << c.at.day;
    EXPECT_STREQ(name, c.name) << c.at.year << "-" << c.at.month << "-" << c.at.day;
  }
}

// The phases after a second are the listing's, strictly after it, and none past the bound.
TEST(PhaseListing, PhasesAfterASecondAreTheListedOnes) {
  PhaseFinder finder;
  std::vector<PhaseEvent> year;
  finder.ListYears(2027, 2027, year);
  for (std::size_t i = 0; i + 3 < year.size(); i += 5) {
    for (std::int64_t from : {year[i].jstSeconds - 1, year[i].jstSeconds}) {
      std::vector<PhaseEvent> after;
      finder.ListAfter(from, LastPhaseSecond(), 3, after);
      const std::size_t first = from < year[i].jstSeconds ? i : i + 1;
      ASSERT_EQ(after.size(), 3u);
      for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(after[k].jstSeconds, year[first + k].jstSeconds) << i << " " << k;
        EXPECT_EQ(after[k].phase, year[first + k].phase);
      }
    }
  }
  std::vector<PhaseEvent> last;
  finder.ListAfter(JstSecondsFromCivil({9999, 12, 20, 0, 0, 0}), LastPhaseSecond(), 5, last);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[1].jstSeconds, JstSecondsFromCivil({9999, 12, 31, 1, 56, 35}));
}

// Entered anywhere in the lunation that a listed new moon starts, the lunation search of the
// desktop program finds a second within two seconds of it (its one-second grid).
TEST(PhaseListing, TheLunationSearchFindsEachListedNewMoon) {
  const YearRange ranges[] = {{1600, 1600}, {1934, 1934}, {2024, 2025}, {9000, 9000}};
  for (const YearRange& r : ranges) {
    PhaseFinder finder;
    std::vector<PhaseEvent> events;
    finder.ListYears(r.first, r.last + 1, events);
    std::vector<std::int64_t> newMoons;
    for (const PhaseEvent& e : events) {
      if (e.phase == MoonPhase::New) newMoons.push_back(e.jstSeconds);
    }
    for (std::size_t i = 0; i + 1 < newMoons.size(); ++i) {
      const std::int64_t t = newMoons[i];
      const double conjunction = EvaluateAsFields(t).InstantJD;
      const std::int64_t length = newMoons[i + 1] - t;
      for (std::int64_t offset :
           {std::int64_t{0}, std::int64_t{1}, std::int64_t{3600}, length / 2, length - 1}) {
        const CivilTime c = CivilFromJstSeconds(t + offset);
        const std::string texts[6] = {std::to_string(c.year),   std::to_string(c.month),
                                      std::to_string(c.day),    std::to_string(c.hour),
                                      std::to_string(c.minute), std::to_string(c.second)};
        HeadlessSession s;
        s.EnterFields({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]});
        s.engine.UpdateMoonPhase();
        EXPECT_NEAR(s.state.LunationStartJD, conjunction, 2 * kSecond + 1e-9)
            << texts[0] << "-" << texts[1] << "-" << texts[2] << " " << texts[3] << ":" << texts[4]
            << ":" << texts[5];
      }
    }
  }
}

TEST(PhaseListing, IcsLinesFoldAt75OctetsWithoutSplittingCharacters) {
  const std::string cases[] = {
      "SUMMARY:" + std::string(200, 'x'),
      "SUMMARY:" +
          [] {
            std::string s;
            for (int i = 0; i < 60; ++i) s += "満月";
            return s;
          }(),
      "VERSION:2.0",
  };
  for (const std::string& line : cases) {
    std::string out;
    AppendContentLine(line, out);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
    // Unfolding (CRLF and one blank removed) gives the line back; each physical line fits.
    std::string unfolded;
    std::size_t pos = 0;
    while (pos < out.size()) {
      const std::size_t crlf = out.find("\r\n", pos);
      ASSERT_NE(crlf, std::string::npos);
      std::string physical = out.substr(pos, crlf - pos);
      EXPECT_LE(physical.size(), 75u);
      if (pos > 0) {
        ASSERT_EQ(physical[0], ' ');
        physical.erase(0, 1);
        // A continuation never starts inside a UTF-8 sequence.
        EXPECT_NE(static_cast<unsigned char>(physical[0]) & 0xC0, 0x80);
      }
      unfolded += physical;
      pos = crlf + 2;
    }
    EXPECT_EQ(unfolded, line);
  }
}

struct BadArgs {
  std::vector<std::string> args;
  const char* message;  // a part of the one line on standard error
};

TEST(PhaseListing, WrongArgumentsExitTwoWithAMessageAndNoListing) {
  const BadArgs cases[] = {
      {{"--phases"}, "a first year"},
      {{"--phases", "2024", "2025", "2026"}, "a first year"},
      {{"--phases", "1582"}, "\"1582\" is not a year from 1583 to 9999"},
      {{"--phases", "10000"}, "\"10000\" is not a year"},
      {{"--phases", "2024.0"}, "\"2024.0\" is not a year"},
      {{"--phases", "abc"}, "\"abc\" is not a year"},
      {{"--phases", "-2024"}, "\"-2024\" is not a year"},
      {{"--phases", ""}, "\"\" is not a year"},
      {{"--phases", "99999999999999999999"}, "is not a year"},
      {{"--phases", "2025", "2024"}, "the last year 2024 comes before the first 2025"},
      {{"--phases", "2024", "--format", "xml"}, "--format takes tsv, json or ics"},
      {{"--phases", "2024", "--format"}, "--format takes tsv, json or ics"},
  };
  for (const BadArgs& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunPhaseListing(c.args, out, err, 0), 2) << c.message;
    EXPECT_EQ(out.str(), "") << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
}

TEST(PhaseListing, FormatsCarryTheSameInstants) {
  std::ostringstream tsv, json, ics, err;
  ASSERT_EQ(RunPhaseListing({"--phases", "2027"}, tsv, err), 0);
  ASSERT_EQ(RunPhaseListing({"--phases", "--format", "json", "2027", "2027"}, json, err), 0);
  ASSERT_EQ(RunPhaseListing({"--phases", "2027", "--format", "ics"}, ics, err, 1800000000), 0);
  EXPECT_EQ(err.str(), "");
  // The first new moon of 2027, as listed in each form.
  EXPECT_EQ(tsv.str().substr(0, 24), "2027-01-08 05:24:06\tnew\n");
  EXPECT_NE(json.str().find("{\"time\": \"2027-01-08T05:24:06+09:00\", \"phase\": \"new\"}"),
            std::string::npos);
  EXPECT_NE(ics.str().find("UID:lunation1287-new@phases.selvane.org\r\n"
                           "DTSTAMP:20270115T080000Z\r\n"
                           "DTSTART:20270107T202406Z\r\nDURATION:PT0S\r\nSUMMARY:新月\r\n"),
            std::string::npos)
      << ics.str().substr(0, 600);
}

// A calendar's DTSTAMP is SOURCE_DATE_EPOCH when that is set, so that a build can make the same
// file twice; otherwise now. A value that is no whole number of seconds is named, status 2.
TEST(PhaseListing, CalendarStampTakesSourceDateEpoch) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  struct Case {
    const char* epoch;  // null: unset
    int status;
    const char* found;  // in the output, or on standard error
  };
  const Case cases[] = {
      {"1800000000", 0, "DTSTAMP:20270115T080000Z\r\n"},
      {"0", 0, "DTSTAMP:19700101T000000Z\r\n"},
      {nullptr, 0, "DTSTAMP:"},
      {"", 0, "DTSTAMP:"},
      {"abc", 2, "SOURCE_DATE_EPOCH \"abc\" is not a whole number"},
      {"-5", 2, "SOURCE_DATE_EPOCH \"-5\""},
      {"1.8e9", 2, "SOURCE_DATE_EPOCH \"1.8e9\""},
      {"99999999999999999999", 2, "is not a whole number"},
  };
  for (const Case& c : cases) {
    if (c.epoch) {
      setenv("SOURCE_DATE_EPOCH", c.epoch, 1);
    } else {
      unsetenv("SOURCE_DATE_EPOCH");
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunPhaseListing({"--phases", "2027", "--format", "ics"}, out, err), c.status)
        << (c.epoch ? c.epoch : "unset") << err.str();
    EXPECT_NE((c.status ? err : out).str().find(c.found), std::string::npos) << err.str();
    if (c.status == 0 && std::string(c.found) == "DTSTAMP:") {
      // Now: the stamp's UTC clock read as seconds from 1970.
      CivilTime t;
      ASSERT_EQ(
          std::sscanf(out.str().c_str() + out.str().find("DTSTAMP:") + 8, "%4d%2d%2dT%2d%2d%2dZ",
                      &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second),
          6);
      EXPECT_NEAR(static_cast<double>(JstSecondsFromCivil(t)), static_cast<double>(now), 60);
    }
    if (c.status) {
      EXPECT_EQ(out.str(), "");
    }
  }
  unsetenv("SOURCE_DATE_EPOCH");
}

}  // namespace
}  // namespace selvane

// The principal phases: each listed second checked against the definition through the six
// fields of a fresh session, the listing's order and coverage over ranges of years, the
// lunation search agreeing with the listed new moons, and the answers to wrong arguments.
#include "astro/phase_events.h"

#include <gtest/gtest.h>

#include <cstdint>
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
  EXPECT_NE(ics.str().find("DTSTART:20270107T202406Z\r\nSUMMARY:新月\r\n"), std::string::npos);
  EXPECT_NE(ics.str().find("DTSTAMP:20270115T080000Z\r\n"), std::string::npos);
}

}  // namespace
}  // namespace selvane

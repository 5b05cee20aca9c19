// The clock gives the present instant in Japan Standard Time whatever the computer's time
// zone: the same fields for the same instant in every zone, across daylight-saving changes.
#include "control/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace selvane {
namespace {

// Sets TZ for the lifetime of the object and puts the previous value back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

std::string Text(const ClockReading& r) {
  return std::to_string(r.year) + "-" + std::to_string(r.month) + "-" + std::to_string(r.day) +
         " " + std::to_string(r.hour) + ":" + std::to_string(r.minute) + ":" +
         std::to_string(r.second);
}

struct Instant {
  const char* what;
  std::time_t utc;  // seconds since 1970-01-01 0:00 UT
  const char* jst;  // the same instant on a clock in Japan
};

const Instant kInstants[] = {
    {"the first second of 2024 in universal time", 1704067200, "2024-1-1 9:0:0"},
    {"the last second of 2024 in universal time", 1735689599, "2025-1-1 8:59:59"},
    {"JST's new year, still 2024 everywhere west of Japan", 1735657200, "2025-1-1 0:0:0"},
    {"a second before Los Angeles springs forward", 1710064799, "2024-3-10 18:59:59"},
    {"the second Los Angeles springs forward", 1710064800, "2024-3-10 19:0:0"},
    {"Berlin's repeated hour in autumn, first pass", 1729989000, "2024-10-27 9:30:0"},
    {"Berlin's repeated hour in autumn, second pass", 1729992600, "2024-10-27 10:30:0"},
    {"a leap day in Japan, still 28 February in universal time", 1709132400, "2024-2-29 0:0:0"},
};

const char* const kZones[] = {"America/Los_Angeles",
                              "Europe/Berlin",
                              "UTC",
                              "Asia/Tokyo",
                              "Asia/Kolkata",
                              "Australia/Adelaide",
                              "PST8PDT",
                              "Pacific/Kiritimati",
                              ""};

TEST(JstClock, SameFieldsForTheSameInstantInEveryZone) {
  for (const char* zone : kZones) {
    ScopedTimeZone tz(zone);
    for (const Instant& i : kInstants) {
      EXPECT_EQ(Text(JstReading(i.utc)), i.jst) << i.what << " with TZ=" << zone;
    }
  }
}

TEST(JstClock, TheSystemClockReadsThePresentInJapan) {
  for (const char* zone : kZones) {
    ScopedTimeZone tz(zone);
    SystemClock clock;
    // A second boundary may pass between the readings: the clock must show one of the two.
    const std::time_t before = std::time(nullptr);
    const std::string now = Text(clock.Now());
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(now == Text(JstReading(before)) || now == Text(JstReading(after)))
        << now << " with TZ=" << zone;
  }
}

}  // namespace
}  // namespace selvane

#include "control/clock.h"

#include <charconv>
#include <ctime>

namespace selvane {

namespace {
constexpr std::time_t kJstOffsetSeconds = 9 * 3600;
}  // namespace

ClockReading JstReading(std::time_t instant) {
  // Shifting the instant by the fixed offset and breaking it down as universal time gives the
  // JST wall clock; gmtime_r never consults the TZ variable or the zone database.
  const std::time_t shifted = instant + kJstOffsetSeconds;
  std::tm jst{};
  gmtime_r(&shifted, &jst);
  return ClockReading{jst.tm_year + 1900, jst.tm_mon + 1, jst.tm_mday,
                      jst.tm_hour,        jst.tm_min,     jst.tm_sec};
}

ClockReading SystemClock::Now() {
  return JstReading(std::time(nullptr));
}

void FillFieldsFromClock(FieldStore& fields, Clock& clock) {
  char buf[16];
  int (*parts[6])(const ClockReading&) = {
      [](const ClockReading& r) { return r.year; },
      [](const ClockReading& r) { return r.month; },
      [](const ClockReading& r) { return r.day; },
      [](const ClockReading& r) { return r.hour; },
      [](const ClockReading& r) { return r.minute; },
      [](const ClockReading& r) { return r.second; },
  };
  for (int i = 0; i < 6; ++i) {
    const int value = parts[i](clock.Now());
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    fields.WriteField(i + 1, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
  }
}

}  // namespace selvane

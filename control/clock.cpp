#include "control/clock.h"

#include <charconv>
#include <ctime>

namespace selvane {

ClockReading SystemClock::Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ClockReading{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
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

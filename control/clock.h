// The clock as the fields take it: the present instant in Japan Standard Time, read anew for
// each field.
#pragma once

#include <ctime>

#include "astro/ephemeris.h"

namespace selvane {

struct ClockReading {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual ClockReading Now() = 0;
};

// The civil date and time in Japan Standard Time (universal time + 9 h the year round, no
// daylight saving) of an instant in seconds since 1970-01-01 0:00 UT. The computer's time zone
// plays no part: the engine's time base is JST wherever the program runs.
ClockReading JstReading(std::time_t instant);

// This computer's clock, expressed in Japan Standard Time.
class SystemClock : public Clock {
 public:
  ClockReading Now() override;
};

// Writes year .. second into fields 1..6 in that order, reading the clock once per field, so a
// fill that straddles a second boundary can mix two readings.
void FillFieldsFromClock(FieldStore& fields, Clock& clock);

}  // namespace selvane

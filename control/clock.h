// The computer's local clock, as the fields take it: read anew for each field.
#pragma once

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

// The local wall clock of this computer (taken as Japan Standard Time by the engine).
class SystemClock : public Clock {
 public:
  ClockReading Now() override;
};

// Writes year .. second into fields 1..6 in that order, reading the clock once per field, so a
// fill that straddles a second boundary can mix two readings.
void FillFieldsFromClock(FieldStore& fields, Clock& clock);

}  // namespace selvane

// selvane-phase: the phase pipeline of the desktop program on the command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "control/clock.h"

namespace selvane {

struct JstDateTime {
  long long year;
  int month, day, hour, minute, second;
};

// The civil date and time in Japan Standard Time of a Julian day on the engine's uniform
// scale (delta-T in seconds taken off), to the nearest second.
JstDateTime JulianDayToJst(double julianDay, int deltaTSeconds);

// Runs the tool with the arguments after the program name; returns the exit status.
int RunPhaseCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, Clock& clock);

}  // namespace selvane

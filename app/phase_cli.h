// selvane-phase: the phase pipeline of the desktop program on the command line.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "astro/phase_events.h"
#include "control/clock.h"

namespace selvane {

using JstDateTime = CivilTime;

// The civil date and time in Japan Standard Time of a Julian day on the engine's uniform
// scale (delta-T in seconds taken off), to the nearest second. A Julian day that is not finite
// or lies far outside the calendar (beyond 6e7) gives all zeros.
JstDateTime JulianDayToJst(double julianDay, int deltaTSeconds);

// What --png needs: draw the moon picture with the phase of the six texts (or of the clock,
// as at start-up, when texts is null) with the given shadow row step for a screen of the given
// device pixel ratio, and write it as a PNG. Returns false with a message in error when the
// file could not be written.
using PngWriter =
    std::function<bool(const std::string& path, const std::vector<std::string>* texts,
                       int shadowStep, double ratio, Clock& clock, std::string& error)>;

// Runs the tool with the arguments after the program name; returns the exit status. Output
// that out does not take ends with a message on err and status 1, naming the reason when out
// writes through an FdStreamBuf. writePng is empty where the tool cannot draw pictures.
int RunPhaseCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, Clock& clock, const PngWriter& writePng = {});

}  // namespace selvane

// The moon picture with the shadow of an instant, written as a PNG file through the very
// canvas and painter of the moon window, without opening a window or needing a display.
#pragma once

#include <string>
#include <vector>

#include "control/clock.h"

namespace selvane {

// texts: year, month, day, hour, minute and second as field texts, or null for now (the
// fields filled from the clock and evaluated twice, as the program starts). shadowStep: the
// row step of the shadow (1 solid, 2 hatched). ratio: the device pixel ratio drawn for, as the
// moon window draws on a screen of that ratio (1: 255 x 258 pixels, 2: 510 x 516). Returns
// false with a message in error when the picture could not be made or the file could not be
// written.
bool WriteMoonPng(const std::string& path, const std::vector<std::string>* texts, int shadowStep,
                  double ratio, Clock& clock, std::string& error);

}  // namespace selvane

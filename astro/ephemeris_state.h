// The one record shared by the engine, the moon view and the control panel.
// Every field starts at 0; the engine and the windows read and write it directly.
#pragma once

#include <cstdint>

namespace selvane {

struct EphemerisState {
  double Elongation = 0;   // Moon minus Sun longitude, degrees, in (0, 360]
  double LitFraction = 0;  // (1 - cos Elongation) / 2
  int PictureMargin = 0;   // twips between the moon window's edge and its picture (40)
  std::int16_t QuitRequested = 0;
  double InYear = 0;   // entered year (January/February: year - 1 after the conversion)
  double InMonth = 0;  // entered month (January/February: month + 12)
  double InDay = 0;
  int ShadowStep = 0;             // row step of the shadow: 1 solid, 2 hatched
  std::int16_t KeypadTarget = 0;  // 1..7: the field the keypad edits
  double JulianDay = 0;           // Julian day at 0 h of the entered civil date
  double JulianCenturies = 0;     // T, Julian centuries from J2000.0
  double DateCenturies = 0;
  int DeltaT = 0;          // seconds, year - 1934
  double DayFraction = 0;  // days after the date conversion, centuries after T
  double YearDays = 0;
  double InstantJD = 0;        // Julian day of the entered instant
  double LunationStartJD = 0;  // InstantJD of the last conjunction
  double SavedElongation = 0;  // kept while the phase-cycle animation runs
  double InHour = 0;
  double InMinute = 0;
  double InSecond = 0;
  int RealTimeMode = 0;            // 1 while the display follows the clock
  int StepUnit = 0;                // 1..6: year .. second advanced by an animation tick
  std::int16_t SavedInterval = 0;  // animation interval in ms, restored when real time ends
  double SunLongitude = 0;
  double WrapScratch = 0;
  double MoonLongitude = 0;
};

}  // namespace selvane

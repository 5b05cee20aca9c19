// The ephemeris engine: the time base, the solar and lunar longitude series, the phase evaluation
// and the search for the start of the lunation. Its procedures communicate through the
// EphemerisState record and the texts of the six date and time fields, as the windows do.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "astro/ephemeris_state.h"

namespace selvane {

// The seven entry fields as the engine sees them: 1 year .. 6 second, 7 step amount.
class FieldStore {
 public:
  virtual ~FieldStore() = default;
  virtual const std::string& Text(int field) const = 0;
  // Replaces the text and runs the field's change rules before returning. False when the
  // write was refused (its rules did not settle) and every field is as it was.
  virtual bool WriteField(int field, std::string_view text) = 0;
};

// What the evaluation needs of the moon window and the desktop.
class PhaseDisplay {
 public:
  virtual ~PhaseDisplay() = default;
  virtual void DrawMoonShadow() = 0;
  virtual void SetAgeText(std::string_view text) = 0;
  virtual std::string_view AgeText() const = 0;
  virtual void SetBusyPointer(bool busy) = 0;
  virtual void Beep() = 0;
};

// Cosine of an angle in degrees, with the 15-digit degree factor the series were made with.
double CosDeg(double degrees);

// True when the lit fraction, shown with 11 decimals and read back as a number, is zero: the
// test that ends the search's walk over the seconds.
bool LitShowsAsZero(double litFraction);

// Formats an age in days as the moon window shows it: a blank, then 16 decimals.
void FormatAge(double days, std::string& out);

class Ephemeris {
 public:
  Ephemeris(EphemerisState& state, FieldStore& fields, PhaseDisplay& display);

  // Time base and series; each works on the record alone.
  void ReadInputTime();
  void ComputeJulianDay();
  void ComputeJulianCenturies();
  void ComputeSunPosition();
  void ComputeMoonPosition();

  // Evaluates the fields' instant, draws, writes the age and searches when the age is stale.
  void UpdateMoonPhase();
  // The numeric half of UpdateMoonPhase: no drawing, no age.
  void EvaluateElongationAt();
  // Finds the second of the last conjunction by stepping the fields, then evaluates again.
  void FindLunationStart();

  // How many times EvaluateElongationAt has run: what a search costs, in evaluations.
  long Evaluations() const { return evaluations_; }
  // The delta-T (seconds) of the instant stored as LunationStartJD: the search may have crossed
  // into an earlier year than the one entered, whose delta-T is a second less.
  int LunationStartDeltaT() const { return lunationDeltaT_; }

  // Longest walks of the search's loops before it gives up (steps of one unit).
  static constexpr int kMaxDaySteps = 40;
  static constexpr int kMaxHourSteps = 70;
  static constexpr int kMaxMinuteSteps = 70;
  static constexpr int kMaxSecondSteps = 200;

 private:
  double Value(int field) const;
  // The input time of the six field values, as ReadInputTime takes it from the texts.
  void TakeInputTime(const std::array<double, 6>& values);
  // Steps 2 to 7 of an evaluation, after the input time is read.
  void FinishEvaluation();
  // One trial instant of the search: the private date when the search works on it, else the
  // fields.
  void EvaluateTrial();
  // Copies the fields into the private date when they hold a plain valid date outside
  // real-time mode; false leaves the search on the fields themselves.
  bool TakePrivateDate();
  void StepPrivateDate(int field, double delta);
  bool Step(int field, double delta);
  bool WalkCoarse(int field, int& direction, int maxSteps);
  bool WalkSeconds(int& direction);
  void RestoreFields();

  EphemerisState& s_;
  FieldStore& fields_;
  PhaseDisplay& display_;
  std::string ageScratch_;
  std::string writeScratch_;
  std::array<double, 6> saved_{};
  // The search's private copy of year .. second, stepped by the fields' own rules.
  std::array<double, 6> date_{};
  bool privateDate_ = false;
  bool searching_ = false;
  long evaluations_ = 0;
  int lunationDeltaT_ = 0;
};

}  // namespace selvane

// The unlit part of the Moon as black horizontal lines over the full-Moon picture, the moon
// window's caption, and the one-cycle phase animation. Pure arithmetic on the record; the
// picture itself is reached through ShadowCanvas.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"

namespace selvane {

// The moon picture: 255 x 258 pixels; the disc is modelled as centre (128, 128), radius 128.
inline constexpr int kPictureWidth = 255;
inline constexpr int kPictureHeight = 258;
inline constexpr int kDiscCentre = 128;
inline constexpr double kDiscRadiusSquared = 16384;
inline constexpr int kLastShadowRow = 256;  // rows 0..256 follow the terminator
inline constexpr int kBottomRow = 257;      // always covered across the whole width

struct ShadowSegment {
  float x1, y1, x2, y2;
};

struct ShadowSegments {
  std::array<ShadowSegment, kLastShadowRow + 2> lines;
  int count = 0;
};

// The lines of one phase: rows 0..256 by the row step (a step below 1 counts as 1), dark on the
// left up to 180 degrees and on the right above, then the bottom row.
void ComputeShadowSegments(double elongation, double litFraction, int rowStep, ShadowSegments& out);

// "Moon  " + year/month/day hour:minute:second, from the field texts as they stand.
void BuildMoonCaption(const FieldStore& fields, std::string& out);

// The 24 elongations of the phase-cycle animation that starts from the given elongation.
std::array<double, 24> PhaseCycleFrames(double startElongation);

class ShadowCanvas {
 public:
  virtual ~ShadowCanvas() = default;
  virtual void Clear() = 0;  // back to the bare moon picture
  virtual void Line(float x1, float y1, float x2, float y2) = 0;
  // The lines one after the other, as Line draws each.
  virtual void Lines(const ShadowSegment* lines, int count) {
    for (int i = 0; i < count; ++i) Line(lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2);
  }
  virtual void Refresh() = 0;  // present the picture now
  // One picture is complete: present it when it differs from the one presented last.
  virtual void DrawingDone() {}
  virtual void SetCaption(std::string_view caption) = 0;
};

class ShadowPainter {
 public:
  ShadowPainter(EphemerisState& state, const FieldStore& fields, ShadowCanvas& canvas);

  // Draws the shadow (unless the canvas shows this very phase at this row step already, as
  // drawn by this painter last) and the caption, then tells the canvas the picture is complete.
  void DrawMoonShadow();
  // Plays the phases once round in 15-degree steps, only while the display follows the clock.
  void AnimatePhaseCycle();

 private:
  void DrawShadow();

  EphemerisState& s_;
  const FieldStore& fields_;
  ShadowCanvas& canvas_;
  std::string caption_;
  ShadowSegments segments_;
  // What the canvas shows since the last drawing.
  bool drawnOnce_ = false;
  double drawnElongation_ = 0;
  int drawnStep_ = 0;
};

}  // namespace selvane

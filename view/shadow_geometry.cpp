#include "view/shadow_geometry.h"

#include <cmath>

namespace selvane {
namespace {
constexpr double kDegToRad = 0.017453292519943;  // the engine's degree factor
constexpr int kFrames = 24;
constexpr double kFrameStep = 15;
}  // namespace

void ComputeShadowSegments(double elongation, double litFraction, int rowStep,
                           ShadowSegments& out) {
  if (rowStep < 1) rowStep = 1;
  out.count = 0;
  // f is 1 with no light, 0 at half light, -1 at full light.
  const double f = (2 * litFraction - 1) * -1;
  for (int y = 0; y <= kLastShadowRow; y += rowStep) {
    const double d = kDiscCentre - y;
    const double h = std::sqrt(kDiscRadiusSquared - d * d);
    const double w = h * f;
    const float fy = static_cast<float>(y);
    if (elongation <= 180) {
      out.lines[out.count++] = {0.0f, fy, static_cast<float>(kDiscCentre + w), fy};
    } else if (elongation > 180) {
      out.lines[out.count++] = {static_cast<float>(kDiscCentre - w), fy, 256.0f, fy};
    }
  }
  out.lines[out.count++] = {0.0f, static_cast<float>(kBottomRow), 256.0f,
                            static_cast<float>(kBottomRow)};
}

void BuildMoonCaption(const FieldStore& fields, std::string& out) {
  out.assign("Moon  ");
  out.append(fields.Text(1)).append("/").append(fields.Text(2)).append("/");
  out.append(fields.Text(3)).append(" ").append(fields.Text(4)).append(":");
  out.append(fields.Text(5)).append(":").append(fields.Text(6));
}

std::array<double, 24> PhaseCycleFrames(double startElongation) {
  std::array<double, 24> frames{};
  double e = std::floor(startElongation);
  for (int i = 0; i < kFrames; ++i) {
    e = e + kFrameStep;
    if (e > 359) e = e - 360;
    frames[i] = e;
  }
  return frames;
}

ShadowPainter::ShadowPainter(EphemerisState& state, const FieldStore& fields, ShadowCanvas& canvas)
    : s_(state), fields_(fields), canvas_(canvas) {
  caption_.reserve(128);
}

void ShadowPainter::DrawMoonShadow() {
  DrawShadow();
  canvas_.DrawingDone();
}

void ShadowPainter::DrawShadow() {
  // The same phase at the same row step gives the same lines, which the canvas holds already:
  // real time draws each second's phase ten times. Nothing else draws on the canvas.
  const bool shown = drawnOnce_ && s_.Elongation == drawnElongation_ && s_.ShadowStep == drawnStep_;
  if (!shown) canvas_.Clear();
  s_.LitFraction = (1 - std::cos(s_.Elongation * kDegToRad)) / 2;
  BuildMoonCaption(fields_, caption_);
  canvas_.SetCaption(caption_);
  if (shown) return;
  ComputeShadowSegments(s_.Elongation, s_.LitFraction, s_.ShadowStep, segments_);
  canvas_.Lines(segments_.lines.data(), segments_.count);
  drawnOnce_ = true;
  drawnElongation_ = s_.Elongation;
  drawnStep_ = s_.ShadowStep;
}

void ShadowPainter::AnimatePhaseCycle() {
  if (s_.RealTimeMode == 0) return;
  s_.SavedElongation = s_.Elongation;
  const double keptLit = s_.LitFraction;
  for (double e : PhaseCycleFrames(s_.SavedElongation)) {
    s_.Elongation = e;
    s_.LitFraction = (1 - std::cos(s_.Elongation * kDegToRad)) / 2;
    // Each frame is presented at once by the refresh.
    DrawShadow();
    canvas_.Refresh();
  }
  s_.Elongation = s_.SavedElongation;
  s_.LitFraction = keptLit;
  DrawMoonShadow();
}

}  // namespace selvane

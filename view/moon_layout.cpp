#include "view/moon_layout.h"

#include <climits>
#include <cmath>

#include "astro/field_text.h"

namespace selvane {

long long IntegerDivide(double a, double b) {
  const double ra = RoundHalfEven(a);
  const double rb = RoundHalfEven(b);
  if (!std::isfinite(ra) || !std::isfinite(rb) || rb == 0) return 0;
  constexpr double kLimit = 9.0e18;
  if (std::fabs(ra) < kLimit && std::fabs(rb) < kLimit)
    return static_cast<long long>(ra) / static_cast<long long>(rb);
  const double q = std::trunc(ra / rb);
  if (q >= kLimit) return LLONG_MAX;
  if (q <= -kLimit) return LLONG_MIN;
  return static_cast<long long>(q);
}

MoonLayout LoadLayout(double margin, double pictureWidth, double pictureHeight, double textHeight,
                      double bw, double bh) {
  MoonLayout l{};
  l.outerWidth = 2 * margin + bw + pictureWidth;
  l.outerHeight = 3 * margin + bh + pictureHeight + textHeight;
  l.clientWidth = l.outerWidth - bw;
  l.clientHeight = l.outerHeight - bh;
  l.pictureLeft = margin;
  l.pictureTop = margin;
  l.textLeft = margin;
  l.textTop = 2 * margin + pictureHeight;
  l.textWidth = pictureWidth;
  return l;
}

NormalPositions FormReturnPositions(double margin, double pictureHeight) {
  return {margin, margin, margin, 2 * margin + pictureHeight};
}

MaximizedPositions MaximizedViewPositions(double screenWidth, double screenHeight,
                                          double pictureWidth, double pictureHeight,
                                          double textHeight, double margin) {
  MaximizedPositions p{};
  p.pictureLeft = (screenWidth - pictureWidth) / 2;
  p.pictureTop = (screenHeight - pictureHeight - textHeight - margin) / 2;
  p.textLeft = p.pictureLeft;
  p.textTop = pictureHeight + p.pictureTop + margin;
  return p;
}

EllipseRect CircularShapeRect(double margin, double outerWidth, double outerHeight,
                              double clientHeight, double textHeight, double tx, double ty) {
  EllipseRect r{};
  r.left = IntegerDivide(3 * margin, tx);
  // The top edge uses the horizontal factor, like the left and the right edge.
  r.top = IntegerDivide(margin + (outerHeight - clientHeight), tx);
  r.right = IntegerDivide(outerWidth - 2.5 * margin, tx);
  r.bottom = IntegerDivide((outerHeight - textHeight) - 3.5 * margin, ty);
  return r;
}

std::optional<double> ReadStoredNumber(std::string_view text) {
  return StrictNumber(text);
}

std::optional<bool> ReadTruthValue(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  const std::string_view t = text.substr(b, e - b);
  auto equalsIgnoringCase = [](std::string_view a, std::string_view word) {
    if (a.size() != word.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      char c = a[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != word[i]) return false;
    }
    return true;
  };
  if (equalsIgnoringCase(t, "true")) return true;
  if (equalsIgnoringCase(t, "false")) return false;
  if (const auto n = StrictNumber(t)) return *n != 0;
  return std::nullopt;
}

std::optional<int> ReadShadowStep(std::string_view text) {
  const auto n = StrictNumber(text);
  if (!n || *n < 1 || *n != std::floor(*n) || *n > INT_MAX) return std::nullopt;
  return static_cast<int>(*n);
}

Placement DecidePlacement(const PlacementInput& in) {
  Placement p;
  auto centreBoth = [&] {
    p.left1 = (in.screenWidth - in.controlWidth) / 2;
    p.top1 = (in.screenHeight - in.controlHeight) / 2;
    p.left2 = (in.screenWidth - in.moonWidth) / 2;
    p.top2 = (in.screenHeight - in.moonHeight) / 2;
  };
  // Steps 4 and 5: the positions; only a value beyond the screen's width or height is replaced.
  const auto left1 = ReadStoredNumber(in.left1);
  const auto top1 = ReadStoredNumber(in.top1);
  const auto left2 = ReadStoredNumber(in.left2);
  const auto top2 = ReadStoredNumber(in.top2);
  if (!left1 || !top1 || !left2 || !top2) {
    p.failedStep = 4;
    p.shadowStep = 1;
    centreBoth();
    return p;
  }
  p.left1 = *left1 > in.screenWidth ? (in.screenWidth - in.controlWidth) / 2 : *left1;
  p.top1 = *top1 > in.screenHeight ? (in.screenHeight - in.controlHeight) / 2 : *top1;
  p.left2 = *left2 > in.screenWidth ? (in.screenWidth - in.moonWidth) / 2 : *left2;
  p.top2 = *top2 > in.screenHeight ? (in.screenHeight - in.moonHeight) / 2 : *top2;
  // Step 6: the shadow step. Anything but a whole number of at least 1 cannot be drawn with.
  const auto step = ReadShadowStep(in.shadow);
  if (!step) {
    p.failedStep = 6;
    p.shadowStep = 1;
    centreBoth();
    return p;
  }
  p.shadowStep = *step;
  p.checkSade = *step == 2;
  // Step 7: the circular shape.
  const auto circular = ReadTruthValue(in.winstyle);
  if (!circular) {
    p.failedStep = 7;
    centreBoth();
    return p;
  }
  p.crcCheck = *circular;
  p.applyCircular = *circular;
  return p;
}

}  // namespace selvane

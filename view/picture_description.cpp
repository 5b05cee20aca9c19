#include "view/picture_description.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "astro/field_text.h"

namespace selvane {
namespace {

void AppendInteger(std::string& out, long long value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

}  // namespace

PictureFigures FiguresFor(std::string_view ageText, double litFraction) {
  PictureFigures f;
  const double tenths = std::trunc(FieldNumber(ageText) * 10);
  // A stale age before the lunation search can be millions of days: kept in range, not UB.
  f.ageTenths = std::isfinite(tenths) ? static_cast<long long>(std::clamp(tenths, -1e15, 1e15)) : 0;
  const double percent = std::round(litFraction * 100);
  f.litPercent = std::isfinite(percent) ? static_cast<int>(std::clamp(percent, 0.0, 100.0)) : 0;
  return f;
}

std::string DescribePicture(const PictureFigures& figures) {
  std::string out = "月齢 ";
  const long long t = figures.ageTenths;
  if (t < 0) out += '-';
  const long long magnitude = t < 0 ? -t : t;
  AppendInteger(out, magnitude / 10);
  out += '.';
  AppendInteger(out, magnitude % 10);
  out += "日、輝面比 ";
  AppendInteger(out, figures.litPercent);
  out += '%';
  return out;
}

DescriptionPacer::Decision DescriptionPacer::Offer(const PictureFigures& figures, bool realTime,
                                                   Millis now) {
  if (published_ && *published_ == figures) {
    pending_.reset();  // back to what is out already: nothing to say
    return {};
  }
  if (!published_ || now - publishedAt_ >= Gap(realTime)) {
    published_ = figures;
    publishedAt_ = now;
    pending_.reset();
    return {true, std::nullopt};
  }
  pending_ = figures;
  return {false, publishedAt_ + Gap(realTime) - now};
}

DescriptionPacer::DueResult DescriptionPacer::Due(bool realTime, Millis now) {
  if (!pending_) return {};
  if (now - publishedAt_ < Gap(realTime)) return {std::nullopt, publishedAt_ + Gap(realTime) - now};
  published_ = pending_;
  publishedAt_ = now;
  pending_.reset();
  return {published_, std::nullopt};
}

}  // namespace selvane

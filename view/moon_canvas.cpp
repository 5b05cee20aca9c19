#include "view/moon_canvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace selvane {
namespace {

constexpr QRgb kShadow = 0xFF000000u;

// The nearest pixel of a coordinate, halves upwards; far values are kept far.
int NearestPixel(double v) {
  v = std::clamp(v, -1.0e6, 1.0e6);
  return static_cast<int>(std::floor(v + 0.5));
}

QImage LoadPicture() {
  QImage picture(QStringLiteral(":/moon.gif"));
  return picture;
}

}  // namespace

MoonCanvas::MoonCanvas() {
  Init(LoadPicture());
}

MoonCanvas::MoonCanvas(const QImage& picture) {
  Init(picture);
}

void MoonCanvas::Init(const QImage& picture) {
  hasPicture_ = !picture.isNull();
  if (hasPicture_) {
    bare_ = picture.convertToFormat(QImage::Format_RGB32);
  } else {
    bare_ = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    bare_.fill(kShadow);
  }
  image_ = bare_.copy();
  spans_.reserve(kLastShadowRow + 2);
  presented_.reserve(kLastShadowRow + 2);
  caption_.reserve(128);
}

void MoonCanvas::NoteChange() {
  if (changeNoted_) return;
  changeNoted_ = true;
  if (changed_) changed_();
}

void MoonCanvas::Clear() {
  if (freeLines_) {
    std::memcpy(image_.bits(), bare_.constBits(), static_cast<std::size_t>(bare_.sizeInBytes()));
  } else {
    // Only the drawn rows differ from the bare picture.
    for (const Span& s : spans_) {
      std::memcpy(reinterpret_cast<QRgb*>(image_.scanLine(s.y)) + s.x1,
                  reinterpret_cast<const QRgb*>(bare_.constScanLine(s.y)) + s.x1,
                  static_cast<std::size_t>(s.x2 - s.x1 + 1) * sizeof(QRgb));
    }
  }
  spans_.clear();
  freeLines_ = false;
  NoteChange();
}

void MoonCanvas::Line(float x1, float y1, float x2, float y2) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  NoteChange();
  if (y1 == y2) {
    const int y = NearestPixel(y1);
    if (y < 0 || y >= image_.height()) return;
    int a = NearestPixel(std::min(x1, x2));
    int b = NearestPixel(std::max(x1, x2));
    a = std::max(a, 0);
    b = std::min(b, image_.width() - 1);
    if (a > b) return;
    QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(row + a, row + b + 1, kShadow);
    spans_.push_back({y, a, b});
    return;
  }
  // Any other line: the same pen through the painter.
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
  freeLines_ = true;
}

void MoonCanvas::Refresh() {
  if (refresh_) refresh_();
}

void MoonCanvas::SetCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  if (captionHook_) captionHook_(caption_);
}

bool MoonCanvas::TakeChange() {
  changeNoted_ = false;
  const bool changed = neverTaken_ || freeLines_ || presentedFree_ || spans_ != presented_;
  neverTaken_ = false;
  presentedFree_ = freeLines_;
  presented_ = spans_;
  return changed;
}

}  // namespace selvane

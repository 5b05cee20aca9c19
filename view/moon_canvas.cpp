#include "view/moon_canvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace selvane {
namespace {

constexpr QRgb kShadow = 0xFF000000u;

// The nearest pixel of a coordinate, halves upwards; far values are kept far. (The floor by
// hand: the library's is a call on processors without a rounding instruction in the base set.)
int NearestPixel(double v) {
  v = std::clamp(v, -1.0e6, 1.0e6) + 0.5;
  const int truncated = static_cast<int>(v);
  return truncated > v ? truncated - 1 : truncated;
}

constexpr double kMinRatio = 0.25;
constexpr double kMaxRatio = 8;

// The picture in RGB32, or indexed (a quarter of the bytes) when its colours fit a table of 256
// exactly, as they do in a GIF (which Qt's reader gives in full colour).
QImage Compact(const QImage& picture) {
  if (picture.isNull()) return picture;
  const QImage full = picture.convertToFormat(QImage::Format_RGB32);
  const QImage indexed =
      picture.format() == QImage::Format_Indexed8
          ? picture
          : full.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  if (indexed.convertToFormat(QImage::Format_RGB32) == full) return indexed;
  return full;
}

QImage LoadPicture(const QString& name) {
  return Compact(QImage(name));
}

}  // namespace

MoonCanvas::MoonCanvas(double ratio) : load2x_(true), pending_(true) {
  // The picture is read when its pixels are first wanted (the window's first paint, after the
  // window is up): until then its size is all the window needs.
  if (std::isfinite(ratio) && ratio >= kMinRatio && ratio <= kMaxRatio) ratio_ = ratio;
  Reserve();
}

MoonCanvas::MoonCanvas(const QImage& picture) {
  picture1x_ = Compact(picture);
  Reserve();
  Load();
}

void MoonCanvas::Reserve() {
  spans_.reserve(kLastShadowRow + 2);
  drawn_.reserve(kLastShadowRow + 2);
  presented_.reserve(kLastShadowRow + 2);
  caption_.reserve(128);
}

void MoonCanvas::Load() const {
  if (pending_) {
    pending_ = false;
    picture1x_ = LoadPicture(QStringLiteral(":/moon.gif"));
  }
  hasPicture_ = !picture1x_.isNull();
  if (!hasPicture_) {
    picture1x_ = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture1x_.fill(kShadow);
  }
  MakeImage();
}

QSize MoonCanvas::PictureSize() const {
  return pending_ ? QSize(kPictureWidth, kPictureHeight) : picture1x_.size();
}

bool MoonCanvas::HasPicture() const {
  if (pending_) Load();
  return hasPicture_;
}

int MoonCanvas::DeviceEdge(int v) const {
  return ratio_ == 1 ? v : static_cast<int>(std::floor(v * ratio_ + 0.5));
}

bool MoonCanvas::SetRatio(double ratio) {
  if (!std::isfinite(ratio) || ratio < kMinRatio || ratio > kMaxRatio || ratio == ratio_) {
    return false;
  }
  ratio_ = ratio;
  if (!pending_) MakeImage();
  ratioChanged_ = true;
  NoteChange();
  if (changed_) changed_();
  return true;
}

void MoonCanvas::MakeImage() const {
  if (ratio_ != 1 && load2x_) {
    // Read once, when a screen first needs it.
    load2x_ = false;
    picture2x_ = LoadPicture(QStringLiteral(":/moon@2x.gif"));
    if (picture2x_.size() != 2 * picture1x_.size()) picture2x_ = QImage();
  }
  const int w = DeviceEdge(picture1x_.width());
  const int h = DeviceEdge(picture1x_.height());
  if (ratio_ == 1) {
    bare_ = picture1x_;
  } else if (ratio_ == 2 && !picture2x_.isNull()) {
    bare_ = picture2x_;
  } else {
    // Scaled in full colour, opaque: an indexed picture is converted first.
    const QImage from =
        (picture2x_.isNull() ? picture1x_ : picture2x_).convertToFormat(QImage::Format_RGB32);
    bare_ = from.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
  }
  bare_.setDevicePixelRatio(ratio_);
  // The colours of an indexed picture as its RGB32 conversion has them: opaque.
  bareColors_.clear();
  if (bare_.format() == QImage::Format_Indexed8) {
    bareColors_.resize(256, kShadow);
    const QList<QRgb> table = bare_.colorTable();
    for (qsizetype i = 0; i < table.size() && i < 256; ++i)
      bareColors_[static_cast<std::size_t>(i)] = table[i] | 0xFF000000u;
  }
  // The one full-colour copy of the picture: the one drawn on.
  image_ = bare_.format() == QImage::Format_RGB32 ? bare_.copy()
                                                  : bare_.convertToFormat(QImage::Format_RGB32);
  image_.setDevicePixelRatio(ratio_);
  drawn_.clear();
  wholeRestore_ = false;
  Settle();
  for (const FreeLine& l : free_) DrawFreeLine(l);
}

void MoonCanvas::NoteChange() {
  changeNoted_ = true;
}

void MoonCanvas::DrawingDone() {
  if (changeNoted_ && changed_) changed_();
}

void MoonCanvas::Settle() const {
  if (pending_) {
    Load();  // which settles
    return;
  }
  if (wholeRestore_) {
    if (bareColors_.empty()) {
      std::memcpy(image_.bits(), bare_.constBits(), static_cast<std::size_t>(bare_.sizeInBytes()));
    } else {
      for (int y = 0; y < bare_.height(); ++y) RestoreRow(y, 0, bare_.width());
    }
    drawn_.clear();
    wholeRestore_ = false;
  }
  if (drawn_ == spans_) return;
  // Real time draws the same rows again and again: only rows that differ are touched. A row
  // given back to the picture is drawn again for every span that lies on it now.
  rowRestored_.resize(static_cast<std::size_t>(picture1x_.height()));
  bool restored = false;
  for (std::size_t i = 0; i < drawn_.size(); ++i) {
    if (i < spans_.size() && drawn_[i] == spans_[i]) continue;
    RestoreSpan(drawn_[i]);
    rowRestored_[static_cast<std::size_t>(drawn_[i].y)] = 1;
    restored = true;
  }
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    if (i < drawn_.size() && drawn_[i] == spans_[i] &&
        !rowRestored_[static_cast<std::size_t>(spans_[i].y)]) {
      continue;
    }
    FillSpan(spans_[i]);
  }
  for (const Span& d : drawn_) rowRestored_[static_cast<std::size_t>(d.y)] = 0;
  if (restored) {
    for (const FreeLine& l : free_) DrawFreeLine(l);
  }
  drawn_ = spans_;
}

void MoonCanvas::Clear() {
  // The pixels follow when the image is next looked at.
  if (!free_.empty()) wholeRestore_ = true;
  spans_.clear();
  free_.clear();
  NoteChange();
}

void MoonCanvas::RestoreSpan(const Span& s) const {
  const int x1 = DeviceEdge(s.x1);
  const int x2 = DeviceEdge(s.x2 + 1);
  for (int y = DeviceEdge(s.y); y < DeviceEdge(s.y + 1); ++y) RestoreRow(y, x1, x2);
}

void MoonCanvas::RestoreRow(int y, int x1, int x2) const {
  QRgb* to = reinterpret_cast<QRgb*>(image_.scanLine(y));
  if (bareColors_.empty()) {
    std::memcpy(to + x1, reinterpret_cast<const QRgb*>(bare_.constScanLine(y)) + x1,
                static_cast<std::size_t>(x2 - x1) * sizeof(QRgb));
    return;
  }
  const uchar* from = bare_.constScanLine(y);
  for (int x = x1; x < x2; ++x) to[x] = bareColors_[from[x]];
}

QImage MoonCanvas::BarePicture() const {
  if (pending_) Load();
  if (bareColors_.empty()) return bare_;
  QImage picture = bare_.convertToFormat(QImage::Format_RGB32);
  picture.setDevicePixelRatio(bare_.devicePixelRatio());
  return picture;
}

void MoonCanvas::FillSpan(const Span& s) const {
  const int x1 = DeviceEdge(s.x1);
  const int x2 = DeviceEdge(s.x2 + 1);
  for (int y = DeviceEdge(s.y); y < DeviceEdge(s.y + 1); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(row + x1, row + x2, kShadow);
  }
}

void MoonCanvas::DrawFreeLine(const FreeLine& l) const {
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
}

void MoonCanvas::Line(float x1, float y1, float x2, float y2) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  NoteChange();
  if (y1 == y2) {
    AddRow(x1, y1, x2, PictureSize());
    return;
  }
  // Any other line: the same pen through the painter, in picture coordinates, over the rows
  // drawn so far.
  Settle();
  free_.push_back({x1, y1, x2, y2});
  DrawFreeLine(free_.back());
}

void MoonCanvas::AddRow(float x1, float y, float x2, QSize size) {
  const int row = NearestPixel(y);
  if (row < 0 || row >= size.height()) return;
  const int a = std::max(NearestPixel(std::min(x1, x2)), 0);
  const int b = std::min(NearestPixel(std::max(x1, x2)), size.width() - 1);
  if (a <= b) spans_.push_back({row, a, b});
}

void MoonCanvas::Lines(const ShadowSegment* lines, int count) {
  const QSize size = PictureSize();
  for (int i = 0; i < count; ++i) {
    const ShadowSegment& l = lines[i];
    if (l.y1 != l.y2 || !std::isfinite(l.x1) || !std::isfinite(l.y1) || !std::isfinite(l.x2)) {
      Line(l.x1, l.y1, l.x2, l.y2);
      continue;
    }
    NoteChange();
    AddRow(l.x1, l.y1, l.x2, size);
  }
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
  const bool changed =
      neverTaken_ || ratioChanged_ || !free_.empty() || presentedFree_ || spans_ != presented_;
  neverTaken_ = false;
  ratioChanged_ = false;
  presentedFree_ = !free_.empty();
  presented_ = spans_;
  return changed;
}

}  // namespace selvane

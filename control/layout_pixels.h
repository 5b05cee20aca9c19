// The design's twips as the windows place their controls: whole pixels through the platform's
// twips per pixel, with the right and bottom edges rounded too, so that neighbours stay flush.
#pragma once

#include <QRect>

#include "control/control_layout.h"
#include "platform/platform.h"

namespace selvane::layout {

inline QRect Pixels(const TwipsRect& r) {
  const int left = platform::TwipsToPixelsX(r.left);
  const int top = platform::TwipsToPixelsY(r.top);
  const int right = platform::TwipsToPixelsX(r.left + r.width);
  const int bottom = platform::TwipsToPixelsY(r.top + r.height);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace selvane::layout

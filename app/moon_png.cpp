#include "app/moon_png.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cmath>
#include <string_view>

#include "app/checked_output.h"
#include "app/headless_session.h"
#include "view/moon_canvas.h"

namespace selvane {
namespace {

// 96 dots per inch, the logical resolution of the screens the moon window is drawn for.
constexpr int kDotsPerMeter = 3780;

}  // namespace

bool WriteMoonPng(const std::string& path, const std::vector<std::string>* texts, int shadowStep,
                  double ratio, Clock& clock, std::string& error) {
  if (path.empty()) {
    error = "no file name given";
    return false;
  }
  if (shadowStep < 1) {
    error = "the shadow step must be a whole number of at least 1";
    return false;
  }
  if (!std::isfinite(ratio) || ratio < 1 || ratio > 4) {
    error = "the scale must be a number from 1 to 4";
    return false;
  }
  if (texts && texts->size() != 6) {
    error = "expected six texts: year month day hour minute second";
    return false;
  }
  // The canvas reads and draws images only: no application object, no platform, no display.
  MoonCanvas canvas(ratio);
  if (!canvas.HasPicture()) {
    error = "the moon picture could not be loaded";
    return false;
  }
  HeadlessSession s(&canvas);
  s.state.ShadowStep = shadowStep;
  if (texts) {
    const std::string_view fields[6] = {(*texts)[0], (*texts)[1], (*texts)[2],
                                        (*texts)[3], (*texts)[4], (*texts)[5]};
    s.EnterFields(fields);
    s.engine.UpdateMoonPhase();
  } else {
    s.StartFromClock(clock);
  }
  QImage image = canvas.Image();
  image.setDotsPerMeterX(kDotsPerMeter);
  image.setDotsPerMeterY(kDotsPerMeter);
  // Encoded whole first, then written with every write checked.
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "png")) {
    error = "cannot encode the picture as PNG";
    return false;
  }
  return WriteWholeFile(
      path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())), error);
}

}  // namespace selvane

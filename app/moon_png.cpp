#include "app/moon_png.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImageWriter>
#include <cmath>
#include <string_view>

#include "app/headless_session.h"
#include "view/moon_canvas.h"

namespace selvane {
namespace {

// Pictures need a GUI application object; without one, this makes one on the offscreen
// platform, which needs no display. It lives until the process ends.
void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 3;
  static char arg0[] = "selvane-phase";
  static char arg1[] = "-platform";
  static char arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  new QGuiApplication(argc, argv);
}

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
  EnsureGuiApplication();
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
  QImageWriter writer(QString::fromStdString(path), "png");
  if (!writer.write(canvas.Image())) {
    error = "cannot write " + path + ": " + writer.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace selvane

// selvane-phase --png: the moon picture of an instant through the window's canvas and painter.
#include "app/moon_png.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "view/moon_canvas.h"

namespace selvane {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(ClockReading r) : r_(r) {}
  ClockReading Now() override {
    ++reads;
    return r_;
  }
  int reads = 0;

 private:
  ClockReading r_;
};

// The picture the moon window shows for six field texts and a row step at a device pixel ratio.
QImage WindowPicture(const std::vector<std::string>& texts, int step, double ratio = 1) {
  MoonCanvas canvas(ratio);
  HeadlessSession s(&canvas);
  s.state.ShadowStep = step;
  const std::string_view t[6] = {texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]};
  s.EnterFields(t);
  s.engine.UpdateMoonPhase();
  return canvas.Image();
}

QImage Read(const QString& path) {
  return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(MoonPng, WritesTheWindowsPictureForTheGivenInstant) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FixedClock clock({2000, 1, 1, 0, 0, 0});
  const std::vector<std::string> texts = {"2024", "2", "12", "12", "0", "0"};
  for (int step : {1, 2}) {
    for (int ratio : {1, 2}) {
      const QString path = dir.filePath(QStringLiteral("moon%1x%2.png").arg(step).arg(ratio));
      std::string error;
      ASSERT_TRUE(WriteMoonPng(path.toStdString(), &texts, step, ratio, clock, error)) << error;
      const QImage png = Read(path);
      EXPECT_EQ(png.size(), QSize(255 * ratio, 258 * ratio));
      EXPECT_EQ(png, WindowPicture(texts, step, ratio)) << "step " << step << " ratio " << ratio;
    }
  }
  EXPECT_EQ(clock.reads, 0);
  EXPECT_NE(Read(dir.filePath("moon1x1.png")), Read(dir.filePath("moon2x1.png")));
}

TEST(MoonPng, NowIsTheClocksInstant) {
  QTemporaryDir dir;
  FixedClock clock({2024, 6, 22, 3, 8, 0});
  const QString path = dir.filePath(QStringLiteral("now.png"));
  std::string error;
  ASSERT_TRUE(WriteMoonPng(path.toStdString(), nullptr, 1, 1, clock, error)) << error;
  EXPECT_EQ(clock.reads, 12);  // six fields, filled twice as at start-up
  EXPECT_EQ(Read(path), WindowPicture({"2024", "6", "22", "3", "8", "0"}, 1));
}

TEST(MoonPng, RefusesWhatItCannotDo) {
  FixedClock clock({2024, 1, 1, 0, 0, 0});
  const std::vector<std::string> texts = {"2024", "2", "12", "12", "0", "0"};
  const std::vector<std::string> five = {"2024", "2", "12", "12", "0"};
  std::string error;
  EXPECT_FALSE(WriteMoonPng("/nonexistent-dir/x/moon.png", &texts, 1, 1, clock, error));
  EXPECT_NE(error.find("/nonexistent-dir/x/moon.png"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(WriteMoonPng("", &texts, 1, 1, clock, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(WriteMoonPng("/tmp/never.png", &five, 1, 1, clock, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(WriteMoonPng("/tmp/never.png", &texts, 0, 1, clock, error));
  EXPECT_FALSE(error.empty());
  for (double ratio : {0.5, 0.0, 5.0, static_cast<double>(std::nanf(""))}) {
    error.clear();
    EXPECT_FALSE(WriteMoonPng("/tmp/never.png", &texts, 1, ratio, clock, error)) << ratio;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace selvane

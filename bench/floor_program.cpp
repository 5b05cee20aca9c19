// The floor of tools/resource_figures.sh: the least a Qt Widgets program can do for the job the
// desktop program does on the screen, so that Selvane's costs can be read as ratios to it on
// any machine. Two small windows of Selvane's sizes: one with a label whose 20-character number
// text changes once a second, looked at on a 100 ms timer, and one with a 255 x 258 picture
// repainted once a minute. Nothing else: no icon, no tray, no settings, no fonts chosen.
//
// With --whole-job it also does the rest of what the desktop program must show in real time,
// the least way Qt offers: a second text (the age) under the picture and the picture window's
// caption, both new every second, and at second 1 of each minute 24 frames of the picture, each
// on the screen and held for one refresh of the display. What that costs above the plain floor
// is the part of Selvane's ratio that its job, not its code, asks for.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

// A disc of greys on black, made once: the picture without decoding a file.
QImage MakePicture() {
  QImage image(255, 258, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int dx = x - 128, dy = y - 128;
      const int grey = dx * dx + dy * dy <= 128 * 128 ? 96 + (x + y) % 128 : 0;
      row[x] = qRgb(grey, grey, grey);
    }
  }
  return image;
}

class Picture : public QWidget {
 public:
  explicit Picture(QWidget* parent) : QWidget(parent), image_(MakePicture()) {
    setFixedSize(image_.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.drawImage(0, 0, image_);
  }

 private:
  QImage image_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool wholeJob = argc > 1 && std::strcmp(argv[1], "--whole-job") == 0;
  QApplication app(argc, argv);

  // The control window's and the moon window's client sizes at 96 dots per inch.
  QWidget clock;
  clock.setWindowTitle(QStringLiteral("floor clock"));
  clock.setFixedSize(161, 253);
  QLabel label(&clock);
  label.setGeometry(8, 100, 145, 24);

  QWidget moon;
  moon.setWindowTitle(QStringLiteral("floor picture"));
  moon.setFixedSize(264, 295);
  Picture picture(&moon);
  picture.move(3, 3);
  QLabel* age = nullptr;  // the whole job's second text
  if (wholeJob) {
    age = new QLabel(&moon);
    age->setGeometry(3, 266, 255, 24);
  }

  // The number: seconds since 1970, twenty digits with leading zeros.
  std::time_t shown = -1;
  auto tick = [&] {
    const std::time_t now = std::time(nullptr);
    if (now == shown) return;
    shown = now;
    char digits[21];
    auto [end, ec] = std::to_chars(digits, digits + 20, static_cast<long long>(now));
    (void)ec;
    const int n = static_cast<int>(end - digits);
    QString text(20, QLatin1Char('0'));
    for (int i = 0; i < n; ++i) text[20 - n + i] = QLatin1Char(digits[i]);
    label.setText(text);
    if (!wholeJob) return;
    age->setText(text.right(9));
    moon.setWindowTitle(QStringLiteral("floor picture ") + text.right(2));
    if (now % 60 != 1 || !moon.isVisible()) return;
    for (int frame = 0; frame < 24; ++frame) {
      picture.repaint();
      const double rate = moon.screen()->refreshRate();
      std::this_thread::sleep_for(std::chrono::duration<double>(1 / (rate >= 10 ? rate : 60)));
    }
  };
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, tick);
  ticks.start(100);
  QTimer minutes;
  QObject::connect(&minutes, &QTimer::timeout, &picture, [&picture] { picture.update(); });
  if (!wholeJob) minutes.start(60000);

  tick();
  clock.show();
  moon.show();
  return app.exec();
}

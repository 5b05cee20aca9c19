// The moon window on its own, for screenshots and for the end-to-end test under a real X
// server: a stand-in control window, settings in memory, fixed field texts.
//
//   moon_window_demo [--fields Y M D h m s] [--step N] [--circular] [--maximized] [--topmost]
//                    [--grab FILE]
//
// With --grab it writes the window's own picture to FILE and ends. Otherwise it shows the
// window and reads commands from standard input, one a line: circular, rect, top, notop, max,
// normal, hide, show, cycle, where (prints "x y w h" of the client area, "fx fy fw fh" of
// the frame and the number of animation frames shown so far), shot FILE (the whole screen),
// pixel X Y (the screen's colour there as r g b), quit. It prints "ready <window id>" once the
// window is shown and "done <command>" after each command.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "control/entry_fields.h"
#include "platform/platform.h"
#include "tray/menu_checks.h"
#include "tray/settings_store.h"
#include "view/moon_window.h"

using namespace selvane;

int main(int argc, char** argv) {
  platform::PreferX11OnWayland();
  QApplication app(argc, argv);
  platform::InstallFontSubstitutions();
  std::vector<std::string> fieldTexts = {"2024", "2", "17", "21", "0", "0"};
  std::string grab;
  int step = 1;
  bool circular = false, maximized = false, topmost = false;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString a = args[i];
    if (a == "--fields" && i + 6 < args.size()) {
      for (int k = 0; k < 6; ++k) fieldTexts[k] = args[++i].toStdString();
    } else if (a == "--step" && i + 1 < args.size()) {
      step = args[++i].toInt();
    } else if (a == "--grab" && i + 1 < args.size()) {
      grab = args[++i].toStdString();
    } else if (a == "--circular") {
      circular = true;
    } else if (a == "--maximized") {
      maximized = true;
    } else if (a == "--topmost") {
      topmost = true;
    }
  }

  QLabel control(QStringLiteral("Selvane"));
  control.setWindowTitle(QStringLiteral("Selvane"));
  control.setFixedSize(161, 253);
  MenuChecks checks;
  MemorySettingsStore settings;
  settings.WriteSetting("Selvane", "Settings", "Left1", "600");
  settings.WriteSetting("Selvane", "Settings", "Top1", "600");
  settings.WriteSetting("Selvane", "Settings", "Left2", "3000");
  settings.WriteSetting("Selvane", "Settings", "Top2", "1500");
  settings.WriteSetting("Selvane", "Settings", "shadow", std::to_string(step));
  settings.WriteSetting("Selvane", "Settings", "winstyle", circular ? "True" : "False");

  EphemerisState state;
  EntryFields fields;
  MoonWindow moon(state, fields, checks, settings, &control, [](const QPoint& p, bool) {
    std::printf("menu %d %d\n", p.x(), p.y());
    std::fflush(stdout);
  });
  Ephemeris engine(state, fields, moon);
  fields.WriteField(7, "1");
  for (int i = 0; i < 6; ++i) fields.WriteField(i + 1, fieldTexts[i]);
  engine.UpdateMoonPhase();
  state.RealTimeMode = 1;  // the picture's click plays the cycle
  long frames = 0;
  moon.SetFrameHold([&](std::chrono::nanoseconds d) {
    ++frames;
    QThread::usleep(static_cast<unsigned long>(d.count() / 1000));
  });

  if (maximized) {
    moon.SetWindowState(2);
    moon.LayoutMaximizedView();
  }
  moon.show();
  if (topmost) {
    checks.SetChecked(MenuItem::Top, true);
    SetTopmost(&moon, 1);
  }

  if (!grab.empty()) {
    QTimer::singleShot(0, [&] {
      moon.grab().save(QString::fromStdString(grab));
      app.quit();
    });
    return app.exec();
  }

  QTimer::singleShot(0, [&] {
    std::printf("ready %llu\n", static_cast<unsigned long long>(moon.winId()));
    std::fflush(stdout);
  });
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) {
      app.quit();
      return;
    }
    if (line == "circular") {
      moon.ApplyCircularShape();
    } else if (line == "rect") {
      moon.DropCircularShape();
    } else if (line == "top") {
      SetTopmost(&moon, 1);
    } else if (line == "notop") {
      SetTopmost(&moon, 0);
    } else if (line == "max") {
      moon.DropCircularShape();
      moon.SetWindowState(2);
      moon.LayoutMaximizedView();
      moon.show();
    } else if (line == "normal") {
      moon.SetWindowState(0);
      moon.formreturn();
    } else if (line == "hide") {
      moon.hide();
    } else if (line == "show") {
      moon.show();
    } else if (line == "cycle") {
      moon.Painter().AnimatePhaseCycle();
    } else if (line == "where") {
      const QRect g = moon.geometry();
      const QRect f = platform::OuterGeometry(&moon);
      std::printf("where %d %d %d %d %d %d %d %d %ld\n", g.x(), g.y(), g.width(), g.height(), f.x(),
                  f.y(), f.width(), f.height(), frames);
    } else if (line.rfind("shot ", 0) == 0) {
      QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromStdString(line.substr(5)));
    } else if (line.rfind("pixel ", 0) == 0) {
      int x = 0, y = 0;
      std::sscanf(line.c_str() + 6, "%d %d", &x, &y);
      const QImage px = QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1, 1).toImage();
      const QColor c = px.isNull() ? QColor() : px.pixelColor(0, 0);
      std::printf("pixel %d %d %d\n", c.red(), c.green(), c.blue());
    } else if (line == "quit") {
      app.quit();
    }
    std::printf("done %s\n", line.c_str());
    std::fflush(stdout);
  });
  return app.exec();
}

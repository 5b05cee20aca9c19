// The desktop program as a whole, on the real windows under the offscreen platform: start-up,
// every menu item with the cases where they meet (circular and maximized, real time off and
// on, the control window above a maximized topmost moon window), the settings restored at
// start and saved when quitting, also while maximized and when they cannot be written.
#include "app/desktop_app.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/quit_signals.h"
#include "astro/field_text.h"
#include "platform/platform.h"

namespace selvane {
namespace {

class FixedClock : public Clock {
 public:
  ClockReading Now() override { return {2024, 1, 1, 12, 0, 0}; }
};

std::string Setting(SettingsStore& s, const char* key) {
  return s.ReadSetting("Selvane", "Settings", key, "<none>");
}

struct Program {
  explicit Program(SettingsStore& settings) : app(&settings, &clock) { app.Start(); }
  void Choose(MenuItem item) { app.Form3().Action(item)->trigger(); }
  // Until the window manager has answered the placements, the windows stand where they were
  // put; a move after that is the user's. (An answer may move a window once more, to centre it
  // by its frame: then that answer is awaited too.)
  void Answered() {
    const std::array<QWidget*, 2> windows{&app.Form1(), &app.Form2()};
    const auto places = [&] {
      return std::array{platform::OuterGeometry(windows[0]), platform::OuterGeometry(windows[1])};
    };
    for (int round = 0; round < 5; ++round) {
      const auto before = places();
      int waiting = 2;
      for (QWidget* w : windows) platform::WhenSettled(w, [&waiting] { --waiting; });
      QElapsedTimer waited;
      waited.start();
      while (waiting > 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      ASSERT_EQ(waiting, 0);
      if (places() == before) return;
    }
    FAIL() << "the windows never came to rest";
  }
  bool Checked(MenuItem item) { return app.Checks().Checked(item); }
  FixedClock clock;
  DesktopApp app;
};

// The icons follow the windows: not there at once, there once the event loop has run.
TEST(DesktopApp, TheIconsComeAfterBothWindowsArePainted) {
  QApplication::setWindowIcon(QIcon());  // as before any start in this process
  MemorySettingsStore settings;
  Program p(settings);
  EXPECT_FALSE(p.app.Form3().IconVisible());
  EXPECT_TRUE(p.app.Form1().windowIcon().isNull());
  EXPECT_TRUE(p.app.Form2().windowIcon().isNull());
  QElapsedTimer waited;
  waited.start();
  while (!p.app.Form3().IconVisible() && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_TRUE(p.app.Form3().IconVisible());
  for (QWidget* w :
       {static_cast<QWidget*>(&p.app.Form1()), static_cast<QWidget*>(&p.app.Form2())}) {
    EXPECT_EQ(w->windowIcon().cacheKey(), platform::ProgramIcon().cacheKey());
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(32, 32)));
  }
}

TEST(DesktopApp, StartUpFollowsTheClockWithBothWindowsShown) {
  MemorySettingsStore settings;
  Program p(settings);
  EXPECT_TRUE(p.app.Form1().isVisible());
  EXPECT_TRUE(p.app.Form2().isVisible());
  EXPECT_EQ(p.app.Form1().windowTitle().toStdString(), "Selvane - Now -");
  EXPECT_EQ(p.app.Form2().windowTitle().toStdString(), "Moon  2024/1/1 12:0:0");
  EXPECT_NEAR(FieldNumber(p.app.Form2().AgeText()), 19.14, 0.01);
  EXPECT_EQ(p.app.Panel().TimerInterval(), 100);
  EXPECT_EQ(p.app.State().StepUnit, 6);
  for (MenuItem item : {MenuItem::Real, MenuItem::About, MenuItem::Ers})
    EXPECT_TRUE(p.Checked(item));
  for (MenuItem item : {MenuItem::Crc, MenuItem::Moon, MenuItem::Sade, MenuItem::Top})
    EXPECT_FALSE(p.Checked(item));
  EXPECT_EQ(p.app.State().ShadowStep, 1);
}

TEST(DesktopApp, CircularAndMaximizedTakeTurns) {
  MemorySettingsStore settings;
  Program p(settings);
  MoonWindow& moon = p.app.Form2();
  p.Choose(MenuItem::Crc);
  EXPECT_TRUE(moon.IsCircular());
  EXPECT_TRUE(p.Checked(MenuItem::Crc));
  p.Choose(MenuItem::Moon);
  EXPECT_FALSE(moon.IsCircular());
  EXPECT_FALSE(p.Checked(MenuItem::Crc));
  EXPECT_TRUE(p.Checked(MenuItem::Moon));
  EXPECT_EQ(moon.WindowState(), 2);
  p.Choose(MenuItem::Crc);
  EXPECT_EQ(moon.WindowState(), 0);
  EXPECT_FALSE(p.Checked(MenuItem::Moon));
  EXPECT_TRUE(moon.IsCircular());
  p.Choose(MenuItem::Crc);
  EXPECT_FALSE(moon.IsCircular());
}

TEST(DesktopApp, RealTimeOffStopsTheTimerAndOnShowsAHiddenMoonWindow) {
  MemorySettingsStore settings;
  Program p(settings);
  p.Choose(MenuItem::Real);
  EXPECT_EQ(p.app.Panel().TimerInterval(), 0);
  EXPECT_EQ(p.app.State().RealTimeMode, 0);
  EXPECT_EQ(p.app.Form1().windowTitle().toStdString(), "Selvane");
  p.Choose(MenuItem::Ers);
  EXPECT_FALSE(p.app.Form2().isVisible());
  p.Choose(MenuItem::Real);
  EXPECT_EQ(p.app.Panel().TimerInterval(), 100);
  EXPECT_EQ(p.app.State().RealTimeMode, 1);
  EXPECT_TRUE(p.app.Form2().isVisible());
  EXPECT_TRUE(p.Checked(MenuItem::Ers));
  EXPECT_EQ(p.app.Form1().windowTitle().toStdString(), "Selvane - Now -");
}

TEST(DesktopApp, ControlWindowGoesAboveAMaximizedTopmostMoonWindow) {
  MemorySettingsStore settings;
  Program p(settings);
  p.Choose(MenuItem::Top);
  EXPECT_TRUE(platform::StaysOnTop(&p.app.Form2()));
  p.Choose(MenuItem::Moon);
  p.Choose(MenuItem::About);  // it was shown: now hidden
  EXPECT_FALSE(p.app.Form1().isVisible());
  EXPECT_FALSE(platform::StaysOnTop(&p.app.Form1()));
  p.Choose(MenuItem::About);
  EXPECT_TRUE(p.app.Form1().isVisible());
  EXPECT_TRUE(platform::StaysOnTop(&p.app.Form1()));
  p.Choose(MenuItem::Top);
  EXPECT_FALSE(platform::StaysOnTop(&p.app.Form2()));
}

TEST(DesktopApp, ShadowItemRedrawsHatched) {
  MemorySettingsStore settings;
  Program p(settings);
  const QImage solid = p.app.Form2().Canvas().Image().copy();
  p.Choose(MenuItem::Sade);
  EXPECT_EQ(p.app.State().ShadowStep, 2);
  EXPECT_NE(p.app.Form2().Canvas().Image(), solid);
  p.Choose(MenuItem::Sade);
  EXPECT_EQ(p.app.State().ShadowStep, 1);
  EXPECT_EQ(p.app.Form2().Canvas().Image(), solid);
}

TEST(DesktopApp, IconLeftPressShowsTheMoonWindow) {
  MemorySettingsStore settings;
  Program p(settings);
  p.Choose(MenuItem::Ers);
  EXPECT_FALSE(p.app.Form2().isVisible());
  p.app.Menu().OnIconLeftPress();
  EXPECT_TRUE(p.app.Form2().isVisible());
  EXPECT_TRUE(p.Checked(MenuItem::Ers));
}

TEST(DesktopApp, AMinimizedWindowComesBackNormalFromTheMenu) {
  // Neither window has a task-bar entry: minimized by a window manager, the menu is the way back.
  // A minimized window counts as not shown: its check mark goes, and one choice brings it back.
  MemorySettingsStore settings;
  Program p(settings);
  p.app.Form2().SetWindowState(1);
  EXPECT_FALSE(p.Checked(MenuItem::Ers));
  p.Choose(MenuItem::Ers);
  EXPECT_EQ(p.app.Form2().WindowState(), 0);
  EXPECT_TRUE(p.app.Form2().isVisible());
  EXPECT_TRUE(p.Checked(MenuItem::Ers));
  platform::SetWindowState(&p.app.Form1(), 1);
  EXPECT_FALSE(p.Checked(MenuItem::About));
  p.Choose(MenuItem::About);
  EXPECT_EQ(platform::WindowState(&p.app.Form1()), 0);
  EXPECT_TRUE(p.app.Form1().isVisible());
}

TEST(DesktopApp, AWindowBackFromMinimizedCountsAsShown) {
  // Brought back by the window manager, or reported minimized only while it was being mapped:
  // on the screen again, the window has its check mark again, and the next choice hides it.
  MemorySettingsStore settings;
  Program p(settings);
  p.app.Form2().SetWindowState(1);
  p.app.Form2().SetWindowState(0);
  EXPECT_TRUE(p.Checked(MenuItem::Ers));
  platform::SetWindowState(&p.app.Form1(), 1);
  platform::SetWindowState(&p.app.Form1(), 0);
  EXPECT_TRUE(p.Checked(MenuItem::About));
  p.Choose(MenuItem::About);
  EXPECT_FALSE(p.app.Form1().isVisible());
  // A hidden window stays without its check mark.
  platform::SetWindowState(&p.app.Form1(), 1);
  platform::SetWindowState(&p.app.Form1(), 0);
  EXPECT_FALSE(p.Checked(MenuItem::About));
}

TEST(DesktopApp, QuittingWhileMaximizedSavesTheNormalPlace) {
  MemorySettingsStore settings;
  {
    Program p(settings);
    p.Answered();
    p.app.Form2().move(300, 200);
    p.app.Form1().move(40, 60);
    const QRect normal = platform::OuterGeometry(&p.app.Form2());
    const QRect control = platform::OuterGeometry(&p.app.Form1());
    p.Choose(MenuItem::Sade);
    p.Choose(MenuItem::Moon);
    EXPECT_EQ(p.app.Form2().WindowState(), 2);
    p.app.Form3().QuitAction()->trigger();
    EXPECT_TRUE(p.app.Quitting());
    EXPECT_TRUE(p.app.SettingsSaved());
    EXPECT_EQ(p.app.Form2().WindowState(), 0);
    EXPECT_EQ(Setting(settings, "Left2"),
              FormatSettingNumber(platform::PixelsToTwipsX(normal.x())));
    EXPECT_EQ(Setting(settings, "Top2"), FormatSettingNumber(platform::PixelsToTwipsY(normal.y())));
    EXPECT_EQ(Setting(settings, "Left1"),
              FormatSettingNumber(platform::PixelsToTwipsX(control.x())));
    EXPECT_EQ(Setting(settings, "Top1"),
              FormatSettingNumber(platform::PixelsToTwipsY(control.y())));
    EXPECT_EQ(Setting(settings, "shadow"), "2");
    EXPECT_EQ(Setting(settings, "winstyle"), "False");
  }
  // The next start comes back with the hatched shadow at the saved places.
  Program again(settings);
  EXPECT_EQ(again.app.State().ShadowStep, 2);
  EXPECT_TRUE(again.Checked(MenuItem::Sade));
  EXPECT_EQ(FormatSettingNumber(
                platform::PixelsToTwipsX(platform::OuterGeometry(&again.app.Form2()).x())),
            Setting(settings, "Left2"));
}

// Logout: the session manager asks to save (and may ask again as a checkpoint, or the user may
// cancel the logout); the program saves and runs on. The end of the session arrives as the
// application's quit event and ends the program as the menu's quit item does.
TEST(DesktopApp, SessionSaveRequestsSaveAndTheSessionsEndQuits) {
  MemorySettingsStore settings;
  Program p(settings);
  const auto left2 = [&] {
    return FormatSettingNumber(
        platform::PixelsToTwipsX(platform::OuterGeometry(&p.app.Form2()).x()));
  };
  p.Answered();
  p.app.Form2().move(300, 200);
  p.app.SaveForSession();
  EXPECT_EQ(Setting(settings, "Left2"), left2());
  EXPECT_FALSE(p.app.Quitting());
  EXPECT_TRUE(p.app.Form1().isVisible());
  EXPECT_TRUE(p.app.Form2().isVisible());
  EXPECT_TRUE(p.app.Form1().Timer1()->isActive());

  p.app.Form2().move(420, 260);  // the logout was cancelled; a later checkpoint saves again
  p.Choose(MenuItem::Sade);
  p.app.SaveForSession();
  EXPECT_EQ(Setting(settings, "Left2"), left2());
  EXPECT_EQ(Setting(settings, "shadow"), "2");
  EXPECT_FALSE(p.app.Quitting());

  p.app.Form2().move(500, 300);
  QEvent end(QEvent::Quit);
  QCoreApplication::sendEvent(qApp, &end);
  EXPECT_TRUE(p.app.Quitting());
  EXPECT_TRUE(p.app.SettingsSaved());
  EXPECT_EQ(Setting(settings, "Left2"), left2());
  EXPECT_FALSE(p.app.Form3().IconVisible());
}

TEST(DesktopApp, ACircularWindowIsSavedAndRestored) {
  MemorySettingsStore settings;
  {
    Program p(settings);
    p.Choose(MenuItem::Crc);
    p.app.Quit();
    EXPECT_EQ(Setting(settings, "winstyle"), "True");
  }
  Program again(settings);
  EXPECT_TRUE(again.Checked(MenuItem::Crc));
  EXPECT_TRUE(again.app.Form2().IsCircular());
}

TEST(DesktopApp, HiddenWindowsArePositionedAndSavedLikeShownOnes) {
  MemorySettingsStore settings;
  Program p(settings);
  p.Choose(MenuItem::About);
  p.Choose(MenuItem::Ers);
  EXPECT_FALSE(p.app.Form1().isVisible());
  EXPECT_FALSE(p.app.Form2().isVisible());
  p.app.Quit();
  for (const char* key : {"Left1", "Top1", "Left2", "Top2", "shadow", "winstyle"})
    EXPECT_NE(Setting(settings, key), "<none>") << key;
}

TEST(DesktopApp, QuittingEndsEvenWhenTheSettingsCannotBeWritten) {
  class Unwritable : public MemorySettingsStore {
   public:
    bool WriteSetting(const std::string&, const std::string&, const std::string&,
                      const std::string&) override {
      ++attempts;
      return false;
    }
    int attempts = 0;
  } settings;
  Program p(settings);
  p.app.Form3().QuitAction()->trigger();
  EXPECT_TRUE(p.app.Quitting());
  EXPECT_FALSE(p.app.SettingsSaved());
  EXPECT_EQ(settings.attempts, 6);
  EXPECT_FALSE(p.app.Form3().IconVisible());
}

// A compositor may put the windows elsewhere (centred) before its answer is in: quitting then
// keeps the places given, not the ones it chose.
TEST(DesktopApp, QuittingBeforeTheWindowManagerAnswersKeepsThePlacesGiven) {
  MemorySettingsStore settings;
  for (auto [key, value] :
       {std::pair{"Left1", "1500"}, {"Top1", "1500"}, {"Left2", "6000"}, {"Top2", "3000"}})
    settings.WriteSetting("Selvane", "Settings", key, value);
  Program p(settings);
  p.app.Form1().move(500, 400);
  p.app.Form2().move(559, 385);
  p.app.Quit();
  EXPECT_EQ(Setting(settings, "Left1") + " " + Setting(settings, "Top1") + " " +
                Setting(settings, "Left2") + " " + Setting(settings, "Top2"),
            "1500 1500 6000 3000");
}

TEST(DesktopApp, DamagedSettingsCentreBothWindows) {
  MemorySettingsStore settings;
  for (auto [key, value] : {std::pair{"Left1", "abc"},
                            {"Top1", "1"},
                            {"Left2", "2"},
                            {"Top2", "3"},
                            {"shadow", "2"},
                            {"winstyle", "True"}})
    settings.WriteSetting("Selvane", "Settings", key, value);
  Program p(settings);
  EXPECT_EQ(p.app.State().ShadowStep, 1);
  EXPECT_FALSE(p.Checked(MenuItem::Crc));
  EXPECT_FALSE(p.app.Form2().IsCircular());
  const QRect m = platform::OuterGeometry(&p.app.Form2());
  const double centreX = platform::ScreenWidthTwips() / 2;
  EXPECT_NEAR(platform::PixelsToTwipsX(m.x() + m.width() / 2.0), centreX,
              platform::TwipsPerPixelX() * 2);
}

// A signal may interrupt any code: the handler leaves errno as it found it, also once nothing
// drains the socket and its write fails; the quit then arrives once, and afterwards the
// signal's default action is back.
TEST(QuitSignals, TheHandlerKeepsErrnoAndTheQuitArrivesOnce) {
  int quits = 0;
  {
    QuitSignals quit([&] { ++quits; });
    for (int i = 0; i < 20000; ++i) {
      errno = ERANGE;
      std::raise(SIGTERM);
      ASSERT_EQ(errno, ERANGE) << "after " << i << " signals";
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 1);
  }
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// The program itself, ended as a logout or the user ends it: it saves its settings and leaves
// neither its instance lock nor its socket behind, so the next start finds nothing to judge.
TEST(SelvaneProgram, ACleanEndLeavesNoLockBehind) {
  for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
    QTemporaryDir runtime, config;
    ASSERT_TRUE(runtime.isValid() && config.isValid());
    const QString lock = runtime.filePath(QStringLiteral("selvane.lock"));
    const QString socket = runtime.filePath(QStringLiteral("selvane.socket"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(SELVANE_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted()) << signo;
    // Listening beside the lock is the last step of starting up.
    QElapsedTimer started;
    started.start();
    while (!QFile::exists(socket) && program.state() == QProcess::Running &&
           started.elapsed() < 60000)
      QThread::msleep(20);
    ASSERT_TRUE(QFile::exists(socket)) << signo;
    EXPECT_TRUE(QFile::exists(lock)) << signo;
    ::kill(static_cast<pid_t>(program.processId()), signo);
    ASSERT_TRUE(program.waitForFinished(60000)) << signo;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << signo;
    EXPECT_EQ(program.exitCode(), 0) << signo;
    EXPECT_TRUE(QFile::exists(config.filePath(QStringLiteral("Selvane/Selvane.ini")))) << signo;
    EXPECT_FALSE(QFile::exists(lock)) << signo;
    EXPECT_FALSE(QFile::exists(socket)) << signo;
  }
}

TEST(SelvanePhaseTool, WritesAPictureOfTheMoon) {
  const std::string path = testing::TempDir() + "/moon.png";
  std::remove(path.c_str());
  const std::string cmd = std::string("'") + SELVANE_PHASE_TOOL + "' --png '" + path +
                          "' --shadow-step 2 2024 1 1 12 0 0 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  QImage image(QString::fromStdString(path));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(255, 258));
  // Age 19 days, waning: the right side is in shadow, hatched on every second row, and the
  // left side is lit.
  EXPECT_EQ(qGray(image.pixel(200, 128)), 0);
  EXPECT_GT(qGray(image.pixel(200, 129)), 0);
  EXPECT_GT(qGray(image.pixel(40, 128)), 0);
  // For a screen of ratio 2: the same rows over two device rows each.
  const std::string cmd2 = std::string("'") + SELVANE_PHASE_TOOL + "' --png '" + path +
                           "' --shadow-step 2 --scale 2 2024 1 1 12 0 0 2>/dev/null";
  ASSERT_EQ(std::system(cmd2.c_str()), 0);
  image.load(QString::fromStdString(path));
  EXPECT_EQ(image.size(), QSize(510, 516));
  for (int y : {256, 257}) EXPECT_EQ(qGray(image.pixel(400, y)), 0) << y;
  for (int y : {258, 259}) EXPECT_GT(qGray(image.pixel(400, y)), 0) << y;
  const std::string bad = std::string("'") + SELVANE_PHASE_TOOL + "' --png '" + path +
                          "' --scale 0 2024 1 1 12 0 0 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
}

}  // namespace
}  // namespace selvane

// The platform layer on the offscreen platform: measures, the Wayland choice, one instance,
// ending at once, window flags, stacking, shapes, states and dragging.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLockFile>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/instance_lock.h"

namespace selvane::platform {
namespace {

TEST(Measures, TwipsFollowTheScreensLogicalDotsPerInch) {
  QScreen* s = QGuiApplication::primaryScreen();
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(TwipsPerPixelX(), 1440.0 / s->logicalDotsPerInchX());
  EXPECT_DOUBLE_EQ(TwipsPerPixelY(), 1440.0 / s->logicalDotsPerInchY());
  EXPECT_EQ(TwipsToPixelsX(40 * TwipsPerPixelX()), 40);
  EXPECT_DOUBLE_EQ(ScreenWidthTwips(), s->geometry().width() * TwipsPerPixelX());
  EXPECT_DOUBLE_EQ(ScreenHeightTwips(), s->geometry().height() * TwipsPerPixelY());
}

// The end of a busy spell takes back only the hourglass, even when called once too often.
TEST(BusyPointer, EndingItKeepsAnOverrideCursorSetBefore) {
  QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
  SetBusyPointer(true);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  SetBusyPointer(false);
  SetBusyPointer(false);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QGuiApplication::restoreOverrideCursor();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Sets or unsets environment variables for one test and puts them back afterwards.
class Environment {
 public:
  void Set(const char* name, const char* value) {
    Keep(name);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~Environment() {
    for (auto& [name, value] : kept_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void Keep(const char* name) {
    for (auto& k : kept_)
      if (k.first == name) return;
    const char* v = std::getenv(name);
    kept_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> kept_;
};

TEST(PreferX11OnWayland, ChoosesXcbOnWaylandUnlessTheUserChose) {
  struct Case {
    const char* name;
    const char *platform, *session, *wayland, *display;
    const char* expected;  // nullptr: unset
  } cases[] = {
      {"Wayland session", nullptr, "wayland", "wayland-0", ":1", "xcb;wayland"},
      {"Wayland display only", nullptr, nullptr, "wayland-1", ":1", "xcb;wayland"},
      {"empty choice counts as none", "", "wayland", "wayland-0", ":1", "xcb;wayland"},
      {"no X server in the session", nullptr, "wayland", "wayland-0", nullptr, "wayland"},
      {"an empty DISPLAY names none", nullptr, nullptr, "wayland-0", "", "wayland"},
      {"the user's choice is kept", "wayland", "wayland", "wayland-0", ":1", "wayland"},
      {"X11 session untouched", nullptr, "x11", nullptr, ":1", nullptr},
      {"no session at all untouched", nullptr, nullptr, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    Environment env;
    env.Set("QT_QPA_PLATFORM", c.platform);
    env.Set("XDG_SESSION_TYPE", c.session);
    env.Set("WAYLAND_DISPLAY", c.wayland);
    env.Set("DISPLAY", c.display);
    PreferX11OnWayland();
    const char* now = std::getenv("QT_QPA_PLATFORM");
    if (c.expected) {
      ASSERT_NE(now, nullptr) << c.name;
      EXPECT_STREQ(now, c.expected) << c.name;
    } else {
      EXPECT_EQ(now, nullptr) << c.name;
    }
  }
}

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    env.Set("XDG_RUNTIME_DIR", dir.path().toLocal8Bit().constData());
    ReleaseInstanceLock();
  }
  void TearDown() override { ReleaseInstanceLock(); }
  QTemporaryDir dir;
  Environment env;
};

TEST_F(InstanceTest, TheFirstInstanceTakesTheLockInTheRuntimeDirectory) {
  EXPECT_EQ(InstanceLockPath(), dir.filePath("selvane.lock"));
  EXPECT_FALSE(AnotherInstanceRunning());
  EXPECT_TRUE(QFile::exists(InstanceLockPath()));
  // Asking again from the same instance does not count itself.
  EXPECT_FALSE(AnotherInstanceRunning());
  // Another process trying the same lock fails while this one holds it.
  QLockFile other(InstanceLockPath());
  other.setStaleLockTime(0);
  EXPECT_FALSE(other.tryLock(0));
  ReleaseInstanceLock();
  EXPECT_FALSE(QFile::exists(InstanceLockPath()));
}

TEST_F(InstanceTest, ALiveHolderMeansAnotherInstance) {
  QLockFile holder(InstanceLockPath());
  ASSERT_TRUE(holder.tryLock(0));
  EXPECT_TRUE(AnotherInstanceRunning());
  holder.unlock();
  EXPECT_FALSE(AnotherInstanceRunning());
}

TEST_F(InstanceTest, ALockLeftByAKilledInstanceIsTakenOver) {
  // A lock as this process writes it, but naming a process that has ended.
  QByteArray lockText;
  {
    QLockFile probe(InstanceLockPath());
    ASSERT_TRUE(probe.tryLock(0));
    QFile f(InstanceLockPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    lockText = f.readAll();
    probe.unlock();
  }
  QProcess child;
  child.start(QStringLiteral("/bin/true"));
  ASSERT_TRUE(child.waitForStarted());
  const qint64 deadPid = child.processId();
  ASSERT_TRUE(child.waitForFinished());
  QByteArray stale = lockText;
  stale.replace(0, stale.indexOf('\n'), QByteArray::number(deadPid));
  {
    QFile f(InstanceLockPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(stale);
  }
  EXPECT_FALSE(AnotherInstanceRunning());
  QFile f(InstanceLockPath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith(QByteArray::number(QCoreApplication::applicationPid())));
}

TEST_F(InstanceTest, WithoutARuntimeDirectoryTheUserIdKeepsLocksApart) {
  env.Set("XDG_RUNTIME_DIR", nullptr);
  const QString path = InstanceLockPath();
  EXPECT_TRUE(path.startsWith(QDir::tempPath()));
  EXPECT_TRUE(path.endsWith(QStringLiteral("selvane-%1.lock").arg(getuid())));
}

TEST(EndProgramNow, EndsAtOnceWithTheStatus) {
  ReleaseInstanceLock();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        QWidget w;
        w.show();
        std::fputs("ending", stderr);
        EndProgramNow(3);
      },
      ::testing::ExitedWithCode(3), "ending");
}

TEST(ToolWindow, TitleAndCloseBoxOnly) {
  QWidget w;
  MakeToolWindow(&w);
  const Qt::WindowFlags f = w.windowFlags();
  EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(f & Qt::WindowTitleHint);
  EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
}

TEST(StaysOnTop, KeepsTheNativeWindowAndShows) {
  QWidget w;
  w.resize(100, 80);
  EXPECT_TRUE(SetStaysOnTop(&w, true));
  EXPECT_TRUE(w.isVisible());
  const WId id = w.winId();
  EXPECT_TRUE(StaysOnTop(&w));
  w.hide();
  EXPECT_TRUE(SetStaysOnTop(&w, false));
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(StaysOnTop(&w));
  EXPECT_FALSE(w.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w.winId(), id);
  EXPECT_FALSE(SetStaysOnTop(nullptr, true));
}

TEST(EllipticShape, CutsAndGivesBackTheWindowInPlace) {
  QWidget w;
  MakeToolWindow(&w);
  w.setFixedSize(200, 150);
  w.move(120, 90);
  w.show();
  const QPoint client = w.geometry().topLeft();
  const WId id = w.winId();
  const QRect outer(10, 20, 180, 100);
  ApplyEllipticShape(&w, outer);
  const QMargins m = DecoratedFrameMargins(&w);
  const QRect inClient = outer.translated(-m.left(), -m.top());
  EXPECT_TRUE(HasEllipticShape(&w));
  EXPECT_EQ(ShapeEllipse(&w), inClient);
  EXPECT_EQ(w.mask(), QRegion(inClient, QRegion::Ellipse));
  EXPECT_FALSE(ShapeEdgeAntialiased(&w));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.geometry().topLeft(), client);
  EXPECT_EQ(w.winId(), id);
  // The decorations remembered while cut are the ones from before.
  EXPECT_EQ(DecoratedFrameMargins(&w), m);
  DropShape(&w);
  EXPECT_FALSE(HasEllipticShape(&w));
  EXPECT_TRUE(ShapeEllipse(&w).isNull());
  EXPECT_TRUE(w.mask().isEmpty());
  EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.geometry().topLeft(), client);
  EXPECT_EQ(w.winId(), id);
  DropShape(&w);  // nothing to drop: nothing happens
  EXPECT_TRUE(w.mask().isEmpty());
}

TEST(EllipticShape, BeforeTheWindowExists) {
  QWidget w;
  MakeToolWindow(&w);
  w.setFixedSize(200, 150);
  w.move(300, 200);
  ApplyEllipticShape(&w, QRect(8, 2, 180, 140));
  EXPECT_EQ(ShapeEllipse(&w), QRect(8, 2, 180, 140));
  w.show();
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.pos(), QPoint(300, 200));
  EXPECT_EQ(w.mask(), QRegion(QRect(8, 2, 180, 140), QRegion::Ellipse));
}

TEST(WindowStates, MaximizedAndBackToTheFixedSize) {
  QWidget w;
  MakeToolWindow(&w);
  w.setFixedSize(200, 150);
  w.show();
  EXPECT_EQ(WindowState(&w), 0);
  SetWindowState(&w, 2);
  EXPECT_EQ(WindowState(&w), 2);
  SetWindowState(&w, 1);
  EXPECT_EQ(WindowState(&w), 1);
  SetWindowState(&w, 0);
  EXPECT_EQ(WindowState(&w), 0);
  EXPECT_EQ(w.minimumSize(), QSize(200, 150));
  EXPECT_EQ(w.maximumSize(), QSize(200, 150));
  EXPECT_EQ(w.size(), QSize(200, 150));
}

TEST(WindowDragger, AClickIsNotADragAndTheWindowFollowsThePointer) {
  QWidget w;
  w.resize(100, 100);
  w.move(50, 60);
  w.show();
  WindowDragger d;
  d.SetSystemMoveAllowed(false);
  d.Press(&w, QPoint(70, 80));
  EXPECT_TRUE(d.Armed());
  EXPECT_FALSE(d.Move(QPoint(71, 80)));
  EXPECT_FALSE(d.Release());
  EXPECT_FALSE(d.Armed());
  EXPECT_EQ(w.pos(), QPoint(50, 60));

  d.Press(&w, QPoint(70, 80));
  EXPECT_TRUE(d.Move(QPoint(90, 85)));
  EXPECT_EQ(w.pos(), QPoint(70, 65));
  EXPECT_TRUE(d.Move(QPoint(60, 70)));
  EXPECT_EQ(w.pos(), QPoint(40, 50));
  EXPECT_TRUE(d.Release());
  // Moves without a press do nothing.
  EXPECT_FALSE(d.Move(QPoint(0, 0)));
  EXPECT_EQ(w.pos(), QPoint(40, 50));
}

TEST(Presentation, FrameIntervalIsOneRefreshOfTheScreen) {
  QWidget w;
  const double rate = w.screen()->refreshRate();
  const auto expected = std::chrono::nanoseconds(
      static_cast<long long>(1e9 / (rate >= 10 && rate <= 1000 ? rate : 60)));
  EXPECT_EQ(FrameInterval(&w), expected);
  EXPECT_GT(FrameInterval(nullptr).count(), 0);
}

TEST(ProgramIcon, HasEverySize) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  // Each size is its own picture of the resources.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QImage own(QStringLiteral(":/icons/selvane-%1.png").arg(size));
    EXPECT_EQ(
        icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
        own.convertToFormat(QImage::Format_ARGB32_Premultiplied))
        << size;
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  }
  // Between them, the next larger one made smaller.
  EXPECT_EQ(icon.pixmap(20, 20).size(), QSize(20, 20));
  EXPECT_EQ(icon.actualSize(QSize(20, 20)), QSize(20, 20));
  EXPECT_EQ(icon.actualSize(QSize(512, 512)), QSize(256, 256));
  // One icon for every caller.
  EXPECT_EQ(ProgramIcon().cacheKey(), icon.cacheKey());
}

}  // namespace
}  // namespace selvane::platform

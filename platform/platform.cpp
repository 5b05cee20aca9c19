#include "platform/platform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLibraryInfo>
#include <QPainter>
#include <QPluginLoader>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string_view>

#include "platform/instance_lock.h"
#include "platform/x11_session.h"

namespace selvane::platform {
namespace {

QScreen* Primary() {
  return QGuiApplication::primaryScreen();
}

double Dpi(bool horizontal) {
  QScreen* s = Primary();
  if (!s) return 96.0;
  double dpi = horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY();
  return dpi > 0 ? dpi : 96.0;
}

}  // namespace

double TwipsPerPixelX() {
  return 1440.0 / Dpi(true);
}
double TwipsPerPixelY() {
  return 1440.0 / Dpi(false);
}
int TwipsToPixelsX(double twips) {
  return static_cast<int>(std::lround(twips / TwipsPerPixelX()));
}
int TwipsToPixelsY(double twips) {
  return static_cast<int>(std::lround(twips / TwipsPerPixelY()));
}
double PixelsToTwipsX(double pixels) {
  return pixels * TwipsPerPixelX();
}
double PixelsToTwipsY(double pixels) {
  return pixels * TwipsPerPixelY();
}

double ScreenWidthTwips() {
  QScreen* s = Primary();
  return PixelsToTwipsX(s ? s->geometry().width() : 1024);
}
double ScreenHeightTwips() {
  QScreen* s = Primary();
  return PixelsToTwipsY(s ? s->geometry().height() : 768);
}

void Beep() {
  QApplication::beep();
}

void SetBusyPointer(bool busy) {
  // The hourglasses pushed here and not yet taken back: the end of a busy spell takes back
  // its own, never a cursor someone else set.
  static int pushed = 0;
  if (busy) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++pushed;
  } else if (pushed > 0) {
    QGuiApplication::restoreOverrideCursor();
    --pushed;
  }
}

void InstallFontSubstitutions() {
  const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
  auto pick = [&](const QStringList& preferred) -> QString {
    for (const QString& f : preferred)
      if (families.contains(f)) return f;
    for (const QString& f : families)
      if (f.contains(QStringLiteral("Gothic"), Qt::CaseInsensitive) ||
          f.contains(QStringLiteral("ゴシック")))
        return f;
    return families.isEmpty() ? QString() : families.first();
  };
  const QString proportional = pick({QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                     QStringLiteral("Noto Sans CJK JP")});
  const QString fixed = pick({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("IPAPGothic")});
  if (!proportional.isEmpty()) QFont::insertSubstitution(kPGothic, proportional);
  if (!fixed.isEmpty()) QFont::insertSubstitution(kGothic, fixed);
}

QFont DesignFont(const QString& family, double pointSize, bool bold) {
  QFont f(family);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  return f;
}

namespace {

// The program icon's pictures, each decoded when a size is asked for and not kept: the windows
// and the tray take the sizes they need when they need them, and the largest pictures would
// otherwise stay in memory for nothing. Read as PNG by Qt's own reader: left to guess, the
// reader would first load every image-format plugin installed to ask each of them.
class ProgramIconEngine : public QIconEngine {
 public:
  static constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    const int side = Best(size);
    QPixmap pixmap = Decoded(side);
    if (pixmap.isNull()) return pixmap;
    if (side > size.width() || side > size.height())
      pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (mode != QIcon::Normal && mode != QIcon::Active && qobject_cast<QApplication*>(qApp)) {
      QStyleOption option;
      option.palette = QGuiApplication::palette();
      pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
    }
    return pixmap;
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap p = pixmap(rect.size() * ratio, mode, state);
    p.setDevicePixelRatio(ratio);
    const QSize shown = p.size() / ratio;
    painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                      (rect.height() - shown.height()) / 2),
                              shown),
                        p);
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min({Best(size), size.width(), size.height()});
    return QSize(side, side);
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int side : kSizes) sizes.append(QSize(side, side));
    return sizes;
  }
  QIconEngine* clone() const override { return new ProgramIconEngine; }
  QString key() const override { return QStringLiteral("selvane-program-icon"); }

 private:
  // The picture of one size. Start-up asks for every size once for each window: what was
  // decoded is kept until the event loop next runs, then let go.
  static QPixmap Decoded(int side) {
    static std::map<int, QPixmap> recent;
    if (const auto it = recent.find(side); it != recent.end()) return it->second;
    QImageReader reader(QStringLiteral(":/icons/selvane-%1.png").arg(side), "png");
    reader.setAutoDetectImageFormat(false);
    const QPixmap pixmap = QPixmap::fromImage(reader.read());
    if (recent.empty() && QCoreApplication::instance())
      QTimer::singleShot(0, QCoreApplication::instance(), [] { recent.clear(); });
    recent[side] = pixmap;
    return pixmap;
  }
  // The smallest picture that covers the size, or the largest there is.
  static int Best(const QSize& size) {
    for (int side : kSizes)
      if (side >= size.width() && side >= size.height()) return side;
    return kSizes[std::size(kSizes) - 1];
  }
};

}  // namespace

QIcon ProgramIcon() {
  // One icon, shared by the application, every window and the tray; kept to the end of the
  // process, past the application object.
  static const QIcon* const icon = new QIcon(new ProgramIconEngine);
  return *icon;
}

void PreferX11OnWayland() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen && *chosen) return;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool onWayland =
      (session && std::string_view(session) == "wayland") || (wayland && *wayland);
  if (!onWayland) return;
  // XWayland first, the native platform where it does not answer; only the native platform
  // where the session offers no X server at all (no failed attempt on standard error then).
  const char* display = std::getenv("DISPLAY");
  setenv("QT_QPA_PLATFORM", display && *display ? "xcb;wayland" : "wayland", 1);
}

namespace {

// Whether a platform plugin that Qt would load for `name` is installed: one whose keys name it
// (the plugins' metadata is read without loading them).
bool PlatformPluginInstalled(const QString& name) {
  QStringList dirs =
      qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
  for (QString& d : dirs) d += QStringLiteral("/platforms");
  dirs << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH")
       << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
  for (const QString& d : dirs) {
    if (d.isEmpty()) continue;
    const QDir dir(d);
    for (const QString& file : dir.entryList(QDir::Files)) {
      const QJsonArray keys = QPluginLoader(dir.filePath(file))
                                  .metaData()
                                  .value(QLatin1String("MetaData"))
                                  .toObject()
                                  .value(QLatin1String("Keys"))
                                  .toArray();
      for (const QJsonValue& key : keys)
        if (key.toString().compare(name, Qt::CaseInsensitive) == 0) return true;
    }
  }
  return false;
}

// Whether a Wayland compositor accepts a connection on WAYLAND_DISPLAY (a socket name in
// XDG_RUNTIME_DIR, or a path).
bool WaylandCompositorReachable() {
  QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (name.isEmpty()) return false;
  if (!name.startsWith(QLatin1Char('/')))
    name = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name;
  const QByteArray path = QFile::encodeName(name);
  sockaddr_un address{};
  if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool DisplayAvailable() {
  const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
  const QStringList options = chosen.isEmpty() ? QStringList{QStringLiteral("xcb")}
                                               : chosen.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  QStringList reasons;
  for (const QString& option : options) {
    const QString name = option.section(QLatin1Char(':'), 0, 0);
    if (name == QLatin1String("xcb")) {
      if (x11::ServerReachable()) return true;
      reasons << QStringLiteral(
          "no X11 display (or XWayland) was found; set DISPLAY to a running "
          "X server");
    } else if (name.startsWith(QLatin1String("wayland"))) {
      if (!PlatformPluginInstalled(name)) {
        reasons << QStringLiteral("the Qt platform plugin \"%1\" is not installed").arg(name);
      } else if (!WaylandCompositorReachable()) {
        reasons << QStringLiteral("no Wayland compositor answers on WAYLAND_DISPLAY");
      } else {
        return true;
      }
    } else {
      return true;  // a platform without a display server (offscreen, vnc, ...) is Qt's to start
    }
  }
  std::fprintf(stderr, "selvane: %s\n", qPrintable(reasons.join(QStringLiteral("; "))));
  return false;
}

void EndProgramNow(int status) {
  ReleaseInstanceLock();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace selvane::platform

#include "platform/platform.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/instance_lock.h"

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
  if (busy) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
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

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/selvane-%1.png").arg(size), QSize(size, size));
  return icon;
}

void PreferX11OnWayland() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen && *chosen) return;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool onWayland =
      (session && std::string_view(session) == "wayland") || (wayland && *wayland);
  if (!onWayland) return;
  // XWayland first; the native platform when there is no X server to talk to.
  setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
}

void EndProgramNow(int status) {
  ReleaseInstanceLock();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace selvane::platform

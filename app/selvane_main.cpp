// Selvane, the desktop program.
#include "app/desktop_app.h"
#include "app/desktop_application.h"
#include "platform/field_panel.h"
#include "platform/instance_lock.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // Positions, stacking and shapes need X11: on a Wayland session run through XWayland.
  selvane::platform::PreferX11OnWayland();
  if (!selvane::platform::DisplayAvailable()) return 1;
  selvane::DesktopApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Selvane"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.selvane.Selvane"));
  // The windows hide instead of closing; only the tray's quit item ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // A second start ends at once: no icon, nothing written. It asks the running program to show
  // its windows, which may be hidden with no tray to bring them back.
  if (selvane::platform::AnotherInstanceRunning()) {
    selvane::platform::AskRunningInstanceToShow();
    return 0;
  }
  selvane::platform::InstallFontSubstitutions();
  selvane::platform::UseFieldPanelCopies();

  int status = 0;
  {
    selvane::DesktopApp desktop;
    selvane::platform::ListenForLaterStarts([&desktop] { desktop.ShowWindowsForLaterStart(); });
    desktop.Start();
    status = app.exec();
  }
  // Every clean end (the menu, logout, a quit signal) comes back here: once the windows and the
  // settings are done with, the lock goes, so the next start finds none to judge stale.
  selvane::platform::ReleaseInstanceLock();
  return status;
}

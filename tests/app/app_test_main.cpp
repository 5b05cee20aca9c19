// GoogleTest with the desktop program's own application object, for the suites that run the
// whole program. Tests run offscreen unless a platform was chosen, and never see the user's
// settings.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "app/desktop_application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  selvane::DesktopApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// GoogleTest with a QApplication for the control window's widget tests. They run offscreen
// unless a platform was chosen, with the design fonts mapped to the installed Japanese faces.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/platform.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  QApplication app(argc, argv);
  selvane::platform::InstallFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

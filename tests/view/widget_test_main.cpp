// The widget tests run with a QApplication on the offscreen platform (also when the test list
// is read at build time, without the test's environment).
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  selvane::platform::InstallFontSubstitutions();
  return RUN_ALL_TESTS();
}

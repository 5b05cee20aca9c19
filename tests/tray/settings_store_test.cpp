// The settings file: first run, round trips of every key, damaged files, and a directory that
// cannot be written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "tray/qt_settings_store.h"
#include "tray/tray_menu.h"

namespace selvane {
namespace {

// Each test gets its own configuration folder.
class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  }
  QString IniPath() const { return dir_.path() + "/Selvane/Selvane.ini"; }
  QByteArray IniText() const {
    QFile f(IniPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void WriteIni(const QByteArray& text) {
    QDir().mkpath(dir_.path() + "/Selvane");
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  std::string Read(const char* key, const char* fallback = "") {
    QtSettingsStore store;
    return store.ReadSetting("Selvane", "Settings", key, fallback);
  }
  QTemporaryDir dir_;
};

TEST_F(SettingsFile, FirstRunGivesTheDefaults) {
  EXPECT_EQ(Read("Left1"), "");
  EXPECT_EQ(Read("shadow", "1"), "1");
  EXPECT_EQ(Read("winstyle", "0"), "0");
  EXPECT_FALSE(QFile::exists(IniPath()));
}

TEST_F(SettingsFile, EveryKeyRoundTrips) {
  {
    QtSettingsStore store;
    EXPECT_TRUE(SaveSettings(store, {1530, -120, -45, 9000}, 2, true));
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(store.FilePath(), IniPath());
  }
  EXPECT_EQ(Read("Left1"), "1530");
  EXPECT_EQ(Read("Top1"), "-120");
  EXPECT_EQ(Read("Left2"), "-45");
  EXPECT_EQ(Read("Top2"), "9000");
  EXPECT_EQ(Read("shadow", "1"), "2");
  EXPECT_EQ(Read("winstyle", "0"), "True");
  const QByteArray text = IniText();
  EXPECT_TRUE(text.contains("[Settings]")) << text.constData();
  EXPECT_TRUE(text.contains("winstyle=True")) << text.constData();
  {
    QtSettingsStore store;
    EXPECT_TRUE(SaveSettings(store, {0, 0, 0, 0}, 1, false));
    EXPECT_TRUE(store.Flush());
  }
  EXPECT_EQ(Read("winstyle", "0"), "False");
  EXPECT_EQ(Read("shadow", "1"), "1");
}

TEST_F(SettingsFile, HandEditedAndDamagedFilesReadAsText) {
  WriteIni("[Settings]\nLeft1=abc\nTop1=1,5\nshadow=\nwinstyle=0\n\x01\x02garbage\n[[[\n");
  EXPECT_EQ(Read("Left1"), "abc");
  EXPECT_EQ(Read("Top1"), "1,5");
  EXPECT_EQ(Read("shadow", "1"), "");
  EXPECT_EQ(Read("winstyle", "0"), "0");
  EXPECT_EQ(Read("Left2"), "");
}

TEST_F(SettingsFile, AnUnwritableFolderLeavesTheOldFileWhole) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  WriteIni("[Settings]\nLeft1=100\n");
  const QByteArray before = IniText();
  QFile::setPermissions(dir_.path() + "/Selvane", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  {
    QtSettingsStore store;
    SaveSettings(store, {1, 2, 3, 4}, 2, true);
    EXPECT_FALSE(store.Flush());
  }
  QFile::setPermissions(dir_.path() + "/Selvane",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(IniText(), before);
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeFailsTheFlushWithoutCrashing) {
  // The configuration folder is a plain file, so nothing can be created under it.
  QFile blocker(dir_.path() + "/Selvane");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QtSettingsStore store;
  SaveSettings(store, {1, 2, 3, 4}, 2, true);
  EXPECT_FALSE(store.Flush());
}

}  // namespace
}  // namespace selvane

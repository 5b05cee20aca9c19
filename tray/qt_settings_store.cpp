#include "tray/qt_settings_store.h"

#include <QSettings>

namespace selvane {

QtSettingsStore::QtSettingsStore() = default;
QtSettingsStore::~QtSettingsStore() = default;

QSettings& QtSettingsStore::For(const std::string& app) {
  if (!settings_ || app != app_) {
    if (settings_) settings_->sync();
    const QString name = QString::fromStdString(app);
    settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, name, name);
    app_ = app;
  }
  return *settings_;
}

std::string QtSettingsStore::ReadSetting(const std::string& app, const std::string& section,
                                         const std::string& key, const std::string& fallback) {
  QSettings& s = For(app);
  const QString path = QString::fromStdString(section + "/" + key);
  if (!s.contains(path)) return fallback;
  const QVariant v = s.value(path);
  // A hand-edited value with commas reads back as a list; keep its text as written.
  if (v.userType() == QMetaType::QStringList) return v.toStringList().join(',').toStdString();
  return v.toString().toStdString();
}

bool QtSettingsStore::WriteSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& text) {
  QSettings& s = For(app);
  s.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(text));
  return s.isWritable();
}

bool QtSettingsStore::Flush() {
  if (!settings_) return true;
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

QString QtSettingsStore::FilePath() const {
  return settings_ ? settings_->fileName() : QString();
}

}  // namespace selvane

// The settings store on a per-user INI file under the XDG configuration directory
// ($XDG_CONFIG_HOME/Selvane/Selvane.ini, else ~/.config/Selvane/Selvane.ini), group
// [Settings]. Qt writes the file through a temporary file and a rename, so a failed write
// leaves the previous file whole.
#pragma once

#include <QString>
#include <memory>

#include "tray/settings_store.h"

class QSettings;

namespace selvane {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  ~QtSettingsStore() override;

  std::string ReadSetting(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& fallback) override;
  bool WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) override;
  // Writes what was set to the file now. False when the file could not be written.
  bool Flush();
  QString FilePath() const;

 private:
  QSettings& For(const std::string& app);
  std::unique_ptr<QSettings> settings_;
  std::string app_;
};

}  // namespace selvane

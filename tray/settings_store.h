// The per-user settings store: text values addressed by application, section and key.
#pragma once

#include <map>
#include <string>
#include <tuple>

namespace selvane {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or the default when the application, section or key does not exist.
  virtual std::string ReadSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& fallback) = 0;
  // Stores the text, replacing any earlier value. False when it could not be stored.
  virtual bool WriteSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& text) = 0;
};

// A store in memory, for tests and for running without a settings medium.
class MemorySettingsStore : public SettingsStore {
 public:
  std::string ReadSetting(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& fallback) override {
    auto it = values.find({app, section, key});
    return it == values.end() ? fallback : it->second;
  }
  bool WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) override {
    values[{app, section, key}] = text;
    return true;
  }
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
};

}  // namespace selvane

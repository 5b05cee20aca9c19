// Turns SIGTERM, SIGINT and SIGHUP into one call on the user-interface thread, so that a
// request to end from outside (logout, kill, Ctrl+C) goes through the program's own close
// handler and the settings are saved.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace selvane {

class QuitSignals : public QObject {
  Q_OBJECT
 public:
  explicit QuitSignals(std::function<void()> onQuit, QObject* parent = nullptr);
  ~QuitSignals() override;

 private:
  std::function<void()> onQuit_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace selvane

// The desktop program's application object. Its quit event (sent when the desktop session
// ends) would close every window, which only hide in this program: it goes to the program's
// own quit handler instead, when one is set.
#pragma once

#include <QApplication>
#include <functional>

namespace selvane {

class DesktopApplication : public QApplication {
 public:
  DesktopApplication(int& argc, char** argv);

  // The application object when it is a DesktopApplication, else null.
  static DesktopApplication* Instance();
  // Runs on the application's quit event in place of closing the windows; none: Qt's default.
  void SetQuitHandler(std::function<void()> handler) { onQuit_ = std::move(handler); }

 protected:
  bool event(QEvent* event) override;

 private:
  std::function<void()> onQuit_;
};

}  // namespace selvane

#include "app/desktop_application.h"

#include <QEvent>

namespace selvane {

DesktopApplication::DesktopApplication(int& argc, char** argv) : QApplication(argc, argv) {}

DesktopApplication* DesktopApplication::Instance() {
  return dynamic_cast<DesktopApplication*>(QCoreApplication::instance());
}

bool DesktopApplication::event(QEvent* event) {
  // Only the events sent to the application object itself come here, unlike an event filter
  // installed on it, which sees every event of the program.
  if (event->type() == QEvent::Quit && onQuit_) {
    onQuit_();
    return true;
  }
  return QApplication::event(event);
}

}  // namespace selvane

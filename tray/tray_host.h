// The tray host: the notification-area icon with the tip "Selvane" and the popup menu whose
// items run the menu's handlers. It is never shown itself.
#pragma once

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>
#include <memory>

#include "tray/menu_checks.h"
#include "tray/tray_menu.h"

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

namespace selvane {

// The text of the version box: name, version and a one-line description.
QString VersionText();

class TrayHost : public QObject {
  Q_OBJECT
 public:
  TrayHost(TrayMenuModel& model, MenuChecks& checks, QObject* parent = nullptr);
  ~TrayHost() override;

  QMenu* Menu() const { return menu_.get(); }
  QAction* Action(MenuItem item) const;
  QAction* VersionAction() const { return version_; }
  QAction* QuitAction() const { return quit_; }

  // Puts the icon into the notification area; where no tray runs yet it docks once one appears.
  void AddIcon();
  void RemoveIcon();
  bool IconVisible() const;

  // Opens the menu at a point and returns once the chosen item's handler has run. Opened from
  // the keyboard, it starts with its first item active, so the keys move from there and a
  // screen reader says where they are.
  void PopupAt(const QPoint& globalPos, bool fromKeyboard = false);

  // The close handler: runs once, however often the host is asked to close.
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  void Close();

  // Shows the version box; replaceable so that tests do not block on a modal box.
  void SetVersionBox(std::function<void(const QString&)> show) { versionBox_ = std::move(show); }

 private:
  void Sync();

  TrayMenuModel& model_;
  MenuChecks& checks_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::array<QAction*, kMenuItemCount> actions_{};
  QAction* version_ = nullptr;
  QAction* quit_ = nullptr;
  std::function<void()> closeHandler_;
  std::function<void(const QString&)> versionBox_;
  bool closed_ = false;
};

}  // namespace selvane

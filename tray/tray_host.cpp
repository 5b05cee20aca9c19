#include "tray/tray_host.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "astro/version.h"
#include "platform/platform.h"

namespace selvane {

QString VersionText() {
  return QStringLiteral("Selvane %1\n%2")
      .arg(QString::fromLatin1(kSelvaneVersion), QString::fromLatin1(kSelvaneDescription));
}

TrayHost::TrayHost(TrayMenuModel& model, MenuChecks& checks, QObject* parent)
    : QObject(parent), model_(model), checks_(checks), menu_(std::make_unique<QMenu>()) {
  menu_->setTitle(QStringLiteral("menu"));
  struct Item {
    MenuItem item;
    const char* caption;
    void (TrayMenuModel::*handler)();
    bool separatorAfter;
  };
  const Item items[] = {
      {MenuItem::About, "ｺﾝﾄﾛｰﾙﾌｫｰﾑの表示(&V)", &TrayMenuModel::mnuAbout, false},
      {MenuItem::Ers, "月相ﾌｫｰﾑの表示(&E)", &TrayMenuModel::mnuErs, true},
      {MenuItem::Crc, "月相ﾌｫｰﾑの円形化(&C)", &TrayMenuModel::mnuCrc, false},
      {MenuItem::Moon, "月相ﾌｫｰﾑの最大化(&B)", &TrayMenuModel::mnuMoon, true},
      {MenuItem::Sade, "月影部の表示(&S)", &TrayMenuModel::mnuSade, false},
      {MenuItem::Real, "ﾘｱﾙﾀｲﾑ(&R)", &TrayMenuModel::mnuReal, false},
      {MenuItem::Top, "月相の最上位表示(&T)", &TrayMenuModel::mnuTop, true},
  };
  for (const Item& it : items) {
    QAction* a = menu_->addAction(QString::fromUtf8(it.caption));
    a->setCheckable(true);
    auto handler = it.handler;
    connect(a, &QAction::triggered, this, [this, handler] {
      (model_.*handler)();
      Sync();
    });
    actions_[static_cast<int>(it.item)] = a;
    if (it.separatorAfter) menu_->addSeparator();
  }
  version_ = menu_->addAction(QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));
  connect(version_, &QAction::triggered, this, [this] {
    if (versionBox_) {
      versionBox_(VersionText());
    } else {
      QMessageBox box(QMessageBox::Information, QStringLiteral("Selvane"), VersionText(),
                      QMessageBox::Ok);
      box.setWindowIcon(platform::ProgramIcon());
      box.exec();
    }
  });
  menu_->addSeparator();
  quit_ = menu_->addAction(QString::fromUtf8("Selvaneの終了(&X)"));
  connect(quit_, &QAction::triggered, this, [this] { model_.mnuEnd([this] { Close(); }); });

  checks_.SetChangedHook([this](MenuItem item, bool on) {
    if (QAction* a = actions_[static_cast<int>(item)]) a->setChecked(on);
  });
  Sync();
}

TrayHost::~TrayHost() {
  checks_.SetChangedHook(nullptr);
  if (icon_) icon_->hide();
}

QAction* TrayHost::Action(MenuItem item) const {
  return actions_[static_cast<int>(item)];
}

// A checkable action toggles itself when chosen; the check marks record is what counts.
void TrayHost::Sync() {
  for (int i = 0; i < kMenuItemCount; ++i)
    actions_[i]->setChecked(checks_.Checked(static_cast<MenuItem>(i)));
}

void TrayHost::AddIcon() {
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(platform::ProgramIcon());
    icon_->setToolTip(QStringLiteral("Selvane"));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason == QSystemTrayIcon::Trigger) model_.OnIconLeftPress();
            });
  }
  icon_->show();
}

void TrayHost::RemoveIcon() {
  if (icon_) icon_->hide();
}

bool TrayHost::IconVisible() const {
  return icon_ && icon_->isVisible();
}

void TrayHost::PopupAt(const QPoint& globalPos, bool fromKeyboard) {
  Sync();
  if (fromKeyboard) {
    // Once the menu is up, inside its own event loop.
    QMetaObject::invokeMethod(
        menu_.get(),
        [menu = menu_.get()] {
          if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().first());
        },
        Qt::QueuedConnection);
  }
  menu_->exec(globalPos);
}

void TrayHost::Close() {
  if (closed_) return;
  closed_ = true;
  if (closeHandler_) closeHandler_();
}

}  // namespace selvane

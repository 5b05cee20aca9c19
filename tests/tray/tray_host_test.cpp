// The tray host's menu: captions, check marks mirrored from the record, items running their
// handlers, the version box, and the close handler running once.
#include "tray/tray_host.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

namespace selvane {
namespace {

class NullMoon : public MoonWindowControl {
 public:
  void Show() override {}
  void Hide() override {}
  void Focus() override {}
  bool IsMaximized() const override { return false; }
  void SetNormalState() override {}
  void SetMaximizedState() override {}
  void formreturn() override {}
  void ApplyCircularShape() override { ++circles; }
  void DropCircularShape() override {}
  void LayoutMaximizedView() override {}
  void DrawMoonShadow() override {}
  void SetTopmost(int) override {}
  int circles = 0;
};

class NullControl : public ControlWindowControl {
 public:
  void Show() override {}
  void Hide() override {}
  void Focus() override {}
  void SetNormalState() override {}
  void SetTopmost(int) override {}
  void EnterRealTime() override {}
  void StopTimer() override { ++stops; }
  int stops = 0;
};

struct Host {
  EphemerisState state;
  MenuChecks checks;
  NullMoon moon;
  NullControl control;
  TrayMenuModel model{state, checks, moon, control};
  TrayHost host{model, checks};
};

TEST(TrayHost, MenuItemsInOrderWithTheirCaptions) {
  Host h;
  QStringList captions;
  for (QAction* a : h.host.Menu()->actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions.join("|").toStdString(),
            "ｺﾝﾄﾛｰﾙﾌｫｰﾑの表示(&V)|月相ﾌｫｰﾑの表示(&E)|-|月相ﾌｫｰﾑの円形化(&C)|"
            "月相ﾌｫｰﾑの最大化(&B)|-|月影部の表示(&S)|ﾘｱﾙﾀｲﾑ(&R)|月相の最上位表示(&T)|-|"
            "ﾊﾞｰｼﾞｮﾝ情報(&A)...|-|Selvaneの終了(&X)");
  for (int i = 0; i < kMenuItemCount; ++i)
    EXPECT_FALSE(h.host.Action(static_cast<MenuItem>(i))->isChecked());
}

// Opened from the keyboard, the menu starts on its first item (a screen reader says it); opened
// by the mouse, on none.
TEST(TrayHost, AMenuOpenedFromTheKeyboardStartsOnItsFirstItem) {
  for (bool fromKeyboard : {false, true}) {
    SCOPED_TRACE(fromKeyboard);
    Host h;
    QMenu* menu = h.host.Menu();
    QAction* active = nullptr;
    bool looked = false;
    // Runs inside the menu's own loop, after what the opening queued.
    QMetaObject::invokeMethod(
        menu,
        [&] {
          QMetaObject::invokeMethod(
              menu,
              [&] {
                active = menu->activeAction();
                looked = true;
                menu->close();
              },
              Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    h.host.PopupAt(QPoint(20, 20), fromKeyboard);
    ASSERT_TRUE(looked);
    EXPECT_EQ(active, fromKeyboard ? menu->actions().first() : nullptr);
  }
}

TEST(TrayHost, CheckMarksFollowTheRecordAndTheHandlers) {
  Host h;
  h.checks.SetChecked(MenuItem::Real, true);
  EXPECT_TRUE(h.host.Action(MenuItem::Real)->isChecked());
  h.host.Action(MenuItem::Crc)->trigger();
  EXPECT_EQ(h.moon.circles, 1);
  EXPECT_TRUE(h.checks.Checked(MenuItem::Crc));
  EXPECT_TRUE(h.host.Action(MenuItem::Crc)->isChecked());
  EXPECT_TRUE(h.host.Action(MenuItem::Ers)->isChecked());
  h.host.Action(MenuItem::Real)->trigger();
  EXPECT_EQ(h.control.stops, 1);
  EXPECT_FALSE(h.host.Action(MenuItem::Real)->isChecked());
}

TEST(TrayHost, VersionBoxShowsNameVersionAndDescription) {
  Host h;
  QString shown;
  h.host.SetVersionBox([&](const QString& text) { shown = text; });
  h.host.VersionAction()->trigger();
  EXPECT_TRUE(shown.startsWith("Selvane ")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("Moon")) << shown.toStdString();
}

TEST(TrayHost, QuitRunsTheCloseHandlerOnce) {
  Host h;
  int closes = 0;
  h.host.SetCloseHandler([&] { ++closes; });
  h.host.QuitAction()->trigger();
  EXPECT_EQ(h.state.QuitRequested, 1);
  h.host.Close();
  EXPECT_EQ(closes, 1);
}

}  // namespace
}  // namespace selvane

// The menu's handlers against recording windows: what each item does to the check marks,
// the moon window, the control window and the record.
#include "tray/tray_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace selvane {
namespace {

class FakeMoon : public MoonWindowControl {
 public:
  void Show() override { log.push_back("show"), shown = true; }
  void Hide() override { log.push_back("hide"), shown = false; }
  void Focus() override { log.push_back("focus"); }
  bool IsMaximized() const override { return maximized; }
  void SetNormalState() override { log.push_back("normal"), maximized = false; }
  void SetMaximizedState() override { log.push_back("maximize"), maximized = true; }
  void formreturn() override { log.push_back("formreturn"); }
  void ApplyCircularShape() override { log.push_back("circle"); }
  void DropCircularShape() override { log.push_back("rectangle"); }
  void LayoutMaximizedView() override { log.push_back("layout"); }
  void DrawMoonShadow() override { log.push_back("draw"); }
  void SetTopmost(int flag) override { log.push_back("topmost" + std::to_string(flag)); }
  std::vector<std::string> log;
  bool shown = false, maximized = false;
};

class FakeControl : public ControlWindowControl {
 public:
  void Show() override { log.push_back("show"); }
  void Hide() override { log.push_back("hide"); }
  void Focus() override { log.push_back("focus"); }
  void SetNormalState() override { log.push_back("normal"); }
  void SetTopmost(int flag) override { log.push_back("topmost" + std::to_string(flag)); }
  void EnterRealTime() override { log.push_back("realtime"); }
  void StopTimer() override { log.push_back("stop"); }
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

struct Fixture {
  EphemerisState state;
  MenuChecks checks;
  FakeMoon moon;
  FakeControl control;
  TrayMenuModel menu{state, checks, moon, control};
};

TEST(TrayMenu, IconLeftPressShowsTheMoonWindowNormalAndFocused) {
  Fixture f;
  f.moon.maximized = true;
  f.menu.OnIconLeftPress();
  EXPECT_EQ(f.moon.log, (Log{"normal", "show", "focus"}));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
}

TEST(TrayMenu, ALaterStartBringsBothWindowsBackNormal) {
  Fixture f;
  f.moon.maximized = true;
  f.menu.OnLaterStart();
  EXPECT_EQ(f.control.log, (Log{"normal", "show", "focus"}));
  EXPECT_EQ(f.moon.log, (Log{"normal", "show", "focus"}));
  EXPECT_TRUE(f.checks.Checked(MenuItem::About));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
  // Already shown: shown and raised again, the marks stay.
  f.menu.OnLaterStart();
  EXPECT_TRUE(f.checks.Checked(MenuItem::About));
}

TEST(TrayMenu, ControlWindowItem) {
  Fixture f;
  f.menu.mnuAbout();
  EXPECT_TRUE(f.checks.Checked(MenuItem::About));
  EXPECT_EQ(f.control.log, (Log{"normal", "show", "focus"}));
  f.menu.mnuAbout();
  EXPECT_FALSE(f.checks.Checked(MenuItem::About));
  EXPECT_EQ(f.control.log.back(), "hide");
}

TEST(TrayMenu, ControlWindowGoesAboveAMaximizedTopmostMoonWindow) {
  Fixture f;
  f.moon.maximized = true;
  f.checks.SetChecked(MenuItem::Top, true);
  f.menu.mnuAbout();
  EXPECT_EQ(f.control.log, (Log{"normal", "show", "topmost1", "focus"}));
}

TEST(TrayMenu, MoonWindowItemTogglesVisibility) {
  Fixture f;
  f.menu.mnuErs();
  EXPECT_TRUE(f.moon.shown);
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
  f.menu.mnuErs();
  EXPECT_FALSE(f.moon.shown);
  EXPECT_FALSE(f.checks.Checked(MenuItem::Ers));
}

TEST(TrayMenu, CircularTwiceIsRectangularAgain) {
  Fixture f;
  f.menu.mnuCrc();
  EXPECT_TRUE(f.checks.Checked(MenuItem::Crc));
  EXPECT_EQ(f.moon.log, (Log{"show", "circle"}));
  f.menu.mnuCrc();
  EXPECT_FALSE(f.checks.Checked(MenuItem::Crc));
  EXPECT_EQ(f.moon.log.back(), "rectangle");
}

TEST(TrayMenu, CircularLeavesTheMaximizedViewFirst) {
  Fixture f;
  f.menu.mnuMoon();
  f.moon.log.clear();
  f.menu.mnuCrc();
  EXPECT_FALSE(f.checks.Checked(MenuItem::Moon));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Crc));
  EXPECT_EQ(f.moon.log, (Log{"show", "normal", "formreturn", "circle"}));
}

TEST(TrayMenu, MaximizedMakesACircularWindowRectangularFirst) {
  Fixture f;
  f.menu.mnuCrc();
  f.moon.log.clear();
  f.menu.mnuMoon();
  EXPECT_FALSE(f.checks.Checked(MenuItem::Crc));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Moon));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
  EXPECT_EQ(f.moon.log, (Log{"rectangle", "maximize", "layout", "show"}));
  f.moon.log.clear();
  f.menu.mnuMoon();
  EXPECT_FALSE(f.checks.Checked(MenuItem::Moon));
  EXPECT_EQ(f.moon.log, (Log{"rectangle", "normal", "formreturn"}));
}

TEST(TrayMenu, ShadowItemRedrawsWithTheNewStepWithoutEvaluating) {
  Fixture f;
  f.state.ShadowStep = 1;
  f.menu.mnuSade();
  EXPECT_EQ(f.state.ShadowStep, 2);
  EXPECT_TRUE(f.checks.Checked(MenuItem::Sade));
  EXPECT_EQ(f.moon.log, (Log{"show", "draw"}));
  f.menu.mnuSade();
  EXPECT_EQ(f.state.ShadowStep, 1);
  EXPECT_FALSE(f.checks.Checked(MenuItem::Sade));
}

TEST(TrayMenu, RealTimeOffStopsTheTimerOnRestartsAndShows) {
  Fixture f;
  f.checks.SetChecked(MenuItem::Real, true);
  f.menu.mnuReal();
  EXPECT_FALSE(f.checks.Checked(MenuItem::Real));
  EXPECT_EQ(f.control.log, (Log{"stop"}));
  EXPECT_TRUE(f.moon.shown);
  f.moon.Hide();
  f.menu.mnuReal();
  EXPECT_TRUE(f.checks.Checked(MenuItem::Real));
  EXPECT_EQ(f.control.log, (Log{"stop", "realtime"}));
  EXPECT_TRUE(f.moon.shown);
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
}

TEST(TrayMenu, TopmostFollowsItsCheckMark) {
  Fixture f;
  f.menu.mnuTop();
  f.menu.mnuTop();
  EXPECT_EQ(f.moon.log, (Log{"topmost1", "topmost0"}));
  EXPECT_TRUE(f.checks.Checked(MenuItem::Ers));
}

TEST(TrayMenu, QuitMakesAMaximizedMoonWindowNormalFirst) {
  Fixture f;
  f.menu.mnuMoon();
  f.moon.log.clear();
  std::vector<std::string> order;
  f.menu.mnuEnd([&] {
    order.push_back(f.moon.maximized ? "closed while maximized" : "closed normal");
    EXPECT_EQ(f.state.QuitRequested, 1);
  });
  EXPECT_EQ(order, (Log{"closed normal"}));
  EXPECT_EQ(f.moon.log, (Log{"normal"}));
}

TEST(SettingNumbers, SevenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {1530, "1530"},
      {-120, "-120"},
      {2, "2"},
      {0, "0"},
      {-0.0, "0"},
      {1530.5, "1530.5"},
      {12345678, "1.234568E+07"},
      {0.25, "0.25"},
  };
  for (auto [v, text] : cases) EXPECT_EQ(FormatSettingNumber(v), text) << v;
}

TEST(SaveSettings, SixKeysInOrder) {
  class Recording : public MemorySettingsStore {
   public:
    bool WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& text) override {
      order.push_back(app + "/" + section + "/" + key + "=" + text);
      return MemorySettingsStore::WriteSetting(app, section, key, text);
    }
    std::vector<std::string> order;
  } store;
  EXPECT_TRUE(SaveSettings(store, {1530, -120, 7657.5, 0}, 2, true));
  EXPECT_EQ(store.order, (Log{"Selvane/Settings/Left1=1530", "Selvane/Settings/Top1=-120",
                              "Selvane/Settings/Left2=7657.5", "Selvane/Settings/Top2=0",
                              "Selvane/Settings/shadow=2", "Selvane/Settings/winstyle=True"}));
  EXPECT_TRUE(SaveSettings(store, {}, 1, false));
  EXPECT_EQ(store.ReadSetting("Selvane", "Settings", "winstyle", "0"), "False");
}

TEST(SaveSettings, AFailedWriteIsReportedAndTheRestStillWritten) {
  class Failing : public MemorySettingsStore {
   public:
    bool WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& text) override {
      MemorySettingsStore::WriteSetting(app, section, key, text);
      return key != "Top1";
    }
  } store;
  EXPECT_FALSE(SaveSettings(store, {1, 2, 3, 4}, 1, false));
  EXPECT_EQ(store.values.size(), 6u);
}

}  // namespace
}  // namespace selvane

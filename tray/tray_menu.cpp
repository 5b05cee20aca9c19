#include "tray/tray_menu.h"

#include <cmath>

#include "astro/field_text.h"

namespace selvane {

std::string FormatSettingNumber(double value) {
  if (value == 0) return "0";
  // Seven significant digits, an exponent as "E", "." whatever the locale.
  char buf[48];
  const std::size_t len = FormatGeneral(value, 7, buf, sizeof buf);
  for (std::size_t i = 0; i < len; ++i) {
    if (buf[i] >= 'a' && buf[i] <= 'z') buf[i] = static_cast<char>(buf[i] - 'a' + 'A');
  }
  return std::string(buf, len);
}

bool SaveSettings(SettingsStore& store, const WindowPositions& p, int shadowStep, bool circular) {
  bool ok = true;
  auto put = [&](const char* key, const std::string& text) {
    ok = store.WriteSetting(kSettingsApp, kSettingsSection, key, text) && ok;
  };
  put("Left1", FormatSettingNumber(p.left1));
  put("Top1", FormatSettingNumber(p.top1));
  put("Left2", FormatSettingNumber(p.left2));
  put("Top2", FormatSettingNumber(p.top2));
  put("shadow", FormatSettingNumber(shadowStep));
  put("winstyle", circular ? "True" : "False");
  return ok;
}

TrayMenuModel::TrayMenuModel(EphemerisState& state, MenuChecks& checks, MoonWindowControl& moon,
                             ControlWindowControl& control)
    : s_(state), checks_(checks), moon_(moon), control_(control) {}

void TrayMenuModel::OnIconLeftPress() {
  moon_.SetNormalState();
  moon_.Show();
  moon_.Focus();
  checks_.SetChecked(MenuItem::Ers, true);
}

void TrayMenuModel::FocusControlWindow() {
  checks_.SetChecked(MenuItem::About, true);
  ShowControlWindow();
}

void TrayMenuModel::OnLaterStart() {
  FocusControlWindow();
  OnIconLeftPress();
}

void TrayMenuModel::ShowControlWindow() {
  control_.SetNormalState();
  control_.Show();
  // Above a maximized moon window that stays on top.
  if (moon_.IsMaximized() && checks_.Checked(MenuItem::Top)) control_.SetTopmost(1);
  control_.Focus();
}

void TrayMenuModel::mnuAbout() {
  checks_.Toggle(MenuItem::About);
  if (checks_.Checked(MenuItem::About)) {
    ShowControlWindow();
  } else {
    control_.Hide();
  }
}

void TrayMenuModel::mnuErs() {
  checks_.Toggle(MenuItem::Ers);
  if (checks_.Checked(MenuItem::Ers)) {
    moon_.Show();
  } else {
    moon_.Hide();
  }
}

void TrayMenuModel::mnuCrc() {
  moon_.Show();
  checks_.SetChecked(MenuItem::Ers, true);
  if (checks_.Checked(MenuItem::Moon)) {
    checks_.SetChecked(MenuItem::Moon, false);
    moon_.SetNormalState();
    moon_.formreturn();
  }
  checks_.Toggle(MenuItem::Crc);
  if (checks_.Checked(MenuItem::Crc)) {
    moon_.ApplyCircularShape();
  } else {
    moon_.DropCircularShape();
  }
}

void TrayMenuModel::mnuMoon() {
  checks_.SetChecked(MenuItem::Crc, false);
  moon_.DropCircularShape();
  checks_.Toggle(MenuItem::Moon);
  if (checks_.Checked(MenuItem::Moon)) {
    moon_.SetMaximizedState();
    moon_.LayoutMaximizedView();
    moon_.Show();
  } else {
    moon_.SetNormalState();
    moon_.formreturn();
  }
  checks_.SetChecked(MenuItem::Ers, true);
}

void TrayMenuModel::mnuSade() {
  checks_.Toggle(MenuItem::Sade);
  s_.ShadowStep = checks_.Checked(MenuItem::Sade) ? 2 : 1;
  moon_.Show();
  checks_.SetChecked(MenuItem::Ers, true);
  moon_.DrawMoonShadow();
}

void TrayMenuModel::mnuReal() {
  checks_.Toggle(MenuItem::Real);
  moon_.Show();
  checks_.SetChecked(MenuItem::Ers, true);
  if (checks_.Checked(MenuItem::Real)) {
    control_.EnterRealTime();
    moon_.Show();
  } else {
    control_.StopTimer();
  }
}

void TrayMenuModel::mnuTop() {
  checks_.Toggle(MenuItem::Top);
  checks_.SetChecked(MenuItem::Ers, true);
  moon_.SetTopmost(checks_.Checked(MenuItem::Top) ? 1 : 0);
}

void TrayMenuModel::mnuEnd(const std::function<void()>& closeTrayHost) {
  if (moon_.IsMaximized()) moon_.SetNormalState();
  s_.QuitRequested = 1;
  if (closeTrayHost) closeTrayHost();
}

}  // namespace selvane

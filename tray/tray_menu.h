// What the tray icon and its popup menu do, without the widgets: the handlers of the menu
// items, the icon's left press, and the settings written when the program ends. The windows
// are reached through the two small interfaces below.
#pragma once

#include <functional>
#include <string>

#include "astro/ephemeris_state.h"
#include "tray/menu_checks.h"
#include "tray/settings_store.h"

namespace selvane {

// The moon window as the menu uses it.
class MoonWindowControl {
 public:
  virtual ~MoonWindowControl() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Focus() = 0;
  virtual bool IsMaximized() const = 0;
  // Normal window state; when the state changes the window's resize handling runs.
  virtual void SetNormalState() = 0;
  virtual void SetMaximizedState() = 0;
  virtual void formreturn() = 0;
  virtual void ApplyCircularShape() = 0;
  // Back to the whole rectangular window.
  virtual void DropCircularShape() = 0;
  virtual void LayoutMaximizedView() = 0;
  virtual void DrawMoonShadow() = 0;
  virtual void SetTopmost(int flag) = 0;
};

// The control window and its real-time switch as the menu uses them.
class ControlWindowControl {
 public:
  virtual ~ControlWindowControl() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Focus() = 0;
  virtual void SetNormalState() = 0;
  virtual void SetTopmost(int flag) = 0;
  // Step amount "1", fast box off, seconds unit, real-time mode, caption, timer at 100 ms.
  virtual void EnterRealTime() = 0;
  // Leaves real-time mode and stops the timer: the display stays at the last time shown.
  virtual void StopTimer() = 0;
};

// Window positions in twips, outer edges, as the settings keep them.
struct WindowPositions {
  double left1 = 0, top1 = 0;  // control window
  double left2 = 0, top2 = 0;  // moon window
};

// A number as the settings keep it: at most 7 significant digits, "." as the point, no digit
// grouping, no point for whole values ("1530", "-120", "2").
std::string FormatSettingNumber(double value);

// Writes Left1, Top1, Left2, Top2, shadow and winstyle, in that order. False when any write
// failed (every key is still attempted).
bool SaveSettings(SettingsStore& store, const WindowPositions& positions, int shadowStep,
                  bool circular);

inline constexpr const char* kSettingsApp = "Selvane";
inline constexpr const char* kSettingsSection = "Settings";

class TrayMenuModel {
 public:
  TrayMenuModel(EphemerisState& state, MenuChecks& checks, MoonWindowControl& moon,
                ControlWindowControl& control);

  // Left button pressed on the icon: the moon window, normal, shown and focused.
  void OnIconLeftPress();

  // F6 in the moon window: the control window, normal, shown and focused, as its menu item
  // shows it.
  void FocusControlWindow();

  // A later start of the program asked for the windows (there may be no tray to reach them):
  // the control window and then the moon window, each normal, shown and focused, as their
  // menu items show them; the moon window ends up in front.
  void OnLaterStart();

  void mnuAbout();
  void mnuErs();
  void mnuCrc();
  void mnuMoon();
  void mnuSade();
  void mnuReal();
  void mnuTop();
  // Quitting: a maximized moon window is made normal first (so that its normal place is
  // saved), then the tray host is closed through the given function.
  void mnuEnd(const std::function<void()>& closeTrayHost);

 private:
  // The control window normal, shown and focused, as its menu item shows it.
  void ShowControlWindow();

  EphemerisState& s_;
  MenuChecks& checks_;
  MoonWindowControl& moon_;
  ControlWindowControl& control_;
};

}  // namespace selvane

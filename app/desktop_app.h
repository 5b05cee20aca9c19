// The desktop program as one object: the shared record and fields, the engine, the control
// window with its panel and keypad, the moon window, the tray host, and the settings file,
// wired to one another through the small interfaces each of them declares.
#pragma once

#include <QObject>
#include <memory>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"
#include "control/clock.h"
#include "control/control_panel.h"
#include "control/control_window.h"
#include "control/entry_fields.h"
#include "control/keypad_model.h"
#include "tray/menu_checks.h"
#include "tray/qt_settings_store.h"
#include "tray/tray_host.h"
#include "tray/tray_menu.h"
#include "view/moon_window.h"

namespace selvane {

class QuitSignals;

class DesktopApp : public QObject {
  Q_OBJECT
 public:
  // settings and clock may be replaced (tests); by default the user's settings file and the
  // computer's clock. Under a DesktopApplication, the application's quit event (the end of the
  // desktop session) runs the tray host's close.
  explicit DesktopApp(SettingsStore* settings = nullptr, Clock* clock = nullptr);
  ~DesktopApp() override;

  // Start-up as the program does it: the control window's load handling, which evaluates,
  // enters real-time mode and shows both windows, then (once both windows have been painted)
  // the windows' icon and the tray icon.
  void Start();
  // A later start of the program asked for the windows: both shown, normal and raised.
  void ShowWindowsForLaterStart();
  // The tray host's close handler: saves the settings, removes the icon and ends the event
  // loop. Runs once.
  void Quit();
  // The session manager's save request (logout or checkpoint): writes the settings as Quit
  // does, and the program runs on.
  void SaveForSession();
  // Set when Quit has run; the status the event loop ends with.
  bool Quitting() const { return state_.QuitRequested != 0; }
  bool SettingsSaved() const { return settingsSaved_; }

  EphemerisState& State() { return state_; }
  EntryFields& Fields() { return fields_; }
  MenuChecks& Checks() { return checks_; }
  ControlPanel& Panel() { return *panel_; }
  ControlWindow& Form1() { return *form1_; }
  MoonWindow& Form2() { return *form2_; }
  TrayHost& Form3() { return *form3_; }
  TrayMenuModel& Menu() { return *menu_; }

 private:
  // The windows' state changes (one the window manager minimized counts as not shown) and their
  // first paints.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void WriteSettings();
  // The windows' icon and the tray icon, after the windows' first paints.
  void AddIcons();

  class MoonAdapter;
  class ControlAdapter;
  class Evaluator;

  EphemerisState state_;
  EntryFields fields_;
  MenuChecks checks_;
  std::unique_ptr<QtSettingsStore> ownSettings_;
  SettingsStore* settings_;
  SystemClock systemClock_;
  Clock* clock_;
  PlatformBeeper beeper_;
  std::unique_ptr<Evaluator> evaluator_;
  std::unique_ptr<ControlPanel> panel_;
  std::unique_ptr<KeypadModel> keypad_;
  std::unique_ptr<ControlWindow> form1_;
  std::unique_ptr<MoonWindow> form2_;
  std::unique_ptr<Ephemeris> engine_;
  std::unique_ptr<MoonAdapter> moonAdapter_;
  std::unique_ptr<ControlAdapter> controlAdapter_;
  std::unique_ptr<TrayMenuModel> menu_;
  std::unique_ptr<TrayHost> form3_;
  std::unique_ptr<QuitSignals> signals_;
  bool settingsSaved_ = false;
  bool quit_ = false;
  // The icons are still to come; which windows have been painted (1 control, 2 moon).
  bool iconsDue_ = false;
  int painted_ = 0;
};

}  // namespace selvane

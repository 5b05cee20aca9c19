#include "app/desktop_app.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "app/desktop_application.h"
#include "app/quit_signals.h"
#include "platform/platform.h"

namespace selvane {

// The engine reaches the moon window only after it exists; the panel is built first.
class DesktopApp::Evaluator : public PhaseEvaluator {
 public:
  void UpdateMoonPhase() override {
    if (engine) engine->UpdateMoonPhase();
  }
  Ephemeris* engine = nullptr;
};

// The moon window as the control panel and the menu use it.
class DesktopApp::MoonAdapter : public MoonWindowPort, public MoonWindowControl {
 public:
  MoonAdapter(MoonWindow& w, MenuChecks& checks) : w_(w), checks_(checks) {}
  // The check mark of mnuErs says whether the moon window is shown, whoever showed it. The
  // window has no task-bar entry, so one that a window manager minimized comes back normal.
  void Show() override {
    if (w_.WindowState() == 1) w_.SetWindowState(0);
    w_.show();
    checks_.SetChecked(MenuItem::Ers, true);
  }
  void Hide() override { w_.hide(); }
  bool IsHidden() const override { return !w_.isVisible(); }
  void SetTopmost(bool on) override { SetTopmost(on ? 1 : 0); }
  void Focus() override {
    w_.raise();
    w_.activateWindow();
  }
  bool IsMaximized() const override { return w_.WindowState() == 2; }
  void SetNormalState() override { w_.SetWindowState(0); }
  void SetMaximizedState() override { w_.SetWindowState(2); }
  void formreturn() override { w_.formreturn(); }
  void ApplyCircularShape() override { w_.ApplyCircularShape(); }
  void DropCircularShape() override { w_.DropCircularShape(); }
  void LayoutMaximizedView() override { w_.LayoutMaximizedView(); }
  void DrawMoonShadow() override { w_.DrawMoonShadow(); }
  // Where the window manager offers no always-on-top band, no check mark claims one.
  void SetTopmost(int flag) override {
    if (selvane::SetTopmost(&w_, flag) == 0 && flag == 1) checks_.SetChecked(MenuItem::Top, false);
  }

 private:
  MoonWindow& w_;
  MenuChecks& checks_;
};

// The control window and its panel as the menu uses them.
class DesktopApp::ControlAdapter : public ControlWindowControl {
 public:
  ControlAdapter(ControlWindow& w, ControlPanel& panel) : w_(w), panel_(panel) {}
  void Show() override {
    if (platform::WindowState(&w_) == 1) platform::SetWindowState(&w_, 0);
    w_.ShowWindow();
  }
  void Hide() override { w_.HideWindow(); }
  void Focus() override {
    w_.raise();
    w_.activateWindow();
  }
  void SetNormalState() override { platform::SetWindowState(&w_, 0); }
  void SetTopmost(int flag) override {
    if (flag == 0 || flag == 1) w_.SetTopmost(flag == 1);
  }
  void EnterRealTime() override { panel_.EnterRealTime(); }
  void StopTimer() override { panel_.StopTimer(); }

 private:
  ControlWindow& w_;
  ControlPanel& panel_;
};

DesktopApp::DesktopApp(SettingsStore* settings, Clock* clock)
    : settings_(settings), clock_(clock ? clock : &systemClock_) {
  if (!settings_) {
    ownSettings_ = std::make_unique<QtSettingsStore>();
    settings_ = ownSettings_.get();
  }
  evaluator_ = std::make_unique<Evaluator>();
  panel_ = std::make_unique<ControlPanel>(state_, fields_, checks_, *evaluator_, *clock_);
  keypad_ = std::make_unique<KeypadModel>(state_, fields_, *panel_, *evaluator_, beeper_);
  // The control window first; the moon window's load then places both from the settings.
  form1_ = std::make_unique<ControlWindow>(*panel_, *keypad_, fields_);
  form2_ = std::make_unique<MoonWindow>(
      state_, fields_, checks_, *settings_, form1_.get(),
      [this](const QPoint& at, bool fromKeyboard) { form3_->PopupAt(at, fromKeyboard); });
  engine_ = std::make_unique<Ephemeris>(state_, fields_, *form2_);
  evaluator_->engine = engine_.get();

  moonAdapter_ = std::make_unique<MoonAdapter>(*form2_, checks_);
  controlAdapter_ = std::make_unique<ControlAdapter>(*form1_, *panel_);
  panel_->AttachMoonWindow(moonAdapter_.get());

  fields_.SetSecondIsOneHook([this] { form2_->Painter().AnimatePhaseCycle(); });
  fields_.SetRefusedHook([] { platform::Beep(); });

  menu_ = std::make_unique<TrayMenuModel>(state_, checks_, *moonAdapter_, *controlAdapter_);
  form3_ = std::make_unique<TrayHost>(*menu_, checks_);
  form3_->SetCloseHandler([this] { Quit(); });
  // F6 in either window brings up the other one: they have no task-bar entries to go by.
  form1_->SetOtherWindowHook([this] { menu_->OnIconLeftPress(); });
  form2_->SetOtherWindowHook([this] { menu_->FocusControlWindow(); });

  signals_ = std::make_unique<QuitSignals>([this] { form3_->Close(); });
  // The session manager's save request, at logout or as a checkpoint at any time (and a logout
  // may still be cancelled): the settings are written, and the program goes on.
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager&) { SaveForSession(); });
  connect(qApp, &QGuiApplication::saveStateRequest, this,
          [this](QSessionManager&) { SaveForSession(); });
  // The end of the session reaches the application as its quit event: leave as the menu's quit
  // item does, instead of letting the windows be closed (they would only hide).
  if (DesktopApplication* app = DesktopApplication::Instance())
    app->SetQuitHandler([this] { form3_->Close(); });
  // A window the window manager minimized (with its own button, or "show desktop") counts as
  // not shown: each window's state changes pass by here.
  form1_->installEventFilter(this);
  form2_->installEventFilter(this);
}

DesktopApp::~DesktopApp() {
  if (DesktopApplication* app = DesktopApplication::Instance()) app->SetQuitHandler(nullptr);
  fields_.SetSecondIsOneHook(nullptr);
  fields_.SetRefusedHook(nullptr);
  panel_->AttachMoonWindow(nullptr);
}

void DesktopApp::Start() {
  panel_->StartUp();
  // The program's icon goes to the window system in every size for each window, and the tray
  // icon is a window of its own: both come once the windows have been painted (a fifth of the
  // start-up's work), or after a second should a window manager keep them off the screen that
  // long.
  iconsDue_ = true;
  QTimer::singleShot(1000, this, [this] { AddIcons(); });
}

void DesktopApp::AddIcons() {
  if (!iconsDue_ || quit_) return;
  iconsDue_ = false;
  QApplication::setWindowIcon(platform::ProgramIcon());
  form3_->AddIcon();
}

bool DesktopApp::eventFilter(QObject* watched, QEvent* event) {
  if (iconsDue_ && event->type() == QEvent::Paint) {
    painted_ |= watched == form1_.get() ? 1 : 2;
    if (painted_ == 3) QTimer::singleShot(0, this, [this] { AddIcons(); });
  }
  if (event->type() == QEvent::WindowStateChange) {
    // Out of the minimized state and on the screen, a window counts as shown again: some window
    // managers report a window minimized for a moment while they map it (mutter, until the
    // frame it has drawn by a client of its own is ready).
    const bool wasMinimized =
        static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
    const auto follow = [&](QWidget* window, MenuItem item) {
      if (watched != window) return;
      if (platform::WindowState(window) == 1)
        checks_.SetChecked(item, false);
      else if (wasMinimized && window->isVisible())
        checks_.SetChecked(item, true);
    };
    follow(form1_.get(), MenuItem::About);
    follow(form2_.get(), MenuItem::Ers);
  }
  return QObject::eventFilter(watched, event);
}

void DesktopApp::SaveForSession() {
  if (!quit_) WriteSettings();
}

void DesktopApp::ShowWindowsForLaterStart() {
  if (quit_) return;
  menu_->OnLaterStart();
}

void DesktopApp::Quit() {
  if (quit_) return;
  quit_ = true;
  state_.QuitRequested = 1;
  WriteSettings();
  form3_->RemoveIcon();
  QCoreApplication::exit(0);
}

void DesktopApp::WriteSettings() {
  // Outer edges in twips of the normal places (hidden windows included): a moon window still
  // maximized, or not yet back from it, keeps the place it had before. A window that stands
  // where it was placed gives back the twips it was placed from; where the window system never
  // says where the windows stand, both keep the places given at start.
  WindowPositions p;
  if (platform::WindowPlacesKnown()) {
    const QPointF c = platform::NormalOuterCornerTwips(form1_.get());
    const QPointF m = platform::NormalOuterCornerTwips(form2_.get());
    p.left1 = c.x();
    p.top1 = c.y();
    p.left2 = m.x();
    p.top2 = m.y();
  } else {
    const Placement& placed = form2_->Placed();
    p = {placed.left1, placed.top1, placed.left2, placed.top2};
  }
  settingsSaved_ = SaveSettings(*settings_, p, state_.ShadowStep, form2_->CircularSetting());
  if (ownSettings_) settingsSaved_ = ownSettings_->Flush() && settingsSaved_;
}

}  // namespace selvane

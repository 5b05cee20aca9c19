// The moon window (Form2): the moon picture with the shadow of the phase (Picture1) and the
// Moon's age below it (Text1). It lays itself out around the picture, restores both windows'
// places and its display options from the settings (`place`), can be cut to an ellipse around
// the picture, dragged by the picture, shown maximized with the picture centred on the screen,
// and refuses to close unless the program quits.
#pragma once

#include <QFrame>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"
#include "platform/platform.h"
#include "tray/menu_checks.h"
#include "tray/settings_store.h"
#include "view/moon_canvas.h"
#include "view/moon_layout.h"
#include "view/picture_description.h"
#include "view/shadow_geometry.h"

class QLineEdit;
class QPainter;
class QWindow;

namespace selvane {

// Picture1: shows the canvas's retained image inside a two-pixel sunken border (when it has
// one) and passes its mouse events to the window.
class MoonPicture : public QFrame {
 public:
  MoonPicture(const MoonCanvas& canvas, QWidget* parent);
  void SetBorder(bool on);
  bool HasBorder() const { return border_; }
  long Paints() const { return paints_; }

  std::function<void(QMouseEvent*)> onPress, onMove, onRelease;
  // A key pressed while the picture has the focus; true when it was used.
  std::function<bool(QKeyEvent*)> onKey;
  // Runs at each paint with the device pixel ratio painted at.
  std::function<void(double)> onPaintRatio;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawFocusRing(QPainter& p);

  const MoonCanvas& canvas_;
  bool border_ = true;
  long paints_ = 0;
};

class MoonWindow : public QWidget, public PhaseDisplay {
 public:
  // Opens the tray's popup menu at a point of the screen; from the keyboard or by the mouse.
  using MenuOpener = std::function<void(const QPoint& globalPos, bool fromKeyboard)>;

  // Creating the window runs its load: the layout around the picture, `place` (which moves
  // controlWindow and this window and reads the settings) and the check mark of mnuErs. The
  // window stays hidden.
  MoonWindow(EphemerisState& state, const FieldStore& fields, MenuChecks& checks,
             SettingsStore& settings, QWidget* controlWindow, MenuOpener openMenu,
             QWidget* parent = nullptr);
  ~MoonWindow() override;

  // Restores both windows' places, the shadow step and the circular shape from the settings;
  // on a reading that fails, centres both windows.
  void place();
  // Where `place` put both windows (outer corners in twips): what the settings keep where the
  // window system never tells the program where its windows stand.
  const Placement& Placed() const { return placed_; }
  // Cuts the window to the ellipse around the picture, from its size in the normal state (once
  // the window manager has settled it).
  void ApplyCircularShape();
  // The whole rectangular window again (the empty region).
  void DropCircularShape();
  bool IsCircular() const;
  // The round window's choice as the settings keep it.
  bool CircularSetting() const;
  // The normal layout: picture and age field with borders, at the margins.
  void formreturn();
  // The maximized view's layout: picture and age field without borders, centred on the screen.
  void LayoutMaximizedView();
  // 0 normal, 1 minimized, 2 maximized.
  int WindowState() const;
  void SetWindowState(int state);

  ShadowPainter& Painter() { return painter_; }
  MoonCanvas& Canvas() { return canvas_; }
  MoonPicture* Picture1() const { return picture_; }
  QLineEdit* Text1() const { return text_; }

  // PhaseDisplay: the drawing, the age field, and the desktop's pointer and beep.
  void DrawMoonShadow() override;
  void SetAgeText(std::string_view text) override;
  std::string_view AgeText() const override { return ageText_; }
  void SetBusyPointer(bool busy) override;
  void Beep() override;

  // How a frame of the phase-cycle animation is held on the screen (a sleep by default).
  void SetFrameHold(std::function<void(std::chrono::nanoseconds)> hold) { hold_ = std::move(hold); }
  // How often the picture was asked to repaint because its image changed.
  long PictureUpdates() const { return pictureUpdates_; }
  platform::WindowDragger& Dragger() { return dragger_; }
  // What F6 does: bring the other window (the control window) to the front.
  void SetOtherWindowHook(std::function<void()> hook) { otherWindow_ = std::move(hook); }
  // Makes the picture for the device pixel ratio of the window's screen, and cuts the circular
  // shape again at it; done by itself when the window shows, moves to another screen or the
  // screen's ratio changes.
  void SyncPixelRatio();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Follows the screen the native window is on, and that screen's ratio.
  void WatchScreen();
  void Load();
  bool PictureKey(QKeyEvent* event);
  // The popup menu from the keyboard: at the middle of the picture.
  void OpenMenuFromKeyboard();
  // A click on the maximized view's surround, or Escape: the normal view again.
  void LeaveMaximizedView();
  // The picture's description for a screen reader, once the evaluation has ended.
  void DescribePictureSoon();
  void DescribePictureNow();
  void DescriptionDue();
  void CutToEllipse();
  void OnResize();
  void PicturePress(QMouseEvent* event);
  void PictureMove(QMouseEvent* event);
  void PictureRelease(QMouseEvent* event);
  void PresentIfChanged();
  void PresentFrame();
  double Margin() const { return state_.PictureMargin; }
  double PictureWidthTwips() const;
  double PictureHeightTwips() const;
  double TextHeightTwips() const;
  // Moves a top-level window to a place given in twips (its outer corner).
  static void MoveTo(QWidget* window, double leftTwips, double topTwips);
  // Once the window manager has framed a window placed at the centre by its bare size, centres
  // it by its outer size (waiting for the frame some 15 s at most: a window manager that is still
  // starting up, on a busy machine, frames late).
  static void CentreWhenFramed(QWidget* window, double leftTwips, double topTwips, int tries = 10);

  EphemerisState& state_;
  MenuChecks& checks_;
  SettingsStore& settings_;
  QWidget* control_;
  MenuOpener openMenu_;
  std::function<void()> otherWindow_;
  MoonCanvas canvas_;
  ShadowPainter painter_;
  MoonPicture* picture_;
  QLineEdit* text_;
  std::string ageText_;
  bool loadedCircular_ = false;
  platform::WindowDragger dragger_;
  std::function<void(std::chrono::nanoseconds)> hold_;
  QWindow* watchedWindow_ = nullptr;
  QMetaObject::Connection screenDpi_;
  long pictureUpdates_ = 0;
  Placement placed_;
  DescriptionPacer pacer_;
  QTimer describeTimer_;
  bool describePending_ = false;
};

// Puts a window into the always-on-top band (flag 1) or takes it out (flag 0), and shows it.
// Any other flag does nothing and gives 0; otherwise non-zero on success.
int SetTopmost(QWidget* window, int flag);

}  // namespace selvane

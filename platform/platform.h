// The one layer through which the windows use the window system: measures in twips, the
// screen, the beep, the busy pointer, the Japanese design fonts, the shapes, stacking, states
// and moves of top-level windows, the presentation of frames, and the process (one instance,
// ending at once). Nothing outside platform/ includes platform-specific headers.
#pragma once

#include <QFont>
#include <QIcon>
#include <QMargins>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <chrono>
#include <functional>
#include <string_view>

class QWidget;

namespace selvane::platform {

// ---- Measures and screen ----

// Twips per pixel from the primary screen's logical dots per inch: 1440 / dpi (15 at 96 dpi).
double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(double pixels);
double PixelsToTwipsY(double pixels);
// The primary screen's size in twips.
double ScreenWidthTwips();
double ScreenHeightTwips();

// ---- Desktop ----

// The system beep.
void Beep();
// The screen-wide pointer: the hourglass (busy) or the default.
void SetBusyPointer(bool busy);

// Maps the design's font names to installed Japanese Gothic faces ("ＭＳ Ｐゴシック" to IPAPGothic,
// "ＭＳ ゴシック" to IPAGothic, else any Japanese Gothic found). Call once after the application
// object exists.
void InstallFontSubstitutions();
// The proportional and the fixed-pitch design fonts at a point size.
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
QFont DesignFont(const QString& family, double pointSize, bool bold = false);

// The moon icon in every size the program has, for windows and the tray: one icon, shared.
QIcon ProgramIcon();

// ---- Process ----

// Call before the application object is created. On a Wayland session the program runs through
// XWayland (the xcb platform), because window positions, stacking and shapes are what it is
// about; a platform the user chose with QT_QPA_PLATFORM is kept, and where the session has no
// X server (DISPLAY unset), or it does not answer, the native Wayland platform is used.
void PreferX11OnWayland();

// Call after PreferX11OnWayland, before the application object is created. False, after one line
// on standard error, when none of the platforms the program would use can start: no X server
// answers, a Wayland platform plugin that was asked for is not installed, or no Wayland
// compositor answers. Qt would otherwise abort.
bool DisplayAvailable();

// True when another instance of the program runs for this user (the instance lock in the user's
// runtime directory is held by a live process). Otherwise this process takes the lock and keeps
// it until it ends. A lock left by a killed or crashed instance is taken over.
bool AnotherInstanceRunning();

// The running instance (the lock's holder) listens beside the lock for later starts: `show` runs
// on the event loop each time one of them asks for the windows. A peer that has not sent its
// one-line request within peerDeadline is dropped.
void ListenForLaterStarts(std::function<void()> show,
                          std::chrono::milliseconds peerDeadline = std::chrono::seconds(3));
// A later start asks the running instance to show its windows; true once it answered that it
// did, false when none answered within timeoutMs for each step.
bool AskRunningInstanceToShow(int timeoutMs = 400);

// Ends the program at once, without closing windows or running their close handling. Output
// buffers are flushed; the instance lock is released by the end of the process.
[[noreturn]] void EndProgramNow(int status = 0);

// ---- Top-level windows ----

// Window flags of the program's windows: a title bar with a close box and no minimize or
// maximize button; no task-bar or pager entry. Call before the window is first shown.
void MakeToolWindow(QWidget* window);

// Whether the window system tells the program where its windows stand and lets it place them.
// X11 does; a Wayland compositor places a client's windows itself and never says where.
bool WindowPlacesKnown();

// Gives a shown window a new name in the window system straight away, leaving Qt's window
// title as it was: on X11, Qt names a window through Xlib as well, which waits for the server's
// answer every time. False (nothing done) where that is not possible: no X11, a window not
// made yet, or a name that is not ASCII.
bool SetNameInWindowSystem(QWidget* window, std::string_view ascii);

// Window state as the program counts it: 0 normal, 1 minimized, 2 maximized.
int WindowState(const QWidget* window);
// Sets the window state. A window of fixed size is allowed to grow while maximized and gets its
// fixed size back when it returns to normal.
void SetWindowState(QWidget* window, int state);

// Puts the window into the always-on-top band or takes it out, without re-creating the native
// window (no flicker; shape and position are kept), and shows it when it is hidden.
// Returns false when the window manager offers no such band (the window stays as it was).
bool SetStaysOnTop(QWidget* window, bool on);
bool StaysOnTop(const QWidget* window);

// Call in the window's constructor, before it is first shown: gives the window a translucent
// surface when a compositor runs, so that an elliptic shape can get an antialiased edge.
void PrepareForShape(QWidget* window);

// Cuts the window to the ellipse bounded by outerRect (whole pixels, right and bottom edges
// excluded, relative to the window's outer top-left corner with its decorations). The window
// manager's title bar cannot be cut by the client, so the window loses its decorations and is
// placed so that its contents stay where they are on the screen. Only the ellipse is visible
// and receives the mouse; where a compositor runs the window paints the edge antialiased.
// False, and nothing changes, where the window system would not show the shape: wlroots' X
// window manager (sway and its kin under XWayland) neither applies X shapes nor takes a mapped
// window's decorations away.
bool ApplyEllipticShape(QWidget* window, const QRect& outerRect);
// Whether the window system shows elliptic windows (see above).
bool ShapesShown();
// Gives back the whole decorated rectangle, its contents at the same place on the screen.
void DropShape(QWidget* window);
bool HasEllipticShape(const QWidget* window);
// The ellipse's bounding rectangle in the window's own (client) pixels; empty without a shape.
QRect ShapeEllipse(const QWidget* window);
// True while the shape's edge is to be painted antialiased by the window (translucent surface
// and a compositor); false for the plain mask.
bool ShapeEdgeAntialiased(const QWidget* window);
// The window's outer rectangle on the screen, decorations included (none while it is cut to a
// shape), from the window manager's own figures where it gives them. What the settings keep
// as a window's place.
QRect OuterGeometry(const QWidget* window);
// The place the settings keep for a window: its outer rectangle in the normal state, decorations
// included. While the window is maximized, or the window manager has not yet answered the return
// to normal, the place it had before maximizing; while it is cut to a shape, where its decorated
// frame would be (so that the next start, which places the decorated window, finds it there).
QRect NormalOuterGeometry(const QWidget* window);
// Window managers answer state changes, moves and new decorations later. True when nothing is
// pending: the window is on the screen with its frame and not on its way back from maximized.
bool Settled(const QWidget* window);
// Runs `then` once the window is settled (at once when it is). A window manager that does not
// answer within about 1.5 s of the window being shown is no longer waited for.
void WhenSettled(QWidget* window, std::function<void()> then);
// Moves a window so that its outer corner (decorations included) is at a point of the screen.
// Unlike QWidget::move it does not depend on Qt's figure of the decorations, which lags behind
// on X11 when they come or go.
void MoveOuterCorner(QWidget* window, const QPoint& outer);
// Moves a window's outer corner by a step from where it stands, or from where the last move
// asked it to go while the window manager has not answered yet: steps in quick succession add
// up.
void MoveOuterCornerBy(QWidget* window, const QPoint& delta);
// Places a window as MoveOuterCorner does, at the pixels of a place kept in twips, and
// remembers both: see NormalOuterCornerTwips.
void PlaceOuterCorner(QWidget* window, const QPoint& outer, const QPointF& twips);
// The normal outer corner in twips, as the settings keep it. While the window stands where it
// was placed (or where the window manager put it in answer, when it would not put it there),
// and before that answer is in, the twips it was placed from: a place the window manager never
// granted, or a twips figure that does not fall on a whole pixel, goes back as it came.
QPointF NormalOuterCornerTwips(const QWidget* window);
// The decorations' widths around the client area in pixels: the current ones, or while the
// window is cut to a shape, the ones it had before. Zero before the window was ever decorated
// on the screen.
QMargins DecoratedFrameMargins(const QWidget* window);

// Whether a compositing manager runs on the display (X11: the _NET_WM_CM_Sn selection).
bool CompositorActive();
// Tests may pretend that a compositor runs (true), that none runs (false), or ask again (reset).
void OverrideCompositorForTesting(int state);  // 1 on, 0 off, -1 ask the display
// The same for whether shapes are shown.
void OverrideShapesShownForTesting(int state);

// Moves a window by dragging one of its widgets. A left press arms it; once the pointer has
// moved by the platform's drag distance the window manager's own move takes over, and where it
// refuses, the window follows the pointer from here. A press and release without moving is a
// click, not a drag.
class WindowDragger {
 public:
  void Press(QWidget* window, const QPoint& globalPos);
  // Returns true while a drag is under way.
  bool Move(const QPoint& globalPos);
  // Ends it; returns true when the window was dragged (the release is not a click).
  bool Release();
  bool Armed() const { return mode_ != Mode::Idle; }
  // Tests: refuse the window manager's move, as some window managers do.
  void SetSystemMoveAllowed(bool allowed) { systemMoveAllowed_ = allowed; }

 private:
  enum class Mode { Idle, Pressed, System, Manual };
  QPointer<QWidget> window_;
  QPoint pressGlobal_;
  QPoint windowStart_;
  Mode mode_ = Mode::Idle;
  bool systemMoveAllowed_ = true;
};

// ---- Presentation ----

// Sends everything drawn so far to the window system now.
void FlushWindowSystem();
// One refresh interval of the screen that shows the window (1/60 s when unknown).
std::chrono::nanoseconds FrameInterval(const QWidget* window);

}  // namespace selvane::platform

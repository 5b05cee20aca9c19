// Top-level windows: flags, states, the always-on-top band, elliptic shapes and dragging.
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QRegion>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/x11_session.h"

namespace selvane::platform {
namespace {

const QString kExtrasName = QStringLiteral("selvane-window-extras");

// The window's native window on the X server, without creating one; 0 when there is none.
std::uintptr_t NativeId(const QWidget* w) {
  if (!w->testAttribute(Qt::WA_WState_Created)) return 0;
  const QWindow* h = w->windowHandle();
  return h && h->handle() ? static_cast<std::uintptr_t>(h->winId()) : 0;
}

// The server counts in device pixels, Qt's geometry in logical ones: lengths scale by the
// window's ratio; points scale from the corner of the screen they lie on, which both share.
int ToLogical(const QWidget* w, int devicePixels) {
  return qRound(devicePixels / w->devicePixelRatioF());
}
int ToDevice(const QWidget* w, int logicalPixels) {
  return qRound(logicalPixels * w->devicePixelRatioF());
}
QPoint ScalePoint(const QPoint& p, const QPoint& origin, qreal factor) {
  return origin +
         QPoint(qRound((p.x() - origin.x()) * factor), qRound((p.y() - origin.y()) * factor));
}
QPoint ToLogicalPoint(const QWidget* w, const QPoint& device) {
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect g = s->geometry();
    if (QRect(g.topLeft(), g.size() * s->devicePixelRatio()).contains(device))
      return ScalePoint(device, g.topLeft(), 1 / s->devicePixelRatio());
  }
  const QScreen* s = w->screen();
  return s ? ScalePoint(device, s->geometry().topLeft(), 1 / s->devicePixelRatio()) : device;
}
QPoint ToDevicePoint(const QWidget* w, const QPoint& logical) {
  for (const QScreen* s : QGuiApplication::screens())
    if (s->geometry().contains(logical))
      return ScalePoint(logical, s->geometry().topLeft(), s->devicePixelRatio());
  const QScreen* s = w->screen();
  return s ? ScalePoint(logical, s->geometry().topLeft(), s->devicePixelRatio()) : logical;
}

// Where the server has the client area now, when the window is on an X server's screen.
std::optional<QRect> ServerClientRect(const QWidget* w) {
  const std::uintptr_t id = NativeId(w);
  int x = 0, y = 0, width = 0, height = 0;
  if (!id || !w->isVisible() || !x11::ClientGeometry(id, x, y, width, height)) return std::nullopt;
  return QRect(ToLogicalPoint(w, QPoint(x, y)), QSize(ToLogical(w, width), ToLogical(w, height)));
}

// The client area on the screen: from the server where there is one (Qt's own figure may lag
// behind the window manager's moves), else as Qt has it.
QRect ClientRect(const QWidget* w) {
  if (const auto r = ServerClientRect(w)) return *r;
  return w->geometry();
}

// The decorations now: on X11 as the window manager has them (Qt's own figure lags behind when
// they come or go without the window moving), else as Qt has them.
QMargins CurrentMargins(const QWidget* w) {
  int l = 0, t = 0, r = 0, b = 0;
  if (const std::uintptr_t id = NativeId(w);
      id && w->isVisible() && x11::FrameMargins(id, l, t, r, b))
    return QMargins(ToLogical(w, l), ToLogical(w, t), ToLogical(w, r), ToLogical(w, b));
  const QRect g = w->geometry();
  const QRect f = w->frameGeometry();
  return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                  f.bottom() - g.bottom());
}

void SetFlagInPlace(QWidget* w, Qt::WindowType flag, bool on);
void AssertFixedSize(QWidget* w);

// The native Wayland platform: the compositor decides places and answers state changes later.
bool NativeWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// What this layer keeps per window, as a child object of the window. It also watches the
// window: the decorations' widths while it is decorated, its normal place, and the window
// manager's states before each map.
class WindowExtras : public QObject {
 public:
  explicit WindowExtras(QWidget* window) : QObject(window), window_(window) {
    setObjectName(kExtrasName);
    window->installEventFilter(this);
    settleTimer.setInterval(100);
    connect(&settleTimer, &QTimer::timeout, this, [this] { SettleTick(); });
    quietTimer.setInterval(150);
    quietTimer.setSingleShot(true);
    connect(&quietTimer, &QTimer::timeout, this, [this] { RunNowIfSettled(); });
    connect(&maximizeTimer, &QTimer::timeout, this, [this] { MaximizeTick(); });
    keepTimer.setInterval(100);
    connect(&keepTimer, &QTimer::timeout, this, [this] { CorrectPlace(); });
  }

  QMargins margins;  // the decorations as last seen in the normal state
  bool shaped = false;
  bool antialiased = false;
  QRect ellipse;  // client pixels
  bool skipTaskbar = false;
  // On X11 the always-on-top state is asked of the window manager directly: changing Qt's flag
  // would make Qt build a new native window at the next show, without the states set here.
  bool above = false;
  QSize fixedSize;            // kept while maximized
  bool restoreFixed = false;  // give the fixed size back once the window manager restored it
  int restoreSteps = 0;
  // Where the client area must stay while the window manager adds or takes away decorations,
  // and for how long to put it back there.
  std::optional<QPoint> keepClient;
  QElapsedTimer keepSince;
  int keepMoves = 0;
  // Some window managers take the decorations away or give them back a while after the move
  // that was to compensate for them, without moving the client: looked at until then.
  QTimer keepTimer;
  // The client area's place and size in the normal state, kept while the window is maximized.
  QRect normalClient;
  // The decorations the window had in the normal state before it was maximized, until the
  // window shows them again (see Observe).
  std::optional<QMargins> expectMargins;
  // The outer rectangle in the normal state as last seen on the screen (or as placed while
  // hidden): what a hidden or minimized window keeps as its place.
  QRect lastNormalOuter;
  // Where the program placed the window (outer corner in pixels and the twips it came from),
  // and where the window manager then let it stand; cleared by any other move.
  std::optional<QPoint> placedAt;
  std::optional<QPoint> grantedAt;
  // The outer corner the last move asked for, and since when.
  QPoint askedOuter;
  QElapsedTimer askedSince;
  QPointF placedTwips;
  // What waits for the window manager to settle the window, and how long it has waited.
  std::vector<std::function<void()>> whenSettled;
  QTimer settleTimer;
  QTimer quietTimer;
  int settleTicks = 0;
  QTimer maximizeTimer;
  QElapsedTimer maximizeAsked;
  // The fixed size asked for again after the window manager handed back another one.
  QElapsedTimer fixedAskedSince;
  QElapsedTimer shownSince;
  const QScreen* shownOn = nullptr;
  int fixedAsks = 0;

  void Observe() {
    // A maximized window has the decorations of that state (often without borders); a
    // minimized or hidden one is not on the screen.
    if (!window_->isVisible() || WindowState(window_) != 0 || restoreFixed) return;
    if (!shaped) {
      const QMargins m = CurrentMargins(window_);
      if (expectMargins && !m.isNull() && m != *expectMargins) {
        // Back from maximized, some window managers keep a resize handle on the window of fixed
        // size until its frame is made anew: the decorations from before still count.
        return;
      }
      if (!m.isNull()) {
        expectMargins.reset();
        margins = m;
      }
    }
    lastNormalOuter = ClientRect(window_).marginsAdded(margins);
  }

  // The window manager has answered: the window is on the screen with its frame, and no return
  // from the maximized state is still under way. Without an X server nothing is ever pending.
  bool Settled() const {
    if (!x11::Available()) return !restoreFixed;
    return !restoreFixed && window_->isVisible() && (!margins.isNull() || shaped);
  }

  void WhenSettled(std::function<void()> then) {
    whenSettled.push_back(std::move(then));
    settleTicks = 0;
    if (!settleTimer.isActive()) settleTimer.start();
    quietTimer.start();
  }

  // Called on each move and resize while something waits: the window manager's answer comes
  // as several events (size, then place, then decorations), so the window must have been
  // quiet for a moment before it counts as settled.
  void RunIfSettled() {
    if (whenSettled.empty()) return;
    quietTimer.start();
  }

  void RunNowIfSettled() {
    if (whenSettled.empty() || !Settled()) return;
    RunWaiting();
  }

  void RunWaiting() {
    settleTimer.stop();
    quietTimer.stop();
    auto run = std::move(whenSettled);
    whenSettled.clear();
    for (auto& f : run) f();
  }

  // Polled while something waits: a window manager that never answers (or none at all) must
  // not keep it waiting for ever once the window is shown.
  void SettleTick() {
    if (!window_->isVisible()) return;  // counted from when the window is on the screen
    Observe();
    if (++settleTicks >= 15) {
      if (restoreFixed) RestoreFixedSize();
      if (margins.isNull()) margins = CurrentMargins(window_);
      RunWaiting();
      return;
    }
    if (!quietTimer.isActive()) RunNowIfSettled();
  }

  // The window manager may apply the new decorations after the move that was to compensate
  // for them, or hand back another size: the size fixed again and the client area put back
  // where it was, a few times at most, shortly after.
  void CorrectPlace() {
    if (!keepClient) {
      keepTimer.stop();
      return;
    }
    if (keepSince.elapsed() > 2000 || keepMoves > 8) {
      keepClient.reset();
      keepTimer.stop();
      return;
    }
    AssertFixedSize(window_);
    const QRect now = ClientRect(window_);
    const QMargins m = shaped ? QMargins() : CurrentMargins(window_);
    if (now.topLeft() == *keepClient) return;
    ++keepMoves;
    const QPoint frame = *keepClient - QPoint(m.left(), m.top());
    const QPoint device = ToDevicePoint(window_, frame);
    x11::MoveFrame(NativeId(window_), device.x(), device.y());
  }

  // A window manager that does not grant the maximized state (or no window manager at all)
  // leaves the window at its fixed size: it goes back to normal then, so that nothing claims a
  // maximized view that is not there. Counted from when the window is on the screen.
  void CheckMaximizeGranted() {
    maximizeAsked.start();
    if (!maximizeTimer.isActive()) maximizeTimer.start(250);
  }
  void MaximizeTick() {
    if (WindowState(window_) != 2 || !fixedSize.isValid()) {
      maximizeTimer.stop();
      return;
    }
    if (!window_->isVisible()) {
      maximizeAsked.start();
      return;
    }
    const auto server = ServerClientRect(window_);
    const QSize now = server ? server->size() : window_->size();
    if (now.width() > fixedSize.width() || now.height() > fixedSize.height()) {
      maximizeTimer.stop();
      return;
    }
    if (maximizeAsked.elapsed() < 3000) return;
    maximizeTimer.stop();
    SetWindowState(window_, 0);
  }

  void RestoreFixedSize() {
    restoreFixed = false;
    if (!fixedSize.isValid()) return;
    window_->setFixedSize(fixedSize);
    fixedSize = QSize();
    // Given up only now, with the fixed size: the window manager takes the functions it offers
    // (resizing among them) from that moment, and would keep a resize handle otherwise.
    SetFlagInPlace(window_, Qt::WindowMaximizeButtonHint, false);
    AssertFixedSize(window_);
  }

  // The states this layer keeps in the window manager's record of the window, written before
  // each map: the window manager drops them when the window is withdrawn.
  void WriteStatesBeforeMap() {
    const std::uintptr_t id = NativeId(window_);
    if (!id) return;
    if (skipTaskbar)
      x11::SetStates(id, {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}, true);
    if (above) x11::SetStates(id, {"_NET_WM_STATE_ABOVE"}, true);
    if (shaped) x11::SetDecorated(id, false);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_) {
      switch (event->type()) {
        case QEvent::Show:
          // Sent before the native window is mapped: the window manager reads the state then.
          WriteStatesBeforeMap();
          shownSince.start();
          shownOn = window_->screen();
          break;
        case QEvent::Resize:
          // The window manager's own restoring may come in steps: wait for the size it had,
          // a few steps at most.
          if (restoreFixed && WindowState(window_) == 0 &&
              (window_->size() == fixedSize || ++restoreSteps > 3))
            RestoreFixedSize();
          // Some window managers hand a window of fixed size another size when they frame it:
          // asked again, a few times at most, shortly after the map (later, a move to a screen
          // of another ratio resizes the window in steps of its own).
          if (!restoreFixed && WindowState(window_) == 0 && window_->isVisible() &&
              shownSince.isValid() && shownSince.elapsed() < 3000 && window_->screen() == shownOn) {
            if (!fixedAskedSince.isValid() || fixedAskedSince.elapsed() > 2000) {
              fixedAskedSince.start();
              fixedAsks = 0;
            }
            if (fixedAsks < 3)
              QTimer::singleShot(0, this, [this] {
                // Qt's own figure in logical pixels: the server's may be counted at the ratio of
                // a screen the window is just leaving.
                if (restoreFixed || WindowState(window_) != 0 || window_->screen() != shownOn ||
                    window_->size() == window_->minimumSize())
                  return;
                ++fixedAsks;
                AssertFixedSize(window_);
              });
          }
          Observe();
          CorrectPlace();
          RunIfSettled();
          break;
        case QEvent::Move:
          Observe();
          CorrectPlace();
          RunIfSettled();
          break;
        default:
          break;
      }
    }
    return false;
  }

 private:
  QWidget* window_;
};

WindowExtras* Extras(const QWidget* window) {
  return window ? dynamic_cast<WindowExtras*>(
                      window->findChild<QObject*>(kExtrasName, Qt::FindDirectChildrenOnly))
                : nullptr;
}

WindowExtras* MakeExtras(QWidget* window) {
  WindowExtras* x = Extras(window);
  return x ? x : new WindowExtras(window);
}

// Changes one window flag in the widget and in its native window, if there is one, without
// re-creating the native window (QWidget::setWindowFlag would).
void SetFlagInPlace(QWidget* w, Qt::WindowType flag, bool on) {
  Qt::WindowFlags f = w->windowFlags();
  f.setFlag(flag, on);
  w->overrideWindowFlags(f);
  if (QWindow* h = w->windowHandle()) h->setFlag(flag, on);
  // Qt writes the decorations anew with the flags: a window cut to a shape keeps none.
  const WindowExtras* x = Extras(w);
  if (x && x->shaped && x11::Available()) x11::SetDecorated(NativeId(w), false);
}

// A window of fixed size has that size on the screen, whatever size a window manager handed
// back when decorations came or went or the maximized state ended.
void AssertFixedSize(QWidget* w) {
  const QSize fixed = w->minimumSize();
  if (fixed != w->maximumSize() || fixed.isEmpty()) return;
  const auto server = ServerClientRect(w);
  const QSize now = server ? server->size() : w->size();
  if (now == fixed) return;
  // On X11 only the size is asked for: Qt's own request would also carry the corner it last
  // heard of, taking the window back from a move the window manager has not answered yet.
  if (const std::uintptr_t id = NativeId(w); id && server && x11::Available()) {
    x11::ResizeClient(id, ToDevice(w, fixed.width()), ToDevice(w, fixed.height()));
    return;
  }
  // Qt takes the window manager's size as its own: set anew, it is asked for again.
  w->setMinimumSize(0, 0);
  w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  w->setFixedSize(fixed);
}

// Keeps the client area at a place on the screen while the decorations come or go: the outer
// corner goes where the client's corner less the new decorations is (`decorations`: left and
// top widths the window will have).
void KeepClientAt(QWidget* w, const QPoint& clientPos, const QMargins& decorations) {
  if (const std::uintptr_t id = NativeId(w); id && w->isVisible() && x11::Available()) {
    const QPoint frame = clientPos - QPoint(decorations.left(), decorations.top());
    const QPoint device = ToDevicePoint(w, frame);
    x11::MoveFrame(id, device.x(), device.y());
    // Once more a little later: a window manager that reads the decorations only when the window
    // is configured next may not have read the new ones at the first request.
    // (Unless the window has been given another place or state meanwhile.)
    QTimer::singleShot(200, w, [w, id, device, clientPos] {
      const WindowExtras* x = Extras(w);
      if (!x || x->keepClient == clientPos) x11::MoveFrame(id, device.x(), device.y());
    });
    if (WindowExtras* x = Extras(w)) {
      x->keepClient = clientPos;
      x->keepSince.start();
      x->keepMoves = 0;
      x->keepTimer.start();
    }
  } else if (w->windowHandle()) {
    w->windowHandle()->setPosition(clientPos);
  } else {
    w->move(clientPos);  // not created yet: there is no frame, the corner is the client's
  }
}

int g_compositorOverride = -1;
int g_shapesShownOverride = -1;

}  // namespace

void MakeToolWindow(QWidget* window) {
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  MakeExtras(window)->skipTaskbar = true;
}

bool WindowPlacesKnown() {
  return !NativeWayland();
}

bool SetNameInWindowSystem(QWidget* window, std::string_view ascii) {
  return x11::SetName(NativeId(window), ascii);
}

int WindowState(const QWidget* window) {
  const Qt::WindowStates s = window->windowState();
  if (s & Qt::WindowMinimized) return 1;
  if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
  return 0;
}

void SetWindowState(QWidget* window, int state) {
  WindowExtras* x = MakeExtras(window);
  const Qt::WindowStates plain =
      window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  // The place kept for the client while decorations came or went is not the maximized one.
  x->keepClient.reset();
  x->keepTimer.stop();
  if (state == 2) {
    if (WindowState(window) == 0 && !x->restoreFixed) {
      x->normalClient = ClientRect(window);
      if (!x->margins.isNull() && !x->shaped) x->expectMargins = x->margins;
    }
    x->restoreFixed = false;
    if (!x->fixedSize.isValid() && window->minimumSize() == window->maximumSize())
      x->fixedSize = window->minimumSize();
    if (x->fixedSize.isValid()) {
      window->setMinimumSize(0, 0);
      window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      // Window managers refuse to maximize a window that offers no maximize function.
      SetFlagInPlace(window, Qt::WindowMaximizeButtonHint, true);
    }
    window->setWindowState(plain | Qt::WindowMaximized);
    if (x11::Available() && x->fixedSize.isValid()) x->CheckMaximizeGranted();
  } else if (state == 1) {
    window->setWindowState(window->windowState() | Qt::WindowMinimized);
  } else if (state == 0) {
    window->setWindowState(plain);
    if (x->fixedSize.isValid()) {
      // A window manager gives back the place and size from before the maximizing; fixing the
      // size before then would also move the window to where the maximized one was. A Wayland
      // compositor ends a client that shows another size before it has answered.
      if (window->isVisible() && (x11::Available() || NativeWayland())) {
        x->restoreFixed = true;
        x->restoreSteps = 0;
        // Fixed again once the window manager has answered, or has not for a while.
        x->WhenSettled([] {});
      } else {
        x->RestoreFixedSize();
      }
    }
  }
}

bool SetStaysOnTop(QWidget* window, bool on) {
  if (!window) return false;
  if (x11::Available()) {
    // A window manager that does not offer the state leaves the window where it is.
    const bool offered = x11::WindowManagerSupports("_NET_WM_STATE_ABOVE");
    WindowExtras* x = MakeExtras(window);
    x->above = on && offered;
    if (const std::uintptr_t id = NativeId(window); id && window->isVisible())
      x11::SetStates(id, {"_NET_WM_STATE_ABOVE"}, x->above);
    if (window->isHidden()) window->show();  // the state is written before the map
    return offered || !on;
  }
  if (!window->windowHandle()) window->winId();  // a native window to keep from now on
  SetFlagInPlace(window, Qt::WindowStaysOnTopHint, on);
  if (window->isHidden()) window->show();
  return true;
}

bool StaysOnTop(const QWidget* window) {
  if (!window) return false;
  if (const WindowExtras* x = Extras(window); x && x11::Available()) return x->above;
  return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void PrepareForShape(QWidget* window) {
  MakeExtras(window);
  if (!window->windowHandle() && CompositorActive())
    window->setAttribute(Qt::WA_TranslucentBackground);
}

bool ShapesShown() {
  if (g_shapesShownOverride >= 0) return g_shapesShownOverride == 1;
  return !x11::Available() || x11::WindowManagerName() != "wlroots wm";
}

void OverrideShapesShownForTesting(int state) {
  g_shapesShownOverride = state < 0 ? -1 : state;
}

bool ApplyEllipticShape(QWidget* window, const QRect& outerRect) {
  if (!ShapesShown()) return false;
  WindowExtras* x = MakeExtras(window);
  x->Observe();
  const QMargins offset = DecoratedFrameMargins(window);
  if (!x->shaped) {
    const QPoint clientPos = ClientRect(window).topLeft();
    x->shaped = true;
    // On X11 the decorations are asked away directly: Qt's frameless flag also gives the window
    // a type that some window managers (KWin) remember, never decorating the window again.
    if (!x11::Available()) {
      SetFlagInPlace(window, Qt::FramelessWindowHint, true);
    } else if (const std::uintptr_t id = NativeId(window)) {
      x11::SetDecorated(id, false);
    }
    KeepClientAt(window, clientPos, QMargins());
  }
  x->ellipse = outerRect.translated(-offset.left(), -offset.top());
  x->antialiased = window->testAttribute(Qt::WA_TranslucentBackground) && CompositorActive();
  // With an antialiased edge the visible area reaches one pixel further, where the edge fades.
  const QRect cut = x->antialiased ? x->ellipse.adjusted(-1, -1, 1, 1) : x->ellipse;
  window->setMask(QRegion(cut, QRegion::Ellipse));
  // Qt's mask is made of logical pixels, so at a device pixel ratio above 1 its edge steps by
  // whole logical pixels; the server is given the ellipse in its own pixels instead.
  const qreal ratio = window->devicePixelRatioF();
  if (const std::uintptr_t id = NativeId(window); ratio != 1 && id && x11::Available()) {
    const QRect device(qRound(cut.x() * ratio), qRound(cut.y() * ratio),
                       qRound(cut.width() * ratio), qRound(cut.height() * ratio));
    std::vector<x11::ShapeRect> rects;
    for (const QRect& r : QRegion(device, QRegion::Ellipse))
      rects.push_back({r.x(), r.y(), r.width(), r.height()});
    x11::SetBoundingShape(id, rects);
  }
  window->update();
  return true;
}

void DropShape(QWidget* window) {
  WindowExtras* x = Extras(window);
  if (!x || !x->shaped) return;
  const QPoint clientPos = ClientRect(window).topLeft();
  x->shaped = false;
  x->antialiased = false;
  x->ellipse = QRect();
  // The decorations are asked back before the shape goes: a window manager that takes a shaped
  // window for one without a frame decides again when the shape goes, by the hints then.
  if (!x11::Available()) {
    SetFlagInPlace(window, Qt::FramelessWindowHint, false);
  } else if (const std::uintptr_t id = NativeId(window)) {
    x11::SetDecorated(id, true);
  }
  window->clearMask();
  KeepClientAt(window, clientPos, x->margins);
  window->update();
}

QRect OuterGeometry(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  if (x && x->shaped) return ClientRect(window);
  return ClientRect(window).marginsAdded(CurrentMargins(window));
}

QRect NormalOuterGeometry(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  if (!x) return OuterGeometry(window);
  // Hidden or minimized: the window manager may have put the withdrawn window anywhere (often
  // at its frame's corner); its place is where it last stood.
  if ((!window->isVisible() || WindowState(window) == 1) && x->lastNormalOuter.isValid())
    return x->lastNormalOuter;
  // Maximized, or asked back to normal and not yet answered: the place from before.
  const bool away = WindowState(window) == 2 || x->restoreFixed;
  const QRect client = away && x->normalClient.isValid() ? x->normalClient : ClientRect(window);
  if (x->shaped || away || !x->margins.isNull()) return client.marginsAdded(x->margins);
  return client.marginsAdded(CurrentMargins(window));
}

bool Settled(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  return !x || x->Settled();
}

void WhenSettled(QWidget* window, std::function<void()> then) {
  MakeExtras(window)->WhenSettled(std::move(then));
}

void MoveOuterCorner(QWidget* window, const QPoint& outer) {
  WindowExtras* x = Extras(window);
  if (x) {
    x->placedAt.reset();
    x->grantedAt.reset();
    x->keepClient.reset();
  }
  if (const std::uintptr_t id = NativeId(window); id && window->isVisible() && x11::Available()) {
    const QPoint device = ToDevicePoint(window, outer);
    x11::MoveFrame(id, device.x(), device.y());
    WindowExtras* e = MakeExtras(window);
    e->askedOuter = outer;
    e->askedSince.start();
  } else {
    window->move(outer);
    if (x) {
      const QMargins m = x->shaped ? QMargins() : x->margins;
      x->lastNormalOuter = QRect(outer, window->size().grownBy(m));
    }
  }
}

void MoveOuterCornerBy(QWidget* window, const QPoint& delta) {
  const WindowExtras* x = Extras(window);
  const QPoint now = OuterGeometry(window).topLeft();
  // The window manager answers a move a while later; until then, the corner asked for counts.
  const bool pending =
      x && x->askedSince.isValid() && x->askedSince.elapsed() < 500 && now != x->askedOuter;
  MoveOuterCorner(window, (pending ? x->askedOuter : now) + delta);
}

void PlaceOuterCorner(QWidget* window, const QPoint& outer, const QPointF& twips) {
  MoveOuterCorner(window, outer);
  WindowExtras* x = MakeExtras(window);
  x->placedAt = outer;
  x->placedTwips = twips;
  // Where the window manager lets the window stand once it has shown it is its answer to the
  // placement: the window still stands where the program put it.
  x->WhenSettled([x, window, outer] {
    if (x->placedAt == outer && !x->grantedAt) x->grantedAt = NormalOuterGeometry(window).topLeft();
  });
}

QPointF NormalOuterCornerTwips(const QWidget* window) {
  const QPoint corner = NormalOuterGeometry(window).topLeft();
  const WindowExtras* x = Extras(window);
  // Until the window manager's answer to the placement is in, the window stands where it was
  // put (a compositor that draws the decorations itself is only given up on after a while).
  if (x && x->placedAt && (!x->grantedAt || corner == *x->placedAt || corner == *x->grantedAt))
    return x->placedTwips;
  return QPointF(PixelsToTwipsX(corner.x()), PixelsToTwipsY(corner.y()));
}

bool HasEllipticShape(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  return x && x->shaped;
}

QRect ShapeEllipse(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  return x && x->shaped ? x->ellipse : QRect();
}

bool ShapeEdgeAntialiased(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  return x && x->shaped && x->antialiased;
}

QMargins DecoratedFrameMargins(const QWidget* window) {
  const WindowExtras* x = Extras(window);
  if (x && (x->shaped || x->expectMargins)) return x->margins;
  const QMargins now = CurrentMargins(window);
  if (!now.isNull() || !x) return now;
  return x->margins;
}

bool CompositorActive() {
  if (g_compositorOverride >= 0) return g_compositorOverride == 1;
  return x11::CompositorRunning();
}

void OverrideCompositorForTesting(int state) {
  g_compositorOverride = state < 0 ? -1 : state;
}

void WindowDragger::Press(QWidget* window, const QPoint& globalPos) {
  window_ = window;
  pressGlobal_ = globalPos;
  mode_ = window ? Mode::Pressed : Mode::Idle;
}

bool WindowDragger::Move(const QPoint& globalPos) {
  if (!window_ || mode_ == Mode::Idle) return false;
  if (mode_ == Mode::System) return true;
  if (mode_ == Mode::Pressed) {
    const int distance = QGuiApplication::styleHints()->startDragDistance();
    if ((globalPos - pressGlobal_).manhattanLength() < distance) return false;
    if (WindowExtras* x = Extras(window_)) {
      x->keepClient.reset();
      x->placedAt.reset();
    }
    // The window manager's move, anchored where the button went down, so that the grabbed
    // point stays under the pointer; Qt's own move where there is no X11 (it may refuse).
    const bool system =
        systemMoveAllowed_ &&
        (x11::Available()
             ? x11::StartMove(NativeId(window_), ToDevicePoint(window_, pressGlobal_).x(),
                              ToDevicePoint(window_, pressGlobal_).y())
             : window_->windowHandle() && window_->windowHandle()->startSystemMove());
    if (system) {
      mode_ = Mode::System;
      return true;
    }
    mode_ = Mode::Manual;
    windowStart_ = OuterGeometry(window_).topLeft();
  }
  MoveOuterCorner(window_, windowStart_ + (globalPos - pressGlobal_));
  return true;
}

bool WindowDragger::Release() {
  const bool dragged = mode_ == Mode::System || mode_ == Mode::Manual;
  mode_ = Mode::Idle;
  window_ = nullptr;
  return dragged;
}

void FlushWindowSystem() {
  x11::Flush();
}

std::chrono::nanoseconds FrameInterval(const QWidget* window) {
  QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
  double rate = screen ? screen->refreshRate() : 0;
  if (!(rate >= 10 && rate <= 1000)) rate = 60;
  return std::chrono::nanoseconds(static_cast<long long>(1e9 / rate));
}

}  // namespace selvane::platform

#include "view/moon_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <thread>

#include "platform/accessibility.h"
#include "view/moon_layout.h"

namespace selvane {
namespace {

const std::string kApp = "Selvane";
const std::string kSection = "Settings";

// X11 keeps window positions in 16 bits: a stored place beyond that is kept at the limit.
int ClampPosition(int pixels) {
  return std::clamp(pixels, -32768, 32767);
}

int ToPixelsX(double twips) {
  return platform::TwipsToPixelsX(std::clamp(twips, -1.0e9, 1.0e9));
}
int ToPixelsY(double twips) {
  return platform::TwipsToPixelsY(std::clamp(twips, -1.0e9, 1.0e9));
}

// A screen reader meets the picture as an image (a plain frame would read as a nameless panel).
QAccessibleInterface* PictureAccessible(const QString&, QObject* object) {
  if (auto* picture = dynamic_cast<MoonPicture*>(object))
    return new QAccessibleWidget(picture, QAccessible::Graphic);
  return nullptr;
}

// The caption without its seconds ("Moon  2024/5/17 21:30:15" gives "Moon  2024/5/17 21:30").
QString AccessibleCaption(const QString& caption) {
  const qsizetype lastColon = caption.lastIndexOf(QLatin1Char(':'));
  return caption.indexOf(QLatin1Char(':')) < lastColon ? caption.left(lastColon) : caption;
}

DescriptionPacer::Millis SteadyNow() {
  return std::chrono::duration_cast<DescriptionPacer::Millis>(
      std::chrono::steady_clock::now().time_since_epoch());
}

// How far an arrow key moves the window, in pixels: a step, or a fine one with Shift.
constexpr int kKeyMoveStep = 10;
constexpr int kKeyMoveFine = 1;

}  // namespace

// ---- Picture1 ----

MoonPicture::MoonPicture(const MoonCanvas& canvas, QWidget* parent)
    : QFrame(parent), canvas_(canvas) {
  setObjectName(QStringLiteral("Picture1"));
  setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  setLineWidth(kPictureBorderPixels);
  setFixedSize(canvas.PictureSize().width() + 2 * kPictureBorderPixels,
               canvas.PictureSize().height() + 2 * kPictureBorderPixels);
  setFocusPolicy(Qt::TabFocus);
  setAccessibleName(QStringLiteral("月相"));
}

void MoonPicture::SetBorder(bool on) {
  if (border_ == on) return;
  border_ = on;
  update();
}

void MoonPicture::paintEvent(QPaintEvent*) {
  ++paints_;
  // The canvas follows the screen's ratio through the window's events; should a paint come
  // first, the picture is made for this ratio before it is shown.
  if (onPaintRatio) onPaintRatio(devicePixelRatioF());
  QPainter p(this);
  const QImage& image = canvas_.Image();
  const QPoint origin(kPictureBorderPixels, kPictureBorderPixels);
  QWidget* w = window();
  if (platform::ShapeEdgeAntialiased(w)) {
    // The window is cut to an ellipse over the picture: paint the picture through an
    // antialiased ellipse, transparent outside it, so that the edge fades smoothly. The
    // ellipse's coverage is laid down first and the picture (at the screen's ratio) drawn
    // into it.
    const QRectF ellipse = QRectF(platform::ShapeEllipse(w)).translated(-QPointF(pos()));
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.addEllipse(ellipse);
    p.fillPath(path, QColor(0, 0, 0));
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.drawImage(origin, image);
    DrawFocusRing(p);
    return;
  }
  p.drawImage(origin, image);
  if (border_) drawFrame(&p);
  DrawFocusRing(p);
}

// Where the keyboard is: a ring inside the border, or along the ellipse when the window is cut
// to one. Only after the keyboard moved the focus, so a click changes nothing on the screen.
void MoonPicture::DrawFocusRing(QPainter& p) {
  QWidget* w = window();
  if (!hasFocus() || !w->testAttribute(Qt::WA_KeyboardFocusChange)) return;
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(QPen(palette().color(QPalette::Highlight), 2));
  p.setBrush(Qt::NoBrush);
  if (platform::HasEllipticShape(w)) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawEllipse(
        QRectF(platform::ShapeEllipse(w)).translated(-QPointF(pos())).adjusted(3, 3, -3, -3));
  } else {
    const int inset = kPictureBorderPixels + 1;
    p.drawRect(rect().adjusted(inset, inset, -inset, -inset));
  }
}

void MoonPicture::keyPressEvent(QKeyEvent* event) {
  window()->setAttribute(Qt::WA_KeyboardFocusChange);
  if (onKey && onKey(event)) {
    update();
    return;
  }
  QFrame::keyPressEvent(event);
}

void MoonPicture::focusInEvent(QFocusEvent* event) {
  QFrame::focusInEvent(event);
  update();
}

void MoonPicture::focusOutEvent(QFocusEvent* event) {
  QFrame::focusOutEvent(event);
  update();
}

void MoonPicture::mousePressEvent(QMouseEvent* event) {
  if (onPress) onPress(event);
}
void MoonPicture::mouseMoveEvent(QMouseEvent* event) {
  if (onMove) onMove(event);
}
void MoonPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (onRelease) onRelease(event);
}

// ---- Form2 ----

MoonWindow::MoonWindow(EphemerisState& state, const FieldStore& fields, MenuChecks& checks,
                       SettingsStore& settings, QWidget* controlWindow, MenuOpener openMenu,
                       QWidget* parent)
    : QWidget(parent),
      state_(state),
      checks_(checks),
      settings_(settings),
      control_(controlWindow),
      openMenu_(std::move(openMenu)),
      painter_(state, fields, canvas_),
      hold_([](std::chrono::nanoseconds d) { std::this_thread::sleep_for(d); }) {
  setObjectName(QStringLiteral("Form2"));
  platform::InstallAccessibility();
  platform::MakeToolWindow(this);
  platform::PrepareForShape(this);
  setWindowTitle(QStringLiteral("Moon"));

  // Once for the whole program: how the accessibility bus meets every moon picture.
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(PictureAccessible);
    return true;
  }();
  (void)factoryInstalled;
  picture_ = new MoonPicture(canvas_, this);
  picture_->onPress = [this](QMouseEvent* e) { PicturePress(e); };
  picture_->onMove = [this](QMouseEvent* e) { PictureMove(e); };
  picture_->onRelease = [this](QMouseEvent* e) { PictureRelease(e); };
  picture_->onKey = [this](QKeyEvent* e) { return PictureKey(e); };

  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("Text1"));
  text_->setReadOnly(true);
  text_->setFont(platform::DesignFont(platform::kPGothic, 13.8, true));
  text_->setToolTip(QStringLiteral("Age of Moon"));
  text_->setAccessibleName(QStringLiteral("月齢"));
  text_->setAccessibleDescription(QStringLiteral("新月から何日たったか"));
  // Out of the Tab chain: a screen reader would read every new age, ten a second, while it has
  // the focus. The picture tells the age at a calm pace; a click still selects the text to copy.
  text_->setFocusPolicy(Qt::ClickFocus);
  text_->installEventFilter(this);
  QPalette pal = text_->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, QColor(0, 0, 0));
    pal.setColor(group, QPalette::Text, QColor(128, 128, 255));
  }
  text_->setPalette(pal);
  // Opaque, on the black it stands on anyway (the window's own, or outside the round window's
  // cut): a new age repaints the field alone, and its frame can be laid down as a copy.
  text_->setBackgroundRole(QPalette::Base);
  text_->setAutoFillBackground(true);
  text_->setFixedHeight(platform::TwipsToPixelsY(kAgeFieldHeight));
  setTabOrder(picture_, text_);
  ageText_.reserve(64);

  // At the end of every drawing: real time draws ten times a second, and finding out there and
  // then that nothing changed costs less than any event posted to find it out later.
  canvas_.SetChangedHook([this] { PresentIfChanged(); });
  canvas_.SetRefreshHook([this] { PresentFrame(); });
  describeTimer_.setSingleShot(true);
  connect(&describeTimer_, &QTimer::timeout, this, [this] { DescriptionDue(); });
  picture_->onPaintRatio = [this](double ratio) {
    if (ratio != canvas_.Ratio()) SyncPixelRatio();
  };
  canvas_.SetCaptionHook([this](std::string_view caption) {
    const QString title = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    // A screen reader hears the window's name change: to the minute it changes once a minute
    // while the display follows the clock, not every second.
    const QString name = AccessibleCaption(title);
    // Only the seconds changed (every second in real time): the window system is told the new
    // caption directly, as Qt's own way waits for the X server each time. To the minute, the
    // caption goes through Qt.
    if (name == accessibleName() && platform::SetNameInWindowSystem(this, caption)) return;
    setWindowTitle(title);
    if (accessibleName() != name) setAccessibleName(name);
  });

  Load();
}

void MoonWindow::SyncPixelRatio() {
  // The canvas's own change hook presents the picture made for the new ratio.
  if (!canvas_.SetRatio(devicePixelRatioF())) return;
  // The mask is kept in the window's pixels: set again, it is cut at the new ratio.
  if (IsCircular()) ApplyCircularShape();
}

void MoonWindow::WatchScreen() {
  QWindow* handle = windowHandle();
  if (!handle) return;
  if (handle != watchedWindow_) {
    watchedWindow_ = handle;
    connect(handle, &QWindow::screenChanged, this, [this] { WatchScreen(); });
  }
  // A screen's ratio can change while the window stays on it (its dots per inch set anew).
  QObject::disconnect(screenDpi_);
  if (QScreen* s = handle->screen()) {
    screenDpi_ = connect(s, &QScreen::logicalDotsPerInchChanged, this, [this] {
      // The window's ratio follows once Qt has taken in the screen's new setting.
      QMetaObject::invokeMethod(
          this, [this] { SyncPixelRatio(); }, Qt::QueuedConnection);
    });
  }
  SyncPixelRatio();
}

MoonWindow::~MoonWindow() {
  canvas_.SetChangedHook({});
  canvas_.SetRefreshHook({});
  canvas_.SetCaptionHook({});
}

double MoonWindow::PictureWidthTwips() const {
  return platform::PixelsToTwipsX(picture_->width());
}
double MoonWindow::PictureHeightTwips() const {
  return platform::PixelsToTwipsY(picture_->height());
}
double MoonWindow::TextHeightTwips() const {
  return platform::PixelsToTwipsY(text_->height());
}

void MoonWindow::MoveTo(QWidget* window, double leftTwips, double topTwips) {
  platform::PlaceOuterCorner(
      window, QPoint(ClampPosition(ToPixelsX(leftTwips)), ClampPosition(ToPixelsY(topTwips))),
      QPointF(leftTwips, topTwips));
}

void MoonWindow::CentreWhenFramed(QWidget* window, double leftTwips, double topTwips, int tries) {
  // Centred before the window was ever framed, its outer size lacked the decorations: once the
  // window manager has framed it, it is centred by its whole outer size, unless it was moved.
  platform::WhenSettled(window, [window, leftTwips, topTwips, tries] {
    // Moved meanwhile (by the user, or by the window manager), it stays where it is.
    const QPoint placed(ClampPosition(ToPixelsX(leftTwips)), ClampPosition(ToPixelsY(topTwips)));
    if (platform::WindowState(window) != 0 ||
        platform::NormalOuterGeometry(window).topLeft() != placed)
      return;
    // A window manager busy starting up may frame the window only after the wait gave up.
    if (platform::DecoratedFrameMargins(window).isNull() && tries > 1) {
      CentreWhenFramed(window, leftTwips, topTwips, tries - 1);
      return;
    }
    const QRect outer = platform::NormalOuterGeometry(window);
    const double left =
        (platform::ScreenWidthTwips() - platform::PixelsToTwipsX(outer.width())) / 2;
    const double top =
        (platform::ScreenHeightTwips() - platform::PixelsToTwipsY(outer.height())) / 2;
    // Already there (the first guess of the frame was right): no move is asked for, as one sent
    // now could reach the window manager after a move of the user's and undo it.
    if (outer.topLeft() == QPoint(ClampPosition(ToPixelsX(left)), ClampPosition(ToPixelsY(top))))
      return;
    MoveTo(window, left, top);
  });
}

void MoonWindow::Load() {
  state_.PictureMargin = kPictureMargin;
  const MoonLayout l =
      LoadLayout(Margin(), PictureWidthTwips(), PictureHeightTwips(), TextHeightTwips());
  setFixedSize(ToPixelsX(l.clientWidth), ToPixelsY(l.clientHeight));
  picture_->move(ToPixelsX(l.pictureLeft), ToPixelsY(l.pictureTop));
  text_->setGeometry(ToPixelsX(l.textLeft), ToPixelsY(l.textTop), ToPixelsX(l.textWidth),
                     text_->height());
  place();
  checks_.SetChecked(MenuItem::Ers, true);
}

void MoonWindow::place() {
  if (WindowState() == 1) SetWindowState(0);
  hide();
  // All six are read before any is used.
  PlacementInput in;
  in.left1 = settings_.ReadSetting(kApp, kSection, "Left1", "");
  in.top1 = settings_.ReadSetting(kApp, kSection, "Top1", "");
  in.left2 = settings_.ReadSetting(kApp, kSection, "Left2", "");
  in.top2 = settings_.ReadSetting(kApp, kSection, "Top2", "");
  in.shadow = settings_.ReadSetting(kApp, kSection, "shadow", "1");
  in.winstyle = settings_.ReadSetting(kApp, kSection, "winstyle", "0");
  in.screenWidth = platform::ScreenWidthTwips();
  in.screenHeight = platform::ScreenHeightTwips();
  if (control_) {
    const QRect outer = platform::OuterGeometry(control_);
    in.controlWidth = platform::PixelsToTwipsX(outer.width());
    in.controlHeight = platform::PixelsToTwipsY(outer.height());
  }
  const QMargins m = platform::DecoratedFrameMargins(this);
  in.moonWidth = platform::PixelsToTwipsX(width() + m.left() + m.right());
  in.moonHeight = platform::PixelsToTwipsY(height() + m.top() + m.bottom());

  const Placement p = DecidePlacement(in);
  placed_ = p;
  if (control_) MoveTo(control_, p.left1, p.top1);
  MoveTo(this, p.left2, p.top2);
  if (p.failedStep != 0) {
    if (control_) CentreWhenFramed(control_, p.left1, p.top1);
    CentreWhenFramed(this, p.left2, p.top2);
  }
  state_.ShadowStep = p.shadowStep;
  if (p.checkSade) checks_.SetChecked(MenuItem::Sade, true);
  if (p.crcCheck) checks_.SetChecked(MenuItem::Crc, *p.crcCheck);
  loadedCircular_ = p.applyCircular;
  if (p.applyCircular) ApplyCircularShape();
}

bool MoonWindow::CircularSetting() const {
  // Where round windows cannot be shown the choice cannot be made either: the one loaded is
  // kept for the desktops that can.
  return platform::ShapesShown() ? checks_.Checked(MenuItem::Crc) : loadedCircular_;
}

void MoonWindow::ApplyCircularShape() {
  // The ellipse is measured on the window as the window manager has it: with its frame, in the
  // normal state and size. Right after a return from the maximized view, or before the window
  // was first shown, that comes later; the cut waits for it, unless circular is off by then.
  if (platform::Settled(this)) {
    CutToEllipse();
    return;
  }
  platform::WhenSettled(this, [this] {
    if (checks_.Checked(MenuItem::Crc) && !IsCircular() && WindowState() == 0) CutToEllipse();
  });
}

void MoonWindow::CutToEllipse() {
  const double tx = platform::TwipsPerPixelX();
  const double ty = platform::TwipsPerPixelY();
  // The window's outer size as it is with its decorations (also while it is cut already).
  const QMargins m = platform::DecoratedFrameMargins(this);
  const double outerWidth = (width() + m.left() + m.right()) * tx;
  const double outerHeight = (height() + m.top() + m.bottom()) * ty;
  const double clientHeight = height() * ty;
  const EllipseRect r =
      CircularShapeRect(Margin(), outerWidth, outerHeight, clientHeight, TextHeightTwips(), tx, ty);
  const QRect outer(static_cast<int>(r.left), static_cast<int>(r.top),
                    static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
  if (!platform::ApplyEllipticShape(this, outer)) {
    // Not shown by the window system: no check mark claims it.
    checks_.SetChecked(MenuItem::Crc, false);
    return;
  }
  picture_->update();
}

void MoonWindow::DropCircularShape() {
  platform::DropShape(this);
  update();
}

bool MoonWindow::IsCircular() const {
  return platform::HasEllipticShape(this);
}

void MoonWindow::formreturn() {
  picture_->SetBorder(true);
  text_->setFrame(true);
  const NormalPositions p = FormReturnPositions(Margin(), PictureHeightTwips());
  picture_->move(ToPixelsX(p.pictureLeft), ToPixelsY(p.pictureTop));
  text_->move(ToPixelsX(p.textLeft), ToPixelsY(p.textTop));
}

void MoonWindow::LayoutMaximizedView() {
  // The sizes are taken before the borders go.
  const MaximizedPositions p = MaximizedViewPositions(
      platform::ScreenWidthTwips(), platform::ScreenHeightTwips(), PictureWidthTwips(),
      PictureHeightTwips(), TextHeightTwips(), Margin());
  picture_->move(ToPixelsX(p.pictureLeft), ToPixelsY(p.pictureTop));
  text_->move(ToPixelsX(p.textLeft), ToPixelsY(p.textTop));
  picture_->SetBorder(false);
  text_->setFrame(false);
}

int MoonWindow::WindowState() const {
  return platform::WindowState(this);
}

void MoonWindow::SetWindowState(int state) {
  const QSize before = size();
  platform::SetWindowState(this, state);
  if (state != 2) return;
  // A window manager that does not grant the maximized state (a compositor that keeps X11
  // windows at their own size, even while it marks them maximized) leaves the window as it was:
  // the normal view comes back, and no check mark claims the maximized one.
  QTimer::singleShot(5000, this, [this, before] {
    if (isVisible() && WindowState() == 2 && size() == before) LeaveMaximizedView();
  });
}

// ---- Drawing and the age ----

void MoonWindow::DrawMoonShadow() {
  painter_.DrawMoonShadow();
}

void MoonWindow::SetAgeText(std::string_view text) {
  if (text == ageText_) return;
  ageText_.assign(text);
  text_->setText(QString::fromUtf8(ageText_.data(), static_cast<qsizetype>(ageText_.size())));
  DescribePictureSoon();
}

void MoonWindow::DescribePictureSoon() {
  // The first evaluation can show a stale age until the lunation search has run: the picture
  // is described from what stands once the whole evaluation has ended.
  if (describePending_) return;
  describePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        describePending_ = false;
        DescribePictureNow();
      },
      Qt::QueuedConnection);
}

void MoonWindow::DescribePictureNow() {
  const PictureFigures figures = FiguresFor(ageText_, state_.LitFraction);
  const auto decision = pacer_.Offer(figures, state_.RealTimeMode == 1, SteadyNow());
  if (decision.publishNow) {
    describeTimer_.stop();
    picture_->setAccessibleDescription(QString::fromStdString(DescribePicture(figures)));
  } else if (decision.retry && !describeTimer_.isActive()) {
    describeTimer_.start(static_cast<int>(decision.retry->count()));
  }
}

void MoonWindow::DescriptionDue() {
  const auto due = pacer_.Due(state_.RealTimeMode == 1, SteadyNow());
  if (due.publish)
    picture_->setAccessibleDescription(QString::fromStdString(DescribePicture(*due.publish)));
  if (due.retry) describeTimer_.start(static_cast<int>(due.retry->count()));
}

void MoonWindow::SetBusyPointer(bool busy) {
  platform::SetBusyPointer(busy);
}

void MoonWindow::Beep() {
  platform::Beep();
}

void MoonWindow::PresentIfChanged() {
  // The picture changes far more rarely than it is drawn.
  if (!canvas_.TakeChange()) return;
  ++pictureUpdates_;
  picture_->update();
}

void MoonWindow::PresentFrame() {
  // A frame of the phase-cycle animation: on the screen now, and held there for one refresh
  // of the display before the next frame is drawn. No events are handled meanwhile.
  if (canvas_.TakeChange()) {
    ++pictureUpdates_;
    picture_->repaint();
  }
  if (!isVisible() || WindowState() == 1) return;
  platform::FlushWindowSystem();
  if (hold_) hold_(platform::FrameInterval(this));
}

// ---- Events ----

void MoonWindow::OnResize() {
  if (WindowState() != 0) return;
  checks_.SetChecked(MenuItem::Moon, false);
  formreturn();
  if (control_ && control_->isVisible()) SetTopmost(control_, 0);
  // The window manager answers a return to normal later, possibly after the window was hidden
  // (a close request while maximized): that late answer must not show it again.
  if (checks_.Checked(MenuItem::Top) && !isHidden()) SetTopmost(this, 1);
}

void MoonWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  OnResize();
}

void MoonWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) OnResize();
}

bool MoonWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::WinIdChange:
      WatchScreen();
      break;
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
      SyncPixelRatio();
      break;
    default:
      break;
  }
  return handled;
}

void MoonWindow::closeEvent(QCloseEvent* event) {
  if (state_.QuitRequested != 0) {
    event->accept();
    return;
  }
  SetWindowState(0);
  hide();
  checks_.SetChecked(MenuItem::Ers, false);
  formreturn();
  event->ignore();
}

void MoonWindow::PicturePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || WindowState() == 2) return;
  dragger_.Press(this, event->globalPosition().toPoint());
}

void MoonWindow::PictureMove(QMouseEvent* event) {
  if (dragger_.Armed()) dragger_.Move(event->globalPosition().toPoint());
}

void MoonWindow::PictureRelease(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // The release that ends a drag is not a click on the picture.
    const bool dragged = dragger_.Armed() && dragger_.Release();
    if (!dragged) painter_.AnimatePhaseCycle();
  } else if (event->button() == Qt::RightButton) {
    if (openMenu_) openMenu_(event->globalPosition().toPoint(), false);
  }
}

void MoonWindow::LeaveMaximizedView() {
  SetWindowState(0);
  checks_.SetChecked(MenuItem::Moon, false);
  formreturn();
}

void MoonWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
}

void MoonWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (openMenu_) openMenu_(event->globalPosition().toPoint(), false);
  } else if (event->button() == Qt::LeftButton) {
    LeaveMaximizedView();
  }
}

// ---- Keyboard ----

bool MoonWindow::PictureKey(QKeyEvent* event) {
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // What a click on the picture does.
      if (mods != Qt::NoModifier) return false;
      painter_.AnimatePhaseCycle();
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
      // What dragging the picture does: the only way to move the round window.
      if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) return false;
      if (WindowState() == 2) return true;
      const int step = mods == Qt::ShiftModifier ? kKeyMoveFine : kKeyMoveStep;
      QPoint delta;
      if (event->key() == Qt::Key_Left) delta.setX(-step);
      if (event->key() == Qt::Key_Right) delta.setX(step);
      if (event->key() == Qt::Key_Up) delta.setY(-step);
      if (event->key() == Qt::Key_Down) delta.setY(step);
      platform::MoveOuterCornerBy(this, delta);
      return true;
    }
    default:
      return false;
  }
}

void MoonWindow::OpenMenuFromKeyboard() {
  if (openMenu_) openMenu_(picture_->mapToGlobal(picture_->rect().center()), true);
}

void MoonWindow::keyPressEvent(QKeyEvent* event) {
  // Shift+F10 opens the popup menu as the context-menu key does.
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    OpenMenuFromKeyboard();
    return;
  }
  // F6 goes to the other window, which the task bar does not offer.
  if (event->key() == Qt::Key_F6 && event->modifiers() == Qt::NoModifier && otherWindow_) {
    otherWindow_();
    return;
  }
  // Escape leaves the maximized view, as a click on the surround does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
      WindowState() == 2) {
    LeaveMaximizedView();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MoonWindow::contextMenuEvent(QContextMenuEvent* event) {
  // The mouse opens the menu on the button's release; this is the context-menu key.
  if (event->reason() != QContextMenuEvent::Keyboard) {
    event->ignore();
    return;
  }
  OpenMenuFromKeyboard();
}

bool MoonWindow::eventFilter(QObject* watched, QEvent* event) {
  // The context-menu key in the age field opens the window's menu too, not the field's own.
  if (watched == text_ && event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    OpenMenuFromKeyboard();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MoonWindow::paintEvent(QPaintEvent*) {
  // The window's back colour is the window-frame colour of the classic desktop scheme: black.
  // Cut to an ellipse with an antialiased edge, the surround stays transparent.
  if (platform::ShapeEdgeAntialiased(this)) return;
  QPainter p(this);
  p.fillRect(rect(), QColor(0, 0, 0));
}

// ---- Topmost ----

int SetTopmost(QWidget* window, int flag) {
  if (!window || (flag != 0 && flag != 1)) return 0;
  return platform::SetStaysOnTop(window, flag == 1) ? 1 : 0;
}

}  // namespace selvane

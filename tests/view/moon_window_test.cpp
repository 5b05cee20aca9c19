// The moon window on the offscreen platform: layout, placement from the settings, shape,
// maximized view, close, mouse actions, topmost, and how the picture reaches the screen.
#include "view/moon_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTextLayout>
#include <QWindow>
#include <memory>
#include <optional>
#include <vector>

#include "control/entry_fields.h"
#include "platform/platform.h"
#include "view/moon_layout.h"

namespace selvane {
namespace {

int Px(double twips) {
  return platform::TwipsToPixelsX(twips);
}
int Py(double twips) {
  return platform::TwipsToPixelsY(twips);
}

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

// Sends a mouse event straight to a widget, at a point of the widget.
void Mouse(QWidget* w, QEvent::Type type, const QPoint& local, Qt::MouseButton button) {
  const Qt::MouseButtons buttons =
      type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
  QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, const QPoint& local, Qt::MouseButton button) {
  Mouse(w, QEvent::MouseButtonPress, local, button);
  Mouse(w, QEvent::MouseButtonRelease, local, button);
}

class MoonWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    control = std::make_unique<QWidget>();
    control->setFixedSize(161, 253);
    fields.WriteField(7, "1");
    const char* texts[6] = {"2024", "2", "17", "21", "0", "0"};
    for (int i = 0; i < 6; ++i) fields.WriteField(i + 1, texts[i]);
  }
  void TearDown() override {
    if (moon) moon->hide();
    moon.reset();
    control.reset();
  }

  void Store(const char* key, const char* value) {
    settings.WriteSetting("Selvane", "Settings", key, value);
  }
  void StorePlaces(const char* l1, const char* t1, const char* l2, const char* t2) {
    Store("Left1", l1);
    Store("Top1", t1);
    Store("Left2", l2);
    Store("Top2", t2);
  }

  MoonWindow& Make() {
    moon = std::make_unique<MoonWindow>(state, fields, checks, settings, control.get(),
                                        [this](const QPoint& p, bool fromKeyboard) {
                                          menuAt.push_back(p);
                                          menuFromKeyboard.push_back(fromKeyboard);
                                        });
    moon->SetFrameHold([this](std::chrono::nanoseconds d) {
      holds.push_back(d);
      paintsAtHold.push_back(moon->Picture1()->Paints());
    });
    return *moon;
  }

  // Where a window would be centred on the screen, in pixels (outer size as the window has it).
  static QPoint Centred(const QWidget& w) {
    const double sw = platform::ScreenWidthTwips(), sh = platform::ScreenHeightTwips();
    return {Px((sw - platform::PixelsToTwipsX(w.frameGeometry().width())) / 2),
            Py((sh - platform::PixelsToTwipsY(w.frameGeometry().height())) / 2)};
  }

  EphemerisState state;
  EntryFields fields;
  MenuChecks checks;
  MemorySettingsStore settings;
  std::unique_ptr<QWidget> control;
  std::unique_ptr<MoonWindow> moon;
  std::vector<QPoint> menuAt;
  std::vector<bool> menuFromKeyboard;
  std::vector<std::chrono::nanoseconds> holds;
  std::vector<long> paintsAtHold;
};

// ---- Load and layout ----

TEST_F(MoonWindowTest, LoadLaysTheWindowOutAroundThePicture) {
  MoonWindow& w = Make();
  EXPECT_EQ(state.PictureMargin, 40);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(checks.Checked(MenuItem::Ers));
  EXPECT_EQ(w.windowTitle(), "Moon");
  // The picture area: the 255 x 258 picture and a two-pixel border on each side.
  EXPECT_EQ(w.Picture1()->size(), QSize(259, 262));
  const double pw = platform::PixelsToTwipsX(259), ph = platform::PixelsToTwipsY(262);
  const double th = platform::PixelsToTwipsY(w.Text1()->height());
  EXPECT_EQ(w.Text1()->height(), Py(372));
  const MoonLayout l = LoadLayout(40, pw, ph, th);
  EXPECT_EQ(w.size(), QSize(Px(l.clientWidth), Py(l.clientHeight)));
  EXPECT_EQ(w.Picture1()->pos(), QPoint(Px(40), Py(40)));
  EXPECT_EQ(w.Text1()->geometry(), QRect(Px(40), Py(2 * 40 + ph), Px(pw), Py(372)));
  // Fixed size, no minimize or maximize button, a close box, no task-bar entry.
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  const Qt::WindowFlags f = w.windowFlags();
  EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(f & Qt::WindowTitleHint);
}

TEST_F(MoonWindowTest, AgeFieldLooksAsDesigned) {
  MoonWindow& w = Make();
  QLineEdit* t = w.Text1();
  EXPECT_EQ(t->text(), "");
  EXPECT_EQ(t->toolTip(), "Age of Moon");
  EXPECT_EQ(t->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_EQ(t->palette().color(QPalette::Text), QColor(128, 128, 255));
  EXPECT_EQ(t->font().family(), platform::kPGothic);
  EXPECT_DOUBLE_EQ(t->font().pointSizeF(), 13.8);
  EXPECT_TRUE(t->font().bold());
  // The design's Japanese font name resolves to an installed Japanese face with real glyphs.
  w.SetAgeText(" 7.5419097221456468");
  EXPECT_EQ(t->text(), " 7.5419097221456468");
  EXPECT_EQ(w.AgeText(), " 7.5419097221456468");
  QTextLayout layout(QStringLiteral("月齢 7.54"), t->font());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  int glyphs = 0;
  for (const QGlyphRun& run : layout.glyphRuns())
    for (quint32 index : run.glyphIndexes()) {
      EXPECT_NE(index, 0u);
      ++glyphs;
    }
  EXPECT_GE(glyphs, 6);
}

TEST_F(MoonWindowTest, DrawingSetsTheCaptionAndThePicture) {
  MoonWindow& w = Make();
  state.Elongation = 90;
  state.ShadowStep = 1;
  w.DrawMoonShadow();
  EXPECT_EQ(w.windowTitle(), "Moon  2024/2/17 21:0:0");
  EXPECT_DOUBLE_EQ(state.LitFraction, (1 - std::cos(90 * 0.017453292519943)) / 2);
  EXPECT_EQ(w.Canvas().Image().pixel(10, 128), 0xFF000000u);
  EXPECT_NE(w.Canvas().Image(), w.Canvas().BarePicture());
}

// ---- place ----

struct PlaceCase {
  const char* name;
  const char *left1, *top1, *left2, *top2;  // nullptr: not stored
  const char *shadow, *winstyle;
  bool centred;
  int shadowStep;
  bool sade, crc;
};

TEST_F(MoonWindowTest, PlaceAppliesEverySettingsCase) {
  const PlaceCase cases[] = {
      {"first run", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true, 1, false, false},
      {"stored places", "1500", "3000", "4500", "600", "1", "False", false, 1, false, false},
      {"shadow 2", "1500", "3000", "4500", "600", "2", "False", false, 2, true, false},
      {"winstyle True", "1500", "3000", "4500", "600", "1", "True", false, 1, false, true},
      {"winstyle 0", "1500", "3000", "4500", "600", "1", "0", false, 1, false, false},
      {"winstyle garbage", "1500", "3000", "4500", "600", "2", "maybe", true, 2, true, false},
      {"shadow 0", "1500", "3000", "4500", "600", "0", "True", true, 1, false, false},
      {"shadow 1.5", "1500", "3000", "4500", "600", "1.5", "True", true, 1, false, false},
      {"shadow x", "1500", "3000", "4500", "600", "x", "True", true, 1, false, false},
      {"a damaged place", "1500", "3000", "45x", "600", "2", "True", true, 1, false, false},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    settings.values.clear();
    checks = MenuChecks();
    state = EphemerisState();
    if (c.left1) StorePlaces(c.left1, c.top1, c.left2, c.top2);
    if (c.shadow) Store("shadow", c.shadow);
    if (c.winstyle) Store("winstyle", c.winstyle);
    moon.reset();
    control = std::make_unique<QWidget>();
    control->setFixedSize(161, 253);
    MoonWindow& w = Make();
    EXPECT_FALSE(w.isVisible());
    if (c.centred) {
      EXPECT_EQ(control->pos(), Centred(*control));
      EXPECT_EQ(w.pos(), Centred(w));
    } else {
      EXPECT_EQ(control->pos(), QPoint(Px(1500), Py(3000)));
      EXPECT_EQ(w.pos(), QPoint(Px(4500), Py(600)));
    }
    EXPECT_EQ(state.ShadowStep, c.shadowStep);
    EXPECT_EQ(checks.Checked(MenuItem::Sade), c.sade);
    EXPECT_EQ(checks.Checked(MenuItem::Crc), c.crc);
    EXPECT_EQ(w.IsCircular(), c.crc);
    EXPECT_EQ(w.mask().isEmpty(), !c.crc);
    EXPECT_TRUE(checks.Checked(MenuItem::Ers));
  }
}

TEST_F(MoonWindowTest, PlaceOnAScreenThatBecameSmaller) {
  const double sw = platform::ScreenWidthTwips(), sh = platform::ScreenHeightTwips();
  const std::string beyondW = std::to_string(static_cast<int>(sw) + 15);
  const std::string withinH = std::to_string(static_cast<int>(sh) - 1500);
  StorePlaces("300", "450", beyondW.c_str(), withinH.c_str());
  MoonWindow& w = Make();
  EXPECT_EQ(w.pos(), QPoint(Centred(w).x(), Py(sh - 1500)));
  EXPECT_EQ(control->pos(), QPoint(Px(300), Py(450)));
}

TEST_F(MoonWindowTest, PlaceKeepsNegativePositions) {
  // Further left than the control window is wide: it is placed off the screen, unchanged.
  StorePlaces("-3000", "-120", "-15", "-600");
  MoonWindow& w = Make();
  EXPECT_EQ(control->pos(), QPoint(Px(-3000), Py(-120)));
  EXPECT_EQ(w.pos(), QPoint(Px(-15), Py(-600)));
}

TEST_F(MoonWindowTest, PlaceMakesAMinimizedWindowNormal) {
  MoonWindow& w = Make();
  w.show();
  w.SetWindowState(1);
  ASSERT_EQ(w.WindowState(), 1);
  w.place();
  EXPECT_EQ(w.WindowState(), 0);
  EXPECT_FALSE(w.isVisible());
}

// ---- Shape ----

TEST_F(MoonWindowTest, CircularShapeIsTheEllipseAroundThePicture) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  const QPoint client = w.geometry().topLeft();
  const QMargins m = platform::DecoratedFrameMargins(&w);
  const double tx = platform::TwipsPerPixelX(), ty = platform::TwipsPerPixelY();
  const EllipseRect r = CircularShapeRect(40, (w.width() + m.left() + m.right()) * tx,
                                          (w.height() + m.top() + m.bottom()) * ty, w.height() * ty,
                                          w.Text1()->height() * ty, tx, ty);
  w.ApplyCircularShape();
  const QRect expected =
      QRect(QPoint(int(r.left), int(r.top)), QPoint(int(r.right) - 1, int(r.bottom) - 1))
          .translated(-m.left(), -m.top());
  EXPECT_TRUE(w.IsCircular());
  EXPECT_EQ(platform::ShapeEllipse(&w), expected);
  EXPECT_EQ(w.mask(), QRegion(expected, QRegion::Ellipse));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  // The ellipse lies on the picture, above the age field.
  const QRect picture = w.Picture1()->geometry();
  EXPECT_TRUE(picture.adjusted(-1, -1, 1, 1).contains(expected))
      << expected.x() << "," << expected.y();
  EXPECT_LT(expected.bottom(), w.Text1()->y());
  // The picture stays where it was on the screen.
  Settle();
  EXPECT_EQ(w.geometry().topLeft(), client);
  // Applying it again gives the same ellipse.
  w.ApplyCircularShape();
  EXPECT_EQ(platform::ShapeEllipse(&w), expected);

  w.DropCircularShape();
  Settle();
  EXPECT_FALSE(w.IsCircular());
  EXPECT_TRUE(w.mask().isEmpty());
  EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.geometry().topLeft(), client);
}

TEST_F(MoonWindowTest, WithACompositorTheEdgeIsAntialiased) {
  struct PretendCompositor {
    PretendCompositor() { platform::OverrideCompositorForTesting(1); }
    ~PretendCompositor() { platform::OverrideCompositorForTesting(-1); }
  } compositor;
  MoonWindow& w = Make();
  EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
  w.show();
  w.ApplyCircularShape();
  EXPECT_TRUE(platform::ShapeEdgeAntialiased(&w));
  const QRect e = platform::ShapeEllipse(&w);
  // The visible area reaches one pixel beyond the ellipse, where the edge fades out.
  EXPECT_EQ(w.mask(), QRegion(e.adjusted(-1, -1, 1, 1), QRegion::Ellipse));
  const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_TRUE(shot.hasAlphaChannel());
  // Inside: opaque picture; far outside: transparent; on the edge, partly transparent pixels.
  const QPoint c = e.center();
  EXPECT_EQ(qAlpha(shot.pixel(c)), 255);
  EXPECT_EQ(qAlpha(shot.pixel(1, 1)), 0);
  // Partly transparent pixels: many, and all of them on the ellipse's edge.
  const QPointF centre = QRectF(e).center();
  const double a = e.width() / 2.0, b = e.height() / 2.0;
  int partial = 0, stray = 0;
  for (int y = 0; y < e.bottom() + 3; ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const int alpha = qAlpha(shot.pixel(x, y));
      if (alpha == 0 || alpha == 255) continue;
      ++partial;
      const double dx = (x + 0.5 - centre.x()) / a, dy = (y + 0.5 - centre.y()) / b;
      const double r = std::sqrt(dx * dx + dy * dy);
      if (std::fabs(r - 1) * std::min(a, b) > 1.5) ++stray;
    }
  }
  EXPECT_GT(partial, 200);
  EXPECT_EQ(stray, 0);
  shot.save(QStringLiteral("/tmp/selvane-moon-antialiased.png"));
}

// ---- Maximized view and formreturn ----

TEST_F(MoonWindowTest, WhereShapesAreNotShownNoCheckMarkClaimsRoundAndTheStoredChoiceStays) {
  struct PretendNoShapes {
    PretendNoShapes() { platform::OverrideShapesShownForTesting(0); }
    ~PretendNoShapes() { platform::OverrideShapesShownForTesting(-1); }
  } noShapes;
  for (const char* stored : {"True", "False"}) {
    SCOPED_TRACE(stored);
    settings.values.clear();
    checks = MenuChecks();
    StorePlaces("1500", "3000", "4500", "600");
    Store("winstyle", stored);
    moon.reset();
    MoonWindow& w = Make();
    w.show();
    Settle();
    w.ApplyCircularShape();  // as the menu asks for it
    Settle();
    EXPECT_FALSE(checks.Checked(MenuItem::Crc));
    EXPECT_FALSE(w.IsCircular());
    EXPECT_TRUE(w.mask().isEmpty());
    EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.CircularSetting(), std::string(stored) == "True");
  }
}

TEST_F(MoonWindowTest, MaximizedViewCentresPictureAndAgeOnTheScreen) {
  MoonWindow& w = Make();
  w.show();
  const double pw = platform::PixelsToTwipsX(w.Picture1()->width());
  const double ph = platform::PixelsToTwipsY(w.Picture1()->height());
  const double th = platform::PixelsToTwipsY(w.Text1()->height());
  const double sw = platform::ScreenWidthTwips(), sh = platform::ScreenHeightTwips();
  w.SetWindowState(2);
  w.LayoutMaximizedView();
  checks.SetChecked(MenuItem::Moon, true);
  Settle();
  EXPECT_EQ(w.WindowState(), 2);
  const MaximizedPositions p = MaximizedViewPositions(sw, sh, pw, ph, th, 40);
  EXPECT_EQ(w.Picture1()->pos(), QPoint(Px(p.pictureLeft), Py(p.pictureTop)));
  EXPECT_EQ(w.Text1()->pos(), QPoint(Px(p.textLeft), Py(p.textTop)));
  EXPECT_FALSE(w.Picture1()->HasBorder());
  EXPECT_FALSE(w.Text1()->hasFrame());
  EXPECT_GT(w.width(), 264);  // the window grew to the screen
  // A resize while maximized leaves the view alone.
  EXPECT_TRUE(checks.Checked(MenuItem::Moon));

  // A left release on the surround: back to normal, the normal layout, mnuMoon unchecked.
  const QPoint surround(5, 5);
  ASSERT_EQ(w.childAt(surround), nullptr);
  Click(&w, surround, Qt::LeftButton);
  Settle();
  EXPECT_EQ(w.WindowState(), 0);
  EXPECT_FALSE(checks.Checked(MenuItem::Moon));
  EXPECT_TRUE(w.Picture1()->HasBorder());
  EXPECT_TRUE(w.Text1()->hasFrame());
  EXPECT_EQ(w.Picture1()->pos(), QPoint(Px(40), Py(40)));
  EXPECT_EQ(w.Text1()->pos(), QPoint(Px(40), Py(80 + ph)));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());  // fixed size again
  EXPECT_EQ(w.size(), w.minimumSize());
}

TEST_F(MoonWindowTest, ResizeInTheNormalStateRestoresLayoutAndTopmost) {
  MoonWindow& w = Make();
  control->show();
  SetTopmost(control.get(), 1);
  checks.SetChecked(MenuItem::Top, true);
  checks.SetChecked(MenuItem::Moon, true);
  w.LayoutMaximizedView();  // a stale layout that the first showing puts right
  w.show();
  Settle();
  EXPECT_FALSE(checks.Checked(MenuItem::Moon));
  EXPECT_TRUE(w.Picture1()->HasBorder());
  EXPECT_FALSE(platform::StaysOnTop(control.get()));
  EXPECT_TRUE(platform::StaysOnTop(&w));
}

// ---- Close ----

TEST_F(MoonWindowTest, CloseHidesUnlessTheProgramQuits) {
  MoonWindow& w = Make();
  w.show();
  w.SetWindowState(2);
  w.LayoutMaximizedView();
  Settle();
  QPointer<MoonWindow> alive(&w);
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(alive);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.WindowState(), 0);
  EXPECT_FALSE(checks.Checked(MenuItem::Ers));
  EXPECT_TRUE(w.Picture1()->HasBorder());
  // It is still drawn into while hidden.
  state.Elongation = 200;
  w.DrawMoonShadow();
  EXPECT_EQ(w.Canvas().Image().pixel(250, 128), 0xFF000000u);

  w.show();
  state.QuitRequested = 1;
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isVisible());
}

// ---- Mouse ----

TEST_F(MoonWindowTest, LeftClickOnThePicturePlaysThePhaseCycle) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  state.RealTimeMode = 1;
  state.Elongation = 100.5;
  state.ShadowStep = 1;
  w.DrawMoonShadow();
  Settle();
  const double lit = state.LitFraction;
  Click(w.Picture1(), QPoint(100, 100), Qt::LeftButton);
  // 24 frames, each held for one refresh interval of the screen after it was painted.
  ASSERT_EQ(holds.size(), 24u);
  for (auto d : holds) EXPECT_EQ(d, platform::FrameInterval(&w));
  for (std::size_t i = 1; i < paintsAtHold.size(); ++i)
    EXPECT_GT(paintsAtHold[i], paintsAtHold[i - 1]) << "frame " << i << " never reached the screen";
  EXPECT_DOUBLE_EQ(state.Elongation, 100.5);
  EXPECT_DOUBLE_EQ(state.LitFraction, lit);
  EXPECT_TRUE(menuAt.empty());
}

TEST_F(MoonWindowTest, TheCycleHandlesNoEventsBetweenFrames) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  state.RealTimeMode = 1;
  bool delivered = false;
  QMetaObject::invokeMethod(
      qApp, [&] { delivered = true; }, Qt::QueuedConnection);
  int seenBeforeEnd = 0;
  w.SetFrameHold([&](std::chrono::nanoseconds) { seenBeforeEnd += delivered ? 1 : 0; });
  w.Painter().AnimatePhaseCycle();
  EXPECT_EQ(seenBeforeEnd, 0);
  Settle();
  EXPECT_TRUE(delivered);
}

TEST_F(MoonWindowTest, NoCycleOutsideRealTimeAndNoHoldWhileHidden) {
  MoonWindow& w = Make();
  w.show();
  state.RealTimeMode = 0;
  Click(w.Picture1(), QPoint(100, 100), Qt::LeftButton);
  EXPECT_TRUE(holds.empty());
  w.hide();
  state.RealTimeMode = 1;
  w.Painter().AnimatePhaseCycle();
  EXPECT_TRUE(holds.empty());  // nothing to show: the cycle does not wait
}

TEST_F(MoonWindowTest, RightReleaseOpensTheMenuAtThePointer) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  Click(w.Picture1(), QPoint(50, 60), Qt::RightButton);
  ASSERT_EQ(menuAt.size(), 1u);
  EXPECT_EQ(menuAt[0], w.Picture1()->mapToGlobal(QPoint(50, 60)));
  const QPoint surround(1, 1);
  ASSERT_EQ(w.childAt(surround), nullptr);
  Click(&w, surround, Qt::RightButton);
  ASSERT_EQ(menuAt.size(), 2u);
  EXPECT_EQ(menuAt[1], w.mapToGlobal(surround));
  EXPECT_EQ(menuFromKeyboard, (std::vector<bool>{false, false}));
  EXPECT_TRUE(holds.empty());
}

TEST_F(MoonWindowTest, DraggingThePictureMovesTheWindow) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  state.RealTimeMode = 1;
  const QPoint start = w.pos();
  QWidget* pic = w.Picture1();
  Mouse(pic, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
  Mouse(pic, QEvent::MouseMove, QPoint(101, 100), Qt::LeftButton);  // within the drag distance
  EXPECT_EQ(w.pos(), start);
  Mouse(pic, QEvent::MouseMove, QPoint(140, 130), Qt::LeftButton);
  EXPECT_EQ(w.pos(), start + QPoint(40, 30));
  // The window moved under the pointer: the picture's point under it is the pressed one.
  Mouse(pic, QEvent::MouseMove, QPoint(100 + 5, 100 - 10), Qt::LeftButton);
  EXPECT_EQ(w.pos(), start + QPoint(45, 20));
  Mouse(pic, QEvent::MouseButtonRelease, QPoint(105, 90), Qt::LeftButton);
  EXPECT_TRUE(holds.empty()) << "the release that ends a drag is not a click";
  // A click afterwards is a click again.
  Click(pic, QPoint(100, 100), Qt::LeftButton);
  EXPECT_EQ(holds.size(), 24u);
}

TEST_F(MoonWindowTest, InTheMaximizedViewThePictureIsNotDragged) {
  MoonWindow& w = Make();
  w.show();
  w.SetWindowState(2);
  w.LayoutMaximizedView();
  Settle();
  state.RealTimeMode = 1;
  const QPoint start = w.pos();
  QWidget* pic = w.Picture1();
  Mouse(pic, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
  EXPECT_FALSE(w.Dragger().Armed());
  Mouse(pic, QEvent::MouseMove, QPoint(160, 160), Qt::LeftButton);
  EXPECT_EQ(w.pos(), start);
  Mouse(pic, QEvent::MouseButtonRelease, QPoint(160, 160), Qt::LeftButton);
  EXPECT_EQ(holds.size(), 24u);
  EXPECT_EQ(w.WindowState(), 2);
}

// ---- Keyboard and screen reader ----

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(w, &e);
}

TEST_F(MoonWindowTest, KeysDoWhatTheMouseDoes) {
  MoonWindow& w = Make();
  w.show();
  Settle();
  state.RealTimeMode = 1;
  QWidget* pic = w.Picture1();
  Key(pic, Qt::Key_Space);
  EXPECT_EQ(holds.size(), 24u) << "Space is a click on the picture";
  const QPoint start = platform::OuterGeometry(&w).topLeft();
  Key(pic, Qt::Key_Right);
  Key(pic, Qt::Key_Up, Qt::ShiftModifier);
  Settle();
  const QPoint moved = platform::OuterGeometry(&w).topLeft() - start;
  EXPECT_GT(moved.x(), 1);
  EXPECT_EQ(moved.y(), -1) << "Shift moves by one pixel";
  Key(pic, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_EQ(menuAt.size(), 1u);
  EXPECT_TRUE(pic->rect().contains(pic->mapFromGlobal(menuAt[0])));
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
  QApplication::sendEvent(w.Text1(), &menuKey);
  EXPECT_EQ(menuAt.size(), 2u) << "the menu key in the age field opens the window's menu";
  EXPECT_EQ(menuFromKeyboard, (std::vector<bool>{true, true})) << "with its first item active";

  w.SetWindowState(2);
  w.LayoutMaximizedView();
  checks.SetChecked(MenuItem::Moon, true);
  Settle();
  const QPoint maximized = platform::OuterGeometry(&w).topLeft();
  Key(pic, Qt::Key_Left);
  Settle();
  EXPECT_EQ(platform::OuterGeometry(&w).topLeft(), maximized) << "no move in the maximized view";
  Key(pic, Qt::Key_Escape);
  EXPECT_EQ(w.WindowState(), 0) << "Escape leaves the maximized view as a click on the surround";
  EXPECT_FALSE(checks.Checked(MenuItem::Moon));
}

TEST_F(MoonWindowTest, ThePictureIsDescribedByTheAgeAndTheLitShare) {
  MoonWindow& w = Make();
  EXPECT_FALSE(w.Picture1()->accessibleName().isEmpty());
  EXPECT_FALSE(w.Text1()->accessibleName().isEmpty());
  EXPECT_NE(w.Picture1()->accessibleName(), w.Text1()->accessibleName());
  state.LitFraction = 0.5;
  w.SetAgeText(" 7.3456");
  EXPECT_TRUE(w.Picture1()->accessibleDescription().isEmpty()) << "only after the evaluation";
  Settle();
  const QString description = w.Picture1()->accessibleDescription();
  EXPECT_TRUE(description.contains(QStringLiteral("7.3"))) << description.toStdString();
  EXPECT_TRUE(description.contains(QStringLiteral("50"))) << description.toStdString();
}

// The age changes every second: out of the Tab chain, so that a screen reader does not read it
// each time; a click still focuses it for copying. Its description is in Japanese, its tool tip
// as designed. The window's name for a reader changes once a minute, not every second.
TEST_F(MoonWindowTest, TheAgeFieldAndTheCaptionDoNotFloodAReader) {
  MoonWindow& w = Make();
  QLineEdit* t = w.Text1();
  EXPECT_FALSE(t->focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(t->focusPolicy() & Qt::ClickFocus);
  EXPECT_EQ(t->accessibleDescription(), "新月から何日たったか");
  EXPECT_EQ(t->toolTip(), "Age of Moon");
  state.Elongation = 90;
  state.ShadowStep = 1;
  const struct {
    const char* six[6];
    const char* caption;
    const char* name;
  } rows[] = {
      {{"2024", "2", "17", "21", "0", "0"}, "Moon  2024/2/17 21:0:0", "Moon  2024/2/17 21:0"},
      {{"2024", "2", "17", "21", "0", "59"}, "Moon  2024/2/17 21:0:59", "Moon  2024/2/17 21:0"},
      {{"2024", "2", "17", "21", "1", "0"}, "Moon  2024/2/17 21:1:0", "Moon  2024/2/17 21:1"},
  };
  for (const auto& row : rows) {
    for (int i = 0; i < 6; ++i) fields.WriteField(i + 1, row.six[i]);
    w.DrawMoonShadow();
    EXPECT_EQ(w.windowTitle(), row.caption);
    EXPECT_EQ(w.accessibleName(), row.name);
  }
}

TEST_F(MoonWindowTest, F6AsksForTheOtherWindow) {
  MoonWindow& w = Make();
  int asked = 0;
  w.SetOtherWindowHook([&asked] { ++asked; });
  Key(w.Picture1(), Qt::Key_F6);
  EXPECT_EQ(asked, 1);
}

// ---- Topmost ----

TEST_F(MoonWindowTest, SetTopmostFlags) {
  MoonWindow& w = Make();
  EXPECT_EQ(SetTopmost(&w, 2), 0);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(platform::StaysOnTop(&w));
  EXPECT_EQ(SetTopmost(nullptr, 1), 0);
  // Flag 0 on a hidden window shows it.
  EXPECT_NE(SetTopmost(&w, 0), 0);
  EXPECT_TRUE(w.isVisible());
  const WId id = w.winId();
  EXPECT_NE(SetTopmost(&w, 1), 0);
  EXPECT_TRUE(platform::StaysOnTop(&w));
  EXPECT_TRUE(w.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  w.ApplyCircularShape();
  EXPECT_NE(SetTopmost(&w, 0), 0);
  EXPECT_FALSE(platform::StaysOnTop(&w));
  EXPECT_FALSE(w.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  // The same native window throughout, the shape kept.
  EXPECT_EQ(w.winId(), id);
  EXPECT_TRUE(w.IsCircular());
  EXPECT_FALSE(w.mask().isEmpty());
}

// ---- Presentation ----

TEST_F(MoonWindowTest, ThePictureRepaintsOnlyWhenItsImageChanged) {
  MoonWindow& w = Make();
  w.show();
  state.ShadowStep = 1;
  state.Elongation = 120;
  w.DrawMoonShadow();
  Settle();
  const long updates = w.PictureUpdates();
  const long paints = w.Picture1()->Paints();
  // Real time: ten evaluations a second that give the same picture.
  for (int i = 0; i < 10; ++i) {
    state.Elongation = 120 + i * 1e-6;
    w.DrawMoonShadow();
    w.SetAgeText(std::to_string(i));
    Settle();
  }
  EXPECT_EQ(w.PictureUpdates(), updates);
  EXPECT_EQ(w.Picture1()->Paints(), paints);
  // A new picture is presented once.
  state.Elongation = 140;
  w.DrawMoonShadow();
  Settle();
  EXPECT_EQ(w.PictureUpdates(), updates + 1);
  EXPECT_GT(w.Picture1()->Paints(), paints);
  // What the screen shows is the drawn picture.
  const QImage shown = w.Picture1()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.copy(2, 2, 255, 258), w.Canvas().Image());
}

TEST_F(MoonWindowTest, WindowStatesAndFixedSize) {
  MoonWindow& w = Make();
  w.show();
  const QSize fixed = w.size();
  w.SetWindowState(2);
  Settle();
  EXPECT_EQ(w.WindowState(), 2);
  EXPECT_NE(w.minimumSize(), w.maximumSize());
  w.SetWindowState(0);
  Settle();
  EXPECT_EQ(w.WindowState(), 0);
  EXPECT_EQ(w.size(), fixed);
  EXPECT_EQ(w.minimumSize(), fixed);
  EXPECT_EQ(w.maximumSize(), fixed);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MoonWindowTest, Screenshots) {
  MoonWindow& w = Make();
  state.ShadowStep = 1;
  state.Elongation = 100;
  w.DrawMoonShadow();
  w.SetAgeText(" 7.5419097221456468");
  w.show();
  Settle();
  w.grab().save(QStringLiteral("/tmp/selvane-moon-window.png"));
  w.ApplyCircularShape();
  Settle();
  // Offscreen windows have no real shape: what the mask leaves visible is painted over black.
  QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  QImage cut(shot.size(), QImage::Format_RGB32);
  cut.fill(QColor(40, 90, 160));
  for (const QRect& r : w.mask())
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) cut.setPixel(x, y, shot.pixel(x, y));
  cut.save(QStringLiteral("/tmp/selvane-moon-circular.png"));
  w.DropCircularShape();
  w.SetWindowState(2);
  w.LayoutMaximizedView();
  Settle();
  w.grab().save(QStringLiteral("/tmp/selvane-moon-maximized.png"));
  SUCCEED();
}

}  // namespace
}  // namespace selvane

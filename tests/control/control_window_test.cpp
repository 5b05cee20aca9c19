// The control window and the keypad dialog as real widgets under the offscreen platform:
// the design's layout, fonts and focus order, then clicks on the real buttons and typing into
// the real fields, checked in the fields, the captions, the moon window's caption and age, the
// check marks and the timer. With SELVANE_SCREENSHOT_DIR set, both windows are also saved as
// PNG pictures there.
#include "control/control_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

#include "control/control_layout.h"
#include "control_fakes.h"
#include "platform/accessibility.h"
#include "platform/platform.h"

namespace selvane::control_test {
namespace {

struct WindowRig {
  WindowRig() {
    session.state.ShadowStep = 1;
    panel.AttachMoonWindow(&moon);
  }
  WindowRig(const WindowRig&) = delete;

  QString Text(int field) const { return window.Text(field)->text(); }
  QStringList Six() const {
    QStringList six;
    for (int i = 1; i <= 6; ++i) six << Text(i);
    return six;
  }
  // Model writes: the window's fields follow through the changed hook.
  void SetFields(const QStringList& six, const char* stepAmount = "1") {
    session.fields.WriteField(7, stepAmount);
    for (int i = 0; i < 6; ++i) session.fields.WriteField(i + 1, six[i].toStdString());
    session.engine.UpdateMoonPhase();
  }
  // Start-up, then "Go / Stop": stopped at the fields given.
  void StartStopped(const QStringList& six) {
    panel.StartUp();
    QTest::mouseClick(window.Command(17), Qt::LeftButton);
    SetFields(six);
    evaluator.count = 0;
  }
  QString MoonCaption() const { return QString::fromStdString(session.nullCanvas.caption); }

  HeadlessSession session;
  CallLog log{session.state};
  MenuChecks checks;
  FakeClock clock;
  RecordingEvaluator evaluator{session.engine, session.fields, log};
  CountingBeeper beeper{log};
  RecordingMoonWindow moon{log};
  ControlPanel panel{session.state, session.fields, checks, evaluator, clock};
  KeypadModel keypad{session.state, session.fields, panel, evaluator, beeper};
  ControlWindow window{panel, keypad, session.fields};
};

QRect Pixels(double left, double top, double width, double height) {
  const int l = platform::TwipsToPixelsX(left);
  const int t = platform::TwipsToPixelsY(top);
  return QRect(l, t, platform::TwipsToPixelsX(left + width) - l,
               platform::TwipsToPixelsY(top + height) - t);
}

// True when every character of the text has a glyph in the font as it resolves (no boxes).
bool HasAllGlyphs(const QString& text, const QFont& font) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const auto runs = layout.glyphRuns();
  if (runs.isEmpty()) return false;
  for (const QGlyphRun& run : runs)
    for (quint32 glyph : run.glyphIndexes())
      if (glyph == 0) return false;
  return true;
}

// The caption fits the space the style leaves for it inside the button.
bool CaptionFits(QPushButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const QRect contents =
      button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
  const QFontMetrics metrics(button->font());
  return metrics.horizontalAdvance(button->text()) <= contents.width() &&
         metrics.height() <= contents.height();
}

bool CaptionFits(QRadioButton* radio) {
  QStyleOptionButton option;
  option.initFrom(radio);
  option.text = radio->text();
  const QRect contents =
      radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
  const QFontMetrics metrics(radio->font());
  return metrics.horizontalAdvance(radio->text()) <= contents.width() &&
         metrics.height() <= contents.height() + 2;
}

void SaveScreenshot(QWidget* widget, const char* name) {
  const char* dir = std::getenv("SELVANE_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  const QString path = QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name));
  EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
}

// --- The design ----------------------------------------------------------------------------------

TEST(ControlWindowLayout, ControlsWhereTheDesignPutsThem) {
  WindowRig r;
  ControlWindow& w = r.window;
  EXPECT_EQ(w.size(), QSize(platform::TwipsToPixelsX(2412), platform::TwipsToPixelsY(3792)));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());  // fixed size
  EXPECT_EQ(w.windowTitle(), "Selvane");
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);

  EXPECT_EQ(w.Frame1()->title(), "Date");
  EXPECT_EQ(w.Frame1()->geometry(), Pixels(60, 60, 2292, 3132));
  const char* units[] = {"年", "月", "日", "時", "分", "秒"};
  const double rowTops[] = {180, 600, 1020, 1440, 1860, 2280};
  const double optionTops[] = {180, 600, 1020, 1440, 1860, 2340};
  const double optionWidths[] = {672, 672, 612, 612, 612, 612};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i + 1);
    QRadioButton* option = w.Option(i + 1);
    EXPECT_EQ(option->parentWidget(), w.Frame1());
    EXPECT_EQ(option->text(), QString::fromUtf8(units[i]));
    // An option ends where its row's field, which lies above it, begins.
    QRect option1 = Pixels(120, optionTops[i], optionWidths[i], i == 5 ? 252 : 312);
    option1.setRight(std::min(option1.right(), Pixels(720, rowTops[i], 672, 312).left() - 1));
    EXPECT_EQ(option->geometry(), option1);
    EXPECT_EQ(w.Text(i + 1)->geometry(), Pixels(720, rowTops[i], 672, 312));
    EXPECT_EQ(w.Command(2 * i + 1)->text(), "▲");
    EXPECT_EQ(w.Command(2 * i + 1)->geometry(), Pixels(1500, rowTops[i], 312, 312));
    EXPECT_EQ(w.Command(2 * i + 2)->text(), "▼");
    EXPECT_EQ(w.Command(2 * i + 2)->geometry(), Pixels(1860, rowTops[i], 312, 312));
  }
  EXPECT_EQ(w.Label1()->text(), "変化分");
  EXPECT_EQ(w.Label1()->geometry(), Pixels(360, 2760, 552, 252));
  EXPECT_EQ(w.Text(7)->geometry(), Pixels(900, 2700, 492, 312));
  EXPECT_EQ(w.Command(13)->text(), "▲");
  EXPECT_EQ(w.Command(13)->geometry(), Pixels(1500, 2700, 312, 312));
  EXPECT_EQ(w.Command(14)->text(), "▼");
  EXPECT_EQ(w.Command(14)->geometry(), Pixels(1860, 2700, 312, 312));
  // Check1 belongs to the window and lies over the frame.
  EXPECT_EQ(w.Check1()->parentWidget(), &w);
  EXPECT_EQ(w.Check1()->text(), "");
  EXPECT_EQ(w.Check1()->geometry(), Pixels(180, 2760, 192, 312));
  EXPECT_EQ(w.Command(15)->text(), "ADJ");
  EXPECT_EQ(w.Command(15)->geometry(), Pixels(60, 3300, 672, 432));
  EXPECT_EQ(w.Command(16)->text(), "Now");
  EXPECT_EQ(w.Command(16)->geometry(), Pixels(840, 3300, 672, 432));
  EXPECT_EQ(w.Command(17)->text(), "Go / Stop");
  EXPECT_EQ(w.Command(17)->geometry(), Pixels(1620, 3300, 732, 432));

  // As designed: the placeholders, "日" selected, the box off, the timer stopped.
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(r.Text(i), QStringLiteral("Text%1").arg(i));
  EXPECT_TRUE(w.Option(3)->isChecked());
  EXPECT_FALSE(w.Check1()->isChecked());
  EXPECT_FALSE(w.Timer1()->isActive());
}

TEST(ControlWindowLayout, FontsAndGlyphs) {
  WindowRig r;
  ControlWindow& w = r.window;
  auto expectFont = [](QWidget* widget, const QString& family, double points) {
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_EQ(widget->font().family(), family);
    EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), points);
  };
  expectFont(&w, platform::kGothic, 9);
  expectFont(w.Frame1(), platform::kPGothic, 9);
  for (int i = 1; i <= 6; ++i) expectFont(w.Option(i), platform::kGothic, 9);
  for (int i = 1; i <= 7; ++i) expectFont(w.Text(i), platform::kPGothic, 9);
  for (int i = 1; i <= 14; ++i) expectFont(w.Command(i), platform::kPGothic, 7.8);
  expectFont(w.Label1(), platform::kGothic, 7.8);
  expectFont(w.Check1(), platform::kPGothic, 9);
  for (int i = 15; i <= 16; ++i) expectFont(w.Command(i), platform::kPGothic, 9);
  // "Go / Stop" is set smaller only as far as needed to fit.
  EXPECT_EQ(w.Command(17)->font().family(), platform::kPGothic);
  EXPECT_LE(w.Command(17)->font().pointSizeF(), 9);
  EXPECT_GE(w.Command(17)->font().pointSizeF(), 7);

  // The design's faces resolve to installed Japanese ones, which have every glyph.
  EXPECT_TRUE(QFontInfo(w.Text(1)->font()).family().contains("Gothic"))
      << QFontInfo(w.Text(1)->font()).family().toStdString();
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(HasAllGlyphs(w.Option(i)->text(), w.Option(i)->font()));
  for (int i = 1; i <= 14; ++i)
    EXPECT_TRUE(HasAllGlyphs(w.Command(i)->text(), w.Command(i)->font()));
  EXPECT_TRUE(HasAllGlyphs(w.Label1()->text(), w.Label1()->font()));
  for (int target = 1; target <= 7; ++target)
    EXPECT_TRUE(HasAllGlyphs(QString::fromUtf8(KeypadModel::kTargets[target].caption), QFont()));
  EXPECT_TRUE(HasAllGlyphs(QStringLiteral("Selvane - Now -"), QFont()));

  // Nothing clipped: every caption fits its control.
  for (int i = 1; i <= 17; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(CaptionFits(w.Command(i)));
  }
  for (int i = 1; i <= 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(CaptionFits(w.Option(i)));
  }
  const QFontMetrics label(w.Label1()->font());
  EXPECT_LE(label.horizontalAdvance(w.Label1()->text()), w.Label1()->width());
  EXPECT_LE(label.height(), w.Label1()->height());
  for (int i = 1; i <= 7; ++i) {
    const QFontMetrics field(w.Text(i)->font());
    EXPECT_LE(field.height(), w.Text(i)->height() - 4);
    EXPECT_LE(field.horizontalAdvance(i == 1 ? "2024" : "59"), w.Text(i)->width() - 8);
  }
}

TEST(ControlWindowLayout, FocusOrder) {
  WindowRig r;
  ControlWindow& w = r.window;
  std::vector<QWidget*> expected{w.Command(17)};
  for (int i = 1; i <= 6; ++i) expected.push_back(w.Text(i));
  for (int i = 1; i <= 6; ++i) expected.push_back(w.Option(i));
  expected.push_back(w.Text(7));
  expected.push_back(w.Check1());
  for (int i = 1; i <= 16; ++i) expected.push_back(w.Command(i));

  std::vector<QWidget*> chain;
  QWidget* widget = w.Command(17);
  do {
    if (std::find(expected.begin(), expected.end(), widget) != expected.end())
      chain.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != w.Command(17) && chain.size() <= expected.size());
  ASSERT_EQ(chain.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(chain[i]->objectName(), expected[i]->objectName());
  }
  EXPECT_EQ(w.focusWidget(), w.Command(17));  // the focus starts on "Go / Stop"
}

// --- Start-up and the timer ----------------------------------------------------------------------

TEST(ControlWindowRun, StartUpShowsRealTimeInTheWidgets) {
  WindowRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  ControlWindow& w = r.window;
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), "Selvane - Now -");
  EXPECT_TRUE(w.Option(6)->isChecked());
  EXPECT_FALSE(w.Option(3)->isChecked());
  EXPECT_FALSE(w.Check1()->isChecked());
  EXPECT_EQ(r.Six(), (QStringList{"2024", "5", "17", "21", "30", "15"}));
  EXPECT_EQ(r.Text(7), "1");
  EXPECT_TRUE(w.Timer1()->isActive());
  EXPECT_EQ(w.Timer1()->interval(), 100);
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/5/17 21:30:15");
  EXPECT_FALSE(r.session.ageText.empty());
  EXPECT_TRUE(r.checks.Checked(MenuItem::Real));
  EXPECT_TRUE(r.checks.Checked(MenuItem::About));
  SaveScreenshot(&w, "form1.png");
}

// Counts the paint events of every widget it watches.
class PaintCounter : public QObject {
 public:
  std::map<QObject*, int> paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints[watched];
    return false;
  }
};

TEST(ControlWindowRun, ANewSecondRepaintsOnlyItsField) {
  WindowRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  ControlWindow& w = r.window;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QCoreApplication::processEvents();
  PaintCounter counter;
  const QList<QWidget*> widgets = w.findChildren<QWidget*>();
  for (QWidget* child : widgets) child->installEventFilter(&counter);
  w.installEventFilter(&counter);
  for (const char* second : {"16", "17"}) {
    counter.paints.clear();
    r.session.fields.WriteField(6, second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints[w.Text(6)] > 0; }));
    QCoreApplication::processEvents();
    for (const auto& [widget, paints] : counter.paints) {
      if (widget != w.Text(6)) ADD_FAILURE() << widget->objectName().toStdString() << " repainted";
    }
  }
}

TEST(ControlWindowRun, Timer1TicksRunTheTick) {
  WindowRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  r.clock.reading = {2024, 5, 17, 21, 30, 16};
  r.evaluator.count = 0;
  ASSERT_TRUE(QMetaObject::invokeMethod(r.window.Timer1(), "timeout"));
  EXPECT_EQ(r.evaluator.count, 1);
  EXPECT_EQ(r.Text(6), "16");
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/5/17 21:30:16");
}

TEST(ControlWindowRun, GoStopNowAndTheFastBox) {
  WindowRig r;
  r.panel.StartUp();
  ControlWindow& w = r.window;
  QTest::mouseClick(w.Command(17), Qt::LeftButton);  // "Go / Stop": stopped
  EXPECT_FALSE(w.Timer1()->isActive());
  EXPECT_EQ(w.windowTitle(), "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
  QTest::mouseClick(w.Command(17), Qt::LeftButton);  // animating at 500 ms
  EXPECT_TRUE(w.Timer1()->isActive());
  EXPECT_EQ(w.Timer1()->interval(), 500);

  QTest::mouseClick(w.Check1(), Qt::LeftButton);  // fast
  EXPECT_TRUE(w.Check1()->isChecked());
  EXPECT_EQ(w.Timer1()->interval(), 50);
  EXPECT_EQ(r.session.state.SavedInterval, 50);

  QTest::mouseClick(w.Command(16), Qt::LeftButton);  // "Now" turns the box off again
  EXPECT_FALSE(w.Check1()->isChecked());
  EXPECT_EQ(r.session.state.SavedInterval, 500);
  EXPECT_EQ(w.Timer1()->interval(), 100);
  EXPECT_EQ(w.windowTitle(), "Selvane - Now -");
  EXPECT_TRUE(w.Option(6)->isChecked());
  EXPECT_TRUE(r.checks.Checked(MenuItem::Real));

  QTest::mouseClick(w.Check1(), Qt::LeftButton);  // in real time: animation at 50 ms
  EXPECT_EQ(w.windowTitle(), "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
  EXPECT_EQ(w.Timer1()->interval(), 50);
}

TEST(ControlWindowRun, EnterOnAFocusedButtonPressesIt) {
  WindowRig r;
  r.panel.StartUp();
  ControlWindow& w = r.window;
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  ASSERT_TRUE(w.Command(17)->hasFocus());  // start-up leaves the focus on "Go / Stop"
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(w.windowTitle(), "Selvane");  // stopped
  EXPECT_FALSE(w.Timer1()->isActive());
  w.Command(1)->setFocus();  // "▲" of the year
  const QString year = r.Text(1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
  EXPECT_EQ(r.Text(1).toInt(), year.toInt() + 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // as Space does
  EXPECT_EQ(r.Text(1).toInt(), year.toInt() + 2);
}

TEST(ControlWindowRun, UnitRadioButtons) {
  WindowRig r;
  r.panel.StartUp();
  ControlWindow& w = r.window;
  QTest::mouseClick(w.Option(6), Qt::LeftButton);
  EXPECT_EQ(w.windowTitle(), "Selvane - Now -");
  QTest::mouseClick(w.Option(3), Qt::LeftButton);
  EXPECT_TRUE(w.Option(3)->isChecked());
  EXPECT_FALSE(w.Option(6)->isChecked());
  EXPECT_EQ(r.session.state.StepUnit, 3);
  EXPECT_EQ(w.windowTitle(), "Selvane");
  EXPECT_EQ(w.Timer1()->interval(), 500);
  // A selection made in the widget by other means than a click (the arrow keys) runs the
  // handling too.
  w.Option(4)->setChecked(true);
  EXPECT_FALSE(w.Option(3)->isChecked());
  EXPECT_EQ(r.session.state.StepUnit, 4);
  EXPECT_EQ(r.panel.SelectedOption(), 4);
}

// --- Stepping through the real buttons ----------------------------------------------------------

TEST(ControlWindowRun, StepButtonsRollOverInTheWidgets) {
  WindowRig r;
  r.StartStopped({"2023", "12", "31", "23", "59", "59"});
  QTest::mouseClick(r.window.Command(11), Qt::LeftButton);  // "▲" of the second
  EXPECT_EQ(r.Six(), (QStringList{"2024", "1", "1", "0", "0", "0"}));
  EXPECT_EQ(r.evaluator.count, 1);
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/1/1 0:0:0");
  EXPECT_FALSE(r.session.ageText.empty());
  QTest::mouseClick(r.window.Command(12), Qt::LeftButton);  // and back
  EXPECT_EQ(r.Six(), (QStringList{"2023", "12", "31", "23", "59", "59"}));
  EXPECT_EQ(r.MoonCaption(), "Moon  2023/12/31 23:59:59");

  r.session.fields.WriteField(5, "37");
  QTest::mouseClick(r.window.Command(15), Qt::LeftButton);  // "ADJ"
  EXPECT_EQ(r.Six(), (QStringList{"2023", "12", "31", "23", "0", "0"}));
  EXPECT_EQ(r.MoonCaption(), "Moon  2023/12/31 23:0:0");

  QTest::mouseClick(r.window.Command(14), Qt::LeftButton);  // step amount stays at 1
  EXPECT_EQ(r.Text(7), "1");
  QTest::mouseClick(r.window.Command(13), Qt::LeftButton);
  EXPECT_EQ(r.Text(7), "2");
}

TEST(ControlWindowRun, AStepInRealTimeLeavesIt) {
  WindowRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  QTest::mouseClick(r.window.Command(7), Qt::LeftButton);  // "▲" of the hour
  EXPECT_EQ(r.window.windowTitle(), "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
  EXPECT_EQ(r.Text(4), "22");
  EXPECT_EQ(r.window.Timer1()->interval(), 500);
}

// --- Typing into the fields ----------------------------------------------------------------------

TEST(ControlWindowTyping, EachKeystrokeIsAWrite) {
  WindowRig r;
  r.StartStopped({"2023", "2", "10", "12", "0", "0"});
  QLineEdit* day = r.window.Text(3);
  day->selectAll();
  QTest::keyClicks(day, "2");
  EXPECT_EQ(r.session.fields.Text(3), "2");
  QTest::keyClicks(day, "9");  // 29 February 2023 becomes 1 March
  EXPECT_EQ(r.Text(3), "1");
  EXPECT_EQ(r.Text(2), "3");
  EXPECT_EQ(day->cursorPosition(), 1);
  // Typing alone never evaluates.
  EXPECT_EQ(r.evaluator.count, 0);

  // A typed text stays as typed: "0" typed in front of "5" gives "05".
  QLineEdit* month = r.window.Text(2);
  r.session.fields.WriteField(2, "5");
  month->setCursorPosition(0);
  QTest::keyClicks(month, "0");
  EXPECT_EQ(r.Text(2), "05");
  EXPECT_EQ(r.session.fields.Text(2), "05");
  // A lone "0" typed into an emptied month borrows from the year at once.
  month->selectAll();
  QTest::keyClicks(month, "0");
  EXPECT_EQ(r.Text(2), "12");
  EXPECT_EQ(r.Text(1), "2022");

  QLineEdit* hour = r.window.Text(4);
  hour->setCursorPosition(2);
  QTest::keyClick(hour, Qt::Key_Backspace);
  EXPECT_EQ(r.Text(4), "1");
  QTest::keyClick(hour, Qt::Key_Backspace);  // emptied: "0" at once
  EXPECT_EQ(r.Text(4), "0");
  EXPECT_EQ(r.session.fields.Text(4), "0");
}

TEST(ControlWindowTyping, EditingInTheMiddleKeepsTheCursor) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  QLineEdit* year = r.window.Text(1);
  year->setCursorPosition(2);
  QTest::keyClick(year, Qt::Key_Delete);  // "204"
  EXPECT_EQ(r.Text(1), "204");
  EXPECT_EQ(year->cursorPosition(), 2);
  QTest::keyClicks(year, "3");  // "2034"
  EXPECT_EQ(r.session.fields.Text(1), "2034");
  EXPECT_EQ(year->cursorPosition(), 3);
}

TEST(ControlWindowTyping, EnterEvaluatesAndMovesAlongTheCycle) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  ControlWindow& w = r.window;
  for (int field = 1; field <= 7; ++field) {
    SCOPED_TRACE(field);
    const QString before = r.Text(field);
    w.Text(field)->setFocus();
    QTest::keyClick(w.Text(field), field % 2 ? Qt::Key_Return : Qt::Key_Enter);
    EXPECT_EQ(r.Text(field), before);  // Enter never reaches the field
    EXPECT_EQ(r.evaluator.count, field);
    EXPECT_EQ(w.focusWidget(), w.Text(field == 7 ? 1 : field + 1));
  }
  // A typed instant is shown by the moon window once Enter is pressed.
  w.Text(3)->selectAll();
  QTest::keyClicks(w.Text(3), "20");
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/6/15 12:0:0");
  QTest::keyClick(w.Text(3), Qt::Key_Return);
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/6/20 12:0:0");
}

// --- The close request ---------------------------------------------------------------------------

TEST(ControlWindowClose, CloseBoxHidesAndTheTimerGoesOn) {
  WindowRig r;
  r.panel.StartUp();
  EXPECT_FALSE(r.window.close());
  EXPECT_FALSE(r.window.isVisible());
  EXPECT_FALSE(r.checks.Checked(MenuItem::About));
  EXPECT_TRUE(r.window.Timer1()->isActive());
  EXPECT_EQ(r.window.Timer1()->interval(), 100);
}

TEST(ControlWindowClose, WhileQuittingTheWindowClosesWithTheTimerStopped) {
  WindowRig r;
  r.panel.StartUp();
  r.session.state.QuitRequested = 1;
  EXPECT_TRUE(r.window.close());
  EXPECT_FALSE(r.window.Timer1()->isActive());
}

TEST(ControlWindowClose, TopmostIsHandedToTheMoonWindow) {
  WindowRig r;
  r.panel.StartUp();
  r.checks.SetChecked(MenuItem::Top, true);
  r.window.SetTopmost(true);
  EXPECT_TRUE(r.window.windowFlags() & Qt::WindowStaysOnTopHint);
  r.window.close();
  EXPECT_FALSE(r.window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(r.moon.topmost);
  EXPECT_FALSE(r.window.isVisible());
}

// --- The keypad dialog ---------------------------------------------------------------------------

TEST(KeypadDialogWidgets, LayoutAndTabOrder) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  QTest::mouseClick(r.window.Text(1), Qt::LeftButton);
  KeypadDialog* k = r.window.Keypad();
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->size(), QSize(platform::TwipsToPixelsX(1752), platform::TwipsToPixelsY(2112)));
  EXPECT_EQ(k->minimumSize(), k->maximumSize());
  EXPECT_FALSE(k->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(k->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(k->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(k->windowIcon().isNull());
  EXPECT_EQ(k->Display()->geometry(), Pixels(60, 60, 1632, 312));
  EXPECT_TRUE(k->Display()->alignment() & Qt::AlignRight);
  const QRect digits[10] = {Pixels(60, 1680, 792, 372),  Pixels(60, 1260, 372, 372),
                            Pixels(480, 1260, 372, 372), Pixels(900, 1260, 372, 372),
                            Pixels(60, 840, 372, 372),   Pixels(480, 840, 372, 372),
                            Pixels(900, 840, 372, 372),  Pixels(60, 420, 372, 372),
                            Pixels(480, 420, 372, 372),  Pixels(900, 420, 372, 372)};
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(k->DigitButton(d)->text(), QString::number(d));
    EXPECT_EQ(k->DigitButton(d)->geometry(), digits[d]);
    EXPECT_TRUE(CaptionFits(k->DigitButton(d)));
  }
  EXPECT_EQ(k->OkButton()->text(), "OK");
  EXPECT_EQ(k->OkButton()->geometry(), Pixels(900, 1680, 792, 372));
  EXPECT_EQ(k->AcButton()->text(), "AC");
  EXPECT_EQ(k->AcButton()->geometry(), Pixels(1320, 420, 372, 552));
  EXPECT_EQ(k->BsButton()->text(), "BS");
  EXPECT_EQ(k->BsButton()->geometry(), Pixels(1320, 1080, 372, 552));
  for (QPushButton* b : {k->OkButton(), k->AcButton(), k->BsButton()}) EXPECT_TRUE(CaptionFits(b));

  std::vector<QWidget*> expected{k->OkButton(), k->Display()};
  for (int d = 0; d < 10; ++d) expected.push_back(k->DigitButton(d));
  expected.push_back(k->AcButton());
  expected.push_back(k->BsButton());
  QWidget* widget = k->OkButton();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    while (std::find(expected.begin(), expected.end(), widget) == expected.end())
      widget = widget->nextInFocusChain();
    EXPECT_EQ(widget, expected[i]);
    widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(k->focusWidget(), k->OkButton());
  SaveScreenshot(k, "form4.png");
}

TEST(KeypadDialogWidgets, ClickAFieldTypeAndAccept) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  r.window.move(300, 200);
  QTest::mouseClick(r.window.Text(2), Qt::LeftButton);
  KeypadDialog* k = r.window.Keypad();
  ASSERT_NE(k, nullptr);
  EXPECT_TRUE(k->isVisible());
  EXPECT_EQ(k->windowTitle(), "月を入力");
  EXPECT_EQ(k->Display()->text(), "0");
  const double left = platform::PixelsToTwipsX(300), top = platform::PixelsToTwipsY(200);
  EXPECT_EQ(k->pos(),
            QPoint(platform::TwipsToPixelsX(left + 1532), platform::TwipsToPixelsY(top + 600)));

  QTest::mouseClick(k->DigitButton(1), Qt::LeftButton);
  QTest::mouseClick(k->DigitButton(3), Qt::LeftButton);
  EXPECT_EQ(k->Display()->text(), "13");
  QTest::mouseClick(k->OkButton(), Qt::LeftButton);  // above 12: refused
  EXPECT_EQ(r.beeper.beeps, 1);
  EXPECT_TRUE(k->isVisible());
  EXPECT_EQ(k->Display()->text(), "13");
  EXPECT_EQ(r.Text(2), "6");

  QTest::mouseClick(k->BsButton(), Qt::LeftButton);
  QTest::mouseClick(k->DigitButton(1), Qt::LeftButton);
  EXPECT_EQ(k->Display()->text(), "11");
  QTest::mouseClick(k->OkButton(), Qt::LeftButton);
  EXPECT_EQ(r.beeper.beeps, 2);
  EXPECT_FALSE(k->isVisible());
  EXPECT_EQ(r.Text(2), "11");
  EXPECT_EQ(r.MoonCaption(), "Moon  2024/11/15 12:0:0");
  EXPECT_EQ(r.evaluator.count, 1);

  QTest::mouseClick(k->AcButton(), Qt::LeftButton);
  EXPECT_EQ(k->Display()->text(), "");
  QTest::mouseClick(k->BsButton(), Qt::LeftButton);
  EXPECT_EQ(r.beeper.beeps, 3);
}

TEST(KeypadDialogWidgets, RetargetDoubleClickAndTheCloseBox) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  r.window.move(300, 200);
  QTest::mouseClick(r.window.Text(1), Qt::LeftButton);
  QPointer<KeypadDialog> k = r.window.Keypad();
  ASSERT_TRUE(k);
  const QPoint first = k->pos();
  QTest::mouseClick(k->DigitButton(4), Qt::LeftButton);

  // A double click on another field retargets the open dialog.
  r.window.move(500, 400);
  QTest::mouseDClick(r.window.Text(5), Qt::LeftButton);
  EXPECT_EQ(r.window.Keypad(), k.data());
  EXPECT_EQ(k->windowTitle(), "分を入力");
  EXPECT_EQ(k->x(), first.x());  // the left edge stays
  EXPECT_EQ(k->y(), platform::TwipsToPixelsY(platform::PixelsToTwipsY(400) + 1860));
  EXPECT_EQ(k->Display()->text(), "4");
  EXPECT_EQ(r.session.state.KeypadTarget, 5);

  // Typing into the display, then Enter there: "OK".
  k->Display()->selectAll();
  QTest::keyClicks(k->Display(), "45");
  QTest::keyClick(k->Display(), Qt::Key_Return);
  EXPECT_EQ(r.Text(5), "45");
  EXPECT_FALSE(k->isVisible());

  // The close box destroys the dialog; the next opening makes a new one where the window is.
  QTest::mouseClick(r.window.Text(7), Qt::LeftButton);
  QTest::mouseClick(k->DigitButton(9), Qt::LeftButton);
  EXPECT_TRUE(k->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(k.isNull());
  EXPECT_EQ(r.window.Keypad(), nullptr);
  EXPECT_FALSE(r.keypad.Exists());
  QTest::mouseClick(r.window.Text(7), Qt::LeftButton);
  KeypadDialog* again = r.window.Keypad();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Display()->text(), "0");
  EXPECT_EQ(again->windowTitle(), "変化分");
  EXPECT_EQ(again->x(), platform::TwipsToPixelsX(platform::PixelsToTwipsX(500) + 1532));
}

TEST(KeypadDialogWidgets, OkInRealTimeLeavesIt) {
  WindowRig r;
  r.clock.reading = {2024, 5, 17, 21, 30, 15};
  r.panel.StartUp();
  QTest::mouseClick(r.window.Text(1), Qt::LeftButton);
  KeypadDialog* k = r.window.Keypad();
  ASSERT_NE(k, nullptr);
  for (int d : {2, 0, 3, 0}) QTest::mouseClick(k->DigitButton(d), Qt::LeftButton);
  QTest::mouseClick(k->OkButton(), Qt::LeftButton);
  EXPECT_EQ(r.Text(1), "2030");
  EXPECT_EQ(r.window.windowTitle(), "Selvane");
  EXPECT_FALSE(r.checks.Checked(MenuItem::Real));
  EXPECT_EQ(r.window.Timer1()->interval(), 500);
  EXPECT_EQ(r.MoonCaption(), "Moon  2030/5/17 21:30:15");
}

// --- The keyboard and a screen reader ------------------------------------------------------------

// Shown and active, as the keyboard finds it.
void Activate(QWidget& w) {
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

TEST(ControlWindowKeys, TabEntersTheUnitsAtTheSelectedOne) {
  WindowRig r;
  r.panel.StartUp();  // 秒 selected
  ControlWindow& w = r.window;
  Activate(w);
  for (int selected : {6, 2, 5}) {
    SCOPED_TRACE(selected);
    if (selected != 6) QTest::mouseClick(w.Option(selected), Qt::LeftButton);
    w.Text(6)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.Option(selected));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // and leaves the group
    EXPECT_EQ(QApplication::focusWidget(), w.Text(7));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), w.Option(selected));
  }
  // The arrow keys move within the group and select; Tab then comes back to the new one.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), w.Option(6));
  EXPECT_TRUE(w.Option(6)->isChecked());
  w.Text(6)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.Option(6));
}

TEST(ControlWindowKeys, UpAndDownInAFieldStepIt) {
  WindowRig r;
  r.StartStopped({"2024", "12", "31", "23", "59", "59"});
  ControlWindow& w = r.window;
  const struct {
    int field;
    Qt::Key key;
    const char* six[6];
    const char* stepAmount;
  } rows[] = {
      {6, Qt::Key_Up, {"2025", "1", "1", "0", "0", "0"}, "1"},
      {6, Qt::Key_Down, {"2024", "12", "31", "23", "59", "59"}, "1"},
      {1, Qt::Key_Up, {"2025", "12", "31", "23", "59", "59"}, "1"},
      {3, Qt::Key_Down, {"2025", "12", "30", "23", "59", "59"}, "1"},
      {7, Qt::Key_Up, {"2025", "12", "30", "23", "59", "59"}, "2"},
      {7, Qt::Key_Down, {"2025", "12", "30", "23", "59", "59"}, "1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.field);
    w.Text(row.field)->setFocus();
    QTest::keyClick(w.Text(row.field), row.key);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.Text(i + 1), row.six[i]);
    EXPECT_EQ(r.Text(7), row.stepAmount);
  }
}

TEST(ControlWindowKeys, GoStopDescribesTheTimersState) {
  WindowRig r;
  r.panel.StartUp();
  QPushButton* goStop = r.window.Command(17);
  QCoreApplication::processEvents();
  EXPECT_EQ(goStop->accessibleDescription(), "リアルタイム表示中");
  QTest::mouseClick(goStop, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(goStop->accessibleDescription(), "停止中");
  QTest::mouseClick(goStop, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(goStop->accessibleDescription(), "アニメーション中");
  EXPECT_EQ(goStop->text(), "Go / Stop");  // the button itself looks the same
}

TEST(ControlWindowKeys, F6AsksForTheOtherWindow) {
  WindowRig r;
  r.panel.StartUp();
  int asked = 0;
  r.window.SetOtherWindowHook([&asked] { ++asked; });
  for (QWidget* focus :
       {static_cast<QWidget*>(r.window.Command(17)), static_cast<QWidget*>(r.window.Text(3)),
        static_cast<QWidget*>(r.window.Option(6))}) {
    QTest::keyClick(focus, Qt::Key_F6);
  }
  EXPECT_EQ(asked, 3);
}

// Only the focused field tells a screen reader of its changing text: the others change many
// times a second while the display follows the clock or animates.
TEST(ControlWindowKeys, OnlyTheFocusedFieldTellsAReaderOfItsText) {
  WindowRig r;
  r.panel.StartUp();
  ControlWindow& w = r.window;
  Activate(w);
  w.Text(3)->setFocus();
  QLineEdit* focused = w.Text(3);
  QLineEdit* other = w.Text(6);
  QPushButton* button = w.Command(1);
  QAccessibleTextUpdateEvent updateFocused(focused, 0, "15", "16");
  QAccessibleTextUpdateEvent update(other, 0, "15", "16");
  QAccessibleTextInsertEvent insert(other, 0, "6");
  QAccessibleTextRemoveEvent remove(other, 0, "5");
  QAccessibleTextCursorEvent caret(other, 1);
  QAccessibleValueChangeEvent value(other, 16);
  QAccessibleEvent focus(other, QAccessible::Focus);
  QAccessibleEvent name(other, QAccessible::NameChanged);
  QAccessibleValueChangeEvent buttonValue(button, 1);
  const struct {
    const char* what;
    const QAccessibleEvent& event;
    bool sent;
  } rows[] = {
      {"text of the focused field", updateFocused, true},
      {"text of another field", update, false},
      {"inserted text", insert, false},
      {"removed text", remove, false},
      {"caret", caret, false},
      {"value", value, false},
      {"focus coming to it", focus, true},
      {"its name", name, true},
      {"not a field", buttonValue, true},
  };
  for (const auto& row : rows) EXPECT_EQ(platform::ReachesReader(row.event), row.sent) << row.what;
}

// However the keypad goes away, the control window is active again with the field it was opened
// from focused; it is the control window's own dialog.
TEST(KeypadDialogWidgets, TheFocusComesBackToTheField) {
  WindowRig r;
  r.StartStopped({"2024", "6", "15", "12", "0", "0"});
  ControlWindow& w = r.window;
  Activate(w);
  const struct {
    const char* how;
    std::function<void(KeypadDialog*)> close;
    const char* day;
  } ways[] = {
      {"OK", [](KeypadDialog* k) { QTest::mouseClick(k->OkButton(), Qt::LeftButton); }, "12"},
      {"Enter on OK", [](KeypadDialog* k) { QTest::keyClick(k->OkButton(), Qt::Key_Return); },
       "12"},
      {"Escape", [](KeypadDialog* k) { QTest::keyClick(k->OkButton(), Qt::Key_Escape); }, "15"},
      {"close box", [](KeypadDialog* k) { k->close(); }, "15"},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    r.SetFields({"2024", "6", "15", "12", "0", "0"});
    w.Text(3)->setFocus();
    QTest::keyClick(w.Text(3), Qt::Key_F4);
    QPointer<KeypadDialog> k = w.Keypad();
    ASSERT_TRUE(k);
    EXPECT_EQ(k->parentWidget(), &w);
    EXPECT_TRUE(k->isWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(k));
    ASSERT_EQ(k->focusWidget(), k->OkButton());
    // The digit keys press their buttons while "OK" has the focus.
    QTest::keyClick(k->OkButton(), Qt::Key_1);
    QTest::keyClick(k->OkButton(), Qt::Key_2);
    EXPECT_EQ(k->Display()->text(), "12");
    way.close(k);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(r.Text(3), way.day);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), w.Text(3));
  }
}

}  // namespace
}  // namespace selvane::control_test

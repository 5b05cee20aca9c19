#include "control/control_window.h"

#include <qdrawutil.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

#include "control/control_layout.h"
#include "control/layout_pixels.h"
#include "control/spoken_result.h"
#include "platform/platform.h"

namespace selvane {

namespace {

// The Japanese faces that stand in for the design's fonts set Latin text wider than the design
// assumed: a caption that would not fit its button is set a little smaller instead of clipped.
void FitCaption(QPushButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const int room =
      button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
  QFont font = button->font();
  constexpr double kSmallestPoints = 6;
  while (QFontMetrics(font).horizontalAdvance(button->text()) > room &&
         font.pointSizeF() - 0.1 >= kSmallestPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.1);
  }
  button->setFont(font);
}

// A frame whose caption sits on its top line, where the design expects it: the rows below
// start close under the caption and would otherwise cross a frame drawn below it.
class CaptionOnLineFrame : public QGroupBox {
 public:
  CaptionOnLineFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched line: a shaded rectangle, sunken, one pixel wide.
    qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1);
    const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(palette().windowText().color());
    painter.drawText(caption, Qt::AlignCenter, title());
  }
};

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void PlatformBeeper::Beep() {
  platform::Beep();
}

ControlWindow::ControlWindow(ControlPanel& panel, KeypadModel& keypad, EntryFields& fields,
                             QWidget* parent)
    : QWidget(parent),
      panel_(panel),
      keypad_(keypad),
      fields_(fields),
      keypadHost_(std::make_unique<KeypadDialogHost>(keypad, this)) {
  setObjectName(QStringLiteral("Form1"));
  platform::InstallAccessibility();
  platform::MakeToolWindow(this);
  setWindowTitle(QStringLiteral("Selvane"));
  setFixedSize(platform::TwipsToPixelsX(layout::kControlClientWidth),
               platform::TwipsToPixelsY(layout::kControlClientHeight));

  const QFont windowFont = platform::DesignFont(platform::kGothic, 9);
  const QFont fieldFont = platform::DesignFont(platform::kPGothic, 9);
  const QFont arrowFont = platform::DesignFont(platform::kPGothic, 7.8);
  setFont(windowFont);

  frame1_ = new CaptionOnLineFrame(QStringLiteral("Date"), this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  frame1_->setFont(fieldFont);
  frame1_->setGeometry(layout::Pixels(layout::kFrame1));

  // A screen reader calls each row's field and its buttons by the row's name.
  for (int i = 0; i < 6; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(kRowNames[i]), frame1_);
    option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
    option->setFont(windowFont);
    // The design lets each option run a little under its row's field, which lies above it and
    // hides that part: the option ends where the field begins, so that a new text in the field
    // (every second in real time) does not repaint the option as well.
    QRect r = layout::Pixels(layout::kOption[i]);
    r.setRight(std::min(r.right(), layout::Pixels(layout::kText[i]).left() - 1));
    option->setGeometry(r);
    options_[i] = option;
  }
  for (int i = 0; i < 7; ++i) {
    auto* text = new QLineEdit(frame1_);
    text->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    text->setFont(fieldFont);
    text->setGeometry(layout::Pixels(layout::kText[i]));
    // Opaque: the field lays down the frame's background at its rounded corners itself, so a
    // new text repaints the field alone, not the frame and its caption behind it.
    text->setBackgroundRole(QPalette::Window);
    text->setAutoFillBackground(true);
    text->setText(FromUtf8(fields_.Text(i + 1)));
    text->installEventFilter(this);
    text->setAccessibleName(QString::fromUtf8(kRowNames[i]));
    texts_[i] = text;
  }
  // "▲" / "▼" of every row: Command1..Command12 for the fields, 13 and 14 for the step amount.
  for (int row = 0; row < 7; ++row) {
    const double top = layout::kText[row].top;
    for (int down = 0; down < 2; ++down) {
      const int number = row * 2 + down + 1;
      auto* arrow = new QPushButton(down ? QStringLiteral("▼") : QStringLiteral("▲"), frame1_);
      arrow->setObjectName(QStringLiteral("Command%1").arg(number));
      arrow->setFont(arrowFont);
      arrow->setGeometry(layout::Pixels({down ? layout::kDownLeft : layout::kUpLeft, top,
                                         layout::kArrowSize, layout::kArrowSize}));
      arrow->setAccessibleName(QString::fromUtf8(kRowNames[row]) +
                               (down ? QStringLiteral("を1減らす") : QStringLiteral("を1増やす")));
      commands_[number - 1] = arrow;
    }
  }
  label1_ = new QLabel(QStringLiteral("変化分"), frame1_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setFont(platform::DesignFont(platform::kGothic, 7.8));
  label1_->setGeometry(layout::Pixels(layout::kLabel1));

  // The fast check box belongs to the window and lies over the frame's bottom row.
  check1_ = new QCheckBox(this);
  check1_->setObjectName(QStringLiteral("Check1"));
  check1_->setFont(fieldFont);
  check1_->setGeometry(layout::Pixels(layout::kCheck1));
  check1_->setAccessibleName(QStringLiteral("高速"));
  check1_->raise();

  const layout::TwipsRect bottomRects[3] = {layout::kCommand15, layout::kCommand16,
                                            layout::kCommand17};
  const QString bottomCaptions[3] = {QStringLiteral("ADJ"), QStringLiteral("Now"),
                                     QStringLiteral("Go / Stop")};
  // The captions are their names; what they do, for a screen reader ("Go / Stop" tells the
  // timer's state instead).
  const QString bottomDescriptions[2] = {QStringLiteral("分と秒を0にする"),
                                         QStringLiteral("時計に合わせる")};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QPushButton(bottomCaptions[i], this);
    button->setObjectName(QStringLiteral("Command%1").arg(15 + i));
    button->setFont(fieldFont);
    button->setGeometry(layout::Pixels(bottomRects[i]));
    FitCaption(button);
    if (i < 2) button->setAccessibleDescription(bottomDescriptions[i]);
    commands_[14 + i] = button;
  }

  // Focus order: "Go / Stop", Text1..Text6, Option1..Option6, Text7, Check1, Command1..14,
  // "ADJ", "Now".
  std::vector<QWidget*> order{commands_[16]};
  for (int i = 0; i < 6; ++i) order.push_back(texts_[i]);
  for (int i = 0; i < 6; ++i) order.push_back(options_[i]);
  order.push_back(texts_[6]);
  order.push_back(check1_);
  for (int i = 0; i < 16; ++i) order.push_back(commands_[i]);
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  commands_[16]->setFocus();

  for (int i = 0; i < 17; ++i) {
    connect(commands_[i], &QPushButton::clicked, this, [this, i] { Press(i + 1); });
    commands_[i]->installEventFilter(this);
  }
  for (int i = 0; i < 6; ++i) {
    connect(options_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) panel_.SelectOption(i + 1);
      TabToSelectedOptionOnly();
    });
  }
  connect(check1_, &QCheckBox::toggled, this, [this](bool on) { panel_.SetCheck1(on); });
  for (int i = 0; i < 7; ++i) {
    connect(texts_[i], &QLineEdit::textEdited, this,
            [this, i](const QString& text) { fields_.WriteField(i + 1, text.toStdString()); });
  }
  fields_.SetChangedHook([this](int field) { MirrorField(field); });
  keypadHost_->SetClosedHook([this] { ReturnFromKeypad(); });

  timer1_.setObjectName(QStringLiteral("Timer1"));
  connect(&timer1_, &QTimer::timeout, this, [this] { panel_.TimerTick(); });

  panel_.AttachTimer(this);
  panel_.AttachWindow(this);
  TabToSelectedOptionOnly();
  ShowModeDescription();
}

ControlWindow::~ControlWindow() {
  panel_.AttachWindow(nullptr);
  panel_.AttachTimer(nullptr);
  fields_.SetChangedHook(nullptr);
}

void ControlWindow::SetCaption(std::string_view caption) {
  setWindowTitle(FromUtf8(caption));
  ScheduleModeDescription();
}

void ControlWindow::ShowCheck1(bool on) {
  const QSignalBlocker block(check1_);
  check1_->setChecked(on);
}

void ControlWindow::ShowSelectedOption(int option) {
  if (option < 1 || option > 6) return;
  const QSignalBlocker block(options_[option - 1]);
  options_[option - 1]->setChecked(true);
  // The auto-exclusive group unchecked the other buttons without telling anyone.
  TabToSelectedOptionOnly();
}

void ControlWindow::TabToSelectedOptionOnly() {
  for (QRadioButton* option : options_)
    if (option) option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void ControlWindow::ShowWindow() {
  show();
  raise();
  activateWindow();
}

void ControlWindow::HideWindow() {
  hide();
}

void ControlWindow::SetTopmost(bool on) {
  platform::SetStaysOnTop(this, on);
}

void ControlWindow::SetInterval(int milliseconds) {
  ScheduleModeDescription();
  if (milliseconds <= 0) {
    interval_ = 0;
    timer1_.stop();
    return;
  }
  // The same interval again keeps the countdown running; a new one restarts it.
  if (milliseconds == interval_ && timer1_.isActive()) return;
  interval_ = milliseconds;
  timer1_.start(milliseconds);
}

int ControlWindow::FieldOf(QObject* object) const {
  for (int i = 0; i < 7; ++i)
    if (texts_[i] == object) return i + 1;
  return 0;
}

void ControlWindow::MirrorField(int field) {
  if (field < 1 || field > 7) return;
  QLineEdit* text = texts_[field - 1];
  const QString value = FromUtf8(fields_.Text(field));
  if (text->text() == value) return;  // the user's own edit: cursor and selection stay
  const int cursor = text->cursorPosition();
  text->setText(value);
  if (text->hasFocus()) text->setCursorPosition(std::min<int>(cursor, value.size()));
}

void ControlWindow::Press(int command) {
  const ControlPanel::Mode before = panel_.CurrentMode();
  panel_.PressButton(command);
  // Go / Stop with the focus tells its new state through its description; where the reader
  // speaks that change, an announcement as well would have it said twice.
  if (command == ControlPanel::kGoStop && commands_[command - 1]->hasFocus() &&
      platform::Announcer::DescriptionChangesSpoken())
    return;
  announcer_.Announce(FromUtf8(ButtonResult(command, fields_, before, panel_.CurrentMode())));
}

void ControlWindow::ScheduleModeDescription() {
  if (modePending_) return;
  modePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        modePending_ = false;
        ShowModeDescription();
      },
      Qt::QueuedConnection);
}

void ControlWindow::ShowModeDescription() {
  QPushButton* goStop = commands_[ControlPanel::kGoStop - 1];
  const QString mode = QString::fromUtf8(ModeText(panel_.CurrentMode()));
  if (goStop->accessibleDescription() != mode) goStop->setAccessibleDescription(mode);
}

void ControlWindow::ReturnFromKeypad() {
  if (!isVisible() || keypadField_ < 1) return;
  activateWindow();
  texts_[keypadField_ - 1]->setFocus(Qt::OtherFocusReason);
}

void ControlWindow::OpenKeypad(int field) {
  keypadField_ = field;
  const QPoint outer = platform::OuterGeometry(this).topLeft();
  keypad_.Open(field, platform::PixelsToTwipsX(outer.x()), platform::PixelsToTwipsY(outer.y()));
}

bool ControlWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a focused button presses it, as Space does (start-up leaves the focus on
  // "Go / Stop").
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
        std::find(commands_.begin(), commands_.end(), watched) != commands_.end()) {
      static_cast<QPushButton*>(watched)->click();
      return true;
    }
  }
  const int field = FieldOf(watched);
  if (field == 0) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Enter never reaches the field: it evaluates and moves on along the cycle.
        const int next = panel_.EnterKey(field);
        texts_[next - 1]->setFocus(Qt::TabFocusReason);
        return true;
      }
      // F4 or Alt+Down opens the keypad for the field, as a click on it does.
      const auto mods = static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier;
      if ((key == Qt::Key_F4 && mods == Qt::NoModifier) ||
          (key == Qt::Key_Down && mods == Qt::AltModifier)) {
        OpenKeypad(field);
        return true;
      }
      // Up and Down press the row's "▲" and "▼": the new value is told where the focus is.
      if ((key == Qt::Key_Up || key == Qt::Key_Down) && mods == Qt::NoModifier) {
        const int up = field == 7 ? ControlPanel::kStepAmountUp : 2 * field - 1;
        Press(key == Qt::Key_Up ? up : up + 1);
        return true;
      }
      break;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      if (skipRelease_) {
        skipRelease_ = false;
        break;
      }
      if (texts_[field - 1]->rect().contains(mouse->position().toPoint())) OpenKeypad(field);
      break;
    }
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        skipRelease_ = true;
        OpenKeypad(field);
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void ControlWindow::keyPressEvent(QKeyEvent* event) {
  // F6 goes to the other window, which the task bar does not offer.
  if (event->key() == Qt::Key_F6 && event->modifiers() == Qt::NoModifier && otherWindow_) {
    otherWindow_();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ControlWindow::closeEvent(QCloseEvent* event) {
  if (panel_.CloseRequest()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace selvane

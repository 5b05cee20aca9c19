#include "control/keypad_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "control/control_layout.h"
#include "control/layout_pixels.h"
#include "platform/accessibility.h"
#include "platform/platform.h"

namespace selvane {

KeypadDialog::KeypadDialog(KeypadModel& model, QWidget* owner) : QWidget(owner), model_(model) {
  setObjectName(QStringLiteral("Form4"));
  platform::InstallAccessibility();
  platform::MakeToolWindow(this);
  setWindowTitle(QStringLiteral("Form4"));
  setWindowIcon(platform::ProgramIcon());
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(platform::TwipsToPixelsX(layout::kKeypadClientWidth),
               platform::TwipsToPixelsY(layout::kKeypadClientHeight));
  // A dialog of the control window: Qt makes it the owner's transient when the window is
  // created, and the window manager keeps it in front of its owner. (Created here, before it is
  // first placed, the window would take its outer corner for its client corner.)
  setWindowFlags(windowFlags() | Qt::Dialog);

  auto button = [this](const QString& caption, const layout::TwipsRect& r, const char* name) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(layout::Pixels(r));
    // Enter on a focused button presses it, as Space does.
    b->setAutoDefault(true);
    return b;
  };

  ok_ = button(QStringLiteral("OK"), layout::kKeypadOk, "Command2");
  display_ = new QLineEdit(this);
  display_->setObjectName(QStringLiteral("Text1"));
  display_->setGeometry(layout::Pixels(layout::kKeypadDisplay));
  display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  display_->installEventFilter(this);
  for (int d = 0; d < 10; ++d) {
    digits_[d] = button(QString::number(d), layout::kKeypadDigit[d], "Command1");
    digits_[d]->setProperty("index", d);
  }
  ac_ = button(QStringLiteral("AC"), layout::kKeypadAc, "Command3");
  bs_ = button(QStringLiteral("BS"), layout::kKeypadBs, "Command4");
  // Names for a screen reader: the caption, and in words what the letters stand for.
  for (int d = 0; d < 10; ++d) digits_[d]->setAccessibleName(QString::number(d));
  ok_->setAccessibleName(QStringLiteral("OK"));
  ac_->setAccessibleName(QStringLiteral("AC 全消去"));
  bs_->setAccessibleName(QStringLiteral("BS 1文字消去"));

  // Tab order: "OK", the display, the digits 0 to 9, "AC", "BS".
  QWidget* order[] = {ok_,        display_,   digits_[0], digits_[1], digits_[2],
                      digits_[3], digits_[4], digits_[5], digits_[6], digits_[7],
                      digits_[8], digits_[9], ac_,        bs_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  ok_->setFocus();

  for (int d = 0; d < 10; ++d) {
    connect(digits_[d], &QPushButton::clicked, this, [this, d] { model_.Digit(d); });
  }
  connect(ac_, &QPushButton::clicked, this, [this] { model_.AllClear(); });
  connect(bs_, &QPushButton::clicked, this, [this] { model_.BackSpace(); });
  connect(ok_, &QPushButton::clicked, this, [this] { model_.Ok(); });
  connect(display_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.DisplayEdited(text.toStdString()); });
}

void KeypadDialog::ShowDisplay(const QString& text) {
  if (display_->text() != text) display_->setText(text);
}

bool KeypadDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == display_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Enter in the display accepts the number, as "OK" does.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      model_.Ok();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void KeypadDialog::keyPressEvent(QKeyEvent* event) {
  // Escape is the close box.
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  // A digit key presses its button, whichever button has the focus, and Backspace presses "BS"
  // (the display takes typing itself).
  if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
    bs_->click();
    return;
  }
  const QString typed = event->text();
  if (typed.size() == 1 && typed.at(0) >= QLatin1Char('0') && typed.at(0) <= QLatin1Char('9') &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    digits_[typed.at(0).digitValue()]->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void KeypadDialog::closeEvent(QCloseEvent* event) {
  // The close box destroys the dialog (WA_DeleteOnClose); the next opening creates it anew.
  model_.Destroyed();
  event->accept();
  // Before the dialog goes: the focus is handed over while this window still has it.
  if (onClosed) onClosed();
}

KeypadDialogHost::KeypadDialogHost(KeypadModel& model, QWidget* owner)
    : model_(model), owner_(owner) {
  model_.AttachWindow(this);
}

KeypadDialogHost::~KeypadDialogHost() {
  model_.AttachWindow(nullptr);
  if (dialog_) {
    delete dialog_.data();
    model_.Destroyed();
  }
}

void KeypadDialogHost::Create() {
  // A dialog closed through its close box may still wait for its deferred deletion.
  if (dialog_) dialog_->deleteLater();
  dialog_ = new KeypadDialog(model_, owner_);
  dialog_->onClosed = [this] {
    if (closed_) closed_();
  };
}

// Left and top are the outer edges, title bar and border included.
void KeypadDialogHost::SetLeft(double twips) {
  place_.setX(platform::TwipsToPixelsX(twips));
  Place();
}

void KeypadDialogHost::SetTop(double twips) {
  place_.setY(platform::TwipsToPixelsY(twips));
  Place();
}

void KeypadDialogHost::Place() {
  if (dialog_) platform::MoveOuterCorner(dialog_, place_);
}

void KeypadDialogHost::SetCaption(std::string_view caption) {
  if (dialog_)
    dialog_->setWindowTitle(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
  // The display is named by the prompt: what it enters.
  if (dialog_) dialog_->Display()->setAccessibleName(dialog_->windowTitle());
}

void KeypadDialogHost::SetDisplay(std::string_view text) {
  if (dialog_)
    dialog_->ShowDisplay(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void KeypadDialogHost::Show() {
  if (!dialog_) return;
  // Placed again before it maps: the window manager moves a withdrawn window to where its
  // frame was, so its own figures are not the place to keep.
  if (!dialog_->isVisible()) Place();
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
}

void KeypadDialogHost::Hide() {
  if (!dialog_) return;
  // The focus is handed to the owner first: a window manager that finds the focused window
  // gone may give the focus to none of the program's windows (openbox does).
  if (closed_) closed_();
  dialog_->hide();
}

}  // namespace selvane

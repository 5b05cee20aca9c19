// The keypad dialog (Form4): a calculator-style pad that enters one field of the control
// window. A thin window over KeypadModel: its buttons and its display forward to the model,
// and KeypadDialogHost shows what the model decides (creation, placement, caption, display).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

#include "control/keypad_model.h"

class QLineEdit;
class QPushButton;

namespace selvane {

// A window of its own, kept in front of the control window that owns it (its transient).
class KeypadDialog : public QWidget {
  Q_OBJECT
 public:
  KeypadDialog(KeypadModel& model, QWidget* owner);

  QLineEdit* Display() const { return display_; }                       // Text1
  QPushButton* DigitButton(int digit) const { return digits_[digit]; }  // Command1(digit)
  QPushButton* OkButton() const { return ok_; }                         // Command2
  QPushButton* AcButton() const { return ac_; }                         // Command3
  QPushButton* BsButton() const { return bs_; }                         // Command4

  // Shows the text unless the display holds it already (the cursor then stays where it is).
  void ShowDisplay(const QString& text);

  // Runs when the close box (or Escape) has closed the dialog.
  std::function<void()> onClosed;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  KeypadModel& model_;
  QLineEdit* display_ = nullptr;
  std::array<QPushButton*, 10> digits_{};
  QPushButton* ok_ = nullptr;
  QPushButton* ac_ = nullptr;
  QPushButton* bs_ = nullptr;
};

// Brings the dialog into being when the model creates it and places it in pixels converted
// from the model's twips. The close box destroys the dialog; the next opening creates a new one.
// The place is kept here and given to the window system as the outer corner whenever it
// changes or the dialog appears: a hidden window's own figures are not to be trusted (the window
// manager moves a withdrawn window to where its frame was).
class KeypadDialogHost : public KeypadWindowPort {
 public:
  KeypadDialogHost(KeypadModel& model, QWidget* owner);
  ~KeypadDialogHost() override;
  KeypadDialogHost(const KeypadDialogHost&) = delete;
  KeypadDialogHost& operator=(const KeypadDialogHost&) = delete;

  // The dialog while it exists, else nullptr.
  KeypadDialog* Dialog() const { return dialog_.data(); }
  // Runs each time the dialog goes away: hidden by "OK", closed by its close box or Escape.
  void SetClosedHook(std::function<void()> hook) { closed_ = std::move(hook); }

  void Create() override;
  void SetLeft(double twips) override;
  void SetTop(double twips) override;
  void SetCaption(std::string_view caption) override;
  void SetDisplay(std::string_view text) override;
  void Show() override;
  void Hide() override;

 private:
  void Place();

  KeypadModel& model_;
  QWidget* owner_;
  QPointer<KeypadDialog> dialog_;
  QPoint place_;  // outer corner, pixels
  std::function<void()> closed_;
};

}  // namespace selvane

// The control window (Form1): the six date and time rows, the step amount, the fast check box
// and the buttons "ADJ", "Now" and "Go / Stop". A thin window: every user action goes to
// ControlPanel (or KeypadModel), and the window shows what they decide through the ports it
// implements. It owns Timer1 and the keypad dialog's host.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "control/control_panel.h"
#include "control/control_ports.h"
#include "control/entry_fields.h"
#include "control/keypad_dialog.h"
#include "control/keypad_model.h"
#include "platform/accessibility.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace selvane {

// The desktop's beep.
class PlatformBeeper : public Beeper {
 public:
  void Beep() override;
};

class ControlWindow : public QWidget, public ControlWindowPort, public TimerPort {
  Q_OBJECT
 public:
  // Attaches itself to the panel as its window and timer, and its keypad host to the keypad
  // model; mirrors the fields through EntryFields' changed hook (which it takes over).
  ControlWindow(ControlPanel& panel, KeypadModel& keypad, EntryFields& fields,
                QWidget* parent = nullptr);
  ~ControlWindow() override;

  // ControlWindowPort
  void SetCaption(std::string_view caption) override;
  void ShowCheck1(bool on) override;
  void ShowSelectedOption(int option) override;
  void ShowWindow() override;
  void HideWindow() override;
  void SetTopmost(bool on) override;

  // TimerPort: Timer1.
  void SetInterval(int milliseconds) override;
  int Interval() const override { return interval_; }

  // The controls, by their design names.
  QLineEdit* Text(int field) const { return texts_[field - 1]; }              // Text1..Text7
  QRadioButton* Option(int option) const { return options_[option - 1]; }     // Option1..6
  QPushButton* Command(int command) const { return commands_[command - 1]; }  // 1..17
  QCheckBox* Check1() const { return check1_; }
  QGroupBox* Frame1() const { return frame1_; }
  QLabel* Label1() const { return label1_; }
  QTimer* Timer1() { return &timer1_; }
  // The keypad dialog while it exists, else nullptr.
  KeypadDialog* Keypad() const { return keypadHost_->Dialog(); }

  // What F6 does: bring the other window (the moon window) to the front.
  void SetOtherWindowHook(std::function<void()> hook) { otherWindow_ = std::move(hook); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  int FieldOf(QObject* object) const;
  void MirrorField(int field);
  void OpenKeypad(int field);
  // Presses Command1..Command17 and tells a screen reader what it changed.
  void Press(int command);
  // Go / Stop tells a screen reader the timer's state in its description, once the handling
  // that changes it has ended.
  void ScheduleModeDescription();
  void ShowModeDescription();
  // Tab enters the unit radio buttons at the selected one; the arrow keys move within them.
  void TabToSelectedOptionOnly();
  // The keypad closed: this window in front, the field it entered with the focus.
  void ReturnFromKeypad();

  ControlPanel& panel_;
  KeypadModel& keypad_;
  EntryFields& fields_;
  std::unique_ptr<KeypadDialogHost> keypadHost_;
  QTimer timer1_;
  int interval_ = 0;
  QGroupBox* frame1_ = nullptr;
  QLabel* label1_ = nullptr;
  QCheckBox* check1_ = nullptr;
  std::array<QLineEdit*, 7> texts_{};
  std::array<QRadioButton*, 6> options_{};
  std::array<QPushButton*, 17> commands_{};
  // The release that ends a double click: the double click has opened the keypad already.
  bool skipRelease_ = false;
  int keypadField_ = 0;
  bool modePending_ = false;
  std::function<void()> otherWindow_;
  platform::Announcer announcer_{this};
};

}  // namespace selvane

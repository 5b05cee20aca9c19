// The keypad dialog's behaviour without the window: the display, the digit buttons, "AC",
// "BS", "OK" with each field's upper limit, the beeps, and where the dialog goes when it is
// opened for a field. The dialog window forwards its buttons here and mirrors the display and
// the placement through KeypadWindowPort.
#pragma once

#include <string>
#include <string_view>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"
#include "control/control_panel.h"
#include "control/control_ports.h"

namespace selvane {

// The keypad dialog (Form4) as its model drives it. The model creates the dialog at its first
// opening and again after the window reported its destruction (KeypadModel::Destroyed).
class KeypadWindowPort {
 public:
  virtual ~KeypadWindowPort() = default;
  // The dialog comes into being (hidden).
  virtual void Create() = 0;
  // Outer left and top edge, twips.
  virtual void SetLeft(double twips) = 0;
  virtual void SetTop(double twips) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetDisplay(std::string_view text) = 0;
  // Shows the dialog modeless (a shown dialog stays shown) and gives it the focus.
  virtual void Show() = 0;
  virtual void Hide() = 0;
};

class KeypadModel {
 public:
  struct Target {
    const char* caption;
    double limit;
  };
  // Caption and upper limit for fields 1..7 (index 0 unused).
  static constexpr Target kTargets[8] = {
      {"", 0},          {"年を入力", 9999}, {"月を入力", 12}, {"日を入力", 31},
      {"時を入力", 23}, {"分を入力", 59},   {"秒を入力", 59}, {"変化分", 9999},
  };

  KeypadModel(EphemerisState& state, FieldStore& fields, ControlPanel& panel,
              PhaseEvaluator& evaluator, Beeper& beeper);
  KeypadModel(const KeypadModel&) = delete;
  KeypadModel& operator=(const KeypadModel&) = delete;

  void AttachWindow(KeypadWindowPort* window);

  // A click or a double click on field 1..7 of the control window, whose outer left and top
  // edges are given in twips. Creates the dialog when it does not exist.
  void Open(int field, double controlLeftTwips, double controlTopTwips);

  void Digit(int digit);  // Command1 index 0..9
  void AllClear();        // "AC"
  void BackSpace();       // "BS"
  // "OK": a value above the field's limit beeps and changes nothing; a text the field rules
  // refuse changes nothing either (the fields' refusal hook beeps once); else the text is
  // written, real time ends, the phase is evaluated, a beep confirms and the dialog hides.
  void Ok();

  // The user typed into the display (it accepts typing like any text field).
  void DisplayEdited(std::string_view text);
  // The dialog was destroyed through its close box; the next opening creates it anew.
  void Destroyed();

  bool Exists() const { return exists_; }
  const std::string& Display() const { return display_; }
  double Left() const { return left_; }
  double Top() const { return top_; }

 private:
  void SetDisplay(std::string_view text);

  EphemerisState& s_;
  FieldStore& fields_;
  ControlPanel& panel_;
  PhaseEvaluator& evaluator_;
  Beeper& beeper_;
  KeypadWindowPort* window_ = nullptr;
  std::string display_;
  bool exists_ = false;
  double left_ = 0;
  double top_ = 0;
};

}  // namespace selvane

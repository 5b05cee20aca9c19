#include "control/keypad_model.h"

#include "astro/field_text.h"
#include "control/control_layout.h"

namespace selvane {

KeypadModel::KeypadModel(EphemerisState& state, FieldStore& fields, ControlPanel& panel,
                         PhaseEvaluator& evaluator, Beeper& beeper)
    : s_(state), fields_(fields), panel_(panel), evaluator_(evaluator), beeper_(beeper) {
  display_.reserve(32);
}

void KeypadModel::AttachWindow(KeypadWindowPort* window) {
  window_ = window;
}

void KeypadModel::SetDisplay(std::string_view text) {
  display_.assign(text);
  if (window_) window_->SetDisplay(display_);
}

void KeypadModel::Open(int field, double controlLeftTwips, double controlTopTwips) {
  if (field < 1 || field > 7) return;
  s_.KeypadTarget = static_cast<std::int16_t>(field);
  if (!exists_) {
    // Creation: the display starts at "0" and the left edge is fixed from now on.
    exists_ = true;
    if (window_) window_->Create();
    SetDisplay("0");
    left_ = layout::KeypadLeft(controlLeftTwips);
    if (window_) window_->SetLeft(left_);
  }
  top_ = layout::KeypadTop(controlTopTwips, field);
  if (window_) {
    window_->SetTop(top_);
    window_->SetCaption(kTargets[field].caption);
    window_->Show();
  }
}

void KeypadModel::Digit(int digit) {
  if (digit < 0 || digit > 9) return;
  if (display_ == "0") display_.clear();
  display_.push_back(static_cast<char>('0' + digit));
  if (window_) window_->SetDisplay(display_);
}

void KeypadModel::AllClear() {
  SetDisplay("");
}

void KeypadModel::BackSpace() {
  if (display_.empty()) {
    beeper_.Beep();
    return;
  }
  // One character, not one byte: a typed-in multi-byte character goes as a whole.
  std::size_t end = display_.size() - 1;
  while (end > 0 && (static_cast<unsigned char>(display_[end]) & 0xC0) == 0x80) --end;
  display_.erase(end);
  if (window_) window_->SetDisplay(display_);
}

void KeypadModel::Ok() {
  const int target = s_.KeypadTarget;
  if (target < 1 || target > 7) return;
  if (FieldNumber(display_) > kTargets[target].limit) {
    beeper_.Beep();
    return;
  }
  // A text the field rules cannot settle is refused like a value above its limit: the refusal's
  // beep (the fields' own), the dialog stays open with its digits, nothing else changes.
  if (!fields_.WriteField(target, display_)) return;
  panel_.StopRealTime();
  SetDisplay("0");
  evaluator_.UpdateMoonPhase();
  beeper_.Beep();
  if (window_) window_->Hide();
}

void KeypadModel::DisplayEdited(std::string_view text) {
  display_.assign(text);
}

void KeypadModel::Destroyed() {
  exists_ = false;
}

}  // namespace selvane

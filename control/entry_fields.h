// The seven texts of the control window and their change rules: carry into and borrow from
// the neighbouring field, month lengths, the leap-year rule and the empty-field rule.
//
// A write runs the written field's rules at once; a rule that writes another field runs that
// field's rules nested, to any depth, before it goes on. The nesting is kept on an explicit
// stack of rule frames rather than on the call stack, so that a day of 100000 (thousands of
// nested month carries) cannot exhaust the thread's stack. A write whose rules do not settle
// within kMaxRuleSteps (a fraction in a gap such as hour 23.5 swings for ever) is undone whole.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "astro/ephemeris.h"
#include "astro/field_calendar.h"

namespace selvane {

class EntryFields : public FieldStore {
 public:
  static constexpr int kFieldCount = 7;
  // Far above what whole numbers within 100000 of a field's range need (a month of 100012
  // takes about 60000 rule steps), and small enough that a refused write costs milliseconds.
  static constexpr std::size_t kMaxRuleSteps = 250000;

  EntryFields();

  const std::string& Text(int field) const override;
  bool WriteField(int field, std::string_view text) override;

  // Called when the seconds field has just become exactly 1 (the phase-cycle animation).
  void SetSecondIsOneHook(std::function<void()> hook) { secondIsOne_ = std::move(hook); }
  // Called once for a write whose rules did not settle and were undone.
  void SetRefusedHook(std::function<void()> hook) { refused_ = std::move(hook); }
  // Called once for every field whose text a write changed, after its rules have settled, or
  // after a refused write was undone (a field the rules touched may then read as before).
  // Texts set on the way are never told: only the settled or restored ones.
  void SetChangedHook(std::function<void(int field)> hook) { changed_ = std::move(hook); }

  std::size_t LastRuleSteps() const { return lastRuleSteps_; }

 private:
  struct Frame {
    std::uint8_t field;
    std::uint8_t step;
    bool leap;
    int days;
  };

  double Value(int field) const;
  void SetText(int field, std::string_view text);
  // A write from inside a rule: sets the text and stacks the field's rules.
  void Write(int field, std::string_view text);
  void WriteNumber(int field, double value);
  // Runs one step of the top frame; returns false when the frame is finished.
  bool RunStep(Frame& frame);
  void Settle();
  // Tells the changed hook about the fields marked while rules ran.
  void TellChanged();

  std::array<std::string, kFieldCount> texts_;
  std::array<std::string, kFieldCount> undo_;
  std::vector<Frame> frames_;
  std::string number_;
  std::size_t ruleSteps_ = 0;
  std::size_t lastRuleSteps_ = 0;
  unsigned changedFields_ = 0;
  bool running_ = false;
  bool overflow_ = false;
  std::function<void()> secondIsOne_;
  std::function<void()> refused_;
  std::function<void(int)> changed_;
};

}  // namespace selvane

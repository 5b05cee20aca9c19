#include "control/entry_fields.h"

#include <cmath>

#include "astro/field_text.h"

namespace selvane {

namespace {
constexpr double kLargestExactWhole = 9007199254740992.0;  // 2^53
constexpr int kYear = 1, kMonth = 2, kDay = 3, kHour = 4, kMinute = 5, kSecond = 6;
}  // namespace

EntryFields::EntryFields() {
  for (int i = 0; i < kFieldCount; ++i) {
    texts_[i].reserve(32);
    undo_[i].reserve(32);
    texts_[i] = "Text" + std::to_string(i + 1);
  }
  frames_.reserve(256);
  number_.reserve(64);
}

const std::string& EntryFields::Text(int field) const {
  static const std::string kNone;
  if (field < 1 || field > kFieldCount) return kNone;
  return texts_[field - 1];
}

double EntryFields::Value(int field) const {
  return FieldNumber(texts_[field - 1]);
}

void EntryFields::SetText(int field, std::string_view text) {
  texts_[field - 1].assign(text);
  // While rules run, the change is told once when the write has settled or been undone.
  if (running_) {
    changedFields_ |= 1u << (field - 1);
  } else if (changed_) {
    changed_(field);
  }
}

void EntryFields::TellChanged() {
  const unsigned changed = changedFields_;
  changedFields_ = 0;
  if (!changed_) return;
  for (int i = 0; i < kFieldCount; ++i) {
    if (changed & (1u << i)) changed_(i + 1);
  }
}

void EntryFields::Write(int field, std::string_view text) {
  if (texts_[field - 1] == text) return;  // an unchanged text runs no rules
  SetText(field, text);
  if (field <= kSecond) frames_.push_back(Frame{static_cast<std::uint8_t>(field), 0, false, 0});
}

void EntryFields::WriteNumber(int field, double value) {
  // Beyond 2^53 adding or taking a unit no longer changes a double, so a carry there can never
  // settle on a valid field: refuse the write instead of leaving a value the rules cannot reach.
  if (!(std::fabs(value) < kLargestExactWhole)) {
    overflow_ = true;
    return;
  }
  FormatFieldNumber(value, number_);
  Write(field, number_);
}

bool EntryFields::WriteField(int field, std::string_view text) {
  if (field < 1 || field > kFieldCount) return false;
  if (texts_[field - 1] == text) return true;
  if (running_) {
    // A write from a hook while rules run: it joins the running chain.
    Write(field, text);
    return true;
  }
  for (int i = 0; i < kFieldCount; ++i) undo_[i].assign(texts_[i]);
  running_ = true;
  overflow_ = false;
  ruleSteps_ = 0;
  Write(field, text);
  Settle();
  lastRuleSteps_ = ruleSteps_;
  if (!overflow_) {
    running_ = false;
    TellChanged();
    return true;
  }

  frames_.clear();
  if (frames_.capacity() > 4096) {
    frames_.shrink_to_fit();
    frames_.reserve(256);
  }
  for (int i = 0; i < kFieldCount; ++i) {
    if (texts_[i] != undo_[i]) texts_[i].assign(undo_[i]);
  }
  running_ = false;
  TellChanged();
  if (refused_) refused_();
  return false;
}

void EntryFields::Settle() {
  while (!frames_.empty() && !overflow_) {
    if (++ruleSteps_ > kMaxRuleSteps) {
      overflow_ = true;
      return;
    }
    // The step may stack new frames above this one, so work on a copy and find it by index.
    const std::size_t index = frames_.size() - 1;
    Frame frame = frames_[index];
    if (RunStep(frame)) {
      frames_[index] = frame;
    } else {
      frames_.erase(frames_.begin() + static_cast<std::ptrdiff_t>(index));
    }
  }
}

// Each case is one step of a field's rules, with at most one write; values are read afresh at
// every step, after everything the earlier writes of the same rule set off.
bool EntryFields::RunStep(Frame& f) {
  switch (f.field) {
    case kYear:
      if (f.step == 0) {
        // 29 February of a common year becomes 1 March.
        if (!IsLeapYear(Value(kYear)) && Value(kMonth) == 2 && Value(kDay) == 29) {
          Write(kMonth, "3");
          f.step = 1;
          return true;
        }
        return false;
      }
      Write(kDay, "1");
      return false;

    case kMonth:
      switch (f.step) {
        case 0:
          f.step = 2;
          if (Value(kMonth) > 12) {
            WriteNumber(kMonth, Value(kMonth) - 12);
            f.step = 1;
          }
          return true;
        case 1:
          WriteNumber(kYear, Value(kYear) + 1);
          f.step = 2;
          return true;
        case 2:
          if (!(Value(kMonth) >= 1)) {
            WriteNumber(kMonth, Value(kMonth) + 12);
            f.step = 3;
            return true;
          }
          return false;
        default:
          WriteNumber(kYear, Value(kYear) - 1);
          return false;
      }

    case kDay:
      switch (f.step) {
        case 0:
          f.leap = IsLeapYear(Value(kYear));
          f.days = DaysInMonth(Value(kMonth), f.leap);
          f.step = 2;
          if (Value(kDay) > f.days) {
            WriteNumber(kMonth, Value(kMonth) + 1);
            f.step = 1;
          }
          return true;
        case 1:
          WriteNumber(kDay, Value(kDay) - f.days);
          f.step = 2;
          return true;
        case 2:
          if (!(Value(kDay) >= 1)) {
            WriteNumber(kMonth, Value(kMonth) - 1);
            f.step = 3;
            return true;
          }
          return false;
        default: {
          // The new month's length with the leap flag of the first step; an unknown month
          // keeps the first step's length.
          int days = DaysInMonth(Value(kMonth), f.leap);
          if (days == 0) days = f.days;
          WriteNumber(kDay, Value(kDay) + days);
          return false;
        }
      }

    case kHour:
      switch (f.step) {
        case 0:
          f.step = 2;
          if (Value(kHour) > 23) {
            WriteNumber(kDay, Value(kDay) + 1);
            f.step = 1;
          }
          return true;
        case 1:
          WriteNumber(kHour, Value(kHour) - 24);
          f.step = 2;
          return true;
        case 2:
          f.step = 4;
          if (Value(kHour) < 0) {
            WriteNumber(kHour, Value(kHour) + 24);
            f.step = 3;
          }
          return true;
        case 3:
          WriteNumber(kDay, Value(kDay) - 1);
          f.step = 4;
          return true;
        default:
          if (texts_[kHour - 1].empty()) Write(kHour, "0");
          return false;
      }

    case kMinute:
      switch (f.step) {
        case 0:
          f.step = 2;
          if (Value(kMinute) > 59) {
            WriteNumber(kMinute, Value(kMinute) - 60);
            f.step = 1;
          }
          return true;
        case 1:
          WriteNumber(kHour, Value(kHour) + 1);
          f.step = 2;
          return true;
        case 2:
          f.step = 4;
          if (Value(kMinute) < 0) {
            WriteNumber(kMinute, Value(kMinute) + 60);
            f.step = 3;
          }
          return true;
        case 3:
          WriteNumber(kHour, Value(kHour) - 1);
          f.step = 4;
          return true;
        default:
          if (texts_[kMinute - 1].empty()) Write(kMinute, "0");
          return false;
      }

    case kSecond:
      // Here the borrow comes before the carry.
      switch (f.step) {
        case 0:
          f.step = 2;
          if (Value(kSecond) < 0) {
            WriteNumber(kMinute, Value(kMinute) - 1);
            f.step = 1;
          }
          return true;
        case 1:
          WriteNumber(kSecond, Value(kSecond) + 60);
          f.step = 2;
          return true;
        case 2:
          f.step = 4;
          if (Value(kSecond) > 59) {
            WriteNumber(kSecond, Value(kSecond) - 60);
            f.step = 3;
          }
          return true;
        case 3:
          WriteNumber(kMinute, Value(kMinute) + 1);
          f.step = 4;
          return true;
        case 4:
          if (texts_[kSecond - 1].empty()) Write(kSecond, "0");
          f.step = 5;
          return true;
        default:
          if (Value(kSecond) == 1 && secondIsOne_) secondIsOne_();
          return false;
      }
  }
  return false;
}

}  // namespace selvane

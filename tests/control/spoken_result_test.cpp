// What a screen reader is told after each button of the control window: the field a step moved
// (with its unit), the two fields "ADJ" cleared, the state "Now" and "Go / Stop" left, and the
// end of real-time following that a step announces along with its value.
#include "control/spoken_result.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace selvane {
namespace {

using Mode = ControlPanel::Mode;

class Fields : public FieldStore {
 public:
  std::array<std::string, 8> texts{"", "2027", "6", "15", "12", "0", "0", "2"};
  const std::string& Text(int field) const override { return texts[field]; }
  bool WriteField(int, std::string_view) override { return false; }
};

TEST(SpokenResult, EachButtonSaysWhatItChanged) {
  const struct {
    int command;
    Mode before, after;
    const char* said;
  } rows[] = {
      {ControlPanel::kYearUp, Mode::Stopped, Mode::Stopped, "2027年"},
      {ControlPanel::kYearUp + 1, Mode::Animating, Mode::Animating, "2027年"},
      {ControlPanel::kYearUp, Mode::RealTime, Mode::Animating, "2027年、アニメーション中"},
      {3, Mode::Stopped, Mode::Stopped, "6月"},
      {6, Mode::Stopped, Mode::Stopped, "15日"},
      {7, Mode::Stopped, Mode::Stopped, "12時"},
      {10, Mode::Stopped, Mode::Stopped, "0分"},
      {ControlPanel::kSecondDown, Mode::Stopped, Mode::Stopped, "0秒"},
      {ControlPanel::kStepAmountUp, Mode::Stopped, Mode::Stopped, "変化分 2"},
      {ControlPanel::kStepAmountDown, Mode::RealTime, Mode::RealTime, "変化分 2"},
      {ControlPanel::kAdjust, Mode::Stopped, Mode::Stopped, "0分0秒"},
      {ControlPanel::kAdjust, Mode::RealTime, Mode::Stopped, "0分0秒、停止中"},
      {ControlPanel::kNow, Mode::Stopped, Mode::RealTime, "リアルタイム表示中"},
      {ControlPanel::kNow, Mode::RealTime, Mode::RealTime, "リアルタイム表示中"},
      {ControlPanel::kGoStop, Mode::RealTime, Mode::Stopped, "停止中"},
      {ControlPanel::kGoStop, Mode::Stopped, Mode::Animating, "アニメーション中"},
      {0, Mode::Stopped, Mode::Stopped, ""},
      {ControlPanel::kGoStop + 1, Mode::Stopped, Mode::Stopped, ""},
  };
  const Fields fields;
  for (const auto& row : rows) {
    EXPECT_EQ(ButtonResult(row.command, fields, row.before, row.after), row.said)
        << "command " << row.command;
  }
}

}  // namespace
}  // namespace selvane

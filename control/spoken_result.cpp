#include "control/spoken_result.h"

namespace selvane {

const char* ModeText(ControlPanel::Mode mode) {
  switch (mode) {
    case ControlPanel::Mode::RealTime:
      return "リアルタイム表示中";
    case ControlPanel::Mode::Animating:
      return "アニメーション中";
    case ControlPanel::Mode::Stopped:
      break;
  }
  return "停止中";
}

std::string ButtonResult(int command, const FieldStore& fields, ControlPanel::Mode before,
                         ControlPanel::Mode after) {
  std::string result;
  if (command >= ControlPanel::kYearUp && command <= ControlPanel::kSecondDown) {
    const int field = (command + 1) / 2;
    result = fields.Text(field) + kRowNames[field - 1];
  } else if (command == ControlPanel::kStepAmountUp || command == ControlPanel::kStepAmountDown) {
    result = std::string(kRowNames[6]) + " " + fields.Text(7);
  } else if (command == ControlPanel::kAdjust) {
    result = fields.Text(5) + kRowNames[4] + fields.Text(6) + kRowNames[5];
  } else if (command == ControlPanel::kNow || command == ControlPanel::kGoStop) {
    return ModeText(after);
  } else {
    return result;
  }
  if (before != after) result += std::string("、") + ModeText(after);
  return result;
}

}  // namespace selvane

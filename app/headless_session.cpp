#include "app/headless_session.h"

namespace selvane {

HeadlessSession::HeadlessSession(ShadowCanvas* canvas)
    : painter(state, fields, canvas ? *canvas : nullCanvas), engine(state, fields, *this) {
  ageText.reserve(64);
  fields.SetSecondIsOneHook([this] { painter.AnimatePhaseCycle(); });
  fields.SetRefusedHook([this] { Beep(); });
}

void HeadlessSession::EnterFields(const std::string_view (&texts)[6]) {
  fields.WriteField(7, "1");
  for (int i = 0; i < 6; ++i) fields.WriteField(i + 1, texts[i]);
}

void HeadlessSession::StartFromClock(Clock& clock) {
  state.StepUnit = 3;
  fields.WriteField(7, "1");
  state.SavedInterval = 500;
  for (int i = 0; i < 2; ++i) {
    FillFieldsFromClock(fields, clock);
    engine.UpdateMoonPhase();
  }
}

}  // namespace selvane

// The phase pipeline without a window: the record, the seven fields with their rules, the
// engine and the shadow painter wired together as the desktop program wires them, with the
// moon window's age field and the desktop's beep and pointer kept as plain values.
#pragma once

#include <string>
#include <string_view>

#include "astro/ephemeris.h"
#include "astro/ephemeris_state.h"
#include "control/clock.h"
#include "control/entry_fields.h"
#include "view/shadow_geometry.h"

namespace selvane {

// A canvas that draws nothing and keeps the caption.
class NullCanvas : public ShadowCanvas {
 public:
  NullCanvas() { caption.reserve(128); }
  void Clear() override { ++clears; }
  void Line(float, float, float, float) override { ++lines; }
  void Refresh() override { ++refreshes; }
  void SetCaption(std::string_view text) override { caption.assign(text); }

  std::string caption;
  long clears = 0;
  long lines = 0;
  long refreshes = 0;
};

class HeadlessSession : public PhaseDisplay {
 public:
  // Draws onto the given canvas, or onto an internal NullCanvas when none is given.
  explicit HeadlessSession(ShadowCanvas* canvas = nullptr);
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  // Fresh fields as the batch modes take them: step amount "1", then year .. second in order.
  void EnterFields(const std::string_view (&texts)[6]);
  // As the desktop program starts: step amount "1", then the fields filled from the clock and
  // evaluated, twice.
  void StartFromClock(Clock& clock);

  void DrawMoonShadow() override { painter.DrawMoonShadow(); }
  void SetAgeText(std::string_view text) override { ageText.assign(text); }
  std::string_view AgeText() const override { return ageText; }
  void SetBusyPointer(bool busy) override {
    busyPointer = busy;
    if (busy) ++busyPointerCount;
  }
  void Beep() override { ++beeps; }

  EphemerisState state;
  EntryFields fields;
  NullCanvas nullCanvas;
  ShadowPainter painter;
  Ephemeris engine;
  std::string ageText;
  bool busyPointer = false;
  int busyPointerCount = 0;
  int beeps = 0;
};

}  // namespace selvane

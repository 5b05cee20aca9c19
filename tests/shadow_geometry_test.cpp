// The shadow rows for the phases, the caption, and the phase-cycle animation.
#include "view/shadow_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/headless_session.h"

namespace selvane {
namespace {

double HalfWidth(int y) {
  return std::sqrt(16384.0 - (128.0 - y) * (128.0 - y));
}

struct PhaseCase {
  const char* name;
  double elongation;
  // Expected x1 and x2 of a row, from the row's half-width.
  double (*x1)(double h);
  double (*x2)(double h);
};

TEST(ShadowSegments, RowsForThePhases) {
  const PhaseCase cases[] = {
      {"new: whole disc dark from the left", 0, [](double) { return 0.0; },
       [](double h) { return 128 + h; }},
      {"first quarter: left half dark", 90, [](double) { return 0.0; },
       [](double) { return 128.0; }},
      {"full at 180: rows end at the left limb", 180, [](double) { return 0.0; },
       [](double h) { return 128 - h; }},
      {"last quarter: right half dark", 270, [](double) { return 128.0; },
       [](double) { return 256.0; }},
      {"360: whole disc dark from the left limb", 360, [](double h) { return 128 - h; },
       [](double) { return 256.0; }},
      {"just above 180: rows start at the right limb", 180.000001, [](double h) { return 128 + h; },
       [](double) { return 256.0; }},
  };
  for (const auto& c : cases) {
    for (int step : {1, 2}) {
      const double lit = (1 - std::cos(c.elongation * 0.017453292519943)) / 2;
      ShadowSegments seg;
      ComputeShadowSegments(c.elongation, lit, step, seg);
      ASSERT_EQ(seg.count, (step == 1 ? 257 : 129) + 1) << c.name;
      for (int i = 0; i + 1 < seg.count; ++i) {
        const int y = i * step;
        const ShadowSegment& l = seg.lines[i];
        EXPECT_EQ(l.y1, y);
        EXPECT_EQ(l.y2, y);
        EXPECT_NEAR(l.x1, c.x1(HalfWidth(y)), 2e-4) << c.name << " row " << y;
        EXPECT_NEAR(l.x2, c.x2(HalfWidth(y)), 2e-4) << c.name << " row " << y;
      }
      const ShadowSegment& bottom = seg.lines[seg.count - 1];
      EXPECT_EQ(bottom.y1, 257);
      EXPECT_EQ(bottom.x1, 0);
      EXPECT_EQ(bottom.x2, 256);
    }
  }
}

TEST(ShadowSegments, TopAndBottomRowsHaveNoWidth) {
  ShadowSegments seg;
  ComputeShadowSegments(45, 0.146, 1, seg);
  EXPECT_EQ(seg.lines[0].x2, 128);
  EXPECT_EQ(seg.lines[256].x2, 128);
  ComputeShadowSegments(300, 0.75, 1, seg);
  EXPECT_EQ(seg.lines[0].x1, 128);
  EXPECT_EQ(seg.lines[256].x1, 128);
}

TEST(ShadowSegments, NotANumberDrawsOnlyTheBottomRow) {
  ShadowSegments seg;
  ComputeShadowSegments(std::nan(""), std::nan(""), 1, seg);
  EXPECT_EQ(seg.count, 1);
  EXPECT_EQ(seg.lines[0].y1, 257);
}

TEST(ShadowSegments, AStepBelowOneCountsAsOne) {
  ShadowSegments seg;
  ComputeShadowSegments(90, 0.5, 0, seg);
  EXPECT_EQ(seg.count, 258);
  ComputeShadowSegments(90, 0.5, -3, seg);
  EXPECT_EQ(seg.count, 258);
}

TEST(MoonCaption, FieldTextsAsTheyStand) {
  EntryFields f;
  for (auto [k, t] : std::vector<std::pair<int, const char*>>{
           {1, "2000"}, {2, "1"}, {3, "5"}, {4, "9"}, {5, "3"}, {6, "7"}})
    f.WriteField(k, t);
  std::string caption;
  BuildMoonCaption(f, caption);
  EXPECT_EQ(caption, "Moon  2000/1/5 9:3:7");
  f.WriteField(2, "05");
  BuildMoonCaption(f, caption);
  EXPECT_EQ(caption, "Moon  2000/05/5 9:3:7");
}

TEST(PhaseCycleFrames, TwentyFourStepsOfFifteenDegrees) {
  auto frames = PhaseCycleFrames(100.7);
  EXPECT_EQ(frames[0], 115);
  EXPECT_EQ(frames[16], 355);
  EXPECT_EQ(frames[17], 10);
  EXPECT_EQ(frames[23], 100);
  frames = PhaseCycleFrames(359.9);
  EXPECT_EQ(frames[0], 14);
  EXPECT_EQ(frames[22], 344);
  EXPECT_EQ(frames[23], 359);
  frames = PhaseCycleFrames(360);
  EXPECT_EQ(frames[0], 15);
  EXPECT_EQ(frames[22], 345);
  EXPECT_EQ(frames[23], 0);
}

// Records what the painter did, in order.
class RecordingCanvas : public ShadowCanvas {
 public:
  void Clear() override { log.push_back('C'); }
  void Line(float, float, float, float) override { ++lines; }
  void Refresh() override { log.push_back('R'); }
  void SetCaption(std::string_view c) override {
    log.push_back('T');
    caption = c;
  }
  std::string log;
  std::string caption;
  int lines = 0;
};

TEST(ShadowPainter, DrawClearsSetsCaptionAndRecomputesTheLitFraction) {
  RecordingCanvas canvas;
  HeadlessSession s(&canvas);
  s.EnterFields({"1999", "12", "31", "23", "59", "59"});
  s.state.Elongation = 90;
  s.state.LitFraction = 0.9;  // overwritten from the elongation
  s.state.ShadowStep = 1;
  s.painter.DrawMoonShadow();
  EXPECT_EQ(canvas.log, "CT");
  EXPECT_EQ(canvas.caption, "Moon  1999/12/31 23:59:59");
  EXPECT_NEAR(s.state.LitFraction, 0.5, 1e-13);
  EXPECT_EQ(canvas.lines, 258);
}

// The phase the canvas shows already (real time evaluates ten times a second, the phase moves
// with the second) is not drawn again; the caption and the lit fraction still are.
TEST(ShadowPainter, ThePhaseShownAlreadyIsNotDrawnAgain) {
  RecordingCanvas canvas;
  HeadlessSession s(&canvas);
  s.EnterFields({"2024", "1", "1", "12", "0", "0"});
  struct Step {
    double elongation;
    int rowStep;
    const char* log;  // what the drawing adds
  };
  const Step steps[] = {{90, 1, "CT"},        {90, 1, "T"},  {90, 2, "CT"},
                        {90.000001, 2, "CT"}, {90, 2, "CT"}, {90, 2, "T"}};
  for (const Step& step : steps) {
    canvas.log.clear();
    canvas.lines = 0;
    s.state.Elongation = step.elongation;
    s.state.ShadowStep = step.rowStep;
    s.state.LitFraction = 7;
    s.painter.DrawMoonShadow();
    EXPECT_EQ(canvas.log, step.log) << step.elongation << " " << step.rowStep;
    EXPECT_EQ(canvas.lines > 0, std::string(step.log) == "CT");
    EXPECT_NEAR(s.state.LitFraction, 0.5, 1e-6);
  }
}

TEST(ShadowPainter, AnimationRunsOnlyInRealTimeAndRestoresThePhase) {
  RecordingCanvas canvas;
  HeadlessSession s(&canvas);
  s.state.Elongation = 100.5;
  s.state.LitFraction = 0.123;  // kept as it was, even though it does not match
  s.state.ShadowStep = 2;
  s.painter.AnimatePhaseCycle();
  EXPECT_TRUE(canvas.log.empty());
  EXPECT_EQ(s.state.Elongation, 100.5);
  EXPECT_EQ(s.state.SavedElongation, 0);

  s.state.RealTimeMode = 1;
  s.painter.AnimatePhaseCycle();
  std::string expected;
  for (int i = 0; i < 24; ++i) expected += "CTR";
  expected += "CT";
  EXPECT_EQ(canvas.log, expected);
  EXPECT_EQ(s.state.Elongation, 100.5);
  EXPECT_EQ(s.state.SavedElongation, 100.5);
  // The final redraw recomputes it from the elongation, as every drawing does.
  EXPECT_NEAR(s.state.LitFraction, (1 - std::cos(100.5 * 0.017453292519943)) / 2, 1e-15);
}

}  // namespace
}  // namespace selvane

// The moon window's numbers without a window: load layout, ellipse, maximized view, placement.
#include "view/moon_layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace selvane {
namespace {

TEST(IntegerDivide, RoundsBothOperandsHalfToEvenThenCutsTowardsZero) {
  struct Case {
    double a, b;
    long long expected;
  } cases[] = {
      {400, 15, 26}, {3955, 15, 263}, {4270, 15, 284}, {120, 15, 8},
      {2.5, 1, 2},   {3.5, 1, 4},     {7, 2.5, 3},    // 7 \ 2 (2.5 rounds to 2)
      {7, 3.5, 1},                                    // 7 \ 4
      {-7, 2, -3},                                    // towards zero, not down
      {29.5, 15, 2}, {30.5, 15, 2},   {14.5, 15, 0},  // 30 \ 15, 30 \ 15, 14 \ 15
      {10, 0.4, 0},                                   // divisor rounds to 0
  };
  for (const Case& c : cases)
    EXPECT_EQ(IntegerDivide(c.a, c.b), c.expected) << c.a << " \\ " << c.b;
}

TEST(CircularShapeRect, WorkedExampleAt15TwipsPerPixel) {
  const EllipseRect r = CircularShapeRect(40, 4055, 4782, 4422, 372, 15, 15);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 26);  // (40 + 360) \ 15
  EXPECT_EQ(r.right, 263);
  EXPECT_EQ(r.bottom, 284);
}

TEST(CircularShapeRect, TopUsesTheHorizontalFactor) {
  // With different factors only the bottom edge follows the vertical one.
  const EllipseRect r = CircularShapeRect(40, 4055, 4782, 4422, 372, 15, 12);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.right, 263);
  EXPECT_EQ(r.bottom, 4270 / 12);
}

TEST(LoadLayout, PictureAndAgeFieldWithMarginsAround) {
  // Picture 259 x 262 pixels, age field 372 twips, decorations 90 x 360 twips.
  const MoonLayout l = LoadLayout(40, 3885, 3930, 372, 90, 360);
  EXPECT_DOUBLE_EQ(l.outerWidth, 2 * 40 + 90 + 3885);
  EXPECT_DOUBLE_EQ(l.outerHeight, 3 * 40 + 360 + 3930 + 372);
  EXPECT_DOUBLE_EQ(l.clientWidth, 3965);
  EXPECT_DOUBLE_EQ(l.clientHeight, 4422);
  EXPECT_DOUBLE_EQ(l.pictureLeft, 40);
  EXPECT_DOUBLE_EQ(l.pictureTop, 40);
  EXPECT_DOUBLE_EQ(l.textLeft, 40);
  EXPECT_DOUBLE_EQ(l.textTop, 4010);
  EXPECT_DOUBLE_EQ(l.textWidth, 3885);
  // The worked example's window is this layout with its decorations.
  const EllipseRect r =
      CircularShapeRect(40, l.outerWidth, l.outerHeight, l.clientHeight, 372, 15, 15);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.bottom, 284);
}

TEST(FormReturnPositions, BackToTheMargins) {
  const NormalPositions p = FormReturnPositions(40, 3930);
  EXPECT_DOUBLE_EQ(p.pictureLeft, 40);
  EXPECT_DOUBLE_EQ(p.pictureTop, 40);
  EXPECT_DOUBLE_EQ(p.textLeft, 40);
  EXPECT_DOUBLE_EQ(p.textTop, 4010);
}

TEST(MaximizedViewPositions, WorkedExampleOnA19200By14400Screen) {
  const MaximizedPositions p = MaximizedViewPositions(19200, 14400, 3885, 3930, 372, 40);
  EXPECT_DOUBLE_EQ(p.pictureLeft, 7657.5);
  EXPECT_DOUBLE_EQ(p.pictureTop, 5029);
  EXPECT_DOUBLE_EQ(p.textLeft, 7657.5);
  EXPECT_DOUBLE_EQ(p.textTop, 8999);
}

TEST(SettingReadings, TruthValues) {
  const struct {
    const char* text;
    std::optional<bool> expected;
  } cases[] = {
      {"True", true},        {"False", false},
      {"true", true},        {"FALSE", false},
      {" True ", true},      {"0", false},
      {"1", true},           {"-1", true},
      {"0.0", false},        {"2.5", true},
      {"", std::nullopt},    {"yes", std::nullopt},
      {"Tru", std::nullopt}, {"True1", std::nullopt},
      {"1x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadTruthValue(c.text), c.expected) << '"' << c.text << '"';
}

TEST(SettingReadings, ShadowStepIsAWholeNumberOfAtLeastOne) {
  const struct {
    const char* text;
    std::optional<int> expected;
  } cases[] = {
      {"1", 1},
      {"2", 2},
      {" 2 ", 2},
      {"3", 3},
      {"2.0", 2},
      {"0", std::nullopt},
      {"-1", std::nullopt},
      {"1.5", std::nullopt},
      {"x", std::nullopt},
      {"", std::nullopt},
      {"1e300", std::nullopt},
      {"2x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadShadowStep(c.text), c.expected) << '"' << c.text << '"';
}

// A screen of 19200 x 14400 twips, a control window 2500 x 4300, a moon window 4055 x 4782.
PlacementInput Stored(std::string l1, std::string t1, std::string l2, std::string t2,
                      std::string shadow = "1", std::string winstyle = "0") {
  PlacementInput in;
  in.left1 = std::move(l1);
  in.top1 = std::move(t1);
  in.left2 = std::move(l2);
  in.top2 = std::move(t2);
  in.shadow = std::move(shadow);
  in.winstyle = std::move(winstyle);
  in.screenWidth = 19200;
  in.screenHeight = 14400;
  in.controlWidth = 2500;
  in.controlHeight = 4300;
  in.moonWidth = 4055;
  in.moonHeight = 4782;
  return in;
}

constexpr double kCentre1Left = (19200 - 2500) / 2.0, kCentre1Top = (14400 - 4300) / 2.0;
constexpr double kCentre2Left = (19200 - 4055) / 2.0, kCentre2Top = (14400 - 4782) / 2.0;

struct PlaceCase {
  const char* name;
  PlacementInput in;
  double left1, top1, left2, top2;
  int shadowStep;
  bool checkSade;
  std::optional<bool> crc;
  bool circular;
  int failedStep;
};

TEST(DecidePlacement, EverySettingsCase) {
  const PlaceCase cases[] = {
      {"first run: nothing stored, both centred", Stored("", "", "", ""), kCentre1Left, kCentre1Top,
       kCentre2Left, kCentre2Top, 1, false, std::nullopt, false, 4},
      {"stored places used as they are", Stored("1000", "2000", "6000", "3000"), 1000, 2000, 6000,
       3000, 1, false, false, false, 0},
      {"screen became smaller: Left2 beyond its width is centred, Top2 kept",
       Stored("1000", "2000", "25000", "3000"), 1000, 2000, kCentre2Left, 3000, 1, false, false,
       false, 0},
      {"every place beyond the screen is centred on its own axis",
       Stored("19201", "14401", "30000", "20000"), kCentre1Left, kCentre1Top, kCentre2Left,
       kCentre2Top, 1, false, false, false, 0},
      {"exactly the screen's size is not beyond it", Stored("19200", "14400", "19200", "14400"),
       19200, 14400, 19200, 14400, 1, false, false, false, 0},
      {"negative places are applied unchanged", Stored("-3000", "-120", "-15", "-99999"), -3000,
       -120, -15, -99999, 1, false, false, false, 0},
      {"shadow 2: hatched, mnuSade checked", Stored("1", "2", "3", "4", "2"), 1, 2, 3, 4, 2, true,
       false, false, 0},
      {"shadow 1: solid, mnuSade unchanged", Stored("1", "2", "3", "4", "1"), 1, 2, 3, 4, 1, false,
       false, false, 0},
      {"winstyle True: circular", Stored("1", "2", "3", "4", "1", "True"), 1, 2, 3, 4, 1, false,
       true, true, 0},
      {"winstyle False: rectangular", Stored("1", "2", "3", "4", "2", "False"), 1, 2, 3, 4, 2, true,
       false, false, 0},
      {"winstyle 0 (the default): rectangular", Stored("1", "2", "3", "4", "1", "0"), 1, 2, 3, 4, 1,
       false, false, false, 0},
      {"winstyle garbage: centred, the shadow step of step 6 kept",
       Stored("1", "2", "3", "4", "2", "round"), kCentre1Left, kCentre1Top, kCentre2Left,
       kCentre2Top, 2, true, std::nullopt, false, 7},
      {"shadow 0: a failed reading, centred with step 1", Stored("1", "2", "3", "4", "0", "True"),
       kCentre1Left, kCentre1Top, kCentre2Left, kCentre2Top, 1, false, std::nullopt, false, 6},
      {"shadow 1.5: a failed reading", Stored("1", "2", "3", "4", "1.5", "True"), kCentre1Left,
       kCentre1Top, kCentre2Left, kCentre2Top, 1, false, std::nullopt, false, 6},
      {"shadow x: a failed reading", Stored("1", "2", "3", "4", "x"), kCentre1Left, kCentre1Top,
       kCentre2Left, kCentre2Top, 1, false, std::nullopt, false, 6},
      {"one damaged place: centred, nothing else applied", Stored("1", "2", "3a", "4", "2", "True"),
       kCentre1Left, kCentre1Top, kCentre2Left, kCentre2Top, 1, false, std::nullopt, false, 4},
      {"places with blanks around still read", Stored(" 10 ", "20", "30", "40"), 10, 20, 30, 40, 1,
       false, false, false, 0},
  };
  for (const PlaceCase& c : cases) {
    const Placement p = DecidePlacement(c.in);
    EXPECT_DOUBLE_EQ(p.left1, c.left1) << c.name;
    EXPECT_DOUBLE_EQ(p.top1, c.top1) << c.name;
    EXPECT_DOUBLE_EQ(p.left2, c.left2) << c.name;
    EXPECT_DOUBLE_EQ(p.top2, c.top2) << c.name;
    EXPECT_EQ(p.shadowStep, c.shadowStep) << c.name;
    EXPECT_EQ(p.checkSade, c.checkSade) << c.name;
    EXPECT_EQ(p.crcCheck, c.crc) << c.name;
    EXPECT_EQ(p.applyCircular, c.circular) << c.name;
    EXPECT_EQ(p.failedStep, c.failedStep) << c.name;
  }
}

}  // namespace
}  // namespace selvane

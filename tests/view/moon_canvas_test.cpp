// The shadow drawn onto the moon picture, pixel by pixel, against the geometry's segments.
#include "view/moon_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <iterator>
#include <vector>

#include "control/entry_fields.h"
#include "view/shadow_geometry.h"

namespace selvane {
namespace {

constexpr QRgb kBlack = 0xFF000000u;

// Which pixels of the picture the segments cover: each row from the nearest pixel of one end
// to the nearest pixel of the other, inside the picture.
std::vector<std::vector<bool>> Coverage(const ShadowSegments& seg) {
  std::vector<std::vector<bool>> covered(kPictureHeight, std::vector<bool>(kPictureWidth));
  for (int i = 0; i < seg.count; ++i) {
    const ShadowSegment& l = seg.lines[i];
    const int y = static_cast<int>(std::floor(l.y1 + 0.5));
    const int a = static_cast<int>(std::floor(std::min(l.x1, l.x2) + 0.5));
    const int b = static_cast<int>(std::floor(std::max(l.x1, l.x2) + 0.5));
    for (int x = std::max(a, 0); x <= std::min(b, kPictureWidth - 1); ++x) covered[y][x] = true;
  }
  return covered;
}

double DistanceFromCentre(int x, int y) {
  return std::hypot(x - 128.0, y - 128.0);
}

class CanvasTest : public ::testing::Test {
 protected:
  void Draw(double elongation, int step) {
    state.Elongation = elongation;
    state.ShadowStep = step;
    painter.DrawMoonShadow();
  }

  MoonCanvas canvas;
  EphemerisState state;
  EntryFields fields;
  ShadowPainter painter{state, fields, canvas};
};

TEST_F(CanvasTest, ThePictureIsTheFullMoonOfTheResources) {
  ASSERT_TRUE(canvas.HasPicture());
  EXPECT_EQ(canvas.Image().size(), QSize(255, 258));
  EXPECT_EQ(canvas.Image(), canvas.BarePicture());
  // A full Moon on black: the corners are black, the middle of the disc is lit.
  EXPECT_EQ(canvas.BarePicture().pixel(0, 0), kBlack);
  EXPECT_GT(qGray(canvas.BarePicture().pixel(128, 128)), 40);
  // Every pixel as the resource's picture has it, also where a drawn shadow was taken back.
  const QImage resource =
      QImage(QStringLiteral(":/moon.gif")).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(canvas.Image(), resource);
  state.ShadowStep = 1;
  state.Elongation = 120;
  painter.DrawMoonShadow();
  ASSERT_NE(canvas.Image(), resource);
  canvas.Clear();
  EXPECT_EQ(canvas.Image(), resource);
  MoonCanvas two(2);
  EXPECT_EQ(two.Image(),
            QImage(QStringLiteral(":/moon@2x.gif")).convertToFormat(QImage::Format_RGB32));
}

struct Phase {
  const char* name;
  double elongation;
  // Whether a pixel well inside the disc (not near the terminator) is dark; -1 near it.
  int (*dark)(int x, int y);
};

TEST_F(CanvasTest, PhasesAtBothStepsMatchTheSegmentsPixelByPixel) {
  const Phase phases[] = {
      {"0: new", 0, [](int, int) { return 1; }},
      {"90: left half", 90, [](int x, int) { return x <= 126   ? 1
                                                    : x >= 130 ? 0
                                                               : -1; }},
      {"180: full", 180, [](int, int) { return 0; }},
      {"just above 180", 180.000001, [](int, int) { return 0; }},
      {"270: right half", 270, [](int x, int) { return x >= 130   ? 1
                                                       : x <= 126 ? 0
                                                                  : -1; }},
      {"360: new", 360, [](int, int) { return 1; }},
  };
  const QImage& bare = canvas.BarePicture();
  for (const Phase& ph : phases) {
    for (int step : {1, 2}) {
      // Something else first, so that the clear is part of what is checked.
      Draw(ph.elongation + 123, 1);
      Draw(ph.elongation, step);
      const double lit = (1 - std::cos(ph.elongation * 0.017453292519943)) / 2;
      EXPECT_DOUBLE_EQ(state.LitFraction, lit);
      ShadowSegments seg;
      ComputeShadowSegments(ph.elongation, lit, step, seg);
      const auto covered = Coverage(seg);
      const QImage& img = canvas.Image();
      int wrong = 0;
      for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
          const QRgb expected = covered[y][x] ? kBlack : bare.pixel(x, y);
          if (img.pixel(x, y) != expected && ++wrong < 5)
            ADD_FAILURE() << ph.name << " step " << step << " pixel " << x << "," << y;
          // The phase as one sees it, on the rows drawn, well inside the disc.
          const bool drawnRow = y % step == 0 && y <= 256;
          if (drawnRow && DistanceFromCentre(x, y) < 120) {
            const int dark = ph.dark(x, y);
            if (dark == 1) {
              EXPECT_EQ(img.pixel(x, y), kBlack) << ph.name << " " << x << "," << y;
            }
            if (dark == 0 && bare.pixel(x, y) != kBlack) {
              EXPECT_NE(img.pixel(x, y), kBlack) << ph.name << " " << x << "," << y;
            }
          }
        }
      }
      EXPECT_EQ(wrong, 0) << ph.name << " step " << step;
      // The last row is black across the whole width at every phase.
      for (int x = 0; x < kPictureWidth; ++x) ASSERT_EQ(img.pixel(x, 257), kBlack) << ph.name;
      // With step 2 the odd rows keep the picture.
      if (step == 2) {
        for (int y = 1; y < 256; y += 2)
          for (int x = 0; x < kPictureWidth; ++x) ASSERT_EQ(img.pixel(x, y), bare.pixel(x, y));
      }
    }
  }
}

TEST_F(CanvasTest, ClearGivesTheBarePictureBack) {
  Draw(0, 1);
  ASSERT_NE(canvas.Image(), canvas.BarePicture());
  canvas.Clear();
  EXPECT_EQ(canvas.Image(), canvas.BarePicture());
  // Also after lines that are not rows.
  canvas.Line(0, 0, 254, 257);
  canvas.Line(10, 200, 100, 20);
  ASSERT_NE(canvas.Image(), canvas.BarePicture());
  canvas.Clear();
  EXPECT_EQ(canvas.Image(), canvas.BarePicture());
}

TEST_F(CanvasTest, LinesOutsideThePictureOrNotNumbersDrawNothing) {
  canvas.Clear();
  canvas.Line(0, -1, 254, -1);
  canvas.Line(0, 258, 254, 258);
  canvas.Line(300, 5, 400, 5);
  canvas.Line(-50, 6, -1, 6);
  canvas.Line(std::nanf(""), 7, 10, 7);
  canvas.Line(0, std::nanf(""), 10, 8);
  canvas.Line(0, 9, INFINITY, 9);
  EXPECT_EQ(canvas.Image(), canvas.BarePicture());
  // A row reaching beyond the right edge (x = 256) stops at the last column.
  canvas.Line(250, 10, 256, 10);
  for (int x = 250; x < kPictureWidth; ++x) EXPECT_EQ(canvas.Image().pixel(x, 10), kBlack);
  EXPECT_EQ(canvas.Image().pixel(249, 10), canvas.BarePicture().pixel(249, 10));
}

// Lines in one go draw what the same lines one by one draw, rows at half pixels and lines
// that are not rows or not numbers included.
TEST_F(CanvasTest, LinesInOneGoAreLinesOneByOne) {
  const ShadowSegment lines[] = {
      {0.0f, 0.0f, 127.5f, 0.0f},         {-0.5f, 1.5f, 3.49f, 1.5f},
      {254.5f, 2.5f, 200.5f, 2.5f},       {-1.5f, -0.5f, 10.0f, -0.5f},
      {5.0f, 257.49f, 6.0f, 257.49f},     {0.0f, 257.5f, 9.0f, 257.5f},
      {300.0f, 5.0f, 400.0f, 5.0f},       {-50.0f, 6.0f, -0.51f, 6.0f},
      {std::nanf(""), 7.0f, 10.0f, 7.0f}, {0.0f, 9.0f, INFINITY, 9.0f},
      {10.0f, 200.0f, 100.0f, 20.0f},     {1e9f, 30.0f, -1e9f, 30.0f},
  };
  const int count = static_cast<int>(std::size(lines));
  MoonCanvas one;
  MoonCanvas each;
  one.Clear();
  each.Clear();
  one.Lines(lines, count);
  for (const ShadowSegment& l : lines) each.Line(l.x1, l.y1, l.x2, l.y2);
  EXPECT_EQ(one.Image(), each.Image());
  EXPECT_NE(one.Image(), one.BarePicture());
  // Nothing but lines that draw nothing: no change to present.
  one.TakeChange();
  one.Clear();
  one.TakeChange();
  const ShadowSegment nothing[] = {{std::nanf(""), 7.0f, 10.0f, 7.0f}};
  one.Lines(nothing, 1);
  EXPECT_FALSE(one.TakeChange());
}

// The picture of the resources is read when its pixels are first wanted: whatever came
// before (a new ratio, rows drawn, a line that is not a row) gives the same image as when it
// was read at once.
TEST(CanvasReading, ThePictureReadLateGivesTheSameImage) {
  for (const double ratio : {1.0, 2.0, 1.5}) {
    MoonCanvas late;
    MoonCanvas early;
    EXPECT_EQ(late.PictureSize(), QSize(kPictureWidth, kPictureHeight));
    ASSERT_FALSE(early.Image().isNull());
    EXPECT_EQ(late.PictureSize(), early.PictureSize());
    for (MoonCanvas* c : {&late, &early}) {
      c->SetRatio(ratio);
      c->Clear();
      c->Line(0, 10, 120.4f, 10);
      c->Line(30, 250, 200, 250);
    }
    EXPECT_EQ(late.Image(), early.Image()) << ratio;
    EXPECT_EQ(late.BarePicture(), early.BarePicture()) << ratio;
    EXPECT_TRUE(late.HasPicture());
    late.Line(0, 0, 254, 257);
    early.Line(0, 0, 254, 257);
    EXPECT_EQ(late.Image(), early.Image()) << ratio;
  }
}

TEST_F(CanvasTest, ChangesAreReportedOnlyWhenThePictureDiffers) {
  int notes = 0;
  canvas.SetChangedHook([&] { ++notes; });
  Draw(100, 1);
  EXPECT_EQ(notes, 1);  // one note per presentation, however many lines
  EXPECT_TRUE(canvas.TakeChange());
  // Real time: the same picture again, a tiny step of the elongation later.
  Draw(100.00001, 1);
  EXPECT_EQ(notes, 2);
  EXPECT_FALSE(canvas.TakeChange());
  Draw(101, 1);
  EXPECT_TRUE(canvas.TakeChange());
  Draw(101, 2);
  EXPECT_TRUE(canvas.TakeChange());
  EXPECT_FALSE(canvas.TakeChange());
}

TEST_F(CanvasTest, CaptionHookOnlyOnADifferentText) {
  std::vector<std::string> seen;
  canvas.SetCaptionHook([&](std::string_view c) { seen.emplace_back(c); });
  fields.WriteField(1, "2024");
  fields.WriteField(2, "5");
  Draw(10, 1);
  Draw(20, 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], canvas.Caption());
  EXPECT_EQ(seen[0].rfind("Moon  2024/5/", 0), 0u);
}

// High-density screens: the same shadow rows, each covering its device rows, over the 2x
// picture; derived pictures at fractional ratios.
class RatioTest : public ::testing::Test {
 protected:
  // The canvas drawn at an elongation and row step.
  void Draw(MoonCanvas& c, double elongation, int step) {
    state.Elongation = elongation;
    state.ShadowStep = step;
    ShadowPainter(state, fields, c).DrawMoonShadow();
  }
  EphemerisState state;
  EntryFields fields;
};

TEST_F(RatioTest, TwoXShadowRowsCoincideWithTheOneXRows) {
  MoonCanvas one;
  MoonCanvas two(2);
  ASSERT_EQ(two.Image().size(), QSize(510, 516));
  ASSERT_EQ(two.PictureSize(), QSize(255, 258));
  const QImage& bare1 = one.BarePicture();
  const QImage& bare2 = two.BarePicture();
  // The 2x picture is its own, finer picture, not the 1x one blown up.
  int finer = 0;
  for (int y = 0; y < 516; ++y)
    for (int x = 0; x < 510; ++x) finer += bare2.pixel(x, y) != bare1.pixel(x / 2, y / 2);
  EXPECT_GT(finer, 100000);
  for (double elongation : {0.0, 30.0, 90.0, 135.0, 180.0, 180.000001, 225.0, 270.0, 330.0}) {
    for (int step : {1, 2}) {
      Draw(one, elongation, step);
      Draw(two, elongation, step);
      const QImage& img1 = one.Image();
      const QImage& img2 = two.Image();
      int wrong = 0, dark = 0;
      for (int y = 0; y < 516; ++y) {
        for (int x = 0; x < 510; ++x) {
          // Every 2x pixel is its own picture's or black, black exactly where the 1x drawing's
          // pixel is black; compared on the disc, where the pictures themselves are not black.
          const QRgb p2 = img2.pixel(x, y);
          if (p2 != kBlack && p2 != bare2.pixel(x, y)) ++wrong;
          if (bare2.pixel(x, y) == kBlack || bare1.pixel(x / 2, y / 2) == kBlack) continue;
          const bool dark1 = img1.pixel(x / 2, y / 2) == kBlack;
          const bool dark2 = p2 == kBlack;
          dark += dark2;
          if (dark1 != dark2 && ++wrong < 5)
            ADD_FAILURE() << elongation << " step " << step << " at " << x << "," << y;
        }
      }
      EXPECT_EQ(wrong, 0) << elongation << " step " << step;
      if (elongation != 180 && elongation != 180.000001) {
        EXPECT_GT(dark, 1000) << elongation;
      }
    }
  }
}

TEST_F(RatioTest, ARatioChangeRedrawsTheShadowAndIsAChange) {
  MoonCanvas canvas;
  MoonCanvas direct(2);
  Draw(canvas, 300, 2);
  Draw(direct, 300, 2);
  EXPECT_TRUE(canvas.TakeChange());
  EXPECT_FALSE(canvas.SetRatio(1));
  EXPECT_TRUE(canvas.SetRatio(2));
  EXPECT_EQ(canvas.Image(), direct.Image());
  EXPECT_EQ(canvas.Image().devicePixelRatio(), 2.0);
  EXPECT_TRUE(canvas.TakeChange());
  EXPECT_FALSE(canvas.TakeChange());
  // Cleared and drawn again at the new ratio: the bare 2x picture comes back.
  canvas.Clear();
  EXPECT_EQ(canvas.Image(), direct.BarePicture());
  for (double bad : {0.0, -1.0, 100.0, static_cast<double>(std::nanf(""))})
    EXPECT_FALSE(canvas.SetRatio(bad)) << bad;
}

TEST_F(RatioTest, FractionalRatiosTileTheRowsWithoutGaps) {
  for (double ratio : {1.25, 1.5, 1.75}) {
    MoonCanvas c(ratio);
    const int w = static_cast<int>(std::floor(255 * ratio + 0.5));
    const int h = static_cast<int>(std::floor(258 * ratio + 0.5));
    ASSERT_EQ(c.Image().size(), QSize(w, h)) << ratio;
    // The 2x picture scaled smoothly: the disc lit in the middle, black in the corner.
    EXPECT_GT(qGray(c.BarePicture().pixel(w / 2, h / 2)), 40);
    EXPECT_EQ(qGray(c.BarePicture().pixel(0, 0)), 0);
    // New moon, solid: every device row down the middle is dark, none left out between rows.
    Draw(c, 0, 1);
    for (int y = 0; y < h; ++y) ASSERT_EQ(c.Image().pixel(w / 2, y), kBlack) << ratio << " " << y;
    // Hatched: each picture row is dark or bare on all of its device rows.
    Draw(c, 0, 2);
    for (int row = 0; row < 257; ++row) {
      for (int y = c.DeviceEdge(row); y < c.DeviceEdge(row + 1); ++y) {
        const QRgb bare = c.BarePicture().pixel(w / 2, y);
        ASSERT_EQ(c.Image().pixel(w / 2, y), row % 2 == 0 ? kBlack : bare) << ratio << " " << y;
      }
    }
  }
}

}  // namespace
}  // namespace selvane

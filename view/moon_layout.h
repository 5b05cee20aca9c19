// The moon window's numeric decisions, without a window: its layout around the picture, the
// ellipse of the circular shape, the maximized view's layout, and where `place` puts the two
// windows from the stored settings. Every length is in twips unless it says pixels.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace selvane {

// PictureMargin: the gap around the picture and between the picture and the age field.
inline constexpr int kPictureMargin = 40;
// The age field's height as designed.
inline constexpr double kAgeFieldHeight = 372;
// Picture1 around the 255 x 258 picture: a two-pixel border on each side.
inline constexpr int kPictureBorderPixels = 2;

// a \ b: both operands rounded to whole numbers (halves to the even neighbour), then the
// quotient cut towards zero. A divisor that rounds to 0 gives 0.
long long IntegerDivide(double a, double b);

// The window around the picture (the load step): the client area is M wide around the
// picture, M between the picture and the age field and M below the field.
struct MoonLayout {
  double clientWidth, clientHeight;
  double outerWidth, outerHeight;  // W, H with the given decorations
  double pictureLeft, pictureTop;
  double textLeft, textTop, textWidth;
};
// bw, bh: the decorations' total width and height (W - CW, H - CH).
MoonLayout LoadLayout(double margin, double pictureWidth, double pictureHeight, double textHeight,
                      double bw = 0, double bh = 0);

// The normal layout that `formreturn` gives back (positions only).
struct NormalPositions {
  double pictureLeft, pictureTop, textLeft, textTop;
};
NormalPositions FormReturnPositions(double margin, double pictureHeight);

// The maximized view: the picture, a gap of M and the age field as one column centred on the
// screen.
struct MaximizedPositions {
  double pictureLeft, pictureTop, textLeft, textTop;
};
MaximizedPositions MaximizedViewPositions(double screenWidth, double screenHeight,
                                          double pictureWidth, double pictureHeight,
                                          double textHeight, double margin);

// The circular shape's bounding rectangle in whole pixels relative to the window's outer
// top-left corner (right and bottom excluded). W, H: the window's outer size; CH: its client
// height; TH: the age field's height; tx, ty: twips per pixel.
struct EllipseRect {
  long long left, top, right, bottom;
};
EllipseRect CircularShapeRect(double margin, double outerWidth, double outerHeight,
                              double clientHeight, double textHeight, double tx, double ty);

// Readings of stored settings. A number is the whole text as a decimal number (blanks around
// it allowed); a truth value is "True" or "False" in any letter case, or a number (0 false,
// anything else true); a shadow step is a whole number of at least 1.
std::optional<double> ReadStoredNumber(std::string_view text);
std::optional<bool> ReadTruthValue(std::string_view text);
std::optional<int> ReadShadowStep(std::string_view text);

// `place`: the six stored texts and the sizes it needs (outer sizes of both windows).
struct PlacementInput {
  std::string left1, top1, left2, top2, shadow, winstyle;
  double screenWidth = 0, screenHeight = 0;
  double controlWidth = 0, controlHeight = 0;
  double moonWidth = 0, moonHeight = 0;
};

struct Placement {
  double left1 = 0, top1 = 0, left2 = 0, top2 = 0;  // where the two windows go
  int shadowStep = 1;
  bool checkSade = false;  // put the check mark on mnuSade
  // The check mark step 7 gives mnuCrc; none when that step was not carried out.
  std::optional<bool> crcCheck;
  bool applyCircular = false;  // make the window circular
  // 0 when every step was carried out, else the step (4, 6 or 7) whose reading failed and
  // after which both windows were centred.
  int failedStep = 0;
};
Placement DecidePlacement(const PlacementInput& in);

}  // namespace selvane

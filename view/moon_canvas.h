// The moon picture as a retained image: the shadow is drawn into a copy of the picture, clear
// gives the bare picture back. Used by the moon window and, without any window, by the picture
// writer of selvane-phase.
//
// The shadow's geometry is always in the 255 x 258 pixels of the 1x picture; the image is held
// at the device pixel ratio of the screen it is shown on. Picture coordinate v (a pixel edge)
// lies on device edge floor(v * ratio + 0.5), so picture pixel (x, y) covers the device pixels
// between the edges of x and x + 1 and of y and y + 1: the rows tile the image without gaps or
// overlaps at any ratio, and at ratio 2 every picture pixel covers exactly 2 x 2 device pixels.
// At ratio 1 the image is the 1x picture, at ratio 2 the 2x picture, at any other ratio the 2x
// picture scaled smoothly to the image's size.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "view/shadow_geometry.h"

namespace selvane {

class MoonCanvas : public ShadowCanvas {
 public:
  // The moon pictures of the program's resources (":/moon.gif", ":/moon@2x.gif"), at the given
  // device pixel ratio.
  explicit MoonCanvas(double ratio = 1);
  // A given 1x picture; other ratios scale it smoothly.
  explicit MoonCanvas(const QImage& picture);

  // Redraws the bare picture and the shadow drawn since the last clear for another device pixel
  // ratio (a finite number from 0.25 to 8; others are refused). True when the ratio changed;
  // the next TakeChange then reports a change.
  bool SetRatio(double ratio);
  double Ratio() const { return ratio_; }
  // The picture's size in picture pixels (the 1x picture's), whatever the ratio.
  QSize PictureSize() const;
  // The device edge of a picture coordinate at the current ratio.
  int DeviceEdge(int v) const;

  // False when the picture could not be loaded; the canvas then draws on a black picture of
  // the right size.
  bool HasPicture() const;
  // At the current ratio, in device pixels, with that device pixel ratio set. Drawing only
  // records the rows; their pixels are brought up to date here.
  const QImage& Image() const {
    Settle();
    return image_;
  }
  // The picture without the shadow, at the current ratio, in the image's format.
  QImage BarePicture() const;
  const std::string& Caption() const { return caption_; }

  void Clear() override;
  // Opaque black, one picture pixel wide, no antialiasing. A horizontal line covers the pixels
  // of its row from the nearest pixel of one end to the nearest pixel of the other, both
  // included, within the picture; a line with an end that is not a number draws nothing.
  void Line(float x1, float y1, float x2, float y2) override;
  // Real time draws some 260 rows ten times a second: taken in one go.
  void Lines(const ShadowSegment* lines, int count) override;
  void Refresh() override;
  void DrawingDone() override;
  void SetCaption(std::string_view caption) override;

  // Presentation. The changed hook runs when a drawing is done (or the ratio changed) and the
  // picture was drawn on since the last TakeChange, to ask TakeChange there and then whether it
  // differs; the refresh hook runs at every Refresh, the caption hook whenever the caption text
  // differs from the one before.
  void SetChangedHook(std::function<void()> hook) { changed_ = std::move(hook); }
  void SetRefreshHook(std::function<void()> hook) { refresh_ = std::move(hook); }
  void SetCaptionHook(std::function<void(std::string_view)> hook) {
    captionHook_ = std::move(hook);
  }
  // True when the picture differs from the one at the previous call (its first call: true).
  bool TakeChange();

 private:
  struct Span {
    int y, x1, x2;
    bool operator==(const Span&) const = default;
  };
  struct FreeLine {
    float x1, y1, x2, y2;
  };
  void Reserve();
  // Reads the picture of the resources if it is still to be read, and makes the image.
  void Load() const;
  // The bare picture and the image at the current ratio, with what was drawn since the last
  // clear.
  void MakeImage() const;
  // A row of the shadow from x1 to x2 (nearest pixels, both included), clipped to the picture.
  void AddRow(float x1, float y, float x2, QSize size);
  void NoteChange();
  // Brings the image's pixels to the rows and lines drawn since the last clear.
  void Settle() const;
  void RestoreSpan(const Span& s) const;
  // Gives device pixels x1 .. x2 - 1 of row y back to the bare picture.
  void RestoreRow(int y, int x1, int x2) const;
  void FillSpan(const Span& s) const;
  void DrawFreeLine(const FreeLine& l) const;

  // The pictures and what is made of them, read and made when first wanted (also by const
  // readers).
  mutable QImage picture1x_;
  mutable QImage picture2x_;      // null where only a 1x picture is given
  mutable bool load2x_ = false;   // the 2x picture of the resources is still to be read
  mutable bool pending_ = false;  // the 1x picture of the resources is still to be read
  double ratio_ = 1;
  bool ratioChanged_ = false;
  // The bare picture at the current ratio, held indexed when its colours fit a table of 256
  // exactly (then with those colours, opaque, in bareColors_), else as RGB32.
  mutable QImage bare_;
  mutable std::vector<QRgb> bareColors_;
  // The image and what its pixels show: kept up to date by Settle, also from const readers.
  mutable QImage image_;
  mutable std::vector<Span> drawn_;  // the rows whose pixels are in image_
  mutable std::vector<char> rowRestored_;
  mutable bool wholeRestore_ = false;  // lines other than rows are to be taken out
  mutable bool hasPicture_ = false;
  std::string caption_;
  std::vector<Span> spans_;      // drawn since the last clear
  std::vector<Span> presented_;  // as at the last TakeChange
  std::vector<FreeLine> free_;   // lines other than rows, drawn since the last clear
  bool presentedFree_ = false;
  bool neverTaken_ = true;
  bool changeNoted_ = false;
  std::function<void()> changed_;
  std::function<void()> refresh_;
  std::function<void(std::string_view)> captionHook_;
};

}  // namespace selvane

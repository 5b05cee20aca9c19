// The moon picture as a retained image: the shadow is drawn into a copy of the picture, clear
// gives the bare picture back. Used by the moon window and, without any window, by the picture
// writer of selvane-phase.
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
  // The moon picture of the program's resources (":/moon.gif").
  MoonCanvas();
  explicit MoonCanvas(const QImage& picture);

  // False when the picture could not be loaded; the canvas then draws on a black picture of
  // the right size.
  bool HasPicture() const { return hasPicture_; }
  const QImage& Image() const { return image_; }
  const QImage& BarePicture() const { return bare_; }
  const std::string& Caption() const { return caption_; }

  void Clear() override;
  // Opaque black, one pixel wide, no antialiasing. A horizontal line covers the pixels of its
  // row from the nearest pixel of one end to the nearest pixel of the other, both included,
  // within the picture; a line with an end that is not a number draws nothing.
  void Line(float x1, float y1, float x2, float y2) override;
  void Refresh() override;
  void SetCaption(std::string_view caption) override;

  // Presentation. The changed hook runs at the first change of the picture after TakeChange
  // (a clear or a line), the refresh hook at every Refresh, the caption hook whenever the
  // caption text differs from the one before.
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
  void Init(const QImage& picture);
  void NoteChange();

  QImage bare_;
  QImage image_;
  bool hasPicture_ = false;
  std::string caption_;
  std::vector<Span> spans_;      // drawn since the last clear
  std::vector<Span> presented_;  // as at the last TakeChange
  bool freeLines_ = false;       // lines other than rows were drawn since the last clear
  bool presentedFree_ = false;
  bool neverTaken_ = true;
  bool changeNoted_ = false;
  std::function<void()> changed_;
  std::function<void()> refresh_;
  std::function<void(std::string_view)> captionHook_;
};

}  // namespace selvane

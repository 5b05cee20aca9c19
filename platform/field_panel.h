// The frame of a one-line text field, drawn once and then copied: the style draws it with an
// antialiased outline through the path stroker, which cost several times the text itself on
// every new text of a field (the seconds every second, in real time). The copy is laid down
// only where it comes out the same to the pixel: on an opaque field whose background is one
// colour, painted into an image without scaling or rotation; everything else is drawn by the
// style as before.
#pragma once

#include <QProxyStyle>
#include <vector>

namespace selvane::platform {

class FieldPanelStyle : public QProxyStyle {
 public:
  // Takes over `base` (as QProxyStyle does).
  explicit FieldPanelStyle(QStyle* base);
  ~FieldPanelStyle() override;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

  // How many panels were copied and how many drawn afresh into the copies (tests).
  long Copied() const { return copied_; }
  long Made() const { return made_; }

 private:
  struct Panel;
  bool DrawCopy(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;

  mutable std::vector<Panel> panels_;
  mutable long copied_ = 0;
  mutable long made_ = 0;
};

// Puts the style above in front of the application's style (once).
void UseFieldPanelCopies();

}  // namespace selvane::platform

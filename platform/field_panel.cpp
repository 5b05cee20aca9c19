#include "platform/field_panel.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOption>
#include <cmath>

namespace selvane::platform {

// One field's panel as the style drew it over the field's background, and what it depends on.
struct FieldPanelStyle::Panel {
  QSize size;
  QStyle::State state;
  Qt::LayoutDirection direction;
  int lineWidth;
  int midLineWidth;
  int features;
  qint64 palette;
  QRgb backdrop;
  QImage::Format format;
  QImage image;
};

FieldPanelStyle::FieldPanelStyle(QStyle* base) : QProxyStyle(base) {}

FieldPanelStyle::~FieldPanelStyle() = default;

void FieldPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
  if (element == PE_PanelLineEdit && DrawCopy(option, painter, widget)) return;
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

bool FieldPanelStyle::DrawCopy(const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  // A field of its own (not the editor inside a spin box or combo box), which fills its
  // background with one opaque colour before the panel is drawn.
  const auto* field = qobject_cast<const QLineEdit*>(widget);
  const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
  if (!field || !frame || !field->autoFillBackground()) return false;
  if (const QWidget* parent = field->parentWidget();
      parent && (parent->inherits("QAbstractSpinBox") || parent->inherits("QComboBox"))) {
    return false;
  }
  const QBrush& background = field->palette().brush(field->backgroundRole());
  if (background.style() != Qt::SolidPattern || !background.isOpaque()) return false;
  if (option->palette.base().style() != Qt::SolidPattern) return false;
  // Into an image of the usual formats, moved by whole pixels only, nothing else set.
  // (The painter's device is the field; the engine's is where its pixels go.)
  QPaintEngine* engine = painter->paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster) return false;
  QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return false;
  const QImage::Format format = static_cast<QImage*>(device)->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) return false;
  const QTransform t = painter->deviceTransform();
  if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) ||
      t.dy() != std::floor(t.dy()) || device->devicePixelRatioF() != 1) {
    return false;
  }
  if (painter->opacity() != 1 || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
    return false;
  const QRect rect = option->rect;
  if (rect.isEmpty() || rect.width() > 4096 || rect.height() > 1024) return false;

  const QRgb backdrop = background.color().rgba();
  const qint64 palette = option->palette.cacheKey();
  Panel* panel = nullptr;
  for (Panel& p : panels_) {
    if (p.size == rect.size() && p.state == option->state && p.direction == option->direction &&
        p.lineWidth == frame->lineWidth && p.midLineWidth == frame->midLineWidth &&
        p.features == static_cast<int>(frame->features) && p.palette == palette &&
        p.backdrop == backdrop && p.format == format) {
      panel = &p;
      break;
    }
  }
  if (!panel) {
    // Drawn as the field's own painter would: the background first, then the panel, with the
    // painter set as the field's painter stands.
    QImage image(rect.size(), format);
    image.fill(background.color());
    {
      QPainter p(&image);
      p.setPen(painter->pen());
      p.setBrush(painter->brush());
      p.setFont(painter->font());
      p.setBackground(painter->background());
      p.setBackgroundMode(painter->backgroundMode());
      p.setRenderHints(painter->renderHints());
      p.setLayoutDirection(painter->layoutDirection());
      QStyleOptionFrame local(*frame);
      local.rect = QRect(QPoint(0, 0), rect.size());
      QProxyStyle::drawPrimitive(PE_PanelLineEdit, &local, &p, widget);
    }
    // A few panels are enough: each field in its states (focus, activity).
    if (panels_.size() >= 16) panels_.erase(panels_.begin());
    panels_.push_back({rect.size(), option->state, option->direction, frame->lineWidth,
                       frame->midLineWidth, static_cast<int>(frame->features), palette, backdrop,
                       format, std::move(image)});
    panel = &panels_.back();
    ++made_;
  }
  ++copied_;
  painter->drawImage(rect.topLeft(), panel->image);
  return true;
}

void UseFieldPanelCopies() {
  if (dynamic_cast<FieldPanelStyle*>(QApplication::style())) return;
  QApplication::setStyle(new FieldPanelStyle(QApplication::style()));
}

}  // namespace selvane::platform

// The copied frame of a text field comes out the same to the pixel as the style's own drawing,
// and it is only taken where it can: on an opaque field with a background of one colour.
#include "platform/field_panel.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QStyleFactory>
#include <memory>

namespace selvane::platform {
namespace {

struct Case {
  const char* name;
  QSize size;
  bool fill;  // the field fills its background
  QPalette::ColorRole role;
  bool frame;
  bool readOnly;
  bool enabled;
  Qt::LayoutDirection direction;
  QColor base, text;  // invalid: the style's own
  QImage::Format format;
  bool copied;  // the copy is expected to be taken
};

QImage Render(QLineEdit& field, QImage::Format format) {
  QImage image(field.size(), format);
  image.fill(QColor(10, 200, 30));  // what lies behind a field that leaves its corners alone
  field.render(&image);
  return image;
}

void Prepare(QLineEdit& field, const Case& c) {
  field.resize(c.size);
  field.setText(QStringLiteral("2024"));
  field.setFrame(c.frame);
  field.setReadOnly(c.readOnly);
  field.setEnabled(c.enabled);
  field.setLayoutDirection(c.direction);
  field.setBackgroundRole(c.role);
  field.setAutoFillBackground(c.fill);
  if (c.base.isValid()) {
    QPalette pal = field.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      pal.setColor(group, QPalette::Base, c.base);
      pal.setColor(group, QPalette::Text, c.text);
    }
    field.setPalette(pal);
  }
}

TEST(FieldPanel, TheCopyIsTheStylesDrawingToThePixel) {
  // clang-format off
  const Case cases[] = {
      // name, size, fill, role, frame, read-only, enabled, direction, base, text, format, copied
      {"seconds field", {48, 18}, true, QPalette::Window, true, false, true, Qt::LeftToRight, {}, {}, QImage::Format_RGB32, true},
      {"age field", {229, 27}, true, QPalette::Base, true, true, true, Qt::LeftToRight, QColor(0, 0, 0), QColor(128, 128, 255), QImage::Format_ARGB32_Premultiplied, true},
      {"age field, maximized view", {229, 27}, true, QPalette::Base, false, true, true, Qt::LeftToRight, QColor(0, 0, 0), QColor(128, 128, 255), QImage::Format_RGB32, true},
      {"disabled, right to left", {60, 22}, true, QPalette::Window, true, false, false, Qt::RightToLeft, {}, {}, QImage::Format_RGB32, true},
      {"tiny", {3, 2}, true, QPalette::Window, true, false, true, Qt::LeftToRight, {}, {}, QImage::Format_RGB32, true},
      {"no background of its own", {48, 18}, false, QPalette::Base, true, false, true, Qt::LeftToRight, {}, {}, QImage::Format_RGB32, false},
      {"an image format of another kind", {48, 18}, true, QPalette::Window, true, false, true, Qt::LeftToRight, {}, {}, QImage::Format_RGB16, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
    FieldPanelStyle copying(QStyleFactory::create(QStringLiteral("Fusion")));
    QLineEdit before, after;
    before.setStyle(plain.get());
    after.setStyle(&copying);
    Prepare(before, c);
    Prepare(after, c);
    const QImage expected = Render(before, c.format);
    // Twice: drawn into the copy, then the copy laid down again.
    EXPECT_EQ(Render(after, c.format), expected) << c.name;
    EXPECT_EQ(Render(after, c.format), expected) << c.name;
    EXPECT_EQ(copying.Copied(), c.copied ? 2 : 0) << c.name;
    EXPECT_EQ(copying.Made(), c.copied ? 1 : 0) << c.name;
  }
}

// A new size or palette is another panel; the one before is kept for when it comes back.
TEST(FieldPanel, EachLookHasItsOwnCopy) {
  FieldPanelStyle copying(QStyleFactory::create(QStringLiteral("Fusion")));
  QLineEdit field;
  field.setStyle(&copying);
  field.setAutoFillBackground(true);
  field.resize(48, 18);
  Render(field, QImage::Format_RGB32);
  field.resize(60, 18);
  Render(field, QImage::Format_RGB32);
  field.resize(48, 18);
  Render(field, QImage::Format_RGB32);
  EXPECT_EQ(copying.Made(), 2);
  QPalette pal = field.palette();
  pal.setColor(QPalette::Base, QColor(0, 0, 0));
  field.setPalette(pal);
  Render(field, QImage::Format_RGB32);
  EXPECT_EQ(copying.Made(), 3);
  EXPECT_EQ(copying.Copied(), 4);
}

}  // namespace
}  // namespace selvane::platform

#include "platform/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>
#include <algorithm>

namespace selvane::platform {
namespace {

// The object a reader speaks when it appears (Qt before 6.8).
class Notice : public QWidget {
 public:
  explicit Notice(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("selvane-notice"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 1);
    hide();
  }
};

// A single-line field as Qt presents it, with one attribute run over the whole text.
class FieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit FieldAccessible(QLineEdit* field)
      : QAccessibleWidget(field, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (Field()->isReadOnly()) {
      s.readOnly = true;
    } else {
      s.editable = true;
    }
    s.selectableText = true;
    return s;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Field()->displayText();
    return QAccessibleWidget::text(t);
  }

  // Selection and cursor.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Field()->hasSelectedText()) return;
    *start = Field()->selectionStart();
    *end = *start + Field()->selectionLength();
  }
  int selectionCount() const override { return Field()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { Field()->deselect(); }
  void setSelection(int, int start, int end) override { Field()->setSelection(start, end - start); }
  int cursorPosition() const override { return Field()->cursorPosition(); }
  void setCursorPosition(int position) override { Field()->setCursorPosition(position); }

  // The text.
  QString text(int start, int end) const override {
    return Field()->displayText().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Field()->displayText().size()); }
  // No styled runs in a plain field: one run, the whole text, without attributes.
  QString attributes(int offset, int* start, int* end) const override {
    const int count = characterCount();
    if (offset < 0 || offset > count) {
      *start = *end = -1;
      return {};
    }
    *start = 0;
    *end = count;
    return {};
  }

  // Geometry: the characters laid out in the field's contents as it aligns them.
  QRect characterRect(int offset) const override {
    const QLineEdit* f = Field();
    const QString shown = f->displayText();
    if (offset < 0 || offset >= shown.size()) return {};
    QStyleOptionFrame option;
    option.initFrom(f);
    const QRect contents = f->style()->subElementRect(QStyle::SE_LineEditContents, &option, f);
    const QFontMetrics metrics(f->font());
    int x = contents.left();
    if (f->alignment() & Qt::AlignRight) x = contents.right() - metrics.horizontalAdvance(shown);
    if (f->alignment() & Qt::AlignHCenter)
      x = contents.center().x() - metrics.horizontalAdvance(shown) / 2;
    x += metrics.horizontalAdvance(shown.left(offset));
    const QRect local(x, contents.center().y() - metrics.height() / 2,
                      metrics.horizontalAdvance(shown.at(offset)), metrics.height());
    return QRect(f->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Field()->cursorPositionAt(Field()->mapFromGlobal(point));
  }
  void scrollToSubstring(int start, int) override { Field()->setCursorPosition(start); }

 private:
  QLineEdit* Field() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* field = qobject_cast<QLineEdit*>(object)) return new FieldAccessible(field);
  if (auto* notice = dynamic_cast<Notice*>(object))
    return new QAccessibleWidget(notice, QAccessible::Notification);
  return nullptr;
}

// Hands every event that reaches a reader to the accessibility bridge, as Qt does without a
// handler.
void Forward(QAccessibleEvent* event) {
  if (!ReachesReader(*event)) return;
  QAccessible::installUpdateHandler(nullptr);
  QAccessible::updateAccessibility(event);
  QAccessible::installUpdateHandler(Forward);
}

}  // namespace

bool ReachesReader(const QAccessibleEvent& event) {
  switch (event.type()) {
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
    case QAccessible::ValueChanged:
      break;
    default:
      return true;
  }
  const auto* field = qobject_cast<const QLineEdit*>(event.object());
  return !field || field->hasFocus();
}

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    QAccessible::installUpdateHandler(Forward);
    return true;
  }();
  (void)installed;
}

Announcer::Announcer(QWidget* window) : window_(window) {
  InstallAccessibility();
}

bool Announcer::DescriptionChangesSpoken() {
  return QT_VERSION >= QT_VERSION_CHECK(6, 8, 0);
}

void Announcer::Announce(const QString& message) {
  if (!window_ || message.isEmpty() || !QAccessible::isActive()) return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  QWidget* focus = window_->focusWidget();
  QAccessibleAnnouncementEvent event(focus ? static_cast<QObject*>(focus) : window_.data(),
                                     message);
  QAccessible::updateAccessibility(&event);
#else
  if (!notice_) notice_ = new Notice(window_);
  notice_->setAccessibleName(message);
  // Appearing is what the reader speaks; the object is gone again before anything is painted.
  notice_->show();
  notice_->hide();
#endif
}

}  // namespace selvane::platform

// What a screen reader needs beyond what Qt gives the windows by itself: text fields whose text
// reads whole, and words for what an action did when the focus stays where it was. A reader
// speaks the control that takes the focus and what is typed into it; what a button changed
// elsewhere it speaks only when it is told.
#pragma once

#include <QPointer>
#include <QString>

class QAccessibleEvent;
class QWidget;

namespace selvane::platform {

// What the program's windows need from Qt's accessibility, installed once (call with the
// application object in place; later calls do nothing):
// - every single-line text field (QLineEdit) has the accessible text interface it has in Qt,
//   except that the text's attributes cover the whole text: Qt 6.4 reports an empty range at
//   each offset, and a reader that walks the ranges drops the field's last character ("2028"
//   read as "202");
// - the text and value changes of fields without the keyboard focus are not sent (see
//   ReachesReader).
void InstallAccessibility();

// False for the events a reader has no use for and that, while the display follows the clock or
// animates, come many times a second: a text field's text, caret or value changing while it
// does not have the focus. A reader reads a field's text when the focus comes to it; a stream
// of these fills its queue, and a reader whose queue is full drops what it was told about the
// focused control as well.
bool ReachesReader(const QAccessibleEvent& event);

// Says a short message about one window through the screen reader, if one listens. Qt 6.8 and
// later send it as an announcement; before that, the window holds a hidden notification object
// that appears for an instant with the message as its name, which a reader speaks wherever the
// focus is. Nothing is shown on the screen, and nothing happens while no reader listens.
class Announcer {
 public:
  explicit Announcer(QWidget* window);
  void Announce(const QString& message);
  // Whether a changed description of the focused control reaches the reader with its text
  // (Qt 6.8 and later); before, it comes without, and the reader says nothing of it.
  static bool DescriptionChangesSpoken();

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> notice_;
};

}  // namespace selvane::platform

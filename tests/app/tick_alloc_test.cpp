// A real-time tick of the whole desktop program allocates nothing while the clock's second
// stays the same (nine ticks in ten): the fields, their mirrors in the control window, the
// evaluation, the shadow drawn onto the canvas and the moon window's check for a new picture.
// Counted on the test's own thread by replacing the global allocation functions.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>

#include "app/desktop_app.h"
#include "tests/counting_new.h"

namespace selvane {
namespace {

using testing_support::AllocationsDuring;

class SetClock : public Clock {
 public:
  ClockReading Now() override { return reading; }
  ClockReading reading{2024, 1, 1, 12, 0, 0};
};

TEST(TickAllocations, CounterSeesAnAllocation) {
  EXPECT_EQ(AllocationsDuring([] {
              std::string text(100, 'x');
              asm volatile("" : : "g"(text.data()) : "memory");  // keep it from being elided
            }),
            1);
}

TEST(TickAllocations, ARealTimeTickWithinOneSecondAllocatesNothing) {
  MemorySettingsStore settings;
  SetClock clock;
  DesktopApp app(&settings, &clock);
  app.Start();
  ASSERT_EQ(app.State().RealTimeMode, 1);
  QCoreApplication::processEvents();
  // Seconds other than 1, which plays the phase animation; a new day gives a new picture.
  for (const ClockReading r :
       {ClockReading{2024, 1, 1, 12, 0, 10}, ClockReading{2024, 1, 1, 12, 0, 11},
        ClockReading{2024, 1, 5, 12, 0, 20}}) {
    clock.reading = r;
    const long updates = app.Form2().PictureUpdates();
    app.Panel().TimerTick();  // the new second: new texts, which Qt's text widgets allocate for
    EXPECT_EQ(app.Fields().Text(6), std::to_string(r.second));
    // A new picture is on its way to the screen before the tick returns.
    EXPECT_EQ(app.Form2().PictureUpdates(), updates + (r.day == 5));
    QCoreApplication::processEvents();
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(AllocationsDuring([&] { app.Panel().TimerTick(); }), 0) << r.day << " " << r.second;
    }
    EXPECT_EQ(app.Form2().PictureUpdates(), updates + (r.day == 5));
  }
  app.Quit();
}

}  // namespace
}  // namespace selvane

// What the moon picture tells a screen reader, and how often a change is passed on.
#include "view/picture_description.h"

#include <gtest/gtest.h>

namespace selvane {
namespace {

TEST(PictureDescription, AgeCutToTenthsAndLitShareRoundedAsTheFieldReads) {
  struct Case {
    const char* ageText;
    double lit;
    const char* expected;
  } cases[] = {
      {" 12.3987654321098765", 0.8549, "月齢 12.3日、輝面比 85%"},
      {" 0.0999999999999999", 0.0, "月齢 0.0日、輝面比 0%"},
      {" 29.5000000000000000", 0.9951, "月齢 29.5日、輝面比 100%"},
      {"-0.2599999999999999", 0.0049, "月齢 -0.2日、輝面比 0%"},
      {"", 0.5, "月齢 0.0日、輝面比 50%"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DescribePicture(FiguresFor(c.ageText, c.lit)), c.expected) << c.ageText;
  // The stale age that the first evaluation shows before the lunation search, and garbage.
  EXPECT_EQ(DescribePicture(FiguresFor(" 2460000.0", 1e300)), "月齢 2460000.0日、輝面比 100%");
}

// A run of evaluations: when each change is passed on, and when a held one falls due.
TEST(DescriptionPacer, AtMostOncePerMinuteInRealTimeOncePerSecondOtherwise) {
  using M = DescriptionPacer::Millis;
  const PictureFigures a{123, 85}, b{124, 85}, c{124, 86};
  struct Step {
    long long at;
    bool realTime;
    std::optional<PictureFigures> offer;  // none: the retry timer fired
    bool published;
    long long retry;  // -1: none
  } steps[] = {
      {0, true, a, true, -1},          // the first description goes out at once
      {100, true, a, false, -1},       // unchanged: silence
      {200, true, b, false, 59800},    // changed within the minute: held
      {30000, true, c, false, 30000},  // a newer change replaces the held one
      {59000, true, {}, false, 1000},  // a timer that fires early waits on
      {60000, true, {}, true, -1},     // the minute is up: c goes out
      {60100, true, c, false, -1},    {61000, true, b, false, 59000},
      {62000, false, b, true, -1},    // out of real time (a step): a second's gap is enough
      {62500, false, a, false, 500},  // a fast animation is held to once a second
      {62700, false, b, false, -1},   // back to what is out: the held change is dropped
      {63500, false, {}, false, -1},  // so nothing falls due
  };
  DescriptionPacer pacer;
  for (const Step& s : steps) {
    bool published;
    std::optional<M> retry;
    if (s.offer) {
      const auto d = pacer.Offer(*s.offer, s.realTime, M(s.at));
      published = d.publishNow;
      retry = d.retry;
    } else {
      const auto d = pacer.Due(s.realTime, M(s.at));
      published = d.publish.has_value();
      retry = d.retry;
    }
    EXPECT_EQ(published, s.published) << "at " << s.at;
    EXPECT_EQ(retry.value_or(M(-1)).count(), s.retry) << "at " << s.at;
  }
  EXPECT_EQ(pacer.Published(), b);
}

}  // namespace
}  // namespace selvane

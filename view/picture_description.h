// What the moon picture tells a screen reader: the Moon's age in days and the share of its disc
// that is lit, as a short Japanese description, and the pace at which a changed description is
// handed on. Real time evaluates ten times a second and a fast animation twenty; a screen reader
// that announced each change would never stop talking, so a change is passed on at once only
// when the last one is long enough ago, and otherwise once that time is up. No Qt here.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace selvane {

// The figures the description shows: the age cut to tenths of a day, as the age field's leading
// digits read, and the lit share rounded to whole percent.
struct PictureFigures {
  long long ageTenths = 0;
  int litPercent = 0;
  friend bool operator==(const PictureFigures&, const PictureFigures&) = default;
};

// From the age field's text (read leniently, as every field) and LitFraction (0 to 1).
PictureFigures FiguresFor(std::string_view ageText, double litFraction);

// "月齢 12.3日、輝面比 85%": numbers with "." whatever the locale.
std::string DescribePicture(const PictureFigures& figures);

// Decides when a changed description is passed on: at most once per minute in real-time mode,
// at most once per second otherwise; a change held back is passed on when its time is up.
class DescriptionPacer {
 public:
  using Millis = std::chrono::milliseconds;
  static constexpr Millis kRealTimeGap{60000};
  static constexpr Millis kOtherGap{1000};

  struct Decision {
    bool publishNow = false;      // pass these figures on now
    std::optional<Millis> retry;  // held back: call Due() again after this long
  };

  // The figures after an evaluation, with the time now on a steady clock.
  Decision Offer(const PictureFigures& figures, bool realTime, Millis now);
  // When a retry falls due: the figures to pass on now, if any, and whether to retry again.
  struct DueResult {
    std::optional<PictureFigures> publish;
    std::optional<Millis> retry;
  };
  DueResult Due(bool realTime, Millis now);

  const std::optional<PictureFigures>& Published() const { return published_; }

 private:
  static Millis Gap(bool realTime) { return realTime ? kRealTimeGap : kOtherGap; }

  std::optional<PictureFigures> published_;
  std::optional<PictureFigures> pending_;
  Millis publishedAt_{0};
};

}  // namespace selvane

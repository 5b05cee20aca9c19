#include "app/phase_cli.h"

#include <cmath>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "app/headless_session.h"
#include "app/phase_listing.h"
#include "astro/field_text.h"
#include "astro/version.h"

namespace selvane {
namespace {

constexpr const char* kUsage =
    "usage: selvane-phase [Y M D h m s] | --png FILE [--shadow-step N] [--scale R] [Y M D h m s]"
    " | --batch | --fields | --phases FROM [TO] [--format tsv|json|ics] | --help | --version\n";

constexpr const char* kHelp =
    "selvane-phase - the phase of the Moon as the Selvane desktop program computes it\n"
    "\n"
    "  selvane-phase               the phase now: the present time in Japan Standard Time\n"
    "  selvane-phase Y M D h m s   the phase for six field texts (Japan Standard Time)\n"
    "  selvane-phase --batch       reads lines of six tab-separated field texts; writes the\n"
    "                              six texts afterwards, InstantJD, SunLongitude,\n"
    "                              MoonLongitude, Elongation, LitFraction, LunationStartJD\n"
    "                              and the age text, tab-separated\n"
    "  selvane-phase --fields      the same input; writes only the six texts after the\n"
    "                              fields' carry rules\n"
    "  selvane-phase --png FILE [--shadow-step N] [--scale R] [Y M D h m s]\n"
    "                              writes the moon picture with the shadow of that instant\n"
    "                              (or of now) as a PNG file; N is 1 (solid, the default)\n"
    "                              or 2 (hatched); R is the screen's device pixel ratio\n"
    "                              drawn for, from 1 (255 x 258, the default) to 4\n"
    "                              (2: 510 x 516)\n"
    "  selvane-phase --phases FROM [TO] [--format tsv|json|ics]\n"
    "                              every new moon, first quarter, full moon and last\n"
    "                              quarter in the years FROM to TO (1583-9999), JST, to\n"
    "                              the second: \"YYYY-MM-DD hh:mm:ss<TAB>phase\" a line, a\n"
    "                              JSON array, or an iCalendar file (times in UTC)\n"
    "  selvane-phase --version     prints the version\n"
    "\n"
    "  Times are Japan Standard Time (UTC+9) whatever the computer's time zone.\n"
    "\n"
    "Exit status: 0 on success; 1 when the six texts are not a date and time from 1583 to 9999\n"
    "(a message on standard error names the field) or an input line was not six texts (its\n"
    "output line starts with \"#error\"); 2 on wrong arguments.\n";

// A number text for the reports, independent of the process locale.
void AppendFormatted(std::string& out, std::size_t (*format)(double, int, char*, std::size_t),
                     double value, int digits) {
  char buf[400];
  out.append(buf, format(value, digits, buf, sizeof buf));
}

void PrintHuman(HeadlessSession& s, std::ostream& out) {
  const EphemerisState& st = s.state;
  std::string text = "Date and time (JST): ";
  for (int i = 1; i <= 6; ++i)
    text += s.fields.Text(i) + (i < 3 ? "/" : i == 3 ? " " : i < 6 ? ":" : "\n");
  text += "Elongation:          ";
  AppendFormatted(text, FormatFixed, st.Elongation, 6);
  text += " deg\nIlluminated:         ";
  AppendFormatted(text, FormatFixed, st.LitFraction * 100, 4);
  text += " %\nAge:                ";
  text += s.ageText;
  text += " days\nLunation start (JST): ";
  if (st.LunationStartJD != 0) {
    // The second the search found, with the delta-T of that second's own year.
    AppendCivilTime(JulianDayToJst(st.LunationStartJD, s.engine.LunationStartDeltaT()), text);
    text += '\n';
  } else {
    text += "not found\n";
  }
  out << text;
}

// Splits a line into tab-separated texts; false unless there are exactly six.
bool SplitSix(std::string_view line, std::string_view (&texts)[6], int& count) {
  count = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    std::string_view part = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
    if (count < 6) texts[count] = part;
    ++count;
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return count == 6;
}

int RunBatch(bool evaluate, std::istream& in, std::ostream& out, std::ostream& err) {
  std::string line, row;
  long lineNo = 0;
  int status = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string_view texts[6];
    int count = 0;
    if (!SplitSix(line, texts, count)) {
      // The output keeps one line per input line: the reason stands in for the result.
      const std::string reason = "expected 6 tab-separated texts, found " + std::to_string(count);
      err << "selvane-phase: line " << lineNo << ": " << reason << "\n";
      out << "#error " << reason << "\n";
      status = 1;
      continue;
    }
    HeadlessSession s;
    s.EnterFields(texts);
    if (evaluate) s.engine.UpdateMoonPhase();
    // The texts as they stand afterwards: an evaluation that searched has rewritten them.
    row.clear();
    for (int i = 1; i <= 6; ++i) {
      row += s.fields.Text(i);
      row += i < 6 || evaluate ? '\t' : '\n';
    }
    if (evaluate) {
      const EphemerisState& st = s.state;
      for (double v : {st.InstantJD, st.SunLongitude, st.MoonLongitude, st.Elongation,
                       st.LitFraction, st.LunationStartJD}) {
        AppendFormatted(row, FormatGeneral, v, 17);
        row += '\t';
      }
      row += s.ageText;
      row += '\n';
    }
    out << row;
  }
  out.flush();
  return status;
}

constexpr const char* kFieldNames[6] = {"year", "month", "day", "hour", "minute", "second"};
// The years the tool answers for by hand: the Gregorian calendar from its first whole year,
// and four-digit years.
constexpr double kFirstYear = 1583, kLastYear = 9999;

// Enters six texts typed by hand as the fields take them; false with the reason when a text is
// not a number, the fields' rules refuse it, or the date has no Julian day the tool answers for.
bool EnterByHand(HeadlessSession& s, const std::vector<std::string>& args, std::string& reason) {
  for (int i = 0; i < 6; ++i) {
    if (!StrictNumber(args[i])) {
      reason = std::string(kFieldNames[i]) + " \"" + args[i] + "\" is not a number";
      return false;
    }
  }
  s.fields.WriteField(7, "1");
  for (int i = 0; i < 6; ++i) {
    if (!s.fields.WriteField(i + 1, args[i])) {
      reason = std::string(kFieldNames[i]) + " \"" + args[i] +
               "\" is refused: the carries into the other fields do not settle";
      return false;
    }
  }
  const double year = FieldNumber(s.fields.Text(1));
  if (!(year >= kFirstYear && year <= kLastYear)) {
    reason = "year " + s.fields.Text(1) + " is outside 1583 to 9999";
    if (s.fields.Text(1) != args[0]) reason += " (after the carries)";
    return false;
  }
  return true;
}

int RunSixTexts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  HeadlessSession s;
  std::string reason;
  if (!EnterByHand(s, args, reason)) {
    err << "selvane-phase: " << reason << "\n";
    return 1;
  }
  s.engine.UpdateMoonPhase();
  if (s.state.JulianDay == 0) {
    err << "selvane-phase: the date " << s.fields.Text(1) << "/" << s.fields.Text(2) << "/"
        << s.fields.Text(3) << " has no Julian day\n";
    return 1;
  }
  PrintHuman(s, out);
  return 0;
}

// Ten times the Julian day of the year 9999: far beyond any date the fields give the tool.
constexpr double kLargestJulianDay = 6e7;

}  // namespace

JstDateTime JulianDayToJst(double julianDay, int deltaTSeconds) {
  // Far outside the calendar the seconds below would leave the range of their integers.
  if (!(std::fabs(julianDay) < kLargestJulianDay)) return JstDateTime{};
  // Whole seconds on the civil scale from Julian day 2440587.5, 1970-01-01 0:00 UT, then on the
  // JST clock.
  const double seconds = std::nearbyint((julianDay - 2440587.5) * 86400.0 - deltaTSeconds);
  return CivilFromJstSeconds(static_cast<std::int64_t>(seconds) + kJstOffsetSeconds);
}

namespace {

int RunPng(const std::vector<std::string>& args, std::ostream& err, Clock& clock,
           const PngWriter& writePng) {
  // --png FILE [--shadow-step N] [--scale R] [Y M D h m s]
  std::size_t i = 1;
  if (i >= args.size() || args[i].empty()) return -1;
  const std::string path = args[i++];
  int step = 1;
  double scale = 1;
  while (i < args.size() && (args[i] == "--shadow-step" || args[i] == "--scale")) {
    if (i + 1 >= args.size()) return -1;
    const auto n = StrictNumber(args[i + 1]);
    if (args[i] == "--scale") {
      if (!n || !(*n >= 1 && *n <= 4)) {
        err << "selvane-phase: --scale takes a number from 1 to 4\n";
        return 2;
      }
      scale = *n;
    } else if (!n || (*n != 1 && *n != 2)) {
      err << "selvane-phase: --shadow-step takes 1 or 2\n";
      return 2;
    } else {
      step = static_cast<int>(*n);
    }
    i += 2;
  }
  std::vector<std::string> texts(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (!texts.empty() && texts.size() != 6) return -1;
  if (!writePng) {
    err << "selvane-phase: this build cannot draw pictures\n";
    return 2;
  }
  std::string error;
  if (!writePng(path, texts.empty() ? nullptr : &texts, step, scale, clock, error)) {
    err << "selvane-phase: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int RunPhaseCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, Clock& clock, const PngWriter& writePng) {
  if (!args.empty() && args[0] == "--phases") return RunPhaseListing(args, out, err);
  if (!args.empty() && args[0] == "--png") {
    const int status = RunPng(args, err, clock, writePng);
    if (status >= 0) return status;
    err << "selvane-phase: wrong arguments\n" << kUsage;
    return 2;
  }
  if (args.empty()) {
    HeadlessSession s;
    s.StartFromClock(clock);
    PrintHuman(s, out);
    return 0;
  }
  if (args.size() == 1) {
    const std::string& a = args[0];
    if (a == "--help" || a == "-h") {
      out << kHelp;
      return 0;
    }
    if (a == "--version") {
      out << "selvane-phase " << kSelvaneVersion << "\n";
      return 0;
    }
    if (a == "--batch") return RunBatch(true, in, out, err);
    if (a == "--fields") return RunBatch(false, in, out, err);
  }
  if (args.size() == 6 && args[0].rfind("--", 0) != 0) {
    return RunSixTexts(args, out, err);
  }
  err << "selvane-phase: wrong arguments\n" << kUsage;
  return 2;
}

}  // namespace selvane

#include "app/phase_cli.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "app/checked_output.h"
#include "app/headless_session.h"
#include "app/phase_listing.h"
#include "astro/field_calendar.h"
#include "astro/field_text.h"
#include "astro/version.h"

namespace selvane {
namespace {

constexpr const char* kUsage =
    "usage: selvane-phase [--format json] [Y M D h m s]"
    " | --next [N] [Y M D h m s] [--format tsv|json|ics]"
    " | --phases FROM [TO] [--format tsv|json|ics]"
    " | --png FILE [--shadow-step N] [--scale R] [Y M D h m s]"
    " | --batch | --fields | -h | --help | --version\n";

constexpr const char* kHelp =
    "selvane-phase - the phase of the Moon as the Selvane desktop program computes it\n"
    "\n"
    "  selvane-phase               the phase now: the present time in Japan Standard Time\n"
    "  selvane-phase Y M D h m s   the phase for six field texts (Japan Standard Time)\n"
    "  selvane-phase --format json [Y M D h m s]\n"
    "                              the same as one JSON object: time, age, illuminated\n"
    "                              (0 to 1), elongation, phase, lunation_start and the\n"
    "                              next four principal phases\n"
    "  selvane-phase --next [N] [Y M D h m s] [--format tsv|json|ics]\n"
    "                              the next N principal phases (4 by default) after the\n"
    "                              present second or the six texts, as --phases lists them\n"
    "  selvane-phase --phases FROM [TO] [--format tsv|json|ics]\n"
    "                              every new moon, first quarter, full moon and last\n"
    "                              quarter in the years FROM to TO (1583-9999), JST, to\n"
    "                              the second: \"YYYY-MM-DD hh:mm:ss<TAB>phase\" a line, a\n"
    "                              JSON array, or an iCalendar file (times in UTC)\n"
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
    "  selvane-phase -h, --help    prints this help\n"
    "  selvane-phase --version     prints the version\n"
    "\n"
    "  An option's value may also follow it after \"=\": --format=json, --next=8.\n"
    "  Times are Japan Standard Time (UTC+9) whatever the computer's time zone.\n"
    "  SOURCE_DATE_EPOCH, when set, is the DTSTAMP of an iCalendar file.\n"
    "\n"
    "Exit status: 0 on success; 1 when the six texts are not a date and time from 1583 to 9999\n"
    "(a message on standard error names the field), an input line was not six texts (its\n"
    "output line starts with \"#error\"), or the output or the picture could not be written;\n"
    "2 on wrong arguments.\n";

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
    if (!out) break;  // nothing more can arrive
  }
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

// The status of wrong arguments, answered with the usage line.
constexpr int kWrongArguments = -1;

// Evaluates six texts typed by hand, or the clock as the program starts when there are none,
// as the moon window would show them; false after naming the reason on err.
bool EvaluateInstant(HeadlessSession& s, const std::vector<std::string>& texts, Clock& clock,
                     std::ostream& err) {
  if (texts.empty()) {
    s.StartFromClock(clock);
    return true;
  }
  std::string reason;
  if (!EnterByHand(s, texts, reason)) {
    err << "selvane-phase: " << reason << "\n";
    return false;
  }
  s.engine.UpdateMoonPhase();
  if (s.state.JulianDay == 0) {
    err << "selvane-phase: the date " << s.fields.Text(1) << "/" << s.fields.Text(2) << "/"
        << s.fields.Text(3) << " has no Julian day\n";
    return false;
  }
  return true;
}

// The second of the JST clock that the six fields show; false after naming them on err when
// they show no whole second of the calendar.
bool ShownSecond(const HeadlessSession& s, std::int64_t& second, std::ostream& err) {
  int v[6] = {};
  bool whole = true;
  for (int i = 0; i < 6; ++i) {
    const auto n = StrictNumber(s.fields.Text(i + 1));
    whole = whole && n && *n == std::trunc(*n) && std::fabs(*n) <= kLastYear;
    if (whole) v[i] = static_cast<int>(*n);
  }
  if (whole && v[0] >= kFirstYear && v[1] >= 1 && v[1] <= 12 && v[2] >= 1 &&
      v[2] <= DaysInMonth(v[1], IsLeapYear(v[0])) && v[3] >= 0 && v[3] <= 23 && v[4] >= 0 &&
      v[4] <= 59 && v[5] >= 0 && v[5] <= 59) {
    second = JstSecondsFromCivil({v[0], v[1], v[2], v[3], v[4], v[5]});
    return true;
  }
  err << "selvane-phase: the fields show " << s.fields.Text(1) << "/" << s.fields.Text(2) << "/"
      << s.fields.Text(3) << " " << s.fields.Text(4) << ":" << s.fields.Text(5) << ":"
      << s.fields.Text(6) << ", not a whole second from 1583 to 9999\n";
  return false;
}

// A number for a JSON text: the number text when JSON can read it as one, else null.
void AppendJsonNumber(std::string_view text, std::string& out) {
  const bool number = !text.empty() && (text[0] == '-' || (text[0] >= '0' && text[0] <= '9')) &&
                      text.find_first_not_of("0123456789.-+eE") == std::string_view::npos;
  out += number ? text : "null";
}

// The instant as one JSON object: the shown second, the age text's number, the lit fraction,
// the elongation, the day's phase name, the lunation's first second and the next phases.
void WriteInstantJson(const HeadlessSession& s, std::int64_t second, const char* phase,
                      const std::vector<PhaseEvent>& next, std::string& out) {
  char buf[64];
  out += "{\"time\": \"";
  AppendIsoTime(CivilFromJstSeconds(second), out);
  std::string_view age = s.ageText;
  if (!age.empty() && age[0] == ' ') age.remove_prefix(1);
  out += "\", \"age\": ";
  AppendJsonNumber(age, out);
  out += ", \"illuminated\": ";
  AppendJsonNumber({buf, FormatGeneral(s.state.LitFraction, 17, buf, sizeof buf)}, out);
  out += ", \"elongation\": ";
  AppendJsonNumber({buf, FormatGeneral(s.state.Elongation, 17, buf, sizeof buf)}, out);
  out += ", \"phase\": ";
  if (phase) {
    out += '"';
    out += phase;
    out += '"';
  } else {
    out += "null";
  }
  out += ", \"lunation_start\": ";
  if (s.state.LunationStartJD != 0) {
    out += '"';
    AppendIsoTime(JulianDayToJst(s.state.LunationStartJD, s.engine.LunationStartDeltaT()), out);
    out += '"';
  } else {
    out += "null";
  }
  out += ", \"next\": [";
  for (std::size_t i = 0; i < next.size(); ++i) {
    if (i) out += ", ";
    AppendPhaseJson(next[i], out);
  }
  out += "]}\n";
}

// [--format json] [Y M D h m s]: the report for people, or one JSON object.
int RunInstant(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               Clock& clock) {
  std::vector<std::string> texts;
  bool json = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--format") {
      if (i + 1 >= args.size() || args[i + 1] != "json") {
        err << "selvane-phase: --format takes json for an instant\n";
        return 2;
      }
      json = true;
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return kWrongArguments;
    } else {
      texts.push_back(args[i]);
    }
  }
  if (!texts.empty() && texts.size() != 6) return kWrongArguments;
  HeadlessSession s;
  if (!EvaluateInstant(s, texts, clock, err)) return 1;
  if (!json) {
    PrintHuman(s, out);
    return 0;
  }
  std::int64_t second = 0;
  if (!ShownSecond(s, second, err)) return 1;
  PhaseFinder finder;
  std::vector<PhaseEvent> next;
  finder.ListAfter(second, LastPhaseSecond(), 4, next);
  std::string text;
  WriteInstantJson(s, second, finder.DayPhaseName(second), next, text);
  out << text;
  return 0;
}

// More than all the phases from 1583 to 9999.
constexpr std::int64_t kMostPhases = 500000;

// --next [N] [Y M D h m s] [--format tsv|json|ics]
int RunNext(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            Clock& clock) {
  PhaseFormat format = PhaseFormat::Tsv;
  std::vector<std::string> texts;
  if (!TakePhaseFormat(args, format, texts, err)) return 2;
  for (const std::string& text : texts) {
    if (text.rfind("--", 0) == 0) return kWrongArguments;
  }
  std::int64_t count = 4;
  if (texts.size() == 1 || texts.size() == 7) {
    const auto n = ParseDigits(texts[0], 1, kMostPhases);
    if (!n) {
      err << "selvane-phase: --next: \"" << texts[0]
          << "\" is not a number of phases from 1 to 500000\n";
      return 2;
    }
    count = *n;
    texts.erase(texts.begin());
  }
  if (!texts.empty() && texts.size() != 6) return kWrongArguments;
  HeadlessSession s;
  std::int64_t second = 0;
  if (!EvaluateInstant(s, texts, clock, err) || !ShownSecond(s, second, err)) return 1;
  PhaseFinder finder;
  std::vector<PhaseEvent> events;
  events.reserve(static_cast<std::size_t>(std::min<std::int64_t>(count, 1024)));
  finder.ListAfter(second, LastPhaseSecond(), static_cast<std::size_t>(count), events);
  return WritePhaseEvents(events, format, std::nullopt, out, err);
}

int RunPng(const std::vector<std::string>& args, std::ostream& err, Clock& clock,
           const PngWriter& writePng) {
  // --png FILE [--shadow-step N] [--scale R] [Y M D h m s]
  std::size_t i = 1;
  if (i >= args.size() || args[i].empty()) return kWrongArguments;
  const std::string path = args[i++];
  int step = 1;
  double scale = 1;
  while (i < args.size() && (args[i] == "--shadow-step" || args[i] == "--scale")) {
    if (i + 1 >= args.size()) return kWrongArguments;
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
  if (!texts.empty() && texts.size() != 6) return kWrongArguments;
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

// The options that take a value, which may also follow them after "=": --format=json.
constexpr std::string_view kValueOptions[] = {"--format", "--next",        "--phases",
                                              "--png",    "--shadow-step", "--scale"};

std::vector<std::string> SplitJoinedValues(const std::vector<std::string>& args) {
  std::vector<std::string> split;
  split.reserve(args.size() + 4);
  for (const std::string& a : args) {
    const std::size_t eq = a.find('=');
    const std::string_view name = std::string_view(a).substr(0, eq);
    if (a.rfind("--", 0) == 0 && eq != std::string::npos &&
        std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
            std::end(kValueOptions)) {
      split.emplace_back(name);
      split.push_back(a.substr(eq + 1));
    } else {
      split.push_back(a);
    }
  }
  return split;
}

int RunMode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err, Clock& clock, const PngWriter& writePng) {
  const std::string first = args.empty() ? "" : args[0];
  if (first == "--phases") return RunPhaseListing(args, out, err);
  if (first == "--next") return RunNext(args, out, err, clock);
  if (first == "--png") return RunPng(args, err, clock, writePng);
  if (args.size() == 1) {
    if (first == "--help" || first == "-h") {
      out << kHelp;
      return 0;
    }
    if (first == "--version") {
      out << "selvane-phase " << kSelvaneVersion << "\n";
      return 0;
    }
    if (first == "--batch") return RunBatch(true, in, out, err);
    if (first == "--fields") return RunBatch(false, in, out, err);
  }
  return RunInstant(args, out, err, clock);
}

}  // namespace

int RunPhaseCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, Clock& clock, const PngWriter& writePng) {
  int status = RunMode(SplitJoinedValues(args), in, out, err, clock, writePng);
  if (status == kWrongArguments) {
    err << "selvane-phase: wrong arguments\n" << kUsage;
    status = 2;
  }
  // Output that never arrived is a failure, whatever the mode.
  out.flush();
  if (!out) {
    err << "selvane-phase: cannot write standard output";
    const auto* buffer = dynamic_cast<const FdStreamBuf*>(out.rdbuf());
    if (buffer && buffer->Error()) err << ": " << std::strerror(buffer->Error());
    err << "\n";
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace selvane

#include "app/phase_cli.h"

#include <cmath>
#include <cstdio>
#include <istream>
#include <ostream>
#include <string_view>

#include "app/headless_session.h"
#include "app/version.h"
#include "astro/field_text.h"

namespace selvane {
namespace {

constexpr const char* kUsage =
    "usage: selvane-phase [Y M D h m s] | --png FILE [--shadow-step N] [Y M D h m s] | --batch |"
    " --fields | --help | --version\n";

constexpr const char* kHelp =
    "selvane-phase - the phase of the Moon as the Selvane desktop program computes it\n"
    "\n"
    "  selvane-phase               the phase now, from the local clock taken as JST\n"
    "  selvane-phase Y M D h m s   the phase for six field texts (Japan Standard Time)\n"
    "  selvane-phase --batch       reads lines of six tab-separated field texts; writes the\n"
    "                              six texts afterwards, InstantJD, SunLongitude,\n"
    "                              MoonLongitude, Elongation, LitFraction, LunationStartJD\n"
    "                              and the age text, tab-separated\n"
    "  selvane-phase --fields      the same input; writes only the six texts after the\n"
    "                              fields' carry rules\n"
    "  selvane-phase --png FILE [--shadow-step N] [Y M D h m s]\n"
    "                              writes the moon picture with the shadow of that instant\n"
    "                              (or of now) as a PNG file; N is 1 (solid, the default)\n"
    "                              or 2 (hatched)\n"
    "  selvane-phase --version     prints the version\n"
    "\n"
    "Exit status: 0 on success, 1 when an input line was not six texts, 2 on wrong arguments.\n";

void PrintHuman(HeadlessSession& s, std::ostream& out) {
  const EphemerisState& st = s.state;
  char buf[256];
  std::snprintf(buf, sizeof buf, "Date and time (JST): %s/%s/%s %s:%s:%s\n",
                s.fields.Text(1).c_str(), s.fields.Text(2).c_str(), s.fields.Text(3).c_str(),
                s.fields.Text(4).c_str(), s.fields.Text(5).c_str(), s.fields.Text(6).c_str());
  out << buf;
  FormatFixed(st.Elongation, 6, buf, sizeof buf);
  out << "Elongation:          " << buf << " deg\n";
  FormatFixed(st.LitFraction * 100, 4, buf, sizeof buf);
  out << "Illuminated:         " << buf << " %\n";
  out << "Age:                " << s.ageText << " days\n";
  if (st.LunationStartJD != 0) {
    JstDateTime j = JulianDayToJst(st.LunationStartJD, st.DeltaT);
    std::snprintf(buf, sizeof buf, "Lunation start (JST): %lld-%02d-%02d %02d:%02d:%02d\n", j.year,
                  j.month, j.day, j.hour, j.minute, j.second);
  } else {
    std::snprintf(buf, sizeof buf, "Lunation start (JST): not found\n");
  }
  out << buf;
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
  std::string line;
  long lineNo = 0;
  int status = 0;
  char buf[64];
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string_view texts[6];
    int count = 0;
    if (!SplitSix(line, texts, count)) {
      err << "selvane-phase: line " << lineNo << ": expected 6 tab-separated texts, found " << count
          << "\n";
      status = 1;
      continue;
    }
    HeadlessSession s;
    s.EnterFields(texts);
    for (int i = 1; i <= 6; ++i) out << s.fields.Text(i) << (i < 6 || evaluate ? "\t" : "\n");
    if (!evaluate) continue;
    s.engine.UpdateMoonPhase();
    const EphemerisState& st = s.state;
    for (double v : {st.InstantJD, st.SunLongitude, st.MoonLongitude, st.Elongation, st.LitFraction,
                     st.LunationStartJD}) {
      FormatGeneral(v, 17, buf, sizeof buf);
      out << buf << '\t';
    }
    out << s.ageText << "\n";
  }
  out.flush();
  return status;
}

}  // namespace

JstDateTime JulianDayToJst(double julianDay, int deltaTSeconds) {
  // Whole seconds from the Julian day epoch, in JST on the civil scale.
  double seconds = std::nearbyint((julianDay + 0.5) * 86400.0 - deltaTSeconds + 9 * 3600.0);
  double days = std::floor(seconds / 86400.0);
  long long secOfDay = static_cast<long long>(seconds - days * 86400.0);
  // Gregorian calendar from the day number (Meeus, with the Gregorian correction throughout,
  // as the engine's conversion applies it).
  double z = days;
  double alpha = std::floor((z - 1867216.25) / 36524.25);
  double a = z + 1 + alpha - std::floor(alpha / 4);
  double b = a + 1524;
  double c = std::floor((b - 122.1) / 365.25);
  double d = std::floor(365.25 * c);
  double e = std::floor((b - d) / 30.6001);
  JstDateTime r{};
  r.day = static_cast<int>(b - d - std::floor(30.6001 * e));
  r.month = static_cast<int>(e < 14 ? e - 1 : e - 13);
  r.year = static_cast<long long>(r.month > 2 ? c - 4716 : c - 4715);
  r.hour = static_cast<int>(secOfDay / 3600);
  r.minute = static_cast<int>(secOfDay / 60 % 60);
  r.second = static_cast<int>(secOfDay % 60);
  return r;
}

namespace {

int RunPng(const std::vector<std::string>& args, std::ostream& err, Clock& clock,
           const PngWriter& writePng) {
  // --png FILE [--shadow-step N] [Y M D h m s]
  std::size_t i = 1;
  if (i >= args.size() || args[i].empty()) return -1;
  const std::string path = args[i++];
  int step = 1;
  if (i < args.size() && args[i] == "--shadow-step") {
    if (i + 1 >= args.size()) return -1;
    const auto n = StrictNumber(args[i + 1]);
    if (!n || (*n != 1 && *n != 2)) {
      err << "selvane-phase: --shadow-step takes 1 or 2\n";
      return 2;
    }
    step = static_cast<int>(*n);
    i += 2;
  }
  std::vector<std::string> texts(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (!texts.empty() && texts.size() != 6) return -1;
  if (!writePng) {
    err << "selvane-phase: this build cannot draw pictures\n";
    return 2;
  }
  std::string error;
  if (!writePng(path, texts.empty() ? nullptr : &texts, step, clock, error)) {
    err << "selvane-phase: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int RunPhaseCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err, Clock& clock, const PngWriter& writePng) {
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
    std::string_view texts[6];
    for (int i = 0; i < 6; ++i) texts[i] = args[i];
    HeadlessSession s;
    s.EnterFields(texts);
    s.engine.UpdateMoonPhase();
    PrintHuman(s, out);
    return 0;
  }
  err << "selvane-phase: wrong arguments\n" << kUsage;
  return 2;
}

}  // namespace selvane

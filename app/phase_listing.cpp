#include "app/phase_listing.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <ostream>

#include "astro/version.h"

namespace selvane {
namespace {

// Appends a whole number with at least width digits.
void AppendNumber(std::int64_t value, int width, std::string& out) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  for (auto n = r.ptr - buf; n < width; ++n) out += '0';
  out.append(buf, r.ptr);
}

// "YYYY<a>MM<a>DD<b>hh<c>mm<c>ss"
void AppendTime(const CivilTime& t, char a, char b, char c, std::string& out) {
  AppendNumber(t.year, 4, out);
  if (a) out += a;
  AppendNumber(t.month, 2, out);
  if (a) out += a;
  AppendNumber(t.day, 2, out);
  out += b;
  AppendNumber(t.hour, 2, out);
  if (c) out += c;
  AppendNumber(t.minute, 2, out);
  if (c) out += c;
  AppendNumber(t.second, 2, out);
}

}  // namespace

void AppendCivilTime(const CivilTime& t, std::string& out) {
  AppendTime(t, '-', ' ', ':', out);
}

void AppendIsoTime(const CivilTime& t, std::string& out) {
  AppendTime(t, '-', 'T', ':', out);
  out += "+09:00";
}

void AppendPhaseJson(const PhaseEvent& event, std::string& out) {
  out += "{\"time\": \"";
  AppendIsoTime(CivilFromJstSeconds(event.jstSeconds), out);
  out += "\", \"phase\": \"";
  out += PhaseName(event.phase);
  out += "\"}";
}

namespace {

// The UTC form of iCalendar: 20270107T202406Z.
void AppendUtc(std::int64_t unixSeconds, std::string& out) {
  AppendTime(CivilFromJstSeconds(unixSeconds), 0, 'T', 0, out);
  out += 'Z';
}

const char* Summary(MoonPhase phase) {
  switch (phase) {
    case MoonPhase::New:
      return "新月";
    case MoonPhase::FirstQuarter:
      return "上弦";
    case MoonPhase::Full:
      return "満月";
    case MoonPhase::LastQuarter:
      return "下弦";
  }
  return "";
}

// The DTSTAMP of a calendar: SOURCE_DATE_EPOCH, so that a build can make the same file twice,
// or now.
std::optional<std::int64_t> CalendarStamp(std::ostream& err) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) {
    const auto stamp = ParseDigits(epoch, 0, LastPhaseSecond() - kJstOffsetSeconds);
    if (!stamp) {
      err << "selvane-phase: SOURCE_DATE_EPOCH \"" << epoch
          << "\" is not a whole number of seconds up to the end of 9999\n";
    }
    return stamp;
  }
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::optional<std::int64_t> ParseDigits(std::string_view text, std::int64_t low,
                                        std::int64_t high) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  if (text.empty() || text[0] == '-' || r.ec != std::errc() || r.ptr != end) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<PhaseFormat> ParsePhaseFormat(std::string_view text) {
  if (text == "tsv") return PhaseFormat::Tsv;
  if (text == "json") return PhaseFormat::Json;
  if (text == "ics") return PhaseFormat::Ics;
  return std::nullopt;
}

void WritePhasesTsv(const std::vector<PhaseEvent>& events, std::string& out) {
  for (const PhaseEvent& e : events) {
    AppendCivilTime(CivilFromJstSeconds(e.jstSeconds), out);
    out += '\t';
    out += PhaseName(e.phase);
    out += '\n';
  }
}

void WritePhasesJson(const std::vector<PhaseEvent>& events, std::string& out) {
  out += '[';
  for (std::size_t i = 0; i < events.size(); ++i) {
    out += i ? ",\n  " : "\n  ";
    AppendPhaseJson(events[i], out);
  }
  out += events.empty() ? "]\n" : "\n]\n";
}

void AppendContentLine(std::string_view line, std::string& out) {
  // The first line holds 75 octets; each continuation starts with a blank and holds 74 more.
  std::size_t room = 75;
  while (line.size() > room) {
    std::size_t cut = room;
    // Never inside a UTF-8 sequence: back up over continuation octets.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    room = 74;
  }
  out.append(line);
  out += "\r\n";
}

void WritePhasesIcs(const std::vector<PhaseEvent>& events, std::int64_t stampUnixSeconds,
                    std::string& out) {
  std::string line;
  std::string stamp;
  AppendUtc(stampUnixSeconds, stamp);
  AppendContentLine("BEGIN:VCALENDAR", out);
  AppendContentLine("VERSION:2.0", out);
  line = "PRODID:-//Selvane//selvane-phase ";
  line += kSelvaneVersion;
  line += "//JA";
  AppendContentLine(line, out);
  AppendContentLine("CALSCALE:GREGORIAN", out);
  for (const PhaseEvent& e : events) {
    const std::int64_t utc = e.jstSeconds - kJstOffsetSeconds;
    AppendContentLine("BEGIN:VEVENT", out);
    // The lunation and the phase name the event, not its second: the same event keeps its
    // UID in every run, also where a later engine finds its instant a few seconds apart.
    line = "UID:lunation";
    AppendNumber(LunationNumber(e.jstSeconds, e.phase), 1, line);
    line += '-';
    line += PhaseName(e.phase);
    line += "@phases.selvane.org";
    AppendContentLine(line, out);
    AppendContentLine("DTSTAMP:" + stamp, out);
    line = "DTSTART:";
    AppendUtc(utc, line);
    AppendContentLine(line, out);
    // An instant: without a length, calendars give an event with a time an hour or so.
    AppendContentLine("DURATION:PT0S", out);
    line = "SUMMARY:";
    line += Summary(e.phase);
    AppendContentLine(line, out);
    AppendContentLine("TRANSP:TRANSPARENT", out);
    AppendContentLine("END:VEVENT", out);
  }
  AppendContentLine("END:VCALENDAR", out);
}

int WritePhaseEvents(const std::vector<PhaseEvent>& events, PhaseFormat format,
                     std::optional<std::int64_t> stampUnixSeconds, std::ostream& out,
                     std::ostream& err) {
  std::string text;
  switch (format) {
    case PhaseFormat::Tsv:
      WritePhasesTsv(events, text);
      break;
    case PhaseFormat::Json:
      WritePhasesJson(events, text);
      break;
    case PhaseFormat::Ics:
      if (!stampUnixSeconds) stampUnixSeconds = CalendarStamp(err);
      if (!stampUnixSeconds) return 2;
      WritePhasesIcs(events, *stampUnixSeconds, text);
      break;
  }
  out << text;
  return 0;
}

bool TakePhaseFormat(const std::vector<std::string>& args, PhaseFormat& format,
                     std::vector<std::string>& rest, std::ostream& err) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] != "--format") {
      rest.push_back(args[i]);
      continue;
    }
    const auto parsed = ParsePhaseFormat(i + 1 < args.size() ? args[++i] : "");
    if (!parsed) {
      err << "selvane-phase: --format takes tsv, json or ics\n";
      return false;
    }
    format = *parsed;
  }
  return true;
}

int RunPhaseListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    std::optional<std::int64_t> stampUnixSeconds) {
  std::vector<std::string> years;
  PhaseFormat format = PhaseFormat::Tsv;
  if (!TakePhaseFormat(args, format, years, err)) return 2;
  if (years.empty() || years.size() > 2) {
    err << "selvane-phase: --phases takes a first year and an optional last year\n"
           "usage: selvane-phase --phases FROM [TO] [--format tsv|json|ics]\n";
    return 2;
  }
  int range[2] = {0, 0};
  for (std::size_t i = 0; i < years.size(); ++i) {
    const auto year = ParseDigits(years[i], kFirstPhaseYear, kLastPhaseYear);
    if (!year) {
      err << "selvane-phase: --phases: \"" << years[i]
          << "\" is not a year from 1583 to 9999 (whole digits)\n";
      return 2;
    }
    range[i] = static_cast<int>(*year);
  }
  if (years.size() == 1) range[1] = range[0];
  if (range[1] < range[0]) {
    err << "selvane-phase: --phases: the last year " << range[1] << " comes before the first "
        << range[0] << "\n";
    return 2;
  }

  std::vector<PhaseEvent> events;
  events.reserve(static_cast<std::size_t>(range[1] - range[0] + 1) * 50);
  PhaseFinder finder;
  finder.ListYears(range[0], range[1], events);
  return WritePhaseEvents(events, format, stampUnixSeconds, out, err);
}

}  // namespace selvane

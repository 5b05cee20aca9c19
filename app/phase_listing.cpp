#include "app/phase_listing.h"

#include <charconv>
#include <chrono>
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

// A year from 1583 to 9999 written as plain digits.
std::optional<int> ParseYear(const std::string& text) {
  int year = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, year);
  if (text.empty() || text[0] == '-' || r.ec != std::errc() || r.ptr != end) return std::nullopt;
  if (year < kFirstPhaseYear || year > kLastPhaseYear) return std::nullopt;
  return year;
}

}  // namespace

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
    out += "{\"time\": \"";
    AppendTime(CivilFromJstSeconds(events[i].jstSeconds), '-', 'T', ':', out);
    out += "+09:00\", \"phase\": \"";
    out += PhaseName(events[i].phase);
    out += "\"}";
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
    // The instant and the phase name the event: the same event has the same UID in every run.
    line = "UID:";
    AppendUtc(utc, line);
    line += '-';
    line += PhaseName(e.phase);
    line += "@phases.selvane.org";
    AppendContentLine(line, out);
    AppendContentLine("DTSTAMP:" + stamp, out);
    line = "DTSTART:";
    AppendUtc(utc, line);
    AppendContentLine(line, out);
    line = "SUMMARY:";
    line += Summary(e.phase);
    AppendContentLine(line, out);
    AppendContentLine("TRANSP:TRANSPARENT", out);
    AppendContentLine("END:VEVENT", out);
  }
  AppendContentLine("END:VCALENDAR", out);
}

int RunPhaseListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    std::optional<std::int64_t> stampUnixSeconds) {
  std::vector<const std::string*> years;
  PhaseFormat format = PhaseFormat::Tsv;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--format") {
      const std::string value = i + 1 < args.size() ? args[++i] : "";
      if (value == "tsv") {
        format = PhaseFormat::Tsv;
      } else if (value == "json") {
        format = PhaseFormat::Json;
      } else if (value == "ics") {
        format = PhaseFormat::Ics;
      } else {
        err << "selvane-phase: --format takes tsv, json or ics\n";
        return 2;
      }
    } else {
      years.push_back(&args[i]);
    }
  }
  if (years.empty() || years.size() > 2) {
    err << "selvane-phase: --phases takes a first year and an optional last year\n"
           "usage: selvane-phase --phases FROM [TO] [--format tsv|json|ics]\n";
    return 2;
  }
  int range[2] = {0, 0};
  for (std::size_t i = 0; i < years.size(); ++i) {
    const auto year = ParseYear(*years[i]);
    if (!year) {
      err << "selvane-phase: --phases: \"" << *years[i]
          << "\" is not a year from 1583 to 9999 (whole digits)\n";
      return 2;
    }
    range[i] = *year;
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

  std::string text;
  switch (format) {
    case PhaseFormat::Tsv:
      WritePhasesTsv(events, text);
      break;
    case PhaseFormat::Json:
      WritePhasesJson(events, text);
      break;
    case PhaseFormat::Ics: {
      const std::int64_t stamp = stampUnixSeconds
                                     ? *stampUnixSeconds
                                     : std::chrono::duration_cast<std::chrono::seconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count();
      WritePhasesIcs(events, stamp, text);
      break;
    }
  }
  out << text;
  out.flush();
  if (!out) {
    err << "selvane-phase: the listing could not be written\n";
    return 1;
  }
  return 0;
}

}  // namespace selvane

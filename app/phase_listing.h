// selvane-phase --phases: the Moon's principal phases over whole years, as a tab-separated list,
// a JSON array or an iCalendar file.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "astro/phase_events.h"

namespace selvane {

enum class PhaseFormat { Tsv, Json, Ics };

// A whole number written as plain digits, from low to high; nothing for any other text.
std::optional<std::int64_t> ParseDigits(std::string_view text, std::int64_t low, std::int64_t high);

// "tsv", "json" or "ics"; nothing for any other text.
std::optional<PhaseFormat> ParsePhaseFormat(std::string_view text);

// "2027-01-08 05:24:06": a date and time as the listing and the tool's reports write it.
void AppendCivilTime(const CivilTime& t, std::string& out);
// "2027-01-08T05:24:06+09:00": a JST date and time as JSON texts write it.
void AppendIsoTime(const CivilTime& t, std::string& out);
// {"time": "2027-01-08T05:24:06+09:00", "phase": "new"}
void AppendPhaseJson(const PhaseEvent& event, std::string& out);

// "2027-01-08 05:24:06\tnew\n" a line.
void WritePhasesTsv(const std::vector<PhaseEvent>& events, std::string& out);
// [{"time": "2027-01-08T05:24:06+09:00", "phase": "new"}, ...]
void WritePhasesJson(const std::vector<PhaseEvent>& events, std::string& out);
// One VEVENT per phase, at its instant in UTC and lasting no time, with a UID made of its
// lunation's number and its phase; stampUnixSeconds is the DTSTAMP of every event.
void WritePhasesIcs(const std::vector<PhaseEvent>& events, std::int64_t stampUnixSeconds,
                    std::string& out);

// An iCalendar content line with its CRLF, folded so that no line exceeds 75 octets and no
// UTF-8 character is split.
void AppendContentLine(std::string_view line, std::string& out);

// Takes the arguments after the mode's name (args[0]) apart into the value of "--format" and
// the rest; false after naming a value other than tsv, json or ics on err.
bool TakePhaseFormat(const std::vector<std::string>& args, PhaseFormat& format,
                     std::vector<std::string>& rest, std::ostream& err);

// Writes the events in the format to out; returns the exit status. The DTSTAMP of an
// iCalendar is stampUnixSeconds, or else SOURCE_DATE_EPOCH when it is set (a text that is not
// a whole number of seconds from 0 to the end of 9999 is named on err, status 2), or else now.
int WritePhaseEvents(const std::vector<PhaseEvent>& events, PhaseFormat format,
                     std::optional<std::int64_t> stampUnixSeconds, std::ostream& out,
                     std::ostream& err);

// Runs "--phases FROM [TO] [--format tsv|json|ics]" (args[0] is "--phases"); returns the exit
// status. The DTSTAMP of an iCalendar is as WritePhaseEvents has it.
int RunPhaseListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    std::optional<std::int64_t> stampUnixSeconds = std::nullopt);

}  // namespace selvane

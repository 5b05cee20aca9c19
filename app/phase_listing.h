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

// "2027-01-08 05:24:06": a date and time as the listing and the tool's reports write it.
void AppendCivilTime(const CivilTime& t, std::string& out);

// "2027-01-08 05:24:06\tnew\n" a line.
void WritePhasesTsv(const std::vector<PhaseEvent>& events, std::string& out);
// [{"time": "2027-01-08T05:24:06+09:00", "phase": "new"}, ...]
void WritePhasesJson(const std::vector<PhaseEvent>& events, std::string& out);
// One VEVENT per phase, times in UTC; stampUnixSeconds is the DTSTAMP of every event.
void WritePhasesIcs(const std::vector<PhaseEvent>& events, std::int64_t stampUnixSeconds,
                    std::string& out);

// An iCalendar content line with its CRLF, folded so that no line exceeds 75 octets and no
// UTF-8 character is split.
void AppendContentLine(std::string_view line, std::string& out);

// Runs "--phases FROM [TO] [--format tsv|json|ics]" (args[0] is "--phases"); returns the exit
// status. The DTSTAMP of an iCalendar is stampUnixSeconds, or now when there is none.
int RunPhaseListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    std::optional<std::int64_t> stampUnixSeconds = std::nullopt);

}  // namespace selvane

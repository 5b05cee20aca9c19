// The command-line tool: the batch modes against the expected results, the human-readable
// output, and the answers to wrong arguments and malformed lines.
#include "app/phase_cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "astro/field_text.h"

namespace selvane {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(ClockReading r) : r_(r) {}
  ClockReading Now() override { return r_; }

 private:
  ClockReading r_;
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream ss(line);
  std::string part;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream ss(text);
  std::string line;
  while (std::getline(ss, line)) lines.push_back(line);
  return lines;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunCli(std::vector<std::string> args, const std::string& input = "",
              const PngWriter& writePng = {}) {
  FixedClock clock({2024, 1, 1, 12, 0, 0});
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = RunPhaseCli(args, in, out, err, clock, writePng);
  return {status, out.str(), err.str()};
}

// Runs a shell command; its status and what it wrote on its standard output.
CliRun Shell(const std::string& command) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return {-1, "", "popen failed"};
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text, ""};
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// Compares batch output with expected lines: texts equal, the five numbers within 1e-9, the
// lunation start within 1e-6 days (the same second), the age within 1e-9 days.
void ExpectBatchMatches(const std::string& actual, const std::string& expected,
                        const std::string& source) {
  auto got = Lines(actual);
  auto want = Lines(expected);
  ASSERT_EQ(got.size(), want.size()) << source;
  double worst = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    auto g = SplitTabs(got[i]);
    auto w = SplitTabs(want[i]);
    ASSERT_EQ(g.size(), w.size()) << source << " line " << i + 1;
    for (std::size_t c = 0; c < w.size(); ++c) {
      if (c < 6) {
        EXPECT_EQ(g[c], w[c]) << source << " line " << i + 1 << " column " << c + 1;
        continue;
      }
      const double tol = c == 11 ? 1e-6 : 1e-9;
      const double gv = FieldNumber(g[c]), wv = FieldNumber(w[c]);
      worst = std::max(worst, c == 11 ? 0 : std::fabs(gv - wv));
      EXPECT_NEAR(gv, wv, tol) << source << " line " << i + 1 << " column " << c + 1;
      if (c == 12) {
        EXPECT_EQ(g[c].substr(0, 1), " ") << "the age text starts with a blank";
      }
    }
  }
  ::testing::Test::RecordProperty("worst_difference", std::to_string(worst));
}

std::vector<std::filesystem::path> GoldenDirs() {
  std::vector<std::filesystem::path> dirs{SELVANE_GOLDEN_DIR};
  if (std::filesystem::exists(std::filesystem::path(SELVANE_SHARED_GOLDEN_DIR) / "instants.tsv"))
    dirs.emplace_back(SELVANE_SHARED_GOLDEN_DIR);
  return dirs;
}

TEST(GoldenBatch, InstantsMatchExpectedResults) {
  for (const auto& dir : GoldenDirs()) {
    CliRun r = RunCli({"--batch"}, ReadFile(dir / "instants.tsv"));
    EXPECT_EQ(r.status, 0) << r.err;
    ExpectBatchMatches(r.out, ReadFile(dir / "instants.expected.tsv"), dir.string());
  }
}

TEST(GoldenBatch, FieldRulesMatchExpectedTexts) {
  for (const auto& dir : GoldenDirs()) {
    CliRun r = RunCli({"--fields"}, ReadFile(dir / "fields.tsv"));
    EXPECT_EQ(r.status, 0) << r.err;
    auto got = Lines(r.out);
    auto want = Lines(ReadFile(dir / "fields.expected.tsv"));
    auto in = Lines(ReadFile(dir / "fields.tsv"));
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
      EXPECT_EQ(got[i], want[i]) << "input line " << i + 1 << ": " << in[i];
  }
}

// The built program, fed through a pipe, gives what the library gives.
TEST(GoldenBatch, BuiltProgramAgreesThroughAPipe) {
  const std::filesystem::path dir = SELVANE_GOLDEN_DIR;
  const CliRun r = Shell(Quoted(SELVANE_PHASE_TOOL) + " --batch < " + Quoted(dir / "instants.tsv"));
  EXPECT_EQ(r.status, 0);
  ExpectBatchMatches(r.out, ReadFile(dir / "instants.expected.tsv"), "selvane-phase --batch");
}

TEST(PhaseCli, SixTextsGiveReadableReport) {
  CliRun r = RunCli({"2000", "1", "1", "21", "0", "0"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Date and time (JST): 2000/1/1 21:0:0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Elongation:          302.944768 deg"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Illuminated:         22.8085 %"), std::string::npos) << r.out;
  // The new Moon before 2000-01-01 was on 1999-12-08 (about 7:32 JST).
  EXPECT_NE(r.out.find("Lunation start (JST): 1999-12-08 07:"), std::string::npos) << r.out;
}

TEST(PhaseCli, NoArgumentsEvaluatesTheClock) {
  CliRun r = RunCli({});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Date and time (JST): 2024/1/1 12:0:0"), std::string::npos) << r.out;
  // New Moon of 2023-12-13 08:32 JST: the age on 2024-01-01 12:00 is about 19.1 days.
  EXPECT_NE(r.out.find("Age:                 19.1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Lunation start (JST): 2023-12-13 08:3"), std::string::npos) << r.out;
}

TEST(PhaseCli, WrongArgumentsGiveUsageAndStatusTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                {"1", "2", "3"},
                                                                {"--batch", "x"},
                                                                {"1", "2", "3", "4", "5", "6", "7"},
                                                                {"--batch=x"},
                                                                {"--png="},
                                                                {"--next", "1", "2", "3"},
                                                                {"--next", "--bogus"},
                                                                {"--format", "json", "1", "2"},
                                                                {"--format", "json", "--next"}}) {
    CliRun r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("usage: selvane-phase"), std::string::npos) << args[0];
    EXPECT_TRUE(r.out.empty());
  }
}

// A value the mode cannot take is named, with status 2 and nothing on standard output.
TEST(PhaseCli, RefusedValuesAreNamed) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--next", "0"}, "\"0\" is not a number of phases from 1 to 500000"},
      {{"--next", "500001"}, "\"500001\" is not a number"},
      {{"--next", "x", "2027", "1", "1", "0", "0", "0"}, "\"x\" is not a number"},
      {{"--next", "--format", "xml"}, "--format takes tsv, json or ics"},
      {{"--next", "--format"}, "--format takes tsv, json or ics"},
      {{"--format", "tsv"}, "--format takes json for an instant"},
      {{"2027", "1", "1", "0", "0", "0", "--format"}, "--format takes json for an instant"},
      {{"--format=ics", "2027", "1", "1", "0", "0", "0"}, "--format takes json for an instant"},
  };
  for (const auto& [args, message] : cases) {
    CliRun r = RunCli(args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// The fields' rules can settle on a date that is no day of the calendar: the report for people
// shows it, while an instant for scripts and the phases after it need a real second.
TEST(PhaseCli, JsonAndNextNeedAWholeSecondOfTheCalendar) {
  const std::vector<std::string> texts = {"1867", "32.36", "68", "5E+1", "29", "56"};
  EXPECT_EQ(RunCli(texts).status, 0);
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--format", "json"}, {"--next"}}) {
    args.insert(args.end(), texts.begin(), texts.end());
    const CliRun r = RunCli(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "selvane-phase: the fields show 1869/11/70 2:29:56, not a whole second "
              "from 1583 to 9999\n");
  }
}

// Every option that takes a value takes it after "=" as well.
TEST(PhaseCli, JoinedValuesAreTakenAsSeparateOnes) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"--format=json"}, {"--format", "json"}},
      {{"2027", "1", "8", "12", "0", "0", "--format=json"},
       {"2027", "1", "8", "12", "0", "0", "--format", "json"}},
      {{"--next=2", "--format=json"}, {"--next", "2", "--format", "json"}},
      {{"--phases=2027", "2028", "--format=tsv"}, {"--phases", "2027", "2028", "--format", "tsv"}},
      {{"--png=a=b.png", "--shadow-step=2", "--scale=1.5"},
       {"--png", "a=b.png", "--shadow-step", "2", "--scale", "1.5"}},
  };
  // The picture writer records what it was asked for.
  std::string asked;
  const PngWriter record = [&asked](const std::string& path, const std::vector<std::string>*,
                                    int step, double ratio, Clock&, std::string&) {
    asked = path + " " + std::to_string(step) + " " + std::to_string(ratio);
    return true;
  };
  for (const auto& [joined, separate] : cases) {
    asked.clear();
    const CliRun a = RunCli(joined, "", record);
    const std::string askedJoined = asked;
    asked.clear();
    const CliRun b = RunCli(separate, "", record);
    EXPECT_EQ(a.status, 0) << joined[0] << a.err;
    EXPECT_FALSE(a.out.empty() && askedJoined.empty()) << joined[0];
    EXPECT_EQ(a.out.substr(0, 2000), b.out.substr(0, 2000)) << joined[0];
    EXPECT_EQ(askedJoined, asked);
  }
}

TEST(PhaseCli, HelpAndVersion) {
  CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--batch"), std::string::npos);
  CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("selvane-phase ", 0), 0u);
}

TEST(PhaseCli, MalformedLinesAreNamedAndKeepTheOutputAligned) {
  CliRun r = RunCli({"--fields"},
                    "2024\t1\t1\t0\t0\t0\nonly\tthree\ttexts\n\n2024\t2\t30\t0\t0\t0\r\n"
                    "1\t2\t3\t4\t5\t6\t7\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "2024\t1\t1\t0\t0\t0\n"
            "#error expected 6 tab-separated texts, found 3\n"
            "#error expected 6 tab-separated texts, found 1\n"
            "2024\t3\t1\t0\t0\t0\n"
            "#error expected 6 tab-separated texts, found 7\n");
  EXPECT_NE(r.err.find("line 2: expected 6 tab-separated texts, found 3"), std::string::npos);
  EXPECT_NE(r.err.find("line 3: expected 6 tab-separated texts, found 1"), std::string::npos);
  EXPECT_NE(r.err.find("line 5: expected 6 tab-separated texts, found 7"), std::string::npos);
}

// The search's restore writes the entered date back in the fields' own number form, so
// "05", "+2024", "2024.0" and " 20 24" come back as the plain texts, and the whole row equals
// the plain input's.
TEST(PhaseCli, BatchWritesTheTextsAfterTheEvaluation) {
  const std::string plain = "2024\t5\t1\t12\t0\t0\n";
  const std::string odd[] = {"2024\t05\t01\t12\t00\t00\n", "+2024\t5\t1\t12\t0\t0\n",
                             "2024.0\t5\t1\t12\t0\t0\n", " 20 24\t5\t1\t12\t0\t0\n"};
  const std::string want = RunCli({"--batch"}, plain).out;
  for (const std::string& line : odd) {
    CliRun r = RunCli({"--batch"}, line);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, want) << line;
  }
}

// By hand, a text the fields cannot take ends with status 1, one message naming the field or
// the reason, and nothing on standard output.
TEST(PhaseCli, RefusedTextsByHandEndWithAMessageAndNoResult) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"2024", "1", "1", "23.5", "0", "0"}, "hour \"23.5\""},
      {{"abc", "1", "1", "0", "0", "0"}, "year \"abc\" is not a number"},
      {{"2024", "1", "1", "0", "0", "5x"}, "second \"5x\" is not a number"},
      {{"2024", "", "1", "0", "0", "0"}, "month \"\" is not a number"},
      {{"1582", "10", "4", "0", "0", "0"}, "year 1582 is outside"},
      {{"1e20", "1", "1", "0", "0", "0"}, "year 1e20 is outside"},
      {{"9999", "12", "31", "23", "59", "60"}, "year 10000 is outside"},
      {{"2024", "1e999", "1", "0", "0", "0"}, "month \"1e999\""},
      {{"2024", "1", "1", "-1e300", "0", "0"}, "hour \"-1e300\""},
      {{"2024", "1", "1e15", "0", "0", "0"}, "day \"1e15\""},
  };
  for (const Case& c : cases) {
    CliRun r = RunCli(c.args);
    EXPECT_EQ(r.status, 1) << c.named;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("selvane-phase: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// "Lunation start (JST)" is the very second the search found: entered again, those six texts
// give LunationStartJD to the bit, also where the search crossed into the year before.
TEST(PhaseCli, LunationStartIsTheSecondTheSearchFound) {
  const std::vector<std::string> instants[] = {
      {"2024", "1", "1", "0", "0", "0"},   {"2000", "1", "1", "21", "0", "0"},
      {"2025", "1", "2", "9", "30", "0"},  {"1999", "12", "31", "23", "59", "59"},
      {"2031", "3", "1", "0", "0", "0"},   {"1988", "7", "14", "4", "5", "6"},
      {"2100", "1", "20", "12", "0", "0"}, {"1950", "1", "10", "8", "59", "59"},
  };
  for (const auto& in : instants) {
    const std::string_view texts[6] = {in[0], in[1], in[2], in[3], in[4], in[5]};
    HeadlessSession s;
    s.EnterFields(texts);
    s.engine.UpdateMoonPhase();
    CliRun r = RunCli(in);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string key = "Lunation start (JST): ";
    const std::size_t at = r.out.find(key);
    ASSERT_NE(at, std::string::npos) << r.out;
    int y, mo, d, h, mi, sec;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at + key.size(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h,
                          &mi, &sec),
              6);
    const std::string found[6] = {std::to_string(y), std::to_string(mo), std::to_string(d),
                                  std::to_string(h), std::to_string(mi), std::to_string(sec)};
    const std::string_view foundTexts[6] = {found[0], found[1], found[2],
                                            found[3], found[4], found[5]};
    HeadlessSession again;
    again.EnterFields(foundTexts);
    again.engine.EvaluateElongationAt();
    EXPECT_EQ(again.state.InstantJD, s.state.LunationStartJD)
        << in[0] << "-" << in[1] << "-" << in[2] << ": printed " << found[0] << "-" << found[1]
        << "-" << found[2];
  }
}

TEST(PhaseCli, OddLinesEndWithoutCrashOrHang) {
  std::string odd =
      "99999999\t99999999\t99999999\t99999999\t99999999\t99999999\n"
      "1e300\tinf\tnan\t-1e300\t1e999\t-1e999\n"
      "2024\t12.5\t1\t23.5\t59.5\t0.5\n"
      "\t\t\t\t\t\n"
      "1582\t10\t10\t0\t0\t0\n";
  CliRun r = RunCli({"--batch"}, odd);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 5u);
}

// The lines of a listing after an instant: what --next must print.
std::vector<std::string> LinesAfter(const std::string& listing, const std::string& instant,
                                    std::size_t count) {
  std::vector<std::string> after;
  for (const std::string& line : Lines(listing)) {
    if (line.substr(0, 19) > instant && after.size() < count) after.push_back(line);
  }
  return after;
}

// --next is the listing of --phases after the instant (strictly), in each format; without texts
// after the clock's second.
TEST(PhaseCli, NextIsThePhasesListingAfterTheInstant) {
  struct Case {
    std::vector<std::string> args;
    const char* instant;  // as the listing writes it
    std::size_t count;
    int year;  // the listing of this year and the next holds them
  };
  const Case cases[] = {
      {{"--next"}, "2024-01-01 12:00:00", 4, 2024},
      {{"--next", "2", "2027", "1", "8", "5", "24", "6"}, "2027-01-08 05:24:06", 2, 2027},
      {{"--next", "1", "2027", "1", "8", "5", "24", "5"}, "2027-01-08 05:24:05", 1, 2027},
      {{"--next", "2027", "12", "31", "0", "0", "0"}, "2027-12-31 00:00:00", 4, 2027},
      {{"--next", "9", "2027", "12", "31", "0", "0", "60"}, "2027-12-31 00:01:00", 9, 2027},
  };
  for (const Case& c : cases) {
    const std::string y = std::to_string(c.year), next = std::to_string(c.year + 1);
    const CliRun phases = RunCli({"--phases", y, next});
    const std::vector<std::string> want = LinesAfter(phases.out, c.instant, c.count);
    const CliRun r = RunCli(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), want) << c.instant;
    // The JSON array holds the same elements as the listing's JSON.
    std::vector<std::string> jsonArgs = c.args;
    jsonArgs.insert(jsonArgs.end(), {"--format", "json"});
    const std::string json = RunCli(jsonArgs).out;
    const std::string all = RunCli({"--phases", y, next, "--format", "json"}).out;
    for (const std::string& line : want) {
      const std::string element = "{\"time\": \"" + line.substr(0, 10) + "T" + line.substr(11, 8) +
                                  "+09:00\", \"phase\": \"" + line.substr(20) + "\"}";
      EXPECT_NE(json.find(element), std::string::npos) << element;
      EXPECT_NE(all.find(element), std::string::npos) << element;
    }
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'), static_cast<long>(want.size()));
    std::vector<std::string> icsArgs = c.args;
    icsArgs.insert(icsArgs.end(), {"--format", "ics"});
    const std::string ics = RunCli(icsArgs).out;
    EXPECT_EQ(Lines(ics).size(), 4 + 8 * want.size() + 1) << ics;
  }
}

// The JSON object of an instant carries what the other modes print for it: the age text's
// number, the lit fraction and elongation of --batch, the lunation's first second of the report,
// the day's phase name, and as next the elements of --next 4.
TEST(PhaseCli, InstantAsJsonCarriesWhatTheOtherModesPrint) {
  struct Case {
    std::vector<std::string> texts;  // none: the clock's 2024-01-01 12:00:00
    const char* time;
    const char* phase;
  };
  const Case cases[] = {
      {{"2027", "1", "8", "12", "0", "0"}, "2027-01-08T12:00:00+09:00", "new"},
      {{"2027", "1", "17", "0", "0", "0"}, "2027-01-17T00:00:00+09:00", "waxing-gibbous"},
      {{"2027", "2", "13", "23", "59", "60"}, "2027-02-14T00:00:00+09:00", "first-quarter"},
      {{}, "2024-01-01T12:00:00+09:00", "waning-gibbous"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--format", "json"};
    args.insert(args.end(), c.texts.begin(), c.texts.end());
    const CliRun r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    // The second the fields show, through --batch and --next; the report for people.
    const CliRun human = RunCli(c.texts);
    const std::string time = c.time;
    const std::vector<std::string> six = {time.substr(0, 4),  time.substr(5, 2),
                                          time.substr(8, 2),  time.substr(11, 2),
                                          time.substr(14, 2), time.substr(17, 2)};
    std::string line;
    for (int i = 0; i < 6; ++i) line += std::to_string(std::stoi(six[i])) + (i < 5 ? "\t" : "\n");
    const std::vector<std::string> batch = SplitTabs(Lines(RunCli({"--batch"}, line).out)[0]);
    const std::string report = human.out.substr(human.out.find("Lunation start (JST): ") + 22, 19);
    std::vector<std::string> nextArgs = {"--next", "4", "--format", "json"};
    nextArgs.insert(nextArgs.end(), six.begin(), six.end());
    std::string next;
    for (const std::string& l : Lines(RunCli(nextArgs).out)) {
      if (l.find('{') == std::string::npos) continue;
      next += (next.empty() ? "" : ", ") + l.substr(2, l.find('}') - 1);
    }
    const std::string want =
        std::string("{\"time\": \"") + c.time + "\", \"age\": " + batch[12].substr(1) +
        ", \"illuminated\": " + batch[10] + ", \"elongation\": " + batch[9] + ", \"phase\": \"" +
        c.phase + "\", \"lunation_start\": \"" + report.substr(0, 10) + "T" + report.substr(11) +
        "+09:00\", \"next\": [" + next + "]}\n";
    EXPECT_EQ(r.out, want);
  }
}

// The built program, every mode: with standard output lost (a full device) it says so and ends
// with status 1; the same run into /dev/null succeeds and says nothing. A picture that cannot
// be written is reported the same way.
TEST(PhaseCliProgram, EveryModeReportsOutputThatCannotBeWritten) {
  const std::string tool = Quoted(SELVANE_PHASE_TOOL);
  const std::filesystem::path golden = SELVANE_GOLDEN_DIR;
  const std::string lost = "cannot write standard output: No space left on device";
  struct Case {
    std::string args;
    std::string message;
  };
  std::vector<Case> cases = {
      {"", lost},
      {"2025 2 10 12 0 0", lost},
      {"--format json", lost},
      {"--format=json 2027 1 8 12 0 0", lost},
      {"--next", lost},
      {"--next 3 2027 1 1 0 0 0 --format ics", lost},
      {"--phases 2027", lost},
      {"--phases 2027 --format json", lost},
      {"--phases 1900 2100 --format ics", lost},
      {"--batch < " + Quoted(golden / "instants.tsv"), lost},
      {"--fields < " + Quoted(golden / "fields.tsv"), lost},
      {"--help", lost},
      {"-h", lost},
      {"--version", lost},
  };
#ifdef SELVANE_DRAWS_PICTURES
  cases.push_back({"--png /dev/full 2025 2 10 12 0 0", "cannot write /dev/full: No space"});
#endif
  for (const Case& c : cases) {
    const CliRun ok = Shell(tool + " " + c.args + " 2>&1 >/dev/null");
    const CliRun full = Shell(tool + " " + c.args + " 2>&1 >/dev/full");
    if (c.message == lost) {
      EXPECT_EQ(ok.status, 0) << c.args;
      EXPECT_EQ(ok.out, "") << c.args;
    }
    EXPECT_EQ(full.status, 1) << c.args;
    EXPECT_EQ(full.out.rfind("selvane-phase: ", 0), 0u) << c.args;
    EXPECT_NE(full.out.find(c.message), std::string::npos) << c.args << ": " << full.out;
    EXPECT_EQ(std::count(full.out.begin(), full.out.end(), '\n'), 1) << full.out;
  }
}

// Whatever it is asked but a picture, the program loads the C and C++ libraries only.
TEST(PhaseCliProgram, LoadsTheCppLibraryOnly) {
#ifdef SELVANE_SANITIZED
  GTEST_SKIP() << "the sanitizers' run-time libraries are loaded as well";
#endif
  const CliRun r = Shell("LD_TRACE_LOADED_OBJECTS=1 " + Quoted(SELVANE_PHASE_TOOL));
  ASSERT_EQ(r.status, 0);
  const std::vector<std::string> lines = Lines(r.out);
  EXPECT_GE(lines.size(), 4u) << r.out;
  for (const std::string& line : lines) {
    bool known = false;
    for (const char* lib :
         {"linux-vdso.so", "libstdc++.so", "libm.so", "libgcc_s.so", "libc.so", "ld-linux"})
      known = known || line.find(lib) != std::string::npos;
    EXPECT_TRUE(known) << line;
  }
}

#ifdef SELVANE_DRAWS_PICTURES
// A picture drawn where there is no runtime folder (cron, sudo) says nothing on standard error;
// one that fails half way (a file size limit, as on a full disk) is named and removed.
TEST(PhaseCliProgram, PicturesAreQuietAndNeverLeftHalfWritten) {
  const std::string dir = (std::filesystem::path(testing::TempDir()) /
                           ("selvane-phase-png-" + std::to_string(getpid())))
                              .string();
  std::filesystem::create_directories(dir);
  const std::string tool = Quoted(SELVANE_PHASE_TOOL);
  const std::string png = dir + "/moon.png";
  const std::string instant = " 2025 2 10 12 0 0";
  CliRun r = Shell("env -u XDG_RUNTIME_DIR " + tool + " --png " + Quoted(png) + instant + " 2>&1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_GT(std::filesystem::file_size(png), 10000u);
  // 20 blocks of 512 bytes: far less than the picture at scale 2.
  r = Shell("sh -c 'trap \"\" XFSZ; ulimit -f 20; exec \"$0\" --png \"$1\" --scale 2" + instant +
            "' " + tool + " " + Quoted(png) + " 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("selvane-phase: cannot write " + png + ": File too large"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(std::filesystem::exists(png));
  // A copy without its helper beside it says what is missing.
  std::filesystem::copy_file(SELVANE_PHASE_TOOL, dir + "/selvane-phase");
  r = Shell(Quoted(dir + "/selvane-phase") + " --png " + Quoted(png) + " 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("selvane-phase: cannot run the picture helper " + dir, 0), 0) << r.out;
  EXPECT_NE(r.out.find("/selvane-phase-png: No such file"), std::string::npos) << r.out;
  std::filesystem::remove_all(dir);
}
#endif

// The options a text names: "--word" and "-h" where no letter or dash stands before them.
std::set<std::string> NamedOptions(const std::string& text) {
  static const std::regex option(R"((^|[^-\w])(--[a-z][a-z-]*[a-z]|-h)(?![-\w]))");
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    found.insert((*it)[2]);
  return found;
}

// --help, the usage line, the manual page and the README's section name the same options, and
// the program takes each of them.
TEST(PhaseCliDocs, HelpManualAndReadmeNameTheOptionsTheProgramTakes) {
  const std::filesystem::path source = SELVANE_SOURCE_DIR;
  std::string manual = ReadFile(source / "packaging" / "selvane-phase.1");
  for (std::size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);
  const std::string readme = ReadFile(source / "README.md");
  const std::size_t section = readme.find("\n## selvane-phase\n");
  ASSERT_NE(section, std::string::npos);
  const std::size_t end = readme.find("\n## ", section + 1);
  // Each option with arguments the program takes.
  const std::map<std::string, std::vector<std::string>> takes = {
      {"-h", {"-h"}},
      {"--help", {"--help"}},
      {"--version", {"--version"}},
      {"--batch", {"--batch"}},
      {"--fields", {"--fields"}},
      {"--format", {"--format", "json"}},
      {"--next", {"--next", "1"}},
      {"--phases", {"--phases", "2027"}},
      {"--png", {"--png", "moon.png"}},
      {"--shadow-step", {"--png", "moon.png", "--shadow-step", "2"}},
      {"--scale", {"--png", "moon.png", "--scale", "2"}},
  };
  std::set<std::string> program;
  const PngWriter drawn = [](auto&&...) { return true; };
  for (const auto& [name, args] : takes) {
    program.insert(name);
    const CliRun r = RunCli(args, "", drawn);
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
  }
  EXPECT_EQ(NamedOptions(RunCli({"--help"}).out), program) << "--help";
  EXPECT_EQ(NamedOptions(RunCli({"--bogus"}).err.substr(30)), program) << "usage";
  EXPECT_EQ(NamedOptions(manual), program) << "manual page";
  EXPECT_EQ(NamedOptions(readme.substr(section, end - section)), program) << "README";
}

TEST(JulianDayToJst, KnownInstants) {
  // J2000.0 is 2000-01-01 12:00 TT; with delta-T 0 that is 21:00 JST.
  JstDateTime j = JulianDayToJst(2451545.0, 0);
  EXPECT_EQ(j.year, 2000);
  EXPECT_EQ(j.month, 1);
  EXPECT_EQ(j.day, 1);
  EXPECT_EQ(j.hour, 21);
  // Delta-T 66 s is taken off.
  j = JulianDayToJst(2451545.0 + 66.0 / 86400, 66);
  EXPECT_EQ(j.hour, 21);
  EXPECT_EQ(j.minute, 0);
  EXPECT_EQ(j.second, 0);
  j = JulianDayToJst(2460000.5, 0);  // 2023-02-25 0:00 UT = 09:00 JST
  EXPECT_EQ(j.year, 2023);
  EXPECT_EQ(j.month, 2);
  EXPECT_EQ(j.day, 25);
  EXPECT_EQ(j.hour, 9);
  // Far outside any calendar date: no conversion, rather than integers out of range.
  for (double far : {1e20, -1e20, HUGE_VAL, std::nan("")})
    EXPECT_EQ(JulianDayToJst(far, 0).year, 0);
}

}  // namespace
}  // namespace selvane

// The command-line tool: the batch modes against the expected results, the human-readable
// output, and the answers to wrong arguments and malformed lines.
#include "app/phase_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

CliRun RunCli(std::vector<std::string> args, const std::string& input = "") {
  FixedClock clock({2024, 1, 1, 12, 0, 0});
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = RunPhaseCli(args, in, out, err, clock);
  return {status, out.str(), err.str()};
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
  std::string cmd = std::string("'") + SELVANE_PHASE_TOOL + "' --batch < '" +
                    (dir / "instants.tsv").string() + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0);
  ExpectBatchMatches(out, ReadFile(dir / "instants.expected.tsv"), "selvane-phase --batch");
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
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"1", "2", "3"}, {"--batch", "x"}, {"1", "2", "3", "4", "5", "6", "7"}}) {
    CliRun r = RunCli(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: selvane-phase"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
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

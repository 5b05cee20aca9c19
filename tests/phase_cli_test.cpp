// The command-line tool: the batch modes against the expected results, the human-readable
// output, and the answers to wrong arguments and malformed lines.
#include "app/phase_cli.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

TEST(PhaseCli, MalformedLinesAreNamedAndTheRunGoesOn) {
  CliRun r = RunCli({"--fields"},
                    "2024\t1\t1\t0\t0\t0\nonly\tthree\ttexts\n\n2024\t2\t30\t0\t0\t0\r\n"
                    "1\t2\t3\t4\t5\t6\t7\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "2024\t1\t1\t0\t0\t0\n2024\t3\t1\t0\t0\t0\n");
  EXPECT_NE(r.err.find("line 2: expected 6 tab-separated texts, found 3"), std::string::npos);
  EXPECT_NE(r.err.find("line 3: expected 6 tab-separated texts, found 1"), std::string::npos);
  EXPECT_NE(r.err.find("line 5: expected 6 tab-separated texts, found 7"), std::string::npos);
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
}

}  // namespace
}  // namespace selvane

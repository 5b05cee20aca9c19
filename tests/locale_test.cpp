// Numbers under a decimal-comma locale, as a desktop process runs once its toolkit has applied
// the user's locale to the C library: every text the program writes or reads keeps "." and
// every result stays the same to the last bit. The locale de_DE.UTF-8 comes from LOCPATH (the
// test set-up compiles it into the build tree); where it cannot be made the tests say so and
// skip.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless_session.h"
#include "app/phase_cli.h"
#include "astro/ephemeris.h"
#include "astro/field_text.h"
#include "tray/tray_menu.h"

namespace selvane {
namespace {

// Switches the whole C library to de_DE.UTF-8 for the test's life.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
      GTEST_SKIP() << "no de_DE.UTF-8 locale (make one with localedef -i de_DE -f UTF-8 "
                      "DIR/de_DE.UTF-8 and set LOCPATH=DIR)";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the locale does not write a decimal comma";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

// Every number text of the program, once in the C locale and once in the comma locale.
std::vector<std::string> NumberTexts() {
  std::vector<std::string> out;
  const double values[] = {0.5,  -0.25,   28.4305902780033648, 1e20, 1.5e300, 123456.789,
                           1e-7, -1e-300, 2460356.1234567,     1e15, 29.99,   DBL_MAX};
  for (double v : values) {
    std::string age;
    FormatAge(v, age);
    out.push_back(FormatFieldNumber(v) + "|" + age + "|" + FormatSettingNumber(v));
    char buf[400];
    FormatGeneral(v, 17, buf, sizeof buf);
    out.push_back(buf);
  }
  const char* texts[] = {"0.5", " 28.4305902780033648", "12.5e3", "1,5", "-.75", "1e999"};
  for (const char* t : texts) {
    char buf[64];
    FormatGeneral(FieldNumber(t), 17, buf, sizeof buf);
    const auto strict = StrictNumber(t);
    out.push_back(std::string(buf) + (strict ? "|strict" : "|lenient"));
  }
  return out;
}

TEST_F(CommaLocale, NumberTextsKeepTheDecimalPoint) {
  std::setlocale(LC_ALL, "C");
  const std::vector<std::string> plain = NumberTexts();
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::vector<std::string> comma = NumberTexts();
  EXPECT_EQ(comma, plain);
  for (const std::string& t : comma) EXPECT_EQ(t.find(','), std::string::npos) << t;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// The batch modes (every line a full search from a fresh state) give the expected files byte
// for byte.
TEST_F(CommaLocale, GoldenBatchesMatchByteForByte) {
  std::vector<std::filesystem::path> dirs{SELVANE_GOLDEN_DIR};
  if (std::filesystem::exists(std::filesystem::path(SELVANE_SHARED_GOLDEN_DIR) / "instants.tsv"))
    dirs.emplace_back(SELVANE_SHARED_GOLDEN_DIR);
  struct Mode {
    const char* flag;
    const char* input;
    const char* expected;
  };
  const Mode modes[] = {{"--batch", "instants.tsv", "instants.expected.tsv"},
                        {"--fields", "fields.tsv", "fields.expected.tsv"}};
  for (const auto& dir : dirs) {
    for (const Mode& m : modes) {
      std::istringstream in(ReadFile(dir / m.input));
      std::ostringstream out, err;
      SystemClock clock;
      EXPECT_EQ(RunPhaseCli({m.flag}, in, out, err, clock), 0) << err.str();
      EXPECT_TRUE(out.str() == ReadFile(dir / m.expected)) << (dir / m.expected).string();
    }
  }
}

// The clock passes a new moon (2024-02-10 07:59 JST): the age read back before the next
// search is 29.x, which a comma would cut to a whole 29 and leave stale; and the search's end
// test reads the lit fraction back, which a comma would end a minute early.
TEST_F(CommaLocale, SearchAcrossANewMoonFindsTheSameStart) {
  auto run = [] {
    HeadlessSession s;
    const std::string_view texts[6] = {"2024", "2", "9", "20", "0", "0"};
    s.EnterFields(texts);
    s.engine.UpdateMoonPhase();
    s.fields.WriteField(3, "10");
    s.fields.WriteField(4, "10");
    s.engine.UpdateMoonPhase();
    EXPECT_LT(FieldNumber(s.ageText), 1) << s.ageText;
    char start[64];
    FormatGeneral(s.state.LunationStartJD, 17, start, sizeof start);
    return std::string(start) + "|" + s.ageText;
  };
  std::setlocale(LC_ALL, "C");
  const std::string plain = run();
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(run(), plain);
}

}  // namespace
}  // namespace selvane

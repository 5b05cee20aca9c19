// The change rules of the date and time fields: the worked examples, a literal recursive
// reading of the rules as a reference for random whole-number writes, large carries, and the
// refusal of writes that never settle.
#include "control/entry_fields.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "astro/field_text.h"

namespace selvane {
namespace {

using Texts = std::array<std::string, 6>;

Texts Six(const EntryFields& f) {
  return {f.Text(1), f.Text(2), f.Text(3), f.Text(4), f.Text(5), f.Text(6)};
}

// Fields holding a valid date, written in the order of the start-up fill.
EntryFields At(const Texts& t) {
  EntryFields f;
  f.WriteField(7, "1");
  for (int i = 0; i < 6; ++i) f.WriteField(i + 1, t[i]);
  return f;
}

struct RuleCase {
  const char* name;
  Texts before;
  int field;
  const char* text;
  Texts after;
};

TEST(FieldRules, WorkedExamples) {
  const RuleCase cases[] = {
      {"second carries up to the year",
       {"2023", "12", "31", "23", "59", "59"},
       6,
       "60",
       {"2024", "1", "1", "0", "0", "0"}},
      {"second borrows down to 29 February",
       {"2024", "3", "1", "0", "0", "0"},
       6,
       "-1",
       {"2024", "2", "29", "23", "59", "59"}},
      {"2100 counts as a leap year",
       {"2100", "2", "28", "0", "0", "0"},
       3,
       "29",
       {"2100", "2", "29", "0", "0", "0"}},
      {"29 February of a common year becomes 1 March",
       {"2024", "2", "29", "0", "0", "0"},
       1,
       "2025",
       {"2025", "3", "1", "0", "0", "0"}},
      {"month 13", {"2024", "5", "5", "0", "0", "0"}, 2, "13", {"2025", "1", "5", "0", "0", "0"}},
      {"month 0", {"2024", "5", "5", "0", "0", "0"}, 2, "0", {"2023", "12", "5", "0", "0", "0"}},
      {"month emptied",
       {"2024", "5", "5", "0", "0", "0"},
       2,
       "",
       {"2023", "12", "5", "0", "0", "0"}},
      {"month 25", {"2024", "5", "5", "0", "0", "0"}, 2, "25", {"2026", "1", "5", "0", "0", "0"}},
      {"day 0 in March 2024",
       {"2024", "3", "5", "0", "0", "0"},
       3,
       "0",
       {"2024", "2", "29", "0", "0", "0"}},
      {"day 32 in December",
       {"2023", "12", "5", "0", "0", "0"},
       3,
       "32",
       {"2024", "1", "1", "0", "0", "0"}},
      {"day 70 in January",
       {"2023", "1", "5", "0", "0", "0"},
       3,
       "70",
       {"2023", "3", "11", "0", "0", "0"}},
      {"month rules leave the day",
       {"2024", "1", "31", "0", "0", "0"},
       2,
       "2",
       {"2024", "2", "31", "0", "0", "0"}},
      {"hour 24", {"2024", "1", "31", "5", "0", "0"}, 4, "24", {"2024", "2", "1", "0", "0", "0"}},
      {"hour -1", {"2024", "3", "1", "5", "0", "0"}, 4, "-1", {"2024", "2", "29", "23", "0", "0"}},
      {"minute -1", {"2024", "3", "1", "5", "7", "0"}, 5, "-1", {"2024", "3", "1", "4", "59", "0"}},
      {"second 60", {"2024", "3", "1", "5", "7", "8"}, 6, "60", {"2024", "3", "1", "5", "8", "0"}},
      {"hour emptied", {"2024", "3", "1", "5", "7", "8"}, 4, "", {"2024", "3", "1", "0", "7", "8"}},
      {"minute emptied",
       {"2024", "3", "1", "5", "7", "8"},
       5,
       "",
       {"2024", "3", "1", "5", "0", "8"}},
      {"second emptied",
       {"2024", "3", "1", "5", "7", "8"},
       6,
       "",
       {"2024", "3", "1", "5", "7", "0"}},
      {"a typed 05 stays",
       {"2024", "3", "1", "5", "7", "8"},
       2,
       "05",
       {"2024", "05", "1", "5", "7", "8"}},
      {"an emptied year stays empty",
       {"2024", "3", "1", "5", "7", "8"},
       1,
       "",
       {"", "3", "1", "5", "7", "8"}},
      {"an emptied day is the last of the month before",
       {"2024", "3", "9", "5", "7", "8"},
       3,
       "",
       {"2024", "2", "29", "5", "7", "8"}},
  };
  for (const auto& c : cases) {
    EntryFields f = At(c.before);
    ASSERT_EQ(Six(f), c.before) << c.name;
    EXPECT_TRUE(f.WriteField(c.field, c.text)) << c.name;
    EXPECT_EQ(Six(f), c.after) << c.name;
  }
}

TEST(FieldRules, TypingTwentyNineInFebruaryOfACommonYear) {
  EntryFields f = At({"2023", "2", "5", "0", "0", "0"});
  f.WriteField(3, "2");
  EXPECT_EQ(Six(f), (Texts{"2023", "2", "2", "0", "0", "0"}));
  f.WriteField(3, "29");
  EXPECT_EQ(Six(f), (Texts{"2023", "3", "1", "0", "0", "0"}));
}

TEST(FieldRules, PlaceholdersUntilTheFirstFill) {
  EntryFields f;
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(f.Text(i), "Text" + std::to_string(i));
  EXPECT_EQ(f.Text(0), "");
  EXPECT_EQ(f.Text(8), "");
  EXPECT_FALSE(f.WriteField(8, "1"));
}

TEST(FieldRules, SecondBecomingOneCallsTheHookOncePerChange) {
  EntryFields f = At({"2024", "3", "1", "5", "7", "0"});
  int calls = 0;
  f.SetSecondIsOneHook([&] { ++calls; });
  f.WriteField(6, "1");
  EXPECT_EQ(calls, 1);
  f.WriteField(6, "1");  // unchanged text: no rules, no animation
  EXPECT_EQ(calls, 1);
  // "61" carries: the nested write of "1" runs the rules of the new text, and the outer rules
  // then find the second at 1 as well.
  f.WriteField(6, "61");
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Six(f), (Texts{"2024", "3", "1", "5", "8", "1"}));
  f.WriteField(6, "0");
  EXPECT_EQ(calls, 3);
}

TEST(FieldRules, ChangedHookSeesOnlySettledOrRestoredTexts) {
  EntryFields f = At({"2023", "12", "31", "23", "59", "59"});
  std::vector<std::pair<int, std::string>> told;
  f.SetChangedHook([&](int field) { told.emplace_back(field, f.Text(field)); });
  // 6 "60", 6 "0", 5 "60", 5 "0", 4 "24", 3 "32", 2 "13", 2 "1", 1 "2024", 3 "1", 4 "0" on the
  // way; each field is told once, with its settled text.
  f.WriteField(6, "60");
  EXPECT_EQ(told, (std::vector<std::pair<int, std::string>>{
                      {1, "2024"}, {2, "1"}, {3, "1"}, {4, "0"}, {5, "0"}, {6, "0"}}));
  // A text the rules cannot settle swings the hour and the day up to the step limit; only
  // the restored texts are told, once each.
  told.clear();
  f.WriteField(4, "23");
  told.clear();
  EXPECT_FALSE(f.WriteField(4, "23.5"));
  EXPECT_GT(f.LastRuleSteps(), EntryFields::kMaxRuleSteps);
  EXPECT_LE(told.size(), 6u);
  for (const auto& [field, text] : told) EXPECT_EQ(text, f.Text(field)) << field;
  EXPECT_EQ(Six(f), (Texts{"2024", "1", "1", "23", "0", "0"}));
}

// The rules read literally: every write runs the field's rules on the call stack at once.
class ReferenceFields {
 public:
  ReferenceFields() {
    for (int i = 0; i < 7; ++i) t[i] = "Text" + std::to_string(i + 1);
  }
  void Write(int k, const std::string& s) {
    if (t[k - 1] == s) return;
    t[k - 1] = s;
    Rules(k);
  }
  void WriteV(int k, double v) { Write(k, FormatFieldNumber(v)); }
  double V(int k) const { return FieldNumber(t[k - 1]); }
  std::string t[7];

 private:
  void Rules(int k) {
    switch (k) {
      case 1:
        if (!IsLeapYear(V(1)) && V(2) == 2 && V(3) == 29) {
          Write(2, "3");
          Write(3, "1");
        }
        break;
      case 2:
        if (V(2) > 12) {
          WriteV(2, V(2) - 12);
          WriteV(1, V(1) + 1);
        }
        if (!(V(2) >= 1)) {
          WriteV(2, V(2) + 12);
          WriteV(1, V(1) - 1);
        }
        break;
      case 3: {
        bool leap = IsLeapYear(V(1));
        int d = DaysInMonth(V(2), leap);
        if (V(3) > d) {
          WriteV(2, V(2) + 1);
          WriteV(3, V(3) - d);
        }
        if (!(V(3) >= 1)) {
          WriteV(2, V(2) - 1);
          int d2 = DaysInMonth(V(2), leap);
          WriteV(3, V(3) + (d2 ? d2 : d));
        }
        break;
      }
      case 4:
        if (V(4) > 23) {
          WriteV(3, V(3) + 1);
          WriteV(4, V(4) - 24);
        }
        if (V(4) < 0) {
          WriteV(4, V(4) + 24);
          WriteV(3, V(3) - 1);
        }
        if (t[3].empty()) Write(4, "0");
        break;
      case 5:
        if (V(5) > 59) {
          WriteV(5, V(5) - 60);
          WriteV(4, V(4) + 1);
        }
        if (V(5) < 0) {
          WriteV(5, V(5) + 60);
          WriteV(4, V(4) - 1);
        }
        if (t[4].empty()) Write(5, "0");
        break;
      case 6:
        if (V(6) < 0) {
          WriteV(5, V(5) - 1);
          WriteV(6, V(6) + 60);
        }
        if (V(6) > 59) {
          WriteV(6, V(6) - 60);
          WriteV(5, V(5) + 1);
        }
        if (t[5].empty()) Write(6, "0");
        break;
    }
  }
};

TEST(FieldRules, AgreeWithTheLiteralRecursiveRulesOnRandomWrites) {
  std::mt19937 rng(20241207);
  // Ranges a little beyond each field's own, so that carries and borrows chain.
  const int lo[6] = {-5, -30, -70, -60, -200, -200};
  const int hi[6] = {2200, 40, 100, 80, 200, 200};
  for (int run = 0; run < 300; ++run) {
    EntryFields fields;
    ReferenceFields ref;
    for (int w = 0; w < 40; ++w) {
      int k = static_cast<int>(rng() % 6) + 1;
      std::string text;
      if (rng() % 10 == 0) {
        text = "";
      } else {
        int span = hi[k - 1] - lo[k - 1] + 1;
        text = std::to_string(lo[k - 1] + static_cast<int>(rng() % static_cast<unsigned>(span)));
      }
      fields.WriteField(k, text);
      ref.Write(k, text);
      for (int i = 1; i <= 6; ++i)
        ASSERT_EQ(fields.Text(i), ref.t[i - 1])
            << "run " << run << " write " << w << " field " << k << " text '" << text << "'";
    }
  }
}

// Whole numbers far outside a field's range carry exactly: compare with plain calendar
// arithmetic on the rules' calendar (every fourth year a leap year).
struct Date {
  long long y;
  int m;
  long long d;
};

Date Normalise(Date x) {
  auto dim = [](long long y, int m) { return DaysInMonth(m, y % 4 == 0); };
  while (x.d > dim(x.y, x.m)) {
    x.d -= dim(x.y, x.m);
    if (++x.m > 12) x.m = 1, ++x.y;
  }
  while (x.d < 1) {
    if (--x.m < 1) x.m = 12, --x.y;
    x.d += dim(x.y, x.m);
  }
  return x;
}

TEST(FieldRules, CarriesOfAHundredThousandUnitsSettleExactly) {
  {
    EntryFields f = At({"2024", "1", "1", "0", "0", "0"});
    EXPECT_TRUE(f.WriteField(2, "100012"));
    EXPECT_EQ(Six(f), (Texts{"10358", "4", "1", "0", "0", "0"}));
    EXPECT_LT(f.LastRuleSteps(), EntryFields::kMaxRuleSteps / 2);
  }
  {
    EntryFields f = At({"2024", "1", "1", "0", "0", "0"});
    EXPECT_TRUE(f.WriteField(2, "-100000"));
    // months 1 - 100000 = -99999 -> 12 * 8334 = 100008 months back + 9
    EXPECT_EQ(Six(f), (Texts{"-6310", "8", "1", "0", "0", "0"}));
  }
  for (long long day : {100031LL, -100000LL, 99999LL}) {
    EntryFields f = At({"2024", "1", "1", "0", "0", "0"});
    EXPECT_TRUE(f.WriteField(3, std::to_string(day)));
    Date want = Normalise({2024, 1, day});
    EXPECT_EQ(Six(f), (Texts{std::to_string(want.y), std::to_string(want.m), std::to_string(want.d),
                             "0", "0", "0"}))
        << day;
  }
  {
    EntryFields f = At({"2024", "1", "1", "0", "0", "0"});
    EXPECT_TRUE(f.WriteField(4, "100023"));  // 4167 days and 15 hours
    Date want = Normalise({2024, 1, 1 + 100023 / 24});
    EXPECT_EQ(Six(f), (Texts{std::to_string(want.y), std::to_string(want.m), std::to_string(want.d),
                             "15", "0", "0"}));
  }
  {
    EntryFields f = At({"2024", "1", "1", "0", "0", "0"});
    EXPECT_TRUE(f.WriteField(6, "-100000"));  // 1 day 3:46:40 back
    EXPECT_EQ(Six(f), (Texts{"2023", "12", "30", "20", "13", "20"}));
    EXPECT_TRUE(f.WriteField(5, "100059"));
    EXPECT_TRUE(f.WriteField(1, "-100000"));
  }
}

struct RefusedCase {
  const char* name;
  int field;
  const char* text;
};

TEST(FieldRules, WritesThatNeverSettleAreUndoneWithOneBeep) {
  const RefusedCase cases[] = {
      {"month in the gap above 12", 2, "12.5"},
      {"month in the gap below 1", 2, "0.5"},
      {"hour in the gap", 4, "23.5"},
      {"minute in the gap", 5, "59.5"},
      {"second in the gap", 6, "59.5"},
      {"huge day", 3, "99999999"},
      {"exponent day", 3, "1e300"},
      {"overflowing month", 2, "1e999"},
      {"huge negative hour", 4, "-1e12"},
      {"huge month into a huge year", 2, "9e15"},
  };
  const Texts start{"2024", "6", "15", "12", "30", "30"};
  for (const auto& c : cases) {
    EntryFields f = At(start);
    int refused = 0;
    std::vector<int> changed;
    f.SetRefusedHook([&] { ++refused; });
    EXPECT_FALSE(f.WriteField(c.field, c.text)) << c.name;
    EXPECT_EQ(refused, 1) << c.name;
    EXPECT_EQ(Six(f), start) << c.name;
    EXPECT_EQ(f.Text(7), "1") << c.name;
    // The fields still work afterwards.
    EXPECT_TRUE(f.WriteField(6, "60")) << c.name;
    EXPECT_EQ(f.Text(5), "31") << c.name;
  }
}

TEST(FieldRules, AFractionalSecondWalkedIntoTheGapIsRefused) {
  EntryFields f = At({"2024", "6", "15", "12", "30", "0.5"});
  EXPECT_EQ(f.Text(6), "0.5");
  EXPECT_FALSE(f.WriteField(6, "-0.5"));
  EXPECT_EQ(f.Text(6), "0.5");
  EXPECT_EQ(f.Text(5), "30");
}

TEST(FieldRules, TextsThatAreNotNumbersReadAsZero) {
  EntryFields f = At({"2024", "6", "15", "12", "30", "30"});
  EXPECT_TRUE(f.WriteField(4, "inf"));
  EXPECT_EQ(f.Text(4), "inf");  // reads as hour 0: nothing to carry
  EXPECT_TRUE(f.WriteField(2, "nan"));
  EXPECT_EQ(Six(f), (Texts{"2023", "12", "15", "inf", "30", "30"}));
}

TEST(DaysInMonth, TableAndLeapYears) {
  const int common[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(DaysInMonth(m, false), common[m - 1]);
    EXPECT_EQ(DaysInMonth(m, true), common[m - 1] + (m == 2));
  }
  for (double bad : {0.0, 13.0, 2.5, -1.0}) EXPECT_EQ(DaysInMonth(bad, true), 0);
  for (double y : {2024.0, 1900.0, 2100.0, 0.0, -4.0, 2023.5, 2024.4})
    EXPECT_TRUE(IsLeapYear(y)) << y;
  for (double y : {2023.0, 2025.0, -1.0, 2022.5, 2025.5}) EXPECT_FALSE(IsLeapYear(y)) << y;
}

}  // namespace
}  // namespace selvane

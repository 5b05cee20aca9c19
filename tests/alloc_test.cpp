// The numeric paths allocate nothing: an evaluation, an evaluation with its search, and the
// longest chain of field rules. Counted by replacing the global allocation functions.
#include <gtest/gtest.h>

#include <string>

#include "app/headless_session.h"
#include "tests/counting_new.h"

namespace selvane {
namespace {

using testing_support::AllocationsDuring;

TEST(NoAllocation, CounterSeesAnAllocation) {
  EXPECT_EQ(AllocationsDuring([] {
              std::string text(100, 'x');
              asm volatile("" : : "g"(text.data()) : "memory");  // keep it from being elided
            }),
            1);
}

TEST(NoAllocation, EvaluationAndSearch) {
  HeadlessSession s;
  s.EnterFields({"2024", "1", "1", "12", "0", "0"});
  EXPECT_EQ(AllocationsDuring([&] { s.engine.EvaluateElongationAt(); }), 0);
  // The first full evaluation searches from LunationStartJD 0.
  EXPECT_EQ(AllocationsDuring([&] { s.engine.UpdateMoonPhase(); }), 0);
  EXPECT_GT(s.state.LunationStartJD, 0);
  EXPECT_EQ(AllocationsDuring([&] { s.engine.UpdateMoonPhase(); }), 0);
}

TEST(NoAllocation, SearchInRealTimeWithTheAnimation) {
  HeadlessSession s;
  s.state.RealTimeMode = 1;
  s.EnterFields({"2024", "1", "1", "12", "0", "1"});
  EXPECT_EQ(AllocationsDuring([&] { s.engine.UpdateMoonPhase(); }), 0);
}

TEST(NoAllocation, SecondsRollOverAtTheEndOfAYear) {
  HeadlessSession s;
  s.EnterFields({"2023", "12", "31", "23", "59", "59"});
  EXPECT_EQ(AllocationsDuring([&] { s.fields.WriteField(6, "60"); }), 0);
  EXPECT_EQ(s.fields.Text(1), "2024");
}

}  // namespace
}  // namespace selvane

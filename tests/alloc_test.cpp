// The numeric paths allocate nothing: an evaluation, an evaluation with its search, and the
// longest chain of field rules. Counted by replacing the global allocation functions.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "app/headless_session.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  return operator new(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace selvane {
namespace {

template <typename F>
long AllocationsDuring(F&& f) {
  const long before = g_allocations.load();
  f();
  return g_allocations.load() - before;
}

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

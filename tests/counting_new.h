// Replaces the global allocation functions with ones that count, on each thread, how often
// memory was asked for. Include it in exactly one file of a test program.
#pragma once

#include <cstdlib>
#include <new>

namespace selvane::testing_support {
inline thread_local long t_allocations = 0;

// How many allocations the calling thread made while f ran.
template <typename F>
long AllocationsDuring(F&& f) {
  const long before = t_allocations;
  f();
  return t_allocations - before;
}
}  // namespace selvane::testing_support

void* operator new(std::size_t n) {
  ++selvane::testing_support::t_allocations;
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

#include <iostream>
#include <string>
#include <vector>

#include "app/phase_cli.h"
#ifdef SELVANE_WITH_PNG
#include "app/moon_png.h"
#endif

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  selvane::SystemClock clock;
#ifdef SELVANE_WITH_PNG
  return selvane::RunPhaseCli(args, std::cin, std::cout, std::cerr, clock, &selvane::WriteMoonPng);
#else
  return selvane::RunPhaseCli(args, std::cin, std::cout, std::cerr, clock);
#endif
}

// The picture helper of selvane-phase. selvane-phase runs it in its place for --png, with its
// own arguments, so that only a picture loads the Qt libraries.
#include <iostream>
#include <string>
#include <vector>

#include "app/moon_png.h"
#include "app/phase_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  selvane::SystemClock clock;
  return selvane::RunPhaseCli(args, std::cin, std::cout, std::cerr, clock, &selvane::WriteMoonPng);
}

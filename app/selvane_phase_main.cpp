#include <iostream>
#include <string>
#include <vector>

#include "app/phase_cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  selvane::SystemClock clock;
  return selvane::RunPhaseCli(args, std::cin, std::cout, std::cerr, clock);
}

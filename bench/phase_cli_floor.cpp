// The floor that selvane-phase's cost per run is measured against: a C++ program that starts,
// writes one line through the C++ library and ends. bench/phase_cli_cost.sh runs both.
#include <iostream>

int main() {
  std::ios::sync_with_stdio(false);
  std::cout << "Date and time (JST): 2025/2/10 12:0:0\n";
  return 0;
}

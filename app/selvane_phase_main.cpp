// selvane-phase: the engine and the C++ library only. A picture (--png) is drawn by a helper
// program that this one becomes, the only part that loads Qt.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/checked_output.h"
#include "app/phase_cli.h"

namespace {

#ifdef SELVANE_PNG_HELPER
// The helper where it is installed (or built) beside this program: its path from the folder
// that holds the running program; empty when that folder cannot be read.
std::string PictureHelperPath() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string path(self, static_cast<std::size_t>(n));
  path.erase(path.rfind('/') + 1);
  return path + SELVANE_PNG_HELPER;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  selvane::SystemClock clock;
  selvane::FdStreamBuf stdoutBuffer(STDOUT_FILENO);
  std::ostream out(&stdoutBuffer);
  selvane::PngWriter writePng;
#ifdef SELVANE_PNG_HELPER
  // The arguments are known good by now: the helper takes them as they were given.
  writePng = [argv](const std::string&, const std::vector<std::string>*, int, double,
                    selvane::Clock&, std::string& error) {
    const std::string helper = PictureHelperPath();
    if (helper.empty()) {
      error = "cannot find the picture helper: /proc/self/exe cannot be read";
      return false;
    }
    argv[0] = const_cast<char*>(helper.c_str());
    ::execv(helper.c_str(), argv);
    error = "cannot run the picture helper " + helper + ": " + std::strerror(errno);
    return false;
  };
#endif
  int status = selvane::RunPhaseCli(args, std::cin, out, std::cerr, clock, writePng);
  // What was written is only safe once standard output has taken it and closed without error.
  if (out && ::close(STDOUT_FILENO) != 0 && errno != EBADF) {
    std::cerr << "selvane-phase: cannot write standard output: " << std::strerror(errno) << "\n";
    if (status == 0) status = 1;
  }
  return status;
}

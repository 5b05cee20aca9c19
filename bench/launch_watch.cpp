// Starts a program and waits, on the X server of $DISPLAY, until every window named on the
// command line is viewable (mapped, and its window manager's frame too). Prints one line
//   PID MS CPU_MS
// the program's process id, the milliseconds from just before exec to the last of those windows
// becoming viewable, and the processor time all of the program's threads had used by then
// (milliseconds, from /proc/PID/task/*/schedstat). The program is left running; its standard
// output goes to standard error.
//
// Usage: launch_watch [--timeout SECONDS] NAME... -- PROGRAM [ARGUMENT...]
// A NAME matches a window title exactly, or as a prefix when it ends in '*'. Exit status 1 when
// the program ended or the windows were not viewable in time (default 60 s), 2 on bad usage.
#include <dirent.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Processor time of every live thread of a process, in milliseconds.
double CpuMs(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return -1;
  double ns = 0;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    if (FILE* f = std::fopen((tasks + "/" + e->d_name + "/schedstat").c_str(), "r")) {
      unsigned long long run = 0;
      if (std::fscanf(f, "%llu", &run) == 1) ns += static_cast<double>(run);
      std::fclose(f);
    }
  }
  closedir(dir);
  return ns / 1e6;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return atom;
}

struct Watch {
  xcb_connection_t* c;
  xcb_atom_t netWmName, utf8;
  std::vector<xcb_window_t> windows;  // top-level windows created since the start

  std::string Title(xcb_window_t w) const {
    for (auto [prop, type] : {std::pair{netWmName, utf8}, std::pair<xcb_atom_t, xcb_atom_t>{
                                                              XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
      xcb_get_property_reply_t* r =
          xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 256), nullptr);
      std::string title;
      if (r && r->format == 8) {
        title.assign(static_cast<const char*>(xcb_get_property_value(r)),
                     static_cast<std::size_t>(xcb_get_property_value_length(r)));
      }
      std::free(r);
      if (!title.empty()) return title;
    }
    return {};
  }

  bool Viewable(xcb_window_t w) const {
    xcb_get_window_attributes_reply_t* r =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool viewable = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return viewable;
  }

  static bool Matches(const std::string& title, const std::string& name) {
    if (!name.empty() && name.back() == '*')
      return title.compare(0, name.size() - 1, name, 0, name.size() - 1) == 0;
    return title == name;
  }

  bool AllViewable(const std::vector<std::string>& names) const {
    for (const std::string& name : names) {
      bool found = false;
      for (xcb_window_t w : windows) {
        if (Viewable(w) && Matches(Title(w), name)) {
          found = true;
          break;
        }
      }
      if (!found) return false;
    }
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  double timeoutS = 60;
  std::vector<std::string> names;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutS = std::atof(argv[++i]);
    } else {
      names.emplace_back(argv[i]);
    }
  }
  if (i + 1 >= argc || names.empty()) {
    std::fputs("usage: launch_watch [--timeout SECONDS] NAME... -- PROGRAM [ARGUMENT...]\n",
               stderr);
    return 2;
  }
  char** program = argv + i + 1;

  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) {
    std::fputs("launch_watch: no X server\n", stderr);
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  Watch watch{c, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), {}};
  const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
  xcb_get_input_focus_reply_t* sync = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  std::free(sync);  // the event mask is in place before the program starts

  const double start = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    // The program's output goes with this tool's messages: standard output carries the result
    // line alone, and closes when this tool ends.
    dup2(2, 1);
    execvp(program[0], program);
    std::perror("launch_watch: exec");
    _exit(127);
  }
  if (pid < 0) return 1;

  const int fd = xcb_get_file_descriptor(c);
  while (NowMs() - start < timeoutS * 1000) {
    bool changed = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
      if ((e->response_type & 0x7f) == XCB_CREATE_NOTIFY) {
        const auto* create = reinterpret_cast<xcb_create_notify_event_t*>(e);
        if (create->parent == root) {
          watch.windows.push_back(create->window);
          const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
          xcb_change_window_attributes(c, create->window, XCB_CW_EVENT_MASK, &mask);
        }
      }
      changed = true;
      std::free(e);
    }
    if (xcb_connection_has_error(c)) return 1;
    if (changed && watch.AllViewable(names)) {
      const double ms = NowMs() - start;
      std::printf("%d %.1f %.1f\n", static_cast<int>(pid), ms, CpuMs(pid));
      return 0;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      std::fprintf(stderr, "launch_watch: %s ended first\n", program[0]);
      return 1;
    }
    xcb_flush(c);
    pollfd p{fd, POLLIN, 0};
    // Events wake the loop; the timeout only looks after the program's end and the deadline.
    poll(&p, 1, 100);
  }
  std::fprintf(stderr, "launch_watch: no viewable windows after %.0f s\n", timeoutS);
  return 1;
}

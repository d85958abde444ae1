// Starts a program on an X display and prints how many milliseconds pass until its
// first top-level window is mapped:
//
//   time_to_window TIMEOUT_SECONDS PROGRAM [ARGS...]
//   ms=N cpu_ms=M
//
// ms is the time on the clock; cpu_ms the processor time the program's threads had
// used by then (from /proc/PID/task/*/schedstat), which a busy machine disturbs far less.
//
// The display (DISPLAY) must have no window manager and no other client mapping
// windows, so that the first window mapped on the root window is the program's. The
// clock starts just before the program is started; the program is then ended with
// SIGTERM. Exits 1 when no window is mapped within the time-out.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The processor time, in nanoseconds, that the live threads of `pid` have run.
double cpuNanoseconds(pid_t pid) {
  double total = 0;
  std::error_code error;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream in(task.path() / "schedstat");
    double ns = 0;
    if (in >> ns) total += ns;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: time_to_window TIMEOUT_SECONDS PROGRAM [ARGS...]\n");
    return 2;
  }
  const auto timeout = std::chrono::milliseconds(static_cast<long>(std::atof(argv[1]) * 1000));
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "time_to_window: cannot open the display\n");
    return 2;
  }
  // Top-level windows are children of the root: their mapping is reported to a client
  // that selects SubstructureNotify there.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror("time_to_window: exec");
    _exit(127);
  }
  if (child < 0) {
    std::perror("time_to_window: fork");
    return 2;
  }

  bool mapped = false;
  Clock::time_point when{};
  double cpu = 0;
  while (!mapped) {
    while (!mapped && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify) {
        mapped = true;
        when = Clock::now();
        cpu = cpuNanoseconds(child);
      }
    }
    if (mapped) break;
    const auto left = timeout - (Clock::now() - start);
    if (left <= Clock::duration::zero()) break;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1,
         static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) + 1);
  }

  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  XCloseDisplay(display);
  if (!mapped) {
    std::fprintf(stderr, "time_to_window: no window within %s s\n", argv[1]);
    return 1;
  }
  std::printf("ms=%.1f cpu_ms=%.1f\n",
              std::chrono::duration<double, std::milli>(when - start).count(), cpu / 1e6);
  return 0;
}

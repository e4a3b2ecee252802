// Runs a command and reports what it cost, from a process small enough not to
// weigh on the figures (a child's peak resident memory counts the parent's
// pages until the exec):
//
//   measure [-n RUNS] [-i STDIN] [-o STDOUT] -- PROGRAM ARGS...
//
// runs PROGRAM RUNS times (default 1), one after the other, with standard
// input and output redirected as given (default /dev/null), and prints
// "WALL USER SYS MAXRSS": total wall and CPU seconds over all runs and the
// largest peak resident set in bytes. Fails if any run fails.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  long runs = 1;
  const char* in = "/dev/null";
  const char* out = "/dev/null";
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (i + 1 >= argc) break;
    if (std::strcmp(argv[i], "-n") == 0) {
      runs = std::atol(argv[++i]);
    } else if (std::strcmp(argv[i], "-i") == 0) {
      in = argv[++i];
    } else if (std::strcmp(argv[i], "-o") == 0) {
      out = argv[++i];
    }
  }
  if (i + 1 >= argc) {
    std::fputs("usage: measure [-n RUNS] [-i STDIN] [-o STDOUT] -- PROGRAM ARGS...\n", stderr);
    return 2;
  }
  char** command = argv + i + 1;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in, O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);

  double user = 0, sys = 0;
  long maxrss = 0;
  const auto start = std::chrono::steady_clock::now();
  for (long run = 0; run < runs; ++run) {
    pid_t pid = 0;
    if (posix_spawn(&pid, command[0], &actions, nullptr, command, environ) != 0) {
      std::perror(command[0]);
      return 1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "measure: %s failed (status %d)\n", command[0], status);
      return 1;
    }
    user += seconds(usage.ru_utime);
    sys += seconds(usage.ru_stime);
    if (usage.ru_maxrss > maxrss) maxrss = usage.ru_maxrss;
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  std::printf("%.6f %.6f %.6f %ld\n", wall.count(), user, sys, maxrss * 1024);
  return 0;
}

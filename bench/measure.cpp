// zelvora-measure: runs a command and reports its wall time and peak memory.
//
//   zelvora-measure [--label NAME] [--output FILE] -- COMMAND [ARGUMENT]...
//
// Prints (to FILE, appended, or else to standard error) one machine-readable line:
//   measure label=NAME wall_s=1.234567 user_s=0.5 sys_s=0.2 max_rss_kb=12345 status=0
// max_rss_kb is the peak resident set of the command and of the children it waited for, as
// the kernel reports it to wait4. The command's own standard streams are left as they are.
// The exit status is the command's ("status" shows "signal-N" when a signal ended it, and
// zelvora-measure then exits with 128 + N).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace {

constexpr char kUsage[] =
    "usage: zelvora-measure [--label NAME] [--output FILE] -- COMMAND [ARGUMENT]...\n";

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Reads the options before "--"; returns the index of the command, or 0 when the arguments
// are not of the usage's form.
int ParseOptions(int argc, char** argv, std::string& label, const char*& output) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--") return i + 1;
    if (option == "--label") {
      label = argv[i + 1];
    } else if (option == "--output") {
      output = argv[i + 1];
    } else {
      return 0;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string label = "run";
  const char* output = nullptr;
  const int first = ParseOptions(argc, argv, label, output);
  if (first == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  const double start = Now();
  const pid_t child = fork();
  if (child < 0) {
    std::fprintf(stderr, "zelvora-measure: fork: %s\n", std::strerror(errno));
    return 2;
  }
  if (child == 0) {
    execvp(argv[first], argv + first);
    std::fprintf(stderr, "zelvora-measure: cannot run %s: %s\n", argv[first], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "zelvora-measure: wait4: %s\n", std::strerror(errno));
      return 2;
    }
  }
  const double wall = Now() - start;

  std::string status_text;
  int exit_code = 0;
  if (WIFEXITED(status)) {
    exit_code = WEXITSTATUS(status);
    status_text = std::to_string(exit_code);
  } else {
    exit_code = 128 + WTERMSIG(status);
    status_text = "signal-" + std::to_string(WTERMSIG(status));
  }

  FILE* out = output != nullptr ? std::fopen(output, "a") : stderr;
  if (out == nullptr) {
    std::fprintf(stderr, "zelvora-measure: cannot open %s: %s\n", output, std::strerror(errno));
    return 2;
  }
  std::fprintf(out,
               "measure label=%s wall_s=%.6f user_s=%.6f sys_s=%.6f max_rss_kb=%ld status=%s\n",
               label.c_str(), wall, Seconds(usage.ru_utime), Seconds(usage.ru_stime),
               usage.ru_maxrss, status_text.c_str());
  if (out != stderr && std::fclose(out) != 0) return 2;
  return exit_code;
}

#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zelvora {
namespace {

// How often a waiting parent looks up from its wait to run `while_waiting`.
constexpr int kWaitSliceMs = 20;

Status SystemError(const std::string& what, int code) {
  return Status::Error(what + ": " + std::strerror(code), code);
}

// The words of a command line as the exec calls want them; the strings must outlive it.
class ArgumentVector {
 public:
  explicit ArgumentVector(const std::vector<std::string>& words) {
    for (const std::string& word : words) pointers_.push_back(const_cast<char*>(word.c_str()));
    pointers_.push_back(nullptr);
  }
  char* const* get() const { return pointers_.data(); }

 private:
  std::vector<char*> pointers_;
};

// A pipe whose ends close themselves; both ends are close-on-exec.
class Pipe {
 public:
  Pipe() {
    if (pipe2(ends_, O_CLOEXEC) != 0) ends_[0] = ends_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return ends_[0] >= 0; }
  int read_end() const { return ends_[0]; }
  int write_end() const { return ends_[1]; }
  void CloseRead() { CloseEnd(ends_[0]); }
  void CloseWrite() { CloseEnd(ends_[1]); }

 private:
  static void CloseEnd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int ends_[2];
};

// What the watcher process tells its parent about the program it started.
struct WatchReport {
  enum Kind : int { kStarted, kStartFailed, kExited, kStillRunning } kind = kStartFailed;
  int value = 0;  // errno for kStartFailed, exit status for kExited
};

// Everything the watcher needs, prepared before the fork: after it, only calls that are
// safe in the child of a multi-threaded process may run.
struct WatchPlan {
  const char* program = nullptr;
  char* const* argv = nullptr;
  bool wait_for_exit = false;
  int64_t patience_ns = 0;
  int report_fd = -1;
  int exec_read_fd = -1;
  int exec_write_fd = -1;
};

int64_t MonotonicNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

int ExitStatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  return 128 + WTERMSIG(wait_status);
}

[[noreturn]] void SendReport(int fd, WatchReport::Kind kind, int value) {
  const WatchReport report{kind, value};
  ssize_t written;
  do {
    written = write(fd, &report, sizeof report);
  } while (written < 0 && errno == EINTR);
  _exit(0);
}

// The grandchild: a session of its own, default signal handling, stdin from /dev/null, then
// the program. A failed exec sends its errno through the exec pipe.
[[noreturn]] void ExecProgram(const WatchPlan& plan) {
  close(plan.exec_read_fd);
  setsid();
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  const int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd > 0) {
    dup2(null_fd, 0);
    close(null_fd);
  }
  execve(plan.program, plan.argv, environ);
  const int code = errno;
  ssize_t ignored = write(plan.exec_write_fd, &code, sizeof code);
  (void)ignored;
  _exit(127);
}

// The watcher: starts the program as its own child, so that the program is adopted by the
// system once the watcher ends, learns whether the exec succeeded, and when asked watches
// it for a while.
[[noreturn]] void RunWatcher(const WatchPlan& plan) {
  const pid_t program = fork();
  if (program == 0) ExecProgram(plan);
  close(plan.exec_write_fd);
  if (program < 0) SendReport(plan.report_fd, WatchReport::kStartFailed, errno);
  int exec_error = 0;
  ssize_t got;
  do {
    got = read(plan.exec_read_fd, &exec_error, sizeof exec_error);
  } while (got < 0 && errno == EINTR);
  if (got == sizeof exec_error) {
    waitpid(program, nullptr, 0);
    SendReport(plan.report_fd, WatchReport::kStartFailed, exec_error);
  }
  if (!plan.wait_for_exit) SendReport(plan.report_fd, WatchReport::kStarted, 0);
  const int64_t deadline = MonotonicNs() + plan.patience_ns;
  for (;;) {
    int wait_status = 0;
    if (waitpid(program, &wait_status, WNOHANG) == program) {
      SendReport(plan.report_fd, WatchReport::kExited, ExitStatusOf(wait_status));
    }
    if (MonotonicNs() >= deadline) SendReport(plan.report_fd, WatchReport::kStillRunning, 0);
    poll(nullptr, 0, 10);
  }
}

// Waits until `fd` is readable or closed, calling `while_waiting` between slices.
void AwaitReadable(int fd, const std::function<void()>& while_waiting) {
  pollfd watched{fd, POLLIN, 0};
  for (;;) {
    const int ready = poll(&watched, 1, kWaitSliceMs);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return;
    if (while_waiting) while_waiting();
  }
}

Result<WatchReport> Launch(const std::vector<std::string>& argv, bool wait_for_exit,
                           std::chrono::milliseconds patience,
                           const std::function<void()>& while_waiting) {
  if (argv.empty()) return Status::Error("no program to start", EINVAL);
  const Result<std::string> program = FindProgram(argv[0]);
  if (!program.ok()) return program.status();
  const ArgumentVector words(argv);
  Pipe report_pipe;
  Pipe exec_pipe;
  if (!report_pipe.ok() || !exec_pipe.ok()) return SystemError("cannot make a pipe", errno);
  const WatchPlan plan{program->c_str(),        words.get(),
                       wait_for_exit,           std::chrono::nanoseconds(patience).count(),
                       report_pipe.write_end(), exec_pipe.read_end(),
                       exec_pipe.write_end()};
  const pid_t watcher = fork();
  if (watcher < 0) return SystemError("cannot start " + argv[0], errno);
  if (watcher == 0) RunWatcher(plan);
  report_pipe.CloseWrite();
  exec_pipe.CloseRead();
  exec_pipe.CloseWrite();
  AwaitReadable(report_pipe.read_end(), while_waiting);
  WatchReport report;
  ssize_t got;
  do {
    got = read(report_pipe.read_end(), &report, sizeof report);
  } while (got < 0 && errno == EINTR);
  while (waitpid(watcher, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (got != sizeof report) return Status::Error("cannot start " + argv[0], ECHILD);
  if (report.kind == WatchReport::kStartFailed) {
    return SystemError("cannot start " + *program, report.value);
  }
  return report;
}

}  // namespace

Result<std::string> FindProgram(const std::string& program) {
  if (program.empty()) return Status::Error("no program name", ENOENT);
  if (program.find('/') != std::string::npos) return program;
  const char* path_variable = std::getenv("PATH");
  const std::string path =
      path_variable != nullptr ? path_variable : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string folder = path.substr(start, end - start);
    if (folder.empty()) folder = ".";  // an empty entry means the current folder
    const std::string candidate = folder + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        faccessat(AT_FDCWD, candidate.c_str(), X_OK, AT_EACCESS) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return Status::Error(program + " is not found on the PATH", ENOENT);
}

Status StartDetached(const std::vector<std::string>& argv) {
  const auto report = Launch(argv, false, std::chrono::milliseconds(0), {});
  return report.ok() ? Status::Ok() : report.status();
}

Status RunDetachedForVerdict(const std::vector<std::string>& argv,
                             std::chrono::milliseconds patience,
                             const std::function<void()>& while_waiting) {
  const auto report = Launch(argv, true, patience, while_waiting);
  if (!report.ok()) return report.status();
  if (report->kind == WatchReport::kExited && report->value != 0) {
    return Status::Error(argv[0] + " ended with status " + std::to_string(report->value),
                         report->value);
  }
  return Status::Ok();
}

}  // namespace zelvora

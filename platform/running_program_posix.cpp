#include "platform/running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/process.h"

extern char** environ;

namespace zelvora {
namespace {

// How long one wait lasts before the caller is asked whether to go on.
constexpr std::chrono::milliseconds kWaitSlice{20};
// How much of the program's error output is kept: its first line is what a report shows.
constexpr size_t kErrorKept = 1024;

Status SystemError(const std::string& what, int code) {
  return Status::Error(what + ": " + std::strerror(code), code);
}

int64_t MonotonicMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// The environment of this process with `changes` made, as "NAME=VALUE" strings.
std::vector<std::string> ChangedEnvironment(const std::vector<EnvironmentChange>& changes) {
  std::vector<std::string> variables;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    const std::string_view name = variable.substr(0, variable.find('='));
    const bool changed = std::any_of(changes.begin(), changes.end(),
                                     [&](const EnvironmentChange& c) { return c.name == name; });
    if (!changed) variables.emplace_back(variable);
  }
  for (const EnvironmentChange& change : changes) {
    if (change.value) variables.push_back(change.name + "=" + *change.value);
  }
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

class PosixProgram : public RunningProgram {
 public:
  PosixProgram(ProgramStart start, std::string name) : start_(std::move(start)), name_(name) {}
  ~PosixProgram() override {
    if (!reaped_) Kill();
    CloseFd(input_);
    CloseFd(output_);
    CloseFd(errors_);
  }

  Status Spawn(const std::string& path);
  Result<size_t> Read(std::span<char> buffer) override;
  Status Write(std::string_view data) override;
  Status Finish() override;
  void Kill() override;

 private:
  // Waits until `fd` (when not -1) can be read (or written, with `for_writing`), or for one
  // slice at most, keeping the error output drained meanwhile. Fails when the time limit is
  // used up or the caller says to stop; the program is then ended.
  Status AwaitReady(int fd, bool for_writing);
  void DrainErrors();
  Status EndedFor(Status reason);

  ProgramStart start_;
  std::string name_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  int exit_status_ = 0;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::string error_text_;
  int64_t waited_ms_ = 0;
};

Status PosixProgram::Spawn(const std::string& path) {
  int output[2], errors[2], input[2] = {-1, -1};
  if (pipe2(output, O_CLOEXEC) != 0) return SystemError("cannot make a pipe", errno);
  if (pipe2(errors, O_CLOEXEC) != 0) {
    const int code = errno;
    close(output[0]);
    close(output[1]);
    return SystemError("cannot make a pipe", code);
  }
  if (start_.with_input && pipe2(input, O_CLOEXEC) != 0) {
    const int code = errno;
    for (int fd : {output[0], output[1], errors[0], errors[1]}) close(fd);
    return SystemError("cannot make a pipe", code);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (start_.with_input) {
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
  // A process group of its own, so that ending it ends what it started too; the signals
  // this process catches or ignores act on it as they normally do.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<std::string> words = start_.argv;
  std::vector<std::string> variables = ChangedEnvironment(start_.environment);
  const int failed = posix_spawn(&pid_, path.c_str(), &actions, &attributes, Pointers(words).data(),
                                 Pointers(variables).data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(output[1]);
  close(errors[1]);
  if (start_.with_input) close(input[0]);
  output_ = output[0];
  errors_ = errors[0];
  input_ = input[1];
  if (failed != 0) {
    reaped_ = true;
    return SystemError("cannot run " + path, failed);
  }
  for (int fd : {output_, errors_, input_}) {
    if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  return Status::Ok();
}

void PosixProgram::DrainErrors() {
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(errors_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) CloseFd(errors_);
      return;
    }
    const size_t room = kErrorKept - std::min(kErrorKept, error_text_.size());
    error_text_.append(buffer, std::min(room, static_cast<size_t>(got)));
  }
}

Status PosixProgram::EndedFor(Status reason) {
  Kill();
  return reason;
}

Status PosixProgram::AwaitReady(int fd, bool for_writing) {
  const int64_t left = start_.time_limit.count() - waited_ms_;
  if (left <= 0) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(start_.time_limit).count();
    return EndedFor(Status::Error(
        name_ + " did not answer within " + std::to_string(seconds) + " s", ETIMEDOUT));
  }
  pollfd watched[2] = {{fd, static_cast<short>(for_writing ? POLLOUT : POLLIN), 0},
                       {errors_, POLLIN, 0}};
  const int64_t before = MonotonicMs();
  const int ready = poll(watched, errors_ >= 0 && errors_ != fd ? 2 : 1,
                         static_cast<int>(std::min<int64_t>(left, kWaitSlice.count())));
  waited_ms_ += MonotonicMs() - before;
  if (ready < 0 && errno != EINTR) return EndedFor(SystemError("poll", errno));
  if (errors_ >= 0 && (watched[1].revents != 0 || (fd == errors_ && watched[0].revents != 0))) {
    DrainErrors();
  }
  if (fd >= 0 && watched[0].revents != 0) return Status::Ok();
  if (start_.keep_waiting && !start_.keep_waiting()) {
    return EndedFor(Status::Error(name_ + " was stopped", ECANCELED));
  }
  return Status::Ok();
}

Result<size_t> PosixProgram::Read(std::span<char> buffer) {
  if (output_ < 0) return size_t{0};
  for (;;) {
    const ssize_t got = read(output_, buffer.data(), buffer.size());
    if (got > 0) return static_cast<size_t>(got);
    if (got == 0) {
      CloseFd(output_);
      return size_t{0};
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return EndedFor(SystemError("cannot read from " + name_, errno));
    if (Status ready = AwaitReady(output_, false); !ready.ok()) return ready;
  }
}

Status PosixProgram::Write(std::string_view data) {
  if (input_ < 0) return Status::Error(name_ + " takes no input", EPIPE);
  while (!data.empty()) {
    // A program that stopped reading must not end this process with SIGPIPE.
    sigset_t pipe_signal, previous;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
    const ssize_t written = write(input_, data.data(), data.size());
    const int code = errno;
    if (written < 0 && code == EPIPE) {
      const timespec no_wait{0, 0};
      sigtimedwait(&pipe_signal, nullptr, &no_wait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (written > 0) {
      data.remove_prefix(static_cast<size_t>(written));
      continue;
    }
    if (written < 0 && code == EINTR) continue;
    if (written < 0 && code != EAGAIN) return SystemError("cannot write to " + name_, code);
    if (Status ready = AwaitReady(input_, true); !ready.ok()) return ready;
  }
  return Status::Ok();
}

Status PosixProgram::Finish() {
  CloseFd(input_);
  char rest[4096];
  for (;;) {
    auto got = Read(rest);
    if (!got.ok()) return got.status();
    if (*got == 0) break;
  }
  while (!reaped_) {
    int wait_status = 0;
    const pid_t done = waitpid(pid_, &wait_status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      exit_status_ =
          WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
      break;
    }
    if (done < 0 && errno != EINTR) return SystemError("waitpid", errno);
    // Nothing to read any more: the error output's end, or a slice, marks each wait.
    const int fd = errors_ >= 0 ? errors_ : -1;
    if (Status ready = AwaitReady(fd, false); !ready.ok()) return ready;
  }
  if (errors_ >= 0) DrainErrors();  // what is there now; a process it left may hold the pipe
  if (exit_status_ == 0) return Status::Ok();
  const std::string complaint = FirstComplaint(error_text_);
  return Status::Error(
      complaint.empty() ? name_ + " ended with status " + std::to_string(exit_status_) : complaint,
      ECHILD);
}

void PosixProgram::Kill() {
  if (reaped_) return;
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  exit_status_ = 128 + SIGKILL;
}

}  // namespace

Result<std::unique_ptr<RunningProgram>> StartProgram(ProgramStart start) {
  if (start.argv.empty()) return Status::Error("no program to run", EINVAL);
  const Result<std::string> path = FindProgram(start.argv[0]);
  if (!path.ok()) return path.status();
  const std::string name = start.argv[0];
  auto program = std::make_unique<PosixProgram>(std::move(start), name);
  if (Status spawned = program->Spawn(*path); !spawned.ok()) return spawned;
  return std::unique_ptr<RunningProgram>(std::move(program));
}

}  // namespace zelvora

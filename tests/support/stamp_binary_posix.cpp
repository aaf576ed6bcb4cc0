#include "tests/support/stamp_binary.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {
namespace {

constexpr unsigned kTimeLimitSeconds = 300;

void Redirect(const std::string& path, int target, int flags) {
  const int fd = open(path.c_str(), flags, 0644);
  if (fd < 0) _exit(126);
  dup2(fd, target);
  close(fd);
}

// The program for a run as another user: the build folder may lie in a home folder that only
// its owner may enter, so such runs start a copy in a folder that anyone may enter. Made once
// per test process; empty when the copy fails (the run then fails to start the program).
const std::string& CopyForOtherUsers() {
  static const TempDir folder("program");
  static const std::string copy = [] {
    const std::string path = folder / "zelvora-stamp";
    std::error_code error;
    std::filesystem::copy_file(ZELVORA_STAMP_BINARY, path, error);
    if (error || chmod(folder.path().c_str(), 0755) != 0 || chmod(path.c_str(), 0755) != 0) {
      return std::string();
    }
    return path;
  }();
  return copy;
}

// The child's part: streams, environment, user, then `program` itself.
[[noreturn]] void Exec(std::string program, const std::vector<std::string>& args,
                       const BinaryOptions& options, const std::string& out_path,
                       const std::string& err_path) {
  Redirect("/dev/null", STDIN_FILENO, O_RDONLY);
  Redirect(out_path, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
  Redirect(err_path, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
  for (const std::string& assignment : options.environment) putenv(::strdup(assignment.c_str()));
  if (options.user) {
    if (setgroups(0, nullptr) != 0 || setgid(*options.user) != 0 || setuid(*options.user) != 0) {
      _exit(125);
    }
  }
  // A run that hangs (waiting on a pipe, say) ends with the alarm signal, never a hung test.
  alarm(kTimeLimitSeconds);
  std::vector<std::string> words;
  if (!options.fiu_enable.empty()) {
    words = {"fiu-run", "-x", "-c", "enable_random name=" + options.fiu_enable + ",probability=1"};
  }
  words.push_back(std::move(program));
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

}  // namespace

bool HaveFiuRun() { return std::system("command -v fiu-run >/dev/null 2>&1") == 0; }

int StartStampBinary(const std::vector<std::string>& args, const BinaryOptions& options,
                     const std::string& out_path, const std::string& err_path) {
  std::string program = options.user ? CopyForOtherUsers() : ZELVORA_STAMP_BINARY;
  const pid_t pid = fork();
  if (pid == 0) Exec(std::move(program), args, options, out_path, err_path);
  return pid;
}

BinaryRun RunStampBinary(const std::vector<std::string>& args, const BinaryOptions& options) {
  TempDir streams("streams");
  // The streams must be writable by the user the program runs as.
  chmod(streams.path().c_str(), 0777);
  const std::string out_path = streams / "out";
  const std::string err_path = streams / "err";
  const pid_t pid = StartStampBinary(args, options, out_path, err_path);
  BinaryRun run;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.max_rss_kib = usage.ru_maxrss;
  run.out = ReadBytes(out_path);
  run.err = ReadBytes(err_path);
  return run;
}

}  // namespace zelvora::testing

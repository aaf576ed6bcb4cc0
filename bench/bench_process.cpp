#include "bench/bench_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace zelvora::bench {
namespace {

std::string NameOfVariable(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// The process environment with `overrides` replacing or adding variables.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const std::string& o : overrides)
      replaced = replaced || NameOfVariable(o) == NameOfVariable(text);
    if (!replaced) merged.push_back(text);
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

double MonotonicSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

pid_t StartChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::string& stdout_path, const std::string& stderr_path,
                 std::string& error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int output_flags = O_WRONLY | O_CREAT | O_APPEND;
  if (!stdout_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), output_flags, 0644);
  }
  if (!stderr_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), output_flags, 0644);
  }
  std::vector<std::string> arguments = argv;
  std::vector<std::string> variables = MergedEnvironment(environment);
  std::vector<char*> argument_pointers = Pointers(arguments);
  std::vector<char*> variable_pointers = Pointers(variables);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, argument_pointers[0], &actions, nullptr,
                                  argument_pointers.data(), variable_pointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(failed);
    return -1;
  }
  return pid;
}

ChildExit WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return {};
  }
  ChildExit result;
  result.exited = WIFEXITED(status);
  result.code = result.exited ? WEXITSTATUS(status) : 0;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

ChildExit RunChild(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment, const std::string& stdout_path,
                   const std::string& stderr_path, std::string& error) {
  const pid_t pid = StartChild(argv, environment, stdout_path, stderr_path, error);
  if (pid < 0) return {};
  return WaitChild(pid);
}

std::string DescribeExit(const ChildExit& exit) {
  if (exit.exited) return "exit " + std::to_string(exit.code);
  if (exit.signal != 0) return "signal " + std::to_string(exit.signal);
  return "not started";
}

TreeSnapshot ReadTree(const std::string& folder) {
  TreeSnapshot snapshot;
  const std::filesystem::path root(folder);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.is_symlink()) continue;
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) != 0) continue;  // vanished meanwhile
    FileState state;
    state.bytes = ReadWholeFile(entry.path());
    state.mtime = info.st_mtim.tv_sec;
    snapshot.emplace(entry.path().lexically_relative(root).generic_string(), std::move(state));
  }
  return snapshot;
}

std::string CopyTree(const std::string& from, const std::string& to) {
  std::string error;
  const ChildExit copied = RunChild({"cp", "-a", from, to}, {}, "/dev/null", "", error);
  if (!error.empty()) return error;
  if (!copied.exited || copied.code != 0)
    return "cp -a " + from + " " + to + ": " + DescribeExit(copied);
  return {};
}

void RemoveTree(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

size_t CountLinesWith(const std::string& text, const std::string& needle) {
  size_t count = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (std::string_view(text).substr(start, end - start).find(needle) != std::string_view::npos)
      ++count;
    start = end + 1;
  }
  return count;
}

}  // namespace zelvora::bench

// Child processes and file trees for the benchmark tools: starting a program with extra
// environment variables and its output in files, waiting for it or killing it, copying and
// reading whole folders.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zelvora::bench {

// Seconds of a monotonic clock.
double MonotonicSeconds();

struct ChildExit {
  bool exited = false;  // true: ended by exit with `code`; false: ended by `signal`
  int code = 0;
  int signal = 0;
};

// Starts argv[0] (looked up in PATH when it has no "/") with the process environment plus
// `environment` ("NAME=VALUE" entries, replacing variables of the same name), standard input
// from /dev/null and standard output and error appended to the named files (an empty name
// keeps the stream of this process). Returns the
// child's process id, or -1 with `error` set.
pid_t StartChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::string& stdout_path, const std::string& stderr_path,
                 std::string& error);

// Waits for the child to end.
ChildExit WaitChild(pid_t pid);

// Runs the program to its end, as StartChild; `error` is set and exited false when it could
// not be started.
ChildExit RunChild(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment, const std::string& stdout_path,
                   const std::string& stderr_path, std::string& error);

// Describes how a child ended: "exit 0", "signal 9", ...
std::string DescribeExit(const ChildExit& exit);

// One regular file of a folder tree.
struct FileState {
  std::string bytes;
  int64_t mtime = 0;  // last-write time, whole seconds since the epoch

  bool operator==(const FileState&) const = default;
};

// Every regular file below `folder`, by path relative to it ("/"-separated).
using TreeSnapshot = std::map<std::string, FileState>;

// Reads every regular file below `folder`. Throws std::filesystem::filesystem_error when the
// folder cannot be listed.
TreeSnapshot ReadTree(const std::string& folder);

// Copies the folder `from` to `to` (which must not exist) with times and links kept, by
// "cp -a". Returns an empty string on success, otherwise what failed.
std::string CopyTree(const std::string& from, const std::string& to);

// Removes `folder` with everything in it; a missing folder is fine.
void RemoveTree(const std::string& folder);

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The number of lines of `text` that contain `needle`.
size_t CountLinesWith(const std::string& text, const std::string& needle);

}  // namespace zelvora::bench

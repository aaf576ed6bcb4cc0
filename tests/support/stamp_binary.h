// Runs the real zelvora-stamp as a process of its own, for end-to-end tests: stdin is
// /dev/null (NUL on Windows), stdout and stderr are captured, and on Linux a run may be put
// under libfiu's fiu-run with a fault enabled, or run as another user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelvora::testing {

struct BinaryOptions {
  std::vector<std::string> environment;  // NAME=VALUE, added to the test's own environment
  std::string fiu_enable;        // a libfiu failure point to enable with probability 1, e.g.
                                 // "posix/io/rw/read/reduce"; empty for none
  std::optional<uint32_t> user;  // run as this user (and group of the same number); needs root
};

struct BinaryRun {
  int status = -1;  // the exit status; -1 when the process did not exit normally
  std::string out;
  std::string err;
  long max_rss_kib = 0;  // peak resident memory
};

// True when fiu-run (package fiu-utils) can be started; never on Windows.
bool HaveFiuRun();

// The user id that tests use as an ordinary user when they run as root: "nobody".
inline constexpr uint32_t kNobody = 65534;

// Runs zelvora-stamp with `args` and waits for it.
BinaryRun RunStampBinary(const std::vector<std::string>& args, const BinaryOptions& options = {});

// Starts zelvora-stamp with `args`, its stdout and stderr going to `out_path` and `err_path`;
// returns the process id, for WaitForExit.
int StartStampBinary(const std::vector<std::string>& args, const BinaryOptions& options,
                     const std::string& out_path, const std::string& err_path);

}  // namespace zelvora::testing

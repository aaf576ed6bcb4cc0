// Starting programs from the Windows tests: a command line quoted as the programs' own
// start-up splits it again, standard streams to files, added environment variables.
#pragma once

#include <string>
#include <vector>

namespace zelvora::testing {

struct ChildCommand {
  std::vector<std::string> words;        // the program (a full path) and its arguments, UTF-8
  std::vector<std::string> environment;  // NAME=VALUE, added to the test's own environment
  std::string out_path;                  // where stdout goes; empty: the test's own stdout
  std::string err_path;                  // where stderr goes; empty: the test's own stderr
};

// Starts the program; returns its process id, or -1 when it could not be started. Its stdin
// reads nothing (NUL).
int StartProcess(const ChildCommand& command);

// Waits for the process `pid` that StartProcess started (up to five minutes, then ends it) and
// returns its exit status, or -1. `*peak_kib`, when given, receives its peak memory.
int WaitForProcess(int pid, long* peak_kib = nullptr);

}  // namespace zelvora::testing

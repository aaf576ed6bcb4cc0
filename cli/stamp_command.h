// The command-line front end's whole behaviour apart from process start-up: parses the
// arguments, loads the live settings from the store as the main window does, applies the
// overrides, and runs one stamp run through the shared run, or shows or saves the settings.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zelvora {

// Exit statuses of zelvora-stamp.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitAborted = 1;
inline constexpr int kExitUsage = 2;

// Where the command reads and writes. The streams are not owned.
struct StampCommandIo {
  std::istream& in;
  std::ostream& out;  // the run's summary, trial-run file names, --show-settings, --help
  std::ostream& err;  // log entries, questions, warnings, usage errors, the progress line
  // Questions are put only when both are terminals; the progress line needs the second.
  bool input_is_terminal = false;
  bool error_is_terminal = false;
  FileSystem* fs = nullptr;  // the real file system when null
};

// Runs zelvora-stamp with `args` (without the program name) and returns its exit status.
int RunStampCommand(const std::vector<std::string>& args, const StampCommandIo& io);

}  // namespace zelvora

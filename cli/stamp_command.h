// The command-line front end's whole behaviour, apart from process start-up: parses the
// arguments, runs one stamp run through the shared run, and reports on the given streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zelvora {

// Exit statuses of zelvora-stamp.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitAborted = 1;
inline constexpr int kExitUsage = 2;

// Runs zelvora-stamp with `args` (without the program name).
int RunStampCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvora

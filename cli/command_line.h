// The arguments of zelvora-stamp:
//   zelvora-stamp [--set NAME=VALUE]... [--dry-run] FILE
//   zelvora-stamp --show-settings [--set NAME=VALUE]...
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace zelvora {

struct CommandLine {
  bool show_help = false;
  bool show_settings = false;
  bool dry_run = false;
  std::vector<std::string> overrides;  // NAME=VALUE, in the order given
  std::optional<std::string> file;     // may be present and empty
};

// The usage text printed for --help and after a usage error.
extern const char kUsageText[];

// Parses `args` (without the program name). Fails with a one-line explanation when an option
// is unknown, --set lacks its value, or the file is missing or given twice. "--" ends the
// options, so a file name may begin with "-".
Result<CommandLine> ParseCommandLine(const std::vector<std::string>& args);

}  // namespace zelvora

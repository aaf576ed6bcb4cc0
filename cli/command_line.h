// The arguments of zelvora-stamp (the options and their texts are listed in cli/usage.h):
//   zelvora-stamp [--set NAME=VALUE]... [--dry-run] [--] FILE
//   zelvora-stamp [--set NAME=VALUE]... --show-settings
//   zelvora-stamp [--set NAME=VALUE]... --save-settings [--show-settings]
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace zelvora {

struct CommandLine {
  bool show_help = false;
  bool show_version = false;
  bool show_settings = false;
  bool save_settings = false;
  bool dry_run = false;
  std::vector<std::string> overrides;  // NAME=VALUE, in the order given
  std::optional<std::string> file;     // may be present and empty
};

// Parses `args` (without the program name). Fails with a one-line explanation when an option
// is unknown, --set lacks its value, the file is missing or given twice, or a file is given
// with --show-settings or --save-settings. "--" ends the options, so a file name may begin
// with "-". --help and --version win over everything else but an unknown option.
Result<CommandLine> ParseCommandLine(const std::vector<std::string>& args);

}  // namespace zelvora

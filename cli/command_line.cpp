#include "cli/command_line.h"

namespace zelvora {

Result<CommandLine> ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended && arg.starts_with("-") && arg.size() > 1) {
      if (arg == "--") {
        options_ended = true;
      } else if (arg == "--help" || arg == "-h") {
        line.show_help = true;
      } else if (arg == "--version") {
        line.show_version = true;
      } else if (arg == "--show-settings") {
        line.show_settings = true;
      } else if (arg == "--save-settings") {
        line.save_settings = true;
      } else if (arg == "--dry-run") {
        line.dry_run = true;
      } else if (arg == "--check") {
        line.check = true;
      } else if (arg == "--set") {
        if (i + 1 >= args.size()) return Status::Error("--set needs NAME=VALUE");
        line.overrides.push_back(args[++i]);
      } else if (arg.starts_with("--set=")) {
        line.overrides.push_back(arg.substr(6));
      } else {
        return Status::Error("unknown option \"" + arg + "\"");
      }
      continue;
    }
    if (line.file) return Status::Error("only one FILE can be stamped per run");
    line.file = arg;
  }
  if (line.show_help || line.show_version) return line;
  const bool settings_only = line.show_settings || line.save_settings;
  if (settings_only && line.check) {
    return Status::Error(std::string(line.save_settings ? "--save-settings" : "--show-settings") +
                         " cannot go with --check");
  }
  // A trial run writes nothing, so it cannot go with the option whose whole point is writing.
  if (line.save_settings && line.dry_run) {
    return Status::Error("--save-settings cannot go with --dry-run");
  }
  if (settings_only && line.file) {
    return Status::Error(std::string(line.save_settings ? "--save-settings" : "--show-settings") +
                         " takes no FILE");
  }
  if (!settings_only && !line.file) return Status::Error("FILE is missing");
  return line;
}

}  // namespace zelvora

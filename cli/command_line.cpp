#include "cli/command_line.h"

namespace zelvora {

const char kUsageText[] =
    "usage: zelvora-stamp [--set NAME=VALUE]... [--dry-run] FILE\n"
    "       zelvora-stamp --show-settings [--set NAME=VALUE]...\n"
    "\n"
    "Stamps FILE and the local pages it links to with their last-updated dates, using the\n"
    "settings saved by Zelvora.\n"
    "\n"
    "  --set NAME=VALUE  use VALUE for setting NAME in this run only (never saved);\n"
    "                    switches take 0 or 1, AvoidList takes a comma-separated list\n"
    "  --dry-run         list the files that would be written, and write nothing\n"
    "  --show-settings   print the settings in effect, one NAME=VALUE per line\n"
    "  --help            print this text\n"
    "\n"
    "Exit status: 0 the run finished, 1 the run was aborted, 2 usage error.\n";

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
      } else if (arg == "--show-settings") {
        line.show_settings = true;
      } else if (arg == "--dry-run") {
        line.dry_run = true;
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
  if (line.show_help) return line;
  if (line.show_settings && line.file) {
    return Status::Error("--show-settings takes no FILE");
  }
  if (!line.show_settings && !line.file) return Status::Error("FILE is missing");
  return line;
}

}  // namespace zelvora

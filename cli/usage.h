// What zelvora-stamp says about itself: the --help text and the manual page zelvora-stamp.1,
// both made from the one set of texts below, so that they cannot tell different stories.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zelvora {

// One option as the help lists it.
struct OptionHelp {
  std::string_view names;     // as written, several separated by ", " ("-h, --help")
  std::string_view argument;  // the option's argument ("NAME=VALUE"), or empty
  std::string_view text;      // one paragraph
};

// Every option that ParseCommandLine accepts, in the order the help lists them.
std::span<const OptionHelp> StampOptions();

// The lines that show how the command is called, each beginning with the program's name.
std::span<const std::string_view> StampSynopsis();

// Where the command keeps its state at this moment, as --help shows it.
struct StampPaths {
  std::string settings_store;  // empty when no home folder is known
  std::string log_file;
};

// The --help text: synopsis, description, options, exit statuses, environment and files, the
// latter with `paths`; wrapped to 79 columns.
std::string StampHelpText(const StampPaths& paths);

// The short text printed after a usage error: the synopsis and a pointer to --help.
std::string StampUsageReminder();

// The manual page zelvora-stamp.1 (man(7) macros) of program version `version`.
std::string StampManPage(std::string_view version);

}  // namespace zelvora

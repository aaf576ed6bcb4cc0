// The environment variables and files that zelvora-stamp's help and manual page describe, as
// they are on the system the program is built for.
#pragma once

#include <span>
#include <string_view>

namespace zelvora {

// A term of the help and its text.
struct HelpEntry {
  std::string_view term;
  std::string_view text;
};

// A file the program keeps its state in.
struct HelpFile {
  std::string_view label;  // what --help calls it before its path
  std::string_view rule;   // where it is, as the manual page names it
  std::string_view text;
};

// The environment variables that change where the program keeps its state.
std::span<const HelpEntry> EnvironmentHelp();

// The settings store, then the log file.
std::span<const HelpFile> FileHelp();

}  // namespace zelvora

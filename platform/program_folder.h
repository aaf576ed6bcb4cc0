// The folder of the running program, where the log file and the help file live.
#pragma once

#include <string>

namespace zelvora {

// ZELVORA_PROGRAM_DIR when it is set and not empty, otherwise the folder of the running
// executable; always with a trailing separator.
std::string ProgramFolder();

}  // namespace zelvora

// The folder of the running program, where the log file and the help file live.
#pragma once

#include <string>

namespace zelvora {

// ZELVORA_PROGRAM_DIR when it is set and not empty, otherwise the folder of the running
// executable; always with a trailing separator.
std::string ProgramFolder();

// The folder a file dialog starts in while the user has chosen none: ProgramFolder() when
// this process may create files there (a copy of the program in the user's own folder, a
// build folder), which is also where the log then lies; otherwise, for an installed program
// whose folder belongs to the system, the user's home folder. With a trailing separator.
std::string FirstFileDialogFolder();

}  // namespace zelvora

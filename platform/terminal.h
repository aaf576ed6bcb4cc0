// The terminal the command-line front end talks through, its arguments, and the user's
// interrupt key.
#pragma once

#include <string>
#include <vector>

namespace zelvora {

enum class StandardStream { kInput, kOutput, kError };

// True when the stream is connected to a terminal (on Windows: a console).
bool IsTerminal(StandardStream stream);

// Makes the standard streams (std::cin, std::cout, std::cerr) carry the program's UTF-8 text
// as the terminal expects it. On Windows a console is written as UTF-16 (WriteConsoleW) and
// read likewise (ReadConsoleW), the line-clearing escape "ESC [ K" works on every console, and
// redirected streams carry the UTF-8 bytes as they are, line ends included. Elsewhere the
// terminal takes UTF-8 itself and nothing changes. Call once, before anything is written.
void UseUtf8StandardStreams();

// The program's arguments (without the program's name) as UTF-8. On Windows they are taken
// from the system's UTF-16 command line, so that names outside the ANSI code page survive;
// elsewhere they are argv[1..] as given.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes the interrupt key (Ctrl-C) and a request to terminate (SIGTERM; on Windows Ctrl+Break)
// set a flag instead of ending the process, so a run can stop cleanly after the tag in hand
// (and end a helper program it waits for). A second one of the same kind ends the process as
// usual.
void CatchInterrupts();

// True once an interrupt has arrived since CatchInterrupts().
bool InterruptRequested();

}  // namespace zelvora

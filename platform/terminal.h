// The terminal the command-line front end talks through, and the user's interrupt key.
#pragma once

namespace zelvora {

enum class StandardStream { kInput, kOutput, kError };

// True when the stream is connected to a terminal.
bool IsTerminal(StandardStream stream);

// Makes the interrupt key (Ctrl-C) and a request to terminate (SIGTERM) set a flag instead
// of ending the process, so a run can stop cleanly after the tag in hand (and end a helper
// program it waits for). A second one of the same kind ends the process as usual.
void CatchInterrupts();

// True once an interrupt has arrived since CatchInterrupts().
bool InterruptRequested();

}  // namespace zelvora

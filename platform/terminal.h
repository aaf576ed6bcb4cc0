// The terminal the command-line front end talks through, and the user's interrupt key.
#pragma once

namespace zelvora {

enum class StandardStream { kInput, kOutput, kError };

// True when the stream is connected to a terminal.
bool IsTerminal(StandardStream stream);

// Makes the interrupt key (Ctrl-C) set a flag instead of ending the process, so a run can
// stop cleanly after the tag in hand. A second interrupt ends the process as usual.
void CatchInterrupts();

// True once an interrupt has arrived since CatchInterrupts().
bool InterruptRequested();

}  // namespace zelvora

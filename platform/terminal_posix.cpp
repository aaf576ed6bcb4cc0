#include "platform/terminal.h"

#include <signal.h>
#include <unistd.h>

namespace zelvora {
namespace {

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int signal_number) {
  interrupted = 1;
  signal(signal_number, SIG_DFL);  // the next one ends the process
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return isatty(STDIN_FILENO) == 1;
    case StandardStream::kOutput:
      return isatty(STDOUT_FILENO) == 1;
    case StandardStream::kError:
      return isatty(STDERR_FILENO) == 1;
  }
  return false;
}

void UseUtf8StandardStreams() {}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interrupted != 0; }

}  // namespace zelvora

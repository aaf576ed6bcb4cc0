// A helper program that the run talks to through pipes — git, say: started with its
// arguments and changes to the environment, its output read as a stream while it runs, its
// input written when asked for, its first line of complaint kept. Waiting for it has a time
// limit, and a caller that is told to stop (the abort button, Ctrl+C) ends it at once.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// One variable of the program's environment: set to `value`, or removed when it is empty.
struct EnvironmentChange {
  std::string name;
  std::optional<std::string> value;
};

struct ProgramStart {
  // The program (looked up as FindProgram does) and its arguments, each passed as it is.
  std::vector<std::string> argv;
  // Changes to this process's environment for the program.
  std::vector<EnvironmentChange> environment;
  // True: its standard input is a pipe that Write fills; false: it reads /dev/null (NUL).
  bool with_input = false;
  // The time this process may spend waiting for the program's output or its end, in all.
  std::chrono::milliseconds time_limit{std::chrono::minutes(2)};
  // Called every few hundredths of a second while waiting; when it returns false the program
  // is ended at once and the wait fails with ECANCELED. Empty: always wait.
  std::function<bool()> keep_waiting;
};

class RunningProgram {
 public:
  // Ends the program if it still runs and waits for it, so no process is left behind.
  virtual ~RunningProgram() = default;

  // Waits for output and reads up to `buffer.size()` bytes of it: the count, or 0 once the
  // program has closed its output. Fails with ETIMEDOUT when the time limit is used up and
  // ECANCELED when keep_waiting said to stop; the program has then been ended.
  virtual Result<size_t> Read(std::span<char> buffer) = 0;

  // Writes all of `data` to the program's input (which must have been asked for), waiting
  // while the pipe is full. Fails as Read does, and with EPIPE when the program no longer
  // reads.
  virtual Status Write(std::string_view data) = 0;

  // Waits for the program to end, after closing its input and reading what output is left:
  // OK for exit status 0. Otherwise fails with ECHILD and, as message, the first line the
  // program wrote to its error output ("PROGRAM ended with status N" when it wrote none), or
  // as Read fails.
  virtual Status Finish() = 0;

  // Ends the program at once (it and what it started: its process group, or on Windows its
  // job) and waits for it.
  virtual void Kill() = 0;
};

// The line of a program's error output `errors` that says what went wrong: the first that
// begins "fatal:" or "error:" (warnings may come before it), else the first line that is not
// empty; without its line end (CR LF or LF).
std::string FirstComplaint(std::string_view errors);

// Starts `start.argv`. Fails with ENOENT when the program is not found, or with the errno of
// another failure to start it. Preconditions: `start.argv` is not empty.
Result<std::unique_ptr<RunningProgram>> StartProgram(ProgramStart start);

}  // namespace zelvora

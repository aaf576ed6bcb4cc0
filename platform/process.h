// Starting other programs without a shell: detached ones that run on by themselves (a
// browser, a viewer, xdg-open), and short helpers whose output is read (xdg-mime). On Windows
// the words of a command reach the program exactly through the command line that the system
// passes (quoted by the rules of the programs' start-up code), and no console window shows.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// The full path of `program`: `program` itself when it holds a "/", otherwise the first
// executable regular file of that name in the folders of $PATH (when PATH is unset,
// /usr/local/bin:/usr/bin:/bin). Fails with ENOENT when there is none.
// On Windows: `program` itself when it names a folder too ("\", "/" or a drive) and is a file;
// otherwise the first file in the folders of PATH (never the current folder) named `program`,
// or `program` with an extension of PATHEXT, in PATHEXT's order. Only the extensions that the
// system starts itself (.exe, .com) count: batch files (.bat, .cmd) would run through cmd.exe,
// which gives quotes, carets and percent signs in their arguments a meaning of its own, so
// their arguments cannot be passed exactly; FindProgram of one fails with ENOEXEC.
Result<std::string> FindProgram(const std::string& program);

// Starts argv[0] (found with FindProgram) with the arguments argv[1..], each passed as it
// is (no shell, no word splitting), and returns as soon as the program has been loaded: OK
// then, otherwise a Status with the errno of the failure (ENOENT, EACCES, ENOEXEC...).
// The program gets stdin from /dev/null and a session of its own, and is not a child of
// this process: it never needs to be waited for and outlives this process. (On Windows: its
// standard streams are the null device, and it is not in the job of this process when that
// job lets it leave.)
// Precondition: `argv` is not empty.
Status StartDetached(const std::vector<std::string>& argv);

// Starts `argv` as StartDetached does and then waits up to `patience` for it to end, calling
// `while_waiting` (when given) every few hundredths of a second meanwhile. OK when it ends
// with exit status 0, or when it is still running as patience runs out (a launcher such as
// xdg-open may stay with the program it opened); otherwise a failure, whose code() is the
// exit status, or the errno of a failed start.
Status RunDetachedForVerdict(const std::vector<std::string>& argv,
                             std::chrono::milliseconds patience,
                             const std::function<void()>& while_waiting = {});

// Runs `argv` (found with FindProgram) with stdin from /dev/null, and returns what it wrote
// to stdout, calling `while_waiting` (when given) every few hundredths of a second
// meanwhile (a RunningProgram read to its end). Fails when it cannot be started (ENOENT when
// it is not found), ends with a status other than 0 (ECHILD, with its first line of error
// output), or has not ended within `timeout` (ETIMEDOUT; it is then killed).
Result<std::string> CaptureOutput(const std::vector<std::string>& argv,
                                  std::chrono::milliseconds timeout,
                                  const std::function<void()>& while_waiting = {});

}  // namespace zelvora

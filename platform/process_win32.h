// Creating the process of a program on Windows, shared by the starts of detached programs
// (process_win32.cpp) and of helpers talked to through pipes (running_program_win32.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/status.h"
#include "platform/system_calls_win32.h"

namespace zelvora::win32 {

struct ProcessPlan {
  // The program's full path (as FindProgram gives it) and its arguments, each passed exactly.
  std::vector<std::string> argv;
  // The program's environment, a block for CREATE_UNICODE_ENVIRONMENT; empty: this process's.
  std::wstring environment;
  // The program's standard input, output and error output. They need not be inheritable:
  // they are made so only while the process is created, and only they are inherited.
  HANDLE input = nullptr;
  HANDLE output = nullptr;
  HANDLE errors = nullptr;
  // Creation flags besides CREATE_NO_WINDOW (no console window pops up for the program) and
  // CREATE_UNICODE_ENVIRONMENT.
  DWORD flags = 0;
};

struct CreatedProcess {
  ScopedHandle process;
  ScopedHandle thread;
};

// Creates the process of `plan`. Fails with EINVAL when an argument cannot be passed (a NUL
// in it), otherwise with the errno of the system's failure (ENOENT, EACCES, ENOEXEC, ...).
// Safe to call from several threads at once: the handles that one call lets its program
// inherit never reach another's.
Result<CreatedProcess> CreateProgramProcess(const ProcessPlan& plan);

// The null device, open for reading and writing; not inheritable.
ScopedHandle OpenNullDevice();

}  // namespace zelvora::win32

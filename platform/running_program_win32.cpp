// Helper programs are not started on Windows yet: StartProgram fails as for a missing
// program, so that dates from git fall back to last-write times and say that git is not there.
#include "platform/running_program.h"

#include <cerrno>

namespace zelvora {

Result<std::unique_ptr<RunningProgram>> StartProgram(ProgramStart start) {
  return Status::Error(start.argv.front() + ": starting other programs is not available here yet",
                       ENOENT);
}

}  // namespace zelvora

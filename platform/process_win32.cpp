// Starting other programs is not available on Windows yet: every call fails as if the program
// were missing, so that a caller takes its documented path for a missing program (dates from
// git history, for one, fall back to last-write times and say that git is not there).
#include "platform/process.h"

#include <cerrno>

namespace zelvora {
namespace {

Status NotAvailable(const std::string& program) {
  return Status::Error(program + ": starting other programs is not available on Windows yet",
                       ENOENT);
}

}  // namespace

Result<std::string> FindProgram(const std::string& program) { return NotAvailable(program); }

Status StartDetached(const std::vector<std::string>& argv) { return NotAvailable(argv.front()); }

Status RunDetachedForVerdict(const std::vector<std::string>& argv, std::chrono::milliseconds,
                             const std::function<void()>&) {
  return NotAvailable(argv.front());
}

Result<std::string> CaptureOutput(const std::vector<std::string>& argv, std::chrono::milliseconds,
                                  const std::function<void()>&) {
  return NotAvailable(argv.front());
}

}  // namespace zelvora

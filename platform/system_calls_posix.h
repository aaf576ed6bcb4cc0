// Pieces shared by the POSIX implementation of the file system: errors, retries after
// interrupted calls, descriptors, and what stat reports turned into FileInfo.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora::posix {

// The failure of `operation` on `path` with errno `error`.
Status SystemError(std::string_view operation, std::string_view path, int error);

// The system takes paths as C strings: a path holding a NUL byte would silently name a
// shorter path, so it is refused as invalid instead.
inline bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }
Status NulInPath();

// Why `path`, of file type `mode`, cannot be read as a regular file, naming what it is: "<path>
// is a folder, not a regular file" (EISDIR), "... is a named pipe, not a regular file" (EINVAL).
Status NotARegularFile(const std::string& path, mode_t mode);

// Calls `call` again while it fails with EINTR.
template <typename Call>
auto RetryOnInterrupt(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

// A descriptor closed when it goes out of scope; for reading, where close errors do not
// matter.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd();
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Takes the exclusive advisory lock of `fd`; without `wait`, fails with EWOULDBLOCK when
// another open file holds it.
int LockExclusive(int fd, bool wait);

FileKind KindOfMode(mode_t mode);
FileTime FromTimespec(const struct timespec& time);
// A time for utimensat and futimens; a time not given leaves the file's time as it is.
struct timespec ToTimespec(const std::optional<FileTime>& time);
FileInfo FromStat(const struct stat& info);

}  // namespace zelvora::posix

#include "platform/system_calls_posix.h"

#include <sys/file.h>
#include <unistd.h>

#include <system_error>

namespace zelvora::posix {

Status SystemError(std::string_view operation, std::string_view path, int error) {
  std::string message(operation);
  message += ' ';
  message += path;
  message += ": ";
  message += std::generic_category().message(error);
  return Status::Error(std::move(message), error);
}

Status NulInPath() { return Status::Error("path holds a NUL byte", EINVAL); }

Status NotARegularFile(const std::string& path, mode_t mode) {
  if (S_ISDIR(mode)) return Status::Error(path + " is a folder, not a regular file", EISDIR);
  const char* kind = S_ISFIFO(mode)                   ? "a named pipe, "
                     : S_ISSOCK(mode)                 ? "a socket, "
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device, "
                                                      : "";
  return Status::Error(path + " is " + kind + "not a regular file", EINVAL);
}

ScopedFd::~ScopedFd() {
  if (fd_ >= 0) close(fd_);
}

int LockExclusive(int fd, bool wait) {
  return RetryOnInterrupt([&] { return flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)); });
}

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  return FileKind::kOther;
}

FileTime FromTimespec(const struct timespec& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
}

struct timespec ToTimespec(const std::optional<FileTime>& time) {
  struct timespec result;
  if (time.has_value()) {
    result.tv_sec = static_cast<time_t>(time->seconds);
    result.tv_nsec = time->nanoseconds;
  } else {
    result.tv_sec = 0;
    result.tv_nsec = UTIME_OMIT;
  }
  return result;
}

FileInfo FromStat(const struct stat& info) {
  FileInfo result;
  result.kind = KindOfMode(info.st_mode);
  result.size = static_cast<uint64_t>(info.st_size);
  result.mode = info.st_mode & 07777;
  result.owner = info.st_uid;
  result.group = info.st_gid;
  result.last_access = FromTimespec(info.st_atim);
  result.last_write = FromTimespec(info.st_mtim);
  result.last_change = FromTimespec(info.st_ctim);
  result.device = static_cast<uint64_t>(info.st_dev);
  result.inode = static_cast<uint64_t>(info.st_ino);
  return result;
}

}  // namespace zelvora::posix

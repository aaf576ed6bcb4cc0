#include "platform/open_files_posix.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/system_calls_posix.h"
#include "platform/user_access.h"

namespace zelvora::posix {
namespace {

// An empty temporary file younger than this may belong to a writer that has created it and
// is about to lock it; RemoveAbandoned leaves it alone (or, when asked to wait, waits up to
// kEmptyFileGraceMilliseconds for it to be locked).
constexpr int64_t kYoungEmptySeconds = 60;
constexpr int kEmptyFileGraceMilliseconds = 1000;
constexpr int kEmptyFilePollMilliseconds = 10;

class PosixWritableFile : public WritableFile {
 public:
  // `mode` is the permission bits the file was created with.
  PosixWritableFile(int fd, std::string path, uint32_t mode)
      : fd_(fd), path_(std::move(path)), mode_(mode) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) close(fd_);
  }

  Status Append(std::string_view data) override {
    if (fd_ < 0) return SystemError("write", path_, EBADF);
    while (!data.empty()) {
      const ssize_t written =
          RetryOnInterrupt([&] { return write(fd_, data.data(), data.size()); });
      if (written < 0) return SystemError("write", path_, errno);
      // A regular file accepts at least one byte of a non-empty write or reports why not;
      // a zero is taken as a full device rather than looping for ever.
      if (written == 0) return SystemError("write", path_, ENOSPC);
      data.remove_prefix(static_cast<size_t>(written));
    }
    return Status::Ok();
  }

  Status CopyPermissions(const FileInfo& like) override {
    if (fd_ < 0) return SystemError("fchmod", path_, EBADF);
    // The owner first: changing it clears set-user-ID bits that fchmod then restores. Only a
    // privileged process may give a file away, so a refusal is expected and not an error.
    // A file of this process's own user and group already has them.
    const ProcessUser& user = CurrentUser();
    const bool owner_changed = like.owner != user.uid || like.group != user.gid;
    if (owner_changed) {
      (void)RetryOnInterrupt([&] { return fchown(fd_, like.owner, like.group); });
    }
    // A file created with the very bits wanted needs no change.
    if (!owner_changed && (like.mode & 07777) == mode_) return Status::Ok();
    if (RetryOnInterrupt([&] { return fchmod(fd_, like.mode & 07777); }) != 0) {
      return SystemError("fchmod", path_, errno);
    }
    mode_ = like.mode & 07777;
    return Status::Ok();
  }

  // Linux cannot set a creation time: `created` is left out.
  Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                  std::optional<FileTime> /*created*/) override {
    if (fd_ < 0) return SystemError("futimens", path_, EBADF);
    const struct timespec times[2] = {ToTimespec(last_access), ToTimespec(last_write)};
    if (futimens(fd_, times) != 0) return SystemError("futimens", path_, errno);
    return Status::Ok();
  }

  Result<FileInfo> Info() override {
    if (fd_ < 0) return SystemError("fstat", path_, EBADF);
    struct stat info;
    if (fstat(fd_, &info) != 0) return SystemError("fstat", path_, errno);
    return FromStat(info);
  }

  Status Sync() override {
    if (fd_ < 0) return SystemError("fsync", path_, EBADF);
    if (RetryOnInterrupt([&] { return fsync(fd_); }) != 0)
      return SystemError("fsync", path_, errno);
    return Status::Ok();
  }

  Status Close() override {
    if (fd_ < 0) return SystemError("close", path_, EBADF);
    const int fd = fd_;
    fd_ = -1;
    // Never retried: Linux releases the descriptor even when close reports EINTR, and a
    // retry could close a descriptor opened meanwhile. Any error means the data may be
    // incomplete, so it is reported.
    if (close(fd) != 0) return SystemError("close", path_, errno);
    return Status::Ok();
  }

 private:
  int fd_;
  std::string path_;
  uint32_t mode_;
};

// A scratch file: an open descriptor of a file without a name.
class PosixScratchFile : public ScratchFile {
 public:
  explicit PosixScratchFile(int fd) : fd_(fd) {}
  ~PosixScratchFile() override { close(fd_); }
  PosixScratchFile(const PosixScratchFile&) = delete;
  PosixScratchFile& operator=(const PosixScratchFile&) = delete;

  Status WriteAt(uint64_t offset, const std::vector<std::string_view>& pieces) override {
    std::vector<struct iovec> rest;
    rest.reserve(pieces.size());
    for (const std::string_view piece : pieces) {
      if (!piece.empty()) rest.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    return Transfer(offset, rest, /*writing=*/true);
  }

  Status ReadAt(uint64_t offset, const std::vector<std::span<char>>& pieces) override {
    std::vector<struct iovec> rest;
    rest.reserve(pieces.size());
    for (const std::span<char> piece : pieces) {
      if (!piece.empty()) rest.push_back({piece.data(), piece.size()});
    }
    return Transfer(offset, rest, /*writing=*/false);
  }

 private:
  // Moves the bytes of `rest` at `offset`, a bounded number of pieces per call, going on
  // after calls that moved only part of them.
  Status Transfer(uint64_t offset, std::vector<struct iovec>& rest, bool writing) {
    size_t first = 0;
    while (first < rest.size()) {
      const int count = static_cast<int>(std::min<size_t>(rest.size() - first, IOV_MAX));
      const auto position = static_cast<off_t>(offset);
      const ssize_t moved = RetryOnInterrupt([&] {
        return writing ? pwritev(fd_, &rest[first], count, position)
                       : preadv(fd_, &rest[first], count, position);
      });
      if (moved < 0) return SystemError(writing ? "pwritev" : "preadv", "scratch file", errno);
      if (moved == 0) {
        return SystemError(writing ? "pwritev" : "preadv", "scratch file", writing ? ENOSPC : EIO);
      }
      offset += static_cast<uint64_t>(moved);
      auto left = static_cast<size_t>(moved);
      while (left > 0 && left >= rest[first].iov_len) left -= rest[first++].iov_len;
      if (left > 0) {
        rest[first].iov_base = static_cast<char*>(rest[first].iov_base) + left;
        rest[first].iov_len -= left;
      }
    }
    return Status::Ok();
  }

  int fd_;
};

class PosixHeldLock : public HeldLock {
 public:
  explicit PosixHeldLock(int fd) : fd_(fd) {}
  ~PosixHeldLock() override { close(fd_); }
  PosixHeldLock(const PosixHeldLock&) = delete;
  PosixHeldLock& operator=(const PosixHeldLock&) = delete;

 private:
  int fd_;
};

bool OlderThan(const struct stat& info, int64_t seconds) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec - info.st_ctim.tv_sec > seconds;
}

void SleepMilliseconds(int milliseconds) {
  struct timespec pause {
    0, milliseconds * 1000000L
  };
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// The folder for scratch files: $TMPDIR when it is set and absolute, else /tmp.
std::string ScratchFolder() {
  const char* configured = std::getenv("TMPDIR");
  if (configured != nullptr && configured[0] == '/') return configured;
  return "/tmp";
}

}  // namespace

Result<std::unique_ptr<WritableFile>> NewLockedFile(const std::string& path, uint32_t mode) {
  if (HoldsNul(path)) return NulInPath();
  ScopedFd fd(RetryOnInterrupt(
      [&] { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777); }));
  if (fd.get() < 0) return SystemError("create", path, errno);
  // Locked before anything is written: an empty unlocked file is all another run can see of
  // it before then, and RemoveAbandoned leaves such a file alone.
  if (LockExclusive(fd.get(), /*wait=*/true) != 0) {
    const int error = errno;
    (void)unlink(path.c_str());
    return SystemError("flock", path, error);
  }
  const uint32_t created_mode = mode & 0777 & ~CurrentUser().umask;
  return std::unique_ptr<WritableFile>(
      std::make_unique<PosixWritableFile>(fd.release(), path, created_mode));
}

Status RemoveAbandoned(const std::string& path, bool wait) {
  if (HoldsNul(path)) return NulInPath();
  const ScopedFd fd(RetryOnInterrupt(
      [&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW); }));
  if (fd.get() < 0) return SystemError("open", path, errno);
  for (int waited = 0;; waited += kEmptyFilePollMilliseconds) {
    if (LockExclusive(fd.get(), /*wait=*/false) != 0) {
      if (errno != EWOULDBLOCK) return SystemError("flock", path, errno);
      if (!wait) return SystemError("remove (in use)", path, EBUSY);
      if (LockExclusive(fd.get(), /*wait=*/true) != 0) return SystemError("flock", path, errno);
    }
    // Locked now. Its writer may have finished and renamed it away meanwhile: then the name
    // is free, or belongs to another file, which is not this call's to remove.
    struct stat held;
    struct stat named;
    if (fstat(fd.get(), &held) != 0) return SystemError("fstat", path, errno);
    if (lstat(path.c_str(), &named) != 0) {
      if (errno == ENOENT) return Status::Ok();
      return SystemError("lstat", path, errno);
    }
    if (named.st_dev != held.st_dev || named.st_ino != held.st_ino) {
      return wait ? Status::Ok() : SystemError("remove (in use)", path, EBUSY);
    }
    const bool maybe_unlocked_yet = held.st_size == 0 && !OlderThan(held, kYoungEmptySeconds);
    if (maybe_unlocked_yet && (!wait || waited < kEmptyFileGraceMilliseconds)) {
      if (!wait) return SystemError("remove (may be in use)", path, EBUSY);
      (void)flock(fd.get(), LOCK_UN);
      SleepMilliseconds(kEmptyFilePollMilliseconds);
      continue;
    }
    if (unlink(path.c_str()) != 0) return SystemError("unlink", path, errno);
    return Status::Ok();
  }
}

Result<std::unique_ptr<HeldLock>> TakeLock(const std::string& lock_path) {
  if (HoldsNul(lock_path)) return NulInPath();
  ScopedFd fd(RetryOnInterrupt(
      [&] { return open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600); }));
  if (fd.get() < 0) return SystemError("open", lock_path, errno);
  if (LockExclusive(fd.get(), /*wait=*/true) != 0) return SystemError("flock", lock_path, errno);
  return std::unique_ptr<HeldLock>(std::make_unique<PosixHeldLock>(fd.release()));
}

Result<std::unique_ptr<ScratchFile>> NewScratchFile() {
  const std::string folder = ScratchFolder();
  int fd =
      RetryOnInterrupt([&] { return open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
  if (fd < 0) {
    // File systems without unnamed files: a named one, removed at once.
    std::string name = folder + "/zelvora-scratch-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return SystemError("create a scratch file in", folder, errno);
    (void)unlink(name.c_str());
  }
  return std::unique_ptr<ScratchFile>(std::make_unique<PosixScratchFile>(fd));
}

}  // namespace zelvora::posix

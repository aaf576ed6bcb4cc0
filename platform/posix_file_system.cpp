#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_access.h"

namespace zelvora {
namespace {

// Longest chain of symbolic links followed, as the kernel does (MAXSYMLINKS).
constexpr int kMaxSymlinkHops = 40;

// An empty temporary file younger than this may belong to a writer that has created it and
// is about to lock it; RemoveAbandoned leaves it alone (or, when asked to wait, waits up to
// kEmptyFileGrace for it to be locked).
constexpr int64_t kYoungEmptySeconds = 60;
constexpr int kEmptyFileGraceMilliseconds = 1000;
constexpr int kEmptyFilePollMilliseconds = 10;

Status SystemError(std::string_view operation, std::string_view path, int error) {
  std::string message(operation);
  message += ' ';
  message += path;
  message += ": ";
  message += std::generic_category().message(error);
  return Status::Error(std::move(message), error);
}

// The system takes paths as C strings: a path holding a NUL byte would silently name a
// shorter path, so it is refused as invalid instead.
bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

Status NulInPath() { return Status::Error("path holds a NUL byte", EINVAL); }

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
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Takes the exclusive advisory lock of `fd`; without `wait`, fails with EWOULDBLOCK when
// another open file holds it.
int LockExclusive(int fd, bool wait) {
  return RetryOnInterrupt([&] { return flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)); });
}

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  return FileKind::kOther;
}

FileTime FromStatxTime(const struct statx_timestamp& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
}

FileTime FromTimespec(const struct timespec& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
}

// A time for utimensat and futimens; a time not given leaves the file's time as it is.
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

FileInfo FromStatx(const struct statx& info) {
  FileInfo result;
  result.kind = KindOfMode(info.stx_mode);
  result.size = info.stx_size;
  result.mode = info.stx_mode & 07777;
  result.owner = info.stx_uid;
  result.group = info.stx_gid;
  result.last_access = FromStatxTime(info.stx_atime);
  result.last_write = FromStatxTime(info.stx_mtime);
  result.last_change = FromStatxTime(info.stx_ctime);
  result.device = makedev(info.stx_dev_major, info.stx_dev_minor);
  result.inode = info.stx_ino;
  if ((info.stx_mask & STATX_BTIME) != 0) result.created = FromStatxTime(info.stx_btime);
  return result;
}

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

  Status SetTimes(std::optional<FileTime> last_access,
                  std::optional<FileTime> last_write) override {
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

Result<std::string> ReadLink(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  for (;;) {
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return SystemError("readlink", path, errno);
    if (static_cast<size_t>(length) < target.size()) {
      target.resize(static_cast<size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

// `path` with its folder part replaced by the folder's canonical form, so that ".." steps
// and linked folders mean what the kernel makes of them. The path as given when its folder
// cannot be resolved (a dangling link into a missing folder).
std::string CanonicalFolder(const std::string& path) {
  const std::string folder(FolderPart(path));
  char* canonical = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
  if (canonical == nullptr) return path;
  std::string result = canonical;
  free(canonical);
  if (!result.ends_with('/')) result += '/';
  result += NamePart(path);
  return result;
}

// Reads `fd`, a regular file of `size` bytes, straight into the string. A read may return
// fewer bytes than asked for before the end of the file (a signal, a network file system), so
// reading goes on until all `size` bytes are there; one byte more is asked for each time, so
// that a file that has grown since it was measured is noticed. A file that ends early or
// turns out longer changed while it was read: EAGAIN, for the caller to treat as a read
// failure. Reading stops without a further read once the size is reached by a read that
// returned less than it was asked for: the file's end.
Result<std::string> ReadAll(int fd, const std::string& path, size_t size) {
  std::string content(size + 1, '\0');
  size_t filled = 0;
  for (;;) {
    const size_t wanted = content.size() - filled;
    const ssize_t got = RetryOnInterrupt([&] { return read(fd, content.data() + filled, wanted); });
    if (got < 0) return SystemError("read", path, errno);
    if (got == 0) break;
    filled += static_cast<size_t>(got);
    if (filled > size) return SystemError("read (the file grew while it was read)", path, EAGAIN);
    if (filled == size && static_cast<size_t>(got) < wanted) break;
  }
  if (filled != size) return SystemError("read (the file shrank while it was read)", path, EAGAIN);
  content.resize(size);
  return content;
}

// Opens `path` for reading without waiting (a named pipe without a writer, a device) and
// checks that it is a regular file; `*info` receives its fstat.
Result<int> OpenRegularFile(const std::string& path, struct stat* info) {
  ScopedFd fd(RetryOnInterrupt(
      [&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }));
  if (fd.get() < 0) return SystemError("open", path, errno);
  if (fstat(fd.get(), info) != 0) return SystemError("fstat", path, errno);
  if (S_ISDIR(info->st_mode)) return SystemError("read", path, EISDIR);
  if (!S_ISREG(info->st_mode)) return SystemError("read (not a regular file)", path, EINVAL);
  return fd.release();
}

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

class PosixFileSystem : public FileSystem {
 public:
  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    struct statx extended;
    const int status = RetryOnInterrupt([&] {
      return statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
                   &extended);
    });
    if (status == 0) return FromStatx(extended);
    // Kernels or sandboxes without statx: the plain stat, without a birth time.
    if (errno != ENOSYS && errno != EPERM) return SystemError("stat", path, errno);
    struct stat info;
    if (RetryOnInterrupt([&] { return stat(path.c_str(), &info); }) != 0) {
      return SystemError("stat", path, errno);
    }
    return FromStat(info);
  }

  Result<FileInfo> LinkStat(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    struct stat info;
    if (RetryOnInterrupt([&] { return lstat(path.c_str(), &info); }) != 0) {
      return SystemError("lstat", path, errno);
    }
    return FromStat(info);
  }

  Result<std::string> ReadFile(const std::string& path, FileInfo* file_info) override {
    if (HoldsNul(path)) return NulInPath();
    struct stat info;
    auto opened = OpenRegularFile(path, &info);
    if (!opened.ok()) return opened.status();
    const ScopedFd fd(*opened);
    if (file_info != nullptr) *file_info = FromStat(info);
    try {
      return ReadAll(fd.get(), path, static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
      return SystemError("read", path, ENOMEM);
    } catch (const std::length_error&) {
      return SystemError("read", path, EFBIG);
    }
  }

  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override {
    if (HoldsNul(path)) return NulInPath();
    struct stat info;
    auto opened = OpenRegularFile(path, &info);
    if (!opened.ok()) return opened.status();
    const ScopedFd fd(*opened);
    const auto size = static_cast<uint64_t>(info.st_size);
    if (file_size != nullptr) *file_size = size;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, max_bytes));
    std::string tail(wanted, '\0');
    size_t filled = 0;
    while (filled < wanted) {
      const auto position = static_cast<off_t>(size - wanted + filled);
      const ssize_t got = RetryOnInterrupt(
          [&] { return pread(fd.get(), tail.data() + filled, wanted - filled, position); });
      if (got < 0) return SystemError("pread", path, errno);
      if (got == 0) return SystemError("read (the file shrank while it was read)", path, EAGAIN);
      filled += static_cast<size_t>(got);
    }
    return tail;
  }

  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    const int fd =
        RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) return SystemError("open folder", path, errno);
    DIR* folder = fdopendir(fd);
    if (folder == nullptr) {
      const int error = errno;
      close(fd);
      return SystemError("fdopendir", path, error);
    }
    std::vector<FolderEntry> entries;
    int error = 0;
    for (;;) {
      errno = 0;
      const struct dirent* entry = readdir(folder);
      if (entry == nullptr) {
        error = errno;
        break;
      }
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      entries.push_back(
          {std::string(name), IsFolderEntry(dirfd(folder), *entry), entry->d_type == DT_LNK});
    }
    closedir(folder);
    if (error != 0) return SystemError("readdir", path, error);
    return entries;
  }

  using FileSystem::NewWritableFile;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                        uint32_t mode) override {
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

  Status Rename(const std::string& from, const std::string& to) override {
    if (HoldsNul(from) || HoldsNul(to)) return NulInPath();
    if (rename(from.c_str(), to.c_str()) != 0)
      return SystemError("rename", from + " -> " + to, errno);
    return Status::Ok();
  }

  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    if (HoldsNul(from) || HoldsNul(to)) return NulInPath();
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
      return Status::Ok();
    }
    if (errno == EINVAL || errno == ENOSYS) return RenameNoReplaceByLink(from, to);
    return SystemError("rename", from + " -> " + to, errno);
  }

  Status Link(const std::string& existing, const std::string& new_path) override {
    if (HoldsNul(existing) || HoldsNul(new_path)) return NulInPath();
    if (linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, new_path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      return SystemError("link", existing + " -> " + new_path, errno);
    }
    return Status::Ok();
  }

  Status Remove(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    if (unlink(path.c_str()) != 0) return SystemError("unlink", path, errno);
    return Status::Ok();
  }

  Status RemoveAbandoned(const std::string& path, bool wait) override {
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

  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override {
    if (HoldsNul(path)) return NulInPath();
    const struct timespec times[2] = {ToTimespec(last_access), ToTimespec(last_write)};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
      return SystemError("utimensat", path, errno);
    }
    return Status::Ok();
  }

  Status SyncFileSystem(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    const ScopedFd fd(RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
    if (fd.get() < 0) return SystemError("open", path, errno);
    if (syncfs(fd.get()) != 0) return SystemError("syncfs", path, errno);
    return Status::Ok();
  }

  Result<std::unique_ptr<HeldLock>> Lock(const std::string& lock_path) override {
    if (HoldsNul(lock_path)) return NulInPath();
    ScopedFd fd(RetryOnInterrupt(
        [&] { return open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600); }));
    if (fd.get() < 0) return SystemError("open", lock_path, errno);
    if (LockExclusive(fd.get(), /*wait=*/true) != 0) return SystemError("flock", lock_path, errno);
    return std::unique_ptr<HeldLock>(std::make_unique<PosixHeldLock>(fd.release()));
  }

  Result<std::unique_ptr<ScratchFile>> NewScratchFile() override {
    const std::string folder = ScratchFolder();
    int fd = RetryOnInterrupt(
        [&] { return open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
    if (fd < 0) {
      // File systems without unnamed files: a named one, removed at once.
      std::string name = folder + "/zelvora-scratch-XXXXXX";
      fd = mkostemp(name.data(), O_CLOEXEC);
      if (fd < 0) return SystemError("create a scratch file in", folder, errno);
      (void)unlink(name.c_str());
    }
    return std::unique_ptr<ScratchFile>(std::make_unique<PosixScratchFile>(fd));
  }

  Result<std::string> ResolveSymlinks(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    std::string current = path;
    for (int hop = 0; hop <= kMaxSymlinkHops; ++hop) {
      struct stat info;
      if (lstat(current.c_str(), &info) != 0) {
        // The end of a chain that points nowhere is the path a write would create.
        if (errno == ENOENT) return hop == 0 ? current : CanonicalFolder(current);
        return SystemError("lstat", current, errno);
      }
      if (!S_ISLNK(info.st_mode)) return hop == 0 ? current : CanonicalFolder(current);
      auto target = ReadLink(current);
      if (!target.ok()) return target.status();
      current = target->starts_with('/') ? *target : std::string(FolderPart(current)) + *target;
    }
    return SystemError("resolve links", path, ELOOP);
  }

 private:
  // Entries whose type the listing does not tell, and symbolic links, are judged by what
  // they point at; a link that points nowhere is not a folder.
  static bool IsFolderEntry(int folder_fd, const struct dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
    struct stat info;
    return fstatat(folder_fd, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
  }
};

}  // namespace

Status RenameNoReplaceByLink(const std::string& from, const std::string& to) {
  if (HoldsNul(from) || HoldsNul(to)) return NulInPath();
  const std::string both = from + " -> " + to;
  // Not following a symbolic link at `from`: the link itself is what a rename moves.
  if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) == 0) {
    if (unlink(from.c_str()) == 0) return Status::Ok();
    const int error = errno;
    (void)unlink(to.c_str());  // undo: leave the one name the caller started with
    return SystemError("unlink after link", both, error);
  }
  const int link_error = errno;
  if (link_error != EPERM && link_error != EXDEV && link_error != ENOTSUP && link_error != EMLINK) {
    return SystemError("link", both, link_error);
  }
  struct stat info;
  if (lstat(to.c_str(), &info) == 0) return SystemError("rename", both, EEXIST);
  if (errno != ENOENT) return SystemError("lstat", to, errno);
  if (rename(from.c_str(), to.c_str()) != 0) return SystemError("rename", both, errno);
  return Status::Ok();
}

bool SameFileVersion(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.last_write == b.last_write && a.last_change == b.last_change;
}

bool IsNotFound(const Status& status) {
  return !status.ok() && (status.code() == ENOENT || status.code() == ENOTDIR);
}

FileSystem& RealFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace zelvora

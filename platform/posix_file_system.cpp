#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <system_error>

#include "platform/file_system.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

// Longest chain of symbolic links followed, as the kernel does (MAXSYMLINKS).
constexpr int kMaxSymlinkHops = 40;

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

 private:
  int fd_;
};

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

FileTime FromStatxTime(const struct statx_timestamp& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
}

FileTime FromTimespec(const struct timespec& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
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
  PosixWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
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
    if (like.owner != geteuid() || like.group != getegid()) {
      (void)RetryOnInterrupt([&] { return fchown(fd_, like.owner, like.group); });
    }
    if (RetryOnInterrupt([&] { return fchmod(fd_, like.mode & 07777); }) != 0) {
      return SystemError("fchmod", path_, errno);
    }
    return Status::Ok();
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

// Reads the rest of `fd` straight into the string: `expected_size` bytes first, and more if
// the file has grown since it was measured. A read of a regular file returns fewer bytes than
// asked for only at its end, so a file that has not grown takes a single read.
Result<std::string> ReadAll(int fd, const std::string& path, size_t expected_size) {
  std::string content(expected_size + 1, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == content.size()) content.resize(content.size() * 2);
    const size_t wanted = content.size() - filled;
    const ssize_t got = RetryOnInterrupt([&] { return read(fd, content.data() + filled, wanted); });
    if (got < 0) return SystemError("read", path, errno);
    filled += static_cast<size_t>(got);
    if (got == 0 || static_cast<size_t>(got) < wanted) break;
  }
  content.resize(filled);
  return content;
}

// ReadAll in pieces of kPacedPiece bytes, with `pacer` asked after each. The memory for the
// whole file is reserved first and each piece is touched only as it is read, so the time a
// large file costs is spread over the pieces too.
constexpr size_t kPacedPiece = size_t{2} << 20;

Result<std::string> ReadAllPaced(int fd, const std::string& path, size_t expected_size,
                                 const FileSystem::ReadPacer& pacer) {
  std::string content;
  content.reserve(expected_size + 1);
  for (;;) {
    const size_t filled = content.size();
    // Within the memory reserved; only a file that has grown needs more.
    if (filled == content.capacity()) content.reserve(filled * 2);
    const size_t wanted = std::min(kPacedPiece, content.capacity() - filled);
    content.resize(filled + wanted);
    const ssize_t got = RetryOnInterrupt([&] { return read(fd, content.data() + filled, wanted); });
    if (got < 0) return SystemError("read", path, errno);
    content.resize(filled + static_cast<size_t>(got));
    if (static_cast<size_t>(got) < wanted) return content;
    if (!pacer()) return Status::Error("read of " + path + " stopped", ECANCELED);
  }
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

  Result<std::string> ReadFile(const std::string& path, FileInfo* file_info) override {
    return ReadFilePaced(path, file_info, {});
  }

  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* file_info,
                                    const ReadPacer& pacer) override {
    if (HoldsNul(path)) return NulInPath();
    // O_NONBLOCK so that a named pipe or a device cannot hang the open; such files are
    // refused below. It has no effect on regular files.
    const ScopedFd fd(RetryOnInterrupt(
        [&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }));
    if (fd.get() < 0) return SystemError("open", path, errno);
    struct stat info;
    if (fstat(fd.get(), &info) != 0) return SystemError("fstat", path, errno);
    if (S_ISDIR(info.st_mode)) return SystemError("read", path, EISDIR);
    if (!S_ISREG(info.st_mode)) return SystemError("read (not a regular file)", path, EINVAL);
    if (file_info != nullptr) *file_info = FromStat(info);
    try {
      const auto size = static_cast<size_t>(info.st_size);
      return pacer ? ReadAllPaced(fd.get(), path, size, pacer) : ReadAll(fd.get(), path, size);
    } catch (const std::bad_alloc&) {
      return SystemError("read", path, ENOMEM);
    } catch (const std::length_error&) {
      return SystemError("read", path, EFBIG);
    }
  }

  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    std::vector<FolderEntry> entries;
    Status status = ReadFolder(path, [&entries](std::string_view name, bool is_folder) {
      entries.push_back({std::string(name), is_folder});
      return true;
    });
    if (!status.ok()) return status;
    return entries;
  }

  Result<bool> HasSubfolder(const std::string& path) override {
    bool found = false;
    Status status = ReadFolder(path, [&found](std::string_view, bool is_folder) {
      found = is_folder;
      return !found;
    });
    if (!status.ok()) return status;
    return found;
  }

  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    const int fd = RetryOnInterrupt(
        [&] { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
    if (fd < 0) return SystemError("create", path, errno);
    return std::unique_ptr<WritableFile>(std::make_unique<PosixWritableFile>(fd, path));
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

  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override {
    if (HoldsNul(path)) return NulInPath();
    struct timespec times[2];
    const std::optional<FileTime> given[2] = {last_access, last_write};
    for (int i = 0; i < 2; ++i) {
      if (given[i].has_value()) {
        times[i].tv_sec = static_cast<time_t>(given[i]->seconds);
        times[i].tv_nsec = given[i]->nanoseconds;
      } else {
        times[i].tv_sec = 0;
        times[i].tv_nsec = UTIME_OMIT;
      }
    }
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
  // Calls `visit(name, is_folder)` for each entry of folder `path` but "." and "..", in the
  // order the system lists them, until `visit` returns false.
  template <typename Visit>
  static Status ReadFolder(const std::string& path, Visit visit) {
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
      if (!visit(name, IsFolderEntry(dirfd(folder), *entry))) break;
    }
    closedir(folder);
    if (error != 0) return SystemError("readdir", path, error);
    return Status::Ok();
  }

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

Result<bool> FileSystem::HasSubfolder(const std::string& path) {
  auto entries = ListFolder(path);
  if (!entries.ok()) return entries.status();
  return std::any_of(entries->begin(), entries->end(),
                     [](const FolderEntry& entry) { return entry.is_folder; });
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

#include "platform/file_system_posix.h"

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

#include "platform/file_system.h"
#include "platform/open_files_posix.h"
#include "platform/paths.h"
#include "platform/system_calls_posix.h"

namespace zelvora {
namespace {

using namespace posix;  // NOLINT: the helpers of this implementation

// Longest chain of symbolic links followed, as the kernel does (MAXSYMLINKS).
constexpr int kMaxSymlinkHops = 40;

FileTime FromStatxTime(const struct statx_timestamp& time) {
  return FileTime{time.tv_sec, static_cast<int32_t>(time.tv_nsec)};
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

// The largest piece a paced read asks for before it lets its pacer run.
constexpr size_t kPacedPiece = size_t{2} << 20;

// Reads `fd`, a regular file of `size` bytes, straight into the string. A read may return
// fewer bytes than asked for before the end of the file (a signal, a network file system), so
// reading goes on until all `size` bytes are there; one byte more is asked for each time, so
// that a file that has grown since it was measured is noticed. A file that ends early or
// turns out longer changed while it was read: EAGAIN, for the caller to treat as a read
// failure. Reading stops without a further read once the size is reached by a read that
// returned less than it was asked for: the file's end.
//
// With a `pacer`, each read asks for at most kPacedPiece bytes and the pacer runs between
// them; when it returns false the read fails with ECANCELED. The memory for the whole file is
// reserved first and each piece is touched only as it is read, so the time a large file costs
// is spread over the pieces too.
Result<std::string> ReadAll(int fd, const std::string& path, size_t size,
                            const FileSystem::ReadPacer& pacer) {
  const size_t most_per_read = pacer ? kPacedPiece : size + 1;
  std::string content;
  content.reserve(size + 1);
  size_t filled = 0;
  for (;;) {
    const size_t wanted = std::min(most_per_read, size + 1 - filled);
    content.resize(filled + wanted);
    const ssize_t got = RetryOnInterrupt([&] { return read(fd, content.data() + filled, wanted); });
    if (got < 0) return SystemError("read", path, errno);
    if (got == 0) break;
    filled += static_cast<size_t>(got);
    if (filled > size) return SystemError("read (the file grew while it was read)", path, EAGAIN);
    if (filled == size && static_cast<size_t>(got) < wanted) break;
    if (pacer && !pacer()) return Status::Error("read of " + path + " stopped", ECANCELED);
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
  if (!S_ISREG(info->st_mode)) return NotARegularFile(path, info->st_mode);
  return fd.release();
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
    return ReadFilePaced(path, file_info, {});
  }

  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* file_info,
                                    const ReadPacer& pacer) override {
    if (HoldsNul(path)) return NulInPath();
    struct stat info;
    auto opened = OpenRegularFile(path, &info);
    if (!opened.ok()) return opened.status();
    const ScopedFd fd(*opened);
    if (file_info != nullptr) *file_info = FromStat(info);
    try {
      return ReadAll(fd.get(), path, static_cast<size_t>(info.st_size), pacer);
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
    std::vector<FolderEntry> entries;
    Status status =
        ReadFolder(path, [&entries](std::string_view name, bool is_folder, bool is_symlink) {
          entries.push_back({std::string(name), is_folder, is_symlink});
          return true;
        });
    if (!status.ok()) return status;
    return entries;
  }

  Result<bool> HasSubfolder(const std::string& path) override {
    bool found = false;
    Status status = ReadFolder(path, [&found](std::string_view, bool is_folder, bool) {
      found = is_folder;
      return !found;
    });
    if (!status.ok()) return status;
    return found;
  }

  using FileSystem::NewWritableFile;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                        uint32_t mode) override {
    if (HoldsNul(path)) return NulInPath();
    return NewLockedFile(path, mode);
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
    return posix::RemoveAbandoned(path, wait);
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
    return TakeLock(lock_path);
  }

  Result<std::unique_ptr<ScratchFile>> NewScratchFile() override { return posix::NewScratchFile(); }

  Result<std::string> RealPath(const std::string& path) override {
    if (HoldsNul(path)) return NulInPath();
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return SystemError("realpath", path, errno);
    std::string result = real;
    free(real);
    return result;
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
  // Calls `visit(name, is_folder, is_symlink)` for each entry of folder `path` but "." and
  // "..", in the order the system lists them, until `visit` returns false.
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
      if (!visit(name, IsFolderEntry(dirfd(folder), *entry), entry->d_type == DT_LNK)) break;
    }
    closedir(folder);
    if (error != 0) return SystemError("readdir", path, error);
    return Status::Ok();
  }

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

FileSystem& RealFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace zelvora

#include "platform/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

namespace zelvora {
namespace {

// A store larger than this is refused rather than read into memory; no real store comes near.
constexpr off_t kMaxStoreBytes = 64 * 1024 * 1024;
constexpr int kMaxDamagedCopies = 100;
constexpr int kMaxSymlinkHops = 40;

Status SystemFailure(std::string_view what, const std::string& path, int error) {
  return Status::Error(std::string(what) + " " + path + ": " + std::strerror(error), error);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports a failure, which may mean written data did not reach the file.
  int Close() { return ::close(std::exchange(fd_, -1)); }

 private:
  int fd_;
};

FileDescriptor OpenFile(const std::string& path, int flags, mode_t mode = 0600) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return FileDescriptor(fd);
}

// Holds the advisory lock `operation` (LOCK_SH or LOCK_EX) on `lock_path` until destroyed.
Result<FileDescriptor> LockFile(const std::string& lock_path, int operation) {
  FileDescriptor fd = OpenFile(lock_path, O_RDWR | O_CREAT);
  if (!fd.valid()) return SystemFailure("cannot open the lock file", lock_path, errno);
  while (::flock(fd.get(), operation) != 0) {
    if (errno != EINTR) return SystemFailure("cannot lock", lock_path, errno);
  }
  return fd;
}

// The file that a change replaces: where a chain of symbolic links at `path` ends, so that a
// linked store stays linked; `path` itself when it is no link.
std::string ReplaceTarget(std::string path) {
  namespace fs = std::filesystem;
  for (int hop = 0; hop < kMaxSymlinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;
    path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
  }
  return path;
}

// Why a store that is not a regular file cannot be used, naming what it is.
Status NotARegularFile(const std::string& path, mode_t mode) {
  if (S_ISDIR(mode)) return Status::Error(path + " is a folder, not a regular file", EISDIR);
  const char* kind = S_ISFIFO(mode)                   ? "a named pipe, "
                     : S_ISSOCK(mode)                 ? "a socket, "
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device, "
                                                      : "";
  return Status::Error(path + " is " + kind + "not a regular file", EINVAL);
}

// The whole file, or nullopt when it does not exist. A named pipe or a device in the store's
// place is opened without waiting for a writer and refused as not a regular file.
Result<std::optional<std::string>> ReadStoreFile(const std::string& path) {
  FileDescriptor fd = OpenFile(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (!fd.valid()) {
    if (errno == ENOENT) return std::optional<std::string>();
    return SystemFailure("cannot open the settings store", path, errno);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return SystemFailure("cannot read", path, errno);
  if (!S_ISREG(info.st_mode)) return NotARegularFile(path, info.st_mode);
  if (info.st_size > kMaxStoreBytes) return SystemFailure("settings store too large:", path, EFBIG);
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return SystemFailure("cannot read", path, errno);
    }
    content.append(buffer, static_cast<size_t>(count));
    if (content.size() > static_cast<size_t>(kMaxStoreBytes)) {
      return SystemFailure("settings store too large:", path, EFBIG);
    }
  }
  return std::optional<std::string>(std::move(content));
}

Status WriteAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    const ssize_t count = ::write(fd, data.data(), data.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return SystemFailure("cannot write", path, errno);
    }
    // A regular file takes at least one byte of a write or says why not; a zero is taken as a
    // full disk rather than looping for ever.
    if (count == 0) return SystemFailure("cannot write", path, ENOSPC);
    data.remove_prefix(static_cast<size_t>(count));
  }
  return Status::Ok();
}

// Writes `content` to the open, new file `fd` at `path`, flushes it to disk and closes it.
Status FillAndClose(FileDescriptor& fd, std::string_view content, const std::string& path) {
  Status status = WriteAll(fd.get(), content, path);
  if (status.ok() && ::fsync(fd.get()) != 0) status = SystemFailure("cannot flush", path, errno);
  if (fd.Close() != 0 && status.ok()) status = SystemFailure("cannot close", path, errno);
  return status;
}

// Copies the damaged store's `original` bytes to "<target>.damaged", or to the first free
// "<target>.damaged.N" when an earlier copy with other content is there, and returns the
// copy's name; an earlier copy with the same content is taken as it is.
Result<std::string> KeepDamagedCopy(const std::string& target, std::string_view original) {
  for (int n = 0; n < kMaxDamagedCopies; ++n) {
    const std::string name = target + ".damaged" + (n == 0 ? "" : "." + std::to_string(n));
    const auto existing = ReadStoreFile(name);
    if (existing.ok() && existing->has_value() && **existing == original) return name;
    FileDescriptor fd = OpenFile(name, O_WRONLY | O_CREAT | O_EXCL);
    if (!fd.valid()) {
      if (errno == EEXIST) continue;
      return SystemFailure("cannot keep a copy of the damaged settings store as", name, errno);
    }
    const Status written = FillAndClose(fd, original, name);
    if (!written.ok()) {
      ::unlink(name.c_str());
      return written;
    }
    return name;
  }
  return SystemFailure("no free name for a copy of the damaged settings store", target, EEXIST);
}

// Replaces `target` with `content` through a flushed temporary file and one rename, keeping
// the permission bits of the file it replaces.
Status ReplaceStoreFile(const std::string& target, std::string_view content) {
  const std::string temporary = target + ".tmp";
  struct stat old_info {};
  const mode_t mode = ::stat(target.c_str(), &old_info) == 0 ? old_info.st_mode & 07777 : 0600;
  FileDescriptor fd = OpenFile(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
  if (!fd.valid()) return SystemFailure("cannot create", temporary, errno);
  Status status = Status::Ok();
  if (::fchmod(fd.get(), mode) != 0)
    status = SystemFailure("cannot set the mode of", temporary, errno);
  if (status.ok()) status = FillAndClose(fd, content, temporary);
  if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) {
    status = SystemFailure("cannot replace", target, errno);
  }
  if (!status.ok()) {
    ::unlink(temporary.c_str());
    return status;
  }
  // Makes the rename itself durable; the new content is already in place either way.
  const std::string folder = std::filesystem::path(target).parent_path().string();
  FileDescriptor folder_fd = OpenFile(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
  if (folder_fd.valid()) ::fsync(folder_fd.get());
  return Status::Ok();
}

Status CreateParentFolder(const std::string& file_path) {
  const std::filesystem::path folder = std::filesystem::path(file_path).parent_path();
  if (folder.empty()) return Status::Ok();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return SystemFailure("cannot create the folder", folder.string(), error.value());
  return Status::Ok();
}

Status CheckStorePath(const std::string& file_path) {
  if (file_path.empty()) return Status::Error("no settings store: no home folder is known", ENOENT);
  return Status::Ok();
}

}  // namespace

Result<RegistryDocument> ReadRegistryFile(const std::string& file_path) {
  const Status usable = CheckStorePath(file_path);
  if (!usable.ok()) return usable;
  // Where the lock file cannot be made (a missing or read-only folder), the file is read
  // without the lock, which is still safe because a change replaces the file in one rename.
  const auto lock = LockFile(file_path + ".lock", LOCK_SH);
  auto content = ReadStoreFile(file_path);
  if (!content.ok()) return content.status();
  return ParseRegistryText(content->value_or(""));
}

Status ChangeRegistryFile(const std::string& file_path,
                          const std::function<Result<bool>(RegistryDocument&)>& change) {
  Status status = CheckStorePath(file_path);
  if (status.ok()) status = CreateParentFolder(file_path);
  if (!status.ok()) return status;
  const auto lock = LockFile(file_path + ".lock", LOCK_EX);
  if (!lock.ok()) return lock.status();
  const std::string target = ReplaceTarget(file_path);
  const auto content = ReadStoreFile(target);
  if (!content.ok()) return content.status();
  const std::string original = content->value_or("");
  RegistryDocument document = ParseRegistryText(original);
  const auto changed = change(document);
  if (!changed.ok()) return changed.status();
  if (!*changed) return Status::Ok();
  if (document.unreadable_lines > 0) {
    const auto copy = KeepDamagedCopy(target, original);
    if (!copy.ok()) return copy.status();
  }
  return ReplaceStoreFile(target, FormatRegistryText(document));
}

Result<std::string> KeepCopyOfStoreFile(const std::string& file_path) {
  const Status usable = CheckStorePath(file_path);
  if (!usable.ok()) return usable;
  const auto lock = LockFile(file_path + ".lock", LOCK_SH);
  const std::string target = ReplaceTarget(file_path);
  const auto content = ReadStoreFile(target);
  if (!content.ok()) return content.status();
  if (!content->has_value()) return SystemFailure("no settings store at", file_path, ENOENT);
  return KeepDamagedCopy(target, **content);
}

}  // namespace zelvora

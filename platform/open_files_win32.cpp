#include "platform/open_files_win32.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/system_calls_win32.h"

namespace zelvora::win32 {
namespace {

// An empty temporary file younger than this may belong to a writer that has created it and
// is about to lock it; RemoveAbandoned leaves it alone (or, when asked to wait, waits up to
// kEmptyFileGraceMilliseconds for it to be locked).
constexpr int64_t kYoungEmptySeconds = 60;
constexpr int kEmptyFileGraceMilliseconds = 1000;
constexpr int kEmptyFilePollMilliseconds = 10;

// The locked byte: far beyond the end of any real file, so locking it keeps nobody from
// reading or writing the file's content.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0;

// Each call moves at most this much, so that the byte count fits the system's DWORD.
constexpr size_t kMostPerCall = size_t{1} << 30;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Attributes that a rewritten file takes over from the file it replaces (a new file is marked
// for the next backup, "archive", by itself).
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool Lock(HANDLE handle, bool wait) {
  OVERLAPPED where{};
  where.Offset = kLockOffsetLow;
  where.OffsetHigh = kLockOffsetHigh;
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  return LockFileEx(handle, flags, 0, 1, 0, &where) != 0;
}

void Unlock(HANDLE handle) {
  OVERLAPPED where{};
  where.Offset = kLockOffsetLow;
  where.OffsetHigh = kLockOffsetHigh;
  UnlockFileEx(handle, 0, 1, 0, &where);
}

bool YoungerThan(const FileInfo& info, int64_t seconds) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const int64_t created = info.created ? info.created->seconds : info.last_write.seconds;
  return FromSystemTime(now).seconds - created <= seconds;
}

// Writes or reads all of `length` bytes at `offset` through `handle`.
Status Transfer(HANDLE handle, uint64_t offset, char* data, size_t length, bool writing,
                const std::string& path) {
  while (length > 0) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const auto wanted = static_cast<DWORD>(std::min(length, kMostPerCall));
    DWORD moved = 0;
    const BOOL done = writing ? WriteFile(handle, data, wanted, &moved, &where)
                              : ReadFile(handle, data, wanted, &moved, &where);
    if (!done) return LastError(writing ? "write" : "read", path);
    if (moved == 0)
      return Status::Error((writing ? "write " : "read ") + path, writing ? ENOSPC : EIO);
    offset += moved;
    data += moved;
    length -= moved;
  }
  return Status::Ok();
}

class Win32WritableFile : public WritableFile {
 public:
  Win32WritableFile(ScopedHandle handle, std::string path)
      : handle_(std::move(handle)), path_(std::move(path)) {}

  Status Append(std::string_view data) override {
    if (!handle_.valid()) return Status::Error("write " + path_ + ": closed", EBADF);
    while (!data.empty()) {
      const auto wanted = static_cast<DWORD>(std::min(data.size(), kMostPerCall));
      DWORD written = 0;
      if (!WriteFile(handle_.get(), data.data(), wanted, &written, nullptr)) {
        return LastError("write", path_);
      }
      // A file takes at least one byte of a write or says why not; a zero is taken as a full
      // disk rather than looping for ever.
      if (written == 0) return Status::Error("write " + path_ + ": nothing written", ENOSPC);
      data.remove_prefix(written);
    }
    return Status::Ok();
  }

  // The attributes the file had (hidden, system, ...); a read-only page is never replaced,
  // so that attribute is not taken over. Owners and permissions come from the folder.
  Status CopyPermissions(const FileInfo& like) override {
    if (!handle_.valid()) return Status::Error("set attributes of " + path_ + ": closed", EBADF);
    const DWORD kept = like.attributes & kKeptAttributes;
    if (kept == 0) return Status::Ok();
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are
    basic.FileAttributes = kept | FILE_ATTRIBUTE_ARCHIVE;
    if (!SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastError("set attributes of", path_);
    }
    return Status::Ok();
  }

  Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                  std::optional<FileTime> created) override {
    if (!handle_.valid()) return Status::Error("set times of " + path_ + ": closed", EBADF);
    FILETIME access_time{};
    FILETIME write_time{};
    FILETIME creation_time{};
    if (last_access) access_time = ToSystemTime(*last_access);
    if (last_write) write_time = ToSystemTime(*last_write);
    if (created) creation_time = ToSystemTime(*created);
    if (!SetFileTime(handle_.get(), created ? &creation_time : nullptr,
                     last_access ? &access_time : nullptr, last_write ? &write_time : nullptr)) {
      return LastError("set times of", path_);
    }
    return Status::Ok();
  }

  Result<FileInfo> Info() override {
    if (!handle_.valid()) return Status::Error("examine " + path_ + ": closed", EBADF);
    return InfoOfHandle(handle_.get(), path_);
  }

  Status Sync() override {
    if (!handle_.valid()) return Status::Error("flush " + path_ + ": closed", EBADF);
    if (!FlushFileBuffers(handle_.get())) return LastError("flush", path_);
    return Status::Ok();
  }

  Status Close() override {
    if (!handle_.valid()) return Status::Error("close " + path_ + ": closed", EBADF);
    if (!CloseHandle(handle_.release())) return LastError("close", path_);
    return Status::Ok();
  }

 private:
  ScopedHandle handle_;
  std::string path_;
};

// A scratch file: a file that the system deletes when its one handle is closed.
class Win32ScratchFile : public ScratchFile {
 public:
  explicit Win32ScratchFile(ScopedHandle handle) : handle_(std::move(handle)) {}

  Status WriteAt(uint64_t offset, const std::vector<std::string_view>& pieces) override {
    for (const std::string_view piece : pieces) {
      const Status written = Transfer(handle_.get(), offset, const_cast<char*>(piece.data()),
                                      piece.size(), /*writing=*/true, "scratch file");
      if (!written.ok()) return written;
      offset += piece.size();
    }
    return Status::Ok();
  }

  Status ReadAt(uint64_t offset, const std::vector<std::span<char>>& pieces) override {
    for (const std::span<char> piece : pieces) {
      const Status read = Transfer(handle_.get(), offset, piece.data(), piece.size(),
                                   /*writing=*/false, "scratch file");
      if (!read.ok()) return read;
      offset += piece.size();
    }
    return Status::Ok();
  }

 private:
  ScopedHandle handle_;
};

class Win32HeldLock : public HeldLock {
 public:
  explicit Win32HeldLock(ScopedHandle handle) : handle_(std::move(handle)) {}

 private:
  ScopedHandle handle_;
};

// The identity of the file that `path` names now, or nothing when it names none.
Result<std::optional<FileInfo>> InfoOfName(const std::string& path) {
  auto wide = SystemPath(path);
  if (!wide.ok()) return wide.status();
  ScopedHandle handle(
      CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) {
    const DWORD error = GetLastError();
    if (ErrnoOf(error) == ENOENT) return std::optional<FileInfo>();
    return SystemError("open", path, error);
  }
  auto info = InfoOfHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  return std::optional<FileInfo>(*info);
}

// A name for a scratch file that no other process or call picks at the same time.
std::wstring ScratchName(const std::wstring& folder) {
  static std::atomic<unsigned> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return folder + L"zelvora-scratch-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++) + L"-" + std::to_wstring(now) + L".tmp";
}

}  // namespace

Result<FileInfo> InfoOfHandle(HANDLE handle, const std::string& path, bool as_link) {
  BY_HANDLE_FILE_INFORMATION by_handle;
  if (!GetFileInformationByHandle(handle, &by_handle)) return LastError("examine", path);
  FileInfo info;
  const DWORD attributes = by_handle.dwFileAttributes;
  info.attributes = attributes;
  if (as_link && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
        tag.ReparseTag == IO_REPARSE_TAG_SYMLINK) {
      info.kind = FileKind::kSymlink;
    }
  }
  // Devices (CON, NUL, COM1, ...) and pipes have no file information: they failed above.
  if (info.kind != FileKind::kSymlink) {
    info.kind =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder : FileKind::kRegular;
  }
  info.size = static_cast<uint64_t>(by_handle.nFileSizeHigh) << 32 | by_handle.nFileSizeLow;
  const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  info.mode = info.kind == FileKind::kFolder ? 0777 : (read_only ? 0444 : 0666);
  info.last_access = FromSystemTime(by_handle.ftLastAccessTime);
  info.last_write = FromSystemTime(by_handle.ftLastWriteTime);
  info.created = FromSystemTime(by_handle.ftCreationTime);
  // The change time moves with every change of content or attributes, and no program can
  // set it back; where the file system has none, the last-write time stands in for it.
  FILE_BASIC_INFO basic{};
  info.last_change = GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
                             basic.ChangeTime.QuadPart != 0
                         ? FromSystemTime(basic.ChangeTime)
                         : info.last_write;
  info.device = by_handle.dwVolumeSerialNumber;
  info.inode = static_cast<uint64_t>(by_handle.nFileIndexHigh) << 32 | by_handle.nFileIndexLow;
  return info;
}

Result<std::unique_ptr<WritableFile>> NewLockedFile(const std::string& path, uint32_t mode) {
  auto wide = SystemPath(path);
  if (!wide.ok()) return wide.status();
  // Readers and the rename that puts the file in place may open it meanwhile; writers may not.
  // A new file is never made read-only: it could be neither replaced nor removed again.
  (void)mode;
  ScopedHandle handle(CreateFileW(wide->c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) return LastError("create", path);
  // Locked before anything is written: an empty unlocked file is all another run can see of
  // it before then, and RemoveAbandoned leaves such a file alone.
  if (!Lock(handle.get(), /*wait=*/true)) {
    const Status failed = LastError("lock", path);
    handle = ScopedHandle();
    DeleteFileW(wide->c_str());
    return failed;
  }
  return std::unique_ptr<WritableFile>(
      std::make_unique<Win32WritableFile>(std::move(handle), path));
}

Status RemoveAbandoned(const std::string& path, bool wait) {
  auto wide = SystemPath(path);
  if (!wide.ok()) return wide.status();
  ScopedHandle handle(CreateFileW(wide->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return LastError("open", path);
  for (int waited = 0;; waited += kEmptyFilePollMilliseconds) {
    if (!Lock(handle.get(), /*wait=*/false)) {
      const DWORD error = GetLastError();
      if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
        return SystemError("lock", path, error);
      }
      if (!wait) return Status::Error("remove " + path + ": in use", EBUSY);
      if (!Lock(handle.get(), /*wait=*/true)) return LastError("lock", path);
    }
    // Locked now. Its writer may have finished and renamed it away meanwhile: then the name
    // is free, or belongs to another file, which is not this call's to remove.
    auto held = InfoOfHandle(handle.get(), path);
    if (!held.ok()) return held.status();
    auto named = InfoOfName(path);
    if (!named.ok()) return named.status();
    if (!named->has_value()) return Status::Ok();
    if (!SameFile(**named, *held)) {
      return wait ? Status::Ok() : Status::Error("remove " + path + ": in use", EBUSY);
    }
    const bool maybe_unlocked_yet = held->size == 0 && YoungerThan(*held, kYoungEmptySeconds);
    if (maybe_unlocked_yet && (!wait || waited < kEmptyFileGraceMilliseconds)) {
      if (!wait) return Status::Error("remove " + path + ": may be in use", EBUSY);
      Unlock(handle.get());
      std::this_thread::sleep_for(std::chrono::milliseconds(kEmptyFilePollMilliseconds));
      continue;
    }
    if (!DeleteFileW(wide->c_str())) return LastError("delete", path);
    return Status::Ok();
  }
}

Result<std::unique_ptr<HeldLock>> TakeLock(const std::string& lock_path) {
  auto wide = SystemPath(lock_path);
  if (!wide.ok()) return wide.status();
  ScopedHandle handle(CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) return LastError("open", lock_path);
  if (!Lock(handle.get(), /*wait=*/true)) return LastError("lock", lock_path);
  return std::unique_ptr<HeldLock>(std::make_unique<Win32HeldLock>(std::move(handle)));
}

Result<std::unique_ptr<ScratchFile>> NewScratchFile() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return LastError("find the folder for", "scratch files");
  const std::wstring name = ScratchName(std::wstring(folder, length));
  ScopedHandle handle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr));
  if (!handle.valid()) return LastError("create a scratch file in", Utf8(folder));
  return std::unique_ptr<ScratchFile>(std::make_unique<Win32ScratchFile>(std::move(handle)));
}

}  // namespace zelvora::win32

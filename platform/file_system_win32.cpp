// The FileSystem of Windows. Names are UTF-8 in the program and UTF-16 at every call; paths
// too long for the classic limit get the prefix that lifts it (win32::SystemPath). Files are
// opened so that other programs may go on reading, writing and renaming them, and the
// program's own temporary files are guarded by LockFileEx (platform/open_files_win32.h).
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/open_files_win32.h"
#include "platform/paths.h"
#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

using namespace win32;  // NOLINT: the helpers of this implementation

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The largest piece a paced read asks for before it lets its pacer run, and the most any one
// read asks for.
constexpr size_t kPacedPiece = size_t{2} << 20;
constexpr size_t kMostPerRead = size_t{1} << 30;

// A rename that meets a file held open by a program that briefly scans new files (a virus
// scanner, the search indexer) is tried again this often, this far apart, before it fails.
constexpr int kRenameAttempts = 10;
constexpr auto kRenamePause = std::chrono::milliseconds(50);

// FileRenameInfoEx of Windows 10 (1709), which MinGW's headers declare for later versions only.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// The failure of `operation` on `path` with `error`. Windows reports a path that runs through
// a file ("page.htm\x") as missing; it is told apart, as POSIX systems do (ENOTDIR).
Status PathFailure(std::string_view operation, const std::string& path, DWORD error) {
  Status failure = SystemError(operation, path, error);
  if (error != ERROR_PATH_NOT_FOUND) return failure;
  std::string_view above = path;
  while (!above.empty() && IsPathSeparator(above.back())) above.remove_suffix(1);
  for (above = FolderPart(above); !above.empty(); above = FolderPart(above)) {
    while (above.size() > 1 && IsPathSeparator(above.back())) above.remove_suffix(1);
    auto wide = SystemPath(std::string(above));
    const DWORD attributes =
        wide.ok() ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) break;
    return Status::Error(failure.message() + " (" + std::string(above) + " is a file)", ENOTDIR);
  }
  return failure;
}

Result<ScopedHandle> Open(const std::string& path, DWORD access, DWORD flags,
                          std::string_view operation) {
  auto wide = SystemPath(path);
  if (!wide.ok()) return wide.status();
  ScopedHandle handle(
      CreateFileW(wide->c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!handle.valid()) return PathFailure(operation, path, GetLastError());
  return handle;
}

// Opens `path` for asking about it (folders too); `follow` follows a symbolic link.
Result<ScopedHandle> OpenForInfo(const std::string& path, bool follow) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return Open(path, FILE_READ_ATTRIBUTES, flags, "examine");
}

// Opens `path` for reading and checks that it is a regular file; `*info` receives what it is.
Result<ScopedHandle> OpenRegularFile(const std::string& path, FileInfo* info) {
  auto handle =
      Open(path, GENERIC_READ, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, "open");
  if (!handle.ok()) return handle.status();
  auto opened = InfoOfHandle(handle->get(), path);
  if (!opened.ok()) return opened.status();
  if (opened->kind == FileKind::kFolder)
    return Status::Error(path + " is a folder, not a regular file", EISDIR);
  // Devices (CON, NUL, COM1, ...) and pipes are never read: they could wait for ever.
  if (opened->kind != FileKind::kRegular) {
    return Status::Error(path + " is a device, not a regular file", EINVAL);
  }
  *info = *opened;
  return handle;
}

// Reads the regular file open as `handle`, `size` bytes long, straight into the string; as on
// POSIX systems, a file that turns out longer or shorter changed while it was read (EAGAIN),
// and a `pacer` runs between pieces of at most kPacedPiece bytes (ECANCELED when it says stop).
Result<std::string> ReadAll(HANDLE handle, const std::string& path, size_t size,
                            const FileSystem::ReadPacer& pacer) {
  const size_t most_per_read = std::min(pacer ? kPacedPiece : size + 1, kMostPerRead);
  std::string content;
  content.reserve(size + 1);
  size_t filled = 0;
  for (;;) {
    const size_t wanted = std::min(most_per_read, size + 1 - filled);
    content.resize(filled + wanted);
    DWORD got = 0;
    if (!ReadFile(handle, content.data() + filled, static_cast<DWORD>(wanted), &got, nullptr)) {
      return LastError("read", path);
    }
    if (got == 0) break;
    filled += got;
    if (filled > size)
      return Status::Error("read " + path + ": the file grew while it was read", EAGAIN);
    if (filled == size && got < wanted) break;
    if (pacer && !pacer()) return Status::Error("read of " + path + " stopped", ECANCELED);
  }
  if (filled != size)
    return Status::Error("read " + path + ": the file shrank while it was read", EAGAIN);
  content.resize(size);
  return content;
}

// The pattern that lists every entry of `folder`.
std::string EverythingIn(const std::string& folder) {
  if (folder.empty()) return "*";
  return folder + (IsPathSeparator(folder.back()) ? "*" : "\\*");
}

bool IsFolder(const std::string& path) {
  auto wide = SystemPath(path);
  if (!wide.ok()) return false;
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSymlinkEntry(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         data.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
}

// `path` as the system writes a final path, without the prefix that lifts the length limit.
std::string WithoutLongPrefix(std::wstring path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Utf8(std::wstring_view(path).substr(8));
  if (path.starts_with(L"\\\\?\\")) return Utf8(std::wstring_view(path).substr(4));
  return Utf8(path);
}

class Win32FileSystem : public FileSystem {
 public:
  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override {
    auto handle = OpenForInfo(path, /*follow=*/true);
    if (!handle.ok()) return handle.status();
    return InfoOfHandle(handle->get(), path);
  }

  Result<FileInfo> LinkStat(const std::string& path) override {
    auto handle = OpenForInfo(path, /*follow=*/false);
    if (!handle.ok()) return handle.status();
    return InfoOfHandle(handle->get(), path, /*as_link=*/true);
  }

  // One call that opens nothing: the usual question of a link step.
  Result<FileKind> Lookup(const std::string& path) override {
    auto wide = SystemPath(path);
    if (!wide.ok()) return wide.status();
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathFailure("examine", path, GetLastError());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kFolder;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileSystem::Lookup(path);
    return FileKind::kRegular;
  }

  Result<std::string> ReadFile(const std::string& path, FileInfo* file_info) override {
    return ReadFilePaced(path, file_info, {});
  }

  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* file_info,
                                    const ReadPacer& pacer) override {
    FileInfo info;
    auto handle = OpenRegularFile(path, &info);
    if (!handle.ok()) return handle.status();
    if (file_info != nullptr) *file_info = info;
    try {
      return ReadAll(handle->get(), path, static_cast<size_t>(info.size), pacer);
    } catch (const std::bad_alloc&) {
      return Status::Error("read " + path + ": out of memory", ENOMEM);
    } catch (const std::length_error&) {
      return Status::Error("read " + path + ": too large", EFBIG);
    }
  }

  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override {
    FileInfo info;
    auto handle = OpenRegularFile(path, &info);
    if (!handle.ok()) return handle.status();
    if (file_size != nullptr) *file_size = info.size;
    const auto wanted = static_cast<size_t>(std::min<uint64_t>(info.size, max_bytes));
    LARGE_INTEGER start;
    start.QuadPart = static_cast<LONGLONG>(info.size - wanted);
    if (!SetFilePointerEx(handle->get(), start, nullptr, FILE_BEGIN))
      return LastError("seek", path);
    std::string tail(wanted, '\0');
    size_t filled = 0;
    while (filled < wanted) {
      DWORD got = 0;
      const auto asked = static_cast<DWORD>(std::min(wanted - filled, kMostPerRead));
      if (!::ReadFile(handle->get(), tail.data() + filled, asked, &got, nullptr)) {
        return LastError("read", path);
      }
      if (got == 0)
        return Status::Error("read " + path + ": the file shrank while it was read", EAGAIN);
      filled += got;
    }
    return tail;
  }

  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
    std::vector<FolderEntry> entries;
    Status status = ReadFolder(path, [&entries](const WIN32_FIND_DATAW& data) {
      entries.push_back({Utf8(data.cFileName),
                         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                         IsSymlinkEntry(data)});
      return true;
    });
    if (!status.ok()) return status;
    return entries;
  }

  Result<bool> HasSubfolder(const std::string& path) override {
    bool found = false;
    Status status = ReadFolder(path, [&found](const WIN32_FIND_DATAW& data) {
      found = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      return !found;
    });
    if (!status.ok()) return status;
    return found;
  }

  using FileSystem::NewWritableFile;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                        uint32_t mode) override {
    return NewLockedFile(path, mode);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    return Move(from, to, MOVEFILE_REPLACE_EXISTING);
  }

  // A target that exists is refused before the move is tried: the move itself would also
  // refuse it, but wine lets a file move onto another name of itself (a hard link).
  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    auto wide_to = SystemPath(to);
    if (!wide_to.ok()) return wide_to.status();
    if (GetFileAttributesW(wide_to->c_str()) != INVALID_FILE_ATTRIBUTES) {
      return SystemError("rename", from + " -> " + to, ERROR_ALREADY_EXISTS);
    }
    return Move(from, to, 0);
  }

  Status Link(const std::string& existing, const std::string& new_path) override {
    auto wide_existing = SystemPath(existing);
    if (!wide_existing.ok()) return wide_existing.status();
    auto wide_new = SystemPath(new_path);
    if (!wide_new.ok()) return wide_new.status();
    if (!CreateHardLinkW(wide_new->c_str(), wide_existing->c_str(), nullptr)) {
      return LastError("link", existing + " -> " + new_path);
    }
    return Status::Ok();
  }

  Status Remove(const std::string& path) override {
    auto wide = SystemPath(path);
    if (!wide.ok()) return wide.status();
    if (!DeleteFileW(wide->c_str())) return LastError("delete", path);
    return Status::Ok();
  }

  Status RemoveAbandoned(const std::string& path, bool wait) override {
    return win32::RemoveAbandoned(path, wait);
  }

  // Asks for the right to delete the file, which a rename over it needs too, and gives it
  // back at once.
  Status CheckReplaceable(const std::string& path) override {
    auto wide = SystemPath(path);
    if (!wide.ok()) return wide.status();
    ScopedHandle handle(CreateFileW(wide->c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (handle.valid()) return Status::Ok();
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) return SystemError("replace", path, error);
    return Status::Ok();  // anything else, the replace itself reports
  }

  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override {
    auto handle = Open(path, FILE_WRITE_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS, "open");
    if (!handle.ok()) return handle.status();
    FILETIME access_time{};
    FILETIME write_time{};
    if (last_access) access_time = ToSystemTime(*last_access);
    if (last_write) write_time = ToSystemTime(*last_write);
    if (!SetFileTime(handle->get(), nullptr, last_access ? &access_time : nullptr,
                     last_write ? &write_time : nullptr)) {
      return LastError("set times of", path);
    }
    return Status::Ok();
  }

  // Flushing a whole volume needs an administrator's rights; for anybody else this fails and
  // the files written stay in the system's cache until it writes them out itself.
  Status SyncFileSystem(const std::string& path) override {
    auto wide = SystemPath(path);
    if (!wide.ok()) return wide.status();
    wchar_t volume[MAX_PATH + 1];
    if (!GetVolumePathNameW(wide->c_str(), volume, MAX_PATH + 1)) {
      return LastError("find the volume of", path);
    }
    std::wstring device(volume);
    while (!device.empty() && device.back() == L'\\') device.pop_back();
    if (device.size() != 2 || device[1] != L':') {
      return Status::Error("flush " + path + ": not on a local drive", ENOTSUP);
    }
    ScopedHandle handle(CreateFileW((L"\\\\.\\" + device).c_str(), GENERIC_WRITE, kShareAll,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.valid()) return LastError("open the volume of", path);
    if (!FlushFileBuffers(handle.get())) return LastError("flush the volume of", path);
    return Status::Ok();
  }

  Result<std::unique_ptr<HeldLock>> Lock(const std::string& lock_path) override {
    return TakeLock(lock_path);
  }

  Result<std::unique_ptr<ScratchFile>> NewScratchFile() override { return win32::NewScratchFile(); }

  // A symbolic link is followed to the file it finally names; anything else is its own end.
  Result<std::string> ResolveSymlinks(const std::string& path) override {
    auto named = LinkStat(path);
    if (!named.ok()) return IsNotFound(named.status()) ? Result<std::string>(path) : named.status();
    if (named->kind != FileKind::kSymlink) return path;
    auto handle = OpenForInfo(path, /*follow=*/true);
    if (!handle.ok()) return handle.status();
    std::wstring final_path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = GetFinalPathNameByHandleW(handle->get(), final_path.data(),
                                                     static_cast<DWORD>(final_path.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      if (length == 0) return LastError("resolve links", path);
      if (length < final_path.size()) {
        final_path.resize(length);
        return WithoutLongPrefix(final_path);
      }
      final_path.resize(length);
    }
  }

 private:
  static Status Move(const std::string& from, const std::string& to, DWORD flags) {
    auto wide_from = SystemPath(from);
    if (!wide_from.ok()) return wide_from.status();
    auto wide_to = SystemPath(to);
    if (!wide_to.ok()) return wide_to.status();
    if ((flags & MOVEFILE_REPLACE_EXISTING) != 0 && ReplaceLikePosix(*wide_from, *wide_to)) {
      return Status::Ok();
    }
    for (int attempt = 1;; ++attempt) {
      if (MoveFileExW(wide_from->c_str(), wide_to->c_str(), flags)) return Status::Ok();
      const DWORD error = GetLastError();
      // A file that another program has open for a moment (a run reading the page, a virus
      // scanner) cannot be replaced the classic way until it is closed again.
      const bool in_use =
          error == ERROR_SHARING_VIOLATION ||
          (error == ERROR_ACCESS_DENIED && (flags & MOVEFILE_REPLACE_EXISTING) != 0);
      if (!in_use || attempt == kRenameAttempts) {
        return SystemError("rename", from + " -> " + to, error);
      }
      std::this_thread::sleep_for(kRenamePause);
    }
  }

  // Renames `from` over `to` with POSIX semantics (Windows 10 on NTFS): the name changes hands
  // at once even while other programs have the old file open, as long as they let it be
  // deleted. False where the system or the file system does not offer it.
  static bool ReplaceLikePosix(const std::wstring& from, const std::wstring& to) {
    // Once the system has said it has no such rename, it is not asked again.
    static std::atomic<bool> unsupported{false};
    if (unsupported.load()) return false;
    ScopedHandle handle(CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.valid()) return false;
    const size_t name_bytes = to.size() * sizeof(wchar_t);
    std::vector<char> buffer(offsetof(FILE_RENAME_INFO, FileName) + name_bytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(info->FileName, to.c_str(), name_bytes + sizeof(wchar_t));
    if (SetFileInformationByHandle(handle.get(), kFileRenameInfoEx, info,
                                   static_cast<DWORD>(buffer.size()))) {
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
        error == ERROR_INVALID_FUNCTION) {
      unsupported.store(true);
    }
    return false;
  }

  // Calls `visit(data)` for each entry of folder `path` but "." and "..", in the order the
  // system lists them, until `visit` returns false.
  template <typename Visit>
  static Status ReadFolder(const std::string& path, Visit visit) {
    auto pattern = SystemPath(EverythingIn(path));
    if (!pattern.ok()) return pattern.status();
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // An empty drive root lists nothing, not even "." and "..".
      if (error == ERROR_FILE_NOT_FOUND && IsFolder(path)) return Status::Ok();
      return PathFailure("open folder", path, error);
    }
    DWORD error = ERROR_SUCCESS;
    for (;;) {
      const std::wstring_view name = data.cFileName;
      if (name != L"." && name != L".." && !visit(data)) break;
      if (!FindNextFileW(search, &data)) {
        error = GetLastError();
        break;
      }
    }
    FindClose(search);
    if (error != ERROR_SUCCESS && error != ERROR_NO_MORE_FILES) {
      return SystemError("read folder", path, error);
    }
    return Status::Ok();
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace zelvora

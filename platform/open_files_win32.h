// The files that the Windows file system keeps open for a while: new files, locked while they
// are written; scratch files; lock files; and the removal of temporary files that no live
// writer holds. The FileSystem operations of the same names describe the contracts.
//
// A lock is LockFileEx's exclusive lock on one byte far beyond any file's end, so it guards
// the file's name without keeping anybody from reading its content.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora::win32 {

Result<std::unique_ptr<WritableFile>> NewLockedFile(const std::string& path, uint32_t mode);
Result<std::unique_ptr<ScratchFile>> NewScratchFile();
Result<std::unique_ptr<HeldLock>> TakeLock(const std::string& lock_path);
Status RemoveAbandoned(const std::string& path, bool wait);

// What the file open as `handle` is: its kind, size, times and identity (volume serial number
// and file index). `as_link` reports a symbolic link as kSymlink instead of a regular file.
Result<FileInfo> InfoOfHandle(HANDLE handle, const std::string& path, bool as_link = false);

}  // namespace zelvora::win32

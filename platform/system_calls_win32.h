// Pieces shared by the Windows implementation of platform/: text between the program's UTF-8
// and the system's UTF-16, paths as the system's calls take them, errors, handles and times.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/date_time.h"
#include "platform/status.h"

namespace zelvora::win32 {

// UTF-16 of UTF-8 text. The system keeps names as UTF-16 without checking that surrogates
// pair up; such a lone surrogate travels through the program as its three-byte UTF-8 form
// (WTF-8), so every name read from the disk can be used again. A byte that starts no
// character becomes U+FFFD, which names no existing file.
std::wstring Wide(std::string_view utf8);

// UTF-8 of UTF-16 text; lone surrogates as their three-byte forms (see Wide).
std::string Utf8(std::wstring_view wide);

// `path` as the system's file calls take it: UTF-16, and when it is too long for the classic
// limit of 260 characters, made absolute and given the "\\?\" (or "\\?\UNC\") prefix that lifts
// it. Fails with EINVAL when `path` holds a NUL byte, which would silently cut it short.
Result<std::wstring> SystemPath(const std::string& path);

// The errno value that stands for the system error `error` (ENOENT for a missing file or
// folder, EACCES for a refusal, EBUSY for a file another program holds open, ...; EIO for
// errors without a closer match).
int ErrnoOf(DWORD error);

// The failure of `operation` on `path` with the system error `error`: its message names both
// and gives the system's own reason; its code is ErrnoOf(error).
Status SystemError(std::string_view operation, std::string_view path, DWORD error);

// SystemError with GetLastError().
Status LastError(std::string_view operation, std::string_view path);

// A handle closed when it goes out of scope (close errors ignored).
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept;
  ~ScopedHandle();
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

// The value of environment variable `name` as UTF-8, or nothing when it is not set.
std::optional<std::string> EnvironmentVariable(const wchar_t* name);

// Conversions between the system's file times (100-nanosecond steps since 1601, UTC) and
// the program's (seconds and nanoseconds since 1970).
FileTime FromSystemTime(const FILETIME& time);
FileTime FromSystemTime(LARGE_INTEGER time);
FILETIME ToSystemTime(FileTime time);

}  // namespace zelvora::win32

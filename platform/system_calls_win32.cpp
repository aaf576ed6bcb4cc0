#include "platform/system_calls_win32.h"

#include <cerrno>
#include <cstdint>
#include <vector>

namespace zelvora::win32 {
namespace {

// Paths at least this long may hit the classic limit (MAX_PATH, less room for a file name
// that the system appends to a folder) and get the prefix that lifts it.
constexpr size_t kLongPathThreshold = 240;

// 100-nanosecond steps from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochInSystemTicks = 116'444'736'000'000'000LL;
constexpr int64_t kTicksPerSecond = 10'000'000;

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends the UTF-8 (or, for a lone surrogate, WTF-8) form of `code_point`.
void AppendUtf8(std::string& out, uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

void AppendUtf16(std::wstring& out, uint32_t code_point) {
  if (code_point < 0x10000) {
    out += static_cast<wchar_t>(code_point);
    return;
  }
  code_point -= 0x10000;
  out += static_cast<wchar_t>(0xD800 | (code_point >> 10));
  out += static_cast<wchar_t>(0xDC00 | (code_point & 0x3FF));
}

// The code point of the UTF-8 (or WTF-8) sequence at `text[*pos]`, advancing `*pos` past it;
// U+FFFD and one byte for a byte that starts no valid sequence.
uint32_t NextCodePoint(std::string_view text, size_t* pos) {
  const auto lead = static_cast<unsigned char>(text[*pos]);
  size_t length = 1;
  uint32_t code_point = lead;
  uint32_t minimum = 0;
  if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    minimum = 0x10000;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0x80) {
    ++*pos;
    return 0xFFFD;
  }
  if (*pos + length > text.size()) {
    ++*pos;
    return 0xFFFD;
  }
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[*pos + i]);
    if ((byte & 0xC0) != 0x80) {
      ++*pos;
      return 0xFFFD;
    }
    code_point = code_point << 6 | (byte & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF) {
    ++*pos;
    return 0xFFFD;
  }
  *pos += length;
  return code_point;
}

bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// The system's message for `error`, without its line break; empty when it has none.
std::string MessageOf(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::string();
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Utf8(text);
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) AppendUtf16(out, NextCodePoint(utf8, &pos));
  return out;
}

std::string Utf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size() * 3 / 2);
  for (size_t i = 0; i < wide.size(); ++i) {
    const auto unit = static_cast<uint32_t>(wide[i]);
    if (IsHighSurrogate(unit) && i + 1 < wide.size() &&
        IsLowSurrogate(static_cast<uint32_t>(wide[i + 1]))) {
      const auto low = static_cast<uint32_t>(wide[++i]);
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

Result<std::wstring> SystemPath(const std::string& path) {
  if (HoldsNul(path)) return Status::Error("path holds a NUL byte", EINVAL);
  std::wstring wide = Wide(path);
  if (wide.size() < kLongPathThreshold || wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LastError("full path of", path);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return LastError("full path of", path);
  full.resize(length);
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_NOT_READY:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return ENOTSUP;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_OPERATION_ABORTED:
      return ECANCELED;
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
      return ENOEXEC;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    default:
      return EIO;
  }
}

Status SystemError(std::string_view operation, std::string_view path, DWORD error) {
  std::string message(operation);
  message += ' ';
  message += path;
  message += ": ";
  const std::string reason = MessageOf(error);
  message += reason.empty() ? "system error " + std::to_string(error) : reason;
  return Status::Error(std::move(message), ErrnoOf(error));
}

Status LastError(std::string_view operation, std::string_view path) {
  return SystemError(operation, path, GetLastError());
}

ScopedHandle& ScopedHandle::operator=(ScopedHandle&& other) noexcept {
  if (this != &other) {
    if (valid()) CloseHandle(handle_);
    handle_ = other.release();
  }
  return *this;
}

ScopedHandle::~ScopedHandle() {
  if (valid()) CloseHandle(handle_);
}

std::optional<std::string> EnvironmentVariable(const wchar_t* name) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < buffer.size()) return Utf8(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

FileTime FromSystemTime(LARGE_INTEGER time) {
  const int64_t since_1970 = time.QuadPart - kUnixEpochInSystemTicks;
  int64_t seconds = since_1970 / kTicksPerSecond;
  int64_t rest = since_1970 % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  return FileTime{seconds, static_cast<int32_t>(rest * 100)};
}

FileTime FromSystemTime(const FILETIME& time) {
  LARGE_INTEGER ticks;
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = static_cast<LONG>(time.dwHighDateTime);
  return FromSystemTime(ticks);
}

FILETIME ToSystemTime(FileTime time) {
  // The system's times begin in 1601; an earlier time is taken as that beginning.
  const int64_t earliest = -kUnixEpochInSystemTicks / kTicksPerSecond;
  const int64_t ticks =
      time.seconds < earliest
          ? 0
          : time.seconds * kTicksPerSecond + time.nanoseconds / 100 + kUnixEpochInSystemTicks;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return result;
}

}  // namespace zelvora::win32

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {
namespace {

// 100-nanosecond steps from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochInSystemTicks = 116'444'736'000'000'000LL;

std::wstring Wide(const std::string& path) { return NativePath(path).wstring(); }

std::string Utf8(const std::wstring& wide) {
  const std::u8string text = std::filesystem::path(wide).u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TempDir::TempDir(std::string_view tag) {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) std::abort();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = std::wstring(base, length) + L"zelvora-" +
                                std::wstring(tag.begin(), tag.end()) + L"-" +
                                std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      path_ = Utf8(folder);
      return;
    }
  }
  std::abort();
}

std::string TempDir::operator/(std::string_view relative) const {
  std::string joined = path_ + "\\" + std::string(relative);
  for (char& c : joined) {
    if (c == '/') c = '\\';
  }
  return joined;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetModifiedTime(const std::string& path, int64_t unix_seconds) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot open " << path;
  const int64_t ticks = unix_seconds * 10'000'000 + kUnixEpochInSystemTicks;
  FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  const BOOL set = SetFileTime(file, nullptr, &time, &time);
  CloseHandle(file);
  ASSERT_TRUE(set) << "cannot set time of " << path;
}

int64_t ModifiedTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  const int64_t ticks = static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                        data.ftLastWriteTime.dwLowDateTime;
  const int64_t since_1970 = ticks - kUnixEpochInSystemTicks;
  return since_1970 >= 0 ? since_1970 / 10'000'000 : (since_1970 - 9'999'999) / 10'000'000;
}

bool FilesHavePermissionBits() { return false; }

bool CanSeeLockWaiters() { return false; }

bool CanMakeSymlinks() { return false; }

bool MakeSymlink(const std::string&, const std::string&) { return false; }

bool IsSymlink(const std::string&) { return false; }

std::string SymlinkTarget(const std::string&) { return std::string(); }

bool MakeHardLink(const std::string& existing, const std::string& new_path) {
  return CreateHardLinkW(Wide(new_path).c_str(), Wide(existing).c_str(), nullptr) != 0;
}

bool MakeNamedPipe(const std::string&) { return false; }

}  // namespace zelvora::testing

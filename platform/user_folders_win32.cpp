#include "platform/user_folders.h"

#include <windows.h>

#include <shlobj.h>  // after windows.h, which declares what it uses

#include <cerrno>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

std::string WithTrailingSeparator(std::string folder) {
  if (folder.empty() || !IsPathSeparator(folder.back())) folder += '\\';
  return folder;
}

// The value of environment variable `name` when it is an absolute path, else empty.
std::string AbsoluteFromEnvironment(const wchar_t* name) {
  const auto value = win32::EnvironmentVariable(name);
  return value && IsAbsolutePath(*value) ? *value : std::string();
}

std::string KnownFolder(const KNOWNFOLDERID& id) {
  wchar_t* path = nullptr;
  if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) != S_OK) {
    CoTaskMemFree(path);
    return std::string();
  }
  std::string folder = win32::Utf8(path);
  CoTaskMemFree(path);
  return folder;
}

// How much of `path` names its drive or share ("C:\", "\\server\share\"), which exists or not
// but is never made.
size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':')
    return path.size() > 2 && IsPathSeparator(path[2]) ? 3 : 2;
  if (path.size() < 2 || !IsPathSeparator(path[0]) || !IsPathSeparator(path[1])) {
    return !path.empty() && IsPathSeparator(path[0]) ? 1 : 0;
  }
  size_t end = 2;
  for (int component = 0; component < 2; ++component) {
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (end < path.size()) ++end;
  }
  return end;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::string HomeFolder() {
  std::string home = AbsoluteFromEnvironment(L"USERPROFILE");
  if (home.empty()) home = KnownFolder(FOLDERID_Profile);
  while (home.size() > 3 && IsPathSeparator(home.back())) home.pop_back();
  return home.empty() ? "C:\\" : home;
}

// %LOCALAPPDATA%\Zelvora\: the place Windows gives a program's data that stays on this
// computer and does not roam with the user's profile.
std::string UserStateFolder() {
  std::string base = AbsoluteFromEnvironment(L"LOCALAPPDATA");
  if (base.empty()) base = KnownFolder(FOLDERID_LocalAppData);
  if (base.empty()) base = WithTrailingSeparator(HomeFolder()) + "AppData\\Local";
  return WithTrailingSeparator(base) + "Zelvora\\";
}

std::vector<std::string> UserScratchFolders() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  std::vector<std::string> folders;
  if (length > 0 && length <= MAX_PATH) {
    folders.push_back(WithTrailingSeparator(win32::Utf8(std::wstring_view(folder, length))) +
                      "zelvora\\");
  }
  folders.push_back(UserStateFolder() + "Temp\\");
  return folders;
}

Status CreateFolders(const std::string& folder) {
  // Walks the path from the end of its root, making each missing step; a step that exists
  // already must be a folder.
  size_t end = RootLength(folder);
  while (end < folder.size()) {
    while (end < folder.size() && !IsPathSeparator(folder[end])) ++end;
    const std::string step = folder.substr(0, end);
    ++end;
    auto wide = win32::SystemPath(step);
    if (!wide.ok()) return wide.status();
    if (CreateDirectoryW(wide->c_str(), nullptr)) continue;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) {
      return win32::SystemError("cannot create folder", step, error);
    }
    // A drive's root and folders one may not create in but that exist answer "access denied".
    if (!IsFolder(*wide)) {
      return error == ERROR_ACCESS_DENIED ? win32::SystemError("cannot create folder", step, error)
                                          : Status::Error("not a folder: " + step, ENOTDIR);
    }
  }
  return Status::Ok();
}

// The folders of a user's profile are the user's own through the access rights they inherit;
// what remains to check is that the folder is a real one, not a link to somewhere else.
Status MakePrivateFolder(const std::string& folder) {
  if (Status made = CreateFolders(folder); !made.ok()) return made;
  auto wide = win32::SystemPath(folder);
  if (!wide.ok()) return wide.status();
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::LastError("cannot examine", folder);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Status::Error("not a private folder of this user: " + folder, EPERM);
  }
  return Status::Ok();
}

// Access rights on Windows are lists that only the system weighs fully, so the question is put
// to it: a probe file is made in the folder and removed at once.
bool CanCreateFilesIn(const std::string& folder) {
  const std::string probe = WithTrailingSeparator(folder) + ".zelvora-probe-" +
                            std::to_string(GetCurrentProcessId()) + ".tmp";
  auto wide = win32::SystemPath(probe);
  if (!wide.ok()) return false;
  const HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

}  // namespace zelvora

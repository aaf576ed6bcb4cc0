#include <windows.h>

// after windows.h, whose types they use
#include <shellapi.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <string>
#include <vector>

#include "platform/shell_places.h"
#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

// The folder of a known folder id with its shell name ("デスクトップ", "ドキュメント" on a
// Japanese system); nothing when the user has no such folder.
void AddKnownFolder(std::vector<ShellPlace>& places, const KNOWNFOLDERID& id,
                    ShellPlace::Kind kind) {
  wchar_t* path = nullptr;
  const bool found = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK;
  const std::wstring wide = found ? std::wstring(path) : std::wstring();
  CoTaskMemFree(path);
  const DWORD attributes =
      wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
  SHFILEINFOW info{};
  std::string label;
  if (SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) != 0) {
    label = win32::Utf8(info.szDisplayName);
  }
  places.push_back({win32::Utf8(wide), label, kind});
}

ShellPlace::Kind DriveKind(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return ShellPlace::Kind::kRemovable;
    case DRIVE_REMOTE:
      return ShellPlace::Kind::kNetwork;
    case DRIVE_CDROM:
      return ShellPlace::Kind::kCdRom;
    default:
      return ShellPlace::Kind::kFixed;
  }
}

// The name shown for a drive: a fixed drive's volume label; the shared folder a network drive
// is connected to (from the local table of connections: nothing goes over the network); none
// for drives whose medium may be absent or slow, which are not touched before the user
// opens them.
std::string DriveName(ShellPlace::Kind kind, const wchar_t* root) {
  if (kind == ShellPlace::Kind::kFixed) {
    wchar_t label[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) {
      return win32::Utf8(label);
    }
  } else if (kind == ShellPlace::Kind::kNetwork) {
    const wchar_t device[] = {root[0], L':', L'\0'};
    wchar_t remote[MAX_PATH + 1] = {};
    DWORD length = MAX_PATH + 1;
    if (WNetGetConnectionW(device, remote, &length) == NO_ERROR) return win32::Utf8(remote);
  }
  return std::string();
}

}  // namespace

std::vector<ShellPlace> MachineShellPlaces() {
  // A drive without its medium must not make Windows ask the user to insert one.
  const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::vector<ShellPlace> places;
  AddKnownFolder(places, FOLDERID_Desktop, ShellPlace::Kind::kDesktop);
  for (const KNOWNFOLDERID* id : {&FOLDERID_Documents, &FOLDERID_Pictures, &FOLDERID_Music,
                                  &FOLDERID_Videos, &FOLDERID_Downloads}) {
    AddKnownFolder(places, *id, ShellPlace::Kind::kUserFolder);
  }
  const DWORD drives = GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if ((drives & (DWORD{1} << index)) == 0) continue;
    const char letter = static_cast<char>('A' + index);
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + index), L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
    const ShellPlace::Kind kind = DriveKind(type);
    places.push_back(
        {std::string{letter, ':', '\\'}, DriveLabel(kind, letter, DriveName(kind, root)), kind});
  }
  SetErrorMode(previous_mode);
  return places;
}

}  // namespace zelvora

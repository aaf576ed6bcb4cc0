#include <windows.h>

#include "platform/removable_media.h"

namespace zelvora {

std::vector<std::string> MountedRemovableMedia() {
  std::vector<std::string> media;
  const DWORD drives = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (DWORD{1} << letter)) == 0) continue;
    const std::string root = {static_cast<char>('A' + letter), ':', '\\'};
    const wchar_t wide_root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
    if (GetDriveTypeW(wide_root) == DRIVE_REMOVABLE) media.push_back(root);
  }
  return media;
}

}  // namespace zelvora

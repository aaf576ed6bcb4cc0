#include "platform/program_folder.h"

#include <windows.h>

#include <string>

#include "platform/paths.h"
#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

std::string WithTrailingSeparator(std::string folder) {
  if (folder.empty() || !IsPathSeparator(folder.back())) folder += '\\';
  return folder;
}

std::string ExecutableFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".\\";
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return std::string(FolderPart(win32::Utf8(buffer)));
}

}  // namespace

std::string ProgramFolder() {
  const auto configured = win32::EnvironmentVariable(L"ZELVORA_PROGRAM_DIR");
  if (configured && !configured->empty()) return WithTrailingSeparator(*configured);
  return WithTrailingSeparator(ExecutableFolder());
}

}  // namespace zelvora

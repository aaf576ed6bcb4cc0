#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>

namespace zelvora {

Result<bool> FileSystem::HasSubfolder(const std::string& path) {
  auto entries = ListFolder(path);
  if (!entries.ok()) return entries.status();
  return std::any_of(entries->begin(), entries->end(),
                     [](const FolderEntry& entry) { return entry.is_folder; });
}

bool SameFileVersion(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.last_write == b.last_write && a.last_change == b.last_change;
}

bool IsNotFound(const Status& status) {
  return !status.ok() && (status.code() == ENOENT || status.code() == ENOTDIR);
}

}  // namespace zelvora

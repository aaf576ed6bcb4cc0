#include "tools/rooted_file_system.h"

namespace zelvora::tools {

std::string RootedFileSystem::Below(const std::string& path) const {
  return path.empty() || path.front() != '/' ? base_ + "/" + path : base_ + path;
}

Result<FileInfo> RootedFileSystem::Stat(const std::string& path) {
  return inner_.Stat(Below(path));
}

Result<FileInfo> RootedFileSystem::LinkStat(const std::string& path) {
  return inner_.LinkStat(Below(path));
}

Result<std::string> RootedFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  return inner_.ReadFile(Below(path), info);
}

Result<std::string> RootedFileSystem::ReadFileTail(const std::string& path, size_t max_bytes,
                                                   uint64_t* file_size) {
  return inner_.ReadFileTail(Below(path), max_bytes, file_size);
}

Result<std::vector<FolderEntry>> RootedFileSystem::ListFolder(const std::string& path) {
  return inner_.ListFolder(Below(path));
}

Result<bool> RootedFileSystem::HasSubfolder(const std::string& path) {
  return inner_.HasSubfolder(Below(path));
}

Result<std::unique_ptr<WritableFile>> RootedFileSystem::NewWritableFile(const std::string& path,
                                                                        uint32_t mode) {
  return inner_.NewWritableFile(Below(path), mode);
}

Status RootedFileSystem::Rename(const std::string& from, const std::string& to) {
  return inner_.Rename(Below(from), Below(to));
}

Status RootedFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  return inner_.RenameNoReplace(Below(from), Below(to));
}

Status RootedFileSystem::Link(const std::string& existing, const std::string& new_path) {
  return inner_.Link(Below(existing), Below(new_path));
}

Status RootedFileSystem::Remove(const std::string& path) { return inner_.Remove(Below(path)); }

Status RootedFileSystem::RemoveAbandoned(const std::string& path, bool wait) {
  return inner_.RemoveAbandoned(Below(path), wait);
}

Status RootedFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                      std::optional<FileTime> last_write) {
  return inner_.SetFileTimes(Below(path), last_access, last_write);
}

Status RootedFileSystem::SyncFileSystem(const std::string& path) {
  return inner_.SyncFileSystem(Below(path));
}

Result<std::unique_ptr<HeldLock>> RootedFileSystem::Lock(const std::string& lock_path) {
  return inner_.Lock(Below(lock_path));
}

Result<std::unique_ptr<ScratchFile>> RootedFileSystem::NewScratchFile() {
  return inner_.NewScratchFile();
}

Result<std::string> RootedFileSystem::ResolveSymlinks(const std::string& path) {
  auto resolved = inner_.ResolveSymlinks(Below(path));
  if (!resolved.ok()) return resolved;
  const std::string& inner_path = *resolved;
  if (inner_path.compare(0, base_.size(), base_) == 0) return inner_path.substr(base_.size());
  return inner_path;
}

}  // namespace zelvora::tools

#include "platform/caching_file_system.h"

namespace zelvora {

Result<FileInfo> CachingFileSystem::Stat(const std::string& path) {
  const auto known = stats_.find(path);
  if (known != stats_.end()) return known->second;
  auto info = inner_.Stat(path);
  if (info.ok()) Remember(path, *info);
  return info;
}

Result<std::string> CachingFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  FileInfo read_info;
  auto content = inner_.ReadFile(path, &read_info);
  if (!content.ok()) return content;
  Remember(path, read_info);
  if (info != nullptr) *info = read_info;
  return content;
}

Result<std::vector<FolderEntry>> CachingFileSystem::ListFolder(const std::string& path) {
  const auto known = listings_.find(path);
  if (known != listings_.end()) return known->second;
  auto entries = inner_.ListFolder(path);
  if (!entries.ok()) return entries;
  if (listed_names_ + entries->size() > max_remembered_) Forget();
  listed_names_ += entries->size();
  listings_.emplace(path, *entries);
  return entries;
}

Result<std::unique_ptr<WritableFile>> CachingFileSystem::NewWritableFile(const std::string& path) {
  Forget();
  return inner_.NewWritableFile(path);
}

Status CachingFileSystem::Rename(const std::string& from, const std::string& to) {
  Forget();
  return inner_.Rename(from, to);
}

Status CachingFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  Forget();
  return inner_.RenameNoReplace(from, to);
}

Status CachingFileSystem::Link(const std::string& existing, const std::string& new_path) {
  Forget();
  return inner_.Link(existing, new_path);
}

Status CachingFileSystem::Remove(const std::string& path) {
  Forget();
  return inner_.Remove(path);
}

Status CachingFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                       std::optional<FileTime> last_write) {
  Forget();
  return inner_.SetFileTimes(path, last_access, last_write);
}

Result<std::string> CachingFileSystem::ResolveSymlinks(const std::string& path) {
  return inner_.ResolveSymlinks(path);
}

void CachingFileSystem::Remember(const std::string& path, const FileInfo& info) {
  if (stats_.size() >= max_remembered_) Forget();
  stats_.insert_or_assign(path, info);
}

void CachingFileSystem::Forget() {
  stats_.clear();
  listings_.clear();
  listed_names_ = 0;
}

}  // namespace zelvora

#include "platform/caching_file_system.h"

#include "platform/paths.h"

namespace zelvora {
namespace {

// One spelling for a folder, with or without its trailing "/".
std::string FolderKey(std::string_view folder) {
  if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return std::string(folder);
}

}  // namespace

Result<FileInfo> CachingFileSystem::Stat(const std::string& path) {
  const auto known = stats_.find(path);
  if (known != stats_.end()) return known->second;
  auto info = inner_.Stat(path);
  if (info.ok()) Remember(path, *info);
  return info;
}

Result<std::string> CachingFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  return ReadFilePaced(path, info, {});
}

Result<std::string> CachingFileSystem::ReadFilePaced(const std::string& path, FileInfo* info,
                                                     const ReadPacer& pacer) {
  FileInfo read_info;
  auto content = inner_.ReadFilePaced(path, &read_info, pacer);
  if (!content.ok()) return content;
  Remember(path, read_info);
  if (info != nullptr) *info = read_info;
  return content;
}

Result<std::vector<FolderEntry>> CachingFileSystem::ListFolder(const std::string& path) {
  const std::string key = FolderKey(path);
  const auto known = listings_.find(key);
  if (known != listings_.end()) return known->second;
  auto entries = inner_.ListFolder(path);
  if (!entries.ok()) return entries;
  if (listed_names_ + entries->size() > max_remembered_) ForgetAll();
  listed_names_ += entries->size();
  listings_.emplace(key, *entries);
  return entries;
}

Result<std::unique_ptr<WritableFile>> CachingFileSystem::NewWritableFile(const std::string& path) {
  Forget(path);
  return inner_.NewWritableFile(path);
}

Status CachingFileSystem::Rename(const std::string& from, const std::string& to) {
  Forget(from);
  Forget(to);
  return inner_.Rename(from, to);
}

Status CachingFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  Forget(from);
  Forget(to);
  return inner_.RenameNoReplace(from, to);
}

Status CachingFileSystem::Link(const std::string& existing, const std::string& new_path) {
  Forget(existing);
  Forget(new_path);
  return inner_.Link(existing, new_path);
}

Status CachingFileSystem::Remove(const std::string& path) {
  Forget(path);
  return inner_.Remove(path);
}

Status CachingFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                       std::optional<FileTime> last_write) {
  Forget(path);
  return inner_.SetFileTimes(path, last_access, last_write);
}

Status CachingFileSystem::SyncFileSystem(const std::string& path) {
  return inner_.SyncFileSystem(path);
}

Result<std::string> CachingFileSystem::ResolveSymlinks(const std::string& path) {
  auto target = inner_.ResolveSymlinks(path);
  // A change made through the link's target must also be forgotten under the link's name.
  if (target.ok() && *target != path) aliases_.emplace(*target, path);
  return target;
}

void CachingFileSystem::Remember(const std::string& path, const FileInfo& info) {
  if (stats_.size() >= max_remembered_) ForgetAll();
  stats_.insert_or_assign(path, info);
}

void CachingFileSystem::Forget(const std::string& path) {
  stats_.erase(path);
  listings_.erase(FolderKey(FolderPart(path)));
  const auto [first, last] = aliases_.equal_range(path);
  for (auto alias = first; alias != last; ++alias) {
    stats_.erase(alias->second);
    listings_.erase(FolderKey(FolderPart(alias->second)));
  }
}

void CachingFileSystem::ForgetAll() {
  stats_.clear();
  listings_.clear();
  listed_names_ = 0;
}

}  // namespace zelvora

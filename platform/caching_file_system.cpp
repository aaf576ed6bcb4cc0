#include "platform/caching_file_system.h"

#include <algorithm>
#include <cerrno>

#include "platform/paths.h"

namespace zelvora {
namespace {

// The form under which a path or name is remembered: as the system compares names, so that on
// Windows "News.htm" and "news.htm" are one file here too.
std::string Key(std::string_view path) { return FileNameKey(path); }

// One spelling for a folder, with or without its trailing separator.
std::string FolderKey(std::string_view folder) {
  if (folder.size() > 1 && IsPathSeparator(folder.back())) folder.remove_suffix(1);
  return Key(folder);
}

Status NotFound(const std::string& path) {
  return Status::Error("lookup " + path + ": no such file (as listed)", ENOENT);
}

}  // namespace

Result<FileInfo> CachingFileSystem::Stat(const std::string& path) {
  const auto known = stats_.find(Key(path));
  if (known != stats_.end()) return known->second;
  auto info = inner_.Stat(path);
  if (info.ok()) Remember(path, *info);
  return info;
}

Result<FileInfo> CachingFileSystem::LinkStat(const std::string& path) {
  return inner_.LinkStat(path);
}

Result<FileKind> CachingFileSystem::Lookup(const std::string& path) {
  const std::string_view name = NamePart(path);
  Listing* listing = name.empty() || name == "." || name == ".." ? nullptr : ListingOf(path);
  if (listing == nullptr) return FileSystem::Lookup(path);
  const auto found = listing->index.find(Key(name));
  if (found == listing->index.end()) return NotFound(path);
  const FolderEntry& entry = listing->entries[found->second];
  if (entry.is_symlink) return FileSystem::Lookup(path);  // it may point nowhere
  return entry.is_folder ? FileKind::kFolder : FileKind::kRegular;
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

Result<std::string> CachingFileSystem::ReadFileTail(const std::string& path, size_t max_bytes,
                                                    uint64_t* file_size) {
  return inner_.ReadFileTail(path, max_bytes, file_size);
}

Result<std::vector<FolderEntry>> CachingFileSystem::ListFolder(const std::string& path) {
  const std::string key = FolderKey(path);
  const auto known = listings_.find(key);
  if (known != listings_.end()) return known->second.entries;
  auto entries = inner_.ListFolder(path);
  if (!entries.ok()) return entries;
  if (listed_names_ + entries->size() > max_listed_) ForgetAllListings();
  listed_names_ += entries->size();
  Listing& listing = listings_[key];
  listing.entries = *entries;
  for (size_t i = 0; i < listing.entries.size(); ++i) {
    listing.index[Key(listing.entries[i].name)] = i;
  }
  return entries;
}

Result<std::unique_ptr<WritableFile>> CachingFileSystem::NewWritableFile(const std::string& path,
                                                                         uint32_t mode) {
  Forget(path);
  auto file = inner_.NewWritableFile(path, mode);
  if (file.ok()) {
    Note(path, true);
  } else {
    ForgetListing(path);
  }
  return file;
}

Status CachingFileSystem::Rename(const std::string& from, const std::string& to) {
  Forget(from);
  Forget(to);
  return AfterRename(from, to, inner_.Rename(from, to));
}

Status CachingFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  Forget(from);
  Forget(to);
  return AfterRename(from, to, inner_.RenameNoReplace(from, to));
}

Status CachingFileSystem::AfterRename(const std::string& from, const std::string& to,
                                      Status renamed) {
  if (renamed.ok()) {
    Note(from, false);
    Note(to, true);
  } else {
    ForgetListing(from);
    ForgetListing(to);
  }
  return renamed;
}

Status CachingFileSystem::Link(const std::string& existing, const std::string& new_path) {
  Forget(existing);
  Forget(new_path);
  const Status linked = inner_.Link(existing, new_path);
  if (linked.ok()) {
    Note(new_path, true);
  } else {
    ForgetListing(new_path);
  }
  return linked;
}

Status CachingFileSystem::Remove(const std::string& path) {
  Forget(path);
  const Status removed = inner_.Remove(path);
  if (removed.ok()) {
    Note(path, false);
  } else {
    ForgetListing(path);
  }
  return removed;
}

Status CachingFileSystem::RemoveAbandoned(const std::string& path, bool wait) {
  Forget(path);
  const Status removed = inner_.RemoveAbandoned(path, wait);
  // Whether the name is gone or now names another run's file is not known for certain.
  ForgetListing(path);
  return removed;
}

Status CachingFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                       std::optional<FileTime> last_write) {
  Forget(path);
  return inner_.SetFileTimes(path, last_access, last_write);
}

Status CachingFileSystem::SyncFileSystem(const std::string& path) {
  return inner_.SyncFileSystem(path);
}

Result<std::unique_ptr<HeldLock>> CachingFileSystem::Lock(const std::string& lock_path) {
  return inner_.Lock(lock_path);
}

Result<std::unique_ptr<ScratchFile>> CachingFileSystem::NewScratchFile() {
  return inner_.NewScratchFile();
}

Result<std::string> CachingFileSystem::ResolveSymlinks(const std::string& path) {
  auto target = inner_.ResolveSymlinks(path);
  // A change made through the link's target must also be forgotten under the link's name.
  if (target.ok() && *target != path) aliases_.emplace(Key(*target), Key(path));
  return target;
}

Result<std::string> CachingFileSystem::RealPath(const std::string& path) {
  return inner_.RealPath(path);
}

void CachingFileSystem::Remember(const std::string& path, const FileInfo& info) {
  if (stats_.size() >= max_remembered_) stats_.clear();
  stats_.insert_or_assign(Key(path), info);
}

void CachingFileSystem::Forget(const std::string& path) {
  const std::string key = Key(path);
  stats_.erase(key);
  const auto [first, last] = aliases_.equal_range(key);
  for (auto alias = first; alias != last; ++alias) stats_.erase(alias->second);
}

CachingFileSystem::Listing* CachingFileSystem::ListingOf(const std::string& path) {
  const auto known = listings_.find(FolderKey(FolderPart(path)));
  return known == listings_.end() ? nullptr : &known->second;
}

void CachingFileSystem::Note(const std::string& path, bool exists) {
  Listing* listing = ListingOf(path);
  if (listing == nullptr) return;
  std::string name(NamePart(path));
  const auto found = listing->index.find(Key(name));
  if (exists) {
    if (found != listing->index.end()) {
      listing->entries[found->second] = FolderEntry{std::move(name), false, false};
      return;
    }
    listing->index.emplace(Key(name), listing->entries.size());
    listing->entries.push_back(FolderEntry{std::move(name), false, false});
    ++listed_names_;
    return;
  }
  if (found == listing->index.end()) return;
  // The last entry takes the place of the removed one.
  const size_t place = found->second;
  listing->index.erase(found);
  if (place + 1 != listing->entries.size()) {
    listing->entries[place] = std::move(listing->entries.back());
    listing->index[Key(listing->entries[place].name)] = place;
  }
  listing->entries.pop_back();
}

void CachingFileSystem::ForgetListing(const std::string& path) {
  const auto known = listings_.find(FolderKey(FolderPart(path)));
  if (known == listings_.end()) return;
  listed_names_ -= std::min(listed_names_, known->second.entries.size());
  listings_.erase(known);
}

void CachingFileSystem::ForgetRemembered() {
  stats_.clear();
  aliases_.clear();
  ForgetAllListings();
}

void CachingFileSystem::ForgetAllListings() {
  listings_.clear();
  listed_names_ = 0;
}

}  // namespace zelvora

#include "fuzz/memory_file_system.h"

#include <cerrno>
#include <utility>

#include "platform/paths.h"

namespace zelvora::fuzzing {
namespace {

Status Failure(const std::string& path, int error) {
  return Status::Error("memory file system: " + path, error);
}

// The folder that holds `path`, without its trailing "/"; "/" for a file at the root and ""
// for a bare name.
std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

// Collects the written bytes and stores them under its name when it is closed.
class MemoryWritableFile : public WritableFile {
 public:
  MemoryWritableFile(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  Status Append(std::string_view data) override {
    content_.append(data);
    return Status::Ok();
  }
  Status CopyPermissions(const FileInfo&) override { return Status::Ok(); }
  Status Sync() override { return Status::Ok(); }
  Status Close() override {
    fs_.Store(path_, std::move(content_));
    return Status::Ok();
  }

 private:
  MemoryFileSystem& fs_;
  std::string path_;
  std::string content_;
};

void MemoryFileSystem::AddFile(const std::string& path, std::string content, int64_t last_write) {
  Store(path, std::move(content));
  FileInfo& info = files_[path].info;
  info.last_write = info.last_access = info.last_change = FileTime{last_write, 0};
  AddFolder(ParentOf(path));
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  for (std::string folder = WithoutTrailingSlash(path); !folder.empty();
       folder = ParentOf(folder)) {
    if (!folders_.insert(folder).second || folder == "/") break;
  }
}

std::optional<std::string> MemoryFileSystem::Content(const std::string& path) const {
  const auto found = files_.find(path);
  if (found == files_.end()) return std::nullopt;
  return found->second.content;
}

void MemoryFileSystem::Store(const std::string& path, std::string content) {
  File& file = files_[path];
  if (file.info.inode == 0) file.info.inode = next_inode_++;
  file.info.kind = FileKind::kRegular;
  file.info.mode = 0644;
  file.info.size = content.size();
  file.content = std::move(content);
}

bool MemoryFileSystem::IsFolder(const std::string& path) const {
  return folders_.contains(WithoutTrailingSlash(path));
}

Result<FileInfo> MemoryFileSystem::Stat(const std::string& path) {
  if (IsFolder(path)) {
    FileInfo info;
    info.kind = FileKind::kFolder;
    info.mode = 0755;
    return info;
  }
  const auto found = files_.find(path);
  if (found == files_.end()) return Failure(path, ENOENT);
  return found->second.info;
}

Result<std::string> MemoryFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  if (IsFolder(path)) return Failure(path, EISDIR);
  const auto found = files_.find(path);
  if (found == files_.end()) return Failure(path, ENOENT);
  if (info != nullptr) *info = found->second.info;
  return found->second.content;
}

Result<std::vector<FolderEntry>> MemoryFileSystem::ListFolder(const std::string& path) {
  const std::string folder = WithoutTrailingSlash(path);
  if (!folders_.contains(folder)) return Failure(path, ENOENT);
  std::vector<FolderEntry> entries;
  for (const auto& [name, file] : files_) {
    if (ParentOf(name) == folder) entries.push_back({std::string(NamePart(name)), false});
  }
  for (const std::string& name : folders_) {
    if (name != folder && ParentOf(name) == folder) {
      entries.push_back({std::string(NamePart(name)), true});
    }
  }
  return entries;
}

Result<std::unique_ptr<WritableFile>> MemoryFileSystem::NewWritableFile(const std::string& path) {
  if (files_.contains(path) || IsFolder(path)) return Failure(path, EEXIST);
  if (!IsFolder(ParentOf(path))) return Failure(path, ENOENT);
  return std::unique_ptr<WritableFile>(std::make_unique<MemoryWritableFile>(*this, path));
}

Status MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  const auto found = files_.find(from);
  if (found == files_.end()) return Failure(from, ENOENT);
  if (IsFolder(to)) return Failure(to, EISDIR);
  File moved = std::move(found->second);
  files_.erase(found);
  files_[to] = std::move(moved);
  return Status::Ok();
}

Status MemoryFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (files_.contains(to) || IsFolder(to)) return Failure(to, EEXIST);
  return Rename(from, to);
}

Status MemoryFileSystem::Link(const std::string& existing, const std::string& new_path) {
  const auto found = files_.find(existing);
  if (found == files_.end()) return Failure(existing, ENOENT);
  if (files_.contains(new_path) || IsFolder(new_path)) return Failure(new_path, EEXIST);
  // A copy stands in for the second name: nothing here writes to a file in place.
  files_[new_path] = found->second;
  return Status::Ok();
}

Status MemoryFileSystem::Remove(const std::string& path) {
  if (IsFolder(path)) return Failure(path, EISDIR);
  return files_.erase(path) == 1 ? Status::Ok() : Failure(path, ENOENT);
}

Status MemoryFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                      std::optional<FileTime> last_write) {
  const auto found = files_.find(path);
  if (found == files_.end()) return Failure(path, ENOENT);
  if (last_access) found->second.info.last_access = *last_access;
  if (last_write) found->second.info.last_write = *last_write;
  return Status::Ok();
}

Status MemoryFileSystem::SyncFileSystem(const std::string&) { return Status::Ok(); }

Result<std::string> MemoryFileSystem::ResolveSymlinks(const std::string& path) { return path; }

}  // namespace zelvora::fuzzing

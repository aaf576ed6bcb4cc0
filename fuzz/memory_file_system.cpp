#include "fuzz/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
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

// Writes straight into the file it created, which keeps its file number under any name it
// is renamed to, as an open file does.
class MemoryWritableFile : public WritableFile {
 public:
  MemoryWritableFile(MemoryFileSystem& fs, uint64_t inode) : fs_(fs), inode_(inode) {}
  Status Append(std::string_view data) override {
    MemoryFileSystem::File* file = fs_.FileOfInode(inode_);
    if (file == nullptr) return Failure("written file", ENOENT);
    file->content.append(data);
    file->info.size = file->content.size();
    return Status::Ok();
  }
  Status CopyPermissions(const FileInfo& like) override {
    MemoryFileSystem::File* file = fs_.FileOfInode(inode_);
    if (file == nullptr) return Failure("written file", ENOENT);
    file->info.mode = like.mode & 07777;
    return Status::Ok();
  }
  Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                  std::optional<FileTime> created) override {
    MemoryFileSystem::File* file = fs_.FileOfInode(inode_);
    if (file == nullptr) return Failure("written file", ENOENT);
    if (last_access) file->info.last_access = *last_access;
    if (last_write) file->info.last_write = *last_write;
    if (created) file->info.created = *created;
    return Status::Ok();
  }
  Result<FileInfo> Info() override {
    const MemoryFileSystem::File* file = fs_.FileOfInode(inode_);
    if (file == nullptr) return Failure("written file", ENOENT);
    return file->info;
  }
  Status Sync() override { return Status::Ok(); }
  Status Close() override { return Status::Ok(); }

 private:
  MemoryFileSystem& fs_;
  uint64_t inode_;
};

// A lock that nothing else competes for.
class MemoryLock : public HeldLock {};

// A scratch file held in a string.
class MemoryScratchFile : public ScratchFile {
 public:
  Status WriteAt(uint64_t offset, const std::vector<std::string_view>& pieces) override {
    for (const std::string_view piece : pieces) {
      if (bytes_.size() < offset + piece.size()) bytes_.resize(offset + piece.size());
      std::copy(piece.begin(), piece.end(), bytes_.begin() + static_cast<ptrdiff_t>(offset));
      offset += piece.size();
    }
    return Status::Ok();
  }
  Status ReadAt(uint64_t offset, const std::vector<std::span<char>>& pieces) override {
    for (const std::span<char> piece : pieces) {
      if (offset + piece.size() > bytes_.size()) return Failure("scratch file", EIO);
      std::memcpy(piece.data(), bytes_.data() + offset, piece.size());
      offset += piece.size();
    }
    return Status::Ok();
  }

 private:
  std::string bytes_;
};

void MemoryFileSystem::AddFile(const std::string& path, std::string content, int64_t last_write) {
  Store(path, std::move(content), 0644);
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

void MemoryFileSystem::Store(const std::string& path, std::string content, uint32_t mode) {
  File& file = files_[path];
  if (file.info.inode == 0) file.info.inode = next_inode_++;
  file.info.kind = FileKind::kRegular;
  file.info.mode = mode;
  file.info.size = content.size();
  file.content = std::move(content);
}

MemoryFileSystem::File* MemoryFileSystem::FileOfInode(uint64_t inode) {
  for (auto& [name, file] : files_) {
    if (file.info.inode == inode) return &file;
  }
  return nullptr;
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

Result<FileInfo> MemoryFileSystem::LinkStat(const std::string& path) { return Stat(path); }

Result<std::string> MemoryFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  if (IsFolder(path)) return Failure(path, EISDIR);
  const auto found = files_.find(path);
  if (found == files_.end()) return Failure(path, ENOENT);
  if (info != nullptr) *info = found->second.info;
  return found->second.content;
}

Result<std::string> MemoryFileSystem::ReadFileTail(const std::string& path, size_t max_bytes,
                                                   uint64_t* file_size) {
  FileInfo info;
  auto content = ReadFile(path, &info);
  if (!content.ok()) return content;
  if (file_size != nullptr) *file_size = info.size;
  std::string tail = std::move(content).value();
  if (tail.size() > max_bytes) tail.erase(0, tail.size() - max_bytes);
  return tail;
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

Result<std::unique_ptr<WritableFile>> MemoryFileSystem::NewWritableFile(const std::string& path,
                                                                        uint32_t mode) {
  if (files_.contains(path) || IsFolder(path)) return Failure(path, EEXIST);
  if (!IsFolder(ParentOf(path))) return Failure(path, ENOENT);
  Store(path, "", mode);
  return std::unique_ptr<WritableFile>(
      std::make_unique<MemoryWritableFile>(*this, files_[path].info.inode));
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

Status MemoryFileSystem::RemoveAbandoned(const std::string& path, bool) { return Remove(path); }

Status MemoryFileSystem::SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                                      std::optional<FileTime> last_write) {
  const auto found = files_.find(path);
  if (found == files_.end()) return Failure(path, ENOENT);
  if (last_access) found->second.info.last_access = *last_access;
  if (last_write) found->second.info.last_write = *last_write;
  return Status::Ok();
}

Status MemoryFileSystem::SyncFileSystem(const std::string&) { return Status::Ok(); }

Result<std::unique_ptr<HeldLock>> MemoryFileSystem::Lock(const std::string&) {
  return std::unique_ptr<HeldLock>(std::make_unique<MemoryLock>());
}

Result<std::unique_ptr<ScratchFile>> MemoryFileSystem::NewScratchFile() {
  return std::unique_ptr<ScratchFile>(std::make_unique<MemoryScratchFile>());
}

Result<std::string> MemoryFileSystem::ResolveSymlinks(const std::string& path) { return path; }

}  // namespace zelvora::fuzzing

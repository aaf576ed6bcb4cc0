// A FileSystem held entirely in memory, for the fuzz targets: a run context over it touches
// no disk, so every input is processed the same way, fast, and without side effects.
//
// Paths are taken as given: "/site/a.htm" and "/site//a.htm" are different names, as they
// would be in a map. Folders are named without a trailing "/"; a trailing "/" on a lookup is
// ignored. There are no symbolic links and no permissions. A write creates or replaces the
// file when it is closed.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zelvora::fuzzing {

class MemoryFileSystem : public FileSystem {
 public:
  // Adds a regular file with the given content and last-write time (seconds since the
  // epoch), and every folder on its path.
  void AddFile(const std::string& path, std::string content, int64_t last_write);
  // Adds a folder and every folder above it.
  void AddFolder(const std::string& path);
  // The content of a file, or nullopt when there is none.
  std::optional<std::string> Content(const std::string& path) const;

  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status Link(const std::string& existing, const std::string& new_path) override;
  Status Remove(const std::string& path) override;
  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override;
  Status SyncFileSystem(const std::string& path) override;
  Result<std::string> ResolveSymlinks(const std::string& path) override;

 private:
  struct File {
    std::string content;
    FileInfo info;
  };
  friend class MemoryWritableFile;

  void Store(const std::string& path, std::string content);
  bool IsFolder(const std::string& path) const;

  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  uint64_t next_inode_ = 1;
};

}  // namespace zelvora::fuzzing

// A FileSystem held entirely in memory, for the fuzz targets: a run context over it touches
// no disk, so every input is processed the same way, fast, and without side effects.
//
// Paths are taken as given: "/site/a.htm" and "/site//a.htm" are different names, as they
// would be in a map. Folders are named without a trailing "/"; a trailing "/" on a lookup is
// ignored. There are no symbolic links, no permissions and no other processes: locks are
// always granted and no temporary file is ever in use by another run. A new file exists from
// its creation on and is written in place.
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

  using FileSystem::NewWritableFile;
  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override;
  Result<FileInfo> LinkStat(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override;
  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                        uint32_t mode) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status Link(const std::string& existing, const std::string& new_path) override;
  Status Remove(const std::string& path) override;
  Status RemoveAbandoned(const std::string& path, bool wait) override;
  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override;
  Status SyncFileSystem(const std::string& path) override;
  Result<std::unique_ptr<HeldLock>> Lock(const std::string& lock_path) override;
  Result<std::unique_ptr<ScratchFile>> NewScratchFile() override;
  Result<std::string> ResolveSymlinks(const std::string& path) override;

 private:
  struct File {
    std::string content;
    FileInfo info;
  };
  friend class MemoryWritableFile;

  void Store(const std::string& path, std::string content, uint32_t mode);
  // The file with file number `inode` under any of its names, or null.
  File* FileOfInode(uint64_t inode);
  bool IsFolder(const std::string& path) const;

  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  uint64_t next_inode_ = 1;
};

}  // namespace zelvora::fuzzing

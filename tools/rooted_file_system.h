// A FileSystem that shows one folder as "/": every path is taken below `base`. The dialog
// screenshots use it, so the folder tree in the pictures shows a small, fixed world instead
// of the machine they were taken on.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace zelvora::tools {

class RootedFileSystem : public FileSystem {
 public:
  // `base`: an existing folder, without a trailing "/". `inner` is not owned.
  RootedFileSystem(FileSystem& inner, std::string base) : inner_(inner), base_(std::move(base)) {}

  using FileSystem::NewWritableFile;
  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override;
  Result<FileInfo> LinkStat(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override;
  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
  Result<bool> HasSubfolder(const std::string& path) override;
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
  // `path` below the base; relative paths are taken as if they began with "/".
  std::string Below(const std::string& path) const;

  FileSystem& inner_;
  std::string base_;
};

}  // namespace zelvora::tools

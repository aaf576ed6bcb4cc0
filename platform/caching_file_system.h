// A FileSystem that remembers what it has learnt about files and folders for the length of
// one run: a site's pages name the same date sources, folders and wildcards again and again,
// and a second run that writes nothing would otherwise spend most of its time asking.
//
// What is remembered: successful Stat results (also those that ReadFile reports) and folder
// listings. Failures are never remembered, so a file that appears is seen at once. A change
// made through this file system forgets what it touches: the files named (and the names of
// symbolic links that were resolved to them) and the listings of their folders, so a page
// that was just rewritten is never seen with its old time. Changes made by other programs
// during the run, or through other names of the same file, are not seen. The memory it takes is
// bounded: when it knows more than `max_remembered` files or listed names, it forgets everything
// and starts again.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace zelvora {

class CachingFileSystem : public FileSystem {
 public:
  static constexpr size_t kDefaultMaxRemembered = 16384;

  // `inner` is not owned and must outlive this file system.
  explicit CachingFileSystem(FileSystem& inner, size_t max_remembered = kDefaultMaxRemembered)
      : inner_(inner), max_remembered_(max_remembered) {}

  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                    const ReadPacer& pacer) override;
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
  void Remember(const std::string& path, const FileInfo& info);
  // Forgets `path`, its aliases and the listing of its folder.
  void Forget(const std::string& path);
  void ForgetAll();

  FileSystem& inner_;
  const size_t max_remembered_;
  std::unordered_map<std::string, FileInfo> stats_;
  std::unordered_map<std::string, std::vector<FolderEntry>> listings_;  // by folder, no "/"
  std::unordered_multimap<std::string, std::string> aliases_;           // link target to link name
  size_t listed_names_ = 0;
};

}  // namespace zelvora

// A FileSystem that remembers what it has learnt about files and folders for the length of
// one run: a site's pages name the same date sources, folders and wildcards again and again,
// and a second run that writes nothing would otherwise spend most of its time asking.
//
// What is remembered: successful Stat results (also those that ReadFile reports) and folder
// listings. Failures are never remembered, so a file that appears is seen at once. A change
// made through this file system forgets the times of what it touches (the files named, and the
// names of symbolic links that were resolved to them), so a page that was just rewritten is
// never seen with its old time; the listings of the folders involved are brought up to date
// rather than forgotten, so that Lookup can go on answering from them. A change that fails
// forgets the listings involved. Changes made by other programs during the run, or through
// other names of the same file, are not seen until ForgetRemembered. The memory it takes is
// bounded: when it knows more than `max_remembered` files, or more than `max_listed` listed names,
// it forgets those and starts again.
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
  static constexpr size_t kDefaultMaxListed = size_t{1} << 15;

  // `inner` is not owned and must outlive this file system.
  explicit CachingFileSystem(FileSystem& inner, size_t max_remembered = kDefaultMaxRemembered,
                             size_t max_listed = kDefaultMaxListed)
      : inner_(inner), max_remembered_(max_remembered), max_listed_(max_listed) {}

  using FileSystem::NewWritableFile;
  using FileSystem::ReadFile;
  Result<FileInfo> Stat(const std::string& path) override;
  Result<FileInfo> LinkStat(const std::string& path) override;
  // Answers from the listing of the file's folder when one is held (a symbolic link there is
  // looked up on disk); otherwise as Stat.
  Result<FileKind> Lookup(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                    const ReadPacer& pacer) override;
  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override;
  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                        uint32_t mode) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status Link(const std::string& existing, const std::string& new_path) override;
  Status Remove(const std::string& path) override;
  Status CheckReplaceable(const std::string& path) override {
    return inner_.CheckReplaceable(path);
  }
  Status RemoveAbandoned(const std::string& path, bool wait) override;
  Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write) override;
  Status SyncFileSystem(const std::string& path) override;
  Result<std::unique_ptr<HeldLock>> Lock(const std::string& lock_path) override;
  Result<std::unique_ptr<ScratchFile>> NewScratchFile() override;
  Result<std::string> ResolveSymlinks(const std::string& path) override;
  void ForgetRemembered() override;

  Result<std::string> RealPath(const std::string& path) override;

 private:
  // A folder's entries with an index by name. Names and paths are kept under FileNameKey, so
  // that they are told apart as the system tells them apart.
  struct Listing {
    std::vector<FolderEntry> entries;
    std::unordered_map<std::string, size_t> index;
  };

  void Remember(const std::string& path, const FileInfo& info);
  // Forgets the times of `path` and its aliases.
  void Forget(const std::string& path);
  // The listing of the folder of `path`, when one is held.
  Listing* ListingOf(const std::string& path);
  // Brings the listing of the folder of `path` up to date after the change that created it
  // (`exists`) or removed it.
  void Note(const std::string& path, bool exists);
  // Brings the listings up to date after renaming `from` to `to`: both names noted when the
  // rename succeeded, both folders' listings forgotten when its outcome is not known.
  // Returns `renamed`.
  Status AfterRename(const std::string& from, const std::string& to, Status renamed);
  // Forgets the listing of the folder of `path`, after a change whose outcome is not known.
  void ForgetListing(const std::string& path);
  void ForgetAllListings();

  FileSystem& inner_;
  const size_t max_remembered_;
  const size_t max_listed_;
  std::unordered_map<std::string, FileInfo> stats_;
  std::unordered_map<std::string, Listing> listings_;          // by folder, no trailing separator
  std::unordered_multimap<std::string, std::string> aliases_;  // link target to link name
  size_t listed_names_ = 0;
};

}  // namespace zelvora

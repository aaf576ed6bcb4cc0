// A FileSystem for tests that passes every call on to another one (usually the real one)
// and makes chosen calls fail with a chosen errno: the n-th call of an operation, calls on
// paths holding a given text, or an append that runs out of space part-way. It also records
// every call, so a test can check which steps were taken, and can run a test's own code at a
// chosen call (to change the disk while a run is paused there). A failing Close still closes
// the file underneath, as close(2) does.
//
//   FaultInjectingFileSystem fs(RealFileSystem());
//   fs.Inject(FailEvery(FsOp::kRenameNoReplace, EACCES, "_Bak1"));
//   fs.Inject(FailNth(FsOp::kRemove, 2, EIO));  // only the second Remove
//   fs.Inject(FullDiskAfter(100));              // ENOSPC once a file holds 100 bytes
//   fs.OnCall(FsOp::kReadFile, "b.htm", 1, [&] { WriteBytes(page, "edited"); });
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace zelvora::testing {

enum class FsOp {
  kStat,
  kLinkStat,
  kLookup,
  kReadFile,
  kReadFileTail,
  kListFolder,
  kHasSubfolder,
  kNewWritableFile,
  kRename,
  kRenameNoReplace,
  kLink,
  kRemove,
  kRemoveAbandoned,
  kSetFileTimes,
  kResolveSymlinks,
  kSyncFileSystem,
  kLock,
  kNewScratchFile,
  // Operations of a file made by NewWritableFile; their path is the one it was created at.
  kAppend,
  kCopyPermissions,
  kSetTimes,
  kInfo,
  kSync,
  kClose,
  // Operations of a scratch file; their path is empty.
  kScratchWrite,
  kScratchRead,
};

// Which calls fail and how. A call matches when its operation is `op` and, if
// `path_contains` is not empty, one of its paths (either one of a rename or link) holds it.
// Matching calls are counted per fault; calls number `from_call`, `from_call` + 1, ... fail,
// `times` of them (0: every one from `from_call` on).
struct Fault {
  FsOp op = FsOp::kStat;
  int error = EIO;
  std::string path_contains;
  int from_call = 1;
  int times = 0;
  // kAppend only: each file accepts this many bytes in all; an append that would go beyond
  // writes up to the limit and then fails, as on a full disk, and so does every later one.
  // `from_call` and `times` do not apply.
  std::optional<uint64_t> after_bytes;
};

// Every call of `op` (on paths holding `path_contains`, when given) fails with `error`.
Fault FailEvery(FsOp op, int error, std::string path_contains = "");

// Only the `nth` (1-based) such call fails.
Fault FailNth(FsOp op, int nth, int error, std::string path_contains = "");

// ENOSPC once a file being written would hold more than `bytes` bytes.
Fault FullDiskAfter(uint64_t bytes, std::string path_contains = "");

// One call as it reached the file system (recorded also when it was made to fail).
struct FsCall {
  FsOp op;
  std::string path;
  std::string second_path;  // the target of Rename, RenameNoReplace and Link
  bool failed_by_injection = false;
};

class FaultInjectingFileSystem : public FileSystem {
 public:
  explicit FaultInjectingFileSystem(FileSystem& inner) : inner_(inner) {}

  // Adds a fault; faults are checked in the order added and the first that fires wins.
  void Inject(Fault fault);
  // Removes every fault (the call record stays).
  void ClearFaults() { faults_.clear(); }
  // Runs `action` just before the `nth` (1-based) call of `op` on a path holding
  // `path_contains` reaches the file system (and before any fault is checked).
  void OnCall(FsOp op, std::string path_contains, int nth, std::function<void()> action);

  const std::vector<FsCall>& calls() const { return calls_; }
  // How many calls of `op` were made (the failing ones included).
  int CallCount(FsOp op) const;
  // How many calls were made to fail.
  int injected_failures() const { return injected_failures_; }

  Result<FileInfo> Stat(const std::string& path) override;
  Result<FileInfo> LinkStat(const std::string& path) override;
  Result<FileKind> Lookup(const std::string& path) override;
  using FileSystem::ReadFile;
  Result<std::string> ReadFile(const std::string& path, FileInfo* info) override;
  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                    const ReadPacer& pacer) override;
  Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                   uint64_t* file_size) override;
  Result<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
  Result<bool> HasSubfolder(const std::string& path) override;
  using FileSystem::NewWritableFile;
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
  Result<std::string> RealPath(const std::string& path) override;

 private:
  friend class FaultInjectingWritableFile;
  friend class FaultInjectingScratchFile;
  struct ActiveFault {
    Fault fault;
    int matched = 0;
  };
  struct Hook {
    FsOp op;
    std::string path_contains;
    int nth;
    std::function<void()> action;
    int matched = 0;
  };

  // Records the call and returns the injected failure, if one fires for it.
  std::optional<Status> Check(FsOp op, const std::string& path,
                              const std::string& second_path = "");
  // For an append of `size` bytes to a file already holding `written`: the number of bytes
  // to let through before failing, and the failure, when a full-disk fault fires.
  std::optional<std::pair<uint64_t, Status>> CheckAppend(const std::string& path, uint64_t written,
                                                         uint64_t size);
  static bool Fires(ActiveFault& active);
  bool MatchesPath(const Fault& fault, const std::string& path,
                   const std::string& second_path) const;

  FileSystem& inner_;
  std::vector<ActiveFault> faults_;
  std::vector<Hook> hooks_;
  std::vector<FsCall> calls_;
  int injected_failures_ = 0;
};

}  // namespace zelvora::testing

#include "tests/support/fault_injecting_file_system.h"

#include <algorithm>
#include <utility>

namespace zelvora::testing {
namespace {

// Whether either path holds `fragment`, which tests write with "/" for any separator (so that
// one fragment matches on Windows too); an empty fragment matches every path.
bool PathContains(const std::string& path, const std::string& second_path,
                  const std::string& fragment) {
  if (fragment.empty()) return true;
  const auto with_slashes = [](std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
  };
  const std::string wanted = with_slashes(fragment);
  return with_slashes(path).find(wanted) != std::string::npos ||
         with_slashes(second_path).find(wanted) != std::string::npos;
}

const char* OperationName(FsOp op) {
  switch (op) {
    case FsOp::kStat:
      return "Stat";
    case FsOp::kLinkStat:
      return "LinkStat";
    case FsOp::kLookup:
      return "Lookup";
    case FsOp::kReadFile:
      return "ReadFile";
    case FsOp::kReadFileTail:
      return "ReadFileTail";
    case FsOp::kListFolder:
      return "ListFolder";
    case FsOp::kHasSubfolder:
      return "HasSubfolder";
    case FsOp::kNewWritableFile:
      return "NewWritableFile";
    case FsOp::kRename:
      return "Rename";
    case FsOp::kRenameNoReplace:
      return "RenameNoReplace";
    case FsOp::kLink:
      return "Link";
    case FsOp::kRemove:
      return "Remove";
    case FsOp::kRemoveAbandoned:
      return "RemoveAbandoned";
    case FsOp::kSetFileTimes:
      return "SetFileTimes";
    case FsOp::kResolveSymlinks:
      return "ResolveSymlinks";
    case FsOp::kSyncFileSystem:
      return "SyncFileSystem";
    case FsOp::kLock:
      return "Lock";
    case FsOp::kNewScratchFile:
      return "NewScratchFile";
    case FsOp::kAppend:
      return "Append";
    case FsOp::kCopyPermissions:
      return "CopyPermissions";
    case FsOp::kSetTimes:
      return "SetTimes";
    case FsOp::kInfo:
      return "Info";
    case FsOp::kSync:
      return "Sync";
    case FsOp::kClose:
      return "Close";
    case FsOp::kScratchWrite:
      return "ScratchWrite";
    case FsOp::kScratchRead:
      return "ScratchRead";
  }
  return "?";
}

Status Injected(FsOp op, const std::string& path, int error) {
  return Status::Error(std::string("injected failure: ") + OperationName(op) + " " + path, error);
}

}  // namespace

// Wraps a file made by the inner file system and puts its calls through the same faults.
class FaultInjectingWritableFile : public WritableFile {
 public:
  FaultInjectingWritableFile(FaultInjectingFileSystem& owner, std::unique_ptr<WritableFile> inner,
                             std::string path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}

  Status Append(std::string_view data) override {
    if (auto failure = owner_.Check(FsOp::kAppend, path_)) return *failure;
    if (auto full = owner_.CheckAppend(path_, written_, data.size())) {
      const Status partial = PassOn(data.substr(0, full->first));
      return partial.ok() ? full->second : partial;
    }
    return PassOn(data);
  }

  Status CopyPermissions(const FileInfo& like) override {
    if (auto failure = owner_.Check(FsOp::kCopyPermissions, path_)) return *failure;
    return inner_->CopyPermissions(like);
  }

  Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                  std::optional<FileTime> created) override {
    if (auto failure = owner_.Check(FsOp::kSetTimes, path_)) return *failure;
    return inner_->SetTimes(last_access, last_write, created);
  }

  Result<FileInfo> Info() override {
    if (auto failure = owner_.Check(FsOp::kInfo, path_)) return *failure;
    return inner_->Info();
  }

  Status Sync() override {
    if (auto failure = owner_.Check(FsOp::kSync, path_)) return *failure;
    return inner_->Sync();
  }

  Status Close() override {
    if (auto failure = owner_.Check(FsOp::kClose, path_)) {
      (void)inner_->Close();
      return *failure;
    }
    return inner_->Close();
  }

 private:
  Status PassOn(std::string_view data) {
    const Status status = inner_->Append(data);
    if (status.ok()) written_ += data.size();
    return status;
  }

  FaultInjectingFileSystem& owner_;
  std::unique_ptr<WritableFile> inner_;
  std::string path_;
  uint64_t written_ = 0;
};

// Wraps a scratch file made by the inner file system and puts its calls through the faults.
class FaultInjectingScratchFile : public ScratchFile {
 public:
  FaultInjectingScratchFile(FaultInjectingFileSystem& owner, std::unique_ptr<ScratchFile> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  Status WriteAt(uint64_t offset, const std::vector<std::string_view>& pieces) override {
    if (auto failure = owner_.Check(FsOp::kScratchWrite, "")) return *failure;
    return inner_->WriteAt(offset, pieces);
  }

  Status ReadAt(uint64_t offset, const std::vector<std::span<char>>& pieces) override {
    if (auto failure = owner_.Check(FsOp::kScratchRead, "")) return *failure;
    return inner_->ReadAt(offset, pieces);
  }

 private:
  FaultInjectingFileSystem& owner_;
  std::unique_ptr<ScratchFile> inner_;
};

Fault FailEvery(FsOp op, int error, std::string path_contains) {
  Fault fault;
  fault.op = op;
  fault.error = error;
  fault.path_contains = std::move(path_contains);
  return fault;
}

Fault FailNth(FsOp op, int nth, int error, std::string path_contains) {
  Fault fault = FailEvery(op, error, std::move(path_contains));
  fault.from_call = nth;
  fault.times = 1;
  return fault;
}

Fault FullDiskAfter(uint64_t bytes, std::string path_contains) {
  Fault fault = FailEvery(FsOp::kAppend, ENOSPC, std::move(path_contains));
  fault.after_bytes = bytes;
  return fault;
}

void FaultInjectingFileSystem::Inject(Fault fault) { faults_.push_back({std::move(fault), 0}); }

void FaultInjectingFileSystem::OnCall(FsOp op, std::string path_contains, int nth,
                                      std::function<void()> action) {
  hooks_.push_back({op, std::move(path_contains), nth, std::move(action), 0});
}

int FaultInjectingFileSystem::CallCount(FsOp op) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                        [op](const FsCall& call) { return call.op == op; }));
}

bool FaultInjectingFileSystem::MatchesPath(const Fault& fault, const std::string& path,
                                           const std::string& second_path) const {
  return PathContains(path, second_path, fault.path_contains);
}

bool FaultInjectingFileSystem::Fires(ActiveFault& active) {
  const int number = ++active.matched;
  if (number < active.fault.from_call) return false;
  return active.fault.times == 0 || number < active.fault.from_call + active.fault.times;
}

std::optional<Status> FaultInjectingFileSystem::Check(FsOp op, const std::string& path,
                                                      const std::string& second_path) {
  for (Hook& hook : hooks_) {
    if (hook.op != op) continue;
    const bool matches = PathContains(path, second_path, hook.path_contains);
    if (matches && ++hook.matched == hook.nth) hook.action();
  }
  calls_.push_back({op, path, second_path, false});
  std::optional<Status> failure;
  for (ActiveFault& active : faults_) {
    if (active.fault.op != op || active.fault.after_bytes.has_value()) continue;
    if (!MatchesPath(active.fault, path, second_path)) continue;
    // Every matching fault counts the call, even when an earlier one already fires.
    if (Fires(active) && !failure) failure = Injected(op, path, active.fault.error);
  }
  if (failure) {
    calls_.back().failed_by_injection = true;
    ++injected_failures_;
  }
  return failure;
}

std::optional<std::pair<uint64_t, Status>> FaultInjectingFileSystem::CheckAppend(
    const std::string& path, uint64_t written, uint64_t size) {
  for (const ActiveFault& active : faults_) {
    const Fault& fault = active.fault;
    if (fault.op != FsOp::kAppend || !fault.after_bytes.has_value()) continue;
    if (!MatchesPath(fault, path, "") || written + size <= *fault.after_bytes) continue;
    calls_.back().failed_by_injection = true;
    ++injected_failures_;
    const uint64_t room = written < *fault.after_bytes ? *fault.after_bytes - written : 0;
    return std::make_pair(room, Injected(FsOp::kAppend, path, fault.error));
  }
  return std::nullopt;
}

Result<FileInfo> FaultInjectingFileSystem::Stat(const std::string& path) {
  if (auto failure = Check(FsOp::kStat, path)) return *failure;
  return inner_.Stat(path);
}

Result<FileInfo> FaultInjectingFileSystem::LinkStat(const std::string& path) {
  if (auto failure = Check(FsOp::kLinkStat, path)) return *failure;
  return inner_.LinkStat(path);
}

Result<FileKind> FaultInjectingFileSystem::Lookup(const std::string& path) {
  if (auto failure = Check(FsOp::kLookup, path)) return *failure;
  return inner_.Lookup(path);
}

Result<std::string> FaultInjectingFileSystem::ReadFile(const std::string& path, FileInfo* info) {
  return ReadFilePaced(path, info, {});
}

Result<std::string> FaultInjectingFileSystem::ReadFilePaced(const std::string& path, FileInfo* info,
                                                            const ReadPacer& pacer) {
  if (auto failure = Check(FsOp::kReadFile, path)) return *failure;
  return inner_.ReadFilePaced(path, info, pacer);
}

Result<std::string> FaultInjectingFileSystem::ReadFileTail(const std::string& path,
                                                           size_t max_bytes, uint64_t* file_size) {
  if (auto failure = Check(FsOp::kReadFileTail, path)) return *failure;
  return inner_.ReadFileTail(path, max_bytes, file_size);
}

Result<std::vector<FolderEntry>> FaultInjectingFileSystem::ListFolder(const std::string& path) {
  if (auto failure = Check(FsOp::kListFolder, path)) return *failure;
  return inner_.ListFolder(path);
}

Result<bool> FaultInjectingFileSystem::HasSubfolder(const std::string& path) {
  if (auto failure = Check(FsOp::kHasSubfolder, path)) return *failure;
  return inner_.HasSubfolder(path);
}

Result<std::unique_ptr<WritableFile>> FaultInjectingFileSystem::NewWritableFile(
    const std::string& path, uint32_t mode) {
  if (auto failure = Check(FsOp::kNewWritableFile, path)) return *failure;
  auto file = inner_.NewWritableFile(path, mode);
  if (!file.ok()) return file.status();
  return std::unique_ptr<WritableFile>(
      std::make_unique<FaultInjectingWritableFile>(*this, std::move(file).value(), path));
}

Status FaultInjectingFileSystem::Rename(const std::string& from, const std::string& to) {
  if (auto failure = Check(FsOp::kRename, from, to)) return *failure;
  return inner_.Rename(from, to);
}

Status FaultInjectingFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (auto failure = Check(FsOp::kRenameNoReplace, from, to)) return *failure;
  return inner_.RenameNoReplace(from, to);
}

Status FaultInjectingFileSystem::Link(const std::string& existing, const std::string& new_path) {
  if (auto failure = Check(FsOp::kLink, existing, new_path)) return *failure;
  return inner_.Link(existing, new_path);
}

Status FaultInjectingFileSystem::Remove(const std::string& path) {
  if (auto failure = Check(FsOp::kRemove, path)) return *failure;
  return inner_.Remove(path);
}

Status FaultInjectingFileSystem::RemoveAbandoned(const std::string& path, bool wait) {
  if (auto failure = Check(FsOp::kRemoveAbandoned, path)) return *failure;
  return inner_.RemoveAbandoned(path, wait);
}

Status FaultInjectingFileSystem::SetFileTimes(const std::string& path,
                                              std::optional<FileTime> last_access,
                                              std::optional<FileTime> last_write) {
  if (auto failure = Check(FsOp::kSetFileTimes, path)) return *failure;
  return inner_.SetFileTimes(path, last_access, last_write);
}

Status FaultInjectingFileSystem::SyncFileSystem(const std::string& path) {
  if (auto failure = Check(FsOp::kSyncFileSystem, path)) return *failure;
  return inner_.SyncFileSystem(path);
}

Result<std::unique_ptr<HeldLock>> FaultInjectingFileSystem::Lock(const std::string& lock_path) {
  if (auto failure = Check(FsOp::kLock, lock_path)) return *failure;
  return inner_.Lock(lock_path);
}

Result<std::unique_ptr<ScratchFile>> FaultInjectingFileSystem::NewScratchFile() {
  if (auto failure = Check(FsOp::kNewScratchFile, "")) return *failure;
  auto file = inner_.NewScratchFile();
  if (!file.ok()) return file.status();
  return std::unique_ptr<ScratchFile>(
      std::make_unique<FaultInjectingScratchFile>(*this, std::move(file).value()));
}

Result<std::string> FaultInjectingFileSystem::ResolveSymlinks(const std::string& path) {
  if (auto failure = Check(FsOp::kResolveSymlinks, path)) return *failure;
  return inner_.ResolveSymlinks(path);
}

Result<std::string> FaultInjectingFileSystem::RealPath(const std::string& path) {
  if (auto failure = Check(FsOp::kResolveSymlinks, path)) return *failure;
  return inner_.RealPath(path);
}

}  // namespace zelvora::testing

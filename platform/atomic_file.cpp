#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "platform/paths.h"

namespace zelvora {
namespace {

constexpr std::string_view kTemporaryPrefix = ".zelvora-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kSetAsideSuffix = ".old";
constexpr size_t kHashDigits = 16;
// A temporary name that is still taken after this many turns (other runs keep writing the
// same file) is reported as in use.
constexpr int kCreateAttempts = 8;

// FNV-1a: short, stable across runs and machines.
uint64_t NameHash(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::string HashedNameFor(std::string_view path, std::string_view suffix) {
  char digits[kHashDigits + 1];
  std::snprintf(digits, sizeof digits, "%016llx",
                static_cast<unsigned long long>(NameHash(NamePart(path))));
  std::string name(FolderPart(path));
  name += kTemporaryPrefix;
  name += digits;
  name += suffix;
  return name;
}

bool HasHashedForm(std::string_view name, std::string_view suffix) {
  if (name.size() != kTemporaryPrefix.size() + kHashDigits + suffix.size()) return false;
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(suffix)) return false;
  for (const char c : name.substr(kTemporaryPrefix.size(), kHashDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

std::string TemporaryNameFor(std::string_view path) {
  return HashedNameFor(path, kTemporarySuffix);
}

std::string SetAsideNameFor(std::string_view path) { return HashedNameFor(path, kSetAsideSuffix); }

bool IsTemporaryName(std::string_view name) {
  return HasHashedForm(name, kTemporarySuffix) || HasHashedForm(name, kSetAsideSuffix);
}

bool IsSweepableName(std::string_view name) { return HasHashedForm(name, kTemporarySuffix); }

Result<PendingFile> PendingFile::Create(FileSystem& fs, std::string_view target, uint32_t mode,
                                        bool* waited) {
  std::string temporary = TemporaryNameFor(target);
  if (waited != nullptr) *waited = false;
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    auto file = fs.NewWritableFile(temporary, mode);
    if (file.ok()) {
      return PendingFile(fs, std::string(target), std::move(temporary), std::move(file).value());
    }
    if (file.status().code() != EEXIST) return file.status();
    // Left behind by an interrupted run (removed), or being written by another run (waited
    // for until that run has put it in place).
    if (waited != nullptr) *waited = true;
    const Status cleared = fs.RemoveAbandoned(temporary, /*wait=*/true);
    if (!cleared.ok() && !IsNotFound(cleared)) return cleared;
  }
  return Status::Error("create " + temporary + ": in use by other runs", EBUSY);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : fs_(other.fs_),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      file_(std::move(other.file_)),
      committed_(other.committed_) {}

PendingFile::~PendingFile() { Discard(); }

Status PendingFile::Write(std::string_view contents, const FileInfo* like, bool sync) {
  Status status = file_->Append(contents);
  if (status.ok() && like != nullptr) status = file_->CopyPermissions(*like);
  if (status.ok() && sync) status = file_->Sync();
  return status;
}

Status PendingFile::SetTimes(std::optional<FileTime> last_access,
                             std::optional<FileTime> last_write, std::optional<FileTime> created) {
  return file_->SetTimes(last_access, last_write, created);
}

Status PendingFile::Commit(bool replace) {
  // The file stays open, and so locked, until it has its new name: until then no other run
  // may take it for a left-over file.
  const Status renamed =
      replace ? fs_->Rename(temporary_, target_) : fs_->RenameNoReplace(temporary_, target_);
  if (!renamed.ok()) {
    Discard();
    return renamed;
  }
  committed_ = true;
  const Status closed = file_->Close();
  file_.reset();
  return closed;
}

void PendingFile::Discard() {
  if (file_ == nullptr) return;
  // Removed while still locked, so no other run can meanwhile take the name.
  if (!committed_) (void)fs_->Remove(temporary_);
  (void)file_->Close();
  file_.reset();
}

Status ReplaceFileAtomically(FileSystem& fs, std::string_view path, std::string_view contents,
                             const FileInfo* like, bool sync) {
  auto pending = PendingFile::Create(fs, path, like != nullptr ? (like->mode & 0777) : 0600);
  if (!pending.ok()) return pending.status();
  PendingFile file = std::move(pending).value();
  const Status written = file.Write(contents, like, sync);
  if (!written.ok()) return written;  // the destructor removes the temporary file
  return file.Commit();
}

}  // namespace zelvora

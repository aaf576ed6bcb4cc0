#include "platform/registry_file.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_folders.h"

namespace zelvora {
namespace {

// A store larger than this is refused rather than read into memory; no real store comes near.
constexpr uint64_t kMaxStoreBytes = 64 * 1024 * 1024;
constexpr int kMaxDamagedCopies = 100;

Status Failure(std::string_view what, const Status& cause) {
  return Status::Error(std::string(what) + ": " + cause.message(), cause.code());
}

// The whole file, or nullopt when it does not exist. A folder, a named pipe or a device in the
// store's place is refused as not a regular file, naming what it is, without waiting for a
// writer.
Result<std::optional<std::string>> ReadStoreFile(FileSystem& fs, const std::string& path) {
  const auto info = fs.Stat(path);
  if (!info.ok()) {
    if (IsNotFound(info.status()) && info.status().code() == ENOENT) {
      return std::optional<std::string>();
    }
    return Failure("cannot open the settings store", info.status());
  }
  if (info->size > kMaxStoreBytes) {
    return Status::Error("settings store too large: " + path, EFBIG);
  }
  auto content = fs.ReadFile(path);
  if (!content.ok()) {
    const int code = content.status().code();
    if (code == ENOENT) return std::optional<std::string>();
    // A folder, a named pipe or a device in the store's place: the read says which.
    if (code == EISDIR || code == EINVAL) return content.status();
    return Failure("cannot read the settings store", content.status());
  }
  return std::optional<std::string>(std::move(content).value());
}

// Copies the damaged store's `original` bytes to "<target>.damaged", or to the first free
// "<target>.damaged.N" when an earlier copy with other content is there, and returns the
// copy's name; an earlier copy with the same content is taken as it is.
Result<std::string> KeepDamagedCopy(FileSystem& fs, const std::string& target,
                                    std::string_view original) {
  for (int n = 0; n < kMaxDamagedCopies; ++n) {
    const std::string name = target + ".damaged" + (n == 0 ? "" : "." + std::to_string(n));
    const auto existing = ReadStoreFile(fs, name);
    if (existing.ok() && existing->has_value() && **existing == original) return name;
    auto file = fs.NewWritableFile(name, 0600);
    if (!file.ok()) {
      if (file.status().code() == EEXIST) continue;
      return Failure("cannot keep a copy of the damaged settings store as " + name, file.status());
    }
    Status written = (*file)->Append(original);
    if (written.ok()) written = (*file)->Sync();
    const Status closed = (*file)->Close();
    if (written.ok()) written = closed;
    if (!written.ok()) {
      (void)fs.Remove(name);
      return written;
    }
    return name;
  }
  return Status::Error("no free name for a copy of the damaged settings store " + target, EEXIST);
}

// Replaces `target` with `content` through a flushed temporary file and one rename, keeping
// the permission bits of the file it replaces.
Status ReplaceStoreFile(FileSystem& fs, const std::string& target, std::string_view content) {
  const auto previous = fs.Stat(target);
  const Status replaced =
      ReplaceFileAtomically(fs, target, content, previous.ok() ? &*previous : nullptr, true);
  if (!replaced.ok()) return Failure("cannot replace " + target, replaced);
  return Status::Ok();
}

Status CheckStorePath(const std::string& file_path) {
  if (file_path.empty()) return Status::Error("no settings store: no home folder is known", ENOENT);
  return Status::Ok();
}

}  // namespace

Result<RegistryDocument> ReadRegistryFile(const std::string& file_path) {
  const Status usable = CheckStorePath(file_path);
  if (!usable.ok()) return usable;
  FileSystem& fs = RealFileSystem();
  // Where the lock file cannot be made (a missing or read-only folder), the file is read
  // without the lock, which is still safe because a change replaces the file in one rename.
  const auto lock = fs.Lock(file_path + ".lock");
  auto content = ReadStoreFile(fs, file_path);
  if (!content.ok()) return content.status();
  return ParseRegistryText(content->value_or(""));
}

Status ChangeRegistryFile(const std::string& file_path,
                          const std::function<Result<bool>(RegistryDocument&)>& change) {
  Status status = CheckStorePath(file_path);
  const std::string folder(FolderPart(file_path));
  if (status.ok() && !folder.empty()) status = CreateFolders(folder);
  if (!status.ok()) return status;
  FileSystem& fs = RealFileSystem();
  const auto lock = fs.Lock(file_path + ".lock");
  if (!lock.ok()) return lock.status();
  // A store that is a symbolic link stays one: the file it points at is replaced.
  const auto resolved = fs.ResolveSymlinks(file_path);
  const std::string target = resolved.ok() ? *resolved : file_path;
  const auto content = ReadStoreFile(fs, target);
  if (!content.ok()) return content.status();
  const std::string original = content->value_or("");
  RegistryDocument document = ParseRegistryText(original);
  const auto changed = change(document);
  if (!changed.ok()) return changed.status();
  if (!*changed) return Status::Ok();
  if (document.unreadable_lines > 0) {
    const auto copy = KeepDamagedCopy(fs, target, original);
    if (!copy.ok()) return copy.status();
  }
  return ReplaceStoreFile(fs, target, StoreFileBytes(FormatRegistryText(document)));
}

Result<std::string> KeepCopyOfStoreFile(const std::string& file_path) {
  const Status usable = CheckStorePath(file_path);
  if (!usable.ok()) return usable;
  FileSystem& fs = RealFileSystem();
  const auto lock = fs.Lock(file_path + ".lock");
  const auto resolved = fs.ResolveSymlinks(file_path);
  const std::string target = resolved.ok() ? *resolved : file_path;
  const auto content = ReadStoreFile(fs, target);
  if (!content.ok()) return content.status();
  if (!content->has_value()) {
    return Status::Error("no settings store at " + file_path, ENOENT);
  }
  return KeepDamagedCopy(fs, target, **content);
}

}  // namespace zelvora

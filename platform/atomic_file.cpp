#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/paths.h"

namespace zelvora {
namespace {

constexpr std::string_view kTemporaryPrefix = ".zelvora-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr size_t kHashDigits = 16;

// FNV-1a: short, stable across runs and machines.
uint64_t NameHash(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

Status WriteAndClose(WritableFile& file, std::string_view contents, const FileInfo* like,
                     bool sync) {
  Status status = file.Append(contents);
  if (status.ok() && like != nullptr) status = file.CopyPermissions(*like);
  if (status.ok() && sync) status = file.Sync();
  const Status closed = file.Close();
  return status.ok() ? closed : status;
}

}  // namespace

std::string TemporaryNameFor(std::string_view path) {
  char digits[kHashDigits + 1];
  std::snprintf(digits, sizeof digits, "%016llx",
                static_cast<unsigned long long>(NameHash(NamePart(path))));
  std::string name(FolderPart(path));
  name += kTemporaryPrefix;
  name += digits;
  name += kTemporarySuffix;
  return name;
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() != kTemporaryPrefix.size() + kHashDigits + kTemporarySuffix.size()) return false;
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
  for (const char c : name.substr(kTemporaryPrefix.size(), kHashDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

Result<std::string> WriteTemporaryFile(FileSystem& fs, std::string_view path,
                                       std::string_view contents, const FileInfo* like, bool sync) {
  const std::string temporary = TemporaryNameFor(path);
  auto file = fs.NewWritableFile(temporary);
  if (!file.ok() && file.status().code() == EEXIST) {
    (void)fs.Remove(temporary);  // left behind by an interrupted run
    file = fs.NewWritableFile(temporary);
  }
  if (!file.ok()) return file.status();
  const Status written = WriteAndClose(**file, contents, like, sync);
  if (!written.ok()) {
    (void)fs.Remove(temporary);
    return written;
  }
  return temporary;
}

Status ReplaceFileAtomically(FileSystem& fs, std::string_view path, std::string_view contents,
                             const FileInfo* like, bool sync) {
  auto temporary = WriteTemporaryFile(fs, path, contents, like, sync);
  if (!temporary.ok()) return temporary.status();
  Status renamed = fs.Rename(*temporary, std::string(path));
  if (!renamed.ok()) (void)fs.Remove(*temporary);
  return renamed;
}

}  // namespace zelvora

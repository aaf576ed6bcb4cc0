#include "platform/registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

#include "platform/encoding.h"
#include "platform/registry_format.h"

namespace zelvora {
namespace {

// A store larger than this is refused rather than read into memory; no real store comes near.
constexpr off_t kMaxStoreBytes = 64 * 1024 * 1024;
constexpr int kMaxDamagedCopies = 100;
constexpr int kMaxSymlinkHops = 40;

Status SystemFailure(std::string_view what, const std::string& path, int error) {
  return Status::Error(std::string(what) + " " + path + ": " + std::strerror(error), error);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports a failure, which may mean written data did not reach the file.
  int Close() { return ::close(std::exchange(fd_, -1)); }

 private:
  int fd_;
};

FileDescriptor OpenFile(const std::string& path, int flags, mode_t mode = 0600) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return FileDescriptor(fd);
}

// Holds the advisory lock `operation` (LOCK_SH or LOCK_EX) on `lock_path` until destroyed.
Result<FileDescriptor> LockFile(const std::string& lock_path, int operation) {
  FileDescriptor fd = OpenFile(lock_path, O_RDWR | O_CREAT);
  if (!fd.valid()) return SystemFailure("cannot open the lock file", lock_path, errno);
  while (::flock(fd.get(), operation) != 0) {
    if (errno != EINTR) return SystemFailure("cannot lock", lock_path, errno);
  }
  return fd;
}

// The file that a change replaces: where a chain of symbolic links at `path` ends, so that a
// linked store stays linked; `path` itself when it is no link.
std::string ReplaceTarget(std::string path) {
  namespace fs = std::filesystem;
  for (int hop = 0; hop < kMaxSymlinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;
    path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
  }
  return path;
}

// The whole file, or nullopt when it does not exist.
Result<std::optional<std::string>> ReadStoreFile(const std::string& path) {
  FileDescriptor fd = OpenFile(path, O_RDONLY);
  if (!fd.valid()) {
    if (errno == ENOENT) return std::optional<std::string>();
    return SystemFailure("cannot open the settings store", path, errno);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return SystemFailure("cannot read", path, errno);
  if (!S_ISREG(info.st_mode)) return SystemFailure("not a regular file:", path, EISDIR);
  if (info.st_size > kMaxStoreBytes) return SystemFailure("settings store too large:", path, EFBIG);
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return SystemFailure("cannot read", path, errno);
    }
    content.append(buffer, static_cast<size_t>(count));
    if (content.size() > static_cast<size_t>(kMaxStoreBytes)) {
      return SystemFailure("settings store too large:", path, EFBIG);
    }
  }
  return std::optional<std::string>(std::move(content));
}

Status WriteAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    const ssize_t count = ::write(fd, data.data(), data.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return SystemFailure("cannot write", path, errno);
    }
    data.remove_prefix(static_cast<size_t>(count));
  }
  return Status::Ok();
}

// Writes `content` to the open, new file `fd` at `path`, flushes it to disk and closes it.
Status FillAndClose(FileDescriptor& fd, std::string_view content, const std::string& path) {
  Status status = WriteAll(fd.get(), content, path);
  if (status.ok() && ::fsync(fd.get()) != 0) status = SystemFailure("cannot flush", path, errno);
  if (fd.Close() != 0 && status.ok()) status = SystemFailure("cannot close", path, errno);
  return status;
}

// Copies the damaged store's `original` bytes to "<target>.damaged", or to the first free
// "<target>.damaged.N" when an earlier copy with other content is there.
Status KeepDamagedCopy(const std::string& target, std::string_view original) {
  for (int n = 0; n < kMaxDamagedCopies; ++n) {
    const std::string name = target + ".damaged" + (n == 0 ? "" : "." + std::to_string(n));
    const auto existing = ReadStoreFile(name);
    if (existing.ok() && existing->has_value() && **existing == original) return Status::Ok();
    FileDescriptor fd = OpenFile(name, O_WRONLY | O_CREAT | O_EXCL);
    if (!fd.valid()) {
      if (errno == EEXIST) continue;
      return SystemFailure("cannot keep a copy of the damaged settings store as", name, errno);
    }
    const Status written = FillAndClose(fd, original, name);
    if (!written.ok()) ::unlink(name.c_str());
    return written;
  }
  return SystemFailure("no free name for a copy of the damaged settings store", target, EEXIST);
}

// Replaces `target` with `content` through a flushed temporary file and one rename, keeping
// the permission bits of the file it replaces.
Status ReplaceStoreFile(const std::string& target, std::string_view content) {
  const std::string temporary = target + ".tmp";
  struct stat old_info {};
  const mode_t mode = ::stat(target.c_str(), &old_info) == 0 ? old_info.st_mode & 07777 : 0600;
  FileDescriptor fd = OpenFile(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
  if (!fd.valid()) return SystemFailure("cannot create", temporary, errno);
  Status status = Status::Ok();
  if (::fchmod(fd.get(), mode) != 0)
    status = SystemFailure("cannot set the mode of", temporary, errno);
  if (status.ok()) status = FillAndClose(fd, content, temporary);
  if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) {
    status = SystemFailure("cannot replace", target, errno);
  }
  if (!status.ok()) {
    ::unlink(temporary.c_str());
    return status;
  }
  // Makes the rename itself durable; the new content is already in place either way.
  const std::string folder = std::filesystem::path(target).parent_path().string();
  FileDescriptor folder_fd = OpenFile(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
  if (folder_fd.valid()) ::fsync(folder_fd.get());
  return Status::Ok();
}

Status CreateParentFolder(const std::string& file_path) {
  const std::filesystem::path folder = std::filesystem::path(file_path).parent_path();
  if (folder.empty()) return Status::Ok();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return SystemFailure("cannot create the folder", folder.string(), error.value());
  return Status::Ok();
}

Status CheckStorePath(const std::string& file_path) {
  if (file_path.empty()) return Status::Error("no settings store: no home folder is known", ENOENT);
  return Status::Ok();
}

// The store's content. The shared lock keeps a change from starting while the file is read;
// where the lock file cannot be made (a missing or read-only folder), the file is read
// without it, which is still safe because a change replaces the file in one rename.
Result<RegistryDocument> ReadStore(const std::string& file_path) {
  const Status usable = CheckStorePath(file_path);
  if (!usable.ok()) return usable;
  const auto lock = LockFile(file_path + ".lock", LOCK_SH);
  auto content = ReadStoreFile(file_path);
  if (!content.ok()) return content.status();
  return ParseRegistryText(content->value_or(""));
}

// One read-modify-write under the exclusive lock; see RegistryStore. `change` returns whether
// it changed the document; only then is the file written.
Status ChangeStore(const std::string& file_path,
                   const std::function<Result<bool>(RegistryDocument&)>& change) {
  Status status = CheckStorePath(file_path);
  if (status.ok()) status = CreateParentFolder(file_path);
  if (!status.ok()) return status;
  const auto lock = LockFile(file_path + ".lock", LOCK_EX);
  if (!lock.ok()) return lock.status();
  const std::string target = ReplaceTarget(file_path);
  const auto content = ReadStoreFile(target);
  if (!content.ok()) return content.status();
  const std::string original = content->value_or("");
  RegistryDocument document = ParseRegistryText(original);
  const auto changed = change(document);
  if (!changed.ok()) return changed.status();
  if (!*changed) return Status::Ok();
  if (document.unreadable_lines > 0) {
    status = KeepDamagedCopy(target, original);
    if (!status.ok()) return status;
  }
  return ReplaceStoreFile(target, FormatRegistryText(document));
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

// The key path in the document's form: without the leading and trailing "\".
Result<std::string> NormalizeKeyPath(std::string_view key_path) {
  std::string_view path = key_path;
  if (path.starts_with('\\')) path.remove_prefix(1);
  if (path.ends_with('\\')) path.remove_suffix(1);
  if (path.starts_with('\\') || path.ends_with('\\') ||
      path.find("\\\\") != std::string_view::npos || HasControlCharacter(path)) {
    return Status::Error("invalid registry key path \"" + std::string(key_path) + "\"", EINVAL);
  }
  return std::string(path);
}

Status CheckValueName(std::string_view name) {
  if (!HasControlCharacter(name)) return Status::Ok();
  return Status::Error("invalid registry value name \"" + std::string(name) + "\"", EINVAL);
}

Status MissingValue(std::string_view key, std::string_view name) {
  return Status::Error("registry value \"" + std::string(name) + "\" of key \\" + std::string(key) +
                           " does not exist",
                       ENOENT);
}

Status WrongType(std::string_view key, std::string_view name, std::string_view wanted) {
  return Status::Error("registry value \"" + std::string(name) + "\" of key \\" + std::string(key) +
                           " is not " + std::string(wanted),
                       kRegistryWrongType);
}

// The value `name` of `key_path` as the store holds it now.
Result<RegistryValue> LookUp(const std::string& file_path, std::string_view key_path,
                             std::string_view name) {
  auto key = NormalizeKeyPath(key_path);
  if (!key.ok()) return key.status();
  auto document = ReadStore(file_path);
  if (!document.ok()) return document.status();
  RegistryKeyData* section = document.value().FindKey(*key);
  RegistryValue* value = section != nullptr ? section->FindValue(name) : nullptr;
  if (value == nullptr) return MissingValue(*key, name);
  return std::move(*value);
}

// Text stored as UTF-16LE (hex(1) and hex(2) data), cut at its first NUL character.
Result<std::string> DecodeUtf16Text(std::string bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
      bytes.resize(i);
      break;
    }
  }
  auto text = bytes.size() % 2 == 0 ? ConvertText(bytes, "UTF-16LE", kUtf8)
                                    : Result<std::string>(Status::Error("odd length"));
  if (!text.ok())
    return Status::Error("undecodable UTF-16 text: " + text.status().message(), EILSEQ);
  return text;
}

// Writes `value` into `key_path` under the exclusive lock, unless it is already there.
Status StoreValue(const std::string& file_path, std::string_view key_path, RegistryValue value) {
  auto key = NormalizeKeyPath(key_path);
  if (!key.ok()) return key.status();
  const Status name_ok = CheckValueName(value.name);
  if (!name_ok.ok()) return name_ok;
  return ChangeStore(file_path, [&](RegistryDocument& document) -> Result<bool> {
    RegistryKeyData& section = document.ObtainKey(*key);
    RegistryValue* existing = section.FindValue(value.name);
    if (existing == nullptr) {
      section.values.push_back(std::move(value));
      return true;
    }
    if (existing->form == value.form && existing->text == value.text &&
        existing->number == value.number) {
      return false;
    }
    value.name = existing->name;  // an overwritten value keeps its spelling
    *existing = std::move(value);
    return true;
  });
}

}  // namespace

bool IsMissingValue(const Status& status) { return !status.ok() && status.code() == ENOENT; }

bool IsWrongType(const Status& status) {
  return !status.ok() && status.code() == kRegistryWrongType;
}

std::string DefaultRegistryPath() {
  const char* configured = std::getenv("ZELVORA_REGISTRY");
  if (configured != nullptr && *configured != '\0') return configured;
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else if (home != nullptr && *home != '\0') {
    config = std::string(home) + "/.config";
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
    config = std::string(user->pw_dir) + "/.config";
  } else {
    return "";
  }
  return config + "/MORVID/registry.reg";
}

RegistryStore::RegistryStore() : RegistryStore(DefaultRegistryPath()) {}

RegistryStore::RegistryStore(std::string file_path) : file_path_(std::move(file_path)) {}

Status RegistryStore::OpenKey(std::string_view key_path, bool create) {
  auto key = NormalizeKeyPath(key_path);
  if (!key.ok()) return key.status();
  auto document = ReadStore(file_path_);
  if (!document.ok()) return document.status();
  if (document->KeyExists(*key)) return Status::Ok();
  if (!create) return Status::Error("registry key \\" + *key + " does not exist", ENOENT);
  return ChangeStore(file_path_, [&](RegistryDocument& current) -> Result<bool> {
    if (current.KeyExists(*key)) return false;
    current.ObtainKey(*key);
    return true;
  });
}

Status RegistryStore::DeleteKey(std::string_view key_path) {
  auto key = NormalizeKeyPath(key_path);
  if (!key.ok()) return key.status();
  if (key->empty()) return Status::Error("HKEY_CURRENT_USER itself cannot be deleted", EINVAL);
  return ChangeStore(file_path_, [&](RegistryDocument& document) -> Result<bool> {
    if (!document.RemoveKeyTree(*key)) {
      return Status::Error("registry key \\" + *key + " does not exist", ENOENT);
    }
    return true;
  });
}

Result<bool> RegistryStore::ValueExists(std::string_view key_path, std::string_view name) {
  const auto value = LookUp(file_path_, key_path, name);
  if (IsMissingValue(value.status())) return false;
  if (!value.ok()) return value.status();
  return true;
}

Result<int32_t> RegistryStore::ReadInteger(std::string_view key_path, std::string_view name) {
  const auto value = LookUp(file_path_, key_path, name);
  if (!value.ok()) return value.status();
  if (value->form == RegistryValue::Form::kDword) return static_cast<int32_t>(value->number);
  if (value->form == RegistryValue::Form::kVerbatim) {
    const auto data = DecodeHexData(value->text);
    if (data && data->type == kRegDword && data->bytes.size() == 4) {
      uint32_t number = 0;
      for (int i = 3; i >= 0; --i)
        number = number << 8 | static_cast<unsigned char>(data->bytes[i]);
      return static_cast<int32_t>(number);
    }
  }
  return WrongType(key_path, name, "a number");
}

Result<std::string> RegistryStore::ReadString(std::string_view key_path, std::string_view name) {
  auto value = LookUp(file_path_, key_path, name);
  if (!value.ok()) return value.status();
  if (value->form == RegistryValue::Form::kString) return std::move(value.value().text);
  if (value->form == RegistryValue::Form::kVerbatim) {
    auto data = DecodeHexData(value->text);
    if (data && (data->type == kRegSz || data->type == kRegExpandSz)) {
      return DecodeUtf16Text(std::move(data->bytes));
    }
  }
  return WrongType(key_path, name, "a string");
}

Status RegistryStore::WriteInteger(std::string_view key_path, std::string_view name,
                                   int32_t value) {
  RegistryValue stored;
  stored.name = std::string(name);
  stored.form = RegistryValue::Form::kDword;
  stored.number = static_cast<uint32_t>(value);
  return StoreValue(file_path_, key_path, std::move(stored));
}

Status RegistryStore::WriteString(std::string_view key_path, std::string_view name,
                                  std::string_view text) {
  if (text.find('\0') != std::string_view::npos) {
    return Status::Error("a registry string cannot hold a NUL character", EINVAL);
  }
  RegistryValue stored;
  stored.name = std::string(name);
  stored.text = std::string(text);
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    // A quoted string cannot span lines; the registry editor's hex(1) form can hold it.
    auto utf16 = ConvertText(text, kUtf8, "UTF-16LE");
    if (!utf16.ok()) return Status::Error("text with line breaks is not UTF-8", EILSEQ);
    stored.form = RegistryValue::Form::kVerbatim;
    stored.text = EncodeHexData(kRegSz, *utf16 + std::string(2, '\0'));
  }
  return StoreValue(file_path_, key_path, std::move(stored));
}

Status RegistryStore::DeleteValue(std::string_view key_path, std::string_view name) {
  auto key = NormalizeKeyPath(key_path);
  if (!key.ok()) return key.status();
  return ChangeStore(file_path_, [&](RegistryDocument& document) -> Result<bool> {
    RegistryKeyData* section = document.FindKey(*key);
    const auto erased = section == nullptr ? 0 : std::erase_if(section->values, [&](const auto& v) {
      return SameRegistryName(v.name, name);
    });
    if (erased == 0) return MissingValue(*key, name);
    return true;
  });
}

Result<RegistryKey> RegistryKey::Open(RegistryStore& store, std::string_view key_path,
                                      bool create) {
  const Status opened = store.OpenKey(key_path, create);
  if (!opened.ok()) return opened;
  return RegistryKey(store, std::string(key_path));
}

Result<bool> RegistryKey::ValueExists(std::string_view name) const {
  return store_->ValueExists(path_, name);
}

Result<int32_t> RegistryKey::ReadInteger(std::string_view name) const {
  return store_->ReadInteger(path_, name);
}

Result<std::string> RegistryKey::ReadString(std::string_view name) const {
  return store_->ReadString(path_, name);
}

Status RegistryKey::WriteInteger(std::string_view name, int32_t value) const {
  return store_->WriteInteger(path_, name, value);
}

Status RegistryKey::WriteString(std::string_view name, std::string_view text) const {
  return store_->WriteString(path_, name, text);
}

Status RegistryKey::DeleteValue(std::string_view name) const {
  return store_->DeleteValue(path_, name);
}

}  // namespace zelvora

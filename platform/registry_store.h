// The per-user settings store: on Windows the registry itself (HKEY_CURRENT_USER); elsewhere,
// and on Windows when ZELVORA_REGISTRY names a file (portable use, tests), a stand-in for it.
//
// The stand-in is one UTF-8 file in the registry export format (platform/registry_format.h):
// ZELVORA_REGISTRY when set, else ${XDG_CONFIG_HOME:-~/.config}/MORVID/registry.reg. A file that
// the registry editor exported loads, and the file imports into the registry.
//
// Every operation reads the file anew, so several processes see each other's changes as they
// would in the registry; a Batch groups many operations into one reading and one change. A read
// takes the lock of the companion file "<store>.lock" (FileSystem::Lock) for its moment; a
// change takes it, reads the whole file, changes it, writes a temporary file beside it, flushes
// it to disk and renames it over the store, so two processes changing different values never
// lose either, and the store is never seen half written. A store file whose target is a
// symbolic link is replaced where the link points.
//
// A damaged file keeps its readable parts: reads see the values of every readable key. The
// first change that would drop unreadable lines first copies the file to "<store>.damaged"
// (or "<store>.damaged.N" when an earlier, different copy exists); when that copy cannot be
// made, the change fails and the file stays as it is.
//
// Key paths are given as the program composes them, "\Software\MORVID\Zelvora\ExitState",
// below HKEY_CURRENT_USER; a leading and a trailing "\" are optional and "" or "\" is
// HKEY_CURRENT_USER itself. Key and value names are compared with ASCII letters folded, and
// keep the spelling they were created with. Empty path components and control characters in
// key or value names are invalid (EINVAL).
//
// Failures are returned, never shown: a missing key or value fails with code ENOENT
// (IsMissingValue), a value of another type with kRegistryWrongType (IsWrongType), file
// problems with their errno value.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_format.h"
#include "platform/status.h"

namespace zelvora {

// Status code of a read that found a value of another type than asked for.
inline constexpr int kRegistryWrongType = ENOMSG;

// `key_path` as the store keeps it: without its leading and trailing "\". Fails with EINVAL
// for an empty step ("a\\b") or a control character.
Result<std::string> NormalizeRegistryKeyPath(std::string_view key_path);

// Fails with EINVAL for a value name with a control character.
Status CheckRegistryValueName(std::string_view name);

// True when `status` failed because the key or value does not exist.
bool IsMissingValue(const Status& status);
// True when `status` failed because the value exists with another type.
bool IsWrongType(const Status& status);

// ZELVORA_REGISTRY when set and not empty; else registry.reg in the folder MORVID of
// XDG_CONFIG_HOME (when set and absolute) or of ~/.config. Empty when no home folder is known,
// and on Windows when ZELVORA_REGISTRY is not set (the registry itself is the store).
std::string DefaultRegistryPath();

// The key below HKEY_CURRENT_USER that holds everything the program stores there.
inline constexpr char kUserSettingsKey[] = "\\Software\\MORVID\\Zelvora";

class RegistryStore;

// The user's settings store: the file at DefaultRegistryPath(), or on Windows without
// ZELVORA_REGISTRY the registry. `read_only` gives a store that never changes anything (as
// ReadOnlyRegistryStore). Never null; a file store without a path fails every operation.
std::unique_ptr<RegistryStore> OpenUserSettingsStore(bool read_only);

// The user's settings store as people are told of it: the file's path, or
// "HKEY_CURRENT_USER\Software\MORVID\Zelvora" for the registry; empty when there is none (no
// home folder is known).
std::string UserSettingsStoreName();

// The operations are virtual so that a test can wrap a store and make any one of them fail.
class RegistryStore {
 public:
  // The store at DefaultRegistryPath(), taken when the store is made.
  RegistryStore();
  // The store in the file `file_path`; nothing is read or created yet.
  explicit RegistryStore(std::string file_path);
  virtual ~RegistryStore();

  const std::string& file_path() const { return file_path_; }

  // Keeps a copy of the store's file as it is now, as the first change that drops unreadable
  // lines does ("<store>.damaged", or "<store>.damaged.N"), and returns the copy's path: for
  // a store that could not be loaded, before the program writes its defaults over it. Fails
  // when there is no file or no copy can be made.
  Result<std::string> KeepCopy() const;

  // Whether the store holds anything yet: the file exists, or the program's key does.
  virtual bool Exists();

  // Succeeds when `key_path` exists. When it does not: with `create`, creates it (its parents
  // are implied); without, fails with ENOENT.
  virtual Status OpenKey(std::string_view key_path, bool create);
  // Deletes the key with every key and value below it; fails with ENOENT when it does not
  // exist and with EINVAL for HKEY_CURRENT_USER itself.
  virtual Status DeleteKey(std::string_view key_path);

  // Whether the value exists (of any type); fails only when the store cannot be read.
  virtual Result<bool> ValueExists(std::string_view key_path, std::string_view name);
  // A 32-bit number (REG_DWORD, also in its hex(4) form), its bits taken as signed.
  virtual Result<int32_t> ReadInteger(std::string_view key_path, std::string_view name);
  // A string: REG_SZ or REG_EXPAND_SZ (the latter unexpanded), cut at its first NUL.
  // Fails with EILSEQ when the stored UTF-16 data cannot be decoded.
  virtual Result<std::string> ReadString(std::string_view key_path, std::string_view name);

  // Writes a REG_DWORD, replacing any value of that name; creates the key when missing.
  virtual Status WriteInteger(std::string_view key_path, std::string_view name, int32_t value);
  // Writes a REG_SZ, replacing any value of that name; creates the key when missing. A text
  // with line breaks is stored in hex(1) form (UTF-16LE), which needs valid UTF-8 (EILSEQ
  // otherwise). A text holding a NUL byte fails with EINVAL.
  virtual Status WriteString(std::string_view key_path, std::string_view name,
                             std::string_view text);
  // Deletes the value; fails with ENOENT when it does not exist.
  virtual Status DeleteValue(std::string_view key_path, std::string_view name);

  // Many operations done with one reading of the file and at most one change of it, for
  // loading or saving a whole record (a list of 2,000 entries would otherwise read and parse
  // the file 4,000 times). While a Batch lives, every read is answered from one reading of
  // the file, and every change is applied to that reading and remembered; Commit() writes
  // them in one locked read-modify-write, applied to the file as it is then, so that values
  // another process wrote meanwhile survive. Changes not committed are dropped when the
  // Batch ends. A Batch made while another one is open joins it: the outer one reads and
  // writes for both. A store without a file (the registry) has no batches: each operation
  // goes to the registry at once, and Commit() has nothing left to do.
  class Batch {
   public:
    explicit Batch(RegistryStore& store);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Writes the changes made since the batch began (nothing when there are none).
    Status Commit();

   private:
    RegistryStore& store_;
    bool owner_;
  };

 private:
  using Change = std::function<Result<bool>(RegistryDocument&)>;
  struct BatchState;

  // The value `name` of `key_path` as the store holds it now: in the batch's reading, or in
  // the file read anew.
  Result<RegistryValue> LookUp(std::string_view key_path, std::string_view name);
  // Applies `change` to the batch's reading (remembering it), or to the file at once.
  Status ApplyChange(const Change& change);
  Status StoreValue(std::string_view key_path, RegistryValue value);

  std::string file_path_;
  std::unique_ptr<BatchState> batch_;
};

// A view of a store that never changes it, for readers that must leave the file as it is (the
// command-line front end): a missing key opens as an empty one instead of being created, and
// every change fails with EROFS.
class ReadOnlyRegistryStore : public RegistryStore {
 public:
  using RegistryStore::RegistryStore;

  Status OpenKey(std::string_view key_path, bool create) override;
  Status DeleteKey(std::string_view key_path) override;
  Status WriteInteger(std::string_view key_path, std::string_view name, int32_t value) override;
  Status WriteString(std::string_view key_path, std::string_view name,
                     std::string_view text) override;
  Status DeleteValue(std::string_view key_path, std::string_view name) override;
};

// An open key: a store and a key path. Each call is one operation of the store; the store
// must outlive the handle. Copying a handle is cheap and refers to the same key.
class RegistryKey {
 public:
  // Opens (`create`: or creates) `key_path` in `store`, as RegistryStore::OpenKey.
  static Result<RegistryKey> Open(RegistryStore& store, std::string_view key_path, bool create);

  const std::string& path() const { return path_; }

  Result<bool> ValueExists(std::string_view name) const;
  Result<int32_t> ReadInteger(std::string_view name) const;
  Result<std::string> ReadString(std::string_view name) const;
  Status WriteInteger(std::string_view name, int32_t value) const;
  Status WriteString(std::string_view name, std::string_view text) const;
  Status DeleteValue(std::string_view name) const;

 private:
  RegistryKey(RegistryStore& store, std::string path) : store_(&store), path_(std::move(path)) {}

  RegistryStore* store_;
  std::string path_;
};

}  // namespace zelvora

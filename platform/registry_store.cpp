#include "platform/registry_store.h"

#include <utility>

#include "platform/encoding.h"
#include "platform/file_system.h"
#include "platform/registry_file.h"
#include "platform/registry_format.h"

namespace zelvora {
namespace {

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

Status MissingValue(std::string_view key, std::string_view name) {
  return Status::Error("registry value \"" + std::string(name) + "\" of key \\" + std::string(key) +
                           " does not exist",
                       ENOENT);
}

Status WrongType(std::string_view key, std::string_view name, std::string_view wanted) {
  if (key.starts_with('\\')) key.remove_prefix(1);  // named as MissingValue names it
  return Status::Error("registry value \"" + std::string(name) + "\" of key \\" + std::string(key) +
                           " is not " + std::string(wanted),
                       kRegistryWrongType);
}

// The value `name` of `key` in `document`.
Result<RegistryValue> FindValueIn(RegistryDocument& document, const std::string& key,
                                  std::string_view name) {
  RegistryKeyData* section = document.FindKey(key);
  RegistryValue* value = section != nullptr ? section->FindValue(name) : nullptr;
  if (value == nullptr) return MissingValue(key, name);
  return *value;
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

}  // namespace

Result<std::string> NormalizeRegistryKeyPath(std::string_view key_path) {
  std::string_view path = key_path;
  if (path.starts_with('\\')) path.remove_prefix(1);
  if (path.ends_with('\\')) path.remove_suffix(1);
  if (path.starts_with('\\') || path.ends_with('\\') ||
      path.find("\\\\") != std::string_view::npos || HasControlCharacter(path)) {
    return Status::Error("invalid registry key path \"" + std::string(key_path) + "\"", EINVAL);
  }
  return std::string(path);
}

Status CheckRegistryValueName(std::string_view name) {
  if (!HasControlCharacter(name)) return Status::Ok();
  return Status::Error("invalid registry value name \"" + std::string(name) + "\"", EINVAL);
}

bool IsMissingValue(const Status& status) { return !status.ok() && status.code() == ENOENT; }

bool IsWrongType(const Status& status) {
  return !status.ok() && status.code() == kRegistryWrongType;
}

RegistryStore::RegistryStore() : RegistryStore(DefaultRegistryPath()) {}

RegistryStore::RegistryStore(std::string file_path) : file_path_(std::move(file_path)) {}

RegistryStore::~RegistryStore() = default;

bool RegistryStore::Exists() {
  return !file_path_.empty() && !IsNotFound(RealFileSystem().Stat(file_path_).status());
}

struct RegistryStore::BatchState {
  Result<RegistryDocument> document;  // the batch's reading, with its changes applied
  std::vector<Change> changes;
};

RegistryStore::Batch::Batch(RegistryStore& store)
    : store_(store), owner_(!store.batch_ && !store.file_path_.empty()) {
  // Inside another batch, which reads and writes for both; or a store without a file.
  if (!owner_) return;
  store_.batch_ = std::make_unique<BatchState>(BatchState{ReadRegistryFile(store_.file_path_), {}});
}

RegistryStore::Batch::~Batch() {
  if (owner_) store_.batch_.reset();
}

Status RegistryStore::Batch::Commit() {
  if (!owner_) return Status::Ok();
  std::vector<Change> changes = std::move(store_.batch_->changes);
  store_.batch_->changes.clear();
  if (changes.empty()) return Status::Ok();
  return ChangeRegistryFile(store_.file_path_, [&](RegistryDocument& document) -> Result<bool> {
    bool changed = false;
    // A change that no longer applies (another process already made it) is passed over.
    for (const Change& change : changes) {
      const auto applied = change(document);
      changed = changed || (applied.ok() && *applied);
    }
    return changed;
  });
}

Result<RegistryValue> RegistryStore::LookUp(std::string_view key_path, std::string_view name) {
  auto key = NormalizeRegistryKeyPath(key_path);
  if (!key.ok()) return key.status();
  if (batch_ != nullptr) {
    if (!batch_->document.ok()) return batch_->document.status();
    return FindValueIn(batch_->document.value(), *key, name);
  }
  auto document = ReadRegistryFile(file_path_);
  if (!document.ok()) return document.status();
  return FindValueIn(document.value(), *key, name);
}

Status RegistryStore::ApplyChange(const Change& change) {
  if (batch_ == nullptr) return ChangeRegistryFile(file_path_, change);
  if (!batch_->document.ok()) return batch_->document.status();
  const auto applied = change(batch_->document.value());
  if (!applied.ok()) return applied.status();
  batch_->changes.push_back(change);
  return Status::Ok();
}

// Writes `value` into `key_path` under the exclusive lock, unless it is already there.
Status RegistryStore::StoreValue(std::string_view key_path, RegistryValue value) {
  auto key = NormalizeRegistryKeyPath(key_path);
  if (!key.ok()) return key.status();
  const Status name_ok = CheckRegistryValueName(value.name);
  if (!name_ok.ok()) return name_ok;
  return ApplyChange(
      [key = *key, value = std::move(value)](RegistryDocument& document) mutable -> Result<bool> {
        RegistryKeyData& section = document.ObtainKey(key);
        RegistryValue* existing = section.FindValue(value.name);
        if (existing == nullptr) {
          section.values.push_back(value);
          return true;
        }
        if (existing->form == value.form && existing->text == value.text &&
            existing->number == value.number) {
          return false;
        }
        RegistryValue stored = value;
        stored.name = existing->name;  // an overwritten value keeps its spelling
        *existing = std::move(stored);
        return true;
      });
}

Status RegistryStore::OpenKey(std::string_view key_path, bool create) {
  auto key = NormalizeRegistryKeyPath(key_path);
  if (!key.ok()) return key.status();
  const bool exists =
      batch_ != nullptr && batch_->document.ok() ? batch_->document->KeyExists(*key) : false;
  if (exists) return Status::Ok();
  if (batch_ == nullptr) {
    auto document = ReadRegistryFile(file_path_);
    if (!document.ok()) return document.status();
    if (document->KeyExists(*key)) return Status::Ok();
  } else if (!batch_->document.ok()) {
    return batch_->document.status();
  }
  if (!create) return Status::Error("registry key \\" + *key + " does not exist", ENOENT);
  return ApplyChange([key = *key](RegistryDocument& current) -> Result<bool> {
    if (current.KeyExists(key)) return false;
    current.ObtainKey(key);
    return true;
  });
}

Status RegistryStore::DeleteKey(std::string_view key_path) {
  auto key = NormalizeRegistryKeyPath(key_path);
  if (!key.ok()) return key.status();
  if (key->empty()) return Status::Error("HKEY_CURRENT_USER itself cannot be deleted", EINVAL);
  return ApplyChange([key = *key](RegistryDocument& document) -> Result<bool> {
    if (!document.RemoveKeyTree(key)) {
      return Status::Error("registry key \\" + key + " does not exist", ENOENT);
    }
    return true;
  });
}

Result<bool> RegistryStore::ValueExists(std::string_view key_path, std::string_view name) {
  const auto value = LookUp(key_path, name);
  if (IsMissingValue(value.status())) return false;
  if (!value.ok()) return value.status();
  return true;
}

Result<int32_t> RegistryStore::ReadInteger(std::string_view key_path, std::string_view name) {
  const auto value = LookUp(key_path, name);
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
  auto value = LookUp(key_path, name);
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
  return StoreValue(key_path, std::move(stored));
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
  return StoreValue(key_path, std::move(stored));
}

Result<std::string> RegistryStore::KeepCopy() const { return KeepCopyOfStoreFile(file_path_); }

Status RegistryStore::DeleteValue(std::string_view key_path, std::string_view name) {
  auto key = NormalizeRegistryKeyPath(key_path);
  if (!key.ok()) return key.status();
  return ApplyChange([key = *key,
                      name = std::string(name)](RegistryDocument& document) -> Result<bool> {
    RegistryKeyData* section = document.FindKey(key);
    const auto erased = section == nullptr ? 0 : std::erase_if(section->values, [&](const auto& v) {
      return SameRegistryName(v.name, name);
    });
    if (erased == 0) return MissingValue(key, name);
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

Status ReadOnlyRegistryStore::OpenKey(std::string_view key_path, bool create) {
  Status opened = RegistryStore::OpenKey(key_path, false);
  if (create && IsMissingValue(opened)) return Status::Ok();
  return opened;
}

namespace {
Status Unchangeable() {
  return Status::Error("the settings store is open for reading only", EROFS);
}
}  // namespace

Status ReadOnlyRegistryStore::DeleteKey(std::string_view) { return Unchangeable(); }
Status ReadOnlyRegistryStore::WriteInteger(std::string_view, std::string_view, int32_t) {
  return Unchangeable();
}
Status ReadOnlyRegistryStore::WriteString(std::string_view, std::string_view, std::string_view) {
  return Unchangeable();
}
Status ReadOnlyRegistryStore::DeleteValue(std::string_view, std::string_view) {
  return Unchangeable();
}

}  // namespace zelvora

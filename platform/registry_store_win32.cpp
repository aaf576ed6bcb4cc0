#include "platform/registry_file.h"
#include "platform/registry_store.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

constexpr char kHiveName[] = "HKEY_CURRENT_USER";

// The key path and value name as the registry takes them, refused as the file store refuses
// them.
Result<std::wstring> KeyPath(std::string_view key_path) {
  auto path = NormalizeRegistryKeyPath(key_path);
  if (!path.ok()) return path.status();
  return win32::Wide(*path);
}

Result<std::wstring> ValueName(std::string_view name) {
  const Status valid = CheckRegistryValueName(name);
  if (!valid.ok()) return valid;
  return win32::Wide(name);
}

std::string Where(std::string_view key_path, std::string_view name) {
  return kHiveName + std::string(key_path.starts_with('\\') ? "" : "\\") + std::string(key_path) +
         (name.empty() ? "" : " " + std::string(name));
}

Status Failure(std::string_view operation, std::string_view key_path, std::string_view name,
               LSTATUS status) {
  return win32::SystemError(operation, Where(key_path, name), static_cast<DWORD>(status));
}

Status MissingValue(std::string_view key_path, std::string_view name) {
  return Status::Error("registry value \"" + std::string(name) + "\" of key " +
                           std::string(key_path) + " does not exist",
                       ENOENT);
}

Status WrongType(std::string_view key_path, std::string_view name, std::string_view wanted) {
  return Status::Error("registry value \"" + std::string(name) + "\" of key " +
                           std::string(key_path) + " is not " + std::string(wanted),
                       kRegistryWrongType);
}

Status ReadOnly() { return Status::Error("the settings store is open for reading only", EROFS); }

// The registry of the user (HKEY_CURRENT_USER), with the operations and failures of the file
// store. Every operation is one or two calls of the registry; nothing is batched.
class WindowsRegistryStore : public RegistryStore {
 public:
  explicit WindowsRegistryStore(bool read_only)
      : RegistryStore(std::string()), read_only_(read_only) {}

  bool Exists() override {
    auto key = KeyPath(kUserSettingsKey);
    HKEY handle;
    if (!key.ok() || RegOpenKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, KEY_READ, &handle) != 0) {
      return false;
    }
    RegCloseKey(handle);
    return true;
  }

  Status OpenKey(std::string_view key_path, bool create) override {
    auto key = KeyPath(key_path);
    if (!key.ok()) return key.status();
    HKEY handle;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, KEY_READ, &handle);
    if (status == ERROR_FILE_NOT_FOUND && create) {
      // A read-only store opens a missing key as an empty one, creating nothing.
      if (read_only_) return Status::Ok();
      status = RegCreateKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                               &handle, nullptr);
    }
    if (status == ERROR_FILE_NOT_FOUND) {
      return Status::Error("registry key " + std::string(key_path) + " does not exist", ENOENT);
    }
    if (status != ERROR_SUCCESS) return Failure("open", key_path, "", status);
    RegCloseKey(handle);
    return Status::Ok();
  }

  Status DeleteKey(std::string_view key_path) override {
    if (read_only_) return ReadOnly();
    auto key = KeyPath(key_path);
    if (!key.ok()) return key.status();
    if (key->empty()) return Status::Error("HKEY_CURRENT_USER itself cannot be deleted", EINVAL);
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, key->c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
      return Status::Error("registry key " + std::string(key_path) + " does not exist", ENOENT);
    }
    if (status != ERROR_SUCCESS) return Failure("delete", key_path, "", status);
    // The tree's own key, where the system left it standing.
    const LSTATUS removed = RegDeleteKeyW(HKEY_CURRENT_USER, key->c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) {
      return Failure("delete", key_path, "", removed);
    }
    return Status::Ok();
  }

  Result<bool> ValueExists(std::string_view key_path, std::string_view name) override {
    auto value = Read(key_path, name);
    if (IsMissingValue(value.status())) return false;
    if (!value.ok()) return value.status();
    return true;
  }

  Result<int32_t> ReadInteger(std::string_view key_path, std::string_view name) override {
    auto value = Read(key_path, name);
    if (!value.ok()) return value.status();
    if (value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) {
      return WrongType(key_path, name, "a number");
    }
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof number);
    return static_cast<int32_t>(number);
  }

  Result<std::string> ReadString(std::string_view key_path, std::string_view name) override {
    auto value = Read(key_path, name);
    if (!value.ok()) return value.status();
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) {
      return WrongType(key_path, name, "a string");
    }
    std::wstring text(value->data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * sizeof(wchar_t));
    text.resize(std::wstring_view(text.c_str()).size());  // cut at the first NUL
    return win32::Utf8(text);
  }

  Status WriteInteger(std::string_view key_path, std::string_view name, int32_t value) override {
    const auto number = static_cast<DWORD>(value);
    return Write(key_path, name, REG_DWORD, &number, sizeof number);
  }

  Status WriteString(std::string_view key_path, std::string_view name,
                     std::string_view text) override {
    if (text.find('\0') != std::string_view::npos) {
      return Status::Error("a registry string cannot hold a NUL character", EINVAL);
    }
    const std::wstring wide = win32::Wide(text);
    return Write(key_path, name, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  }

  Status DeleteValue(std::string_view key_path, std::string_view name) override {
    if (read_only_) return ReadOnly();
    auto key = KeyPath(key_path);
    if (!key.ok()) return key.status();
    auto value_name = ValueName(name);
    if (!value_name.ok()) return value_name.status();
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, key->c_str(), value_name->c_str());
    if (status == ERROR_FILE_NOT_FOUND) return MissingValue(key_path, name);
    if (status != ERROR_SUCCESS) return Failure("delete", key_path, name, status);
    return Status::Ok();
  }

 private:
  struct Value {
    DWORD type = REG_NONE;
    std::string data;
  };

  Result<Value> Read(std::string_view key_path, std::string_view name) {
    auto key = KeyPath(key_path);
    if (!key.ok()) return key.status();
    auto value_name = ValueName(name);
    if (!value_name.ok()) return value_name.status();
    Value value;
    DWORD size = 0;
    for (;;) {
      value.data.resize(size);
      const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
      LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key->c_str(), value_name->c_str(), flags,
                                    &value.type, size == 0 ? nullptr : value.data.data(), &size);
      if (status == ERROR_FILE_NOT_FOUND) return MissingValue(key_path, name);
      if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && value.data.size() < size)) {
        continue;  // grown meanwhile, or only the size asked for: ask again with room
      }
      if (status != ERROR_SUCCESS) return Failure("read", key_path, name, status);
      value.data.resize(size);
      return value;
    }
  }

  Status Write(std::string_view key_path, std::string_view name, DWORD type, const void* data,
               size_t size) {
    if (read_only_) return ReadOnly();
    auto key = KeyPath(key_path);
    if (!key.ok()) return key.status();
    auto value_name = ValueName(name);
    if (!value_name.ok()) return value_name.status();
    HKEY handle;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return Failure("create", key_path, "", status);
    status = RegSetValueExW(handle, value_name->c_str(), 0, type, static_cast<const BYTE*>(data),
                            static_cast<DWORD>(size));
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS) return Failure("write", key_path, name, status);
    return Status::Ok();
  }

  const bool read_only_;
};

std::string RegistryFileFromEnvironment() {
  return win32::EnvironmentVariable(L"ZELVORA_REGISTRY").value_or(std::string());
}

}  // namespace

std::string DefaultRegistryPath() { return RegistryFileFromEnvironment(); }

std::unique_ptr<RegistryStore> OpenUserSettingsStore(bool read_only) {
  const std::string file = RegistryFileFromEnvironment();
  if (file.empty()) return std::make_unique<WindowsRegistryStore>(read_only);
  if (read_only) return std::make_unique<ReadOnlyRegistryStore>(file);
  return std::make_unique<RegistryStore>(file);
}

std::string StoreFileBytes(std::string_view text) {
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const std::wstring wide = win32::Wide(crlf);
  std::string bytes = "\xFF\xFE";
  for (const wchar_t unit : wide) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

std::string UserSettingsStoreName() {
  const std::string file = RegistryFileFromEnvironment();
  return file.empty() ? kHiveName + std::string(kUserSettingsKey) : file;
}

}  // namespace zelvora

// The text form of the settings store: the registry export format, version 5, in UTF-8.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\MORVID\Zelvora\Preference]
//   "MaxLog"=dword:000001f4
//   "WriteFmtStr"="yyyy/mm/dd"
//   "Other"=hex(7):41,00,00,00,00,00
//
// Long hex data continues on further lines; every line but the last ends in a backslash.
// Only keys below HKEY_CURRENT_USER are readable. Strings and dwords are held decoded; every
// other value type ("hex:" and "hex(N):" data) is held verbatim, continuation lines included,
// so that it is written back exactly as it was read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// Registry value types that the store tells apart.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct RegistryValue {
  enum class Form { kString, kDword, kVerbatim };
  std::string name;  // "" is the key's default value, written "@"
  Form form = Form::kString;
  std::string text;     // kString: the text; kVerbatim: the data after "=", lines joined by LF
  uint32_t number = 0;  // kDword
};

struct RegistryKeyData {
  std::string path;  // below HKEY_CURRENT_USER, components joined by "\"; "" is the root
  std::vector<RegistryValue> values;

  // The value named `name` (ASCII letters compared without case), or nullptr.
  RegistryValue* FindValue(std::string_view name);
};

struct RegistryDocument {
  std::vector<RegistryKeyData> keys;  // in file order; a key appears once
  // Non-blank lines that a save would drop: lines not understood (comments included), values
  // below an unreadable key header, and a value that a later one of the same name replaced.
  int unreadable_lines = 0;

  // The section of exactly `path`, or nullptr.
  RegistryKeyData* FindKey(std::string_view path);
  // True for the root, for a key with a section and for a key that has a subkey's section.
  bool KeyExists(std::string_view path) const;
  // The section of `path`, appended when missing.
  RegistryKeyData& ObtainKey(std::string_view path);
  // Removes `path` and every key below it; returns false when none was there.
  bool RemoveKeyTree(std::string_view path);
};

// True when the two names are equal with ASCII letters compared without case, the way the
// registry compares key and value names.
bool SameRegistryName(std::string_view a, std::string_view b);

// Reads a store file. Never fails: whatever cannot be understood is counted in
// unreadable_lines and skipped (values below an unreadable key header are skipped with it).
// Accepts a UTF-8 byte-order mark and converts a UTF-16LE file (with its byte-order mark).
RegistryDocument ParseRegistryText(std::string_view text);

// The file text of `document`, header first, one section per key.
std::string FormatRegistryText(const RegistryDocument& document);

// The type and bytes of verbatim data ("hex:..." is REG_BINARY, "hex(N):..." type N), or
// nullopt when the data is not well-formed.
struct HexData {
  uint32_t type = kRegBinary;
  std::string bytes;
};
std::optional<HexData> DecodeHexData(std::string_view verbatim);

// Verbatim data of type `type` holding `bytes`, wrapped with continuation lines as the
// registry editor wraps them.
std::string EncodeHexData(uint32_t type, std::string_view bytes);

}  // namespace zelvora

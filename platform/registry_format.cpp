#include "platform/registry_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/encoding.h"

namespace zelvora {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr size_t kHexBytesPerLine = 25;

char AsciiFold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameRegistryName(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The file text in UTF-8: a UTF-8 byte-order mark is dropped, a UTF-16LE file converted.
// A conversion that fails part-way keeps what it could read and counts the loss.
std::string DecodeFileText(std::string_view bytes, int& unreadable_lines) {
  if (bytes.starts_with(kUtf8Bom)) return std::string(bytes.substr(kUtf8Bom.size()));
  if (!bytes.starts_with(kUtf16LeBom)) return std::string(bytes);
  auto converted = ConvertText(bytes.substr(kUtf16LeBom.size()), "UTF-16LE", kUtf8);
  if (converted.ok()) return std::move(converted).value();
  ++unreadable_lines;
  return ConvertTextLossy(bytes.substr(kUtf16LeBom.size()), "UTF-16LE", kUtf8);
}

// A quoted text at the start of `text` (which begins with a double quote): the text with
// the escapes \\ and \" resolved, and the rest after the closing quote. A backslash before
// any other character is kept as it is. Nullopt when the closing quote is missing.
struct Quoted {
  std::string text;
  std::string_view rest;
};
std::optional<Quoted> ReadQuoted(std::string_view text) {
  Quoted quoted;
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted.rest = text.substr(i + 1);
      return quoted;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) ++i;
    quoted.text += text[i];
  }
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

std::optional<uint32_t> ParseHexNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t number = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

// The key path of a section header line "[HKEY_CURRENT_USER\...]", or nullopt when the line
// names another root or is not a well-formed header.
std::optional<std::string> ParseSectionHeader(std::string_view line) {
  line = TrimRight(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  std::string_view path = line.substr(1, line.size() - 2);
  if (!StartsWithNoCase(path, kRoot)) return std::nullopt;
  path.remove_prefix(kRoot.size());
  if (path.empty()) return std::string();
  if (path.front() != '\\') return std::nullopt;
  path.remove_prefix(1);
  if (path.empty() || path.back() == '\\' || path.find("\\\\") != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(path);
}

// The name of a value line and the data part after "=", or nullopt.
struct NameAndData {
  std::string name;
  std::string_view data;
};
std::optional<NameAndData> SplitValueLine(std::string_view line) {
  NameAndData parts;
  std::string_view rest;
  if (line.starts_with('@')) {
    rest = line.substr(1);
  } else {
    auto quoted = ReadQuoted(line);
    if (!quoted) return std::nullopt;
    parts.name = std::move(quoted->text);
    rest = quoted->rest;
  }
  rest = TrimLeft(rest);
  if (!rest.starts_with('=')) return std::nullopt;
  parts.data = TrimLeft(rest.substr(1));
  return parts;
}

// A string or dword value from its one-line data, or nullopt.
std::optional<RegistryValue> ParseSimpleData(std::string name, std::string_view data) {
  RegistryValue value;
  value.name = std::move(name);
  if (data.starts_with('"')) {
    auto quoted = ReadQuoted(data);
    if (!quoted || !Trim(quoted->rest).empty()) return std::nullopt;
    value.form = RegistryValue::Form::kString;
    value.text = std::move(quoted->text);
    return value;
  }
  if (StartsWithNoCase(data, "dword:")) {
    const auto number = ParseHexNumber(TrimRight(data.substr(6)));
    if (!number) return std::nullopt;
    value.form = RegistryValue::Form::kDword;
    value.number = *number;
    return value;
  }
  return std::nullopt;
}

// True when `key_path` is `path` or lies below it.
bool IsSameOrBelow(std::string_view key_path, std::string_view path) {
  if (path.empty() || SameRegistryName(key_path, path)) return true;
  return key_path.size() > path.size() && key_path[path.size()] == '\\' &&
         SameRegistryName(key_path.substr(0, path.size()), path);
}

bool StartsValueOrSection(std::string_view line) {
  return line.starts_with('[') || line.starts_with('"') || line.starts_with('@');
}

class Parser {
 public:
  RegistryDocument Parse(std::string_view bytes) {
    const std::string text = DecodeFileText(bytes, document_.unreadable_lines);
    lines_ = SplitLines(text);
    for (next_ = 0; next_ < lines_.size();) ParseLine(lines_[next_++]);
    return std::move(document_);
  }

 private:
  void ParseLine(std::string_view line) {
    if (Trim(line).empty() || Trim(line) == kHeader) return;
    if (line.find('\0') != std::string_view::npos) return Unreadable();
    if (line.starts_with('[')) return ParseSection(line);
    if (line.starts_with('"') || line.starts_with('@')) return ParseValue(line);
    Unreadable();
  }

  void ParseSection(std::string_view line) {
    const auto path = ParseSectionHeader(line);
    if (!path) {
      section_ = -1;
      return Unreadable();
    }
    section_ = &document_.ObtainKey(*path) - document_.keys.data();
  }

  void ParseValue(std::string_view line) {
    auto parts = SplitValueLine(line);
    std::optional<RegistryValue> value;
    if (parts && StartsWithNoCase(parts->data, "hex")) {
      value = ParseVerbatim(std::move(parts->name), parts->data);
    } else if (parts) {
      value = ParseSimpleData(std::move(parts->name), parts->data);
    }
    if (!value || section_ < 0) return Unreadable();
    RegistryKeyData& key = document_.keys[static_cast<size_t>(section_)];
    if (RegistryValue* earlier = key.FindValue(value->name)) {
      *earlier = std::move(*value);  // the last one wins; the earlier one is lost on save
      return Unreadable();
    }
    key.values.push_back(std::move(*value));
  }

  // Hex data, with the continuation lines that a trailing backslash announces. A line that
  // starts a value or a section is never taken as a continuation: the data was cut short.
  std::optional<RegistryValue> ParseVerbatim(std::string name, std::string_view first) {
    std::string data(TrimRight(first));
    while (!data.empty() && data.back() == '\\') {
      if (next_ >= lines_.size() || StartsValueOrSection(lines_[next_])) return std::nullopt;
      data += '\n';
      data += TrimRight(lines_[next_++]);
    }
    if (!DecodeHexData(data)) return std::nullopt;
    RegistryValue value;
    value.name = std::move(name);
    value.form = RegistryValue::Form::kVerbatim;
    value.text = std::move(data);
    return value;
  }

  void Unreadable() { ++document_.unreadable_lines; }

  RegistryDocument document_;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
  std::ptrdiff_t section_ = -1;  // index of the current key; -1 before any or after a bad one
};

std::string FormatValue(const RegistryValue& value) {
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  line += '=';
  switch (value.form) {
    case RegistryValue::Form::kString:
      return line + Quote(value.text);
    case RegistryValue::Form::kDword: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", value.number);
      return line + digits;
    }
    case RegistryValue::Form::kVerbatim:
      break;
  }
  return line + value.text;
}

// The bytes of comma-separated hex pairs; an empty text is no bytes.
std::optional<std::string> ParseHexBytes(std::string_view list) {
  std::string bytes;
  if (Trim(list).empty()) return bytes;
  if (list.back() == ',') list.remove_suffix(1);
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view token = Trim(list.substr(0, comma));
    const auto byte = token.size() <= 2 ? ParseHexNumber(token) : std::nullopt;
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

bool SameRegistryName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiFold(x) == AsciiFold(y); });
}

RegistryValue* RegistryKeyData::FindValue(std::string_view name) {
  for (RegistryValue& value : values) {
    if (SameRegistryName(value.name, name)) return &value;
  }
  return nullptr;
}

RegistryKeyData* RegistryDocument::FindKey(std::string_view path) {
  for (RegistryKeyData& key : keys) {
    if (SameRegistryName(key.path, path)) return &key;
  }
  return nullptr;
}

bool RegistryDocument::KeyExists(std::string_view path) const {
  if (path.empty()) return true;
  return std::any_of(keys.begin(), keys.end(),
                     [&](const RegistryKeyData& key) { return IsSameOrBelow(key.path, path); });
}

RegistryKeyData& RegistryDocument::ObtainKey(std::string_view path) {
  if (RegistryKeyData* found = FindKey(path)) return *found;
  keys.push_back({std::string(path), {}});
  return keys.back();
}

bool RegistryDocument::RemoveKeyTree(std::string_view path) {
  return std::erase_if(
             keys, [&](const RegistryKeyData& key) { return IsSameOrBelow(key.path, path); }) > 0;
}

RegistryDocument ParseRegistryText(std::string_view text) { return Parser().Parse(text); }

std::string FormatRegistryText(const RegistryDocument& document) {
  std::string text(kHeader);
  text += "\n\n";
  for (const RegistryKeyData& key : document.keys) {
    text += '[';
    text += kRoot;
    if (!key.path.empty()) text += '\\' + key.path;
    text += "]\n";
    for (const RegistryValue& value : key.values) text += FormatValue(value) + '\n';
    text += '\n';
  }
  return text;
}

std::optional<HexData> DecodeHexData(std::string_view verbatim) {
  HexData data;
  std::string_view body;
  if (StartsWithNoCase(verbatim, "hex:")) {
    body = verbatim.substr(4);
  } else if (StartsWithNoCase(verbatim, "hex(")) {
    const size_t close = verbatim.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const auto type = ParseHexNumber(verbatim.substr(4, close - 4));
    if (!type) return std::nullopt;
    data.type = *type;
    body = verbatim.substr(close + 2);
  } else {
    return std::nullopt;
  }
  std::string joined;
  const std::vector<std::string_view> lines = SplitLines(body);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (i + 1 < lines.size()) {
      if (!line.ends_with('\\')) return std::nullopt;
      line.remove_suffix(1);
    }
    joined += Trim(line);
  }
  auto bytes = ParseHexBytes(joined);
  if (!bytes) return std::nullopt;
  data.bytes = std::move(*bytes);
  return data;
}

std::string EncodeHexData(uint32_t type, std::string_view bytes) {
  char prefix[24];
  if (type == kRegBinary) {
    std::snprintf(prefix, sizeof prefix, "hex:");
  } else {
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
  }
  std::string text = prefix;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(bytes[i]));
    text += pair;
    if (i + 1 == bytes.size()) break;
    text += ',';
    if ((i + 1) % kHexBytesPerLine == 0) text += "\\\n  ";
  }
  return text;
}

}  // namespace zelvora

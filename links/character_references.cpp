#include "links/character_references.h"

#include <cstdint>

namespace zelvora {
namespace {

struct NamedReference {
  std::string_view name;  // between "&" and ";"
  std::string_view text;  // UTF-8
};
constexpr NamedReference kNamed[] = {
    {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"},
};

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The code point of the numeric reference body `digits` ("38" or "x26"); -1 when it is not
// one, 0 when it names a code point no file name may hold.
int64_t NumericValue(std::string_view body) {
  int base = 10;
  if (!body.empty() && (body.front() == 'x' || body.front() == 'X')) {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty() || body.size() > 8) return -1;
  int64_t value = 0;
  for (const char c : body) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return -1;
    value = value * base + digit;
  }
  const bool unusable = value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF);
  return unusable ? 0 : value;
}

}  // namespace

std::optional<std::string> DecodeCharacterReferences(std::string_view text) {
  std::string decoded;
  bool any = false;
  size_t i = 0;
  while (i < text.size()) {
    const size_t semicolon = text[i] == '&' ? text.find(';', i + 1) : std::string_view::npos;
    if (semicolon == std::string_view::npos) {
      decoded += text[i++];
      continue;
    }
    const std::string_view body = text.substr(i + 1, semicolon - i - 1);
    bool replaced = false;
    if (body.starts_with('#')) {
      const int64_t code = NumericValue(body.substr(1));
      if (code == 0) return std::nullopt;
      if (code > 0) {
        AppendUtf8(static_cast<uint32_t>(code), &decoded);
        replaced = true;
      }
    } else {
      for (const NamedReference& named : kNamed) {
        if (body == named.name) {
          decoded += named.text;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) {
      decoded += text[i++];
      continue;
    }
    any = true;
    i = semicolon + 1;
  }
  if (!any) return std::nullopt;
  return decoded;
}

}  // namespace zelvora

#include "platform/wildcard.h"

namespace zelvora {
namespace {

bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes of the character starting at `pos`: a UTF-8 lead byte with the continuation bytes
// that follow it (at most three), or one byte for ASCII and for stray or invalid bytes.
size_t CharLength(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  size_t expected = 0;
  if (lead >= 0xF0 && lead <= 0xF7) {
    expected = 3;
  } else if (lead >= 0xE0) {
    expected = lead <= 0xEF ? 2 : 0;
  } else if (lead >= 0xC0) {
    expected = 1;
  }
  size_t length = 1;
  while (length <= expected && pos + length < text.size() &&
         IsContinuationByte(static_cast<unsigned char>(text[pos + length]))) {
    ++length;
  }
  return length;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Plain "*" and "?" matching. When a later step fails, only the most recent "*" takes one
// more character and the match resumes after it; earlier stars never need to be revisited,
// so the work is bounded by the product of the lengths, never exponential.
bool MatchPlain(std::string_view pattern, std::string_view name) {
  size_t p = 0;
  size_t n = 0;
  size_t star_p = std::string_view::npos;  // pattern position just after the last "*"
  size_t star_n = 0;                       // name position that "*" is matched up to
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = ++p;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharLength(name, n);
    } else if (p < pattern.size() && Fold(pattern[p]) == Fold(name[n])) {
      ++p;
      ++n;
    } else if (star_p != std::string_view::npos) {
      star_n += CharLength(name, star_n);
      p = star_p;
      n = star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool HasWildcard(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (MatchPlain(pattern, name)) return true;
  // "name.*" also stands for "name" without any extension: "*.*" matches every name.
  if (pattern.ends_with(".*") && name.find('.') == std::string_view::npos) {
    return MatchPlain(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

}  // namespace zelvora

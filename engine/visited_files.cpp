#include "engine/visited_files.h"

#include <cstdint>
#include <cstring>

namespace zelvora {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Eight bytes with their ASCII capitals folded to small letters, all at once: a byte gets
// 0x20 added when it lies in 'A'..'Z' (bytes of 0x80 and above are left alone).
uint64_t FoldWord(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  const uint64_t low7 = word & ~kHighs;
  const uint64_t at_least_a = low7 + kOnes * (0x80 - 'A');
  const uint64_t above_z = low7 + kOnes * (0x80 - 'Z' - 1);
  const uint64_t capital = at_least_a & ~above_z & ~word & kHighs;
  return word | (capital >> 2);
}

}  // namespace

size_t VisitedFileSet::FoldedHash::operator()(std::string_view name) const {
  // Eight folded bytes at a time, mixed by multiplication; then the rest byte by byte.
  uint64_t hash = 0x9E3779B97F4A7C15ULL ^ name.size();
  size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + i, sizeof word);
    hash = (hash ^ FoldWord(word)) * 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 32;
  }
  for (; i < name.size(); ++i) {
    hash = (hash ^ static_cast<unsigned char>(FoldAscii(name[i]))) * 0x100000001B3ULL;
  }
  return static_cast<size_t>(hash ^ (hash >> 29));
}

bool VisitedFileSet::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case: the same spelling
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace zelvora

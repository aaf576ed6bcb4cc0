#include "engine/visited_files.h"

namespace zelvora {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

size_t VisitedFileSet::FoldedHash::operator()(const std::string& name) const {
  // FNV-1a over the folded bytes.
  size_t hash = 0xcbf29ce484222325ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(FoldAscii(c));
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

bool VisitedFileSet::FoldedEqual::operator()(const std::string& a, const std::string& b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace zelvora

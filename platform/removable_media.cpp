#include "platform/removable_media.h"

#include <algorithm>

namespace zelvora {
namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The mount table writes a blank, a tab, a line feed and a backslash in a path as "\040",
// "\011", "\012" and "\134".
std::string Unescape(std::string_view field) {
  std::string path;
  path.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
        IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
      path += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      path += field[i];
    }
  }
  return path;
}

// The second blank-separated field of a mount table line: the mount point.
std::string_view MountPointField(std::string_view line) {
  const size_t first_end = line.find(' ');
  if (first_end == std::string_view::npos) return {};
  const size_t start = first_end + 1;
  const size_t end = line.find(' ', start);
  return line.substr(start, end == std::string_view::npos ? line.size() - start : end - start);
}

}  // namespace

std::vector<std::string> RemovableMediaIn(std::string_view table, std::string_view user) {
  std::vector<std::string> media;
  if (user.empty() || user.find('/') != std::string_view::npos) return media;
  const std::string prefixes[] = {"/media/" + std::string(user) + "/",
                                  "/run/media/" + std::string(user) + "/"};
  size_t start = 0;
  while (start < table.size()) {
    size_t end = table.find('\n', start);
    if (end == std::string_view::npos) end = table.size();
    std::string point = Unescape(MountPointField(table.substr(start, end - start)));
    start = end + 1;
    while (point.size() > 1 && point.back() == '/') point.pop_back();
    const bool below_media = std::any_of(std::begin(prefixes), std::end(prefixes), [&](auto& p) {
      return point.size() > p.size() && point.compare(0, p.size(), p) == 0;
    });
    if (below_media && std::find(media.begin(), media.end(), point) == media.end()) {
      media.push_back(std::move(point));
    }
  }
  return media;
}

}  // namespace zelvora

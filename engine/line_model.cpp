#include "engine/line_model.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace zelvora {
namespace {

// True when every line already ends in CR LF, the last one included: every LF follows a CR
// and there are as many CRs as LFs (so no CR stands alone).
bool HasCrLfLineEnds(std::string_view bytes) {
  if (!bytes.ends_with("\r\n")) return false;
  size_t line_feeds = 0;
  for (size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1)) {
    if (at == 0 || bytes[at - 1] != '\r') return false;
    ++line_feeds;
  }
  return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r')) == line_feeds;
}

}  // namespace

std::string WithCrLfLineEnds(std::string bytes) {
  if (bytes.empty() || HasCrLfLineEnds(bytes)) return bytes;
  const char* const data = bytes.data();
  const size_t size = bytes.size();
  std::string text;
  text.reserve(size + size / 32 + 2);
  const auto find_lf = [&](size_t from) {
    const void* found = std::memchr(data + from, '\n', size - from);
    return found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - data) : size;
  };
  size_t i = 0;
  size_t next_lf = find_lf(0);  // the first LF at or after i, or size when there is none
  while (i < size) {
    if (next_lf < i) next_lf = find_lf(i);
    const void* cr = std::memchr(data + i, '\r', next_lf - i);
    const size_t line_end =
        cr != nullptr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : next_lf;
    text.append(data + i, line_end - i);
    if (line_end == size) break;
    text += "\r\n";
    const bool cr_lf = data[line_end] == '\r' && line_end + 1 < size && data[line_end + 1] == '\n';
    i = line_end + (cr_lf ? 2 : 1);
  }
  if (!text.ends_with("\r\n")) text += "\r\n";
  return text;
}

}  // namespace zelvora

#include "platform/running_program.h"

#include <algorithm>

namespace zelvora {

std::string FirstComplaint(std::string_view errors) {
  std::string_view first;
  while (!errors.empty()) {
    const size_t end = std::min(errors.find('\n'), errors.size());
    std::string_view line = errors.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with("fatal:") || line.starts_with("error:")) return std::string(line);
    if (first.empty()) first = line;
    errors.remove_prefix(std::min(end + 1, errors.size()));
  }
  return std::string(first);
}

}  // namespace zelvora

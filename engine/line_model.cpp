#include "engine/line_model.h"

namespace zelvora {
namespace {

// True when every CR is followed by LF, every LF preceded by CR, and the text ends in CR LF.
bool HasCrLfLineEnds(std::string_view bytes) {
  if (bytes.size() < 2 || !bytes.ends_with("\r\n")) return false;
  for (size_t i = bytes.find_first_of("\r\n"); i != std::string_view::npos;
       i = bytes.find_first_of("\r\n", i + 2)) {
    if (bytes[i] != '\r' || i + 1 >= bytes.size() || bytes[i + 1] != '\n') return false;
  }
  return true;
}

}  // namespace

std::string WithCrLfLineEnds(std::string_view bytes) {
  if (bytes.empty() || HasCrLfLineEnds(bytes)) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32 + 2);
  size_t i = 0;
  while (i < bytes.size()) {
    const size_t line_end = bytes.find_first_of("\r\n", i);
    if (line_end == std::string_view::npos) {
      text.append(bytes.substr(i));
      break;
    }
    text.append(bytes.substr(i, line_end - i));
    text += "\r\n";
    const bool crlf =
        bytes[line_end] == '\r' && line_end + 1 < bytes.size() && bytes[line_end + 1] == '\n';
    i = line_end + (crlf ? 2 : 1);
  }
  if (!text.ends_with("\r\n")) text += "\r\n";
  return text;
}

}  // namespace zelvora

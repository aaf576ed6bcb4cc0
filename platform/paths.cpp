#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace zelvora {
namespace {

// True when the last step of `path` textually names a folder: a trailing "/", "." or "..".
bool EndsAsFolder(std::string_view path) {
  const std::string_view last = NamePart(path);
  return last.empty() || last == "." || last == "..";
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view FolderPart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view NamePart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ResolvePath(std::string_view base_folder, std::string_view relative) {
  std::string joined;
  if (!relative.starts_with('/')) {
    joined = base_folder;
    joined += '/';
  }
  joined += relative;

  std::vector<std::string_view> steps;
  const std::string_view whole = joined;
  size_t start = 0;
  while (start <= whole.size()) {
    size_t end = whole.find('/', start);
    if (end == std::string_view::npos) end = whole.size();
    const std::string_view step = whole.substr(start, end - start);
    if (step == "..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    start = end + 1;
  }

  std::string resolved;
  for (const std::string_view step : steps) {
    resolved += '/';
    resolved += step;
  }
  if (resolved.empty() || EndsAsFolder(whole)) resolved += '/';
  return resolved;
}

bool FileNamesIgnoreCase() { return false; }

Result<std::string> CurrentFolder() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      const int error = errno;
      return Status::Error("getcwd: " + std::generic_category().message(error), error);
    }
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  if (!buffer.ends_with('/')) buffer += '/';
  return buffer;
}

std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

std::string AsciiUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

}  // namespace zelvora

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

}  // namespace

bool IsPathSeparator(char c) { return c == '/'; }

std::string_view FolderPart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view NamePart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsAbsolutePath(std::string_view path) { return path.starts_with('/'); }

bool IsRootedPath(std::string_view path) { return path.starts_with('/'); }

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

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '/') joined += '/';
  return joined + std::string(name);
}

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

bool FileNamesIgnoreCase() { return false; }

std::string FileNameKey(std::string_view name) { return std::string(name); }

}  // namespace zelvora

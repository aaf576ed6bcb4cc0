#include "platform/paths.h"

#include <algorithm>
#include <vector>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

// Where a path begins.
enum class RootKind {
  kNone,           // "page.htm": at a current folder
  kBare,           // "\page.htm": at the root of the current drive
  kDriveRelative,  // "C:page.htm": at the current folder of drive C
  kDrive,          // "C:\page.htm"
  kShare,          // "\\server\share\page.htm"
};

struct SplitPath {
  RootKind kind = RootKind::kNone;
  std::string root;       // "", "\", "C:", "C:\" or "\\server\share\" (drive letter upper case)
  std::string_view rest;  // what follows the root
};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

// The length of the step at the start of `path` (up to the next separator).
size_t StepLength(std::string_view path) {
  size_t length = 0;
  while (length < path.size() && !IsPathSeparator(path[length])) ++length;
  return length;
}

// A shared folder's path, `after` being what follows its leading "\\".
SplitPath SplitShare(std::string_view after) {
  SplitPath split;
  split.kind = RootKind::kShare;
  const size_t server = StepLength(after);
  split.root = "\\\\" + std::string(after.substr(0, server)) + "\\";
  after.remove_prefix(std::min(after.size(), server + 1));
  const size_t share = StepLength(after);
  split.root += after.substr(0, share);
  split.root += '\\';
  split.rest = after.substr(std::min(after.size(), share + 1));
  return split;
}

SplitPath Split(std::string_view path) {
  // "\\?\" and "\\.\" lift the system's limits; the path after them is the one meant.
  if (path.size() >= 4 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
      (path[2] == '?' || path[2] == '.') && IsPathSeparator(path[3])) {
    path.remove_prefix(4);
    if (path.size() >= 4 && AsciiUpper(path.substr(0, 3)) == "UNC" && IsPathSeparator(path[3])) {
      return SplitShare(path.substr(4));
    }
  }
  SplitPath split;
  if (HasDrive(path)) {
    split.root = {UpperLetter(path[0]), ':'};
    if (path.size() > 2 && IsPathSeparator(path[2])) {
      split.kind = RootKind::kDrive;
      split.root += '\\';
      split.rest = path.substr(3);
    } else {
      split.kind = RootKind::kDriveRelative;
      split.rest = path.substr(2);
    }
    return split;
  }
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    return SplitShare(path.substr(2));
  }
  if (!path.empty() && IsPathSeparator(path[0])) {
    split.kind = RootKind::kBare;
    split.root = "\\";
    split.rest = path.substr(1);
    return split;
  }
  split.rest = path;
  return split;
}

// Adds the steps of `path` to `steps`, resolving "." and ".." (which stops at the root).
void AddSteps(std::string_view path, std::vector<std::string_view>* steps) {
  while (!path.empty()) {
    const size_t length = StepLength(path);
    const std::string_view step = path.substr(0, length);
    if (step == "..") {
      if (!steps->empty()) steps->pop_back();
    } else if (!step.empty() && step != ".") {
      steps->push_back(step);
    }
    path.remove_prefix(std::min(path.size(), length + 1));
  }
}

bool EndsAsFolder(std::string_view path) {
  const std::string_view last = NamePart(path);
  return last.empty() || last == "." || last == "..";
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view FolderPart(std::string_view path) {
  size_t end = path.size();
  while (end > 0 && !IsPathSeparator(path[end - 1])) --end;
  if (end == 0 && HasDrive(path)) end = 2;
  return path.substr(0, end);
}

std::string_view NamePart(std::string_view path) { return path.substr(FolderPart(path).size()); }

bool IsAbsolutePath(std::string_view path) {
  const RootKind kind = Split(path).kind;
  return kind == RootKind::kDrive || kind == RootKind::kShare;
}

bool IsRootedPath(std::string_view path) { return Split(path).kind == RootKind::kBare; }

std::string ResolvePath(std::string_view base_folder, std::string_view relative) {
  const SplitPath base = Split(base_folder);
  const SplitPath named = Split(relative);
  std::string root;
  std::vector<std::string_view> steps;
  switch (named.kind) {
    case RootKind::kDrive:
    case RootKind::kShare:
      root = named.root;
      break;
    case RootKind::kDriveRelative:
      root = named.root + "\\";
      if (base.kind == RootKind::kDrive && base.root == root) AddSteps(base.rest, &steps);
      break;
    case RootKind::kBare:
      root = base.kind == RootKind::kDrive || base.kind == RootKind::kShare ? base.root : "\\";
      break;
    case RootKind::kNone:
      root = base.kind == RootKind::kDriveRelative ? base.root + "\\" : base.root;
      AddSteps(base.rest, &steps);
      break;
  }
  AddSteps(named.rest, &steps);
  std::string resolved = root;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) resolved += '\\';
    resolved += steps[i];
  }
  if (!steps.empty() && EndsAsFolder(relative)) resolved += '\\';
  return resolved;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && !IsPathSeparator(joined.back()) &&
      !(joined.size() == 2 && HasDrive(joined))) {
    joined += '\\';
  }
  return joined + std::string(name);
}

Result<std::string> CurrentFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return win32::LastError("current folder", "");
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(length);
  }
  std::string folder = win32::Utf8(buffer);
  if (folder.empty() || !IsPathSeparator(folder.back())) folder += '\\';
  return folder;
}

bool FileNamesIgnoreCase() { return true; }

std::string FileNameKey(std::string_view name) {
  if (IsAscii(name)) return AsciiUpper(name);
  const std::wstring wide = win32::Wide(name);
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                   static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
  if (length <= 0) return AsciiUpper(name);
  std::wstring upper(static_cast<size_t>(length), L'\0');
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                upper.data(), length, nullptr, nullptr, 0);
  return win32::Utf8(upper);
}

}  // namespace zelvora

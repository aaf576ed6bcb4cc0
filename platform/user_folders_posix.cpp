#include "platform/user_folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zelvora {
namespace {

// The value of environment variable `name` when it is an absolute path, else empty.
std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::string();
  return value;
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

Status SystemError(const std::string& what, const std::string& path) {
  const int code = errno;
  return Status::Error(what + " " + path + ": " + std::strerror(code), code);
}

}  // namespace

std::string HomeFolder() {
  std::string home = AbsoluteFromEnvironment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr) {
      home = entry->pw_dir;
    }
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home.empty() ? "/" : home;
}

std::string UserStateFolder() {
  std::string base = AbsoluteFromEnvironment("XDG_STATE_HOME");
  if (base.empty()) base = WithTrailingSlash(HomeFolder()) + ".local/state";
  return WithTrailingSlash(base) + "zelvora/";
}

std::vector<std::string> UserScratchFolders() {
  std::vector<std::string> folders;
  const std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
  if (!runtime.empty()) folders.push_back(WithTrailingSlash(runtime) + "zelvora/");
  std::string cache = AbsoluteFromEnvironment("XDG_CACHE_HOME");
  if (cache.empty()) cache = WithTrailingSlash(HomeFolder()) + ".cache";
  folders.push_back(WithTrailingSlash(cache) + "zelvora/");
  return folders;
}

Status CreateFolders(const std::string& folder) {
  // Walks the path from its start, making each missing step; a step that exists already
  // (mkdir reports EEXIST) must be a folder or a link to one.
  size_t end = 0;
  while (end < folder.size()) {
    end = folder.find('/', end + 1);
    if (end == std::string::npos) end = folder.size();
    const std::string step = folder.substr(0, end);
    if (step.empty() || step == "/") continue;
    if (mkdir(step.c_str(), 0700) == 0) continue;
    if (errno != EEXIST) return SystemError("cannot create folder", step);
    struct stat info;
    if (stat(step.c_str(), &info) != 0) return SystemError("cannot examine", step);
    if (!S_ISDIR(info.st_mode)) {
      errno = ENOTDIR;
      return SystemError("not a folder:", step);
    }
  }
  return Status::Ok();
}

Status MakePrivateFolder(const std::string& folder) {
  if (Status made = CreateFolders(folder); !made.ok()) return made;
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return SystemError("cannot examine", path);
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    errno = EPERM;
    return SystemError("not a private folder of this user:", path);
  }
  if ((info.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) {
    return SystemError("cannot make private", path);
  }
  return Status::Ok();
}

bool CanCreateFilesIn(const std::string& folder) {
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace zelvora

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {

TempDir::TempDir(std::string_view tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base && *base ? base : "/tmp") + "/zelvora-" + std::string(tag) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

bool PathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

void SetModifiedTime(const std::string& path, int64_t unix_seconds) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(unix_seconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << "cannot set time of " << path;
}

int64_t ModifiedTime(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return info.st_mtim.tv_sec;
}

bool FilesHavePermissionBits() { return true; }

bool CanSeeLockWaiters() { return PathExists("/proc/locks"); }

bool CanMakeSymlinks() { return true; }

bool MakeSymlink(const std::string& target, const std::string& link) {
  return symlink(target.c_str(), link.c_str()) == 0;
}

bool IsSymlink(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string SymlinkTarget(const std::string& path) {
  char target[4096];
  const ssize_t length = readlink(path.c_str(), target, sizeof target);
  return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

bool MakeHardLink(const std::string& existing, const std::string& new_path) {
  return link(existing.c_str(), new_path.c_str()) == 0;
}

bool MakeNamedPipe(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }

}  // namespace zelvora::testing

#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zelvora::testing {
namespace fs = std::filesystem;

TempDir::TempDir(std::string_view tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base && *base ? base : "/tmp") + "/zelvora-" + std::string(tag) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void MakeFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  MakeFolder(fs::path(path).parent_path().string());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
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

void RemoveTree(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
}

void EnterPrivateWorld(const TempDir& world, const char* locale) {
  setenv("TZ", "JST-9", 1);
  setenv("LC_ALL", locale, 1);
  tzset();
  setenv("ZELVORA_REGISTRY", (world / "registry.reg").c_str(), 1);
  setenv("ZELVORA_PROGRAM_DIR", (world / "program").c_str(), 1);
  MakeFolder(world / "program");
}

}  // namespace zelvora::testing

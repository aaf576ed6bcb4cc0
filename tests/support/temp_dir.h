// Temporary folders and files for tests: every test builds the world it needs on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvora::testing {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Creates `path` and any missing parent folders.
void MakeFolder(const std::string& path);
// Writes `bytes` to `path` (creating parent folders), replacing any content.
void WriteBytes(const std::string& path, std::string_view bytes);
// The whole content of `path`; fails the current test when it cannot be read.
std::string ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
// Sets the last-write (and last-access) time of `path` to `unix_seconds`.
void SetModifiedTime(const std::string& path, int64_t unix_seconds);
int64_t ModifiedTime(const std::string& path);
// Removes `path` and everything below it; a missing path is no error.
void RemoveTree(const std::string& path);

// What every test binary's main does first, so that no test depends on the machine or
// touches the user's files: the time zone JST-9 and the locale `locale` (also when the
// binary is run by hand), and the settings store and the program folder inside `world`.
void EnterPrivateWorld(const TempDir& world, const char* locale);

}  // namespace zelvora::testing

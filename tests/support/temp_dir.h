// Temporary folders and files for tests: every test builds the world it needs on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelvora::testing {

// A fresh folder under $TMPDIR (or /tmp; on Windows the user's folder for temporary files),
// removed with everything in it on destruction.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative; on Windows with "\\" for every "/", as the program writes paths.
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// The UTF-8 path `utf8` as the standard library's file functions take it (on Windows a
// narrow string would be read in the ANSI code page).
std::filesystem::path NativePath(std::string_view utf8);

// Creates `path` and any missing parent folders.
void MakeFolder(const std::string& path);
// Writes `bytes` to `path` (creating parent folders), replacing any content.
void WriteBytes(const std::string& path, std::string_view bytes);
// The whole content of `path`; fails the current test when it cannot be read.
std::string ReadBytes(const std::string& path);
// The text of a file in UTF-8 with LF line ends: a UTF-16LE file with its byte-order mark
// (the form the registry editor writes, and the settings store on Windows) is converted, and
// CR LF becomes LF.
std::string ReadText(const std::string& path);
bool PathExists(const std::string& path);
// Sets the last-write (and last-access) time of `path` to `unix_seconds`.
void SetModifiedTime(const std::string& path, int64_t unix_seconds);
int64_t ModifiedTime(const std::string& path);
// Removes `path` and everything below it; a missing path is no error.
void RemoveTree(const std::string& path);

// Whether files carry POSIX permission bits that a program sets (not on Windows, where only
// a read-only attribute stands for them).
bool FilesHavePermissionBits();

// Whether the system shows which processes wait for a file's lock (/proc/locks on Linux).
bool CanSeeLockWaiters();

// Whether tests may make symbolic links here: not on Windows, where it takes a privilege.
bool CanMakeSymlinks();
// Makes `link` a symbolic link to `target` (taken as written); false when it could not.
bool MakeSymlink(const std::string& target, const std::string& link);
// True when `path` itself is a symbolic link.
bool IsSymlink(const std::string& path);
// What the symbolic link `path` holds; empty when it is none.
std::string SymlinkTarget(const std::string& path);
// Makes `new_path` a second name (hard link) of the file `existing`; false when it could not.
bool MakeHardLink(const std::string& existing, const std::string& new_path);
// Makes `path` a named pipe; false where the system has none that a path names (Windows).
bool MakeNamedPipe(const std::string& path);

// What every test binary's main does first, so that no test depends on the machine or
// touches the user's files: the time zone JST-9 and the locale `locale` (also when the
// binary is run by hand), and the settings store and the program folder inside `world`.
void EnterPrivateWorld(const TempDir& world, const char* locale);

}  // namespace zelvora::testing

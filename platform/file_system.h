// The file-system operations that a run uses, behind one interface, so that tests can wrap
// the real file system and make any single step fail (a full disk, a rename that fails, a
// read error) and so that another platform can supply its own implementation.
//
// Paths are UTF-8 (or whatever bytes the file system holds) with "/" as separator. No
// operation changes the process's current folder. Every failure is returned as a Status
// whose code() is the errno value of the system call that failed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "platform/status.h"

namespace zelvora {

enum class FileKind { kRegular, kFolder, kOther };

// What Stat reports of one file; symbolic links are followed.
struct FileInfo {
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;
  uint32_t mode = 0;  // permission bits (07777)
  uint32_t owner = 0;
  uint32_t group = 0;
  FileTime last_access;
  FileTime last_write;
  FileTime last_change;             // of the content or the attributes; no program can set it
  std::optional<FileTime> created;  // only where the file system reports a birth time
  uint64_t device = 0;
  uint64_t inode = 0;
};

// True when `a` and `b` describe the same file with the same content: the same file number,
// size and times. Any write to a file changes its change time, which no program can set back.
bool SameFileVersion(const FileInfo& a, const FileInfo& b);

// One entry of a folder listing (never "." or "..").
struct FolderEntry {
  std::string name;        // the name as stored on disk
  bool is_folder = false;  // symbolic links are judged by what they point at
};

// A file opened for writing by FileSystem::NewWritableFile. Destroying it without Close()
// closes the descriptor and ignores errors.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of `data`, retrying short writes.
  virtual Status Append(std::string_view data) = 0;
  // Gives the file the permission bits of `like` and, where the process may, its owner and
  // group. Failing to change the owner is not an error.
  virtual Status CopyPermissions(const FileInfo& like) = 0;
  // Flushes the file's data to the disk.
  virtual Status Sync() = 0;
  // Closes the file; a failure here means the data may not be complete.
  virtual Status Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Information about `path`, following symbolic links. A missing file fails with ENOENT.
  virtual Result<FileInfo> Stat(const std::string& path) = 0;

  // The whole content of the regular file `path`; when `info` is not null, it receives what
  // Stat would report of the file that was read. Folders fail with EISDIR.
  virtual Result<std::string> ReadFile(const std::string& path, FileInfo* info) = 0;
  Result<std::string> ReadFile(const std::string& path) { return ReadFile(path, nullptr); }

  // Called between the pieces of a long read; returning false stops the read.
  using ReadPacer = std::function<bool()>;
  // As ReadFile, but a large file is read in pieces of a few MiB with `pacer` called after
  // each, so that the caller can keep a window responsive meanwhile; when `pacer` returns
  // false the read stops and fails with ECANCELED. An empty `pacer` reads in one go. This
  // default never calls `pacer`.
  virtual Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                            const ReadPacer& pacer) {
    (void)pacer;
    return ReadFile(path, info);
  }

  // The entries of folder `path`, hidden ones included, in the order the system lists them.
  virtual Result<std::vector<FolderEntry>> ListFolder(const std::string& path) = 0;

  // Whether folder `path` holds at least one subfolder (a hidden one, or a symbolic link to a
  // folder, counts). Reads the folder only until the first subfolder is found, so probing a
  // big folder costs little. This version lists the whole folder; file systems that can stop
  // early override it.
  virtual Result<bool> HasSubfolder(const std::string& path);

  // Creates `path`, which must not exist yet, for writing with permission bits 0600.
  virtual Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) = 0;

  // Renames `from` to `to` in one atomic step, replacing `to` if it exists.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;

  // Renames `from` to `to`, failing with EEXIST when `to` exists.
  virtual Status RenameNoReplace(const std::string& from, const std::string& to) = 0;

  // Makes `new_path` a second name of the file `existing` (a hard link, following a symbolic
  // link at `existing`). Fails with EEXIST when `new_path` exists, and with EXDEV, EPERM or
  // ENOTSUP where the file system has no hard links.
  virtual Status Link(const std::string& existing, const std::string& new_path) = 0;

  // Deletes the file `path` (not a folder).
  virtual Status Remove(const std::string& path) = 0;

  // Sets the last-access and last-write times of `path`; a time that is not given is left
  // as it is.
  virtual Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                              std::optional<FileTime> last_write) = 0;

  // Flushes everything written to the file system that holds `path` to the disk.
  virtual Status SyncFileSystem(const std::string& path) = 0;

  // The path that a chain of symbolic links at `path` ends in, or `path` itself when it is
  // not a symbolic link. Relative link contents are resolved against the link's folder.
  virtual Result<std::string> ResolveSymlinks(const std::string& path) = 0;
};

// True when `status` failed because the file or a folder on its path does not exist.
bool IsNotFound(const Status& status);

// The real file system of this machine.
FileSystem& RealFileSystem();

}  // namespace zelvora

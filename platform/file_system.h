// The file-system operations that a run uses, behind one interface, so that tests can wrap
// the real file system and make any single step fail (a full disk, a rename that fails, a
// read error) and so that another platform can supply its own implementation.
//
// Paths are UTF-8 (on Linux whatever bytes the file system holds), with the separators of
// platform/paths.h. No operation changes the process's current folder. Every failure is
// returned as a Status whose code() is the errno value of the system call that failed (on
// Windows the errno value that stands for the system's error, with the system's own reason in
// the message).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"
#include "platform/status.h"

namespace zelvora {

// kSymlink only in what LinkStat reports; everything else follows symbolic links.
enum class FileKind { kRegular, kFolder, kOther, kSymlink };

// What Stat reports of one file; symbolic links are followed.
struct FileInfo {
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;
  uint32_t mode = 0;  // permission bits (07777); on Windows 0444 for a read-only file, else 0666
  uint32_t owner = 0;
  uint32_t group = 0;
  FileTime last_access;
  FileTime last_write;
  FileTime last_change;             // of the content or the attributes; no program can set it
  std::optional<FileTime> created;  // only where the file system reports a birth time
  uint64_t device = 0;              // on Windows the volume's serial number
  uint64_t inode = 0;               // on Windows the file's index on its volume
  uint32_t attributes = 0;          // Windows only: the file's attributes (hidden, system, ...)
};

// True when `a` and `b` describe the same file with the same content: the same file number,
// size and times. Any write to a file changes its change time, which no program can set back.
bool SameFileVersion(const FileInfo& a, const FileInfo& b);

// True when `a` and `b` describe one file (the same device and file number), under whatever
// names they were reached.
inline bool SameFile(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode;
}

// One entry of a folder listing (never "." or "..").
struct FolderEntry {
  std::string name;         // the name as stored on disk
  bool is_folder = false;   // symbolic links are judged by what they point at
  bool is_symlink = false;  // the entry itself is a symbolic link
};

// A file opened for writing by FileSystem::NewWritableFile. It holds an exclusive advisory lock
// on the file until it is closed, so that no other run takes it for a left-over temporary file
// (see RemoveAbandoned). Destroying it without Close() closes the descriptor and ignores
// errors.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of `data`, retrying short writes.
  virtual Status Append(std::string_view data) = 0;
  // Gives the file the permission bits of `like` and, where the process may, its owner and
  // group; on Windows its attributes but read-only. Failing to change the owner is not an
  // error.
  virtual Status CopyPermissions(const FileInfo& like) = 0;
  // Sets the file's last-access and last-write times and, where the system can (Windows),
  // its creation time; a time that is not given is left as it is.
  virtual Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                          std::optional<FileTime> created) = 0;
  // What Stat would report of the file now.
  virtual Result<FileInfo> Info() = 0;
  // Flushes the file's data to the disk.
  virtual Status Sync() = 0;
  // Closes the file; a failure here means the data may not be complete.
  virtual Status Close() = 0;
};

// A file without a name, for data a run sets aside for a while: the system removes it when
// it is destroyed or the process ends. Offsets and sizes are the caller's bookkeeping.
class ScratchFile {
 public:
  virtual ~ScratchFile() = default;
  // Writes `pieces` one after another from `offset` on.
  virtual Status WriteAt(uint64_t offset, const std::vector<std::string_view>& pieces) = 0;
  // Fills `pieces` one after another with the bytes from `offset` on; fails when the file
  // holds fewer.
  virtual Status ReadAt(uint64_t offset, const std::vector<std::span<char>>& pieces) = 0;
};

// An exclusive advisory lock, held until it is destroyed.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Information about `path`, following symbolic links. A missing file fails with ENOENT.
  virtual Result<FileInfo> Stat(const std::string& path) = 0;

  // Information about `path` itself: a symbolic link is reported as kSymlink, not followed.
  virtual Result<FileInfo> LinkStat(const std::string& path) = 0;

  // Whether `path` exists, and as what (symbolic links followed); a missing file fails with
  // ENOENT. An implementation may answer from a listing of the folder that it already holds.
  virtual Result<FileKind> Lookup(const std::string& path) {
    auto info = Stat(path);
    if (!info.ok()) return info.status();
    return info->kind;
  }

  // The whole content of the regular file `path`, read until the read reports its end; when
  // `info` is not null, it receives what Stat would report of the file that was read. The
  // content has exactly the size that `info` reports: a file that changes its size while it is
  // read fails with EAGAIN. Folders fail with EISDIR, other files that are not regular (named
  // pipes, devices, sockets) with EINVAL, without waiting for them.
  virtual Result<std::string> ReadFile(const std::string& path, FileInfo* info) = 0;
  Result<std::string> ReadFile(const std::string& path) { return ReadFile(path, nullptr); }

  // The last `max_bytes` bytes of the regular file `path` (all of it when it is smaller), and
  // in `*file_size` the size of the whole file. Fails as ReadFile does.
  virtual Result<std::string> ReadFileTail(const std::string& path, size_t max_bytes,
                                           uint64_t* file_size) = 0;

  // Called between the pieces of a long read; returning false stops the read.
  using ReadPacer = std::function<bool()>;
  // As ReadFile (the whole file or a failure, never part of it), but a large file is read in
  // pieces of a few MiB with `pacer` called between them, so that the caller can keep a
  // window responsive meanwhile; when `pacer` returns false the read stops and fails with
  // ECANCELED. An empty `pacer` reads in one go. This default never calls `pacer`.
  virtual Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                            const ReadPacer& pacer) {
    (void)pacer;
    return ReadFile(path, info);
  }

  // The entries of folder `path`, hidden ones included, in no particular order.
  virtual Result<std::vector<FolderEntry>> ListFolder(const std::string& path) = 0;

  // Whether folder `path` holds at least one subfolder (a hidden one, or a symbolic link to a
  // folder, counts). Reads the folder only until the first subfolder is found, so probing a
  // big folder costs little. This version lists the whole folder; file systems that can stop
  // early override it.
  virtual Result<bool> HasSubfolder(const std::string& path);

  // Creates `path`, which must not exist yet, for writing with permission bits `mode` (as far
  // as the process's umask lets them), and locks it (see WritableFile).
  virtual Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path,
                                                                uint32_t mode) = 0;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) {
    return NewWritableFile(path, 0600);
  }

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

  // Whether the existing file `path` can be replaced by a rename now. On Windows a file that
  // another program holds open without letting others delete it cannot be, and this fails
  // with EBUSY and the system's reason; elsewhere nothing stands in the way.
  virtual Status CheckReplaceable(const std::string& path) {
    (void)path;
    return Status::Ok();
  }

  // Deletes `path`, a temporary file of some run, unless a live run is writing it: it is
  // locked (see WritableFile), or it is empty and younger than a minute (its writer may be
  // about to lock it: a writer locks its file before it writes anything). Fails with EBUSY
  // when the file is in use; with `wait`, waits instead until the writer is done and then
  // succeeds when the name is gone (the writer renamed its file into place) or removes the
  // file when it was abandoned after all. A missing file fails with ENOENT.
  virtual Status RemoveAbandoned(const std::string& path, bool wait) = 0;

  // Sets the last-access and last-write times of `path`; a time that is not given is left
  // as it is.
  virtual Status SetFileTimes(const std::string& path, std::optional<FileTime> last_access,
                              std::optional<FileTime> last_write) = 0;

  // Flushes everything written to the file system that holds `path` to the disk.
  virtual Status SyncFileSystem(const std::string& path) = 0;

  // Takes the exclusive advisory lock of the lock file `lock_path` (created when missing),
  // waiting while another process holds it.
  virtual Result<std::unique_ptr<HeldLock>> Lock(const std::string& lock_path) = 0;

  // A new scratch file in the folder for temporary files ($TMPDIR, else /tmp).
  virtual Result<std::unique_ptr<ScratchFile>> NewScratchFile() = 0;

  // The path that a chain of symbolic links at `path` ends in, or `path` itself when it is
  // not a symbolic link. Relative link contents are resolved against the link's folder.
  virtual Result<std::string> ResolveSymlinks(const std::string& path) = 0;

  // Forgets whatever the file system remembers about files and folders, so that every change
  // another program made since is seen. This one remembers nothing.
  virtual void ForgetRemembered() {}

  // The absolute path of the file `path` names, with every symbolic link along it resolved
  // and no "." or ".." steps, as the system finds the file; fails as Stat does. This version
  // resolves only the links at the end of the path (ResolveSymlinks).
  virtual Result<std::string> RealPath(const std::string& path) { return ResolveSymlinks(path); }
};

// True when `status` failed because the file or a folder on its path does not exist.
bool IsNotFound(const Status& status);

// The real file system of this machine.
FileSystem& RealFileSystem();

}  // namespace zelvora

// Replacing a file's content so that the file exists at every instant with either its
// complete old or its complete new content: the new content goes to a temporary file in the
// same folder, which then replaces the file in one atomic rename.
//
// A temporary file is locked by its writer from its creation until it has taken its place
// (FileSystem::NewWritableFile), so that other runs working in the same folder at the same
// time neither take it for a left-over file nor write the same temporary file: a writer that
// finds the temporary name in use waits for the other writer to finish.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora {

// The temporary file that holds the new content of `path` until it replaces it: in the same
// folder, ".zelvora-" + 16 hexadecimal digits derived from the name + ".tmp". The same path
// always gives the same name, so a run finds what an interrupted run left behind, and two
// runs writing the same file take turns.
std::string TemporaryNameFor(std::string_view path);

// The name under which a backup generation waits to be deleted until the page that pushed it
// out is in place: ".zelvora-" + 16 hexadecimal digits + ".old", beside `path`.
std::string SetAsideNameFor(std::string_view path);

// True when `name` (a name part) has the form of a temporary file of TemporaryNameFor or of
// a generation set aside by SetAsideNameFor: such files are never content.
bool IsTemporaryName(std::string_view name);

// True when `name` has the form of TemporaryNameFor only: the files a run may sweep away.
bool IsSweepableName(std::string_view name);

// New content on its way to `target`: its locked temporary file, written and then put in
// place by Commit(), or removed by Discard() (or the destructor).
class PendingFile {
 public:
  // Creates the temporary file of `target` with the permission bits `mode`. A temporary file
  // that an interrupted run left there is removed first; when another run is writing it, the
  // call waits until that run is done with it, and sets `*waited` (when given).
  static Result<PendingFile> Create(FileSystem& fs, std::string_view target, uint32_t mode,
                                    bool* waited = nullptr);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  ~PendingFile();

  const std::string& temporary_path() const { return temporary_; }

  // Writes all of `contents`, gives the file the permissions of `like` when given, and flushes
  // it to the disk when `sync`.
  Status Write(std::string_view contents, const FileInfo* like, bool sync);
  // Sets the times of the new content, after the last Write (`created` where the system can).
  Status SetTimes(std::optional<FileTime> last_access, std::optional<FileTime> last_write,
                  std::optional<FileTime> created = std::nullopt);
  // What Stat will report of the new content once it is in place.
  Result<FileInfo> Info() { return file_->Info(); }

  // Renames the temporary file over the target (`replace`) or to the target's name, which
  // must not exist (`!replace`), and closes it. When the rename fails, the temporary file is
  // removed and the target is as it was. committed() tells whether the rename happened: a
  // failure to close the file after it was renamed is still reported, since it may mean that
  // the new content did not reach the disk whole.
  Status Commit(bool replace = true);
  bool committed() const { return committed_; }

  // Removes the temporary file, unless it was committed.
  void Discard();

 private:
  PendingFile(FileSystem& fs, std::string target, std::string temporary,
              std::unique_ptr<WritableFile> file)
      : fs_(&fs),
        target_(std::move(target)),
        temporary_(std::move(temporary)),
        file_(std::move(file)) {}

  FileSystem* fs_;
  std::string target_;
  std::string temporary_;
  std::unique_ptr<WritableFile> file_;
  bool committed_ = false;
};

// PendingFile from creation to commit: writes `contents` (with the permissions of `like` when
// given, flushed when `sync`) and replaces `path` with it. On failure `path` is as it was,
// unless the failure came after the rename (see PendingFile::Commit).
Status ReplaceFileAtomically(FileSystem& fs, std::string_view path, std::string_view contents,
                             const FileInfo* like, bool sync);

}  // namespace zelvora

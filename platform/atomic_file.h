// Replacing a file's content so that the file exists at every instant with either its
// complete old or its complete new content: the new content goes to a temporary file in the
// same folder, which then replaces the file in one atomic rename.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora {

// The temporary file that holds the new content of `path` until it replaces it: in the same
// folder, ".zelvora-" + 16 hexadecimal digits derived from the name + ".tmp". The same path
// always gives the same name, so a run finds what an interrupted run left behind.
std::string TemporaryNameFor(std::string_view path);

// True when `name` (a name part) has the form of a temporary file of TemporaryNameFor.
bool IsTemporaryName(std::string_view name);

// Writes `contents` to TemporaryNameFor(path): creates it (replacing a left-over temporary
// file), writes everything, gives it the permissions of `like` when given, flushes it
// to disk when `sync`, and closes it. On success returns the temporary file's path; on any
// failure removes the temporary file and returns the failure.
Result<std::string> WriteTemporaryFile(FileSystem& fs, std::string_view path,
                                       std::string_view contents, const FileInfo* like, bool sync);

// WriteTemporaryFile, then the rename over `path`. On failure `path` is as it was.
Status ReplaceFileAtomically(FileSystem& fs, std::string_view path, std::string_view contents,
                             const FileInfo* like, bool sync);

}  // namespace zelvora

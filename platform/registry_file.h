// Locked access to the settings store's file (see RegistryStore for the rules): reads and
// changes under the lock of "<store>.lock" (FileSystem::Lock), a change as one
// read-modify-write written through a flushed temporary file and an atomic rename, with a copy
// of a damaged file kept before the first save that drops its unreadable lines.
#pragma once

#include <functional>
#include <string>

#include "platform/registry_format.h"
#include "platform/status.h"

namespace zelvora {

// The bytes of a store file that holds `text` (UTF-8, lines ended by LF) as this system's
// registry editor writes such a file: UTF-8 as it is on POSIX systems; on Windows UTF-16LE with
// a byte-order mark and CR LF line ends, which the registry editor imports with every
// character (it would read UTF-8 in the ANSI code page). Reading takes either form.
std::string StoreFileBytes(std::string_view text);

// The content of the store file `file_path`; a missing file is an empty store. Fails when the
// file cannot be read, is no regular file or is larger than any real store (EFBIG).
Result<RegistryDocument> ReadRegistryFile(const std::string& file_path);

// Creates the file's folder when missing, takes the exclusive lock, reads the file and calls
// `change`, which returns whether it changed the document (or a failure, which is returned).
// Only a changed document is written. On any failure the file stays as it was.
Status ChangeRegistryFile(const std::string& file_path,
                          const std::function<Result<bool>(RegistryDocument&)>& change);

// Copies the store file `file_path` (where its symbolic links lead) as it is now to
// "<store>.damaged", or to the first free "<store>.damaged.N" when an earlier copy with other
// content is there, and returns the copy's path; an earlier copy with the same content is
// taken as it is. Fails when there is no store file, it cannot be read or no copy can be
// written.
Result<std::string> KeepCopyOfStoreFile(const std::string& file_path);

}  // namespace zelvora

// The FileSystem of a POSIX system (RealFileSystem() returns the one instance), and the
// pieces of it that tests reach directly.
#pragma once

#include <string>

#include "platform/status.h"

namespace zelvora {

// The rename that never replaces its target, for file systems that refuse
// renameat2(RENAME_NOREPLACE): `to` is made a hard link of `from` (which fails with EEXIST
// when `to` exists) and `from` is then removed. Where hard links are impossible, it checks
// that `to` is absent and renames, which leaves a short window for another process.
Status RenameNoReplaceByLink(const std::string& from, const std::string& to);

}  // namespace zelvora

// The user running the program and what the permission bits of a file let that user do.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file_system.h"

namespace zelvora {

// The effective user and group ids of the process and its supplementary groups, asked of the
// system once (they do not change while the program runs), with the process's umask. On
// Windows, which has none of these, all zero.
struct ProcessUser {
  uint32_t uid = 0;
  uint32_t gid = 0;
  std::vector<uint32_t> groups;
  uint32_t umask = 022;
};
const ProcessUser& CurrentUser();

// True when the user running the program may write the file that `info` describes, judged
// from its owner, group and permission bits as the system judges them; the superuser may write
// every file. Access control lists are not consulted: on Windows only a read-only file is
// judged not writable.
bool MayWrite(const FileInfo& info);

}  // namespace zelvora

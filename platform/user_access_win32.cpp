#include "platform/user_access.h"

namespace zelvora {

// Windows decides access by the file's access control list when the file is opened; what the
// program can tell beforehand is the read-only attribute.
const ProcessUser& CurrentUser() {
  static const ProcessUser user{0, 0, {}, 0};
  return user;
}

bool MayWrite(const FileInfo& info) { return (info.mode & 0200) != 0; }

}  // namespace zelvora

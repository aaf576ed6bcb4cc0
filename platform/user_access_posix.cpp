#include "platform/user_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace zelvora {
namespace {

ProcessUser AskSystem() {
  ProcessUser user;
  user.uid = geteuid();
  user.gid = getegid();
  const int count = getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    if (got > 0) user.groups.assign(groups.begin(), groups.begin() + got);
  }
  // The only way to read the umask is to set it; it is set straight back.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  user.umask = mask;
  return user;
}

}  // namespace

const ProcessUser& CurrentUser() {
  static const ProcessUser user = AskSystem();
  return user;
}

bool MayWrite(const FileInfo& info) {
  const ProcessUser& user = CurrentUser();
  if (user.uid == 0) return true;
  if (info.owner == user.uid) return (info.mode & S_IWUSR) != 0;
  const bool in_group = info.group == user.gid || std::find(user.groups.begin(), user.groups.end(),
                                                            info.group) != user.groups.end();
  if (in_group) return (info.mode & S_IWGRP) != 0;
  return (info.mode & S_IWOTH) != 0;
}

}  // namespace zelvora

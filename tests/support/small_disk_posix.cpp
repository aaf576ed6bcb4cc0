#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "tests/support/small_disk.h"

namespace zelvora::testing {

SmallDisk::SmallDisk(const std::string& size) {
  const std::string options = "size=" + size;
  if (mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0) {
    mounted_ = true;
  } else {
    why_not_ = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) +
               "); the full-disk case is covered by fault injection only";
  }
}

SmallDisk::~SmallDisk() {
  if (mounted_) umount2(dir_.path().c_str(), MNT_DETACH);
}

}  // namespace zelvora::testing

// A genuinely small disk for tests: a tmpfs of a few kilobytes mounted over a temporary
// folder, where the system allows it (it needs the right to mount).
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {

class SmallDisk {
 public:
  // Mounts a tmpfs of `size` (e.g. "64k"); mounted() tells whether it worked and, when not,
  // why_not() says so for the skip message.
  explicit SmallDisk(const std::string& size) {
    const std::string options = "size=" + size;
    if (mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0) {
      mounted_ = true;
    } else {
      why_not_ = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) +
                 "); the full-disk case is covered by fault injection only";
    }
  }
  ~SmallDisk() {
    if (mounted_) umount2(dir_.path().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why_not() const { return why_not_; }
  std::string operator/(std::string_view relative) const { return dir_ / relative; }
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_{"smalldisk"};
  bool mounted_ = false;
  std::string why_not_;
};

}  // namespace zelvora::testing

// A genuinely small disk for tests: a tmpfs of a few kilobytes mounted over a temporary
// folder, where the system allows it (on Linux, with the right to mount; never on Windows).
#pragma once

#include <string>
#include <string_view>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {

class SmallDisk {
 public:
  // Mounts a tmpfs of `size` (e.g. "64k"); mounted() tells whether it worked and, when not,
  // why_not() says so for the skip message.
  explicit SmallDisk(const std::string& size);
  ~SmallDisk();
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

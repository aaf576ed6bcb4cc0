#include "tests/support/small_disk.h"

namespace zelvora::testing {

SmallDisk::SmallDisk(const std::string& size) {
  (void)size;
  why_not_ =
      "no small disk can be mounted for a test on Windows; the full-disk case is "
      "covered by fault injection only";
}

SmallDisk::~SmallDisk() = default;

}  // namespace zelvora::testing

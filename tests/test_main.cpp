// Test entry point: gives every test process a private temporary world, so no test can touch
// the user's settings store or write a log beside the build.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  const int helper_status = zelvora::testing::RunHelperIfRequested(argc, argv);
  if (helper_status >= 0) return helper_status;
  ::testing::InitGoogleTest(&argc, argv);
  zelvora::testing::TempDir world("world");
  zelvora::testing::EnterPrivateWorld(world, "C");
  return RUN_ALL_TESTS();
}

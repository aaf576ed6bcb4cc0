// Test entry point: gives every test process a private temporary world, so no test can touch
// the user's settings store or write a log beside the build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  const int helper_status = zelvora::testing::RunHelperIfRequested(argc, argv);
  if (helper_status >= 0) return helper_status;
  ::testing::InitGoogleTest(&argc, argv);
  // The same fixed zone and locale as under CTest, also when the binary is run by hand.
  setenv("TZ", "JST-9", 1);
  setenv("LC_ALL", "C", 1);
  tzset();
  zelvora::testing::TempDir world("world");
  const std::string root = world.path();
  setenv("ZELVORA_REGISTRY", (root + "/registry.reg").c_str(), 1);
  setenv("ZELVORA_PROGRAM_DIR", (root + "/program").c_str(), 1);
  zelvora::testing::MakeFolder(root + "/program");
  return RUN_ALL_TESTS();
}

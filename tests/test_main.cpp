// Test entry point: gives every test process a private temporary world, so no test can touch
// the user's settings store or write a log beside the build.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  const int helper_status = zelvora::testing::RunHelperIfRequested(argc, argv);
  if (helper_status >= 0) return helper_status;
  ::testing::InitGoogleTest(&argc, argv);
  // The same fixed zone and locale as under CTest, also when the binary is run by hand.
  using zelvora::testing::PutEnvironment;
  PutEnvironment("TZ", "JST-9");
  PutEnvironment("LC_ALL", "C");
  tzset();
  zelvora::testing::TempDir world("world");
  PutEnvironment("ZELVORA_REGISTRY", (world / "registry.reg").c_str());
  PutEnvironment("ZELVORA_PROGRAM_DIR", (world / "program").c_str());
  zelvora::testing::MakeFolder(world / "program");
  return RUN_ALL_TESTS();
}

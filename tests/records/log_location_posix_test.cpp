// Where the log lives on a POSIX system when the program's folder takes no new files: the XDG
// state folder.
#include <gtest/gtest.h>

#include "records/run_log.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

// (A writable program folder keeping the log is checked on an installed copy, in tests/install.)
TEST(LogLocationTest, WithoutAProgramFolderToWriteTheStateFolderHoldsIt) {
  testing::TempDir root;
  testing::ScopedEnvironment environment({{"ZELVORA_PROGRAM_DIR", (root / "gone").c_str()},
                                          {"XDG_STATE_HOME", (root / "state").c_str()}});
  EXPECT_EQ(LogFileName(), root / "state/zelvora/Zelvora.log");
  environment.Set("XDG_STATE_HOME", nullptr);
  environment.Set("HOME", root.path());
  EXPECT_EQ(LogFileName(), root / ".local/state/zelvora/Zelvora.log");
}

}  // namespace
}  // namespace zelvora

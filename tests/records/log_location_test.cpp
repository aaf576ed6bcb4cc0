// Where the log lives: beside the program when its folder takes new files, otherwise in the
// user's state folder, which the first save creates.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/encoding.h"
#include "records/run_log.h"
#include "tests/support/run_world.h"
#include "tests/support/scoped_environment.h"

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

TEST(LogLocationTest, TheFirstSaveCreatesAMissingStateFolder) {
  testing::RunWorld world;
  const std::string path = world.dir / "state/zelvora/Zelvora.log";
  world.log.AddLogEntry("記入");
  world.log.CloseLog(world.fs, path, true, EncodeDateTime({.year = 2024, .month = 6, .day = 9}),
                     world.settings, world.host);
  EXPECT_TRUE(world.host.shown.empty());
  EXPECT_EQ(*ConvertText(testing::ReadBytes(path), kCp932, kUtf8),
            "記入\r\n\n★日付記入終了：2024/06/09 00:00:00\n\n\r\n");
  struct stat info;
  ASSERT_EQ(stat((world.dir / "state/zelvora").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
}

}  // namespace
}  // namespace zelvora

// Where the log lives: beside the program when its folder takes new files, otherwise in the
// user's state folder, which the first save creates.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/encoding.h"
#include "records/run_log.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

TEST(LogLocationTest, TheFirstSaveCreatesAMissingStateFolder) {
  testing::RunWorld world;
  const std::string path = world.dir / "state/zelvora/Zelvora.log";
  world.log.AddLogEntry("記入");
  world.log.CloseLog(world.fs, path, true, EncodeDateTime({.year = 2024, .month = 6, .day = 9}),
                     world.settings, world.host);
  EXPECT_TRUE(world.host.shown.empty());
  EXPECT_EQ(*ConvertText(testing::ReadBytes(path), kCp932, kUtf8),
            "記入\r\n\n★日付記入終了：2024/06/09 00:00:00\n\n\r\n");
  if (!testing::FilesHavePermissionBits()) return;
  struct stat info;
  ASSERT_EQ(stat((world.dir / "state/zelvora").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
}

}  // namespace
}  // namespace zelvora

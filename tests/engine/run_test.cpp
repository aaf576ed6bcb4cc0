#include "engine/run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::FsOp;
using testing::RunWorld;

TEST(RunTest, AnEmptyNameOnlyShowsItsMessage) {
  RunWorld world;
  EXPECT_EQ(StartRun(world.context, "", world.dir / "Zelvora.log"), RunOutcome::kNotStarted);
  ASSERT_EQ(world.host.shown.size(), 1u);
  EXPECT_EQ(world.host.shown[0].text, "記入ファイル名を入力して下さい。");
  EXPECT_EQ(world.host.shown[0].icon, MessageIcon::kExclamation);
  EXPECT_TRUE(world.log.LogList().empty());
  EXPECT_EQ(world.host.progress_shown, 0);
  EXPECT_TRUE(world.fs.calls().empty());
}

TEST(RunTest, ARunThatWroteFlushesTheFileSystemOnceAtItsEnd) {
  RunWorld world;
  const std::string page = world.File("page.htm", "<!--#ZELV#--><a href=\"b.htm\">b</a>\r\n");
  world.File("b.htm", "<!--#ZELV#-->\r\n");
  ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  EXPECT_EQ(world.context.state.WrittenFiles, 2);
  EXPECT_EQ(world.fs.CallCount(FsOp::kSyncFileSystem), 1);
  // The log is saved after the flush.
  const auto& calls = world.fs.calls();
  const auto flush = std::find_if(calls.begin(), calls.end(), [](const auto& call) {
    return call.op == FsOp::kSyncFileSystem;
  });
  const auto log_saved = std::find_if(calls.rbegin(), calls.rend(), [](const auto& call) {
    return call.op == FsOp::kRename && call.second_path.ends_with("Zelvora.log");
  });
  ASSERT_NE(log_saved, calls.rend());
  EXPECT_LT(flush - calls.begin(), calls.rend() - log_saved);

  RunWorld unchanged;  // nothing written, nothing flushed
  const std::string plain = unchanged.File("plain.htm", "<p>no marks</p>\r\n");
  ASSERT_EQ(StartRun(unchanged.context, plain, unchanged.dir / "Zelvora.log"),
            RunOutcome::kFinished);
  EXPECT_EQ(unchanged.fs.CallCount(FsOp::kSyncFileSystem), 0);
}

}  // namespace
}  // namespace zelvora

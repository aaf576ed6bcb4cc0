#include "engine/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

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

TEST(RunTest, TheAbortFlagStopsTheReadOfALargePageWithoutAReport) {
  RunWorld world;
  const std::string page = world.File("large.htm", "<!--#ZELV#-->" + std::string(5 << 20, 'x'));
  world.host.abort_after_events = 1;  // pressed while the page is read
  EXPECT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kAborted);
  EXPECT_TRUE(world.host.asked.empty());
  ASSERT_EQ(world.host.shown.size(), 1u);
  EXPECT_EQ(world.host.shown[0].text, "中止しました。");
  EXPECT_EQ(world.context.state.ErrorCount, 0);
}

TEST(RunTest, ALargePageEditedWhileItIsReadInPiecesIsReportedAndLeftAsItIs) {
  RunWorld world;
  const std::string text = "<!--#ZELV#-->" + std::string(5 << 20, 'x');
  const std::string page = world.File("large.htm", text);
  bool edited = false;
  world.host.on_events = [&] {
    if (std::exchange(edited, true)) return;
    testing::WriteBytes(page, text + "saved meanwhile");
  };
  EXPECT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_NE(world.host.asked[0].text.find("次のファイルが読み込めませんでした。\n" + page),
            std::string::npos);
  EXPECT_EQ(testing::ReadBytes(page), text + "saved meanwhile");
  EXPECT_FALSE(testing::PathExists(world.dir / "large_Bak1.bak"));
  EXPECT_EQ(world.context.state.WrittenFiles, 0);
}

}  // namespace
}  // namespace zelvora

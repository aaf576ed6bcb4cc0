#include "records/run_log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/encoding.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::FsOp;
using testing::ReadBytes;
using testing::RunWorld;

class RunLogTest : public ::testing::Test {
 protected:
  void Close(bool completed) {
    world.log.CloseLog(
        world.fs, path, completed,
        EncodeDateTime({.year = 2002, .month = 1, .day = 13, .hour = 14, .minute = 7}),
        world.settings, world.host);
  }
  RunWorld world;
  std::string path = world.dir / "Zelvora.log";
};

TEST_F(RunLogTest, SavesCp932WithCrLfAfterEveryEntry) {
  EXPECT_FALSE(world.log.OpenLog(world.fs, path));
  world.log.AddLogEntry("◎日付記入開始：/site/表.htm\n");
  world.log.AddLogEntry("emoji 😀");
  Close(true);
  const std::string expected_utf8 = std::string(kLogLoadFailedNotice) + "\r\n" +
                                    "◎日付記入開始：/site/表.htm\n\r\n" + "emoji ?\r\n" +
                                    "\n★日付記入終了：2002/01/13 14:07:00\n\n\r\n";
  EXPECT_EQ(ReadBytes(path), *ConvertText(expected_utf8, kUtf8, kCp932));
}

TEST_F(RunLogTest, ReadsLinesEndedByCrLfLoneLfOrLoneCr) {
  testing::WriteBytes(path, "a\r\nb\nc\rd\r\n\r\n" + *ConvertText("表", kUtf8, kCp932));
  ASSERT_TRUE(world.log.OpenLog(world.fs, path));
  EXPECT_EQ(world.log.LogList(), (std::deque<std::string>{"a", "b", "c", "d", "", "表"}));
}

TEST_F(RunLogTest, TrimsToHalfOfMaxLogFromTheFront) {
  world.settings.MaxLog = 51;
  for (int i = 0; i < 40; ++i) world.log.AddLogEntry(std::to_string(i));
  Close(false);
  ASSERT_EQ(world.log.LogList().size(), 25u);
  EXPECT_EQ(world.log.LogList().front(), "16");
  EXPECT_EQ(world.log.LogList().back(), "\n★日付記入中止：2002/01/13 14:07:00\n\n");
}

TEST_F(RunLogTest, KeepsNoMoreEntriesThanTheLargestLogCanSave) {
  world.settings.MaxLog = 5000;
  for (int i = 0; i < 10000; ++i) world.log.AddLogEntry(std::to_string(i));
  Close(true);
  ASSERT_EQ(world.log.LogList().size(), 2500u);
  EXPECT_EQ(world.log.LogList().front(), "7501");
}

TEST_F(RunLogTest, LogOffLeavesTheFileAloneAndAFailedSaveIsShown) {
  testing::WriteBytes(path, "old\r\n");
  world.settings.Log = false;
  world.log.AddLogEntry("x");
  Close(true);
  EXPECT_EQ(ReadBytes(path), "old\r\n");
  EXPECT_TRUE(world.host.shown.empty());

  world.settings.Log = true;
  world.fs.Inject(testing::FailEvery(FsOp::kRename, EACCES));
  Close(true);
  EXPECT_EQ(ReadBytes(path), "old\r\n");
  ASSERT_EQ(world.host.shown.size(), 1u);
  EXPECT_EQ(world.host.shown[0].text, "ログをファイルに保存することができません。\n" + path);
  EXPECT_EQ(world.host.shown[0].icon, MessageIcon::kExclamation);
}

TEST_F(RunLogTest, RunsSharingTheLogAtOnceBothLandInIt) {
  RunLog other;
  ASSERT_FALSE(world.log.OpenLog(world.fs, path));
  ASSERT_FALSE(other.OpenLog(world.fs, path));
  world.log.AddLogEntry("first run");
  other.AddLogEntry("second run");
  Close(true);
  other.CloseLog(world.fs, path, true, EncodeDateTime({.year = 2002, .month = 1, .day = 14}),
                 world.settings, world.host);
  const std::string text = *ConvertText(ReadBytes(path), kCp932, kUtf8);
  const size_t first = text.find("first run\r\n");
  const size_t second = text.find("second run\r\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  // Its list is what it saved: the first run's entries as read back, then its own.
  EXPECT_EQ(other.LogList().back(), "\n★日付記入終了：2002/01/14 00:00:00\n\n");
  EXPECT_EQ(std::count(other.LogList().begin(), other.LogList().end(), "first run"), 1);
  EXPECT_TRUE(world.host.shown.empty());
}

TEST_F(RunLogTest, ALogThatExistsButCannotBeReadIsNeverReplaced) {
  testing::WriteBytes(path, "history\r\n");
  world.fs.Inject(testing::FailEvery(FsOp::kReadFileTail, EIO, "Zelvora.log"));
  EXPECT_FALSE(world.log.OpenLog(world.fs, path));
  EXPECT_EQ(world.log.LogList().front(), kLogLoadFailedNotice);
  Close(true);
  EXPECT_EQ(ReadBytes(path), "history\r\n");
  ASSERT_EQ(world.host.shown.size(), 1u);
  EXPECT_EQ(world.host.shown[0].text, "ログをファイルに保存することができません。\n" + path);
}

TEST_F(RunLogTest, OnlyTheEndOfALongLogIsRead) {
  // More than can be read at once: the partial first line of the end read is dropped.
  std::string text;
  for (int i = 0; text.size() <= RunLog::kMaxReadBytes; ++i) {
    text += "entry " + std::to_string(i) + " of a very long log\r\n";
  }
  testing::WriteBytes(path, text);
  ASSERT_TRUE(world.log.OpenLog(world.fs, path));
  ASSERT_EQ(world.log.LogList().size(), RunLog::kMaxKeptEntries);
  const std::string last = text.substr(text.rfind("entry", text.size() - 3));
  EXPECT_EQ(world.log.LogList().back() + "\r\n", last);
  for (const std::string& entry : world.log.LogList())
    ASSERT_TRUE(entry.starts_with("entry ")) << entry;
}

}  // namespace
}  // namespace zelvora

#include "gui/app/log_viewer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>

#include "gui/components/message_box.h"
#include "platform/encoding.h"
#include "records/run_log.h"
#include "tests/support/fake_shell.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using Words = std::vector<std::string>;

uint32_t PermissionBits(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xffffffff;
}

class LogViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::RemoveTree(LogFileName()); }
  void TearDown() override { testing::RemoveTree(LogFileName()); }

  // Shows the log and waits for the outcome: whether the status says it was shown.
  bool Show() {
    statuses.clear();
    ShowLog(
        shell, RealFileSystem(), requests,
        [this](const std::string& text) { statuses.push_back(text); }, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([this] { return requests.Pending() == 0; }, 60000));
    return statuses == Words{"ログを表示しました。"};
  }

  testing::TempDir runtime{"runtime"};
  testing::TempDir cache{"cache"};
  testing::ScopedEnvironment environment{
      {{"XDG_RUNTIME_DIR", runtime.path().c_str()}, {"XDG_CACHE_HOME", cache.path().c_str()}}};
  testing::FakeShell shell;
  ShellRequests requests;
  MessageBoxScript boxes;
  Words statuses;
};

TEST_F(LogViewerTest, TheViewerGetsAPrivateUtf8CopyMadeAfreshEachTime) {
  const std::string log = *ConvertText("★日付記入開始：/site/表.htm\r\n\r\n", kUtf8, kCp932);
  testing::WriteBytes(LogFileName(), log);
  ASSERT_TRUE(Show());
  const std::string copy = runtime / "zelvora/Zelvora.log";
  EXPECT_EQ(shell.opened, (Words{copy}));
  EXPECT_EQ(testing::ReadBytes(copy), "★日付記入開始：/site/表.htm\n\n");
  EXPECT_EQ(PermissionBits(copy), 0600u);
  EXPECT_EQ(PermissionBits(runtime / "zelvora"), 0700u);
  EXPECT_EQ(testing::ReadBytes(LogFileName()), log);  // the log itself stays CP932
  EXPECT_EQ(statuses, (Words{"ログを表示しました。"}));
  EXPECT_TRUE(boxes.shown.empty());

  testing::WriteBytes(LogFileName(), "second run\r\n");
  chmod(copy.c_str(), 0644);
  ASSERT_TRUE(Show());
  EXPECT_EQ(testing::ReadBytes(copy), "second run\n");
  EXPECT_EQ(PermissionBits(copy), 0600u);
}

TEST_F(LogViewerTest, AHugeLogIsShownFromTheEndThatASaveKeepsInWholeLines) {
  const std::string line = "an old entry 0123456789\r\n";  // 25 bytes: the end cuts a line
  std::string log;
  while (log.size() <= RunLog::kMaxReadBytes) log += line;
  log += "the newest entry\r\n";
  testing::WriteBytes(LogFileName(), log);
  ASSERT_TRUE(Show());
  const std::string copy = testing::ReadBytes(runtime / "zelvora/Zelvora.log");
  EXPECT_LT(copy.size(), RunLog::kMaxReadBytes);
  EXPECT_EQ(copy.substr(0, 24), "an old entry 0123456789\n");
  EXPECT_EQ(copy.substr(copy.size() - 17), "the newest entry\n");
}

TEST_F(LogViewerTest, NoLogYetGivesTheStatusAndTheBox) {
  EXPECT_FALSE(Show());
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ(statuses, (Words{"ログを表示できません。"}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.toStdString(),
            "ログを表示できません。まだログファイルが存在しない可能性があります。\n"
            "存在する場合は、テキストエディタで\n\"" +
                LogFileName() + "\"\nをご覧下さい。");
  EXPECT_EQ(boxes.shown[0].caption, "ゼルヴォラ");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::kOk);
}

TEST_F(LogViewerTest, AViewerThatFailsGivesTheStatusAndTheBox) {
  testing::WriteBytes(LogFileName(), "log\r\n");
  shell.opens = false;
  EXPECT_FALSE(Show());
  EXPECT_EQ(statuses, (Words{"ログを表示できません。"}));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(LogViewerTest, AnUnusableRuntimeFolderPutsTheCopyInTheCacheNeverShowingTheRawLog) {
  testing::WriteBytes(runtime / "blocked", "a file where a folder should be");
  environment.Set("XDG_RUNTIME_DIR", runtime / "blocked");
  testing::WriteBytes(LogFileName(), *ConvertText("表\r\n", kUtf8, kCp932));
  ASSERT_TRUE(Show());
  EXPECT_EQ(shell.opened, (Words{cache / "zelvora/Zelvora.log"}));
  EXPECT_EQ(testing::ReadBytes(cache / "zelvora/Zelvora.log"), "表\n");

  // Neither folder will do: the viewer is not given the CP932 log, the box names it.
  testing::WriteBytes(cache / "blocked", "a file where a folder should be");
  environment.Set("XDG_CACHE_HOME", cache / "blocked");
  shell.opened.clear();
  EXPECT_FALSE(Show());
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ(statuses, (Words{"ログを表示できません。"}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.indexOf(QString::fromStdString(LogFileName())), -1);
}

TEST_F(LogViewerTest, ACopyNeverReplacesTheLogItself) {
  // A program folder that is also the first scratch folder: the copy goes to the next one.
  environment.Set("ZELVORA_PROGRAM_DIR", runtime / "zelvora");
  testing::MakeFolder(runtime / "zelvora");
  const std::string log = *ConvertText("表\r\n", kUtf8, kCp932);
  testing::WriteBytes(LogFileName(), log);
  ASSERT_TRUE(Show());
  EXPECT_EQ(shell.opened, (Words{cache / "zelvora/Zelvora.log"}));
  EXPECT_EQ(testing::ReadBytes(LogFileName()), log);
}

}  // namespace
}  // namespace zelvora::gui

// Writing stamped pages back while the disk changes under the run: the run is paused at a
// chosen file-system call (a hook of the test file system) and the page is edited, swapped
// for a link or stamped by someone else there; and replaces that fail again and again.
#include "engine/page_write.h"

#include <gtest/gtest.h>

#include "engine/process_file.h"
#include "platform/atomic_file.h"
#include "platform/caching_file_system.h"
#include "records/backup.h"
#include "run/error_report.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::FsOp;
using testing::PathExists;
using testing::ReadBytes;
using testing::RunWorld;
using testing::WriteBytes;

constexpr char kMarked[] = "<p><!--#ZELV#--></p>\r\n";
constexpr char kStamped[] =
    "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) --></p>\r\n";

std::string ReadFailure(const std::string& page) {
  return "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが読み込めませんでした。\n" +
         page + kOkCancelQuestion;
}

// Names in `folder` that are temporary or set-aside files of a run.
std::vector<std::string> LeftOvers(const std::string& folder) {
  std::vector<std::string> found;
  const auto entries = RealFileSystem().ListFolder(folder);
  if (!entries.ok()) return {"(cannot list " + folder + ")"};
  for (const FolderEntry& entry : *entries) {
    if (IsTemporaryName(entry.name)) found.push_back(entry.name);
  }
  return found;
}

class PageWriteTest : public ::testing::Test {
 protected:
  // A root page that links to a child page: the root is read, then waits while the child is
  // read and stamped, and is written last.
  void MakeSite() {
    root = world.File("root.htm", std::string(kMarked) + "<a href=\"child.htm\">c</a>\r\n");
    child = world.File("child.htm", kMarked);
  }
  // Runs `change` when the run reads the child, i.e. after the root was read.
  void WhileTheRootWaits(std::function<void()> change) {
    world.fs.OnCall(FsOp::kReadFile, "child.htm", 1, std::move(change));
  }
  bool Run() { return ProcessFile(world.context, root, "", 0); }

  RunWorld world;
  std::string root;
  std::string child;
};

TEST_F(PageWriteTest, AnEditMadeDuringTheRunIsKeptAndThePageReported) {
  MakeSite();
  const std::string edited = std::string(kMarked) + "<p>saved by the editor meanwhile</p>\r\n";
  WhileTheRootWaits([&] { WriteBytes(root, edited); });
  EXPECT_TRUE(Run());  // answered OK: the run goes on without the root
  EXPECT_EQ(ReadBytes(root), edited);
  EXPECT_EQ(ReadBytes(child), kStamped);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(world.host.asked[0].text, ReadFailure(root));
  EXPECT_FALSE(PathExists(BackupName(root, 1)));
  EXPECT_TRUE(LeftOvers(world.dir.path()).empty());
}

TEST_F(PageWriteTest, APageSwappedForALinkNeverHasItsOldTextWrittenThroughTheLink) {
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links on this system";
  MakeSite();
  const std::string secret = world.File("secret.txt", "not a page of the site\n");
  WhileTheRootWaits([&] {
    testing::RemoveTree(root);
    ASSERT_TRUE(testing::MakeSymlink(secret, root));
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadBytes(secret), "not a page of the site\n");
  EXPECT_EQ(testing::SymlinkTarget(root), secret);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(world.host.asked[0].text, ReadFailure(root));
  EXPECT_FALSE(PathExists(BackupName(root, 1)));
}

TEST_F(PageWriteTest, APageAnotherRunStampedMeanwhileIsNoError) {
  MakeSite();
  const std::string stamped = std::string(kStamped) + "<a href=\"child.htm\">c</a>\r\n";
  WhileTheRootWaits([&] {
    // Another run writes the same new text as a new file, as runs do.
    WriteBytes(root + ".new", stamped);
    ASSERT_TRUE(RealFileSystem().Rename(root + ".new", root).ok());
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadBytes(root), stamped);
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(world.log.LogList().back(), "◎日付を記入する必要はありませんでした：" + root + "\n");
  EXPECT_FALSE(PathExists(BackupName(root, 1)));
}

TEST_F(PageWriteTest, APageAnotherRunStampedWithOtherDatesIsReadAndStampedAgain) {
  MakeSite();
  const std::string link = "<a href=\"child.htm\">c</a>\r\n";
  const std::string other_run =
      "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->2002/01/12<!-- #ZELV#($END) --></p>\r\n" + link;
  WhileTheRootWaits([&] {
    WriteBytes(root + ".new", other_run);
    ASSERT_TRUE(RealFileSystem().Rename(root + ".new", root).ok());
    testing::SetModifiedTime(root, testing::k1999_01_03_140730);
  });
  EXPECT_TRUE(Run());
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(ReadBytes(root), kStamped + link);
  EXPECT_EQ(ReadBytes(BackupName(root, 1)), other_run);
  EXPECT_EQ(world.LogText(), "◎日付記入開始：" + root + "\n|◎日付記入開始：" + child +
                                 "\n|◎日付を記入しました：" + child + "\n|◎日付を記入しました：" +
                                 root + "\n|");
}

TEST_F(PageWriteTest, APageThatKeepsChangingIsReportedAfterAFewTries) {
  MakeSite();
  const std::string link = "<a href=\"child.htm\">c</a>\r\n";
  std::string last;
  // Another run stamps the root with a new date each time this run is about to write it (the
  // first new file is the child's).
  for (int call = 2; call <= 6; ++call) {
    world.fs.OnCall(FsOp::kNewWritableFile, "", call, [&, call] {
      last = "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->200" + std::to_string(call) +
             "/01/01<!-- #ZELV#($END) --></p>\r\n" + link;
      WriteBytes(root + ".new", last);
      ASSERT_TRUE(RealFileSystem().Rename(root + ".new", root).ok());
    });
  }
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadBytes(root), last);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(world.host.asked[0].text, ReadFailure(root));
  EXPECT_EQ(world.fs.CallCount(FsOp::kNewWritableFile), 5) << "the first try and three more";
  EXPECT_TRUE(LeftOvers(world.dir.path()).empty());
}

TEST_F(PageWriteTest, ThreeFailedReplacesInARowLeaveEveryGenerationAsItWas) {
  world.settings.BackupGenes = 3;
  world.settings.ErrCope = kErrCopeContinue;
  const std::string page = world.File("page.htm", kMarked);
  for (int n = 1; n <= 3; ++n)
    world.File("page_Bak" + std::to_string(n) + ".bak", "gen" + std::to_string(n));
  // Only the final rename of the new text over the page fails.
  world.fs.Inject(testing::FailEvery(FsOp::kRename, EIO, ".tmp"));
  for (int attempt = 1; attempt <= 3; ++attempt) {
    SCOPED_TRACE(attempt);
    world.context.state.VisitedFiles.Clear();
    EXPECT_TRUE(ProcessFile(world.context, page, "", 0));
    EXPECT_EQ(ReadBytes(page), kMarked);
    for (int n = 1; n <= 3; ++n) {
      EXPECT_EQ(ReadBytes(BackupName(page, n)), "gen" + std::to_string(n));
    }
    EXPECT_FALSE(PathExists(BackupName(page, 4)));
    EXPECT_TRUE(LeftOvers(world.dir.path()).empty());
    EXPECT_EQ(world.context.state.ErrorCount, attempt);
  }
  EXPECT_NE(world.LogText().find("次のファイルに書き込めませんでした。\n" + page),
            std::string::npos);

  // Once the replace works again, the rotation goes through and the oldest falls off.
  world.fs.ClearFaults();
  world.context.state.VisitedFiles.Clear();
  EXPECT_TRUE(ProcessFile(world.context, page, "", 0));
  EXPECT_EQ(ReadBytes(page), kStamped);
  EXPECT_EQ(ReadBytes(BackupName(page, 1)), kMarked);
  EXPECT_EQ(ReadBytes(BackupName(page, 2)), "gen1");
  EXPECT_EQ(ReadBytes(BackupName(page, 3)), "gen2");
  EXPECT_TRUE(LeftOvers(world.dir.path()).empty());
}

TEST_F(PageWriteTest, AGenerationMadeByAnotherProcessSinceTheFolderWasListedIsRotatedToo) {
  const std::string page = world.File("page.htm", kMarked);
  // The run lists the folder when it opens the page; the generation appears afterwards.
  world.fs.OnCall(FsOp::kLinkStat, "page.htm", 1, [&] { WriteBytes(BackupName(page, 1), "gen1"); });
  CachingFileSystem cached(world.fs);
  RunContext context(world.settings, world.host, cached, world.log, world.region);
  EXPECT_TRUE(ProcessFile(context, page, "", 0));
  EXPECT_EQ(ReadBytes(page), kStamped);
  EXPECT_EQ(ReadBytes(BackupName(page, 1)), kMarked);
  EXPECT_EQ(ReadBytes(BackupName(page, 2)), "gen1");
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(context.state.ErrorCount, 0);
}

}  // namespace
}  // namespace zelvora

#include "records/backup.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/caching_file_system.h"
#include "run/error_report.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::FsOp;
using testing::PathExists;
using testing::ReadBytes;
using testing::RunWorld;

TEST(BackupNameTest, CutsTheExtensionOfTheNamePartOnly) {
  EXPECT_EQ(BackupName("/site/index.htm", 1), "/site/index_Bak1.bak");
  EXPECT_EQ(BackupName("/site/index.html", 9), "/site/index_Bak9.bak");
  EXPECT_EQ(BackupName("/site/a.b.htm", 2), "/site/a.b_Bak2.bak");
  // A name without an extension keeps its generations beside it, even in a dotted folder.
  EXPECT_EQ(BackupName("/my.site/readme", 1), "/my.site/readme_Bak1.bak");
  EXPECT_EQ(BackupName("readme", 3), "readme_Bak3.bak");
}

class RotateBackupsTest : public ::testing::Test {
 protected:
  // A page "page.htm" holding "now" and the generations 1..count holding "gen<n>".
  void MakeGenerations(int count) {
    page = world.File("page.htm", "now");
    for (int n = 1; n <= count; ++n)
      world.File(Generation(n).substr(world.dir.path().size() + 1), "gen" + std::to_string(n));
  }
  std::string Generation(int n) const { return BackupName(page, n); }
  // A rotation as the page write does it when the new page is put in place afterwards.
  Flow Rotate() { return RotateAndFinish(world, page); }

  static Flow RotateAndFinish(RunWorld& in, const std::string& file) {
    BackupRotation rotation;
    const Flow flow = RotateBackups(in.context, file, file, &rotation);
    if (flow == Flow::kContinue) rotation.Finish(in.fs);
    return flow;
  }

  RunWorld world;
  std::string page = world.dir / "page.htm";
};

TEST_F(RotateBackupsTest, FirstBackupAndFullRotationForOneThreeAndNineGenerations) {
  for (const int generations : {1, 3, 9}) {
    RunWorld fresh;
    fresh.settings.BackupGenes = generations;
    const std::string file = fresh.File("page.htm", "v1");
    ASSERT_EQ(RotateAndFinish(fresh, file), Flow::kContinue);
    EXPECT_EQ(ReadBytes(BackupName(file, 1)), "v1");
    EXPECT_EQ(ReadBytes(file), "v1");  // the page never leaves its place

    // Fill every generation, then rotate once more: the oldest falls off. Files are made
    // anew, as the run replaces pages, because generation 1 is a second name of the page.
    const auto replace = [](const std::string& path, const std::string& bytes) {
      testing::RemoveTree(path);
      testing::WriteBytes(path, bytes);
    };
    for (int n = 1; n <= generations; ++n) replace(BackupName(file, n), "gen" + std::to_string(n));
    replace(file, "v2");
    ASSERT_EQ(RotateAndFinish(fresh, file), Flow::kContinue);
    EXPECT_EQ(ReadBytes(BackupName(file, 1)), "v2");
    for (int n = 2; n <= generations; ++n) {
      EXPECT_EQ(ReadBytes(BackupName(file, n)), "gen" + std::to_string(n - 1));
    }
    EXPECT_FALSE(PathExists(BackupName(file, generations + 1)));
    EXPECT_TRUE(fresh.host.asked.empty());
  }
}

TEST_F(RotateBackupsTest, GenerationsThatAnotherRunRotatedSinceTheFolderWasListedAreNoError) {
  MakeGenerations(1);
  // The run listed the folder earlier; another run on the same site has rotated the page's
  // generations since.
  CachingFileSystem remembering(world.fs);
  RunContext context(world.settings, world.host, remembering, world.log, world.region);
  ASSERT_TRUE(remembering.ListFolder(world.dir.path()).ok());
  ASSERT_EQ(rename(Generation(1).c_str(), Generation(2).c_str()), 0);
  testing::WriteBytes(Generation(1), "other run");

  BackupRotation rotation;
  ASSERT_EQ(RotateBackups(context, page, page, &rotation), Flow::kContinue);
  rotation.Finish(remembering);
  EXPECT_EQ(ReadBytes(Generation(1)), "now");
  EXPECT_EQ(ReadBytes(Generation(2)), "other run");
  EXPECT_EQ(ReadBytes(Generation(3)), "gen1");
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(context.state.ErrorCount, 0);
}

TEST_F(RotateBackupsTest, BackupOffTouchesNothing) {
  world.settings.Backup = false;
  MakeGenerations(1);
  ASSERT_EQ(Rotate(), Flow::kContinue);
  EXPECT_EQ(ReadBytes(Generation(1)), "gen1");
  EXPECT_TRUE(world.fs.calls().empty());
}

TEST_F(RotateBackupsTest, AStepThatSucceedsOnItsImmediateRetryIsReportedButNotAsked) {
  MakeGenerations(1);
  world.fs.Inject(testing::FailNth(FsOp::kRenameNoReplace, 1, EBUSY));
  ASSERT_EQ(Rotate(), Flow::kContinue);
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(world.context.state.ErrorCount, 1);
  EXPECT_EQ(ReadBytes(Generation(2)), "gen1");
}

TEST_F(RotateBackupsTest, UnmovableGenerationIsAskedAndIgnoreGoesOn) {
  MakeGenerations(2);
  world.fs.Inject(testing::FailEvery(FsOp::kRenameNoReplace, EACCES, "_Bak1"));
  world.host.answers = {Answer::kRetry, Answer::kIgnore};
  ASSERT_EQ(Rotate(), Flow::kContinue);
  const std::string report =
      "※　エラーが発生しました。\n\n【エラーの原因】\nバックアップファイルをリネームできません。"
      "\n" +
      Generation(1);
  ASSERT_EQ(world.host.asked.size(), 3u);  // the rename, then generation 1 taken by the old one
  EXPECT_EQ(world.host.asked[0].text, report + "\n\nどうしますか？");
  EXPECT_EQ(world.host.asked[0].kind, Question::kAbortRetryIgnore);
  EXPECT_EQ(world.host.asked[2].text,
            "※　エラーが発生しました。\n\n【エラーの原因】\n元のファイルをリネームできません。\n" +
                page + "\n\nどうしますか？");
  EXPECT_EQ(world.context.state.ErrorCount, 2);  // one report per failed step, however retried
  EXPECT_EQ(world.LogText().find(report + "\n|"), 0u);
}

TEST_F(RotateBackupsTest, UndeletableOldestGenerationThenBlocksTheRenameIntoIt) {
  world.settings.BackupGenes = 3;
  MakeGenerations(3);
  // The oldest generation leaves its name by a rename; so does the one that would take it.
  world.fs.Inject(testing::FailEvery(FsOp::kRenameNoReplace, EPERM, "_Bak3"));
  world.host.answers = {Answer::kIgnore, Answer::kAbort};
  EXPECT_EQ(Rotate(), Flow::kAbort);
  ASSERT_EQ(world.host.asked.size(), 2u);
  EXPECT_NE(
      world.host.asked[0].text.find("古いバックアップファイルを削除できません。\n" + Generation(3)),
      std::string::npos);
  EXPECT_NE(
      world.host.asked[1].text.find("バックアップファイルをリネームできません。\n" + Generation(2)),
      std::string::npos);
  // Abort leaves everything as it was at that moment.
  EXPECT_EQ(ReadBytes(Generation(3)), "gen3");
  EXPECT_EQ(ReadBytes(Generation(2)), "gen2");
  EXPECT_EQ(ReadBytes(page), "now");
}

TEST_F(RotateBackupsTest, UnderThePolicyOfAbortingAFailedStepAbortsWithoutAsking) {
  world.settings.ErrCope = kErrCopeAbort;
  MakeGenerations(1);
  world.fs.Inject(testing::FailEvery(FsOp::kRenameNoReplace, EACCES));
  EXPECT_EQ(Rotate(), Flow::kAbort);
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(world.context.state.ErrorCount, 1);
}

TEST_F(RotateBackupsTest, GenerationOneIsACopyWhereLinksAreImpossible) {
  MakeGenerations(0);
  world.fs.Inject(testing::FailEvery(FsOp::kLink, EXDEV));
  ASSERT_EQ(Rotate(), Flow::kContinue);
  EXPECT_EQ(ReadBytes(Generation(1)), "now");
  EXPECT_TRUE(world.host.asked.empty());
}

}  // namespace
}  // namespace zelvora

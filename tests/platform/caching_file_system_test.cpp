#include "platform/caching_file_system.h"

#include <gtest/gtest.h>

#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::FsOp;

class CachingFileSystemTest : public ::testing::Test {
 protected:
  testing::TempDir dir{"cache"};
  testing::FaultInjectingFileSystem inner{RealFileSystem()};
  CachingFileSystem fs{inner};
};

TEST_F(CachingFileSystemTest, AsksOnceForWhatItKnowsForgetsTimesOnChangesAndKeepsListingsUpToDate) {
  const std::string page = dir / "page.htm";
  testing::WriteBytes(page, "x");
  ASSERT_TRUE(fs.ReadFile(page).ok());
  ASSERT_TRUE(fs.Stat(page).ok());
  ASSERT_TRUE(fs.ListFolder(dir.path()).ok());
  ASSERT_TRUE(fs.ListFolder(dir.path()).ok());
  EXPECT_EQ(inner.CallCount(FsOp::kStat), 0);  // the read told it already
  EXPECT_EQ(inner.CallCount(FsOp::kListFolder), 1);

  testing::SetModifiedTime(page, 1000000000);
  ASSERT_TRUE(fs.SetFileTimes(page, std::nullopt, FileTime{1000000000, 0}).ok());
  auto info = fs.Stat(page);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->last_write.seconds, 1000000000);
  ASSERT_TRUE(fs.Link(page, dir / "second.htm").ok());
  ASSERT_TRUE(fs.RenameNoReplace(page, dir / "third.htm").ok());
  auto listed = fs.ListFolder(dir.path());
  ASSERT_TRUE(listed.ok());
  ASSERT_EQ(listed->size(), 2u);
  EXPECT_EQ(inner.CallCount(FsOp::kListFolder), 1);
  // Names are looked up in the listing, without asking the disk.
  const int asked = inner.CallCount(FsOp::kLookup) + inner.CallCount(FsOp::kStat);
  EXPECT_EQ(*fs.Lookup(dir / "second.htm"), FileKind::kRegular);
  EXPECT_EQ(*fs.Lookup(dir / "third.htm"), FileKind::kRegular);
  EXPECT_TRUE(IsNotFound(fs.Lookup(page).status()));
  EXPECT_EQ(inner.CallCount(FsOp::kLookup) + inner.CallCount(FsOp::kStat), asked);

  // A change that fails leaves the listing in doubt: it is asked for again.
  EXPECT_FALSE(fs.RenameNoReplace(dir / "second.htm", dir / "third.htm").ok());
  ASSERT_TRUE(fs.ListFolder(dir.path()).ok());
  EXPECT_EQ(inner.CallCount(FsOp::kListFolder), 2);
}

TEST_F(CachingFileSystemTest, AChangeThroughALinksTargetIsSeenUnderTheLinksName) {
  const std::string target = dir / "real.htm";
  const std::string link = dir / "link.htm";
  testing::WriteBytes(target, "x");
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links on this system";
  ASSERT_TRUE(testing::MakeSymlink("real.htm", link));
  ASSERT_TRUE(fs.Stat(link).ok());
  auto resolved = fs.ResolveSymlinks(link);
  ASSERT_TRUE(resolved.ok());
  ASSERT_TRUE(fs.SetFileTimes(*resolved, std::nullopt, FileTime{1000000000, 0}).ok());
  EXPECT_EQ(fs.Stat(link)->last_write.seconds, 1000000000);
}

TEST_F(CachingFileSystemTest, FailuresAreNeverRemembered) {
  const std::string late = dir / "late.htm";
  EXPECT_FALSE(fs.Stat(late).ok());
  testing::WriteBytes(late, "now it exists");
  EXPECT_TRUE(fs.Stat(late).ok());
}

TEST_F(CachingFileSystemTest, ForgetsEverythingWhenItKnowsTooMuch) {
  CachingFileSystem small(inner, 3);
  for (const char* name : {"a", "b", "c", "d"}) testing::WriteBytes(dir / name, name);
  for (const char* name : {"a", "b", "c", "a"}) ASSERT_TRUE(small.Stat(dir / name).ok());
  EXPECT_EQ(inner.CallCount(FsOp::kStat), 3);
  ASSERT_TRUE(small.Stat(dir / "d").ok());  // a fourth file: everything is forgotten
  ASSERT_TRUE(small.Stat(dir / "a").ok());
  EXPECT_EQ(inner.CallCount(FsOp::kStat), 5);
}

}  // namespace
}  // namespace zelvora

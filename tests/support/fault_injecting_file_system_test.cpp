#include "tests/support/fault_injecting_file_system.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace zelvora::testing {
namespace {

TEST(FaultInjectingFileSystemTest, FailsOnlyTheChosenCallsAndRecordsAll) {
  TempDir dir("faults");
  WriteBytes(dir / "a", "A");
  FaultInjectingFileSystem fs(RealFileSystem());
  fs.Inject(FailNth(FsOp::kStat, 2, EIO));
  fs.Inject(FailEvery(FsOp::kReadFile, EACCES, "/b"));

  EXPECT_TRUE(fs.Stat(dir / "a").ok());
  EXPECT_EQ(fs.Stat(dir / "a").status().code(), EIO);
  EXPECT_TRUE(fs.Stat(dir / "a").ok());
  EXPECT_TRUE(fs.ReadFile(dir / "a").ok());
  EXPECT_EQ(fs.ReadFile(dir / "b").status().code(), EACCES);

  EXPECT_EQ(fs.CallCount(FsOp::kStat), 3);
  EXPECT_EQ(fs.injected_failures(), 2);
  ASSERT_EQ(fs.calls().size(), 5u);
  EXPECT_TRUE(fs.calls()[1].failed_by_injection);
  EXPECT_FALSE(fs.calls()[2].failed_by_injection);
}

TEST(FaultInjectingFileSystemTest, RenameFaultsMatchEitherPath) {
  TempDir dir("faults");
  WriteBytes(dir / "page.htm", "P");
  FaultInjectingFileSystem fs(RealFileSystem());
  fs.Inject(FailEvery(FsOp::kRenameNoReplace, EACCES, "_Bak1"));
  EXPECT_EQ(fs.RenameNoReplace(dir / "page.htm", dir / "page_Bak1.bak").code(), EACCES);
  EXPECT_TRUE(PathExists(dir / "page.htm"));
  ASSERT_EQ(fs.calls().size(), 1u);
  EXPECT_EQ(fs.calls()[0].second_path, dir / "page_Bak1.bak");
  fs.ClearFaults();
  EXPECT_TRUE(fs.RenameNoReplace(dir / "page.htm", dir / "page_Bak1.bak").ok());
}

TEST(FaultInjectingFileSystemTest, FullDiskWritesUpToTheLimitThenFails) {
  TempDir dir("faults");
  FaultInjectingFileSystem fs(RealFileSystem());
  fs.Inject(FullDiskAfter(8));
  auto file = fs.NewWritableFile(dir / "f");
  ASSERT_TRUE(file.ok());
  EXPECT_TRUE((*file)->Append("12345").ok());
  EXPECT_EQ((*file)->Append("67890").code(), ENOSPC);
  EXPECT_EQ((*file)->Append("x").code(), ENOSPC);
  EXPECT_TRUE((*file)->Close().ok());
  EXPECT_EQ(ReadBytes(dir / "f"), "12345678");
}

}  // namespace
}  // namespace zelvora::testing

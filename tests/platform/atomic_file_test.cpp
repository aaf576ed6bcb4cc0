#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "tests/support/child_process.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::Fault;
using testing::FaultInjectingFileSystem;
using testing::FsOp;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The names in `folder` that have the form of a temporary file.
std::vector<std::string> TemporaryFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  auto entries = RealFileSystem().ListFolder(folder);
  EXPECT_TRUE(entries.ok());
  if (!entries.ok()) return found;
  for (const FolderEntry& entry : *entries) {
    if (IsTemporaryName(entry.name)) found.push_back(entry.name);
  }
  return found;
}

TEST(AtomicFileTest, TemporaryNameLiesBesideTheFileAndIsStable) {
  const std::string name = TemporaryNameFor("/site/sub/index.htm");
  EXPECT_TRUE(name.starts_with("/site/sub/.zelvora-"));
  EXPECT_TRUE(IsTemporaryName(name.substr(std::strlen("/site/sub/"))));
  EXPECT_EQ(name, TemporaryNameFor("/site/sub/index.htm"));
  EXPECT_NE(name, TemporaryNameFor("/site/sub/index.html"));

  EXPECT_FALSE(IsTemporaryName("index.htm"));
  EXPECT_FALSE(IsTemporaryName(".zelvora-0123456789abcdef.tm"));
  EXPECT_FALSE(IsTemporaryName(".zelvora-0123456789ABCDEF.tmp"));
  EXPECT_TRUE(IsTemporaryName(".zelvora-0123456789abcdef.tmp"));
}

TEST(AtomicFileTest, ReplacesContentAndPermissionsAndLeavesNoTemporaryFile) {
  TempDir dir("atomic");
  const std::string page = dir / "page.htm";
  WriteBytes(page, "old");
  WriteBytes(TemporaryNameFor(page), "left behind by a killed run");
  FileInfo like;
  like.mode = 0644;
  ASSERT_TRUE(ReplaceFileAtomically(RealFileSystem(), page, "new content", &like, true).ok());
  EXPECT_EQ(ReadBytes(page), "new content");
  if (testing::FilesHavePermissionBits()) {
    EXPECT_EQ(RealFileSystem().Stat(page)->mode, 0644u);
  }
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

TEST(AtomicFileTest, CreatesAFileThatDidNotExist) {
  TempDir dir("atomic");
  ASSERT_TRUE(ReplaceFileAtomically(RealFileSystem(), dir / "fresh", "x", nullptr, false).ok());
  EXPECT_EQ(ReadBytes(dir / "fresh"), "x");
}

TEST(AtomicFileTest, AnyFailedStepLeavesTheFileWholeAndNoTemporaryFile) {
  struct Case {
    const char* what;
    Fault fault;
  };
  const Case cases[] = {
      {"create", testing::FailEvery(FsOp::kNewWritableFile, EACCES)},
      {"append", testing::FailEvery(FsOp::kAppend, EIO)},
      {"full disk part-way", testing::FullDiskAfter(10)},
      {"permissions", testing::FailEvery(FsOp::kCopyPermissions, EPERM)},
      {"sync", testing::FailEvery(FsOp::kSync, EIO)},
      {"rename", testing::FailEvery(FsOp::kRename, EXDEV)},
  };
  const std::string old_bytes("old page\r\n\x82\xA0\0tail", 16);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir("atomic");
    const std::string page = dir / "page.htm";
    WriteBytes(page, old_bytes);
    FaultInjectingFileSystem fs(RealFileSystem());
    fs.Inject(c.fault);
    FileInfo like;
    like.mode = 0644;
    const Status status =
        ReplaceFileAtomically(fs, page, std::string(1000, 'n'), &like, /*sync=*/true);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.code(), c.fault.error);
    EXPECT_EQ(fs.injected_failures(), 1);
    EXPECT_EQ(ReadBytes(page), old_bytes);
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
  }
}

TEST(AtomicFileTest, AFailedCloseAfterTheRenameIsStillReported) {
  // The temporary file stays open, and locked, until it has taken the page's place; a close
  // that fails then may mean the content did not reach the disk whole.
  TempDir dir("atomic");
  const std::string page = dir / "page.htm";
  WriteBytes(page, "old");
  FaultInjectingFileSystem fs(RealFileSystem());
  fs.Inject(testing::FailEvery(FsOp::kClose, EIO));
  const Status status = ReplaceFileAtomically(fs, page, "new", nullptr, false);
  EXPECT_EQ(status.code(), EIO);
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// Whether a process waits for the lock of the file `path`, as the kernel's list of locks
// shows it (a waiting request is marked "->"); polled for up to half a minute.
bool SomeoneWaitsForTheLockOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  const std::string file_number = ":" + std::to_string(info.st_ino) + " ";
  for (int poll = 0; poll < 3000; ++poll) {
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
      if (line.find("-> FLOCK") != std::string::npos &&
          line.find(file_number) != std::string::npos) {
        return true;
      }
    }
    usleep(10 * 1000);
  }
  return false;
}

// Blocks until the first writer has put its file in place, then writes its own.
ZELVORA_TEST_HELPER(second_writer) {
  bool waited = false;
  auto second = PendingFile::Create(RealFileSystem(), args.at(0), 0644, &waited);
  if (!second.ok() || !waited) return 2;
  PendingFile file = std::move(second).value();
  return file.Write("second", nullptr, false).ok() && file.Commit().ok() ? 0 : 3;
}

TEST(AtomicFileTest, ASecondWriterOfTheSameFileWaitsForTheFirst) {
  TempDir dir("atomic");
  const std::string page = dir / "page.htm";
  WriteBytes(page, "old");
  auto first = PendingFile::Create(RealFileSystem(), page, 0644);
  ASSERT_TRUE(first.ok());
  PendingFile writing = std::move(first).value();
  ASSERT_TRUE(writing.Write("first", nullptr, false).ok());
  // A sweep leaves the file of a live writer alone.
  EXPECT_EQ(RealFileSystem().RemoveAbandoned(writing.temporary_path(), false).code(), EBUSY);

  // Another process (a fork would share the first writer's lock), which may take a while to
  // start (under the sanitizers, say): the first writer finishes only once it waits.
  if (!testing::CanSeeLockWaiters()) GTEST_SKIP() << "no list of lock waiters to watch here";
  const int child = testing::StartHelper("second_writer", {page});
  EXPECT_TRUE(SomeoneWaitsForTheLockOf(writing.temporary_path()));
  EXPECT_EQ(ReadBytes(page), "old");  // the second writer is still waiting
  ASSERT_TRUE(writing.Commit().ok());
  EXPECT_EQ(testing::WaitForExit(child), 0);
  EXPECT_EQ(ReadBytes(page), "second");
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

TEST(AtomicFileTest, LeftOverTemporaryFilesAreRemovedUnlessTheyMayBeInUse) {
  TempDir dir("atomic");
  const std::string written = TemporaryNameFor(dir / "a.htm");
  const std::string empty = TemporaryNameFor(dir / "b.htm");
  WriteBytes(written, "half a page of a killed run");
  WriteBytes(empty, "");
  EXPECT_TRUE(RealFileSystem().RemoveAbandoned(written, false).ok());
  EXPECT_FALSE(testing::PathExists(written));
  // Empty and young: a writer may have just made it and be about to lock it.
  EXPECT_EQ(RealFileSystem().RemoveAbandoned(empty, false).code(), EBUSY);
  EXPECT_TRUE(testing::PathExists(empty));
  // A writer that finds it there waits a moment, then takes it over.
  auto pending = PendingFile::Create(RealFileSystem(), dir / "b.htm", 0644);
  ASSERT_TRUE(pending.ok());
  PendingFile file = std::move(pending).value();
  file.Discard();
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// A genuinely full disk: a tiny tmpfs mounted for the test.
class AtomicFileOnFullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!disk_.mounted()) GTEST_SKIP() << disk_.why_not();
  }
  testing::SmallDisk disk_{"64k"};
};

TEST_F(AtomicFileOnFullDiskTest, ContentTooBigForTheDiskLeavesTheOldFile) {
  const std::string page = disk_ / "page.htm";
  const std::string old_bytes(20000, 'o');
  WriteBytes(page, old_bytes);
  const Status status =
      ReplaceFileAtomically(RealFileSystem(), page, std::string(200000, 'n'), nullptr, true);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.code(), ENOSPC) << status.message();
  EXPECT_EQ(ReadBytes(page), old_bytes);
  EXPECT_TRUE(TemporaryFilesIn(disk_.path()).empty());

  // The space is given back: a content that fits still replaces the file.
  ASSERT_TRUE(ReplaceFileAtomically(RealFileSystem(), page, "small", nullptr, true).ok());
  EXPECT_EQ(ReadBytes(page), "small");
}

}  // namespace
}  // namespace zelvora

// The Windows file system as the run uses it: names beyond the ANSI code page and beyond the
// classic length limit, identity by volume and file index, the locks that guard temporary
// files, and what other programs' open files do to a replace.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_folders.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::wstring Wide(const std::string& path) { return testing::NativePath(path).wstring(); }

TEST(WindowsFileSystemTest, NamesOutsideTheAnsiCodePageAndLongPathsWork) {
  TempDir dir("names");
  FileSystem& fs = RealFileSystem();
  // Korean and an emoji have no form in code page 932; the name travels as UTF-16.
  const std::string page = dir / "한국어-😀-日記.htm";
  ASSERT_TRUE(ReplaceFileAtomically(fs, page, "text", nullptr, false).ok());
  EXPECT_EQ(*fs.ReadFile(page), "text");
  auto listed = fs.ListFolder(dir.path());
  ASSERT_TRUE(listed.ok());
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ(listed->front().name, "한국어-😀-日記.htm");

  // Over 260 characters in all.
  std::string deep = dir.path();
  for (int i = 0; i < 6; ++i) deep = JoinPath(deep, std::string(60, static_cast<char>('a' + i)));
  ASSERT_GT(deep.size(), 400u);
  const std::string long_page = JoinPath(deep, "page.htm");
  ASSERT_TRUE(CreateFolders(deep).ok());
  ASSERT_TRUE(ReplaceFileAtomically(fs, long_page, "deep", nullptr, false).ok());
  EXPECT_EQ(*fs.ReadFile(long_page), "deep");
  EXPECT_EQ(fs.Stat(long_page)->size, 4u);
  ASSERT_TRUE(fs.Link(long_page, JoinPath(deep, "second.htm")).ok());
  EXPECT_TRUE(SameFile(*fs.Stat(long_page), *fs.Stat(JoinPath(deep, "second.htm"))));
}

TEST(WindowsFileSystemTest, OneFileUnderTwoNamesIsKnownByVolumeAndFileIndex) {
  TempDir dir("identity");
  FileSystem& fs = RealFileSystem();
  WriteBytes(dir / "a.htm", "x");
  WriteBytes(dir / "b.htm", "x");
  ASSERT_TRUE(fs.Link(dir / "a.htm", dir / "hard.htm").ok());
  const FileInfo a = *fs.Stat(dir / "a.htm");
  EXPECT_TRUE(SameFile(a, *fs.Stat(dir / "hard.htm")));
  EXPECT_TRUE(SameFile(a, *fs.Stat(dir / "A.HTM")));
  EXPECT_FALSE(SameFile(a, *fs.Stat(dir / "b.htm")));
  EXPECT_NE(a.inode, 0u);
}

TEST(WindowsFileSystemTest, AReadOnlyFileIsNotWritableAndHiddenOnesStayHidden) {
  TempDir dir("attributes");
  FileSystem& fs = RealFileSystem();
  WriteBytes(dir / "locked.htm", "x");
  ASSERT_TRUE(SetFileAttributesW(Wide(dir / "locked.htm").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(fs.Stat(dir / "locked.htm")->mode & 0222, 0u);
  EXPECT_EQ(fs.Remove(dir / "locked.htm").code(), EACCES);
  EXPECT_TRUE(PathExists(dir / "locked.htm"));
  ASSERT_TRUE(SetFileAttributesW(Wide(dir / "locked.htm").c_str(), FILE_ATTRIBUTE_NORMAL));

  WriteBytes(dir / "hidden.htm", "old");
  ASSERT_TRUE(SetFileAttributesW(Wide(dir / "hidden.htm").c_str(), FILE_ATTRIBUTE_HIDDEN));
  const FileInfo before = *fs.Stat(dir / "hidden.htm");
  ASSERT_TRUE(ReplaceFileAtomically(fs, dir / "hidden.htm", "new", &before, false).ok());
  EXPECT_EQ(ReadBytes(dir / "hidden.htm"), "new");
  EXPECT_NE(GetFileAttributesW(Wide(dir / "hidden.htm").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(WindowsFileSystemTest, ALockedTemporaryFileIsInUseUntilItsWriterIsDone) {
  TempDir dir("locks");
  FileSystem& fs = RealFileSystem();
  auto pending = PendingFile::Create(fs, dir / "page.htm", 0644);
  ASSERT_TRUE(pending.ok());
  PendingFile file = std::move(pending).value();
  ASSERT_TRUE(file.Write("x", nullptr, false).ok());
  EXPECT_EQ(fs.RemoveAbandoned(file.temporary_path(), false).code(), EBUSY);
  // Its content stays readable meanwhile: the lock guards its name only.
  EXPECT_EQ(ReadBytes(file.temporary_path()), "x");
  ASSERT_TRUE(file.Commit().ok());
  EXPECT_EQ(ReadBytes(dir / "page.htm"), "x");

  // A temporary file whose writer is gone is removed.
  WriteBytes(TemporaryNameFor(dir / "other.htm"), "half a page");
  EXPECT_TRUE(fs.RemoveAbandoned(TemporaryNameFor(dir / "other.htm"), false).ok());
  EXPECT_FALSE(PathExists(TemporaryNameFor(dir / "other.htm")));

  // The lock of a lock file is held until it is dropped.
  {
    auto lock = fs.Lock(dir / "log.lock");
    ASSERT_TRUE(lock.ok());
  }
  EXPECT_TRUE(fs.Lock(dir / "log.lock").ok());
}

TEST(WindowsFileSystemTest, AFileHeldOpenWithoutSharingIsNeverReplacedHalfWay) {
  TempDir dir("held");
  FileSystem& fs = RealFileSystem();
  WriteBytes(dir / "page.htm", "old");
  // Another program holds the page open, letting others read it but not delete or replace it.
  const HANDLE held = CreateFileW(Wide(dir / "page.htm").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Status replaced = ReplaceFileAtomically(fs, dir / "page.htm", "new", nullptr, false);
  CloseHandle(held);
  EXPECT_FALSE(replaced.ok());
  EXPECT_NE(replaced.message().find("page.htm"), std::string::npos) << replaced.message();
  EXPECT_EQ(ReadBytes(dir / "page.htm"), "old");
  EXPECT_FALSE(PathExists(TemporaryNameFor(dir / "page.htm")));
}

TEST(WindowsFileSystemTest, DevicesArePassedOverAndPathsThroughAFileAreNoFolders) {
  TempDir dir("devices");
  FileSystem& fs = RealFileSystem();
  for (const char* device : {"CON", "NUL", "con.htm"}) {
    const auto read = fs.ReadFile(dir / device);
    EXPECT_FALSE(read.ok()) << device;
  }
  WriteBytes(dir / "page.htm", "x");
  const auto through = fs.Stat(dir / "page.htm/inner.htm");
  EXPECT_EQ(through.status().code(), ENOTDIR) << through.status().message();
  EXPECT_TRUE(IsNotFound(through.status()));
  EXPECT_EQ(fs.Lookup(dir / "missing.htm").status().code(), ENOENT);
  EXPECT_EQ(fs.ReadFile(dir.path()).status().code(), EISDIR);
}

TEST(WindowsFileSystemTest, ARenameNeverReplacesAnotherNameOfTheSameFile) {
  TempDir dir("names");
  FileSystem& fs = RealFileSystem();
  WriteBytes(dir / "a.htm", "x");
  ASSERT_TRUE(fs.Link(dir / "a.htm", dir / "b.htm").ok());
  EXPECT_EQ(fs.RenameNoReplace(dir / "a.htm", dir / "b.htm").code(), EEXIST);
  EXPECT_TRUE(PathExists(dir / "a.htm"));
  EXPECT_TRUE(fs.RenameNoReplace(dir / "a.htm", dir / "c.htm").ok());
}

}  // namespace
}  // namespace zelvora

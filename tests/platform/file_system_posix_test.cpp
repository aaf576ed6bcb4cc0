#include "platform/file_system_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class PosixFileSystemTest : public ::testing::Test {
 protected:
  FileSystem& fs_ = RealFileSystem();
  TempDir dir_{"posixfs"};
};

TEST_F(PosixFileSystemTest, StatReportsKindSizeModeAndTimesFollowingLinks) {
  const std::string file = dir_ / "a.htm";
  WriteBytes(file, "12345");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  testing::SetModifiedTime(file, 1700000000);
  ASSERT_EQ(symlink("a.htm", (dir_ / "link.htm").c_str()), 0);

  for (const std::string& path : {file, dir_ / "link.htm"}) {
    auto info = fs_.Stat(path);
    ASSERT_TRUE(info.ok()) << info.status().message();
    EXPECT_EQ(info->kind, FileKind::kRegular);
    EXPECT_EQ(info->size, 5u);
    EXPECT_EQ(info->mode, 0640u);
    EXPECT_EQ(info->last_write.seconds, 1700000000);
    EXPECT_EQ(info->owner, getuid());
  }
  auto folder = fs_.Stat(dir_.path());
  ASSERT_TRUE(folder.ok());
  EXPECT_EQ(folder->kind, FileKind::kFolder);
}

TEST_F(PosixFileSystemTest, MissingPathsAreNotFound) {
  WriteBytes(dir_ / "file", "x");
  ASSERT_EQ(symlink("nowhere", (dir_ / "dangling").c_str()), 0);
  for (const std::string& path : {dir_ / "missing", dir_ / "file/below", dir_ / "dangling"}) {
    auto info = fs_.Stat(path);
    ASSERT_FALSE(info.ok()) << path;
    EXPECT_TRUE(IsNotFound(info.status())) << path << ": " << info.status().message();
  }
  EXPECT_FALSE(IsNotFound(Status::Ok()));
  EXPECT_FALSE(IsNotFound(Status::Error("denied", EACCES)));
}

TEST_F(PosixFileSystemTest, PathsHoldingNulAreRefusedNotShortened) {
  WriteBytes(dir_ / "a.htm", "A");
  const std::string sneaky = dir_ / std::string("a.htm\0tail", 10);
  EXPECT_EQ(fs_.Stat(sneaky).status().code(), EINVAL);
  EXPECT_EQ(fs_.ReadFile(sneaky).status().code(), EINVAL);
  EXPECT_EQ(fs_.Remove(sneaky).code(), EINVAL);
  EXPECT_EQ(fs_.RenameNoReplace(dir_ / "a.htm", sneaky).code(), EINVAL);
  EXPECT_TRUE(PathExists(dir_ / "a.htm"));
}

TEST_F(PosixFileSystemTest, ReadFileReturnsEveryByte) {
  const std::string bytes("line1\r\nNUL\0after\xFF", 17);
  WriteBytes(dir_ / "bin", bytes);
  auto content = fs_.ReadFile(dir_ / "bin");
  ASSERT_TRUE(content.ok());
  EXPECT_EQ(*content, bytes);

  const std::string big(300000, 'x');
  WriteBytes(dir_ / "big", big);
  EXPECT_EQ(fs_.ReadFile(dir_ / "big").value(), big);
}

TEST_F(PosixFileSystemTest, PacedReadAsksBetweenPiecesAndStopsWhenTold) {
  const std::string file = dir_ / "large.htm";
  std::string bytes(5 << 20, 'x');  // two whole pieces of 2 MiB and a part
  bytes.back() = 'y';
  WriteBytes(file, bytes);

  int asked = 0;
  auto content = fs_.ReadFilePaced(file, nullptr, [&asked] { return ++asked > 0; });
  ASSERT_TRUE(content.ok()) << content.status().message();
  EXPECT_EQ(*content, bytes);
  EXPECT_EQ(asked, 2);

  asked = 0;
  content = fs_.ReadFilePaced(file, nullptr, [&asked] { return ++asked < 2; });
  EXPECT_EQ(content.status().code(), ECANCELED);
  EXPECT_EQ(asked, 2);
}

TEST_F(PosixFileSystemTest, APacedReadOfAFileThatGrowsOrShrinksBetweenPiecesFails) {
  const std::string file = dir_ / "large.htm";
  const std::string bytes(5 << 20, 'x');
  for (const bool grow : {true, false}) {
    WriteBytes(file, bytes);
    bool changed = false;
    const auto content = fs_.ReadFilePaced(file, nullptr, [&] {
      if (!std::exchange(changed, true)) {
        if (grow) {
          WriteBytes(file, bytes + "more");
        } else {
          EXPECT_EQ(truncate(file.c_str(), 3 << 20), 0);
        }
      }
      return true;
    });
    EXPECT_EQ(content.status().code(), EAGAIN) << (grow ? "grown" : "shrunk");
  }
}

TEST_F(PosixFileSystemTest, ReadFileRefusesFoldersAndSpecialFilesWithoutBlocking) {
  auto folder = fs_.ReadFile(dir_.path());
  ASSERT_FALSE(folder.ok());
  EXPECT_EQ(folder.status().code(), EISDIR);

  // Opening a pipe without a writer would wait for ever with a plain open.
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  auto pipe = fs_.ReadFile(dir_ / "pipe");
  ASSERT_FALSE(pipe.ok());
  EXPECT_EQ(pipe.status().code(), EINVAL);

  EXPECT_TRUE(IsNotFound(fs_.ReadFile(dir_ / "missing").status()));
}

TEST_F(PosixFileSystemTest, ReadFileTailReadsTheEndOfAFileAndTellsItsSize) {
  WriteBytes(dir_ / "log", "0123456789");
  uint64_t size = 0;
  EXPECT_EQ(*fs_.ReadFileTail(dir_ / "log", 4, &size), "6789");
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(*fs_.ReadFileTail(dir_ / "log", 100, &size), "0123456789");
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(fs_.ReadFileTail(dir_ / "pipe", 4, &size).status().code(), EINVAL);
}

TEST_F(PosixFileSystemTest, LinkStatReportsALinkItself) {
  WriteBytes(dir_ / "real", "x");
  ASSERT_EQ(symlink("real", (dir_ / "link").c_str()), 0);
  EXPECT_EQ(fs_.LinkStat(dir_ / "link")->kind, FileKind::kSymlink);
  EXPECT_EQ(fs_.LinkStat(dir_ / "real")->kind, FileKind::kRegular);
  EXPECT_EQ(fs_.Stat(dir_ / "link")->inode, fs_.LinkStat(dir_ / "real")->inode);
}

TEST_F(PosixFileSystemTest, AScratchFileGivesBackWhatWasWrittenInManyPieces) {
  auto scratch = fs_.NewScratchFile();
  ASSERT_TRUE(scratch.ok());
  // More pieces than one system call takes.
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) texts.push_back(std::string(i % 7, 'a' + i % 26) + "|");
  std::vector<std::string_view> pieces(texts.begin(), texts.end());
  ASSERT_TRUE((*scratch)->WriteAt(10, pieces).ok());
  std::vector<std::string> back;
  std::vector<std::span<char>> spans;
  for (const std::string& text : texts) back.emplace_back(text.size(), '?');
  for (std::string& text : back) spans.emplace_back(text.data(), text.size());
  ASSERT_TRUE((*scratch)->ReadAt(10, spans).ok());
  EXPECT_EQ(back, texts);
  // Reading beyond what was written fails.
  std::string beyond(10, '?');
  EXPECT_FALSE((*scratch)->ReadAt(1 << 20, {std::span<char>(beyond.data(), beyond.size())}).ok());
}

TEST_F(PosixFileSystemTest, ListFolderIncludesHiddenEntriesAndJudgesLinksByTarget) {
  WriteBytes(dir_ / "a.htm", "");
  WriteBytes(dir_ / ".hidden", "");
  testing::MakeFolder(dir_ / "sub");
  ASSERT_EQ(symlink("sub", (dir_ / "folder-link").c_str()), 0);
  ASSERT_EQ(symlink("a.htm", (dir_ / "file-link").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir_ / "dangling").c_str()), 0);

  auto entries = fs_.ListFolder(dir_.path());
  ASSERT_TRUE(entries.ok());
  std::vector<std::pair<std::string, bool>> seen;
  for (const FolderEntry& entry : *entries) seen.emplace_back(entry.name, entry.is_folder);
  std::sort(seen.begin(), seen.end());
  const std::vector<std::pair<std::string, bool>> expected = {
      {".hidden", false},   {"a.htm", false},      {"dangling", false},
      {"file-link", false}, {"folder-link", true}, {"sub", true}};
  EXPECT_EQ(seen, expected);

  EXPECT_TRUE(IsNotFound(fs_.ListFolder(dir_ / "missing").status()));
  EXPECT_EQ(fs_.ListFolder(dir_ / "a.htm").status().code(), ENOTDIR);
}

TEST_F(PosixFileSystemTest, HasSubfolderCountsHiddenFoldersAndLinksToFoldersButNotFiles) {
  testing::MakeFolder(dir_ / "files");
  WriteBytes(dir_ / "files/a.htm", "");
  ASSERT_EQ(symlink("a.htm", (dir_ / "files/link").c_str()), 0);
  testing::MakeFolder(dir_ / "hidden/.git");
  testing::MakeFolder(dir_ / "linked/target");
  ASSERT_EQ(symlink("target", (dir_ / "linked/via").c_str()), 0);
  testing::MakeFolder(dir_ / "empty");

  for (const char* folder : {"hidden", "linked"}) {
    auto found = fs_.HasSubfolder(dir_ / folder);
    ASSERT_TRUE(found.ok()) << folder;
    EXPECT_TRUE(*found) << folder;
  }
  for (const char* folder : {"files", "empty"}) {
    auto found = fs_.HasSubfolder(dir_ / folder);
    ASSERT_TRUE(found.ok()) << folder;
    EXPECT_FALSE(*found) << folder;
  }
  EXPECT_TRUE(IsNotFound(fs_.HasSubfolder(dir_ / "missing").status()));
  EXPECT_EQ(fs_.HasSubfolder(dir_ / "files/a.htm").status().code(), ENOTDIR);
}

TEST_F(PosixFileSystemTest, NewWritableFileCreatesExclusivelyAndPrivately) {
  const std::string path = dir_ / "new";
  auto file = fs_.NewWritableFile(path);
  ASSERT_TRUE(file.ok()) << file.status().message();
  ASSERT_TRUE((*file)->Append("hello ").ok());
  ASSERT_TRUE((*file)->Append(std::string(100000, 'w')).ok());
  ASSERT_TRUE((*file)->Sync().ok());
  ASSERT_TRUE((*file)->Close().ok());
  EXPECT_EQ(ReadBytes(path), "hello " + std::string(100000, 'w'));
  EXPECT_EQ(fs_.Stat(path)->mode, 0600u);

  // Once closed, the file refuses further work instead of touching a reused descriptor.
  EXPECT_EQ((*file)->Append("x").code(), EBADF);
  EXPECT_FALSE((*file)->Close().ok());

  auto again = fs_.NewWritableFile(path);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.status().code(), EEXIST);

  // A symbolic link at the path is not followed into an existing file.
  WriteBytes(dir_ / "target", "keep");
  ASSERT_EQ(symlink("target", (dir_ / "link").c_str()), 0);
  EXPECT_EQ(fs_.NewWritableFile(dir_ / "link").status().code(), EEXIST);
  EXPECT_EQ(ReadBytes(dir_ / "target"), "keep");
}

TEST_F(PosixFileSystemTest, CopyPermissionsGivesTheModeOfAnotherFile) {
  FileInfo like;
  like.mode = 0644;
  like.owner = getuid();
  like.group = getgid();
  auto file = fs_.NewWritableFile(dir_ / "page");
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE((*file)->CopyPermissions(like).ok());
  ASSERT_TRUE((*file)->Close().ok());
  EXPECT_EQ(fs_.Stat(dir_ / "page")->mode, 0644u);
}

TEST_F(PosixFileSystemTest, RenameReplacesButRenameNoReplaceDoesNot) {
  WriteBytes(dir_ / "a", "A");
  WriteBytes(dir_ / "b", "B");
  Status refused = fs_.RenameNoReplace(dir_ / "a", dir_ / "b");
  EXPECT_EQ(refused.code(), EEXIST);
  EXPECT_EQ(ReadBytes(dir_ / "a"), "A");
  EXPECT_EQ(ReadBytes(dir_ / "b"), "B");

  ASSERT_TRUE(fs_.RenameNoReplace(dir_ / "a", dir_ / "c").ok());
  EXPECT_FALSE(PathExists(dir_ / "a"));
  EXPECT_EQ(ReadBytes(dir_ / "c"), "A");
  EXPECT_TRUE(IsNotFound(fs_.RenameNoReplace(dir_ / "a", dir_ / "d")));

  ASSERT_TRUE(fs_.Rename(dir_ / "c", dir_ / "b").ok());
  EXPECT_EQ(ReadBytes(dir_ / "b"), "A");
  EXPECT_FALSE(PathExists(dir_ / "c"));
}

TEST_F(PosixFileSystemTest, LinkFallbackOfRenameNoReplaceKeepsTheSameContract) {
  WriteBytes(dir_ / "a", "A");
  WriteBytes(dir_ / "b", "B");
  EXPECT_EQ(RenameNoReplaceByLink(dir_ / "a", dir_ / "b").code(), EEXIST);
  EXPECT_EQ(ReadBytes(dir_ / "a"), "A");
  EXPECT_EQ(ReadBytes(dir_ / "b"), "B");

  ASSERT_TRUE(RenameNoReplaceByLink(dir_ / "a", dir_ / "c").ok());
  EXPECT_FALSE(PathExists(dir_ / "a"));
  EXPECT_EQ(ReadBytes(dir_ / "c"), "A");

  // A symbolic link is moved as a link, as rename moves it.
  ASSERT_EQ(symlink("c", (dir_ / "link").c_str()), 0);
  ASSERT_TRUE(RenameNoReplaceByLink(dir_ / "link", dir_ / "moved").ok());
  struct stat info;
  ASSERT_EQ(lstat((dir_ / "moved").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_TRUE(IsNotFound(RenameNoReplaceByLink(dir_ / "missing", dir_ / "x")));
}

TEST_F(PosixFileSystemTest, LinkMakesASecondNameOfTheFileALinkPointsAt) {
  WriteBytes(dir_ / "page", "P");
  ASSERT_EQ(symlink("page", (dir_ / "alias").c_str()), 0);
  ASSERT_TRUE(fs_.Link(dir_ / "alias", dir_ / "second").ok());
  struct stat page, second;
  ASSERT_EQ(lstat((dir_ / "page").c_str(), &page), 0);
  ASSERT_EQ(lstat((dir_ / "second").c_str(), &second), 0);
  EXPECT_TRUE(S_ISREG(second.st_mode));
  EXPECT_EQ(page.st_ino, second.st_ino);
  EXPECT_EQ(fs_.Link(dir_ / "page", dir_ / "second").code(), EEXIST);
}

TEST_F(PosixFileSystemTest, RemoveDeletesFilesOnly) {
  WriteBytes(dir_ / "f", "");
  testing::MakeFolder(dir_ / "sub");
  ASSERT_TRUE(fs_.Remove(dir_ / "f").ok());
  EXPECT_FALSE(PathExists(dir_ / "f"));
  EXPECT_TRUE(IsNotFound(fs_.Remove(dir_ / "f")));
  EXPECT_FALSE(fs_.Remove(dir_ / "sub").ok());
  EXPECT_TRUE(PathExists(dir_ / "sub"));
}

TEST_F(PosixFileSystemTest, SetFileTimesLeavesATimeNotGivenAlone) {
  const std::string path = dir_ / "f";
  WriteBytes(path, "");
  ASSERT_TRUE(fs_.SetFileTimes(path, FileTime{1000000000, 0}, FileTime{1200000000, 500}).ok());
  ASSERT_TRUE(fs_.SetFileTimes(path, std::nullopt, FileTime{1300000000, 123456789}).ok());
  auto info = fs_.Stat(path);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->last_access, (FileTime{1000000000, 0}));
  EXPECT_EQ(info->last_write, (FileTime{1300000000, 123456789}));

  ASSERT_TRUE(fs_.SetFileTimes(path, FileTime{1100000000, 0}, std::nullopt).ok());
  EXPECT_EQ(fs_.Stat(path)->last_write, (FileTime{1300000000, 123456789}));
  EXPECT_TRUE(IsNotFound(fs_.SetFileTimes(dir_ / "missing", std::nullopt, FileTime{1, 0})));
}

TEST_F(PosixFileSystemTest, ResolveSymlinksFollowsChainsToTheirEnd) {
  testing::MakeFolder(dir_ / "site/sub");
  testing::MakeFolder(dir_ / "real");
  WriteBytes(dir_ / "real/page.htm", "P");
  // site/a.htm -> sub/b.htm -> ../../real/page.htm (relative contents, each against the
  // folder of its own link).
  ASSERT_EQ(symlink("sub/b.htm", (dir_ / "site/a.htm").c_str()), 0);
  ASSERT_EQ(symlink("../../real/page.htm", (dir_ / "site/sub/b.htm").c_str()), 0);
  ASSERT_EQ(symlink((dir_ / "real/page.htm").c_str(), (dir_ / "abs").c_str()), 0);

  char* canonical = realpath(dir_.path().c_str(), nullptr);
  ASSERT_NE(canonical, nullptr);
  const std::string root = canonical;
  free(canonical);
  EXPECT_EQ(fs_.ResolveSymlinks(dir_ / "site/a.htm").value(), root + "/real/page.htm");
  EXPECT_EQ(fs_.ResolveSymlinks(dir_ / "abs").value(), root + "/real/page.htm");
  EXPECT_EQ(fs_.ResolveSymlinks(dir_ / "real/page.htm").value(), dir_ / "real/page.htm");
  EXPECT_EQ(fs_.ResolveSymlinks(dir_ / "missing").value(), dir_ / "missing");
}

TEST_F(PosixFileSystemTest, ResolveSymlinksInsideALinkedFolderFollowsTheRealParent) {
  // "linked" points at deep/inner; a link inside it to "../x" means deep/x, not dir/x.
  testing::MakeFolder(dir_ / "deep/inner");
  WriteBytes(dir_ / "deep/x", "deep");
  ASSERT_EQ(symlink("deep/inner", (dir_ / "linked").c_str()), 0);
  ASSERT_EQ(symlink("../x", (dir_ / "deep/inner/up").c_str()), 0);
  auto resolved = fs_.ResolveSymlinks(dir_ / "linked/up");
  ASSERT_TRUE(resolved.ok());
  EXPECT_EQ(ReadBytes(*resolved), "deep");
  EXPECT_EQ(NamePart(*resolved), "x");
}

TEST_F(PosixFileSystemTest, ResolveSymlinksEndsDanglingChainsAndRefusesLoops) {
  ASSERT_EQ(symlink("gone.htm", (dir_ / "dangling").c_str()), 0);
  auto dangling = fs_.ResolveSymlinks(dir_ / "dangling");
  ASSERT_TRUE(dangling.ok());
  EXPECT_TRUE(dangling->ends_with("/gone.htm"));

  ASSERT_EQ(symlink("loop2", (dir_ / "loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (dir_ / "loop2").c_str()), 0);
  EXPECT_EQ(fs_.ResolveSymlinks(dir_ / "loop1").status().code(), ELOOP);
}

}  // namespace
}  // namespace zelvora

// Paths as Windows writes them: "\" and "/" both separate folders, drives and shared folders
// begin absolute paths, and names compare without regard to letter case.
#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zelvora {
namespace {

TEST(WindowsPathsTest, FolderAndNamePartsSplitAtEitherSeparatorAndAfterADrive) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\site\\sub\\a.htm", "C:\\site\\sub\\", "a.htm"},
      {"C:/site/sub/a.htm", "C:/site/sub/", "a.htm"},
      {"C:\\site/mixed\\a.htm", "C:\\site/mixed\\", "a.htm"},
      {"\\\\server\\share\\a.htm", "\\\\server\\share\\", "a.htm"},
      {"C:a.htm", "C:", "a.htm"},
      {"C:\\", "C:\\", ""},
      {"a.htm", "", "a.htm"},
      {"C:\\site\\日本語.htm", "C:\\site\\", "日本語.htm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << c.path;
  }
}

TEST(WindowsPathsTest, ResolvePathKeepsDrivesAndSharesAndWritesBackslashes) {
  struct Case {
    const char* base;
    const char* relative;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\site\\sub\\", "../index.htm", "C:\\site\\index.htm"},
      {"C:\\site\\", "sub/b.htm", "C:\\site\\sub\\b.htm"},
      {"C:\\site\\", "sub\\.\\b.htm", "C:\\site\\sub\\b.htm"},
      {"C:\\site\\", "sub/", "C:\\site\\sub\\"},
      {"C:\\site\\", "", "C:\\site\\"},
      {"C:\\site\\", "..\\..\\..\\x.htm", "C:\\x.htm"},
      {"c:/site/", "a.htm", "C:\\site\\a.htm"},
      // A path rooted without a drive is on the base's drive (or share).
      {"D:\\site\\", "\\other\\x.htm", "D:\\other\\x.htm"},
      {"D:\\site\\", "/other/x.htm", "D:\\other\\x.htm"},
      {"\\\\server\\share\\site\\", "\\x.htm", "\\\\server\\share\\x.htm"},
      // A drive given with its folder, or a share, is absolute.
      {"D:\\site\\", "E:\\x.htm", "E:\\x.htm"},
      {"D:\\site\\", "\\\\server\\share\\a\\..\\x.htm", "\\\\server\\share\\x.htm"},
      {"\\\\server\\share\\", "..\\..\\x.htm", "\\\\server\\share\\x.htm"},
      // A drive without a folder means that drive's current folder: the base's, on its drive.
      {"D:\\site\\", "D:x.htm", "D:\\site\\x.htm"},
      {"D:\\site\\", "E:x.htm", "E:\\x.htm"},
      // The prefix that lifts the length limit names the same places.
      {"D:\\site\\", "\\\\?\\E:\\x.htm", "E:\\x.htm"},
      {"D:\\site\\", "\\\\?\\UNC\\server\\share\\x.htm", "\\\\server\\share\\x.htm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePath(c.base, c.relative), c.expected) << c.base << " + " << c.relative;
  }
}

TEST(WindowsPathsTest, AbsoluteAndRootedPaths) {
  EXPECT_TRUE(IsAbsolutePath("C:\\site\\a.htm"));
  EXPECT_TRUE(IsAbsolutePath("c:/site/a.htm"));
  EXPECT_TRUE(IsAbsolutePath("\\\\server\\share\\a.htm"));
  EXPECT_FALSE(IsAbsolutePath("\\site\\a.htm"));
  EXPECT_FALSE(IsAbsolutePath("C:a.htm"));
  EXPECT_FALSE(IsAbsolutePath("a.htm"));
  EXPECT_TRUE(IsRootedPath("\\site\\a.htm"));
  EXPECT_TRUE(IsRootedPath("/site/a.htm"));
  EXPECT_FALSE(IsRootedPath("\\\\server\\share\\a.htm"));
  EXPECT_FALSE(IsRootedPath("C:\\a.htm"));
  EXPECT_EQ(JoinPath("C:\\site", "a.htm"), "C:\\site\\a.htm");
  EXPECT_EQ(JoinPath("C:\\site\\", "a.htm"), "C:\\site\\a.htm");
  EXPECT_EQ(JoinPath("C:", "a.htm"), "C:a.htm");
  auto current = CurrentFolder();
  ASSERT_TRUE(current.ok()) << current.status().message();
  EXPECT_TRUE(IsAbsolutePath(*current)) << *current;
  EXPECT_TRUE(current->ends_with('\\')) << *current;
}

TEST(WindowsPathsTest, NamesCompareWithoutRegardToLetterCaseBeyondAscii) {
  EXPECT_TRUE(FileNamesIgnoreCase());
  EXPECT_EQ(FileNameKey("C:\\Site\\News.htm"), FileNameKey("c:\\site\\NEWS.HTM"));
  // Letters beyond ASCII too (ä, Ω, full-width Ａ), and other characters as they are.
  EXPECT_EQ(FileNameKey("Über-ä-ω-ａ.htm"), FileNameKey("üBER-Ä-Ω-Ａ.HTM"));
  EXPECT_EQ(FileNameKey("日記.htm"), "日記.HTM");
  EXPECT_NE(FileNameKey("news.htm"), FileNameKey("news.html"));
}

}  // namespace
}  // namespace zelvora

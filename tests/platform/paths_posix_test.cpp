// Paths where "/" is the only separator.
#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zelvora {
namespace {

TEST(PosixPathsTest, FolderAndNameParts) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"/site/sub/a.htm", "/site/sub/", "a.htm"},
      {"/site/sub/", "/site/sub/", ""},
      {"a.htm", "", "a.htm"},
      {"/", "/", ""},
      {"", "", ""},
      {"/site/日本語.htm", "/site/", "日本語.htm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << c.path;
  }
}

TEST(PosixPathsTest, ResolvePathResolvesStepsTextually) {
  struct Case {
    const char* base;
    const char* relative;
    const char* expected;
  };
  const Case cases[] = {
      {"/site/sub/", "../index.htm", "/site/index.htm"},
      {"/site/", "sub/b.htm", "/site/sub/b.htm"},
      {"/site/", "./a.htm", "/site/a.htm"},
      {"/site/", "sub//b.htm", "/site/sub/b.htm"},
      {"/site/", "sub/", "/site/sub/"},
      {"/site/", "sub/.", "/site/sub/"},
      {"/site/sub/", "..", "/site/"},
      {"/site/", "", "/site/"},
      {"/site", "a.htm", "/site/a.htm"},
      {"/site/", "/other/x.htm", "/other/x.htm"},
      {"/site/", "../../../x.htm", "/x.htm"},
      {"/", "..", "/"},
      {"/site/", "a/../../b/./c", "/b/c"},
      {"/site/", "..a/b..", "/site/..a/b.."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePath(c.base, c.relative), c.expected) << c.base << " + " << c.relative;
  }
}

TEST(PosixPathsTest, CurrentFolderEndsWithSeparator) {
  auto folder = CurrentFolder();
  ASSERT_TRUE(folder.ok()) << folder.status().message();
  EXPECT_TRUE(folder->starts_with('/'));
  EXPECT_TRUE(folder->ends_with('/'));
}

TEST(PosixPathsTest, NamesDifferingInLetterCaseAreDifferentNames) {
  EXPECT_FALSE(FileNamesIgnoreCase());
  EXPECT_EQ(FileNameKey("News.htm"), "News.htm");
  EXPECT_TRUE(IsAbsolutePath("/site/a.htm"));
  EXPECT_FALSE(IsAbsolutePath("site/a.htm"));
  EXPECT_EQ(JoinPath("/site", "a.htm"), "/site/a.htm");
  EXPECT_EQ(JoinPath("/site/", "a.htm"), "/site/a.htm");
}

}  // namespace
}  // namespace zelvora

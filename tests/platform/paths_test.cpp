#include "platform/paths.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(PathsTest, FolderAndNameParts) {
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

TEST(PathsTest, ResolvePathResolvesStepsTextually) {
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

TEST(PathsTest, CurrentFolderEndsWithSeparator) {
  auto folder = CurrentFolder();
  ASSERT_TRUE(folder.ok()) << folder.status().message();
  EXPECT_TRUE(folder->starts_with('/'));
  EXPECT_TRUE(folder->ends_with('/'));
}

TEST(PathsTest, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower("Photo.JPG"), "photo.jpg");
  EXPECT_EQ(AsciiUpper("http://x"), "HTTP://X");
  // Multi-byte characters (here Ａ, full-width) and other bytes pass unchanged.
  EXPECT_EQ(AsciiLower("\xEF\xBC\xA1Z\xFF"), "\xEF\xBC\xA1z\xFF");
  EXPECT_EQ(AsciiUpper("\xEF\xBD\x81z"), "\xEF\xBD\x81Z");
}

}  // namespace
}  // namespace zelvora

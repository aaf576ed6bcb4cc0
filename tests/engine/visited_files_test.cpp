#include "engine/visited_files.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(VisitedFilesTest, NamesMatchWithoutRegardToLetterCaseOnly) {
  VisitedFileSet visited;
  ASSERT_NE(visited.Insert("/Site/Long/Folder.Name/Index.HTM"), nullptr);
  EXPECT_EQ(visited.Insert("/site/long/folder.name/index.htm"), nullptr);
  EXPECT_TRUE(visited.Contains("/SITE/LONG/FOLDER.NAME/INDEX.HTM"));
  EXPECT_FALSE(visited.ContainsExactly("/site/long/folder.name/index.htm"));
  EXPECT_TRUE(visited.ContainsExactly("/Site/Long/Folder.Name/Index.HTM"));

  // Only A-Z fold: the bytes just outside the capitals, and non-ASCII bytes, stay distinct.
  ASSERT_NE(visited.Insert("/pages/@[\\]^_.htm"), nullptr);
  EXPECT_FALSE(visited.Contains("/pages/`{|}~_.htm"));
  ASSERT_NE(visited.Insert("/pages/表Ａ.htm"), nullptr);
  EXPECT_FALSE(visited.Contains("/pages/表ａ.htm"));
  EXPECT_TRUE(visited.Contains("/PAGES/表Ａ.HTM"));
  EXPECT_EQ(visited.size(), 3u);
}

}  // namespace
}  // namespace zelvora

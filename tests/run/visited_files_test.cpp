#include "run/visited_files.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zelvora {
namespace {

TEST(VisitedFilesTest, NamesAreExactAndFilesCountByIdentity) {
  VisitedFileSet visited;
  ASSERT_NE(visited.Insert("/site/News.htm"), nullptr);
  EXPECT_EQ(visited.Insert("/site/News.htm"), nullptr);
  if (FileNamesIgnoreCase()) {
    // Windows takes names in any letter case for one name.
    EXPECT_TRUE(visited.Contains("/site/NEWS.HTM"));
    EXPECT_EQ(visited.Insert("/site/news.htm"), nullptr);
  } else {
    // Another spelling is another name: whether it is another file, its identity tells.
    EXPECT_FALSE(visited.Contains("/site/news.htm"));
    EXPECT_NE(visited.Insert("/site/news.htm"), nullptr);
  }

  FileInfo first;
  first.device = 2049;
  first.inode = 17;
  FileInfo same = first;
  same.size = 999;  // another moment of the same file
  FileInfo other = first;
  other.inode = 18;
  FileInfo other_device = first;
  other_device.device = 2050;
  EXPECT_TRUE(visited.InsertFile(first));
  EXPECT_FALSE(visited.InsertFile(same));
  EXPECT_TRUE(visited.InsertFile(other));
  EXPECT_TRUE(visited.InsertFile(other_device));

  visited.Clear();
  EXPECT_FALSE(visited.Contains("/site/News.htm"));
  EXPECT_TRUE(visited.InsertFile(first));
}

}  // namespace
}  // namespace zelvora

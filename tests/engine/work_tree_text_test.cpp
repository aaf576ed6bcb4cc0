#include "engine/work_tree_text.h"

#include <gtest/gtest.h>

#include "platform/digest.h"
#include "platform/process.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

constexpr char kArea[] = "<!-- #ZELV#($BEGIN) -->2024/05/06<!-- #ZELV#($END) -->";

// The name git itself gives `content`.
std::string GitBlobName(const std::string& content) {
  testing::TempDir dir("blob");
  testing::WriteBytes(dir / "file", content);
  auto name = CaptureOutput({"git", "hash-object", dir / "file"}, std::chrono::seconds(60));
  EXPECT_TRUE(name.ok());
  return name.ok() ? name->substr(0, name->find('\n')) : std::string();
}

TEST(WorkTreeTextTest, DigestsAreTheStandardOnes) {
  EXPECT_EQ(HexDigest(DigestKind::kSha1, {"a", "bc"}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(HexDigest(DigestKind::kSha256, {"abc"}),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(WorkTreeTextTest, AVersionWithoutTheDateAreasIsKnownByItsName) {
  if (!FindProgram("git").ok()) GTEST_SKIP() << "git is not installed";
  const std::string page = "<p><!--#ZELV#-->" + std::string(kArea) + "</p>\r\n<p>text</p>\r\n";
  WorkTreeText text(page, false);
  EXPECT_TRUE(
      text.NamesTextWithoutDateAreas(GitBlobName("<p><!--#ZELV#--></p>\r\n<p>text</p>\r\n")));
  // The same in git's LF form, and the page as it is, are named too, or not.
  EXPECT_TRUE(text.NamesTextWithoutDateAreas(GitBlobName("<p><!--#ZELV#--></p>\n<p>text</p>\n")));
  EXPECT_FALSE(text.NamesTextWithoutDateAreas(GitBlobName(page)));
  EXPECT_FALSE(text.NamesTextWithoutDateAreas(GitBlobName("<p><!--#ZELV#--></p>\r\n")));
  EXPECT_EQ(BlobNameWithoutDateAreas(page, 12, false), "");
  // Taking the areas out of this page would leave an area's word: nothing is named.
  EXPECT_EQ(BlobNameWithoutDateAreas("<!-- #ZELV#($BEGIN) -->", 40, false), "");
}

TEST(WorkTreeTextTest, VersionsAreComparedOutsideTheirDateAreasInEitherLineEnds) {
  const std::string page = "<!--#ZELV#-->" + std::string(kArea) + "\r\nline\r\n";
  WorkTreeText text(page, false);
  EXPECT_TRUE(text.SameOutsideDateAreas("<!--#ZELV#-->\r\nline\r\n"));
  EXPECT_TRUE(text.SameOutsideDateAreas("<!--#ZELV#-->\nline\n"));
  EXPECT_FALSE(text.SameOutsideDateAreas("<!--#ZELV#-->\nline 2\n"));
  EXPECT_FALSE(text.SameOutsideDateAreas("<!--#ZELV#-->\r\nline\n"));  // git's form is LF only
  // Any version that could be the same is at least as large as the text without its date
  // areas in LF form; once a version matched the text with its CR LF line ends, in that form.
  EXPECT_EQ(text.SmallestSizeWithoutDateAreas(), std::string("<!--#ZELV#-->\r\nline\r\n").size());
  WorkTreeText fresh(page, false);
  EXPECT_EQ(fresh.SmallestSizeWithoutDateAreas(), std::string("<!--#ZELV#-->\nline\n").size());
}

}  // namespace
}  // namespace zelvora

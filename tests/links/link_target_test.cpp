#include "links/link_target.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::MakeFolder;
using testing::TempDir;
using testing::WriteBytes;

// A small site:
//   index.htm page.htm Upper.HTM README .zelvora-<hash>.tmp
//   sub/ a.htm b.htm .hidden inner/
class LinkTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"index.htm", "page.htm", "Upper.HTM", "README", "sub/a.htm",
                             "sub/b.htm", "sub/.hidden", ".zelvora-0123456789abcdef.tmp"}) {
      WriteBytes(site_ / name, "x");
    }
    MakeFolder(site_ / "sub/inner");
  }

  std::string Path(const char* relative) const { return site_ / relative; }

  // Resolves `value` as written in `linking` (relative to the site) and returns the kind;
  // the list is left in `targets_`.
  TargetKind Resolve(std::string_view value, const char* linking = "index.htm") {
    targets_.clear();
    return ResolveTarget(RealFileSystem(), value, Path(linking), &targets_);
  }

  TempDir site_{"site"};
  std::vector<std::string> targets_;
};

TEST_F(LinkTargetTest, AValueIsAnAddressOnlyWhenItBeginsWithItsScheme) {
  struct Case {
    const char* value;
    TargetKind kind;
  };
  const Case cases[] = {
      {"http://example.com/", TargetKind::trWebLink},
      {"HTTP://EXAMPLE.COM/", TargetKind::trWebLink},
      {"Https://example.com/page.htm", TargetKind::trWebLink},
      {"mailto:someone@example.com", TargetKind::trMailto},
      {"MailTo:a@b?body=http://x", TargetKind::trMailto},
      {"javascript:location='mailto:a@b'", TargetKind::trJavaScript},
      {"tel:+81-3-0000-0000", TargetKind::trTel},
      {" http://example.com/", TargetKind::trWebLink},  // browsers skip the blank too
      // Any other scheme, and an address without one, is an address as well.
      {"ftp://example.com/page.htm", TargetKind::trWebLink},
      {"file:///page.htm", TargetKind::trWebLink},
      {"svn+ssh://host/x", TargetKind::trWebLink},
      {"//example.com/page.htm", TargetKind::trWebLink},
      // "\\" begins a shared folder's path where "\" separates folders (Windows).
      {"\\\\server\\share", IsPathSeparator('\\') ? TargetKind::trNotFound : TargetKind::trWebLink},
      // A scheme text further on leaves a local path; so does a drive letter.
      {"page.htm?from=http://example.com/", TargetKind::trFound},
      {"page.htm#mailto:x", TargetKind::trFound},
      {"sub/../page.htm?javascript:void(0)", TargetKind::trFound},
      {"C:/page.htm", TargetKind::trNotFound},
      {"1st:page.htm", TargetKind::trNotFound},
      {"no-colon.htm", TargetKind::trNotFound},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Resolve(c.value), c.kind) << c.value;
    EXPECT_EQ(targets_.empty(), c.kind != TargetKind::trFound) << c.value;
  }
}

TEST_F(LinkTargetTest, PercentEscapesAreDecodedWhenTheNameAsWrittenDoesNotExist) {
  WriteBytes(site_ / "my page.htm", "x");
  WriteBytes(site_ / "日記.htm", "x");
  WriteBytes(site_ / "100%.htm", "x");
  WriteBytes(site_ / "a%41.htm", "x");
  WriteBytes(site_ / "aA.htm", "x");
  struct Case {
    const char* value;
    const char* expected;  // nullptr: not found
  };
  const Case cases[] = {
      {"my%20page.htm#top", "my page.htm"},
      {"%E6%97%A5%e8%a8%98.htm?x=%20", "日記.htm"},
      {"100%.htm", "100%.htm"},  // a "%" without two digits stays
      {"a%41.htm", "a%41.htm"},  // the name as written exists, and wins
      {"sub%2Fa.htm", "sub/a.htm"},
      {"my%2520page.htm", nullptr},  // decoded once only
      {"page.htm%00.txt", nullptr},  // no name holds a NUL
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.expected == nullptr) {
      EXPECT_EQ(Resolve(c.value), TargetKind::trNotFound);
      continue;
    }
    ASSERT_EQ(Resolve(c.value), TargetKind::trFound);
    EXPECT_EQ(targets_, std::vector<std::string>{Path(c.expected)});
  }
}

TEST_F(LinkTargetTest, FragmentAndQueryAreCutOff) {
  for (const char* value : {"page.htm#news", "page.htm?x=1", "page.htm?x=1#top", "page.htm#a?b"}) {
    ASSERT_EQ(Resolve(value), TargetKind::trFound) << value;
    EXPECT_EQ(targets_, std::vector<std::string>{Path("page.htm")}) << value;
  }
  for (const char* value : {"#top", "?x=1", "#", "?", "?a#b"}) {
    EXPECT_EQ(Resolve(value), TargetKind::trNoPath) << value;
    EXPECT_TRUE(targets_.empty()) << value;
  }
}

TEST_F(LinkTargetTest, InADateSourceListAQuestionMarkIsAWildcardNotAQuery) {
  targets_.clear();
  ASSERT_EQ(ResolveTarget(RealFileSystem(), "sub/?.htm", Path("index.htm"), &targets_, {},
                          TargetSource::kDateSourceList),
            TargetKind::trFound);
  EXPECT_EQ(targets_, (std::vector<std::string>{Path("sub/a.htm"), Path("sub/b.htm")}));
  // In a link it starts a query: what is left is the folder "sub/".
  EXPECT_EQ(Resolve("sub/?.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_,
            (std::vector<std::string>{Path("sub/.hidden"), Path("sub/a.htm"), Path("sub/b.htm")}));
}

TEST_F(LinkTargetTest, RelativePathsResolveAgainstTheLinkingFilesFolder) {
  struct Case {
    const char* value;
    const char* linking;
    const char* expected;
  };
  const Case cases[] = {
      {"../index.htm", "sub/a.htm", "index.htm"},     {"sub/b.htm", "index.htm", "sub/b.htm"},
      {"sub\\b.htm", "index.htm", "sub/b.htm"},       {"..\\page.htm", "sub/a.htm", "page.htm"},
      {"./sub/../page.htm", "index.htm", "page.htm"}, {"b.htm", "sub/a.htm", "sub/b.htm"},
      {"sub//a.htm", "index.htm", "sub/a.htm"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Resolve(c.value, c.linking), TargetKind::trFound) << c.value;
    EXPECT_EQ(targets_, std::vector<std::string>{Path(c.expected)}) << c.value;
  }
  const std::string absolute = Path("page.htm");
  ASSERT_EQ(Resolve(absolute, "sub/a.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_, std::vector<std::string>{absolute});
}

TEST_F(LinkTargetTest, ASiteRootTakesTheValuesThatBeginWithASlash) {
  const auto resolve_rooted = [&](std::string_view value, const std::string& root,
                                  const char* linking = "sub/a.htm") {
    targets_.clear();
    return ResolveTarget(RealFileSystem(), value, Path(linking), &targets_, {}, TargetSource::kLink,
                         root);
  };
  struct Case {
    const char* value;
    const char* expected;  // nullptr: not found
  };
  for (const std::string& root : {site_.path(), site_.path() + "/"}) {
    for (const Case& c : {
             Case{"/page.htm", "page.htm"},
             Case{"/sub/b.htm#top", "sub/b.htm"},
             Case{"/../../page.htm", "page.htm"},  // never above the root, as on a server
             Case{"/sub/", "sub/.hidden"},         // the folder's first file
             Case{"/my%20page.htm", nullptr},
             Case{"b.htm", "sub/b.htm"},  // relative values are not touched
             Case{"/absent.htm", nullptr},
         }) {
      SCOPED_TRACE(std::string(c.value) + " under " + root);
      const TargetKind kind = resolve_rooted(c.value, root);
      if (c.expected == nullptr) {
        EXPECT_EQ(kind, TargetKind::trNotFound);
        continue;
      }
      ASSERT_EQ(kind, TargetKind::trFound);
      EXPECT_EQ(targets_.front(), Path(c.expected));
    }
  }
  // Without a root, "/page.htm" is a path from the file system's root.
  EXPECT_EQ(Resolve("/page.htm"), TargetKind::trNotFound);
  ASSERT_EQ(resolve_rooted(Path("page.htm"), ""), TargetKind::trFound);
}

TEST_F(LinkTargetTest, CharacterReferencesInALinkAreDecodedWhenTheNameAsWrittenDoesNotExist) {
  WriteBytes(site_ / "a&b.htm", "x");
  WriteBytes(site_ / "&amp;.htm", "x");
  WriteBytes(site_ / "日記.htm", "x");
  WriteBytes(site_ / "x y.htm", "x");
  for (const auto& [value, expected] : std::vector<std::pair<const char*, const char*>>{
           {"a&amp;b.htm", "a&b.htm"},
           {"a&#38;b.htm#top", "a&b.htm"},
           {"a&#X26;b.htm", "a&b.htm"},
           {"&amp;.htm", "&amp;.htm"},  // the name as written exists, and wins
           {"&#26085;&#x8a18;.htm", "日記.htm"},
           {"x&#37;20y.htm", "x y.htm"},  // references first, then "%XX", as a browser
       }) {
    ASSERT_EQ(Resolve(value), TargetKind::trFound) << value;
    EXPECT_EQ(targets_, std::vector<std::string>{Path(expected)}) << value;
  }
  for (const char* value : {"a&amp b.htm", "a&#0;b.htm", "a&unknown;b.htm"}) {
    EXPECT_EQ(Resolve(value), TargetKind::trNotFound) << value;
  }
  // A date-source list is no markup: its names are taken as written.
  targets_.clear();
  EXPECT_EQ(ResolveTarget(RealFileSystem(), "a&amp;b.htm", Path("index.htm"), &targets_, {},
                          TargetSource::kDateSourceList),
            TargetKind::trNotFound);
}

TEST_F(LinkTargetTest, WithASiteRootRelativeValuesClimbNoHigherThanTheRoot) {
  WriteBytes(site_ / "sub/inner/deep.htm", "x");
  const std::string root = site_ / "sub";
  const auto resolve = [&](std::string_view value, const char* linking) {
    targets_.clear();
    return ResolveTarget(RealFileSystem(), value, Path(linking), &targets_, {}, TargetSource::kLink,
                         root);
  };
  ASSERT_EQ(resolve("../../a.htm", "sub/inner/deep.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_, std::vector<std::string>{Path("sub/a.htm")});
  ASSERT_EQ(resolve("../b.htm", "sub/inner/../a.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_, std::vector<std::string>{Path("sub/b.htm")});
}

TEST_F(LinkTargetTest, AFolderStandsForItsFilesInNameOrder) {
  const std::vector<std::string> files = {Path("sub/.hidden"), Path("sub/a.htm"),
                                          Path("sub/b.htm")};
  for (const char* value : {"sub/", "sub", "sub/.", "sub\\"}) {
    ASSERT_EQ(Resolve(value), TargetKind::trFound) << value;
    EXPECT_EQ(targets_, files) << value;  // the folder "inner" is not a file
  }
  MakeFolder(Path("empty"));
  EXPECT_EQ(Resolve("empty/"), TargetKind::trNotFound);
}

TEST_F(LinkTargetTest, WildcardsMatchWithoutRegardToCase) {
  ASSERT_EQ(Resolve("*.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_,
            (std::vector<std::string>{Path("index.htm"), Path("page.htm"), Path("Upper.HTM")}));
  // Folder names follow the disk, which on Windows ignores their letter case.
  ASSERT_EQ(Resolve("SUB/*.HTM"),
            FileNamesIgnoreCase() ? TargetKind::trFound : TargetKind::trNotFound);
  ASSERT_EQ(Resolve("sub/*.HTM"), TargetKind::trFound);
  EXPECT_EQ(targets_, (std::vector<std::string>{Path("sub/a.htm"), Path("sub/b.htm")}));
  EXPECT_EQ(Resolve("*.gif"), TargetKind::trNotFound);

  // In a link "?" begins the query: "sub/?.htm" is the folder "sub/". Patterns given to
  // ExpandFilePatterns directly keep it as a wildcard.
  ASSERT_EQ(Resolve("sub/?.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_.size(), 3u);
  targets_.clear();
  EXPECT_EQ(ExpandFilePatterns(RealFileSystem(), "sub/?.HTM", site_.path() + "/", &targets_), 2u);
  EXPECT_EQ(targets_, (std::vector<std::string>{Path("sub/a.htm"), Path("sub/b.htm")}));
}

TEST_F(LinkTargetTest, StarDotStarMatchesNamesWithoutADotButNoTemporaryFiles) {
  ASSERT_EQ(Resolve("*.*"), TargetKind::trFound);
  EXPECT_EQ(targets_, (std::vector<std::string>{Path("index.htm"), Path("page.htm"), Path("README"),
                                                Path("Upper.HTM")}));
  EXPECT_EQ(Resolve(".zelvora-0123456789abcdef.tmp"), TargetKind::trNotFound);
}

TEST_F(LinkTargetTest, CommasSeparatePatterns) {
  ASSERT_EQ(Resolve(",page.htm,,sub/b.htm,missing.htm,"), TargetKind::trFound);
  EXPECT_EQ(targets_, (std::vector<std::string>{Path("page.htm"), Path("sub/b.htm")}));
}

TEST_F(LinkTargetTest, EmptyValueIsTheLinkingFileItselfAsGiven) {
  ASSERT_EQ(Resolve("", "sub/a.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_, std::vector<std::string>{Path("sub/a.htm")});

  // A root file named relative to the current folder keeps that name, so the run finds it
  // among the files it has visited.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(site_.path().c_str()), 0);
  std::vector<std::string> targets;
  const TargetKind self = ResolveTarget(RealFileSystem(), "", "index.htm", &targets);
  const TargetKind sibling = ResolveTarget(RealFileSystem(), "page.htm", "index.htm", &targets);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(self, TargetKind::trFound);
  EXPECT_EQ(sibling, TargetKind::trFound);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0], "index.htm");
  EXPECT_TRUE(IsAbsolutePath(targets[1]) && NamePart(targets[1]) == "page.htm") << targets[1];
}

TEST_F(LinkTargetTest, NamesTheSystemCannotTakeAreNotFound) {
  const std::string too_long_name = std::string(300, 'x') + ".htm";
  const std::string too_long_path = "sub/" + std::string(5000, 'y');
  const std::string with_nul("page.htm\0.gif", 13);
  for (const std::string& value :
       {too_long_name, too_long_path, std::string(300, 'x') + "*.htm", with_nul,
        std::string("pa\x01ge.htm"), std::string("\xFF\xFE.htm"), std::string("missing.htm"),
        std::string("index.htm/"), std::string("index.htm/x")}) {
    EXPECT_EQ(Resolve(value), TargetKind::trNotFound) << value.size();
    EXPECT_TRUE(targets_.empty());
  }
}

TEST_F(LinkTargetTest, LinksOnDiskAreFollowed) {
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links on this system";
  ASSERT_TRUE(testing::MakeSymlink("sub", Path("folder-link")));
  ASSERT_TRUE(testing::MakeSymlink("page.htm", Path("file-link.htm")));
  ASSERT_EQ(Resolve("file-link.htm"), TargetKind::trFound);
  EXPECT_EQ(targets_, std::vector<std::string>{Path("file-link.htm")});
  ASSERT_EQ(Resolve("folder-link"), TargetKind::trFound);
  EXPECT_EQ(targets_.front(), Path("folder-link/.hidden"));
}

TEST(ExpandFilePatternsTest, AppendsToTheListAndCountsWhatItAppended) {
  TempDir dir("patterns");
  WriteBytes(dir / "a.htm", "");
  WriteBytes(dir / "news/n1.htm", "");
  WriteBytes(dir / "news/n2.htm", "");
  std::vector<std::string> list = {"kept"};
  const std::string folder = dir.path() + "/";
  EXPECT_EQ(ExpandFilePatterns(RealFileSystem(), "news/*.htm,a.htm,news", folder, &list), 3u);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", dir / "news/n1.htm", dir / "news/n2.htm",
                                            dir / "a.htm"}));
  EXPECT_EQ(ExpandFilePatterns(RealFileSystem(), "", folder, &list), 0u);
  EXPECT_EQ(ExpandFilePatterns(RealFileSystem(), "missing/*.htm", folder, &list), 0u);
}

}  // namespace
}  // namespace zelvora

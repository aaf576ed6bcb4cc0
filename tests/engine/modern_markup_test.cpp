// Sites written in modern markup: anchors with attributes before HREF, inline frames, and
// links and date sources written from the site's root.
#include <gtest/gtest.h>

#include "engine/run.h"
#include "tests/support/run_world.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::k1999_01_03_140730;
using testing::k2002_01_12_100000;
using testing::k2024_05_06_120406;
using testing::ReadBytes;
using testing::RunWorld;

constexpr char kStamped1999[] = "<!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) -->";
constexpr char kStamped2024[] = "<!-- #ZELV#($BEGIN) -->2024/05/06<!-- #ZELV#($END) -->";

// site/index.htm links in four modern ways; every linked page carries a mark.
struct ModernSite {
  explicit ModernSite(RunWorld& world) {
    world.settings.Backup = false;
    world.settings.ErrCope = kErrCopeContinue;
    index = world.File("site/sub/index.htm",
                       "<a class=\"nav\" href=\"/about.htm\">About</a>\n"
                       "<A\nHREF=near.htm>near</A>\n"
                       "<iframe src=\"frame.htm\"></iframe>\n"
                       "<area href=\"area.htm\"><abbr title=\"x\">x</abbr>\n");
    for (const char* name :
         {"site/about.htm", "site/sub/near.htm", "site/sub/frame.htm", "site/sub/area.htm"}) {
      pages.push_back(world.File(name, "<!--#ZELV#-->"));
    }
  }
  std::string index;
  std::vector<std::string> pages;  // about, near, frame, area
};

TEST(ModernMarkupTest, EveryAnchorFormIsFollowedOnlyWithTheOption) {
  RunWorld classic;
  const ModernSite old_site(classic);
  ASSERT_EQ(StartRun(classic.context, old_site.index, classic.dir / "Zelvora.log"),
            RunOutcome::kFinished);
  for (const std::string& page : old_site.pages) EXPECT_EQ(ReadBytes(page), "<!--#ZELV#-->");

  RunWorld modern;
  modern.settings.FollowAnyAnchor = true;
  modern.settings.SiteRoot = modern.dir / "site";
  const ModernSite site(modern);
  ASSERT_EQ(StartRun(modern.context, site.index, modern.dir / "Zelvora.log"),
            RunOutcome::kFinished);
  EXPECT_EQ(modern.context.state.ErrorCount, 0) << modern.LogText();
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadBytes(site.pages[i]), std::string("<!--#ZELV#-->") + kStamped1999) << i;
  }
  EXPECT_EQ(ReadBytes(site.pages[3]), "<!--#ZELV#-->");  // <area> is no anchor
}

TEST(ModernMarkupTest, ASiteRootedLinkIsReportedMissingWithoutTheSiteRoot) {
  RunWorld world;
  world.settings.FollowAnyAnchor = true;
  const ModernSite site(world);
  ASSERT_EQ(StartRun(world.context, site.index, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  EXPECT_EQ(world.context.state.ErrorCount, 1);
  EXPECT_NE(world.LogText().find("次のファイルが見つかりません。\n/about.htm"), std::string::npos);
  EXPECT_EQ(ReadBytes(site.pages[0]), "<!--#ZELV#-->");
  EXPECT_EQ(ReadBytes(site.pages[1]), std::string("<!--#ZELV#-->") + kStamped1999);
}

TEST(ModernMarkupTest, DateSourcesBeginningWithASlashStartAtTheSiteRoot) {
  RunWorld world;
  world.settings.Backup = false;
  world.settings.SiteRoot = world.dir / "site";
  world.File("site/news/a.htm", "a", k2002_01_12_100000);
  world.File("site/news/b.htm", "b", k2024_05_06_120406);
  const std::string page =
      world.File("site/sub/page.htm", "<!--#ZELV#/news/*.htm-->", k1999_01_03_140730);
  ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  EXPECT_EQ(world.context.state.ErrorCount, 0) << world.LogText();
  EXPECT_EQ(ReadBytes(page), std::string("<!--#ZELV#/news/*.htm-->") + kStamped2024);
}

TEST(ModernMarkupTest, LinksAreReadAsHtmlReadsThem) {
  // A ">" in a quoted value belongs to the value (with the modern grammar), and character
  // references stand for their characters (in both grammars), even when errors abort.
  for (const bool modern : {false, true}) {
    SCOPED_TRACE(modern ? "modern" : "classic");
    RunWorld world;
    world.settings.Backup = false;
    world.settings.ErrCope = kErrCopeAbort;
    world.settings.FollowAnyAnchor = modern;
    const std::string index =
        world.File("site/index.htm",
                   "<a title=\"a>b\" href=\"gt.htm\">gt</a>\n"
                   "<a href=\"a&amp;b.htm\">amp</a><a href=\"c&#38;d.htm\">dec</a>"
                   "<a href='e&#x26;f.htm'>hex</a><a href=\"&amp;.htm\">as written</a>\n");
    std::vector<std::string> pages;
    for (const char* name : {"site/a&b.htm", "site/c&d.htm", "site/e&f.htm", "site/&amp;.htm"}) {
      pages.push_back(world.File(name, "<!--#ZELV#-->"));
    }
    const std::string gt = world.File("site/gt.htm", "<!--#ZELV#-->");
    ASSERT_EQ(StartRun(world.context, index, world.dir / "Zelvora.log"), RunOutcome::kFinished)
        << world.LogText();
    const std::string stamped = std::string("<!--#ZELV#-->") + kStamped1999;
    for (const std::string& page : pages) EXPECT_EQ(ReadBytes(page), stamped) << page;
    EXPECT_EQ(ReadBytes(gt), modern ? stamped : "<!--#ZELV#-->");
  }
}

TEST(ModernMarkupTest, RelativeLinksClimbNoHigherThanTheSiteRoot) {
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links here";
  RunWorld world;
  world.settings.Backup = false;
  world.settings.ErrCope = kErrCopeAbort;
  world.settings.SiteRoot = world.dir / "www";
  const std::string top = world.File("www/top.htm", "<!--#ZELV#-->");
  const std::string outside = world.File("top.htm", "<!--#ZELV#-->");
  // Below the root, a linked folder leads elsewhere; the server follows it. Two steps up
  // from www/blog/ would leave the root.
  world.File("blog-data/post.htm", "<!--#ZELV#--><a href=\"../../top.htm\">top</a>");
  ASSERT_TRUE(testing::MakeSymlink(world.dir / "blog-data", world.dir / "www/blog"));
  const std::string index = world.File("www/index.htm", "<a href=\"blog/post.htm\">post</a>");
  ASSERT_EQ(StartRun(world.context, index, world.dir / "Zelvora.log"), RunOutcome::kFinished)
      << world.LogText();
  EXPECT_EQ(ReadBytes(top), std::string("<!--#ZELV#-->") + kStamped1999);
  EXPECT_EQ(ReadBytes(outside), "<!--#ZELV#-->");
}

}  // namespace
}  // namespace zelvora

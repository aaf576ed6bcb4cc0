// Sites written in modern markup: anchors with attributes before HREF, inline frames, and
// links and date sources written from the site's root.
#include <gtest/gtest.h>

#include "engine/run.h"
#include "tests/support/run_world.h"

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

}  // namespace
}  // namespace zelvora

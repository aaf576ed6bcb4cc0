// The generated sites must be what the benchmarks and the crash test assume: deterministic,
// fully reachable from the root page, with even last-write times and marks that only list
// older files (so a complete run keeps every page's time and a second run writes nothing).
#include "bench/site_model.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "bench/bench_process.h"

namespace zelvora::bench {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The last-write times of every file of the plan, by path.
std::map<std::string, int64_t> AllTimes(const SitePlan& plan) {
  std::map<std::string, int64_t> times;
  for (const PlannedPage& page : plan.pages) times[page.path] = page.mtime;
  for (const std::string& asset : plan.assets) times[asset] = plan.asset_mtime;
  return times;
}

// The files one entry of a mark's list stands for: a file, every file directly in a folder,
// or the files of a folder whose names end as a "*" pattern says.
std::vector<std::string> Listed(const std::map<std::string, int64_t>& times,
                                const std::string& page, const std::string& entry) {
  const std::string path =
      std::filesystem::path(FolderOf(page) + entry).lexically_normal().generic_string();
  if (times.contains(path)) return {path};
  const size_t star = path.find('*');
  const std::string folder = star == std::string::npos ? path + "/" : FolderOf(path);
  const std::string suffix = star == std::string::npos ? "" : path.substr(star + 1);
  std::vector<std::string> files;
  for (const auto& [file, time] : times) {
    if (file.starts_with(folder) && file.find('/', folder.size()) == std::string::npos &&
        file.ends_with(suffix)) {
      files.push_back(file);
    }
  }
  return files;
}

struct ShapeCase {
  SiteShape shape;
  int pages;
};
// "Site37", "Chain2500": the name of a case in test lists and failure messages.
std::string CaseName(const ShapeCase& shape_case) {
  return (shape_case.shape == SiteShape::kChain ? "Chain" : "Site") +
         std::to_string(shape_case.pages);
}
void PrintTo(const ShapeCase& shape_case, std::ostream* out) { *out << CaseName(shape_case); }

class SitePlanTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(SitePlanTest, EveryPageIsReachableFromTheRoot) {
  const SitePlan plan = PlanSite({.pages = GetParam().pages, .shape = GetParam().shape});
  ASSERT_EQ(plan.pages.size(), static_cast<size_t>(GetParam().pages));
  std::vector<bool> seen(plan.pages.size());
  std::vector<size_t> stack = {0};
  seen[0] = true;
  while (!stack.empty()) {
    const size_t page = stack.back();
    stack.pop_back();
    for (const size_t link : plan.pages[page].links) {
      ASSERT_LT(link, plan.pages.size());
      if (!seen[link]) stack.push_back(link);
      seen[link] = true;
    }
  }
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_TRUE(seen[i]) << plan.pages[i].path;
}

TEST_P(SitePlanTest, TimesAreEvenAndListedFilesAreNeverNewer) {
  const SitePlan plan = PlanSite({.pages = GetParam().pages, .shape = GetParam().shape});
  const auto times = AllTimes(plan);
  EXPECT_EQ(times.size(), plan.pages.size() + plan.assets.size()) << "paths must be unique";
  for (const auto& [path, time] : times) EXPECT_EQ(time % 2, 0) << path;
  for (const PlannedPage& page : plan.pages) {
    if (page.listing.empty()) continue;
    size_t start = 0;
    while (start <= page.listing.size()) {
      const size_t comma = std::min(page.listing.find(',', start), page.listing.size());
      const std::vector<std::string> files =
          Listed(times, page.path, page.listing.substr(start, comma - start));
      EXPECT_FALSE(files.empty()) << page.path << " lists " << page.listing;
      for (const std::string& file : files) EXPECT_LE(times.at(file), page.mtime) << file;
      start = comma + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SitePlanTest,
    ::testing::Values(ShapeCase{SiteShape::kSite, 1}, ShapeCase{SiteShape::kSite, 2},
                      ShapeCase{SiteShape::kSite, 37}, ShapeCase{SiteShape::kSite, 3000},
                      ShapeCase{SiteShape::kChain, 1}, ShapeCase{SiteShape::kChain, 2500}),
    [](const ::testing::TestParamInfo<ShapeCase>& param_info) {
      return CaseName(param_info.param);
    });

TEST(SitePlan, SitePagesAreShapedLikeARealSite) {
  const SitePlan plan = PlanSite({.pages = 10000});
  size_t local_links = 0;
  size_t listings = 0;
  for (const PlannedPage& page : plan.pages) {
    local_links += page.links.size();
    listings += page.listing.empty() ? 0 : 1;
  }
  const double per_page = static_cast<double>(local_links) / plan.pages.size();
  EXPECT_GT(per_page, 4.0);
  EXPECT_LT(per_page, 6.0);
  EXPECT_GT(listings, plan.pages.size() / 5);
  EXPECT_LT(listings, plan.pages.size() / 2);

  const std::string page = RenderPage(plan, 500);
  EXPECT_GE(page.size(), 20000u);
  EXPECT_LT(page.size(), 22000u);
  EXPECT_EQ(page.find("\n"), page.find("\r\n") + 1) << "CR LF line ends";
  EXPECT_NE(page.find("<!--#ZELV#-->"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"https://"), std::string::npos);
}

TEST(SitePlan, RenderedLinksFollowThePlan) {
  const SitePlan plan = PlanSite({.pages = 300, .page_bytes = 3000});
  for (const size_t index : {size_t{0}, size_t{1}, size_t{5}, size_t{299}}) {
    const PlannedPage& page = plan.pages[index];
    const std::string text = RenderPage(plan, index);
    size_t position = 0;
    for (const size_t link : page.links) {
      const std::string anchor =
          "<a href=\"" + RelativeLink(page.path, plan.pages[link].path) + "\"";
      position = text.find(anchor, position);
      ASSERT_NE(position, std::string::npos) << page.path << " lacks " << anchor;
    }
    for (const std::string& asset : page.assets) {
      EXPECT_NE(text.find("<a href=\"" + RelativeLink(page.path, asset) + "\""), std::string::npos);
    }
  }
}

TEST(SitePlan, SameSeedSameSiteOtherSeedOtherText) {
  const SitePlan a = PlanSite({.pages = 200, .seed = 5});
  const SitePlan b = PlanSite({.pages = 200, .seed = 5});
  const SitePlan c = PlanSite({.pages = 200, .seed = 6});
  for (size_t i = 0; i < a.pages.size(); ++i) {
    EXPECT_EQ(a.pages[i].path, b.pages[i].path);
    EXPECT_EQ(a.pages[i].mtime, b.pages[i].mtime);
    EXPECT_EQ(RenderPage(a, i), RenderPage(b, i));
  }
  EXPECT_NE(RenderPage(a, 10), RenderPage(c, 10));
}

TEST(RelativeLink, IsWrittenFromThePagesFolder) {
  const struct {
    const char* from;
    const char* to;
    const char* link;
  } cases[] = {
      {"s000/c00/p001.html", "s000/c00/p002.html", "p002.html"},
      {"s000/c00/p001.html", "index.html", "../../index.html"},
      {"s000/c00/p001.html", "s001/c03/p010.html", "../../s001/c03/p010.html"},
      {"s000/index.html", "s000/c00/p000.html", "c00/p000.html"},
      {"s000/c00/p001.html", "s000/index.html", "../index.html"},
      {"s000/c01/p001.html", "s000/c00/p001.html", "../c00/p001.html"},
      {"d000/e000999.html", "d001/e001000.html", "../d001/e001000.html"},
      {"index.html", "s000/index.html", "s000/index.html"},
  };
  for (const auto& c : cases) EXPECT_EQ(RelativeLink(c.from, c.to), c.link) << c.from;
}

TEST(WriteSite, WritesEveryFileWithItsTimeAndNeverOverwrites) {
  char pattern[] = "/tmp/zelvora-site-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  const SitePlan plan = PlanSite({.pages = 40, .page_bytes = 2000});
  ASSERT_EQ(WriteSite(plan, folder + "/site"), "");
  const TreeSnapshot tree = ReadTree(folder + "/site");
  EXPECT_EQ(tree.size(), plan.pages.size() + plan.assets.size());
  for (size_t i = 0; i < plan.pages.size(); ++i) {
    const FileState& file = tree.at(plan.pages[i].path);
    EXPECT_EQ(file.bytes, RenderPage(plan, i));
    EXPECT_EQ(file.mtime, plan.pages[i].mtime);
  }
  EXPECT_NE(WriteSite(plan, folder + "/site"), "");
  EXPECT_EQ(ReadTree(folder + "/site"), tree);
  RemoveTree(folder);
}

}  // namespace
}  // namespace zelvora::bench

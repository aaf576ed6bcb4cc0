#include "bench/site_model.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

namespace zelvora::bench {
namespace {

constexpr int64_t kSiteEpoch = 1420070400;  // 2015-01-01 00:00:00 UTC, even
constexpr int64_t kPageInterval = 2400;     // seconds between two pages' times, even
constexpr int64_t kAssetAge = 30 * 86400;   // assets are older than every page
constexpr size_t kMaxChainLength = 100;     // pages in one prev/next chain
constexpr size_t kChainFolderSize = 1000;   // chain-shape pages per folder
constexpr size_t kImageCount = 24;
constexpr size_t kArchiveCount = 4;

// A random source whose sequence is fixed by the standard, so sites do not change with the
// library; only the engine (mt19937_64) is used, never a distribution.
class Random {
 public:
  explicit Random(uint64_t seed) : engine_(Mix(seed)) {}
  Random(uint64_t seed, uint64_t stream)
      : engine_(Mix(seed ^ Mix(stream + 0x9e3779b97f4a7c15ULL))) {}

  // A number in [0, n); n > 0. The modulo bias is far below anything a benchmark sees.
  size_t Below(size_t n) { return static_cast<size_t>(engine_() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  static uint64_t Mix(uint64_t x) {  // SplitMix64 finaliser
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
  }
  std::mt19937_64 engine_;
};

std::string Format(const char* pattern, size_t value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) { return path.substr(FolderOf(path).size()); }

std::vector<std::string> AllAssets() {
  std::vector<std::string> assets;
  for (size_t i = 0; i < kImageCount; ++i) assets.push_back(Format("img/photo%02zu.jpg", i));
  assets.push_back("img/banner.gif");
  for (size_t i = 0; i < kArchiveCount; ++i) assets.push_back(Format("files/data%02zu.zip", i));
  return assets;
}

// Splits `count` into `parts` nearly equal sizes, the larger ones first.
std::vector<size_t> Split(size_t count, size_t parts) {
  std::vector<size_t> sizes(parts, count / parts);
  for (size_t i = 0; i < count % parts; ++i) ++sizes[i];
  return sizes;
}

// The second mark of a chain page at `position` in its chain: older pages of the chain, the
// image folder, or a wildcard over it. Every listed file is older than the page.
std::string ContentListing(Random& random, const SitePlan& plan, size_t first_of_chain,
                           size_t position) {
  switch (random.Below(3)) {
    case 0: {
      if (position == 0) return "../../img";
      std::string listing = NameOf(plan.pages[first_of_chain + position - 1].path);
      if (position >= 2) listing += "," + NameOf(plan.pages[first_of_chain + position - 2].path);
      return listing;
    }
    case 1:
      return "../../img";
    default:
      return "../../img/*.jpg";
  }
}

void PlanChains(SitePlan& plan, Random& random, size_t section, size_t section_index, size_t pages,
                int64_t& clock) {
  const size_t chains = (pages + kMaxChainLength - 1) / kMaxChainLength;
  const std::vector<size_t> lengths = Split(pages, std::max<size_t>(chains, 1));
  for (size_t chain = 0; chain < chains; ++chain) {
    const size_t first = plan.pages.size();
    plan.pages[section_index].links.push_back(first);
    for (size_t position = 0; position < lengths[chain]; ++position) {
      PlannedPage page;
      page.path =
          Format("s%03zu/", section) + Format("c%02zu/", chain) + Format("p%03zu.html", position);
      page.title = Format("Section %zu", section) + Format(", part %zu", chain) +
                   Format(", page %zu", position);
      page.links.push_back(0);
      page.links.push_back(section_index);
      if (position > 0) page.links.push_back(first + position - 1);
      if (position + 1 < lengths[chain]) page.links.push_back(first + position + 1);
      clock += kPageInterval + 2 * static_cast<int64_t>(random.Below(500));
      page.mtime = clock;
      page.assets.push_back(plan.assets[random.Below(kImageCount)]);
      if (random.OneIn(5))
        page.assets.push_back(plan.assets[kImageCount + 1 + random.Below(kArchiveCount)]);
      plan.pages.push_back(std::move(page));
      if (random.OneIn(3)) {
        plan.pages.back().listing = ContentListing(random, plan, first, position);
      }
    }
  }
}

void PlanSiteShape(SitePlan& plan, Random& random) {
  const size_t total = static_cast<size_t>(plan.options.pages);
  PlannedPage top;
  top.path = "index.html";
  top.title = "Welcome";
  top.assets.push_back("img/banner.gif");
  plan.pages.push_back(std::move(top));

  const size_t rest = total - 1;
  if (rest > 0) {
    const size_t sections = std::clamp<size_t>(
        static_cast<size_t>(std::lround(std::sqrt(static_cast<double>(rest) / 10.0))), 1, rest);
    const std::vector<size_t> sizes = Split(rest, sections);
    int64_t clock = kSiteEpoch;
    std::vector<size_t> section_pages;
    for (size_t section = 0; section < sections; ++section) {
      const size_t index = plan.pages.size();
      section_pages.push_back(index);
      plan.pages[0].links.push_back(index);
      PlannedPage page;
      page.path = Format("s%03zu/index.html", section);
      page.title = Format("Section %zu", section);
      page.links.push_back(0);
      page.assets.push_back("img/banner.gif");
      plan.pages.push_back(std::move(page));
      PlanChains(plan, random, section, index, sizes[section] - 1, clock);
      // An index page changes whenever a page of its section does.
      clock += 2;
      plan.pages[index].mtime = clock;
      plan.pages[index].listing = sizes[section] > 1 ? "c00" : "../img";
    }
    // Sections link to their neighbours, after their own chains.
    for (size_t i = 0; i < sections; ++i) {
      if (i > 0) plan.pages[section_pages[i]].links.push_back(section_pages[i - 1]);
      if (i + 1 < sections) plan.pages[section_pages[i]].links.push_back(section_pages[i + 1]);
    }
    plan.pages[0].mtime = clock + 2;
    plan.pages[0].listing = "img,s000/index.html";
  } else {
    plan.pages[0].mtime = kSiteEpoch;
    plan.pages[0].listing = "img";
  }

  // One link per chain page to a page elsewhere in the site, as real text has.
  for (size_t i = 1; i < plan.pages.size(); ++i) {
    if (plan.pages[i].path.ends_with("index.html")) continue;
    plan.pages[i].links.push_back(random.Below(plan.pages.size()));
  }
}

void PlanChainShape(SitePlan& plan) {
  const size_t total = static_cast<size_t>(plan.options.pages);
  plan.assets = {"img/dot.gif"};
  for (size_t i = 0; i < total; ++i) {
    PlannedPage page;
    page.path = Format("d%03zu/", i / kChainFolderSize) + Format("e%06zu.html", i);
    page.title = Format("Entry %zu", i);
    if (i + 1 < total) page.links.push_back(i + 1);
    page.assets.push_back("img/dot.gif");
    page.mtime = kSiteEpoch + 2 * static_cast<int64_t>(i);
    plan.pages.push_back(std::move(page));
  }
}

constexpr std::array<std::string_view, 48> kWords = {
    "garden", "river",   "morning", "window",   "letter", "mountain", "station", "summer",
    "quiet",  "lantern", "harbor",  "meadow",   "travel", "kitchen",  "bridge",  "autumn",
    "paper",  "market",  "winter",  "notebook", "stone",  "forest",   "evening", "teapot",
    "cloud",  "bicycle", "field",   "village",  "song",   "island",   "ladder",  "candle",
    "the",    "a",       "of",      "and",      "in",     "with",     "over",    "under",
    "near",   "old",     "new",     "small",    "long",   "bright",   "slow",    "warm"};

// One filler paragraph of about 400 to 900 bytes with a few inline tags.
void AppendParagraph(Random& random, std::string& out) {
  out += "<p>";
  const size_t words = 60 + random.Below(70);
  size_t line = 3;
  for (size_t w = 0; w < words; ++w) {
    std::string_view word = kWords[random.Below(kWords.size())];
    std::string piece(word);
    if (random.OneIn(30))
      piece = "<b>" + piece + "</b>";
    else if (random.OneIn(40))
      piece = "<em>" + piece + "</em>";
    if (line + piece.size() > 78) {
      out += "\r\n";
      line = 0;
    } else if (w > 0) {
      out += ' ';
      ++line;
    }
    out += piece;
    line += piece.size();
  }
  out += ".</p>\r\n";
}

std::string Anchor(const std::string& href, const std::string& text) {
  return "<a href=\"" + href + "\">" + text + "</a>";
}

std::string RenderChainPage(const SitePlan& plan, size_t index) {
  const PlannedPage& page = plan.pages[index];
  std::string out = "<html><head><title>" + page.title + "</title></head>\r\n<body>\r\n";
  out += "<h1>" + page.title + "</h1>\r\n<p>Posted: <!--#ZELV#--></p>\r\n";
  out += "<p>" + Anchor(RelativeLink(page.path, page.assets[0]), "*") + " Short entry.</p>\r\n";
  for (const size_t link : page.links) {
    out += "<p>" + Anchor(RelativeLink(page.path, plan.pages[link].path), "next") + "</p>\r\n";
  }
  out += "</body></html>\r\n";
  return out;
}

std::string RenderSitePage(const SitePlan& plan, size_t index) {
  const PlannedPage& page = plan.pages[index];
  Random random(plan.options.seed, index);
  const bool is_index = page.path.ends_with("index.html");
  const std::string mark = "<!-- #ZELV# " + page.listing + " -->";

  std::string out =
      "<html>\r\n<head>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
      "<title>" +
      page.title + "</title>\r\n</head>\r\n<body>\r\n";
  // Navigation: every link of an index page, the fixed ones of a chain page.
  const size_t nav_count = is_index ? page.links.size() : page.links.size() - 1;
  out += "<p class=\"nav\">";
  for (size_t i = 0; i < nav_count; ++i) {
    const PlannedPage& target = plan.pages[page.links[i]];
    out += (i == 0 ? "" : " |\r\n") + Anchor(RelativeLink(page.path, target.path), target.title);
  }
  out += "</p>\r\n<h1>" + page.title + "</h1>\r\n<p>Last updated: <!--#ZELV#--></p>\r\n";
  if (is_index && !page.listing.empty()) out += "<p>Contents updated: " + mark + "</p>\r\n";

  // The body link, the assets and the filler, up to the requested size.
  std::vector<std::string> inserts;
  if (!is_index) {
    const PlannedPage& target = plan.pages[page.links.back()];
    inserts.push_back("<p>See also " + Anchor(RelativeLink(page.path, target.path), target.title) +
                      ".</p>\r\n");
  }
  for (const std::string& asset : page.assets) {
    inserts.push_back("<p>" + Anchor(RelativeLink(page.path, asset), asset) + "</p>\r\n");
  }
  std::string footer;
  if (!is_index && !page.listing.empty())
    footer += "<p>Related pages updated: " + mark + "</p>\r\n";
  footer += "<hr>\r\n<address>Written by the site owner. Hosted at " +
            Anchor("https://example.com/" + page.path, "example.com") + "</address>\r\n";
  footer += "</body>\r\n</html>\r\n";
  const size_t footer_bytes = footer.size();
  size_t next_insert = 0;
  while (out.size() + footer_bytes < plan.options.page_bytes || next_insert < inserts.size()) {
    AppendParagraph(random, out);
    if (next_insert < inserts.size() &&
        (random.OneIn(4) || out.size() + footer_bytes >= plan.options.page_bytes)) {
      out += inserts[next_insert++];
    }
  }
  return out + footer;
}

std::string AssetBytes(const std::string& name) {
  std::string bytes = name.ends_with(".zip") ? "PK\x03\x04" : "\x89PNG-like image data ";
  bytes += name;
  bytes.append(200, '\x01');
  return bytes;
}

std::string WriteFile(const std::filesystem::path& path, const std::string& bytes, int64_t mtime) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) return "cannot create " + path.parent_path().string() + ": " + error.message();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot create " + path.string() + ": " + std::strerror(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string message = std::strerror(errno);
      ::close(fd);
      return "cannot write " + path.string() + ": " + message;
    }
    done += static_cast<size_t>(n);
  }
  const timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
  if (::futimens(fd, times) != 0) {
    const std::string message = std::strerror(errno);
    ::close(fd);
    return "cannot set the time of " + path.string() + ": " + message;
  }
  if (::close(fd) != 0) return "cannot close " + path.string() + ": " + std::strerror(errno);
  return {};
}

}  // namespace

SitePlan PlanSite(const SiteOptions& options) {
  SitePlan plan;
  plan.options = options;
  plan.options.pages = std::max(options.pages, 1);
  plan.asset_mtime = kSiteEpoch - kAssetAge;
  Random random(options.seed);
  if (options.shape == SiteShape::kChain) {
    PlanChainShape(plan);
  } else {
    plan.assets = AllAssets();
    PlanSiteShape(plan, random);
  }
  return plan;
}

std::string RenderPage(const SitePlan& plan, size_t index) {
  return plan.options.shape == SiteShape::kChain ? RenderChainPage(plan, index)
                                                 : RenderSitePage(plan, index);
}

std::string RelativeLink(const std::string& from, const std::string& to) {
  // Skip the folders both paths share, then climb out of the rest of `from`'s folder.
  size_t shared = 0;
  for (size_t i = 0; i < from.size() && i < to.size() && from[i] == to[i]; ++i) {
    if (from[i] == '/') shared = i + 1;
  }
  std::string link;
  for (size_t i = shared; i < from.size(); ++i) {
    if (from[i] == '/') link += "../";
  }
  return link + to.substr(shared);
}

size_t WalkDepth(const SitePlan& plan) {
  struct Frame {
    size_t page;
    size_t next_link;
  };
  std::vector<bool> visited(plan.pages.size());
  std::vector<Frame> stack = {{0, 0}};
  visited[0] = true;
  size_t deepest = 1;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const std::vector<size_t>& links = plan.pages[frame.page].links;
    if (frame.next_link == links.size()) {
      stack.pop_back();
      continue;
    }
    const size_t target = links[frame.next_link++];
    if (visited[target]) continue;
    visited[target] = true;
    stack.push_back({target, 0});
    deepest = std::max(deepest, stack.size());
  }
  return deepest;
}

std::string WriteSite(const SitePlan& plan, const std::string& folder) {
  const std::filesystem::path root(folder);
  for (const std::string& asset : plan.assets) {
    std::string failed = WriteFile(root / asset, AssetBytes(asset), plan.asset_mtime);
    if (!failed.empty()) return failed;
  }
  for (size_t i = 0; i < plan.pages.size(); ++i) {
    std::string failed =
        WriteFile(root / plan.pages[i].path, RenderPage(plan, i), plan.pages[i].mtime);
    if (!failed.empty()) return failed;
  }
  return {};
}

}  // namespace zelvora::bench

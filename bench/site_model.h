// A deterministic model of a web site kept as local HTML files, for benchmarks and crash
// tests of the stamp run. The same options always give the same files, byte for byte, with
// the same last-write times.
//
// Two shapes:
//  - kSite: shaped like a real site. A top page links to section index pages; each section
//    holds prev/next chains of up to a hundred pages in subfolders; every page links back to
//    the top and to its section (about five local links per page), links to a page elsewhere,
//    to an image (and now and then an archive) that exists, and to an external https address.
//    Every page has a date mark; some have a second one that lists older pages, the image
//    folder, a wildcard, or (section index pages) a folder of pages. Filler paragraphs bring
//    each page to about the requested size.
//  - kChain: small pages each linking to the next, like a blog's "next" links; the link
//    depth equals the number of pages.
//
// Last-write times are whole (even) seconds, and every file a mark lists is never newer than
// the page holding the mark. So stamping keeps every page's last-write time, and a second run
// finds nothing to write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelvora::bench {

enum class SiteShape { kSite, kChain };

struct SiteOptions {
  int pages = 1000;  // number of HTML pages, at least 1
  SiteShape shape = SiteShape::kSite;
  size_t page_bytes = 20000;  // approximate size of a kSite page
  uint64_t seed = 1;
};

struct PlannedPage {
  std::string path;  // relative to the site folder, "/"-separated
  std::string title;
  std::vector<size_t> links;        // pages linked, in document order
  std::string listing;              // parameter text of the second mark; empty when none
  std::vector<std::string> assets;  // image and archive files linked, relative to the site
  int64_t mtime = 0;                // last-write time, seconds since the epoch, even
};

struct SitePlan {
  SiteOptions options;
  std::vector<PlannedPage> pages;   // pages[0] is the page a run starts from
  std::vector<std::string> assets;  // every image and archive file, relative to the site
  int64_t asset_mtime = 0;
};

// Lays out the site: names, links, marks and times, without page text.
SitePlan PlanSite(const SiteOptions& options);

// The full text of page `index` of `plan` (CR LF line ends, ASCII). Depends only on the plan
// and the index, so pages can be rendered in any order.
std::string RenderPage(const SitePlan& plan, size_t index);

// The path of `to` as a link written in a page at `from` (both relative to the site).
std::string RelativeLink(const std::string& from, const std::string& to);

// The deepest nesting of the depth-first walk a stamp run makes from pages[0] (following
// page links in document order, each page once): the number of pages whose scan is suspended
// at the same time, plus the one being scanned.
size_t WalkDepth(const SitePlan& plan);

// Writes the site into `folder` (created when missing; must not hold a file the site would
// overwrite). Returns an empty string on success, otherwise what failed.
std::string WriteSite(const SitePlan& plan, const std::string& folder);

}  // namespace zelvora::bench

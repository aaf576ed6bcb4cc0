// zelvora-site-generator: writes a deterministic test site for benchmarks.
//
//   zelvora-site-generator --pages N --out DIR [--shape site|chain] [--page-bytes B] [--seed S]
//
// Prints one line: the root page to stamp, the number of pages and the depth of the
// depth-first walk a stamp run makes through the site.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "bench/site_model.h"

namespace {

constexpr char kUsage[] =
    "usage: zelvora-site-generator --pages N --out DIR [--shape site|chain] "
    "[--page-bytes B] [--seed S]\n";

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseArguments(int argc, char** argv, zelvora::bench::SiteOptions& options, std::string& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (i + 1 >= argc) return false;
    const std::string_view value = argv[++i];
    bool ok = true;
    if (name == "--pages") {
      ok = ParseNumber(value, options.pages) && options.pages >= 1;
    } else if (name == "--out") {
      out = value;
    } else if (name == "--shape") {
      ok = value == "site" || value == "chain";
      options.shape =
          value == "chain" ? zelvora::bench::SiteShape::kChain : zelvora::bench::SiteShape::kSite;
    } else if (name == "--page-bytes") {
      ok = ParseNumber(value, options.page_bytes);
    } else if (name == "--seed") {
      ok = ParseNumber(value, options.seed);
    } else {
      ok = false;
    }
    if (!ok) return false;
  }
  return !out.empty();
}

}  // namespace

int main(int argc, char** argv) {
  zelvora::bench::SiteOptions options;
  std::string out;
  if (!ParseArguments(argc, argv, options, out)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const zelvora::bench::SitePlan plan = zelvora::bench::PlanSite(options);
  const std::string failed = zelvora::bench::WriteSite(plan, out);
  if (!failed.empty()) {
    std::fprintf(stderr, "zelvora-site-generator: %s\n", failed.c_str());
    return 1;
  }
  std::printf("root=%s/%s pages=%zu walk_depth=%zu\n", out.c_str(), plan.pages[0].path.c_str(),
              plan.pages.size(), zelvora::bench::WalkDepth(plan));
  return 0;
}

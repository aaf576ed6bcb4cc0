// The stamp scan of one large page: 5, 10, 25 and 50 MB of HTML with about 4,000 tags and 200
// date marks per MB (half of them keyword marks seen for the first time, half stamp markers
// holding an old date). The throughput (bytes_per_second) must not fall as the page grows: the
// scan is linear in the page's size however many marks it rewrites.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>

#include "engine/stamp_scan.h"
#include "platform/file_system.h"
#include "platform/regional_settings.h"
#include "records/run_log.h"
#include "run/run_context.h"
#include "settings/setting.h"

namespace zelvora {
namespace {

constexpr size_t kMegabyte = 1024 * 1024;
constexpr size_t kMarksPerMegabyte = 200;
constexpr size_t kParagraphsPerMark = 3;  // paragraphs of 4 or 6 tags: ~20 tags per mark

class QuietHost : public RunHost {
 public:
  void SetStatus(const std::string&) override {}
  void SetCurrentFile(const std::string&) override {}
  void SetPercent(int) override {}
  void ProcessPendingEvents() override {}
  Answer Ask(const std::string&, Question kind) override {
    return kind == Question::kOkCancel ? Answer::kOk : Answer::kIgnore;
  }
  void ShowMessage(const std::string&, MessageIcon) override {}
};

// A filler paragraph of `bytes` bytes in lines of 78 characters, with one bold word and, when
// `with_link`, one anchor.
void AppendParagraph(std::string& text, size_t bytes, bool with_link, size_t serial) {
  static constexpr char kWords[] = "quiet river morning lantern harbor meadow bridge autumn ";
  const size_t start = text.size();
  text += "<p>";
  if (with_link) text += "<a href=\"page" + std::to_string(serial % 97) + ".html\">next</a> ";
  text += "<b>note</b> ";
  size_t column = text.size() - start;
  size_t word = serial;
  while (text.size() - start < bytes) {
    const char c = kWords[word++ % (sizeof kWords - 1)];
    text += c;
    if (++column >= 78 && c == ' ') {
      text += "\r\n";
      column = 0;
    }
  }
  text += "</p>\r\n";
}

std::string BigPage(size_t megabytes) {
  const size_t marks = megabytes * kMarksPerMegabyte;
  const size_t block = kMegabyte / kMarksPerMegabyte;
  std::string text =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
      "</head><body>\r\n";
  text.reserve(megabytes * kMegabyte + block);
  for (size_t m = 0; m < marks; ++m) {
    const size_t block_start = text.size();
    text += m % 2 == 0 ? "<p>Updated: <!--#ZELV#--></p>\r\n"
                       : "<p>Updated: <!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/01"
                         "<!-- #ZELV#($END) --></p>\r\n";
    const size_t paragraph = (block - (text.size() - block_start)) / kParagraphsPerMark;
    for (size_t p = 0; p < kParagraphsPerMark; ++p) {
      AppendParagraph(text, paragraph - 12, p % 2 == 0, m * kParagraphsPerMark + p);
    }
  }
  text += "</body></html>\r\n";
  return text;
}

// The pages written so far, by size in MB: file path and bytes. The files go when the
// program ends.
struct PageFiles {
  ~PageFiles() {
    for (const auto& [megabytes, page] : pages) {
      std::remove(page.first.c_str());
      rmdir(page.first.substr(0, page.first.rfind('/')).c_str());
    }
  }
  std::map<size_t, std::pair<std::string, std::string>> pages;
};

// The page of each size, written once to a file (its last-write time is the marks' date).
const std::string& PageFile(size_t megabytes, std::string& text) {
  static PageFiles files;
  auto& pages = files.pages;
  auto found = pages.find(megabytes);
  if (found == pages.end()) {
    char folder[] = "/tmp/zelvora-scan-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    const std::string path = std::string(folder) + "/page.html";
    std::string bytes = BigPage(megabytes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
      std::abort();
    }
    found = pages.emplace(megabytes, std::make_pair(path, std::move(bytes))).first;
  }
  text = found->second.second;
  return found->second.first;
}

// Scans `text` as the page at `path`; true when the scan finished with a change.
bool ScanOnce(RunContext& context, const std::string& path, std::string text) {
  StampScan scan(context, path, std::move(text));
  if (scan.Run() != ScanEvent::kFinished || !scan.changed()) return false;
  benchmark::DoNotOptimize(scan.TakeText());
  return true;
}

void BM_StampScan(benchmark::State& state) {
  const size_t megabytes = static_cast<size_t>(state.range(0));
  std::string page;
  const std::string path = PageFile(megabytes, page);

  TSetting settings;
  settings.LinkWrite = false;
  QuietHost host;
  RunLog log;
  const RegionalSettings region = JapaneseRegionalSettings();
  RunContext context(settings, host, RealFileSystem(), log, region);

  // One scan before timing, so that the heap has grown to its working size.
  if (!ScanOnce(context, path, page)) {
    state.SkipWithError("the scan did not finish with a change");
    return;
  }
  size_t tags = 0;
  for (const char c : page) tags += c == '<' ? 1 : 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string text = page;
    state.ResumeTiming();
    if (!ScanOnce(context, path, std::move(text))) {
      state.SkipWithError("the scan did not finish with a change");
      break;
    }
  }
  const double bytes = static_cast<double>(page.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.counters["MB"] = static_cast<double>(megabytes);
  state.counters["tags_per_MB"] = static_cast<double>(tags) / (bytes / kMegabyte);
}

BENCHMARK(BM_StampScan)->Arg(5)->Arg(10)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelvora

// Large blocks would otherwise come from fresh memory mappings on every iteration above
// glibc's mapping threshold (at most 32 MB) and from reused heap memory below it; the kernel's
// zeroing of fresh pages then adds a step to the time per byte between 25 and 50 MB that
// has nothing to do with the scan. Serving every block from the heap and keeping it there
// measures the scan alone at every size.
int main(int argc, char** argv) {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

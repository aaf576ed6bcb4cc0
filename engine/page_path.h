// The pages whose scans are under way in the walk, the root first and the page being scanned
// last, each waiting for the link target above it.
//
// Memory stays bounded however long the chain of links: when together the pages hold more
// page text than the run's held_text_budget, the waiting pages nearest the root set their text
// aside, a batch at a time, into one scratch file of the run; when the walk comes back to them
// their text is read back, again a batch at a time. So a page is read from the site once, and
// setting text aside costs a few large reads and writes rather than a read per page. Where no
// scratch file can be had (or it holds a gigabyte already), a page sets its text aside
// without a copy and reads its own file again when its scan goes on, provided the file has
// not changed since.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/stamp_scan.h"
#include "platform/file_system.h"
#include "run/run_context.h"

namespace zelvora {

// A page whose scan is under way, with what its write needs afterwards. The linking page is
// the one below it on the path.
struct PageTask {
  PageTask(RunContext& context, const std::string& file_name, std::string text, int line_no,
           const FileInfo& info)
      : line(line_no), before(info), scan(context, file_name, std::move(text), info.last_write) {}

  // Where a page's text lies in the scratch file while it is set aside.
  struct SpillRecord {
    uint64_t offset = 0;
    size_t size = 0;
  };

  int line;          // the line of the link that led here
  int restamps = 0;  // how often the page was read again after it changed (ProcessFile)
  FileInfo before;
  StampScan scan;
  std::optional<SpillRecord> spilled;
};

class PagePath {
 public:
  PagePath(RunContext& context, std::string root_referrer, size_t budget)
      : context_(context), root_referrer_(std::move(root_referrer)), budget_(budget) {}

  bool empty() const { return pages_.empty(); }
  PageTask& top() { return *pages_.back(); }
  // The page whose link led to the top page.
  const std::string& referrer() const {
    return pages_.size() < 2 ? root_referrer_ : pages_[pages_.size() - 2]->scan.file_name();
  }

  // Adds a page on top; sets the text of waiting pages aside when they hold too much.
  void Push(std::unique_ptr<PageTask> task);
  // Removes the top page.
  void Pop();
  // Gives the top page its text back when it was set aside; false when the page can no longer
  // be read as it was.
  bool RestoreTop();

 private:
  // Sets the text of the waiting pages nearest the root aside until they hold at most half
  // the budget.
  void SetWaitingTextAside();
  // Gives the top page and the pages just below it their text back from the scratch file, as
  // far as the budget allows; false when it cannot be read.
  bool RestoreFromScratch();
  // Gives the top page its text back from its own file.
  bool RestoreFromPage();
  ScratchFile* Scratch();

  RunContext& context_;
  const std::string root_referrer_;
  const size_t budget_;
  std::vector<std::unique_ptr<PageTask>> pages_;
  size_t held_ = 0;           // page text held by the pages
  size_t first_holding_ = 0;  // the pages below this index have set their text aside
  std::unique_ptr<ScratchFile> scratch_;
  bool scratch_failed_ = false;
  uint64_t scratch_end_ = 0;  // where the next text set aside goes
};

}  // namespace zelvora

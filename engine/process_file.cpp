#include "engine/process_file.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/page_path.h"
#include "engine/page_write.h"
#include "engine/stamp_scan.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "run/error_report.h"

namespace zelvora {
namespace {

// How often a page that another run keeps changing is read and stamped again before it is
// reported as a file that could not be read.
constexpr int kMaxRestamps = 3;

// The outcome of opening a file: either the file's processing is already over (`done` holds
// its result) or its scan is ready to run.
struct Opened {
  std::optional<bool> done;
  std::unique_ptr<PageTask> task;
};

Opened Done(bool result) {
  Opened opened;
  opened.done = result;
  return opened;
}

std::string ReadFailureCause(const std::string& file_name) {
  return "次のファイルが読み込めませんでした。\n" + file_name;
}

// Waits for a missing file: the report is logged once with its question; each Retry tests
// again. Returns nothing when the file appeared, otherwise the run's fate.
std::optional<bool> AnswerMissingFile(RunContext& context, const std::string& file_name,
                                      const std::string& referrer, int line_no) {
  const ReportLocation where{referrer, line_no};
  const std::string question = WithQuestion(
      ComposeReport("次のファイルが見つかりません。\n" + file_name,
                    referrer.empty() ? nullptr : &where, LocationJoin::kAfterBlankLine),
      Question::kAbortRetryIgnore);
  LogError(context, question);
  do {
    switch (ErrorAnswer(context, question, Question::kAbortRetryIgnore)) {
      case Answer::kRetry:
        break;
      case Answer::kIgnore:
        return true;
      default:
        return false;
    }
  } while (IsNotFound(context.fs.Stat(file_name).status()));
  return std::nullopt;
}

// Reads a page. A large page is read in pieces with pending events let run between them, so
// that the windows stay responsive and the abort button can stop the run while it is read.
Result<std::string> ReadPage(RunContext& context, const std::string& file_name, FileInfo* info) {
  const FileSystem::ReadPacer pacer = [&context] {
    context.host.ProcessPendingEvents();
    return context.state.ContinueFlag;
  };
  return context.fs.ReadFilePaced(file_name, info, pacer);
}

// Removes the temporary files that interrupted runs left in the folder of `file_name`, once
// per folder and run: they are never content. Those that another run is writing at this
// moment are left alone. The listing also tells the run which files exist in the folder.
void SweepFolderOnce(RunContext& context, std::string_view file_name) {
  const std::string folder(FolderPart(file_name));
  if (!context.state.SweptFolders.insert(folder).second) return;
  auto entries = context.fs.ListFolder(folder.empty() ? std::string(".") : folder);
  if (!entries.ok() || context.dry_run) return;
  for (const FolderEntry& entry : *entries) {
    if (!entry.is_folder && IsSweepableName(entry.name)) {
      (void)context.fs.RemoveAbandoned(folder + entry.name, /*wait=*/false);
    }
  }
}

Opened OpenFile(RunContext& context, const std::string& file_name, const std::string& referrer,
                int line_no) {
  // The scan names its page by the visited list's copy of the name, which lives for the run.
  const std::string* entered = context.state.VisitedFiles.Insert(file_name);
  if (entered == nullptr) return Done(true);
  FileInfo info;
  auto bytes = ReadPage(context, file_name, &info);
  if (!bytes.ok() && IsNotFound(bytes.status())) {
    if (auto fate = AnswerMissingFile(context, file_name, referrer, line_no)) return Done(*fate);
    bytes = ReadPage(context, file_name, &info);
  }
  if (!bytes.ok() && bytes.status().code() == ECANCELED && !context.state.ContinueFlag) {
    return Done(false);  // stopped by the abort button: nothing to report
  }
  if (!bytes.ok()) {
    return Done(ReportFileFailure(context, ReadFailureCause(file_name), referrer, line_no));
  }
  // The same file reached under another name (a link, another spelling) is processed once.
  if (!context.state.VisitedFiles.InsertFile(info)) return Done(true);
  SweepFolderOnce(context, file_name);
  auto task =
      std::make_unique<PageTask>(context, *entered, std::move(bytes).value(), line_no, info);
  Opened opened;
  opened.task = std::move(task);
  return opened;
}

// Finishes a page whose scan ended normally: writes it when it changed. `may_restamp` lets
// the write give back kChangedMeanwhile for a page that changed after it was read.
WriteOutcome FinishPage(RunContext& context, PageTask& task, const std::string& referrer,
                        bool may_restamp) {
  StampScan& scan = task.scan;
  if (!scan.changed()) {
    context.log.AddLogEntry("◎日付を記入する必要はありませんでした：" + scan.file_name() + "\n");
    return WriteOutcome::kGoOn;
  }
  if (context.dry_run) {
    context.log.AddLogEntry("◎日付を記入します（試行のため書き込みません）：" + scan.file_name() +
                            "\n");
    context.host.WouldWrite(scan.file_name());
    return WriteOutcome::kGoOn;
  }
  StampedPage page;
  page.file_name = scan.file_name();
  page.referrer = referrer;
  page.line = task.line;
  page.before = task.before;
  page.text = scan.TakeText();
  page.kept_time = scan.kept_time();
  return WriteStampedPage(context, page, may_restamp);
}

// A page that another run on the same site stamped with other dates after it was read is read
// again as it is now, and its scan starts over. Returns the new task, or nothing when the page
// cannot be read now (`*result` then holds the answer to the read failure).
std::unique_ptr<PageTask> ReadAgain(RunContext& context, const PageTask& task,
                                    const std::string& referrer, bool* result) {
  const std::string& file_name = task.scan.file_name();
  FileInfo info;
  auto bytes = ReadPage(context, file_name, &info);
  if (!bytes.ok()) {
    // Stopped by the abort button, the run ends without a report.
    *result = bytes.status().code() == ECANCELED && !context.state.ContinueFlag
                  ? false
                  : ReportFileFailure(context, ReadFailureCause(file_name), referrer, task.line);
    return nullptr;
  }
  (void)context.state.VisitedFiles.InsertFile(info);
  auto again =
      std::make_unique<PageTask>(context, file_name, std::move(bytes).value(), task.line, info);
  again->restamps = task.restamps + 1;
  again->scan.MarkAsRestamp();
  return again;
}

// Goes on with the top page after its link's target ended with `target_ok`.
ScanEvent ResumeTop(PagePath& path, bool target_ok, bool* unreadable) {
  PageTask& page = path.top();
  if (target_ok && !path.RestoreTop()) {
    *unreadable = true;
    return ScanEvent::kAborted;
  }
  return page.scan.ResumeAfterLink(target_ok);
}

}  // namespace

bool ProcessFile(RunContext& context, const std::string& file_name, const std::string& referrer,
                 int line_no) {
  Opened root = OpenFile(context, file_name, referrer, line_no);
  if (root.done) return *root.done;

  PagePath path(context, referrer, context.held_text_budget);
  path.Push(std::move(root.task));
  std::optional<bool> target_result;  // how the last followed link's target ended
  for (;;) {
    PageTask& page = path.top();
    bool unreadable = false;
    const ScanEvent event =
        target_result ? ResumeTop(path, *target_result, &unreadable) : page.scan.Run();
    target_result.reset();
    if (event == ScanEvent::kFollowLink) {
      const std::string target = page.scan.TakeFollowTarget();
      Opened opened = OpenFile(context, target, page.scan.file_name(), page.scan.follow_line());
      if (opened.done) {
        target_result = *opened.done;
      } else {
        path.Push(std::move(opened.task));
      }
      continue;
    }
    bool result = false;
    if (unreadable) {
      // The page changed or vanished while its links were followed: it is left as it is.
      result = ReportFileFailure(context, ReadFailureCause(page.scan.file_name()), path.referrer(),
                                 page.line);
    } else if (event == ScanEvent::kFinished) {
      // A page whose own scan reported problems is not scanned again, which would ask the
      // same questions twice.
      const bool may_restamp = page.restamps < kMaxRestamps && !page.scan.reported();
      const WriteOutcome outcome = FinishPage(context, page, path.referrer(), may_restamp);
      if (outcome == WriteOutcome::kChangedMeanwhile) {
        if (auto again = ReadAgain(context, page, path.referrer(), &result)) {
          path.Pop();
          path.Push(std::move(again));
          continue;
        }
      } else {
        result = outcome == WriteOutcome::kGoOn;
      }
    }
    path.Pop();
    if (path.empty()) return result;
    target_result = result;
  }
}

}  // namespace zelvora

#include "engine/process_file.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/error_report.h"
#include "engine/line_model.h"
#include "engine/page_write.h"
#include "engine/stamp_scan.h"
#include "platform/atomic_file.h"

namespace zelvora {
namespace {

// A page whose scan is under way, with what its write needs afterwards.
struct PageTask {
  std::string referrer;
  int line = 0;
  FileInfo before;
  std::unique_ptr<StampScan> scan;
};

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

Opened OpenFile(RunContext& context, const std::string& file_name, const std::string& referrer,
                int line_no) {
  if (!context.state.VisitedFiles.Insert(file_name)) return Done(true);
  auto info = context.fs.Stat(file_name);
  if (!info.ok() && IsNotFound(info.status())) {
    if (auto fate = AnswerMissingFile(context, file_name, referrer, line_no)) return Done(*fate);
    info = context.fs.Stat(file_name);
  }
  auto bytes = info.ok() ? context.fs.ReadFile(file_name) : Result<std::string>(info.status());
  if (!bytes.ok()) {
    return Done(ReportFileFailure(context, "次のファイルが読み込めませんでした。\n" + file_name,
                                  referrer, line_no));
  }
  // A temporary file that an interrupted run left beside this page is not content.
  if (!context.dry_run) (void)context.fs.Remove(TemporaryNameFor(file_name));
  auto task = std::make_unique<PageTask>();
  task->referrer = referrer;
  task->line = line_no;
  task->before = *info;
  task->scan = std::make_unique<StampScan>(context, file_name, WithCrLfLineEnds(*bytes));
  Opened opened;
  opened.task = std::move(task);
  return opened;
}

// Finishes a page whose scan ended normally: writes it when it changed.
bool FinishPage(RunContext& context, PageTask& task) {
  StampScan& scan = *task.scan;
  if (!scan.changed()) {
    context.log.AddLogEntry("◎日付を記入する必要はありませんでした：" + scan.file_name() + "\n");
    return true;
  }
  if (context.dry_run) {
    context.log.AddLogEntry("◎日付を記入します（試行のため書き込みません）：" + scan.file_name() +
                            "\n");
    context.host.WouldWrite(scan.file_name());
    return true;
  }
  StampedPage page;
  page.file_name = scan.file_name();
  page.referrer = task.referrer;
  page.line = task.line;
  page.before = task.before;
  page.text = WithCrLfLineEnds(scan.TakeText());
  page.newest_date = scan.newest_date();
  return WriteStampedPage(context, page);
}

}  // namespace

bool ProcessFile(RunContext& context, const std::string& file_name, const std::string& referrer,
                 int line_no) {
  Opened root = OpenFile(context, file_name, referrer, line_no);
  if (root.done) return *root.done;

  std::vector<std::unique_ptr<PageTask>> path;  // the root first, the page being scanned last
  path.push_back(std::move(root.task));
  std::optional<bool> target_result;  // how the last followed link's target ended
  for (;;) {
    PageTask& page = *path.back();
    const ScanEvent event =
        target_result ? page.scan->ResumeAfterLink(*target_result) : page.scan->Run();
    target_result.reset();
    if (event == ScanEvent::kFollowLink) {
      Opened target = OpenFile(context, page.scan->follow_target(), page.scan->file_name(),
                               page.scan->follow_line());
      if (target.done) {
        target_result = *target.done;
      } else {
        path.push_back(std::move(target.task));
      }
      continue;
    }
    const bool result = event == ScanEvent::kFinished && FinishPage(context, page);
    path.pop_back();
    if (path.empty()) return result;
    target_result = result;
  }
}

}  // namespace zelvora

#include "engine/run.h"

#include "engine/date_source_cache.h"
#include "engine/git_history.h"
#include "engine/process_file.h"
#include "links/avoid_list.h"
#include "platform/paths.h"
#include "records/run_log.h"

namespace zelvora {
namespace {

constexpr char kSeparatorEntry[] =
    "======================================================================\n";

void ResetRunState(RunContext& context, const std::string& root) {
  RunState& state = context.state;
  state.ContinueFlag = true;
  state.VisitedFiles.Clear();
  state.Caches.Of<AvoidCacheMap>().clear();
  state.SweptFolders.clear();
  state.Caches.Of<DateSourceCache>().Clear();
  state.WrittenFiles = 0;
  state.Caches.Of<GitHistory>().Clear(std::string(FolderPart(root)));
  state.ErrorCount = 0;
  state.LinkDepth = 0;
}

// The summary's sentence about errors that the policy passed over without asking.
bool MentionsErrors(const RunContext& context) {
  return context.settings.ErrCope != kErrCopeAsk && context.state.ErrorCount > 0;
}

void ShowSummary(RunContext& context, bool completed) {
  // A trial run saves no log, so its summary points to none.
  const std::string see_the_log =
      context.dry_run ? "" : "\nエラーの詳細についてはログをご覧下さい。";
  std::string message;
  if (completed) {
    context.host.SetPercent(100);
    context.host.SetStatus("更新日の記入が終了しました。");
    message = "終了しました。";
    if (MentionsErrors(context)) {
      message += "\n\n記入中にエラーが " + std::to_string(context.state.ErrorCount) +
                 " 回発生しましたが無視して続行しました。" + see_the_log;
    }
  } else {
    context.host.SetStatus("更新日の記入を中止しました。");
    message = "中止しました。";
    if (MentionsErrors(context)) message += "\n\n記入中にエラーが発生しました。" + see_the_log;
  }
  context.host.ShowMessage(message,
                           completed ? MessageIcon::kInformation : MessageIcon::kExclamation);
}

}  // namespace

std::string RootPath(const std::string& name) {
  const auto current = CurrentFolder();
  return current.ok() ? ResolvePath(*current, name) : name;
}

RunOutcome StartRun(RunContext& context, const std::string& name, const std::string& log_path) {
  if (name.empty()) {
    context.host.ShowMessage(kNoFileNameMessage, MessageIcon::kExclamation);
    return RunOutcome::kNotStarted;
  }
  context.host.RunStarting(name);
  const std::string root = RootPath(name);
  ResetRunState(context, root);
  // A trial run neither loads nor saves the log: its entries are only shown as they are made.
  if (!context.dry_run) context.log.OpenLog(context.fs, log_path);
  context.log.AddLogEntry(kSeparatorEntry);
  context.log.AddLogEntry("★日付記入開始：" + name + "," + LogTimeStamp(NowLocal()) + "\n");
  context.host.ShowProgress(name);

  const bool completed = ProcessFile(context, root, "", 0);
  if (context.state.WrittenFiles > 0) {
    // The pages written are on the disk before the run says it is over. A failure here has no
    // report of its own: the pages are complete, and the system goes on writing them out.
    (void)context.fs.SyncFileSystem(std::string(FolderPart(root)));
  }
  ShowSummary(context, completed);
  if (completed && context.settings.OpenWriteF && !context.dry_run) {
    context.host.OpenWrittenFile(name);
  }
  context.host.HideProgress();
  if (!context.dry_run) {
    context.log.CloseLog(context.fs, log_path, completed, NowLocal(), context.settings,
                         context.host);
  }
  context.host.RunEnded();
  return completed ? RunOutcome::kFinished : RunOutcome::kAborted;
}

}  // namespace zelvora

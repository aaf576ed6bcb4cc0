#include "engine/git_dates.h"

#include <chrono>

#include "engine/git_history.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

constexpr char kFallBack[] = "ため、gitの履歴から日付を取得できません。最終更新日時を使います。\n";

std::string AbsolutePath(const std::string& path) {
  if (path.starts_with('/')) return path;
  const auto current = CurrentFolder();
  return current.ok() ? ResolvePath(*current, path) : path;
}

void TellAboutWorkTree(RunContext& context, const GitFileDate& date) {
  if (!date.shallow) return;
  context.log.AddLogEntry(
      "◎gitの履歴が浅いクローンです。見える履歴より前に最後に変更されたファイルには、"
      "最終更新日時を使います：" +
      date.work_tree + "\n");
  context.host.HistoryIsShallow(date.work_tree);
}

// The report's cause when git could not give the dates of a work tree.
std::string FailureCause(const GitFileDate& date, std::chrono::milliseconds time_limit) {
  if (date.failure_code == git_code::kTimedOut) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time_limit).count();
    return "gitが" + std::to_string(seconds) + "秒以内に応答しない" + kFallBack + date.work_tree +
           "\n\n";
  }
  const std::string reason = date.failure_code == git_code::kUnreadable
                                 ? "gitの出力を読み取れない"
                                 : "gitがリポジトリを読めない";
  return reason + kFallBack + date.work_tree + "\n" + date.complaint + "\n\n";
}

Flow Report(RunContext& context, const std::string& cause, const ReportLocation& where) {
  return ReportAndAskOkCancel(context, cause, &where) ? Flow::kContinue : Flow::kAbort;
}

}  // namespace

Flow ApplyGitDate(RunContext& context, const std::string& path, const ReportLocation& where,
                  FileTime* time, std::optional<std::string_view> text) {
  if (!context.settings.UseGitDates) return Flow::kContinue;
  GitHistory& history = context.state.Caches.Of<GitHistory>();
  const std::string absolute = AbsolutePath(path);
  const GitFileDate date = history.Lookup(context.fs, absolute, *time, text,
                                          context.settings.FollowAnyAnchor, [&context] {
                                            context.host.ProcessPendingEvents();
                                            return context.state.ContinueFlag;
                                          });
  if (date.first_look) TellAboutWorkTree(context, date);
  switch (date.kind) {
    case GitFileDate::Kind::kCommitted:
      *time = date.commit_time;
      return Flow::kContinue;
    case GitFileDate::Kind::kBeyondHistory:
      if (history.FirstMention(absolute)) {
        context.log.AddLogEntry("◎gitの見える履歴より前に変更されたため、最終更新日時を使います：" +
                                absolute + "\n");
      }
      return Flow::kContinue;
    case GitFileDate::Kind::kGitMissing:
      if (!history.FirstMissingReport()) return Flow::kContinue;
      return Report(
          context,
          std::string("gitのプログラムが見つからない") + kFallBack + date.work_tree + "\n\n",
          where);
    case GitFileDate::Kind::kHistoryFailed:
      if (!history.FirstFailureReport(date.work_tree)) return Flow::kContinue;
      return Report(context, FailureCause(date, history.time_limit()), where);
    case GitFileDate::Kind::kStopped:
      return Flow::kAbort;
    default:
      return Flow::kContinue;
  }
}

}  // namespace zelvora

#include "engine/git_dates.h"

#include "platform/paths.h"

namespace zelvora {
namespace {

std::string AbsolutePath(const std::string& path) {
  if (path.starts_with('/')) return path;
  const auto current = CurrentFolder();
  return current.ok() ? ResolvePath(*current, path) : path;
}

void TellAboutWorkTree(RunContext& context, const GitFileDate& date) {
  if (date.kind == GitFileDate::Kind::kHistoryFailed) {
    context.log.AddLogEntry("◎gitで履歴を読めなかったため、最終更新日時を使います：" +
                            date.work_tree + "\n");
    return;
  }
  if (date.shallow) {
    context.log.AddLogEntry(
        "◎gitの履歴が浅いクローンです。見える履歴より前に最後に変更されたファイルには、"
        "最終更新日時を使います：" +
        date.work_tree + "\n");
    context.host.HistoryIsShallow(date.work_tree);
  }
}

}  // namespace

Flow ApplyGitDate(RunContext& context, const std::string& path, const ReportLocation& where,
                  FileTime* time) {
  if (!context.settings.UseGitDates) return Flow::kContinue;
  GitHistory& history = context.state.GitDates;
  const std::string absolute = AbsolutePath(path);
  const GitFileDate date = history.Lookup(context.fs, absolute, *time,
                                          [&context] { context.host.ProcessPendingEvents(); });
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
      return ReportAndAskOkCancel(context,
                                  "gitのプログラムが見つからないため、gitの履歴から日付を取得でき"
                                  "ません。最終更新日時を使います。\n" +
                                      date.work_tree + "\n\n",
                                  &where)
                 ? Flow::kContinue
                 : Flow::kAbort;
    default:
      return Flow::kContinue;
  }
}

}  // namespace zelvora

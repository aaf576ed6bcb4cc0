#include "engine/file_date.h"

#include "engine/git_dates.h"

namespace zelvora {

std::string FileDateFailureCause(const std::string& path) {
  return "次のファイルの日付が取得できません。\n" + path + "\n\n";
}

Flow GetFileDate(RunContext& context, const std::string& path, const ReportLocation& where,
                 std::optional<FileTime>* last_write) {
  last_write->reset();
  auto info = context.fs.Stat(path);
  if (info.ok() && info->kind != FileKind::kFolder) {
    *last_write = info->last_write;
    return ApplyGitDate(context, path, where, &**last_write);
  }
  return ReportAndAskOkCancel(context, FileDateFailureCause(path), &where) ? Flow::kContinue
                                                                           : Flow::kAbort;
}

}  // namespace zelvora

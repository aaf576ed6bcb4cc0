#include "engine/page_write.h"

#include "engine/error_report.h"
#include "platform/atomic_file.h"
#include "records/backup.h"

namespace zelvora {
namespace {

bool AnswerWriteFailure(RunContext& context, const StampedPage& page) {
  return ReportFileFailure(context, "次のファイルに書き込めませんでした。\n" + page.file_name,
                           page.referrer, page.line);
}

void RestoreTimeStamps(RunContext& context, const std::string& data_path, const StampedPage& page) {
  // A failure here leaves the times of the write; the page itself is complete.
  (void)context.fs.SetFileTimes(data_path, page.before.last_access,
                                LocalDosDateTimeToFileTime(page.newest_date));
}

}  // namespace

bool WriteStampedPage(RunContext& context, const StampedPage& page) {
  FileSystem& fs = context.fs;
  // A page that is a symbolic link is rewritten where the link points; the link stays.
  const auto resolved = fs.ResolveSymlinks(page.file_name);
  const std::string data_path = resolved.ok() ? *resolved : page.file_name;

  const auto temporary =
      WriteTemporaryFile(fs, data_path, page.text, &page.before, context.flush_pages);
  if (!temporary.ok()) return AnswerWriteFailure(context, page);

  if (RotateBackups(context, page.file_name, data_path) == Flow::kAbort) {
    (void)fs.Remove(*temporary);
    return false;
  }
  if (!fs.Rename(*temporary, data_path).ok()) {
    (void)fs.Remove(*temporary);
    return AnswerWriteFailure(context, page);
  }
  context.log.AddLogEntry("◎日付を記入しました：" + page.file_name + "\n");
  if (context.settings.KeepTimeStamp) RestoreTimeStamps(context, data_path, page);
  return true;
}

}  // namespace zelvora

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

// Gives the new text the page's last-access time and, as its last-write time, the exact time
// of the newest date source written into it, so the next run reads the same date and finds
// nothing to do. Done on the temporary file, so the times arrive with the text in the one
// atomic rename: a run killed in between leaves no page with new text and the time of the
// write. A failure leaves the times of the write.
void KeepTimeStamps(RunContext& context, const std::string& temporary, const StampedPage& page) {
  (void)context.fs.SetFileTimes(temporary, page.before.last_access, page.kept_time);
}

}  // namespace

bool WriteStampedPage(RunContext& context, const StampedPage& page) {
  FileSystem& fs = context.fs;
  // A page that is a symbolic link is rewritten where the link points; the link stays.
  const auto resolved = fs.ResolveSymlinks(page.file_name);
  const std::string data_path = resolved.ok() ? *resolved : page.file_name;

  // Not flushed page by page: that doubled the time of a run that writes a whole site. The
  // atomic rename keeps every page whole against a killed process, and the run flushes the
  // file system once at its end.
  const auto temporary = WriteTemporaryFile(fs, data_path, page.text, &page.before, false);
  if (!temporary.ok()) return AnswerWriteFailure(context, page);
  if (context.settings.KeepTimeStamp) KeepTimeStamps(context, *temporary, page);

  if (RotateBackups(context, page.file_name, data_path) == Flow::kAbort) {
    (void)fs.Remove(*temporary);
    return false;
  }
  if (!fs.Rename(*temporary, data_path).ok()) {
    (void)fs.Remove(*temporary);
    return AnswerWriteFailure(context, page);
  }
  context.log.AddLogEntry("◎日付を記入しました：" + page.file_name + "\n");
  ++context.state.WrittenFiles;
  return true;
}

}  // namespace zelvora

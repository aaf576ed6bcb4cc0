#include "engine/page_write.h"

#include <optional>
#include <utility>

#include "engine/date_areas.h"
#include "engine/date_source_cache.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/user_access.h"
#include "records/backup.h"
#include "run/error_report.h"

namespace zelvora {
namespace {

constexpr int kMaxLocateAttempts = 3;

// Forgets what the run remembers of files and of the dates of date sources, once it has met a
// page that another program (most often another run on the same site) changed during the run:
// the dates that such a run wrote are new too.
void ForgetFileDates(RunContext& context) {
  context.fs.ForgetRemembered();
  context.state.Caches.Of<DateSourceCache>().Clear();
}

WriteOutcome GoOnIf(bool go_on) { return go_on ? WriteOutcome::kGoOn : WriteOutcome::kAbort; }

WriteOutcome AnswerWriteFailure(RunContext& context, const StampedPage& page) {
  return GoOnIf(ReportFileFailure(context,
                                  "次のファイルに書き込めませんでした。\n" + page.file_name,
                                  page.referrer, page.line));
}

// Where the page's text lives now: the page itself, or where the chain of symbolic links at
// its name ends (the link stays a link); `*now` receives what is there.
Result<std::string> Locate(FileSystem& fs, const std::string& file_name, FileInfo* now) {
  auto named = fs.LinkStat(file_name);
  if (!named.ok()) return named.status();
  if (named->kind != FileKind::kSymlink) {
    *now = *named;
    return file_name;
  }
  auto data_path = fs.ResolveSymlinks(file_name);
  if (!data_path.ok()) return data_path.status();
  // Asked of the disk, not of what the run remembers: the point is to see a change.
  auto target = fs.LinkStat(*data_path);
  if (!target.ok()) return target.status();
  *now = *target;
  return data_path;
}

// The file at the page's name is still the one that was read, unchanged: the same file (also
// where a symbolic link leads), with the same size and times.
bool StillAsRead(const Result<std::string>& located, const FileInfo& now, const FileInfo& before) {
  return located.ok() && now.kind == FileKind::kRegular && SameFileVersion(now, before);
}

// A page that changed after it was read is never overwritten: the change is another run's
// stamp, someone's edit, or a file swapped in under its name. When it already holds exactly
// the new text there is nothing to do. When it differs from the new text only inside date
// areas, another run stamped it with other dates (dates that run changed meanwhile, most
// often), and the caller may stamp it again as it is now. Otherwise it is left as it is and
// reported.
WriteOutcome AnswerChangedPage(RunContext& context, const StampedPage& page, bool may_restamp) {
  ForgetFileDates(context);
  auto current = context.fs.ReadFile(page.file_name);
  if (current.ok() && *current == page.text) {
    context.log.AddLogEntry("◎日付を記入する必要はありませんでした：" + page.file_name + "\n");
    return WriteOutcome::kGoOn;
  }
  if (may_restamp && current.ok() &&
      SameOutsideDateAreas(*current, page.text, context.settings.FollowAnyAnchor)) {
    return WriteOutcome::kChangedMeanwhile;
  }
  return GoOnIf(ReportFileFailure(context,
                                  "次のファイルが読み込めませんでした。\n" + page.file_name,
                                  page.referrer, page.line));
}

// Gives the new text the page's last-access time (and, where the system can set it, its
// creation time) and, as its last-write time, the exact time of the newest date source written
// into it, so the next run reads the same date and finds nothing to do. Done on the temporary
// file, so the times arrive with the text in the one atomic rename: a run killed in between
// leaves no page with new text and the time of the write. A failure leaves the times of the
// write.
void KeepTimeStamps(PendingFile& file, const StampedPage& page) {
  (void)file.SetTimes(page.before.last_access, page.kept_time, page.before.created);
}

}  // namespace

WriteOutcome WriteStampedPage(RunContext& context, const StampedPage& page, bool may_restamp) {
  FileSystem& fs = context.fs;
  // A renamed file would replace a page that the user may not write (the folder is what a
  // rename needs): such a page is reported as not writable, as writing it in place would be.
  if (!MayWrite(page.before)) return AnswerWriteFailure(context, page);

  // The temporary file is made first: another run writing the same page holds it until its
  // page is in place, so the check below sees what that run did. It lies where the page's
  // text lies, which is elsewhere when the page is a symbolic link.
  std::optional<PendingFile> file;
  std::string temporary_for;
  FileInfo now;
  Result<std::string> data_path = page.file_name;
  // A link that keeps changing its target while this runs ends as a changed page.
  for (int attempt = 0; data_path.ok() && temporary_for != *data_path; ++attempt) {
    file.reset();
    if (attempt == kMaxLocateAttempts) return AnswerChangedPage(context, page, may_restamp);
    temporary_for = *data_path;
    auto pending = PendingFile::Create(fs, temporary_for, page.before.mode & 0777);
    if (!pending.ok()) return AnswerWriteFailure(context, page);
    file.emplace(std::move(pending).value());
    data_path = Locate(fs, page.file_name, &now);
  }
  if (!StillAsRead(data_path, now, page.before)) {
    file.reset();
    return AnswerChangedPage(context, page, may_restamp);
  }
  // Not flushed page by page: that doubled the time of a run that writes a whole site. The
  // atomic rename keeps every page whole against a killed process, and the run flushes the
  // file system once at its end.
  if (!file->Write(page.text, &page.before, false).ok()) return AnswerWriteFailure(context, page);
  if (context.settings.KeepTimeStamp) KeepTimeStamps(*file, page);
  // The page is a new file once written: reached again under another name, it is known.
  const auto written = file->Info();

  // A page that another program holds so that it cannot be replaced (Windows) is reported
  // before its generations move: while it is held they could not be put back.
  if (!fs.CheckReplaceable(*data_path).ok()) return AnswerWriteFailure(context, page);
  BackupRotation rotation;
  if (RotateBackups(context, page.file_name, *data_path, &rotation) == Flow::kAbort) {
    return WriteOutcome::kAbort;
  }
  const Status committed = file->Commit();
  if (!file->committed()) {
    // The page keeps its old text, and its generations are put back as they were.
    rotation.Undo(fs);
    return AnswerWriteFailure(context, page);
  }
  rotation.Finish(fs);
  if (written.ok()) (void)context.state.VisitedFiles.InsertFile(*written);
  // Dates worked out from the folders that the page lies in are out of date now.
  DateSourceCache& date_sources = context.state.Caches.Of<DateSourceCache>();
  date_sources.ForgetFolder(std::string(FolderPart(*data_path)));
  date_sources.ForgetFolder(std::string(FolderPart(page.file_name)));
  if (!committed.ok()) return AnswerWriteFailure(context, page);
  context.log.AddLogEntry("◎日付を記入しました：" + page.file_name + "\n");
  ++context.state.WrittenFiles;
  return WriteOutcome::kGoOn;
}

}  // namespace zelvora

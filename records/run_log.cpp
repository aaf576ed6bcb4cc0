#include "records/run_log.h"

#include <cstdio>

#include "engine/run_host.h"
#include "platform/atomic_file.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/program_folder.h"
#include "platform/user_folders.h"
#include "settings/setting.h"

namespace zelvora {
namespace {

// Splits `text` into lines that end at CR LF, a lone LF or a lone CR. Text after the last
// line end is a line of its own; an empty text has no lines.
std::deque<std::string> SplitLines(std::string_view text) {
  std::deque<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string FileForm(const std::deque<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    text += entry;
    text += "\r\n";
  }
  return ConvertTextLossy(text, kUtf8, kCp932);
}

}  // namespace

std::string LogFileName() {
  // A copy of the program in the user's own folder (or a build folder) keeps its log beside
  // it; an installed program's folder belongs to the system, so its users' logs go to their
  // own state folders.
  const std::string program_folder = ProgramFolder();
  if (CanCreateFilesIn(program_folder)) return program_folder + kLogFileBaseName;
  return UserStateFolder() + kLogFileBaseName;
}

std::string LogTimeStamp(DateTime time) {
  const CivilTime civil = DecodeDateTime(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", civil.year, civil.month,
                civil.day, civil.hour, civil.minute, civil.second);
  return text;
}

bool RunLog::OpenLog(FileSystem& fs, const std::string& path) {
  auto content = fs.ReadFile(path);
  if (!content.ok()) {
    entries_.clear();
    AddLogEntry(kLogLoadFailedNotice);
    return false;
  }
  entries_ = SplitLines(ConvertTextLossy(*content, kCp932, kUtf8));
  while (entries_.size() > kMaxKeptEntries) entries_.pop_front();
  return true;
}

void RunLog::AddLogEntry(const std::string& text) {
  if (entries_.size() >= kMaxKeptEntries) entries_.pop_front();
  entries_.push_back(text);
  if (observer_) observer_(text);
}

void RunLog::CloseLog(FileSystem& fs, const std::string& path, bool completed, DateTime now,
                      const TSetting& settings, RunHost& host) {
  if (!settings.Log) return;
  AddLogEntry(std::string("\n") + (completed ? "★日付記入終了" : "★日付記入中止") + "：" +
              LogTimeStamp(now) + "\n\n");
  const size_t keep = static_cast<size_t>(settings.MaxLog < 0 ? 0 : settings.MaxLog / 2);
  if (entries_.size() > keep) {
    entries_.erase(entries_.begin(), entries_.end() - static_cast<std::ptrdiff_t>(keep));
  }
  // The state folder is made at the first save; a folder that cannot be made shows up as the
  // failed save below.
  (void)CreateFolders(std::string(FolderPart(path)));
  const auto previous = fs.Stat(path);  // a replaced log keeps its permissions
  const Status saved = ReplaceFileAtomically(fs, path, FileForm(entries_),
                                             previous.ok() ? &*previous : nullptr, false);
  if (!saved.ok()) {
    host.ShowMessage(std::string("ログをファイルに保存することができません。\n") + kLogFileBaseName,
                     MessageIcon::kExclamation);
  }
}

}  // namespace zelvora

#include "records/run_log.h"

#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/program_folder.h"
#include "platform/user_folders.h"
#include "run/run_host.h"
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

// `tail` without its first line when it is not all of a file of `file_size` bytes.
std::string_view WithoutCutFirstLine(std::string_view tail, uint64_t file_size) {
  if (tail.size() >= file_size) return tail;
  const size_t line_end = tail.find_first_of("\r\n");
  if (line_end == std::string_view::npos) return {};
  size_t next_line = line_end + 1;
  if (tail[line_end] == '\r' && next_line < tail.size() && tail[next_line] == '\n') ++next_line;
  return tail.substr(next_line);
}

// The log file's entries; a missing file has none.
Result<std::deque<std::string>> ReadEntries(FileSystem& fs, const std::string& path) {
  uint64_t file_size = 0;
  auto tail = ReadLogTail(fs, path, &file_size);
  if (!tail.ok()) return tail.status();
  std::deque<std::string> entries = SplitLines(ConvertTextLossy(*tail, kCp932, kUtf8));
  while (entries.size() > RunLog::kMaxKeptEntries) entries.pop_front();
  return entries;
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

Result<std::string> ReadLogTail(FileSystem& fs, const std::string& path, uint64_t* file_size) {
  auto tail = fs.ReadFileTail(path, RunLog::kMaxReadBytes, file_size);
  if (!tail.ok()) return tail;
  return std::string(WithoutCutFirstLine(*tail, *file_size));
}

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
  auto entries = ReadEntries(fs, path);
  if (!entries.ok()) {
    entries_.clear();
    loaded_ = 0;
    AddLogEntry(kLogLoadFailedNotice);
    return false;
  }
  entries_ = std::move(entries).value();
  loaded_ = entries_.size();
  return true;
}

void RunLog::AddLogEntry(const std::string& text) {
  if (entries_.size() >= kMaxKeptEntries) {
    entries_.pop_front();
    if (loaded_ > 0) --loaded_;
  }
  entries_.push_back(text);
  if (observer_) observer_(text);
}

void RunLog::CloseLog(FileSystem& fs, const std::string& path, bool completed, DateTime now,
                      const TSetting& settings, RunHost& host) {
  if (!settings.Log) return;
  AddLogEntry(std::string("\n") + (completed ? "★日付記入終了" : "★日付記入中止") + "：" +
              LogTimeStamp(now) + "\n\n");
  const auto show_failure = [&host, &path] {
    host.ShowMessage("ログをファイルに保存することができません。\n" + path,
                     MessageIcon::kExclamation);
  };
  // The state folder is made at the first save; a folder that cannot be made shows up as the
  // failed save below.
  (void)CreateFolders(std::string(FolderPart(path)));
  // Without the lock (a folder where it cannot be made) the save still replaces the file in
  // one step; only another run's entries could then be missed.
  const auto lock = fs.Lock(path + ".lock");
  auto current = ReadEntries(fs, path);
  if (!current.ok() && !IsNotFound(current.status())) {
    show_failure();  // its history is kept rather than replaced by this run's entries
    return;
  }
  std::deque<std::string> merged =
      current.ok() ? std::move(current).value() : std::deque<std::string>();
  merged.insert(merged.end(), entries_.begin() + static_cast<std::ptrdiff_t>(loaded_),
                entries_.end());
  const size_t keep = static_cast<size_t>(settings.MaxLog < 0 ? 0 : settings.MaxLog / 2);
  if (merged.size() > keep) {
    merged.erase(merged.begin(), merged.end() - static_cast<std::ptrdiff_t>(keep));
  }
  entries_ = std::move(merged);
  loaded_ = entries_.size();

  // A log that is a symbolic link stays one: the file it points at is replaced.
  const auto resolved = fs.ResolveSymlinks(path);
  const std::string target = resolved.ok() ? *resolved : path;
  const auto previous = fs.Stat(target);  // a replaced log keeps its permissions
  const Status saved = ReplaceFileAtomically(fs, target, FileForm(entries_),
                                             previous.ok() ? &*previous : nullptr, false);
  if (!saved.ok()) show_failure();
}

}  // namespace zelvora

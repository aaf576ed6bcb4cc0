// The run log: one file beside the program that accumulates the entries of every run and is
// cut to a configured size. The run loads it at its start, adds entries in memory, and trims
// and saves it at its end. On disk it is CP932 text with CR LF after every entry.
//
// Several runs may share the log at the same time: a save takes the lock file "<log>.lock",
// reads the log again and adds this run's entries after what is there now, so every run's
// entries land in it. A log that exists but cannot be read is never replaced; a log that is a
// symbolic link is saved where the link points.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "run/run_journal.h"

namespace zelvora {

// The notice that starts a fresh log when the file cannot be read.
inline constexpr char kLogLoadFailedNotice[] =
    "ログファイルの読み込みに失敗。ログファイルが存在しない可能性があります。"
    "新規にログファイルを作成しました。\n\n";

// The bare name of the log file.
inline constexpr char kLogFileBaseName[] = "Zelvora.log";

// Full path of the log file: "Zelvora.log" in the program folder when this process may create
// files there, otherwise in the user's state folder (UserStateFolder()).
std::string LogFileName();

// The end of the log file at `path` as ReadFileTail gives it (at most RunLog::kMaxReadBytes,
// `file_size` set to the whole file's size), without the first line when the end read is
// not the whole file and that line may have been cut. Fails as ReadFileTail does.
Result<std::string> ReadLogTail(FileSystem& fs, const std::string& path, uint64_t* file_size);

// "yyyy/mm/dd hh:mm:ss" of a local date-time, the time stamp of the log's run entries.
std::string LogTimeStamp(DateTime time);

class RunLog : public RunJournal {
 public:
  using Observer = std::function<void(const std::string& entry)>;

  // `observer`, when given, is told of every entry as it is added.
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

  // Replaces the entries with the lines of the file at `path` (CP932; a line ends at CR LF,
  // a lone LF or a lone CR). Only the end of a long file is read, as much as a save can keep
  // (the first, partial line of that end is dropped). When the file cannot be read, empties
  // the list and adds kLogLoadFailedNotice. Returns false when the notice was added.
  bool OpenLog(FileSystem& fs, const std::string& path) override;

  // Appends one entry (which may itself hold LF characters). Only the newest
  // kMaxKeptEntries entries are kept: no save can keep more (MaxLog is at most 5000 and a
  // save keeps MaxLog / 2), so a run over a very large site holds its log in little memory.
  void AddLogEntry(const std::string& text) override;

  // Ends the run's log when settings.Log is on, and does nothing otherwise: adds the end
  // entry ("\n" + "★日付記入終了" or "★日付記入中止" + "：" + time stamp + "\n\n"); creates
  // the folder of `path` when it is missing (0700, on the real disk); then, under the log's
  // lock, reads the file again, puts this run's entries after its entries, removes the oldest
  // entries until at most MaxLog / 2 remain, and replaces the file at `path` with the list
  // (CP932, "?" for characters without a CP932 form, CR LF after every entry; written to a
  // temporary file and renamed, so a failed save leaves the old file whole). When the file
  // exists but cannot be read, or the save fails, the file is left as it is and
  // "ログをファイルに保存することができません。\n" + `path` is shown through `host` with the
  // exclamation icon.
  void CloseLog(FileSystem& fs, const std::string& path, bool completed, DateTime now,
                const TSetting& settings, RunHost& host) override;

  const std::deque<std::string>& LogList() const { return entries_; }

  static constexpr size_t kMaxKeptEntries = 5000 / 2;
  // How much of the end of the log file is read: far more than kMaxKeptEntries entries of any
  // run take, and little memory however large the file has grown.
  static constexpr size_t kMaxReadBytes = size_t{8} << 20;

 private:
  std::deque<std::string> entries_;
  size_t loaded_ = 0;  // the entries at the front that came from the file
  Observer observer_;
};

}  // namespace zelvora

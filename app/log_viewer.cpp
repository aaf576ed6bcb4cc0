#include "app/log_viewer.h"

#include <QString>

#include "components/message_box.h"
#include "platform/atomic_file.h"
#include "platform/encoding.h"
#include "platform/user_folders.h"
#include "records/run_log.h"

namespace zelvora::gui {
namespace {

// The log's text as a Linux viewer reads it best: UTF-8, lines ended by LF alone.
std::string ViewingText(std::string_view cp932_log) {
  const std::string utf8 = ConvertTextLossy(cp932_log, kCp932, kUtf8);
  std::string text;
  text.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    text += utf8[i];
  }
  return text;
}

// Writes the viewing copy of `log` and returns its path, or the log's own path when no copy
// can be made (the viewer then shows the CP932 bytes, which is still better than nothing).
std::string FileToShow(FileSystem& fs, const std::string& log, std::string_view content) {
  const std::string copy = LogViewingCopyPath();
  if (copy == log || !MakePrivateFolder(UserScratchFolder()).ok()) return log;
  if (!ReplaceFileAtomically(fs, copy, ViewingText(content), nullptr, false).ok()) return log;
  return copy;
}

}  // namespace

std::string LogViewingCopyPath() { return UserScratchFolder() + kLogFileBaseName; }

bool ShowLog(DesktopShell& shell, FileSystem& fs,
             const std::function<void(const std::string&)>& set_status, QWidget* owner) {
  const std::string log = LogFileName();
  // Only the end that a save keeps is shown, so a log grown huge by other means costs little.
  uint64_t log_size = 0;
  const auto content = ReadLogTail(fs, log, &log_size);
  if (content.ok() && shell.Open(FileToShow(fs, log, *content)).ok()) {
    set_status(kLogShownStatus);
    return true;
  }
  set_status(kLogNotShownStatus);
  ShowMessageBox(
      owner,
      QString::fromStdString(
          std::string("ログを表示できません。まだログファイルが存在しない可能性があります。\n"
                      "存在する場合は、メモ帳で\n\"") +
          kLogFileBaseName + "\"\nをご覧下さい。"),
      BoxButtons::kOk, BoxIcon::kExclamation);
  return false;
}

}  // namespace zelvora::gui

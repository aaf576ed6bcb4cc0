#include "gui/app/log_viewer.h"

#include <QString>

#include "gui/components/message_box.h"
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

void ReportNotShown(const std::function<void(const std::string&)>& set_status, QWidget* owner) {
  set_status(kLogNotShownStatus);
  ShowMessageBox(
      owner,
      QString::fromStdString(
          std::string("ログを表示できません。まだログファイルが存在しない可能性があります。\n"
                      "存在する場合は、テキストエディタで\n\"") +
          LogFileName() + "\"\nをご覧下さい。"),
      BoxButtons::kOk, BoxIcon::kExclamation);
}

}  // namespace

std::optional<std::string> WriteLogViewingCopy(FileSystem& fs, const std::string& log_path,
                                               std::string_view log_text) {
  const std::string text = ViewingText(log_text);
  for (const std::string& folder : UserScratchFolders()) {
    const std::string copy = folder + kLogFileBaseName;
    if (copy == log_path || !MakePrivateFolder(folder).ok()) continue;
    if (ReplaceFileAtomically(fs, copy, text, nullptr, false).ok()) return copy;
  }
  return std::nullopt;
}

void ShowLog(DesktopShell& shell, FileSystem& fs, ShellRequests& requests,
             std::function<void(const std::string&)> set_status, QWidget* owner) {
  const std::string log = LogFileName();
  // Only the end that a save keeps is shown, so a log grown huge by other means costs little.
  uint64_t log_size = 0;
  const auto content = ReadLogTail(fs, log, &log_size);
  const std::optional<std::string> copy =
      content.ok() ? WriteLogViewingCopy(fs, log, *content) : std::nullopt;
  if (!copy) {
    ReportNotShown(set_status, owner);
    return;
  }
  requests.Start([&shell, file = *copy] { return shell.Open(file).ok(); },
                 [set_status = std::move(set_status), owner](bool shown) {
                   if (shown) {
                     set_status(kLogShownStatus);
                   } else {
                     ReportNotShown(set_status, owner);
                   }
                 });
}

}  // namespace zelvora::gui

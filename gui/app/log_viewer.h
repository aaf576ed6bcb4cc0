// The main window's log command: the run log shown by the program the desktop associates with
// it. The log is CP932 on disk, which Linux viewers show garbled, so the viewer is handed a
// UTF-8 copy with LF line ends, private to the user and made afresh at every showing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "gui/app/shell_requests.h"
#include "platform/desktop_shell.h"
#include "platform/file_system.h"

class QWidget;

namespace zelvora::gui {

inline constexpr char kLogShownStatus[] = "ログを表示しました。";
inline constexpr char kLogNotShownStatus[] = "ログを表示できません。";

// Writes the viewing copy of the log whose CP932 text is `log_text` and returns its path:
// "Zelvora.log" (a 0600 file in a 0700 folder) in the first of UserScratchFolders() where it
// can be written and where it is not the log `log_path` itself. Nothing when no folder will
// do: the viewer is then not given the log at all, rather than its raw CP932 bytes.
std::optional<std::string> WriteLogViewingCopy(FileSystem& fs, const std::string& log_path,
                                               std::string_view log_text);

// Shows the log file LogFileName(): reads it through `fs`, writes its viewing copy and asks
// `shell` to open the copy through `requests`, returning at once. When it was shown,
// `set_status` gets kLogShownStatus. When there is no log to read, no place for the copy or
// the shell refuses, `set_status` gets kLogNotShownStatus and then a message box over `owner`
// (may be null) says so and names the log by its full path.
void ShowLog(DesktopShell& shell, FileSystem& fs, ShellRequests& requests,
             std::function<void(const std::string&)> set_status, QWidget* owner);

}  // namespace zelvora::gui

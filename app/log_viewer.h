// The main window's log command: the run log shown by the program the desktop associates with
// it. The log is CP932 on disk, which Linux viewers show garbled, so the viewer is handed a
// UTF-8 copy with LF line ends, private to the user and made afresh at every showing.
#pragma once

#include <functional>
#include <string>

#include "platform/desktop_shell.h"
#include "platform/file_system.h"

class QWidget;

namespace zelvora::gui {

inline constexpr char kLogShownStatus[] = "ログを表示しました。";
inline constexpr char kLogNotShownStatus[] = "ログを表示できません。";

// The copy of the log that a viewer is given: "Zelvora.log" in UserScratchFolder().
std::string LogViewingCopyPath();

// Shows the log file LogFileName(): reads it through `fs`, writes its UTF-8 copy to
// LogViewingCopyPath() (a 0600 file in a 0700 folder) and asks `shell` to open the copy.
// When no copy can be written, the log itself is opened. On success `set_status` gets
// kLogShownStatus. When there is no log to read or the shell refuses, `set_status` gets
// kLogNotShownStatus and then a message box over `owner` (may be null) says so and names
// "Zelvora.log". Returns whether the log was shown.
bool ShowLog(DesktopShell& shell, FileSystem& fs,
             const std::function<void(const std::string&)>& set_status, QWidget* owner);

}  // namespace zelvora::gui

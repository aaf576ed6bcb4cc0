// Help and the author's web page: the help file Zelvora.htm beside the program, opened in the
// browser at the section of the screen it was asked from, or as a whole by the program the
// desktop associates with it. The desktop is asked off the window thread (ShellRequests), so
// the windows go on answering; a failure is told when its outcome is known.
#pragma once

#include <functional>
#include <string>

#include "gui/app/shell_requests.h"
#include "gui/components/help_anchors.h"
#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"
#include "settings/setting.h"

class QWidget;

namespace zelvora::gui {

// The help file, looked for in the program folder.
inline constexpr char kHelpFileName[] = "Zelvora.htm";

// The status text of the main window's web page command.
inline constexpr char kAuthorPageShownStatus[] =
    "ＷＷＷブラウザが作者のホームページを表示しました。";

// The full path of the help file: kHelpFileName in the program folder.
std::string HelpFilePath();

// The status text of the main window's help command, naming the help file by its full path.
std::string HelpShownStatus();

// The author's web page, fixed when the program is built.
std::string AuthorWebPageAddress();

// "file://" + `path` made absolute against the current folder, with the characters that a
// URL cannot hold percent-encoded ("#" and "?" in folder names included).
std::string FileUrl(const std::string& path);

// Whether a request was handed to a program; called on the window thread once that is known,
// after any failure box.
using ShellOutcome = std::function<void(bool shown)>;

// The help and web page operations. Each returns at once; the desktop is asked through
// `requests` and `done` (may be empty) gets the outcome. Message boxes go through
// ShowMessageBox over `owner`.
class HelpLauncher {
 public:
  // `settings` is the live record, read at every call (UseNN); nothing is owned and all
  // must outlive the launcher. `shell` and `conversation` are used from the requests'
  // threads. `owner` may be null.
  HelpLauncher(const TSetting& settings, DesktopShell& shell, BrowserConversation& conversation,
               ShellRequests& requests, QWidget* owner);

  // With UseNN on, OpenInBrowser(kHelpFileName, "", anchor). With UseNN off, the help file
  // is opened at its top with its associated program, and a failure shows nothing.
  void ShowHelp(const std::string& anchor, ShellOutcome done = {});

  // Shows the local HTML `file` (a bare name is taken from the program folder) in the
  // browser, at "?" + `query` and "#" + `anchor` when they are not empty: first through two
  // browser conversations (a wake-up "about:", then the page), and when the page was not
  // delivered so, by starting the browser on the page (its path for a browser that takes
  // files, its file URL with query and anchor for one that takes addresses). No browser, or
  // one that does not start: the help message box naming the file's full path.
  void OpenInBrowser(const std::string& file, const std::string& query, const std::string& anchor,
                     ShellOutcome done = {});

  // Opens `address` with its associated program; on failure shows the web page message box
  // naming the address.
  void OpenWebPage(const std::string& address, ShellOutcome done = {});

 private:
  // Runs `request` through the requests; a failure shows `failure_text` (when not empty)
  // before `done` learns the outcome.
  void Request(std::function<bool()> request, std::string failure_text, ShellOutcome done);

  const TSetting& settings_;
  DesktopShell& shell_;
  BrowserConversation& conversation_;
  ShellRequests& requests_;
  QWidget* owner_;
};

// The main window's help command: the help at the main window's section, then
// HelpShownStatus() through `set_status` whatever the outcome.
void RunHelpCommand(HelpLauncher& launcher, std::function<void(const std::string&)> set_status);

// The main window's web page command: the author's web page; kAuthorPageShownStatus when it
// was opened, otherwise the status line stays as it was.
void RunAuthorWebPageCommand(HelpLauncher& launcher,
                             std::function<void(const std::string&)> set_status);

}  // namespace zelvora::gui

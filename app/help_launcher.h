// Help and the author's web page: the help file Zelvora.htm beside the program, opened in the
// browser at the section of the screen it was asked from, or as a whole by the program the
// desktop associates with it.
#pragma once

#include <functional>
#include <string>

#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"
#include "settings/setting.h"

class QWidget;

namespace zelvora::gui {

// The help file, looked for in the program folder.
inline constexpr char kHelpFileName[] = "Zelvora.htm";

// The sections of the help file, one per screen that asks for help.
inline constexpr char kHelpAnchorMainWindow[] = "Tsukaikata";
inline constexpr char kHelpAnchorDateTab[] = "Hidukekinyuutab";
inline constexpr char kHelpAnchorPreventTab[] = "Hikinyuusetteitab";
inline constexpr char kHelpAnchorOtherTab[] = "Sonotatab";

// Status texts of the main window's help and web page commands.
inline constexpr char kHelpShownStatus[] =
    "ヘルプを表示しました。もし表示されない場合は、\"Zelvora.htm\" をご覧下さい。";
inline constexpr char kAuthorPageShownStatus[] =
    "ＷＷＷブラウザが作者のホームページを表示しました。";

// The author's web page, fixed when the program is built.
std::string AuthorWebPageAddress();

// "file://" + `path` made absolute against the current folder, with the characters that a
// URL cannot hold percent-encoded ("#" and "?" in folder names included).
std::string FileUrl(const std::string& path);

// The help and web page operations. Message boxes go through ShowMessageBox over `owner`.
class HelpLauncher {
 public:
  // `settings` is the live record, read at every call (UseNN); nothing is owned and all
  // must outlive the launcher. `owner` may be null.
  HelpLauncher(const TSetting& settings, DesktopShell& shell, BrowserConversation& conversation,
               QWidget* owner);

  // With UseNN on, OpenInBrowser(kHelpFileName, "", anchor). With UseNN off, the help file
  // is opened at its top with its associated program, and a failure shows nothing.
  // Returns whether the help was handed to a program.
  bool ShowHelp(const std::string& anchor);

  // Shows the local HTML `file` (a bare name is taken from the program folder) in the
  // browser, at "?" + `query` and "#" + `anchor` when they are not empty: first through two
  // browser conversations (a wake-up "about:", then the page), and when the page was not
  // delivered so, by starting the browser with the page's file URL. No browser, or one
  // that does not start: the help message box naming `file`, and false.
  bool OpenInBrowser(const std::string& file, const std::string& query, const std::string& anchor);

  // Opens `address` with its associated program; on failure shows the web page message box
  // naming the address and returns false.
  bool OpenWebPage(const std::string& address);

 private:
  const TSetting& settings_;
  DesktopShell& shell_;
  BrowserConversation& conversation_;
  QWidget* owner_;
};

// The main window's help command: the help at the main window's section, then
// kHelpShownStatus through `set_status` whatever the outcome.
void RunHelpCommand(HelpLauncher& launcher,
                    const std::function<void(const std::string&)>& set_status);

// The main window's web page command: the author's web page; kAuthorPageShownStatus when it
// was opened, otherwise the status line stays as it was.
void RunAuthorWebPageCommand(HelpLauncher& launcher,
                             const std::function<void(const std::string&)>& set_status);

}  // namespace zelvora::gui

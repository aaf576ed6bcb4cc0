// The desktop's shell services that the program asks for: the browser for HTML pages,
// starting that browser on a page, and opening a file or address with the program the
// desktop associates with it. An interface, so that tests can put a fake in its place.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/desktop_entry.h"
#include "platform/status.h"

namespace zelvora {

// The program that shows HTML pages.
struct BrowserProgram {
  DesktopEntry entry;  // its desktop entry (freedesktop.org desktops)
  std::string path;    // the full path of the program that shows the pages
  // Windows: the command that the association of HTML files names, such as
  // "C:\Program Files\Browser\browser.exe" -url "%1".
  std::string command;
};

class DesktopShell {
 public:
  virtual ~DesktopShell() = default;

  // The browser for HTML pages. Fails when the desktop names none, or names the program's own
  // entry (zelvora.desktop), or the named entry is missing or has an unusable Exec line.
  virtual Result<BrowserProgram> HtmlBrowser() = 0;

  // Starts `browser` on `page` through its Exec line (its command on Windows): a program that
  // takes files gets the page's path, one that takes addresses its URL. OK when the program
  // started.
  virtual Status StartBrowser(const BrowserProgram& browser, const ExecTarget& page) = 0;

  // Opens `target` (a path or an address) with the program associated with it. OK when the
  // request was accepted: the opener started and did not report a failure.
  virtual Status Open(const std::string& target) = 0;
};

// The shell services of a freedesktop.org desktop:
// - the browser is the desktop entry that `xdg-mime query default text/html` names, looked
//   up in ApplicationFolders();
// - the browser is started detached, without a shell, with ExecCommandLine's words;
// - Open runs `xdg-open target` and waits up to `patience` for its verdict. xdg-open outside
//   a known desktop runs the viewer in the foreground, so an opener still running when
//   patience runs out has started its viewer and counts as accepted.
// Every call waits for helper programs; a window calls them off its event thread. The object
// holds no state besides `patience`, so calls may run on several threads at once.
class XdgDesktopShell : public DesktopShell {
 public:
  explicit XdgDesktopShell(std::chrono::milliseconds patience = std::chrono::seconds(3));

  Result<BrowserProgram> HtmlBrowser() override;
  Status StartBrowser(const BrowserProgram& browser, const ExecTarget& page) override;
  Status Open(const std::string& target) override;

 private:
  std::chrono::milliseconds patience_;
};

// The shell services of Windows (built there only):
// - the browser is the program that the association of ".htm" names for opening
//   (AssocQueryStringW); a browser that is Zelvora's own program (zelvora.exe) counts as none;
// - the browser is started detached with the association's command, its placeholders "%1"
//   (and "%L", "%V") replaced by the page: by its address when that carries a query or an
//   anchor, which a path cannot, otherwise by its path;
// - Open hands the target to the shell (ShellExecuteExW, verb "open") and waits until the
//   shell has started the program or failed; a failure carries the system's reason.
// Calls may run on several threads at once; each blocks while the shell works, so a window
// calls them off its event thread.
class WindowsDesktopShell : public DesktopShell {
 public:
  Result<BrowserProgram> HtmlBrowser() override;
  Status StartBrowser(const BrowserProgram& browser, const ExecTarget& page) override;
  Status Open(const std::string& target) override;
};

// The shell services of the system the program runs on, with the desktop's usual patience.
std::unique_ptr<DesktopShell> SystemDesktopShell();

}  // namespace zelvora

#include "platform/desktop_shell.h"

#include <cerrno>

#include "platform/process.h"

namespace zelvora {
namespace {

// The desktop entry that the package installs for the program itself.
constexpr char kOwnDesktopEntry[] = "zelvora.desktop";

// xdg-mime reads a few small files; it answers well within this time.
constexpr std::chrono::seconds kQueryTimeout(10);

std::string FirstLine(const std::string& text) {
  const size_t end = text.find_first_of("\r\n");
  std::string line = text.substr(0, end);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return line;
}

}  // namespace

XdgDesktopShell::XdgDesktopShell(std::chrono::milliseconds patience) : patience_(patience) {}

Result<BrowserProgram> XdgDesktopShell::HtmlBrowser() {
  const auto answer = CaptureOutput({"xdg-mime", "query", "default", "text/html"}, kQueryTimeout);
  if (!answer.ok()) return answer.status();
  const std::string id = FirstLine(*answer);
  if (id.empty()) return Status::Error("no program is associated with text/html", ENOENT);
  // Zelvora's own entry offers it for HTML files; where it is the only one, there is no
  // browser to show a page in.
  if (id == kOwnDesktopEntry) {
    return Status::Error("no program but Zelvora is associated with text/html", ENOENT);
  }
  FileSystem& fs = RealFileSystem();
  const auto file = FindDesktopFile(id, ApplicationFolders(), fs);
  if (!file) return Status::Error("the desktop entry " + id + " is not found", ENOENT);
  const auto text = fs.ReadFile(*file);
  if (!text.ok()) return text.status();
  auto entry = ParseDesktopEntry(*text, *file);
  if (!entry.ok()) return entry.status();
  const auto words = ExecCommandLine(*entry, ExecTarget{});
  if (!words.ok()) return words.status();
  const auto path = FindProgram(words->front());
  if (!path.ok()) return path.status();
  return BrowserProgram{std::move(entry).value(), *path, ""};
}

Status XdgDesktopShell::StartBrowser(const BrowserProgram& browser, const ExecTarget& page) {
  const auto words = ExecCommandLine(browser.entry, page);
  if (!words.ok()) return words.status();
  return StartDetached(*words);
}

Status XdgDesktopShell::Open(const std::string& target) {
  return RunDetachedForVerdict({"xdg-open", target}, patience_);
}

std::unique_ptr<DesktopShell> SystemDesktopShell() { return std::make_unique<XdgDesktopShell>(); }

}  // namespace zelvora

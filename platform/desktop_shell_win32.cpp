#include "platform/desktop_shell.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cerrno>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_calls_win32.h"
#include "platform/windows_command_line.h"

namespace zelvora {
namespace {

// The program's own name: an association that names it has no browser to show a page in.
constexpr char kOwnProgram[] = "ZELVORA.EXE";

// The shell's helpers expect COM on the calling thread; each call brings it up and down for
// itself, since it may run on any thread.
class ComOnThisThread {
 public:
  ComOnThisThread()
      : started_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComOnThisThread() {
    if (started_) CoUninitialize();
  }
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

 private:
  bool started_;
};

// What the association of ".htm" says for `what` (ASSOCSTR_EXECUTABLE, ASSOCSTR_COMMAND).
Result<std::string> HtmlAssociation(ASSOCSTR what) {
  DWORD length = 0;
  HRESULT answer = AssocQueryStringW(ASSOCF_NOTRUNCATE, what, L".htm", L"open", nullptr, &length);
  if (answer != S_FALSE && FAILED(answer)) {
    return Status::Error("no program is associated with .htm files", ENOENT);
  }
  std::wstring text(length, L'\0');
  answer = AssocQueryStringW(ASSOCF_NOTRUNCATE, what, L".htm", L"open", text.data(), &length);
  if (FAILED(answer)) return Status::Error("no program is associated with .htm files", ENOENT);
  text.resize(wcsnlen(text.c_str(), text.size()));
  return win32::Utf8(text);
}

// `command` with its environment variables ("%ProgramFiles%") expanded.
std::wstring Expanded(const std::wstring& command) {
  const DWORD length = ExpandEnvironmentStringsW(command.c_str(), nullptr, 0);
  if (length == 0) return command;
  std::wstring expanded(length, L'\0');
  if (ExpandEnvironmentStringsW(command.c_str(), expanded.data(), length) == 0) return command;
  expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
  return expanded;
}

// The words of `command` as a program's start-up would split them.
std::vector<std::string> SplitCommand(const std::string& command) {
  std::vector<std::string> words;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(Expanded(win32::Wide(command)).c_str(), &count);
  if (split == nullptr) return words;
  for (int i = 0; i < count; ++i) words.push_back(win32::Utf8(split[i]));
  LocalFree(split);
  return words;
}

}  // namespace

Result<BrowserProgram> WindowsDesktopShell::HtmlBrowser() {
  const auto path = HtmlAssociation(ASSOCSTR_EXECUTABLE);
  if (!path.ok()) return path.status();
  if (AsciiUpper(NamePart(*path)) == kOwnProgram) {
    return Status::Error("no program but Zelvora is associated with .htm files", ENOENT);
  }
  const auto command = HtmlAssociation(ASSOCSTR_COMMAND);
  if (!command.ok()) return command.status();
  BrowserProgram browser;
  browser.path = *path;
  browser.command = *command;
  return browser;
}

Status WindowsDesktopShell::StartBrowser(const BrowserProgram& browser, const ExecTarget& page) {
  if (browser.command.empty()) return Status::Error("the browser has no command", EINVAL);
  const bool address = page.path.empty() || page.url.find_first_of("?#") != std::string::npos;
  return StartDetached(
      AssociationWords(SplitCommand(browser.command), address ? page.url : page.path));
}

Status WindowsDesktopShell::Open(const std::string& target) {
  const ComOnThisThread com;
  const std::wstring file = win32::Wide(target);
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  // Wait until the shell has done its part (it may otherwise still be working when this
  // thread ends), and report failures here rather than in a message box of the shell's.
  request.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  request.lpVerb = L"open";
  request.lpFile = file.c_str();
  request.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&request)) return Status::Ok();
  return win32::LastError("cannot open", target);
}

std::unique_ptr<DesktopShell> SystemDesktopShell() {
  return std::make_unique<WindowsDesktopShell>();
}

}  // namespace zelvora

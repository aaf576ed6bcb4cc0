#include "app/help_launcher.h"

#include <QFileInfo>
#include <QString>
#include <QUrl>

#include "components/message_box.h"
#include "platform/paths.h"
#include "platform/program_folder.h"

#ifndef ZELVORA_AUTHOR_WEB_PAGE
#error "ZELVORA_AUTHOR_WEB_PAGE is set by the build"
#endif

namespace zelvora::gui {
namespace {

constexpr char kBrowserAdvice[] = "ＷＷＷブラウザ（ＮetscapeＮavigator4.5以上推奨）で\n\"";
constexpr char kPleaseSee[] = "\"\nをご覧下さい。";

void ShowExclamation(QWidget* owner, const std::string& text) {
  ShowMessageBox(owner, QString::fromStdString(text), BoxButtons::kOk, BoxIcon::kExclamation);
}

}  // namespace

std::string AuthorWebPageAddress() { return ZELVORA_AUTHOR_WEB_PAGE; }

std::string FileUrl(const std::string& path) {
  const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  return QUrl::fromLocalFile(absolute).toEncoded().toStdString();
}

HelpLauncher::HelpLauncher(const TSetting& settings, DesktopShell& shell,
                           BrowserConversation& conversation, QWidget* owner)
    : settings_(settings), shell_(shell), conversation_(conversation), owner_(owner) {}

bool HelpLauncher::ShowHelp(const std::string& anchor) {
  if (settings_.UseNN) return OpenInBrowser(kHelpFileName, "", anchor);
  return shell_.Open(ProgramFolder() + kHelpFileName).ok();
}

bool HelpLauncher::OpenInBrowser(const std::string& file, const std::string& query,
                                 const std::string& anchor) {
  const std::string full_name = FolderPart(file).empty() ? ProgramFolder() + file : file;
  std::string suffix;
  if (!query.empty()) suffix += "?" + query;
  if (!anchor.empty()) suffix += "#" + anchor;
  const std::string page = FileUrl(full_name) + suffix;

  bool shown = false;
  const auto browser = shell_.HtmlBrowser();
  if (browser.ok()) {
    const std::string service = BrowserService(browser->path);
    if (conversation_.Connect(service, kOpenUrlTopic, browser->path)) {
      conversation_.Execute(kWakeUpCommand);
    }
    conversation_.Close();
    if (conversation_.Connect(service, kOpenUrlTopic, browser->path)) {
      shown = conversation_.Execute(page);
    }
    conversation_.Close();
    if (!shown) shown = shell_.StartBrowser(*browser, page).ok();
  }
  if (!shown) {
    ShowExclamation(owner_,
                    "ヘルプを表示できません。\n" + std::string(kBrowserAdvice) + file + kPleaseSee);
  }
  return shown;
}

bool HelpLauncher::OpenWebPage(const std::string& address) {
  if (shell_.Open(address).ok()) return true;
  ShowExclamation(owner_, "作者のホームページに接続できません。\n" + std::string(kBrowserAdvice) +
                              address + kPleaseSee);
  return false;
}

void RunHelpCommand(HelpLauncher& launcher,
                    const std::function<void(const std::string&)>& set_status) {
  launcher.ShowHelp(kHelpAnchorMainWindow);
  set_status(kHelpShownStatus);
}

void RunAuthorWebPageCommand(HelpLauncher& launcher,
                             const std::function<void(const std::string&)>& set_status) {
  if (launcher.OpenWebPage(AuthorWebPageAddress())) set_status(kAuthorPageShownStatus);
}

}  // namespace zelvora::gui

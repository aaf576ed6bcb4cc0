#include "gui/app/help_launcher.h"

#include <QFileInfo>
#include <QString>
#include <QUrl>

#include "gui/components/message_box.h"
#include "platform/paths.h"
#include "platform/program_folder.h"

#ifndef ZELVORA_AUTHOR_WEB_PAGE
#error "ZELVORA_AUTHOR_WEB_PAGE is set by the build"
#endif

namespace zelvora::gui {
namespace {

constexpr char kBrowserAdvice[] = "ＷＷＷブラウザで\n\"";
constexpr char kPleaseSee[] = "\"\nをご覧下さい。";

}  // namespace

std::string AuthorWebPageAddress() { return ZELVORA_AUTHOR_WEB_PAGE; }

std::string HelpFilePath() { return ProgramFolder() + kHelpFileName; }

std::string HelpShownStatus() {
  return "ヘルプを表示しました。もし表示されない場合は、\"" + HelpFilePath() + "\" をご覧下さい。";
}

std::string FileUrl(const std::string& path) {
  const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  return QUrl::fromLocalFile(absolute).toEncoded().toStdString();
}

HelpLauncher::HelpLauncher(const TSetting& settings, DesktopShell& shell,
                           BrowserConversation& conversation, ShellRequests& requests,
                           QWidget* owner)
    : settings_(settings),
      shell_(shell),
      conversation_(conversation),
      requests_(requests),
      owner_(owner) {}

void HelpLauncher::Request(std::function<bool()> request, std::string failure_text,
                           ShellOutcome done) {
  requests_.Start(std::move(request), [this, failure_text = std::move(failure_text),
                                       done = std::move(done)](bool shown) {
    if (!shown && !failure_text.empty()) {
      ShowMessageBox(owner_, QString::fromStdString(failure_text), BoxButtons::kOk,
                     BoxIcon::kExclamation);
    }
    if (done) done(shown);
  });
}

void HelpLauncher::ShowHelp(const std::string& anchor, ShellOutcome done) {
  if (settings_.UseNN) {
    OpenInBrowser(kHelpFileName, "", anchor, std::move(done));
    return;
  }
  Request([&shell = shell_, path = HelpFilePath()] { return shell.Open(path).ok(); }, "",
          std::move(done));
}

void HelpLauncher::OpenInBrowser(const std::string& file, const std::string& query,
                                 const std::string& anchor, ShellOutcome done) {
  const std::string full_name = FolderPart(file).empty() ? ProgramFolder() + file : file;
  std::string suffix;
  if (!query.empty()) suffix += "?" + query;
  if (!anchor.empty()) suffix += "#" + anchor;
  const ExecTarget page{
      QFileInfo(QString::fromStdString(full_name)).absoluteFilePath().toStdString(),
      FileUrl(full_name) + suffix};
  Request(
      [&shell = shell_, &conversation = conversation_, page] {
        const auto browser = shell.HtmlBrowser();
        if (!browser.ok()) return false;
        const std::string service = BrowserService(browser->path);
        if (conversation.Connect(service, kOpenUrlTopic, browser->path)) {
          conversation.Execute(kWakeUpCommand);
        }
        conversation.Close();
        bool shown = false;
        if (conversation.Connect(service, kOpenUrlTopic, browser->path)) {
          shown = conversation.Execute(page.url);
        }
        conversation.Close();
        return shown || shell.StartBrowser(*browser, page).ok();
      },
      "ヘルプを表示できません。\n" + std::string(kBrowserAdvice) + full_name + kPleaseSee,
      std::move(done));
}

void HelpLauncher::OpenWebPage(const std::string& address, ShellOutcome done) {
  Request(
      [&shell = shell_, address] { return shell.Open(address).ok(); },
      "作者のホームページに接続できません。\n" + std::string(kBrowserAdvice) + address + kPleaseSee,
      std::move(done));
}

void RunHelpCommand(HelpLauncher& launcher, std::function<void(const std::string&)> set_status) {
  launcher.ShowHelp(kHelpAnchorMainWindow,
                    [set_status = std::move(set_status)](bool) { set_status(HelpShownStatus()); });
}

void RunAuthorWebPageCommand(HelpLauncher& launcher,
                             std::function<void(const std::string&)> set_status) {
  launcher.OpenWebPage(AuthorWebPageAddress(), [set_status = std::move(set_status)](bool opened) {
    if (opened) set_status(kAuthorPageShownStatus);
  });
}

}  // namespace zelvora::gui

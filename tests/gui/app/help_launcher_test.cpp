#include "gui/app/help_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <optional>

#include "gui/components/message_box.h"
#include "platform/program_folder.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/fake_shell.h"

namespace zelvora::gui {
namespace {

using Words = std::vector<std::string>;

QString NoHelpBox() {
  return QString::fromStdString("ヘルプを表示できません。\nＷＷＷブラウザで\n\"" + ProgramFolder() +
                                "Zelvora.htm\"\nをご覧下さい。");
}

// Runs the window thread until `requests` have all told their outcome.
void Settle(ShellRequests& requests) {
  ASSERT_TRUE(QTest::qWaitFor([&requests] { return requests.Pending() == 0; }, 60000));
}

std::string HelpUrl(const std::string& anchor) {
  return "file://" + ProgramFolder() + "Zelvora.htm#" + anchor;
}

// Help through the real desktop: xdg-mime names a browser entry in a private data folder,
// whose Exec line records what it is started with.
class DesktopHelpTest : public ::testing::Test {
 protected:
  bool ShowHelp(const std::string& anchor) {
    std::optional<bool> shown;
    launcher.ShowHelp(anchor, [&shown](bool outcome) { shown = outcome; });
    Settle(requests);
    return shown.value_or(false);
  }

  testing::FakeDesktop desktop;
  TSetting settings;
  XdgDesktopShell shell;
  UnansweredConversation conversation;
  ShellRequests requests;
  HelpLauncher launcher{settings, shell, conversation, requests, nullptr};
  MessageBoxScript boxes;
};

TEST_F(DesktopHelpTest, TheBrowserStartsOnceWithTheFileUrlAndAnchor) {
  desktop.AddHtmlBrowser("fake-browser.desktop", "@RECORDER@ --new-tab %u %i", "fake-icon");
  EXPECT_TRUE(ShowHelp("Tsukaikata"));
  EXPECT_EQ(desktop.WaitForArguments("fake-browser.desktop"),
            (Words{"--new-tab", HelpUrl("Tsukaikata"), "--icon", "fake-icon"}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DesktopHelpTest, FolderNamesWithBlanksAndHashesAreEncodedInTheUrl) {
  testing::TempDir program;
  const std::string folder = program / "my site#2 日本/";
  testing::MakeFolder(folder);
  testing::ScopedEnvironment environment({{"ZELVORA_PROGRAM_DIR", folder.c_str()}});
  desktop.AddHtmlBrowser("fake-browser.desktop", "@RECORDER@ %u");
  EXPECT_TRUE(ShowHelp("Sonotatab"));
  EXPECT_EQ(desktop.WaitForArguments("fake-browser.desktop"),
            (Words{"file://" + program.path() +
                   "/my%20site%232%20%E6%97%A5%E6%9C%AC/Zelvora.htm#Sonotatab"}));
}

TEST_F(DesktopHelpTest, ABrowserThatTakesFilesGetsThePathWithoutTheAnchor) {
  desktop.AddHtmlBrowser("fake-viewer.desktop", "@RECORDER@ %f");
  EXPECT_TRUE(ShowHelp("Tsukaikata"));
  EXPECT_EQ(desktop.WaitForArguments("fake-viewer.desktop"),
            (Words{ProgramFolder() + "Zelvora.htm"}));
}

TEST_F(DesktopHelpTest, NoProgramForHtmlShowsTheHelpBox) {
  EXPECT_FALSE(ShowHelp("Tsukaikata"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, NoHelpBox());
  EXPECT_EQ(boxes.shown[0].caption, "ゼルヴォラ");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::kOk);
}

TEST_F(DesktopHelpTest, ABrowserThatCannotStartShowsTheHelpBox) {
  const std::string not_a_program = desktop.root() / "browser.txt";
  testing::WriteBytes(not_a_program, "text");
  chmod(not_a_program.c_str(), 0644);
  desktop.AddHtmlBrowser("fake-browser.desktop", not_a_program + " %u");
  EXPECT_FALSE(ShowHelp("Hidukekinyuutab"));
  desktop.AddHtmlBrowser("fake-browser.desktop", "/no/such/browser %u");
  EXPECT_FALSE(ShowHelp("Hidukekinyuutab"));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, NoHelpBox());
}

class HelpLauncherTest : public ::testing::Test {
 protected:
  // The outcome of a launcher call, once it is known.
  bool Outcome(const std::function<void(ShellOutcome)>& call) {
    std::optional<bool> shown;
    call([&shown](bool outcome) { shown = outcome; });
    Settle(requests);
    return shown.value_or(false);
  }
  bool ShowHelp(const std::string& anchor) {
    return Outcome([&](ShellOutcome done) { launcher.ShowHelp(anchor, std::move(done)); });
  }
  bool OpenInBrowser(const std::string& file, const std::string& query, const std::string& anchor) {
    return Outcome(
        [&](ShellOutcome done) { launcher.OpenInBrowser(file, query, anchor, std::move(done)); });
  }

  TSetting settings;
  testing::FakeShell shell;
  testing::FakeConversation conversation;
  ShellRequests requests;
  HelpLauncher launcher{settings, shell, conversation, requests, nullptr};
  MessageBoxScript boxes;
};

TEST_F(HelpLauncherTest, UnansweredConversationsFallBackToStartingTheBrowser) {
  EXPECT_TRUE(ShowHelp("Hikinyuusetteitab"));
  const std::string connect = "Connect NSShell WWW_OpenURL /usr/bin/browser";
  EXPECT_EQ(conversation.calls, (Words{connect, "Close", connect, "Close"}));
  EXPECT_EQ(shell.started, (Words{"/usr/bin/browser " + HelpUrl("Hikinyuusetteitab")}));
  EXPECT_EQ(shell.started_paths, (Words{ProgramFolder() + "Zelvora.htm"}));
}

TEST_F(HelpLauncherTest, AnAnsweringBrowserGetsAWakeUpAndThePageAndIsNotStarted) {
  conversation.answers = true;
  shell.browser.path = "/opt/Internet Explorer/iexplore";
  EXPECT_TRUE(OpenInBrowser("/site/page.htm", "q=1", "top"));
  const std::string connect = "Connect IExplore WWW_OpenURL /opt/Internet Explorer/iexplore";
  EXPECT_EQ(conversation.calls, (Words{connect, "Execute about:", "Close", connect,
                                       "Execute file:///site/page.htm?q=1#top", "Close"}));
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(HelpLauncherTest, ABrowserThatDoesNotStartNamesTheFileAsGiven) {
  shell.browser_starts = false;
  EXPECT_FALSE(OpenInBrowser("/site/guide.htm", "", ""));
  EXPECT_EQ(shell.started, (Words{"/usr/bin/browser file:///site/guide.htm"}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "ヘルプを表示できません。\nＷＷＷブラウザで\n\"/site/guide.htm\"\nをご覧下さい。");
}

TEST_F(HelpLauncherTest, WithoutContextHelpTheFileOpensAtItsTopAndFailsSilently) {
  settings.UseNN = false;
  EXPECT_TRUE(ShowHelp("Sonotatab"));
  shell.opens = false;
  EXPECT_FALSE(ShowHelp("Tsukaikata"));
  EXPECT_EQ(shell.opened,
            (Words{ProgramFolder() + "Zelvora.htm", ProgramFolder() + "Zelvora.htm"}));
  EXPECT_TRUE(conversation.calls.empty());
  EXPECT_TRUE(shell.started.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HelpLauncherTest, MainWindowCommandsSetTheirStatusTexts) {
  std::vector<std::string> statuses;
  const auto set_status = [&statuses](const std::string& text) { statuses.push_back(text); };
  shell.has_browser = false;
  RunHelpCommand(launcher, set_status);  // the status comes whatever the outcome
  Settle(requests);
  RunAuthorWebPageCommand(launcher, set_status);
  Settle(requests);
  shell.opens = false;
  RunAuthorWebPageCommand(launcher, set_status);  // a failure leaves the status alone
  Settle(requests);
  EXPECT_EQ(statuses, (Words{"ヘルプを表示しました。もし表示されない場合は、\"" + ProgramFolder() +
                                 "Zelvora.htm\" をご覧下さい。",
                             "ＷＷＷブラウザが作者のホームページを表示しました。"}));
  EXPECT_EQ(shell.opened, (Words{AuthorWebPageAddress(), AuthorWebPageAddress()}));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text.toStdString(),
            "作者のホームページに接続できません。\nＷＷＷブラウザで\n\"" + AuthorWebPageAddress() +
                "\"\nをご覧下さい。");
  EXPECT_EQ(boxes.shown[1].icon, BoxIcon::kExclamation);
}

}  // namespace
}  // namespace zelvora::gui

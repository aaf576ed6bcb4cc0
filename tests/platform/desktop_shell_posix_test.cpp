// The shell services against a private desktop: the real xdg-mime answering from private
// XDG folders, and a stand-in xdg-open.
#include "platform/desktop_shell.h"

#include <gtest/gtest.h>

#include "tests/support/fake_desktop.h"

namespace zelvora {
namespace {

using Words = std::vector<std::string>;
using namespace std::chrono_literals;

TEST(DesktopShellTest, TheHtmlBrowserIsTheEntryXdgMimeNames) {
  testing::FakeDesktop desktop;
  XdgDesktopShell shell;
  EXPECT_FALSE(shell.HtmlBrowser().ok());  // nothing associated yet
  // The program's own entry, which offers it for HTML files, is no browser.
  desktop.AddHtmlBrowser("zelvora.desktop", "@RECORDER@ %f");
  EXPECT_FALSE(shell.HtmlBrowser().ok());

  desktop.AddHtmlBrowser("fake-browser.desktop", "@RECORDER@ --page=%u");
  const auto browser = shell.HtmlBrowser();
  ASSERT_TRUE(browser.ok()) << browser.status().message();
  EXPECT_EQ(browser->path, desktop.RecorderPath());
  EXPECT_EQ(browser->entry.file, desktop.root() / "data/applications/fake-browser.desktop");
  ASSERT_TRUE(shell.StartBrowser(*browser, {"/a b.htm", "file:///a%20b.htm#x"}).ok());
  EXPECT_EQ(desktop.WaitForArguments("fake-browser.desktop"),
            (Words{"--page=file:///a%20b.htm#x"}));
}

TEST(DesktopShellTest, OpenAcceptsWhatXdgOpenReportsAsDone) {
  testing::FakeDesktop desktop;
  desktop.UseFakeOpener(0);
  EXPECT_TRUE(XdgDesktopShell().Open("/home/me/Zelvora.log").ok());
  EXPECT_EQ(desktop.WaitForArguments("xdg-open"), (Words{"/home/me/Zelvora.log"}));

  desktop.UseFakeOpener(3);  // xdg-open's "no program for this type"
  EXPECT_FALSE(XdgDesktopShell().Open("https://zelvora.example.org/").ok());

  // An opener that stays with the viewer it started is still an accepted request.
  desktop.UseFakeOpener(0, 2);
  EXPECT_TRUE(XdgDesktopShell(200ms).Open("/home/me/page.htm").ok());
}

}  // namespace
}  // namespace zelvora

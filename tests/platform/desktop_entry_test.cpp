#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using Words = std::vector<std::string>;

DesktopEntry Entry(const std::string& exec, const std::string& icon = "web-browser") {
  return DesktopEntry{"/apps/browser.desktop", "Browser", icon, exec};
}

TEST(DesktopEntryTest, ReadsOnlyTheMainGroupWithItsStringEscapes) {
  const auto entry = ParseDesktopEntry(
      "# a comment\n"
      "[Desktop Entry]\n"
      "Name = Web\\sBrowser\n"
      "Name[ja]=ブラウザ\n"
      "Icon=browser\r\n"
      "Exec=browser --path \"a\\\\\\\\b\" %u\n"
      "[Desktop Action new-window]\n"
      "Exec=browser --new-window %u\n"
      "Name=New Window\n",
      "/apps/browser.desktop");
  ASSERT_TRUE(entry.ok()) << entry.status().message();
  EXPECT_EQ(entry->name, "Web Browser");
  EXPECT_EQ(entry->icon, "browser");
  // The string escape turns \\\\ into \\, which the Exec quoting then reads as one "\".
  EXPECT_EQ(entry->exec, "browser --path \"a\\\\b\" %u");
  EXPECT_EQ(*ExecCommandLine(*entry, {"/x", "file:///x"}),
            (Words{"browser", "--path", "a\\b", "file:///x"}));

  EXPECT_FALSE(ParseDesktopEntry("[Desktop Entry]\nName=No command\n", "f").ok());
  EXPECT_FALSE(ParseDesktopEntry("[Other]\nExec=x\n", "f").ok());
}

TEST(DesktopEntryTest, FieldCodesAndQuoting) {
  struct Case {
    const char* exec;
    Words expected;
  };
  const std::string path = "/opt/my site/Zelvora.htm";
  const std::string url = "file:///opt/my%20site/Zelvora.htm#Tsukaikata";
  const Case cases[] = {
      {"browser %u", {"browser", url}},
      {"browser %U", {"browser", url}},
      // A program that takes files gets the path: it could not read a URL, nor its anchor.
      {"browser %f", {"browser", path}},
      {"browser --new-tab %F --private", {"browser", "--new-tab", path, "--private"}},
      {"browser --url=%u", {"browser", "--url=" + url}},
      {"browser", {"browser", url}},  // no file code: the page comes last
      {"browser %i %u", {"browser", "--icon", "web-browser", url}},
      {"browser --name %c --from %k %u",
       {"browser", "--name", "Browser", "--from", "/apps/browser.desktop", url}},
      {"browser --ratio 100%% %u", {"browser", "--ratio", "100%", url}},
      {"browser %d %D %n %N %v %m %u", {"browser", url}},
      {"\"/opt/my browser/run\" \"two words\" %u", {"/opt/my browser/run", "two words", url}},
      {"sh -c \"echo \\\"\\$1\\\" \\`x\\` \\\\\" %u", {"sh", "-c", "echo \"$1\" `x` \\", url}},
      {"browser 'single quoted %%' %u", {"browser", "single quoted %", url}},
      {"browser \"\" %u", {"browser", "", url}},
      {"  browser\t%u  ", {"browser", url}},
  };
  for (const Case& c : cases) {
    const auto words = ExecCommandLine(Entry(c.exec), {path, url});
    ASSERT_TRUE(words.ok()) << c.exec << ": " << words.status().message();
    EXPECT_EQ(*words, c.expected) << c.exec;
  }
  EXPECT_EQ(*ExecCommandLine(Entry("browser %i %u", ""), {"", "p"}), (Words{"browser", "p"}));
  EXPECT_EQ(*ExecCommandLine(Entry("browser"), {}), (Words{"browser"}));
}

TEST(DesktopEntryTest, ArgumentsAreNeverSplitOrInterpreted) {
  const std::string hostile = "/tmp/a b;$(rm -rf ~)`x`\"'.htm";
  EXPECT_EQ(*ExecCommandLine(Entry("browser %u"), {"", hostile}), (Words{"browser", hostile}));
  EXPECT_EQ(*ExecCommandLine(Entry("browser %f"), {hostile, ""}), (Words{"browser", hostile}));
}

TEST(DesktopEntryTest, UnusableExecLinesFail) {
  for (const char* exec : {"", "   ", "browser \"unterminated %u", "browser 'open", "%d %u"}) {
    EXPECT_FALSE(ExecCommandLine(Entry(exec), {"/page", "file:///page"}).ok()) << exec;
  }
}

TEST(DesktopEntryTest, FindsEntriesByIdInOrderAndInVendorFolders) {
  testing::TempDir root;
  const std::string user = root / "user/applications/";
  const std::string system = root / "system/applications/";
  testing::WriteBytes(user + "browser.desktop", "[Desktop Entry]\nExec=user\n");
  testing::WriteBytes(system + "browser.desktop", "[Desktop Entry]\nExec=system\n");
  testing::WriteBytes(system + "vendor/web-browser.desktop", "[Desktop Entry]\nExec=v\n");
  testing::MakeFolder(system + "other.desktop");
  const std::vector<std::string> folders = {user, system};
  FileSystem& fs = RealFileSystem();

  EXPECT_EQ(FindDesktopFile("browser.desktop", folders, fs), user + "browser.desktop");
  EXPECT_EQ(FindDesktopFile("vendor-web-browser.desktop", folders, fs),
            system + "vendor/web-browser.desktop");
  EXPECT_EQ(FindDesktopFile("missing.desktop", folders, fs), std::nullopt);
  EXPECT_EQ(FindDesktopFile("other.desktop", folders, fs), std::nullopt);  // a folder
  // An answer that is not a plain ID never reaches outside the folders.
  for (const char* bad : {"", ".desktop", "../user/applications/browser.desktop",
                          "vendor/web-browser.desktop", "browser.txt"}) {
    EXPECT_EQ(FindDesktopFile(bad, folders, fs), std::nullopt) << bad;
  }
}

TEST(DesktopEntryTest, ApplicationFoldersFollowTheXdgVariables) {
  testing::ScopedEnvironment environment({{"XDG_DATA_HOME", "/home/me/data"},
                                          {"XDG_DATA_DIRS", "/opt/share/:relative:/usr/share"},
                                          {"HOME", "/home/me"}});
  EXPECT_EQ(ApplicationFolders(),
            (std::vector<std::string>{"/home/me/data/applications/", "/opt/share/applications/",
                                      "/usr/share/applications/"}));
  environment.Set("XDG_DATA_HOME", nullptr);
  environment.Set("XDG_DATA_DIRS", "");
  EXPECT_EQ(ApplicationFolders(), (std::vector<std::string>{"/home/me/.local/share/applications/",
                                                            "/usr/local/share/applications/",
                                                            "/usr/share/applications/"}));
}

}  // namespace
}  // namespace zelvora

// The shell services on Windows, with the shell's associations pointed at this test binary as
// a stand-in program (helper "record_words"), in the test user's own classes.
#include "platform/desktop_shell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>

#include "platform/paths.h"
#include "platform/system_calls_win32.h"
#include "tests/support/recorded_words.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_process_win32.h"

namespace zelvora {
namespace {

// Makes `extension` open with `command` (in the classes of the machine, which are the test
// prefix's own under wine, whose shell reads no classes of the user's), and takes that back at
// the end.
class TestAssociation {
 public:
  TestAssociation(const std::string& extension, const std::string& command)
      : extension_(extension) {
    const std::string kind = "ZelvoraTest" + extension;
    Set(extension, kind);
    Set(kind + "\\shell\\open\\command", command);
  }
  ~TestAssociation() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, win32::Wide(extension_).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, win32::Wide("ZelvoraTest" + extension_).c_str());
  }

 private:
  static void Set(const std::string& key, const std::string& value) {
    const std::wstring text = win32::Wide(value);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, win32::Wide(key).c_str(), nullptr, REG_SZ,
                              text.c_str(), static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  std::string extension_;
};

// The association command that starts the recorder with `file` and the words after it.
std::string RecorderAssociation(const std::string& file, const std::string& rest) {
  const auto command = testing::RecorderCommand(file);
  return "\"" + command[0] + "\" " + command[1] + " \"" + command[2] + "\" " + rest;
}

TEST(WindowsDesktopShellTest, TheBrowserGetsThePageOrItsAddressWhenThatHasAnAnchor) {
  testing::TempDir root;
  BrowserProgram browser;
  browser.path = ZELVORA_TEST_HELPER_BINARY;
  browser.command = RecorderAssociation(root / "first", "-url \"%1\"");
  WindowsDesktopShell shell;
  ASSERT_TRUE(
      shell.StartBrowser(browser, {"C:\\site\\a b.htm", "file:///C:/site/a%20b.htm#news"}).ok());
  EXPECT_EQ(testing::RecordedWords(root / "first"),
            (std::vector<std::string>{"-url", "file:///C:/site/a%20b.htm#news"}));
  browser.command = RecorderAssociation(root / "second", "%*");
  ASSERT_TRUE(
      shell.StartBrowser(browser, {"C:\\site\\日記.htm", "file:///C:/site/%E6%97%A5.htm"}).ok());
  EXPECT_EQ(testing::RecordedWords(root / "second"),
            (std::vector<std::string>{"C:\\site\\日記.htm"}));
  browser.command.clear();
  EXPECT_FALSE(shell.StartBrowser(browser, {"C:\\a.htm", "file:///C:/a.htm"}).ok());
}

TEST(WindowsDesktopShellTest, TheHtmlBrowserIsTheProgramAssociatedWithHtmFiles) {
  testing::TempDir root;
  const TestAssociation association(".htm", RecorderAssociation(root / "shown", "\"%1\""));
  WindowsDesktopShell shell;
  const auto browser = shell.HtmlBrowser();
  ASSERT_TRUE(browser.ok()) << browser.status().message();
  EXPECT_EQ(AsciiUpper(NamePart(browser->path)), "ZELVORA_TESTS.EXE") << browser->path;
  ASSERT_TRUE(shell.StartBrowser(*browser, {"C:\\a.htm", "file:///C:/a.htm"}).ok());
  EXPECT_EQ(testing::RecordedWords(root / "shown"), std::vector<std::string>{"C:\\a.htm"});
}

TEST(WindowsDesktopShellTest, OpenHandsTheFileToItsProgram) {
  testing::TempDir root;
  const std::string page = root / "頁 one.zelvoratest";
  testing::WriteBytes(page, "text");
  const TestAssociation association(".zelvoratest", RecorderAssociation(root / "opened", "\"%1\""));
  WindowsDesktopShell shell;
  ASSERT_TRUE(shell.Open(page).ok());
  EXPECT_EQ(testing::RecordedWords(root / "opened"), std::vector<std::string>{page});
  const Status missing = shell.Open(root / "missing.zelvoratest");
  EXPECT_EQ(missing.code(), ENOENT) << missing.message();
  EXPECT_NE(missing.message().find("missing.zelvoratest"), std::string::npos);
}

}  // namespace
}  // namespace zelvora

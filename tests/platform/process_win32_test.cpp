// Starting programs on Windows: the search of the PATH with PATHEXT, command lines that the
// system's own split gives back word for word, and detached programs. The started program is
// this test binary, run as a helper.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <cerrno>
#include <chrono>

#include "platform/system_calls_win32.h"
#include "platform/windows_command_line.h"
#include "tests/support/child_process.h"
#include "tests/support/recorded_words.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using namespace std::chrono_literals;

TEST(WindowsProcessTest, CommandLinesSplitBackIntoTheSameWords) {
  const std::vector<std::string> words = {"C:\\Program Files\\git.exe",
                                          "",
                                          "a b",
                                          "q\"q",
                                          "\\\\server\\x y\\",
                                          "x\\\\\"y\\",
                                          "日本語",
                                          "\t",
                                          "\"\""};
  const auto line = WindowsCommandLine(words);
  ASSERT_TRUE(line.ok());
  int count = 0;
  wchar_t** split = CommandLineToArgvW(win32::Wide(*line).c_str(), &count);
  ASSERT_NE(split, nullptr);
  std::vector<std::string> back;
  for (int i = 0; i < count; ++i) back.push_back(win32::Utf8(split[i]));
  LocalFree(split);
  EXPECT_EQ(back, words);
}

TEST(WindowsProcessTest, FindProgramSearchesThePathWithTheExtensionsThatStartDirectly) {
  testing::TempDir root;
  for (const char* name : {"bin\\tool.exe", "bin\\both.com", "bin\\both.exe", "bin\\batch.cmd",
                           "bin\\old.bat", "named folder\\late.exe"}) {
    testing::WriteBytes(root / name, "MZ");
  }
  testing::MakeFolder(root / "bin\\folder.exe");
  testing::ScopedEnvironment environment(
      {{"PATH", (root / "none;;" + root / "bin;\"" + root / "named folder\"").c_str()},
       {"PATHEXT", ".COM;.EXE;.BAT;.CMD"}});
  EXPECT_EQ(*FindProgram("tool"), root / "bin\\tool.exe");
  EXPECT_EQ(*FindProgram("tool.exe"), root / "bin\\tool.exe");
  EXPECT_EQ(*FindProgram("both"), root / "bin\\both.com");  // PATHEXT's order
  EXPECT_EQ(*FindProgram("late"), root / "named folder\\late.exe");
  EXPECT_EQ(FindProgram("batch").status().code(), ENOENT);  // only through cmd.exe
  EXPECT_EQ(FindProgram("old.bat").status().code(), ENOEXEC);
  EXPECT_EQ(FindProgram("folder").status().code(), ENOENT);
  EXPECT_EQ(FindProgram("missing").status().code(), ENOENT);
  EXPECT_EQ(*FindProgram(root / "bin\\tool"), root / "bin\\tool.exe");
  EXPECT_EQ(FindProgram(root / "bin\\missing").status().code(), ENOENT);
  testing::ScopedEnvironment dotted({{"PATHEXT", ".CMD;.Exe"}});
  EXPECT_EQ(*FindProgram("both"), root / "bin\\both.exe");
}

TEST(WindowsProcessTest, DetachedProgramsGetTheirWordsAndTellTheirVerdict) {
  testing::TempDir root;
  const std::string record = root / "words";
  const std::vector<std::string> words = {"two words", "日本語", "q\"q", ""};
  std::vector<std::string> command = testing::RecorderCommand(record);
  command.insert(command.end(), words.begin(), words.end());
  ASSERT_TRUE(StartDetached(command).ok());
  EXPECT_EQ(testing::RecordedWords(record), words);

  const std::string helper = ZELVORA_TEST_HELPER_BINARY;
  const std::string script = std::string(testing::kHelperFlag) + "script";
  EXPECT_TRUE(RunDetachedForVerdict({helper, script, "exit:0"}, 60s).ok());
  const Status failed = RunDetachedForVerdict({helper, script, "exit:4"}, 60s);
  EXPECT_EQ(failed.code(), 4);
  int calls = 0;
  EXPECT_TRUE(RunDetachedForVerdict({helper, script, "wait:3000"}, 100ms, [&] { ++calls; }).ok());
  EXPECT_GT(calls, 0);
  EXPECT_EQ(StartDetached({root / "missing.exe"}).code(), ENOENT);
  testing::WriteBytes(root / "broken.exe", "not a program");
  EXPECT_FALSE(StartDetached({root / "broken.exe"}).ok());
}

}  // namespace
}  // namespace zelvora

#include "platform/process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using namespace std::chrono_literals;

TEST(ProcessTest, FindProgramSearchesThePath) {
  testing::TempDir root;
  testing::WriteBytes(root / "bin/tool", "#!/bin/sh\n");
  testing::WriteBytes(root / "bin/plain", "not executable\n");
  chmod((root / "bin/tool").c_str(), 0755);
  testing::ScopedEnvironment environment({{"PATH", (root / "none:" + root / "bin").c_str()}});
  EXPECT_EQ(*FindProgram("tool"), root / "bin/tool");
  EXPECT_EQ(FindProgram("missing").status().code(), ENOENT);
  EXPECT_EQ(*FindProgram("/given/path"), "/given/path");
  EXPECT_EQ(FindProgram("").status().code(), ENOENT);
  if (geteuid() != 0) {  // root may execute any file with an execute bit; "plain" has none
    EXPECT_FALSE(FindProgram("plain").ok());
  }
}

TEST(ProcessTest, StartDetachedPassesEveryArgumentAsItIs) {
  testing::FakeDesktop desktop;
  const std::vector<std::string> arguments = {"two words", "$HOME", "a;b|c", "", "日本語"};
  std::vector<std::string> command = {desktop.RecorderPath(), "started"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ASSERT_TRUE(StartDetached(command).ok());
  EXPECT_EQ(desktop.WaitForArguments("started"), arguments);
}

TEST(ProcessTest, AProgramThatCannotStartIsReportedWithItsErrno) {
  testing::TempDir root;
  EXPECT_EQ(StartDetached({root / "missing"}).code(), ENOENT);
  testing::WriteBytes(root / "not-a-program",
                      "\x7f"
                      "ELF garbage");
  chmod((root / "not-a-program").c_str(), 0755);
  EXPECT_EQ(StartDetached({root / "not-a-program"}).code(), ENOEXEC);
  EXPECT_FALSE(RunDetachedForVerdict({root / "missing"}, 1s).ok());
}

TEST(ProcessTest, VerdictIsTheExitStatusOrStillRunning) {
  EXPECT_TRUE(RunDetachedForVerdict({"sh", "-c", "exit 0"}, 30s).ok());
  const Status failed = RunDetachedForVerdict({"sh", "-c", "exit 4"}, 30s);
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.code(), 4);
  // A program still running when patience runs out has started: accepted, and left running.
  int calls = 0;
  EXPECT_TRUE(RunDetachedForVerdict({"sleep", "2"}, 100ms, [&calls] { ++calls; }).ok());
  EXPECT_GT(calls, 0);
}

TEST(ProcessTest, CaptureOutputReadsStdoutOfASuccessfulRun) {
  EXPECT_EQ(*CaptureOutput({"printf", "%s\\n", "browser.desktop"}, 30s), "browser.desktop\n");
  EXPECT_FALSE(CaptureOutput({"sh", "-c", "echo partial; exit 3"}, 30s).ok());
  int calls = 0;
  EXPECT_EQ(CaptureOutput({"sleep", "30"}, 100ms, [&calls] { ++calls; }).status().code(),
            ETIMEDOUT);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(CaptureOutput({"no-such-program-here"}, 1s).status().code(), ENOENT);
}

}  // namespace
}  // namespace zelvora

// Dates from git history on Windows, where the tests have no real git: a missing git is reported
// as on Linux, and a stand-in git.exe on the PATH (this test binary answering as a git that
// cannot read the repository) shows that git is found, started with its words and heard.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "engine/run.h"
#include "platform/terminal.h"
#include "tests/support/child_process.h"
#include "tests/support/run_world.h"
#include "tests/support/scoped_environment.h"

namespace zelvora {
namespace {

constexpr char kMark[] = "<!--#ZELV#-->";

// A git that cannot read the repository: it tells on its error output the words it was given.
ZELVORA_TEST_HELPER(fake_git) {
  UseUtf8StandardStreams();
  std::cerr << "warning: a stand-in\nfatal: fake git was asked:";
  for (const std::string& word : args) std::cerr << " [" << word << "]";
  std::cerr << "\n" << std::flush;
  return 128;
}

class DatesFromGitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_.settings.UseGitDates = true;
    world_.settings.Backup = false;
    testing::MakeFolder(world_.dir / "サイト 1\\.git");
    page_ = world_.File("サイト 1\\index.htm", kMark);
    testing::MakeFolder(world_.dir / "bin");
  }

  testing::RunWorld world_;
  std::string page_;
};

TEST_F(DatesFromGitTest, AMissingGitIsReportedOnceAndTheRunGoesOnWithLastWriteTimes) {
  testing::ScopedEnvironment no_git({{"PATH", (world_.dir / "bin").c_str()}});
  ASSERT_EQ(StartRun(world_.context, page_, world_.dir / "Zelvora.log"), RunOutcome::kFinished);
  ASSERT_EQ(world_.host.asked.size(), 1u);
  EXPECT_NE(world_.host.asked[0].text.find(
                "gitのプログラムが見つからないため、gitの履歴から日付を取得できません。"
                "最終更新日時を使います。\n" +
                world_.dir / "サイト 1\\\n\n"),
            std::string::npos)
      << world_.host.asked[0].text;
  EXPECT_EQ(testing::ReadBytes(page_),
            std::string(kMark) + "<!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) -->");
}

TEST_F(DatesFromGitTest, GitOnThePathIsStartedWithItsWordsAndItsComplaintIsReported) {
  const std::string git = world_.dir / "bin\\git.exe";
  std::error_code failed;
  std::filesystem::create_hard_link(testing::NativePath(ZELVORA_TEST_HELPER_BINARY),
                                    testing::NativePath(git), failed);
  if (failed) {
    std::filesystem::copy_file(testing::NativePath(ZELVORA_TEST_HELPER_BINARY),
                               testing::NativePath(git));
  }
  testing::ScopedEnvironment fake_git(
      {{"PATH", (world_.dir / "bin").c_str()}, {testing::kHelperVariable, "fake_git"}});
  ASSERT_EQ(StartRun(world_.context, page_, world_.dir / "Zelvora.log"), RunOutcome::kFinished);
  ASSERT_EQ(world_.host.asked.size(), 1u);
  const std::string& report = world_.host.asked[0].text;
  EXPECT_NE(report.find("gitがリポジトリを読めないため、gitの履歴から日付を取得できません。"
                        "最終更新日時を使います。\n" +
                        world_.dir / "サイト 1\\\n" +
                        "fatal: fake git was asked: [--no-optional-locks] [--literal-pathspecs] "
                        "[-C] [" +
                        world_.dir / "サイト 1\\] [-c] [core.quotepath=off] [rev-parse] "),
            std::string::npos)
      << report;
}

}  // namespace
}  // namespace zelvora

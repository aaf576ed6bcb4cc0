// A git that fails, is slow, hangs, prints nonsense or refuses the repository: the run
// reports it under the error policy (never a date from nonsense), keeps to its time limit,
// and the abort ends a running git at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>

#include "cli/stamp_command.h"
#include "engine/git_history.h"
#include "engine/run.h"
#include "tests/support/child_process.h"
#include "tests/support/git_sandbox.h"
#include "tests/support/run_world.h"
#include "tests/support/stamp_binary.h"

namespace zelvora {
namespace {

using testing::FakeGit;
using testing::GitSandbox;
using testing::ReadBytes;
using testing::RunWorld;
using testing::WriteBytes;

constexpr int64_t kCommitted = testing::k2024_05_06_120406;  // 2024/05/06
constexpr int64_t kCheckout = 1735689600;                    // 2025/01/01
constexpr char kMark[] = "<!--#ZELV#-->";
constexpr char kCheckoutDate[] =
    "<!--#ZELV#--><!-- #ZELV#($BEGIN) -->2025/01/01<!-- #ZELV#($END) -->";

// A clone of a one-page repository, its page checked out on 2025/01/01.
class GitFailuresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    git_.Init(git_ / "origin");
    WriteBytes(git_ / "origin/index.htm", kMark);
    git_.Commit(git_ / "origin", kCommitted);
    git_.Clone(git_ / "origin", git_ / "clone", kCheckout);
    page_ = git_ / "clone/index.htm";
    world_.settings.UseGitDates = true;
    world_.settings.Backup = false;
    world_.settings.ErrCope = kErrCopeContinue;
  }

  RunOutcome Stamp() { return StartRun(world_.context, page_, world_.dir / "Zelvora.log"); }

  // The one report of the run, from the log.
  std::string Report() const {
    for (const std::string& entry : world_.log.LogList()) {
      if (entry.starts_with("※")) return entry;
    }
    return std::string();
  }

  // A fake git that answers as the real one, except for `command`, where it runs `script`.
  static std::string Except(const std::string& command, const std::string& script) {
    return "for word in \"$@\"; do [ \"$word\" = " + command + " ] && { " + script +
           "; }; done\nexec \"$REAL_GIT\" \"$@\"";
  }

  GitSandbox git_;
  std::string page_;
  RunWorld world_;
};

TEST_F(GitFailuresTest, AGitThatRefusesTheRepositoryIsReportedWithItsComplaint) {
  const FakeGit refusing(
      "echo \"warning: something first\" >&2\n"
      "echo \"fatal: detected dubious ownership in repository at '/srv/site'\" >&2\nexit 128");
  ASSERT_EQ(Stamp(), RunOutcome::kFinished);
  EXPECT_EQ(world_.context.state.ErrorCount, 1);
  EXPECT_EQ(Report(),
            "※　エラーが発生しました。\n\n【エラーの原因】\n"
            "gitがリポジトリを読めないため、gitの履歴から日付を取得できません。最終更新日時を使"
            "います。\n" +
                git_ / "clone/\n" +
                "fatal: detected dubious ownership in repository at '/srv/site'\n\n"
                "【エラー発生箇所】\nファイル名：" +
                page_ + "\n行番号：1\n");
  EXPECT_EQ(ReadBytes(page_), kCheckoutDate);

  // Where errors abort, the command line ends with the aborted summary and status 1.
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunStampCommand({"--set", "UseGitDates=1", "--set", "ErrCope=0", page_},
                            StampCommandIo{in, out, err}),
            kExitAborted);
  EXPECT_EQ(out.str(),
            "中止しました。\n\n記入中にエラーが発生しました。\nエラーの詳細についてはログをご覧下さ"
            "い。\n");
}

TEST_F(GitFailuresTest, ABrokenRepositoryIsReportedAsGitSaysIt) {
  testing::RemoveTree(git_ / "clone/.git");
  testing::MakeFolder(git_ / "clone/.git");
  testing::ScopedEnvironment ceiling({{"GIT_CEILING_DIRECTORIES", git_.dir().path().c_str()}});
  ASSERT_EQ(Stamp(), RunOutcome::kFinished);
  EXPECT_NE(Report().find("gitがリポジトリを読めないため"), std::string::npos) << Report();
  EXPECT_NE(Report().find("fatal: not a git repository"), std::string::npos) << Report();
  EXPECT_EQ(ReadBytes(page_), kCheckoutDate);
}

TEST_F(GitFailuresTest, NonsenseFromGitIsAFailureNeverADate) {
  for (const auto& [command, script] : std::vector<std::pair<std::string, std::string>>{
           {"log", "printf 'commit 0 1\\ncommitter x <y> 0 +0000\\n\\0'; exit 0"},
           {"log", "echo not a history; exit 0"},
           {"rev-parse", "echo maybe; exit 0"},
           {"log", "head -c 100000000 /dev/zero | tr '\\0' x; exit 0"},  // 100 MB in one piece
           {"rev-parse", "head -c 300000000 /dev/zero | tr '\\0' '\\n'; exit 0"},
       }) {
    SCOPED_TRACE(command + ": " + script);
    const FakeGit nonsense(Except(command, script));
    RunWorld world;
    world.settings = world_.settings;
    ASSERT_EQ(StartRun(world.context, page_, world.dir / "Zelvora.log"), RunOutcome::kFinished);
    EXPECT_EQ(world.context.state.ErrorCount, 1);
    EXPECT_NE(world.LogText().find("gitの出力を読み取れないため、gitの履歴から日付を取得できま"
                                   "せん。最終更新日時を使います。\n" +
                                   git_ / "clone/\n"),
              std::string::npos)
        << world.LogText();
    EXPECT_EQ(ReadBytes(page_), kCheckoutDate);
  }
}

TEST_F(GitFailuresTest, AGitThatTakesTooLongIsEndedAndReported) {
  const FakeGit slow(Except("log", "exec sleep 30"));
  world_.context.state.Caches.Of<GitHistory>().SetTimeLimit(std::chrono::seconds(1));
  ASSERT_EQ(Stamp(), RunOutcome::kFinished);
  EXPECT_NE(Report().find("【エラーの原因】\ngitが1秒以内に応答しないため、gitの履歴から日付を"
                          "取得できません。最終更新日時を使います。\n" +
                          git_ / "clone/\n\n"),
            std::string::npos)
      << Report();
  EXPECT_EQ(ReadBytes(page_), kCheckoutDate);
}

// The process id that the fake git left in `file`, once it is there.
pid_t WaitForPid(const std::string& file) {
  for (int i = 0; i < 3000 && !testing::PathExists(file); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return testing::PathExists(file) ? std::stoi(ReadBytes(file)) : -1;
}

bool Alive(pid_t pid) { return pid > 0 && kill(pid, 0) == 0; }

TEST_F(GitFailuresTest, TheAbortEndsAHangingGitAtOnce) {
  const FakeGit hanging(Except("log", "echo $$ >\"$(dirname \"$0\")/pid\"; exec sleep 600"));
  pid_t git_pid = -1;
  world_.host.on_events = [&] {
    if (git_pid < 0 && testing::PathExists(hanging.folder() + "/pid")) {
      git_pid = WaitForPid(hanging.folder() + "/pid");
      world_.context.state.ContinueFlag = false;  // the abort button, pressed while git runs
    }
  };
  ASSERT_EQ(Stamp(), RunOutcome::kAborted);
  EXPECT_TRUE(world_.host.asked.empty());
  EXPECT_GT(git_pid, 0);
  EXPECT_FALSE(Alive(git_pid));
  EXPECT_EQ(ReadBytes(page_), kMark);
}

TEST_F(GitFailuresTest, AnInterruptOrATerminationEndsTheCommandAndItsGit) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    const FakeGit hanging(Except("log", "echo $$ >\"$(dirname \"$0\")/pid\"; exec sleep 600"));
    const testing::TempDir streams("streams");
    const pid_t stamp =
        testing::StartStampBinary({"--set", "UseGitDates=1", "--set", "Backup=0", page_}, {},
                                  streams / "out", streams / "err");
    const pid_t git_pid = WaitForPid(hanging.folder() + "/pid");
    ASSERT_GT(git_pid, 0);
    kill(stamp, signal_number);
    EXPECT_EQ(testing::WaitForExit(stamp), kExitAborted);
    EXPECT_EQ(ReadBytes(streams / "out"), "中止しました。\n");
    EXPECT_FALSE(Alive(git_pid));
    EXPECT_EQ(ReadBytes(page_), kMark);
  }
}

}  // namespace
}  // namespace zelvora

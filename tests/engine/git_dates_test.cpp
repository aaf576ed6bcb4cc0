// Dates from git history: real repositories with fixed commit times, cloned (whole and
// shallow) into folders whose files all carry the time of the checkout.
#include "engine/git_dates.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/stamp_command.h"
#include "engine/run.h"
#include "tests/support/git_sandbox.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::GitSandbox;
using testing::ModifiedTime;
using testing::ReadBytes;
using testing::RunWorld;
using testing::SetModifiedTime;
using testing::WriteBytes;

// Commit times and file times (the tests run in JST) and the dates they give.
constexpr int64_t kFirstCommit = testing::k2002_01_12_100000;  // 2002/01/12
constexpr int64_t kSecondCommit = 1300000000;                  // 2011/03/13
constexpr int64_t kThirdCommit = testing::k2024_05_06_120406;  // 2024/05/06
constexpr int64_t kCheckout = 1735689600;                      // 2025/01/01
constexpr int64_t kEdited = 1720000000;                        // 2024/07/03
constexpr int64_t kUntracked = 1710000000;                     // 2024/03/10

constexpr char kMark[] = "<!--#ZELV#-->";

std::string Stamped(const char* date, const std::string& rest) {
  return std::string(kMark) + "<!-- #ZELV#($BEGIN) -->" + date + "<!-- #ZELV#($END) -->" + rest;
}

// A repository "origin" with three commits:
//   1 (2002/01/12)  index.htm (links to the three others and to extra.htm), old.htm, mid.htm,
//                   new.htm
//   2 (2011/03/13)  mid.htm changed
//   3 (2024/05/06)  new.htm changed
class GitDatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    git_.Init(Origin(""));
    WriteBytes(Origin("index.htm"), std::string(kMark) +
                                        "\n<a href=\"old.htm\">o</a><a href=\"mid.htm\">m</a>\n"
                                        "<a href=\"new.htm\">n</a><a href=\"extra.htm\">x</a>\n");
    WriteBytes(Origin("old.htm"), std::string(kMark) + "old");
    WriteBytes(Origin("mid.htm"), std::string(kMark) + "mid");
    WriteBytes(Origin("new.htm"), std::string(kMark) + "new");
    git_.Commit(Origin(""), kFirstCommit);
    WriteBytes(Origin("mid.htm"), std::string(kMark) + "mid, second version");
    git_.Commit(Origin(""), kSecondCommit);
    WriteBytes(Origin("new.htm"), std::string(kMark) + "new, third version");
    git_.Commit(Origin(""), kThirdCommit);
  }

  std::string Origin(const std::string& name) const { return git_ / ("origin/" + name); }

  std::string Clone(const std::string& name, int depth = 0) {
    git_.Clone(Origin(""), git_ / name, kCheckout, depth);
    return git_ / name;
  }

  // A run over `folder`/index.htm with link following, no backups and errors passed over.
  RunOutcome Stamp(RunWorld& world, const std::string& folder, bool git_dates = true) {
    world.settings.UseGitDates = git_dates;
    world.settings.Backup = false;
    world.settings.ErrCope = kErrCopeContinue;
    return StartRun(world.context, folder + "/index.htm", world.dir / "Zelvora.log");
  }

  GitSandbox git_;
};

TEST_F(GitDatesTest, PagesOfACloneTakeTheirCommitDatesAndASecondRunWritesNothing) {
  const std::string clone = Clone("full");
  WriteBytes(clone + "/mid.htm", std::string(kMark) + "mid, edited after the clone");
  SetModifiedTime(clone + "/mid.htm", kEdited);
  WriteBytes(clone + "/extra.htm", kMark);
  SetModifiedTime(clone + "/extra.htm", kUntracked);

  RunWorld world;
  ASSERT_EQ(Stamp(world, clone), RunOutcome::kFinished);
  EXPECT_EQ(world.context.state.ErrorCount, 0) << world.LogText();
  EXPECT_EQ(ReadBytes(clone + "/old.htm"), Stamped("2002/01/12", "old"));
  EXPECT_EQ(ReadBytes(clone + "/new.htm"), Stamped("2024/05/06", "new, third version"));
  EXPECT_EQ(ReadBytes(clone + "/mid.htm"), Stamped("2024/07/03", "mid, edited after the clone"));
  EXPECT_EQ(ReadBytes(clone + "/extra.htm"), Stamped("2024/03/10", ""));
  EXPECT_TRUE(ReadBytes(clone + "/index.htm").starts_with(Stamped("2002/01/12", "\n")));
  // The kept time stamp is the commit time, and the page, now different from HEAD by its
  // stamp only, keeps its date.
  EXPECT_EQ(ModifiedTime(clone + "/new.htm"), kThirdCommit);
  EXPECT_TRUE(world.host.shallow_work_trees.empty());

  RunWorld again;
  ASSERT_EQ(Stamp(again, clone), RunOutcome::kFinished);
  EXPECT_EQ(again.context.state.WrittenFiles, 0) << again.LogText();
  // Even when the stamped pages carry other times now, as after a copy.
  for (const char* name : {"old.htm", "new.htm", "index.htm"}) {
    SetModifiedTime(clone + "/" + name, kCheckout);
  }
  RunWorld copied;
  ASSERT_EQ(Stamp(copied, clone), RunOutcome::kFinished);
  EXPECT_EQ(copied.context.state.WrittenFiles, 0) << copied.LogText();
}

TEST_F(GitDatesTest, WithoutTheOptionACloneIsDatedByItsCheckout) {
  const std::string clone = Clone("full");
  RunWorld world;
  ASSERT_EQ(Stamp(world, clone, false), RunOutcome::kFinished);
  for (const char* name : {"old.htm", "mid.htm", "new.htm"}) {
    EXPECT_TRUE(ReadBytes(clone + "/" + name).starts_with(Stamped("2025/01/01", ""))) << name;
  }
}

TEST_F(GitDatesTest, AShallowCloneFallsBackExactlyForTheFilesBeyondItsHistory) {
  // Depth 2 sees the commits 3 and 2; commit 2, the boundary, lists every file it holds.
  const std::string clone = Clone("shallow", 2);
  RunWorld world;
  ASSERT_EQ(Stamp(world, clone), RunOutcome::kFinished);
  EXPECT_EQ(ReadBytes(clone + "/new.htm"), Stamped("2024/05/06", "new, third version"));
  EXPECT_EQ(ReadBytes(clone + "/mid.htm"), Stamped("2025/01/01", "mid, second version"));
  EXPECT_EQ(ReadBytes(clone + "/old.htm"), Stamped("2025/01/01", "old"));
  EXPECT_EQ(world.host.shallow_work_trees, std::vector<std::string>{clone + "/"});

  const std::string log = world.LogText();
  const std::string beyond = "◎gitの見える履歴より前に変更されたため、最終更新日時を使います：";
  for (const char* name : {"index.htm", "old.htm", "mid.htm"}) {
    EXPECT_NE(log.find(beyond + clone + "/" + name + "\n"), std::string::npos) << name;
  }
  EXPECT_EQ(log.find(beyond + clone + "/new.htm"), std::string::npos);
  EXPECT_NE(log.find("◎gitの履歴が浅いクローンです。"), std::string::npos);
  EXPECT_EQ(world.context.state.ErrorCount, 1) << "only the link to extra.htm, absent here";
}

TEST_F(GitDatesTest, TheCommandLineWarnsOnceAboutAShallowClone) {
  const std::string clone = Clone("depth1", 1);
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const StampCommandIo io{in, out, err};
  EXPECT_EQ(
      RunStampCommand(
          {"--set", "UseGitDates=1", "--set", "ErrCope=1", "--check", clone + "/index.htm"}, io),
      kExitWouldWrite);
  const std::string warning = "zelvora-stamp: warning: " + clone + "/ is a shallow clone";
  const std::string said = err.str();
  ASSERT_NE(said.find(warning), std::string::npos) << said;
  EXPECT_EQ(said.find(warning, said.find(warning) + 1), std::string::npos);
  // With depth 1 nothing has a visible last change: every page keeps its checkout date.
  EXPECT_EQ(ReadBytes(clone + "/old.htm"), std::string(kMark) + "old");
}

TEST_F(GitDatesTest, AWorkTreeIsReadOncePerFolderAskedAbout) {
  WriteBytes(Origin("site/index.htm"), "<!--#ZELV#../assets/logo.png--><a href=\"a.htm\">a</a>");
  WriteBytes(Origin("site/a.htm"), kMark);
  WriteBytes(Origin("assets/logo.png"), "png");
  git_.Commit(Origin(""), kThirdCommit + 86400);
  const std::string clone = Clone("layout");
  // Every git command the run starts is written down by a git that then does its work.
  const testing::FakeGit recorder(
      "echo \"$*\" >>\"$(dirname \"$0\")/commands\"\nexec \"$REAL_GIT\" \"$@\"");
  RunWorld world;
  world.settings.UseGitDates = true;
  world.settings.Backup = false;
  ASSERT_EQ(StartRun(world.context, clone + "/site/index.htm", world.dir / "Zelvora.log"),
            RunOutcome::kFinished);
  EXPECT_EQ(ReadBytes(clone + "/site/a.htm"), Stamped("2024/05/07", ""));
  std::vector<std::string> commands;
  std::istringstream lines(ReadBytes(recorder.folder() + "/commands"));
  for (std::string line; std::getline(lines, line);) {
    // The subcommand and what follows "--": the folder it was limited to.
    const std::string args = line.substr(line.find("core.quotepath=off ") + 19);
    const size_t pathspec = args.rfind(" -- ");
    const std::string subcommand = args.substr(0, args.find(' '));
    commands.push_back(
        (subcommand == "-c" ? std::string("log") : subcommand) +
        (pathspec == std::string::npos ? std::string() : " " + args.substr(pathspec + 4)));
  }
  // The first file asked about is the logo, which the top page's mark names; whether it is
  // unchanged, "git status" tells; the pages at hand tell it themselves.
  EXPECT_EQ(commands,
            (std::vector<std::string>{"rev-parse", "log assets/", "status assets/", "log site/"}));
}

TEST(GitDatesMissingGitTest, AMissingGitIsReportedOnceAndTheRunGoesOnWithLastWriteTimes) {
  RunWorld world;
  world.settings.UseGitDates = true;
  world.settings.Backup = false;
  testing::MakeFolder(world.dir / "site/.git");
  const std::string page = world.File("site/index.htm", std::string(kMark) + "<a href=\"b.htm\">");
  world.File("site/b.htm", kMark);
  testing::ScopedEnvironment no_git({{"PATH", (world.dir / "empty").c_str()}});
  ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_NE(world.host.asked[0].text.find(
                "gitのプログラムが見つからないため、gitの履歴から日付を取得できません。"
                "最終更新日時を使います。\n" +
                world.dir / "site/\n\n"),
            std::string::npos)
      << world.host.asked[0].text;
  EXPECT_EQ(world.context.state.ErrorCount, 1);
  EXPECT_EQ(ReadBytes(world.dir / "site/b.htm"), Stamped("1999/01/03", ""));
}

}  // namespace
}  // namespace zelvora

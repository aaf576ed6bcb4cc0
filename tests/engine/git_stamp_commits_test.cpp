// A site kept in git the way its owner keeps it: stamped, the stamps committed and pushed,
// cloned afresh elsewhere (by CI) and checked. Commits that only changed date areas, and
// changes that HEAD does not hold, never date a page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "cli/stamp_command.h"
#include "engine/run.h"
#include "tests/support/git_sandbox.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::GitSandbox;
using testing::ReadBytes;
using testing::RunWorld;
using testing::WriteBytes;

constexpr int64_t kDay = 86400;
constexpr int64_t kMay6 = 1714957200;      // 2024/05/06 10:00 JST
constexpr int64_t kCheckout = 1735689600;  // 2025/01/01 09:00 JST

constexpr char kMark[] = "<!--#ZELV#-->";

std::string Stamped(const std::string& date, const std::string& rest = "") {
  return std::string(kMark) + "<!-- #ZELV#($BEGIN) -->" + date + "<!-- #ZELV#($END) -->" + rest;
}

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

CommandRun StampCommand(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  CommandRun run;
  run.status = RunStampCommand(args, StampCommandIo{in, out, err});
  run.out = out.str();
  run.err = err.str();
  return run;
}

class GitStampCommitsTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& relative) const { return git_ / relative; }

  // A bare origin and a working clone "author" with index.htm (linking a.htm, b.htm) and
  // a.htm, b.htm, committed on 2024/05/06 10:00.
  void MakeSite() {
    git_.Git(git_.dir().path(), {"init", "-q", "--bare", "-b", "main", "origin.git"});
    git_.Clone(Path("origin.git"), Path("author"), kCheckout);
    WriteBytes(Path("author/index.htm"),
               std::string(kMark) + "\n<a href=\"a.htm\">a</a> <a href=\"b.htm\">b</a>\n");
    WriteBytes(Path("author/a.htm"), std::string(kMark) + "a\n");
    WriteBytes(Path("author/b.htm"), std::string(kMark) + "b\n");
    git_.Commit(Path("author"), kMay6, "pages");
    git_.Git(Path("author"), {"push", "-q", "origin", "HEAD:main"});
  }

  // Commits what is in `clone` at `when` and pushes it.
  void CommitAndPush(const std::string& clone, int64_t when, const std::string& message) {
    git_.Commit(Path(clone), when, message);
    git_.Git(Path(clone), {"push", "-q", "origin", "HEAD:main"});
  }

  // Stamps `page` and what it links to with dates from git, no backups; the run must go
  // without errors.
  void StampWithGitDates(const std::string& page) {
    RunWorld world;
    world.settings.UseGitDates = true;
    world.settings.Backup = false;
    ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
    EXPECT_EQ(world.context.state.ErrorCount, 0) << world.LogText();
  }

  // A fresh clone named `name`, checked out at `when`.
  std::string FreshClone(const std::string& name, int64_t when) {
    git_.Clone(Path("origin.git"), Path(name), when);
    return Path(name);
  }

  GitSandbox git_;
};

TEST_F(GitStampCommitsTest, StampCommitAndCheckAFreshCloneSettleOnEveryDay) {
  MakeSite();
  const std::vector<std::string> options = {"--set", "UseGitDates=1", "--set", "WriteFmtIdx=1",
                                            "--set", "Backup=0",      "--set", "ErrCope=0"};
  // Day by day: a real edit in the morning, the stamps committed at noon, CI in the afternoon.
  const char* const edited[] = {"a.htm", "b.htm", "a.htm"};
  for (int day = 0; day < 3; ++day) {
    SCOPED_TRACE("day " + std::to_string(day));
    const int64_t morning = kMay6 + day * kDay;
    const std::string author = "author-" + std::to_string(day);
    FreshClone(author, morning);
    WriteBytes(Path(author + "/" + edited[day]),
               ReadBytes(Path(author + "/" + edited[day])) + "edit " + std::to_string(day) + "\n");
    CommitAndPush(author, morning + 17 * 60, "edit");  // 10:17

    const std::string stamper = FreshClone("stamper-" + std::to_string(day), morning + 2 * 3600);
    std::vector<std::string> args = options;
    args.push_back(stamper + "/index.htm");
    const CommandRun stamped = StampCommand(args);
    ASSERT_EQ(stamped.status, kExitFinished) << stamped.err;
    CommitAndPush("stamper-" + std::to_string(day), morning + 2 * 3600 + 30 * 60, "stamp");

    const std::string ci = FreshClone("ci-" + std::to_string(day), morning + 3 * 3600);
    args = options;
    args.insert(args.end(), {"--check", ci + "/index.htm"});
    const CommandRun checked = StampCommand(args);
    EXPECT_EQ(checked.status, kExitFinished) << checked.out << checked.err;
    // The edited page shows its edit, to the minute; the index its first commit.
    const std::string edit_time = "2024/05/0" + std::to_string(6 + day) + " 10:17";
    EXPECT_TRUE(ReadBytes(ci + "/" + edited[day]).starts_with(Stamped(edit_time))) << edit_time;
    EXPECT_TRUE(ReadBytes(ci + "/index.htm").starts_with(Stamped("2024/05/06 10:00")));
  }
}

TEST_F(GitStampCommitsTest, OnlyChangesBeyondTheDateAreasDateAPage) {
  MakeSite();
  const std::string author = FreshClone("work", kMay6);
  // Stamp commits: the first inserts the date areas, a later one rewrites a date, and an
  // uncommitted one rewrites it again.
  WriteBytes(Path("work/a.htm"), Stamped("2024/05/06", "a\n"));
  CommitAndPush("work", kMay6 + kDay, "stamp");
  WriteBytes(Path("work/a.htm"), Stamped("<b>old</b>", "a\n"));
  WriteBytes(Path("work/b.htm"), Stamped("2024/05/06", "b, and a real edit\n"));
  CommitAndPush("work", kMay6 + 2 * kDay, "stamp, and an edit of b");
  WriteBytes(Path("work/a.htm"), Stamped("uncommitted", "a\n"));

  StampWithGitDates(author + "/index.htm");
  EXPECT_EQ(ReadBytes(author + "/a.htm"), Stamped("2024/05/06", "a\n"));
  EXPECT_EQ(ReadBytes(author + "/b.htm"), Stamped("2024/05/08", "b, and a real edit\n"));
}

// The date of `page` that "git log -1 --format=%ct -- page" gives in `clone`.
int64_t GitLogDate(GitSandbox& git, const std::string& clone, const std::string& page) {
  return std::stoll(git.Git(clone, {"log", "-1", "--format=%ct", "--", page}));
}

TEST_F(GitStampCommitsTest, MergesDateAPageByWhatHeadHolds) {
  MakeSite();
  const std::string work = FreshClone("work", kMay6);
  git_.Git(work, {"checkout", "-q", "-b", "side"});
  // On the side branch: a.htm, b.htm and index.htm change (days 2 and 3).
  WriteBytes(work + "/a.htm", std::string(kMark) + "a, side\n");
  WriteBytes(work + "/b.htm", std::string(kMark) + "b, side\n");
  git_.Commit(work, kMay6 + 2 * kDay, "side a and b");
  WriteBytes(work + "/index.htm", ReadBytes(work + "/index.htm") + "side\n");
  git_.Commit(work, kMay6 + 3 * kDay, "side index");
  // On main: b.htm and index.htm change too (day 1).
  git_.Git(work, {"checkout", "-q", "main"});
  WriteBytes(work + "/b.htm", std::string(kMark) + "b, main\n");
  WriteBytes(work + "/index.htm", ReadBytes(work + "/index.htm") + "main\n");
  git_.Commit(work, kMay6 + kDay, "main b and index");
  // "-s ours" keeps main's versions: nothing of the side branch dates a page...
  git_.GitAt(work, kMay6 + 4 * kDay, {"merge", "-q", "-s", "ours", "-m", "ours", "side"});
  // ...then a second merge of a later side change, with the conflict resolved by hand.
  git_.Git(work, {"checkout", "-q", "side"});
  WriteBytes(work + "/b.htm", std::string(kMark) + "b, side again\n");
  git_.Commit(work, kMay6 + 5 * kDay, "side b again");
  git_.Git(work, {"checkout", "-q", "main"});
  git_.GitAt(work, kMay6 + 6 * kDay, {"merge", "-q", "-m", "resolved", "side"}, true);
  WriteBytes(work + "/b.htm", std::string(kMark) + "b, resolved\n");
  git_.GitAt(work, kMay6 + 6 * kDay, {"commit", "-q", "-a", "-m", "resolved"});
  git_.Git(work, {"push", "-q", "origin", "main"});
  const std::string clone = FreshClone("clone", kCheckout);

  StampWithGitDates(clone + "/index.htm");
  // a.htm: the side's change was discarded by "-s ours" and merged unchanged since.
  EXPECT_EQ(ReadBytes(clone + "/a.htm"), Stamped("2024/05/06", "a\n"));
  // index.htm: main's change; b.htm: the merge that resolved its conflict.
  EXPECT_TRUE(ReadBytes(clone + "/index.htm").starts_with(Stamped("2024/05/07")));
  EXPECT_EQ(ReadBytes(clone + "/b.htm"), Stamped("2024/05/12", "b, resolved\n"));
  // As git itself dates them (before the stamps).
  const std::string fresh = FreshClone("fresh", kCheckout);
  EXPECT_EQ(GitLogDate(git_, fresh, "a.htm"), kMay6);
  EXPECT_EQ(GitLogDate(git_, fresh, "index.htm"), kMay6 + kDay);
  EXPECT_EQ(GitLogDate(git_, fresh, "b.htm"), kMay6 + 6 * kDay);
}

TEST_F(GitStampCommitsTest, SymbolicLinksLeadToTheFilesWhoseHistoryCounts) {
  git_.Init(Path("repo"));
  WriteBytes(Path("repo/site/news/2024.htm"), "news");
  WriteBytes(Path("repo/site/index.htm"), std::string(kMark) + "<!--#ZELV#latest.htm-->");
  git_.Commit(Path("repo"), kMay6, "site");
  ASSERT_EQ(symlink("news/2024.htm", Path("repo/site/latest.htm").c_str()), 0);
  git_.Commit(Path("repo"), kMay6 + 3 * kDay, "link");
  git_.Clone(Path("repo"), Path("clone"), kCheckout);
  // The site as the web server's folder reaches it, through a link.
  ASSERT_EQ(symlink(Path("clone/site").c_str(), Path("www").c_str()), 0);

  StampWithGitDates(Path("www/index.htm"));
  EXPECT_EQ(ReadBytes(Path("clone/site/index.htm")),
            Stamped("2024/05/06") +
                "<!--#ZELV#latest.htm--><!-- #ZELV#($BEGIN) -->2024/05/06"
                "<!-- #ZELV#($END) -->");
}

TEST_F(GitStampCommitsTest, PagesGitKeepsWithOtherLineEndsAreComparedAsGitKeepsThem) {
  // Git keeps the pages with LF line ends and checks them out with CR LF.
  git_.Init(Path("repo"));
  WriteBytes(Path("repo/.gitattributes"), "*.htm text eol=crlf\n");
  WriteBytes(Path("repo/index.htm"), std::string(kMark) + "\nline\n");
  git_.Commit(Path("repo"), kMay6, "page");
  git_.Clone(Path("repo"), Path("stamper"), kCheckout);
  ASSERT_EQ(ReadBytes(Path("stamper/index.htm")), std::string(kMark) + "\r\nline\r\n");
  ASSERT_EQ(StampCommand({"--set", "UseGitDates=1", "--set", "Backup=0", Path("stamper/index.htm")})
                .status,
            kExitFinished);
  git_.Commit(Path("stamper"), kMay6 + kDay, "stamp");
  git_.Clone(Path("stamper"), Path("ci"), kCheckout + kDay);
  const CommandRun checked =
      StampCommand({"--set", "UseGitDates=1", "--check", Path("ci/index.htm")});
  EXPECT_EQ(checked.status, kExitFinished) << checked.out;
  EXPECT_EQ(ReadBytes(Path("ci/index.htm")), Stamped("2024/05/06", "\r\nline\r\n"));
}

TEST_F(GitStampCommitsTest, ATrialRunLeavesTheIndexAlone) {
  MakeSite();
  // The top page is dated by a picture too, which "git status" is asked about.
  WriteBytes(Path("author/logo.png"), "png");
  WriteBytes(Path("author/index.htm"), std::string(kMark) + "<!--#ZELV#logo.png-->\n");
  CommitAndPush("author", kMay6 + kDay, "logo");
  const std::string clone = FreshClone("clone", kCheckout);
  // Touched since the checkout: git status would note its new time in the index.
  testing::SetModifiedTime(clone + "/logo.png", kCheckout + kDay);
  struct stat before;
  ASSERT_EQ(stat((clone + "/.git/index").c_str(), &before), 0);
  const std::string index = ReadBytes(clone + "/.git/index");
  for (const char* trial : {"--check", "--dry-run"}) {
    const CommandRun run = StampCommand({"--set", "UseGitDates=1", trial, clone + "/index.htm"});
    EXPECT_NE(run.status, kExitAborted) << run.err;
  }
  struct stat after;
  ASSERT_EQ(stat((clone + "/.git/index").c_str(), &after), 0);
  EXPECT_EQ(ReadBytes(clone + "/.git/index"), index);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

}  // namespace
}  // namespace zelvora

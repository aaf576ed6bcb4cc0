// Dates from git history: real repositories with fixed commit times, cloned (whole and
// shallow) into folders whose files all carry the time of the checkout.
#include "engine/git_dates.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "cli/stamp_command.h"
#include "engine/run.h"
#include "platform/process.h"
#include "tests/support/run_world.h"
#include "tests/support/scoped_environment.h"

namespace zelvora {
namespace {

using testing::ModifiedTime;
using testing::ReadBytes;
using testing::RunWorld;
using testing::ScopedEnvironment;
using testing::SetModifiedTime;
using testing::TempDir;
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
// Git runs without the machine's or the user's configuration.
class GitDatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Git(dir_.path(), {"init", "-q", "origin"});
    WriteBytes(Origin("index.htm"), std::string(kMark) +
                                        "\n<a href=\"old.htm\">o</a><a href=\"mid.htm\">m</a>\n"
                                        "<a href=\"new.htm\">n</a><a href=\"extra.htm\">x</a>\n");
    WriteBytes(Origin("old.htm"), std::string(kMark) + "old");
    WriteBytes(Origin("mid.htm"), std::string(kMark) + "mid");
    WriteBytes(Origin("new.htm"), std::string(kMark) + "new");
    Commit(kFirstCommit);
    WriteBytes(Origin("mid.htm"), std::string(kMark) + "mid, second version");
    Commit(kSecondCommit);
    WriteBytes(Origin("new.htm"), std::string(kMark) + "new, third version");
    Commit(kThirdCommit);
  }

  std::string Origin(const std::string& name) const { return dir_ / ("origin/" + name); }

  void Git(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {"git", "-C", folder});
    const auto done = CaptureOutput(args, std::chrono::seconds(60));
    ASSERT_TRUE(done.ok()) << args[3] << ": " << done.status().message();
  }

  void Commit(int64_t when) {
    const std::string date = std::to_string(when) + " +0900";
    ScopedEnvironment dated(
        {{"GIT_COMMITTER_DATE", date.c_str()}, {"GIT_AUTHOR_DATE", date.c_str()}});
    Git(dir_ / "origin", {"add", "-A"});
    Git(dir_ / "origin", {"commit", "-q", "-m", "change"});
  }

  // Clones the origin into `name` (`depth` 0: the whole history) and gives every file of the
  // work tree the checkout time, as a checkout on another day would. Returns the folder.
  std::string Clone(const std::string& name, int depth = 0) {
    std::vector<std::string> args = {"clone", "-q"};
    if (depth > 0) args.insert(args.end(), {"--depth", std::to_string(depth)});
    args.insert(args.end(), {"file://" + (dir_ / "origin"), name});
    Git(dir_.path(), args);
    const std::string folder = dir_ / name;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file()) SetModifiedTime(entry.path().string(), kCheckout);
    }
    return folder;
  }

  // A run over `folder`/index.htm with link following, no backups and errors passed over.
  RunOutcome Stamp(RunWorld& world, const std::string& folder, bool git_dates = true) {
    world.settings.UseGitDates = git_dates;
    world.settings.Backup = false;
    world.settings.ErrCope = kErrCopeContinue;
    return StartRun(world.context, folder + "/index.htm", world.dir / "Zelvora.log");
  }

  TempDir dir_{"git"};
  ScopedEnvironment environment_{
      {"HOME", dir_.path().c_str()},          {"XDG_CONFIG_HOME", dir_.path().c_str()},
      {"GIT_CONFIG_NOSYSTEM", "1"},           {"GIT_CONFIG_GLOBAL", "/dev/null"},
      {"GIT_AUTHOR_NAME", "Zelvora Test"},    {"GIT_AUTHOR_EMAIL", "test@zelvora.invalid"},
      {"GIT_COMMITTER_NAME", "Zelvora Test"}, {"GIT_COMMITTER_EMAIL", "test@zelvora.invalid"}};
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
  // The kept time stamp is the commit time, so the page now modified only by its stamp keeps
  // its date.
  EXPECT_EQ(ModifiedTime(clone + "/new.htm"), kThirdCommit);
  EXPECT_TRUE(world.host.shallow_work_trees.empty());

  RunWorld again;
  ASSERT_EQ(Stamp(again, clone), RunOutcome::kFinished);
  EXPECT_EQ(again.context.state.WrittenFiles, 0) << again.LogText();
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

TEST(GitDatesMissingGitTest, AMissingGitIsReportedOnceAndTheRunGoesOnWithLastWriteTimes) {
  RunWorld world;
  world.settings.UseGitDates = true;
  world.settings.Backup = false;
  testing::MakeFolder(world.dir / "site/.git");
  const std::string page = world.File("site/index.htm", std::string(kMark) + "<a href=\"b.htm\">");
  world.File("site/b.htm", kMark);
  world.context.state.GitDates.SetRunner(
      [](const std::vector<std::string>&, const std::function<void()>&) -> Result<std::string> {
        return Status::Error("git is not found on the PATH", ENOENT);
      });
  ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_NE(world.host.asked[0].text.find("gitのプログラムが見つからないため"), std::string::npos);
  EXPECT_EQ(world.context.state.ErrorCount, 1);
  EXPECT_EQ(ReadBytes(world.dir / "site/b.htm"), Stamped("1999/01/03", ""));
}

TEST(GitDatesMissingGitTest, AWorkTreeGitCannotReadIsLoggedAndDatedByLastWriteTimes) {
  RunWorld world;
  world.settings.UseGitDates = true;
  world.settings.Backup = false;
  testing::MakeFolder(world.dir / "site/.git");  // no repository inside
  ScopedEnvironment no_ceiling({{"GIT_CEILING_DIRECTORIES", world.dir.path().c_str()}});
  const std::string page = world.File("site/index.htm", kMark);
  ASSERT_EQ(StartRun(world.context, page, world.dir / "Zelvora.log"), RunOutcome::kFinished);
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_NE(world.LogText().find("◎gitで履歴を読めなかったため、最終更新日時を使います：" +
                                 world.dir / "site/"),
            std::string::npos)
      << world.LogText();
  EXPECT_EQ(ReadBytes(page), Stamped("1999/01/03", ""));
}

TEST(GitHistoryTest, AWorkTreeIsReadOnceAndAFileWrittenSinceCountsAsChanged) {
  using namespace std::string_literals;
  TempDir site("history");
  testing::MakeFolder(site / "sub/.git");
  std::vector<std::string> commands;
  GitHistory history([&](const std::vector<std::string>& argv,
                         const std::function<void()>&) -> Result<std::string> {
    const std::string command = argv[5] == "-c" ? argv[9] : argv[5];
    commands.push_back(command);
    if (command == "rev-parse") return site / "sub\nfalse\n.git/shallow\n";
    if (command == "log")
      return "\x01"
             "c1 100\0\na.htm\0b.htm\0"s;
    return " M b.htm\0"s;
  });
  const std::string root = site / "sub/";
  const FileTime before{50, 0};
  GitFileDate date = history.Lookup(RealFileSystem(), root + "a.htm", before);
  EXPECT_EQ(date.kind, GitFileDate::Kind::kCommitted);
  EXPECT_EQ(date.commit_time, (FileTime{100, 0}));
  EXPECT_TRUE(date.first_look);
  EXPECT_EQ(date.work_tree, root);
  EXPECT_EQ(history.Lookup(RealFileSystem(), root + "b.htm", before).kind,
            GitFileDate::Kind::kChanged);
  EXPECT_EQ(history.Lookup(RealFileSystem(), root + "new.htm", before).kind,
            GitFileDate::Kind::kChanged);
  date = history.Lookup(RealFileSystem(), root + "a.htm", FileTime{4102444800, 0});  // 2100
  EXPECT_EQ(date.kind, GitFileDate::Kind::kChanged) << "written after the work tree was read";
  EXPECT_FALSE(date.first_look);
  EXPECT_EQ(history.Lookup(RealFileSystem(), site / "outside.htm", before).kind,
            GitFileDate::Kind::kNoWorkTree);
  EXPECT_EQ(commands, (std::vector<std::string>{"rev-parse", "log", "status"}));
}

TEST(GitOutputTest, ReadsTheHistoryAndTheStatusAsGitWritesThem) {
  using namespace std::string_literals;
  const std::string log =
      "\x01"
      "c3 300\0\nb.htm\0\x01"
      "c2 200\0\x01"
      "c1 100\0\na.htm\0b.htm\0sub/c d.htm\0"s;
  std::unordered_map<std::string, int64_t> last_change;
  std::unordered_set<std::string> beyond;
  git_output::ReadLog(log, {"c1"}, &last_change, &beyond);
  EXPECT_EQ(last_change, (std::unordered_map<std::string, int64_t>{{"b.htm", 300}}));
  EXPECT_EQ(beyond, (std::unordered_set<std::string>{"a.htm", "sub/c d.htm"}));

  last_change.clear();
  beyond.clear();
  git_output::ReadLog(log, {}, &last_change, &beyond);
  EXPECT_EQ(last_change, (std::unordered_map<std::string, int64_t>{
                             {"b.htm", 300}, {"a.htm", 100}, {"sub/c d.htm", 100}}));

  std::unordered_set<std::string> changed;
  git_output::ReadStatus(" M a.htm\0R  new.htm\0old.htm\0?? 日本.htm\0"s, &changed);
  EXPECT_EQ(changed, (std::unordered_set<std::string>{"a.htm", "new.htm", "old.htm", "日本.htm"}));
}

}  // namespace
}  // namespace zelvora

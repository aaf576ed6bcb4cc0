// End-to-end runs of zelvora-stamp on sites built by the tests, with the command's streams
// captured and checked line by line.
#include "cli/stamp_command.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "platform/encoding.h"
#include "platform/program_folder.h"
#include "platform/registry_store.h"
#include "records/run_log.h"
#include "settings/settings_persistence.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/run_world.h"
#include "tests/support/stamp_binary.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::ModifiedTime;
using testing::PathExists;
using testing::ReadBytes;

constexpr char kMarked[] = "<p><!--#ZELV#--></p>\r\n";

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

class StampCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::RemoveTree(LogFileName());
    testing::RemoveTree(store);
  }

  CommandRun Run(std::vector<std::string> args, FileSystem* fs = nullptr) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const StampCommandIo io{in, out, err, false, false, fs};
    CommandRun run;
    run.status = RunStampCommand(args, io);
    run.out = out.str();
    run.err = err.str();
    return run;
  }

  // Writes a page of the site with an old last-write time.
  std::string Page(const std::string& relative, const std::string& bytes) {
    const std::string path = site / relative;
    testing::WriteBytes(path, bytes);
    testing::SetModifiedTime(path, testing::k1999_01_03_140730);
    return path;
  }

  static std::string Link(const std::string& target) {
    return "<a href=\"" + target + "\">" + target + "</a>\r\n";
  }

  // The log file as UTF-8 with its time stamps masked.
  static std::string LogWithoutTimes() {
    const std::string text = *ConvertText(ReadBytes(LogFileName()), kCp932, kUtf8);
    return std::regex_replace(text, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"), "TIME");
  }

  // The order in which the log says files were written.
  static std::vector<std::string> WrittenInOrder(const std::string& err) {
    std::vector<std::string> written;
    std::istringstream lines(err);
    const std::string prefix = "◎日付を記入しました：";
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with(prefix)) written.push_back(line.substr(prefix.size()));
    }
    return written;
  }

  testing::TempDir site{"site"};
  const std::string store = std::getenv("ZELVORA_REGISTRY");
};

TEST_F(StampCommandTest, FollowsLinksDepthFirstWritingLinkedPagesFirst) {
  const std::string index =
      Page("index.htm", kMarked + Link("a.htm") + Link("sub/b.htm") + Link("https://example.com/") +
                            Link("photo.JPG") + Link("mailto:me@x"));
  const std::string a = Page("a.htm", kMarked + Link("index.htm") + Link("sub/b.htm"));
  const std::string b = Page("sub/b.htm", kMarked + Link("../c.htm"));
  const std::string c = Page("c.htm", kMarked + Link("index.htm#top"));
  Page("photo.JPG", kMarked);

  const CommandRun run = Run({"--set", "KeepTimeStamp=0", index});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_EQ(run.out, "終了しました。\n");
  EXPECT_EQ(WrittenInOrder(run.err), (std::vector<std::string>{c, b, a, index}));
  EXPECT_EQ(ReadBytes(site / "photo.JPG"), kMarked);  // the avoid list passed it over
}

TEST_F(StampCommandTest, DepthLimitStopsLinkFollowing) {
  const std::string index = Page("index.htm", kMarked + Link("one.htm"));
  const std::string one = Page("one.htm", kMarked + Link("two.htm"));
  Page("two.htm", kMarked);
  const CommandRun run = Run({"--set=RestrictLinkNest=1", "--set=MaxLinkNest=1", index});
  EXPECT_EQ(WrittenInOrder(run.err), (std::vector<std::string>{one, index}));
  EXPECT_EQ(ReadBytes(site / "two.htm"), kMarked);
}

TEST_F(StampCommandTest, MissingLinkTargetUnderEachPolicy) {
  const std::string index = Page("index.htm", std::string(kMarked) + "\r\n" + Link("gone.htm"));
  const std::string report =
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが見つかりません。\ngone.htm\n\n"
      "【エラー発生箇所】\nファイル名：" +
      index + "\n行番号：3\n";

  // Continue as far as possible: passed over, counted, mentioned in the summary.
  CommandRun run = Run({"--set", "ErrCope=1", index});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_NE(run.err.find(report), std::string::npos);
  EXPECT_EQ(run.out,
            "終了しました。\n\n記入中にエラーが 1 回発生しましたが無視して続行しました。\n"
            "エラーの詳細についてはログをご覧下さい。\n");

  // Abort at once, and asking without a terminal: the run stops and nothing is written.
  for (const char* policy : {"ErrCope=0", "ErrCope=2"}) {
    Page("index.htm", std::string(kMarked) + "\r\n" + Link("gone.htm"));
    run = Run({"--set", policy, index});
    EXPECT_EQ(run.status, kExitAborted) << policy;
    EXPECT_EQ(ReadBytes(index), std::string(kMarked) + "\r\n" + Link("gone.htm"));
  }
  EXPECT_NE(run.err.find("→ 質問に答える端末がないため、キャンセルとして扱いました。"),
            std::string::npos);
  EXPECT_EQ(run.out, "中止しました。\n");
}

TEST_F(StampCommandTest, LinksAreReadAsUsersWriteThemAlsoInACp932Page) {
  const auto cp932 = [](const std::string& utf8) { return *ConvertText(utf8, kUtf8, kCp932); };
  const std::string index = Page(
      "index.htm", cp932("<p>更新：<!--#ZELV#--></p>\r\n"
                         "<a href='p3.htm'>three</a>\r\n"
                         "<A HREF=\"query.htm?from=http://example.com/\">q</A>\r\n"
                         "<a href=\"fragment.htm#mailto:x\">f</a>\r\n"
                         "<a href=\"my%20page.htm\">m</a>\r\n"
                         "<a href=\"%E6%97%A5%E8%A8%98.htm\">d</a>\r\n"
                         "<a href=\"表.htm\">t</a>\r\n"
                         "<a href=\"//example.com/x.htm\">x</a><a href=\"ftp://example.com/\">y</a>"
                         "<a href=\"HTTPS://example.com/\">z</a>\r\n"
                         "<a href=\"gone.htm?ref=http://example.com/\">g</a>\r\n"));
  const std::vector<std::string> followed = {
      Page("p3.htm", kMarked),      Page("query.htm", kMarked), Page("fragment.htm", kMarked),
      Page("my page.htm", kMarked), Page("日記.htm", kMarked),  Page("表.htm", kMarked),
  };
  const CommandRun run = Run({"--set", "ErrCope=1", index});
  EXPECT_EQ(run.status, kExitFinished);
  std::vector<std::string> expected = followed;
  expected.push_back(index);
  EXPECT_EQ(WrittenInOrder(run.err), expected);
  // The one link reported is the missing page, even with an address in its query.
  EXPECT_NE(run.err.find("次のファイルが見つかりません。\ngone.htm?ref=http://example.com/\n\n"
                         "【エラー発生箇所】\nファイル名：" +
                         index + "\n行番号：9\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("エラーが 1 回発生しました"), std::string::npos);
}

TEST_F(StampCommandTest, MissingRootFileAborts) {
  const CommandRun run = Run({site / "nothing.htm"});
  EXPECT_EQ(run.status, kExitAborted);
  EXPECT_NE(run.err.find("次のファイルが見つかりません。\n" + site / "nothing.htm" +
                         "\n\nどうしますか？\n"),
            std::string::npos);
  EXPECT_EQ(run.out, "中止しました。\n");
}

TEST_F(StampCommandTest, AbortInANestedFileKeepsOnlyFinishedFilesWritten) {
  const std::string index = Page("index.htm", kMarked + Link("done.htm") + Link("parent.htm"));
  const std::string done = Page("done.htm", kMarked);
  Page("parent.htm", kMarked + Link("bad.htm"));
  Page("bad.htm", "<!--#ZELV#($END)-->" + std::string(kMarked));
  const CommandRun run = Run({"--set", "ErrCope=0", index});
  EXPECT_EQ(run.status, kExitAborted);
  EXPECT_EQ(WrittenInOrder(run.err), std::vector<std::string>{done});
  EXPECT_EQ(ReadBytes(site / "parent.htm"), kMarked + Link("bad.htm"));
  EXPECT_EQ(ReadBytes(index), kMarked + Link("done.htm") + Link("parent.htm"));
  EXPECT_EQ(run.out,
            "中止しました。\n\n記入中にエラーが発生しました。\nエラーの詳細についてはログをご覧下さ"
            "い。\n");
}

TEST_F(StampCommandTest, LogOfARunByteForByte) {
  const std::string page = Page("plain.htm", "<p>no marks</p>\r\n");
  ASSERT_EQ(Run({page}).status, kExitFinished);
  EXPECT_EQ(LogWithoutTimes(),
            "ログファイルの読み込みに失敗。ログファイルが存在しない可能性があります。"
            "新規にログファイルを作成しました。\n\n\r\n"
            "======================================================================\n\r\n"
            "★日付記入開始：" +
                page +
                ",TIME\n\r\n"
                "◎日付記入開始：" +
                page +
                "\n\r\n"
                "◎日付を記入する必要はありませんでした：" +
                page +
                "\n\r\n"
                "\n★日付記入終了：TIME\n\n\r\n");
  // A second run reads every entry back line by line: each entry's own LF became a line.
  ASSERT_EQ(Run({page}).status, kExitFinished);
  const std::string second = LogWithoutTimes();
  EXPECT_NE(second.find("★日付記入終了：TIME\r\n\r\n\r\n=========="), std::string::npos);
}

TEST_F(StampCommandTest, LogOffAndTrialRunsLeaveTheDiskAlone) {
  const std::string page = Page("page.htm", kMarked);
  testing::WriteBytes(LogFileName(), "old log\r\n");
  CommandRun run = Run({"--set", "Log=0", "--dry-run", page});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_EQ(run.out, page + "\n終了しました。\n");
  EXPECT_EQ(ReadBytes(page), kMarked);
  EXPECT_FALSE(PathExists(site / "page_Bak1.bak"));

  run = Run({"--set", "Log=0", page});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_NE(ReadBytes(page), kMarked);
  EXPECT_EQ(ReadBytes(LogFileName()), "old log\r\n");

  testing::WriteBytes(page, kMarked);
  run = Run({"--dry-run", page});  // Log on, but a trial run saves no log either
  EXPECT_EQ(ReadBytes(LogFileName()), "old log\r\n");
}

TEST_F(StampCommandTest, CheckTellsByItsStatusWhetherAnyPageWouldBeWritten) {
  const std::string linked = Page("linked.htm", kMarked);
  const std::string page = Page("page.htm", std::string(kMarked) + Link("linked.htm"));
  CommandRun run = Run({"--check", page});
  EXPECT_EQ(run.status, kExitWouldWrite);
  EXPECT_EQ(run.out, linked + "\n" + page + "\n終了しました。\n");
  EXPECT_EQ(ReadBytes(page), std::string(kMarked) + Link("linked.htm"));
  EXPECT_FALSE(PathExists(LogFileName()));

  ASSERT_EQ(Run({page}).status, kExitFinished);
  run = Run({"--check", page});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_EQ(run.out, "終了しました。\n");

  // An aborted check is an aborted run, whatever it found before.
  const std::string broken = Page("broken.htm", std::string(kMarked) + Link("missing.htm"));
  run = Run({"--check", broken});
  EXPECT_EQ(run.status, kExitAborted);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--check"}, {"--check", "--show-settings"}, {"--check", "--save-settings"}}) {
    EXPECT_EQ(Run(args).status, kExitUsage);
  }
}

TEST_F(StampCommandTest, UsageErrors) {
  CommandRun run = Run({""});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_EQ(run.err, "記入ファイル名を入力して下さい。\n");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"--bogus", "x"},
                                             {"--set"},
                                             {"--set", "NoSuchSetting=1", "x"},
                                             {"--set", "MaxLog=many", "x"},
                                             {"a.htm", "b.htm"},
                                             {"--save-settings", "--dry-run"}}) {
    run = Run(args);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_TRUE(run.err.starts_with("zelvora-stamp: ")) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
}

TEST_F(StampCommandTest, ShowSettingsPrintsTheEffectiveSettings) {
  const CommandRun run =
      Run({"--show-settings", "--set", "MaxLog=10", "--set", "AvoidList=*.pdf,x.htm"});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_EQ(
      run.out,
      "# settings store: " + store +
          " (not there yet: the defaults)\n"
          "WriteFmtStr=yyyy/mm/dd\nKeepTimeStamp=1\nBackup=1\nEnableAvoidList=1\nLinkWrite=1\n"
          "Log=1\nOpenWriteF=0\nRestrictLinkNest=0\nUseNN=1\nBackupGenes=3\nMaxLinkNest=5\n"
          "MaxLog=50\nWriteFmtIdx=0\nAvoidList0=*.pdf\nAvoidList1=x.htm\nAssignWriteFmt=0\n"
          "ErrCope=2\nUseGitDates=0\nSiteRoot=\nFollowAnyAnchor=0\n");
}

TEST_F(StampCommandTest, ReadsTheSettingsStoreWithoutChangingIt) {
  const std::string stored =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\r\n"
      "\"WriteFmtIdx\"=dword:00000004\r\n";
  testing::WriteBytes(store, stored);
  // Only one option is stored: as at the main window's start, all options take their defaults.
  const CommandRun run = Run({"--show-settings"});
  EXPECT_NE(run.out.find("WriteFmtIdx=0\n"), std::string::npos);
  Run({Page("page.htm", kMarked)});
  EXPECT_EQ(ReadBytes(store), stored);
}

TEST_F(StampCommandTest, AStoreThatCannotBeLoadedCompletelyIsNamedWithTheValueThatFailed) {
  const auto warning = [this](const std::string& why) {
    return "zelvora-stamp: warning: the settings store " + store +
           " could not be read completely (" + why + "); every setting takes its default\n";
  };
  // No store yet: the defaults, without a word.
  EXPECT_EQ(Run({"--show-settings"}).err, "");

  // A complete store, then one value taken out.
  ASSERT_EQ(Run({"--save-settings", "--set", "WriteFmtIdx=4"}).status, kExitFinished);
  EXPECT_EQ(Run({"--show-settings"}).err, "");
  ASSERT_TRUE(RegistryStore(store).DeleteValue(kPreferenceKey, "ErrCope").ok());
  CommandRun run = Run({"--show-settings"});
  EXPECT_EQ(run.err, warning("registry value \"ErrCope\" of key "
                             "\\Software\\MORVID\\Zelvora\\Preference does not exist"));
  EXPECT_NE(run.out.find("\nWriteFmtIdx=0\n"), std::string::npos);
  EXPECT_TRUE(run.out.starts_with("# settings store: " + store + "\n"));

  // A store written by hand without the window's values, and one with a mistyped value.
  testing::WriteBytes(store,
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\r\n"
                      "\"WriteFmtIdx\"=dword:00000004\r\n");
  run = Run({Page("page.htm", kMarked)});
  EXPECT_TRUE(run.err.starts_with(warning(
      "registry value \"MWLeft\" of key \\Software\\MORVID\\Zelvora\\ExitState does not exist")))
      << run.err;
  ASSERT_EQ(Run({"--save-settings"}).status, kExitFinished);
  ASSERT_TRUE(RegistryStore(store).WriteString(kPreferenceKey, "MaxLog", "1000").ok());
  run = Run({"--show-settings"});
  EXPECT_EQ(run.err, warning("registry value \"MaxLog\" of key "
                             "\\Software\\MORVID\\Zelvora\\Preference is not a number"));
}

TEST_F(StampCommandTest, SaveSettingsKeepsTheWindowsValuesAndAFreshProcessReadsThem) {
  // What the GUI left behind, a position of the wrong type included: all of it stays.
  const std::string exit_state = "\\Software\\MORVID\\Zelvora\\ExitState";
  testing::WriteBytes(
      store,
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\ExitState]\r\n"
      "\"MWLeft\"=dword:00000078\r\n"
      "\"MWTop\"=\"oops\"\r\n"
      "\"WriteFName\"=\"/home/me/www/index.htm\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\ExitState\\HistWriteFName]\r\n"
      "\"0\"=\"/home/me/www/index.htm\"\r\n");
  const testing::BinaryRun saving = testing::RunStampBinary(
      {"--save-settings", "--set", "WriteFmtIdx=4", "--set", "AvoidList=*.pdf,*.zip"});
  ASSERT_EQ(saving.status, 0);
  // The stored MWTop is no number: loading falls back to the defaults, and says so.
  EXPECT_NE(saving.err.find("registry value \"MWTop\""), std::string::npos);

  RegistryStore saved(store);
  EXPECT_EQ(*saved.ReadInteger(exit_state, "MWLeft"), 120);
  EXPECT_EQ(*saved.ReadString(exit_state, "MWTop"), "oops");
  EXPECT_EQ(*saved.ReadString(exit_state, "WriteFName"), "/home/me/www/index.htm");
  EXPECT_EQ(*saved.ReadString(exit_state + "\\HistWriteFName", "0"), "/home/me/www/index.htm");
  // The missing ones are added as a first start would have them.
  EXPECT_EQ(*saved.ReadString(exit_state, "FileSelFolder"), ProgramFolder());
  EXPECT_EQ(*saved.ReadInteger(exit_state, "PWLeft"), 0);
  EXPECT_EQ(*saved.ReadInteger(exit_state, "PWTop"), 22);

  // With MWTop mended, the saved options are what a fresh process reads.
  ASSERT_TRUE(saved.WriteInteger(exit_state, "MWTop", 40).ok());
  const testing::BinaryRun showing = testing::RunStampBinary({"--show-settings"});
  ASSERT_EQ(showing.status, 0);
  EXPECT_EQ(showing.err, "");
  const std::string shown = showing.out;
  EXPECT_TRUE(shown.starts_with("# settings store: " + store + "\n")) << shown;
  EXPECT_NE(shown.find("\nWriteFmtIdx=4\nAvoidList0=*.pdf\nAvoidList1=*.zip\nAssignWriteFmt=0\n"),
            std::string::npos)
      << shown;
}

TEST_F(StampCommandTest, TrialRunNeitherLoadsNorMentionsTheLog) {
  const std::string page = Page("page.htm", kMarked + Link("gone.htm"));
  const CommandRun run = Run({"--dry-run", "--set", "ErrCope=1", page});
  EXPECT_EQ(run.status, kExitFinished);
  EXPECT_EQ(run.err.find("ログ"), std::string::npos) << run.err;
  EXPECT_EQ(
      run.out,
      page + "\n終了しました。\n\n記入中にエラーが 1 回発生しましたが無視して続行しました。\n");
  EXPECT_FALSE(PathExists(LogFileName()));
}

TEST_F(StampCommandTest, AFolderNamedAsFileIsReportedAsAFolder) {
  const CommandRun run = Run({site.path()});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_TRUE(run.err.starts_with("zelvora-stamp: \"" + site.path() +
                                  "\" is a folder; name a page in it, such as \"" +
                                  (site / "index.htm") + "\"\n"))
      << run.err;
  EXPECT_FALSE(PathExists(LogFileName()));
}

TEST_F(StampCommandTest, HelpNamesTheStoreAndTheLogOfThisMachineAndVersion) {
  for (const char* help : {"--help", "-h"}) {
    const CommandRun shown = Run({help});
    EXPECT_EQ(shown.status, kExitFinished);
    EXPECT_NE(shown.out.find("  settings store      " + store + "\n"), std::string::npos);
    EXPECT_NE(shown.out.find("  log file            " + LogFileName() + "\n"), std::string::npos);
  }
  const CommandRun version = Run({"--version"});
  EXPECT_EQ(version.status, kExitFinished);
  EXPECT_EQ(version.out, "zelvora-stamp 3.50\n");
}

TEST(StampBinaryTest, ExitStatusAndStreamsOfTheRealProgram) {
  testing::TempDir site("binary");
  const std::string page = site / "page.htm";
  testing::WriteBytes(page, kMarked);
  const testing::BinaryRun run = testing::RunStampBinary({page});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "終了しました。\n");
  EXPECT_NE(run.err.find("◎日付を記入しました：" + page), std::string::npos);
  EXPECT_EQ(testing::RunStampBinary({}).status, kExitUsage);
}

}  // namespace
}  // namespace zelvora

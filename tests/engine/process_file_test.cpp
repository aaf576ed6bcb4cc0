#include "engine/process_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "run/error_report.h"
#include "tests/support/run_world.h"
#include "tests/support/small_disk.h"

namespace zelvora {
namespace {

using testing::FsOp;
using testing::ModifiedTime;
using testing::PathExists;
using testing::ReadBytes;
using testing::RunWorld;

constexpr char kMarked[] = "<p><!--#ZELV#--></p>\r\n";
constexpr char kStamped[] =
    "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) --></p>\r\n";

class ProcessFileTest : public ::testing::Test {
 protected:
  bool Process(const std::string& file, const std::string& referrer = "", int line = 0) {
    return ProcessFile(world.context, file, referrer, line);
  }
  RunWorld world;
};

TEST_F(ProcessFileTest, OnlyTheDateAreasChangeEveryOtherByteIsKept) {
  const std::string nul(1, '\0');
  struct Case {
    const char* what;
    std::string before;  // "@" stands where the date area goes
  };
  const Case cases[] = {
      {"LF line ends", "<html>\n<p><!--#ZELV#-->@</p>\n</html>\n"},
      {"lone CR line ends", "<html>\r<p><!--#ZELV#-->@</p>\r</html>\r"},
      {"mixed line ends", "a\r\nb\nc\r<!--#ZELV#-->@\r\n\n\r\r\nd"},
      {"no final line end", "<p><!--#ZELV#-->@</p>"},
      {"NUL bytes", nul + "a" + nul + "\n<!--#ZELV#-->@" + nul + "\r\nc" + nul},
      {"an old date area", "x\n<!--#ZELV#--><!-- #ZELV#($BEGIN) -->@<!-- #ZELV#($END) -->\ny"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunWorld run;
    const size_t at = c.before.find('@');
    std::string before = c.before;
    std::string after = c.before;
    if (before.find("($BEGIN)") != std::string::npos) {
      before.replace(at, 1, "2002/01/12");
      after.replace(at, 1, "1999/01/03");
    } else {
      before.erase(at, 1);
      after.replace(at, 1, "<!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) -->");
    }
    const std::string page = run.File("page.htm", before);
    ASSERT_TRUE(ProcessFile(run.context, page, "", 0));
    EXPECT_EQ(ReadBytes(page), after);
    EXPECT_EQ(ReadBytes(run.dir / "page_Bak1.bak"), before);
    EXPECT_EQ(run.LogText(), "◎日付記入開始：" + page + "\n|◎日付を記入しました：" + page + "\n|");
  }
}

TEST_F(ProcessFileTest, UpToDatePageIsNotWrittenNorTouched) {
  const std::string page = world.File("page.htm", kStamped, testing::k1999_01_03_140730);
  ASSERT_TRUE(Process(page));
  EXPECT_EQ(ReadBytes(page), kStamped);
  EXPECT_EQ(ModifiedTime(page), testing::k1999_01_03_140730);
  EXPECT_EQ(world.fs.CallCount(FsOp::kNewWritableFile), 0);
  EXPECT_EQ(world.log.LogList().back(), "◎日付を記入する必要はありませんでした：" + page + "\n");
}

TEST_F(ProcessFileTest, EachFileIsProcessedOnceUnderWhateverNameButNamesInOtherCaseAreOtherFiles) {
  if (FileNamesIgnoreCase()) GTEST_SKIP() << "names in other letter case are one file here";
  const std::string page = world.File("Page.htm", kMarked);
  const std::string other_case = world.File("page.htm", kMarked);
  ASSERT_TRUE(testing::MakeHardLink(page, world.dir / "hard.htm"));
  ASSERT_TRUE(testing::MakeSymlink("Page.htm", world.dir / "soft.htm"));
  ASSERT_TRUE(Process(page));
  ASSERT_TRUE(Process(other_case));
  EXPECT_EQ(ReadBytes(other_case), kStamped);
  const size_t entries = world.log.LogList().size();
  for (const char* alias : {"hard.htm", "soft.htm", "sub/../Page.htm", "Page.htm"}) {
    testing::MakeFolder(world.dir / "sub");
    EXPECT_TRUE(Process(world.dir / alias)) << alias;
  }
  EXPECT_EQ(world.log.LogList().size(), entries);
  EXPECT_TRUE(world.host.asked.empty());
}

// The exact last-write time of `path`.
FileTime LastWrite(const std::string& path) { return RealFileSystem().Stat(path)->last_write; }

void SetLastWrite(const std::string& path, FileTime time) {
  ASSERT_TRUE(RealFileSystem().SetFileTimes(path, std::nullopt, time).ok()) << path;
}

TEST_F(ProcessFileTest, KeptTimeIsTheExactTimeOfTheNewestSourceAndASecondRunWritesNothing) {
  struct Case {
    const char* what;
    FileTime time;
    const char* date_text;  // in JST
  };
  const Case cases[] = {
      {"an odd second and a fraction",
       {testing::k1999_01_03_140730 + 1, 250'000'000},
       "1999/01/03"},
      {"1979-12-31 23:59:59.999999999", {315500399, 999'999'999}, "1979/12/31"},
      {"2100-01-01 00:00:01.5", {4102412401, 500'000'000}, "2100/01/01"},
      {"the epoch", {0, 0}, "1970/01/01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunWorld first;
    // One page dated by itself, one by a list whose newest file has the time.
    const std::string own = first.File("own.htm", kMarked);
    SetLastWrite(own, c.time);
    // The time as the file system keeps it (Windows to 100 nanoseconds).
    const FileTime kept = LastWrite(own);
    first.File("old.txt", "o", -86400);
    SetLastWrite(first.File("new.txt", "n"), c.time);
    const std::string listed = first.File("listed.htm", "<!--#ZELV# old.txt,new.txt-->\n");
    ASSERT_TRUE(ProcessFile(first.context, own, "", 0));
    ASSERT_TRUE(ProcessFile(first.context, listed, "", 0));
    EXPECT_NE(ReadBytes(own).find(std::string(">") + c.date_text + "<"), std::string::npos);
    EXPECT_NE(ReadBytes(listed).find(std::string(">") + c.date_text + "<"), std::string::npos);
    EXPECT_EQ(LastWrite(own), kept);
    EXPECT_EQ(LastWrite(listed), kept);

    RunWorld second;
    ASSERT_TRUE(ProcessFile(second.context, own, "", 0));
    ASSERT_TRUE(ProcessFile(second.context, listed, "", 0));
    EXPECT_EQ(second.fs.CallCount(FsOp::kNewWritableFile), 0);
    EXPECT_TRUE(second.host.asked.empty());
  }
}

// Unix times of 1 January (JST) of some years.
constexpr int64_t k2001 = 978274800;
constexpr int64_t k2003 = 1041346800;
constexpr int64_t k2005 = 1104505200;

TEST_F(ProcessFileTest, APageThatShowsItsOwnDateKeepsItWhateverItsOtherSourcesDo) {
  const std::string source = world.File("src.htm", "source", k2001);
  const std::string page =
      world.File("page.htm", "<!--#ZELV#-->\n<!--#ZELV# src.htm-->\n", k2005 + 1);
  const auto stamped = [](const char* own, const char* listed) {
    return std::string("<!--#ZELV#--><!-- #ZELV#($BEGIN) -->") + own +
           "<!-- #ZELV#($END) -->\n<!--#ZELV# src.htm--><!-- #ZELV#($BEGIN) -->" + listed +
           "<!-- #ZELV#($END) -->\n";
  };
  ASSERT_TRUE(Process(page));
  EXPECT_EQ(ReadBytes(page), stamped("2005/01/01", "2001/01/01"));
  EXPECT_EQ(ModifiedTime(page), k2005 + 1);

  // The listed file changes: its date area follows it, the page's own date stays.
  testing::SetModifiedTime(source, k2003);
  RunWorld second;
  ASSERT_TRUE(ProcessFile(second.context, page, "", 0));
  EXPECT_EQ(ReadBytes(page), stamped("2005/01/01", "2003/01/01"));
  EXPECT_EQ(LastWrite(page), (FileTime{k2005 + 1, 0}));

  RunWorld third;
  ASSERT_TRUE(ProcessFile(third.context, page, "", 0));
  EXPECT_EQ(third.fs.CallCount(FsOp::kNewWritableFile), 0);
  EXPECT_EQ(ReadBytes(page), stamped("2005/01/01", "2003/01/01"));

  // A page that shows only other files' dates still takes the newest of them.
  const std::string listing = world.File("listing.htm", "<!--#ZELV# src.htm-->\n", k2005);
  RunWorld fourth;
  ASSERT_TRUE(ProcessFile(fourth.context, listing, "", 0));
  EXPECT_EQ(ModifiedTime(listing), k2003);
}

TEST_F(ProcessFileTest, AFormatWithSecondsShowsTheSourcesOwnSecond) {
  world.settings.AssignWriteFmt = 1;
  world.settings.WriteFmtStr = "yyyy/mm/dd hh:nn:ss";
  const std::string page = world.File("page.htm", kMarked);
  SetLastWrite(page, {testing::k1999_01_03_140730 + 1, 999'999'999});
  const FileTime kept = LastWrite(page);  // as the file system keeps it (Windows: to 100 ns)
  ASSERT_TRUE(Process(page));
  EXPECT_EQ(
      ReadBytes(page),
      "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/03 14:07:31<!-- #ZELV#($END) --></p>\r\n");
  EXPECT_EQ(LastWrite(page), kept);
}

TEST_F(ProcessFileTest, KeptTimesAreSetBeforeTheReplaceAndOnlyWithKeepTimeStamp) {
  const std::string own = world.File("own.htm", kMarked);
  ASSERT_TRUE(Process(own));
  // The times are set on the new text before it replaces the page, so that a run killed
  // between the two never leaves the new text with the time of the write.
  std::vector<FsOp> order;
  for (const auto& call : world.fs.calls()) {
    if (call.op == FsOp::kSetTimes || call.op == FsOp::kRename) order.push_back(call.op);
  }
  EXPECT_EQ(order, (std::vector<FsOp>{FsOp::kSetTimes, FsOp::kRename}));

  world.settings.KeepTimeStamp = false;
  const std::string plain = world.File("plain.htm", kMarked);
  ASSERT_TRUE(Process(plain));
  EXPECT_GT(ModifiedTime(plain), testing::k2024_05_06_120406);
}

TEST_F(ProcessFileTest, MissingFileIsReportedOnceHoweverOftenItIsRetried) {
  world.host.answers = {Answer::kRetry, Answer::kRetry, Answer::kRetry, Answer::kIgnore};
  const std::string missing = world.dir / "missing.htm";
  EXPECT_TRUE(Process(missing, "/site/index.htm", 12));
  ASSERT_EQ(world.host.asked.size(), 4u);
  const std::string report =
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが見つかりません。\n" + missing +
      "\n\n【エラー発生箇所】\nファイル名：/site/index.htm\n行番号：12\n\nどうしますか？";
  EXPECT_EQ(world.host.asked[0].text, report);
  EXPECT_EQ(world.host.asked[0].kind, Question::kAbortRetryIgnore);
  EXPECT_EQ(world.context.state.ErrorCount, 1);
  EXPECT_EQ(world.LogText(), report + "\n|");
}

TEST_F(ProcessFileTest, MissingRootFileUnderEachPolicy) {
  const std::string missing = world.dir / "missing.htm";
  const std::string report =
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが見つかりません。\n" + missing +
      "\n\nどうしますか？";
  world.settings.ErrCope = kErrCopeAbort;
  EXPECT_FALSE(Process(missing));
  EXPECT_TRUE(world.host.asked.empty());

  for (const int8_t policy : {kErrCopeContinue, kErrCopeAsk}) {
    RunWorld fresh;
    fresh.settings.ErrCope = policy;
    fresh.host.answers = {Answer::kAbort};
    EXPECT_FALSE(ProcessFile(fresh.context, missing, "", 0));
    ASSERT_EQ(fresh.host.asked.size(), 1u);
    EXPECT_EQ(fresh.host.asked[0].text, report);
  }
}

TEST_F(ProcessFileTest, RetryFindsAFileThatAppeared) {
  const std::string late = world.dir / "late.htm";
  world.host.answers = {Answer::kRetry};
  world.fs.Inject(testing::FailNth(FsOp::kReadFile, 1, ENOENT, "late.htm"));
  testing::WriteBytes(late, kMarked);
  EXPECT_TRUE(Process(late));
  EXPECT_EQ(world.log.LogList().back(), "◎日付を記入しました：" + late + "\n");
}

TEST_F(ProcessFileTest, ReadFailureIsAskedWithTheLinkLocation) {
  const std::string page = world.File("page.htm", kMarked);
  world.fs.Inject(testing::FailEvery(FsOp::kReadFile, EIO, "page.htm"));
  world.host.answers = {Answer::kCancel};
  EXPECT_FALSE(Process(page, "/site/index.htm", 3));
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(
      world.host.asked[0].text,
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが読み込めませんでした。\n" +
          page + "\n\n【エラー発生箇所】\nファイル名：/site/index.htm\n行番号：3" +
          kOkCancelQuestion);
}

TEST_F(ProcessFileTest, FailedWriteLeavesPageAndGenerationsUntouched) {
  const std::string page = world.File("page.htm", kMarked);
  const std::string generation = world.File("page_Bak1.bak", "older");
  world.fs.Inject(testing::FullDiskAfter(10));
  EXPECT_TRUE(Process(page));  // the scripted answer is OK: the run goes on
  EXPECT_EQ(ReadBytes(page), kMarked);
  EXPECT_EQ(ReadBytes(generation), "older");
  EXPECT_FALSE(PathExists(world.dir / "page_Bak2.bak"));
  EXPECT_FALSE(PathExists(TemporaryNameFor(page)));
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(
      world.host.asked[0].text,
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルに書き込めませんでした。\n" +
          page + kOkCancelQuestion);
}

TEST(ProcessFileOnFullDiskTest, PageAndGenerationsStayWhenTheDiskIsFull) {
  testing::SmallDisk disk("64k");
  if (!disk.mounted()) GTEST_SKIP() << disk.why_not();
  RunWorld world;
  const std::string page = disk / "page.htm";
  const std::string marked = std::string(kMarked) + std::string(40000, 'x') + "\r\n";
  testing::WriteBytes(page, marked);
  testing::WriteBytes(disk / "page_Bak1.bak", "older");
  EXPECT_TRUE(ProcessFile(world.context, page, "", 0));  // answered OK: the run goes on
  EXPECT_EQ(ReadBytes(page), marked);
  EXPECT_EQ(ReadBytes(disk / "page_Bak1.bak"), "older");
  EXPECT_FALSE(PathExists(disk / "page_Bak2.bak"));
  EXPECT_FALSE(PathExists(TemporaryNameFor(page)));
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_NE(world.host.asked[0].text.find("次のファイルに書き込めませんでした。"),
            std::string::npos);
}

TEST_F(ProcessFileTest, FailedReplaceLeavesThePageWhole) {
  const std::string page = world.File("page.htm", kMarked);
  world.fs.Inject(testing::FailEvery(FsOp::kRename, EIO));
  EXPECT_TRUE(Process(page));
  EXPECT_EQ(ReadBytes(page), kMarked);
  EXPECT_FALSE(PathExists(TemporaryNameFor(page)));
  EXPECT_EQ(world.context.state.ErrorCount, 1);
}

TEST_F(ProcessFileTest, RewrittenPageKeepsPermissionsAndSymbolicLinks) {
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links on this system";
  const std::string target = world.File("real/page.htm", kMarked);
  ASSERT_EQ(chmod(target.c_str(), 0644), 0);
  const std::string link = world.dir / "link.htm";
  ASSERT_TRUE(testing::MakeSymlink("real/page.htm", link));
  ASSERT_TRUE(Process(link));
  EXPECT_TRUE(testing::IsSymlink(link));
  EXPECT_EQ(ReadBytes(target), kStamped);
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  EXPECT_EQ(ReadBytes(world.dir / "link_Bak1.bak"), kMarked);
}

TEST_F(ProcessFileTest, LeftOverTemporaryFilesOfTheFolderAreRemoved) {
  const std::string page = world.File("page.htm", kStamped);
  const std::string other = world.dir / "other.htm";
  testing::WriteBytes(TemporaryNameFor(page), "half a page");
  testing::WriteBytes(TemporaryNameFor(other), "half another page");
  ASSERT_TRUE(Process(page));
  EXPECT_FALSE(PathExists(TemporaryNameFor(page)));
  EXPECT_FALSE(PathExists(TemporaryNameFor(other)));
}

TEST_F(ProcessFileTest, WaitingPagesSetTheirTextAsideAndReadItAgain) {
  // A chain of pages, each linking to the next, with no memory for waiting pages' text.
  world.context.held_text_budget = 0;
  std::vector<std::string> pages;
  for (int i = 0; i < 5; ++i) {
    const std::string next = "<a href=\"p" + std::to_string(i + 1) + ".htm\">next</a>\r\n";
    pages.push_back(world.File("p" + std::to_string(i) + ".htm", kMarked + next + kMarked));
  }
  ASSERT_TRUE(Process(pages[0]));
  for (int i = 0; i < 5; ++i) {
    const std::string next = "<a href=\"p" + std::to_string(i + 1) + ".htm\">next</a>\r\n";
    EXPECT_EQ(ReadBytes(pages[i]), kStamped + next + kStamped);
  }
  EXPECT_EQ(world.host.asked.size(), 1u);  // the missing p5.htm
  // The texts set aside went to one scratch file and came back from it: each page was read
  // from the site once.
  EXPECT_EQ(world.fs.CallCount(FsOp::kNewScratchFile), 1);
  EXPECT_EQ(world.fs.CallCount(FsOp::kReadFile), 5);
}

TEST_F(ProcessFileTest, AWaitingPageThatCannotBeReadAgainIsLeftAsItIs) {
  // Without a scratch file, a waiting page reads its own file again.
  world.fs.Inject(testing::FailEvery(FsOp::kNewScratchFile, ENOSPC));
  world.context.held_text_budget = 0;
  const std::string root =
      world.File("root.htm", std::string(kMarked) + "<a href=\"child.htm\">c</a>\r\n");
  const std::string child = world.File("child.htm", kMarked);
  world.fs.Inject(testing::FailNth(FsOp::kReadFile, 2, EIO, "root.htm"));
  EXPECT_TRUE(Process(root));  // answered OK: the run goes on without the root
  EXPECT_EQ(ReadBytes(child), kStamped);
  EXPECT_EQ(ReadBytes(root), std::string(kMarked) + "<a href=\"child.htm\">c</a>\r\n");
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(
      world.host.asked[0].text,
      "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが読み込めませんでした。\n" +
          root + kOkCancelQuestion);
}

TEST_F(ProcessFileTest, TrialRunWritesNothing) {
  world.context.dry_run = true;
  const std::string page = world.File("page.htm", kMarked);
  ASSERT_TRUE(Process(page));
  EXPECT_EQ(ReadBytes(page), kMarked);
  EXPECT_EQ(world.fs.CallCount(FsOp::kNewWritableFile), 0);
  EXPECT_EQ(world.fs.CallCount(FsOp::kRemove), 0);
  EXPECT_EQ(world.host.would_write, std::vector<std::string>{page});
}

TEST_F(ProcessFileTest, AFoldersNewestDateIsWorkedOutOnceAndForgottenWhenTheRunWritesThere) {
  world.settings.KeepTimeStamp = false;    // a page written now takes the time of the write
  world.settings.EnableAvoidList = false;  // which would list the folder too
  const std::string news = world.File("news/a.htm", kMarked);
  const std::string mark = "<!--#ZELV# news-->";
  // A date area is filled in at the tag after its mark.
  const std::string page =
      world.File("page.htm",
                 mark + "\r\n" + mark + "<br>\r\n<a href=\"news/a.htm\">a</a>\r\n" + mark + "\r\n");
  ASSERT_TRUE(Process(page));
  const time_t written = static_cast<time_t>(ModifiedTime(news));
  char today[16];
  std::strftime(today, sizeof today, "%Y/%m/%d", std::localtime(&written));
  const auto area = [&](const std::string& date) {
    return mark + "<!-- #ZELV#($BEGIN) -->" + date + "<!-- #ZELV#($END) -->";
  };
  EXPECT_EQ(ReadBytes(page), area("1999/01/03") + "\r\n" + area(today) +
                                 "<br>\r\n<a href=\"news/a.htm\">a</a>\r\n" + area(today) + "\r\n");
  // The folder is listed for the first mark, by the sweep when its page is opened, and again
  // for the last mark, after the write: the second mark took the newest file that the first
  // one had worked out.
  int listings_of_news = 0;
  for (const auto& call : world.fs.calls()) {
    if (call.op == FsOp::kListFolder && call.path.ends_with(JoinPath("news", ""))) {
      ++listings_of_news;
    }
  }
  EXPECT_EQ(listings_of_news, 3);
}

}  // namespace
}  // namespace zelvora

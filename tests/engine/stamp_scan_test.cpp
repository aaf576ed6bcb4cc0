#include "engine/stamp_scan.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "run/error_report.h"
#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::RunWorld;

std::string Pair(const std::string& date) {
  return "<!-- #ZELV#($BEGIN) -->" + date + "<!-- #ZELV#($END) -->";
}

std::string Report(const std::string& cause, const std::string& file, int line) {
  return "※　エラーが発生しました。\n\n【エラーの原因】\n" + cause +
         "【エラー発生箇所】\nファイル名：" + file + "\n行番号：" + std::to_string(line) +
         kOkCancelQuestion;
}

class StampScanTest : public ::testing::Test {
 protected:
  struct Outcome {
    ScanEvent event;
    bool changed;
    std::string text;
    std::optional<FileTime> kept_time;
  };

  void SetUp() override { world.settings.LinkWrite = false; }

  // Writes `text` as the page and scans it to its end.
  Outcome Scan(const std::string& text) {
    page = world.File("page.htm", text);
    StampScan scan(world.context, page, text);
    const ScanEvent event = scan.Run();
    Outcome outcome{event, scan.changed(), "", scan.kept_time()};
    if (event == ScanEvent::kFinished) outcome.text = scan.TakeText();
    return outcome;
  }

  RunWorld world;
  std::string page;
};

TEST_F(StampScanTest, PageWithoutMarksIsUnchanged) {
  const Outcome outcome = Scan("<html><body><p>hello</p><!-- note --></body></html>\r\n");
  EXPECT_EQ(outcome.event, ScanEvent::kFinished);
  EXPECT_FALSE(outcome.changed);
  EXPECT_TRUE(world.host.asked.empty());
}

TEST_F(StampScanTest, KeywordMarkGainsAWholeStampMarkerWithThePagesDate) {
  const Outcome outcome = Scan("<p>Updated: <!--#ZELV#--></p>\r\n<!--#ZELV#-->\r\n");
  EXPECT_TRUE(outcome.changed);
  EXPECT_EQ(outcome.text, "<p>Updated: <!--#ZELV#-->" + Pair("1999/01/03") +
                              "</p>\r\n<!--#ZELV#-->" + Pair("1999/01/03") + "\r\n");
  EXPECT_EQ(world.log.LogList().front(), "◎日付記入開始：" + page + "\n");
}

TEST_F(StampScanTest, UpToDateAreasReportNoChange) {
  const Outcome outcome = Scan("<!--#ZELV#-->" + Pair("1999/01/03") + "\r\n");
  EXPECT_FALSE(outcome.changed);
  EXPECT_FALSE(outcome.kept_time.has_value());
}

TEST_F(StampScanTest, DateAreaIsReplacedWholeMarkupIncluded) {
  const Outcome outcome =
      Scan("<!-- #ZELV# --><!-- ($BEGIN) #ZELV# --><b>2002/01/12</b><!--#ZELV#($END)-->\r\n");
  EXPECT_TRUE(outcome.changed);
  EXPECT_EQ(outcome.text,
            "<!-- #ZELV# --><!-- ($BEGIN) #ZELV# -->1999/01/03<!--#ZELV#($END)-->\r\n");
  EXPECT_EQ(outcome.kept_time, (FileTime{testing::k1999_01_03_140730, 0}));
}

TEST_F(StampScanTest, LowerCaseKeywordIsAnOrdinaryComment) {
  EXPECT_FALSE(Scan("<!-- #zelv# --><!-- #zelv#($begin) -->x<!-- #zelv#($end) -->\r\n").changed);
}

TEST_F(StampScanTest, MarkStateTableReportsAndRecovers) {
  struct Case {
    std::string text;
    std::string expected;
    std::string cause;
    int line;
  };
  const std::string d = "1999/01/03";
  const std::vector<Case> cases = {
      {"<!--#ZELV#($BEGIN)-->\r\n", "<!--#ZELV#($BEGIN)-->\r\n",
       "開始マークまたは終了マークに、対応するゼルヴォラマークがありません。\n\n", 1},
      {"x\r\n<!--#ZELV#($END)-->\r\n", "x\r\n<!--#ZELV#($END)-->\r\n",
       "開始マークまたは終了マークに、対応するゼルヴォラマークがありません。\n\n", 2},
      {"<!--#ZELV#-->\r\n<!--#ZELV#($END)-->\r\n",
       "<!--#ZELV#-->" + Pair(d) + "\r\n<!--#ZELV#($END)-->\r\n",
       "終了マークに、対応する開始マークがありません。\n\n", 2},
      {"<!--#ZELV#--><!--#ZELV#($BEGIN)-->a<!--#ZELV#($BEGIN)-->b<!--#ZELV#($END)-->\r\n",
       "<!--#ZELV#--><!--#ZELV#($BEGIN)-->" + d + "<!--#ZELV#($END)-->\r\n",
       "開始マークが連続しています。\n\n", 1},
      {"<!--#ZELV#--><!--#ZELV#($BEGIN)-->a\r\n<!--#ZELV#-->\r\n",
       "<!--#ZELV#--><!--#ZELV#($BEGIN)-->a\r\n<!--#ZELV#-->" + Pair(d) + "\r\n",
       "開始マークに、対応する終了マークがありません。\n\n", 2},
  };
  for (const Case& c : cases) {
    RunWorld fresh;
    fresh.settings.LinkWrite = false;
    const std::string file = fresh.File("page.htm", c.text);
    StampScan scan(fresh.context, file, c.text);
    ASSERT_EQ(scan.Run(), ScanEvent::kFinished) << c.text;
    EXPECT_EQ(scan.TakeText(), c.expected) << c.text;
    ASSERT_EQ(fresh.host.asked.size(), 1u) << c.text;
    EXPECT_EQ(fresh.host.asked[0].text, Report(c.cause, file, c.line)) << c.text;
    EXPECT_EQ(fresh.context.state.ErrorCount, 1);
  }
}

TEST_F(StampScanTest, TwoKeywordMarksInARowEachGetTheirMarker) {
  const Outcome outcome = Scan("<!--#ZELV#--><!--#ZELV#-->\r\n");
  EXPECT_EQ(outcome.text,
            "<!--#ZELV#-->" + Pair("1999/01/03") + "<!--#ZELV#-->" + Pair("1999/01/03") + "\r\n");
}

TEST_F(StampScanTest, BeginMarkWithoutEndChangesNothingAndReportsNothing) {
  const Outcome outcome = Scan("<!--#ZELV#--><!--#ZELV#($BEGIN)-->old\r\n");
  EXPECT_FALSE(outcome.changed);
  EXPECT_TRUE(world.host.asked.empty());
}

TEST_F(StampScanTest, DateSourceListTakesTheNewestFileAndReportsBadNames) {
  world.File("news/a.txt", "a", testing::k2002_01_12_100000);
  world.File("news/b.txt", "b", testing::k2024_05_06_120406);
  world.File("a.htm", "a", testing::k2002_01_12_100000);
  const std::string mark = "<!--#ZELV# a.htm, b.htm,,news,mailto:x@y,#top,//example.com/ -->";
  const Outcome outcome = Scan("x\r\n" + mark + "\r\n");
  EXPECT_EQ(outcome.text, "x\r\n" + mark + Pair("2024/05/06") + "\r\n");
  ASSERT_EQ(world.host.asked.size(), 3u);
  // The blank after the comma belongs to the second name, which names no file.
  EXPECT_EQ(world.host.asked[0].text,
            Report("\" b.htm\" の正しいファイル名（フルパスのファイル名）が取得できません。\n"
                   "ファイルが存在しない可能性があります。\n\n",
                   page, 2));
  EXPECT_EQ(world.host.asked[1].text,
            Report("ファイル名がＵＲＬで記述されています。\n\n", page, 2));
  EXPECT_EQ(world.host.asked[2].text, world.host.asked[1].text);
}

TEST_F(StampScanTest, ListWithoutAFileIsReportedOnceAndLeavesItsDateAreaAlone) {
  // A date area from an earlier run stays as it is; the page's other pair is still dated.
  const std::string text = "<!--#ZELV#-->" + Pair("2002/01/12") + "\r\n<!--#ZELV# gone.htm-->" +
                           Pair("2002/01/12") + "\r\n";
  Outcome outcome = Scan(text);
  EXPECT_TRUE(outcome.changed);
  EXPECT_EQ(outcome.text, "<!--#ZELV#-->" + Pair("1999/01/03") + "\r\n<!--#ZELV# gone.htm-->" +
                              Pair("2002/01/12") + "\r\n");
  const std::string not_found =
      "\"gone.htm\" の正しいファイル名（フルパスのファイル名）が取得できません。\n"
      "ファイルが存在しない可能性があります。\n\n";
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(world.host.asked[0].text, Report(not_found, page, 2));
  EXPECT_EQ(world.context.state.ErrorCount, 1);

  // On its first run such a mark gains no date area, and the page is not changed.
  world.host.asked.clear();
  outcome = Scan("<p>\r\n<!--#ZELV# gone.htm-->\r\n");
  EXPECT_FALSE(outcome.changed);
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_EQ(world.host.asked[0].text, Report(not_found, page, 2));
}

TEST_F(StampScanTest, LineNumbersCountLinesOfTheTextAsRewritten) {
  world.settings.AssignWriteFmt = 1;
  world.settings.WriteFmtStr = "yyyy\"\r\n\"mm";  // a date text two lines long
  const Outcome outcome = Scan("<!--#ZELV#-->\r\n<!--#ZELV#($END)-->\r\n");
  ASSERT_EQ(outcome.event, ScanEvent::kFinished);
  // The end mark was read before the marker was inserted: line 2 of the original text.
  ASSERT_EQ(world.host.asked.size(), 1u);
  EXPECT_NE(world.host.asked[0].text.find("行番号：2"), std::string::npos);

  RunWorld second;
  second.settings.LinkWrite = false;
  second.settings.AssignWriteFmt = 1;
  second.settings.WriteFmtStr = "yyyy\"\r\n\"mm";
  const std::string text =
      "<!--#ZELV#--><!--#ZELV#($BEGIN)--><!--#ZELV#($END)-->\r\n"
      "<!--#ZELV#($END)-->\r\n";
  const std::string file = second.File("p.htm", text);
  StampScan scan(second.context, file, text);
  ASSERT_EQ(scan.Run(), ScanEvent::kFinished);
  // After a date area gained a line, the orphan end mark on line 2 stands on line 3.
  ASSERT_EQ(second.host.asked.size(), 1u);
  EXPECT_NE(second.host.asked[0].text.find("行番号：3"), std::string::npos);
}

TEST_F(StampScanTest, CancelAndTheAbortFlagAbortTheScan) {
  world.settings.ErrCope = kErrCopeAbort;
  EXPECT_EQ(Scan("<!--#ZELV#($END)--><!--#ZELV#-->\r\n").event, ScanEvent::kAborted);
  EXPECT_TRUE(world.host.asked.empty());
  EXPECT_EQ(world.context.state.ErrorCount, 1);

  RunWorld flagged;
  flagged.settings.LinkWrite = false;
  flagged.host.abort_after_events = 2;
  const std::string text = "<p><b><!--#ZELV#-->\r\n";
  const std::string file = flagged.File("p.htm", text);
  StampScan scan(flagged.context, file, text);
  EXPECT_EQ(scan.Run(), ScanEvent::kAborted);
  EXPECT_EQ(flagged.host.events_processed, 2);
}

TEST_F(StampScanTest, DateTextIsWrittenInThePagesCharset) {
  world.settings.WriteFmtIdx = 5;  // yyyy"年"m"月"d"日" h"時"m"分"
  const std::string expected_utf8 = "1999年1月3日 14時7分";
  const Outcome cp932 = Scan("<!--#ZELV#-->\r\n");
  EXPECT_EQ(cp932.text,
            "<!--#ZELV#-->" + Pair(*ConvertText(expected_utf8, kUtf8, kCp932)) + "\r\n");

  const Outcome utf8 = Scan("<meta charset=\"utf-8\"><!--#ZELV#-->\r\n");
  EXPECT_EQ(utf8.text, "<meta charset=\"utf-8\"><!--#ZELV#-->" + Pair(expected_utf8) + "\r\n");
}

}  // namespace
}  // namespace zelvora

#include "engine/file_date.h"

#include <gtest/gtest.h>

#include "records/run_log.h"
#include "run/run_context.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsOp;

class FileDateTest : public ::testing::Test {
 protected:
  Flow Get(const std::string& path) { return GetFileDate(context_, path, where_, &date_); }

  // The report of a file whose date cannot be read, and the question a user sees about it.
  static std::string ExpectedReport(const std::string& path) {
    return "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルの日付が取得できません。\n" +
           path + "\n\n【エラー発生箇所】\nファイル名：/site/index.htm\n行番号：12";
  }
  static std::string ExpectedQuestion(const std::string& path) {
    return ExpectedReport(path) +
           "\n\nできる限り処理を続行する場合はOK、中止する場合はキャンセルを押して下さい。";
  }

  testing::TempDir dir_{"filedate"};
  TSetting settings_;
  testing::ScriptedHost host_;
  FaultInjectingFileSystem fs_{RealFileSystem()};
  RunLog log_;
  RegionalSettings region_;
  RunContext context_{settings_, host_, fs_, log_, region_};
  ReportLocation where_{"/site/index.htm", 12};
  std::optional<FileTime> date_ = FileTime{1, 0};
};

TEST_F(FileDateTest, ExactLastWriteTime) {
  const std::string path = dir_ / "news.htm";
  testing::WriteBytes(path, "x");
  const FileTime odd_second{1704164645, 250'000'000};  // 2024-01-02 03:04:05.25 UTC
  ASSERT_TRUE(RealFileSystem().SetFileTimes(path, std::nullopt, odd_second).ok());
  ASSERT_EQ(Get(path), Flow::kContinue);
  EXPECT_EQ(date_, odd_second);
  EXPECT_TRUE(host_.asked.empty());
  EXPECT_EQ(context_.state.ErrorCount, 0);
}

TEST_F(FileDateTest, FailureIsReportedLoggedCountedAndAnsweredByThePolicy) {
  struct Case {
    const char* what;
    int8_t policy;
    std::deque<Answer> answers;
    Flow flow;
    size_t questions_shown;
  };
  const Case cases[] = {
      {"ask, OK", kErrCopeAsk, {Answer::kOk}, Flow::kContinue, 1},
      {"ask, Cancel", kErrCopeAsk, {Answer::kCancel}, Flow::kAbort, 1},
      {"continue as far as possible", kErrCopeContinue, {}, Flow::kContinue, 0},
      {"abort at once", kErrCopeAbort, {}, Flow::kAbort, 0},
  };
  const std::string missing = dir_ / "missing.htm";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings_.ErrCope = c.policy;
    host_ = testing::ScriptedHost();
    host_.answers = c.answers;
    context_.state.ErrorCount = 0;
    date_ = FileTime{1, 0};

    EXPECT_EQ(Get(missing), c.flow);
    EXPECT_FALSE(date_.has_value());
    EXPECT_EQ(context_.state.ErrorCount, 1);
    ASSERT_EQ(host_.asked.size(), c.questions_shown);
    if (c.questions_shown > 0) {
      EXPECT_EQ(host_.asked[0].text, ExpectedQuestion(missing));
      EXPECT_EQ(host_.asked[0].kind, Question::kOkCancel);
    }
    ASSERT_FALSE(log_.LogList().empty());
    EXPECT_EQ(log_.LogList().back(), ExpectedReport(missing) + "\n");
  }
}

TEST_F(FileDateTest, FoldersAndUnreadableFilesHaveNoDate) {
  host_.answers = {Answer::kOk, Answer::kOk};
  EXPECT_EQ(Get(dir_.path()), Flow::kContinue);
  EXPECT_FALSE(date_.has_value());

  const std::string path = dir_ / "page.htm";
  testing::WriteBytes(path, "x");
  fs_.Inject(testing::FailEvery(FsOp::kStat, EIO, "page.htm"));
  EXPECT_EQ(Get(path), Flow::kContinue);
  EXPECT_FALSE(date_.has_value());
  ASSERT_EQ(host_.asked.size(), 2u);
  EXPECT_EQ(host_.asked[1].text, ExpectedQuestion(path));
  EXPECT_EQ(context_.state.ErrorCount, 2);
}

}  // namespace
}  // namespace zelvora

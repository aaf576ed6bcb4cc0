#include "run/error_report.h"

#include <gtest/gtest.h>

#include "tests/support/run_world.h"

namespace zelvora {
namespace {

using testing::RunWorld;

TEST(ErrorReportTest, LayoutWithAndWithoutTheLocationPart) {
  const ReportLocation where{"/site/a.htm", 7};
  EXPECT_EQ(ComposeReport("開始マークが連続しています。\n\n", &where),
            "※　エラーが発生しました。\n\n【エラーの原因】\n開始マークが連続しています。\n\n"
            "【エラー発生箇所】\nファイル名：/site/a.htm\n行番号：7");
  EXPECT_EQ(ComposeReport("次のファイルが読み込めませんでした。\n/site/b.htm", &where,
                          LocationJoin::kAfterBlankLine),
            "※　エラーが発生しました。\n\n【エラーの原因】\n次のファイルが読み込めませんでした。\n"
            "/site/b.htm\n\n【エラー発生箇所】\nファイル名：/site/a.htm\n行番号：7");
  EXPECT_EQ(
      ComposeReport("元のファイルをリネームできません。\n/x", nullptr),
      "※　エラーが発生しました。\n\n【エラーの原因】\n元のファイルをリネームできません。\n/x");
  EXPECT_EQ(WithQuestion("r", Question::kAbortRetryIgnore), "r\n\nどうしますか？");
  EXPECT_EQ(WithQuestion("r", Question::kOkCancel),
            "r\n\nできる限り処理を続行する場合はOK、中止する場合はキャンセルを押して下さい。");
}

TEST(ErrorReportTest, PolicyAnswersOrAsksAndTheReportIsLoggedAndCountedOnce) {
  struct Case {
    int8_t policy;
    Question kind;
    Answer scripted;
    Answer expected;
    bool asked;
  };
  const Case cases[] = {
      {kErrCopeAbort, Question::kOkCancel, Answer::kOk, Answer::kCancel, false},
      {kErrCopeAbort, Question::kAbortRetryIgnore, Answer::kIgnore, Answer::kAbort, false},
      {kErrCopeContinue, Question::kOkCancel, Answer::kCancel, Answer::kOk, false},
      {kErrCopeContinue, Question::kAbortRetryIgnore, Answer::kRetry, Answer::kRetry, true},
      {kErrCopeAsk, Question::kOkCancel, Answer::kCancel, Answer::kCancel, true},
      {kErrCopeAsk, Question::kAbortRetryIgnore, Answer::kIgnore, Answer::kIgnore, true},
  };
  for (const Case& c : cases) {
    RunWorld world;
    world.settings.ErrCope = c.policy;
    world.host.answers = {c.scripted};
    const std::string report = ComposeReport("cause\n\n", nullptr);
    LogError(world.context, report);
    EXPECT_EQ(ErrorAnswer(world.context, WithQuestion(report, c.kind), c.kind), c.expected);
    EXPECT_EQ(world.host.asked.size(), c.asked ? 1u : 0u);
    EXPECT_EQ(world.context.state.ErrorCount, 1);
    EXPECT_EQ(world.LogText(), report + "\n|");
  }
}

}  // namespace
}  // namespace zelvora

#include "run/error_report.h"

#include <string>

namespace zelvora {
namespace {

constexpr char kReportHeader[] = "※　エラーが発生しました。\n\n【エラーの原因】\n";

}  // namespace

std::string ComposeReport(std::string_view cause, const ReportLocation* location,
                          LocationJoin join) {
  std::string report = kReportHeader;
  report += cause;
  if (location != nullptr) {
    if (join == LocationJoin::kAfterBlankLine) report += "\n\n";
    report += "【エラー発生箇所】\nファイル名：";
    report += location->file;
    report += "\n行番号：";
    report += std::to_string(location->line);
  }
  return report;
}

std::string WithQuestion(const std::string& report, Question kind) {
  return report + (kind == Question::kOkCancel ? kOkCancelQuestion : kAbortRetryIgnoreQuestion);
}

void LogError(RunContext& context, const std::string& report) {
  context.log.AddLogEntry(report + "\n");
  ++context.state.ErrorCount;
}

Answer ErrorAnswer(RunContext& context, const std::string& text, Question kind) {
  const int policy = context.settings.ErrCope;
  if (policy == kErrCopeAbort) {
    return kind == Question::kOkCancel ? Answer::kCancel : Answer::kAbort;
  }
  if (policy == kErrCopeContinue && kind == Question::kOkCancel) return Answer::kOk;
  return context.host.Ask(text, kind);
}

bool ReportAndAskOkCancel(RunContext& context, std::string_view cause,
                          const ReportLocation* location, LocationJoin join) {
  const std::string report = ComposeReport(cause, location, join);
  LogError(context, report);
  return ErrorAnswer(context, WithQuestion(report, Question::kOkCancel), Question::kOkCancel) ==
         Answer::kOk;
}

bool ReportFileFailure(RunContext& context, std::string_view cause, const std::string& referrer,
                       int line) {
  const ReportLocation where{referrer, line};
  return ReportAndAskOkCancel(context, cause, referrer.empty() ? nullptr : &where,
                              LocationJoin::kAfterBlankLine);
}

}  // namespace zelvora

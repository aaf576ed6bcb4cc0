// Error reports and the error policy. Every problem met during a run becomes one report:
// a header, the cause text, and where known the file and line it arose at. The report is
// logged and counted, and then a question is put to the error policy (TSetting::ErrCope),
// which answers it at once or leaves it to the user through the run host.
#pragma once

#include <string>
#include <string_view>

#include "run/run_context.h"
#include "run/run_host.h"

namespace zelvora {

// Where a problem arose: a file and a 1-based line number.
struct ReportLocation {
  std::string file;
  int line = 0;
};

// How the location part joins the cause: causes that end in "\n\n" take it directly; the
// causes of one file's processing end with a file name and take it after a blank line.
enum class LocationJoin { kDirect, kAfterBlankLine };

// The question lines appended to a report before it is asked.
inline constexpr char kOkCancelQuestion[] =
    "\n\nできる限り処理を続行する場合はOK、中止する場合はキャンセルを押して下さい。";
inline constexpr char kAbortRetryIgnoreQuestion[] = "\n\nどうしますか？";

// The report text: "※　エラーが発生しました。\n\n" + "【エラーの原因】\n" + cause, then, when
// `location` is given, the location part "【エラー発生箇所】\nファイル名：" + file + "\n行番号："
// + line (preceded by "\n\n" for LocationJoin::kAfterBlankLine). No question line.
std::string ComposeReport(std::string_view cause, const ReportLocation* location,
                          LocationJoin join = LocationJoin::kDirect);

// `report` followed by the question line of `kind`.
std::string WithQuestion(const std::string& report, Question kind);

// Adds `report` + "\n" to the run log and raises the run's error count by one.
void LogError(RunContext& context, const std::string& report);

// The answer of the error policy to a question of `kind` about `text` (which already holds
// its question line): under ErrCope 0, Cancel or Abort without asking; under 1, OK without
// asking for kOkCancel and the user's answer for kAbortRetryIgnore; under 2, the user's
// answer. The live ErrCope is read at every call.
Answer ErrorAnswer(RunContext& context, const std::string& text, Question kind);

// The usual sequence for an OK/Cancel problem: compose, log and count once, add the question
// line, and return the policy's answer. True means OK (go on), false Cancel (abort the run).
bool ReportAndAskOkCancel(RunContext& context, std::string_view cause,
                          const ReportLocation* location,
                          LocationJoin join = LocationJoin::kDirect);

// The OK/Cancel sequence for a file that cannot be read or written: the location part (the
// linking file and the line of its link) is present only when `referrer` is not empty, and
// follows the cause after a blank line. True means OK (go on without this file).
bool ReportFileFailure(RunContext& context, std::string_view cause, const std::string& referrer,
                       int line);

}  // namespace zelvora

// The last-write time of a file, the time that a stamp writes, with the error report the run
// makes when it cannot be read.
#pragma once

#include <optional>
#include <string>

#include "platform/date_time.h"
#include "run/error_report.h"
#include "run/run_context.h"
#include "run/run_flow.h"

namespace zelvora {

// The cause text of the report made when the date of `path` cannot be read.
std::string FileDateFailureCause(const std::string& path);

// Sets `*last_write` to the exact last-write time of `path` (with UseGitDates, the time of
// its last commit where git knows it: ApplyGitDate). The date text shows its second
// (FileTimeToLocalDateTime); a kept time stamp takes it as it is. A missing
// file, a folder or any failure to read the time is reported at `where` (logged, counted and
// asked OK/Cancel under the error policy): OK gives kContinue with `*last_write` empty, Cancel
// kAbort. Preconditions: `last_write` is not null.
Flow GetFileDate(RunContext& context, const std::string& path, const ReportLocation& where,
                 std::optional<FileTime>* last_write);

}  // namespace zelvora

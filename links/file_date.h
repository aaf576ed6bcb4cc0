// The last-write date of a file, the date that a stamp writes, with the error report the run
// makes when it cannot be read.
#pragma once

#include <optional>
#include <string>

#include "engine/error_report.h"
#include "engine/run_context.h"
#include "engine/run_flow.h"
#include "platform/date_time.h"

namespace zelvora {

// The cause text of the report made when the date of `path` cannot be read.
std::string FileDateFailureCause(const std::string& path);

// Sets `*date` to the last-write time of `path` as local time at DOS resolution (seconds
// rounded down to even). A missing file, a folder or any failure to read the time is
// reported at `where` (logged, counted and asked OK/Cancel under the error policy): OK
// gives kContinue with `*date` empty, Cancel kAbort. Preconditions: `date` is not null.
Flow GetFileDate(RunContext& context, const std::string& path, const ReportLocation& where,
                 std::optional<DateTime>* date);

}  // namespace zelvora

// Dates from git history for the date sources of a run, when the UseGitDates option is on:
// the one place where a date source's time is replaced by the committer time of its last
// change. A clone or a fresh checkout gives every file the time of the checkout; the history
// still knows when each page really changed.
#pragma once

#include <string>

#include "engine/error_report.h"
#include "engine/run_context.h"
#include "engine/run_flow.h"
#include "platform/date_time.h"

namespace zelvora {

// With UseGitDates on and `path` a tracked file unchanged against HEAD of its git work tree,
// sets `*time` to the committer time of the commit that last changed it; otherwise leaves
// `*time` (the file's last-write time) as it is. Along the way, once per run: a work tree
// whose history is shallow is logged and told to the host; each file whose last change lies
// beyond that history is named in the log; a work tree git cannot read is logged. A missing
// git program is reported once per run at `where` (logged, counted and asked OK/Cancel): OK
// goes on with last-write times, Cancel gives kAbort. `path` is absolute, or is taken against
// the current folder.
Flow ApplyGitDate(RunContext& context, const std::string& path, const ReportLocation& where,
                  FileTime* time);

}  // namespace zelvora

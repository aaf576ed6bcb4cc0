// Dates from git history for the date sources of a run, when the UseGitDates option is on:
// the one place where a date source's time is replaced by the committer time of its last
// real change. A clone or a fresh checkout gives every file the time of the checkout; the
// history still knows when each page really changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/date_time.h"
#include "run/error_report.h"
#include "run/run_context.h"
#include "run/run_flow.h"

namespace zelvora {

// With UseGitDates on and `path` a file that git holds unchanged (but for its date areas)
// against HEAD of its work tree, sets `*time` to the committer time of its last real change
// (GitHistory); otherwise leaves `*time` (the file's last-write time) as it is. `text`, when
// given, is the file's content as the run read it. Along the way, once per run: a work tree
// whose history is shallow is logged and told to the host, and each file whose last change
// lies beyond that history is named in the log. A missing git (once per run) and a git that
// refuses a work tree, does not answer in time or prints what does not parse (once per work
// tree) are reported at `where` (logged, counted and asked OK/Cancel): OK goes on with
// last-write times, Cancel gives kAbort. The run's abort ends a running git at once and
// gives kAbort. `path` is absolute, or is taken against the current folder.
Flow ApplyGitDate(RunContext& context, const std::string& path, const ReportLocation& where,
                  FileTime* time, std::optional<std::string_view> text = std::nullopt);

}  // namespace zelvora

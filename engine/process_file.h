// Processing a file of a stamp run: each file at most once per run, read whole with its time
// stamps, stamped, and written back only when a date area changed. Links met in a page are
// followed depth first, so linked pages are finished and written before the page that links
// to them; the walk keeps the pages whose scans wait for a link on a stack of its own, so a
// chain of links as long as a site's page count needs no deeper machine stack.
#pragma once

#include <string>

#include "run/run_context.h"

namespace zelvora {

// Processes `file_name` and, through its links, every file reachable from it. `referrer` is
// the file whose link led here (empty for the run's root file) and `line_no` the line of that
// link. Returns true when the run goes on (the file was written, needed no writing, had been
// processed before, or was skipped after an error) and false when the run is to be aborted;
// a page whose scan was interrupted by an abort is never written.
bool ProcessFile(RunContext& context, const std::string& file_name, const std::string& referrer,
                 int line_no);

}  // namespace zelvora

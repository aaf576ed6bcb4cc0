// One stamp run as a front end starts it: the pieces a run needs besides the live settings
// and the host (its log, the user's regional settings, a file system that remembers what
// the run learns about files), wired into a run context. Both programs start their runs
// through it, so they run exactly the same way.
#pragma once

#include <string>

#include "engine/run.h"
#include "platform/caching_file_system.h"
#include "platform/file_system.h"
#include "platform/regional_settings.h"
#include "records/run_log.h"
#include "run/run_context.h"
#include "settings/setting.h"

namespace zelvora {

class RunSession {
 public:
  // `live_settings`, `host` and `fs` are not owned and must outlive the session. `fs` is the
  // file system the run works on; what the run learns about files through it is remembered
  // for this session only, so a later session sees every change made in between. The
  // regional settings are read now.
  RunSession(const TSetting& live_settings, RunHost& host, FileSystem& fs);
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  // The run's context: its state (the continue flag that stops it) and options such as
  // dry_run, to be set before Run.
  RunContext& context() { return context_; }
  // The run's log, for an observer of its entries.
  RunLog& log() { return log_; }

  // StartRun on `name` (as typed) with the log saved at `log_path`.
  RunOutcome Run(const std::string& name, const std::string& log_path = LogFileName());

 private:
  RunLog log_;
  RegionalSettings region_;
  CachingFileSystem fs_;
  RunContext context_;
};

}  // namespace zelvora

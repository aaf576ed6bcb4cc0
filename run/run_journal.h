// The log of a run as its steps see it: loaded at the run's start, entries added in order
// while it runs, saved at its end. The run log file (records/run_log.h) is the one the
// programs use; the steps of a run know only this interface, so that every layer can write to
// the log without depending on the layer that keeps it.
#pragma once

#include <string>

#include "platform/date_time.h"
#include "platform/file_system.h"

namespace zelvora {

class RunHost;
struct TSetting;

class RunJournal {
 public:
  virtual ~RunJournal() = default;

  // Loads the entries kept in the log file at `path`. Returns false when the file could not
  // be read and a fresh log was started instead.
  virtual bool OpenLog(FileSystem& fs, const std::string& path) = 0;

  // Appends one entry (which may itself hold LF characters).
  virtual void AddLogEntry(const std::string& text) = 0;

  // Ends the run's entry (`completed` or aborted, at `now`) and saves the log to `path` as
  // `settings` say; a failure to save is shown through `host`.
  virtual void CloseLog(FileSystem& fs, const std::string& path, bool completed, DateTime now,
                        const TSetting& settings, RunHost& host) = 0;
};

}  // namespace zelvora

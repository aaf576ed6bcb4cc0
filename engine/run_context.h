// Everything one stamp run works with: the live settings, the front end, the file system,
// the log, the regional settings, and the run state that is reset at every run start.
#pragma once

#include <string>
#include <unordered_set>

#include "engine/git_history.h"
#include "engine/run_host.h"
#include "engine/visited_files.h"
#include "links/avoid_list.h"
#include "links/date_source_cache.h"
#include "platform/file_system.h"
#include "platform/regional_settings.h"
#include "records/run_log.h"
#include "settings/setting.h"

namespace zelvora {

// The state of one run, reset by the run start.
struct RunState {
  VisitedFileSet VisitedFiles;  // files processed in this run
  int LinkDepth = 0;            // links between the root file and the file being scanned
  int ErrorCount = 0;           // error reports logged in this run
  bool ContinueFlag = true;     // cleared to stop the run after the tag in hand
  AvoidCacheMap AvoidCache;     // avoid-list sets per folder
  std::unordered_set<std::string> SweptFolders;  // folders cleared of left-over temporary files
  int WrittenFiles = 0;                          // pages written back
  DateSourceCache DateSources;                   // newest dates of date-source items
  GitHistory GitDates;                           // what git says about date sources
};

// The references are not owned and must outlive the context. `settings` is the live record:
// every step reads it when it needs a value, so a change made during a run applies at once.
struct RunContext {
  RunContext(const TSetting& live_settings, RunHost& run_host, FileSystem& file_system,
             RunLog& run_log, const RegionalSettings& regional)
      : settings(live_settings), host(run_host), fs(file_system), log(run_log), region(regional) {}

  const TSetting& settings;
  RunHost& host;
  FileSystem& fs;
  RunLog& log;
  const RegionalSettings& region;
  bool dry_run = false;  // scan and report, but write nothing to disk
  // Page text that the pages waiting for their links may hold before the ones nearest the
  // root set theirs aside (and read it again when their scan goes on).
  size_t held_text_budget = size_t{16} << 20;
  RunState state;
};

// Forgets what the run remembers of files and of the dates of date sources, once it has met a
// page that another program (most often another run on the same site) changed during the run:
// the dates that such a run wrote are new too.
inline void ForgetFileDates(RunContext& context) {
  context.fs.ForgetRemembered();
  context.state.DateSources.Clear();
}

}  // namespace zelvora

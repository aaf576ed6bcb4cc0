// Everything one stamp run works with: the live settings, the front end, the file system,
// the log, the regional settings, and the run state that is reset at every run start. Every
// layer of a run (links, records, the engine) works through it.
#pragma once

#include <string>
#include <unordered_set>

#include "platform/file_system.h"
#include "platform/regional_settings.h"
#include "run/run_caches.h"
#include "run/run_host.h"
#include "run/run_journal.h"
#include "run/visited_files.h"
#include "settings/setting.h"

namespace zelvora {

// The state of one run, reset by the run start.
struct RunState {
  VisitedFileSet VisitedFiles;  // files processed in this run
  int LinkDepth = 0;            // links between the root file and the file being scanned
  int ErrorCount = 0;           // error reports logged in this run
  bool ContinueFlag = true;     // cleared to stop the run after the tag in hand
  std::unordered_set<std::string> SweptFolders;  // folders cleared of left-over temporary files
  int WrittenFiles = 0;                          // pages written back
  RunCaches Caches;  // what the layers above remember during the run (avoid lists, dates)
};

// The references are not owned and must outlive the context. `settings` is the live record:
// every step reads it when it needs a value, so a change made during a run applies at once.
struct RunContext {
  RunContext(const TSetting& live_settings, RunHost& run_host, FileSystem& file_system,
             RunJournal& run_log, const RegionalSettings& regional)
      : settings(live_settings), host(run_host), fs(file_system), log(run_log), region(regional) {}

  const TSetting& settings;
  RunHost& host;
  FileSystem& fs;
  RunJournal& log;
  const RegionalSettings& region;
  bool dry_run = false;  // scan and report, but write nothing to disk
  // Page text that the pages waiting for their links may hold before the ones nearest the
  // root set theirs aside (and read it again when their scan goes on).
  size_t held_text_budget = size_t{16} << 20;
  RunState state;
};

}  // namespace zelvora
